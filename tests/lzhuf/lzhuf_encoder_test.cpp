// The encoder: exact round trips through the decoder on inputs of many kinds and sizes,
// streaming in pieces, streams that never depend on the initial window's zero bytes, and
// endings that stay unambiguous when one symbol dominates the model.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "greedy_encoder.h"
#include "lzhuf/lzhuf_decoder.h"
#include "lzhuf/lzhuf_encoder.h"
#include "plain_decoder.h"
#include "stream_harness.h"

namespace lzsfx {
namespace {

// Decodes with the plain decoder whose initial window ends in 0xA5 bytes instead of zeros:
// a stream that matched into those bytes would come back different.
std::vector<std::uint8_t> DecodeWithoutZeroWindowTail(std::span<const std::uint8_t> stream) {
  static std::span<const std::uint8_t> input;
  static std::size_t read;
  static std::vector<std::uint8_t> output;
  input = stream;
  read = 0;
  output.clear();
  plain::DecodeStream(
      [](std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
        reported = static_cast<std::uint16_t>(std::min<std::size_t>(count, input.size() - read));
        std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(read), reported, buffer);
        read += reported;
      },
      [](std::uint8_t* buffer, std::uint16_t count, std::uint16_t&) { output.insert(output.end(), buffer, buffer + count); },
      4096, 4096, 0xA5);
  return output;
}

void ExpectRoundTrip(const std::vector<std::uint8_t>& data, const std::string& name) {
  const std::vector<std::uint8_t> stream = EncodeBuffer(data);
  const std::vector<std::uint8_t> decoded = DecodeBuffer(stream);
  ASSERT_EQ(decoded.size(), data.size()) << name;
  EXPECT_TRUE(decoded == data) << name;
  EXPECT_TRUE(DecodeWithoutZeroWindowTail(stream) == data) << name;
}

std::vector<std::uint8_t> Random(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

std::vector<std::uint8_t> Repeated(std::size_t size, const std::string& pattern) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(pattern[i % pattern.size()]);
  return bytes;
}

std::vector<std::uint8_t> Prose(std::size_t size, std::uint32_t seed) {
  static const char* const words[] = {"the ", "installer ", "writes ", "files ", "into ", "a ", "temporary ",
                                      "folder, ", "and ", "then ", "starts ", "setup.\r\n", "Each ", "entry "};
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes;
  while (bytes.size() < size) {
    const std::string word = words[random() % std::size(words)];
    bytes.insert(bytes.end(), word.begin(), word.end());
  }
  bytes.resize(size);
  return bytes;
}

// One byte value most of the time, something else now and then.
std::vector<std::uint8_t> Dominated(std::size_t size, std::uint8_t value, unsigned other_one_in, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size, value);
  for (auto& byte : bytes) {
    if (random() % other_one_in == 0) byte = static_cast<std::uint8_t>(random());
  }
  return bytes;
}

TEST(LzhufEncoder, RoundTripsExactly) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> data;
  } rows[] = {
      {"empty", {}},
      {"one byte", {0x41}},
      {"one zero byte", {0x00}},
      {"sixty zero bytes, the initial window's tail", std::vector<std::uint8_t>(60, 0)},
      {"blanks, as the initial window holds", std::vector<std::uint8_t>(5000, 0x20)},
      {"random 1023", Random(1023, 1)},
      {"random 1024", Random(1024, 2)},
      {"random 1025", Random(1025, 3)},
      {"random 4095", Random(4095, 4)},
      {"random 4096", Random(4096, 5)},
      {"random 4097", Random(4097, 6)},
      {"prose 8192, one full buffer", Prose(8192, 7)},
      {"prose 8253, one byte past the first buffer", Prose(8253, 8)},
      {"prose 12289", Prose(12289, 9)},
      {"prose 70000, past the first rebuilds", Prose(70000, 10)},
      {"random 70000, past the first rebuilds", Random(70000, 11)},
      {"all byte values", Repeated(256 * 40, [] {
         std::string all;
         for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
         return all;
       }())},
      {"period 4096", Repeated(20000, std::string(reinterpret_cast<const char*>(Random(4096, 12).data()), 4096))},
      {"period 4097", Repeated(20000, std::string(reinterpret_cast<const char*>(Random(4097, 13).data()), 4097))},
      {"mixed runs and noise", [] {
         std::vector<std::uint8_t> bytes = Prose(30000, 14);
         const std::vector<std::uint8_t> noise = Random(20000, 15);
         bytes.insert(bytes.end(), noise.begin(), noise.end());
         bytes.insert(bytes.end(), 30000, 0xFF);
         return bytes;
       }()},
  };
  for (const auto& row : rows) ExpectRoundTrip(row.data, row.name);
}

