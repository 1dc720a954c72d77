// TSplash: the launcher's one window, a 640 x 480 picture with four buttons
// ("Run Demo", "Order", "More Information", "Exit") and two information
// panels that "More Information" or a click on the picture show and hide.
#pragma once

#include "platform/forms/Forms.h"

// The address of the maker's order page.
extern const char* const kOrderPageAddress;
// The screensaver that "Run Demo" opens, resolved against the current folder.
extern const char* const kScreensaverFile;

class TSplash : public TForm {
  VASK_CLASS(TSplash, TForm)
 public:
  // Builds the window from the "TSPLASH" form description (RCDATA).
  // Raises EResNotFound when it is missing and EReadError when it cannot be
  // read, among others for a stored picture that is not a valid bitmap.
  explicit TSplash(TComponent* owner);
  ~TSplash() override;

  // The dialog frame without the title bar: the caption bits are cleared.
  void CreateParams(TCreateParams& params) override;

  // Components, filled in from the form description (owned by the form).
  TImage* Image1 = nullptr;
  TButton* info = nullptr;
  TButton* order = nullptr;
  TButton* demo = nullptr;
  TButton* exit1 = nullptr;
  TMemo* Memo1 = nullptr;
  TMemo* Memo2 = nullptr;

  // Event handlers, published for the form description.
  void Image1Click(TObject* sender);
  void exit1Click(TObject* sender);
  void infoClick(TObject* sender);
  void demoClick(TObject* sender);
  void orderClick(TObject* sender);

 private:
  void HidePanels();
};

extern TSplash* Splash;
