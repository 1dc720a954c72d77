// Metafiles: TMetafile::LoadFromStream (enhanced and Windows metafiles),
// SetEnhMetaFileBits and SetWinMetaFileBits, then playback into a small
// bitmap on a memory context (the first input byte picks the display format
// and the target rectangle), and saving back.
#include "fuzz/FuzzSupport.h"
#include "platform/gdi/GdiTest.h"
#include "platform/graphics/Graphics.h"

namespace {

void Play(HENHMETAFILE metafile, uint8_t options) {
  HDC dc = CreateCompatibleDC(nullptr);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 24, 24);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  // A plain target, a mirrored one and an empty one.
  static constexpr RECT kRects[] = {{0, 0, 24, 24}, {20, 22, 2, 1}, {5, 5, 5, 5}, {-3, 2, 30, 9}};
  PlayEnhMetaFile(dc, metafile, &kRects[(options >> 2) & 3]);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInit();
  TFuzzInput in(data, size);
  const uint8_t options = in.Take();
  static constexpr gditest::DisplayFormat kDisplays[] = {
      gditest::DisplayFormat::TrueColour32, gditest::DisplayFormat::Palette8,
      gditest::DisplayFormat::Colours16, gditest::DisplayFormat::TrueColour32};
  gditest::ScopedDisplay display(kDisplays[options & 3]);
  TMemoryStream stream;
  stream.WriteBuffer(in.Rest(), static_cast<int32_t>(in.RestSize()));
  RunChecked([&] {
    stream.SetPosition(0);
    TMetafile metafile;
    metafile.LoadFromStream(stream);
    Play(metafile.Handle(), options);
    TBitmap target;
    target.SetWidth(8);
    target.SetHeight(8);
    target.Canvas()->StretchDraw(RECT{0, 0, 8, 8}, &metafile);
    for (const TUndrawnRecord& r : metafile.SkippedRecords()) EnhMetaRecordName(r.type);
    TMemoryStream saved;
    metafile.SaveToStream(saved);
  });
  RunChecked([&] {
    HENHMETAFILE raw =
        SetWinMetaFileBits(static_cast<UINT>(in.RestSize()), in.Rest(), nullptr, nullptr);
    if (raw == nullptr) return;
    Play(raw, options);
    DeleteEnhMetaFile(raw);
  });
  RunChecked([&] {
    HENHMETAFILE raw = SetEnhMetaFileBits(static_cast<UINT>(in.RestSize()), in.Rest());
    if (raw == nullptr) return;
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(raw, sizeof header, &header);
    Play(raw, options);
    DeleteEnhMetaFile(raw);
  });
  return 0;
}
