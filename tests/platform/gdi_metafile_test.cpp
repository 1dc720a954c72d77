// Enhanced metafiles: recording, file bytes, playback scaled into a target
// rectangle, palettes, and malformed data.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/MetafileReport.h"
#include "tests/support/GdiFixture.h"

namespace {

class GdiMetafile : public GdiFixture {};

// A 100 x 50 (pixel) picture: a red filled rectangle on the left half, a
// blue ellipse on the right half, a green line along the top.
HENHMETAFILE RecordPicture(HPALETTE palette = nullptr) {
  const RECT frame{0, 0, 100 * 2540 / 96, 50 * 2540 / 96};
  HDC rec = CreateEnhMetaFileA(nullptr, nullptr, &frame, "test\0picture\0");
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  HPEN none = static_cast<HPEN>(GetStockObject(NULL_PEN));
  HGDIOBJ old_brush = SelectObject(rec, red);
  HGDIOBJ old_pen = SelectObject(rec, none);
  if (palette) SelectPalette(rec, palette, TRUE);
  Rectangle(rec, 0, 10, 50, 50);
  SelectObject(rec, blue);
  Ellipse(rec, 50, 0, 100, 50);
  HPEN green = CreatePen(PS_SOLID, 1, RGB(0, 255, 0));
  SelectObject(rec, green);
  MoveToEx(rec, 0, 0, nullptr);
  LineTo(rec, 100, 0);
  SelectObject(rec, old_brush);
  SelectObject(rec, old_pen);
  DeleteObject(red);
  DeleteObject(blue);
  DeleteObject(green);
  return CloseEnhMetaFile(rec);
}

TEST_F(GdiMetafile, PlaybackScalesTheFrameOntoTheTargetOnWhite) {
  HENHMETAFILE mf = RecordPicture();
  ASSERT_NE(mf, nullptr);
  ENHMETAHEADER h{};
  ASSERT_EQ(GetEnhMetaFileHeader(mf, sizeof h, &h), sizeof h);
  EXPECT_EQ(h.dSignature, DWORD(ENHMETA_SIGNATURE));
  EXPECT_EQ(h.rclFrame.right, 100 * 2540 / 96);
  EXPECT_GT(h.nRecords, 5u);
  EXPECT_GT(h.nDescription, 0u);

  MemoryDc m(200, 100);  // twice the size
  m.Fill(RGB(255, 255, 255));
  RECT target{0, 0, 200, 100};
  ASSERT_TRUE(PlayEnhMetaFile(m.dc, mf, &target));
  EXPECT_EQ(GetPixel(m.dc, 50, 60), RGB(255, 0, 0));      // rectangle
  EXPECT_EQ(GetPixel(m.dc, 10, 19), RGB(255, 255, 255));  // above it
  EXPECT_EQ(GetPixel(m.dc, 150, 50), RGB(0, 0, 255));     // ellipse centre
  EXPECT_EQ(GetPixel(m.dc, 102, 2), RGB(255, 255, 255));  // ellipse corner
  EXPECT_EQ(GetPixel(m.dc, 60, 0), RGB(0, 255, 0));       // the line
  EXPECT_EQ(GetPixel(m.dc, 150, 97), RGB(0, 0, 255));     // ellipse bottom
  EXPECT_EQ(GetPixel(m.dc, 150, 99), RGB(0, 0, 255));     // no pen: the same size (Windows)
  // The DC's own state is untouched.
  EXPECT_EQ(GetCurrentObject(m.dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));

  // Into a smaller rectangle with an offset.
  m.Fill(RGB(255, 255, 255));
  RECT small{100, 50, 150, 75};
  ASSERT_TRUE(PlayEnhMetaFile(m.dc, mf, &small));
  EXPECT_EQ(GetPixel(m.dc, 110, 70), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(m.dc, 137, 62), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(m.dc, 90, 70), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(m.dc, 137, 80), RGB(255, 255, 255));
  DeleteEnhMetaFile(mf);
}

TEST_F(GdiMetafile, BitsRoundTripAndPaletteEntries) {
  HPALETTE pal = PaletteOf({0x102030, 0x405060});
  HENHMETAFILE mf = RecordPicture(pal);
  DeleteObject(pal);
  const UINT size = GetEnhMetaFileBits(mf, 0, nullptr);
  ASSERT_GT(size, 108u);
  std::vector<BYTE> bytes(size);
  ASSERT_EQ(GetEnhMetaFileBits(mf, size, bytes.data()), size);
  EXPECT_EQ(GetEnhMetaFileBits(mf, size - 1, bytes.data()), 0u);
  HENHMETAFILE copy = SetEnhMetaFileBits(size, bytes.data());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(GetEnhMetaFilePaletteEntries(copy, 0, nullptr), 2u);
  PALETTEENTRY entries[2];
  ASSERT_EQ(GetEnhMetaFilePaletteEntries(copy, 2, entries), 2u);
  EXPECT_EQ(entries[1].peRed, 0x40);
  EXPECT_EQ(entries[1].peBlue, 0x60);

  const std::string path = testing::TempDir() + "gdi_copy.emf";
  HENHMETAFILE file_copy = CopyEnhMetaFileA(copy, path.c_str());
  ASSERT_NE(file_copy, nullptr);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<BYTE> read(size + 10);
  EXPECT_EQ(std::fread(read.data(), 1, read.size(), f), size);
  std::fclose(f);
  std::remove(path.c_str());
  read.resize(size);
  EXPECT_EQ(read, bytes);
  for (HENHMETAFILE h : {mf, copy, file_copy}) EXPECT_TRUE(DeleteEnhMetaFile(h));
  EXPECT_FALSE(DeleteEnhMetaFile(mf));
}

TEST_F(GdiMetafile, MalformedDataIsRefusedOrFailsPlayback) {
  HENHMETAFILE mf = RecordPicture();
  std::vector<BYTE> bytes(GetEnhMetaFileBits(mf, 0, nullptr));
  GetEnhMetaFileBits(mf, static_cast<UINT>(bytes.size()), bytes.data());
  DeleteEnhMetaFile(mf);

  // Truncated, bad signature, a record size running past the end.
  EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(bytes.size() - 4), bytes.data()), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
  EXPECT_EQ(SetEnhMetaFileBits(50, bytes.data()), nullptr);
  std::vector<BYTE> bad = bytes;
  bad[40] ^= 0xFF;  // signature
  EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(bad.size()), bad.data()), nullptr);
  ENHMETAHEADER h;
  std::memcpy(&h, bytes.data(), sizeof h);
  bad = bytes;
  const DWORD huge = 0x7FFFFFF0;
  std::memcpy(bad.data() + h.nSize + 4, &huge, 4);  // first record's size
  EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(bad.size()), bad.data()), nullptr);

  // Well-formed sizes, but a record that selects an object index outside
  // the table: playback fails with ERROR_INVALID_DATA.
  bad = bytes;
  size_t offset = h.nSize;
  while (offset < bad.size()) {
    EMR r;
    std::memcpy(&r, bad.data() + offset, sizeof r);
    if (r.iType == EMR_CREATEBRUSHINDIRECT) {
      const DWORD index = 999;
      std::memcpy(bad.data() + offset + 8, &index, 4);
      break;
    }
    offset += r.nSize;
  }
  HENHMETAFILE broken = SetEnhMetaFileBits(static_cast<UINT>(bad.size()), bad.data());
  ASSERT_NE(broken, nullptr);
  MemoryDc m(10, 10);
  RECT target{0, 0, 10, 10};
  SetLastError(0);
  EXPECT_FALSE(PlayEnhMetaFile(m.dc, broken, &target));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
  DeleteEnhMetaFile(broken);
  EXPECT_FALSE(PlayEnhMetaFile(m.dc, broken, &target));
}

