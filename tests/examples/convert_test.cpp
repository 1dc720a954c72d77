// zeljpeg-convert, run as a program: its output agrees with djpeg and cjpeg
// on the same settings, and bad input gets a clear error and no output file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/support/GraphicsTestSupport.h"
#include "tests/support/Pictures.h"
#include "tests/support/TestSupport.h"
#include "zeljpeg/Zeljpeg.h"

namespace {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

// Runs a shell command in dir, capturing its exit code, stdout and stderr.
ToolRun Shell(const TempDir& dir, const std::string& command) {
  const std::string full = "cd " + dir.Path() + " && ( " + command + " ) >" + dir.File(".out") +
                           " 2>" + dir.File(".err");
  ToolRun run;
  run.status = RunShell(full);
  run.out = ReadFileBytes(dir.File(".out"));
  run.err = ReadFileBytes(dir.File(".err"));
  // Standard error is a text stream: on Windows its lines end with CR LF.
  for (size_t at; (at = run.err.find("\r\n")) != std::string::npos;) run.err.erase(at, 1);
  return run;
}

ToolRun Convert(const TempDir& dir, const std::string& args) {
  return Shell(dir, std::string(ZELJPEG_CONVERT) + " " + args);
}

// Runs a tool that must succeed.
void Tool(const TempDir& dir, const std::string& command) {
  const ToolRun run = Shell(dir, command);
  ASSERT_EQ(run.status, 0) << command << ": " << run.err;
}

bool Exists(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f != nullptr) std::fclose(f);
  return f != nullptr;
}

