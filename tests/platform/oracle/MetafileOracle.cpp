// The metafile oracle: a Windows program, run under Wine by make_oracle.sh,
// that (1) records metafiles with the system's GDI and (2) renders every
// metafile of a folder with the system's GDI into the expected images that
// the Linux tests compare their own playback with.
//
//   MetafileOracle record DIR   writes wine-*.emf and wine-*.wmf into DIR
//   MetafileOracle render DIR   renders DIR/*.emf and *.wmf to DIR/*.bmp
//
// A picture is rendered at its frame's size in pixels (96 per inch) onto
// white, 1:1 with the frame, into a 32-bit DIB; the BMP file keeps 8 bits
// with a palette when the picture has at most 256 colours.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPlaceableKey = 0x9AC6CDD7;

// The frame of a picture of w x h pixels at 96 dpi, in .01 mm.
RECT Frame(int w, int h) {
  return {0, 0, w * 2540 / 96, h * 2540 / 96};
}

HDC Begin(int w, int h) {
  const RECT frame = Frame(w, h);
  HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
  SetBkMode(dc, TRANSPARENT);
  return dc;
}

void End(HDC dc, const std::string& file) {
  HENHMETAFILE mf = CloseEnhMetaFile(dc);
  DeleteEnhMetaFile(CopyEnhMetaFileA(mf, file.c_str()));
  DeleteEnhMetaFile(mf);
}

HFONT Font(const wchar_t* face, int height, int weight = FW_NORMAL, int escapement = 0,
           bool italic = false, bool underline = false) {
  return CreateFontW(height, 0, escapement, escapement, weight, italic, underline, 0,
                     DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, face);
}

void Select(HDC dc, HGDIOBJ o) {
  DeleteObject(SelectObject(dc, o));
}

// Straight lines and fills with whole-pixel corners: Windows' pixel rules.
void RecordLines(const std::string& dir) {
  HDC dc = Begin(120, 96);
  Select(dc, CreateSolidBrush(RGB(200, 40, 40)));
  Rectangle(dc, 5, 5, 40, 30);
  SelectObject(dc, GetStockObject(NULL_PEN));
  Rectangle(dc, 45, 5, 80, 30);
  Select(dc, CreatePen(PS_SOLID, 1, RGB(0, 0, 160)));
  const POINT star[] = {{100, 4}, {112, 40}, {82, 16}, {118, 16}, {88, 40}};
  SetPolyFillMode(dc, ALTERNATE);
  Polygon(dc, star, 5);
  const POINT tri[] = {{5, 40}, {50, 52}, {20, 90}};
  Select(dc, CreateSolidBrush(RGB(40, 160, 40)));
  Polygon(dc, tri, 3);
  const POINT line[] = {{55, 40}, {115, 60}, {70, 92}, {58, 70}, {110, 45}};
  Polyline(dc, line, 5);
  MoveToEx(dc, 2, 93, nullptr);
  LineTo(dc, 117, 93);
  LineTo(dc, 117, 60);
  End(dc, dir + "/wine-lines.emf");
}

void RecordCurves(const std::string& dir) {
  HDC dc = Begin(120, 96);
  Select(dc, CreateSolidBrush(RGB(250, 200, 60)));
  Ellipse(dc, 4, 4, 44, 30);
  Chord(dc, 50, 4, 90, 34, 90, 4, 50, 34);
  Pie(dc, 90, 4, 118, 34, 118, 20, 104, 4);
  RoundRect(dc, 4, 38, 50, 64, 16, 12);
  const POINT bezier[] = {{56, 90}, {60, 30}, {110, 100}, {116, 40}};
  PolyBezier(dc, bezier, 4);
  Arc(dc, 4, 66, 50, 94, 50, 66, 4, 94);
  SetArcDirection(dc, AD_CLOCKWISE);
  Arc(dc, 56, 38, 80, 62, 80, 38, 56, 62);
  SetArcDirection(dc, AD_COUNTERCLOCKWISE);
  Select(dc, CreatePen(PS_SOLID, 4, RGB(20, 20, 160)));
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  Ellipse(dc, 84, 40, 116, 70);
  End(dc, dir + "/wine-curves.emf");
}

