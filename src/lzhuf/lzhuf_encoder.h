// The LZHUF stream encoder: turns bytes into one stream that DecodeStream (and any decoder
// that follows the format) turns back into exactly those bytes.
//
// Streaming: Write may be called any number of times with any amounts, Finish once at the
// end; the compressed bytes go to the sink as they are ready (and all of them by the time
// Finish returns). Memory is bounded by the window and the parser, not by the input:
// about 300 KiB, at most 750 KiB (input buffer of 4096 history + 8192 pending bytes, hash
// chains of 8192 heads and 4096 links, per-byte parser arrays for 12289 bytes, up to 16
// matches per byte of a block, the model and one block's compressed bytes).
//
// Parsing: the input is parsed in blocks of 4096 bytes by a shortest-path search over all
// literal and match choices (up to 512 candidates per byte from the hash chains), priced
// with the adaptive code's lengths at the start of the block and the position code's. Matches are 3 to 60 bytes and reach up to 4096
// bytes back, into the initial window's blanks too but never into its 60 zero bytes.
//
// The end of a stream is one 1 bit after the last code, then 0 bits up to the byte
// boundary. When the last code ends on a byte boundary and the model's root has a leaf as
// its second child, that end bit would itself decode as one more symbol; the encoder then
// re-parses the last symbols (splits a match, or turns a literal run into a match) until
// the ending is unambiguous.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace lzsfx {

class LzhufEncoder {
 public:
  using Sink = std::function<void(const std::uint8_t* data, std::size_t size)>;

  explicit LzhufEncoder(Sink sink);
  ~LzhufEncoder();
  LzhufEncoder(const LzhufEncoder&) = delete;
  LzhufEncoder& operator=(const LzhufEncoder&) = delete;

  void Write(const std::uint8_t* data, std::size_t size);
  // Encodes what is left, writes the end bit and passes on the last bytes. Call once.
  void Finish();

  std::uint64_t InputBytes() const;
  std::uint64_t OutputBytes() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// Encodes data as one complete stream.
std::vector<std::uint8_t> EncodeBuffer(std::span<const std::uint8_t> data);

}  // namespace lzsfx
