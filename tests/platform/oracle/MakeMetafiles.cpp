// Writes the metafiles of the comparison tests that are not recorded by
// Wine's GDI (make_oracle.sh runs it, then renders them under Wine):
// canvas-*.emf, recorded through the class library's TMetafileCanvas, and
// hand-*.emf, records written byte by byte for the cases a recorder does not
// make. The virtual screen is 1920 x 960 pixels, 508 x 254 mm, so that the
// frames are whole pixels on either side.
//
//   metafile_samples DIR
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/GdiTest.h"
#include "platform/graphics/Graphics.h"

namespace {

// An EMF of w x h pixels at 96 dpi: header, records, EOF.
class EmfBuilder {
 public:
  EmfBuilder(int w, int h) : w_(w), h_(h) {}
  // A record of 32-bit values.
  EmfBuilder& Add(DWORD type, std::vector<int32_t> values) {
    std::vector<uint8_t> body(values.size() * 4);
    if (!body.empty()) std::memcpy(body.data(), values.data(), body.size());
    return Raw(type, body);
  }
  EmfBuilder& Raw(DWORD type, std::vector<uint8_t> body) {
    body.resize((body.size() + 3) & ~size_t(3), 0);
    const DWORD size = static_cast<DWORD>(8 + body.size());
    Put(type);
    Put(size);
    records_.insert(records_.end(), body.begin(), body.end());
    ++count_;
    return *this;
  }
  std::vector<uint8_t> Bytes() const {
    ENHMETAHEADER h{};
    h.iType = EMR_HEADER;
    h.nSize = sizeof h;
    h.rclBounds = {0, 0, w_ - 1, h_ - 1};
    h.rclFrame = {0, 0, w_ * 2540 / 96, h_ * 2540 / 96};
    h.dSignature = ENHMETA_SIGNATURE;
    h.nVersion = 0x10000;
    h.nRecords = count_ + 2;
    h.nHandles = 8;
    h.szlDevice = {1920, 960};
    h.szlMillimeters = {508, 254};
    h.szlMicrometers = {508000, 254000};
    const DWORD eof[5] = {EMR_EOF, 20, 0, 0, 20};
    h.nBytes = static_cast<DWORD>(sizeof h + records_.size() + sizeof eof);
    std::vector<uint8_t> out(sizeof h);
    std::memcpy(out.data(), &h, sizeof h);
    out.insert(out.end(), records_.begin(), records_.end());
    const uint8_t* e = reinterpret_cast<const uint8_t*>(eof);
    out.insert(out.end(), e, e + sizeof eof);
    return out;
  }

 private:
  void Put(DWORD v) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&v);
    records_.insert(records_.end(), p, p + 4);
  }
  int w_, h_;
  std::vector<uint8_t> records_;
  DWORD count_ = 0;
};

int32_t Pack16(int x, int y) {
  return static_cast<int32_t>((uint32_t(uint16_t(y)) << 16) | uint16_t(x));
}

std::vector<uint8_t> Bytes(std::vector<int32_t> values) {
  std::vector<uint8_t> out(values.size() * 4);
  std::memcpy(out.data(), values.data(), out.size());
  return out;
}

void Save(const std::string& name, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", name.c_str());
  }
  if (f) std::fclose(f);
}

constexpr int32_t kRed = 0x0000FF, kBlack = 0, kWhite = 0xFFFFFF;

// A red brush in slot 1, selected.
EmfBuilder& RedBrush(EmfBuilder& b) {
  return b.Add(EMR_CREATEBRUSHINDIRECT, {1, BS_SOLID, kRed, 0}).Add(EMR_SELECTOBJECT, {1});
}

