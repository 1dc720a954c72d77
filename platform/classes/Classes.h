// The class library's object model: TObject with class information and class
// tests, published property and method tables, events, TPersistent and
// TComponent with ownership, and the class registry.
#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/Export.h"
#include "platform/classes/TypInfo.h"
#include "platform/sysutils/SysUtils.h"
#include "platform/sysutils/TextCase.h"

class TObject;
class TPersistent;
class TComponent;
class TFiler;
class TReader;
class TWriter;
class TStream;

// The description of a class: its name, its parent, how to construct it, and
// its own published properties, methods and fields (the parent's come first).
struct PLATFORM_API TClassInfo {
  std::string Name;
  TClass Parent = nullptr;
  // Constructs an instance; components get the owner, other classes ignore
  // it. Null for abstract classes. The caller owns the result (for a
  // component: its owner does, if it has one).
  std::function<TObject*(TComponent* owner)> Create;
  std::vector<TPropInfo> Props;
  std::vector<TMethodInfo> Methods;
  std::vector<TFieldInfo> Fields;

  // True when this class is c or descends from it.
  bool InheritsFrom(TClass c) const;
  // A published property by name (case-insensitive), searching parents too.
  const TPropInfo* FindProp(std::string_view name) const;
  // All published properties, the root class's first, in declaration order.
  // A property published again by a descendant appears once, at its first place.
  std::vector<const TPropInfo*> AllProps() const;
  // A published method by name (case-insensitive), searching parents too.
  const TMethodInfo* FindMethod(std::string_view name) const;
  // A published field by name (case-insensitive), searching parents too.
  const TFieldInfo* FindField(std::string_view name) const;

  // Builds the description of class T; see VASK_CLASS.
  template <class T>
  static TClassInfo Make(std::string name, TClass parent, std::vector<TPropInfo> props = {},
                         std::vector<TMethodInfo> methods = {},
                         std::vector<TFieldInfo> fields = {});
};

// Declares the class information members; put it first in the class body:
//   class TFoo : public TBar { VASK_CLASS(TFoo, TBar) public: ... };
// and define TFoo::StaticClass() in the .cpp, with VASK_DEFINE_CLASS(TFoo)
// when the class publishes nothing of its own, or by hand:
//   TClass TFoo::StaticClass() {
//     static const TClassInfo info = TClassInfo::Make<TFoo>("TFoo", inherited::StaticClass(),
//                                                           {rtti::Int(...), ...});
//     return &info;
//   }
#define VASK_CLASS(Self, Base)        \
 public:                              \
  using inherited = Base;             \
  static TClass StaticClass();        \
  TClass ClassType() const override { \
    return Self::StaticClass();       \
  }                                   \
                                      \
 private:

#define VASK_DEFINE_CLASS(Self)                                                             \
  TClass Self::StaticClass() {                                                              \
    static const TClassInfo info = TClassInfo::Make<Self>(#Self, inherited::StaticClass()); \
    return &info;                                                                           \
  }

// The root of the class hierarchy. Objects are not copyable.
class PLATFORM_API TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }
  const std::string& ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(TClass c) const { return ClassType()->InheritsFrom(c); }
};

// Class membership test: true when obj is not null and is a T.
template <class T>
bool Is(const TObject* obj) {
  return obj != nullptr && obj->InheritsFrom(T::StaticClass());
}

// Verifying cast: null stays null; an object that is not a T raises
// EInvalidCast ("Invalid class typecast").
template <class T>
T* As(TObject* obj) {
  if (obj == nullptr) return nullptr;
  if (!obj->InheritsFrom(T::StaticClass())) throw EInvalidCast();
  return static_cast<T*>(obj);
}
template <class T>
const T* As(const TObject* obj) {
  return As<T>(const_cast<TObject*>(obj));
}

// An event: a method together with its object, or any callable. When it was
// bound by component streaming it remembers the published method name, so
// that it can be written back.
template <class... Args>
class TEvent {
 public:
  using Handler = std::function<void(Args...)>;

  TEvent() = default;
  TEvent(std::nullptr_t) {}
  template <class F>
  requires(std::is_invocable_v<F&, Args...> && !std::is_same_v<std::decay_t<F>, TEvent>) TEvent(F f)
      : handler_(std::move(f)) {}
  // A method of an object, bound without a published name.
  template <class C>
  TEvent(C* object, void (C::*method)(Args...))
      : handler_([object, method](Args... args) { (object->*method)(args...); }) {}

