// Writes the seed corpora of every harness: fuzz_seeds <folder> creates
// <folder>/<harness>/ with small valid inputs of every kind the reader knows
// (JPEG made through the codec: baseline, progressive, grayscale, CMYK and
// YCCK, two components, restart markers, comments and APP segments, EXIF
// orientation and ICC profiles, arithmetic coding, for the decoder and the
// lossless transformer; EXIF payloads in both byte orders; DIBs with every
// header size for the compressor; BMPs of every depth and header form;
// icons; EMFs and WMFs; form descriptions and stored pictures).
#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/FuzzComponents.h"
#include "fuzz/FuzzSupport.h"
#include "platform/classes/Filer.h"
#include "platform/graphics/Graphics.h"
#include "tests/support/TestComponents.h"
#include "zeljpeg/Zeljpeg.h"

namespace {

using Bytes = std::vector<uint8_t>;
std::string g_root;
int g_count = 0;

void Save(const std::string& harness, const std::string& name, const Bytes& prefix,
          const Bytes& body) {
  const std::string dir = g_root + "/" + harness;
  mkdir(dir.c_str(), 0755);
  const std::string path = dir + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw Exception("cannot create " + path);
  std::fwrite(prefix.data(), 1, prefix.size(), f);
  std::fwrite(body.data(), 1, body.size(), f);
  std::fclose(f);
  ++g_count;
}

Bytes StreamBytes(TMemoryStream& s) {
  Bytes out(static_cast<size_t>(s.Size()));
  s.SetPosition(0);
  if (!out.empty()) s.ReadBuffer(out.data(), static_cast<int32_t>(out.size()));
  return out;
}

// A test picture: gradients and a few sharp edges.
TBitmap* MakePicture(int width, int height) {
  auto* b = new TBitmap;
  b->SetWidth(width);
  b->SetHeight(height);
  TCanvas* c = b->Canvas();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      c->SetPixels(x, y, RGB(x * 255 / width, y * 255 / height, (x ^ y) * 8 & 0xFF));
  return b;
}

// --- JPEG through the codec directly: colour spaces the components do not write.
Bytes CodecJPEG(int width, int height, J_COLOR_SPACE in_space, int components,
                const std::function<void(jpeg_compress_struct&)>& setup) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = components;
  c.in_color_space = in_space;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 60, TRUE);
  setup(c);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(width * components));
  while (c.next_scanline < c.image_height) {
    for (size_t i = 0; i < row.size(); ++i)
      row[i] = static_cast<JSAMPLE>(i * 7 + c.next_scanline * 13);
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes out(buffer, buffer + size);
  free(buffer);
  return out;
}

// An APP1 payload with EXIF data whose IFD0 holds the orientation tag (and
// one entry before it), in either TIFF byte order.
Bytes ExifPayload(int orientation, bool little) {
  Bytes b = {'E', 'x', 'i', 'f', 0, 0};
  auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
      b.push_back(static_cast<uint8_t>(v >> (8 * (little ? i : n - 1 - i))));
  };
  b.push_back(little ? 'I' : 'M');
  b.push_back(little ? 'I' : 'M');
  put(42, 2);
  put(8, 4);
  put(2, 2);
  put(0x0100, 2);  // ImageWidth, LONG
  put(4, 2);
  put(1, 4);
  put(37, 4);
  put(0x0112, 2);  // Orientation, SHORT
  put(3, 2);
  put(1, 4);
  put(static_cast<uint32_t>(orientation), 2);
  put(0, 2);
  put(0, 4);  // no next IFD
  return b;
}

void ExifSeeds() {
  for (int orientation = 1; orientation <= 8; ++orientation)
    Save("exif", "orientation_" + std::to_string(orientation), {},
         ExifPayload(orientation, orientation % 2 == 0));
}

