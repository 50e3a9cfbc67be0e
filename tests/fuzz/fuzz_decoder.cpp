// Fuzz target: decodes the input as a stream, with buffer sizes and an input block size
// taken from its length, and checks that
// - the output hook gets full blocks of OutputBufferSize() bytes and then one final call;
// - the plain decoder of bench/ produces the same bytes with the same hook calls;
// - the encoder's stream for the input decodes back to exactly the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "lzhuf/lzhuf_decoder.h"
#include "lzhuf/lzhuf_encoder.h"
#include "plain_decoder.h"

namespace {

constexpr std::size_t MaxRoundTripSize = 1 << 16;  // bytes; keeps each run fast

struct Recording {
  std::span<const std::uint8_t> input;
  std::size_t read = 0;
  std::size_t block = 0;  // at most this many bytes per input call
  std::vector<std::uint8_t> output;
  std::vector<std::uint32_t> calls;  // hook letter << 24 | count << 8 | reported
};
Recording* recording;

void Require(bool condition) {
  if (!condition) std::abort();
}

void ReadInput(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
  Recording& r = *recording;
  const std::size_t taken = std::min({static_cast<std::size_t>(count), r.input.size() - r.read, r.block});
  if (taken > 0) std::memcpy(buffer, r.input.data() + r.read, taken);
  r.read += taken;
  reported = static_cast<std::uint16_t>(taken);
  r.calls.push_back(std::uint32_t{'I'} << 24 | std::uint32_t{count} << 8 | (taken & 0xFF));
}

void WriteOutput(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
  Recording& r = *recording;
  r.output.insert(r.output.end(), buffer, buffer + count);
  reported = count;
  r.calls.push_back(std::uint32_t{'O'} << 24 | std::uint32_t{count} << 8);
}

Recording Run(bool real, std::span<const std::uint8_t> input, std::uint16_t input_size, std::uint16_t output_size,
              std::size_t block) {
  Recording r;
  r.input = input;
  r.block = block;
  recording = &r;
  if (real) {
    lzsfx::SetInputHook(ReadInput);
    lzsfx::SetOutputHook(WriteOutput);
    lzsfx::SetInputBufferSize(input_size);
    lzsfx::SetOutputBufferSize(output_size);
    lzsfx::DecodeStream();
  } else {
    lzsfx::plain::DecodeStream(ReadInput, WriteOutput, lzsfx::InputBufferSize(), lzsfx::OutputBufferSize());
  }
  recording = nullptr;
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  const auto input_size = static_cast<std::uint16_t>(16 + size % 61);
  const auto output_size = static_cast<std::uint16_t>(16 + size % 37);
  const std::size_t block = 1 + size % 23;

  const Recording real = Run(true, input, input_size, output_size, block);
  std::vector<std::uint16_t> counts;
  for (const std::uint32_t call : real.calls) {
    if ((call >> 24) == 'O') counts.push_back(static_cast<std::uint16_t>(call >> 8));
  }
  Require(!counts.empty() && (real.calls.back() >> 24) == 'O');
  for (std::size_t i = 0; i + 1 < counts.size(); ++i) Require(counts[i] == output_size);
  Require(counts.back() <= output_size && (counts.back() > 0 || real.output.empty()));

  const Recording plain = Run(false, input, input_size, output_size, block);
  Require(real.output == plain.output);
  Require(real.calls == plain.calls);

  if (size <= MaxRoundTripSize) {
    const std::vector<std::uint8_t> stream = lzsfx::EncodeBuffer(input);
    Require(lzsfx::DecodeBuffer(stream) == std::vector<std::uint8_t>(input.begin(), input.end()));
  }
  return 0;
}
