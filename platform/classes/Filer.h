// Component streaming: TReader and TWriter for the binary form-description
// format, and conversion between that format and its text form.
//
// Binary format (little-endian): the signature "TPF0", then one component:
// class name and component name (short strings: a length byte, then the
// characters), its properties, a 0 byte, its children (components), a 0 byte.
// A property is its name as a short string (dotted paths such as Font.Height
// name nested objects), then a value: a TValueType byte and its data.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Export.h"
#include "platform/classes/Classes.h"
#include "platform/classes/Streams.h"

// The type byte in front of every value.
enum class TValueType : uint8_t {
  vaNull = 0,         // end of a list
  vaList = 1,         // values up to a vaNull
  vaInt8 = 2,         // 1 byte
  vaInt16 = 3,        // 2 bytes
  vaInt32 = 4,        // 4 bytes
  vaExtended = 5,     // 80-bit x87 extended float, 10 bytes
  vaString = 6,       // short string: a length byte, then the bytes
  vaIdent = 7,        // identifier, stored as a short string
  vaFalse = 8,        // no data
  vaTrue = 9,         // no data
  vaBinary = 10,      // 4-byte length, then the bytes
  vaSet = 11,         // short strings of the member names, then an empty one
  vaLString = 12,     // 4-byte length, then the bytes
  vaNil = 13,         // no data
  vaCollection = 14,  // items (an optional integer, then properties up to 0), then 0
  vaSingle = 15,      // 4-byte IEEE float
  vaCurrency = 16,    // 8-byte integer, the value times 10000
  vaDate = 17,        // 8-byte IEEE double, days since 1899-12-30
  vaWString = 18,     // 4-byte count of UTF-16 units, then the units
  vaInt64 = 19,       // 8 bytes
  vaUTF8String = 20,  // 4-byte length, then UTF-8 bytes
};

// Raised by the text-form parser: EReadError with "Line <n>: <what>".
class PLATFORM_API EParserError : public EReadError {
 public:
  using EReadError::EReadError;
};

// Reads a form description from a stream (the caller's; not freed).
//
// Every failure caused by the data (bad signature, truncated data, unknown
// value type, class or property, a value of the wrong type, an event naming
// no published method of the root, a component reference naming no
// component) raises EReadError with a message that names the component and
// property involved. A failed ReadRootComponent frees every component it
// created, clears the published fields it set and leaves no references to
// freed components behind.
class PLATFORM_API TReader : public TFiler {
 public:
  explicit TReader(TStream& stream);
  ~TReader() override;
  TReader(const TReader&) = delete;
  TReader& operator=(const TReader&) = delete;

  // Reads the signature and one root component with its children. With a
  // root, the data is read into it (its class, or an ancestor's, must carry
  // the stored class name); with null, the root is constructed from the class
  // registry and the caller owns it. Children that the root already owns
  // under the stored name are read into; others are constructed (owner: the
  // root), named, stored in the root's published field of that name, and
  // given their parent component when they are stored under another child.
  // Component references are resolved after everything is read, then
  // Loaded() is called on every component read. Returns the root.
  TComponent* ReadRootComponent(TComponent* root);

  // The root being read (during ReadRootComponent).
  TComponent* Root() const { return root_; }

  // Value primitives, for DefineProperties readers and converters. Each
  // raises EReadError when the next value is not of a fitting type.
  void ReadSignature();
  // The type of the next value without consuming it.
  TValueType NextValue();
  // Consumes and returns a type byte; raises for a byte above 20.
  TValueType ReadValue();
  // A raw short string (names, no type byte).
  std::string ReadStr();
  // Any integer value; ReadInteger also requires it to fit 32 bits.
  int32_t ReadInteger();
  int64_t ReadInt64();
  // Any float value (extended, single, currency, date) or integer.
  long double ReadFloat();
  // Any string value; wide strings are converted to UTF-8.
  std::string ReadString();
  bool ReadBoolean();
  // A set: its member names.
  std::vector<std::string> ReadSet();
  void ReadListBegin();
  void ReadListEnd();
  // True when the next value is the 0 that ends a list (not consumed).
  bool EndOfList();

  // Raw fixed-size reads (little-endian), raising EReadError at the end.
  uint8_t ReadByte();
  void Read(void* buffer, int32_t count);
  // Raises EReadError unless count more bytes are available.
  void CheckAvailable(uint64_t count);