TEST_F(GdiMetafile, RecordedBlitsAndPatternFillsPlayBack) {
  MemoryDc src(4, 4);
  src.Fill(RGB(0, 128, 255));
  SetPixel(src.dc, 3, 3, RGB(255, 255, 0));
  const RECT frame{0, 0, 8 * 2540 / 96, 8 * 2540 / 96};
  HDC rec = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
  HBRUSH gray = CreateSolidBrush(RGB(90, 90, 90));
  RECT all{0, 0, 8, 8};
  FillRect(rec, &all, gray);  // a pattern blit
  DeleteObject(gray);
  SaveDC(rec);
  SetWindowOrgEx(rec, -4, -4, nullptr);  // draw at an offset
  BitBlt(rec, 0, 0, 4, 4, src.dc, 0, 0, SRCCOPY);
  RestoreDC(rec, -1);
  SetPixel(rec, 0, 7, RGB(1, 2, 3));
  HENHMETAFILE mf = CloseEnhMetaFile(rec);
  ASSERT_NE(mf, nullptr);

  MemoryDc m(8, 8);
  RECT target{0, 0, 8, 8};
  ASSERT_TRUE(PlayEnhMetaFile(m.dc, mf, &target));
  EXPECT_EQ(GetPixel(m.dc, 1, 1), RGB(90, 90, 90));
  EXPECT_EQ(GetPixel(m.dc, 4, 4), RGB(0, 128, 255));
  EXPECT_EQ(GetPixel(m.dc, 7, 7), RGB(255, 255, 0));
  EXPECT_EQ(GetPixel(m.dc, 0, 7), RGB(1, 2, 3));
  DeleteEnhMetaFile(mf);
}

