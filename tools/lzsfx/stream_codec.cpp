#include "stream_codec.h"

#include <exception>
#include <vector>

#include "lzhuf/lzhuf_decoder.h"
#include "lzhuf/lzhuf_encoder.h"

namespace lzsfx::tool {
namespace {

constexpr std::uint16_t DecodeBufferSize = 32768;  // bytes per hook call (the decoder's largest)
constexpr std::size_t EncodeChunk = 1 << 16;       // bytes read per encoder call

// The decoder's hooks are plain functions; this is what they work on during one call.
struct HookContext {
  const ByteReader* reader = nullptr;
  const ByteSink* sink = nullptr;
  std::uint64_t decoded = 0;
  std::exception_ptr failure;  // the first exception of reader or sink
};

HookContext Context;

void ReadHook(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
  reported = 0;
  if (Context.failure) return;
  try {
    reported = static_cast<std::uint16_t>((*Context.reader)(std::span(buffer, count)));
  } catch (...) {
    // The decoder would swallow it; it is kept and thrown again once the decoder is done.
    Context.failure = std::current_exception();
  }
}

void WriteHook(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
  reported = count;
  if (Context.failure || count == 0) return;
  Context.decoded += count;
  try {
    (*Context.sink)(std::span<const std::uint8_t>(buffer, count));
  } catch (...) {
    Context.failure = std::current_exception();
  }
}

// Installs the tool's hooks and buffer sizes for one call and restores the buffer sizes.
// (Nothing else in the tool decodes, so the hooks need no restoring.)
class InstalledHooks {
 public:
  InstalledHooks() : inputSize_(InputBufferSize()), outputSize_(OutputBufferSize()) {
    SetInputHook(ReadHook);
    SetOutputHook(WriteHook);
    SetInputBufferSize(DecodeBufferSize);
    SetOutputBufferSize(DecodeBufferSize);
  }
  ~InstalledHooks() {
    SetInputBufferSize(inputSize_);
    SetOutputBufferSize(outputSize_);
    Context = HookContext{};
  }
  InstalledHooks(const InstalledHooks&) = delete;
  InstalledHooks& operator=(const InstalledHooks&) = delete;

 private:
  std::uint16_t inputSize_, outputSize_;
};

}  // namespace

std::uint64_t DecodeStreamWith(const ByteReader& reader, const ByteSink& sink) {
  InstalledHooks hooks;
  Context = HookContext{&reader, &sink, 0, nullptr};
  DecodeStream();
  if (Context.failure) std::rethrow_exception(Context.failure);
  return Context.decoded;
}

std::uint64_t EncodeStreamWith(const ByteReader& reader, const ByteSink& sink) {
  LzhufEncoder encoder([&](const std::uint8_t* data, std::size_t size) { sink(std::span(data, size)); });
  std::vector<std::uint8_t> buffer(EncodeChunk);
  while (const std::size_t got = reader(buffer)) encoder.Write(buffer.data(), got);
  encoder.Finish();
  return encoder.OutputBytes();
}

}  // namespace lzsfx::tool
