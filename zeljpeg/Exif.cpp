#include "zeljpeg/Exif.h"

#include <cstring>

namespace {

// TIFF field types that can hold the orientation inline.
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
constexpr uint16_t kOrientationTag = 0x0112;
constexpr size_t kEntrySize = 12;

// The TIFF structure behind the signature, read with its byte order. Every
// read checks its range against the structure's size first.
class TTiffView {
 public:
  TTiffView(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // Reads the byte order mark and the magic number 42.
  bool ReadHeader() {
    if (size_ < 8) return false;
    if (data_[0] == 'I' && data_[1] == 'I')
      little_ = true;
    else if (data_[0] == 'M' && data_[1] == 'M')
      little_ = false;
    else
      return false;
    uint16_t magic = 0;
    return U16(2, magic) && magic == 42;
  }

  bool U16(uint64_t at, uint16_t& value) const {
    if (at + 2 > size_) return false;
    const uint8_t* p = data_ + at;
    value =
        little_ ? static_cast<uint16_t>(p[0] | p[1] << 8) : static_cast<uint16_t>(p[0] << 8 | p[1]);
    return true;
  }
  bool U32(uint64_t at, uint32_t& value) const {
    if (at + 4 > size_) return false;
    const uint8_t* p = data_ + at;
    value = little_ ? static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                          static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24
                    : static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
                          static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
    return true;
  }
  bool Little() const { return little_; }
  size_t Size() const { return size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  bool little_ = true;
};

// The orientation entry of IFD0: where its value lies in the payload, its
// field type, the byte order, and the value.
struct TOrientationField {
  uint64_t at = 0;
  uint16_t type = 0;
  bool little = true;
  uint32_t value = 0;
};

bool FindOrientation(const uint8_t* data, size_t size, TOrientationField& field) {
  if (!IsExifSegment(data, size)) return false;
  TTiffView tiff(data + sizeof kExifSignature, size - sizeof kExifSignature);
  uint32_t ifd = 0;
  uint16_t count = 0;
  if (!tiff.ReadHeader() || !tiff.U32(4, ifd) || !tiff.U16(ifd, count)) return false;
  // Entries that the data does not hold completely are not read.
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t entry = uint64_t{ifd} + 2 + uint64_t{i} * kEntrySize;
    uint16_t tag = 0, type = 0;
    uint32_t n = 0;
    if (entry + kEntrySize > tiff.Size() || !tiff.U16(entry, tag) || !tiff.U16(entry + 2, type) ||
        !tiff.U32(entry + 4, n))
      return false;
    if (tag != kOrientationTag) continue;
    // One value of at most four bytes is stored in the entry itself.
    if (n != 1 || (type != kTypeShort && type != kTypeLong)) return false;
    field.at = sizeof kExifSignature + entry + 8;
    field.type = type;
    field.little = tiff.Little();
    if (type == kTypeShort) {
      uint16_t v = 0;
      tiff.U16(entry + 8, v);
      field.value = v;
    } else {
      tiff.U32(entry + 8, field.value);
    }
    return true;
  }
  return false;
}

}  // namespace

bool IsExifSegment(const uint8_t* data, size_t size) {
  return data != nullptr && size >= sizeof kExifSignature &&
         std::memcmp(data, kExifSignature, sizeof kExifSignature) == 0;
}

int ReadExifOrientation(const uint8_t* data, size_t size) {
  TOrientationField field;
  if (!FindOrientation(data, size, field)) return 0;
  return field.value >= 1 && field.value <= 8 ? static_cast<int>(field.value) : 0;
}

bool WriteExifOrientation(uint8_t* data, size_t size, int value) {
  TOrientationField field;
  if (value < 1 || value > 8 || !FindOrientation(data, size, field)) return false;
  uint8_t* p = data + field.at;
  const uint8_t v = static_cast<uint8_t>(value);
  if (field.type == kTypeShort) {
    p[0] = field.little ? v : 0;
    p[1] = field.little ? 0 : v;
  } else {
    std::memset(p, 0, 4);
    p[field.little ? 0 : 3] = v;
  }
  return true;
}