TEST_F(GdiMetafile, MappingModesAndPalettesPlayOnAPaletteDisplay) {
  gditest::SetDisplayFormat(gditest::DisplayFormat::Palette8);
  const RECT frame{0, 0, 10 * 2540 / 96, 10 * 2540 / 96};
  HDC rec = CreateEnhMetaFileA(nullptr, nullptr, &frame, nullptr);
  HPALETTE pal = PaletteOf({0x000000, 0xFFFFFF, 0x20C040});
  SelectPalette(rec, pal, TRUE);
  RealizePalette(rec);
  SetMapMode(rec, MM_ANISOTROPIC);
  SetWindowExtEx(rec, 1000, 1000, nullptr);
  SetViewportExtEx(rec, 10, 10, nullptr);
  HBRUSH green = CreateSolidBrush(PALETTEINDEX(2));
  HGDIOBJ old = SelectObject(rec, green);
  SelectObject(rec, GetStockObject(NULL_PEN));
  // 6 x 6 pixels without a pen: metafiles play in the advanced graphics
  // mode, where a rectangle's fill reaches its right and bottom edges.
  Rectangle(rec, 0, 0, 600, 600);
  SelectObject(rec, old);
  DeleteObject(green);
  HENHMETAFILE mf = CloseEnhMetaFile(rec);
  DeleteObject(pal);
  ASSERT_NE(mf, nullptr);
  EXPECT_EQ(GetEnhMetaFilePaletteEntries(mf, 0, nullptr), 3u);

  // The target bitmap is 8 bits on this display; draw it through the
  // metafile's own palette, as a picture would.
  MemoryDc m(10, 10);
  std::vector<PALETTEENTRY> entries(3);
  GetEnhMetaFilePaletteEntries(mf, 3, entries.data());
  HPALETTE target_pal = PaletteOf({0x000000, 0xFFFFFF, 0x20C040});
  HPALETTE old_pal = SelectPalette(m.dc, target_pal, TRUE);
  m.Fill(RGB(255, 255, 255));
  RECT target{0, 0, 10, 10};
  ASSERT_TRUE(PlayEnhMetaFile(m.dc, mf, &target));
  EXPECT_EQ(GetPixel(m.dc, 3, 3), RGB(0x20, 0xC0, 0x40));
  EXPECT_EQ(GetPixel(m.dc, 5, 5), RGB(0x20, 0xC0, 0x40));
  EXPECT_EQ(GetPixel(m.dc, 6, 6), RGB(255, 255, 255));
  gditest::RawBitmap raw;
  SelectObject(m.dc, m.old);
  gditest::ReadBitmap(m.bitmap, raw);
  m.old = SelectObject(m.dc, m.bitmap);
  EXPECT_EQ(raw.bpp, 8);
  EXPECT_EQ(raw.pixels[0], 2);
  SelectPalette(m.dc, old_pal, TRUE);
  DeleteObject(target_pal);
  DeleteEnhMetaFile(mf);
}

