// The Windows graphics (GDI), window-DC and global-memory calls, declared
// portably with Windows' names, values and structure layouts, and implemented
// in platform/gdi/portable/*.cpp on a virtual display. Included through
// platform/gdi/Gdi.h; do not include directly.
//
// The calls behave as Windows documents them. Where Windows documents a
// precondition, the call checks it and fails (0 / FALSE / GDI_ERROR), so a
// mistake shows here before it shows on Windows. Where Windows leaves the
// result open, this implementation picks the rule written next to the call.
//
// Rules that hold for every call:
// - Handles are looked up in one handle table with their kind; a null, stale
//   (already deleted) or wrong-kind handle makes the call fail, never crash.
//   GetLastError then returns ERROR_INVALID_HANDLE.
// - The screen is a virtual display: 32-bit true colour, 1920 x 1080, 96 dpi
//   unless a test selects another format (platform/gdi/GdiTest.h). The screen
//   DC has no pixels: drawing on it succeeds and changes nothing, and it cannot
//   be the source of a blit.
// - Only the calling thread uses these calls (no locking).
// - Colour indices: a 4- or 8-bit device-dependent bitmap holds palette
//   indices. Their colours are those of the logical palette selected into the
//   DC a call works through; with the default palette selected, 8-bit indices
//   use the system palette (20 static colours around a 6x6x6 colour cube and a
//   gray ramp) and 4-bit indices use the 16 standard VGA colours. 1-bit
//   bitmaps are always black (0) and white (1). So a DIB converted into an
//   indexed bitmap and back through the same palette keeps its indices.
// - 16-bit device-dependent bitmaps hold 5-5-5 RGB (the top bit is 0).
// - DIBs: 1, 4, 8, 16 (5-5-5), 24 and 32 bits, BI_RGB, with a 40-byte (or
//   longer) header and RGB colour tables. BI_BITFIELDS, RLE, 12-byte core
//   headers and DIB_PAL_COLORS are not supported: those calls fail.
// - Limits: a bitmap holds at most 2^31 bytes of pixels; larger requests fail
//   with ERROR_NOT_ENOUGH_MEMORY instead of throwing.
#pragma once

#include "platform/Export.h"
#include "platform/gdi/portable/WinTypes.h"

// ---------------------------------------------------------------------------
// Structures. Those that are written to files or streams have fixed layouts,
// checked below by static assertions.

typedef struct tagRECTL {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECTL, *LPRECTL;

typedef struct tagPOINTL {
  LONG x;
  LONG y;
} POINTL, *LPPOINTL;

typedef struct tagPOINTS {
  SHORT x;
  SHORT y;
} POINTS, *LPPOINTS;

typedef SIZE SIZEL;
typedef SIZE* LPSIZEL;

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD, *LPRGBQUAD;

typedef struct tagRGBTRIPLE {
  BYTE rgbtBlue;
  BYTE rgbtGreen;
  BYTE rgbtRed;
} RGBTRIPLE, *LPRGBTRIPLE;

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // > 0: rows bottom-up; < 0: rows top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;  // 0: the full table of 2^biBitCount entries (<= 8 bits)
  DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER, *PBITMAPINFOHEADER;

typedef struct tagBITMAPCOREHEADER {
  DWORD bcSize;
  WORD bcWidth;
  WORD bcHeight;
  WORD bcPlanes;
  WORD bcBitCount;
} BITMAPCOREHEADER, *LPBITMAPCOREHEADER, *PBITMAPCOREHEADER;

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;  // 'BM' = 0x4D42
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
} BITMAPFILEHEADER, *LPBITMAPFILEHEADER, *PBITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];  // really biClrUsed (or 2^biBitCount) entries
} BITMAPINFO, *LPBITMAPINFO, *PBITMAPINFO;

typedef struct tagBITMAPCOREINFO {
  BITMAPCOREHEADER bmciHeader;
  RGBTRIPLE bmciColors[1];
} BITMAPCOREINFO, *LPBITMAPCOREINFO;

// GetObjectA on a bitmap. bmBits is always null for device-dependent bitmaps.
typedef struct tagBITMAP {
  LONG bmType;  // 0
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;  // row length rounded up to a multiple of 2 bytes
  WORD bmPlanes;      // 1
  WORD bmBitsPixel;   // 1, 4, 8, 16, 24 or 32
  LPVOID bmBits;
} BITMAP, *LPBITMAP, *PBITMAP;

typedef struct tagPALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;  // 0 or PC_* flags
} PALETTEENTRY, *LPPALETTEENTRY, *PPALETTEENTRY;

typedef struct tagLOGPALETTE {
  WORD palVersion;  // 0x300
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];  // really palNumEntries entries
} LOGPALETTE, *LPLOGPALETTE, *PLOGPALETTE;

typedef struct tagLOGBRUSH {
  UINT lbStyle;  // BS_SOLID, BS_NULL (hatched and pattern brushes unsupported)
  COLORREF lbColor;
  ULONG_PTR lbHatch;
} LOGBRUSH, *LPLOGBRUSH, *PLOGBRUSH;

// The 32-bit form of LOGBRUSH stored in metafile records.
typedef struct tagLOGBRUSH32 {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG lbHatch;
} LOGBRUSH32, *PLOGBRUSH32;

typedef struct tagLOGPEN {
  UINT lopnStyle;   // PS_SOLID or PS_NULL (other styles draw solid)
  POINT lopnWidth;  // x is the width in logical units; 0 means 1 pixel
  COLORREF lopnColor;
} LOGPEN, *LPLOGPEN, *PLOGPEN;