  // TFiler: a defined property whose name is the one being read gets read.
  void DefineProperty(const std::string& name, std::function<void(TReader&)> read,
                      std::function<void(TWriter&)> write, bool has_data) override;
  void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> read,
                            std::function<void(TStream&)> write, bool has_data) override;

 private:
  struct Fixup;
  struct Session;
  // Reads the signature, the root's class name and name; constructs the root
  // or checks the given one, and names it.
  TComponent* ReadRootHeader(TComponent* root);
  // Sets the component references read, once every name is known.
  void ResolveFixups();
  TComponent* ReadComponent(TComponent* parent, int depth);
  void ReadProperty(TComponent* component);
  void ReadPropValue(TObject& instance, const TPropInfo& prop);
  [[noreturn]] void PropertyError(const std::string& detail);
  int64_t ReadIntegerOfType(TValueType type);

  TStream& stream_;
  TComponent* root_ = nullptr;
  Session* session_ = nullptr;
  // The property being read, for defined properties and error messages.
  std::string defined_name_;
  bool defined_handled_ = false;
  std::string context_;  // "Component.Path" of the property being read
};

// Writes a form description to a stream (the caller's; not freed).
// Failures of the stream raise EWriteError.
class PLATFORM_API TWriter : public TFiler {
 public:
  explicit TWriter(TStream& stream);
  ~TWriter() override = default;
  TWriter(const TWriter&) = delete;
  TWriter& operator=(const TWriter&) = delete;

  // Writes the signature, then root with its children.
  void WriteRootComponent(TComponent* root);
  // Writes one component: its class name and name, the writable published
  // properties whose values differ from their stored defaults (those without
  // a default always; empty strings, unassigned references and unbound
  // events never), nested objects' properties under "Name.", the defined
  // properties, then the children that GetChildren lists.
  void WriteComponent(TComponent* component);
  TComponent* Root() const { return root_; }

  // Value primitives.
  void WriteSignature();
  void WriteValue(TValueType type);
  // A raw short string; raises EWriteError when longer than 255 bytes.
  void WriteStr(const std::string& s);
  // The smallest integer type that holds value.
  void WriteInteger(int64_t value);
  // As 80-bit extended.
  void WriteFloat(long double value);
  void WriteSingle(float value);
  // value * 10000, rounded.
  void WriteCurrency(int64_t scaled);
  void WriteDate(double value);
  // A short string up to 255 bytes, else a long string.
  void WriteString(const std::string& s);
  // An identifier; False, True and nil become their own value types.
  void WriteIdent(const std::string& ident);
  void WriteBoolean(bool value);
  void WriteSet(const std::vector<std::string>& members);
  void WriteBinary(const void* data, uint32_t size);
  void WriteListBegin();
  void WriteListEnd();
  void Write(const void* buffer, int32_t count);

  // TFiler: defined properties with data are written under the current prefix.
  void DefineProperty(const std::string& name, std::function<void(TReader&)> read,
                      std::function<void(TWriter&)> write, bool has_data) override;
  void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> read,
                            std::function<void(TStream&)> write, bool has_data) override;

 private:
  void WriteProperties(TObject& instance, const std::string& prefix, int depth);
  void WriteProperty(TObject& instance, const TPropInfo& prop, const std::string& prefix,
                     int depth);
  void WritePropName(const std::string& name);

  TStream& stream_;
  TComponent* root_ = nullptr;
  std::string prefix_;
  int component_depth_ = 0;
};

// Reads the form description stored as RCDATA resource resource_name of the
// program into instance (null: a new root from the class registry, owned by
// the caller). Raises EResNotFound "Resource <name> not found" or EReadError.
PLATFORM_API TComponent* ReadComponentRes(const std::string& resource_name, TComponent* instance);

// Converts the text form of a form description, read from in's position, to
// the binary form, written at out's position. File references in binary
// values ({@file 'name'}, {@graphic TClass 'name'}) are relative to base_dir
// (the current directory when empty). Raises EParserError "Line <n>: ..." for
// bad text and EFOpenError for a missing file.
PLATFORM_API void ObjectTextToBinary(TStream& in, TStream& out, const std::string& base_dir = {});
// Converts a binary form description to its text form. Raises EReadError for
// bad data. Everything the writer produces converts back to the same bytes.
PLATFORM_API void ObjectBinaryToText(TStream& in, TStream& out);
