#include "zeljpeg/JPEGBase.h"

#include <cmath>
#include <new>

#include <jerror.h>

#include "platform/gdi/DibRows.h"
#include "platform/sysutils/Dialogs.h"
#include "zeljpeg/Scopes.h"

VASK_DEFINE_CLASS(TJPEGBase)

int32_t Round4(int32_t value) {
  // One byte a pixel: a DIB row of value bytes.
  return static_cast<int32_t>(DibRowBytes(static_cast<uint32_t>(value), 8));
}

void JPEGErrorExit(j_common_ptr cinfo) {
  JPEGOwner<TJPEGBase>(cinfo).Error();
}

void JPEGEmitMessage(j_common_ptr cinfo, int msg_level) {
  JPEGOwner<TJPEGBase>(cinfo).Warning(msg_level);
}

void JPEGProgressMonitor(j_common_ptr cinfo) {
  JPEGOwner<TJPEGBase>(cinfo).DoProgress();
}

TJPEGBase::TJPEGBase(TComponent* owner) : TComponent(owner) {
  FErrorMgr.reset(new (std::nothrow) jpeg_error_mgr{});
  if (!FErrorMgr) OutOfMemoryError();
  jpeg_std_error(FErrorMgr.get());
  FErrorMgr->error_exit = JPEGErrorExit;
  FErrorMgr->emit_message = JPEGEmitMessage;
  FProgress.reset(new (std::nothrow) jpeg_progress_mgr{});
  if (!FProgress) OutOfMemoryError();
  FProgress->progress_monitor = JPEGProgressMonitor;
}

TJPEGBase::~TJPEGBase() {
  DestroyJPEGObject();
}

void TJPEGBase::InitJPEGObject() {
  CreateJPEGObject(*FErrorMgr);
  FJPEGObject->progress = FProgress.get();
  FJPEGObject->mem->max_memory_to_use = kJpegMaxCodecMemory;
}

void TJPEGBase::DestroyJPEGObject() {
  if (FJPEGObject == nullptr) return;
  jpeg_destroy(FJPEGObject);  // also safe for an object whose create call failed
  FJPEGObject = nullptr;
}

std::unique_ptr<uint8_t[]> TJPEGBase::NewBuffer(int32_t size) {
  if (size <= 0) OutOfMemoryError();
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
  if (!buffer) OutOfMemoryError();
  return buffer;
}

int32_t TJPEGBase::GetWarnings() const {
  return static_cast<int32_t>(FErrorMgr->num_warnings);
}

int32_t TJPEGBase::GetTraceLevel() const {
  return FErrorMgr->trace_level;
}

void TJPEGBase::SetTraceLevel(int32_t value) {
  FErrorMgr->trace_level = value;
}

int32_t TJPEGBase::GetPercentDone() const {
  const jpeg_progress_mgr& p = *FProgress;
  // Before the first pass the counters hold no fraction yet.
  if (p.pass_limit == 0 || p.total_passes == 0) return 0;
  double done = (static_cast<double>(p.pass_counter) / static_cast<double>(p.pass_limit) +
                 p.completed_passes) /
                p.total_passes * 100.0;
  return static_cast<int32_t>(std::nearbyint(done));  // halves to even
}

void TJPEGBase::Error() {
  if (FAborting) return;
  char buffer[JMSG_LENGTH_MAX];
  FErrorMgr->format_message(FJPEGObject, buffer);
  const int code = FErrorMgr->msg_code;
  const long limit = FJPEGObject->mem != nullptr ? FJPEGObject->mem->max_memory_to_use : 0;
  Abort();
  // Without backing store, the codec asks for it only when its whole-image
  // buffers would take more than the memory limit allows.
  if (code == JERR_NO_BACKING_STORE && limit > 0)
    throw Exception(Format("Image needs more than the limit of %ld bytes of codec memory", limit));
  if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE) OutOfMemoryError();
  throw Exception(buffer);
}

TJPEGBase::TConversionScope::TConversionScope(TJPEGBase& owner, const char* busy_message)
    : owner_(owner) {
  if (owner.FConverting) throw Exception(busy_message);
  owner.FConverting = true;
}

void TJPEGBase::Deliver() {
  char buffer[JMSG_LENGTH_MAX];
  FErrorMgr->format_message(FJPEGObject, buffer);
  DeliverWarning(buffer);
}

void TJPEGBase::DeliverWarning(const char* text) {
  if (OnWarning)
    OnWarning(text);
  else
    MessageDlg(text, mtWarning, MsgButtons(mbOK), 0);
}

void TJPEGBase::Warning(int32_t msg_level) {
  jpeg_error_mgr& err = *FErrorMgr;
  if (msg_level < 0) {
    if (err.num_warnings == 0 || err.trace_level >= 3) Deliver();
    err.num_warnings++;
  } else if (err.trace_level >= msg_level) {
    Deliver();
  }
}

void TJPEGBase::DoProgress() {
  if (!OnProgressReport) return;
  // The handler's exception resets the codec object after the flag is down,
  // so that Abort resets instead of requesting a stop.
  TCodecReset reset(*this);
  TRestore<bool> in_report(FInProgressReport, true);
  OnProgressReport(this);
}

bool TJPEGBase::Idle() const {
  // The codec's start states (CSTATE_START and DSTATE_START of its internal
  // header), which its create calls and jpeg_abort set.
  constexpr int kCompressStart = 100;
  constexpr int kDecompressStart = 200;
  return FJPEGObject != nullptr &&
         FJPEGObject->global_state ==
             (FJPEGObject->is_decompressor ? kDecompressStart : kCompressStart);
}

void TJPEGBase::Abort() {
  if (FInProgressReport) {
    FAbortRequested = true;
    return;
  }
  if (FJPEGObject == nullptr) return;
  TRestore<bool> aborting(FAborting, true);
  try {
    jpeg_abort(FJPEGObject);  // does nothing for an object without a memory manager
  } catch (...) {
    // A codec error during the reset is ignored (Error returns at once).
  }
}
