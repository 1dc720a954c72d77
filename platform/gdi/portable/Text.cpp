// Text through fontconfig and FreeType.
#include "platform/gdi/portable/Text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

#include "platform/gdi/portable/Raster.h"
#include "platform/gdi/portable/Region.h"
#include "platform/gdi/portable/ScanConvert.h"

namespace gdiport {

// A font file opened for one font object: its own FreeType library, so that
// fonts share no state.
class FontFace {
 public:
  ~FontFace() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
  FT_Library library = nullptr;
  FT_Face face = nullptr;
};

Font::Font() : Object(Kind::Font) {}
Font::~Font() = default;

namespace {

constexpr double kMaxPixelsPerEm = 16384;

std::string FamilyOf(const LOGFONTW& log) {
  std::string out;
  for (size_t i = 0; i < LF_FACESIZE && log.lfFaceName[i]; ++i) {
    const char16_t c = log.lfFaceName[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0xD800 || c > 0xDFFF) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out.empty() ? "Arial" : out;
}

// The font file that fontconfig finds for the logical font. fontconfig's
// default configuration may be used from several threads; each face has its
// own FreeType library, so faces of separate fonts share nothing.
std::unique_ptr<FontFace> OpenFace(const LOGFONTW& log) {
  // Fonts are opened rarely (once per font object); a lock keeps the
  // lookups of separate threads apart whatever fontconfig's build does.
  static std::mutex fontconfig_mutex;
  std::lock_guard<std::mutex> lock(fontconfig_mutex);
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return nullptr;
  const std::string family = FamilyOf(log);
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  const double weight = log.lfWeight > 0 ? std::clamp<double>(log.lfWeight, 1, 1000) : 400;
  FcPatternAddDouble(pattern, FC_WEIGHT, FcWeightFromOpenTypeDouble(weight));
  FcPatternAddInteger(pattern, FC_SLANT, log.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return nullptr;
  std::unique_ptr<FontFace> out;
  FcChar8* file = nullptr;
  int index = 0;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    auto face = std::make_unique<FontFace>();
    if (FT_Init_FreeType(&face->library) == 0 &&
        FT_New_Face(face->library, reinterpret_cast<const char*>(file), index, &face->face) == 0 &&
        FT_IS_SCALABLE(face->face)) {
      out = std::move(face);
    }
  }
  FcPatternDestroy(match);
  return out;
}

FontFace* FaceOf(Font& font) {
  if (!font.face && !font.face_failed) {
    font.face = OpenFace(font.log);
    font.face_failed = !font.face;
  }
  return font.face.get();
}

PointF Unit(PointF v) {
  const double n = std::hypot(v.x, v.y);
  return n > 0 ? PointF{v.x / n, v.y / n} : PointF{1, 0};
}

// The text's layout in device pixels.
struct Layout {
  double ppem_x = 0, ppem_y = 0;
  double ascent = 0, descent = 0;
  PointF along, up;        // unit vectors of the baseline and of "up"
  double scale_along = 1;  // device pixels per logical unit along the baseline
};

void Fill(Painter& painter, const std::vector<PointF>& polygon, const Ink& ink) {
  ScanPolygons({polygon}, true, painter.Bounds(),
               [&](int y, int a, int b) { painter.Paint(y, a, b, ink); });
}

// A band along the baseline from start for width, from offset above it to
// offset - height (offsets towards "up").
std::vector<PointF> Band(const Layout& l, PointF start, double width, double top, double bottom) {
  auto at = [&](double a, double u) {
    return PointF{start.x + l.along.x * a + l.up.x * u, start.y + l.along.y * a + l.up.y * u};
  };
  return {at(0, top), at(width, top), at(width, bottom), at(0, bottom)};
}

// Renders one glyph's outline (in the glyph slot) at origin.
void RenderGlyph(FontFace& font, Painter& painter, const Layout& l, PointF origin, bool smooth,
                 COLORREF colour, const Ink& ink) {
  FT_Outline& outline = font.face->glyph->outline;
  // Glyph (x, y up) to device (x, y up): x along the baseline, y along "up".
  FT_Matrix m;
  m.xx = static_cast<FT_Fixed>(std::lround(l.along.x * 65536));
  m.xy = static_cast<FT_Fixed>(std::lround(l.up.x * 65536));
  m.yx = static_cast<FT_Fixed>(std::lround(-l.along.y * 65536));
  m.yy = static_cast<FT_Fixed>(std::lround(-l.up.y * 65536));
  FT_Outline_Transform(&outline, &m);
  FT_Outline_Translate(&outline, static_cast<FT_Pos>(std::lround(origin.x * 64)),
                       static_cast<FT_Pos>(std::lround(-origin.y * 64)));
  FT_BBox box;
  FT_Outline_Get_CBox(&outline, &box);
  const RECT b = painter.Bounds();
  // Pixel rows and columns the glyph can touch, within the target.
  const long x0 = std::max<long>(b.left, box.xMin >> 6);
  const long x1 = std::min<long>(b.right, (box.xMax + 63) >> 6);
  const long top = std::max<long>(b.top, -((box.yMax + 63) >> 6));  // device rows
  const long bottom = std::min<long>(b.bottom, -(box.yMin >> 6));
  if (x0 >= x1 || top >= bottom) return;
  const unsigned w = static_cast<unsigned>(x1 - x0), h = static_cast<unsigned>(bottom - top);
  FT_Bitmap bitmap;
  FT_Bitmap_Init(&bitmap);
  bitmap.width = w;
  bitmap.rows = h;
  bitmap.pitch = static_cast<int>(smooth ? w : (w + 7) / 8);
  bitmap.pixel_mode = smooth ? FT_PIXEL_MODE_GRAY : FT_PIXEL_MODE_MONO;
  bitmap.num_grays = 256;
  std::vector<uint8_t> pixels(size_t(bitmap.pitch) * h);
  bitmap.buffer = pixels.data();
  // The bitmap's bottom-left corner is at (x0, -bottom) in y-up coordinates.
  FT_Outline_Translate(&outline, -x0 * 64, bottom * 64);
  if (FT_Outline_Get_Bitmap(font.library, &outline, &bitmap) != 0) return;
  std::vector<uint8_t> coverage(w);
  for (unsigned r = 0; r < h; ++r) {
    const uint8_t* row = pixels.data() + size_t(bitmap.pitch) * r;
    const int y = static_cast<int>(top + r);
    if (smooth) {
      painter.Blend(y, static_cast<int>(x0), static_cast<int>(x1), colour, row);
      continue;
    }
    for (unsigned c = 0; c < w;) {
      if (!((row[c >> 3] >> (7 - (c & 7))) & 1)) {
        ++c;
        continue;
      }
      unsigned e = c + 1;
      while (e < w && ((row[e >> 3] >> (7 - (e & 7))) & 1)) ++e;
      painter.Paint(y, static_cast<int>(x0 + c), static_cast<int>(x0 + e), ink);
      c = e;
    }
  }
}

}  // namespace

bool DrawText(Dc& dc, const TextRun& run) {
  Font* font = static_cast<Font*>(Lookup(dc.state.font));
  if (!font || font->kind != Kind::Font) return false;
  std::lock_guard<std::mutex> lock(font->face_mutex);
  FontFace* face = FaceOf(*font);
  if (!face) return false;
  const LOGFONTW& log = font->log;
  const Matrix m = DeviceMatrix(dc);
  if (!m.Finite()) return false;

  // Sizes: the em from the character height (lfHeight < 0) or the cell
  // height (> 0, ascent plus descent of the Windows metrics).
  const FT_Face f = face->face;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
  const double units = f->units_per_EM > 0 ? f->units_per_EM : 2048;
  const double win_ascent = os2 ? os2->usWinAscent : f->ascender;
  const double win_descent = os2 ? os2->usWinDescent : -f->descender;
  const double cell = std::max(1.0, win_ascent + win_descent);
  const double angle = std::fmod(double(log.lfEscapement), 3600.0) * M_PI / 1800;
  const PointF dir_logical{std::cos(angle), -std::sin(angle)};
  const PointF up_logical{-std::sin(angle), -std::cos(angle)};
  Layout l;
  const PointF along = {m.m11 * dir_logical.x + m.m21 * dir_logical.y,
                        m.m12 * dir_logical.x + m.m22 * dir_logical.y};
  const PointF up = {m.m11 * up_logical.x + m.m21 * up_logical.y,
                     m.m12 * up_logical.x + m.m22 * up_logical.y};
  l.scale_along = std::hypot(along.x, along.y);
  const double scale_up = std::hypot(up.x, up.y);
  l.along = Unit(along);
  // Text stays upright: "up" is the baseline turned a quarter counter-clockwise.
  l.up = {l.along.y, -l.along.x};
  const double height = log.lfHeight == 0 ? 16 : std::fabs(double(log.lfHeight)) * scale_up;
  l.ppem_y = std::round(log.lfHeight > 0 ? height * units / cell : height);
  l.ppem_x = l.ppem_y;
  if (log.lfWidth != 0 && os2 && os2->xAvgCharWidth > 0) {
    const double natural = os2->xAvgCharWidth * l.ppem_y / units;
    l.ppem_x = std::round(l.ppem_y * std::fabs(double(log.lfWidth)) * l.scale_along / natural);
  }
  if (!(l.ppem_y <= kMaxPixelsPerEm && l.ppem_x <= kMaxPixelsPerEm)) return false;
  if (l.ppem_y < 1 || l.ppem_x < 1) return true;  // too small to show
  if (FT_Set_Char_Size(f, static_cast<FT_F26Dot6>(l.ppem_x * 64),
                       static_cast<FT_F26Dot6>(l.ppem_y * 64), 72, 72) != 0) {
    return false;
  }
  l.ascent = std::round(win_ascent * l.ppem_y / units);
  l.descent = std::round(win_descent * l.ppem_y / units);

  Painter probe(dc);
  const bool smooth =
      log.lfQuality != NONANTIALIASED_QUALITY && probe.Target() && probe.Target()->bpp > 8;
  const FT_Int32 load = FT_LOAD_NO_BITMAP | (smooth ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
  const bool glyph_indices = (run.options & ETO_GLYPH_INDEX) != 0;
  const bool pdy = (run.options & ETO_PDY) != 0;

  // Advances in device pixels along the baseline (and across it with PDY).
  const size_t n = run.text.size();
  std::vector<PointF> advance(n);
  double width = 0;
  for (size_t i = 0; i < n; ++i) {
    if (!run.dx.empty()) {
      const size_t at = pdy ? 2 * i : i;
      const double a = at < run.dx.size() ? run.dx[at] : 0;
      const double b = pdy && at + 1 < run.dx.size() ? run.dx[at + 1] : 0;
      advance[i] = {a * l.scale_along, b * scale_up};
    } else {
      const FT_UInt g = glyph_indices ? run.text[i] : FT_Get_Char_Index(f, run.text[i]);
      double a = 0;
      if (FT_Load_Glyph(f, g, load) == 0) a = f->glyph->advance.x / 64.0;
      advance[i] = {a + dc.state.char_extra * l.scale_along, 0};
    }
    width += advance[i].x;
  }

  // The start of the baseline.
  const UINT align = dc.state.text_align;
  const POINT ref_logical = (align & TA_UPDATECP) ? dc.state.position : run.reference;
  const PointF ref = m.Apply(ref_logical.x, ref_logical.y);
  double shift = 0;
  if ((align & TA_CENTER) == TA_CENTER) {
    shift = -width / 2;
  } else if (align & TA_RIGHT) {
    shift = -width;
  }
  double lift = 0;  // from the reference point up to the baseline
  if ((align & TA_BASELINE) == TA_BASELINE) {
    lift = 0;
  } else if (align & TA_BOTTOM) {
    lift = l.descent;
  } else {
    lift = -l.ascent;
  }
  PointF start{ref.x + l.along.x * shift + l.up.x * lift,
               ref.y + l.along.y * shift + l.up.y * lift};
  if (m.AxisAligned() && angle == 0) start = {std::round(start.x), std::round(start.y)};
  if (align & TA_UPDATECP) {
    const double logical = l.scale_along > 0 ? width / l.scale_along : 0;
    dc.state.position.x +=
        RoundToInt((align & TA_RIGHT) && (align & TA_CENTER) != TA_CENTER ? -logical
                   : (align & TA_CENTER) == TA_CENTER                     ? 0
                                                                          : logical);
  }

  // ETO_CLIPPED: the rectangle cuts the text (and its background).
  const auto saved_clip = dc.state.clip;
  const RECT& r = run.rect;
  const PointF c0 = m.Apply(r.left, r.top), c1 = m.Apply(r.right, r.bottom);
  const RECT device_rect{RoundToInt(std::min(c0.x, c1.x)), RoundToInt(std::min(c0.y, c1.y)),
                         RoundToInt(std::max(c0.x, c1.x)), RoundToInt(std::max(c0.y, c1.y))};
  if (run.options & ETO_CLIPPED) {
    auto clip = std::make_shared<Region>(device_rect.left, device_rect.top, device_rect.right,
                                         device_rect.bottom);
    if (saved_clip) clip->Combine(*saved_clip, RGN_AND);
    dc.state.clip = clip;
  }
  Painter painter(dc);
  Ink background;
  background.raw = painter.Raw(dc.state.bk_colour);
  if (run.options & ETO_OPAQUE) {
    Fill(painter,
         {m.Apply(r.left, r.top), m.Apply(r.right, r.top), m.Apply(r.right, r.bottom),
          m.Apply(r.left, r.bottom)},
         background);
  } else if (dc.state.bk_mode == OPAQUE && n > 0) {
    Fill(painter, Band(l, start, width, l.ascent, -l.descent), background);
  }

  Ink ink;
  ink.raw = painter.Raw(dc.state.text_colour);
  PointF pen = start;
  for (size_t i = 0; i < n; ++i) {
    const FT_UInt g = glyph_indices ? run.text[i] : FT_Get_Char_Index(f, run.text[i]);
    const PointF origin{std::round(pen.x * 64) / 64, std::round(pen.y * 64) / 64};
    const bool near = std::fabs(origin.x) < (1 << 24) && std::fabs(origin.y) < (1 << 24);
    if (near && FT_Load_Glyph(f, g, load) == 0 && f->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
      RenderGlyph(*face, painter, l, origin, smooth, dc.state.text_colour, ink);
    }
    pen.x += l.along.x * advance[i].x + l.up.x * advance[i].y;
    pen.y += l.along.y * advance[i].x + l.up.y * advance[i].y;
  }
  // Underline and strike-out lines.
  const double thickness = std::max(1.0, std::round(f->underline_thickness * l.ppem_y / units));
  if (log.lfUnderline && n > 0) {
    const double at = std::round(f->underline_position * l.ppem_y / units);
    Fill(painter, Band(l, start, width, at, at - thickness), ink);
  }
  if (log.lfStrikeOut && n > 0) {
    const double at =
        os2 ? std::round(os2->yStrikeoutPosition * l.ppem_y / units) : std::round(l.ascent / 3);
    Fill(painter, Band(l, start, width, at, at - thickness), ink);
  }
  dc.state.clip = saved_clip;
  return true;
}

}  // namespace gdiport
