#include "platform/graphics/Graphics.h"

namespace {
int graphics_unit_runs = 0;
}

void InitGraphicsUnit() {
  if (graphics_unit_runs++ != 0) return;
  // Front insertion: the last registered comes first.
  TPicture::RegisterFileFormat("wmf", "Metafiles", TMetafile::StaticClass());
  TPicture::RegisterFileFormat("emf", "Enhanced Metafiles", TMetafile::StaticClass());
  TPicture::RegisterFileFormat("ico", "Icons", TIcon::StaticClass());
  TPicture::RegisterFileFormat("bmp", "Bitmaps", TBitmap::StaticClass());
  RegisterClasses({TBitmap::StaticClass(), TMetafile::StaticClass(), TIcon::StaticClass(),
                   TPicture::StaticClass(), TFont::StaticClass()});
}