// A logical font (the 92 bytes stored in EMR_EXTCREATEFONTINDIRECTW).
#define LF_FACESIZE 32
typedef struct tagLOGFONTW {
  LONG lfHeight;       // < 0: character height; > 0: cell height; logical units
  LONG lfWidth;        // average character width; 0: the font's own proportions
  LONG lfEscapement;   // baseline angle in tenths of degrees, counter-clockwise
  LONG lfOrientation;  // (the glyphs turn with the baseline)
  LONG lfWeight;       // 0 or 100..900 (FW_NORMAL, FW_BOLD)
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;  // NONANTIALIASED_QUALITY: aliased glyphs
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];  // need not be terminated
} LOGFONTW, *LPLOGFONTW, *PLOGFONTW;

// A Windows (16-bit) metafile's picture size for SetWinMetaFileBits.
typedef struct tagMETAFILEPICT {
  LONG mm;    // mapping mode; MM_ANISOTROPIC or MM_ISOTROPIC use xExt and yExt
  LONG xExt;  // picture size in .01 mm (0 or below: not given)
  LONG yExt;
  void* hMF;  // unused here
} METAFILEPICT, *LPMETAFILEPICT;

typedef struct tagXFORM {
  float eM11;
  float eM12;
  float eM21;
  float eM22;
  float eDx;
  float eDy;
} XFORM, *LPXFORM;

// Enhanced metafiles: the published EMF record layouts.
typedef struct tagENHMETAHEADER {
  DWORD iType;       // EMR_HEADER
  DWORD nSize;       // header record size in bytes
  RECTL rclBounds;   // inclusive bounds in device units
  RECTL rclFrame;    // inclusive picture frame in .01 millimetres
  DWORD dSignature;  // ENHMETA_SIGNATURE
  DWORD nVersion;    // 0x10000
  DWORD nBytes;      // file size
  DWORD nRecords;
  WORD nHandles;  // object table size including the reserved entry 0
  WORD sReserved;
  DWORD nDescription;    // characters of the UTF-16 description
  DWORD offDescription;  // its offset from the header start, or 0
  DWORD nPalEntries;     // entries of the palette in the EOF record
  SIZEL szlDevice;       // reference device size in pixels
  SIZEL szlMillimeters;  // reference device size in millimetres
  DWORD cbPixelFormat;
  DWORD offPixelFormat;
  DWORD bOpenGL;
  SIZEL szlMicrometers;
} ENHMETAHEADER, *LPENHMETAHEADER, *PENHMETAHEADER;

typedef struct tagEMR {
  DWORD iType;
  DWORD nSize;  // record size in bytes, a multiple of 4
} EMR, *PEMR;

typedef struct tagENHMETARECORD {
  DWORD iType;
  DWORD nSize;
  DWORD dParm[1];
} ENHMETARECORD, *LPENHMETARECORD;

typedef struct tagEMREOF {
  EMR emr;
  DWORD nPalEntries;
  DWORD offPalEntries;  // from the record start
  DWORD nSizeLast;      // == emr.nSize
} EMREOF, *PEMREOF;

typedef struct tagEMRPOLYLINE {
  EMR emr;
  RECTL rclBounds;
  DWORD cptl;
  POINTL aptl[1];
} EMRPOLYLINE, *PEMRPOLYLINE, EMRPOLYGON, *PEMRPOLYGON;

typedef struct tagEMRPOLYLINE16 {
  EMR emr;
  RECTL rclBounds;
  DWORD cpts;
  POINTS apts[1];
} EMRPOLYLINE16, *PEMRPOLYLINE16, EMRPOLYGON16, *PEMRPOLYGON16;

typedef struct tagEMRELLIPSE {
  EMR emr;
  RECTL rclBox;  // inclusive-exclusive as the drawing call's arguments
} EMRELLIPSE, *PEMRELLIPSE, EMRRECTANGLE, *PEMRRECTANGLE;

typedef struct tagEMRLINETO {
  EMR emr;
  POINTL ptl;
} EMRLINETO, *PEMRLINETO, EMRMOVETOEX, *PEMRMOVETOEX;

typedef struct tagEMRSETPIXELV {
  EMR emr;
  POINTL ptlPixel;
  COLORREF crColor;
} EMRSETPIXELV, *PEMRSETPIXELV;

typedef struct tagEMRSETVIEWPORTORGEX {
  EMR emr;
  POINTL ptlOrigin;
} EMRSETVIEWPORTORGEX, *PEMRSETVIEWPORTORGEX, EMRSETWINDOWORGEX, *PEMRSETWINDOWORGEX,
    EMRSETBRUSHORGEX, *PEMRSETBRUSHORGEX;

typedef struct tagEMRSETVIEWPORTEXTEX {
  EMR emr;
  SIZEL szlExtent;
} EMRSETVIEWPORTEXTEX, *PEMRSETVIEWPORTEXTEX, EMRSETWINDOWEXTEX, *PEMRSETWINDOWEXTEX;

typedef struct tagEMRSETMAPMODE {
  EMR emr;
  DWORD iMode;
} EMRSETMAPMODE, *PEMRSETMAPMODE, EMRSETBKMODE, *PEMRSETBKMODE, EMRSETPOLYFILLMODE,
    *PEMRSETPOLYFILLMODE, EMRSETSTRETCHBLTMODE, *PEMRSETSTRETCHBLTMODE;

