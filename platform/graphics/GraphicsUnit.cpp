#include "platform/graphics/Graphics.h"

#include <mutex>

void InitGraphicsUnit() {
  // Once, also when several threads start at the same time.
  static std::once_flag once;
  std::call_once(once, [] {
    // Front insertion: the last registered comes first.
    TPicture::RegisterFileFormat("wmf", "Metafiles", TMetafile::StaticClass());
    TPicture::RegisterFileFormat("emf", "Enhanced Metafiles", TMetafile::StaticClass());
    TPicture::RegisterFileFormat("ico", "Icons", TIcon::StaticClass());
    TPicture::RegisterFileFormat("bmp", "Bitmaps", TBitmap::StaticClass());
    RegisterClasses({TBitmap::StaticClass(), TMetafile::StaticClass(), TIcon::StaticClass(),
                     TPicture::StaticClass(), TFont::StaticClass()});
  });
}
