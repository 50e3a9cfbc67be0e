// The stream decoder: worked streams, the pattern of hook calls, failures raised by hooks,
// and call-for-call agreement with the plain decoder on damaged and random input.
#include <gtest/gtest.h>

#include <random>

#include "lzhuf/lzhuf_decoder.h"
#include "lzhuf/lzhuf_encoder.h"
#include "stream_harness.h"

namespace lzsfx {
namespace {

using testing::Bytes;
using testing::Decode;
using testing::Decoder;
using testing::DecodeTrace;
using testing::HookCall;
using testing::HookScript;

struct WorkedStream {
  const char* name;
  std::vector<std::uint8_t> stream;
  std::vector<std::uint8_t> output;
};

const WorkedStream worked_streams[] = {
    {"empty input", {}, {}},
    {"one literal, ends by a refused bit", Bytes({0xE6, 0xC0}), Bytes({0x41})},
    {"two literals, ends by the end-bit test", Bytes({0xE6, 0xF3, 0xA0}), Bytes({0x41, 0x42})},
    {"three literals", Bytes({0xE6, 0xF3, 0xB9, 0xF0}), Bytes({0x41, 0x42, 0x43})},
    {"match into the bytes it produces", Bytes({0xF6, 0xC7, 0x00, 0x20}), Bytes({0x61, 0x61, 0x61, 0x61, 0x61, 0x61})},
    {"first match reads blanks", Bytes({0x8C, 0x00, 0x40}), Bytes({0x20, 0x20, 0x20})},
    {"first match reads the zero bytes", Bytes({0x8C, 0xFF, 0xFE}), Bytes({0x00, 0x00, 0x00})},
    {"byte after the end byte is data", Bytes({0xE6, 0xC0, 0x00}), Bytes({0x41, 0xF4})},
    {"missing end bit refuses the last code", Bytes({0xE6, 0xF3, 0x80}), Bytes({0x41})},
};

TEST(DecodeStream, WorkedStreams) {
  for (const WorkedStream& row : worked_streams) {
    const DecodeTrace real = Decode(Decoder::Real, row.stream);
    EXPECT_EQ(real.output, row.output) << row.name;
    EXPECT_EQ(real.OutputCounts(), std::vector<std::uint16_t>{static_cast<std::uint16_t>(row.output.size())}) << row.name;
    EXPECT_EQ(real.calls, Decode(Decoder::Plain, row.stream).calls) << row.name;
    EXPECT_EQ(DecodeBuffer(row.stream), row.output) << row.name;
  }
}

TEST(DecodeStream, ExactHookCallsOfSmallStreams) {
  // Empty input: one dry input call, then the final output call with nothing.
  EXPECT_EQ(Decode(Decoder::Real, {}).calls, (std::vector<HookCall>{{'I', 1024, 0}, {'O', 0, 0}}));
  // E6 C0: both bytes in one block; the 9-bit code of A leaves 7 bits, so the next read
  // asks again, finds the input dry, and the end bit leaves only zeros.
  EXPECT_EQ(Decode(Decoder::Real, Bytes({0xE6, 0xC0})).calls,
            (std::vector<HookCall>{{'I', 1024, 2}, {'I', 1024, 0}, {'O', 1, 0}}));
}

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

TEST(DecodeStream, OneByteInputCallsAreStillAskedForAWholeBuffer) {
  const std::vector<std::uint8_t> stream = EncodeBuffer(RandomBytes(300, 1));
  HookScript one_byte;
  one_byte.bytes_per_input_call = 1;
  const DecodeTrace trace = Decode(Decoder::Real, stream, one_byte, 512);
  EXPECT_EQ(trace.output, RandomBytes(300, 1));
  std::size_t delivering = 0;
  for (const HookCall& call : trace.calls) {
    if (call.hook != 'I') continue;
    EXPECT_EQ(call.count, 512);
    if (call.reported > 0) ++delivering;
  }
  EXPECT_EQ(delivering, stream.size());
  // After the first dry report, each later refill asks again, and nothing else happens.
  const auto first_dry = std::find_if(trace.calls.begin(), trace.calls.end(),
                                      [](const HookCall& call) { return call.hook == 'I' && call.reported == 0; });
  ASSERT_NE(first_dry, trace.calls.end());
  EXPECT_GE(std::count(first_dry, trace.calls.end(), HookCall{'I', 512, 0}), 1);
  EXPECT_LE(trace.calls.end() - first_dry, 8);
}

TEST(DecodeStream, OutputBlocks) {
  const struct {
    std::size_t output_size;
    std::vector<std::uint16_t> counts;
  } rows[] = {
      {1, {1}}, {1023, {1023}}, {1024, {1024}}, {1025, {1024, 1}}, {2048, {1024, 1024}}, {2049, {1024, 1024, 1}},
  };
  for (const auto& row : rows) {
    const std::vector<std::uint8_t> data = RandomBytes(row.output_size, 2);
    const DecodeTrace trace = Decode(Decoder::Real, EncodeBuffer(data));
    EXPECT_EQ(trace.output, data) << row.output_size;
    EXPECT_EQ(trace.OutputCounts(), row.counts) << row.output_size;
  }
}

TEST(DecodeStream, FailureInAHookEndsTheStreamAndPendingBytesGoOut) {
  const std::vector<std::uint8_t> data = RandomBytes(5000, 3);
  const std::vector<std::uint8_t> stream = EncodeBuffer(data);
  HookScript input_fails;
  input_fails.bytes_per_input_call = 100;
  input_fails.input_call_that_raises = 20;  // after 2000 compressed bytes
  const DecodeTrace cut = Decode(Decoder::Real, stream, input_fails);
  ASSERT_FALSE(cut.OutputCounts().empty());
  EXPECT_LT(cut.output.size(), data.size());
  EXPECT_GT(cut.output.size(), 1024u);
  EXPECT_TRUE(std::equal(cut.output.begin(), cut.output.end(), data.begin()));
  EXPECT_LT(cut.OutputCounts().back(), 1024);  // the pending part of a block, passed on once
  EXPECT_EQ(cut.calls, Decode(Decoder::Plain, stream, input_fails).calls);

  // An output hook that fails on a full block gets the same full block again at the end.
  HookScript output_fails;
  output_fails.output_call_that_raises = 1;
  const DecodeTrace refused = Decode(Decoder::Real, stream, output_fails);
  EXPECT_EQ(refused.OutputCounts(), (std::vector<std::uint16_t>{1024, 1024, 1024}));
  EXPECT_EQ(refused.calls, Decode(Decoder::Plain, stream, output_fails).calls);
}

// Damaged and foreign input, odd buffer sizes and sources that deliver in dribs, fail, or
// come back after reporting dry: the real decoder must produce the plain decoder's bytes
// with the same hook calls in the same order.
TEST(DecodeStream, AgreesCallForCallWithThePlainDecoder) {
  std::mt19937 random(4);
  const std::vector<std::uint8_t> text = testing::Text(
      "It is a truth universally acknowledged, that a single man in possession of a good fortune, "
      "must be in want of a wife. However little known the feelings or views of such a man may be. ");
  for (int round = 0; round < 300; ++round) {
    std::vector<std::uint8_t> stream;
    switch (round % 3) {
      case 0:  // random bytes: many symbols, rebuilds once long enough
        stream = RandomBytes(random() % (round < 290 ? 600 : 60000), random());
        break;
      case 1: {  // a real stream, damaged
        std::vector<std::uint8_t> data;
        for (unsigned n = random() % 40; n-- > 0;) data.insert(data.end(), text.begin(), text.end());
        stream = EncodeBuffer(data);
        for (unsigned flips = random() % 4; flips-- > 0 && !stream.empty();) stream[random() % stream.size()] ^= 1u << (random() % 8);
        if (!stream.empty() && random() % 2) stream.resize(random() % stream.size());
        break;
      }
      default:  // mostly zero bits: long runs of one symbol
        stream.assign(random() % 3000, 0);
        for (auto& byte : stream) byte = (random() % 50 == 0) ? static_cast<std::uint8_t>(random()) : 0;
        break;
    }
    HookScript script;
    script.bytes_per_input_call = 1 + random() % 3000;
    if (random() % 4 == 0) script.input_call_that_raises = static_cast<int>(random() % 8);
    if (random() % 4 == 0) script.output_call_that_raises = static_cast<int>(random() % 4);
    if (random() % 4 == 0) {
      script.deliver_again_after_dry = true;
      script.dry_after = stream.empty() ? 0 : random() % stream.size();
    }
    const std::uint16_t input_size = static_cast<std::uint16_t>(16 + random() % 5000);
    const std::uint16_t output_size = static_cast<std::uint16_t>(16 + random() % 5000);
    const DecodeTrace real = Decode(Decoder::Real, stream, script, input_size, output_size);
    const DecodeTrace plain = Decode(Decoder::Plain, stream, script, input_size, output_size);
    ASSERT_EQ(real.output, plain.output) << "round " << round;
    ASSERT_EQ(real.calls, plain.calls) << "round " << round;
  }
}

int counted_input_calls = 0;
void CountingDryInput(std::uint8_t*, std::uint16_t, std::uint16_t& reported) {
  ++counted_input_calls;
  reported = 0;
}
void DiscardingOutput(std::uint8_t*, std::uint16_t, std::uint16_t& reported) { reported = 0; }

TEST(DecodeBuffer, RestoresHooksAndBufferSizes) {
  SetInputHook(CountingDryInput);
  SetOutputHook(DiscardingOutput);
  SetInputBufferSize(100);
  SetOutputBufferSize(200);
  EXPECT_EQ(DecodeBuffer(Bytes({0xE6, 0xF3, 0xA0})), Bytes({0x41, 0x42}));
  EXPECT_EQ(InputBufferSize(), 100);
  EXPECT_EQ(OutputBufferSize(), 200);
  DecodeStream();  // with the hooks installed before
  EXPECT_EQ(counted_input_calls, 1);
  SetInputBufferSize(1024);
  SetOutputBufferSize(1024);
}

}  // namespace
}  // namespace lzsfx
