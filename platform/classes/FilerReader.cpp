// TReader: reading binary form descriptions into components.
#include "platform/classes/Filer.h"

#include <algorithm>
#include <cstring>

#include "platform/classes/Extended.h"
#include "platform/classes/FilerFormat.h"

namespace {

const char* ValueTypeName(TValueType t) {
  static const char* const names[] = {
      "end of list", "list",       "integer",     "integer",      "integer",     "float",
      "string",      "identifier", "False",       "True",         "binary data", "set",
      "string",      "nil",        "collection",  "single float", "currency",    "date",
      "wide string", "integer",    "UTF-8 string"};
  auto i = static_cast<size_t>(t);
  return i < sizeof(names) / sizeof(names[0]) ? names[i] : "unknown value";
}

bool IsIntegerType(TValueType t) {
  return t == TValueType::vaInt8 || t == TValueType::vaInt16 || t == TValueType::vaInt32 ||
         t == TValueType::vaInt64;
}

[[noreturn]] void Expected(const char* what, TValueType found) {
  throw EReadError(Format("Expected %s but found %s", what, ValueTypeName(found)));
}

// True when class c or one of its ancestors is called name.
bool ClassHasName(TClass c, const std::string& name) {
  for (TClass k = c; k != nullptr; k = k->Parent)
    if (SameText(k->Name, name)) return true;
  return false;
}

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t dot = path.find('.', start);
    parts.push_back(path.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// UTF-16 code units to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::vector<uint16_t>& units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t u = units[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u < 0xE000) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

// The range an ordinal property of size bytes can hold.
void CheckOrdinalRange(const TPropInfo& prop, int64_t value) {
  if (prop.OrdSize >= 8) return;
  int bits = prop.OrdSize * 8;
  int64_t lo = prop.Unsigned ? 0 : -(int64_t{1} << (bits - 1));
  int64_t hi = prop.Unsigned ? (int64_t{1} << bits) - 1 : (int64_t{1} << (bits - 1)) - 1;
  if (value < lo || value > hi)
    throw EReadError(Format("Value %lld is out of range", static_cast<long long>(value)));
}

}  // namespace

// A component reference to resolve once the whole root is read.
struct TReader::Fixup {
  TObject* instance;
  const TPropInfo* prop;
  std::string name;
  std::string context;
};

// What one ReadRootComponent has done, so that a failure can undo it.
struct TReader::Session {
  std::unique_ptr<TComponent> owned_root;  // a root the reader constructed
  std::vector<TComponent*> created;        // children constructed, in order
  std::vector<const TFieldInfo*> fields;   // root fields set to created children
  std::vector<TComponent*> loaded;         // every component read, in order
  std::vector<Fixup> fixups;
  std::vector<std::pair<TObject*, const TPropInfo*>> applied;  // references set
  // Existing components given a new parent, with their previous parent.
  std::vector<std::pair<TComponent*, TComponent*>> reparented;