typedef struct tagEMRSETTEXTCOLOR {
  EMR emr;
  COLORREF crColor;
} EMRSETBKCOLOR, *PEMRSETBKCOLOR, EMRSETTEXTCOLOR, *PEMRSETTEXTCOLOR;

typedef struct tagEMRSAVEDC {
  EMR emr;
} EMRSAVEDC, *PEMRSAVEDC, EMRREALIZEPALETTE, *PEMRREALIZEPALETTE;

typedef struct tagEMRRESTOREDC {
  EMR emr;
  LONG iRelative;  // < 0: relative to the current state
} EMRRESTOREDC, *PEMRRESTOREDC;

typedef struct tagEMRSELECTOBJECT {
  EMR emr;
  DWORD ihObject;  // object-table index, or ENHMETA_STOCK_OBJECT | stock id
} EMRSELECTOBJECT, *PEMRSELECTOBJECT, EMRDELETEOBJECT, *PEMRDELETEOBJECT;

typedef struct tagEMRSELECTPALETTE {
  EMR emr;
  DWORD ihPal;
} EMRSELECTPALETTE, *PEMRSELECTPALETTE;

typedef struct tagEMRCREATEPEN {
  EMR emr;
  DWORD ihPen;
  LOGPEN lopn;
} EMRCREATEPEN, *PEMRCREATEPEN;

typedef struct tagEMRCREATEBRUSHINDIRECT {
  EMR emr;
  DWORD ihBrush;
  LOGBRUSH32 lb;
} EMRCREATEBRUSHINDIRECT, *PEMRCREATEBRUSHINDIRECT;

typedef struct tagEMRCREATEPALETTE {
  EMR emr;
  DWORD ihPal;
  LOGPALETTE lgpl;  // palNumEntries entries follow
} EMRCREATEPALETTE, *PEMRCREATEPALETTE;

typedef struct tagEMRBITBLT {
  EMR emr;
  RECTL rclBounds;
  LONG xDest;
  LONG yDest;
  LONG cxDest;
  LONG cyDest;
  DWORD dwRop;
  LONG xSrc;
  LONG ySrc;
  XFORM xformSrc;
  COLORREF crBkColorSrc;
  DWORD iUsageSrc;
  DWORD offBmiSrc;  // 0 when the raster operation uses no source
  DWORD cbBmiSrc;
  DWORD offBitsSrc;
  DWORD cbBitsSrc;
} EMRBITBLT, *PEMRBITBLT;

typedef struct tagEMRSTRETCHBLT {
  EMR emr;
  RECTL rclBounds;
  LONG xDest;
  LONG yDest;
  LONG cxDest;
  LONG cyDest;
  DWORD dwRop;
  LONG xSrc;
  LONG ySrc;
  XFORM xformSrc;
  COLORREF crBkColorSrc;
  DWORD iUsageSrc;
  DWORD offBmiSrc;
  DWORD cbBmiSrc;
  DWORD offBitsSrc;
  DWORD cbBitsSrc;
  LONG cxSrc;
  LONG cySrc;
} EMRSTRETCHBLT, *PEMRSTRETCHBLT;

typedef struct tagEMRSTRETCHDIBITS {
  EMR emr;
  RECTL rclBounds;
  LONG xDest;
  LONG yDest;
  LONG xSrc;
  LONG ySrc;
  LONG cxSrc;
  LONG cySrc;
  DWORD offBmiSrc;  // offsets from the record start
  DWORD cbBmiSrc;
  DWORD offBitsSrc;
  DWORD cbBitsSrc;
  DWORD iUsageSrc;
  DWORD dwRop;
  LONG cxDest;
  LONG cyDest;
} EMRSTRETCHDIBITS, *PEMRSTRETCHDIBITS;

// ---------------------------------------------------------------------------
// Constants (Windows values).

#define RGB(r, g, b) \
  ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define PALETTEINDEX(i) ((COLORREF)(0x01000000 | (DWORD)(WORD)(i)))
#define PALETTERGB(r, g, b) (0x02000000 | RGB(r, g, b))
#define GetRValue(rgb) ((BYTE)(rgb))
#define GetGValue(rgb) ((BYTE)(((WORD)(rgb)) >> 8))
#define GetBValue(rgb) ((BYTE)((rgb) >> 16))

#define CLR_INVALID 0xFFFFFFFF
#define GDI_ERROR 0xFFFFFFFFL
#define HGDI_ERROR ((HGDIOBJ)(LONG_PTR)-1)

// DIB compression and colour use
#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1
#define CBM_INIT 0x04L

// Raster operations
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define NOTSRCCOPY 0x00330008
#define PATCOPY 0x00F00021
#define PATINVERT 0x005A0049
#define DSTINVERT 0x00550009
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

// Stretch modes
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

// GetDeviceCaps indices
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMBRUSHES 16
#define NUMPENS 18
#define NUMFONTS 22
#define NUMCOLORS 24
#define RASTERCAPS 38
#define ASPECTX 40
#define ASPECTY 42
#define ASPECTXY 44
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define COLORRES 108
#define DT_RASDISPLAY 1
#define DT_METAFILE 5

// RASTERCAPS bits
#define RC_BITBLT 1
#define RC_BANDING 2
#define RC_SCALING 4
#define RC_BITMAP64 8
#define RC_GDI20_OUTPUT 0x0010
#define RC_DI_BITMAP 0x0080
#define RC_PALETTE 0x0100
#define RC_DIBTODEV 0x0200
#define RC_STRETCHBLT 0x0800
#define RC_STRETCHDIB 0x2000

