#include "launcher/Splash.h"
#include "platform/forms/Forms.h"
#include "tests/support/TestSupport.h"
#include "zeljpeg/Zeljpeg.h"

// The program's own order: forms (with graphics), then the JPEG unit.
void VaskSuiteInit() {
  InitFormsUnit();
  InitZeljpegUnit();
  RegisterClass(TSplash::StaticClass());
  Application->Initialize();
  Application->SetTitle("Vask");
}
