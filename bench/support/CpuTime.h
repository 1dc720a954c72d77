// The process's CPU time, which the benchmark programs report per operation
// (wall time on this shared machine would count other programs' work).
#pragma once

#include <ctime>

inline double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
