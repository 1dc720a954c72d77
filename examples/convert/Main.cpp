// zeljpeg-convert: converts JPEG files to BMP files and pictures (BMP, JPEG,
// icons, metafiles) to JPEG files with the Zeljpeg library.
#include <cstdio>
#include <string>
#include <vector>

#include "examples/convert/Batch.h"
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
  if (!options.output_dir.empty()) return ConvertBatch(options);
  const std::string error = ConvertOne(options);
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return 0;
}