void JPEGSeeds() {
  std::vector<std::pair<std::string, Bytes>> jpegs;
  std::unique_ptr<TBitmap> picture(MakePicture(37, 23));
  auto component = [&](const std::string& name,
                       const std::function<void(TJPEGStreamCompressor&)>& set) {
    TJPEGStreamCompressor c(nullptr);
    set(c);
    TMemoryStream s;
    c.SaveBitMapToStream(picture.get(), s);
    jpegs.emplace_back(name, StreamBytes(s));
  };
  component("baseline", [](TJPEGStreamCompressor&) {});
  component("progressive", [](TJPEGStreamCompressor& c) { c.SetProgressiveJPEG(true); });
  component("grayscale", [](TJPEGStreamCompressor& c) { c.SetGrayscaleOutput(true); });
  component("gray_progressive", [](TJPEGStreamCompressor& c) {
    c.SetGrayscaleOutput(true);
    c.SetProgressiveJPEG(true);
  });
  component("restart", [](TJPEGStreamCompressor& c) { c.SetRestartInterval(2); });
  component("optimised", [](TJPEGStreamCompressor& c) { c.SetOptimizeCoding(true); });
  component("no_tables", [](TJPEGStreamCompressor& c) { c.SetWriteAllTables(false); });
  component("exif_icc", [](TJPEGStreamCompressor& c) {
    static const Bytes exif = ExifPayload(6, false);
    c.OnWriteMarkers = [&c](TObject*) {
      c.WriteMarker(JPEG_APP0 + 1, exif.data(), static_cast<int32_t>(exif.size()));
      // An ICC profile in two segments.
      static const char first[] = "ICC_PROFILE\0\1\2abcd";
      static const char second[] = "ICC_PROFILE\0\2\2efgh";
      c.WriteMarker(JPEG_APP0 + 2, first, sizeof first - 1);
      c.WriteMarker(JPEG_APP0 + 2, second, sizeof second - 1);
    };
  });
  component("markers", [](TJPEGStreamCompressor& c) {
    c.SetComment("a comment");
    c.OnWriteMarkers = [&c](TObject*) {
      static const char exif[] = "Exif\0\0MM\0*";
      c.WriteMarker(JPEG_APP0 + 1, exif, sizeof exif);
      c.WriteMarker(JPEG_APP0 + 2, "ICC_PROFILE", 12);
      c.WriteMarker(JPEG_APP0 + 13, "Photoshop 3.0", 14);
      c.WriteMarker(JPEG_APP0 + 14, "Adobe\0\0\0\0\0\0", 12);
      c.WriteMarker(JPEG_APP0 + 15, "x", 1);
      c.WriteMarker(JPEG_COM, "second comment", 14);
    };
  });
  jpegs.emplace_back("cmyk", CodecJPEG(19, 11, JCS_CMYK, 4, [](jpeg_compress_struct&) {}));
  jpegs.emplace_back("ycck", CodecJPEG(19, 11, JCS_CMYK, 4, [](jpeg_compress_struct& c) {
                       jpeg_set_colorspace(&c, JCS_YCCK);
                     }));
  jpegs.emplace_back("cmyk_progressive", CodecJPEG(9, 9, JCS_CMYK, 4, [](jpeg_compress_struct& c) {
                       jpeg_simple_progression(&c);
                     }));
  // Two components (JCS_UNKNOWN): no output type can show them.
  jpegs.emplace_back("two_components",
                     CodecJPEG(13, 9, JCS_UNKNOWN, 2, [](jpeg_compress_struct&) {}));
  jpegs.emplace_back("two_progressive",
                     CodecJPEG(9, 9, JCS_UNKNOWN, 2,
                               [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); }));
  jpegs.emplace_back("arithmetic", CodecJPEG(17, 17, JCS_RGB, 3,
                                             [](jpeg_compress_struct& c) { c.arith_code = TRUE; }));
  jpegs.emplace_back("arith_progressive", CodecJPEG(17, 9, JCS_RGB, 3, [](jpeg_compress_struct& c) {
                       c.arith_code = TRUE;
                       jpeg_simple_progression(&c);
                     }));
  jpegs.emplace_back("sampling_444", CodecJPEG(21, 13, JCS_RGB, 3, [](jpeg_compress_struct& c) {
                       c.comp_info[0].h_samp_factor = 1;
                       c.comp_info[0].v_samp_factor = 1;
                     }));
  jpegs.emplace_back("sampling_411", CodecJPEG(40, 8, JCS_RGB, 3, [](jpeg_compress_struct& c) {
                       c.comp_info[0].h_samp_factor = 4;
                       c.comp_info[0].v_samp_factor = 1;
                     }));
  jpegs.emplace_back("rgb_no_transform", CodecJPEG(8, 8, JCS_RGB, 3, [](jpeg_compress_struct& c) {
                       jpeg_set_colorspace(&c, JCS_RGB);
                     }));
  jpegs.emplace_back(
      "restart_rows",
      CodecJPEG(30, 30, JCS_GRAYSCALE, 1, [](jpeg_compress_struct& c) { c.restart_in_rows = 1; }));
  jpegs.emplace_back("one_pixel", CodecJPEG(1, 1, JCS_RGB, 3, [](jpeg_compress_struct&) {}));

  // Option bytes: front end in bits 0-2, output type in bits 3-4, ... (see
  // the harness); a spread of combinations per image.
  // Byte 3: scale, AutoOrient, kept segments, thumbnail.
  static const Bytes kOptions[] = {{0x00, 0x1C, 0x00, 0x07}, {0x09, 0x14, 0x12, 0x13},
                                   {0x12, 0x2C, 0x03, 0x57}, {0x1B, 0x40, 0x01, 0x30},
                                   {0x2C, 0x9C, 0x16, 0x01}, {0x5A, 0x0C, 0x00, 0x9F},
                                   {0x03, 0x1C, 0x10, 0x6B}, {0x39, 0x7C, 0x02, 0x17}};
  size_t k = 0;
  for (const auto& [name, data] : jpegs) {
    for (int v = 0; v < 2; ++v, ++k)
      Save("jpeg_decode", name + "_" + std::to_string(v), kOptions[k % 8], data);
  }
  // Option bytes of the transformer: transform, trim and perfect, copied
  // segments and auto-orientation; crops; output coding (see the harness).
  static const Bytes kTransformOptions[] = {{0x05, 0x00, 0x00}, {0x6F, 0x00, 0x40},
                                            {0x81, 0x13, 0x1B}, {0x5A, 0x00, 0x80},
                                            {0xD6, 0x25, 0x24}, {0x33, 0x00, 0xC0}};
  k = 0;
  for (const auto& [name, data] : jpegs)
    Save("jpeg_transform", name, kTransformOptions[k++ % 6], data);
}

