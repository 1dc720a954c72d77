// Internal to the unit: attaches a stream to a stream decompressor for one
// front-end call.
#pragma once

#include <exception>

#include "zeljpeg/StreamDecompressor.h"

// Attaches a stream for one front-end call: detaches it at the end, and when
// an exception passes, first resets the codec object so that whatever failed
// (codec, stream, event handler, allocation) leaves the component idle.
class TStreamAttachment {
 public:
  explicit TStreamAttachment(TJPEGStreamDecompressor& owner)
      : owner_(owner), exceptions_(std::uncaught_exceptions()) {}
  ~TStreamAttachment() {
    if (std::uncaught_exceptions() > exceptions_) owner_.Abort();
    owner_.CloseStream();
  }
  TStreamAttachment(const TStreamAttachment&) = delete;
  TStreamAttachment& operator=(const TStreamAttachment&) = delete;

 private:
  TJPEGStreamDecompressor& owner_;
  int exceptions_;
};
