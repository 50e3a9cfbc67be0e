#include "lzhuf/lzhuf_decoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "common/failure.h"
#include "lzhuf/lzhuf_model.h"

namespace lzsfx {
namespace {

using namespace lzhuf;

constexpr std::uint16_t MinBufferSize = 16;       // bytes
constexpr std::uint16_t MaxBufferSize = 32768;    // bytes
constexpr std::uint16_t DefaultBufferSize = 1024; // bytes

StreamHook input_hook = nullptr;
StreamHook output_hook = nullptr;
std::uint16_t input_buffer_size = DefaultBufferSize;
std::uint16_t output_buffer_size = DefaultBufferSize;

std::uint16_t ClampBufferSize(std::uint16_t size) {
  return std::clamp(size, MinBufferSize, MaxBufferSize);
}

// The window and the model, allocated together for each stream.
struct DecoderTables {
  DecodingModel model;
  std::uint8_t ring[RingSize];
};

template <class T>
std::unique_ptr<T> Obtain() {
  T* block = new (std::nothrow) T;
  if (block == nullptr) RaiseOutOfMemory();
  return std::unique_ptr<T>(block);
}

std::unique_ptr<std::uint8_t[]> ObtainBytes(std::size_t size) {
  std::uint8_t* block = new (std::nothrow) std::uint8_t[size];
  if (block == nullptr) RaiseOutOfMemory();
  return std::unique_ptr<std::uint8_t[]>(block);
}

// Unread input bits, left-aligned in 64 bits; everything below the top `count` bits is 0.
struct BitReservoir {
  std::uint64_t bits;
  unsigned count;
  bool input_exhausted;  // a refill found the input dry; stays set for the stream
};

// The stream format's bit reader holds at most 15 unread bits in a 16-bit word and loads
// one byte whenever fewer than 8 are left at the start of a read. The end of a stream is
// decided on that word, so its fill is reproduced here: after a single-bit read it is
// 8 + (unread mod 8) bits, or 7 when unread mod 8 is 7. The reservoir reads further ahead
// only from bytes already buffered, so its extra bits never change when the hook is called.
unsigned FormatUnreadBits(unsigned unread) {
  const unsigned partial = unread & 7;
  return partial == 7 ? 7 : 8 + partial;
}

// The format's 16-bit bit word equals 0: no unread 1 bit is left in it.
bool FormatBitsAreZero(const BitReservoir& reservoir) {
  return (reservoir.bits >> (64 - FormatUnreadBits(reservoir.count))) == 0;
}

// The format's 16-bit bit word equals 0x8000: only the stream's end bit is left in it.
bool FormatBitsAreEndBit(const BitReservoir& reservoir) {
  const unsigned unread = FormatUnreadBits(reservoir.count);
  return (reservoir.bits >> (64 - unread)) == (std::uint64_t{1} << (unread - 1));
}

// Copies a match of length bytes from source to both the window (to) and the output block
// (out), with the result of a byte-by-byte copy: each byte stored before the next is read.
// distance is how far source lies before to, or 0 when it lies after it (wrapping around
// the window). With a distance of at least the chunk size, a chunk reads only bytes that
// are final already, so the last chunk may overlap the one before it.
template <unsigned Chunk>
void CopyChunk(const std::uint8_t* source, std::uint8_t* to, std::uint8_t* out) {
  std::uint8_t chunk[Chunk];
  std::memcpy(chunk, source, Chunk);
  std::memcpy(to, chunk, Chunk);
  std::memcpy(out, chunk, Chunk);
}

void CopyMatch(const std::uint8_t* source, std::uint8_t* to, std::uint8_t* out, unsigned length, unsigned distance) {
  if (distance >= 8 && length >= 8) {
    for (unsigned k = 0; k + 8 < length; k += 8) CopyChunk<8>(source + k, to + k, out + k);
    CopyChunk<8>(source + length - 8, to + length - 8, out + length - 8);
  } else if (distance >= 4 && length >= 4 && length <= 8) {
    CopyChunk<4>(source, to, out);
    CopyChunk<4>(source + length - 4, to + length - 4, out + length - 4);
  } else {
    for (unsigned k = 0; k < length; ++k) out[k] = to[k] = source[k];
  }
}

// One stream being decoded. The decode loop keeps its hot state in locals; the hooks are
// called only from the two out-of-line functions below it.
class StreamDecoder {
 public:
  StreamDecoder(DecoderTables& tables, std::uint8_t* input, std::uint16_t input_size, std::uint8_t* output,
                std::uint16_t output_size)
      : tables_(tables), input_(input), input_size_(input_size), output_(output), output_size_(output_size) {}

  // Decodes until the stream ends; a failure raised inside the loop ends it quietly.
  void Run();

  // Passes on the bytes still pending, also when there are none.
  void FlushFinal() {
    std::uint16_t ignored = 0;
    output_hook(output_, static_cast<std::uint16_t>(output_pending_), ignored);
  }

