// Shared set-up for the forms tests: a display is required (the test
// command starts Xvfb when there is none).
#pragma once

#include <gtest/gtest.h>

#include "platform/forms/Backend.h"
#include "platform/forms/Forms.h"
#include "platform/forms/FormsTest.h"

class FormsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FormsBackend().DisplayOpen()) << "these tests need an X display (DISPLAY)";
  }
  void TearDown() override { Screen->SetSize(0, 0); }
};
