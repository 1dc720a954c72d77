// Internal to the unit: notices when a component is destroyed while a call
// still refers to it.
#pragma once

#include "platform/classes/Classes.h"

// Puts a small sentinel component into watched's owned components for the
// watch's lifetime. Destroying watched destroys the sentinel too (a component
// frees what it owns), which tells the watch; so Alive() stays exact even
// when a new component is later constructed at the same address. The
// sentinel is visible among watched's owned components while the watch lasts.
class TComponentWatch {
 public:
  // Raises EOutOfMemory when the sentinel cannot be made.
  explicit TComponentWatch(TComponent* watched);
  ~TComponentWatch();
  TComponentWatch(const TComponentWatch&) = delete;
  TComponentWatch& operator=(const TComponentWatch&) = delete;

  // False once watched has been destroyed.
  bool Alive() const { return sentinel_ != nullptr; }

 private:
  class TSentinel;
  TSentinel* sentinel_ = nullptr;
};
