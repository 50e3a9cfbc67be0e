#include "progress/path_compaction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/extraction_state.h"
#include "support/recording_progress_dialog.h"

namespace lzsfx {
namespace {

using test_support::RecordingProgressDialog;

class PathCompaction : public ::testing::Test {
 protected:
  void SetUp() override { State.ProgressWindow = &window; }
  void TearDown() override { State.ProgressWindow = nullptr; }
  RecordingProgressDialog window;  // one width unit per character
};

struct CompactionRow {
  std::string path;
  std::vector<std::string> candidates;  // in the order tried after the path itself
};

const std::vector<CompactionRow> compactionRows = {
    {"C:\\WINDOWS\\TEMP\\DOCS\\PICTURES\\LOGO.BMP",
     {"C:\\...\\TEMP\\DOCS\\PICTURES\\LOGO.BMP", "C:\\...\\DOCS\\PICTURES\\LOGO.BMP", "C:\\...\\PICTURES\\LOGO.BMP",
      "C:\\...\\LOGO.BMP", "...\\LOGO.BMP", "LOGO.BMP"}},
    {"\\\\SERVER\\SHARE\\DIR\\A.B.C",
     {"\\...\\SERVER\\SHARE\\DIR\\A.B.C", "\\...\\SHARE\\DIR\\A.B.C", "\\...\\DIR\\A.B.C", "\\...\\A.B.C", "...\\A.B.C",
      "A.B.C"}},
    {"C:\\TEMP\\ARCHIVE.TAR.GZ", {"C:\\...\\ARCHIVE.TAR.GZ", "...\\ARCHIVE.TAR.GZ", "ARCHIVE.TAR.GZ"}},
    {"D:\\X.TXT", {"D:X.TXT", "X.TXT"}},
    // A component shorter than the marker is cut together with the next one.
    {"C:\\.a\\b\\c\\x.txt", {"C:\\...\\c\\x.txt", "C:\\...\\x.txt", "...\\x.txt", "x.txt"}},
    {"C:X.TXT", {"X.TXT"}},
    {"DIR\\SUB\\F", {"...\\SUB\\F", "...\\F", "F"}},
};

// With no room at all every candidate is tried and the bare file name is shown; it is not
// measured, as nothing is left to take away.
TEST_F(PathCompaction, TriesEveryCandidateInOrderWhenNothingFits) {
  window.labelWidth = 0;
  for (const CompactionRow& row : compactionRows) {
    SCOPED_TRACE(row.path);
    window.measuredTexts.clear();
    const std::string shown = CompactPath(row.path);
    std::vector<std::string> tried = {row.path};
    tried.insert(tried.end(), row.candidates.begin(), row.candidates.end() - 1);
    EXPECT_EQ(window.measuredTexts, tried);
    EXPECT_EQ(shown, row.candidates.back());
  }
}

// A label exactly as wide as a candidate shows the first text that fits, which is that
// candidate unless an earlier one is no wider (a rooted path grows by the marker at first).
TEST_F(PathCompaction, ShowsTheFirstCandidateThatFits) {
  for (const CompactionRow& row : compactionRows) {
    std::vector<std::string> texts = {row.path};
    texts.insert(texts.end(), row.candidates.begin(), row.candidates.end());
    for (const std::string& candidate : row.candidates) {
      SCOPED_TRACE(candidate);
      window.labelWidth = static_cast<int>(candidate.size());
      const auto firstFit = std::find_if(texts.begin(), texts.end(), [&](const std::string& text) {
        return text.size() <= candidate.size();
      });
      EXPECT_EQ(CompactPath(row.path), *firstFit);
    }
  }
}

TEST_F(PathCompaction, PathThatFitsIsMeasuredOnceAndKept) {
  const std::string path = "C:\\WINDOWS\\TEMP\\LOGO.BMP";
  window.labelWidth = static_cast<int>(path.size());
  EXPECT_EQ(CompactPath(path), path);
  EXPECT_EQ(window.measuredTexts, std::vector<std::string>{path});
  EXPECT_EQ(window.measures, 1);
}

TEST_F(PathCompaction, BareFileNameIsNeverMeasured) {
  window.labelWidth = 0;
  EXPECT_EQ(CompactPath("SETUP.EXE"), "SETUP.EXE");
  EXPECT_TRUE(window.measuredTexts.empty());
}

// Directories longer than 255 characters are shortened whole, so every candidate is a
// true part of the path.
TEST_F(PathCompaction, LongDirectoryKeepsItsLastComponents) {
  std::string path = "C:\\";
  for (int i = 0; i < 40; ++i) path += "COMPONENT" + std::to_string(i) + "\\";
  path += "FILE.TXT";
  const std::string expected = "C:\\...\\COMPONENT39\\FILE.TXT";
  window.labelWidth = static_cast<int>(expected.size());
  EXPECT_EQ(CompactPath(path), expected);
}

TEST(PathCompactionWithoutWindow, ReturnsThePathUnchanged) {
  State.ProgressWindow = nullptr;
  EXPECT_EQ(CompactPath("C:\\WINDOWS\\TEMP\\LOGO.BMP"), "C:\\WINDOWS\\TEMP\\LOGO.BMP");
}

TEST(ShortenDirectory, TakesOneStep) {
  const struct {
    std::string directory;
    std::string shortened;
  } rows[] = {
      {"\\", ""},
      {"", ""},
      {"\\WINDOWS\\TEMP\\", "\\...\\TEMP\\"},
      {"\\...\\TEMP\\", "\\...\\"},
      {"WINDOWS\\TEMP\\", "...\\TEMP\\"},
      {"...\\", ""},
      {"\\.a\\b\\c\\", "\\...\\c\\"},
      {"\\\\SERVER\\SHARE\\", "\\...\\SERVER\\SHARE\\"},
  };
  for (const auto& row : rows) {
    std::string directory = row.directory;
    ShortenDirectory(directory);
    EXPECT_EQ(directory, row.shortened) << "from " << row.directory;
  }
}

}  // namespace
}  // namespace lzsfx
