// Shared support of the fuzz harnesses: one-time unit initialisation, a
// reader of option bytes at the front of an input, and a check that a call
// left no graphics handle or global block behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Initialises the units every harness uses (graphics, Zeljpeg, the fuzz and
// test component classes) and silences message boxes; runs once.
void FuzzInit();

// Reads option bytes from the front of a fuzz input; past the end, options
// read as 0. Rest() is what follows the bytes taken.
class TFuzzInput {
 public:
  TFuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Take() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  const uint8_t* Rest() const { return data_; }
  size_t RestSize() const { return size_; }

 private:
  const uint8_t* data_;
  size_t size_;
};

// Runs call, swallowing the exceptions a reader raises for bad data (any
// Exception of the class library), and aborts when the call left more live
// graphics handles or global blocks than it found: a leak on some path.
void RunChecked(const std::function<void()>& call);
