// The main of every test suite: runs the unit initialisations the suite needs,
// then the tests.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

// A suite defines its own VaskSuiteInit to run the initialisations of the
// units it tests (in dependency order); the default runs none.
__attribute__((weak)) void VaskSuiteInit() {}

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  VaskSuiteInit();
  return RUN_ALL_TESTS();
}
