// TPicture: holds one graphic of any registered class, and the picture
// format list (file extension -> graphic class).
#pragma once

#include <string>

#include "platform/Export.h"
#include "platform/classes/Classes.h"
#include "platform/graphics/Graphic.h"

class TBitmap;
class TMetafile;
class TIcon;

// One record of the picture format list.
struct PLATFORM_API TFileFormat {
  TClass GraphicClass = nullptr;
  std::string Extension;  // lower-cased, without the dot
  std::string Description;
  int DescResID = 0;  // 0: Description holds the text
  TFileFormat* Next = nullptr;
};

class PLATFORM_API TPicture : public TPersistent {
  VASK_CLASS(TPicture, TPersistent)
 public:
  TPicture() = default;
  ~TPicture() override;

  // The graphic held (null when none); owned by the picture.
  TGraphic* Graphic() const { return graphic_; }
  // Holds a copy of graphic: a new graphic of the same class assigned from
  // it (null: none). The previous graphic is freed. Signals a change.
  void SetGraphic(TGraphic* graphic);
  // The held bitmap (a TBitmap or descendant); when the picture holds
  // something else or nothing, it is replaced with a new empty TBitmap.
  TBitmap* Bitmap();
  // Likewise for metafiles and icons.
  TMetafile* Metafile();
  TIcon* Icon();

  // The graphic's size; 0 when there is none.
  int Width() const;
  int Height() const;

  // Loads file_name into a new graphic of the class registered for its
  // extension (ignoring letter case). Raises EInvalidGraphic "Unknown
  // picture file extension (.xyz)", or what the graphic raises; the picture
  // keeps its graphic then.
  void LoadFromFile(const std::string& file_name);
  // Saves the graphic to file_name; nothing happens when there is none.
  void SaveToFile(const std::string& file_name);

  // From another picture (a copy of its graphic), a graphic (a copy), or
  // null (none).
  void Assign(TPersistent* source) override;
  // Declares the binary property "Data": the graphic's class name as a short
  // string, then the graphic's own stored data. Written when a graphic is held.
  void DefineProperties(TFiler& filer) override;

  // Fires after every change of the picture or its graphic; sender: the picture.
  TNotifyEvent OnChange;

  // The format list. RegisterFileFormat inserts a record at the front, with
  // the extension lower-cased; registering again adds another record.
  // Changes and the lookups below are locked and may come from any thread;
  // records taken out by UnregisterGraphicClass stay allocated until the
  // program ends, so a walk from FileFormats() on another thread can go on.
  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 TClass graphic_class);
  // The list's first record (null when empty); the list owns the records.
  static const TFileFormat* FileFormats();
  // The class of the first record for extension (with or without its dot,
  // any letter case), or null.
  static TClass GraphicClassForExtension(const std::string& extension);
  // Removes every record whose class is graphic_class or descends from it.
  static void UnregisterGraphicClass(TClass graphic_class);

 protected:
  void AssignTo(TPersistent* dest) override;
  // The stored-data reader and writer behind "Data".
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);

 private:
  void Changed();
  // Makes graphic the held one (freeing the previous) and hooks its OnChange.
  void Adopt(TGraphic* graphic);
  template <class T>
  T* Force();

  TGraphic* graphic_ = nullptr;
};