// Like a drawing program's file: Béziers inside BeginPath/StrokeAndFillPath.
void RecordPaths(const std::string& dir) {
  HDC dc = Begin(120, 96);
  Select(dc, CreatePen(PS_SOLID, 3, RGB(0, 0, 0)));
  Select(dc, CreateSolidBrush(RGB(80, 140, 220)));
  BeginPath(dc);
  MoveToEx(dc, 10, 80, nullptr);
  const POINT curve[] = {{20, 10}, {60, 10}, {60, 50}, {60, 90}, {100, 90}, {110, 20}};
  PolyBezierTo(dc, curve, 6);
  LineTo(dc, 110, 85);
  CloseFigure(dc);
  EndPath(dc);
  StrokeAndFillPath(dc);
  Select(dc, CreateHatchBrush(HS_DIAGCROSS, RGB(200, 0, 0)));
  Select(dc, CreatePen(PS_SOLID, 1, RGB(0, 120, 0)));
  BeginPath(dc);
  Ellipse(dc, 70, 4, 116, 40);
  Rectangle(dc, 4, 4, 40, 30);
  EndPath(dc);
  StrokeAndFillPath(dc);
  End(dc, dir + "/wine-paths.emf");
}

void RecordClipping(const std::string& dir) {
  HDC dc = Begin(120, 96);
  SaveDC(dc);
  IntersectClipRect(dc, 10, 10, 60, 50);
  ExcludeClipRect(dc, 20, 20, 30, 30);
  Select(dc, CreateSolidBrush(RGB(220, 60, 60)));
  SelectObject(dc, GetStockObject(NULL_PEN));
  Rectangle(dc, 0, 0, 120, 96);
  RestoreDC(dc, -1);
  HRGN a = CreateRectRgn(70, 5, 90, 45);
  HRGN b = CreateRectRgn(80, 30, 115, 50);
  CombineRgn(a, a, b, RGN_OR);
  ExtSelectClipRgn(dc, a, RGN_COPY);
  Select(dc, CreateSolidBrush(RGB(60, 60, 220)));
  Rectangle(dc, 0, 0, 120, 96);
  ExtSelectClipRgn(dc, nullptr, RGN_COPY);
  BeginPath(dc);
  Ellipse(dc, 10, 55, 110, 94);
  EndPath(dc);
  SelectClipPath(dc, RGN_COPY);
  Select(dc, CreateHatchBrush(HS_CROSS, RGB(0, 120, 0)));
  Rectangle(dc, 0, 0, 120, 96);
  DeleteObject(a);
  DeleteObject(b);
  End(dc, dir + "/wine-clipping.emf");
}

void RecordTransforms(const std::string& dir) {
  HDC dc = Begin(120, 96);
  SetGraphicsMode(dc, GM_ADVANCED);
  Select(dc, CreateSolidBrush(RGB(240, 160, 0)));
  XFORM half{0.5f, 0, 0, 0.5f, 0, 0};
  SetWorldTransform(dc, &half);
  Rectangle(dc, 10, 10, 110, 70);
  const float a = 30 * 3.14159265f / 180;
  XFORM turn{std::cos(a), std::sin(a), -std::sin(a), std::cos(a), 80, 10};
  SetWorldTransform(dc, &turn);
  Select(dc, CreateSolidBrush(RGB(0, 150, 200)));
  Rectangle(dc, 0, 0, 30, 20);
  // (Not an ellipse: Wine draws a turned one upright, in the box of two
  // turned corners; Windows turns it.)
  const POINT kite[] = {{0, 40}, {15, 30}, {30, 40}, {15, 50}};
  Polygon(dc, kite, 4);
  ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowExtEx(dc, 200, 200, nullptr);
  SetViewportExtEx(dc, 100, 50, nullptr);
  SetViewportOrgEx(dc, 10, 60, nullptr);
  Select(dc, CreateSolidBrush(RGB(120, 0, 160)));
  Rectangle(dc, 0, 0, 100, 60);
  const POINT tri[] = {{120, 0}, {200, 60}, {110, 60}};
  Polygon(dc, tri, 3);
  End(dc, dir + "/wine-transforms.emf");
}

void RecordText(const std::string& dir) {
  HDC dc = Begin(240, 120);
  SetTextColor(dc, RGB(0, 0, 0));
  Select(dc, Font(L"Arial", -16));
  TextOutW(dc, 4, 2, L"Arial text Ag", 13);
  Select(dc, Font(L"Times New Roman", -20, FW_BOLD));
  SetTextColor(dc, RGB(160, 0, 0));
  TextOutW(dc, 4, 22, L"Times bold", 10);
  Select(dc, Font(L"Courier New", -14, FW_NORMAL, 0, true, true));
  SetTextColor(dc, RGB(0, 0, 140));
  TextOutW(dc, 4, 48, L"Courier italic", 14);
  SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
  Select(dc, Font(L"Arial", -12));
  TextOutW(dc, 236, 118, L"right bottom", 12);
  SetTextAlign(dc, TA_CENTER | TA_TOP);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(255, 255, 0));
  TextOutW(dc, 180, 4, L"centre", 6);
  SetTextAlign(dc, TA_LEFT | TA_BASELINE);
  SetBkColor(dc, RGB(0, 0, 0));
  SetTextColor(dc, RGB(255, 255, 255));
  const RECT box{4, 70, 110, 92};
  const INT dx[] = {14, 14, 14, 14, 14, 14};
  ExtTextOutW(dc, 8, 86, ETO_OPAQUE, &box, L"spaced", 6, dx);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 100, 0));
  Select(dc, Font(L"Arial", -14, FW_NORMAL, 300));
  TextOutW(dc, 130, 100, L"turned", 6);
  End(dc, dir + "/wine-text.emf");
}

