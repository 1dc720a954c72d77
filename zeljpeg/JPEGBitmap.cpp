#include "zeljpeg/JPEGBitmap.h"

#include <optional>

#include "platform/sysutils/TextCase.h"
#include "zeljpeg/ComponentWatch.h"
#include "zeljpeg/GdiGuards.h"
#include "zeljpeg/Jpeglib.h"
#include "zeljpeg/StreamCompressor.h"
#include "zeljpeg/StreamDecompressor.h"

VASK_DEFINE_CLASS(TJPEGBitmap)

namespace {
// Takes the unit's shared stream instance of class T (constructing it with
// no owner when there is none, which makes it the shared one) for one load or
// save, and gives it back at the end of the scope. The instance is freed only
// when this borrow constructed it, it is still alive, and it is no longer the
// shared one; an instance that application code constructed, or that was
// destroyed meanwhile, is never touched.
template <class T>
class TSharedBorrow {
 public:
  explicit TSharedBorrow(T*& shared) : shared_(shared) {
    instance_ = shared;
    if (instance_ == nullptr) {
      instance_ = new T(nullptr);
      constructed_ = true;
    }
    try {
      watch_.emplace(instance_);
    } catch (...) {
      Release();
      throw;
    }
    // A load or save nested inside another one on the same instance (from
    // one of its handlers) would detach the outer call's stream and reset
    // its codec object underneath it. A stream that application code left
    // attached, with no conversion running, is simply replaced.
    if (instance_->Busy()) {
      Release();
      throw Exception(T::kBusyMessage);
    }
  }
  ~TSharedBorrow() { Release(); }
  TSharedBorrow(const TSharedBorrow&) = delete;
  TSharedBorrow& operator=(const TSharedBorrow&) = delete;

  T* Get() const { return instance_; }
  bool Alive() const { return watch_ && watch_->Alive(); }

 private:
  void Release() {
    if (instance_ == nullptr) return;
    const bool alive = !watch_ || watch_->Alive();
    watch_.reset();
    if (alive && constructed_ && shared_ != instance_) delete instance_;
    instance_ = nullptr;
  }

  T*& shared_;
  T* instance_ = nullptr;
  bool constructed_ = false;
  std::optional<TComponentWatch> watch_;
};
}  // namespace

bool TJPEGBitmap::HasJPEGExtension(const std::string& file_name) {
  size_t dot = file_name.rfind('.');
  if (dot == std::string::npos) return false;
  size_t sep = file_name.find_last_of("\\:/");
  if (sep != std::string::npos && sep > dot) return false;
  std::string ext = file_name.substr(dot);
  return SameText(ext, ".jpeg") || SameText(ext, ".jpg");
}

void TJPEGBitmap::SaveToFile(const std::string& file_name) {
  FSaveAsBitmap = !HasJPEGExtension(file_name);
  try {
    if (!FSaveAsBitmap) {
      // What would fail the JPEG save is checked before the file is
      // created, so that an existing file survives it.
      TJPEGCompressor::CheckBitmap(this);
      if (SharedStreamCompressor != nullptr && SharedStreamCompressor->Busy())
        throw Exception(TJPEGCompressor::kBusyMessage);
    }
    inherited::SaveToFile(file_name);
  } catch (...) {
    FSaveAsBitmap = false;
    throw;
  }
  FSaveAsBitmap = false;
}

void TJPEGBitmap::LoadFromStream(TStream& stream) {
  TGdiObjectOwner bitmap_owner;
  TGdiObjectOwner palette_owner;
  {
    TSharedBorrow<TJPEGStreamDecompressor> borrow(SharedStreamDecompressor);
    TJPEGStreamDecompressor* decompressor = borrow.Get();
    FDecompressor = decompressor;
    try {
      decompressor->OpenStream(stream);
      HBITMAP bitmap = nullptr;
      HPALETTE palette = nullptr;
      decompressor->ReadWinBitmap(bitmap, palette);
      bitmap_owner.Reset(bitmap);
      palette_owner.Reset(palette);
    } catch (...) {
      if (borrow.Alive()) {
        decompressor->Abort();  // idle again, whatever failed
        decompressor->CloseStream();
      } else {
        FDecompressor = nullptr;
      }
      throw;
    }
    if (borrow.Alive())
      decompressor->CloseStream();
    else
      FDecompressor = nullptr;
  }
  // The decoded image replaces the old one only now, after the decompressor
  // has been given back, so that change handlers may load or save JPEG
  // themselves or destroy the shared instance. Both handles are in place
  // before the two change notifications go out.
  TNotifyEvent on_change = OnChange;
  OnChange = nullptr;
  try {
    SetPalette(static_cast<HPALETTE>(palette_owner.Release()));
    SetHandle(static_cast<HBITMAP>(bitmap_owner.Release()));
  } catch (...) {
    OnChange = on_change;
    throw;
  }
  OnChange = on_change;
  Changed();
  Changed();
}

void TJPEGBitmap::SaveToStream(TStream& stream) {
  if (FSaveAsBitmap) {
    inherited::SaveToStream(stream);
    return;
  }
  TSharedBorrow<TJPEGStreamCompressor> borrow(SharedStreamCompressor);
  FCompressor = borrow.Get();
  try {
    borrow.Get()->SaveBitMapToStream(this, stream);
  } catch (...) {
    if (!borrow.Alive()) FCompressor = nullptr;
    throw;
  }
  if (!borrow.Alive()) FCompressor = nullptr;
}

void InitZeljpegUnit() {
  static int run_count = 0;
  if (run_count++ != 0) return;
  InitGraphicsUnit();
  InitJpeglibUnit();
  InitZeljpegDecoder();
  InitZeljpegEncoder();
  TPicture::RegisterFileFormat("jpg", "JPEG Image", TJPEGBitmap::StaticClass());
  TPicture::RegisterFileFormat("jpeg", "JPEG Image", TJPEGBitmap::StaticClass());
  RegisterClass(TJPEGBitmap::StaticClass());
}
