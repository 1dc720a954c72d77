// Internal to the unit: scoped guards for the components' calls. Each undoes
// one thing when its scope ends (on every path, or only when an exception
// passes), so that no call writes its clean-up twice.
#pragma once

#include <exception>
#include <utility>

#include "platform/classes/Streams.h"
#include "zeljpeg/JPEGBase.h"

// Gives a variable back the value it had before, when the scope ends.
template <class T>
class TRestore {
 public:
  explicit TRestore(T& variable) : variable_(variable), saved_(variable) {}
  // Also sets the variable to value for the scope.
  TRestore(T& variable, T value) : TRestore(variable) { variable_ = std::move(value); }
  ~TRestore() { variable_ = std::move(saved_); }
  TRestore(const TRestore&) = delete;
  TRestore& operator=(const TRestore&) = delete;

 private:
  T& variable_;
  T saved_;
};

// Resets the component's codec object (Abort) when an exception leaves the
// scope, whatever raised it (the codec, a stream, an event handler, an
// allocation), so that the component is idle for its next conversion.
class TCodecReset {
 public:
  explicit TCodecReset(TJPEGBase& component)
      : component_(component), exceptions_(std::uncaught_exceptions()) {}
  ~TCodecReset() {
    if (std::uncaught_exceptions() > exceptions_) component_.Abort();
  }
  TCodecReset(const TCodecReset&) = delete;
  TCodecReset& operator=(const TCodecReset&) = delete;

 private:
  TJPEGBase& component_;
  int exceptions_;
};

// Attaches a stream to a stream component (its OpenStream) for one front-end
// call and detaches it (CloseStream) at the end, also when the call fails.
// The stream is never closed or freed. Raises C::kBusyMessage, touching
// nothing, while the component is Busy(): from one of its own handlers,
// attaching would take the stream away from the conversion that is running.
template <class C>
class TStreamAttachment {
 public:
  TStreamAttachment(C& component, TStream& stream) : component_(component) {
    if (component_.Busy()) throw Exception(C::kBusyMessage);
    component_.OpenStream(stream);
  }
  ~TStreamAttachment() { component_.CloseStream(); }
  TStreamAttachment(const TStreamAttachment&) = delete;
  TStreamAttachment& operator=(const TStreamAttachment&) = delete;

 private:
  C& component_;
};
