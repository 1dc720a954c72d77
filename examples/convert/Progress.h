// A text progress bar on standard error.
#pragma once

#include <cstdint>
#include <string>

class ProgressBar {
 public:
  // Draws nothing unless enabled.
  ProgressBar(std::string label, bool enabled) : label_(std::move(label)), enabled_(enabled) {}
  // Ends the bar's line when something was drawn.
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // Shows percent (0 to 100); redraws only when the value changed.
  void Update(int32_t percent);
  // Ends the bar's line, if one is drawn, so that a message can follow; the
  // next Update draws the bar again.
  void Interrupt();

 private:
  std::string label_;
  bool enabled_;
  int32_t shown_ = -1;
};

// True when standard error is a terminal.
bool StderrIsTerminal();
