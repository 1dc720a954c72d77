#include "examples/convert/Options.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "platform/sysutils/TextCase.h"

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
  if (text.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    char a = text[text.size() - suffix.size() + i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != suffix[i]) return false;
  }
  return true;
}

long long ParseInt(const std::string& option, const std::string& text, long long low,
                   long long high) {
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high)
    throw UsageError(Format("%s wants a whole number from %lld to %lld, not \"%s\"", option.c_str(),
                            low, high, text.c_str()));
  return value;
}

// The extension of a file name (from its last dot after every folder
// separator), or "" when it has none.
std::string Extension(const std::string& name) {
  const size_t dot = name.rfind('.');
  const size_t separator = name.find_last_of("\\/:");
  if (dot == std::string::npos || (separator != std::string::npos && separator > dot)) return "";
  return name.substr(dot);
}

J_DCT_METHOD ParseDct(const std::string& text) {
  if (text == "islow") return JDCT_ISLOW;
  if (text == "ifast") return JDCT_IFAST;
  if (text == "float") return JDCT_FLOAT;
  throw UsageError(Format("--dct wants islow, ifast or float, not \"%s\"", text.c_str()));
}

// --density N, NxM, each optionally followed by "dpi" or "dpcm".
void ParseDensity(const std::string& text, ConvertOptions& o) {
  std::string numbers = text;
  o.density_unit = 1;
  if (EndsWithNoCase(numbers, "dpcm")) {
    o.density_unit = 2;
    numbers.resize(numbers.size() - 4);
  } else if (EndsWithNoCase(numbers, "dpi")) {
    numbers.resize(numbers.size() - 3);
  }
  const size_t x = numbers.find('x');
  const std::string first = numbers.substr(0, x);
  const std::string second = x == std::string::npos ? first : numbers.substr(x + 1);
  o.x_density = static_cast<uint16_t>(ParseInt("--density", first, 1, 65535));
  o.y_density = static_cast<uint16_t>(ParseInt("--density", second, 1, 65535));
  o.has_density = true;
}

// --scale M/N: each from 1 to 16.
void ParseScale(const std::string& text, ConvertOptions& o) {
  const size_t slash = text.find('/');
  if (slash == std::string::npos)
    throw UsageError(Format("--scale wants M/N, such as 1/2 or 3/8, not \"%s\"", text.c_str()));
  o.scale_num = static_cast<int32_t>(ParseInt("--scale", text.substr(0, slash), 1, 16));
  o.scale_denom = static_cast<int32_t>(ParseInt("--scale", text.substr(slash + 1), 1, 16));
}

// --fit WxH.
void ParseFit(const std::string& text, ConvertOptions& o) {
  const size_t x = text.find('x');
  if (x == std::string::npos)
    throw UsageError(Format("--fit wants WxH, such as 256x256, not \"%s\"", text.c_str()));
  o.fit_width = static_cast<int32_t>(ParseInt("--fit", text.substr(0, x), 1, 65535));
  o.fit_height = static_cast<int32_t>(ParseInt("--fit", text.substr(x + 1), 1, 65535));
}

// --crop WxH+X+Y.
void ParseCrop(const std::string& text, ConvertOptions& o) {
  const size_t x = text.find('x');
  const size_t plus = text.find('+');
  const size_t plus2 = plus == std::string::npos ? plus : text.find('+', plus + 1);
  if (x == std::string::npos || plus2 == std::string::npos || x > plus)
    throw UsageError(
        Format("--crop wants WxH+X+Y, such as 640x480+16+32, not \"%s\"", text.c_str()));
  o.crop_width = static_cast<int32_t>(ParseInt("--crop", text.substr(0, x), 1, 65535));
  o.crop_height =
      static_cast<int32_t>(ParseInt("--crop", text.substr(x + 1, plus - x - 1), 1, 65535));
  o.crop_x =
      static_cast<int32_t>(ParseInt("--crop", text.substr(plus + 1, plus2 - plus - 1), 0, 65535));
  o.crop_y = static_cast<int32_t>(ParseInt("--crop", text.substr(plus2 + 1), 0, 65535));
}

}  // namespace

