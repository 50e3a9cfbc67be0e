#include "greedy_encoder.h"

#include <algorithm>

#include "lzhuf/lzhuf_model.h"

namespace lzsfx::greedy {
namespace {

using namespace lzhuf;

class BitSink {
 public:
  explicit BitSink(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  void Put(std::uint64_t bits, unsigned count) {
    for (unsigned i = count; i-- > 0;) {
      current_ = static_cast<std::uint8_t>((current_ << 1) | ((bits >> i) & 1));
      if (++used_ == 8) {
        bytes_.push_back(current_);
        used_ = 0;
      }
    }
  }
  void End() {
    Put(1, 1);
    if (used_ != 0) Put(0, 8 - used_);
  }

 private:
  std::vector<std::uint8_t>& bytes_;
  std::uint8_t current_ = 0;
  unsigned used_ = 0;
};

}  // namespace

std::vector<std::uint8_t> Encode(std::span<const std::uint8_t> data) {
  constexpr unsigned hash_size = 1u << 16;
  std::vector<std::int64_t> head(hash_size, -1);
  std::vector<std::int64_t> previous(data.size(), -1);
  const auto hash = [&](std::size_t i) { return (data[i] << 8 ^ data[i + 1] << 4 ^ data[i + 2]) & (hash_size - 1); };
  const auto insert = [&](std::size_t i) {
    if (i + 3 > data.size()) return;
    previous[i] = head[hash(i)];
    head[hash(i)] = static_cast<std::int64_t>(i);
  };

  std::vector<std::uint8_t> stream;
  BitSink bits(stream);
  AdaptiveModel model;
  model.Init();
  const auto put_symbol = [&](unsigned symbol) {
    const AdaptiveModel::Code code = model.CodeOf(symbol);
    bits.Put(code.bits, code.length);
    model.Update(symbol);
  };

  std::size_t i = 0;
  while (i < data.size()) {
    const std::size_t limit = std::min<std::size_t>(MaxMatch, data.size() - i);
    std::size_t best_length = 0;
    std::size_t best_distance = 0;
    if (limit >= MinMatch) {
      for (std::int64_t c = head[hash(i)]; c >= 0 && i - c <= RingSize; c = previous[c]) {
        std::size_t length = 0;
        while (length < limit && data[c + length] == data[i + length]) ++length;
        if (length > best_length) {
          best_length = length;
          best_distance = i - c;
          if (length == limit) break;
        }
      }
    }
    if (best_length >= MinMatch) {
      put_symbol(MatchSymbol(static_cast<unsigned>(best_length)));
      const unsigned position = static_cast<unsigned>(best_distance - 1);
      const unsigned high = position >> PositionLowBits;
      bits.Put(PositionEncode.code[high], PositionEncode.code_length[high]);
      bits.Put(position & 63, PositionLowBits);
    } else {
      best_length = 1;
      put_symbol(data[i]);
    }
    for (std::size_t k = 0; k < best_length; ++k) insert(i + k);
    i += best_length;
  }
  bits.End();
  return stream;
}

}  // namespace lzsfx::greedy
