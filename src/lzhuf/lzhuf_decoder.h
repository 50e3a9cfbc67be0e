// The LZHUF stream decoder: LZSS over a 4096-byte window, with literal bytes and match
// lengths coded by an adaptive Huffman model and match positions by a fixed prefix code.
//
// The decoder never touches a file. DecodeStream pulls compressed bytes through the input
// hook and pushes decompressed bytes through the output hook, both installed beforehand.
// A stream carries no length: it ends when the input hook reports 0 and the bits left show
// the stream's end (a single 1 bit after the last code, then 0 bits to the byte boundary).
//
// Contract of the hooks (the decoder calls them synchronously, on the caller's thread):
// - The input hook is always called as (input buffer, InputBufferSize(), reported). It
//   stores up to Count bytes and reports how many; 0 means the input has run dry. After
//   reporting 0 it is called again once per 8 bits the decoder still consumes (a few times
//   at most) and should keep reporting 0. A caller that wants to stop early reports 0.
// - The output hook is called with exactly OutputBufferSize() bytes whenever the output
//   buffer is full and a further byte arrives, and once at the end with the bytes still
//   pending (0 bytes if the stream produced none). Its reported count is ignored.
//
// Damaged, truncated or hostile input is never reported: the output is whatever the bits
// decode to, at most a few symbols past the real end of the input, and the decoder never
// reads or writes outside its buffers and window. A failure (lzsfx::Exception) raised by
// either hook inside the decode loop ends the stream quietly; the bytes pending in the
// output buffer still go out through the final output hook call. Only a failure to obtain
// memory (EOutOfMemory) or a failure raised by that final call reaches the caller.
//
// Memory per stream, allocated when DecodeStream starts and released when it returns:
// the 4096-byte window, the model tables (4392 bytes), the grandchild table that lets the
// tree walk take two bits per step (2508 bytes) and the two buffers of the sizes in force:
// 13044 bytes with the default 1024-byte buffers, 19188 with the 4096-byte buffers of
// extraction, plus about 700 bytes of stack.
//
// All decoder state is process-wide; DecodeStream is not re-entrant and must not be
// started from inside a hook.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace lzsfx {

// Buffer, Count, Reported (out): the decoder's two procedure hooks.
using StreamHook = void (*)(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported);

void SetInputHook(StreamHook hook);
void SetOutputHook(StreamHook hook);

// Buffer sizes in bytes, clamped to 16..32768; 1024 at start. Each stream is decoded with
// the sizes in force when it starts.
void SetInputBufferSize(std::uint16_t size);
void SetOutputBufferSize(std::uint16_t size);
std::uint16_t InputBufferSize();
std::uint16_t OutputBufferSize();

// Decodes one stream from the input hook to the output hook.
void DecodeStream();

// Decodes a stream held in memory: runs DecodeStream with hooks over memory and larger
// buffers, then restores the hooks and buffer sizes that were in force.
std::vector<std::uint8_t> DecodeBuffer(std::span<const std::uint8_t> stream);

}  // namespace lzsfx
