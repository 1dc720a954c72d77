#include "examples/convert/Progress.h"

#include <unistd.h>

#include <cstdio>

namespace {
constexpr int kBarWidth = 40;
}

ProgressBar::~ProgressBar() {
  if (shown_ >= 0) std::fputc('\n', stderr);
}

void ProgressBar::Update(int32_t percent) {
  if (!enabled_) return;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  if (percent == shown_) return;
  shown_ = percent;
  const int filled = percent * kBarWidth / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kBarWidth - filled), '.');
  std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar.c_str(), static_cast<int>(percent));
  std::fflush(stderr);
}

void ProgressBar::Interrupt() {
  if (shown_ < 0) return;
  std::fputc('\n', stderr);
  shown_ = -1;
}

bool StderrIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}
