// The run-time texts that reach the user, kept once in src/resources/runtime_texts.h
// (which the Windows string table includes too) and handed out in the ANSI code page.
#pragma once

#include <string>

namespace lzsfx {

enum class RuntimeTextId : unsigned {
  InvalidInteger = 65408,    // "'%s' nie je platná integer hodnota"
  InvalidFloat = 65409,      // "'%s' nie je platná floating point hodnota"
  OutOfMemory = 65415,       // "Mimo paměť"
  FailureReport = 65438,     // "Výjimka %s v modulu %s na %p.\n%s%s"
  FailureCaption = 65439,    // "Chyba aplikace"
};

// The text in code page 1250, as stored in the resources.
const char* RuntimeTextSource(RuntimeTextId id);

// The text converted to AnsiCodePage().
std::string RuntimeText(RuntimeTextId id);

// The text with its one "%s" replaced by argument.
std::string FormatRuntimeText(RuntimeTextId id, std::string_view argument);

}  // namespace lzsfx
