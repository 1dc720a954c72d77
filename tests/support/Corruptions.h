// Single-byte corruption sweeps, shared by the reader tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

// Calls check(bad) for every single-byte corruption of good: each byte in
// turn replaced by 0x00, 0xFF and itself XOR 0x5A. Stops at the first case
// that fails, so that one fault does not flood the log.
template <class Check>
void ForEachCorruption(const std::string& good, Check check) {
  for (size_t at = 0; at < good.size(); ++at)
    for (const uint8_t value : {0x00, 0xFF, 0x5A}) {
      std::string bad = good;
      bad[at] = static_cast<char>(value == 0x5A ? static_cast<uint8_t>(good[at]) ^ value : value);
      if (bad == good) continue;
      SCOPED_TRACE(testing::Message() << "offset " << at << ", value 0x" << std::hex
                                      << (static_cast<unsigned>(bad[at]) & 0xFF));
      check(bad);
      if (testing::Test::HasFailure()) return;
    }
}