const char* UsageText() {
  return "usage: zeljpeg-convert [options] INPUT OUTPUT\n"
         "       zeljpeg-convert [options] -o DIR INPUT...\n"
         "\n"
         "OUTPUT ending in .jpg or .jpeg: INPUT (a picture: .bmp, .jpg, .jpeg, .ico, .emf,\n"
         "  .wmf) is compressed to JPEG. OUTPUT ending in .bmp: INPUT (JPEG data) is decoded\n"
         "  to a BMP file. OUTPUT is replaced only when the conversion succeeded.\n"
         "\n"
         "Several files:\n"
         "  -o, --output-dir DIR  convert every INPUT into DIR, named as the input with the\n"
         "                       extension of --to; a failed file is reported and the\n"
         "                       others go on (exit code 1 if any failed)\n"
         "  --to bmp|jpg|jpeg    the outputs' extension, which chooses the direction as\n"
         "                       OUTPUT's does (default bmp)\n"
         "  --jobs N             conversions at once (default: one per processor)\n"
         "\n"
         "JPEG to BMP:\n"
         "  --type 24|8|4|gray   output: 24-bit colour (default; gray for a grayscale\n"
         "                       JPEG), 8-bit or 4-bit quantised colour, or 64-level gray\n"
         "  --colors N           colours for --type 8 (8 to 256, default 256)\n"
         "  --dither none|ordered|fs   dithering for --type 8 and 4 (default fs)\n"
         "  --onepass            one-pass quantisation (fixed colour cube)\n"
         "  --nofancy, --nosmooth   no fancy (smooth) upsampling of colour, as djpeg\n"
         "                       -nosmooth: faster, a little blockier\n"
         "  --noblocksmooth      no block smoothing of progressive images\n"
         "\n"
         "Picture to JPEG:\n"
         "  --quality N          0 to 100 (default 75)\n"
         "  --grayscale          one-component grayscale JPEG\n"
         "  --progressive        progressive JPEG\n"
         "  --optimize           optimised Huffman tables\n"
         "  --restart N[b]       restart marker every N MCU rows, or N MCUs with \"b\"\n"
         "  --smooth N           input smoothing, 0 to 100\n"
         "  --comment TEXT       comment marker\n"
         "  --density N[xM][dpi|dpcm]   JFIF density (default unit dpi)\n"
         "\n"
         "JPEG input (to BMP or JPEG):\n"
         "  --scale M/N          decode at M/N of the size (the codec's factors 1/8 to 16/8;\n"
         "                       a factor between them gives the next larger one)\n"
         "  --fit WxH            a picture that fits inside W x H (aspect kept): decoded at\n"
         "                       the smallest factor that covers it, then shrunk\n"
         "  --no-auto-orient     keep the stored pixels; by default the picture is turned\n"
         "                       upright by its EXIF orientation (and the copied EXIF then\n"
         "                       says orientation 1)\n"
         "  --info               print the header of INPUT (key: value lines) and stop\n"
         "\n"
         "JPEG to JPEG: comments, EXIF, XMP, ICC profile and IPTC data are copied;\n"
         "  --strip              drops them\n"
         "Lossless JPEG to JPEG (the coefficients are moved, nothing is compressed again):\n"
         "  --rotate 90|180|270  rotate clockwise\n"
         "  --flip horizontal|vertical\n"
         "  --transpose, --transverse   mirror across a diagonal\n"
         "  --crop WxH+X+Y       keep W x H pixels at X,Y (the corner moves up and left to\n"
         "                       the nearest block boundary)\n"
         "  --auto-orient        given explicitly: turn upright by the EXIF orientation\n"
         "                       losslessly (with the options above it is applied first)\n"
         "  --trim               drop partial edge blocks a rotation or flip cannot move\n"
         "  --perfect            fail instead when there are such blocks\n"
         "  (--progressive and --optimize apply; other JPEG options do not)\n"
         "\n"
         "Both:\n"
         "  --dct islow|ifast|float    DCT method (default islow)\n"
         "  --max-pixels N       largest JPEG input to decode, in pixels (default\n"
         "                       268435456; 0: no limit)\n"
         "  --max-memory N       codec memory for a JPEG input, in bytes (default\n"
         "                       1073741824; 0: no limit)\n"
         "  --max-scans N        most scans of a progressive JPEG input (default 1000;\n"
         "                       0: no limit)\n"
         "  --progress / --quiet  always / never show a progress bar (default: on a\n"
         "                       terminal, for large images)\n"
         "  --help\n";
}

