// Helpers shared by the test suites.
#pragma once

#include <string>
#include <vector>

#include "platform/classes/Streams.h"
#include "platform/gdi/GdiTest.h"
#include "platform/sysutils/Dialogs.h"

// Skips the current test when the display cannot take format on this target
// (on Windows the display is the system's own).
#define REQUIRE_DISPLAY_FORMAT(format)       \
  if (!gditest::CanSetDisplayFormat(format)) \
  GTEST_SKIP() << "the display's colour format is fixed on this target"

// Runs the unit initialisations a suite needs; each suite may define it.
void VaskSuiteInit();

// Records the message boxes shown while it lives, answering each with answer.
class MessageBoxRecorder {
 public:
  explicit MessageBoxRecorder(int answer = mrOk);
  ~MessageBoxRecorder();
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  const std::vector<TMessageBoxRequest>& Boxes() const { return boxes_; }

 private:
  std::vector<TMessageBoxRequest> boxes_;
  TMessageBoxHandler previous_;
};

// Skips the current test in the Windows build, for the reason given.
#ifdef _WIN32
#define SKIP_ON_WINDOWS(reason) GTEST_SKIP() << reason
#else
#define SKIP_ON_WINDOWS(reason) static_cast<void>(0)
#endif

// Runs command with the build machine's POSIX shell (/bin/sh -c), so that
// tests can use the reference tools (cjpeg, djpeg, python3) and shell
// redirections on every target: a Windows test program running under Wine
// starts the shell as a program of the host. Returns the shell's exit status
// (0 for success), or -1 when it could not be started.
int RunShell(const std::string& command);

// Feeds input to the standard input of a shell command and returns what it
// wrote to its standard output; fails the current test when it exits with a
// status other than 0.
std::string RunFilter(const std::string& command, const std::string& input);

// A fresh temporary directory, removed with its content at destruction. Its
// path uses forward slashes and no drive letter, so that the same string
// names it for this program and for shell commands (under Wine the host's
// root is the current drive).
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  // path/name
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The whole content of a file; fails the current test when it cannot be read.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// A memory stream holding bytes, positioned at 0; the bytes a memory stream
// holds.
void FillStream(TMemoryStream& stream, const std::string& bytes);
std::string StreamBytes(TMemoryStream& stream);

// Absolute path of a file under tests/data.
std::string TestDataPath(const std::string& name);
