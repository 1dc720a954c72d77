// Component classes the form harnesses read into: a picture holder (stored
// pictures of every registered graphic class) with a font, brush and pen.
#pragma once

#include <memory>

#include "platform/classes/Classes.h"
#include "platform/graphics/Graphics.h"

// Publishes Picture, Font, Brush and Pen; owns them.
class TFuzzImage : public TComponent {
  VASK_CLASS(TFuzzImage, TComponent)
 public:
  explicit TFuzzImage(TComponent* owner);
  ~TFuzzImage() override;

  TPicture* Picture() const { return picture_.get(); }
  TFont* Font() const { return font_.get(); }
  TBrush* Brush() const { return brush_.get(); }
  TPen* Pen() const { return pen_.get(); }

 private:
  std::unique_ptr<TPicture> picture_;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TBrush> brush_;
  std::unique_ptr<TPen> pen_;
};

// Registers TFuzzImage with the class registry.
void RegisterFuzzComponents();
