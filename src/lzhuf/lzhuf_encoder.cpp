#include "lzhuf/lzhuf_encoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "lzhuf/lzhuf_model.h"

namespace lzsfx {
namespace {

using namespace lzhuf;

constexpr std::size_t BlockSize = 4096;              // bytes parsed per shortest-path search
constexpr std::size_t PendingLimit = 2 * BlockSize;  // bytes held back before a block is parsed,
                                                     // so the last block (4097..8192 bytes) can be
                                                     // re-parsed when the ending needs it
constexpr std::size_t HistorySize = RingSize;        // bytes kept before the parse position
constexpr std::size_t BufferSize = HistorySize + PendingLimit;
constexpr unsigned HashBits = 13;                    // 8192 hash chains of 3-byte prefixes
constexpr unsigned MaxChainSteps = 512;              // candidates tried per position
constexpr unsigned MaxMatchesPerByte = 16;           // longest matches kept per position

// One parse step: a literal (length 1) or a match of length bytes, distance bytes back
// (the stream's position is distance - 1).
struct Step {
  std::uint16_t length;
  std::uint16_t distance;
};
constexpr Step Literal{1, 0};

// Collects bits most significant first; whole bytes stay here until taken, so the encoder
// can rewind to a mark while it tries out endings.
class BitWriter {
 public:
  struct Mark {
    std::size_t bytes;
    std::uint64_t accumulator;
    unsigned used;
  };

  void Put(std::uint64_t bits, unsigned count) {
    if (count > 32) {  // adaptive codes are short in practice; long ones go in two parts
      Put(bits >> 32, count - 32);
      bits &= 0xFFFFFFFFu;
      count = 32;
    }
    accumulator_ = (accumulator_ << count) | bits;
    used_ += count;
    while (used_ >= 8) {
      used_ -= 8;
      bytes_.push_back(static_cast<std::uint8_t>(accumulator_ >> used_));
    }
  }

  // Bits written after the last whole byte (0..7).
  unsigned PartialBits() const { return used_; }

  Mark Save() const { return {bytes_.size(), accumulator_, used_}; }
  void Rewind(const Mark& mark) {
    bytes_.resize(mark.bytes);
    accumulator_ = mark.accumulator;
    used_ = mark.used;
  }

  // Hands the whole bytes to sink and forgets them; returns how many there were.
  std::size_t Drain(const LzhufEncoder::Sink& sink) {
    const std::size_t size = bytes_.size();
    if (size > 0) sink(bytes_.data(), size);
    bytes_.clear();
    return size;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t accumulator_ = 0;  // the low used_ bits are not yet in bytes_
  unsigned used_ = 0;
};

}  // namespace

class LzhufEncoder::Impl {
 public:
  explicit Impl(Sink sink);
  void Write(const std::uint8_t* data, std::size_t size);
  void Finish();

  std::uint64_t input_bytes = 0;
  std::uint64_t output_bytes = 0;

 private:
  // Match finder: hash chains over the buffer, positions kept as 32-bit stream positions.
  // Every candidate is checked byte by byte, so a stale chain entry costs time, never
  // correctness. Fills matches with the shortest distance for each longer length found.
  unsigned FindMatches(std::size_t index, std::size_t limit, std::array<Step, MaxMatch>& matches);
  void InsertUpTo(std::size_t index);
  std::uint32_t Hash(std::size_t index) const;

  void ParseBlock(std::size_t count);  // fills steps_ for the count bytes at cursor_
  void FindBlockMatches(std::size_t count);
  // The cheapest parse of the block in bits, with each symbol priced at its current code length.
  void ShortestPath(std::size_t count, const std::array<std::uint8_t, SymbolCount>& code_lengths);
  void EmitStep(const Step& step, std::size_t index);
  void EmitSteps(std::size_t first, std::size_t last);
  void EmitBlock(std::size_t count);
  void EndUnambiguously();
  bool TryEndings(std::size_t first);
  bool EndingIsSafe() const { return writer_.PartialBits() != 0 || !model_.EndBitCompletesCode(); }
  void Slide();

