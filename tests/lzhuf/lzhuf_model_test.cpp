// The adaptive model and the position code: initial codes, the effect of one update, the
// first rebuild, and the code of a few positions.
#include <gtest/gtest.h>

#include <string>

#include "lzhuf/lzhuf_decoder.h"
#include "lzhuf/lzhuf_model.h"

namespace lzsfx::lzhuf {
namespace {

std::string CodeText(const AdaptiveModel& model, unsigned symbol) {
  const AdaptiveModel::Code code = model.CodeOf(symbol);
  std::string text;
  for (unsigned i = code.length; i-- > 0;) text += ((code.bits >> i) & 1) ? '1' : '0';
  return text;
}

AdaptiveModel InitialModel() {
  AdaptiveModel model;
  model.Init();
  return model;
}

TEST(AdaptiveModel, InitialCodes) {
  const AdaptiveModel model = InitialModel();
  EXPECT_EQ(CodeText(model, 0), "110001100");
  EXPECT_EQ(CodeText(model, 65), "111001101");
  EXPECT_EQ(CodeText(model, 256), "10001100");
  EXPECT_EQ(CodeText(model, 313), "11000101");
  std::array<std::uint8_t, SymbolCount> lengths;
  model.CodeLengths(lengths);
  for (unsigned s = 0; s < SymbolCount; ++s) {
    EXPECT_EQ(lengths[s], s < 116 ? 9 : 8) << "symbol " << s;
    EXPECT_EQ(lengths[s], model.CodeOf(s).length) << "symbol " << s;
  }
  EXPECT_FALSE(model.EndBitCompletesCode());
}

TEST(AdaptiveModel, FirstUpdateMovesTheSymbolBehindItsRun) {
  AdaptiveModel model = InitialModel();
  model.Update(65);
  EXPECT_EQ(CodeText(model, 65), "11000101");
  EXPECT_EQ(CodeText(model, 313), "111001101");
  EXPECT_EQ(model.Frequency(RootNode), SymbolCount + 1);
}

TEST(AdaptiveModel, FirstRebuildHappensInTheUpdateOfSymbol32455) {
  AdaptiveModel model = InitialModel();
  for (unsigned n = 1; n < 32455; ++n) model.Update((n * 7) % SymbolCount);
  EXPECT_EQ(model.Frequency(RootNode), FrequencyLimit);
  model.Update(0);
  EXPECT_LT(model.Frequency(RootNode), FrequencyLimit / 2 + SymbolCount / 2 + 2);
  EXPECT_GT(model.Frequency(RootNode), FrequencyLimit / 2);
  // The rebuilt tree keeps its order and its sums.
  for (unsigned n = 0; n + 1 < NodeCount; ++n) EXPECT_LE(model.Frequency(n), model.Frequency(n + 1));
  for (unsigned n = 0; n < NodeCount; ++n) {
    const unsigned child = model.Child(n);
    if (child < LeafBase) {
      EXPECT_EQ(model.Frequency(n), model.Frequency(child) + model.Frequency(child + 1));
    }
  }
}

// The decoder's model keeps a grandchild table beside the tree; through skewed updates
// (many exchanges) and two rebuilds it must stay the tree's own grandchildren and leave
// the tree exactly as the plain model has it.
TEST(AdaptiveModel, DecodersGrandchildTableFollowsTheTree) {
  AdaptiveModel plain = InitialModel();
  DecodingModel decoding;
  decoding.Init();
  std::uint32_t state = 1;
  for (unsigned n = 0; n < 70000; ++n) {
    state = state * 1103515245u + 12345u;
    const unsigned symbol = (state >> 16) % 4 == 0 ? (state >> 8) % SymbolCount : (state >> 8) % 12;
    plain.Update(symbol);
    decoding.Update(symbol);
    if (n % 997 != 0 && n + 1 != 70000) continue;
    for (unsigned node = 0; node < NodeCount; ++node) {
      ASSERT_EQ(decoding.Child(node), plain.Child(node)) << "node " << node << " after " << n;
      ASSERT_EQ(decoding.Frequency(node), plain.Frequency(node)) << "node " << node << " after " << n;
      const unsigned child = decoding.Child(node);
      if (child >= LeafBase) continue;
      const std::uint32_t grandchildren = decoding.Grandchildren(node);
      ASSERT_EQ(grandchildren & 0xFFFFu, decoding.Child(child)) << "node " << node << " after " << n;
      ASSERT_EQ(grandchildren >> 16, decoding.Child(child + 1)) << "node " << node << " after " << n;
    }
  }
}

TEST(AdaptiveModel, OneDominantSymbolMakesTheEndBitACode) {
  AdaptiveModel model = InitialModel();
  for (int n = 0; n < 400; ++n) model.Update(MatchSymbol(MaxMatch));
  EXPECT_TRUE(model.EndBitCompletesCode());
  EXPECT_EQ(CodeText(model, MatchSymbol(MaxMatch)), "1");
}

std::string PositionCodeText(unsigned position) {
  const unsigned high = position >> PositionLowBits;
  std::string text;
  for (unsigned i = PositionEncode.code_length[high]; i-- > 0;) text += ((PositionEncode.code[high] >> i) & 1) ? '1' : '0';
  text += ' ';
  for (unsigned i = PositionLowBits; i-- > 0;) text += ((position >> i) & 1) ? '1' : '0';
  return text;
}

TEST(PositionCode, CodesAndTables) {
  EXPECT_EQ(PositionCodeText(5), "000 000101");
  EXPECT_EQ(PositionCodeText(4095), "11111111 111111");
  EXPECT_EQ(PositionCodeText(1000), "100111 101000");
  EXPECT_EQ(PositionBits(0), 9u);
  EXPECT_EQ(PositionBits(4095), 14u);
  // 10011110 = 158 indexes upper bits 15 with a 6-bit code.
  EXPECT_EQ(PositionDecode.high_bits[158], 15);
  EXPECT_EQ(PositionDecode.code_length[158], 6);
  // Row boundaries of the decode tables.
  const unsigned firsts[][3] = {{0, 0, 3}, {31, 0, 3}, {32, 1, 4}, {79, 3, 4}, {80, 4, 5}, {143, 11, 5},
                                {144, 12, 6}, {191, 23, 6}, {192, 24, 7}, {239, 47, 7}, {240, 48, 8}, {255, 63, 8}};
  for (const auto& row : firsts) {
    EXPECT_EQ(PositionDecode.high_bits[row[0]], row[1]) << "index " << row[0];
    EXPECT_EQ(PositionDecode.code_length[row[0]], row[2]) << "index " << row[0];
  }
}

TEST(BufferSizes, SettersClamp) {
  const std::uint16_t saved_input = InputBufferSize();
  const std::uint16_t saved_output = OutputBufferSize();
  const std::uint16_t rows[][2] = {{0, 16}, {15, 16}, {16, 16}, {1024, 1024}, {32768, 32768}, {32769, 32768}, {65535, 32768}};
  for (const auto& row : rows) {
    SetInputBufferSize(row[0]);
    SetOutputBufferSize(row[0]);
    EXPECT_EQ(InputBufferSize(), row[1]) << row[0];
    EXPECT_EQ(OutputBufferSize(), row[1]) << row[0];
  }
  SetInputBufferSize(saved_input);
  SetOutputBufferSize(saved_output);
}

}  // namespace
}  // namespace lzsfx::lzhuf
