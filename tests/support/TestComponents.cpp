#include "tests/support/TestComponents.h"

#include "platform/classes/Filer.h"

const TEnumNames TestShapeNames{{"shCircle", "shSquare", "shTriangle"}, {}};
const TEnumNames TestStyleNames{{"fsBold", "fsItalic", "fsUnderline"}, {}};
const TEnumNames TestColorNames{{"clBlack", "clRed", "clWindow"},
                                {0, 0xFF, static_cast<int32_t>(0x80000005u)}};

int TTestWidget::Live = 0;
int TTestForm::Live = 0;

TClass TTestFont::StaticClass() {
  using C = TTestFont;
  static const TClassInfo info =
      TClassInfo::Make<C>("TTestFont", inherited::StaticClass(),
                          {rtti::Int<C>("Height", &C::Height, &C::Height, -11),
                           rtti::String<C>("Name", &C::Name, &C::Name),
                           rtti::SetOf<C>("Style", TestStyleNames, &C::Style, &C::Style, 0),
                           rtti::Color<C>("Color", TestColorNames, &C::Color, &C::Color, 0)});
  return &info;
}

VASK_DEFINE_CLASS(TTestBlob)

void TTestBlob::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data",
      [this](TStream& s) {
        Bytes.resize(static_cast<size_t>(s.Size()));
        s.ReadBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
      },
      [this](TStream& s) { s.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size())); },
      !Bytes.empty());
}

TClass TTestWidget::StaticClass() {
  using C = TTestWidget;
  static const TClassInfo info = TClassInfo::Make<C>(
      "TTestWidget", inherited::StaticClass(),
      {rtti::Int<C>("Left", &C::Left, &C::Left, 0), rtti::Int<C>("Width", &C::Width, &C::Width, 75),
       rtti::Int<C>("Small", &C::Small, &C::Small, 0),
       rtti::Ordinal<C>(TTypeKind::tkInt64, "Big", &C::Big, &C::Big, 0),
       rtti::Bool<C>("Visible", &C::Visible, &C::Visible, true),
       rtti::Enum<C>("Shape", TestShapeNames, &C::Shape, &C::Shape, shCircle),
       rtti::Color<C>("Color", TestColorNames, &C::Color, &C::Color),
       rtti::Float<C>("Ratio", &C::Ratio, &C::Ratio), rtti::Float<C>("Scale", &C::Scale, &C::Scale),
       rtti::String<C>("Caption", &C::Caption, &C::Caption),
       rtti::Object<C>("Font", TTestFont::StaticClass(), &C::Font),
       rtti::Object<C>("Lines", TStringList::StaticClass(), &C::Lines),
       rtti::Object<C>("Picture", TTestBlob::StaticClass(), &C::Picture),
       rtti::Component<C>("Buddy", TComponent::StaticClass(), &C::Buddy, &C::Buddy),
       rtti::Event<C>("OnClick", &C::OnClick)});
  return &info;
}

TTestWidget::TTestWidget(TComponent* owner)
    : TComponent(owner), font_(new TTestFont), lines_(new TStringList), picture_(new TTestBlob) {
  ++Live;
}

TTestWidget::~TTestWidget() {
  --Live;
  delete picture_;
  delete lines_;
  delete font_;
}

void TTestWidget::Loaded() {
  TComponent::Loaded();
  ++LoadedCount;
}

void TTestWidget::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  for (TComponent* c : root->OwnedComponents()) {
    auto* w = dynamic_cast<TTestWidget*>(c);
    if (w != nullptr && w->parent_ == this) proc(w);
  }
}

void TTestWidget::SetParentComponent(TComponent* parent) {
  parent_ = As<TTestWidget>(parent);
}

TClass TTestForm::StaticClass() {
  using C = TTestForm;
  static const TClassInfo info = TClassInfo::Make<C>(
      "TTestForm", inherited::StaticClass(),
      {rtti::String<C>("Caption", &C::Caption, &C::Caption), rtti::Event<C>("OnShow", &C::OnShow)},
      {rtti::Method<C>("Button1Click", &C::Button1Click), rtti::Method<C>("FormShow", &C::FormShow),
       rtti::Method<C>("BadHandler", &C::BadHandler)},
      {rtti::Field<C>("Button1", &C::Button1), rtti::Field<C>("Panel1", &C::Panel1)});
  return &info;
}

TTestForm::TTestForm(TComponent* owner) : TComponent(owner) {
  ++Live;
}

TTestForm::~TTestForm() {
  --Live;
}

void TTestForm::Loaded() {
  TComponent::Loaded();
  ++LoadedCount;
}

TPictureHolder::TPictureHolder(TComponent* owner)
    : TComponent(owner), picture_(std::make_unique<TPicture>()) {}
TPictureHolder::~TPictureHolder() = default;

TClass TPictureHolder::StaticClass() {
  using C = TPictureHolder;
  static const TClassInfo info =
      TClassInfo::Make<C>("TPictureHolder", inherited::StaticClass(),
                          {rtti::Object<C>("Picture", TPicture::StaticClass(), &C::Picture)});
  return &info;
}

void RegisterTestComponents() {
  RegisterClasses({TTestForm::StaticClass(), TTestWidget::StaticClass()});
}