// Palette entry flags
#define PC_RESERVED 0x01
#define PC_EXPLICIT 0x02
#define PC_NOCOLLAPSE 0x04

// Stock objects
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19
#define STOCK_LAST 19

// Object types (GetObjectType, GetCurrentObject)
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_METADC 4
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10
#define OBJ_EXTPEN 11
#define OBJ_ENHMETADC 12
#define OBJ_ENHMETAFILE 13

// Pens and brushes
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL
#define BS_HATCHED 2
#define BS_PATTERN 3

#define PS_USERSTYLE 7
#define PS_ALTERNATE 8
#define PS_STYLE_MASK 0x0000000F
#define PS_ENDCAP_ROUND 0x00000000
#define PS_ENDCAP_SQUARE 0x00000100
#define PS_ENDCAP_FLAT 0x00000200
#define PS_ENDCAP_MASK 0x00000F00
#define PS_JOIN_ROUND 0x00000000
#define PS_JOIN_BEVEL 0x00001000
#define PS_JOIN_MITER 0x00002000
#define PS_JOIN_MASK 0x0000F000
#define PS_COSMETIC 0x00000000
#define PS_GEOMETRIC 0x00010000
#define PS_TYPE_MASK 0x000F0000
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5
#define BS_DIBPATTERN 5
#define BS_DIBPATTERNPT 6

// Mix modes of pens and brushes (SetROP2)
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// Text alignment and output options
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define ETO_GLYPH_INDEX 0x0010
#define ETO_PDY 0x2000
#define DEFAULT_QUALITY 0
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define FW_NORMAL 400
#define FW_BOLD 700

// Arc directions, region combination, graphics modes, world transforms
#define AD_COUNTERCLOCKWISE 1
#define AD_CLOCKWISE 2
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5
#define GM_COMPATIBLE 1
#define GM_ADVANCED 2
#define MWT_IDENTITY 1
#define MWT_LEFTMULTIPLY 2
#define MWT_RIGHTMULTIPLY 3
#define MWT_SET 4

// Mapping modes, fill modes, background modes
#define MM_TEXT 1
#define MM_LOMETRIC 2
#define MM_HIMETRIC 3
#define MM_LOENGLISH 4
#define MM_HIENGLISH 5
#define MM_TWIPS 6
#define MM_ISOTROPIC 7
#define MM_ANISOTROPIC 8
#define ALTERNATE 1
#define WINDING 2
#define TRANSPARENT 1
#define OPAQUE 2

// Metafile records
#define ENHMETA_SIGNATURE 0x464D4520
#define ENHMETA_STOCK_OBJECT 0x80000000
#define EMR_HEADER 1
#define EMR_POLYBEZIER 2
#define EMR_POLYGON 3
#define EMR_POLYLINE 4
#define EMR_POLYBEZIERTO 5
#define EMR_POLYLINETO 6
#define EMR_POLYPOLYLINE 7
#define EMR_POLYPOLYGON 8
#define EMR_SETWINDOWEXTEX 9
#define EMR_SETWINDOWORGEX 10
#define EMR_SETVIEWPORTEXTEX 11
#define EMR_SETVIEWPORTORGEX 12
#define EMR_SETBRUSHORGEX 13
#define EMR_EOF 14
#define EMR_SETPIXELV 15
#define EMR_SETMAPPERFLAGS 16
#define EMR_SETMAPMODE 17
#define EMR_SETBKMODE 18
#define EMR_SETPOLYFILLMODE 19
#define EMR_SETROP2 20
#define EMR_SETSTRETCHBLTMODE 21
#define EMR_SETTEXTALIGN 22
#define EMR_SETCOLORADJUSTMENT 23
#define EMR_SETTEXTCOLOR 24
#define EMR_SETBKCOLOR 25
#define EMR_OFFSETCLIPRGN 26
#define EMR_MOVETOEX 27
#define EMR_SETMETARGN 28
#define EMR_EXCLUDECLIPRECT 29
#define EMR_INTERSECTCLIPRECT 30
#define EMR_SCALEVIEWPORTEXTEX 31
#define EMR_SCALEWINDOWEXTEX 32
#define EMR_SAVEDC 33
#define EMR_RESTOREDC 34
#define EMR_SETWORLDTRANSFORM 35
#define EMR_MODIFYWORLDTRANSFORM 36
#define EMR_SELECTOBJECT 37
#define EMR_CREATEPEN 38
#define EMR_CREATEBRUSHINDIRECT 39
#define EMR_DELETEOBJECT 40
#define EMR_ANGLEARC 41
#define EMR_ELLIPSE 42
#define EMR_RECTANGLE 43
#define EMR_ROUNDRECT 44
#define EMR_ARC 45
#define EMR_CHORD 46
#define EMR_PIE 47
#define EMR_SELECTPALETTE 48
#define EMR_CREATEPALETTE 49
#define EMR_SETPALETTEENTRIES 50
#define EMR_RESIZEPALETTE 51
#define EMR_REALIZEPALETTE 52
#define EMR_EXTFLOODFILL 53
#define EMR_LINETO 54
#define EMR_ARCTO 55
#define EMR_POLYDRAW 56
#define EMR_SETARCDIRECTION 57
#define EMR_SETMITERLIMIT 58
#define EMR_BEGINPATH 59
#define EMR_ENDPATH 60
#define EMR_CLOSEFIGURE 61
#define EMR_FILLPATH 62
#define EMR_STROKEANDFILLPATH 63
#define EMR_STROKEPATH 64
#define EMR_FLATTENPATH 65
#define EMR_WIDENPATH 66
#define EMR_SELECTCLIPPATH 67
#define EMR_ABORTPATH 68
#define EMR_GDICOMMENT 70
#define EMR_FILLRGN 71
#define EMR_FRAMERGN 72
#define EMR_INVERTRGN 73
#define EMR_PAINTRGN 74
#define EMR_EXTSELECTCLIPRGN 75
#define EMR_BITBLT 76
#define EMR_STRETCHBLT 77
#define EMR_MASKBLT 78
#define EMR_PLGBLT 79
#define EMR_SETDIBITSTODEVICE 80
#define EMR_STRETCHDIBITS 81
#define EMR_EXTCREATEFONTINDIRECTW 82
#define EMR_EXTTEXTOUTA 83
#define EMR_EXTTEXTOUTW 84
#define EMR_POLYBEZIER16 85
#define EMR_POLYGON16 86
#define EMR_POLYLINE16 87
#define EMR_POLYBEZIERTO16 88
#define EMR_POLYLINETO16 89
#define EMR_POLYPOLYLINE16 90
#define EMR_POLYPOLYGON16 91
#define EMR_POLYDRAW16 92
#define EMR_CREATEMONOBRUSH 93
#define EMR_CREATEDIBPATTERNBRUSHPT 94
#define EMR_EXTCREATEPEN 95
#define EMR_POLYTEXTOUTA 96
#define EMR_POLYTEXTOUTW 97
#define EMR_SETICMMODE 98
#define EMR_CREATECOLORSPACE 99
#define EMR_SETCOLORSPACE 100
#define EMR_DELETECOLORSPACE 101
#define EMR_GLSRECORD 102
#define EMR_GLSBOUNDEDRECORD 103
#define EMR_PIXELFORMAT 104
#define EMR_COLORCORRECTPALETTE 111
#define EMR_SETICMPROFILEA 112
#define EMR_SETICMPROFILEW 113
#define EMR_ALPHABLEND 114
#define EMR_SETLAYOUT 115
#define EMR_TRANSPARENTBLT 116
#define EMR_GRADIENTFILL 118
#define EMR_COLORMATCHTOTARGETW 121
#define EMR_CREATECOLORSPACEW 122
#define GDICOMMENT_IDENTIFIER 0x43494447
#define GDICOMMENT_WINDOWS_METAFILE 0x80000001

