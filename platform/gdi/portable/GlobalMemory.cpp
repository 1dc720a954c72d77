// Global memory blocks: heap memory behind a handle with a lock count.
// Movable blocks get a table handle; fixed blocks use their address as the
// handle, as on Windows, and are found through a side map.
#include <cstdlib>
#include <mutex>
#include <new>
#include <unordered_map>

#include "platform/gdi/portable/GdiObjects.h"

namespace gdiport {
namespace {

// Larger requests are refused outright rather than attempted.
constexpr SIZE_T kMaxGlobalBytes = SIZE_T(1) << 36;

struct GlobalBlock : Object {
  GlobalBlock() : Object(Kind::Global) {}
  ~GlobalBlock() override { std::free(data); }
  void* data = nullptr;
  SIZE_T size = 0;
  int locks = 0;
  HGLOBAL handle = nullptr;
};

// Address -> handle of every block, for fixed handles and GlobalHandle,
// shared by all threads under its mutex.
struct AddressMap {
  std::mutex mutex;
  std::unordered_map<const void*, HGLOBAL> map;
};

AddressMap& Addresses() {
  static AddressMap addresses;
  return addresses;
}

// The handle of the block at address; null if there is none.
HGLOBAL HandleAt(const void* address) {
  AddressMap& a = Addresses();
  std::lock_guard<std::mutex> lock(a.mutex);
  const auto found = a.map.find(address);
  return found == a.map.end() ? nullptr : found->second;
}

GlobalBlock* Find(HGLOBAL memory) {
  Object* o = nullptr;
  const HGLOBAL fixed = HandleAt(memory);
  if (fixed && fixed != memory) {
    o = Lookup(fixed);  // a fixed block, known by its address
  }
  if (!o) o = Lookup(memory);
  if (!o || o->kind != Kind::Global) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return static_cast<GlobalBlock*>(o);
}

}  // namespace
}  // namespace gdiport

using namespace gdiport;

HGLOBAL GlobalAlloc(UINT flags, SIZE_T size) {
  if (size > kMaxGlobalBytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // One byte at least, so every block has a distinct address.
  const size_t bytes = size ? size : 1;
  void* data = (flags & GMEM_ZEROINIT) ? std::calloc(bytes, 1) : std::malloc(bytes);
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  try {
    auto block = std::make_unique<GlobalBlock>();
    block->data = data;
    data = nullptr;
    block->size = size;
    GlobalBlock* b = block.get();
    HGLOBAL handle = AddObject(std::move(block));
    b->handle = handle;
    {
      AddressMap& a = Addresses();
      std::lock_guard<std::mutex> lock(a.mutex);
      a.map[b->data] = handle;
    }
    return (flags & GMEM_MOVEABLE) ? handle : static_cast<HGLOBAL>(b->data);
  } catch (const std::bad_alloc&) {
    std::free(data);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

LPVOID GlobalLock(HGLOBAL memory) {
  GlobalBlock* b = Find(memory);
  if (!b) return nullptr;
  if (b->locks < GMEM_LOCKCOUNT) ++b->locks;
  return b->data;
}

BOOL GlobalUnlock(HGLOBAL memory) {
  GlobalBlock* b = Find(memory);
  if (!b) return FALSE;
  if (b->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  --b->locks;
  if (b->locks == 0) {
    SetLastError(ERROR_SUCCESS);
    return FALSE;
  }
  return TRUE;
}

SIZE_T GlobalSize(HGLOBAL memory) {
  GlobalBlock* b = Find(memory);
  return b ? b->size : 0;
}

UINT GlobalFlags(HGLOBAL memory) {
  GlobalBlock* b = Find(memory);
  return b ? static_cast<UINT>(b->locks) : GMEM_INVALID_HANDLE;
}

HGLOBAL GlobalHandle(LPCVOID pointer) {
  const HGLOBAL handle = HandleAt(pointer);
  if (!handle) SetLastError(ERROR_INVALID_HANDLE);
  return handle;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  GlobalBlock* b = Find(memory);
  if (!b) return memory;
  {
    AddressMap& a = Addresses();
    std::lock_guard<std::mutex> lock(a.mutex);
    a.map.erase(b->data);
  }
  RemoveObject(b->handle);
  return nullptr;
}
