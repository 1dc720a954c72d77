// TWriter: writing components as binary form descriptions.
#include "platform/classes/Filer.h"

#include <algorithm>
#include <cstring>

#include "platform/classes/Extended.h"
#include "platform/classes/FilerFormat.h"

TWriter::TWriter(TStream& stream) : stream_(stream) {}

void TWriter::Write(const void* buffer, int32_t count) {
  stream_.WriteBuffer(buffer, count);
}

void TWriter::WriteSignature() {
  Write(kFormSignature, 4);
}

void TWriter::WriteValue(TValueType type) {
  auto b = static_cast<uint8_t>(type);
  Write(&b, 1);
}

void TWriter::WriteStr(const std::string& s) {
  if (s.size() > 255)
    throw EWriteError(Format("Name too long for the form data: %.40s...", s.c_str()));
  auto len = static_cast<uint8_t>(s.size());
  Write(&len, 1);
  Write(s.data(), len);
}

namespace {
void PutLE(uint8_t* out, uint64_t v, int size) {
  for (int i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

void TWriter::WriteInteger(int64_t value) {
  uint8_t b[9];
  int size;
  if (value >= INT8_MIN && value <= INT8_MAX) {
    b[0] = static_cast<uint8_t>(TValueType::vaInt8);
    size = 1;
  } else if (value >= INT16_MIN && value <= INT16_MAX) {
    b[0] = static_cast<uint8_t>(TValueType::vaInt16);
    size = 2;
  } else if (value >= INT32_MIN && value <= INT32_MAX) {
    b[0] = static_cast<uint8_t>(TValueType::vaInt32);
    size = 4;
  } else {
    b[0] = static_cast<uint8_t>(TValueType::vaInt64);
    size = 8;
  }
  PutLE(b + 1, static_cast<uint64_t>(value), size);
  Write(b, size + 1);
}

void TWriter::WriteFloat(long double value) {
  uint8_t b[11];
  b[0] = static_cast<uint8_t>(TValueType::vaExtended);
  EncodeExtended(value, b + 1);
  Write(b, 11);
}

void TWriter::WriteSingle(float value) {
  uint8_t b[5];
  b[0] = static_cast<uint8_t>(TValueType::vaSingle);
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  PutLE(b + 1, bits, 4);
  Write(b, 5);
}

void TWriter::WriteCurrency(int64_t scaled) {
  uint8_t b[9];
  b[0] = static_cast<uint8_t>(TValueType::vaCurrency);
  PutLE(b + 1, static_cast<uint64_t>(scaled), 8);
  Write(b, 9);
}

void TWriter::WriteDate(double value) {
  uint8_t b[9];
  b[0] = static_cast<uint8_t>(TValueType::vaDate);
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  PutLE(b + 1, bits, 8);
  Write(b, 9);
}

void TWriter::WriteString(const std::string& s) {
  if (s.size() <= 255) {
    WriteValue(TValueType::vaString);
    WriteStr(s);
    return;
  }
  if (s.size() > UINT32_MAX) throw EWriteError("String too long for the form data");
  uint8_t b[5];
  b[0] = static_cast<uint8_t>(TValueType::vaLString);
  PutLE(b + 1, s.size(), 4);
  Write(b, 5);
  for (size_t done = 0; done < s.size();) {
    auto n = static_cast<int32_t>(std::min<size_t>(s.size() - done, INT32_MAX));
    Write(s.data() + done, n);
    done += static_cast<size_t>(n);
  }
}

void TWriter::WriteIdent(const std::string& ident) {
  if (SameText(ident, "False")) {
    WriteValue(TValueType::vaFalse);
  } else if (SameText(ident, "True")) {
    WriteValue(TValueType::vaTrue);
  } else if (SameText(ident, "nil")) {
    WriteValue(TValueType::vaNil);
  } else {
    WriteValue(TValueType::vaIdent);
    WriteStr(ident);
  }
}

void TWriter::WriteBoolean(bool value) {
  WriteValue(value ? TValueType::vaTrue : TValueType::vaFalse);
}

void TWriter::WriteSet(const std::vector<std::string>& members) {
  WriteValue(TValueType::vaSet);
  for (const auto& m : members) {
    if (m.empty()) throw EWriteError("Empty set member name");
    WriteStr(m);
  }
  WriteStr({});
}

void TWriter::WriteBinary(const void* data, uint32_t size) {
  uint8_t b[5];
  b[0] = static_cast<uint8_t>(TValueType::vaBinary);
  PutLE(b + 1, size, 4);
  Write(b, 5);
  auto* p = static_cast<const uint8_t*>(data);
  for (uint32_t done = 0; done < size;) {
    auto n = static_cast<int32_t>(std::min<uint32_t>(size - done, INT32_MAX));
    Write(p + done, n);
    done += static_cast<uint32_t>(n);
  }
}

void TWriter::WriteListBegin() {
  WriteValue(TValueType::vaList);
}

void TWriter::WriteListEnd() {
  WriteValue(TValueType::vaNull);
}

void TWriter::WritePropName(const std::string& name) {
  WriteStr(name);
}

void TWriter::WriteRootComponent(TComponent* root) {
  root_ = root;
  WriteSignature();
  WriteComponent(root);
}

void TWriter::WriteComponent(TComponent* component) {
  if (root_ == nullptr) root_ = component;
  if (component_depth_ >= kMaxComponentDepth) throw EWriteError("Components nested too deeply");
  ++component_depth_;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{component_depth_};
  WriteStr(component->ClassName());
  WriteStr(component->Name());
  WriteProperties(*component, {}, 0);
  WriteListEnd();
  component->GetChildren([this](TComponent* child) { WriteComponent(child); }, root_);
  WriteListEnd();
}

void TWriter::WriteProperties(TObject& instance, const std::string& prefix, int depth) {
  if (depth > kMaxObjectDepth)
    throw EWriteError(Format("Objects nested too deeply at %s", prefix.c_str()));
  bool is_component = prefix.empty() && Is<TComponent>(&instance);
  for (const TPropInfo* prop : instance.ClassType()->AllProps()) {
    if (!prop->Writable()) continue;
    // A component's name is stored in its header, not as a property.
    if (is_component && SameText(prop->Name, "Name")) continue;
    WriteProperty(instance, *prop, prefix, depth);
  }
  if (auto* persistent = dynamic_cast<TPersistent*>(&instance)) {
    std::string saved = prefix_;
    prefix_ = prefix;
    try {
      persistent->DefineProperties(*this);
    } catch (...) {
      prefix_ = saved;
      throw;
    }
    prefix_ = saved;
  }
}

void TWriter::WriteProperty(TObject& instance, const TPropInfo& prop, const std::string& prefix,
                            int depth) {
  std::string name = prefix + prop.Name;
  switch (prop.Kind) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkInt64:
    case TTypeKind::tkBool:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkColor:
    case TTypeKind::tkSet: {
      int64_t v = prop.GetOrd(instance);
      if (prop.Default && v == *prop.Default) return;
      WritePropName(name);
      if (prop.Kind == TTypeKind::tkBool) {
        WriteBoolean(v != 0);
      } else if (prop.Kind == TTypeKind::tkSet) {
        std::vector<std::string> members;
        int bits = std::min(prop.OrdSize * 8, 64);
        auto mask = static_cast<uint64_t>(v);
        for (int i = 0; i < 64; ++i) {
          if ((mask >> i & 1) == 0) continue;
          const std::string* member = prop.Names && i < bits ? prop.Names->NameOf(i) : nullptr;
          if (member == nullptr)
            throw EWriteError(Format("Set %s holds member %d, which has no name", name.c_str(), i));
          members.push_back(*member);
        }
        WriteSet(members);
      } else if ((prop.Kind == TTypeKind::tkEnumeration || prop.Kind == TTypeKind::tkColor) &&
                 prop.Names != nullptr && prop.Names->NameOf(v) != nullptr) {
        WriteIdent(*prop.Names->NameOf(v));
      } else {
        WriteInteger(v);
      }
      break;
    }
    case TTypeKind::tkFloat: {
      long double v = prop.GetFloat(instance);
      if (prop.Default && v == static_cast<long double>(*prop.Default)) return;
      WritePropName(name);
      if (prop.FloatSize == 4)
        WriteSingle(static_cast<float>(v));
      else
        WriteFloat(v);
      break;
    }
    case TTypeKind::tkString: {
      std::string v = prop.GetStr(instance);
      if (v.empty()) return;
      WritePropName(name);
      WriteString(v);
      break;
    }
    case TTypeKind::tkClass: {
      TObject* nested = prop.GetObj(instance);
      if (nested != nullptr) WriteProperties(*nested, name + ".", depth + 1);
      break;
    }
    case TTypeKind::tkComponent: {
      auto* target = dynamic_cast<TComponent*>(prop.GetObj(instance));
      if (target == nullptr || target->Name().empty()) return;
      WritePropName(name);
      WriteIdent(target->Name());
      break;
    }
    case TTypeKind::tkMethod: {
      TMethodBinding binding = prop.GetMethod(instance);
      // Only a handler bound by name to a method of the root can be stored.
      if (binding.Object == nullptr || binding.Name.empty() || binding.Object != root_) return;
      WritePropName(name);
      WriteIdent(binding.Name);
      break;
    }
  }
}

void TWriter::DefineProperty(const std::string& name, std::function<void(TReader&)>,
                             std::function<void(TWriter&)> write, bool has_data) {
  if (!has_data || !write) return;
  WritePropName(prefix_ + name);
  // The writer may define nested properties of its own; keep the prefix.
  std::string saved = prefix_;
  write(*this);
  prefix_ = saved;
}

void TWriter::DefineBinaryProperty(const std::string& name, std::function<void(TStream&)>,
                                   std::function<void(TStream&)> write, bool has_data) {
  if (!has_data || !write) return;
  TMemoryStream data;
  write(data);
  if (data.Size() > UINT32_MAX) throw EWriteError("Binary property too large for the form data");
  WritePropName(prefix_ + name);
  WriteBinary(data.Memory(), static_cast<uint32_t>(data.Size()));
}
