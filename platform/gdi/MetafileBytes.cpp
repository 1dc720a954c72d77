#include "platform/gdi/MetafileBytes.h"

#include <algorithm>
#include <cstring>

bool CheckEnhMetaFileBytes(const uint8_t* data, size_t size, size_t& length) {
  if (!data || size < 88) return false;
  ENHMETAHEADER h{};
  std::memcpy(&h, data, std::min(size, sizeof h));
  if (h.iType != EMR_HEADER || h.dSignature != ENHMETA_SIGNATURE || h.nSize < 88 ||
      h.nSize % 4 != 0 || h.nSize > size || h.nBytes < h.nSize || h.nBytes > size) {
    return false;
  }
  length = h.nBytes;
  size_t offset = 0;
  while (offset + sizeof(EMR) <= length) {
    EMR r;
    std::memcpy(&r, data + offset, sizeof r);
    if (r.nSize < sizeof(EMR) || r.nSize % 4 != 0 || r.nSize > length - offset) {
      return false;
    }
    if (r.iType == EMR_EOF) {
      if (r.nSize < sizeof(EMREOF)) return false;
      EMREOF eof;
      std::memcpy(&eof, data + offset, sizeof eof);
      if (eof.nPalEntries > 0 &&
          (eof.offPalEntries < 16 ||
           uint64_t(eof.offPalEntries) + 4 * uint64_t(eof.nPalEntries) > r.nSize - 4)) {
        return false;
      }
      length = offset + r.nSize;
      return true;
    }
    offset += r.nSize;
  }
  return false;  // no EOF record
}

bool CheckWinMetaFileBytes(const uint8_t* data, size_t size, size_t& length) {
  if (!data || size < 18) return false;
  uint16_t type, header_words, version;
  std::memcpy(&type, data, 2);
  std::memcpy(&header_words, data + 2, 2);
  std::memcpy(&version, data + 4, 2);
  if ((type != 1 && type != 2) || header_words != 9 || (version != 0x100 && version != 0x300)) {
    return false;
  }
  size_t offset = 18;
  while (offset + 6 <= size) {
    uint32_t words;
    uint16_t function;
    std::memcpy(&words, data + offset, 4);
    std::memcpy(&function, data + offset + 4, 2);
    if (words < 3 || words > (size - offset) / 2) return false;
    offset += 2 * size_t{words};
    if (function == 0) {
      length = offset;
      return true;
    }
  }
  return false;  // no end record
}
