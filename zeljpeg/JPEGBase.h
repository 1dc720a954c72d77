// TJPEGBase: the component that owns one codec object and bridges the codec's
// errors, warnings and progress to the component's exceptions and events.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/classes/Classes.h"
#include "zeljpeg/Export.h"
#include "zeljpeg/Jpeglib.h"

// A warning or trace message of the codec, as text. No sender.
using TWarningEvent = TEvent<const char*>;

// value rounded up to the next multiple of 4 (0 -> 0, 1..4 -> 4, 5 -> 8):
// the length of a DIB row.
ZELJPEG_API int32_t Round4(int32_t value);

// The component of class C behind a codec object: the owner reference in its
// client_data. Raises EInvalidCast when that is not a C. Every bridge from a
// codec callback to a component finds its component this way.
template <class C, class CodecObject>
C& JPEGOwner(CodecObject* cinfo) {
  C* owner = As<C>(static_cast<TObject*>(cinfo->client_data));
  if (owner == nullptr) throw EInvalidCast();
  return *owner;
}

// Bridges installed in the codec's error and progress managers: each calls
// the operation of JPEGOwner<TJPEGBase>(cinfo).
ZELJPEG_API void JPEGErrorExit(j_common_ptr cinfo);
ZELJPEG_API void JPEGEmitMessage(j_common_ptr cinfo, int msg_level);
ZELJPEG_API void JPEGProgressMonitor(j_common_ptr cinfo);

// Abstract base of the compressor and the decompressor.
//
// Codec errors become an Exception carrying the codec's message, raised
// after the codec object has been reset with jpeg_abort, so the component
// stays usable. Warnings and trace messages go to OnWarning, or to a modal
// "Warning" box when no handler is assigned. OnProgressReport runs before
// every scanline call; calling Abort() from it stops the conversion after the
// current scanline with "User Interrupt".
//
// Construction of a descendant: the TJPEGBase constructor prepares the error
// and progress managers; the descendant's constructor then calls
// InitJPEGObject() first thing, which calls CreateJPEGObject (now dispatched
// to the descendant) and attaches the progress manager. The descendant's
// destructor calls DestroyJPEGObject() before its codec object goes away.
class ZELJPEG_API TJPEGBase : public TComponent {
  VASK_CLASS(TJPEGBase, TComponent)
 public:
  // Raises EOutOfMemory when the managers cannot be allocated.
  explicit TJPEGBase(TComponent* owner);
  ~TJPEGBase() override;

  // Warnings of the current conversion (the codec resets the count when a
  // compression starts or a header read begins).
  int32_t GetWarnings() const;
  // Trace level: trace messages up to this level are delivered; at 3 and
  // above every warning is delivered, below it only a conversion's first.
  int32_t GetTraceLevel() const;
  void SetTraceLevel(int32_t value);
  // Progress of the current conversion, 0 to 100; 0 before the codec has
  // started its first pass.
  int32_t GetPercentDone() const;

  // True while a conversion of this component runs (a header read, a decode,
  // a compression): for code called from its event handlers, which must not
  // start another one on the same component.
  bool Busy() const { return FConverting; }

  // Called inside OnProgressReport: requests that the conversion stop after
  // the current scanline. Otherwise: resets the codec object to its idle
  // start state (harmless when idle). Never raises.
  virtual void Abort();
  // True when the codec object is in its start state: no conversion runs and
  // no header has been read (after construction, a finished conversion and
  // Abort).
  bool Idle() const;

  TNotifyEvent OnProgressReport;  // sender: this component
  TWarningEvent OnWarning;

 protected:
  // Creates the codec object the descendant embeds: stores this component in
  // its client_data and err as its error manager, points FJPEGObject at it,
  // then calls jpeg_Create_Compress or jpeg_Create_Decompress.
  virtual void CreateJPEGObject(jpeg_error_mgr& err) = 0;
  // Called through the error exit: formats the codec's message, resets the
  // codec object and raises Exception with the message (nothing while Abort
  // runs). A request beyond the codec object's memory limit raises "Image
  // needs more than the limit of N bytes of codec memory"; memory the codec
  // could not get raises EOutOfMemory.
  virtual void Error();
  // Called through the message emitter: counts and filters warnings (level
  // -1) and trace messages (level >= 0) and delivers them.
  virtual void Warning(int32_t msg_level);
  // Fires OnProgressReport; an exception from the handler resets the codec
  // object and propagates unchanged.
  virtual void DoProgress();
  // Delivers a warning of the component's own: to OnWarning, or the warning
  // box when no handler is assigned.
  void DeliverWarning(const char* text);

  // For descendants' constructors: creates the codec object through
  // CreateJPEGObject and attaches the progress manager.
  void InitJPEGObject();
  // For descendants' destructors: destroys the codec object (idempotent).
  void DestroyJPEGObject();
  // A new stream buffer of size bytes, for the stream descendants. Raises
  // EOutOfMemory for a size of 0 or below and when it cannot be allocated.
  static std::unique_ptr<uint8_t[]> NewBuffer(int32_t size);
  // The progress manager (pass counter, pass limit, completed and total passes).
  jpeg_progress_mgr& Progress() { return *FProgress; }

  // Marks one conversion for the length of a scope (see Busy). Raises
  // Exception busy_message, touching nothing, when the component is busy
  // already: a conversion started from inside another one's event handlers
  // would reset the codec object underneath it.
  class TConversionScope {
   public:
    TConversionScope(TJPEGBase& owner, const char* busy_message);
    ~TConversionScope() { owner_.FConverting = false; }
    TConversionScope(const TConversionScope&) = delete;
    TConversionScope& operator=(const TConversionScope&) = delete;

   private:
    TJPEGBase& owner_;
  };

  // The codec object's common part; set by CreateJPEGObject.
  jpeg_common_struct* FJPEGObject = nullptr;
  // Set by Abort() called from OnProgressReport; conversion loops clear it
  // before their first scanline and test it after each.
  bool FAbortRequested = false;

 private:
  friend void JPEGErrorExit(j_common_ptr);
  friend void JPEGEmitMessage(j_common_ptr, int);
  friend void JPEGProgressMonitor(j_common_ptr);

  void Deliver();

  std::unique_ptr<jpeg_error_mgr> FErrorMgr;
  std::unique_ptr<jpeg_progress_mgr> FProgress;
  bool FAborting = false;
  bool FInProgressReport = false;
  bool FConverting = false;
};
