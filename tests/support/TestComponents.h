// Small component classes with published tables, for the form-streaming
// tests: a form with fields and handlers, a widget that nests and has every
// kind of property, a font-like nested object, a blob with binary data and a
// holder of a picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Classes.h"
#include "platform/classes/Strings.h"
#include "platform/graphics/Picture.h"

enum TTestShape : uint8_t { shCircle, shSquare, shTriangle };
extern const TEnumNames TestShapeNames;  // shCircle, shSquare, shTriangle
extern const TEnumNames TestStyleNames;  // fsBold, fsItalic, fsUnderline
extern const TEnumNames TestColorNames;  // clBlack 0, clRed 0xFF, clWindow 0x80000005

// Nested object: Height (default -11), Name, Style (set, default empty),
// Color (default clBlack).
class TTestFont : public TPersistent {
  VASK_CLASS(TTestFont, TPersistent)
 public:
  int32_t Height = -11;
  std::string Name = "Sans";
  uint8_t Style = 0;
  int32_t Color = 0;
};

// Nested object streaming its bytes as the binary defined property "Data".
class TTestBlob : public TPersistent {
  VASK_CLASS(TTestBlob, TPersistent)
 public:
  std::vector<uint8_t> Bytes;
  void DefineProperties(TFiler& filer) override;
};

// A widget with every property kind; a widget stored under another one gets
// it as its parent and is listed among its children.
class TTestWidget : public TComponent {
  VASK_CLASS(TTestWidget, TComponent)
 public:
  explicit TTestWidget(TComponent* owner);
  ~TTestWidget() override;

  int32_t Left = 0;             // default 0
  int16_t Width = 75;           // default 75
  uint16_t Small = 0;           // unsigned, default 0
  int64_t Big = 0;              // default 0
  bool Visible = true;          // default True
  TTestShape Shape = shCircle;  // default shCircle
  int32_t Color = 0;            // colour, no default: always written
  double Ratio = 0;             // no default: always written
  float Scale = 1;              // single, default 1
  std::string Caption;
  TTestFont* Font() const { return font_; }
  TStringList* Lines() const { return lines_; }
  TTestBlob* Picture() const { return picture_; }
  TTestWidget* Buddy = nullptr;
  TNotifyEvent OnClick;

  TTestWidget* ParentWidget() const { return parent_; }
  int LoadedCount = 0;
  static int Live;  // instances alive

  void Loaded() override;
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;
  TComponent* GetParentComponent() const override { return parent_; }
  bool HasParent() const override { return parent_ != nullptr; }
  void SetParentComponent(TComponent* parent) override;

 private:
  TTestFont* font_;
  TStringList* lines_;
  TTestBlob* picture_;
  TTestWidget* parent_ = nullptr;
};

// A form: published fields Button1 and Panel1, handlers Button1Click and
// FormShow (TNotifyEvent) and BadHandler (another signature).
class TTestForm : public TComponent {
  VASK_CLASS(TTestForm, TComponent)
 public:
  explicit TTestForm(TComponent* owner);
  ~TTestForm() override;

  std::string Caption;
  TNotifyEvent OnShow;
  TTestWidget* Button1 = nullptr;
  TTestWidget* Panel1 = nullptr;
  int Clicks = 0;
  int Shows = 0;
  int LoadedCount = 0;
  static int Live;

  void Button1Click(TObject*) { ++Clicks; }
  void FormShow(TObject*) { ++Shows; }
  void BadHandler(int) {}
  void Loaded() override;
};

// A component with a published picture, as a form stores one.
class TPictureHolder : public TComponent {
  VASK_CLASS(TPictureHolder, TComponent)
 public:
  explicit TPictureHolder(TComponent* owner);
  ~TPictureHolder() override;
  TPicture* Picture() const { return picture_.get(); }

 private:
  std::unique_ptr<TPicture> picture_;
};

// Registers the test classes with the class registry.
void RegisterTestComponents();
