// zeljpeg-convert: converts JPEG files to BMP files and pictures (BMP, JPEG,
// icons, metafiles) to JPEG files with the Zeljpeg library.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "examples/convert/Convert.h"
#include "examples/convert/Options.h"
#include "zeljpeg/Zeljpeg.h"

int main(int argc, char** argv) {
  InitZeljpegUnit();
  ConvertOptions options;
  try {
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options)) {
      std::fputs(UsageText(), stdout);
      return 0;
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "zeljpeg-convert: %s\nTry 'zeljpeg-convert --help'.\n",
                 e.Message().c_str());
    return 2;
  }
  try {
    if (options.to_jpeg)
      EncodeToJpeg(options);
    else
      DecodeToBmp(options);
  } catch (const EStreamError& e) {
    // File errors name their file themselves.
    std::fprintf(stderr, "zeljpeg-convert: %s\n", e.Message().c_str());
    return 1;
  } catch (const Exception& e) {
    std::fprintf(stderr, "zeljpeg-convert: %s: %s\n", options.input.c_str(), e.Message().c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zeljpeg-convert: %s: %s\n", options.input.c_str(), e.what());
    return 1;
  }
  return 0;
}
