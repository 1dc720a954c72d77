// Colours of the class library: TColor values, their names, and the
// conversion of system colours to RGB.
#pragma once

#include <cstdint>

#include "platform/Export.h"
#include "platform/classes/TypInfo.h"
#include "platform/gdi/Gdi.h"

// A colour: either an RGB value (low byte red, then green, then blue, high
// byte 0) or a system colour (0x80000000 | COLOR_xxx index), or clNone /
// clDefault.
using TColor = int32_t;

// System colour indices (the Windows COLOR_xxx values; <windows.h> has them
// on Windows).
#ifndef COLOR_SCROLLBAR
#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#define COLOR_WINDOW 5
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#define COLOR_INFOBK 24
#endif

namespace colors_detail {
constexpr TColor System(int index) {
  return static_cast<TColor>(0x80000000u | static_cast<uint32_t>(index));
}
}  // namespace colors_detail

constexpr TColor clScrollBar = colors_detail::System(COLOR_SCROLLBAR);
constexpr TColor clBackground = colors_detail::System(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = colors_detail::System(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = colors_detail::System(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = colors_detail::System(COLOR_MENU);
constexpr TColor clWindow = colors_detail::System(COLOR_WINDOW);
constexpr TColor clWindowFrame = colors_detail::System(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = colors_detail::System(COLOR_MENUTEXT);
constexpr TColor clWindowText = colors_detail::System(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = colors_detail::System(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = colors_detail::System(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = colors_detail::System(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = colors_detail::System(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = colors_detail::System(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = colors_detail::System(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = colors_detail::System(COLOR_BTNFACE);
constexpr TColor clBtnShadow = colors_detail::System(COLOR_BTNSHADOW);
constexpr TColor clGrayText = colors_detail::System(COLOR_GRAYTEXT);
constexpr TColor clBtnText = colors_detail::System(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = colors_detail::System(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = colors_detail::System(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = colors_detail::System(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = colors_detail::System(COLOR_3DLIGHT);
constexpr TColor clInfoText = colors_detail::System(COLOR_INFOTEXT);
constexpr TColor clInfoBk = colors_detail::System(COLOR_INFOBK);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The named colours (clBlack ... clInfoBk, clNone, clDefault) with their
// values; colour properties are streamed by these names. Shared, never freed.
PLATFORM_API const TEnumNames& ColorNames();

// The RGB value of a colour: system colours give the desktop's standard
// colour for that element (an unknown index gives black); RGB values come
// back unchanged. clNone and clDefault are not converted.
PLATFORM_API TColor ColorToRGB(TColor color);
