// The parts of the LZHUF stream format that the decoder and the encoder share: the
// constants of the format, the adaptive Huffman model over 314 symbols, and the fixed
// prefix code for the upper 6 bits of a match position.
//
// Encoder and decoder stay in step only if both update the model in exactly the same
// way, so every order, comparison and tie-break in AdaptiveModel is part of the format.
// The model is plain data (4392 bytes of 16-bit tables) and can be copied freely, which
// the encoder uses to try out alternative endings of a stream.
#pragma once

#include <array>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace lzsfx::lzhuf {

// Window and matches.
inline constexpr unsigned RingSize = 4096;                // bytes of history a match can reach
inline constexpr unsigned RingMask = RingSize - 1;
inline constexpr unsigned MinMatch = 3;                   // bytes
inline constexpr unsigned MaxMatch = 60;                  // bytes
inline constexpr unsigned InitialRingPos = RingSize - MaxMatch;  // 4036: first byte written here
inline constexpr std::uint8_t InitialRingByte = 0x20;     // positions 0..4035 start as blanks;
                                                          // 4036..4095 start as zero bytes

// Symbols: 0..255 literal bytes, 256..313 match lengths 3..60.
inline constexpr unsigned LiteralCount = 256;
inline constexpr unsigned SymbolCount = LiteralCount + MaxMatch - MinMatch + 1;  // 314
inline constexpr unsigned MatchSymbol(unsigned length) { return length + LiteralCount - MinMatch; }
inline constexpr unsigned MatchLength(unsigned symbol) { return symbol + MinMatch - LiteralCount; }

// Tree.
inline constexpr unsigned NodeCount = 2 * SymbolCount - 1;  // 627
inline constexpr unsigned RootNode = NodeCount - 1;         // 626
inline constexpr unsigned LeafBase = NodeCount;             // Child value of a leaf: LeafBase + symbol
inline constexpr unsigned FrequencyLimit = 0x8000;          // root frequency that forces a rebuild
inline constexpr std::uint16_t FrequencySentinel = 0xFFFF;  // Frequency[627]: ends upward scans

// Match positions: p = 0..4095 names the byte p + 1 back from the write position.
inline constexpr unsigned PositionLowBits = 6;  // sent as plain bits after the code of the upper bits
inline constexpr unsigned PositionHighCount = RingSize >> PositionLowBits;  // 64 upper-bits values

// The decode tables, indexed by the first 8 bits of a position code: the upper 6 bits of
// the position, and the length (3..8 bits) of their code. Rows of the canonical code:
// values 0 (3 bits), 1..3 (4), 4..11 (5), 12..23 (6), 24..47 (7), 48..63 (8).
struct PositionDecodeTables {
  std::array<std::uint8_t, 256> high_bits{};
  std::array<std::uint8_t, 256> code_length{};
};

// The code of each upper-bits value: code_length bits, most significant bit first.
struct PositionEncodeTables {
  std::array<std::uint8_t, PositionHighCount> code{};
  std::array<std::uint8_t, PositionHighCount> code_length{};
};

constexpr PositionDecodeTables MakePositionDecodeTables() {
  // (code length, number of upper-bits values with that length)
  constexpr unsigned rows[][2] = {{3, 1}, {4, 3}, {5, 8}, {6, 12}, {7, 24}, {8, 16}};
  PositionDecodeTables tables;
  unsigned index = 0;
  unsigned value = 0;
  for (const auto& row : rows) {
    const unsigned entries_per_value = 1u << (8 - row[0]);
    for (unsigned v = 0; v < row[1]; ++v, ++value) {
      for (unsigned e = 0; e < entries_per_value; ++e, ++index) {
        tables.high_bits[index] = static_cast<std::uint8_t>(value);
        tables.code_length[index] = static_cast<std::uint8_t>(row[0]);
      }
    }
  }
  return tables;
}

constexpr PositionEncodeTables MakePositionEncodeTables() {
  constexpr PositionDecodeTables decode = MakePositionDecodeTables();
  PositionEncodeTables tables;
  for (unsigned index = 256; index-- > 0;) {  // ends on the first entry of each value
    const unsigned value = decode.high_bits[index];
    tables.code_length[value] = decode.code_length[index];
    tables.code[value] = static_cast<std::uint8_t>(index >> (8 - decode.code_length[index]));
  }
  return tables;
}

inline constexpr PositionDecodeTables PositionDecode = MakePositionDecodeTables();
inline constexpr PositionEncodeTables PositionEncode = MakePositionEncodeTables();

// Bits that a match position costs in the stream: the code of its upper bits and 6 plain bits.
constexpr unsigned PositionBits(unsigned position) {
  return PositionEncode.code_length[position >> PositionLowBits] + PositionLowBits;
}