void HandMade(const std::string& dir) {
  const int32_t null_pen = static_cast<int32_t>(ENHMETA_STOCK_OBJECT | NULL_PEN);
  {  // Everything painted red, clipped to 10 x 10.
    EmfBuilder b(48, 48);
    RedBrush(b).Add(EMR_SELECTOBJECT, {null_pen}).Add(EMR_INTERSECTCLIPRECT, {5, 5, 15, 15});
    b.Add(EMR_RECTANGLE, {0, 0, 49, 49});
    Save(dir + "/hand-cliprect.emf", b.Bytes());
  }
  {  // Painted red through a world transform that halves everything.
    EmfBuilder b(48, 48);
    RedBrush(b).Add(EMR_SELECTOBJECT, {null_pen});
    const float half[6] = {0.5f, 0, 0, 0.5f, 0, 0};
    std::vector<uint8_t> x(24);
    std::memcpy(x.data(), half, 24);
    b.Raw(EMR_SETWORLDTRANSFORM, x).Add(EMR_RECTANGLE, {0, 0, 49, 49});
    Save(dir + "/hand-worldscale.emf", b.Bytes());
  }
  {  // Two squares of a 16-bit polypolygon, one inside the other.
    EmfBuilder b(48, 48);
    RedBrush(b).Add(EMR_SETPOLYFILLMODE, {ALTERNATE});
    b.Add(EMR_POLYPOLYGON16,
          {2, 2, 45, 45, 2, 8, 4, 4, Pack16(2, 2), Pack16(45, 2), Pack16(45, 45), Pack16(2, 45),
           Pack16(12, 12), Pack16(35, 12), Pack16(35, 35), Pack16(12, 35)});
    Save(dir + "/hand-polypolygon16.emf", b.Bytes());
  }
  {  // A 16-bit Bézier curve and a 16-bit Bézier continuation.
    EmfBuilder b(48, 48);
    b.Add(EMR_POLYBEZIER16,
          {2, 2, 45, 45, 4, Pack16(2, 45), Pack16(10, -10), Pack16(40, 60), Pack16(45, 5)});
    b.Add(EMR_MOVETOEX, {2, 2})
        .Add(EMR_POLYBEZIERTO16, {2, 2, 45, 45, 3, Pack16(20, 40), Pack16(30, 0), Pack16(45, 30)});
    Save(dir + "/hand-polybezier16.emf", b.Bytes());
  }
  {  // Opaque text on a black rectangle, in white Arial.
    EmfBuilder b(96, 48);
    // LOGFONTW: height -20, weight 700, face "Arial".
    std::vector<uint8_t> font = Bytes({1, -20, 0, 0, 0, 700, 0, 0});
    font.resize(12 - 8 + 92, 0);
    const char16_t face[] = u"Arial";
    std::memcpy(font.data() + 4 + 28, face, sizeof face);
    b.Raw(EMR_EXTCREATEFONTINDIRECTW, font).Add(EMR_SELECTOBJECT, {1});
    b.Add(EMR_SETBKCOLOR, {kBlack}).Add(EMR_SETTEXTCOLOR, {kWhite});
    const char16_t text[] = u"Text";
    // rclBounds, graphics mode, scales, reference, count, string offset,
    // options, rectangle, spacing offset; then the string and the spacing.
    std::vector<int32_t> r = {0, 0,  95, 47, GM_COMPATIBLE, 0, 0, 10, 10, 4, 76, ETO_OPAQUE, 4,
                              4, 92, 44, 84};
    std::vector<uint8_t> body = Bytes(r);
    body.resize(76 - 8, 0);
    const uint8_t* t = reinterpret_cast<const uint8_t*>(text);
    body.insert(body.end(), t, t + 8);
    for (int32_t dx : {14, 12, 12, 10}) {
      const uint8_t* d = reinterpret_cast<const uint8_t*>(&dx);
      body.insert(body.end(), d, d + 4);
    }
    float scale = 1;
    std::memcpy(body.data() + 20, &scale, 4);
    std::memcpy(body.data() + 24, &scale, 4);
    b.Raw(EMR_EXTTEXTOUTW, body);
    Save(dir + "/hand-textopaque.emf", b.Bytes());
  }
  {  // Clipping to a region of two rectangles, exclusive-or'ed with a third.
    EmfBuilder b(48, 48);
    RedBrush(b).Add(EMR_SELECTOBJECT, {null_pen});
    b.Add(EMR_EXTSELECTCLIPRGN,
          {64, RGN_COPY, 32, 1, 2, 32, 4, 4, 40, 40, 4, 4, 20, 20, 24, 24, 40, 40});
    b.Add(EMR_EXTSELECTCLIPRGN, {48, RGN_XOR, 32, 1, 1, 16, 10, 10, 30, 30, 10, 10, 30, 30});
    b.Add(EMR_RECTANGLE, {0, 0, 49, 49});
    Save(dir + "/hand-region.emf", b.Bytes());
  }
}

void Canvas(const std::string& dir) {
  TMetafile metafile;
  metafile.SetWidth(96);
  metafile.SetHeight(72);
  {
    TMetafileCanvas canvas(&metafile, nullptr);
    canvas.Brush()->SetColor(clRed);
    canvas.Pen()->SetColor(clNavy);
    canvas.Rectangle(4, 4, 40, 30);
    canvas.Brush()->SetColor(clLime);
    canvas.Ellipse(44, 4, 92, 40);
    const POINT tri[] = {{4, 68}, {40, 36}, {60, 68}};
    canvas.Brush()->SetColor(clYellow);
    canvas.Polygon(tri, 3);
    canvas.Pen()->SetWidth(3);
    canvas.MoveTo(62, 44);
    canvas.LineTo(92, 68);
    const POINT zigzag[] = {{62, 68}, {70, 50}, {78, 68}, {86, 50}};
    canvas.Pen()->SetWidth(1);
    canvas.Polyline(zigzag, 4);
  }
  metafile.SaveToFile(dir + "/canvas-shapes.emf");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: metafile_samples DIR\n");
    return 2;
  }
  InitGraphicsUnit();
  gditest::SetScreenSize(1920, 960);
  HandMade(argv[1]);
  Canvas(argv[1]);
  return 0;
}