uint32_t Le32(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
         static_cast<uint8_t>(b[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

// The pixels of an uncompressed bottom-up BMP (1 to 24 bits), top-down, as
// 0xRRGGBB through its colour table.
std::vector<uint32_t> BmpPixels(const std::string& b, int& w, int& h, int& bits) {
  std::vector<uint32_t> out;
  if (b.size() < 54 || b.compare(0, 2, "BM") != 0) return out;
  const uint32_t offset = Le32(b, 10);
  w = static_cast<int>(Le32(b, 18));
  h = static_cast<int>(Le32(b, 22));
  bits = static_cast<uint8_t>(b[28]);
  const size_t table = 14 + Le32(b, 14);
  const size_t stride = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
  if (offset + stride * h > b.size()) return out;
  for (int y = 0; y < h; ++y) {
    const size_t row = offset + stride * static_cast<size_t>(h - 1 - y);
    for (int x = 0; x < w; ++x) {
      const auto* p = reinterpret_cast<const uint8_t*>(b.data());
      if (bits == 24) {
        const uint8_t* q = p + row + 3 * x;
        out.push_back(q[2] << 16 | q[1] << 8 | q[0]);
      } else {
        int index = bits == 8 ? p[row + x] : (x % 2 ? p[row + x / 2] & 15 : p[row + x / 2] >> 4);
        const uint8_t* c = p + table + 4 * index;
        out.push_back(c[2] << 16 | c[1] << 8 | c[0]);
      }
    }
  }
  return out;
}

class ConvertTest : public testing::Test {
 protected:
  void SetUp() override {
    WriteFileBytes(dir.File("in.ppm"), Ppm(70, 50));
    Tool(dir, "cjpeg -quality 88 in.ppm > in.jpg");
  }
  std::string Read(const std::string& name) { return ReadFileBytes(dir.File(name)); }
  TempDir dir;
};

TEST_F(ConvertTest, TrueColourBmpEqualsDjpeg) {
  for (const std::string& opts :
       {std::string(), std::string("--dct ifast"), std::string("--dct float"),
        std::string("--nofancy"), std::string("--nosmooth")}) {
    std::string dj = opts;
    if (opts == "--dct ifast") dj = "-dct fast";
    if (opts == "--dct float") dj = "-dct float";
    if (opts == "--nofancy" || opts == "--nosmooth") dj = "-nosmooth";
    const ToolRun run = Convert(dir, opts + " in.jpg out.bmp");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    Tool(dir, "djpeg -bmp " + dj + " in.jpg > dj.bmp");
    const std::string ours = Read("out.bmp"), theirs = Read("dj.bmp");
    ASSERT_GE(ours.size(), 54u);
    // Same header size, same pixel rows byte for byte.
    EXPECT_EQ(ours.size(), theirs.size()) << opts;
    EXPECT_EQ(ours.substr(Le32(ours, 10)), theirs.substr(Le32(theirs, 10))) << opts;
    EXPECT_EQ(ours.substr(18, 12), theirs.substr(18, 12));  // width, height, planes, bits
  }
  // Rows are written to the file a block of about 1 MB at a time.
  WriteFileBytes(dir.File("tall.ppm"), Ppm(301, 1300));
  Tool(dir, "cjpeg tall.ppm > tall.jpg");
  ASSERT_EQ(Convert(dir, "tall.jpg tall.bmp").status, 0);
  Tool(dir, "djpeg -bmp tall.jpg > dj.bmp");
  EXPECT_EQ(Read("tall.bmp"), Read("dj.bmp"));
}

TEST_F(ConvertTest, ProgressiveJpegWithAndWithoutBlockSmoothing) {
  Tool(dir, "cjpeg -progressive -quality 30 in.ppm > p.jpg");
  Tool(dir, "djpeg -bmp p.jpg > dj.bmp");
  ASSERT_EQ(Convert(dir, "p.jpg smooth.bmp").status, 0);
  const std::string smooth = Read("smooth.bmp"), theirs = Read("dj.bmp");
  EXPECT_EQ(smooth.substr(54), theirs.substr(54));  // block smoothing on, as djpeg
  ASSERT_EQ(Convert(dir, "--noblocksmooth p.jpg plain.bmp").status, 0);
  EXPECT_EQ(Read("plain.bmp").size(), smooth.size());
}

TEST_F(ConvertTest, QuantisedBmpsAgreeWithDjpeg) {
  struct Case {
    std::string ours, theirs;
  };
  for (const Case& c : {Case{"--type 8", "-colors 256"}, Case{"--type 8 --colors 32", "-colors 32"},
                        Case{"--type 8 --colors 100 --dither none", "-colors 100 -dither none"},
                        Case{"--type 8 --colors 64 --dither ordered", "-colors 64 -dither ordered"},
                        Case{"--type 4", "-colors 16"},
                        Case{"--type 4 --dither none", "-colors 16 -dither none"}}) {
    const ToolRun run = Convert(dir, c.ours + " in.jpg out.bmp");
    ASSERT_EQ(run.status, 0) << run.err;
    Tool(dir, "djpeg -bmp " + c.theirs + " in.jpg > dj.bmp");
    int w1, h1, b1, w2, h2, b2;
    const std::vector<uint32_t> ours = BmpPixels(Read("out.bmp"), w1, h1, b1);
    const std::vector<uint32_t> theirs = BmpPixels(Read("dj.bmp"), w2, h2, b2);
    ASSERT_EQ(w1, 70);
    ASSERT_EQ(h1, 50);
    EXPECT_EQ(b1, c.ours.find("--type 4") == 0 ? 4 : 8);
    EXPECT_EQ(ours, theirs) << c.ours;
  }
}

TEST_F(ConvertTest, OnePassQuantisationAgreesWithDjpeg) {
  const ToolRun run = Convert(dir, "--type 8 --colors 27 --onepass --dither none in.jpg out.bmp");
  ASSERT_EQ(run.status, 0) << run.err;
  Tool(dir, "djpeg -pnm -colors 27 -onepass -dither none in.jpg > dj.ppm");
  int w, h, bits;
  const std::vector<uint32_t> ours = BmpPixels(Read("out.bmp"), w, h, bits);
  EXPECT_EQ(ours, ReadPnm(Read("dj.ppm")).Values());
  std::set<uint32_t> colours(ours.begin(), ours.end());
  EXPECT_LE(colours.size(), 27u);
}

TEST_F(ConvertTest, GrayOutput) {
  Tool(dir, "djpeg -pnm -grayscale in.jpg > dj.pgm");
  int w, h, bits;
  const std::vector<uint32_t> expected = ReadPnm(Read("dj.pgm")).Values();
  ASSERT_EQ(Convert(dir, "--type gray in.jpg gray.bmp").status, 0);
  // Within one dithered step of the 64 levels.
  EXPECT_LE(WorstGrayDistance(BmpPixels(Read("gray.bmp"), w, h, bits), expected), 8.5);
  EXPECT_EQ(bits, 8);
  // A grayscale JPEG gives a gray BMP without --type; with --type 24 it is refused.
  Tool(dir, "cjpeg -grayscale in.ppm > g.jpg");
  Tool(dir, "djpeg -pnm g.jpg > g.pgm");
  const ToolRun run = Convert(dir, "g.jpg g.bmp");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_LE(
      WorstGrayDistance(BmpPixels(Read("g.bmp"), w, h, bits), ReadPnm(Read("g.pgm")).Values()),
      8.5);
  const ToolRun refused = Convert(dir, "--type 24 g.jpg g24.bmp");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err,
            "zeljpeg-convert: g.jpg: Image is Grayscale but colour output requested\n");
  EXPECT_FALSE(Exists(dir.File("g24.bmp")));
}

TEST_F(ConvertTest, JpegEqualsCjpegOnTheSameSettings) {
  Tool(dir, "djpeg -bmp in.jpg > src.bmp");
  struct Case {
    std::string ours, theirs;
  };
  for (const Case& c : {Case{"", ""}, Case{"--quality 40", "-quality 40"},
                        Case{"--quality 95 --optimize", "-quality 95 -optimize"},
                        Case{"--progressive", "-progressive"}, Case{"--grayscale", "-grayscale"},
                        Case{"--restart 2", "-restart 2"}, Case{"--restart 5b", "-restart 5B"},
                        Case{"--smooth 30", "-smooth 30"}, Case{"--dct float", "-dct float"},
                        Case{"--dct ifast --quality 60", "-dct fast -quality 60"}}) {
    const ToolRun run = Convert(dir, c.ours + " src.bmp out.jpg");
    ASSERT_EQ(run.status, 0) << c.ours << ": " << run.err;
    Tool(dir, "cjpeg " + c.theirs + " src.bmp > cj.jpg");
    EXPECT_EQ(Read("out.jpg"), Read("cj.jpg")) << c.ours;
  }
  // The same pixels with the 124-byte header ImageMagick writes.
  Tool(dir, "convert src.bmp v5.bmp");
  ASSERT_EQ(Le32(Read("v5.bmp"), 14), 124u);
  ASSERT_EQ(Convert(dir, "v5.bmp v5.jpg").status, 0);
  Tool(dir, "cjpeg src.bmp > cj.jpg");
  EXPECT_EQ(Read("v5.jpg"), Read("cj.jpg"));
}

// The JPEG the library makes of a picture file loaded as a picture: for a
// BMP, through the bitmap the file becomes.
std::string LibraryJpeg(const std::string& path) {
  TPicture picture;
  picture.LoadFromFile(path);
  TJPEGStreamCompressor compressor(nullptr);
  TMemoryStream out;
  compressor.SavePictureToStream(&picture, out);
  return std::string(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

// The converter reads a BMP file's rows straight from the file; the JPEG is
// the one it made before from the bitmap the file loaded into, for every
// form of BMP, and cjpeg's where cjpeg reads the form.
TEST_F(ConvertTest, EveryBmpFormConvertsAsItsBitmapDoes) {
  const std::vector<uint32_t> grays = {0x000000, 0x404040, 0x808080, 0xC0C0C0, 0xFFFFFF};
  std::vector<uint32_t> colours;
  for (int i = 0; i < 256; ++i) colours.push_back(PatternRgb(i, 255 - i));
  auto indexed = [](int n) { return [n](int x, int y) { return PatternIndex(x, y, n); }; };
  auto rgb565 = [](int x, int y) {
    const uint32_t c = PatternRgb(x, y);
    return ((c >> 19) & 0x1F) << 11 | ((c >> 10) & 0x3F) << 5 | ((c >> 3) & 0x1F);
  };
  struct Case {
    const char* name;
    BmpLayout layout;
    bool cjpeg_reads;
  };
  const std::vector<Case> cases = {
      {"24 bits", {173, 91, 24, false, BI_RGB, {}, {}, PatternRgb}, true},
      // More rows than the reader takes at once (about 1 MB).
      {"24 bits, tall", {301, 1300, 24, false, BI_RGB, {}, {}, PatternRgb}, true},
      {"24 bits, top-down", {173, -91, 24, false, BI_RGB, {}, {}, PatternRgb}, false},
      {"8 bits", {61, 33, 8, false, BI_RGB, {}, colours, indexed(256)}, true},
      {"8 bits, 5 colours",
       {61, 33, 8, false, BI_RGB, {}, {colours.begin(), colours.begin() + 5}, indexed(5)},
       true},
      {"4 bits",
       {61, 33, 4, false, BI_RGB, {}, {colours.begin(), colours.begin() + 16}, indexed(16)},
       false},
      {"1 bit", {61, 33, 1, false, BI_RGB, {}, {0x102030, 0xF0E0D0}, indexed(2)}, false},
      {"16 bits 5-5-5", {61, 33, 16, false, BI_RGB, {}, {}, indexed(65536)}, false},
      {"16 bits 5-6-5",
       {61, 33, 16, false, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, {}, rgb565},
       false},
      {"32 bits", {61, 33, 32, false, BI_RGB, {}, {}, PatternRgb}, true},
      {"32 bits, odd masks",
       {61,
        33,
        32,
        false,
        BI_BITFIELDS,
        {0x3FF00000, 0x000FFC00, 0x000003FF},
        {},
        [](int x, int y) { return static_cast<uint32_t>(x * 40503u + y * 2654435u); }},
       false},
      {"core header", {61, 33, 8, true, BI_RGB, {}, colours, indexed(256)}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(dir.File("in.bmp"), BuildBmp(c.layout));
    const ToolRun run = Convert(dir, "in.bmp out.jpg");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Read("out.jpg"), LibraryJpeg(dir.File("in.bmp")));
    if (c.cjpeg_reads) {
      Tool(dir, "cjpeg in.bmp > cj.jpg");
      EXPECT_EQ(Read("out.jpg"), Read("cj.jpg"));
    }
  }
  // Run-length encoded, as ImageMagick writes an 8-bit picture.
  WriteFileBytes(dir.File("in.bmp"), BuildBmp({90, 40, 8, false, BI_RGB, {}, grays, indexed(5)}));
  Tool(dir, "convert in.bmp -compress RLE BMP3:rle.bmp");
  ASSERT_EQ(Le32(Read("rle.bmp"), 30), uint32_t{BI_RLE8});
  ASSERT_EQ(Convert(dir, "rle.bmp out.jpg").status, 0);
  EXPECT_EQ(Read("out.jpg"), LibraryJpeg(dir.File("rle.bmp")));
  EXPECT_EQ(Read("out.jpg"), LibraryJpeg(dir.File("in.bmp")));
}

// A write that fails (here at a file-size limit) leaves an existing output
// as it was and no temporary file behind, and says why.
TEST_F(ConvertTest, AFailedWriteLeavesTheOldOutput) {
  SKIP_ON_WINDOWS("the file-size limit of the host's shell does not reach Wine's file calls");
  WriteFileBytes(dir.File("big.ppm"), Ppm(400, 300));
  Tool(dir, "cjpeg big.ppm > big.jpg");
  Tool(dir, "djpeg -bmp big.jpg > big.bmp");
  for (const char* args : {"big.bmp old.jpg", "big.jpg old.bmp"}) {
    WriteFileBytes(dir.File("old.jpg"), "old");
    WriteFileBytes(dir.File("old.bmp"), "old");
    // 512-byte blocks: 2 KB, less than either output needs.
    const ToolRun run =
        Shell(dir, "ulimit -f 4; trap '' XFSZ; " + std::string(ZELJPEG_CONVERT) + " " + args);
    const std::string output = std::string(args).substr(std::string(args).find(' ') + 1);
    EXPECT_EQ(run.status, 1) << args;
    EXPECT_EQ(run.err, "zeljpeg-convert: Cannot write " + output + ": File too large\n");
    EXPECT_EQ(Read("old.jpg"), "old");
    EXPECT_EQ(Read("old.bmp"), "old");
  }
  const ToolRun listing = Shell(dir, "ls");
  EXPECT_EQ(listing.out.find(".tmp"), std::string::npos) << listing.out;
}

// Input read from a pipe: a grayscale JPEG becomes a gray BMP without
// seeking back.
TEST_F(ConvertTest, InputFromAPipe) {
  SKIP_ON_WINDOWS("a pipe of the host's shell is no file for the Windows program");
  Tool(dir, "cjpeg -grayscale in.ppm > g.jpg");
  for (const char* name : {"g.jpg", "in.jpg"}) {
    const ToolRun run = Shell(dir, std::string("cat ") + name + " | " + ZELJPEG_CONVERT +
                                       " --progress /dev/stdin piped.bmp");
    ASSERT_EQ(run.status, 0) << run.err;
    Tool(dir, std::string(ZELJPEG_CONVERT) + " " + name + " direct.bmp");
    EXPECT_EQ(Read("piped.bmp"), Read("direct.bmp")) << name;
  }
}

TEST_F(ConvertTest, CommentAndDensity) {
  Tool(dir, "djpeg -bmp in.jpg > src.bmp");
  ASSERT_EQ(Convert(dir, "--comment 'made by a test' --density 300x150 src.bmp out.jpg").status, 0);
  const std::string jpeg = Read("out.jpg");
  Tool(dir, "rdjpgcom out.jpg > com.txt");
  EXPECT_EQ(Read("com.txt"), "made by a test\n");
  // JFIF APP0: units 1 (dpi), 300 x 150.
  ASSERT_GE(jpeg.size(), 20u);
  EXPECT_EQ(jpeg.substr(6, 5), std::string("JFIF\0", 5));
  EXPECT_EQ(jpeg[13], 1);
  EXPECT_EQ((static_cast<uint8_t>(jpeg[14]) << 8) | static_cast<uint8_t>(jpeg[15]), 300);
  EXPECT_EQ((static_cast<uint8_t>(jpeg[16]) << 8) | static_cast<uint8_t>(jpeg[17]), 150);
  ASSERT_EQ(Convert(dir, "--density 40dpcm src.bmp cm.jpg").status, 0);
  EXPECT_EQ(Read("cm.jpg")[13], 2);
}

TEST_F(ConvertTest, JpegInputRecompresses) {
  const ToolRun run = Convert(dir, "--quality 50 in.jpg small.JPEG");
  ASSERT_EQ(run.status, 0) << run.err;
  Tool(dir, "djpeg -pnm small.JPEG > s.ppm");
  Tool(dir, "djpeg -pnm in.jpg > in-decoded.ppm");
  const RgbImage small = ReadPnm(Read("s.ppm"));
  EXPECT_EQ(small.width, 70);
  EXPECT_LT(MaxChannelDiff(small.Values(), ReadPnm(Read("in-decoded.ppm")).Values()), 120);
}

// Several inputs into a folder, three at a time: each output is what djpeg
// makes of its input; a bad input and one whose output name is taken are
// reported by name while the others are converted.
TEST_F(ConvertTest, BatchConvertsEachInputAndReportsEachFailure) {
  Tool(dir, "mkdir out sub && cp in.jpg sub/in.jpeg");
  WriteFileBytes(dir.File("b.ppm"), Ppm(33, 21, 5));
  Tool(dir, "cjpeg -progressive b.ppm > sub/b.jpg");
  WriteFileBytes(dir.File("junk.jpg"), "definitely not a picture");
  const ToolRun run =
      Convert(dir, "--jobs 3 --progress -o out in.jpg sub/b.jpg junk.jpg sub/in.jpeg");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("zeljpeg-convert: junk.jpg: Not a JPEG file: starts with 0x64 0x65\n"),
            std::string::npos);
  EXPECT_NE(run.err.find("zeljpeg-convert: sub/in.jpeg: not converted: out/in.bmp is the output "
                         "of in.jpg already\n"),
            std::string::npos);
  EXPECT_NE(run.err.find("Converting ["), std::string::npos);
  EXPECT_NE(run.err.find("100%"), std::string::npos);
  for (const char* name : {"in", "b"}) {
    Tool(dir, std::string("djpeg -bmp ") + (name[0] == 'b' ? "sub/b.jpg" : "in.jpg") + " > dj.bmp");
    EXPECT_EQ(Read(std::string("out/") + name + ".bmp"), Read("dj.bmp")) << name;
  }
  EXPECT_FALSE(Exists(dir.File("out/junk.bmp")));
  // The other direction by --to; all succeed: exit 0.
  const ToolRun encode = Convert(dir, "-o sub --to jpg --quality 90 out/in.bmp out/b.bmp");
  EXPECT_EQ(encode.status, 0) << encode.err;
  EXPECT_EQ(Shell(dir, "djpeg sub/in.jpg > /dev/null && djpeg sub/b.jpg > /dev/null").status, 0);
}

TEST_F(ConvertTest, ProgressBarOnRequest) {
  const ToolRun run = Convert(dir, "--progress in.jpg out.bmp");
  ASSERT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("Decoding ["), std::string::npos);
  EXPECT_NE(run.err.find("100%"), std::string::npos);
  EXPECT_EQ(run.err.back(), '\n');
  const ToolRun enc = Convert(dir, "--progress out.bmp out.jpg");
  EXPECT_NE(enc.err.find("Encoding ["), std::string::npos);
  EXPECT_EQ(Convert(dir, "--quiet in.jpg out.bmp").err, "");
}

TEST_F(ConvertTest, ClearErrors) {
  struct Case {
    std::string args;
    int status;
    std::string err;
  };
  Tool(dir, "djpeg -bmp in.jpg > src.bmp");
  WriteFileBytes(dir.File("junk.jpg"), "definitely not a picture");
  WriteFileBytes(dir.File("junk.bmp"), "definitely not a picture");
  const std::string bmp = Read("src.bmp");
  WriteFileBytes(dir.File("cut.bmp"), bmp.substr(0, bmp.size() - 100));  // rows missing
  const std::string jpeg = Read("in.jpg");
  WriteFileBytes(dir.File("cut.jpg"), jpeg.substr(0, jpeg.size() * 3 / 4));  // inside the scan
  WriteFileBytes(dir.File("head.jpg"), jpeg.substr(0, 300));                 // inside the tables
  Tool(dir, "cjpeg -progressive in.ppm > p.jpg");
  WriteFileBytes(dir.File("big.ppm"), Ppm(400, 300));
  Tool(dir, "cjpeg -progressive big.ppm > bigp.jpg");  // 360 KB of coefficients
  // A metafile of 152 bytes whose frame renders at 22980 x 22980 pixels.
  WriteFileBytes(dir.File("huge.emf"), BuildEmf(608000, 608000, {}));
  for (const Case& c : {
           Case{"missing.jpg out.bmp", 1, "zeljpeg-convert: Cannot open file missing.jpg\n"},
           Case{"src.bmp out.bmp", 1,
                "zeljpeg-convert: src.bmp: Not a JPEG file: starts with 0x42 0x4d\n"},
           Case{"junk.jpg out.bmp", 1,
                "zeljpeg-convert: junk.jpg: Not a JPEG file: starts with 0x64 0x65\n"},
           Case{"junk.jpg out.jpg", 1,
                "zeljpeg-convert: junk.jpg: Not a JPEG file: starts with 0x64 0x65\n"},
           Case{"junk.bmp out.jpg", 1, "zeljpeg-convert: junk.bmp: Bitmap image is not valid\n"},
           Case{"cut.bmp out.jpg", 1, "zeljpeg-convert: cut.bmp: Bitmap image is not valid\n"},
           Case{"in.ppm out.jpg", 1,
                "zeljpeg-convert: in.ppm: Unknown picture file extension (.ppm)\n"},
           Case{"in.jpg no/such/dir/out.bmp", 1,
                "zeljpeg-convert: Cannot create file no/such/dir/out.bmp\n"},
           Case{"--bogus in.jpg out.bmp", 2, "zeljpeg-convert: unknown option --bogus\n"},
           Case{"--quality 101 src.bmp out.jpg", 2,
                "zeljpeg-convert: --quality wants a whole number from 0 to 100, not \"101\"\n"},
           Case{"--colors 4 in.jpg out.bmp", 2,
                "zeljpeg-convert: --colors wants a whole number from 8 to 256, not \"4\"\n"},
           Case{"--type 16 in.jpg out.bmp", 2,
                "zeljpeg-convert: --type wants 24, 8, 4 or gray, not \"16\"\n"},
           Case{"--type 8 src.bmp out.jpg", 2,
                "zeljpeg-convert: --type applies only when the output is a BMP file\n"},
           Case{"--quality 50 in.jpg out.bmp", 2,
                "zeljpeg-convert: --quality applies only when the output is a JPEG file "
                "(.jpg, .jpeg)\n"},
           Case{"in.jpg out.png", 2,
                "zeljpeg-convert: cannot write out.png: the output must be a .bmp, .jpg or "
                ".jpeg file\n"},
           Case{"in.jpg out", 2,
                "zeljpeg-convert: cannot write out: the output must be a .bmp, .jpg or .jpeg "
                "file\n"},
           Case{"--max-pixels 3499 in.jpg out.bmp", 1,
                "zeljpeg-convert: in.jpg: Image of 70 x 50 pixels exceeds the limit of 3499 "
                "pixels\n"},
           Case{"--max-pixels 3499 in.jpg out.jpg", 1,
                "zeljpeg-convert: in.jpg: Image of 70 x 50 pixels exceeds the limit of 3499 "
                "pixels\n"},
           Case{"--max-memory 100000 bigp.jpg out.bmp", 1,
                "zeljpeg-convert: bigp.jpg: Image needs more than the limit of 100000 bytes of "
                "codec memory\n"},
           Case{"--max-scans 2 p.jpg out.bmp", 1,
                "zeljpeg-convert: p.jpg: Too many scans in JPEG image (> 2)\n"},
           Case{"--max-scans -1 p.jpg out.bmp", 2,
                "zeljpeg-convert: --max-scans wants a whole number from 0 to 2147483647, not "
                "\"-1\"\n"},
           Case{"huge.emf out.jpg", 1,
                "zeljpeg-convert: huge.emf: Image of 22980 x 22980 pixels exceeds the limit of "
                "268435456 pixels\n"},
           Case{"in.jpg", 2, "zeljpeg-convert: an input and an output file are needed\n"},
           Case{"in.jpg out.bmp --dct", 2, "zeljpeg-convert: --dct needs a value\n"},
           Case{"--jobs 2 in.jpg out.bmp", 2, "zeljpeg-convert: --jobs applies only with -o DIR\n"},
           Case{"-o . --to png in.jpg", 2, "zeljpeg-convert: --to must be bmp, jpg or jpeg\n"},
           Case{"-o .", 2, "zeljpeg-convert: -o needs at least one input file\n"},
           Case{"-o in.jpg in.jpg", 1, "zeljpeg-convert: in.jpg is not a folder\n"},
       }) {
    const ToolRun run = Convert(dir, c.args);
    EXPECT_EQ(run.status, c.status) << c.args;
    const std::string first_line = run.err.substr(0, run.err.find('\n') + 1);
    EXPECT_EQ(first_line, c.err) << c.args;
    EXPECT_FALSE(Exists(dir.File("out.bmp"))) << c.args;
    EXPECT_FALSE(Exists(dir.File("out.jpg"))) << c.args;
  }
  // 0 lifts a limit.
  EXPECT_EQ(Convert(dir, "--max-pixels 0 --max-memory 0 --max-scans 0 bigp.jpg lifted.bmp").status,
            0);
  // A cut-off JPEG still decodes, with a warning on standard error.
  const ToolRun cut = Convert(dir, "cut.jpg out.bmp");
  EXPECT_EQ(cut.status, 0);
  EXPECT_NE(cut.err.find("zeljpeg-convert: warning: Premature end of JPEG file"),
            std::string::npos);
  // Cut inside the tables: the warning, then the error.
  const ToolRun head = Convert(dir, "head.jpg out.bmp");
  EXPECT_EQ(head.status, 1);
  EXPECT_EQ(head.err,
            "zeljpeg-convert: warning: Premature end of JPEG file\n"
            "zeljpeg-convert: head.jpg: Invalid JPEG file structure: missing SOS marker\n");
  // --help prints the usage on standard output.
  const ToolRun help = Convert(dir, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.find("usage: zeljpeg-convert"), 0u);
}

// A JPEG written by Pillow from in.ppm with EXIF orientation 6, an ICC
// profile of 3000 bytes and a comment.
void PillowJpeg(const TempDir& dir, const std::string& name) {
  Tool(dir,
       "/usr/bin/python3 -c \"from PIL import Image; im = Image.open('in.ppm'); "
       "exif = Image.Exif(); exif[0x0112] = 6; exif[0x010F] = 'camera'; "
       "im.save('" +
           name +
           "', exif=exif, icc_profile=bytes(range(250)) * 12, "
           "comment=b'kept', quality=90)\"");
}

// Pillow's view of a JPEG: size, EXIF orientation, ICC profile and EXIF bytes.
std::string PillowView(const TempDir& dir, const std::string& name) {
  const ToolRun run = Shell(dir,
                            "/usr/bin/python3 -c \"from PIL import Image; "
                            "im = Image.open('" +
                                name +
                                "'); "
                                "print(im.size, im.getexif().get(0x0112), "
                                "len(im.info.get('icc_profile', b'')), "
                                "im.info.get('exif', b'').hex())\"");
  EXPECT_EQ(run.status, 0) << run.err;
  return run.out;
}

TEST_F(ConvertTest, InfoPrintsTheHeaderAndTheSizeOfTheResult) {
  PillowJpeg(dir, "o6.jpg");
  const std::string header =
      "width: 70\nheight: 50\ncomponents: 3\ncolor-space: YCbCr\nprogressive: no\n"
      "density-unit: none\nx-density: 1\ny-density: 1\norientation: 6\n"
      "icc-profile-size: 3000\n";
  for (const auto& [args, size] : {std::pair{"", "50\noutput-height: 70"},
                                   std::pair{"--no-auto-orient", "70\noutput-height: 50"},
                                   std::pair{"--scale 1/2", "25\noutput-height: 35"},
                                   std::pair{"--fit 20x20", "14\noutput-height: 20"}}) {
    const ToolRun run = Convert(dir, std::string("--info ") + args + " o6.jpg");
    ASSERT_EQ(run.status, 0) << run.err;
    // Lines end in CR LF on Windows.
    std::string out = run.out;
    out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
    EXPECT_EQ(out, header + "output-width: " + size + "\n") << args;
  }
}

TEST_F(ConvertTest, ScaleAndOrientationAgreeWithDjpegAndPillow) {
  ASSERT_EQ(Convert(dir, "--scale 3/8 in.jpg s.bmp").status, 0);
  Tool(dir, "djpeg -bmp -scale 3/8 in.jpg > dj.bmp");
  EXPECT_TRUE(Read("s.bmp").substr(54) == Read("dj.bmp").substr(54));
  PillowJpeg(dir, "o6.jpg");
  ASSERT_EQ(Convert(dir, "o6.jpg up.bmp").status, 0);
  Tool(dir,
       "/usr/bin/python3 -c \"from PIL import Image, ImageOps; "
       "ImageOps.exif_transpose(Image.open('o6.jpg')).save('pil.ppm')\"");
  int w, h, bits;
  EXPECT_EQ(BmpPixels(Read("up.bmp"), w, h, bits), ReadPnm(Read("pil.ppm")).Values());
  EXPECT_EQ(w, 50);
  ASSERT_EQ(Convert(dir, "--no-auto-orient o6.jpg stored.bmp").status, 0);
  Tool(dir, "djpeg -bmp o6.jpg > dj6.bmp");
  EXPECT_TRUE(Read("stored.bmp").substr(54) == Read("dj6.bmp").substr(54));
}

TEST_F(ConvertTest, FitDecodesAtTheCoveringScaleThenAveragesDown) {
  // A smooth 70 x 50 picture into 30 x 30: decoded at 4/8 (35 x 25), the
  // smallest factor that covers 30 x 21, then averaged down. Pillow's box
  // filter weighs whole pixels where the area average weighs parts of them;
  // on a gradient of at most 5 levels a pixel they differ by at most that.
  Tool(dir,
       "/usr/bin/python3 -c \"from PIL import Image; im = Image.new('RGB', (70, 50)); "
       "im.putdata([(3 * x, 4 * y, 2 * x + y) for y in range(50) for x in range(70)]); "
       "im.save('g.ppm')\" && cjpeg -quality 95 g.ppm > g.jpg");
  ASSERT_EQ(Convert(dir, "--fit 30x30 g.jpg t.bmp").status, 0);
  Tool(dir, "djpeg -scale 4/8 g.jpg > half.ppm");
  Tool(dir,
       "/usr/bin/python3 -c \"from PIL import Image; "
       "Image.open('half.ppm').resize((30, 21), Image.Resampling.BOX).save('box.ppm')\"");
  int w, h, bits;
  const std::vector<uint32_t> ours = BmpPixels(Read("t.bmp"), w, h, bits);
  EXPECT_EQ(w, 30);
  EXPECT_EQ(h, 21);
  EXPECT_LE(MaxChannelDiff(ours, ReadPnm(Read("box.ppm")).Values()), 5);
  ASSERT_EQ(Convert(dir, "--fit 30x30 in.jpg t.jpg").status, 0);
  Tool(dir, "djpeg t.jpg > t.ppm");
  const RgbImage thumbnail = ReadPnm(Read("t.ppm"));
  EXPECT_EQ(thumbnail.width, 30);
  EXPECT_EQ(thumbnail.height, 21);
}

TEST_F(ConvertTest, JpegToJpegKeepsTheMetadataAndSaysUpright) {
  PillowJpeg(dir, "o6.jpg");
  const std::string source = PillowView(dir, "o6.jpg");
  const std::string source_exif = source.substr(source.rfind(' ') + 1);
  const struct {
    const char* args;
    const char* size_orientation_icc;
    bool same_exif;
  } cases[] = {
      {"", "(50, 70) 1 3000", false},
      {"--no-auto-orient", "(70, 50) 6 3000", true},
      {"--auto-orient", "(50, 70) 1 3000", false},  // losslessly
      {"--strip", "(50, 70) None 0", false},
  };
  for (const auto& c : cases) {
    const ToolRun run = Convert(dir, std::string(c.args) + " o6.jpg out.jpg");
    ASSERT_EQ(run.status, 0) << c.args << ": " << run.err;
    const std::string view = PillowView(dir, "out.jpg");
    EXPECT_EQ(view.substr(0, view.rfind(' ')), c.size_orientation_icc) << c.args;
    const std::string exif = view.substr(view.rfind(' ') + 1);
    EXPECT_EQ(exif == source_exif, c.same_exif) << c.args;
    // The rest of the EXIF data is copied as it was.
    if (std::string(c.args) != "--strip") {
      EXPECT_EQ(exif.size(), source_exif.size()) << c.args;
    }
    Tool(dir, "rdjpgcom out.jpg > com.txt");
    EXPECT_EQ(Read("com.txt"), std::string(c.args) == "--strip" ? "" : "kept\n") << c.args;
  }
}

TEST_F(ConvertTest, LosslessTransformsAgreeWithJpegtran) {
  struct Case {
    std::string ours, theirs;
  };
  for (const Case& c : {Case{"--rotate 90", "-rotate 90"},
                        Case{"--flip horizontal --trim", "-flip horizontal -trim"},
                        Case{"--transverse --progressive", "-transverse -progressive"},
                        Case{"--crop 20x10+5+3", "-crop 20x10+5+3"},
                        Case{"--rotate 180 --crop 33x17+17+9 --optimize",
                             "-rotate 180 -crop 33x17+17+9 -optimize"}}) {
    const ToolRun run = Convert(dir, c.ours + " in.jpg out.jpg");
    ASSERT_EQ(run.status, 0) << c.ours << ": " << run.err;
    Tool(dir, "jpegtran " + c.theirs + " in.jpg > jt.jpg");
    Tool(dir, "djpeg out.jpg > ours.ppm && djpeg jt.jpg > theirs.ppm");
    EXPECT_TRUE(Read("ours.ppm") == Read("theirs.ppm")) << c.ours;
  }
  // In a batch as well.
  Tool(dir, "mkdir batch");
  ASSERT_EQ(Convert(dir, "--rotate 90 --to jpg -o batch in.jpg").status, 0);
  Tool(dir, "jpegtran -rotate 90 in.jpg > jt.jpg");
  Tool(dir, "djpeg batch/in.jpg > ours.ppm && djpeg jt.jpg > theirs.ppm");
  EXPECT_TRUE(Read("ours.ppm") == Read("theirs.ppm"));
  // The EXIF orientation, losslessly: as jpegtran's rotation by 90.
  PillowJpeg(dir, "o6.jpg");
  ASSERT_EQ(Convert(dir, "--auto-orient o6.jpg up.jpg").status, 0);
  Tool(dir, "jpegtran -rotate 90 o6.jpg > jt.jpg");
  Tool(dir, "djpeg up.jpg > ours.ppm && djpeg jt.jpg > theirs.ppm");
  EXPECT_TRUE(Read("ours.ppm") == Read("theirs.ppm"));
  // 50 rows are not whole 16-row blocks: the edge is reported, or refused.
  const ToolRun edge = Convert(dir, "--rotate 90 in.jpg edge.jpg");
  EXPECT_EQ(edge.status, 0);
  EXPECT_NE(edge.err.find("warning: the partial blocks"), std::string::npos) << edge.err;
  const ToolRun perfect = Convert(dir, "--rotate 90 --perfect in.jpg out2.jpg");
  EXPECT_EQ(perfect.status, 1);
  EXPECT_EQ(perfect.err.find("zeljpeg-convert: in.jpg: Transformation is not perfect"), 0u)
      << perfect.err;
  EXPECT_FALSE(Exists(dir.File("out2.jpg")));
}

TEST_F(ConvertTest, TheNewOptionsRefuseWhatTheyCannotDo) {
  Tool(dir, "djpeg -bmp in.jpg > src.bmp");
  struct Case {
    std::string args;
    int status;
    std::string err;
  };
  for (const Case& c : {
           Case{"--rotate 45 in.jpg out.jpg", 2, "--rotate wants 90, 180 or 270, not \"45\""},
           Case{"--rotate 90 in.jpg out.bmp", 2,
                "--rotate applies only when the output is a JPEG file (.jpg, .jpeg)"},
           Case{"--rotate 90 --quality 50 in.jpg out.jpg", 2,
                "--quality cannot be combined with --rotate: a lossless transform does not "
                "decode or compress again"},
           Case{"--flip vertical --transpose in.jpg out.jpg", 2,
                "only one of --rotate, --flip, --transpose and --transverse can be given"},
           Case{"--crop 10x10 in.jpg out.jpg", 2,
                "--crop wants WxH+X+Y, such as 640x480+16+32, not \"10x10\""},
           Case{"--scale 0/8 in.jpg out.bmp", 2,
                "--scale wants a whole number from 1 to 16, not \"0\""},
           Case{"--fit 10x10 --scale 1/2 in.jpg out.bmp", 2,
                "--fit and --scale cannot be combined"},
           Case{"--fit 10x10 src.bmp out.jpg", 2, "--fit applies only to JPEG input (.jpg, .jpeg)"},
           Case{"--fit 10x10 --type 8 in.jpg out.bmp", 2,
                "--fit makes a 24-bit picture: it cannot be combined with --type"},
           Case{"--info in.jpg out.bmp", 2, "--info takes one input file and no output"},
           Case{"--info -o . in.jpg", 2, "--info takes one input file and no output"},
           Case{"--fit 10x10 --to jpg -o . in.jpg src.bmp", 2,
                "--fit applies only to JPEG input (.jpg, .jpeg)"},
           Case{"--crop 100x10+0+0 in.jpg out.jpg", 1,
                "in.jpg: Crop region 100x10+0+0 does not lie inside the 70 x 50 image"},
           Case{"--rotate 90 src.bmp out.jpg", 1,
                "src.bmp: Not a JPEG file: starts with 0x42 0x4d"},
       }) {
    const ToolRun run = Convert(dir, c.args);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "zeljpeg-convert: " + c.err) << c.args;
    EXPECT_FALSE(Exists(dir.File("out.jpg"))) << c.args;
    EXPECT_FALSE(Exists(dir.File("out.bmp"))) << c.args;
  }
}

}  // namespace

