#include "tests/support/TestSupport.h"
#include "zeljpeg/Zeljpeg.h"

void VaskSuiteInit() {
  InitZeljpegUnit();
}