TEST_F(GdiMetafile, CorruptedBytesNeverReadOutsideTheData) {
  // A metafile with every rendered record kind, then each byte changed in
  // turn: loading either refuses it or playback stays within the data
  // (checked under the address sanitizer).
  MemoryDc src(3, 3);
  const RECT frame{0, 0, 300, 300};
  HDC rec = CreateEnhMetaFileA(nullptr, nullptr, &frame, "x");
  HPALETTE pal = PaletteOf({0x102030, 0x405060});
  SelectPalette(rec, pal, TRUE);
  HPEN pen = CreatePen(PS_SOLID, 2, RGB(9, 9, 9));
  HGDIOBJ old_pen = SelectObject(rec, pen);
  SaveDC(rec);
  SetViewportOrgEx(rec, 1, 1, nullptr);
  Rectangle(rec, 0, 0, 5, 5);
  RestoreDC(rec, -1);
  const POINT pts[3] = {{0, 0}, {9, 1}, {4, 8}};
  Polygon(rec, pts, 3);
  Polyline(rec, pts, 3);
  StretchBlt(rec, 0, 0, 6, 6, src.dc, 0, 0, 3, 3, SRCCOPY);
  SetPixel(rec, 2, 2, RGB(1, 1, 1));
  SelectObject(rec, old_pen);
  DeleteObject(pen);
  HENHMETAFILE mf = CloseEnhMetaFile(rec);
  DeleteObject(pal);
  std::vector<BYTE> bytes(GetEnhMetaFileBits(mf, 0, nullptr));
  GetEnhMetaFileBits(mf, static_cast<UINT>(bytes.size()), bytes.data());
  DeleteEnhMetaFile(mf);

  MemoryDc m(12, 12);
  RECT target{0, 0, 12, 12};
  int accepted = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    for (BYTE value : {BYTE(0), BYTE(0x7F), BYTE(0xFF)}) {
      std::vector<BYTE> bad = bytes;
      bad[i] = value;
      HENHMETAFILE h = SetEnhMetaFileBits(static_cast<UINT>(bad.size()), bad.data());
      if (!h) continue;
      ++accepted;
      PlayEnhMetaFile(m.dc, h, &target);
      DeleteEnhMetaFile(h);
    }
  }
  EXPECT_GT(accepted, 0);
  for (size_t n = 0; n < bytes.size(); n += 4) {
    EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(n), bytes.data()), nullptr) << n;
  }
}

TEST_F(GdiMetafile, WidePointsUseThirtyTwoBitRecordsAndFilesAreWritten) {
  const std::string path = testing::TempDir() + "gdi_recorded.emf";
  const RECT frame{0, 0, 10 * 2540 / 96, 10 * 2540 / 96};
  HDC rec = CreateEnhMetaFileA(nullptr, path.c_str(), &frame, nullptr);
  SetWindowOrgEx(rec, 40000, 0, nullptr);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  SelectObject(rec, black);
  const POINT square[4] = {{40000, 0}, {40010, 0}, {40010, 10}, {40000, 10}};
  Polygon(rec, square, 4);
  const POINT small[2] = {{40000, 0}, {40005, 0}};
  Polyline(rec, small, 2);
  HENHMETAFILE mf = CloseEnhMetaFile(rec);
  ASSERT_NE(mf, nullptr);
  std::vector<BYTE> bytes(GetEnhMetaFileBits(mf, 0, nullptr));
  GetEnhMetaFileBits(mf, static_cast<UINT>(bytes.size()), bytes.data());
  bool wide_polygon = false, wide_polyline = false;
  ENHMETAHEADER h;
  std::memcpy(&h, bytes.data(), sizeof h);
  for (size_t offset = 0; offset < bytes.size();) {
    EMR r;
    std::memcpy(&r, bytes.data() + offset, sizeof r);
    wide_polygon |= r.iType == EMR_POLYGON;
    wide_polyline |= r.iType == EMR_POLYLINE;
    offset += r.nSize;
  }
  EXPECT_TRUE(wide_polygon);
  EXPECT_TRUE(wide_polyline);
  EXPECT_EQ(h.rclBounds.left, 0);
  EXPECT_EQ(h.rclBounds.right, 10);

  // The file holds the same bytes.
  std::FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<BYTE> file(bytes.size() + 1);
  file.resize(std::fread(file.data(), 1, file.size(), f));
  std::fclose(f);
  std::remove(path.c_str());
  EXPECT_EQ(file, bytes);

  MemoryDc m(10, 10);
  m.Fill(RGB(255, 255, 255));
  RECT target{0, 0, 10, 10};
  ASSERT_TRUE(PlayEnhMetaFile(m.dc, mf, &target));
  EXPECT_EQ(GetPixel(m.dc, 5, 5), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(m.dc, 9, 9), RGB(0, 0, 0));  // pen outline at 10 clipped
  DeleteEnhMetaFile(mf);
}

}  // namespace

