#include "platform/graphics/GraphicsObjects.h"

#include <cstdlib>

namespace {

const TEnumNames& PitchNames() {
  static const TEnumNames names{{"fpDefault", "fpVariable", "fpFixed"}, {}};
  return names;
}
const TEnumNames& FontStyleNames() {
  static const TEnumNames names{{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, {}};
  return names;
}
const TEnumNames& BrushStyleNames() {
  static const TEnumNames names{{"bsSolid", "bsClear"}, {}};
  return names;
}
const TEnumNames& PenStyleNames() {
  static const TEnumNames names{
      {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"}, {}};
  return names;
}

// value * numerator / denominator, rounded half away from zero.
int MulDivRound(int value, int numerator, int denominator) {
  const int64_t product = static_cast<int64_t>(value) * numerator;
  const int64_t half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

}  // namespace

VASK_DEFINE_CLASS(TGraphicsObject)

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------
// TFont

TClass TFont::StaticClass() {
  static const TClassInfo info = TClassInfo::Make<TFont>(
      "TFont", inherited::StaticClass(),
      {rtti::Int<TFont>("Charset", &TFont::Charset, &TFont::SetCharset,
                        int64_t{DEFAULT_CHARSET_VALUE}),
       rtti::Color<TFont>("Color", ColorNames(), &TFont::Color, &TFont::SetColor,
                          int64_t{clWindowText}),
       // Size comes before Height: both are written, and reading Height last
       // keeps heights that no whole point size gives (-14 is 10.5 points).
       rtti::Int<TFont>("Size", &TFont::Size, &TFont::SetSize),
       rtti::Int<TFont>("Height", &TFont::Height, &TFont::SetHeight),
       rtti::String<TFont>("Name", &TFont::Name, &TFont::SetName),
       rtti::Enum<TFont>("Pitch", PitchNames(), &TFont::Pitch, &TFont::SetPitch,
                         int64_t{fpDefault}),
       rtti::SetOf<TFont>("Style", FontStyleNames(), &TFont::Style, &TFont::SetStyle, 0)});
  return &info;
}

void TFont::Assign(TPersistent* source) {
  if (auto* font = dynamic_cast<TFont*>(source)) {
    name_ = font->name_;
    height_ = font->height_;
    color_ = font->color_;
    charset_ = font->charset_;
    style_ = font->style_;
    pitch_ = font->pitch_;
    Changed();
    return;
  }
  inherited::Assign(source);
}

void TFont::SetName(const std::string& name) {
  if (name.empty() || name == name_) return;
  name_ = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

int TFont::Size() const {
  return -MulDivRound(height_, 72, kPixelsPerInch);
}

void TFont::SetSize(int size) {
  SetHeight(-MulDivRound(size, kPixelsPerInch, 72));
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::SetCharset(TFontCharset charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == pitch_) return;
  pitch_ = pitch;
  Changed();
}

// ---------------------------------------------------------------------------
// TBrush, TPen

TClass TBrush::StaticClass() {
  static const TClassInfo info =
      TClassInfo::Make<TBrush>("TBrush", inherited::StaticClass(),
                               {rtti::Color<TBrush>("Color", ColorNames(), &TBrush::Color,
                                                    &TBrush::SetColor, int64_t{clWhite}),
                                rtti::Enum<TBrush>("Style", BrushStyleNames(), &TBrush::Style,
                                                   &TBrush::SetStyle, int64_t{bsSolid})});
  return &info;
}

void TBrush::Assign(TPersistent* source) {
  if (auto* brush = dynamic_cast<TBrush*>(source)) {
    color_ = brush->color_;
    style_ = brush->style_;
    Changed();
    return;
  }
  inherited::Assign(source);
}

void TBrush::SetColor(TColor color) {
  if (color == color_ && style_ == bsSolid) return;
  color_ = color;
  // Choosing a colour makes a clear brush solid again.
  style_ = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

TClass TPen::StaticClass() {
  static const TClassInfo info = TClassInfo::Make<TPen>(
      "TPen", inherited::StaticClass(),
      {rtti::Color<TPen>("Color", ColorNames(), &TPen::Color, &TPen::SetColor, int64_t{clBlack}),
       rtti::Enum<TPen>("Style", PenStyleNames(), &TPen::Style, &TPen::SetStyle, int64_t{psSolid}),
       rtti::Int<TPen>("Width", &TPen::Width, &TPen::SetWidth, 1)});
  return &info;
}

void TPen::Assign(TPersistent* source) {
  if (auto* pen = dynamic_cast<TPen*>(source)) {
    color_ = pen->color_;
    style_ = pen->style_;
    width_ = pen->width_;
    Changed();
    return;
  }
  inherited::Assign(source);
}

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width < 0 || width == width_) return;
  width_ = width;
  Changed();
}
