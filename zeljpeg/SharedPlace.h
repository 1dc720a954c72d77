// Internal to the unit: the place of a shared stream instance
// (SharedStreamDecompressor, SharedStreamCompressor) and what TJPEGBitmap
// needs to use it from several threads.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

class TJPEGStreamDecompressor;
class TJPEGStreamCompressor;

// The unit variable stays a plain pointer (callers read it); every access
// from the unit goes through std::atomic_ref, and changes take the mutex.
// The place remembers the thread that filled it: TJPEGBitmap uses the shared
// instance, with its event handlers, on that thread only; other threads get
// an instance of their own with a copy of its settings (NewCopy).
template <class T>
class TSharedPlace {
 public:
  explicit TSharedPlace(T*& variable) : variable_(variable) {}
  TSharedPlace(const TSharedPlace&) = delete;
  TSharedPlace& operator=(const TSharedPlace&) = delete;

  T* Get() const { return std::atomic_ref<T*>(variable_).load(std::memory_order_acquire); }

  // From T's constructor: instance takes the place if it is empty.
  void Enter(T* instance) {
    std::lock_guard<std::mutex> lock(mutex_);
    T* expected = nullptr;
    if (std::atomic_ref<T*>(variable_).compare_exchange_strong(expected, instance))
      home_ = std::this_thread::get_id();
  }

  // From T's destructor, first thing: empties the place if instance holds
  // it. Waits for a copy of its settings that another thread is making.
  void Leave(T* instance) {
    std::unique_ptr<T> snapshot;  // destroyed after the lock is let go
    std::lock_guard<std::mutex> lock(mutex_);
    T* expected = instance;
    if (std::atomic_ref<T*>(variable_).compare_exchange_strong(expected, nullptr)) {
      home_ = std::thread::id();
      snapshot = std::move(snapshot_);
      converting_ = 0;
    }
  }

  // True on the thread that constructed the shared instance.
  bool AtHome() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return home_ == std::this_thread::get_id();
  }

  // TJPEGBitmap's conversion with the shared instance on its home thread
  // begins (shared idle) or ends. While it runs, copies are made from a
  // snapshot of the settings it started with, so that no other thread reads
  // the instance during the conversion.
  void BeginConversion(T* shared) {
    std::unique_ptr<T> made;
    if (!HasSnapshot()) made.reset(new T(nullptr));
    std::lock_guard<std::mutex> lock(mutex_);
    if (!snapshot_) snapshot_ = std::move(made);
    if (converting_ == 0) snapshot_->AssignSettings(*shared);
    ++converting_;
  }
  void EndConversion() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (converting_ > 0) --converting_;
  }

  // True once BeginConversion has made the snapshot instance.
  bool HasSnapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return snapshot_ != nullptr;
  }

  // A new instance with no owner for a conversion on a thread other than the
  // shared instance's home thread: the shared instance's settings, none of
  // its event handlers. The caller owns it (it takes the place itself when
  // the place has meanwhile become empty, as any new instance does).
  std::unique_ptr<T> NewCopy() {
    std::unique_ptr<T> copy(new T(nullptr));
    std::lock_guard<std::mutex> lock(mutex_);
    if (converting_ > 0 && snapshot_) {
      copy->AssignSettings(*snapshot_);
    } else if (T* shared = Get(); shared != nullptr && shared != copy.get()) {
      copy->AssignSettings(*shared);
    }
    return copy;
  }

 private:
  T*& variable_;
  mutable std::mutex mutex_;
  std::thread::id home_;
  int converting_ = 0;  // TJPEGBitmap conversions running on the home thread
  std::unique_ptr<T> snapshot_;
};

TSharedPlace<TJPEGStreamDecompressor>& SharedDecompressorPlace();
TSharedPlace<TJPEGStreamCompressor>& SharedCompressorPlace();
