#include "platform/graphics/Metafile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/gdi/MetafileBytes.h"
#include "platform/graphics/GdiGuards.h"
#include "platform/graphics/Palettes.h"

namespace {

constexpr int kPixelsPerInch = 96;
constexpr int kHundredthsOfMMPerInch = 2540;
constexpr DWORD kMinHeaderSize = 88;          // the header record up to szlMillimeters
constexpr int kPlaceableUnitsPerInch = 1440;  // of Windows metafiles written here
constexpr int64_t kMaxWinMetafileBytes = int64_t{1} << 30;

[[noreturn]] void InvalidMetafile() {
  throw EInvalidGraphic("Metafile is not valid");
}

int Round(int64_t numerator, int64_t denominator) {
  return static_cast<int>((numerator + denominator / 2) / denominator);
}

}  // namespace

VASK_DEFINE_CLASS(TMetafile)

TMetafile::~TMetafile() {
  if (palette_ != nullptr) DeleteObject(palette_);
  if (handle_ != nullptr) DeleteEnhMetaFile(handle_);
}

void TMetafile::Replace(HENHMETAFILE metafile) {
  if (palette_ != nullptr) {
    DeleteObject(palette_);
    palette_ = nullptr;
  }
  if (metafile != handle_ && handle_ != nullptr) DeleteEnhMetaFile(handle_);
  handle_ = metafile;
  mm_width_ = mm_height_ = 0;
  ENHMETAHEADER header{};
  if (metafile != nullptr && GetEnhMetaFileHeader(metafile, sizeof header, &header) != 0) {
    // In 64 bits: a frame from a file may span more than an int holds.
    const auto extent = [](LONG low, LONG high) {
      return static_cast<int>(std::clamp<int64_t>(int64_t{high} - low, 0, INT32_MAX));
    };
    mm_width_ = extent(header.rclFrame.left, header.rclFrame.right);
    mm_height_ = extent(header.rclFrame.top, header.rclFrame.bottom);
  }
}

void TMetafile::Assign(TPersistent* source) {
  if (source == this) return;
  if (source == nullptr) {
    SetHandle(nullptr);
    return;
  }
  auto* other = dynamic_cast<TMetafile*>(source);
  if (other == nullptr) {
    inherited::Assign(source);
    return;
  }
  HENHMETAFILE copy = nullptr;
  if (other->handle_ != nullptr) {
    copy = CopyEnhMetaFileA(other->handle_, nullptr);
    if (copy == nullptr) OutOfMemoryError();
  }
  Replace(copy);
  mm_width_ = other->mm_width_;
  mm_height_ = other->mm_height_;
  Changed();
}

void TMetafile::SetHandle(HENHMETAFILE metafile) {
  Replace(metafile);
  Changed();
}

HENHMETAFILE TMetafile::ReleaseHandle() {
  HENHMETAFILE result = handle_;
  handle_ = nullptr;
  Replace(nullptr);
  return result;
}

HPALETTE TMetafile::Palette() {
  if (palette_ != nullptr || handle_ == nullptr) return palette_;
  const UINT count = GetEnhMetaFilePaletteEntries(handle_, 0, nullptr);
  if (count == 0 || count == GDI_ERROR || count > 1024) return nullptr;
  std::vector<PALETTEENTRY> entries(count);
  if (GetEnhMetaFilePaletteEntries(handle_, count, entries.data()) != count) return nullptr;
  palette_ = MakePalette(entries);
  return palette_;
}

int TMetafile::Width() const {
  return Round(int64_t{mm_width_} * kPixelsPerInch, kHundredthsOfMMPerInch);
}

int TMetafile::Height() const {
  return Round(int64_t{mm_height_} * kPixelsPerInch, kHundredthsOfMMPerInch);
}

void TMetafile::SetWidth(int width) {
  const int mm = Round(int64_t{std::max(width, 0)} * kHundredthsOfMMPerInch, kPixelsPerInch);
  if (mm == mm_width_) return;
  mm_width_ = mm;
  Changed();
}

void TMetafile::SetHeight(int height) {
  const int mm = Round(int64_t{std::max(height, 0)} * kHundredthsOfMMPerInch, kPixelsPerInch);
  if (mm == mm_height_) return;
  mm_height_ = mm;
  Changed();
}