void RecordStyles(const std::string& dir) {
  HDC dc = Begin(120, 96);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(255, 255, 160));
  const int hatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL,
                         HS_BDIAGONAL,  HS_CROSS,    HS_DIAGCROSS};
  for (int i = 0; i < 6; ++i) {
    Select(dc, CreateHatchBrush(hatches[i], RGB(0, 0, 200)));
    Rectangle(dc, 4 + 19 * i, 4, 21 + 19 * i, 24);
  }
  const int styles[] = {PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT};
  for (int i = 0; i < 4; ++i) {
    Select(dc, CreatePen(styles[i], 1, RGB(160, 0, 0)));
    MoveToEx(dc, 4, 30 + 5 * i, nullptr);
    LineTo(dc, 116, 30 + 5 * i);
  }
  SetBkMode(dc, TRANSPARENT);
  Select(dc, CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  Select(dc, CreateSolidBrush(RGB(100, 200, 100)));
  const POINT polys[] = {{4, 52},  {40, 52}, {40, 92}, {4, 92},
                         {12, 60}, {32, 60}, {32, 84}, {12, 84}};
  const INT counts[] = {4, 4};
  SetPolyFillMode(dc, ALTERNATE);
  PolyPolygon(dc, polys, counts, 2);
  SetROP2(dc, R2_XORPEN);
  Select(dc, CreateSolidBrush(RGB(255, 255, 255)));
  Rectangle(dc, 20, 70, 60, 94);
  SetROP2(dc, R2_COPYPEN);
  const POINT lines[] = {{50, 52}, {110, 52}, {50, 60}, {110, 80}, {80, 60}, {80, 92}};
  const DWORD line_counts[] = {2, 2, 2};
  PolyPolyline(dc, lines, line_counts, 3);
  End(dc, dir + "/wine-styles.emf");
}