// Windows (16-bit) metafile records: the function numbers
#define META_SETBKCOLOR 0x0201
#define META_SETBKMODE 0x0102
#define META_SETMAPMODE 0x0103
#define META_SETROP2 0x0104
#define META_SETRELABS 0x0105
#define META_SETPOLYFILLMODE 0x0106
#define META_SETSTRETCHBLTMODE 0x0107
#define META_SETTEXTCHAREXTRA 0x0108
#define META_SETTEXTCOLOR 0x0209
#define META_SETTEXTJUSTIFICATION 0x020A
#define META_SETWINDOWORG 0x020B
#define META_SETWINDOWEXT 0x020C
#define META_SETVIEWPORTORG 0x020D
#define META_SETVIEWPORTEXT 0x020E
#define META_OFFSETWINDOWORG 0x020F
#define META_SCALEWINDOWEXT 0x0410
#define META_OFFSETVIEWPORTORG 0x0211
#define META_SCALEVIEWPORTEXT 0x0412
#define META_LINETO 0x0213
#define META_MOVETO 0x0214
#define META_EXCLUDECLIPRECT 0x0415
#define META_INTERSECTCLIPRECT 0x0416
#define META_ARC 0x0817
#define META_ELLIPSE 0x0418
#define META_FLOODFILL 0x0419
#define META_PIE 0x081A
#define META_RECTANGLE 0x041B
#define META_ROUNDRECT 0x061C
#define META_PATBLT 0x061D
#define META_SAVEDC 0x001E
#define META_SETPIXEL 0x041F
#define META_OFFSETCLIPRGN 0x0220
#define META_TEXTOUT 0x0521
#define META_BITBLT 0x0922
#define META_STRETCHBLT 0x0B23
#define META_POLYGON 0x0324
#define META_POLYLINE 0x0325
#define META_ESCAPE 0x0626
#define META_RESTOREDC 0x0127
#define META_FILLREGION 0x0228
#define META_FRAMEREGION 0x0429
#define META_INVERTREGION 0x012A
#define META_PAINTREGION 0x012B
#define META_SELECTCLIPREGION 0x012C
#define META_SELECTOBJECT 0x012D
#define META_SETTEXTALIGN 0x012E
#define META_CHORD 0x0830
#define META_SETMAPPERFLAGS 0x0231
#define META_EXTTEXTOUT 0x0A32
#define META_SETDIBTODEV 0x0D33
#define META_SELECTPALETTE 0x0234
#define META_REALIZEPALETTE 0x0035
#define META_ANIMATEPALETTE 0x0436
#define META_SETPALENTRIES 0x0037
#define META_POLYPOLYGON 0x0538
#define META_RESIZEPALETTE 0x0139
#define META_DIBBITBLT 0x0940
#define META_DIBSTRETCHBLT 0x0B41
#define META_DIBCREATEPATTERNBRUSH 0x0142
#define META_STRETCHDIB 0x0F43
#define META_EXTFLOODFILL 0x0548
#define META_SETLAYOUT 0x0149
#define META_DELETEOBJECT 0x01F0
#define META_CREATEPALETTE 0x00F7
#define META_CREATEPATTERNBRUSH 0x01F9
#define META_CREATEPENINDIRECT 0x02FA
#define META_CREATEFONTINDIRECT 0x02FB
#define META_CREATEBRUSHINDIRECT 0x02FC
#define META_CREATEREGION 0x06FF

