#include "platform/graphics/Colors.h"

namespace {

// The desktop's standard colours for the system colour indices.
constexpr COLORREF kSystemColors[] = {
    RGB(192, 192, 192),  // scroll bar
    RGB(0, 128, 128),    // background
    RGB(0, 0, 128),      // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(192, 192, 192),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(192, 192, 192),  // active border
    RGB(192, 192, 192),  // inactive border
    RGB(128, 128, 128),  // application workspace
    RGB(0, 0, 128),      // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(192, 192, 192),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // gray text
    RGB(0, 0, 0),        // button text
    RGB(192, 192, 192),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(0, 0, 0),        // 3-D dark shadow
    RGB(223, 223, 223),  // 3-D light
    RGB(0, 0, 0),        // tooltip text
    RGB(255, 255, 225),  // tooltip background
};

}  // namespace

const TEnumNames& ColorNames() {
  static const TEnumNames names{
      {"clBlack",        "clMaroon",      "clGreen",         "clOlive",
       "clNavy",         "clPurple",      "clTeal",          "clGray",
       "clSilver",       "clRed",         "clLime",          "clYellow",
       "clBlue",         "clFuchsia",     "clAqua",          "clWhite",
       "clScrollBar",    "clBackground",  "clActiveCaption", "clInactiveCaption",
       "clMenu",         "clWindow",      "clWindowFrame",   "clMenuText",
       "clWindowText",   "clCaptionText", "clActiveBorder",  "clInactiveBorder",
       "clAppWorkSpace", "clHighlight",   "clHighlightText", "clBtnFace",
       "clBtnShadow",    "clGrayText",    "clBtnText",       "clInactiveCaptionText",
       "clBtnHighlight", "cl3DDkShadow",  "cl3DLight",       "clInfoText",
       "clInfoBk",       "clNone",        "clDefault"},
      {clBlack,        clMaroon,      clGreen,         clOlive,
       clNavy,         clPurple,      clTeal,          clGray,
       clSilver,       clRed,         clLime,          clYellow,
       clBlue,         clFuchsia,     clAqua,          clWhite,
       clScrollBar,    clBackground,  clActiveCaption, clInactiveCaption,
       clMenu,         clWindow,      clWindowFrame,   clMenuText,
       clWindowText,   clCaptionText, clActiveBorder,  clInactiveBorder,
       clAppWorkSpace, clHighlight,   clHighlightText, clBtnFace,
       clBtnShadow,    clGrayText,    clBtnText,       clInactiveCaptionText,
       clBtnHighlight, cl3DDkShadow,  cl3DLight,       clInfoText,
       clInfoBk,       clNone,        clDefault}};
  return names;
}

TColor ColorToRGB(TColor color) {
  if (color < 0) {
    const uint32_t index = static_cast<uint32_t>(color) & 0xFFu;
    if (index < sizeof kSystemColors / sizeof kSystemColors[0])
      return static_cast<TColor>(kSystemColors[index]);
    return clBlack;
  }
  return color;
}
