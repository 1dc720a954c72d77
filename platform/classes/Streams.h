// Byte streams: the abstract TStream, memory, file and resource streams.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Export.h"
#include "platform/classes/Classes.h"
#include "platform/gdi/Gdi.h"

// Seek origins.
enum : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

// File modes of TFileStream: an access mode or'ed with a sharing mode, or
// fmCreate alone.
enum : uint32_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFFFF,  // create the file, or truncate an existing one; read and write
};

// A sequence of bytes with a position.
class PLATFORM_API TStream : public TObject {
  VASK_CLASS(TStream, TObject)
 public:
  // Reads up to count bytes into buffer; returns the number read, 0 at the end.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  // Writes up to count bytes; returns the number written.
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Moves the position by offset from origin (soFromBeginning, soFromCurrent,
  // soFromEnd) and returns the new position. Seek(0, soFromCurrent) gives the
  // position. Raises EStreamError for an invalid origin or a negative result.
  virtual int64_t Seek(int64_t offset, int origin) = 0;

  int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, soFromBeginning); }
  // The size in bytes; the position is kept.
  virtual int64_t Size();
  // Changes the size; raises EStreamError when the stream cannot.
  virtual void SetSize(int64_t new_size);

  // Reads exactly count bytes or raises EReadError ("Stream read error").
  void ReadBuffer(void* buffer, int32_t count);
  // Writes exactly count bytes or raises EWriteError ("Stream write error").
  void WriteBuffer(const void* buffer, int32_t count);
  // Copies count bytes from source's position (count 0: all of source, from
  // its start); returns the number copied. Raises on a short read or write.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over a growable heap block that it owns.
class PLATFORM_API TMemoryStream : public TStream {
  VASK_CLASS(TMemoryStream, TStream)
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return size_; }
  // Raises EOutOfMemory when the block cannot grow.
  void SetSize(int64_t new_size) override;

  // The bytes, valid until the next size change.
  uint8_t* Memory() { return data_; }
  const uint8_t* Memory() const { return data_; }
  void Clear();
  void LoadFromStream(TStream& stream);
  // Loads the whole file; raises EFOpenError.
  void LoadFromFile(const std::string& file_name);
  void SaveToStream(TStream& stream);
  // Raises EFCreateError.
  void SaveToFile(const std::string& file_name);

 private:
  uint8_t* data_ = nullptr;
  int64_t size_ = 0;
  int64_t capacity_ = 0;
  int64_t position_ = 0;
};

// A stream over an operating-system file that it opens and closes.
class PLATFORM_API TFileStream : public TStream {
  VASK_CLASS(TFileStream, TStream)
 public:
  // Opens file_name in mode (see fmOpenRead etc.), or creates it with fmCreate.
  // Raises EFOpenError "Cannot open file <name>" or EFCreateError
  // "Cannot create file <name>".
  TFileStream(const std::string& file_name, uint32_t mode);
  ~TFileStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  // Raises EWriteError "Cannot write <name>: <the system's reason>" when the
  // system refuses the bytes (a full disk, a file-size limit).
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  void SetSize(int64_t new_size) override;
  const std::string& FileName() const { return file_name_; }

 protected:
  // For descendants that open the file themselves: takes over the open file
  // descriptor fd and names the file file_name in messages.
  TFileStream(int fd, std::string file_name);
  // Creates path as a new file, never opening an existing one, for reading
  // and writing; returns its descriptor, or -1 with errno set.
  static int CreateNew(const std::string& path);
  // The descriptor, -1 once closed.
  int Descriptor() const { return fd_; }
  // Closes the file, first writing its content to the disk when flush is
  // set; false, with errno set, when either fails (the descriptor is closed
  // all the same).
  bool Close(bool flush);

 private:
  std::string file_name_;
  int fd_ = -1;
};

// A read-only stream over a program resource.
class PLATFORM_API TResourceStream : public TStream {
  VASK_CLASS(TResourceStream, TStream)
 public:
  // The resource name in module instance of the given type. Raises
  // EResNotFound "Resource <name> not found".
  TResourceStream(HINSTANCE instance, const std::string& name, LPCSTR type);
  // The resource identified by integer id.
  TResourceStream(HINSTANCE instance, int id, LPCSTR type);

  int32_t Read(void* buffer, int32_t count) override;
  // Raises EStreamError "Can't write to a read-only resource stream".
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return size_; }
  const uint8_t* Memory() const { return data_; }

 private:
  void Initialize(HINSTANCE instance, LPCSTR name, LPCSTR type, const std::string& shown_name);
  const uint8_t* data_ = nullptr;
  int64_t size_ = 0;
  int64_t position_ = 0;
};