  explicit operator bool() const { return static_cast<bool>(handler_); }
  void operator()(Args... args) const { handler_(args...); }

  // The published method this event was bound to by name (object null when
  // unassigned or assigned from code).
  const TMethodBinding& Binding() const { return binding_; }
  // Binds a handler made from a published method, remembering its name.
  void Bind(Handler handler, TMethodBinding binding) {
    handler_ = std::move(handler);
    binding_ = std::move(binding);
  }

 private:
  Handler handler_;
  TMethodBinding binding_;
};

// The standard notification event; the sender is the object that fires it.
using TNotifyEvent = TEvent<TObject*>;

// Objects that can be assigned from one another and stream extra data.
class PLATFORM_API TPersistent : public TObject {
  VASK_CLASS(TPersistent, TObject)
 public:
  // Copies the content of source into this object. The default asks source
  // to AssignTo this object; raises EConvertError "Cannot assign a X to a Y"
  // when neither side knows the other.
  virtual void Assign(TPersistent* source);
  // Declares data streamed beside the published properties (binary blocks,
  // string lists). The default declares nothing.
  virtual void DefineProperties(TFiler& filer);

 protected:
  virtual void AssignTo(TPersistent* dest);
};

// Declares extra stored data of an object for TReader and TWriter.
class PLATFORM_API TFiler {
 public:
  virtual ~TFiler() = default;
  // A value read and written with the filer's own value calls.
  virtual void DefineProperty(const std::string& name, std::function<void(TReader&)> read,
                              std::function<void(TWriter&)> write, bool has_data) = 0;
  // A block of bytes, stored as a binary value.
  virtual void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> read,
                                    std::function<void(TStream&)> write, bool has_data) = 0;
};

// State flags of a component.
enum TComponentStateFlag : uint32_t {
  csLoading = 1u << 0,     // being read from a form description
  csReading = 1u << 1,     // its properties are being read
  csDestroying = 1u << 2,  // its destructor runs
  csDesigning = 1u << 3,
};

// A named object that can own other components; owned components are freed
// with their owner, the last inserted first.
class PLATFORM_API TComponent : public TPersistent {
  VASK_CLASS(TComponent, TPersistent)
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // The owned component at index (0-based); raises EListError when out of range.
  TComponent* Components(int index) const;
  // An owned component by name (case-insensitive), or null.
  TComponent* FindComponent(std::string_view name) const;
  // Owned components, in insertion order.
  const std::vector<TComponent*>& OwnedComponents() const { return components_; }

  const std::string& Name() const { return name_; }
  // Sets the name; raises EComponentError for a name that is not an
  // identifier or that another component of the same owner already has.
  void SetName(const std::string& name);
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t tag) { tag_ = tag; }
  uint32_t ComponentState() const { return state_; }
  void SetComponentState(uint32_t flags) { state_ |= flags; }
  void ClearComponentState(uint32_t flags) { state_ &= ~flags; }

  // Takes ownership of component (removing it from its previous owner).
  void InsertComponent(TComponent* component);
  // Gives up ownership of component without freeing it.
  void RemoveComponent(TComponent* component);
  // Frees every owned component, the last inserted first.
  void DestroyComponents();

  // Called on each component after a form description has been read into it.
  virtual void Loaded();
  // Enumerates the components that the writer stores as children of this
  // one within root. The default lists the owned components when this is the
  // root and they have no parent of their own.
  virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root);
  // The component this one is stored under (a control's parent), or null.
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual bool HasParent() const { return false; }
  // Called by the reader for children stored under another component.
  virtual void SetParentComponent(TComponent*) {}

 private:
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::string name_;
  int32_t tag_ = 0;
  uint32_t state_ = 0;
};

// Raised for invalid or duplicate component names.
class PLATFORM_API EComponentError : public Exception {
  using Exception::Exception;
};

// The class registry: classes that component streaming may construct by name.
// Registering a class again is harmless. Registrations and lookups may come
// from any thread (they are locked).
PLATFORM_API void RegisterClass(TClass c);
PLATFORM_API void RegisterClasses(std::initializer_list<TClass> classes);
// The registered class of that name (case-insensitive), or null.
PLATFORM_API TClass GetClass(std::string_view name);
// As GetClass, but raises EClassNotFound "Class X not found" when absent.
PLATFORM_API TClass FindClass(std::string_view name);