// The grandchild table that a decoder adds to the model so that its tree walk takes two
// bits per table step: for an internal node n whose children are both internal or not,
// Grandchildren[n] holds Child of each of n's two children (first child's in the low 16
// bits); entries whose child is a leaf are never read. Kept current by every update.
struct NoGrandchildTable {};
struct GrandchildTable {
  std::uint32_t grandchildren_[627];
};

// The adaptive Huffman tree. Nodes 0..626 are kept in non-decreasing order of frequency;
// the two children of an internal node are adjacent, first child at an even number, so
// the bit that selects a node below its parent is the node number's lowest bit.
// WithGrandchildren adds the decoder's grandchild table (2508 bytes); the tree and its
// updates are the same either way.
template <bool WithGrandchildren>
class BasicAdaptiveModel
    : private std::conditional_t<WithGrandchildren, GrandchildTable, NoGrandchildTable> {
 public:
  // Builds the initial tree: every symbol has frequency 1, leaf s is node s, and the
  // internal nodes pair the nodes in order (0 and 1, 2 and 3, ...).
  void Init();

  // Counts one occurrence of symbol: rebuilds first when the root has reached the
  // frequency limit, then walks from the symbol's leaf to the root, adding 1 to each node
  // and moving a node behind the run of nodes that shared its former frequency.
  inline void Update(unsigned symbol);

  // Update for a symbol whose code was just read: path holds the nodes below the root that
  // the code passed, the symbol's leaf last. Until the first exchange the upward walk is
  // that path backwards, so its loads do not wait on one another; the result is Update's.
  inline void UpdateAlongPath(unsigned symbol, const std::uint16_t* path, unsigned depth);

  // Halves every leaf's frequency (rounding up) and rebuilds the internal nodes.
  void Rebuild();

  // Node walk for decoding: the first child of the root, and Child of any node.
  unsigned FirstChildOfRoot() const { return child_[RootNode]; }
  unsigned Child(unsigned node) const { return child_[node]; }
  unsigned Frequency(unsigned node) const { return frequency_[node]; }
  // The node that currently carries symbol's leaf.
  unsigned LeafNode(unsigned symbol) const { return parent_[LeafBase + symbol]; }
  unsigned Parent(unsigned node) const { return parent_[node]; }
  // Child of node's first child (low 16 bits) and of its second; node's children must be
  // internal for the half that is used.
  std::uint32_t Grandchildren(unsigned node) const
    requires WithGrandchildren
  {
    return this->grandchildren_[node];
  }

  // The current code of symbol, first bit in the most significant place of its length.
  struct Code {
    std::uint64_t bits;
    unsigned length;
  };
  Code CodeOf(unsigned symbol) const {
    Code code{0, 0};
    for (unsigned node = LeafNode(symbol); node != RootNode; node = parent_[node]) {
      code.bits |= std::uint64_t{node & 1u} << code.length;
      ++code.length;
    }
    return code;
  }

  // The code length of every symbol, in bits.
  void CodeLengths(std::array<std::uint8_t, SymbolCount>& lengths) const;

  // True when a single 1 bit read at the root completes a code (the root's second child is
  // a leaf). A stream whose last code ends on a byte boundary must not end in such a model:
  // its end bit would decode as one more symbol.
  bool EndBitCompletesCode() const { return child_[child_[RootNode] + 1] >= LeafBase; }

 private:
  // Moves node x, whose frequency has just become `frequency`, to place l behind the run
  // of nodes that shared its former frequency; the subtrees below them change places.
  inline void Exchange(unsigned x, unsigned l, unsigned frequency);
  // Adds 1 to node x and each node above it, moving nodes behind their runs as it goes.
  inline void CountUpFrom(unsigned x);
  // Recomputes the grandchild entry of node n after Child of one of n's children changed.
  void RefreshGrandchildren(unsigned n) {
    if constexpr (WithGrandchildren) {
      const unsigned c = child_[n];
      if (c < LeafBase) this->grandchildren_[n] = child_[c] | std::uint32_t{child_[c + 1]} << 16;
    }
  }
  void RefreshAllGrandchildren() {
    if constexpr (WithGrandchildren) {
      for (unsigned n = 0; n < NodeCount; ++n) {
        this->grandchildren_[n] = 0;  // a leaf's entry is never read, but stays defined
        RefreshGrandchildren(n);
      }
    }
  }

  static constexpr unsigned ShortRun = 8;  // nodes checked at once before galloping

  // The last node of the run x + 1, x + 2, ... whose frequency is below limit; the node at
  // x + 1 is known to be below it. Gallops, then bisects: runs of equal frequency are
  // usually short, but rare symbols sit in runs of a hundred nodes and more.
  unsigned LastNodeBelow(unsigned x, unsigned limit) const {
    if (x + ShortRun < NodeCount) {
      // Most runs are short: count the run among the next nodes without a branch (the
      // frequencies do not decrease, so the nodes below limit come first).
      unsigned run = 0;
      for (unsigned i = 1; i <= ShortRun; ++i) run += frequency_[x + i] < limit ? 1u : 0u;
      if (run < ShortRun) return x + run;
      x += ShortRun - 1;
    }
    unsigned below = x + 1;  // frequency_[below] < limit
    unsigned step = 1;
    unsigned above = below + step;  // first probe; the sentinel at 627 bounds every probe
    while (above < NodeCount && frequency_[above] < limit) {
      below = above;
      step <<= 1;
      above = below + step;
    }
    if (above > NodeCount) above = NodeCount;
    while (above - below > 1) {  // frequency_[below] < limit <= frequency_[above]
      const unsigned middle = below + (above - below) / 2;
      const bool lower = frequency_[middle] < limit;
      below = lower ? middle : below;
      above = lower ? above : middle;
    }
    return below;
  }

  std::uint16_t frequency_[NodeCount + 1];         // [627] is the sentinel 0xFFFF
  std::uint16_t child_[NodeCount];                 // first child, or LeafBase + symbol
  std::uint16_t parent_[NodeCount + SymbolCount];  // [LeafBase + s]: the leaf node of s
};

