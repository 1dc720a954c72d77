#include "tests/support/GraphicsTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/graphics/Graphics.h"
#include "tests/support/TestSupport.h"

void GraphicsTest::SetUp() {
  InitGraphicsUnit();
  start_ = gditest::LiveHandles();
}

void GraphicsTest::TearDown() {
  const gditest::HandleCounts end = gditest::LiveHandles();
  EXPECT_EQ(end.dcs, start_.dcs) << "device contexts leaked";
  EXPECT_EQ(end.bitmaps, start_.bitmaps) << "bitmaps leaked";
  EXPECT_EQ(end.palettes, start_.palettes) << "palettes leaked";
  EXPECT_EQ(end.brushes, start_.brushes) << "brushes leaked";
  EXPECT_EQ(end.pens, start_.pens) << "pens leaked";
  EXPECT_EQ(end.metafiles, start_.metafiles) << "metafiles leaked";
  EXPECT_EQ(end.globals, start_.globals) << "global blocks leaked";
}

namespace {

void Put16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

std::string PackRows(int width, int rows, int bits, bool top_down,
                     const std::function<uint32_t(int, int)>& pixel) {
  const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  std::string out(stride * rows, '\0');
  for (int r = 0; r < rows; ++r) {
    const int y = top_down ? r : rows - 1 - r;  // file row r shows picture row y
    auto* row = reinterpret_cast<uint8_t*>(&out[r * stride]);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = pixel(x, y);
      switch (bits) {
        case 1:
          if (v & 1) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
          break;
        case 4:
          row[x / 2] |= static_cast<uint8_t>((v & 0xF) << (x % 2 == 0 ? 4 : 0));
          break;
        case 8:
          row[x] = static_cast<uint8_t>(v);
          break;
        case 16:
          row[x * 2] = static_cast<uint8_t>(v);
          row[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
          break;
        case 24:
          row[x * 3] = static_cast<uint8_t>(v);  // blue
          row[x * 3 + 1] = static_cast<uint8_t>(v >> 8);
          row[x * 3 + 2] = static_cast<uint8_t>(v >> 16);
          break;
        default:
          row[x * 4] = static_cast<uint8_t>(v);
          row[x * 4 + 1] = static_cast<uint8_t>(v >> 8);
          row[x * 4 + 2] = static_cast<uint8_t>(v >> 16);
          row[x * 4 + 3] = static_cast<uint8_t>(v >> 24);
          break;
      }
    }
  }
  return out;
}

}  // namespace

std::string BuildBmp(const BmpLayout& layout) {
  const int rows = layout.height < 0 ? -layout.height : layout.height;
  std::string header;
  if (layout.core_header) {
    Put32(header, 12);
    Put16(header, static_cast<uint32_t>(layout.width));
    Put16(header, static_cast<uint32_t>(layout.height));
    Put16(header, 1);
    Put16(header, static_cast<uint32_t>(layout.bits));
  } else {
    Put32(header, 40);
    Put32(header, static_cast<uint32_t>(layout.width));
    Put32(header, static_cast<uint32_t>(layout.height));
    Put16(header, 1);
    Put16(header, static_cast<uint32_t>(layout.bits));
    Put32(header, layout.compression);
    const size_t stride = ((static_cast<size_t>(layout.width) * layout.bits + 31) / 32) * 4;
    Put32(header, static_cast<uint32_t>(stride * rows));
    Put32(header, 0);
    Put32(header, 0);
    Put32(header, static_cast<uint32_t>(layout.colors.size()));
    Put32(header, 0);
    if (layout.compression == BI_BITFIELDS)
      for (uint32_t m : layout.masks) Put32(header, m);
  }
  for (uint32_t c : layout.colors) {
    header.push_back(static_cast<char>(c & 0xFF));
    header.push_back(static_cast<char>((c >> 8) & 0xFF));
    header.push_back(static_cast<char>((c >> 16) & 0xFF));
    if (!layout.core_header) header.push_back('\0');
  }
  const std::string pixels =
      PackRows(layout.width, rows, layout.bits, layout.height < 0, layout.pixel);
  std::string file = "BM";
  Put32(file, static_cast<uint32_t>(14 + header.size() + pixels.size()));
  Put32(file, 0);
  Put32(file, static_cast<uint32_t>(14 + header.size()));
  return file + header + pixels;
}

uint32_t PatternIndex(int x, int y, int colours) {
  return static_cast<uint32_t>((x * 7 + y * 13) % colours);
}

uint32_t PatternRgb(int x, int y) {
  const uint32_t r = (x * 37 + y * 11) & 0xFF, g = (x * 5 + y * 71) & 0xFF,
                 b = (x * 113 + y * 3 + 17) & 0xFF;
  return r << 16 | g << 8 | b;
}