namespace {

// Metafiles convert as the system's GDI draws them: each picture decoded
// again by djpeg is close to Wine's rendering of it (tests/data/metafiles)
// compressed by cjpeg at the same quality. These are the pictures that
// converted to pure white or kept the whole page red before metafiles were
// drawn in full.
TEST(ConvertMetafileTest, MetafilesConvertAsTheSystemDrawsThem) {
  TempDir dir;
  for (const char* name :
       {"hand-cliprect.emf", "hand-worldscale.emf", "hand-polypolygon16.emf",
        "hand-polybezier16.emf", "hand-textopaque.emf", "wine-paths.emf", "wine-placeable.wmf"}) {
    const std::string source = std::string(VASK_TEST_DATA_DIR) + "/metafiles/" + name;
    const ToolRun run = Convert(dir, "--quality 95 " + source + " out.jpg");
    ASSERT_EQ(run.status, 0) << name << ": " << run.err;
    EXPECT_EQ(run.err, "") << name;
    Tool(dir, "djpeg -bmp out.jpg > out.bmp");
    Tool(dir, "cjpeg -quality 95 " + source + ".bmp | djpeg -bmp > wine.bmp");
    int w = 0, h = 0, bits = 0, ew = 0, eh = 0, ebits = 0;
    const std::vector<uint32_t> ours = BmpPixels(ReadFileBytes(dir.File("out.bmp")), w, h, bits);
    const std::vector<uint32_t> wine =
        BmpPixels(ReadFileBytes(dir.File("wine.bmp")), ew, eh, ebits);
    ASSERT_EQ(w, ew) << name;
    ASSERT_EQ(h, eh) << name;
    // Averages over blocks of 4 x 4 pixels: curves and glyphs may lie a
    // pixel apart (the comparison tests bound that).
    double total = 0;
    int blocks = 0;
    for (int by = 0; by + 4 <= h; by += 4)
      for (int bx = 0; bx + 4 <= w; bx += 4, ++blocks)
        for (int s = 0; s < 24; s += 8) {
          int a = 0, b = 0;
          for (int y = by; y < by + 4; ++y)
            for (int x = bx; x < bx + 4; ++x) {
              a += (ours[y * w + x] >> s) & 255;
              b += (wine[y * w + x] >> s) & 255;
            }
          total += std::abs(a - b) / 16.0;
        }
    EXPECT_LT(total / (3.0 * blocks), 8.0) << name;
  }
}

// A record that playback cannot draw is reported, not silently lost.
TEST(ConvertMetafileTest, UndrawnRecordsAreReported) {
  TempDir dir;
  std::string emf = ReadFileBytes(std::string(VASK_TEST_DATA_DIR) + "/metafiles/hand-cliprect.emf");
  // EMR_EXTFLOODFILL (x, y, colour, mode) twice, before the EOF record.
  std::string record(24, '\0');
  const uint32_t fields[6] = {53, 24, 5, 5, 0, 1};
  std::memcpy(record.data(), fields, sizeof fields);
  emf.insert(emf.size() - 20, record + record);
  const uint32_t bytes = static_cast<uint32_t>(emf.size()), records = Le32(emf, 52) + 2;
  std::memcpy(emf.data() + 48, &bytes, 4);
  std::memcpy(emf.data() + 52, &records, 4);
  WriteFileBytes(dir.File("flood.emf"), emf);
  const ToolRun run = Convert(dir, "flood.emf out.jpg");
  EXPECT_EQ(run.status, 0) << run.err;
#ifdef _WIN32
  EXPECT_EQ(run.err, "");  // the system draws it
#else
  EXPECT_EQ(run.err,
            "zeljpeg-convert: warning: Metafile record EMR_EXTFLOODFILL was not drawn (2 "
            "records)\n");
#endif
  EXPECT_TRUE(Exists(dir.File("out.jpg")));
}

}  // namespace
