// Usage: lzhuf_bench CORPUS_DIRECTORY [REPEATS]
// For every file of the corpus and in total: compressed sizes of the real and the greedy
// encoder, encode times, and decode throughput of the real and the plain decoder, both
// fed through hooks with 4096-byte buffers as during extraction. Every stream is checked
// to decode to its file; the figures are printed, never judged.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "greedy_encoder.h"
#include "lzhuf/lzhuf_decoder.h"
#include "lzhuf/lzhuf_encoder.h"
#include "lzhuf/lzhuf_model.h"
#include "plain_decoder.h"

namespace {

constexpr std::uint16_t ExtractionBufferSize = 4096;  // bytes, as the extraction run sets them

std::span<const std::uint8_t> source;
std::size_t source_read;
std::vector<std::uint8_t> sink;

void ReadSource(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
  const std::size_t taken = std::min<std::size_t>(count, source.size() - source_read);
  if (taken > 0) std::memcpy(buffer, source.data() + source_read, taken);
  source_read += taken;
  reported = static_cast<std::uint16_t>(taken);
}

void WriteSink(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
  sink.insert(sink.end(), buffer, buffer + count);
  reported = count;
}

enum class Which { Real, Plain };

std::vector<std::uint8_t> Decode(Which which, std::span<const std::uint8_t> stream) {
  source = stream;
  source_read = 0;
  sink.clear();
  if (which == Which::Real) {
    lzsfx::DecodeStream();
  } else {
    lzsfx::plain::DecodeStream(ReadSource, WriteSink, ExtractionBufferSize, ExtractionBufferSize);
  }
  return sink;
}

// The best of several runs in processor time of this process: the machine is shared, and
// wall-clock time would mostly measure the other processes.
template <class F>
double BestSeconds(int repeats, F&& run) {
  double best = 1e30;
  for (int r = 0; r < repeats; ++r) {
    const std::clock_t start = std::clock();
    run();
    best = std::min(best, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
  }
  return std::max(best, 1e-6);
}

struct Figures {
  double input = 0, real_size = 0, greedy_size = 0;
  double real_encode = 0, greedy_encode = 0, real_decode = 0, plain_decode = 0;
  void Add(const Figures& f) {
    input += f.input;
    real_size += f.real_size;
    greedy_size += f.greedy_size;
    real_encode += f.real_encode;
    greedy_encode += f.greedy_encode;
    real_decode += f.real_decode;
    plain_decode += f.plain_decode;
  }
};

void PrintRow(const std::string& name, const Figures& f) {
  const double mb = f.input / 1e6;
  std::printf("%-20s %9.0f %9.0f %9.0f %6.1f%% %7.2f%% %8.1f %8.1f %6.2fx %8.1f %8.1f %6.2fx\n", name.c_str(),
              f.input, f.real_size, f.greedy_size, 100.0 * f.real_size / std::max(f.input, 1.0),
              100.0 * (1.0 - f.real_size / std::max(f.greedy_size, 1.0)), mb / f.real_encode, mb / f.greedy_encode,
              f.real_encode / f.greedy_encode, mb / f.real_decode, mb / f.plain_decode, f.plain_decode / f.real_decode);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIRECTORY [REPEATS]\n", argv[0]);
    return 2;
  }
  const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());

  lzsfx::SetInputHook(ReadSource);
  lzsfx::SetOutputHook(WriteSink);
  lzsfx::SetInputBufferSize(ExtractionBufferSize);
  lzsfx::SetOutputBufferSize(ExtractionBufferSize);

  std::printf("%-20s %9s %9s %9s %7s %8s %8s %8s %7s %8s %8s %7s\n", "file", "bytes", "lzhuf", "greedy", "ratio",
              "smaller", "enc MB/s", "grd MB/s", "enc/grd", "dec MB/s", "pln MB/s", "dec/pln");
  Figures total;
  bool all_exact = true;
  for (const auto& path : files) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Figures f;
    f.input = static_cast<double>(data.size());
    std::vector<std::uint8_t> stream, greedy_stream;
    f.real_encode = BestSeconds(repeats, [&] { stream = lzsfx::EncodeBuffer(data); });
    f.greedy_encode = BestSeconds(repeats, [&] { greedy_stream = lzsfx::greedy::Encode(data); });
    f.real_size = static_cast<double>(stream.size());
    f.greedy_size = static_cast<double>(greedy_stream.size());
    f.real_decode = BestSeconds(repeats, [&] { Decode(Which::Real, stream); });
    const bool real_exact = Decode(Which::Real, stream) == data;
    f.plain_decode = BestSeconds(repeats, [&] { Decode(Which::Plain, stream); });
    const bool plain_exact = Decode(Which::Plain, stream) == data;
    if (!real_exact || !plain_exact) {
      std::printf("%s: stream does NOT decode to the file (real %d, plain %d)\n", path.filename().c_str(), real_exact,
                  plain_exact);
      all_exact = false;
    }
    PrintRow(path.filename().string(), f);
    total.Add(f);
  }
  PrintRow("total", total);
  std::printf("memory: decoder %u bytes per stream (window 4096, model %u with the grandchild table, buffers 2 x %u)\n",
              4096u + static_cast<unsigned>(sizeof(lzsfx::lzhuf::DecodingModel)) + 2u * ExtractionBufferSize,
              static_cast<unsigned>(sizeof(lzsfx::lzhuf::DecodingModel)), ExtractionBufferSize);
  return all_exact ? 0 : 1;
}