  // Undoes everything the read did to objects that outlive it, then frees
  // what it constructed: the last constructed first. root is the root being
  // read (null when the read failed before it had one).
  void Rollback(TComponent* root) {
    if (owned_root) {
      owned_root.reset();
      return;
    }
    for (auto& [instance, prop] : applied) prop->SetObj(*instance, nullptr);
    for (auto it = reparented.rbegin(); it != reparented.rend(); ++it)
      it->first->SetParentComponent(it->second);
    for (const TFieldInfo* field : fields) field->Set(*root, nullptr);
    for (auto it = created.rbegin(); it != created.rend(); ++it) delete *it;
    for (TComponent* c : loaded) {
      if (std::find(created.begin(), created.end(), c) == created.end())
        c->ClearComponentState(csLoading | csReading);
    }
  }
};

TReader::TReader(TStream& stream) : stream_(stream) {}
TReader::~TReader() = default;

uint8_t TReader::ReadByte() {
  uint8_t b;
  Read(&b, 1);
  return b;
}

void TReader::Read(void* buffer, int32_t count) {
  if (count <= 0) return;
  if (stream_.Read(buffer, count) != count) throw EReadError("Unexpected end of form data");
}

void TReader::CheckAvailable(uint64_t count) {
  int64_t left = stream_.Size() - stream_.Position();
  if (left < 0 || static_cast<uint64_t>(left) < count)
    throw EReadError("Unexpected end of form data");
}

void TReader::ReadSignature() {
  char sig[4];
  if (stream_.Read(sig, 4) != 4 || std::memcmp(sig, kFormSignature, 4) != 0)
    throw EReadError("Invalid stream format: the form data does not start with TPF0");
}

TValueType TReader::NextValue() {
  uint8_t b = ReadByte();
  stream_.Seek(-1, soFromCurrent);
  return static_cast<TValueType>(b);
}

TValueType TReader::ReadValue() {
  uint8_t b = ReadByte();
  if (b > static_cast<uint8_t>(TValueType::vaUTF8String))
    throw EReadError(Format("Unknown value type %u", b));
  return static_cast<TValueType>(b);
}

std::string TReader::ReadStr() {
  uint8_t len = ReadByte();
  std::string s(len, '\0');
  Read(s.data(), len);
  return s;
}

int64_t TReader::ReadIntegerOfType(TValueType type) {
  uint8_t b[8] = {};
  int size = type == TValueType::vaInt8    ? 1
             : type == TValueType::vaInt16 ? 2
             : type == TValueType::vaInt32 ? 4
                                           : 8;
  Read(b, size);
  uint64_t u = 0;
  for (int i = 0; i < size; ++i) u |= static_cast<uint64_t>(b[i]) << (8 * i);
  // Sign-extend from the stored width.
  if (size < 8 && (u >> (size * 8 - 1)) != 0) u |= ~uint64_t{0} << (size * 8);
  return static_cast<int64_t>(u);
}

int64_t TReader::ReadInt64() {
  TValueType t = ReadValue();
  if (!IsIntegerType(t)) Expected("an integer", t);
  return ReadIntegerOfType(t);
}

int32_t TReader::ReadInteger() {
  int64_t v = ReadInt64();
  if (v < INT32_MIN || v > INT32_MAX)
    throw EReadError(Format("Value %lld is out of range", static_cast<long long>(v)));
  return static_cast<int32_t>(v);
}

long double TReader::ReadFloat() {
  TValueType t = ReadValue();
  switch (t) {
    case TValueType::vaExtended: {
      uint8_t b[10];
      Read(b, 10);
      return DecodeExtended(b);
    }
    case TValueType::vaSingle: {
      uint8_t b[4];
      Read(b, 4);
      uint32_t bits = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
      float f;
      std::memcpy(&f, &bits, 4);
      return f;
    }
    case TValueType::vaDate: {
      int64_t bits = ReadIntegerOfType(TValueType::vaInt64);
      double d;
      std::memcpy(&d, &bits, 8);
      return d;
    }
    case TValueType::vaCurrency:
      return static_cast<long double>(ReadIntegerOfType(TValueType::vaInt64)) / 10000;
    default:
      if (IsIntegerType(t)) return static_cast<long double>(ReadIntegerOfType(t));
      Expected("a float", t);
  }
}

std::string TReader::ReadString() {
  TValueType t = ReadValue();
  switch (t) {
    case TValueType::vaString:
      return ReadStr();
    case TValueType::vaLString:
    case TValueType::vaUTF8String: {
      auto len = static_cast<uint32_t>(ReadIntegerOfType(TValueType::vaInt32));
      CheckAvailable(len);
      std::string s(len, '\0');
      Read(s.data(), static_cast<int32_t>(len));
      return s;
    }
    case TValueType::vaWString: {
      auto count = static_cast<uint32_t>(ReadIntegerOfType(TValueType::vaInt32));
      CheckAvailable(uint64_t{count} * 2);
      std::vector<uint16_t> units(count);
      for (auto& u : units) {
        uint8_t b[2];
        Read(b, 2);
        u = static_cast<uint16_t>(b[0] | (b[1] << 8));
      }
      return Utf16ToUtf8(units);
    }
    default:
      Expected("a string", t);
  }
}

bool TReader::ReadBoolean() {
  TValueType t = ReadValue();
  if (t == TValueType::vaTrue) return true;
  if (t == TValueType::vaFalse) return false;
  Expected("True or False", t);
}

std::vector<std::string> TReader::ReadSet() {
  TValueType t = ReadValue();
  if (t != TValueType::vaSet) Expected("a set", t);
  std::vector<std::string> members;
  while (true) {
    std::string s = ReadStr();
    if (s.empty()) break;
    members.push_back(std::move(s));
  }
  return members;
}

void TReader::ReadListBegin() {
  TValueType t = ReadValue();
  if (t != TValueType::vaList) Expected("a list", t);
}

void TReader::ReadListEnd() {
  TValueType t = ReadValue();
  if (t != TValueType::vaNull) Expected("the end of a list", t);
}

bool TReader::EndOfList() {
  return NextValue() == TValueType::vaNull;
}

void TReader::DefineProperty(const std::string& name, std::function<void(TReader&)> read,
                             std::function<void(TWriter&)>, bool) {
  if (defined_handled_ || !read || !SameText(name, defined_name_)) return;
  defined_handled_ = true;
  read(*this);
}

void TReader::DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> read,
                                   std::function<void(TStream&)>, bool) {
  if (defined_handled_ || !read || !SameText(name, defined_name_)) return;
  defined_handled_ = true;
  TValueType t = ReadValue();
  if (t != TValueType::vaBinary) Expected("binary data", t);
  auto len = static_cast<uint32_t>(ReadIntegerOfType(TValueType::vaInt32));
  CheckAvailable(len);
  TMemoryStream data;
  data.SetSize(len);
  Read(data.Memory(), static_cast<int32_t>(len));
  data.SetPosition(0);
  read(data);
}