void TMetafile::LoadWinMetafile(TStream& stream, int64_t available) {
  if (available > kMaxWinMetafileBytes) available = kMaxWinMetafileBytes;
  std::vector<uint8_t> data(static_cast<size_t>(available));
  stream.ReadBuffer(data.data(), static_cast<int32_t>(data.size()));
  METAFILEPICT picture{MM_ANISOTROPIC, 0, 0, nullptr};
  size_t skip = 0;
  uint32_t key = 0;
  std::memcpy(&key, data.data(), 4);
  if (key == kPlaceableMetafileKey) {
    if (data.size() < kPlaceableHeaderSize) InvalidMetafile();
    int16_t box[4];
    uint16_t inch = 0, words[11];
    std::memcpy(box, data.data() + 6, 8);
    std::memcpy(&inch, data.data() + 14, 2);
    std::memcpy(words, data.data(), sizeof words);
    uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i) checksum ^= words[i];
    const int64_t w = int64_t{box[2]} - box[0], h = int64_t{box[3]} - box[1];
    if (inch == 0 || w <= 0 || h <= 0 || checksum != words[10]) InvalidMetafile();
    picture.xExt = static_cast<LONG>((w * kHundredthsOfMMPerInch + inch / 2) / inch);
    picture.yExt = static_cast<LONG>((h * kHundredthsOfMMPerInch + inch / 2) / inch);
    skip = kPlaceableHeaderSize;
  }
  size_t length = 0;
  if (!CheckWinMetaFileBytes(data.data() + skip, data.size() - skip, length)) InvalidMetafile();
  HENHMETAFILE metafile = SetWinMetaFileBits(static_cast<UINT>(length), data.data() + skip, nullptr,
                                             skip ? &picture : nullptr);
  if (metafile == nullptr) InvalidMetafile();
  SetHandle(metafile);
  enhanced_ = false;
  // Whatever followed the metafile in the stream is left unread.
  stream.Seek(static_cast<int64_t>(skip + length) - static_cast<int64_t>(data.size()),
              soFromCurrent);
}

void TMetafile::LoadFromStream(TStream& stream) {
  const int64_t available = stream.Size() - stream.Position();
  if (available < 18) InvalidMetafile();
  uint32_t key = 0;
  uint16_t words[2] = {};
  stream.ReadBuffer(&key, 4);
  stream.Seek(-4, soFromCurrent);
  std::memcpy(words, &key, 4);
  if (key == kPlaceableMetafileKey || ((words[0] == 1 || words[0] == 2) && words[1] == 9)) {
    LoadWinMetafile(stream, available);
    return;
  }
  if (available < static_cast<int64_t>(kMinHeaderSize)) InvalidMetafile();
  ENHMETAHEADER header{};
  stream.ReadBuffer(&header, static_cast<int32_t>(kMinHeaderSize));
  if (header.iType != EMR_HEADER || header.dSignature != ENHMETA_SIGNATURE) InvalidMetafile();
  if (header.nSize < kMinHeaderSize || header.nBytes < header.nSize || header.nBytes % 4 != 0 ||
      static_cast<int64_t>(header.nBytes) > available ||
      header.nBytes > static_cast<DWORD>(std::numeric_limits<int32_t>::max()))
    InvalidMetafile();
  std::vector<uint8_t> data(header.nBytes);
  std::memcpy(data.data(), &header, kMinHeaderSize);
  stream.ReadBuffer(data.data() + kMinHeaderSize,
                    static_cast<int32_t>(header.nBytes - kMinHeaderSize));
  // The records are checked here, so that no broken file reaches a parser of
  // the system.
  size_t length = 0;
  if (!CheckEnhMetaFileBytes(data.data(), data.size(), length)) InvalidMetafile();
  HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(length), data.data());
  if (metafile == nullptr) InvalidMetafile();
  SetHandle(metafile);
  enhanced_ = true;
}

