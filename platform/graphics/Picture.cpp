#include "platform/graphics/Picture.h"

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/Metafile.h"
#include "platform/sysutils/TextCase.h"

namespace {

// The format list; the records live until the program ends. Changes take the
// mutex, and so do the walks of this file; a record taken out of the list is
// kept (in removed) until the end, so that a walk that reached it on another
// thread can go on.
struct FormatList {
  std::mutex mutex;
  TFileFormat* head = nullptr;
  std::vector<std::unique_ptr<TFileFormat>> removed;
  ~FormatList() {
    while (head != nullptr) delete std::exchange(head, head->Next);
  }
};

FormatList& Formats() {
  static FormatList list;
  return list;
}

// A new instance of a graphic class; raises EInvalidGraphic when the class
// cannot be made or is no graphic.
std::unique_ptr<TGraphic> NewGraphic(TClass graphic_class) {
  if (graphic_class == nullptr || !graphic_class->Create ||
      !graphic_class->InheritsFrom(TGraphic::StaticClass()))
    throw EInvalidGraphic("Invalid graphic class");
  return std::unique_ptr<TGraphic>(static_cast<TGraphic*>(graphic_class->Create(nullptr)));
}

constexpr size_t kMaxClassName = 63;

}  // namespace

VASK_DEFINE_CLASS(TPicture)

TPicture::~TPicture() {
  delete graphic_;
}

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::Adopt(TGraphic* graphic) {
  delete std::exchange(graphic_, graphic);
  if (graphic_ != nullptr) graphic_->OnChange = [this](TObject*) { Changed(); };
}

void TPicture::SetGraphic(TGraphic* graphic) {
  if (graphic == graphic_ && graphic != nullptr) return;
  std::unique_ptr<TGraphic> copy;
  if (graphic != nullptr) {
    copy = NewGraphic(graphic->ClassType());
    copy->Assign(graphic);
  }
  Adopt(copy.release());
  Changed();
}

template <class T>
T* TPicture::Force() {
  if (!Is<T>(graphic_)) {
    Adopt(new T());
    Changed();
  }
  return static_cast<T*>(graphic_);
}

TBitmap* TPicture::Bitmap() {
  return Force<TBitmap>();
}

TMetafile* TPicture::Metafile() {
  return Force<TMetafile>();
}

TIcon* TPicture::Icon() {
  return Force<TIcon>();
}

int TPicture::Width() const {
  return graphic_ != nullptr ? graphic_->Width() : 0;
}

int TPicture::Height() const {
  return graphic_ != nullptr ? graphic_->Height() : 0;
}

void TPicture::LoadFromFile(const std::string& file_name) {
  const size_t dot = file_name.find_last_of('.');
  const size_t separator = file_name.find_last_of("/\\:");
  std::string extension;
  if (dot != std::string::npos && (separator == std::string::npos || dot > separator))
    extension = file_name.substr(dot + 1);
  TClass graphic_class = GraphicClassForExtension(extension);
  if (graphic_class == nullptr)
    throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", extension.c_str()));
  std::unique_ptr<TGraphic> graphic = NewGraphic(graphic_class);
  graphic->LoadFromFile(file_name);
  Adopt(graphic.release());
  Changed();
}

void TPicture::SaveToFile(const std::string& file_name) {
  if (graphic_ != nullptr) graphic_->SaveToFile(file_name);
}

void TPicture::Assign(TPersistent* source) {
  if (source == nullptr) {
    SetGraphic(nullptr);
  } else if (auto* picture = dynamic_cast<TPicture*>(source)) {
    if (picture != this) SetGraphic(picture->graphic_);
  } else if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
    SetGraphic(graphic);
  } else {
    inherited::Assign(source);
  }
}

void TPicture::AssignTo(TPersistent* dest) {
  if (auto* graphic = dynamic_cast<TGraphic*>(dest)) {
    graphic->Assign(graphic_);
    return;
  }
  inherited::AssignTo(dest);
}

void TPicture::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); },
      graphic_ != nullptr);
}

void TPicture::ReadData(TStream& stream) {
  uint8_t length = 0;
  stream.ReadBuffer(&length, 1);
  std::string name(length, '\0');
  stream.ReadBuffer(name.data(), length);
  // Names longer than a class name can be match no class.
  if (name.size() > kMaxClassName) return;
  TClass graphic_class = nullptr;
  {
    std::lock_guard<std::mutex> lock(Formats().mutex);
    for (const TFileFormat* f = Formats().head; f != nullptr; f = f->Next) {
      if (f->GraphicClass != nullptr && f->GraphicClass->Name == name) {
        graphic_class = f->GraphicClass;
        break;
      }
    }
  }
  if (graphic_class == nullptr) return;
  std::unique_ptr<TGraphic> graphic = NewGraphic(graphic_class);
  graphic->ReadData(stream);
  Adopt(graphic.release());
  Changed();
}

void TPicture::WriteData(TStream& stream) {
  if (graphic_ == nullptr) return;
  const std::string& name = graphic_->ClassName();
  if (name.size() > 255) throw EWriteError(Format("Class name too long: %s", name.c_str()));
  const uint8_t length = static_cast<uint8_t>(name.size());
  stream.WriteBuffer(&length, 1);
  stream.WriteBuffer(name.data(), length);
  graphic_->WriteData(stream);
}

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TClass graphic_class) {
  auto* record = new TFileFormat;
  record->GraphicClass = graphic_class;
  record->Extension = LowerCase(extension);
  record->Description = description;
  record->DescResID = 0;
  std::lock_guard<std::mutex> lock(Formats().mutex);
  record->Next = Formats().head;
  Formats().head = record;
}

const TFileFormat* TPicture::FileFormats() {
  std::lock_guard<std::mutex> lock(Formats().mutex);
  return Formats().head;
}

TClass TPicture::GraphicClassForExtension(const std::string& extension) {
  std::string wanted = LowerCase(extension);
  if (!wanted.empty() && wanted[0] == '.') wanted.erase(0, 1);
  std::lock_guard<std::mutex> lock(Formats().mutex);
  for (const TFileFormat* f = Formats().head; f != nullptr; f = f->Next)
    if (f->Extension == wanted) return f->GraphicClass;
  return nullptr;
}

void TPicture::UnregisterGraphicClass(TClass graphic_class) {
  std::lock_guard<std::mutex> lock(Formats().mutex);
  TFileFormat** link = &Formats().head;
  while (*link != nullptr) {
    TFileFormat* record = *link;
    if (record->GraphicClass != nullptr && record->GraphicClass->InheritsFrom(graphic_class)) {
      *link = record->Next;
      Formats().removed.emplace_back(record);
    } else {
      link = &record->Next;
    }
  }
}
