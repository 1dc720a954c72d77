// The ShellExecuteA recorder on Windows. Program code calls the system's
// ShellExecuteA through its import slot; a test program defines that slot
// here, pointing at a function that hands the call to the installed handler,
// or to the system's own function when there is none.
#include "platform/gdi/ShellTest.h"

#include <utility>

namespace {

TShellExecuteHandler& Handler() {
  static TShellExecuteHandler handler;
  return handler;
}

std::optional<std::string> Text(LPCSTR s) {
  if (s == nullptr) return std::nullopt;
  return std::string(s);
}

HINSTANCE WINAPI Dispatch(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                          INT show) {
  if (Handler()) {
    TShellExecuteCall call;
    call.Owner = owner;
    call.Verb = Text(verb);
    call.File = Text(file);
    call.Parameters = Text(parameters);
    call.Directory = Text(directory);
    call.Show = show;
    return Handler()(call);
  }
  using Function = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
  HMODULE shell = LoadLibraryA("shell32.dll");
  auto real = shell ? reinterpret_cast<Function>(
                          reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteA")))
                    : nullptr;
  HINSTANCE result = real ? real(owner, verb, file, parameters, directory, show)
                          : reinterpret_cast<HINSTANCE>(uintptr_t{SE_ERR_DLLNOTFOUND});
  if (shell) FreeLibrary(shell);
  return result;
}

}  // namespace

// The import slot, by its decorated name on each architecture.
#ifdef _WIN64
extern "C" void* vask_shell_slot asm("__imp_ShellExecuteA");
#else
extern "C" void* vask_shell_slot asm("__imp__ShellExecuteA@24");
#endif
void* vask_shell_slot = reinterpret_cast<void*>(&Dispatch);

TShellExecuteHandler SetShellExecuteHandler(TShellExecuteHandler handler) {
  return std::exchange(Handler(), std::move(handler));
}
