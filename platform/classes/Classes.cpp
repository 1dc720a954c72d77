#include "platform/classes/Classes.h"

#include <algorithm>
#include <mutex>

// ---------------------------------------------------------------------------
// TEnumNames, TPropInfo

std::optional<int64_t> TEnumNames::ValueOf(std::string_view name) const {
  for (size_t i = 0; i < Names.size(); ++i)
    if (SameText(Names[i], name)) return Values.empty() ? static_cast<int64_t>(i) : Values[i];
  return std::nullopt;
}

const std::string* TEnumNames::NameOf(int64_t value) const {
  if (Values.empty()) {
    if (value >= 0 && static_cast<size_t>(value) < Names.size()) return &Names[value];
    return nullptr;
  }
  for (size_t i = 0; i < Values.size() && i < Names.size(); ++i)
    if (Values[i] == value) return &Names[i];
  return nullptr;
}

bool TPropInfo::Writable() const {
  switch (Kind) {
    case TTypeKind::tkFloat:
      return static_cast<bool>(SetFloat);
    case TTypeKind::tkString:
      return static_cast<bool>(SetStr);
    case TTypeKind::tkClass:
      return static_cast<bool>(GetObj);
    case TTypeKind::tkComponent:
      return static_cast<bool>(SetObj);
    case TTypeKind::tkMethod:
      return static_cast<bool>(SetMethod);
    default:
      return static_cast<bool>(SetOrd);
  }
}

// ---------------------------------------------------------------------------
// TClassInfo

bool TClassInfo::InheritsFrom(TClass c) const {
  for (TClass k = this; k != nullptr; k = k->Parent)
    if (k == c) return true;
  return false;
}

const TPropInfo* TClassInfo::FindProp(std::string_view name) const {
  for (TClass k = this; k != nullptr; k = k->Parent)
    for (const auto& p : k->Props)
      if (SameText(p.Name, name)) return &p;
  return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::AllProps() const {
  std::vector<TClass> chain;
  for (TClass k = this; k != nullptr; k = k->Parent) chain.push_back(k);
  std::vector<const TPropInfo*> result;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    for (const auto& p : (*it)->Props) {
      // A descendant that publishes an inherited property again keeps the
      // earlier place but uses the descendant's accessors.
      auto same = std::find_if(result.begin(), result.end(),
                               [&](const TPropInfo* q) { return SameText(q->Name, p.Name); });
      if (same != result.end())
        *same = &p;
      else
        result.push_back(&p);
    }
  }
  return result;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const {
  for (TClass k = this; k != nullptr; k = k->Parent)
    for (const auto& m : k->Methods)
      if (SameText(m.Name, name)) return &m;
  return nullptr;
}

const TFieldInfo* TClassInfo::FindField(std::string_view name) const {
  for (TClass k = this; k != nullptr; k = k->Parent)
    for (const auto& f : k->Fields)
      if (SameText(f.Name, name)) return &f;
  return nullptr;
}

// ---------------------------------------------------------------------------
// TObject, TPersistent

TClass TObject::StaticClass() {
  static const TClassInfo info = [] {
    TClassInfo i;
    i.Name = "TObject";
    return i;
  }();
  return &info;
}

VASK_DEFINE_CLASS(TPersistent)

void TPersistent::Assign(TPersistent* source) {
  if (source != nullptr)
    source->AssignTo(this);
  else
    AssignTo(this);  // reports "Cannot assign a nil to a ..."
}

void TPersistent::AssignTo(TPersistent* dest) {
  std::string source_name = dest == this ? "nil" : ClassName();
  throw EConvertError(
      Format("Cannot assign a %s to a %s", source_name.c_str(), dest->ClassName().c_str()));
}

void TPersistent::DefineProperties(TFiler&) {}

// ---------------------------------------------------------------------------
// TComponent

TClass TComponent::StaticClass() {
  static const TClassInfo info = TClassInfo::Make<TComponent>(
      "TComponent", inherited::StaticClass(),
      {rtti::String<TComponent>("Name", &TComponent::Name, &TComponent::SetName),
       rtti::Int<TComponent>("Tag", &TComponent::Tag, &TComponent::SetTag, 0)});
  return &info;
}

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  state_ |= csDestroying;
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    RemoveComponent(last);
    delete last;
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError(Format("List index out of bounds (%d)", index));
  return components_[index];
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, name)) return c;
  return nullptr;
}

namespace {
bool IsIdentifier(const std::string& s) {
  if (s.empty()) return false;
  auto alpha = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
  if (!alpha(s[0])) return false;
  return std::all_of(s.begin(), s.end(), [&](char c) {
    return alpha(c) || std::isdigit(static_cast<unsigned char>(c));
  });
}
}  // namespace

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && !IsIdentifier(name))
    throw EComponentError(Format("''%s'' is not a valid component name", name.c_str()));
  if (owner_ != nullptr && !name.empty()) {
    TComponent* other = owner_->FindComponent(name);
    if (other != nullptr && other != this)
      throw EComponentError(Format("A component named %s already exists", name.c_str()));
  }
  name_ = name;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component->owner_ == this) return;
  if (!component->name_.empty() && FindComponent(component->name_) != nullptr)
    throw EComponentError(Format("A component named %s already exists", component->name_.c_str()));
  if (component->owner_ != nullptr) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it == components_.end()) return;
  components_.erase(it);
  component->owner_ = nullptr;
}

void TComponent::Loaded() {
  state_ &= ~(csLoading | csReading);
}

void TComponent::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  if (root != this) return;
  for (TComponent* c : components_)
    if (!c->HasParent()) proc(c);
}

// ---------------------------------------------------------------------------
// Class registry

namespace {
// Registration and lookups may come from any thread; both are short.
struct ClassRegistry {
  std::mutex mutex;
  std::vector<TClass> classes;
};

ClassRegistry& Registry() {
  static ClassRegistry registry;
  return registry;
}
}  // namespace

void RegisterClass(TClass c) {
  ClassRegistry& reg = Registry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  if (std::find(reg.classes.begin(), reg.classes.end(), c) == reg.classes.end())
    reg.classes.push_back(c);
}

void RegisterClasses(std::initializer_list<TClass> classes) {
  for (TClass c : classes) RegisterClass(c);
}

TClass GetClass(std::string_view name) {
  ClassRegistry& reg = Registry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  for (TClass c : reg.classes)
    if (SameText(c->Name, name)) return c;
  return nullptr;
}

TClass FindClass(std::string_view name) {
  TClass c = GetClass(name);
  if (c == nullptr)
    throw EClassNotFound(Format("Class %.*s not found", (int)name.size(), name.data()));
  return c;
}