std::string BuildIcon32x16() {
  static const uint32_t vga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                   0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                   0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  std::string image;
  Put32(image, 40);
  Put32(image, 32);
  Put32(image, 64);
  Put16(image, 1);
  Put16(image, 4);
  Put32(image, 0);
  Put32(image, 512 + 128);
  Put32(image, 0);
  Put32(image, 0);
  Put32(image, 0);
  Put32(image, 0);
  for (uint32_t c : vga) {
    image.push_back(static_cast<char>(c & 0xFF));
    image.push_back(static_cast<char>((c >> 8) & 0xFF));
    image.push_back(static_cast<char>((c >> 16) & 0xFF));
    image.push_back('\0');
  }
  image += PackRows(32, 32, 4, false,
                    [](int x, int y) { return x < 4 ? 0u : static_cast<uint32_t>(x + y) % 16; });
  image += PackRows(32, 32, 1, false, [](int x, int) { return x < 4 ? 1u : 0u; });
  std::string file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, 1);
  file.push_back(32);
  file.push_back(32);
  file.push_back(16);
  file.push_back(0);
  Put16(file, 1);
  Put16(file, 4);
  Put32(file, static_cast<uint32_t>(image.size()));
  Put32(file, 22);
  return file + image;
}

std::string BuildEmf(int frame_w, int frame_h, const std::vector<uint32_t>& palette) {
  const uint32_t eof_size = 20 + 4 * static_cast<uint32_t>(palette.size());
  const uint32_t total = 108 + eof_size;
  std::string s;
  Put32(s, EMR_HEADER);
  Put32(s, 108);
  for (int v : {0, 0, 99, 99}) Put32(s, static_cast<uint32_t>(v));  // bounds
  for (int v : {0, 0, frame_w, frame_h}) Put32(s, static_cast<uint32_t>(v));
  Put32(s, ENHMETA_SIGNATURE);
  Put32(s, 0x10000);
  Put32(s, total);
  Put32(s, 2);  // records
  Put16(s, 1);  // handles
  Put16(s, 0);
  Put32(s, 0);  // description
  Put32(s, 0);
  Put32(s, static_cast<uint32_t>(palette.size()));
  Put32(s, 1920);
  Put32(s, 1080);
  Put32(s, 508);
  Put32(s, 286);
  Put32(s, 0);
  Put32(s, 0);
  Put32(s, 0);
  Put32(s, 508000);
  Put32(s, 286000);
  Put32(s, EMR_EOF);
  Put32(s, eof_size);
  Put32(s, static_cast<uint32_t>(palette.size()));
  Put32(s, 16);
  for (uint32_t c : palette) {
    s.push_back(static_cast<char>((c >> 16) & 0xFF));
    s.push_back(static_cast<char>((c >> 8) & 0xFF));
    s.push_back(static_cast<char>(c & 0xFF));
    s.push_back('\0');
  }
  Put32(s, eof_size);
  return s;
}

namespace {

constexpr const char* kPython = "/usr/bin/python3";

bool RunPython(const std::string& script, std::string& why) {
  TempDir dir;
  const std::string script_path = dir.File("script.py");
  WriteFileBytes(script_path, script);
  const std::string command =
      std::string(kPython) + " " + script_path + " > " + dir.File("log") + " 2>&1";
  if (RunShell(command) != 0) {
    why = "python failed: " + ReadFileBytes(dir.File("log"));
    return false;
  }
  return true;
}

}  // namespace

bool PillowDecode(const std::string& path, int& width, int& height, std::vector<uint32_t>& rgb,
                  std::string& why) {
  const std::string raw = path + ".rgb";
  const std::string script =
      "from PIL import Image\n"
      "im = Image.open('" +
      path +
      "')\n"
      "im.load()\n"
      "im = im.convert('RGB')\n"
      "open('" +
      raw + "', 'wb').write(b'%d %d\\n' % im.size + im.tobytes())\n";
  if (!RunPython(script, why)) return false;
  const std::string bytes = ReadFileBytes(raw);
  std::remove(raw.c_str());
  const size_t newline = bytes.find('\n');
  if (newline == std::string::npos || std::sscanf(bytes.c_str(), "%d %d", &width, &height) != 2) {
    why = "unexpected output";
    return false;
  }
  const size_t count = static_cast<size_t>(width) * height;
  if (bytes.size() - newline - 1 != count * 3) {
    why = "unexpected size";
    return false;
  }
  rgb.resize(count);
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + newline + 1);
  for (size_t i = 0; i < count; ++i) rgb[i] = p[i * 3] << 16 | p[i * 3 + 1] << 8 | p[i * 3 + 2];
  return true;
}

bool PillowWriteBmp(const std::string& path, int width, int height,
                    const std::vector<uint32_t>& rgb, const std::string& mode, std::string& why) {
  const std::string raw = path + ".rgb";
  std::string bytes;
  for (uint32_t c : rgb) {
    bytes.push_back(static_cast<char>((c >> 16) & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    bytes.push_back(static_cast<char>(c & 0xFF));
  }
  WriteFileBytes(raw, bytes);
  std::ostringstream script;
  script << "from PIL import Image\n"
         << "im = Image.frombytes('RGB', (" << width << ", " << height << "), open('" << raw
         << "', 'rb').read())\n";
  if (mode == "P")
    script << "im = im.quantize(colors=256, dither=Image.Dither.NONE)\n";
  else if (mode == "1")
    script << "im = im.convert('1', dither=Image.Dither.NONE)\n";
  else if (mode != "RGB")
    script << "im = im.convert('" << mode << "')\n";
  script << "im.save('" << path << "', 'BMP')\n";
  const bool ok = RunPython(script.str(), why);
  std::remove(raw.c_str());
  return ok;
}
