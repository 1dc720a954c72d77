#include "zeljpeg/JPEGBitmap.h"

#include <mutex>
#include <optional>

#include "platform/graphics/GdiGuards.h"
#include "platform/sysutils/TextCase.h"
#include "zeljpeg/ComponentWatch.h"
#include "zeljpeg/Jpeglib.h"
#include "zeljpeg/Scopes.h"
#include "zeljpeg/SharedPlace.h"
#include "zeljpeg/StreamCompressor.h"
#include "zeljpeg/StreamDecompressor.h"
#include "zeljpeg/Transformer.h"

VASK_DEFINE_CLASS(TJPEGBitmap)

namespace {
// Takes a stream instance of class T for one load or save, records it in the
// bitmap's field user, and gives it back at the end of the scope: detaches its
// stream, or clears user when the instance was destroyed meanwhile.
//
// Which instance: on the thread that constructed the unit's shared instance,
// the shared instance itself (with its settings and event handlers); when
// there is none, a new one with no owner, which becomes the shared one with
// this thread as its home; on any other thread, an instance of the call's own
// with a copy of the shared instance's settings and no event handlers, freed
// at the end. So loads and saves on several threads run at once, and the
// shared instance's handlers run only on the thread that made it.
//
// An instance that application code constructed, or that was destroyed
// meanwhile, is never freed here.
template <class T>
class TSharedBorrow {
 public:
  TSharedBorrow(TSharedPlace<T>& place, T*& user) : place_(place), user_(user) {
    T* shared = place.Get();
    if (shared == nullptr) {
      instance_ = new T(nullptr);
      constructed_ = true;
    } else if (!place.AtHome()) {
      instance_ = place.NewCopy().release();
      constructed_ = true;
    } else {
      instance_ = shared;
    }
    try {
      watch_.emplace(instance_);
      // A load or save nested inside another one on the same instance (from
      // one of its handlers) would detach the outer call's stream and reset
      // its codec object underneath it. A stream that application code left
      // attached, with no conversion running, is simply replaced.
      if (instance_->Busy()) throw Exception(T::kBusyMessage);
      if (instance_ == place.Get()) {
        place.BeginConversion(instance_);
        converting_ = true;
      }
    } catch (...) {
      GiveBack();
      throw;
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
    if (converting_) place_.EndConversion();
    converting_ = false;
    const bool alive = !watch_ || watch_->Alive();
    watch_.reset();
    if (alive && constructed_ && place_.Get() != instance_) {
      if (user_ == instance_) user_ = nullptr;
      delete instance_;
    }
  }

  TSharedPlace<T>& place_;
  T*& user_;
  T* instance_ = nullptr;
  bool constructed_ = false;
  bool in_use_ = false;
  bool converting_ = false;
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
    // Only the shared instance's home thread uses it (see TSharedBorrow).
    TSharedPlace<TJPEGStreamCompressor>& place = SharedCompressorPlace();
    const TJPEGStreamCompressor* shared = place.Get();
    if (shared != nullptr && place.AtHome() && shared->Busy())
      throw Exception(TJPEGCompressor::kBusyMessage);
  }
  inherited::SaveToFile(file_name);
}

void TJPEGBitmap::LoadFromStream(TStream& stream) {
  TGdiObject<HBITMAP> bitmap_owner;
  TGdiObject<HPALETTE> palette_owner;
  {
    TSharedBorrow<TJPEGStreamDecompressor> borrow(SharedDecompressorPlace(), FDecompressor);
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
  TSharedBorrow<TJPEGStreamCompressor> borrow(SharedCompressorPlace(), FCompressor);
  borrow.Get()->SaveBitMapToStream(this, stream);
}

void InitZeljpegUnit() {
  // Once, also when several threads start at the same time.
  static std::once_flag once;
  std::call_once(once, [] {
    InitGraphicsUnit();
    InitJpeglibUnit();
    InitZeljpegDecoder();
    InitZeljpegEncoder();
    InitZeljpegTransformer();
    TPicture::RegisterFileFormat("jpg", "JPEG Image", TJPEGBitmap::StaticClass());
    TPicture::RegisterFileFormat("jpeg", "JPEG Image", TJPEGBitmap::StaticClass());
    RegisterClass(TJPEGBitmap::StaticClass());
  });
}
