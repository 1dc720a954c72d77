#include "fuzz/FuzzComponents.h"

#include "platform/classes/TypInfo.h"

TClass TFuzzImage::StaticClass() {
  using C = TFuzzImage;
  static const TClassInfo info =
      TClassInfo::Make<C>("TFuzzImage", inherited::StaticClass(),
                          {rtti::Object<C>("Picture", TPicture::StaticClass(), &C::Picture),
                           rtti::Object<C>("Font", TFont::StaticClass(), &C::Font),
                           rtti::Object<C>("Brush", TBrush::StaticClass(), &C::Brush),
                           rtti::Object<C>("Pen", TPen::StaticClass(), &C::Pen)});
  return &info;
}

TFuzzImage::TFuzzImage(TComponent* owner)
    : TComponent(owner),
      picture_(std::make_unique<TPicture>()),
      font_(std::make_unique<TFont>()),
      brush_(std::make_unique<TBrush>()),
      pen_(std::make_unique<TPen>()) {}

TFuzzImage::~TFuzzImage() = default;

void RegisterFuzzComponents() {
  RegisterClasses({TFuzzImage::StaticClass()});
}