// --- DIBs for the compressor.
void CompressSeeds() {
  struct Shape {
    const char* name;
    int32_t width, height;
    uint16_t bits;
    uint8_t o0, o1;
  };
  // Byte 1 bit 4: the header area is as large as biSize says (V4, V5).
  static const Shape kShapes[] = {
      {"rgb24", 13, 7, 24, 0x02, 0x00},   {"pal8", 9, 5, 8, 0x13, 0x05},
      {"pal4", 11, 3, 4, 0x26, 0x0A},     {"gray8", 4, 4, 8, 0x4B, 0x01},
      {"prog24", 16, 16, 24, 0x86, 0x06}, {"wide4", 33, 2, 4, 0x03, 0x02},
      {"v5_rgb24", 9, 6, 24, 0x02, 0x10}, {"v4_pal8", 7, 5, 8, 0x13, 0x14}};
  for (const Shape& s : kShapes) {
    BITMAPINFOHEADER h{};
    h.biSize = (s.o1 & 0x10) ? (s.bits == 24 ? 124 : 108) : sizeof h;
    h.biWidth = s.width;
    h.biHeight = s.height;
    h.biPlanes = 1;
    h.biBitCount = s.bits;
    Bytes body(sizeof h);
    std::memcpy(body.data(), &h, sizeof h);
    for (int i = 0; i < 64; ++i) body.push_back(static_cast<uint8_t>(i * 37 + 11));
    Save("jpeg_compress", s.name, {s.o0, s.o1}, body);
  }
}

// --- BMP files written by hand, every depth and compression.
struct BmpLayout {
  uint32_t header_size = 40;
  int32_t width = 5, height = 3;
  uint16_t bits = 24;
  uint32_t compression = 0;  // BI_RGB
  uint32_t colours = 0;
  Bytes extra_header;  // masks after a 40-byte header, or the rest of V4/V5
  Bytes pixels;        // when empty: generated rows
};