  Sink sink_;
  std::vector<std::uint8_t> buffer_;  // history, then the bytes not yet parsed
  std::uint64_t base_ = 0;            // stream position of buffer_[0], counting the initial blanks
  std::size_t cursor_;                // next byte to parse
  std::size_t end_;                   // end of the bytes received
  std::size_t inserted_ = 0;          // next position to enter into the hash chains
  std::vector<std::uint32_t> head_;
  std::vector<std::uint32_t> previous_;  // by position modulo the window

  std::vector<std::uint32_t> price_;   // bits to reach each byte of the block
  std::vector<Step> arrival_;          // the step that reaches it that cheaply
  std::vector<Step> block_matches_;    // the matches found at each byte of the block, by length
  std::vector<std::uint32_t> match_begin_;  // where each byte's matches begin in block_matches_
  std::vector<Step> steps_;            // the parse of the block
  std::vector<std::size_t> step_index_;  // buffer index at which each step starts

  AdaptiveModel model_;
  BitWriter writer_;
  bool finished_ = false;
};

LzhufEncoder::Impl::Impl(Sink sink)
    : sink_(std::move(sink)),
      buffer_(BufferSize),
      cursor_(InitialRingPos),
      end_(InitialRingPos),
      head_(std::size_t{1} << HashBits, 0),
      previous_(RingSize, 0),
      price_(BufferSize + 1),
      arrival_(BufferSize + 1),
      match_begin_(BufferSize + 1) {
  // The decoder's window starts with blanks before its write position; matches may use
  // them. The zero bytes behind the write position are never referenced.
  std::memset(buffer_.data(), InitialRingByte, InitialRingPos);
  model_.Init();
}

std::uint32_t LzhufEncoder::Impl::Hash(std::size_t index) const {
  const std::uint32_t bytes = buffer_[index] | (buffer_[index + 1] << 8) | (buffer_[index + 2] << 16);
  return (bytes * 2654435761u) >> (32 - HashBits);
}

void LzhufEncoder::Impl::InsertUpTo(std::size_t index) {
  for (; inserted_ < index && inserted_ + 3 <= end_; ++inserted_) {
    const std::uint32_t position = static_cast<std::uint32_t>(base_ + inserted_);
    std::uint32_t& head = head_[Hash(inserted_)];
    previous_[position & RingMask] = head;
    head = position;
  }
}

unsigned LzhufEncoder::Impl::FindMatches(std::size_t index, std::size_t limit,
                                         std::array<Step, MaxMatch>& matches) {
  InsertUpTo(index + 1);
  if (limit < MinMatch || inserted_ <= index) return 0;
  const std::uint8_t* const current = buffer_.data() + index;
  const std::uint32_t position = static_cast<std::uint32_t>(base_ + index);
  std::uint32_t candidate = previous_[position & RingMask];
  std::uint32_t last_distance = 0;
  std::size_t best = MinMatch - 1;
  unsigned found = 0;
  for (unsigned steps = 0; steps < MaxChainSteps; ++steps) {
    const std::uint32_t distance = position - candidate;
    // Within the window, not before the start of the buffer (which holds the initial
    // blanks), and strictly further back than the last candidate, so stale entries end.
    if (distance <= last_distance || distance > RingSize || distance > index) break;
    last_distance = distance;
    const std::uint8_t* const earlier = current - distance;
    if (earlier[best] == current[best]) {
      std::size_t length = 0;
      while (length < limit && earlier[length] == current[length]) ++length;
      if (length > best) {
        best = length;
        matches[found++] = {static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(distance)};
        if (length == limit) break;
      }
    }
    candidate = previous_[candidate & RingMask];
  }
  return found;
}

void LzhufEncoder::Impl::FindBlockMatches(std::size_t count) {
  std::array<Step, MaxMatch> matches;
  match_begin_.resize(count + 1);
  block_matches_.clear();
  for (std::size_t i = 0; i < count; ++i) {
    match_begin_[i] = static_cast<std::uint32_t>(block_matches_.size());
    const unsigned found = FindMatches(cursor_ + i, std::min<std::size_t>(MaxMatch, count - i), matches);
    const unsigned kept = std::min(found, MaxMatchesPerByte);
    block_matches_.insert(block_matches_.end(), matches.begin() + (found - kept), matches.begin() + found);
  }
  match_begin_[count] = static_cast<std::uint32_t>(block_matches_.size());
}

void LzhufEncoder::Impl::ShortestPath(std::size_t count, const std::array<std::uint8_t, SymbolCount>& code_lengths) {
  constexpr std::uint32_t unreached = std::numeric_limits<std::uint32_t>::max();
  std::fill(price_.begin(), price_.begin() + count + 1, unreached);
  price_[0] = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t here = price_[i];
    const std::uint32_t literal = here + code_lengths[buffer_[cursor_ + i]];
    if (literal < price_[i + 1]) {
      price_[i + 1] = literal;
      arrival_[i + 1] = Literal;
    }
    // Each length is priced with the shortest distance that reaches it.
    unsigned length = MinMatch;
    for (std::uint32_t m = match_begin_[i]; m < match_begin_[i + 1]; ++m) {
      const Step match = block_matches_[m];
      const std::uint32_t with_position = here + PositionBits(match.distance - 1u);
      for (; length <= match.length; ++length) {
        const std::uint32_t price = with_position + code_lengths[MatchSymbol(length)];
        if (price < price_[i + length]) {
          price_[i + length] = price;
          arrival_[i + length] = {static_cast<std::uint16_t>(length), match.distance};
        }
      }
    }
  }
  steps_.clear();
  for (std::size_t i = count; i > 0; i -= arrival_[i].length) steps_.push_back(arrival_[i]);
  std::reverse(steps_.begin(), steps_.end());
  step_index_.resize(steps_.size());
  std::size_t index = cursor_;
  for (std::size_t k = 0; k < steps_.size(); ++k) {
    step_index_[k] = index;
    index += steps_[k].length;
  }
}

void LzhufEncoder::Impl::ParseBlock(std::size_t count) {
  FindBlockMatches(count);
  std::array<std::uint8_t, SymbolCount> code_lengths;
  model_.CodeLengths(code_lengths);
  ShortestPath(count, code_lengths);
}

void LzhufEncoder::Impl::EmitStep(const Step& step, std::size_t index) {
  const unsigned symbol = step.length == 1 ? buffer_[index] : MatchSymbol(step.length);
  const AdaptiveModel::Code code = model_.CodeOf(symbol);
  writer_.Put(code.bits, code.length);
  model_.Update(symbol);
  if (step.length > 1) {
    const unsigned position = step.distance - 1u;
    const unsigned high = position >> PositionLowBits;
    writer_.Put(PositionEncode.code[high], PositionEncode.code_length[high]);
    writer_.Put(position & ((1u << PositionLowBits) - 1), PositionLowBits);
  }
}

void LzhufEncoder::Impl::EmitSteps(std::size_t first, std::size_t last) {
  for (std::size_t k = first; k < last; ++k) EmitStep(steps_[k], step_index_[k]);
}

void LzhufEncoder::Impl::EmitBlock(std::size_t count) {
  ParseBlock(count);
  EmitSteps(0, steps_.size());
  cursor_ += count;
  output_bytes += writer_.Drain(sink_);
}

void LzhufEncoder::Impl::Slide() {
  const std::size_t shift = cursor_ - HistorySize;
  std::memmove(buffer_.data(), buffer_.data() + shift, end_ - shift);
  base_ += shift;
  cursor_ -= shift;
  end_ -= shift;
  inserted_ -= shift;
}

void LzhufEncoder::Impl::Write(const std::uint8_t* data, std::size_t size) {
  if (finished_) throw std::logic_error("LzhufEncoder::Write after Finish");
  input_bytes += size;
  while (size > 0) {
    if (end_ == buffer_.size()) {
      EmitBlock(BlockSize);
      Slide();
    }
    const std::size_t taken = std::min(size, buffer_.size() - end_);
    std::memcpy(buffer_.data() + end_, data, taken);
    end_ += taken;
    data += taken;
    size -= taken;
  }
}

void LzhufEncoder::Impl::Finish() {
  if (finished_) throw std::logic_error("LzhufEncoder::Finish called twice");
  finished_ = true;
  ParseBlock(end_ - cursor_);
  EndUnambiguously();
  cursor_ = end_;
  writer_.Put(1, 1);  // the end bit, then 0 bits to the byte boundary
  if (writer_.PartialBits() != 0) writer_.Put(0, 8 - writer_.PartialBits());
  output_bytes += writer_.Drain(sink_);
}

// Emits the last block so that its end bit cannot complete a code. The parse is kept when
// it ends safely (nearly always); otherwise one step near the end is re-parsed, trying the
// last steps first, then further back.
void LzhufEncoder::Impl::EndUnambiguously() {
  const AdaptiveModel block_model = model_;
  const BitWriter::Mark block_mark = writer_.Save();
  for (const std::size_t window : {std::size_t{64}, std::size_t{1024}, steps_.size()}) {
    const std::size_t first = steps_.size() > window ? steps_.size() - window : 0;
    model_ = block_model;
    writer_.Rewind(block_mark);
    EmitSteps(0, first);
    if (TryEndings(first)) return;
    if (first == 0) break;
  }
  throw std::logic_error("LzhufEncoder: no unambiguous ending for the stream");
}

// Tries the parse of steps_[first..] as it is, then with one step replaced: a match split
// in two, cut by a literal at either end, or spelt out; a run of literals joined into a
// match. Leaves the first safe ending emitted and returns true.
bool LzhufEncoder::Impl::TryEndings(std::size_t first) {
  const AdaptiveModel start_model = model_;
  const BitWriter::Mark start_mark = writer_.Save();
  const std::size_t last = steps_.size();
  EmitSteps(first, last);
  if (EndingIsSafe()) return true;

  std::vector<Step> variant;
  const auto try_variant = [&](std::size_t k, std::size_t replaced) {
    model_ = start_model;
    writer_.Rewind(start_mark);
    EmitSteps(first, k);
    std::size_t index = step_index_[k];
    for (const Step& step : variant) {
      EmitStep(step, index);
      index += step.length;
    }
    EmitSteps(k + replaced, last);
    return EndingIsSafe();
  };
  const auto match = [](unsigned length, std::uint16_t distance) {
    return Step{static_cast<std::uint16_t>(length), distance};
  };

  for (std::size_t k = last; k-- > first;) {
    const Step step = steps_[k];
    if (step.length > 1) {
      const unsigned length = step.length;
      if (length - 1 >= MinMatch) {
        variant = {match(length - 1, step.distance), Literal};
        if (try_variant(k, 1)) return true;
        variant = {Literal, match(length - 1, step.distance)};
        if (try_variant(k, 1)) return true;
      }
      for (unsigned head = MinMatch; head + MinMatch <= length; ++head) {
        variant = {match(head, step.distance), match(length - head, step.distance)};
        if (try_variant(k, 1)) return true;
      }
      variant.assign(length, Literal);
      if (try_variant(k, 1)) return true;
    } else {
      std::size_t run = 0;
      while (k + run < last && steps_[k + run].length == 1) ++run;
      const std::size_t at = step_index_[k] - cursor_;
      const Step longest = match_begin_[at] < match_begin_[at + 1] ? block_matches_[match_begin_[at + 1] - 1] : Literal;
      for (unsigned length = MinMatch; length <= std::min<std::size_t>(longest.length, run); ++length) {
        variant = {match(length, longest.distance)};
        if (try_variant(k, length)) return true;
      }
    }
  }
  return false;
}

LzhufEncoder::LzhufEncoder(Sink sink) : impl_(std::make_unique<Impl>(std::move(sink))) {}
LzhufEncoder::~LzhufEncoder() = default;
void LzhufEncoder::Write(const std::uint8_t* data, std::size_t size) { impl_->Write(data, size); }
void LzhufEncoder::Finish() { impl_->Finish(); }
std::uint64_t LzhufEncoder::InputBytes() const { return impl_->input_bytes; }
std::uint64_t LzhufEncoder::OutputBytes() const { return impl_->output_bytes; }

std::vector<std::uint8_t> EncodeBuffer(std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> stream;
  LzhufEncoder encoder([&stream](const std::uint8_t* bytes, std::size_t size) {
    stream.insert(stream.end(), bytes, bytes + size);
  });
  encoder.Write(data.data(), data.size());
  encoder.Finish();
  return stream;
}

}  // namespace lzsfx
