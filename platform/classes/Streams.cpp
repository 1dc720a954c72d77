#include "platform/classes/Streams.h"

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

// Files are opened in binary mode and are not inherited by started programs.
#ifdef _WIN32
constexpr int kOpenFlags = O_BINARY | O_NOINHERIT;
#else
constexpr int kOpenFlags = O_CLOEXEC;
#endif

VASK_DEFINE_CLASS(TStream)
VASK_DEFINE_CLASS(TMemoryStream)
VASK_DEFINE_CLASS(TFileStream)
VASK_DEFINE_CLASS(TResourceStream)

namespace {

// The largest block a memory stream will try to allocate; larger requests
// (for instance a write after a seek far past the end) fail with EOutOfMemory
// rather than asking the allocator for an absurd amount.
constexpr int64_t kMaxMemoryStreamSize = int64_t{1} << 40;

[[noreturn]] void InvalidSeek() {
  throw EStreamError("Invalid stream seek");
}

// The target of a seek from origin, for streams that keep their own position;
// raises EStreamError for an unknown origin, an overflow or a negative result.
int64_t SeekTarget(int64_t offset, int origin, int64_t position, int64_t size) {
  int64_t base;
  switch (origin) {
    case soFromBeginning:
      base = 0;
      break;
    case soFromCurrent:
      base = position;
      break;
    case soFromEnd:
      base = size;
      break;
    default:
      throw EStreamError(Format("Invalid seek origin %d", origin));
  }
  int64_t target;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) InvalidSeek();
  return target;
}

// Bytes available from position in a block of size, limited to count.
int32_t Available(int64_t position, int64_t size, int32_t count) {
  if (count <= 0 || position >= size) return 0;
  return static_cast<int32_t>(std::min<int64_t>(count, size - position));
}

}  // namespace

// ---------------------------------------------------------------------------
// TStream

int64_t TStream::Size() {
  int64_t pos = Seek(0, soFromCurrent);
  int64_t size = Seek(0, soFromEnd);
  Seek(pos, soFromBeginning);
  return size;
}