bool ParseOptions(const std::vector<std::string>& args, ConvertOptions& o) {
  std::vector<std::string> files;
  std::vector<std::string> batch_only;
  std::vector<std::string> lossless_options;
  bool auto_orient_given = false, scale_given = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(Format("%s needs a value", arg.c_str()));
      return args[++i];
    };
    auto set_transform = [&](TJPEGTransform t) {
      if (o.transform != jtNone)
        throw UsageError("only one of --rotate, --flip, --transpose and --transverse can be given");
      o.transform = t;
    };
    // An option of compressing again: it needs a JPEG output.
    auto reencode = [&] {
      o.encode_only.push_back(arg);
      o.reencode_only.push_back(arg);
    };
    // An option of the lossless transform: it needs a JPEG output.
    auto lossless = [&] {
      o.lossless = true;
      o.encode_only.push_back(arg);
      lossless_options.push_back(arg);
    };
    if (arg == "--help" || arg == "-h") return false;
    if (arg.size() < 2 || arg[0] != '-' || arg == "--") {
      if (arg == "--") {
        files.insert(files.end(), args.begin() + static_cast<long>(i) + 1, args.end());
        break;
      }
      files.push_back(arg);
    } else if (arg == "--type") {
      const std::string& v = value();
      if (v == "24")
        o.type = jp24bit;
      else if (v == "8")
        o.type = jp8bit;
      else if (v == "4")
        o.type = jp4bit;
      else if (v == "gray" || v == "grey")
        o.type = jpGrayscale;
      else
        throw UsageError(Format("--type wants 24, 8, 4 or gray, not \"%s\"", v.c_str()));
      o.type_given = true;
      o.decode_only.push_back(arg);
    } else if (arg == "--colors" || arg == "--colours") {
      o.colors = static_cast<int32_t>(ParseInt(arg, value(), 8, 256));
      o.decode_only.push_back(arg);
    } else if (arg == "--dither") {
      const std::string& v = value();
      if (v == "none")
        o.dither = JDITHER_NONE;
      else if (v == "ordered")
        o.dither = JDITHER_ORDERED;
      else if (v == "fs")
        o.dither = JDITHER_FS;
      else
        throw UsageError(Format("--dither wants none, ordered or fs, not \"%s\"", v.c_str()));
      o.decode_only.push_back(arg);
    } else if (arg == "--onepass") {
      o.one_pass = true;
      o.decode_only.push_back(arg);
    } else if (arg == "--nofancy" || arg == "--nosmooth") {
      o.fancy_upsampling = false;  // as djpeg -nosmooth
      o.decode_only.push_back(arg);
    } else if (arg == "--noblocksmooth") {
      o.block_smoothing = false;
      o.decode_only.push_back(arg);
    } else if (arg == "--quality") {
      o.quality = static_cast<int32_t>(ParseInt(arg, value(), 0, 100));
      reencode();
    } else if (arg == "--grayscale" || arg == "--greyscale") {
      o.grayscale = true;
      reencode();
    } else if (arg == "--progressive") {
      o.progressive = true;
      o.encode_only.push_back(arg);
    } else if (arg == "--optimize" || arg == "--optimise") {
      o.optimize = true;
      o.encode_only.push_back(arg);
    } else if (arg == "--restart") {
      std::string v = value();
      if (!v.empty() && (v.back() == 'b' || v.back() == 'B')) {
        v.pop_back();
        o.restart_interval = static_cast<uint32_t>(ParseInt(arg, v, 0, 65535));
        o.restart_rows = 0;
      } else {
        o.restart_rows = static_cast<int32_t>(ParseInt(arg, v, 0, 65535));
        o.restart_interval = 0;
      }
      reencode();
    } else if (arg == "--smooth") {
      o.smoothing = static_cast<int32_t>(ParseInt(arg, value(), 0, 100));
      reencode();
    } else if (arg == "--comment") {
      o.comment = value();
      if (o.comment.size() > 65533) throw UsageError("--comment is longer than 65533 bytes");
      reencode();
    } else if (arg == "--density") {
      ParseDensity(value(), o);
      reencode();
    } else if (arg == "--info") {
      o.info = true;
    } else if (arg == "--scale") {
      ParseScale(value(), o);
      scale_given = true;
      o.reencode_only.push_back(arg);
      o.jpeg_input_only.push_back(arg);
    } else if (arg == "--fit") {
      ParseFit(value(), o);
      o.reencode_only.push_back(arg);
      o.jpeg_input_only.push_back(arg);
    } else if (arg == "--no-auto-orient") {
      o.auto_orient = false;
    } else if (arg == "--auto-orient") {
      o.auto_orient = true;
      auto_orient_given = true;
    } else if (arg == "--strip") {
      o.strip = true;
      o.encode_only.push_back(arg);
    } else if (arg == "--rotate") {
      const std::string& v = value();
      if (v == "90")
        set_transform(jtRotate90);
      else if (v == "180")
        set_transform(jtRotate180);
      else if (v == "270")
        set_transform(jtRotate270);
      else
        throw UsageError(Format("--rotate wants 90, 180 or 270, not \"%s\"", v.c_str()));
      lossless();
    } else if (arg == "--flip") {
      const std::string& v = value();
      if (v == "horizontal")
        set_transform(jtFlipHorizontal);
      else if (v == "vertical")
        set_transform(jtFlipVertical);
      else
        throw UsageError(Format("--flip wants horizontal or vertical, not \"%s\"", v.c_str()));
      lossless();
    } else if (arg == "--transpose") {
      set_transform(jtTranspose);
      lossless();
    } else if (arg == "--transverse") {
      set_transform(jtTransverse);
      lossless();
    } else if (arg == "--crop") {
      ParseCrop(value(), o);
      lossless();
    } else if (arg == "--perfect") {
      o.perfect = true;
      lossless();
    } else if (arg == "--trim") {
      o.trim = true;
      lossless();
    } else if (arg == "--dct") {
      o.dct = ParseDct(value());
      o.reencode_only.push_back(arg);
    } else if (arg == "--max-pixels") {
      o.max_pixels = ParseInt(arg, value(), 0, INT64_MAX);
    } else if (arg == "--max-memory") {
      o.max_memory = ParseInt(arg, value(), 0, INT64_MAX);
    } else if (arg == "--max-scans") {
      o.max_scans = static_cast<int32_t>(ParseInt(arg, value(), 0, INT32_MAX));
    } else if (arg == "-o" || arg == "--output-dir") {
      o.output_dir = value();
      if (o.output_dir.empty()) throw UsageError(Format("%s needs a folder", arg.c_str()));
    } else if (arg == "--to") {
      o.to = LowerCase(value());
      if (o.to.size() > 1 && o.to[0] == '.') o.to.erase(0, 1);
      if (o.to != "bmp" && o.to != "jpg" && o.to != "jpeg")
        throw UsageError("--to must be bmp, jpg or jpeg");
      batch_only.push_back(arg);
    } else if (arg == "--jobs" || arg == "-j") {
      o.jobs = static_cast<int>(ParseInt(arg, value(), 1, 1024));
      batch_only.push_back(arg);
    } else if (arg == "--progress") {
      o.progress = true;
    } else if (arg == "--quiet") {
      o.progress = false;
    } else {
      throw UsageError(Format("unknown option %s", arg.c_str()));
    }
  }
  if (o.info) {
    if (!o.output_dir.empty() || files.size() != 1)
      throw UsageError("--info takes one input file and no output");
    const std::vector<std::string>& other = o.encode_only.empty() ? o.decode_only : o.encode_only;
    if (!other.empty())
      throw UsageError(Format("%s does not apply to --info", other.front().c_str()));
    if (!batch_only.empty())
      throw UsageError(Format("%s applies only with -o DIR", batch_only.front().c_str()));
    o.input = files[0];
    return true;
  }
  if (!o.output_dir.empty()) {
    if (files.empty()) throw UsageError("-o needs at least one input file");
    o.inputs = files;
    // Stands for every output in the checks below.
    o.output = "output." + o.to;
  } else {
    if (!batch_only.empty())
      throw UsageError(Format("%s applies only with -o DIR", batch_only.front().c_str()));
    if (files.size() != 2)
      throw UsageError(files.size() < 2 ? "an input and an output file are needed"
                                        : "only one input and one output file can be given");
    o.input = files[0];
    o.output = files[1];
  }
  o.to_jpeg = TJPEGBitmap::HasJPEGExtension(o.output);
  // Checked before anything is read: every other output would be a BMP file
  // under a name that says otherwise.
  if (!o.to_jpeg && !SameText(Extension(o.output), ".bmp"))
    throw UsageError(
        Format("cannot write %s: the output must be a .bmp, .jpg or .jpeg file", o.output.c_str()));
  const std::vector<std::string>& wrong = o.to_jpeg ? o.decode_only : o.encode_only;
  if (!wrong.empty())
    throw UsageError(Format("%s applies only when the output is %s", wrong.front().c_str(),
                            o.to_jpeg ? "a BMP file" : "a JPEG file (.jpg, .jpeg)"));
  // JPEG input: the input, or every input of a batch.
  bool jpeg_input = true;
  for (const std::string& input :
       o.output_dir.empty() ? std::vector<std::string>{o.input} : o.inputs)
    jpeg_input = jpeg_input && TJPEGBitmap::HasJPEGExtension(input);
  // --auto-orient given for a JPEG copied to a JPEG turns it without
  // compressing it again.
  if (o.to_jpeg && auto_orient_given && jpeg_input && !o.lossless) {
    o.lossless = true;
    lossless_options.push_back("--auto-orient");
  }
  if (o.lossless && !o.reencode_only.empty())
    throw UsageError(
        Format("%s cannot be combined with %s: a lossless transform does not "
               "decode or compress again",
               o.reencode_only.front().c_str(), lossless_options.front().c_str()));
  if (o.to_jpeg && !jpeg_input && !o.jpeg_input_only.empty())
    throw UsageError(
        Format("%s applies only to JPEG input (.jpg, .jpeg)", o.jpeg_input_only.front().c_str()));
  if (o.fit_width > 0 && scale_given) throw UsageError("--fit and --scale cannot be combined");
  if (o.fit_width > 0 && o.type_given && o.type != jp24bit)
    throw UsageError("--fit makes a 24-bit picture: it cannot be combined with --type");
  return true;
}
