#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/gdi/portable/ResourceTable.h"

extern "C" {
HINSTANCE HInstance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x400000));
}

namespace {

// A type or name: an integer id or an upper-cased string.
struct ResKey {
  bool is_id;
  WORD id;
  std::string text;

  static ResKey From(LPCSTR value) {
    if (IS_INTRESOURCE(value))
      return {true, static_cast<WORD>(reinterpret_cast<ULONG_PTR>(value)), {}};
    std::string upper(value);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return {false, 0, upper};
  }
  bool operator==(const ResKey& o) const {
    return is_id == o.is_id && (is_id ? id == o.id : text == o.text);
  }
};

struct Entry {
  ResKey type;
  ResKey name;
  const void* data;
  size_t size;
};

// The table lives in a function-local static so that registrations made by
// static objects of any translation unit find it constructed.
std::vector<Entry>& Table() {
  static std::vector<Entry> table;
  return table;
}

bool ValidModule(HMODULE module) {
  return module == nullptr || module == HInstance;
}

Entry* FromHandle(HRSRC handle) {
  auto& table = Table();
  auto index = reinterpret_cast<uintptr_t>(handle);
  if (index == 0 || index > table.size()) return nullptr;
  return &table[index - 1];
}

}  // namespace

ResourceRegistration::ResourceRegistration(LPCSTR type, LPCSTR name, const unsigned char* begin,
                                           const unsigned char* end) {
  RegisterResource(type, name, begin, static_cast<size_t>(end - begin));
}

void RegisterResource(LPCSTR type, LPCSTR name, const void* data, size_t size) {
  Table().push_back({ResKey::From(type), ResKey::From(name), data, size});
}

bool UnregisterResource(LPCSTR type, LPCSTR name) {
  auto& table = Table();
  ResKey t = ResKey::From(type), n = ResKey::From(name);
  // Entries are addressed by index, so a removed entry is blanked, not erased.
  for (auto& e : table) {
    if (e.data && e.type == t && e.name == n) {
      e.data = nullptr;
      e.size = 0;
      return true;
    }
  }
  return false;
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (!ValidModule(module) || name == nullptr || type == nullptr) {
    SetLastError(1813);  // ERROR_RESOURCE_TYPE_NOT_FOUND
    return nullptr;
  }
  ResKey t = ResKey::From(type), n = ResKey::From(name);
  auto& table = Table();
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i].data && table[i].type == t && table[i].name == n)
      return reinterpret_cast<HRSRC>(i + 1);
  }
  SetLastError(1814);  // ERROR_RESOURCE_NAME_NOT_FOUND
  return nullptr;
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  if (!ValidModule(module)) return nullptr;
  Entry* e = FromHandle(resource);
  return e && e->data ? const_cast<void*>(e->data) : nullptr;
}

LPVOID LockResource(HGLOBAL resource_data) {
  return resource_data;
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
  if (!ValidModule(module)) return 0;
  Entry* e = FromHandle(resource);
  return e && e->data ? static_cast<DWORD>(e->size) : 0;
}

BOOL FreeResource(HGLOBAL) {
  return FALSE;
}

namespace {
thread_local DWORD last_error = 0;
}
DWORD GetLastError() {
  return last_error;
}
void SetLastError(DWORD code) {
  last_error = code;
}
