#include "zeljpeg/Jpeglib.h"

#include <mutex>

#include "platform/classes/Classes.h"

void jpeg_Create_Compress(jpeg_compress_struct& cinfo) {
  jpeg_CreateCompress(&cinfo, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));
}

void jpeg_Create_Decompress(jpeg_decompress_struct& cinfo) {
  jpeg_CreateDecompress(&cinfo, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
}

const TEnumNames& JDctMethodNames() {
  static const TEnumNames names{{"JDCT_ISLOW", "JDCT_IFAST", "JDCT_FLOAT"}, {}};
  return names;
}

const TEnumNames& JDitherModeNames() {
  static const TEnumNames names{{"JDITHER_NONE", "JDITHER_ORDERED", "JDITHER_FS"}, {}};
  return names;
}

static_assert(JDCT_ISLOW == 0 && JDCT_IFAST == 1 && JDCT_FLOAT == 2);
static_assert(JDITHER_NONE == 0 && JDITHER_ORDERED == 1 && JDITHER_FS == 2);

void InitJpeglibUnit() {
  // Once, also when several threads start at the same time.
  static std::once_flag once;
  std::call_once(once, [] {
    // Nothing to set up: the codec is linked statically into the program's
    // address space and needs no initialisation of its own.
  });
}
