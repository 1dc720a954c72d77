// The EXIF orientation reader against Pillow, and against data that lies
// about its structure (each case in a buffer of exactly its size, so that
// the sanitizer build catches a read past it).
#include <gtest/gtest.h>

#include <vector>

#include "tests/zeljpeg/metadata_fixtures.h"
#include "zeljpeg/Exif.h"

using namespace decodetest;
using namespace metatest;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

int Read(const std::string& payload) {
  const std::vector<uint8_t> b = Bytes(payload);
  return ReadExifOrientation(b.data(), b.size());
}

// payload with the 4 bytes at offset at (from the start of the TIFF
// structure) replaced by value in little-endian order.
std::string Patched32(std::string payload, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) payload[6 + at + i] = static_cast<char>(value >> (8 * i));
  return payload;
}

}  // namespace

TEST(ExifOrientation, ReadsWhatPillowReadsInBothByteOrders) {
  const std::string jpeg = CJpeg(Ppm(8, 8));
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const std::string payload = ExifPayload(orientation, orientation % 2 == 1);
    EXPECT_EQ(std::to_string(Read(payload)) + "\n",
              Pillow("orientation", InsertSegment(jpeg, 0xE1, payload)))
        << orientation;
  }
}

TEST(ExifOrientation, DataThatLiesReadsAsNoOrientation) {
  const std::string good = ExifPayload(6);
  // The orientation entry is the second of IFD0 (at 8): it ends at 8 + 2 + 24.
  const size_t entry_end = 6 + 8 + 2 + 2 * 12;
  for (size_t size = 0; size < good.size(); ++size)
    EXPECT_EQ(Read(good.substr(0, size)), size >= entry_end ? 6 : 0) << "cut at " << size;

  // What each reads, and whether the tag can be set.
  const struct {
    const char* what;
    std::string payload;
    int orientation;
    bool settable;
  } cases[] = {
      {"no signature", "Exif\0" + good.substr(5), 0, false},
      {"unknown byte order", good.substr(0, 6) + "IM" + good.substr(8), 0, false},
      {"wrong magic", good.substr(0, 8) + std::string("\x2B\0", 2) + good.substr(10), 0, false},
      {"IFD offset past the end", Patched32(good, 4, 0xFFFFFFF0u), 0, false},
      {"IFD offset that wraps", Patched32(good, 4, 0xFFFFFFFFu), 0, false},
      // Entries are read while they lie inside the data.
      {"entry count past the end", good.substr(0, 14) + "\xFF\xFF" + good.substr(16), 6, true},
      {"value out of range", ExifPayload(9), 0, true},
      {"value zero", ExifPayload(0), 0, true},
      {"two values", Patched32(good, 8 + 2 + 12 + 4, 2), 0, false},
      {"a text value",
       good.substr(0, 6 + 8 + 2 + 12 + 2) + std::string("\2\0", 2) +
           good.substr(6 + 8 + 2 + 12 + 4),
       0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Read(c.payload), c.orientation) << c.what;
    std::vector<uint8_t> b = Bytes(c.payload);
    EXPECT_EQ(WriteExifOrientation(b.data(), b.size(), 1), c.settable) << c.what;
    if (!c.settable) {
      EXPECT_EQ(b, Bytes(c.payload)) << c.what;
    }
  }
}

TEST(ExifOrientation, WriteChangesOnlyTheValueInItsByteOrder) {
  for (bool little : {true, false}) {
    std::vector<uint8_t> b = Bytes(ExifPayload(8, little));
    const std::vector<uint8_t> expected = Bytes(ExifPayload(1, little));
    ASSERT_TRUE(WriteExifOrientation(b.data(), b.size(), 1));
    EXPECT_EQ(b, expected);
    EXPECT_FALSE(WriteExifOrientation(b.data(), b.size(), 9));
    EXPECT_EQ(b, expected);
  }
}
