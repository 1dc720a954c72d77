// TIcon: an icon graphic held as the bytes of its .ico file.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Export.h"
#include "platform/graphics/Graphic.h"

namespace graphics_internal {
struct IconImage;
}

// An icon: one or more images (1, 4, 8, 24 or 32 bits, each with its mask)
// in the .ico file format. The icon shows one of them: the 32 x 32 one of
// the most colours if there is one, else the largest.
class PLATFORM_API TIcon : public TGraphic {
  VASK_CLASS(TIcon, TGraphic)
 public:
  TIcon();
  ~TIcon() override;

  // Copies an icon; null empties this one. Other sources raise EConvertError.
  void Assign(TPersistent* source) override;

  // Size of the image shown; 0 when empty.
  int Width() const override;
  int Height() const override;
  // Icons cannot be resized: raise EInvalidOperation.
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  bool Empty() const override { return data_.empty(); }

  // The shown image's pixels as 0xAARRGGBB, rows top-down (transparent
  // pixels have alpha 0). False, with w = h = 0 and argb empty, when the icon
  // is empty or its image is PNG-compressed.
  bool GetImage(int& width, int& height, std::vector<uint32_t>& argb) const;
  // The .ico file's bytes (empty when the icon is empty).
  const std::vector<uint8_t>& FileBytes() const { return data_; }

  // Reads an .ico file from the stream's position: exactly the bytes its
  // directory covers. Raises EInvalidGraphic "Icon image is not valid" for
  // bad data; the icon is unchanged then.
  void LoadFromStream(TStream& stream) override;
  // Writes the .ico file; an empty icon writes nothing.
  void SaveToStream(TStream& stream) override;

 protected:
  // Draws the shown image with its mask (the pixels behind masked ones stay).
  void Draw(TCanvas& canvas, const RECT& rect) override;
  // Stored data: the .ico file itself; no bytes for an empty icon.
  void ReadData(TStream& stream) override;

 private:
  const graphics_internal::IconImage* Shown() const;
  void Replace(std::vector<uint8_t> data);

  std::vector<uint8_t> data_;
  std::vector<graphics_internal::IconImage> images_;
  size_t shown_ = 0;
};