Bytes MakeBmp(const BmpLayout& s) {
  Bytes info;
  auto put = [&](uint64_t v, int n) {
    for (int i = 0; i < n; ++i) info.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  const bool core = s.header_size == 12;
  put(s.header_size, 4);
  if (core) {
    put(static_cast<uint16_t>(s.width), 2);
    put(static_cast<uint16_t>(s.height), 2);
    put(1, 2);
    put(s.bits, 2);
  } else {
    put(static_cast<uint32_t>(s.width), 4);
    put(static_cast<uint32_t>(s.height), 4);
    put(1, 2);
    put(s.bits, 2);
    put(s.compression, 4);
    put(s.pixels.size(), 4);
    put(2835, 4);
    put(2835, 4);
    put(s.colours, 4);
    put(0, 4);
  }
  info.insert(info.end(), s.extra_header.begin(), s.extra_header.end());
  const int entries = s.bits <= 8 ? (s.colours ? static_cast<int>(s.colours) : 1 << s.bits) : 0;
  for (int i = 0; i < entries; ++i) {
    info.push_back(static_cast<uint8_t>(i * 40));
    info.push_back(static_cast<uint8_t>(255 - i * 20));
    info.push_back(static_cast<uint8_t>(i * 90));
    if (!core) info.push_back(0);
  }
  Bytes pixels = s.pixels;
  if (pixels.empty()) {
    const int rows = s.height < 0 ? -s.height : s.height;
    const int row = ((s.width * s.bits + 31) / 32) * 4;
    for (int i = 0; i < row * rows; ++i) pixels.push_back(static_cast<uint8_t>(i * 29 + 3));
  }
  Bytes file = {'B', 'M'};
  auto put_file = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) file.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  put_file(static_cast<uint32_t>(14 + info.size() + pixels.size()), 4);
  put_file(0, 4);
  put_file(static_cast<uint32_t>(14 + info.size()), 4);
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

Bytes Masks(uint32_t r, uint32_t g, uint32_t b) {
  Bytes m;
  for (uint32_t v : {r, g, b})
    for (int i = 0; i < 4; ++i) m.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return m;
}

void BmpSeeds() {
  std::vector<std::pair<std::string, Bytes>> files;
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    BmpLayout s;
    s.bits = bits;
    files.emplace_back("depth" + std::to_string(bits), MakeBmp(s));
  }
  {
    BmpLayout s;
    s.height = -4;
    files.emplace_back("top_down", MakeBmp(s));
  }
  {
    BmpLayout s;
    s.bits = 8;
    s.colours = 5;
    files.emplace_back("short_table", MakeBmp(s));
  }
  {
    BmpLayout s;
    s.header_size = 12;
    s.bits = 8;
    files.emplace_back("core_header", MakeBmp(s));
  }
  {
    BmpLayout s;
    s.bits = 16;
    s.compression = 3;  // BI_BITFIELDS
    s.extra_header = Masks(0xF800, 0x07E0, 0x001F);
    files.emplace_back("bitfields16", MakeBmp(s));
  }
  {
    BmpLayout s;
    s.bits = 32;
    s.compression = 3;
    s.extra_header = Masks(0x00FF0000, 0x0000FF00, 0x000000FF);
    files.emplace_back("bitfields32", MakeBmp(s));
  }
  {
    BmpLayout s;  // V5 header: masks, colour space, end points, gamma, intent
    s.header_size = 124;
    s.bits = 32;
    s.compression = 3;
    s.extra_header = Masks(0x00FF0000, 0x0000FF00, 0x000000FF);
    s.extra_header.resize(124 - 40, 0);
    files.emplace_back("v5_header", MakeBmp(s));
  }
  {
    BmpLayout s;  // V4 header: 5-6-5 masks in the header
    s.header_size = 108;
    s.bits = 16;
    s.compression = 3;
    s.extra_header = Masks(0xF800, 0x07E0, 0x001F);
    s.extra_header.resize(108 - 40, 0);
    files.emplace_back("v4_header", MakeBmp(s));
  }
  {
    BmpLayout s;  // V5 header with a colour table after it
    s.header_size = 124;
    s.bits = 8;
    s.colours = 16;
    s.extra_header.resize(124 - 40, 0);
    files.emplace_back("v5_palette", MakeBmp(s));
  }
  {
    BmpLayout s;  // OS/2 2.x header
    s.header_size = 64;
    s.bits = 4;
    s.extra_header.resize(64 - 40, 0);
    files.emplace_back("os2_header", MakeBmp(s));
  }
  {
    BmpLayout s;  // RLE8: a run, a literal, end of line, a delta, end of bitmap
    s.bits = 8;
    s.compression = 1;
    s.width = 6;
    s.height = 4;
    s.pixels = {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 2, 1, 1, 2, 5, 0, 0, 0, 1};
    files.emplace_back("rle8", MakeBmp(s));
  }
  {
    BmpLayout s;  // RLE4
    s.bits = 4;
    s.compression = 2;
    s.width = 7;
    s.height = 3;
    s.pixels = {5, 0x12, 0, 4, 0x34, 0x56, 0, 0, 7, 0x7F, 0, 2, 1, 0, 0, 1};
    files.emplace_back("rle4", MakeBmp(s));
  }
  // The bitmap class's own writer, each pixel format.
  std::unique_ptr<TBitmap> picture(MakePicture(7, 5));
  int format = 0;
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    TBitmap b;
    b.Assign(picture.get());
    b.SetPixelFormat(f);
    TMemoryStream s;
    b.SaveToStream(s);
    files.emplace_back("writer" + std::to_string(format++), StreamBytes(s));
  }
  for (size_t i = 0; i < files.size(); ++i)
    Save("bmp", files[i].first, {static_cast<uint8_t>(i % 3)}, files[i].second);
}

