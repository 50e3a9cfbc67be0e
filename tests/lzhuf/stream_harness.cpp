#include "stream_harness.h"

#include <algorithm>
#include <cstring>

#include "common/failure.h"
#include "lzhuf/lzhuf_decoder.h"
#include "plain_decoder.h"

namespace lzsfx::testing {
namespace {

struct Session {
  std::span<const std::uint8_t> stream;
  std::size_t read = 0;
  bool reported_dry = false;
  HookScript script;
  int input_calls = 0;
  int output_calls = 0;
  DecodeTrace trace;
};
Session* session = nullptr;

void ScriptedInput(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
  Session& s = *session;
  const int call = s.input_calls++;
  if (call == s.script.input_call_that_raises) Raise<Exception>("input failed");
  std::size_t taken = std::min<std::size_t>({count, s.stream.size() - s.read, s.script.bytes_per_input_call});
  if (s.script.deliver_again_after_dry && !s.reported_dry && s.read >= s.script.dry_after) taken = 0;
  if (s.reported_dry && !s.script.deliver_again_after_dry) taken = 0;
  if (taken == 0) s.reported_dry = true;
  if (taken > 0) std::memcpy(buffer, s.stream.data() + s.read, taken);
  s.read += taken;
  reported = static_cast<std::uint16_t>(taken);
  s.trace.calls.push_back({'I', count, reported});
}

void RecordingOutput(std::uint8_t* buffer, std::uint16_t count, std::uint16_t& reported) {
  Session& s = *session;
  s.trace.calls.push_back({'O', count, 0});
  if (s.output_calls++ == s.script.output_call_that_raises) Raise<Exception>("output failed");
  s.trace.output.insert(s.trace.output.end(), buffer, buffer + count);
  reported = count;
}

}  // namespace

std::vector<std::uint16_t> DecodeTrace::OutputCounts() const {
  std::vector<std::uint16_t> counts;
  for (const HookCall& call : calls) {
    if (call.hook == 'O') counts.push_back(call.count);
  }
  return counts;
}

std::size_t DecodeTrace::InputCalls() const {
  return std::count_if(calls.begin(), calls.end(), [](const HookCall& call) { return call.hook == 'I'; });
}

DecodeTrace Decode(Decoder decoder, std::span<const std::uint8_t> stream, const HookScript& script,
                   std::uint16_t input_buffer_size, std::uint16_t output_buffer_size) {
  Session s;
  s.stream = stream;
  s.script = script;
  session = &s;
  const std::uint16_t saved_input_size = InputBufferSize();
  const std::uint16_t saved_output_size = OutputBufferSize();
  SetInputBufferSize(input_buffer_size);
  SetOutputBufferSize(output_buffer_size);
  try {
    if (decoder == Decoder::Real) {
      SetInputHook(ScriptedInput);
      SetOutputHook(RecordingOutput);
      DecodeStream();
    } else {
      plain::DecodeStream(ScriptedInput, RecordingOutput, InputBufferSize(), OutputBufferSize());
    }
  } catch (const Exception&) {
    s.trace.calls.push_back({'X', 0, 0});  // a failure of the final output call reaches the caller
  }
  SetInputBufferSize(saved_input_size);
  SetOutputBufferSize(saved_output_size);
  session = nullptr;
  return std::move(s.trace);
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  return std::vector<std::uint8_t>(values.begin(), values.end());
}

std::vector<std::uint8_t> Text(const std::string& text) { return std::vector<std::uint8_t>(text.begin(), text.end()); }

}  // namespace lzsfx::testing
