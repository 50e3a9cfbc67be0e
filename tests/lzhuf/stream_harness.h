// Runs a decoder over bytes in memory with scripted hooks and records every hook call, so
// that tests can compare what was asked for and when, not only the bytes that came out.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lzsfx::testing {

struct HookCall {
  char hook;               // 'I' input, 'O' output, 'X' a failure that reached the caller
  std::uint16_t count;     // what the decoder asked for / passed on
  std::uint16_t reported;  // what the input hook reported (0 for output calls)
  bool operator==(const HookCall&) const = default;
};

struct HookScript {
  std::size_t bytes_per_input_call = SIZE_MAX;  // at most this many bytes per input call
  int input_call_that_raises = -1;   // 0-based number of the input call that raises
  int output_call_that_raises = -1;  // 0-based number of the output call that raises
  bool deliver_again_after_dry = false;  // misbehaving source: after reporting 0 once, goes on
  std::size_t dry_after = SIZE_MAX;      // with the above: report 0 once after this many bytes
};

struct DecodeTrace {
  std::vector<std::uint8_t> output;
  std::vector<HookCall> calls;
  std::vector<std::uint16_t> OutputCounts() const;
  std::size_t InputCalls() const;
};

enum class Decoder { Real, Plain };

// Decodes stream with the given buffer sizes (set with the real setters, restored after).
DecodeTrace Decode(Decoder decoder, std::span<const std::uint8_t> stream, const HookScript& script = {},
                   std::uint16_t input_buffer_size = 1024, std::uint16_t output_buffer_size = 1024);

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values);
std::vector<std::uint8_t> Text(const std::string& text);

}  // namespace lzsfx::testing