void TStream::SetSize(int64_t) {
  throw EStreamError(Format("The size of a %s cannot be changed", ClassName().c_str()));
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count <= 0) return;
  if (Read(buffer, count) != count) throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count <= 0) return;
  if (Write(buffer, count) != count) throw EWriteError();
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  if (count < 0) return 0;
  constexpr int32_t kChunk = 64 * 1024;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, kChunk)));
  int64_t left = count;
  while (left > 0) {
    auto n = static_cast<int32_t>(std::min<int64_t>(left, kChunk));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

// ---------------------------------------------------------------------------
// TMemoryStream

TMemoryStream::~TMemoryStream() {
  std::free(data_);
}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  int32_t n = Available(position_, size_, count);
  if (n == 0) return 0;
  std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  if (position_ > kMaxMemoryStreamSize - count) OutOfMemoryError();
  int64_t end = position_ + count;
  if (end > size_) SetSize(end);
  std::memcpy(data_ + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, int origin) {
  position_ = SeekTarget(offset, origin, position_, size_);
  return position_;
}

void TMemoryStream::SetSize(int64_t new_size) {
  if (new_size < 0) throw EStreamError("Invalid stream size");
  if (new_size > kMaxMemoryStreamSize) OutOfMemoryError();
  if (new_size > capacity_) {
    // Grow by at least a quarter so that a run of small writes stays linear.
    int64_t capacity = std::max<int64_t>(new_size, capacity_ + capacity_ / 4);
    capacity = std::min<int64_t>((capacity + 0xFFF) & ~int64_t{0xFFF}, kMaxMemoryStreamSize);
    auto* grown = static_cast<uint8_t*>(std::realloc(data_, static_cast<size_t>(capacity)));
    if (grown == nullptr) OutOfMemoryError();
    data_ = grown;
    capacity_ = capacity;
  }
  // Bytes that come into the stream by growing it (also the gap left by a
  // write past the end) read as zeros.
  if (new_size > size_) std::memset(data_ + size_, 0, static_cast<size_t>(new_size - size_));
  size_ = new_size;
  if (position_ > size_) position_ = size_;
}

void TMemoryStream::Clear() {
  std::free(data_);
  data_ = nullptr;
  size_ = capacity_ = position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  int64_t count = stream.Size();
  Clear();
  try {
    SetSize(count);
    int64_t done = 0;
    while (done < count) {
      auto n = static_cast<int32_t>(std::min<int64_t>(count - done, INT32_MAX));
      stream.ReadBuffer(data_ + done, n);
      done += n;
    }
  } catch (...) {
    Clear();
    throw;
  }
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& file_name) {
  TFileStream file(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& stream) {
  int64_t done = 0;
  while (done < size_) {
    auto n = static_cast<int32_t>(std::min<int64_t>(size_ - done, INT32_MAX));
    stream.WriteBuffer(data_ + done, n);
    done += n;
  }
}

void TMemoryStream::SaveToFile(const std::string& file_name) {
  TFileStream file(file_name, fmCreate);
  SaveToStream(file);
}

// ---------------------------------------------------------------------------
// TFileStream

TFileStream::TFileStream(const std::string& file_name, uint32_t mode) : file_name_(file_name) {
  if (mode == fmCreate) {
    fd_ = ::open(file_name.c_str(), O_RDWR | O_CREAT | O_TRUNC | kOpenFlags, 0666);
    if (fd_ < 0) throw EFCreateError(file_name);
    return;
  }
  // The sharing bits are accepted and ignored: POSIX files are not locked.
  int flags;
  switch (mode & 0x3) {
    case fmOpenRead:
      flags = O_RDONLY;
      break;
    case fmOpenWrite:
      flags = O_WRONLY;
      break;
    case fmOpenReadWrite:
      flags = O_RDWR;
      break;
    default:
      throw EFOpenError(file_name);
  }
  fd_ = ::open(file_name.c_str(), flags | kOpenFlags);
  if (fd_ < 0) throw EFOpenError(file_name);
  // A directory opens for reading on Linux but holds no bytes to stream.
  struct stat st;
  if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw EFOpenError(file_name);
  }
}

TFileStream::TFileStream(int fd, std::string file_name)
    : file_name_(std::move(file_name)), fd_(fd) {}

int TFileStream::CreateNew(const std::string& path) {
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | kOpenFlags, 0666);
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

bool TFileStream::Close(bool flush) {
  int error = 0;
#ifdef _WIN32
  if (flush && ::_commit(fd_) != 0) error = errno;
#else
  if (flush && ::fsync(fd_) != 0) error = errno;
#endif
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  errno = error;
  return error == 0;
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  auto* p = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    ssize_t n = ::read(fd_, p + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int32_t TFileStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  auto* p = static_cast<const uint8_t*>(buffer);
  int32_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, p + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw EWriteError(Format("Cannot write %s: %s", file_name_.c_str(), std::strerror(errno)));
    if (n == 0) break;
    done += static_cast<int32_t>(n);
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
  int whence;
  switch (origin) {
    case soFromBeginning:
      whence = SEEK_SET;
      break;
    case soFromCurrent:
      whence = SEEK_CUR;
      break;
    case soFromEnd:
      whence = SEEK_END;
      break;
    default:
      throw EStreamError(Format("Invalid seek origin %d", origin));
  }
  // lseek refuses a negative result and leaves the position where it was.
  off_t pos = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (pos < 0) InvalidSeek();
  return pos;
}

void TFileStream::SetSize(int64_t new_size) {
  if (new_size < 0) throw EStreamError("Invalid stream size");
  int64_t pos = Position();
  if (::ftruncate(fd_, static_cast<off_t>(new_size)) != 0)
    throw EStreamError(Format("Cannot change the size of file %s", file_name_.c_str()));
  if (pos > new_size) SetPosition(new_size);
}

// ---------------------------------------------------------------------------
// TResourceStream

TResourceStream::TResourceStream(HINSTANCE instance, const std::string& name, LPCSTR type) {
  Initialize(instance, name.c_str(), type, name);
}

TResourceStream::TResourceStream(HINSTANCE instance, int id, LPCSTR type) {
  // Integer resource ids are 16-bit and never 0.
  if (id <= 0 || id > 0xFFFF) throw EResNotFound(Format("%d", id));
  Initialize(instance, MAKEINTRESOURCEA(id), type, Format("%d", id));
}

void TResourceStream::Initialize(HINSTANCE instance, LPCSTR name, LPCSTR type,
                                 const std::string& shown_name) {
  HRSRC info = FindResourceA(instance, name, type);
  if (info == nullptr) throw EResNotFound(shown_name);
  HGLOBAL handle = LoadResource(instance, info);
  if (handle == nullptr) throw EResNotFound(shown_name);
  data_ = static_cast<const uint8_t*>(LockResource(handle));
  size_ = data_ ? SizeofResource(instance, info) : 0;
}

int32_t TResourceStream::Read(void* buffer, int32_t count) {
  int32_t n = Available(position_, size_, count);
  if (n == 0) return 0;
  std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t TResourceStream::Write(const void*, int32_t) {
  throw EStreamError("Can't write to a read-only resource stream");
}

int64_t TResourceStream::Seek(int64_t offset, int origin) {
  position_ = SeekTarget(offset, origin, position_, size_);
  return position_;
}
