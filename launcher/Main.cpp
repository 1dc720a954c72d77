// The program entry of vask: the unit initialisations in dependency order,
// then the application with its one form.
#include "launcher/Splash.h"
#include "platform/forms/Forms.h"
#include "zeljpeg/Zeljpeg.h"

int main() {
  // The class library's units (graphics, forms), then the JPEG unit, which
  // registers TJPEGBitmap for the stored picture.
  InitFormsUnit();
  InitZeljpegUnit();
  RegisterClass(TSplash::StaticClass());
  try {
    Application->Initialize();
    Application->SetTitle("Vask");
    Application->CreateForm(Splash);
    Application->Run();
  } catch (const Exception& e) {
    Application->ShowException(e);
  }
  return 0;
}
