// TCanvas: drawing on a device context with a font, brush and pen.
#pragma once

#include <memory>

#include "platform/Export.h"
#include "platform/classes/Classes.h"
#include "platform/gdi/Gdi.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/GraphicsObjects.h"

class TGraphic;

// A drawing surface: a device context together with the brush, pen and font
// that drawing uses. The canvas makes the device brush and pen from Brush()
// and Pen() when it draws and deletes them again when they change or when
// the context goes. A plain TCanvas draws on a context attached with
// SetHandle; a bitmap's or metafile's canvas makes its own.
class PLATFORM_API TCanvas : public TPersistent {
  VASK_CLASS(TCanvas, TPersistent)
 public:
  TCanvas();
  ~TCanvas() override;

  // The device context, made on demand. Raises EInvalidOperation "Canvas
  // does not allow drawing" when there is none.
  HDC Handle();
  // Attaches a context that the caller keeps owning (null detaches). The
  // canvas's brush and pen are taken out of the previous context first.
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return dc_ != nullptr; }

  // The drawing attributes; owned by the canvas.
  TBrush* Brush() const { return brush_.get(); }
  TPen* Pen() const { return pen_.get(); }
  TFont* Font() const { return font_.get(); }

  // Fills [left, right) x [top, bottom) with the brush.
  void FillRect(const RECT& rect);
  // Outlines with the pen and fills with the brush.
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const RECT& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
  void Ellipse(int left, int top, int right, int bottom);
  void Polygon(const POINT* points, int count);
  void Polyline(const POINT* points, int count);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  // Draws the graphic at its own size with its top-left corner at (x, y).
  // A null or empty graphic draws nothing.
  void Draw(int x, int y, TGraphic* graphic);
  // Draws the graphic scaled into rect. A null or empty graphic draws nothing.
  void StretchDraw(const RECT& rect, TGraphic* graphic);

  // The colour of one pixel (an RGB value; -1 outside the surface).
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor color);

  // Fire before and after every drawing operation; the sender is the canvas.
  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;

 protected:
  // Makes the context when Handle() finds none; the default makes none.
  virtual void CreateHandle() {}
  void Changing();
  void Changed();

 private:
  // A brush or pen that the canvas made and keeps selected into its context,
  // with the object it replaced there.
  struct TSelectedTool {
    HGDIOBJ handle = nullptr;
    HGDIOBJ old = nullptr;
    // Selects object (a new one; null raises EOutOfMemory) into dc and keeps
    // it; deletes it and raises EInvalidOperation(refused) when dc refuses.
    void Select(HDC dc, HGDIOBJ object, const char* refused);
    // Selects the replaced object back into dc and deletes the tool.
    void Deselect(HDC dc);
  };
  void SelectBrush();
  void SelectPen();

  HDC dc_ = nullptr;
  std::unique_ptr<TBrush> brush_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TFont> font_;
  TSelectedTool brush_tool_;
  TSelectedTool pen_tool_;
};
