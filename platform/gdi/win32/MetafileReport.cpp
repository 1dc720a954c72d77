// The system's GDI draws every record it knows: nothing is reported.
#include "platform/gdi/MetafileReport.h"

BOOL PlayEnhMetaFileReporting(HDC dc, HENHMETAFILE metafile, const RECT* rect,
                              std::vector<TUndrawnRecord>& undrawn) {
  undrawn.clear();
  return PlayEnhMetaFile(dc, metafile, rect);
}
