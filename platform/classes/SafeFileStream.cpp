#include "platform/classes/SafeFileStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

VASK_DEFINE_CLASS(TSafeFileStream)

namespace {

// Moves from over to, replacing to when it exists; false with errno set.
bool ReplaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

TSafeFileStream::TTemporary TSafeFileStream::CreateTemporary(const std::string& file_name) {
  // Threads saving at once each take their own numbers.
  static std::atomic<unsigned> counter{0};
  TTemporary t{-1, {}};
  for (int attempt = 0; attempt < 100 && t.fd < 0; ++attempt) {
    t.name = file_name + "." + std::to_string(::getpid()) + "-" +
             std::to_string(counter.fetch_add(1)) + ".tmp";
    t.fd = CreateNew(t.name);
    if (t.fd < 0 && errno != EEXIST) break;
  }
  return t;
}

TSafeFileStream::TSafeFileStream(const std::string& file_name)
    : TSafeFileStream(file_name, CreateTemporary(file_name)) {}

TSafeFileStream::TSafeFileStream(const std::string& file_name, TTemporary temporary)
    : TFileStream(temporary.fd, file_name), temp_name_(std::move(temporary.name)) {
  if (Descriptor() < 0) throw EFCreateError(file_name);
#ifndef _WIN32
  // A replaced file keeps its permissions.
  struct stat st;
  if (::stat(file_name.c_str(), &st) == 0 && S_ISREG(st.st_mode))
    ::fchmod(Descriptor(), st.st_mode & 07777);
#endif
}

TSafeFileStream::~TSafeFileStream() {
  if (done_) return;
  Close(false);  // an open file cannot be removed on Windows
  std::remove(temp_name_.c_str());
}

void TSafeFileStream::Commit() {
  if (done_) return;
  done_ = true;
  if (Close(true) && ReplaceFile(temp_name_, FileName())) return;
  const int error = errno;
  std::remove(temp_name_.c_str());
  throw EWriteError(Format("Cannot write %s: %s", FileName().c_str(), std::strerror(error)));
}
