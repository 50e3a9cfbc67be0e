#include "lzhuf/lzhuf_model.h"

#include <cstring>

namespace lzsfx::lzhuf {

template <bool WithGrandchildren>
void BasicAdaptiveModel<WithGrandchildren>::Init() {
  for (unsigned s = 0; s < SymbolCount; ++s) {
    frequency_[s] = 1;
    child_[s] = static_cast<std::uint16_t>(LeafBase + s);
    parent_[LeafBase + s] = static_cast<std::uint16_t>(s);
  }
  for (unsigned n = SymbolCount; n < NodeCount; ++n) {
    const unsigned j = 2 * (n - SymbolCount);
    frequency_[n] = static_cast<std::uint16_t>(frequency_[j] + frequency_[j + 1]);
    child_[n] = static_cast<std::uint16_t>(j);
    parent_[j] = parent_[j + 1] = static_cast<std::uint16_t>(n);
  }
  frequency_[NodeCount] = FrequencySentinel;
  parent_[RootNode] = 0;
  RefreshAllGrandchildren();
}

template <bool WithGrandchildren>
void BasicAdaptiveModel<WithGrandchildren>::Rebuild() {
  // Gather the leaves at 0..313 in their order, halving their frequencies (rounding up).
  unsigned j = 0;
  for (unsigned n = 0; n < NodeCount; ++n) {
    if (child_[n] >= LeafBase) {
      frequency_[j] = static_cast<std::uint16_t>((frequency_[n] + 1) / 2);
      child_[j] = child_[n];
      ++j;
    }
  }
  // Join the pairs (0, 1), (2, 3), ... and insert each new node behind every node whose
  // frequency is equal or lower; the pair being joined sits below the insertion place.
  for (unsigned n = SymbolCount; n < NodeCount; ++n) {
    j = 2 * (n - SymbolCount);
    const unsigned f = frequency_[j] + frequency_[j + 1];
    unsigned k = n - 1;
    while (f < frequency_[k]) --k;
    ++k;
    const std::size_t moved = n - k;
    std::memmove(&frequency_[k + 1], &frequency_[k], moved * sizeof frequency_[0]);
    std::memmove(&child_[k + 1], &child_[k], moved * sizeof child_[0]);
    frequency_[k] = static_cast<std::uint16_t>(f);
    child_[k] = static_cast<std::uint16_t>(j);
  }
  // Recompute the parents; Parent of the root and the frequency sentinel keep their values.
  for (unsigned n = 0; n < NodeCount; ++n) {
    const unsigned x = child_[n];
    parent_[x] = static_cast<std::uint16_t>(n);
    if (x < LeafBase) parent_[x + 1] = static_cast<std::uint16_t>(n);
  }
  RefreshAllGrandchildren();
}

template <bool WithGrandchildren>
void BasicAdaptiveModel<WithGrandchildren>::CodeLengths(std::array<std::uint8_t, SymbolCount>& lengths) const {
  // A parent's frequency exceeds its children's, so it sits at a higher node number:
  // one downward pass over the node numbers sees every parent before its children.
  std::uint8_t depth[NodeCount];
  depth[RootNode] = 0;
  for (unsigned n = RootNode; n-- > 0;) depth[n] = static_cast<std::uint8_t>(depth[parent_[n]] + 1);
  for (unsigned s = 0; s < SymbolCount; ++s) lengths[s] = depth[LeafNode(s)];
}

template class BasicAdaptiveModel<false>;
template class BasicAdaptiveModel<true>;

}  // namespace lzsfx::lzhuf
