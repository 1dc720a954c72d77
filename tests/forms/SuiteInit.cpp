#include <cstdio>

#include "platform/forms/Forms.h"
#include "tests/support/TestSupport.h"

void VaskSuiteInit() {
  InitFormsUnit();
  Application->Initialize();
  Application->SetTitle("Forms Test");
}