void TReader::PropertyError(const std::string& detail) {
  throw EReadError(detail);
}

TComponent* TReader::ReadRootComponent(TComponent* root) {
  if (session_ != nullptr) throw EReadError("A form description is already being read");
  Session session;
  session_ = &session;
  struct EndSession {
    TReader* reader;
    ~EndSession() {
      reader->session_ = nullptr;
      reader->root_ = nullptr;
    }
  } end_session{this};

  try {
    root_ = ReadRootHeader(root);
    while (!EndOfList()) ReadProperty(root_);
    ReadListEnd();
    while (!EndOfList()) ReadComponent(root_, 1);
    ReadListEnd();
    ResolveFixups();
    for (TComponent* c : session.loaded) c->Loaded();
  } catch (const EOutOfMemory&) {
    session.Rollback(root_);
    throw;
  } catch (const EReadError&) {
    session.Rollback(root_);
    throw;
  } catch (const Exception& e) {
    session.Rollback(root_);
    throw EReadError(e.Message());
  } catch (...) {
    session.Rollback(root_);
    throw;
  }
  session.owned_root.release();
  return root_;
}

TComponent* TReader::ReadRootHeader(TComponent* root) {
  ReadSignature();
  std::string class_name = ReadStr();
  std::string name = ReadStr();
  if (root == nullptr) {
    TClass cls = GetClass(class_name);
    if (cls == nullptr) throw EReadError(Format("Class %s not found", class_name.c_str()));
    if (!cls->InheritsFrom(TComponent::StaticClass()) || !cls->Create)
      throw EReadError(Format("Class %s is not a component class", class_name.c_str()));
    session_->owned_root.reset(static_cast<TComponent*>(cls->Create(nullptr)));
    root = session_->owned_root.get();
  } else if (!ClassHasName(root->ClassType(), class_name)) {
    throw EReadError(
        Format("Cannot read a %s into a %s", class_name.c_str(), root->ClassName().c_str()));
  }
  session_->loaded.push_back(root);
  root->SetComponentState(csLoading | csReading);
  if (!name.empty() && root->Name() != name) {
    // Another root of the same owner may already carry the stored name.
    std::string unique = name;
    for (int i = 1; root->Owner() != nullptr && root->Owner()->FindComponent(unique) != nullptr;
         ++i)
      unique = Format("%s_%d", name.c_str(), i);
    try {
      root->SetName(unique);
    } catch (const EComponentError& e) {
      throw EReadError(e.Message());
    }
  }
  return root;
}