void TMetafile::SaveToStream(TStream& stream) {
  if (handle_ == nullptr) return;
  if (!enhanced_) {
    TWindowDC screen;
    const UINT size = GetWinMetaFileBits(handle_, 0, nullptr, MM_ANISOTROPIC, screen.Get());
    if (size == 0) throw EInvalidGraphic("Metafile cannot be saved as a Windows metafile");
    std::vector<uint8_t> data(kPlaceableHeaderSize + size);
    if (GetWinMetaFileBits(handle_, size, data.data() + kPlaceableHeaderSize, MM_ANISOTROPIC,
                           screen.Get()) != size) {
      throw EInvalidGraphic("Metafile cannot be saved as a Windows metafile");
    }
    // The placeable header: the frame's size at 1440 units per inch.
    const auto units = [](int mm) {
      return static_cast<uint16_t>(
          std::min<int64_t>((int64_t{mm} * kPlaceableUnitsPerInch + kHundredthsOfMMPerInch / 2) /
                                kHundredthsOfMMPerInch,
                            INT16_MAX));
    };
    uint16_t words[11] = {static_cast<uint16_t>(kPlaceableMetafileKey),
                          static_cast<uint16_t>(kPlaceableMetafileKey >> 16),
                          0,
                          0,
                          0,
                          units(mm_width_),
                          units(mm_height_),
                          kPlaceableUnitsPerInch,
                          0,
                          0,
                          0};
    for (int i = 0; i < 10; ++i) words[10] ^= words[i];
    std::memcpy(data.data(), words, sizeof words);
    stream.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    return;
  }
  const UINT size = GetEnhMetaFileBits(handle_, 0, nullptr);
  if (size < kMinHeaderSize) InvalidMetafile();
  std::vector<uint8_t> data(size);
  if (GetEnhMetaFileBits(handle_, size, data.data()) != size) InvalidMetafile();
  // A size changed with SetWidth/SetHeight goes into the frame.
  ENHMETAHEADER header{};
  std::memcpy(&header, data.data(), kMinHeaderSize);
  header.rclFrame.right = header.rclFrame.left + mm_width_;
  header.rclFrame.bottom = header.rclFrame.top + mm_height_;
  std::memcpy(data.data(), &header, kMinHeaderSize);
  stream.WriteBuffer(data.data(), static_cast<int32_t>(size));
}

void TMetafile::SaveToFile(const std::string& file_name) {
  const size_t dot = file_name.rfind('.');
  std::string ext = dot == std::string::npos ? "" : file_name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "wmf") enhanced_ = false;
  if (ext == "emf") enhanced_ = true;
  inherited::SaveToFile(file_name);
}

BOOL TMetafile::Play(HDC dc, const RECT& rect) {
  skipped_.clear();
  return PlayEnhMetaFileReporting(dc, handle_, &rect, skipped_);
}

void TMetafile::ReadData(TStream& stream) {
  if (stream.Size() - stream.Position() <= 0) {
    SetHandle(nullptr);
    return;
  }
  LoadFromStream(stream);
}

void TMetafile::WriteData(TStream& stream) {
  SaveToStream(stream);
}

void TMetafile::Draw(TCanvas& canvas, const RECT& rect) {
  if (handle_ == nullptr) return;
  Play(canvas.Handle(), rect);
}

// ---------------------------------------------------------------------------
// TMetafileCanvas

VASK_DEFINE_CLASS(TMetafileCanvas)

TMetafileCanvas::TMetafileCanvas(TMetafile* metafile, HDC reference) : metafile_(metafile) {
  const RECT frame{0, 0, metafile->MMWidth(), metafile->MMHeight()};
  const bool sized = frame.right > 0 && frame.bottom > 0;
  recording_ = CreateEnhMetaFileA(reference, nullptr, sized ? &frame : nullptr, nullptr);
  if (recording_ == nullptr) throw EInvalidOperation("Cannot start recording a metafile");
  SetHandle(recording_);
}

TMetafileCanvas::~TMetafileCanvas() {
  SetHandle(nullptr);
  HENHMETAFILE result = CloseEnhMetaFile(recording_);
  if (result == nullptr) return;
  try {
    metafile_->SetHandle(result);
  } catch (...) {
    // A change handler that fails must not escape a destructor; the
    // metafile holds the recording all the same.
  }
}