// --- Icons: DIB images with their AND masks.
Bytes MakeIco(const std::vector<std::pair<int, uint16_t>>& images) {
  Bytes dir;
  auto put = [](Bytes& b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  put(dir, 0, 2);
  put(dir, 1, 2);
  put(dir, static_cast<uint32_t>(images.size()), 2);
  std::vector<Bytes> bodies;
  for (auto [size, bits] : images) {
    BmpLayout s;
    s.width = size;
    s.height = size * 2;  // XOR and AND halves
    s.bits = bits;
    const int xor_row = ((size * bits + 31) / 32) * 4;
    const int and_row = ((size + 31) / 32) * 4;
    for (int i = 0; i < xor_row * size; ++i) s.pixels.push_back(static_cast<uint8_t>(i * 13));
    for (int i = 0; i < and_row * size; ++i)
      s.pixels.push_back(static_cast<uint8_t>(i & 1 ? 0xF0 : 0));
    Bytes bmp = MakeBmp(s);
    bodies.emplace_back(bmp.begin() + 14, bmp.end());
  }
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const int size = images[i].first;
    dir.push_back(static_cast<uint8_t>(size));
    dir.push_back(static_cast<uint8_t>(size));
    dir.push_back(images[i].second <= 4 ? 16 : 0);
    dir.push_back(0);
    put(dir, 1, 2);
    put(dir, images[i].second, 2);
    put(dir, static_cast<uint32_t>(bodies[i].size()), 4);
    put(dir, offset, 4);
    offset += static_cast<uint32_t>(bodies[i].size());
  }
  for (const Bytes& b : bodies) dir.insert(dir.end(), b.begin(), b.end());
  return dir;
}

void IcoSeeds() {
  Save("ico", "mono16", {}, MakeIco({{16, 1}}));
  Save("ico", "four16", {}, MakeIco({{16, 4}}));
  Save("ico", "pal8_32", {}, MakeIco({{32, 8}}));
  Save("ico", "rgb24", {}, MakeIco({{8, 24}}));
  Save("ico", "argb32", {}, MakeIco({{8, 32}}));
  Save("ico", "several", {}, MakeIco({{16, 4}, {8, 32}, {4, 8}}));
}

// --- Enhanced metafiles recorded through the graphics API.
Bytes RecordEmf(const std::function<void(HDC)>& draw) {
  RECT frame{0, 0, 1000, 800};
  HDC dc = CreateEnhMetaFileA(nullptr, nullptr, &frame, "vask\0seed\0");
  draw(dc);
  HENHMETAFILE mf = CloseEnhMetaFile(dc);
  const UINT size = GetEnhMetaFileBits(mf, 0, nullptr);
  Bytes out(size);
  GetEnhMetaFileBits(mf, size, out.data());
  DeleteEnhMetaFile(mf);
  return out;
}