// A Windows metafile with and without the placeable header.
void RecordWmf(const std::string& dir) {
  HDC dc = CreateMetaFileW(nullptr);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, 1200, 960, nullptr);
  Select(dc, CreateSolidBrush(RGB(30, 130, 230)));
  Rectangle(dc, 100, 100, 700, 500);
  Select(dc, CreatePen(PS_SOLID, 20, RGB(200, 0, 0)));
  Ellipse(dc, 600, 300, 1100, 900);
  const POINT tri[] = {{100, 900}, {500, 600}, {600, 900}};
  Select(dc, CreateSolidBrush(RGB(0, 160, 0)));
  Polygon(dc, tri, 3);
  Select(dc, Font(L"Arial", -120));
  TextOutW(dc, 750, 80, L"WMF", 3);
  HMETAFILE mf = CloseMetaFile(dc);
  const UINT size = GetMetaFileBitsEx(mf, 0, nullptr);
  std::vector<BYTE> bytes(size);
  GetMetaFileBitsEx(mf, size, bytes.data());
  DeleteMetaFile(mf);
  // Placeable: 1200 x 960 units at 960 per inch, 120 x 96 pixels.
  // key, handle, left, top, right, bottom, units per inch, reserved (2
  // words), checksum: the exclusive or of the ten words before it.
  WORD header[11] = {
      WORD(kPlaceableKey), WORD(kPlaceableKey >> 16), 0, 0, 0, 1200, 960, 960, 0, 0, 0};
  for (int i = 0; i < 10; ++i) header[10] ^= header[i];
  FILE* f = std::fopen((dir + "/wine-placeable.wmf").c_str(), "wb");
  std::fwrite(header, 22, 1, f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  f = std::fopen((dir + "/wine-plain.wmf").c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::vector<BYTE> ReadFile(const std::string& name) {
  std::vector<BYTE> out;
  FILE* f = std::fopen(name.c_str(), "rb");
  if (!f) return out;
  BYTE buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    out.insert(out.end(), buffer, buffer + n);
  std::fclose(f);
  return out;
}

// The metafile as an enhanced one, and its picture size in pixels.
HENHMETAFILE Load(const std::string& name, int& w, int& h) {
  std::vector<BYTE> bytes = ReadFile(name);
  if (bytes.size() < 22) return nullptr;
  HENHMETAFILE mf = nullptr;
  DWORD key;
  std::memcpy(&key, bytes.data(), 4);
  if (name.size() > 4 && name.substr(name.size() - 4) == ".wmf") {
    METAFILEPICT pict{MM_ANISOTROPIC, 0, 0, nullptr};
    size_t skip = 0;
    if (key == kPlaceableKey) {
      SHORT box[4];
      WORD inch;
      std::memcpy(box, bytes.data() + 6, 8);
      std::memcpy(&inch, bytes.data() + 14, 2);
      pict.xExt = MulDiv(box[2] - box[0], 2540, inch);
      pict.yExt = MulDiv(box[3] - box[1], 2540, inch);
      skip = 22;
    }
    mf = SetWinMetaFileBits(static_cast<UINT>(bytes.size() - skip), bytes.data() + skip, nullptr,
                            skip ? &pict : nullptr);
  } else {
    mf = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
  }
  if (!mf) return nullptr;
  ENHMETAHEADER header;
  GetEnhMetaFileHeader(mf, sizeof header, &header);
  w = static_cast<int>(std::lround((header.rclFrame.right - header.rclFrame.left) * 96 / 2540.0));
  h = static_cast<int>(std::lround((header.rclFrame.bottom - header.rclFrame.top) * 96 / 2540.0));
  return mf;
}

void WriteBmp(const std::string& name, const DWORD* pixels, int w, int h) {
  std::map<DWORD, int> colours;
  for (int i = 0; i < w * h; ++i) colours.emplace(pixels[i] & 0xFFFFFF, 0);
  const bool indexed = colours.size() <= 256;
  int next = 0;
  for (auto& c : colours) c.second = next++;
  const int bpp = indexed ? 8 : 24;
  const int stride = ((w * bpp + 31) / 32) * 4;
  const int table = indexed ? 4 * static_cast<int>(colours.size()) : 0;
  BITMAPFILEHEADER fh{0x4D42, DWORD(14 + 40 + table + stride * h), 0, 0, DWORD(14 + 40 + table)};
  BITMAPINFOHEADER ih{
      40, w, h, 1, WORD(bpp), BI_RGB, DWORD(stride * h), 0, 0, DWORD(indexed ? colours.size() : 0),
      0};
  FILE* f = std::fopen(name.c_str(), "wb");
  std::fwrite(&fh, 14, 1, f);
  std::fwrite(&ih, 40, 1, f);
  if (indexed) {
    for (const auto& c : colours) std::fwrite(&c.first, 4, 1, f);
  }
  std::vector<BYTE> row(stride);
  for (int y = h - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), 0);
    for (int x = 0; x < w; ++x) {
      const DWORD p = pixels[y * w + x] & 0xFFFFFF;
      if (indexed) {
        row[x] = static_cast<BYTE>(colours[p]);
      } else {
        std::memcpy(&row[3 * x], &p, 3);
      }
    }
    std::fwrite(row.data(), 1, stride, f);
  }
  std::fclose(f);
}

int Render(const std::string& dir) {
  WIN32_FIND_DATAA found;
  int failures = 0;
  for (const char* pattern : {"/*.emf", "/*.wmf"}) {
    HANDLE find = FindFirstFileA((dir + pattern).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      const std::string name = dir + "/" + found.cFileName;
      // A Windows metafile without a placeable header has no size of its
      // own: the tests compare it with the placeable one instead.
      if (std::strncmp(found.cFileName, "wine-plain", 10) == 0) continue;
      int w = 0, h = 0;
      HENHMETAFILE mf = Load(name, w, h);
      if (!mf || w <= 0 || h <= 0) {
        std::fprintf(stderr, "cannot load %s\n", name.c_str());
        ++failures;
        continue;
      }
      BITMAPINFO info{};
      info.bmiHeader = {40, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      void* bits = nullptr;
      HDC dc = CreateCompatibleDC(nullptr);
      HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
      HGDIOBJ old = SelectObject(dc, bitmap);
      PatBlt(dc, 0, 0, w, h, WHITENESS);
      const RECT rect{0, 0, w, h};
      PlayEnhMetaFile(dc, mf, &rect);
      GdiFlush();
      WriteBmp(name + ".bmp", static_cast<const DWORD*>(bits), w, h);
      SelectObject(dc, old);
      DeleteObject(bitmap);
      DeleteDC(dc);
      DeleteEnhMetaFile(mf);
      std::printf("%s: %d x %d\n", found.cFileName, w, h);
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: MetafileOracle record|render DIR\n");
    return 2;
  }
  const std::string mode = argv[1], dir = argv[2];
  if (mode == "record") {
    RecordLines(dir);
    RecordCurves(dir);
    RecordPaths(dir);
    RecordClipping(dir);
    RecordTransforms(dir);
    RecordText(dir);
    RecordStyles(dir);
    RecordWmf(dir);
    return 0;
  }
  return mode == "render" && Render(dir) == 0 ? 0 : 1;
}