TEST(LzhufEncoder, WritesInPiecesGiveTheSameStream) {
  std::vector<std::uint8_t> data = Prose(50000, 20);
  const std::vector<std::uint8_t> noise = Random(9000, 21);
  data.insert(data.end(), noise.begin(), noise.end());
  const std::vector<std::uint8_t> whole = EncodeBuffer(data);

  std::vector<std::uint8_t> pieces;
  LzhufEncoder encoder([&](const std::uint8_t* bytes, std::size_t size) { pieces.insert(pieces.end(), bytes, bytes + size); });
  std::mt19937 random(22);
  for (std::size_t at = 0; at < data.size();) {
    const std::size_t size = std::min<std::size_t>(random() % 9000, data.size() - at);
    encoder.Write(data.data() + at, size);
    at += size;
  }
  encoder.Finish();
  EXPECT_EQ(pieces, whole);
  EXPECT_EQ(encoder.InputBytes(), data.size());
  EXPECT_EQ(encoder.OutputBytes(), whole.size());
  EXPECT_LT(whole.size(), data.size() / 2);
}

TEST(LzhufEncoder, EndsUnambiguouslyWhenOneSymbolDominates) {
  // Encoded greedily, 20080 zero bytes end on a byte boundary with the 60-byte match
  // dominating, and the end bit decodes as one more match.
  const std::vector<std::uint8_t> zeros(20080, 0);
  EXPECT_EQ(DecodeBuffer(greedy::Encode(zeros)).size(), 20140u);

  std::vector<std::size_t> lengths;
  for (std::size_t size = 20000; size <= 20300; ++size) lengths.push_back(size);
  for (std::size_t size = 20000; size <= 60000; size += 397) lengths.push_back(size);
  for (const std::size_t size : lengths) {
    const std::vector<std::uint8_t> run(size, 0);
    ASSERT_EQ(DecodeBuffer(EncodeBuffer(run)), run) << size << " zero bytes";
  }
  for (std::uint32_t seed = 0; seed < 40; ++seed) {
    const std::size_t size = 2000 + seed * 1500;
    ExpectRoundTrip(std::vector<std::uint8_t>(size, static_cast<std::uint8_t>(seed * 37)), "run " + std::to_string(size));
    ExpectRoundTrip(Repeated(size, seed % 2 ? "ab" : "abc"), "short period " + std::to_string(size));
    ExpectRoundTrip(Dominated(size, 0, 3 + seed, seed), "dominated literals " + std::to_string(seed));
  }
}

// Set LZSFX_LZHUF_CORPUS to a directory (bench/make_corpus.sh builds one) to round-trip it.
TEST(LzhufEncoder, RoundTripsTheCorpus) {
  const char* corpus = std::getenv("LZSFX_LZHUF_CORPUS");
  if (corpus == nullptr || !std::filesystem::is_directory(corpus)) GTEST_SKIP() << "LZSFX_LZHUF_CORPUS not set";
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ExpectRoundTrip(data, entry.path().string());
  }
}

}  // namespace
}  // namespace lzsfx
