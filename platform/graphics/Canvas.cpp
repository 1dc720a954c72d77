#include "platform/graphics/Canvas.h"

#include "platform/graphics/Graphic.h"

VASK_DEFINE_CLASS(TCanvas)

TCanvas::TCanvas()
    : brush_(std::make_unique<TBrush>()),
      pen_(std::make_unique<TPen>()),
      font_(std::make_unique<TFont>()) {
  brush_->OnChange = [this](TObject*) { brush_tool_.Deselect(dc_); };
  pen_->OnChange = [this](TObject*) { pen_tool_.Deselect(dc_); };
}

TCanvas::~TCanvas() {
  SetHandle(nullptr);
}

HDC TCanvas::Handle() {
  if (dc_ == nullptr) CreateHandle();
  if (dc_ == nullptr) throw EInvalidOperation("Canvas does not allow drawing");
  return dc_;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  pen_tool_.Deselect(dc_);
  brush_tool_.Deselect(dc_);
  dc_ = dc;
}

void TCanvas::TSelectedTool::Select(HDC dc, HGDIOBJ object, const char* refused) {
  if (object == nullptr) OutOfMemoryError();
  HGDIOBJ previous = SelectObject(dc, object);
  if (previous == nullptr) {
    DeleteObject(object);
    throw EInvalidOperation(refused);
  }
  handle = object;
  old = previous;
}

void TCanvas::TSelectedTool::Deselect(HDC dc) {
  if (handle == nullptr) return;
  SelectObject(dc, old);
  DeleteObject(handle);
  handle = nullptr;
  old = nullptr;
}

void TCanvas::SelectBrush() {
  if (brush_tool_.handle != nullptr) return;
  HDC dc = Handle();
  HBRUSH brush;
  if (brush_->Style() == bsClear) {
    LOGBRUSH log{BS_NULL, 0, 0};
    brush = CreateBrushIndirect(&log);
  } else {
    brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(brush_->Color())));
  }
  brush_tool_.Select(dc, brush, "Cannot select the canvas brush");
}

void TCanvas::SelectPen() {
  if (pen_tool_.handle != nullptr) return;
  HDC dc = Handle();
  static constexpr int kStyles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                    PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
  pen_tool_.Select(dc,
                   CreatePen(kStyles[pen_->Style()], pen_->Width(),
                             static_cast<COLORREF>(ColorToRGB(pen_->Color()))),
                   "Cannot select the canvas pen");
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::FillRect(const RECT& rect) {
  Changing();
  SelectBrush();
  ::FillRect(Handle(), &rect, static_cast<HBRUSH>(brush_tool_.handle));
  Changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  Changing();
  SelectBrush();
  SelectPen();
  ::Rectangle(Handle(), left, top, right, bottom);
  Changed();
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  Changing();
  SelectBrush();
  SelectPen();
  ::Ellipse(Handle(), left, top, right, bottom);
  Changed();
}

void TCanvas::Polygon(const POINT* points, int count) {
  Changing();
  SelectBrush();
  SelectPen();
  ::Polygon(Handle(), points, count);
  Changed();
}

void TCanvas::Polyline(const POINT* points, int count) {
  Changing();
  SelectPen();
  ::Polyline(Handle(), points, count);
  Changed();
}

void TCanvas::MoveTo(int x, int y) {
  MoveToEx(Handle(), x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  Changing();
  SelectPen();
  ::LineTo(Handle(), x, y);
  Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  const RECT rect{x, y, x + graphic->Width(), y + graphic->Height()};
  StretchDraw(rect, graphic);
}

void TCanvas::StretchDraw(const RECT& rect, TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  Changing();
  Handle();
  graphic->Draw(*this, rect);
  Changed();
}

TColor TCanvas::Pixels(int x, int y) {
  const COLORREF c = GetPixel(Handle(), x, y);
  return c == CLR_INVALID ? -1 : static_cast<TColor>(c);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  Changing();
  SetPixel(Handle(), x, y, static_cast<COLORREF>(ColorToRGB(color)));
  Changed();
}
