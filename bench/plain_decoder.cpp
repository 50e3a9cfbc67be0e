#include "plain_decoder.h"

#include <cstring>
#include <vector>

#include "common/failure.h"

namespace lzsfx::plain {
namespace {

constexpr int SymbolCount = 314;
constexpr int NodeCount = 627;
constexpr int RootNode = 626;
constexpr int FrequencyLimit = 0x8000;
constexpr int RingSize = 4096;

struct State {
  StreamHook input_hook;
  StreamHook output_hook;
  std::vector<std::uint8_t> input_buffer;
  std::vector<std::uint8_t> output_buffer;
  std::uint16_t input_pos = 1;
  std::uint16_t input_fill = 0;
  std::uint16_t output_pos = 1;
  std::uint16_t bit_buffer = 0;
  std::uint8_t bit_count = 0;
  bool input_exhausted = false;
  std::uint16_t frequency[NodeCount + 1];
  std::uint16_t child[NodeCount];
  std::uint16_t parent[NodeCount + SymbolCount];
  std::uint8_t ring[RingSize];
};
State* state;

std::uint8_t ReadInputByte(std::uint16_t& reported) {
  if (state->input_pos > state->input_fill) {
    state->input_hook(state->input_buffer.data(), static_cast<std::uint16_t>(state->input_buffer.size()),
                      state->input_fill);
    if (state->input_fill > state->input_buffer.size()) {
      state->input_fill = static_cast<std::uint16_t>(state->input_buffer.size());
    }
    if (state->input_fill == 0) {
      reported = 0;
      return 0;
    }
    state->input_pos = 1;
  }
  reported = 1;
  return state->input_buffer[state->input_pos++ - 1];
}

void WriteOutputByte(std::uint8_t byte) {
  if (state->output_pos > state->output_buffer.size()) {
    std::uint16_t ignored = 0;
    state->output_hook(state->output_buffer.data(), static_cast<std::uint16_t>(state->output_pos - 1), ignored);
    state->output_pos = 1;
  }
  state->output_buffer[state->output_pos++ - 1] = byte;
}

void RefillBits() {
  if (state->bit_count < 8) {
    std::uint16_t reported = 0;
    std::uint8_t byte = ReadInputByte(reported);
    if (reported == 0) {
      state->input_exhausted = true;
      byte = 0;
    }
    state->bit_buffer = static_cast<std::uint16_t>(state->bit_buffer | (byte << (8 - state->bit_count)));
    state->bit_count = static_cast<std::uint8_t>(state->bit_count + 8);
  }
}

unsigned ReadBit() {
  RefillBits();
  const unsigned bit = state->bit_buffer >> 15;
  state->bit_buffer = static_cast<std::uint16_t>(state->bit_buffer << 1);
  --state->bit_count;
  return bit;
}

unsigned ReadEightBits() {
  RefillBits();
  const unsigned bits = state->bit_buffer >> 8;
  state->bit_buffer = static_cast<std::uint16_t>(state->bit_buffer << 8);
  state->bit_count = static_cast<std::uint8_t>(state->bit_count - 8);
  return bits;
}

void InitModel() {
  for (int s = 0; s < SymbolCount; ++s) {
    state->frequency[s] = 1;
    state->child[s] = static_cast<std::uint16_t>(NodeCount + s);
    state->parent[NodeCount + s] = static_cast<std::uint16_t>(s);
  }
  for (int n = SymbolCount; n < NodeCount; ++n) {
    const int j = 2 * (n - SymbolCount);
    state->frequency[n] = static_cast<std::uint16_t>(state->frequency[j] + state->frequency[j + 1]);
    state->child[n] = static_cast<std::uint16_t>(j);
    state->parent[j] = state->parent[j + 1] = static_cast<std::uint16_t>(n);
  }
  state->frequency[NodeCount] = 0xFFFF;
  state->parent[RootNode] = 0;
}

void RebuildModel() {
  int j = 0;
  for (int n = 0; n < NodeCount; ++n) {
    if (state->child[n] >= NodeCount) {
      state->frequency[j] = static_cast<std::uint16_t>((state->frequency[n] + 1) / 2);
      state->child[j] = state->child[n];
      ++j;
    }
  }
  for (int n = SymbolCount; n < NodeCount; ++n) {
    j = 2 * (n - SymbolCount);
    const unsigned f = state->frequency[j] + state->frequency[j + 1];
    int k = n - 1;
    while (f < state->frequency[k]) --k;
    ++k;
    for (int m = n; m > k; --m) {
      state->frequency[m] = state->frequency[m - 1];
      state->child[m] = state->child[m - 1];
    }
    state->frequency[k] = static_cast<std::uint16_t>(f);
    state->child[k] = static_cast<std::uint16_t>(j);
  }
  for (int n = 0; n < NodeCount; ++n) {
    const int x = state->child[n];
    state->parent[x] = static_cast<std::uint16_t>(n);
    if (x < NodeCount) state->parent[x + 1] = static_cast<std::uint16_t>(n);
  }
}

void UpdateModel(int symbol) {
  if (state->frequency[RootNode] == FrequencyLimit) RebuildModel();
  int x = state->parent[NodeCount + symbol];
  do {
    const unsigned k = ++state->frequency[x];
    if (state->frequency[x + 1] < k) {
      int l = x + 1;
      while (state->frequency[l] < k) ++l;
      --l;
      state->frequency[x] = state->frequency[l];
      state->frequency[l] = static_cast<std::uint16_t>(k);
      const int i = state->child[x];
      const int j = state->child[l];
      state->child[l] = static_cast<std::uint16_t>(i);
      state->parent[i] = static_cast<std::uint16_t>(l);
      if (i < NodeCount) state->parent[i + 1] = static_cast<std::uint16_t>(l);
      state->child[x] = static_cast<std::uint16_t>(j);
      state->parent[j] = static_cast<std::uint16_t>(x);
      if (j < NodeCount) state->parent[j + 1] = static_cast<std::uint16_t>(x);
      x = l;
    }
    x = state->parent[x];
  } while (x != 0);
}

int DecodeSymbol() {
  int x = state->child[RootNode];
  while (x < NodeCount) {
    x = state->child[x + ReadBit()];
    if (state->input_exhausted && state->bit_buffer == 0) Raise<ECompress>("");
  }
  const int symbol = x - NodeCount;
  UpdateModel(symbol);
  return symbol;
}

// The two position code tables, indexed by the first 8 bits of a position code, built
// once from their rows: (code length, number of upper-bits values with that length).
struct PositionTables {
  std::uint8_t high_bits[256];
  std::uint8_t code_length[256];
  PositionTables() {
    const unsigned rows[][2] = {{3, 1}, {4, 3}, {5, 8}, {6, 12}, {7, 24}, {8, 16}};
    unsigned index = 0;
    unsigned value = 0;
    for (const auto& row : rows) {
      for (unsigned v = 0; v < row[1]; ++v, ++value) {
        for (unsigned e = 0; e < (1u << (8 - row[0])); ++e, ++index) {
          high_bits[index] = static_cast<std::uint8_t>(value);
          code_length[index] = static_cast<std::uint8_t>(row[0]);
        }
      }
    }
  }
};
const PositionTables position_tables;

unsigned DecodeMatchPosition() {
  unsigned i = ReadEightBits();
  const unsigned high = position_tables.high_bits[i];
  const unsigned n = position_tables.code_length[i] - 2u;
  for (unsigned m = 0; m < n; ++m) i = 2 * i + ReadBit();
  return high * 64 + (i % 64);
}

}  // namespace

void DecodeStream(StreamHook input_hook, StreamHook output_hook, std::uint16_t input_buffer_size,
                  std::uint16_t output_buffer_size, std::uint8_t window_tail_byte) {
  State stream{};
  stream.input_hook = input_hook;
  stream.output_hook = output_hook;
  stream.input_buffer.resize(input_buffer_size);
  stream.output_buffer.resize(output_buffer_size);
  state = &stream;
  InitModel();
  std::memset(stream.ring, 0x20, RingSize - 60);
  std::memset(stream.ring + RingSize - 60, window_tail_byte, 60);
  unsigned ring_pos = RingSize - 60;
  try {
    for (;;) {
      const int symbol = DecodeSymbol();
      if (symbol < 256) {
        WriteOutputByte(static_cast<std::uint8_t>(symbol));
        stream.ring[ring_pos] = static_cast<std::uint8_t>(symbol);
        ring_pos = (ring_pos + 1) % RingSize;
      } else {
        const unsigned position = DecodeMatchPosition();
        const unsigned start = (ring_pos - position - 1) % RingSize;
        const int length = symbol - 253;
        for (int k = 0; k < length; ++k) {
          const std::uint8_t byte = stream.ring[(start + k) % RingSize];
          WriteOutputByte(byte);
          stream.ring[ring_pos] = byte;
          ring_pos = (ring_pos + 1) % RingSize;
        }
      }
      if (stream.input_exhausted && stream.bit_buffer == 0x8000) break;
    }
  } catch (const Exception&) {
  }
  std::uint16_t ignored = 0;
  output_hook(stream.output_buffer.data(), static_cast<std::uint16_t>(stream.output_pos - 1), ignored);
  state = nullptr;
}

}  // namespace lzsfx::plain
