// Exceptions and message formatting of the class library.
#pragma once

#include <cstdarg>
#include <exception>
#include <string>

#include "platform/Export.h"

// Format strings follow C99 (%zu, %lld, %Lg with long double) on every
// target; MinGW's own formatting functions provide them on Windows.
#ifdef __MINGW32__
#define VASK_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define VASK_PRINTF_FORMAT printf
#endif

// The base of every exception the class library and the components raise.
// It carries its message text; what() returns the same text.
class PLATFORM_API Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

// printf-style formatting into a string of whatever length the result needs.
PLATFORM_API std::string Format(const char* fmt, ...)
    __attribute__((format(VASK_PRINTF_FORMAT, 1, 2)));
PLATFORM_API std::string FormatV(const char* fmt, va_list args);

// Raised when memory (heap, global blocks, bitmaps) cannot be allocated.
class PLATFORM_API EOutOfMemory : public Exception {
 public:
  EOutOfMemory() : Exception("Out of memory") {}
};
// Throws EOutOfMemory; for allocation sites.
[[noreturn]] PLATFORM_API void OutOfMemoryError();

// Raised by a verifying cast whose object is not of the requested class.
class PLATFORM_API EInvalidCast : public Exception {
 public:
  EInvalidCast() : Exception("Invalid class typecast") {}
};

// Raised when an abstract operation that no descendant supplies is called.
class PLATFORM_API EAbstractError : public Exception {
 public:
  EAbstractError() : Exception("Abstract error") {}
  explicit EAbstractError(std::string message) : Exception(std::move(message)) {}
};
[[noreturn]] PLATFORM_API void AbstractError();

// Raised by Assign between incompatible classes and by failed conversions.
class PLATFORM_API EConvertError : public Exception {
  using Exception::Exception;
};

// Raised by an operation called in a state that does not allow it.
class PLATFORM_API EInvalidOperation : public Exception {
  using Exception::Exception;
};

// Raised by list and string-list accessors given a bad index.
class PLATFORM_API EListError : public Exception {
  using Exception::Exception;
};

// Stream failures.
class PLATFORM_API EStreamError : public Exception {
  using Exception::Exception;
};
class PLATFORM_API EReadError : public EStreamError {
 public:
  EReadError() : EStreamError("Stream read error") {}
  explicit EReadError(std::string message) : EStreamError(std::move(message)) {}
};
class PLATFORM_API EWriteError : public EStreamError {
 public:
  EWriteError() : EStreamError("Stream write error") {}
  explicit EWriteError(std::string message) : EStreamError(std::move(message)) {}
};
// A file that cannot be created: "Cannot create file <name>".
class PLATFORM_API EFCreateError : public EStreamError {
 public:
  explicit EFCreateError(const std::string& file_name)
      : EStreamError(Format("Cannot create file %s", file_name.c_str())) {}
};
// A file that cannot be opened: "Cannot open file <name>".
class PLATFORM_API EFOpenError : public EStreamError {
 public:
  explicit EFOpenError(const std::string& file_name)
      : EStreamError(Format("Cannot open file %s", file_name.c_str())) {}
};

// A resource that the module does not hold: "Resource <name> not found".
class PLATFORM_API EResNotFound : public Exception {
 public:
  explicit EResNotFound(const std::string& resource_name)
      : Exception(Format("Resource %s not found", resource_name.c_str())) {}
};

// A class name that the class registry does not know.
class PLATFORM_API EClassNotFound : public Exception {
  using Exception::Exception;
};