 private:
  [[gnu::noinline]] BitReservoir Refill(BitReservoir reservoir);
  [[gnu::noinline]] void FlushFull() {
    std::uint16_t ignored = 0;
    output_hook(output_, output_size_, ignored);
  }

  DecoderTables& tables_;
  std::uint8_t* const input_;
  const std::uint16_t input_size_;
  std::uint16_t input_pos_ = 0;   // index of the next buffered input byte
  std::uint16_t input_fill_ = 0;  // valid bytes in input_: what the input hook reported last
  std::uint8_t* const output_;
  const std::uint16_t output_size_;
  std::size_t output_pending_ = 0;
};

// Called at the start of a read when fewer than 8 bits are unread. Takes the buffered
// bytes, or asks the input hook for a new block when none is left: at exactly the point at
// which a byte-at-a-time reader would ask. A dry input adds 8 zero bits and sets the flag.
BitReservoir StreamDecoder::Refill(BitReservoir reservoir) {
  if (input_pos_ >= input_fill_) {
    input_hook(input_, input_size_, input_fill_);
    // A hook that reports more than it was asked for must not make us read past the buffer.
    if (input_fill_ > input_size_) input_fill_ = input_size_;
    if (input_fill_ == 0) {
      reservoir.input_exhausted = true;
      reservoir.count += 8;
      return reservoir;
    }
    input_pos_ = 0;
  }
  if (input_fill_ - input_pos_ >= 7) {  // seven bytes at once: fewer than 8 bits are unread
    const std::uint8_t* const next = input_ + input_pos_;
    std::uint64_t word = 0;
    for (unsigned i = 0; i < 7; ++i) word |= std::uint64_t{next[i]} << (56 - 8 * i);
    reservoir.bits |= word >> reservoir.count;
    reservoir.count += 56;
    input_pos_ = static_cast<std::uint16_t>(input_pos_ + 7);
    return reservoir;
  }
  while (reservoir.count <= 56 && input_pos_ < input_fill_) {
    reservoir.bits |= std::uint64_t{input_[input_pos_++]} << (56 - reservoir.count);
    reservoir.count += 8;
  }
  return reservoir;
}

void StreamDecoder::Run() {
  DecodingModel& model = tables_.model;
  std::uint8_t* const ring = tables_.ring;
  unsigned ring_pos = InitialRingPos;
  std::uint8_t* const output = output_;
  const std::size_t output_size = output_size_;
  std::size_t pending = 0;
  BitReservoir in{0, 0, false};
  std::uint16_t path[SymbolCount];  // nodes a code passes; a tree of 314 leaves is at most 313 deep

  const auto read_bit = [&]() -> unsigned {
    if (in.count < 8) in = Refill(in);
    const unsigned bit = static_cast<unsigned>(in.bits >> 63);
    in.bits <<= 1;
    --in.count;
    return bit;
  };
  const auto put_byte = [&](std::uint8_t byte) {
    if (pending == output_size) {  // full: passed on only when a further byte arrives
      output_pending_ = pending;
      FlushFull();
      pending = 0;
    }
    output[pending++] = byte;
    ring[ring_pos] = byte;
    ring_pos = (ring_pos + 1) & RingMask;
  };

  try {
    for (;;) {
      // The symbol: one tree step per bit, from the root's first child. While the input
      // delivers, no bit needs checking; once a refill has found it dry, a bit that leaves
      // nothing but zeros is refused, even when it completes a code.
      unsigned x = model.FirstChildOfRoot();
      unsigned depth = 0;
      while (!in.input_exhausted && x < LeafBase) {
        if (in.count < 8) {
          in = Refill(in);
          if (in.input_exhausted) break;
        }
        // The bits above the lowest 7 are read with no refill due, so they are taken
        // without a check each, two per step while two are spare: the second step's child
        // comes from the grandchild table, so the walk waits on one load per two bits.
        const unsigned first = depth;
        const unsigned last = depth + in.count - 7;
        std::uint64_t bits = in.bits;
        while (depth + 2 <= last) {
          const unsigned node = x + static_cast<unsigned>(bits >> 63);
          const unsigned child = model.Child(node);
          const std::uint32_t grandchildren = model.Grandchildren(node);
          path[depth++] = static_cast<std::uint16_t>(node);
          if (child >= LeafBase) {
            bits <<= 1;
            x = child;
            break;
          }
          const unsigned second = static_cast<unsigned>(bits >> 62) & 1u;
          bits <<= 2;
          path[depth++] = static_cast<std::uint16_t>(child + second);
          x = (grandchildren >> (16 * second)) & 0xFFFFu;
          if (x >= LeafBase) break;
        }
        if (x < LeafBase && depth != last) {  // one bit left before a refill is due
          const unsigned node = x + static_cast<unsigned>(bits >> 63);
          bits <<= 1;
          path[depth++] = static_cast<std::uint16_t>(node);
          x = model.Child(node);
        }
        in.bits = bits;
        in.count -= depth - first;
      }
      while (x < LeafBase) {
        const unsigned node = x + read_bit();
        if (FormatBitsAreZero(in)) Raise<ECompress>("");
        path[depth++] = static_cast<std::uint16_t>(node);
        x = model.Child(node);
      }
      const unsigned symbol = x - LeafBase;
      model.UpdateAlongPath(symbol, path, depth);

      if (symbol < LiteralCount) {
        put_byte(static_cast<std::uint8_t>(symbol));
      } else {
        // The position: 8 bits index the code tables, then the rest of the code and the
        // lower bits one at a time; the last 6 bits read are the lower bits.
        if (in.count < 8) in = Refill(in);
        unsigned index = static_cast<unsigned>(in.bits >> 56);
        in.bits <<= 8;
        in.count -= 8;
        const unsigned high = PositionDecode.high_bits[index];
        const unsigned rest = PositionDecode.code_length[index] - 2u;
        if (in.count >= 7 + rest) {  // no refill is due before any of these bits: take them at once
          index = (index << rest) | static_cast<unsigned>(in.bits >> (63 - rest) >> 1);
          in.bits <<= rest;
          in.count -= rest;
        } else {
          for (unsigned n = rest; n > 0; --n) index = 2 * index + read_bit();
        }
        const unsigned position = (high << PositionLowBits) | (index & ((1u << PositionLowBits) - 1));

        // Each byte is stored before the next is read, so a match that reaches into the
        // bytes it produces repeats them.
        unsigned from = (ring_pos - position - 1) & RingMask;
        const unsigned length = MatchLength(symbol);
        if (from + length <= RingSize && ring_pos + length <= RingSize && output_size - pending >= length) {
          CopyMatch(ring + from, ring + ring_pos, output + pending, length, from < ring_pos ? position + 1 : 0);
          ring_pos = (ring_pos + length) & RingMask;
          pending += length;
        } else {
          for (unsigned k = 0; k < length; ++k) put_byte(ring[(from + k) & RingMask]);
        }
      }
      if (in.input_exhausted && FormatBitsAreEndBit(in)) break;
    }
  } catch (const Exception&) {
    // ECompress ends most streams; a failure raised by a hook ends the stream the same way.
  }
  output_pending_ = pending;
}

// The hooks and buffers of DecodeBuffer.
struct MemoryStreams {
  std::span<const std::uint8_t> input;
  std::size_t input_read = 0;
  std::vector<std::uint8_t> output;
};
MemoryStreams* memory_streams = nullptr;

void ReadMemory(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
  const std::size_t left = memory_streams->input.size() - memory_streams->input_read;
  const std::size_t taken = std::min<std::size_t>(count, left);
  if (taken > 0) std::memcpy(buffer, memory_streams->input.data() + memory_streams->input_read, taken);
  memory_streams->input_read += taken;
  reported = static_cast<std::uint16_t>(taken);
}

void WriteMemory(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
  memory_streams->output.insert(memory_streams->output.end(), buffer, buffer + count);
  reported = count;
}

}  // namespace

void SetInputHook(StreamHook hook) { input_hook = hook; }
void SetOutputHook(StreamHook hook) { output_hook = hook; }
void SetInputBufferSize(std::uint16_t size) { input_buffer_size = ClampBufferSize(size); }
void SetOutputBufferSize(std::uint16_t size) { output_buffer_size = ClampBufferSize(size); }
std::uint16_t InputBufferSize() { return input_buffer_size; }
std::uint16_t OutputBufferSize() { return output_buffer_size; }

void DecodeStream() {
  const std::unique_ptr<DecoderTables> tables = Obtain<DecoderTables>();
  const std::unique_ptr<std::uint8_t[]> input = ObtainBytes(input_buffer_size);
  const std::unique_ptr<std::uint8_t[]> output = ObtainBytes(output_buffer_size);

  tables->model.Init();
  std::memset(tables->ring, InitialRingByte, InitialRingPos);
  std::memset(tables->ring + InitialRingPos, 0, RingSize - InitialRingPos);

  StreamDecoder decoder(*tables, input.get(), input_buffer_size, output.get(), output_buffer_size);
  decoder.Run();
  decoder.FlushFinal();
}

std::vector<std::uint8_t> DecodeBuffer(std::span<const std::uint8_t> stream) {
  struct Restore {
    StreamHook input = input_hook;
    StreamHook output = output_hook;
    std::uint16_t input_size = input_buffer_size;
    std::uint16_t output_size = output_buffer_size;
    MemoryStreams* streams = memory_streams;
    ~Restore() {
      input_hook = input;
      output_hook = output;
      input_buffer_size = input_size;
      output_buffer_size = output_size;
      memory_streams = streams;
    }
  } restore;

  MemoryStreams streams;
  streams.input = stream;
  memory_streams = &streams;
  input_hook = ReadMemory;
  output_hook = WriteMemory;
  input_buffer_size = MaxBufferSize;
  output_buffer_size = MaxBufferSize;
  DecodeStream();
  return std::move(streams.output);
}

}  // namespace lzsfx
