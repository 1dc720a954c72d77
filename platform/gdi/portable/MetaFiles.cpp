// Enhanced metafile handles: file bytes in and out, the header, the palette,
// copies, and the recording DC.
#include <cstdio>
#include <cstring>

#include "platform/gdi/MetafileBytes.h"
#include "platform/gdi/portable/MetaFiles.h"
#include "platform/gdi/portable/MetaRecorder.h"

namespace gdiport {

// The EOF record of a validated metafile.
static EMREOF FindEof(const Metafile& mf, size_t& offset) {
  offset = 0;
  EMR r{};
  for (;;) {
    std::memcpy(&r, mf.bytes.data() + offset, sizeof r);
    if (r.iType == EMR_EOF) break;
    offset += r.nSize;
  }
  EMREOF eof;
  std::memcpy(&eof, mf.bytes.data() + offset, sizeof eof);
  return eof;
}

HENHMETAFILE NewMetafile(std::vector<uint8_t> bytes) {
  auto mf = std::make_unique<Metafile>();
  mf->bytes = std::move(bytes);
  return static_cast<HENHMETAFILE>(AddObject(std::move(mf)));
}

}  // namespace gdiport

using namespace gdiport;

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) {
  size_t length = 0;
  if (!CheckEnhMetaFileBytes(data, size, length)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return NewMetafile(std::vector<uint8_t>(data, data + length));
}

UINT GetEnhMetaFileBits(HENHMETAFILE handle, UINT size, LPBYTE data) {
  const Metafile* mf = Get<Metafile>(handle, Kind::Metafile);
  if (!mf) return 0;
  const UINT n = static_cast<UINT>(mf->bytes.size());
  if (!data) return n;
  if (size < n) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::memcpy(data, mf->bytes.data(), n);
  return n;
}

UINT GetEnhMetaFileHeader(HENHMETAFILE handle, UINT size, LPENHMETAHEADER header) {
  const Metafile* mf = Get<Metafile>(handle, Kind::Metafile);
  if (!mf) return 0;
  const UINT n = static_cast<UINT>(std::min<size_t>(mf->Header().nSize, sizeof(ENHMETAHEADER)));
  if (!header) return n;
  const UINT copied = std::min(size, n);
  std::memset(header, 0, std::min<size_t>(size, sizeof(ENHMETAHEADER)));
  std::memcpy(header, mf->bytes.data(), copied);
  return copied;
}

UINT GetEnhMetaFilePaletteEntries(HENHMETAFILE handle, UINT count, LPPALETTEENTRY entries) {
  const Metafile* mf = Get<Metafile>(handle, Kind::Metafile);
  if (!mf) return GDI_ERROR;
  size_t offset = 0;
  const EMREOF eof = FindEof(*mf, offset);
  if (!entries) return eof.nPalEntries;
  const UINT n = std::min(count, static_cast<UINT>(eof.nPalEntries));
  std::memcpy(entries, mf->bytes.data() + offset + eof.offPalEntries, 4 * size_t(n));
  return n;
}

HENHMETAFILE CopyEnhMetaFileA(HENHMETAFILE handle, LPCSTR file_name) {
  const Metafile* mf = Get<Metafile>(handle, Kind::Metafile);
  if (!mf) return nullptr;
  if (file_name) {
    std::FILE* f = std::fopen(file_name, "wb");
    if (!f) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    const bool ok = std::fwrite(mf->bytes.data(), 1, mf->bytes.size(), f) == mf->bytes.size();
    if (std::fclose(f) != 0 || !ok) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  }
  return NewMetafile(mf->bytes);
}

BOOL DeleteEnhMetaFile(HENHMETAFILE handle) {
  if (!Get<Metafile>(handle, Kind::Metafile)) return FALSE;
  RemoveObject(handle);
  return TRUE;
}

HDC CreateEnhMetaFileA(HDC reference, LPCSTR file_name, const RECT* rect, LPCSTR description) {
  if (reference && !GetDc(reference)) return nullptr;
  auto dc = std::make_unique<Dc>();
  dc->type = DcType::Recording;
  dc->display = CurrentDisplay();
  dc->state.brush = Stock(WHITE_BRUSH);
  dc->state.pen = Stock(BLACK_PEN);
  dc->state.palette = Stock(DEFAULT_PALETTE);
  dc->state.font = Stock(SYSTEM_FONT);
  dc->recorder = std::make_unique<MetaRecorder>(rect, file_name, description);
  return static_cast<HDC>(AddObject(std::move(dc)));
}

HENHMETAFILE CloseEnhMetaFile(HDC handle) {
  Dc* dc = GetDc(handle);
  if (!dc || !dc->recorder) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  std::vector<uint8_t> bytes;
  const bool ok = dc->recorder->Finish(bytes);
  DeleteDC(handle);
  if (!ok) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return NewMetafile(std::move(bytes));
}