// Global memory flags
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GMEM_INVALID_HANDLE 0x8000
#define GMEM_LOCKCOUNT 0x00FF
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// System metrics
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1

// Error codes set by the calls below
#define ERROR_SUCCESS 0L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_DATA 13L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_NOT_LOCKED 158L
#define ERROR_BUSY 170L
#define ERROR_NOT_SUPPORTED 50L

// ---------------------------------------------------------------------------
// Device contexts and objects

// The screen DC for a null window (each call returns a new DC that ReleaseDC
// frees). A non-null window is not supported here and returns 0.
PLATFORM_API HDC GetDC(HWND window);
// Releases a DC from GetDC: 1 on success, 0 for any other handle.
PLATFORM_API int ReleaseDC(HWND window, HDC dc);
// A memory DC (null or any DC as reference) holding a 1 x 1 monochrome
// bitmap, the default palette, a white brush and a black pen.
PLATFORM_API HDC CreateCompatibleDC(HDC dc);
// Deletes a memory DC (or an unclosed metafile DC, dropping its records).
// Objects still selected into it stay alive and become unselected.
// Fails for DCs from GetDC.
PLATFORM_API BOOL DeleteDC(HDC dc);

// Selects a bitmap (memory DCs only), brush, pen or font; returns the object
// it replaces, or 0 on failure. A bitmap of any depth can be selected, but
// into one memory DC at a time. Palettes go through SelectPalette.
PLATFORM_API HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Deletes a pen, brush, bitmap, palette or font. Fails (FALSE) while the object
// is selected into a DC. Stock objects: TRUE, nothing happens.
PLATFORM_API BOOL DeleteObject(HGDIOBJ object);
// Copies the object's description: BITMAP, LOGPEN, LOGBRUSH, WORD entry count
// for a palette. With buffer null returns the size needed; returns the
// number of bytes copied, 0 on failure.
PLATFORM_API int GetObjectA(HANDLE object, int size, LPVOID buffer);
PLATFORM_API DWORD GetObjectType(HGDIOBJ object);  // OBJ_*, 0 for an invalid handle
PLATFORM_API HGDIOBJ GetStockObject(int index);
PLATFORM_API HGDIOBJ GetCurrentObject(HDC dc, UINT type);  // OBJ_PEN/BRUSH/PAL/BITMAP/FONT

PLATFORM_API int SaveDC(HDC dc);                 // returns the new save level, 0 on failure
PLATFORM_API BOOL RestoreDC(HDC dc, int saved);  // saved < 0: relative to the current one

// ---------------------------------------------------------------------------
// Bitmaps

// A bitmap of the DC's depth: the display's for a screen DC, that of the
// bitmap selected into a memory DC (so a new memory DC gives monochrome).
// Width or height 0 gives a 1 x 1 monochrome bitmap, as on Windows; negative
// sizes, or more than 2^31 bytes of pixels, fail with 0. Pixels start black.
PLATFORM_API HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A bitmap of 1, 4, 8, 16, 24 or 32 bits (planes must be 1), initialised
// from rows of bmWidthBytes (2-byte aligned) when bits is not null.
PLATFORM_API HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bit_count,
                                  const void* bits);

// Copies scan lines [start, start + lines) of the bitmap into a DIB of the
// format in info (1, 4, 8, 24 or 32 bits, BI_RGB, bottom-up or top-down,
// DIB_RGB_COLORS). Also fills biSizeImage and, below 16 bits, the colour
// table (from the DC's palette, or black and white at 1 bit). With bits
// null, fills the header only: a biBitCount of 0 asks for the bitmap's own
// format; otherwise biWidth/biHeight are set from the bitmap (the sign of
// biHeight kept). Returns the number of lines copied (the bitmap height when
// bits is null), 0 on failure: the bitmap is selected into a DC, the DC or
// bitmap is invalid, the format is unsupported, or biWidth and |biHeight|
// differ from the bitmap's size. Scan line 0 is the bottom row for bottom-up
// DIBs and the top row for top-down ones. Index DIBs from colour bitmaps take
// the nearest colour-table entry. The colour table of a DIB of d bits is the
// DC palette when that has at most 2^d entries, else the default colours for
// d bits (see the top of this file); biClrUsed is set to 0.
PLATFORM_API int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits,
                           LPBITMAPINFO info, UINT usage);
// A bitmap compatible with dc (as CreateCompatibleBitmap; a null DC means
// the screen) of the header's size, initialised from bits/info when init
// has CBM_INIT; without it the pixels are undefined (as on Windows): the
// caller sets them, with SetDIBits say. Index bitmaps take DIB colours through the DC's palette
// (nearest entry; equal colours keep their index). 0 on failure.
PLATFORM_API HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init,
                                    const void* bits, const BITMAPINFO* info, UINT usage);