void TReader::ResolveFixups() {
  // Resolve every reference before setting any, so that a missing name
  // leaves no reference to a component about to be freed.
  std::vector<TComponent*> targets;
  for (const Fixup& f : session_->fixups) {
    TComponent* target = SameText(f.name, root_->Name()) ? root_ : root_->FindComponent(f.name);
    if (target == nullptr)
      throw EReadError(
          Format("Error reading %s: Component %s not found", f.context.c_str(), f.name.c_str()));
    if (f.prop->ClassType != nullptr && !target->InheritsFrom(f.prop->ClassType))
      throw EReadError(Format("Error reading %s: %s is a %s, not a %s", f.context.c_str(),
                              f.name.c_str(), target->ClassName().c_str(),
                              f.prop->ClassType->Name.c_str()));
    targets.push_back(target);
  }
  for (size_t i = 0; i < targets.size(); ++i) {
    const Fixup& f = session_->fixups[i];
    session_->applied.emplace_back(f.instance, f.prop);
    try {
      f.prop->SetObj(*f.instance, targets[i]);
    } catch (const EInvalidCast&) {
      throw EReadError(Format("Error reading %s: %s is a %s, which the property cannot hold",
                              f.context.c_str(), f.name.c_str(), targets[i]->ClassName().c_str()));
    }
  }
}

TComponent* TReader::ReadComponent(TComponent* parent, int depth) {
  if (depth > kMaxComponentDepth) throw EReadError("Components nested too deeply");
  std::string class_name = ReadStr();
  std::string name = ReadStr();
  TComponent* component = root_->FindComponent(name);
  if (component != nullptr) {
    if (!ClassHasName(component->ClassType(), class_name))
      throw EReadError(Format("Component %s is a %s, not a %s", name.c_str(),
                              component->ClassName().c_str(), class_name.c_str()));
  } else {
    TClass cls = GetClass(class_name);
    if (cls == nullptr) throw EReadError(Format("Class %s not found", class_name.c_str()));
    if (!cls->InheritsFrom(TComponent::StaticClass()) || !cls->Create)
      throw EReadError(Format("Class %s is not a component class", class_name.c_str()));
    component = static_cast<TComponent*>(cls->Create(root_));
    if (component->Owner() != root_) root_->InsertComponent(component);
    session_->created.push_back(component);
    try {
      component->SetName(name);
    } catch (const EComponentError& e) {
      throw EReadError(e.Message());
    }
    if (const TFieldInfo* field = name.empty() ? nullptr : root_->ClassType()->FindField(name)) {
      try {
        field->Set(*root_, component);
      } catch (const EInvalidCast&) {
        throw EReadError(Format("Field %s of %s cannot hold a %s", name.c_str(),
                                root_->ClassName().c_str(), class_name.c_str()));
      }
      session_->fields.push_back(field);
    }
  }
  if (parent != root_) {
    bool existing = std::find(session_->created.begin(), session_->created.end(), component) ==
                    session_->created.end();
    TComponent* previous = component->GetParentComponent();
    if (existing && previous != parent) session_->reparented.emplace_back(component, previous);
    component->SetParentComponent(parent);
  }
  auto& loaded = session_->loaded;
  if (std::find(loaded.begin(), loaded.end(), component) == loaded.end())
    loaded.push_back(component);
  component->SetComponentState(csLoading | csReading);
  while (!EndOfList()) ReadProperty(component);
  ReadListEnd();
  while (!EndOfList()) ReadComponent(component, depth + 1);
  ReadListEnd();
  return component;
}

void TReader::ReadProperty(TComponent* component) {
  std::string path = ReadStr();
  const std::string& owner_name =
      component->Name().empty() ? component->ClassName() : component->Name();
  context_ = owner_name + "." + path;
  try {
    std::vector<std::string> parts = SplitPath(path);
    TObject* instance = component;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      const TPropInfo* prop = instance->ClassType()->FindProp(parts[i]);
      if (prop == nullptr || prop->Kind != TTypeKind::tkClass || !prop->GetObj)
        PropertyError(Format("Property %s does not exist", path.c_str()));
      instance = prop->GetObj(*instance);
      if (instance == nullptr)
        PropertyError(Format("Property %s is not assigned", parts[i].c_str()));
    }
    const TPropInfo* prop = instance->ClassType()->FindProp(parts.back());
    if (prop != nullptr) {
      if (!prop->Writable()) PropertyError(Format("Property %s is read-only", path.c_str()));
      ReadPropValue(*instance, *prop);
      return;
    }
    auto* persistent = dynamic_cast<TPersistent*>(instance);
    defined_name_ = parts.back();
    defined_handled_ = false;
    if (persistent != nullptr) persistent->DefineProperties(*this);
    bool handled = defined_handled_;
    defined_name_.clear();
    defined_handled_ = false;
    if (!handled) PropertyError(Format("Property %s does not exist", path.c_str()));
  } catch (const EOutOfMemory&) {
    throw;
  } catch (const Exception& e) {
    throw EReadError(Format("Error reading %s: %s", context_.c_str(), e.Message().c_str()));
  }
}