namespace {

// An EMF of 32 x 32 pixels (object table of 4) with the given records, each
// given as 32-bit values from its type on (the size is filled in).
std::vector<uint8_t> EmfWith(const std::vector<std::vector<uint32_t>>& records) {
  std::vector<uint32_t> words(27, 0);
  words[0] = EMR_HEADER;
  words[1] = 108;
  words[6] = words[7] = 32 * 2540 / 96;  // frame
  words[10] = ENHMETA_SIGNATURE;
  words[11] = 0x10000;
  words[14] = 4;  // handles
  words[17] = 1920, words[18] = 1080, words[19] = 508, words[20] = 286;
  words[25] = 508000, words[26] = 285750;
  for (auto r : records) {
    r.insert(r.begin() + 1, static_cast<uint32_t>(4 * (r.size() + 1)));
    words.insert(words.end(), r.begin(), r.end());
  }
  for (uint32_t v : {uint32_t{EMR_EOF}, 20u, 0u, 16u, 20u}) words.push_back(v);
  words[12] = static_cast<uint32_t>(4 * words.size());
  words[13] = static_cast<uint32_t>(records.size() + 2);
  std::vector<uint8_t> bytes(4 * words.size());
  std::memcpy(bytes.data(), words.data(), bytes.size());
  return bytes;
}

uint32_t Bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

// A font (slot 1) of the height, with a face name of 32 letters and no
// terminator, selected.
std::vector<std::vector<uint32_t>> Font(int32_t height, int32_t escapement = 0) {
  std::vector<uint32_t> font = {
      EMR_EXTCREATEFONTINDIRECTW, 1, uint32_t(height), 0, uint32_t(escapement), 0, 400, 0, 0};
  font.resize(2 + 23, 0x00410041);  // "AAAA..."
  return {font, {EMR_SELECTOBJECT, 1}};
}

// EXTTEXTOUTW of "Hi" at (2, 2), with changes at word offsets.
std::vector<uint32_t> Text(std::vector<std::pair<size_t, uint32_t>> changes = {}) {
  std::vector<uint32_t> r = {EMR_EXTTEXTOUTW,
                             0,
                             0,
                             31,
                             31,
                             GM_COMPATIBLE,
                             Bits(1),
                             Bits(1),
                             2,
                             2,
                             2,
                             76,
                             0,
                             0,
                             0,
                             0,
                             0,
                             80,
                             0x00690048,
                             8,
                             8};
  for (auto [at, value] : changes) r[at] = value;
  return r;
}

// Records that do not hold what they claim end playback with
// ERROR_INVALID_DATA; records beyond the drawing limits are skipped and
// reported; nothing is read outside a record and no record costs more than
// time in proportion to the target.
TEST_F(GdiMetafile, BadRecordsFailOrAreReportedAndNeverReadOutside) {
  const uint32_t huge = 0x40000000;
  std::vector<std::vector<uint32_t>> big_font = Font(0x7FFFFFFF);
  big_font.push_back(Text());
  std::vector<std::vector<uint32_t>> nameless = Font(-12, 0x7FFFFFFF);
  nameless.push_back(Text());
  std::vector<std::vector<uint32_t>> deep_path(1000, {59});  // EMR_BEGINPATH
  deep_path.push_back({60});                                 // EMR_ENDPATH
  deep_path.push_back({62, 0, 0, 31, 31});                   // EMR_FILLPATH
  struct Case {
    const char* what;
    std::vector<std::vector<uint32_t>> records;
    bool ok;
    DWORD undrawn;
  } cases[] = {
      {"polygon count past the record", {{EMR_POLYGON16, 0, 0, 9, 9, 1000, 0x00010001}}, false, 0},
      {"polypolygon counts that do not add up",
       {{EMR_POLYPOLYGON16, 0, 0, 9, 9, 2, 3, 2, 2, 0, 0x00050005, 0x00050000}},
       false,
       0},
      {"polypolygon of a billion polygons", {{EMR_POLYPOLYGON, 0, 0, 9, 9, huge, 0, 1}}, false, 0},
      {"clip region of a billion rectangles",
       {{EMR_EXTSELECTCLIPRGN, 48, RGN_COPY, 32, 1, huge, 16, 0, 0, 9, 9, 0, 0, 9, 9}},
       false,
       0},
      {"text of a billion characters", {Text({{10, huge}})}, false, 0},
      {"text outside its record", {Text({{11, 4000}})}, false, 0},
      {"spacing outside its record", {Text({{17, 4000}})}, false, 0},
      {"font record too short", {{EMR_EXTCREATEFONTINDIRECTW, 1, 12}}, false, 0},
      {"pen of a billion style entries",
       {{EMR_EXTCREATEPEN, 1, 0, 0, 0, 0, PS_USERSTYLE, 1, BS_SOLID, 0, 0, huge}},
       false,
       0},
      {"a font two billion pixels high", big_font, true, EMR_EXTTEXTOUTW},
      {"a face name without terminator and a huge escapement", nameless, true, 0},
      {"a thousand nested paths", deep_path, true, 0},
      {"a transform that is not a number",
       {{EMR_SETWORLDTRANSFORM, Bits(NAN), 0, 0, Bits(1), 0, 0}},
       true,
       EMR_SETWORLDTRANSFORM},
      {"curves scaled far out",
       {{EMR_SETWORLDTRANSFORM, Bits(1e30f), 0, 0, Bits(1e30f), 0, 0},
        {EMR_POLYBEZIER16, 0, 0, 9, 9, 4, 0, 0x00090009, 0x00000009, 0x00090000}},
       true,
       EMR_POLYBEZIER16},
      {"a pen a billion pixels wide",
       {{EMR_CREATEPEN, 1, PS_SOLID, huge, 0, 0}, {EMR_SELECTOBJECT, 1}, {EMR_LINETO, 30, 30}},
       true,
       EMR_LINETO},
      {"a record of no known type", {{200, 1, 2}}, true, 200},
      {"a rectangle one pixel wide and four billion tall (found by fuzzing)",
       {{EMR_RECTANGLE, 5, uint32_t(-2000000000), 5, 2000000000}},
       true,
       0},
      {"a hatched rectangle four billion pixels wide (found by fuzzing)",
       {{EMR_CREATEBRUSHINDIRECT, 1, BS_HATCHED, 0, HS_CROSS},
        {EMR_SELECTOBJECT, 1},
        {EMR_RECTANGLE, uint32_t(-2000000000), 5, 2000000000, 9}},
       true,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<uint8_t> bytes = EmfWith(c.records);
    HENHMETAFILE mf = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    ASSERT_NE(mf, nullptr);
    MemoryDc m(32, 32);
    const RECT target{0, 0, 32, 32};
    std::vector<TUndrawnRecord> undrawn;
    EXPECT_EQ(PlayEnhMetaFileReporting(m.dc, mf, &target, undrawn), c.ok ? TRUE : FALSE);
    if (!c.ok) {
      EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
    }
    if (c.ok && c.undrawn) {
      ASSERT_EQ(undrawn.size(), 1u);
      EXPECT_EQ(undrawn[0].type, c.undrawn);
      EXPECT_EQ(undrawn[0].count, 1u);
    } else if (c.ok) {
      EXPECT_TRUE(undrawn.empty()) << EnhMetaRecordName(undrawn[0].type);
    }
    DeleteEnhMetaFile(mf);
  }
  EXPECT_EQ(EnhMetaRecordName(EMR_POLYBEZIER16), "EMR_POLYBEZIER16");
  EXPECT_EQ(EnhMetaRecordName(200), "EMR_200");
  EXPECT_EQ(EnhMetaRecordName(0x10000 + META_ESCAPE), "META_0626");
}

}  // namespace