// ---------------------------------------------------------------------------
// Builders for property, method and field tables.

namespace rtti {

namespace detail {
template <class M>
struct SetterArg;
template <class C, class A>
struct SetterArg<void (C::*)(A)> {
  using type = std::remove_cvref_t<A>;
};
template <class C, class V>
struct SetterArg<V C::*> {
  using type = V;
};

template <class C, class Get>
auto Read(const Get& get, const TObject& o) {
  return std::invoke(get, static_cast<const C&>(o));
}

template <class C, class Set, class V>
void Write(const Set& set, TObject& o, V&& value) {
  C& c = static_cast<C&>(o);
  using A = typename SetterArg<Set>::type;
  if constexpr (std::is_member_object_pointer_v<Set>)
    c.*set = static_cast<A>(value);
  else
    (c.*set)(static_cast<A>(value));
}
}  // namespace detail

// An ordinal property (integer, enumeration, Boolean, set, colour). get is a
// const member function or a data member; set a member function taking one
// value or a data member, or nullptr for a read-only property.
template <class C, class Get, class Set = std::nullptr_t>
TPropInfo Ordinal(TTypeKind kind, std::string name, Get get, Set set = nullptr,
                  std::optional<int64_t> def = std::nullopt) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = kind;
  using V = std::remove_cvref_t<decltype(detail::Read<C>(get, std::declval<const TObject&>()))>;
  p.OrdSize = static_cast<int>(sizeof(V));
  if constexpr (std::is_integral_v<V>) p.Unsigned = std::is_unsigned_v<V>;
  p.GetOrd = [get](const TObject& o) { return static_cast<int64_t>(detail::Read<C>(get, o)); };
  if constexpr (!std::is_same_v<Set, std::nullptr_t>)
    p.SetOrd = [set](TObject& o, int64_t v) { detail::Write<C>(set, o, v); };
  p.Default = def;
  return p;
}

template <class C, class Get, class Set = std::nullptr_t>
TPropInfo Int(std::string name, Get get, Set set = nullptr,
              std::optional<int64_t> def = std::nullopt) {
  return Ordinal<C>(TTypeKind::tkInteger, std::move(name), get, set, def);
}
template <class C, class Get, class Set = std::nullptr_t>
TPropInfo Bool(std::string name, Get get, Set set = nullptr,
               std::optional<bool> def = std::nullopt) {
  return Ordinal<C>(TTypeKind::tkBool, std::move(name), get, set,
                    def ? std::optional<int64_t>(*def) : std::nullopt);
}
template <class C, class Get, class Set = std::nullptr_t>
TPropInfo Enum(std::string name, const TEnumNames& names, Get get, Set set = nullptr,
               std::optional<int64_t> def = std::nullopt) {
  TPropInfo p = Ordinal<C>(TTypeKind::tkEnumeration, std::move(name), get, set, def);
  p.Names = &names;
  return p;
}
// A set stored as a bit mask: bit i is member i of names.
template <class C, class Get, class Set = std::nullptr_t>
TPropInfo SetOf(std::string name, const TEnumNames& names, Get get, Set set = nullptr,
                std::optional<int64_t> def = std::nullopt) {
  TPropInfo p = Ordinal<C>(TTypeKind::tkSet, std::move(name), get, set, def);
  p.Names = &names;
  return p;
}
template <class C, class Get, class Set = std::nullptr_t>
TPropInfo Color(std::string name, const TEnumNames& names, Get get, Set set = nullptr,
                std::optional<int64_t> def = std::nullopt) {
  TPropInfo p = Ordinal<C>(TTypeKind::tkColor, std::move(name), get, set, def);
  p.Names = &names;
  return p;
}

template <class C, class Get, class Set = std::nullptr_t>
TPropInfo Float(std::string name, Get get, Set set = nullptr) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TTypeKind::tkFloat;
  using V = std::remove_cvref_t<decltype(detail::Read<C>(get, std::declval<const TObject&>()))>;
  p.FloatSize = sizeof(V) == 4 ? 4 : sizeof(V) == 8 ? 8 : 10;
  p.GetFloat = [get](const TObject& o) {
    return static_cast<long double>(detail::Read<C>(get, o));
  };
  if constexpr (!std::is_same_v<Set, std::nullptr_t>)
    p.SetFloat = [set](TObject& o, long double v) { detail::Write<C>(set, o, v); };
  return p;
}