// Sets scan lines [start, start + lines) of the bitmap from a DIB of the
// bitmap's size (numbered as in GetDIBits); the bitmap must not be selected
// into a DC. Returns the lines copied, 0 on failure.
PLATFORM_API int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
                           const BITMAPINFO* info, UINT usage);

// ---------------------------------------------------------------------------
// Palettes

// A logical palette of palVersion 0x300 and 1..1024 entries; 0 otherwise.
PLATFORM_API HPALETTE CreatePalette(const LOGPALETTE* palette);
// Selects a palette into a DC, returning the previous one (0 on failure).
// Foreground and background selection behave alike on the virtual display.
PLATFORM_API HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL background);
// Maps the DC's palette onto the display: returns the number of entries
// realised (the palette size on a palette display, 0 on true colour), or
// GDI_ERROR for an invalid DC.
PLATFORM_API UINT RealizePalette(HDC dc);
PLATFORM_API UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count,
                                    LPPALETTEENTRY entries);  // entries null: the size
PLATFORM_API UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count,
                                    const PALETTEENTRY* entries);
// Index of the closest entry (squared RGB distance, first of equals), or
// CLR_INVALID.
PLATFORM_API UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF colour);

// ---------------------------------------------------------------------------
// Device capabilities (of the virtual display; a memory DC reports the
// display's values, a metafile DC those of its reference display)

PLATFORM_API int GetDeviceCaps(HDC dc, int index);
PLATFORM_API int GetSystemMetrics(int index);  // SM_CXSCREEN, SM_CYSCREEN; others 0

// ---------------------------------------------------------------------------
// Blits. Coordinates are logical (the DC's window/viewport mapping applies);
// pixels outside the destination bitmap are clipped. Supported raster
// operations: SRCCOPY, NOTSRCCOPY, SRCPAINT, SRCAND, SRCINVERT, PATCOPY,
// PATINVERT, DSTINVERT, BLACKNESS, WHITENESS; others fail.

// Returns the previous mode, 0 on failure (mode not in 1..4).
PLATFORM_API int SetStretchBltMode(HDC dc, int mode);
PLATFORM_API int GetStretchBltMode(HDC dc);
PLATFORM_API BOOL SetBrushOrgEx(HDC dc, int x, int y, LPPOINT previous);
// Copies a rectangle, scaling it to the destination size. HALFTONE averages
// for each destination pixel the source area mapping onto it, weighted by
// area; the other modes take the nearest source pixel (pixel centres).
// A 1:1 copy is exact in every mode. Negative widths or heights mirror: a
// width -w at x covers x, x - 1, ..., x - w + 1. The source must be a memory
// DC; a source area reaching outside the source bitmap fails. 1-bit sources
// are black and white (the DC text and background colours do not apply).
PLATFORM_API BOOL StretchBlt(HDC dest, int x_dest, int y_dest, int width_dest, int height_dest,
                             HDC source, int x_source, int y_source, int width_source,
                             int height_source, DWORD rop);
PLATFORM_API BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int x_source,
                         int y_source, DWORD rop);
// Fills with the DC's brush (PATCOPY, PATINVERT, DSTINVERT, BLACKNESS,
// WHITENESS).
PLATFORM_API BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
// As StretchBlt, from a DIB (1, 4, 8, 24, 32 bits, BI_RGB). Returns the
// number of source lines, 0 on failure.
PLATFORM_API int StretchDIBits(HDC dc, int x_dest, int y_dest, int width_dest, int height_dest,
                               int x_source, int y_source, int width_source, int height_source,
                               const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);

// ---------------------------------------------------------------------------
// Brushes, pens and shapes. Drawing is aliased (no anti-aliasing), pixel
// centres decide coverage, and the right and bottom edges of rectangles and
// ellipses and the last point of a line are excluded, as on Windows. With a
// null pen, Rectangle and Ellipse fill one pixel less to the right and bottom
// (as Windows does). Pens are solid squares of their width (dashes and joins
// are not drawn); brushes are solid (hatches and patterns are not drawn).

PLATFORM_API HBRUSH CreateSolidBrush(COLORREF colour);
PLATFORM_API HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);  // BS_SOLID, BS_NULL
PLATFORM_API HPEN CreatePen(int style, int width, COLORREF colour);
PLATFORM_API HPEN CreatePenIndirect(const LOGPEN* pen);
PLATFORM_API COLORREF SetBkColor(HDC dc, COLORREF colour);
PLATFORM_API COLORREF GetBkColor(HDC dc);
PLATFORM_API int SetBkMode(HDC dc, int mode);
PLATFORM_API COLORREF SetTextColor(HDC dc, COLORREF colour);
PLATFORM_API int SetPolyFillMode(HDC dc, int mode);  // ALTERNATE or WINDING

// Fills [left, right) x [top, bottom) with the brush; nonzero on success.
PLATFORM_API int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
PLATFORM_API BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
PLATFORM_API BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
PLATFORM_API BOOL Polygon(HDC dc, const POINT* points, int count);
PLATFORM_API BOOL Polyline(HDC dc, const POINT* points, int count);
PLATFORM_API BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous);
PLATFORM_API BOOL LineTo(HDC dc, int x, int y);
// Returns the colour actually set (nearest palette colour on index bitmaps),
// or CLR_INVALID (also outside the bitmap).
PLATFORM_API COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour);
PLATFORM_API COLORREF GetPixel(HDC dc, int x, int y);  // CLR_INVALID outside the bitmap

