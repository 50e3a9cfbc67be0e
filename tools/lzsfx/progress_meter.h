// The progress line of long builds on stderr: files and bytes done, the rate, a bar.
// Silent when stderr is not a terminal or when asked to be quiet; redrawn at most a few
// times a second so that it costs nothing measurable.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace lzsfx::tool {


class ProgressMeter {
 public:
  ProgressMeter(bool enabled, std::uint64_t totalFiles, std::uint64_t totalBytes);
  ~ProgressMeter();
  void Advance(std::uint64_t bytes);  // bytes of the current file done
  void FileDone();
  void Finish();                      // clears the line

 private:
  void Draw(bool force);

  bool enabled_;
  std::uint64_t totalFiles_, totalBytes_;
  std::uint64_t files_ = 0, bytes_ = 0;
  std::chrono::steady_clock::time_point start_, lastDraw_;
  bool drawn_ = false;
};

}  // namespace lzsfx::tool
