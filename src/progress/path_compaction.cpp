#include "progress/path_compaction.h"

#include "common/extraction_state.h"
#include "common/path_text.h"
#include "platform/progress_dialog.h"

namespace lzsfx {
namespace {

constexpr std::string_view RootedOmittedDirectories = "\\...\\";
constexpr std::size_t DriveLength = 2;  // a letter and ':'

}  // namespace

bool PathTooWide(TextMeasure& measure, int width, std::string_view text) {
  return width < measure.TextWidth(text);
}

void ShortenDirectory(std::string& directory) {
  if (directory == "\\") {
    directory.clear();
    return;
  }
  const bool rooted = !directory.empty() && directory.front() == '\\';
  if (rooted) directory.erase(0, 1);
  // A remainder that starts with '.' is taken to start with the marker of an earlier step;
  // a component such as ".a" that is shorter than the marker takes the next one with it.
  if (!directory.empty() && directory.front() == '.') directory.erase(0, OmittedDirectories.size());
  const std::size_t separator = directory.find('\\');
  if (separator == std::string::npos) {
    directory.clear();
  } else {
    directory = std::string(OmittedDirectories) + directory.substr(separator + 1);
  }
  if (rooted) directory.insert(0, 1, '\\');
}

std::string CompactPath(std::string_view path, TextMeasure& measure) {
  const int width = measure.ClientWidth();
  std::string result(path);
  std::string directory = DirectoryPart(path);
  const std::string fileName = FileNamePart(path);
  std::string drive;
  if (directory.size() >= DriveLength && directory[1] == ':') {
    drive = directory.substr(0, DriveLength);
    directory.erase(0, DriveLength);
  }
  while ((!directory.empty() || !drive.empty()) && PathTooWide(measure, width, result)) {
    if (directory == RootedOmittedDirectories) {
      // Nothing is left between the root and the file name: the drive and root go next.
      drive.clear();
      directory = OmittedDirectories;
    } else if (!directory.empty()) {
      ShortenDirectory(directory);
    } else {
      drive.clear();
    }
    result = drive + directory + fileName;
  }
  return result;
}

std::string CompactPath(std::string_view path) {
  if (State.ProgressWindow == nullptr) return std::string(path);
  const std::unique_ptr<TextMeasure> measure = State.ProgressWindow->MeasurePathLabel();
  return CompactPath(path, *measure);
}

}  // namespace lzsfx
