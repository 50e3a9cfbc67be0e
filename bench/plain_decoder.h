// A second LZHUF decoder, written straight from the format's rules: a 16-bit bit buffer
// filled one byte at a time, one function per operation, its own copy of the model, no
// tricks. It is the yardstick for the real decoder's speed, and the reference that the
// tests and the fuzz target hold the real decoder's output and hook calls against; it is
// deliberately independent of src/lzhuf so that it can catch the model going wrong there.
#pragma once

#include <cstdint>

#include "lzhuf/lzhuf_decoder.h"

namespace lzsfx::plain {

// Decodes one stream with the given hooks and buffer sizes (already clamped). The last 60
// bytes of the initial window are zero bytes; tests pass another value to show that a
// stream does not depend on them.
void DecodeStream(StreamHook input_hook, StreamHook output_hook, std::uint16_t input_buffer_size,
                  std::uint16_t output_buffer_size, std::uint8_t window_tail_byte = 0);

}  // namespace lzsfx::plain
