// The launch command's placeholders and the directories they stand for. "<AD>" is the
// directory of the running program file, "<WD>" the Windows directory, "<SD>" the system
// directory and "<TD>" the temporary directory; each replacement ends with one '\'.
// Matching ignores the case of ASCII letters only; only the first occurrence of each
// placeholder is replaced, in the order AD, WD, SD, TD, each search running over the text
// as the earlier replacements left it; a directory is looked up only when it is needed.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace lzsfx {

// Gives the directory text for one placeholder ("<AD>", "<WD>", "<SD>" or "<TD>").
using PlaceholderDirectory = std::function<std::string(std::string_view placeholder)>;

// Expands the placeholders with the directories of the running system.
std::string ExpandPlaceholders(std::string_view command);

// Expands the placeholders with the directories that directoryFor gives.
std::string ExpandPlaceholders(std::string_view command, const PlaceholderDirectory& directoryFor);

std::string ApplicationDir();  // DirectoryPart of the program path
std::string WindowsDir();      // with one '\' appended where it is missing
std::string SystemDir();       // with one '\' appended where it is missing
std::string TempDir();         // as the system reports it, with its trailing '\'

}  // namespace lzsfx
