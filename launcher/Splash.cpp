#include "launcher/Splash.h"

#include "platform/gdi/Shell.h"

const char* const kOrderPageAddress = "http://www.vasksoft.example/order";
const char* const kScreensaverFile = "vaskss.scr";

TSplash* Splash = nullptr;

TClass TSplash::StaticClass() {
  static const TClassInfo info = TClassInfo::Make<TSplash>(
      "TSplash", inherited::StaticClass(), {},
      {
          rtti::Method<TSplash, TObject*>("Image1Click", &TSplash::Image1Click),
          rtti::Method<TSplash, TObject*>("exit1Click", &TSplash::exit1Click),
          rtti::Method<TSplash, TObject*>("infoClick", &TSplash::infoClick),
          rtti::Method<TSplash, TObject*>("demoClick", &TSplash::demoClick),
          rtti::Method<TSplash, TObject*>("orderClick", &TSplash::orderClick),
      },
      {
          rtti::Field<TSplash, TImage>("Image1", &TSplash::Image1),
          rtti::Field<TSplash, TButton>("info", &TSplash::info),
          rtti::Field<TSplash, TButton>("order", &TSplash::order),
          rtti::Field<TSplash, TButton>("demo", &TSplash::demo),
          rtti::Field<TSplash, TButton>("exit1", &TSplash::exit1),
          rtti::Field<TSplash, TMemo>("Memo1", &TSplash::Memo1),
          rtti::Field<TSplash, TMemo>("Memo2", &TSplash::Memo2),
      });
  return &info;
}

TSplash::TSplash(TComponent* owner) : TForm(owner) {
  ReadFormResource("TSPLASH");
}

TSplash::~TSplash() = default;

void TSplash::CreateParams(TCreateParams& params) {
  inherited::CreateParams(params);
  params.Style &= ~WS_CAPTION;
}

void TSplash::Image1Click(TObject*) {
  infoClick(this);
}

void TSplash::infoClick(TObject*) {
  Memo1->SetVisible(!Memo1->Visible());
  Memo2->SetVisible(!Memo2->Visible());
}

void TSplash::HidePanels() {
  Memo1->Hide();
  Memo2->Hide();
}

void TSplash::demoClick(TObject*) {
  HidePanels();
  ShellExecuteA(Handle(), "open", kScreensaverFile, nullptr, nullptr, SW_SHOWNORMAL);
}

void TSplash::orderClick(TObject*) {
  HidePanels();
  ShellExecuteA(Handle(), "open", kOrderPageAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

void TSplash::exit1Click(TObject*) {
  Close();
}
