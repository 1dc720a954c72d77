// Command-line options of zeljpeg-convert.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "zeljpeg/Zeljpeg.h"

// A bad command line; the message says what is wrong.
class UsageError : public Exception {
 public:
  using Exception::Exception;
};

struct ConvertOptions {
  std::string input;
  std::string output;
  bool to_jpeg = false;  // by the output file's extension: .jpg/.jpeg, else .bmp
  // Progress bar: forced on (--progress), off (--quiet), or automatic.
  std::optional<bool> progress;

  // JPEG -> BMP.
  TJPEGOutputType type = jp24bit;
  bool type_given = false;  // without --type a grayscale JPEG gives a gray BMP
  int32_t colors = 256;
  J_DITHER_MODE dither = JDITHER_FS;
  bool one_pass = false;
  bool block_smoothing = true;
  bool fancy_upsampling = true;

  // Picture -> JPEG.
  int32_t quality = 75;
  bool grayscale = false;
  bool progressive = false;
  bool optimize = false;
  uint32_t restart_interval = 0;  // --restart Nb: in MCUs
  int32_t restart_rows = 0;       // --restart N: in MCU rows
  int32_t smoothing = 0;
  std::string comment;
  bool has_density = false;
  uint8_t density_unit = 1;  // 1 dots per inch, 2 per cm
  uint16_t x_density = 0, y_density = 0;

  // JPEG input, decoded (either direction) or read (--info).
  bool info = false;                       // --info: print the header of INPUT, convert nothing
  int32_t scale_num = 1, scale_denom = 1;  // --scale M/N
  int32_t fit_width = 0, fit_height = 0;   // --fit WxH; 0: none
  bool auto_orient = true;                 // turn upright by the EXIF orientation
  bool strip = false;                      // JPEG to JPEG: drop comments, EXIF, XMP, ICC, IPTC

  // JPEG to JPEG without decoding (a transform option was given).
  bool lossless = false;
  TJPEGTransform transform = jtNone;
  int32_t crop_width = 0, crop_height = 0, crop_x = 0, crop_y = 0;  // --crop WxH+X+Y
  bool perfect = false;
  bool trim = false;

  J_DCT_METHOD dct = JDCT_ISLOW;
  // The decoder's limits for JPEG input (0: none).
  int64_t max_pixels = kDefaultMaxPixels;
  int64_t max_memory = kDefaultMaxMemory;
  int32_t max_scans = kDefaultMaxScans;

  // Batch mode (-o DIR INPUT...): the folder, the inputs, the extension of
  // the outputs (which chooses the direction as OUTPUT's does) and the
  // number of conversions at once (0: one per processor).
  std::string output_dir;
  std::vector<std::string> inputs;
  std::string to = "bmp";
  int jobs = 0;

  // Options given that only apply to one direction (for a clear error),
  // that a lossless transform cannot honour, and that only JPEG input has.
  std::vector<std::string> decode_only, encode_only, reencode_only, jpeg_input_only;
};

// Parses argv (without the program name): INPUT OUTPUT, -o DIR and one or
// more inputs, or --info INPUT. Raises UsageError, also for an output whose
// extension is none of .bmp, .jpg and .jpeg, and for options that do not
// apply to the run the files and options describe (options for JPEG input
// in a batch need every input to be JPEG). Returns false when --help was
// asked for.
bool ParseOptions(const std::vector<std::string>& args, ConvertOptions& options);

// The usage text.
const char* UsageText();