template <class C, class Get, class Set = std::nullptr_t>
TPropInfo String(std::string name, Get get, Set set = nullptr) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TTypeKind::tkString;
  p.GetStr = [get](const TObject& o) { return std::string(detail::Read<C>(get, o)); };
  if constexpr (!std::is_same_v<Set, std::nullptr_t>)
    p.SetStr = [set](TObject& o, const std::string& v) { detail::Write<C>(set, o, v); };
  return p;
}

// A nested object owned by the instance (Font, Lines, Picture, Icon): its own
// published properties are streamed under "Name.".
template <class C, class Get>
TPropInfo Object(std::string name, TClass cls, Get get) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TTypeKind::tkClass;
  p.ClassType = cls;
  p.GetObj = [get](const TObject& o) -> TObject* { return detail::Read<C>(get, o); };
  p.SetObj = nullptr;
  return p;
}

// A reference to another component of the same root, streamed by its name.
// cls is the class the reader checks a referenced component against; a class
// that references its own kind passes an ancestor (its own class information
// is not complete yet), and the setter's class check then applies.
template <class C, class Get, class Set>
TPropInfo Component(std::string name, TClass cls, Get get, Set set) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TTypeKind::tkComponent;
  p.ClassType = cls;
  p.GetObj = [get](const TObject& o) -> TObject* { return detail::Read<C>(get, o); };
  // The stored reference is cast with a class check, so that a component of
  // another class raises EInvalidCast instead of being stored.
  p.SetObj = [set](TObject& o, TObject* v) {
    using A = typename detail::SetterArg<Set>::type;
    detail::Write<C>(set, o, As<std::remove_pointer_t<A>>(v));
  };
  return p;
}

// An event property backed by a TEvent data member.
template <class C, class... Args>
TPropInfo Event(std::string name, TEvent<Args...> C::*field) {
  TPropInfo p;
  p.Name = std::move(name);
  p.Kind = TTypeKind::tkMethod;
  p.GetMethod = [field](const TObject& o) { return (static_cast<const C&>(o).*field).Binding(); };
  p.SetMethod = [field, event = p.Name](TObject& o, const TMethodBinding& binding,
                                        const std::any& handler) {
    using Handler = typename TEvent<Args...>::Handler;
    if (!handler.has_value()) {
      static_cast<C&>(o).*field = nullptr;
      return;
    }
    const Handler* h = std::any_cast<Handler>(&handler);
    if (h == nullptr)
      throw EReadError(
          Format("Method %s does not fit event %s", binding.Name.c_str(), event.c_str()));
    (static_cast<C&>(o).*field).Bind(*h, binding);
  };
  return p;
}

// A published method that event properties can be bound to by name.
template <class C, class... Args>
TMethodInfo Method(std::string name, void (C::*method)(Args...)) {
  return {
      std::move(name), [method](TObject* self) -> std::any {
        C* c = static_cast<C*>(self);
        return std::function<void(Args...)>([c, method](Args... args) { (c->*method)(args...); });
      }};
}

// A published field: a component reference member filled in by name.
template <class C, class T>
TFieldInfo Field(std::string name, T* C::*member) {
  return {std::move(name),
          [member](TObject& o, TComponent* c) { static_cast<C&>(o).*member = As<T>(c); }};
}

}  // namespace rtti

template <class T>
TClassInfo TClassInfo::Make(std::string name, TClass parent, std::vector<TPropInfo> props,
                            std::vector<TMethodInfo> methods, std::vector<TFieldInfo> fields) {
  TClassInfo info;
  info.Name = std::move(name);
  info.Parent = parent;
  if constexpr (!std::is_abstract_v<T>) {
    if constexpr (std::is_constructible_v<T, TComponent*>)
      info.Create = [](TComponent* owner) -> TObject* { return new T(owner); };
    else if constexpr (std::is_default_constructible_v<T>)
      info.Create = [](TComponent*) -> TObject* { return new T(); };
  }
  info.Props = std::move(props);
  info.Methods = std::move(methods);
  info.Fields = std::move(fields);
  return info;
}
