// Run-time type information: the published properties and methods of a class,
// described by one table per class. Component streaming (TReader, TWriter)
// reads and writes objects through these tables and nothing else.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Export.h"

class TObject;
class TComponent;
struct TClassInfo;
using TClass = const TClassInfo*;

// What kind of value a published property holds, and so how it is streamed.
enum class TTypeKind : uint8_t {
  tkInteger,      // signed or unsigned integer of OrdSize bytes
  tkInt64,        // 64-bit integer
  tkFloat,        // floating point; FloatSize 4 (single), 8 (double) or 10 (extended)
  tkEnumeration,  // one member of Names, streamed by name
  tkBool,         // False / True
  tkSet,          // a bit set over Names, streamed as a list of member names
  tkString,       // 8-bit string
  tkColor,        // integer colour, streamed by name (Names/Values) when it has one
  tkClass,        // a nested persistent object the owner owns (Font, Lines, Picture)
  tkComponent,    // a reference to another component of the same root, by name
  tkMethod,       // an event: a method together with its object
};

// Names of enumeration or set members (by ordinal), or named colour constants.
struct PLATFORM_API TEnumNames {
  std::vector<std::string> Names;
  std::vector<int64_t> Values;  // colours only: value of each name; empty = ordinals
  // The ordinal or value for a name, or nullopt.
  std::optional<int64_t> ValueOf(std::string_view name) const;
  // The name of an ordinal or value, or nullptr.
  const std::string* NameOf(int64_t value) const;
};

// An event handler bound by name: the object that holds the method and the
// published name it was bound through. Object null = no handler.
struct PLATFORM_API TMethodBinding {
  TObject* Object = nullptr;
  std::string Name;
};

// One published property.
struct PLATFORM_API TPropInfo {
  std::string Name;
  TTypeKind Kind = TTypeKind::tkInteger;
  int OrdSize = 4;                    // tkInteger/tkEnumeration/tkColor: 1, 2, 4 or 8 bytes
  bool Unsigned = false;              // tkInteger: unsigned storage
  int FloatSize = 8;                  // tkFloat: 4, 8 or 10
  const TEnumNames* Names = nullptr;  // tkEnumeration, tkSet, tkColor
  TClass ClassType = nullptr;         // tkClass, tkComponent: the declared class

  // Accessors; a property without a setter is read-only and never streamed.
  std::function<int64_t(const TObject&)> GetOrd;  // integer, enum, bool, set, colour
  std::function<void(TObject&, int64_t)> SetOrd;
  std::function<long double(const TObject&)> GetFloat;
  std::function<void(TObject&, long double)> SetFloat;
  std::function<std::string(const TObject&)> GetStr;
  std::function<void(TObject&, const std::string&)> SetStr;
  std::function<TObject*(const TObject&)> GetObj;  // tkClass, tkComponent
  std::function<void(TObject&, TObject*)> SetObj;  // tkComponent only
  // tkMethod: the binding, and a setter that takes the handler made by a
  // published method (TMethodInfo::Make). SetMethod raises EReadError when the
  // handler's signature does not fit the event.
  std::function<TMethodBinding(const TObject&)> GetMethod;
  std::function<void(TObject&, const TMethodBinding&, const std::any& handler)> SetMethod;

  // The stored default: a property whose value equals it is not written.
  // Without one the property is always written.
  std::optional<int64_t> Default;

  bool Writable() const;
};

// One published method: calling Make(object) yields the handler for an event
// property, as a std::function of the method's signature wrapped in std::any.
struct PLATFORM_API TMethodInfo {
  std::string Name;
  std::function<std::any(TObject*)> Make;
};

// A class's own published fields: component references that the reader fills
// in by name when it creates a component of that name for the root.
struct PLATFORM_API TFieldInfo {
  std::string Name;
  std::function<void(TObject&, TComponent*)> Set;
};
