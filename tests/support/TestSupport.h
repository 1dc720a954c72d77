// Helpers shared by the test suites.
#pragma once

#include <string>
#include <vector>

#include "platform/sysutils/Dialogs.h"

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

// A fresh temporary directory, removed with its content at destruction.
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

// Absolute path of a file under tests/data.
std::string TestDataPath(const std::string& name);
