// LZHUF streams between the tool's own readers and writers: the one place where the tool
// drives the encoder and the decoder. The decoder's process-wide hooks are the tool's while
// a call runs; one stream is decoded at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace lzsfx::tool {

// Fills the buffer with up to its size in bytes and gives how many; 0 when the input is done.
using ByteReader = std::function<std::size_t(std::span<std::uint8_t>)>;
// Takes the next piece of output.
using ByteSink = std::function<void(std::span<const std::uint8_t>)>;

// Decodes one stream; gives the number of bytes it decoded to, all of which went to sink.
// An exception thrown by reader or sink stops the decoding and is thrown again from here.
std::uint64_t DecodeStreamWith(const ByteReader& reader, const ByteSink& sink);

// Encodes everything reader gives as one stream; gives the number of compressed bytes,
// all of which went to sink. Exceptions of reader or sink pass out.
std::uint64_t EncodeStreamWith(const ByteReader& reader, const ByteSink& sink);

}  // namespace lzsfx::tool
