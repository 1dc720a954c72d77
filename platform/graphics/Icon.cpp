#include "platform/graphics/Icon.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/IcoFormat.h"

using namespace graphics_internal;

VASK_DEFINE_CLASS(TIcon)

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::Replace(std::vector<uint8_t> data) {
  std::vector<IconImage> images;
  if (!data.empty()) images = ParseIcoFile(data.data(), data.size());
  // The 32 x 32 image of the most colours, else the largest decodable one.
  size_t best = 0;
  int64_t best_score = -1;
  for (size_t i = 0; i < images.size(); ++i) {
    const IconImage& im = images[i];
    if (im.bits == 0) continue;
    const int64_t score = (im.width == 32 && im.height == 32 ? int64_t{1} << 40 : 0) +
                          int64_t{im.width} * im.height * 64 + im.bits;
    if (score > best_score) {
      best_score = score;
      best = i;
    }
  }
  data_ = std::move(data);
  images_ = std::move(images);
  shown_ = best;
}

const IconImage* TIcon::Shown() const {
  return images_.empty() ? nullptr : &images_[shown_];
}

void TIcon::Assign(TPersistent* source) {
  if (source == this) return;
  if (source == nullptr) {
    Replace({});
    Changed();
    return;
  }
  auto* other = dynamic_cast<TIcon*>(source);
  if (other == nullptr) {
    inherited::Assign(source);
    return;
  }
  data_ = other->data_;
  images_ = other->images_;
  shown_ = other->shown_;
  Changed();
}

int TIcon::Width() const {
  const IconImage* image = Shown();
  return image != nullptr ? image->width : 0;
}

int TIcon::Height() const {
  const IconImage* image = Shown();
  return image != nullptr ? image->height : 0;
}

void TIcon::SetWidth(int) {
  throw EInvalidOperation("Cannot change the size of an icon");
}

void TIcon::SetHeight(int) {
  throw EInvalidOperation("Cannot change the size of an icon");
}

bool TIcon::GetImage(int& width, int& height, std::vector<uint32_t>& argb) const {
  width = height = 0;
  argb.clear();
  const IconImage* image = Shown();
  if (image == nullptr || image->bits == 0) return false;
  argb = IconPixels(data_.data(), *image);
  width = image->width;
  height = image->height;
  return true;
}

void TIcon::LoadFromStream(TStream& stream) {
  const int64_t available = stream.Size() - stream.Position();
  if (available < static_cast<int64_t>(kIcoHeaderSize)) InvalidIcon();
  std::vector<uint8_t> data(kIcoHeaderSize);
  stream.ReadBuffer(data.data(), kIcoHeaderSize);
  const size_t count = data[4] | data[5] << 8;
  const size_t directory = kIcoHeaderSize + count * kIcoEntrySize;
  if (static_cast<int64_t>(directory) > available) InvalidIcon();
  data.resize(directory);
  stream.ReadBuffer(data.data() + kIcoHeaderSize, static_cast<int32_t>(directory - kIcoHeaderSize));
  const size_t total = IcoFileSize(data.data(), data.size());
  if (static_cast<int64_t>(total) > available) InvalidIcon();
  data.resize(total);
  stream.ReadBuffer(data.data() + directory, static_cast<int32_t>(total - directory));
  Replace(std::move(data));
  Changed();
}

void TIcon::SaveToStream(TStream& stream) {
  if (data_.empty()) return;
  stream.WriteBuffer(data_.data(), static_cast<int32_t>(data_.size()));
}

void TIcon::ReadData(TStream& stream) {
  if (stream.Size() - stream.Position() <= 0) {
    Replace({});
    Changed();
    return;
  }
  LoadFromStream(stream);
}

void TIcon::Draw(TCanvas& canvas, const RECT& rect) {
  const IconImage* image = Shown();
  if (image == nullptr || image->bits == 0 || image->colors > 256) return;
  HDC dc = canvas.Handle();
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;

  // The colour image, with its header's height set to the image's own.
  // The loader accepts at most 256 colours, so header and table fit here.
  const size_t info_size = sizeof(BITMAPINFOHEADER) + image->colors * sizeof(RGBQUAD);
  alignas(BITMAPINFOHEADER) std::array<uint8_t, sizeof(BITMAPINFOHEADER) + 257 * sizeof(RGBQUAD)>
      info{};
  std::copy_n(data_.data() + image->offset, info_size, info.begin());
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  header->biHeight = image->height;
  header->biSizeImage = 0;

  if (image->and_offset != 0) {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colors[2];
    } mask{};
    mask.header.biSize = sizeof(BITMAPINFOHEADER);
    mask.header.biWidth = image->width;
    mask.header.biHeight = image->height;
    mask.header.biPlanes = 1;
    mask.header.biBitCount = 1;
    mask.header.biCompression = BI_RGB;
    mask.colors[1] = RGBQUAD{255, 255, 255, 0};
    StretchDIBits(dc, rect.left, rect.top, w, h, 0, 0, image->width, image->height,
                  data_.data() + image->and_offset, reinterpret_cast<const BITMAPINFO*>(&mask),
                  DIB_RGB_COLORS, SRCAND);
    StretchDIBits(dc, rect.left, rect.top, w, h, 0, 0, image->width, image->height,
                  data_.data() + image->xor_offset,
                  reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCINVERT);
  } else {
    StretchDIBits(dc, rect.left, rect.top, w, h, 0, 0, image->width, image->height,
                  data_.data() + image->xor_offset,
                  reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, SRCCOPY);
  }
}