void EmfSeeds() {
  Save("emf", "shapes", {0}, RecordEmf([](HDC dc) {
         HPEN pen = CreatePen(PS_SOLID, 2, RGB(200, 0, 0));
         HBRUSH brush = CreateSolidBrush(RGB(0, 100, 200));
         HGDIOBJ old_pen = SelectObject(dc, pen);
         HGDIOBJ old_brush = SelectObject(dc, brush);
         Rectangle(dc, 1, 1, 20, 15);
         Ellipse(dc, 5, 5, 30, 25);
         POINT points[] = {{2, 2}, {30, 4}, {16, 28}};
         Polygon(dc, points, 3);
         Polyline(dc, points, 3);
         MoveToEx(dc, 0, 0, nullptr);
         LineTo(dc, 31, 31);
         SetPixel(dc, 3, 3, RGB(1, 2, 3));
         SelectObject(dc, old_pen);
         SelectObject(dc, old_brush);
         DeleteObject(pen);
         DeleteObject(brush);
       }));
  Save("emf", "mapping", {5}, RecordEmf([](HDC dc) {
         SaveDC(dc);
         SetMapMode(dc, MM_ANISOTROPIC);
         SetWindowOrgEx(dc, -5, -5, nullptr);
         SetWindowExtEx(dc, 100, 50, nullptr);
         SetViewportExtEx(dc, 40, -40, nullptr);
         SelectObject(dc, GetStockObject(GRAY_BRUSH));
         PatBlt(dc, 0, 0, 50, 25, PATCOPY);
         RestoreDC(dc, -1);
         Rectangle(dc, 4, 4, 9, 9);
       }));
  Save("emf", "dib", {10}, RecordEmf([](HDC dc) {
         struct {
           BITMAPINFOHEADER h;
           RGBQUAD table[256];
         } info{};
         info.h.biSize = sizeof info.h;
         info.h.biWidth = 5;
         info.h.biHeight = 3;
         info.h.biPlanes = 1;
         info.h.biBitCount = 8;
         for (int i = 0; i < 256; ++i)
           info.table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 7, 0};
         uint8_t bits[8 * 3];
         for (int i = 0; i < 24; ++i) bits[i] = static_cast<uint8_t>(i * 11);
         SetStretchBltMode(dc, HALFTONE);
         StretchDIBits(dc, 0, 0, 25, 15, 0, 0, 5, 3, bits, reinterpret_cast<BITMAPINFO*>(&info),
                       DIB_RGB_COLORS, SRCCOPY);
       }));
  Save("emf", "palette", {1}, RecordEmf([](HDC dc) {
         struct {
           WORD version, count;
           PALETTEENTRY entries[4];
         } log{0x300, 4, {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {9, 9, 9, 0}}};
         HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&log));
         HPALETTE old = SelectPalette(dc, palette, FALSE);
         RealizePalette(dc);
         HBRUSH brush = CreateSolidBrush(PALETTEINDEX(2));
         HGDIOBJ old_brush = SelectObject(dc, brush);
         Rectangle(dc, 0, 0, 10, 10);
         SelectObject(dc, old_brush);
         DeleteObject(brush);
         SelectPalette(dc, old, FALSE);
         DeleteObject(palette);
       }));
  Save("emf", "empty", {2}, RecordEmf([](HDC) {}));
  // The metafiles of the comparison tests: curves, paths, clipping,
  // transforms, text, styles and Windows metafiles.
  const std::string samples = VASK_METAFILE_SAMPLES;
  if (DIR* d = opendir(samples.c_str())) {
    uint8_t options = 0;
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() < 5 ||
          (name.substr(name.size() - 4) != ".emf" && name.substr(name.size() - 4) != ".wmf")) {
        continue;
      }
      std::FILE* f = std::fopen((samples + "/" + name).c_str(), "rb");
      if (!f) continue;
      Bytes bytes;
      uint8_t buffer[4096];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
      std::fclose(f);
      Save("emf", name.substr(0, name.size() - 4), {options++}, bytes);
    }
    closedir(d);
  }
}

// --- Form descriptions and stored pictures.
Bytes WriteForm(TComponent* root) {
  TMemoryStream s;
  TWriter writer(s);
  writer.WriteRootComponent(root);
  return StreamBytes(s);
}

Bytes ToText(const Bytes& binary) {
  TMemoryStream in, out;
  in.WriteBuffer(binary.data(), static_cast<int32_t>(binary.size()));
  in.SetPosition(0);
  ObjectBinaryToText(in, out);
  return StreamBytes(out);
}

