// Test support for ShellExecuteA on Linux: a replaceable handler, so that
// tests can record what the program asks the desktop to open instead of
// starting anything.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/gdi/Shell.h"

// The arguments of one ShellExecuteA call; null strings are empty optionals.
struct TShellExecuteCall {
  HWND Owner = nullptr;
  std::optional<std::string> Verb;
  std::optional<std::string> File;
  std::optional<std::string> Parameters;
  std::optional<std::string> Directory;
  int Show = 0;
};

// Handles a call instead of starting the opener; its result is returned by
// ShellExecuteA.
using TShellExecuteHandler = std::function<HINSTANCE(const TShellExecuteCall&)>;

// Installs handler (empty: start the desktop's opener again); returns the
// previous one.
TShellExecuteHandler SetShellExecuteHandler(TShellExecuteHandler handler);
