#include "zeljpeg/ComponentWatch.h"

#include <new>

#include "platform/sysutils/SysUtils.h"

class TComponentWatch::TSentinel : public TComponent {
 public:
  TSentinel(TComponent* owner, TComponentWatch* watch) : TComponent(owner), watch_(watch) {}
  // Runs when the owner frees its components (or when the watch ends).
  ~TSentinel() override {
    if (watch_ != nullptr) watch_->sentinel_ = nullptr;
  }
  void Detach() { watch_ = nullptr; }

 private:
  TComponentWatch* watch_;
};

TComponentWatch::TComponentWatch(TComponent* watched) {
  sentinel_ = new (std::nothrow) TSentinel(watched, this);
  if (sentinel_ == nullptr) OutOfMemoryError();
}

TComponentWatch::~TComponentWatch() {
  if (sentinel_ == nullptr) return;  // the watched component is gone, and the sentinel with it
  TSentinel* sentinel = sentinel_;
  sentinel_ = nullptr;
  sentinel->Detach();
  delete sentinel;  // also takes it out of its owner's components
}
