#include "common/runtime_text.h"

#include "common/code_page.h"
#include "resources/runtime_texts.h"

namespace lzsfx {

namespace {
constexpr int ResourceCodePage = 1250;
}

const char* RuntimeTextSource(RuntimeTextId id) {
  switch (id) {
    case RuntimeTextId::InvalidInteger: return LZSFX_TEXT_INVALID_INTEGER;
    case RuntimeTextId::InvalidFloat: return LZSFX_TEXT_INVALID_FLOAT;
    case RuntimeTextId::OutOfMemory: return LZSFX_TEXT_OUT_OF_MEMORY;
    case RuntimeTextId::FailureReport: return LZSFX_TEXT_FAILURE_REPORT;
    case RuntimeTextId::FailureCaption: return LZSFX_TEXT_FAILURE_CAPTION;
  }
  return "";
}

std::string RuntimeText(RuntimeTextId id) {
  const int codePage = AnsiCodePage();
  if (codePage == ResourceCodePage) return RuntimeTextSource(id);
  return Utf8ToCodePageBestFit(CodePageToUtf8(RuntimeTextSource(id), ResourceCodePage), codePage);
}

std::string FormatRuntimeText(RuntimeTextId id, std::string_view argument) {
  std::string text = RuntimeText(id);
  const auto slot = text.find("%s");
  if (slot != std::string::npos) text.replace(slot, 2, argument);
  return text;
}

}  // namespace lzsfx
