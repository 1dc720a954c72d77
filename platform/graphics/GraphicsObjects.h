// Drawing attributes of a canvas: font, brush and pen. Each is a plain
// description; the canvas makes the device objects from it when it draws.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Export.h"
#include "platform/classes/Classes.h"
#include "platform/graphics/Colors.h"

// The base of TFont, TBrush and TPen: OnChange fires (sender: the object)
// after every change of a value.
class PLATFORM_API TGraphicsObject : public TPersistent {
  VASK_CLASS(TGraphicsObject, TPersistent)
 public:
  TNotifyEvent OnChange;

 protected:
  void Changed();
};

enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
// Font styles as a bit set: bit fsBold etc.
enum TFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = uint8_t;
using TFontCharset = uint8_t;
constexpr TFontCharset DEFAULT_CHARSET_VALUE = 1;

// A text font description. Height is in pixels (negative: character height
// without internal leading); Size is in points at 96 pixels per inch, and
// setting one sets the other.
class PLATFORM_API TFont : public TGraphicsObject {
  VASK_CLASS(TFont, TGraphicsObject)
 public:
  TFont() = default;

  void Assign(TPersistent* source) override;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  int Height() const { return height_; }
  void SetHeight(int height);
  int Size() const;
  void SetSize(int size);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset charset);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch pitch);

  static constexpr int kPixelsPerInch = 96;

 private:
  std::string name_ = "MS Sans Serif";
  int height_ = -11;
  TColor color_ = clWindowText;
  TFontCharset charset_ = DEFAULT_CHARSET_VALUE;
  TFontStyles style_ = 0;
  TFontPitch pitch_ = fpDefault;
};

enum TBrushStyle : uint8_t { bsSolid, bsClear };

// A fill description: solid in a colour (the default: solid white) or clear.
class PLATFORM_API TBrush : public TGraphicsObject {
  VASK_CLASS(TBrush, TGraphicsObject)
 public:
  TBrush() = default;
  void Assign(TPersistent* source) override;

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
};

enum TPenStyle : uint8_t {
  psSolid,
  psDash,
  psDot,
  psDashDot,
  psDashDotDot,
  psClear,
  psInsideFrame
};

// A line description: colour, style and width in pixels (default: solid
// black, 1 pixel).
class PLATFORM_API TPen : public TGraphicsObject {
  VASK_CLASS(TPen, TGraphicsObject)
 public:
  TPen() = default;
  void Assign(TPersistent* source) override;

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  int Width() const { return width_; }
  void SetWidth(int width);

 private:
  TColor color_ = clBlack;
  TPenStyle style_ = psSolid;
  int width_ = 1;
};