// Coordinate mapping: device = (logical - window origin) * viewport extent /
// window extent + viewport origin; extents apply in MM_ISOTROPIC and
// MM_ANISOTROPIC only (isotropic is treated as anisotropic).
PLATFORM_API int SetMapMode(HDC dc, int mode);
PLATFORM_API BOOL SetWindowOrgEx(HDC dc, int x, int y, LPPOINT previous);
PLATFORM_API BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous);
PLATFORM_API BOOL SetWindowExtEx(HDC dc, int x, int y, LPSIZE previous);
PLATFORM_API BOOL SetViewportExtEx(HDC dc, int x, int y, LPSIZE previous);

// ---------------------------------------------------------------------------
// Enhanced metafiles

// Plays the metafile into dc, mapping its frame (rclFrame, in .01 mm on its
// reference device) onto [left, right) x [top, bottom) of rect. Renders the
// records named in the implementation (shapes, pens, brushes, palettes,
// blits, mapping, save/restore) and skips the others. On a malformed
// metafile (bad sizes, offsets or object indices) returns FALSE with
// GetLastError() == ERROR_INVALID_DATA; what was drawn before stays.
// Played into a recording DC, the records are recorded again unscaled.
PLATFORM_API BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect);
// Header copy: with header null returns the header size; otherwise copies
// min(size, header size) bytes. 0 on failure.
PLATFORM_API UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, LPENHMETAHEADER header);
// The file bytes: with data null returns their size; otherwise copies them
// if size is large enough (returns the size) and fails with 0 if not.
PLATFORM_API UINT GetEnhMetaFileBits(HENHMETAFILE metafile, UINT size, LPBYTE data);
// A metafile from file bytes, checked: header record, signature, record
// sizes within the data, an EOF record last. 0 (ERROR_INVALID_DATA) if not.
PLATFORM_API HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data);
// The palette stored in the EOF record; with entries null returns its
// number of entries. 0 when there is none, GDI_ERROR on failure.
PLATFORM_API UINT GetEnhMetaFilePaletteEntries(HENHMETAFILE metafile, UINT count,
                                               LPPALETTEENTRY entries);
// A copy in memory (file_name null) or written to a file.
PLATFORM_API HENHMETAFILE CopyEnhMetaFileA(HENHMETAFILE metafile, LPCSTR file_name);
PLATFORM_API BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);
// A recording DC: the drawing calls above (shapes, pixels, lines, FillRect
// recorded as a pattern BITBLT, StretchBlt/BitBlt recorded as STRETCHDIBITS,
// object creation and selection, palettes, mapping, SaveDC/RestoreDC) append
// records. rect is the frame in .01 mm (null: the bounds of what is drawn).
// reference null means the screen. file_name and description may be null;
// a file is written at CloseEnhMetaFile.
PLATFORM_API HDC CreateEnhMetaFileA(HDC reference, LPCSTR file_name, const RECT* rect,
                                    LPCSTR description);
// Ends recording: deletes the DC and returns the metafile (0 on failure).
PLATFORM_API HENHMETAFILE CloseEnhMetaFile(HDC dc);

// Windows (16-bit) metafiles. SetWinMetaFileBits converts the records of a
// Windows metafile (its 18-byte header first, no placeable header) into an
// enhanced metafile that also keeps the original bytes; picture gives the
// size (mm MM_ISOTROPIC or MM_ANISOTROPIC with xExt, yExt in .01 mm), else
// the metafile's window extent is taken as screen pixels. reference may be
// null (the screen). Returns 0 (ERROR_INVALID_DATA) for malformed data.
PLATFORM_API HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* data, HDC reference,
                                             const METAFILEPICT* picture);
// The Windows metafile of an enhanced metafile made by SetWinMetaFileBits
// (the original bytes); with data null returns the size. Other enhanced
// metafiles cannot be converted here: 0 (ERROR_NOT_SUPPORTED).
PLATFORM_API UINT GetWinMetaFileBits(HENHMETAFILE metafile, UINT size, LPBYTE data, INT map_mode,
                                     HDC reference);

// ---------------------------------------------------------------------------
// Global memory: real heap memory behind a handle.

// Allocates size bytes (0 allowed), zero-filled with GMEM_ZEROINIT. Returns 0
// (ERROR_NOT_ENOUGH_MEMORY) when the memory is not available or size is
// above 2^40; never throws. Fixed and movable blocks behave alike.
PLATFORM_API HGLOBAL GlobalAlloc(UINT flags, SIZE_T size);
PLATFORM_API LPVOID GlobalLock(HGLOBAL memory);  // raises the lock count; null on failure
// Lowers the lock count: TRUE while still locked, FALSE when it reaches 0
// (GetLastError() == ERROR_SUCCESS) or on failure (ERROR_NOT_LOCKED = 158 if
// the block was not locked, ERROR_INVALID_HANDLE for a bad handle).
PLATFORM_API BOOL GlobalUnlock(HGLOBAL memory);
PLATFORM_API SIZE_T GlobalSize(HGLOBAL memory);  // 0 for an invalid handle
// Frees the block, locked or not. Returns 0 on success, the handle if it
// was invalid.
PLATFORM_API HGLOBAL GlobalFree(HGLOBAL memory);
PLATFORM_API UINT GlobalFlags(HGLOBAL memory);  // lock count; GMEM_INVALID_HANDLE if bad
// Pointer -> handle for a locked block (0 if not found).
PLATFORM_API HGLOBAL GlobalHandle(LPCVOID pointer);
