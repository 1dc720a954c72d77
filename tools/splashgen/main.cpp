// splashgen: writes the launcher's artwork, generated from code so that the
// repository holds no image blobs.
//   splashgen <splash.bmp> <icon.ico>
#include <cstdio>
#include <exception>

#include "tools/splashgen/Scenes.h"
#include "tools/splashgen/Writers.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: splashgen <splash.bmp> <icon.ico>\n");
    return 2;
  }
  try {
    splashgen::WriteFile(argv[1], splashgen::EncodeBmp24(splashgen::RenderSplash()));
    splashgen::WriteFile(argv[2], splashgen::EncodeIcon16(splashgen::RenderIcon()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "splashgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