using AdaptiveModel = BasicAdaptiveModel<false>;
using DecodingModel = BasicAdaptiveModel<true>;
extern template class BasicAdaptiveModel<false>;
extern template class BasicAdaptiveModel<true>;

static_assert(sizeof(AdaptiveModel) == 4392, "the model tables are 4392 bytes");
static_assert(sizeof(DecodingModel) == 4392 + 4 * NodeCount, "and the grandchild table");

template <bool WithGrandchildren>
inline void BasicAdaptiveModel<WithGrandchildren>::Exchange(unsigned x, unsigned l, unsigned frequency) {
  frequency_[x] = frequency_[l];
  frequency_[l] = static_cast<std::uint16_t>(frequency);
  const unsigned i = child_[x];
  const unsigned j = child_[l];
  // The second child's parent is written without a branch: a leaf has none, so its entry
  // is written twice with the same value.
  child_[l] = static_cast<std::uint16_t>(i);
  parent_[i] = static_cast<std::uint16_t>(l);
  parent_[i < LeafBase ? i + 1 : i] = static_cast<std::uint16_t>(l);
  child_[x] = static_cast<std::uint16_t>(j);
  parent_[j] = static_cast<std::uint16_t>(x);
  parent_[j < LeafBase ? j + 1 : j] = static_cast<std::uint16_t>(x);
  if constexpr (WithGrandchildren) {
    std::swap(this->grandchildren_[x], this->grandchildren_[l]);  // they move with their subtrees
    RefreshGrandchildren(parent_[x]);
    RefreshGrandchildren(parent_[l]);
  }
}

template <bool WithGrandchildren>
inline void BasicAdaptiveModel<WithGrandchildren>::CountUpFrom(unsigned x) {
  do {
    const unsigned k = ++frequency_[x];
    if (frequency_[x + 1] < k) {
      const unsigned l = LastNodeBelow(x, k);
      Exchange(x, l, k);
      x = l;
    }
    x = parent_[x];
  } while (x != 0);  // Parent of the root is 0
}

template <bool WithGrandchildren>
inline void BasicAdaptiveModel<WithGrandchildren>::Update(unsigned symbol) {
  if (frequency_[RootNode] == FrequencyLimit) Rebuild();
  CountUpFrom(parent_[LeafBase + symbol]);
}

template <bool WithGrandchildren>
inline void BasicAdaptiveModel<WithGrandchildren>::UpdateAlongPath(unsigned symbol, const std::uint16_t* path, unsigned depth) {
  if (frequency_[RootNode] == FrequencyLimit) {
    Update(symbol);  // rebuilds first, which moves every node
    return;
  }
  for (unsigned i = depth; i-- > 0;) {
    const unsigned x = path[i];
    const unsigned k = ++frequency_[x];
    if (frequency_[x + 1] < k) {
      // The first exchange moves subtrees: from here on, follow the parents.
      const unsigned l = LastNodeBelow(x, k);
      Exchange(x, l, k);
      if (parent_[l] != 0) CountUpFrom(parent_[l]);
      return;
    }
  }
  ++frequency_[RootNode];  // the root never moves: the sentinel lies above any frequency
}

}  // namespace lzsfx::lzhuf
