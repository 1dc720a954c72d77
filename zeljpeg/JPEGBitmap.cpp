#include "zeljpeg/JPEGBitmap.h"

#include <optional>

#include "platform/graphics/GdiGuards.h"
#include "platform/sysutils/TextCase.h"
#include "zeljpeg/ComponentWatch.h"
#include "zeljpeg/Jpeglib.h"
#include "zeljpeg/Scopes.h"
#include "zeljpeg/StreamCompressor.h"
#include "zeljpeg/StreamDecompressor.h"

VASK_DEFINE_CLASS(TJPEGBitmap)

namespace {
// Takes the unit's shared stream instance of class T (constructing it with
// no owner when there is none, which makes it the shared one) for one load or
// save, records it in the bitmap's field user, and gives it back at the end
// of the scope: detaches its stream, or clears user when the instance was
// destroyed meanwhile. The instance is freed only when this borrow
// constructed it, it is still alive, and it is no longer the shared one; an
// instance that application code constructed, or that was destroyed
// meanwhile, is never touched.
template <class T>
class TSharedBorrow {
 public:
  TSharedBorrow(T*& shared, T*& user) : shared_(shared), user_(user) {
    instance_ = shared;
    if (instance_ == nullptr) {
      instance_ = new T(nullptr);
      constructed_ = true;
    }
    try {
      watch_.emplace(instance_);
    } catch (...) {
      GiveBack();
      throw;
    }
    // A load or save nested inside another one on the same instance (from
    // one of its handlers) would detach the outer call's stream and reset
    // its codec object underneath it. A stream that application code left
    // attached, with no conversion running, is simply replaced.
    if (instance_->Busy()) {
      GiveBack();
      throw Exception(T::kBusyMessage);
    }
    user_ = instance_;
    in_use_ = true;
  }
  ~TSharedBorrow() {
    if (in_use_) {
      if (watch_->Alive())
        instance_->CloseStream();
      else
        user_ = nullptr;
    }
    GiveBack();
  }
  TSharedBorrow(const TSharedBorrow&) = delete;
  TSharedBorrow& operator=(const TSharedBorrow&) = delete;

  T* Get() const { return instance_; }

 private:
  void GiveBack() {
    const bool alive = !watch_ || watch_->Alive();
    watch_.reset();
    if (alive && constructed_ && shared_ != instance_) delete instance_;
  }

  T*& shared_;
  T*& user_;
  T* instance_ = nullptr;
  bool constructed_ = false;
  bool in_use_ = false;
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
  TRestore<bool> as_bitmap(FSaveAsBitmap, !HasJPEGExtension(file_name));
  if (!FSaveAsBitmap) {
    // What would fail the JPEG save is checked before the file is created,
    // so that an existing file survives it.
    TJPEGCompressor::CheckBitmap(this);
    if (SharedStreamCompressor != nullptr && SharedStreamCompressor->Busy())
      throw Exception(TJPEGCompressor::kBusyMessage);
  }
  inherited::SaveToFile(file_name);
}

void TJPEGBitmap::LoadFromStream(TStream& stream) {
  TGdiObject<HBITMAP> bitmap_owner;
  TGdiObject<HPALETTE> palette_owner;
  {
    TSharedBorrow<TJPEGStreamDecompressor> borrow(SharedStreamDecompressor, FDecompressor);
    // Each step leaves the codec object idle when it fails.
    borrow.Get()->OpenStream(stream);
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    borrow.Get()->ReadWinBitmap(bitmap, palette);
    bitmap_owner.Reset(bitmap);
    palette_owner.Reset(palette);
  }
  // The decoded image replaces the old one only now, after the decompressor
  // has been given back, so that change handlers may load or save JPEG
  // themselves or destroy the shared instance. Both handles are in place
  // before the two change notifications go out.
  {
    TRestore<TNotifyEvent> quiet(OnChange, nullptr);
    SetPalette(palette_owner.Release());
    SetHandle(bitmap_owner.Release());
  }
  Changed();
  Changed();
}

void TJPEGBitmap::SaveToStream(TStream& stream) {
  if (FSaveAsBitmap) {
    inherited::SaveToStream(stream);
    return;
  }
  TSharedBorrow<TJPEGStreamCompressor> borrow(SharedStreamCompressor, FCompressor);
  borrow.Get()->SaveBitMapToStream(this, stream);
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