// The "Picture.Data" value inside a form written with one picture.
Bytes PictureData(const Bytes& form) {
  static const char kName[] = "\x0cPicture.Data\x0a";
  const auto at = std::search(form.begin(), form.end(), kName, kName + sizeof kName - 1);
  if (at == form.end()) throw Exception("no picture data in the form");
  const size_t start = static_cast<size_t>(at - form.begin()) + sizeof kName - 1;
  uint32_t length = 0;
  std::memcpy(&length, form.data() + start, 4);
  return Bytes(form.begin() + static_cast<long>(start + 4),
               form.begin() + static_cast<long>(start + 4 + length));
}

void FormSeeds() {
  std::vector<std::pair<std::string, Bytes>> forms;
  {
    TTestForm form(nullptr);
    form.SetName("Form1");
    form.Caption = "Seed form";
    auto* panel = new TTestWidget(&form);
    panel->SetName("Panel1");
    panel->Left = -70000;
    panel->Width = 300;
    panel->Small = 65000;
    panel->Big = -(int64_t{1} << 40);
    panel->Visible = false;
    panel->Shape = shTriangle;
    panel->Color = 0xFF;
    panel->Ratio = 2.5;
    panel->Scale = 0.25f;
    panel->Caption = "caption \xc3\xa9 'quoted'";
    panel->Font()->Height = -13;
    panel->Font()->Style = 5;
    panel->Lines()->Add("first line");
    panel->Lines()->Add("");
    panel->Picture()->Bytes = {1, 2, 3, 0, 255};
    auto* button = new TTestWidget(&form);
    button->SetName("Button1");
    button->SetParentComponent(panel);
    button->Buddy = panel;
    button->OnClick = TNotifyEvent(&form, &TTestForm::Button1Click);
    form.OnShow = TNotifyEvent(&form, &TTestForm::FormShow);
    form.Button1 = button;
    form.Panel1 = panel;
    forms.emplace_back("test_form", WriteForm(&form));
  }
  {
    TJPEGFileDecompressor decoder(nullptr);
    decoder.SetName("Decoder");
    decoder.ColoursIn8bitMode = 128;
    decoder.DitherMode = JDITHER_ORDERED;
    forms.emplace_back("decompressor", WriteForm(&decoder));
    TJPEGFileCompressor encoder(nullptr);
    encoder.SetName("Encoder");
    encoder.SetQuality(90);
    encoder.SetProgressiveJPEG(true);
    encoder.SetComment("note");
    forms.emplace_back("compressor", WriteForm(&encoder));
  }
  // Pictures of each graphic class, stored in a TFuzzImage.
  std::vector<std::pair<std::string, Bytes>> pictures;
  auto with_picture = [&](const std::string& name, TGraphic* graphic) {
    TFuzzImage image(nullptr);
    image.SetName("Image1");
    image.Font()->SetHeight(-20);
    image.Picture()->SetGraphic(graphic);
    Bytes form = WriteForm(&image);
    forms.emplace_back("image_" + name, form);
    pictures.emplace_back(name, PictureData(form));
  };
  std::unique_ptr<TBitmap> picture(MakePicture(6, 4));
  with_picture("bitmap", picture.get());
  {
    TJPEGBitmap jpeg;
    jpeg.Assign(picture.get());
    with_picture("jpeg", &jpeg);
  }
  {
    TIcon icon;
    TMemoryStream s;
    Bytes ico = MakeIco({{16, 4}});
    s.WriteBuffer(ico.data(), static_cast<int32_t>(ico.size()));
    s.SetPosition(0);
    icon.LoadFromStream(s);
    with_picture("icon", &icon);
  }
  {
    TMetafile metafile;
    metafile.SetWidth(40);
    metafile.SetHeight(30);
    {
      TMetafileCanvas canvas(&metafile, nullptr);
      canvas.Rectangle(2, 2, 30, 20);
    }
    with_picture("metafile", &metafile);
  }
  for (const auto& [name, data] : forms) {
    Save("form_binary", name, {}, data);
    Save("form_text", name, {}, ToText(data));
  }
  for (const auto& [name, data] : pictures) Save("picture_data", name, {}, data);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
    return 2;
  }
  g_root = argv[1];
  mkdir(g_root.c_str(), 0755);
  try {
    FuzzInit();
    JPEGSeeds();
    ExifSeeds();
    CompressSeeds();
    BmpSeeds();
    IcoSeeds();
    EmfSeeds();
    FormSeeds();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fuzz_seeds: %s\n", e.what());
    return 1;
  }
  std::printf("fuzz_seeds: %d files in %s\n", g_count, g_root.c_str());
  return 0;
}
