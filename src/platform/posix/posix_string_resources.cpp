// The string resources of the POSIX stub: a compiled-in table in place of the Windows
// string table, with the same ids and the same buffer rule as LoadStringA.
#include <array>
#include <optional>

#include "common/runtime_text.h"
#include "platform/posix/posix_hook_state.h"
#include "platform/system.h"
#include "resources/runtime_texts.h"

// String 1, the archive offset: nine decimal digits that the builder overwrites in the
// linked program file. The builder finds the slot by the name of its ELF section, so the
// section holds these ten bytes and nothing else.
extern "C" __attribute__((section(".lzsfx_offset"), used))
const char lzsfx_archive_offset_slot[10] = LZSFX_TEXT_ARCHIVE_OFFSET;
static_assert(sizeof(LZSFX_TEXT_ARCHIVE_OFFSET) == sizeof(lzsfx_archive_offset_slot));

namespace lzsfx::platform {
namespace {

constexpr unsigned ArchiveOffsetId = 1;

// The slot's bytes as they are in the file now. The reads are volatile because the
// compiler sees a constant that the builder changes after linking.
std::string ArchiveOffsetText() {
  const volatile char* slot = lzsfx_archive_offset_slot;
  std::string text;
  for (std::size_t i = 0; i < sizeof lzsfx_archive_offset_slot && slot[i] != '\0'; ++i) text += slot[i];
  return text;
}

constexpr std::array RuntimeTextIds = {RuntimeTextId::InvalidInteger, RuntimeTextId::InvalidFloat,
                                       RuntimeTextId::OutOfMemory, RuntimeTextId::FailureReport,
                                       RuntimeTextId::FailureCaption};

std::optional<std::string> CompiledInString(unsigned id) {
  if (id == ArchiveOffsetId) return ArchiveOffsetText();
  for (const RuntimeTextId textId : RuntimeTextIds) {
    if (static_cast<unsigned>(textId) == id) return RuntimeText(textId);
  }
  return std::nullopt;
}

}  // namespace

std::string LoadStringResource(unsigned id, std::size_t bufferSize) {
  if (bufferSize == 0) return {};
  const auto& overrides = detail::Hooks().strings;
  const auto found = overrides.find(id);
  std::string text = (found != overrides.end() ? found->second : CompiledInString(id)).value_or("");
  if (text.size() > bufferSize - 1) text.resize(bufferSize - 1);
  return text;
}

}  // namespace lzsfx::platform
