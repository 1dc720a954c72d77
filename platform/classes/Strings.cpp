#include "platform/classes/Strings.h"

#include "platform/classes/Filer.h"

VASK_DEFINE_CLASS(TStrings)
VASK_DEFINE_CLASS(TStringList)

// ---------------------------------------------------------------------------
// TStrings

int TStrings::Add(const std::string& s) {
  int index = Count();
  Insert(index, s);
  return index;
}

void TStrings::AddStrings(const TStrings& strings) {
  BeginUpdate();
  try {
    for (int i = 0; i < strings.Count(); ++i) Add(strings.Get(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Get(i), s)) return i;
  return -1;
}

std::string TStrings::Text() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    text += Get(i);
    text += '\n';
  }
  return text;
}

void TStrings::SetText(const std::string& text) {
  BeginUpdate();
  try {
    Clear();
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) {
        Add(text.substr(start));
        break;
      }
      Add(text.substr(start, end - start));
      start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::BeginUpdate() {
  if (update_count_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::Assign(TPersistent* source) {
  if (auto* other = dynamic_cast<TStrings*>(source)) {
    if (other == this) return;
    BeginUpdate();
    try {
      Clear();
      AddStrings(*other);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(source);
}

void TStrings::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Strings", [this](TReader& reader) { ReadData(reader); },
      [this](TWriter& writer) { WriteData(writer); }, Count() > 0);
}

void TStrings::ReadData(TReader& reader) {
  reader.ReadListBegin();
  // Read the whole list first so that a bad item leaves the lines as they were.
  std::vector<std::string> lines;
  while (!reader.EndOfList()) lines.push_back(reader.ReadString());
  reader.ReadListEnd();
  BeginUpdate();
  try {
    Clear();
    for (const auto& line : lines) Add(line);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::WriteData(TWriter& writer) const {
  writer.WriteListBegin();
  for (int i = 0; i < Count(); ++i) writer.WriteString(Get(i));
  writer.WriteListEnd();
}

// ---------------------------------------------------------------------------
// TStringList

void TStringList::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit) throw EListError(Format("List index out of bounds (%d)", index));
}

std::string TStringList::Get(int index) const {
  CheckIndex(index, Count());
  return items_[static_cast<size_t>(index)];
}

void TStringList::Put(int index, const std::string& s) {
  CheckIndex(index, Count());
  items_[static_cast<size_t>(index)] = s;
  Changed();
}

void TStringList::Insert(int index, const std::string& s) {
  CheckIndex(index, Count() + 1);
  items_.insert(items_.begin() + index, s);
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count());
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

void TStringList::SetUpdateState(bool updating) {
  if (updating) {
    changed_while_updating_ = false;
  } else if (changed_while_updating_) {
    changed_while_updating_ = false;
    if (OnChange) OnChange(this);
  }
}

void TStringList::Changed() {
  if (UpdateCount() > 0)
    changed_while_updating_ = true;
  else if (OnChange)
    OnChange(this);
}