void TReader::ReadPropValue(TObject& instance, const TPropInfo& prop) {
  switch (prop.Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkInt64: {
      int64_t v = ReadInt64();
      CheckOrdinalRange(prop, v);
      prop.SetOrd(instance, v);
      break;
    }
    case TTypeKind::tkBool:
      prop.SetOrd(instance, ReadBoolean() ? 1 : 0);
      break;
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkColor: {
      TValueType t = ReadValue();
      int64_t v;
      if (t == TValueType::vaIdent) {
        std::string ident = ReadStr();
        std::optional<int64_t> found = prop.Names ? prop.Names->ValueOf(ident) : std::nullopt;
        if (!found) throw EReadError(Format("Invalid property value %s", ident.c_str()));
        v = *found;
      } else if (IsIntegerType(t)) {
        v = ReadIntegerOfType(t);
        if (prop.Kind == TTypeKind::tkEnumeration &&
            (prop.Names == nullptr || prop.Names->NameOf(v) == nullptr))
          throw EReadError(Format("Invalid property value %lld", static_cast<long long>(v)));
        CheckOrdinalRange(prop, v);
      } else {
        Expected(prop.Kind == TTypeKind::tkColor ? "a colour" : "an identifier", t);
      }
      prop.SetOrd(instance, v);
      break;
    }
    case TTypeKind::tkSet: {
      uint64_t mask = 0;
      int bits = std::min(prop.OrdSize * 8, 64);
      for (const std::string& member : ReadSet()) {
        std::optional<int64_t> bit = prop.Names ? prop.Names->ValueOf(member) : std::nullopt;
        if (!bit || *bit < 0 || *bit >= bits)
          throw EReadError(Format("Invalid set member %s", member.c_str()));
        mask |= uint64_t{1} << *bit;
      }
      prop.SetOrd(instance, static_cast<int64_t>(mask));
      break;
    }
    case TTypeKind::tkFloat:
      prop.SetFloat(instance, ReadFloat());
      break;
    case TTypeKind::tkString:
      prop.SetStr(instance, ReadString());
      break;
    case TTypeKind::tkClass:
      PropertyError(
          Format("Property %s is an object; only its properties are stored", prop.Name.c_str()));
    case TTypeKind::tkComponent: {
      TValueType t = ReadValue();
      if (t == TValueType::vaNil) {
        prop.SetObj(instance, nullptr);
      } else if (t == TValueType::vaIdent) {
        session_->fixups.push_back({&instance, &prop, ReadStr(), context_});
      } else {
        Expected("a component name", t);
      }
      break;
    }
    case TTypeKind::tkMethod: {
      TValueType t = ReadValue();
      if (t == TValueType::vaNil) {
        prop.SetMethod(instance, TMethodBinding{}, std::any{});
      } else if (t == TValueType::vaIdent) {
        std::string name = ReadStr();
        const TMethodInfo* method = root_->ClassType()->FindMethod(name);
        if (method == nullptr)
          throw EReadError(
              Format("Method %s not found in %s", name.c_str(), root_->ClassName().c_str()));
        prop.SetMethod(instance, TMethodBinding{root_, method->Name}, method->Make(root_));
      } else {
        Expected("a method name", t);
      }
      break;
    }
  }
}

TComponent* ReadComponentRes(const std::string& resource_name, TComponent* instance) {
  TResourceStream stream(HInstance, resource_name, RT_RCDATA);
  TReader reader(stream);
  return reader.ReadRootComponent(instance);
}
