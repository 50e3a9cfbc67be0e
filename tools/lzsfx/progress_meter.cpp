#include "progress_meter.h"

#include <cstdio>

#include "platform/system.h"

namespace lzsfx::tool {
namespace {

constexpr auto RedrawInterval = std::chrono::milliseconds(200);
constexpr int BarWidth = 24;  // characters
constexpr double Mebibyte = 1024.0 * 1024.0;

}  // namespace

ProgressMeter::ProgressMeter(bool enabled, std::uint64_t totalFiles, std::uint64_t totalBytes)
    : enabled_(enabled && platform::StandardErrorIsTerminal()),
      totalFiles_(totalFiles),
      totalBytes_(totalBytes),
      start_(std::chrono::steady_clock::now()),
      lastDraw_(start_) {}

ProgressMeter::~ProgressMeter() { Finish(); }

void ProgressMeter::Advance(std::uint64_t bytes) {
  bytes_ += bytes;
  Draw(false);
}

void ProgressMeter::FileDone() {
  ++files_;
  Draw(false);
}

void ProgressMeter::Finish() {
  if (enabled_ && drawn_) std::fprintf(stderr, "\r%*s\r", 79, "");
  drawn_ = false;
  enabled_ = false;
}

void ProgressMeter::Draw(bool force) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < RedrawInterval) return;
  lastDraw_ = now;
  const double fraction = totalBytes_ ? static_cast<double>(bytes_) / static_cast<double>(totalBytes_) : 1.0;
  const int filled = static_cast<int>(fraction * BarWidth);
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(bytes_) / Mebibyte / seconds : 0;
  std::fprintf(stderr, "\r[%.*s%*s] %3d%%  %llu/%llu files  %.1f/%.1f MiB  %.1f MiB/s ", filled,
               "########################", BarWidth - filled, "", static_cast<int>(fraction * 100),
               static_cast<unsigned long long>(files_), static_cast<unsigned long long>(totalFiles_),
               static_cast<double>(bytes_) / Mebibyte, static_cast<double>(totalBytes_) / Mebibyte, rate);
  std::fflush(stderr);
  drawn_ = true;
}

}  // namespace lzsfx::tool
