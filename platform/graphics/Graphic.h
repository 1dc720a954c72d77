// TGraphic, the abstract base of the picture classes (bitmap, metafile,
// icon), and EInvalidGraphic.
#pragma once

#include <string>

#include "platform/Export.h"
#include "platform/classes/Classes.h"
#include "platform/classes/Streams.h"
#include "platform/gdi/Gdi.h"

class TCanvas;
class TPicture;

// Raised for picture data that cannot be read: a bad BMP ("Bitmap image is
// not valid"), icon or metafile, or an unknown picture file extension.
class PLATFORM_API EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};
// Throws EInvalidGraphic "Bitmap image is not valid".
[[noreturn]] PLATFORM_API void InvalidBitmap();

// An image that can be loaded from and saved to streams and files, drawn on a
// canvas, and stored in a form description.
class PLATFORM_API TGraphic : public TPersistent {
  VASK_CLASS(TGraphic, TPersistent)
 public:
  TGraphic() = default;

  // Replaces the image with one read from the stream's current position.
  // Raises EInvalidGraphic for bad data and the stream's errors; the graphic
  // keeps its old image then.
  virtual void LoadFromStream(TStream& stream) = 0;
  // Writes the image at the stream's position (an empty graphic writes
  // nothing). Raises the stream's errors.
  virtual void SaveToStream(TStream& stream) = 0;
  // Opens file_name read-only and calls LoadFromStream. Raises EFOpenError.
  virtual void LoadFromFile(const std::string& file_name);
  // Creates (or truncates) file_name and calls SaveToStream; the file is
  // closed also when saving fails. Raises EFCreateError.
  virtual void SaveToFile(const std::string& file_name);

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  // True when the graphic holds no image.
  virtual bool Empty() const = 0;

  // Set by every change; the owner may clear it.
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

  // Fires after every change of the image; the sender is the graphic.
  TNotifyEvent OnChange;

  // Declares the binary property "Data": the graphic's own stored data.
  void DefineProperties(TFiler& filer) override;

 protected:
  friend class TCanvas;
  friend class TPicture;

  // Sets Modified and fires OnChange.
  void Changed();
  // Draws the image scaled into rect on the canvas.
  virtual void Draw(TCanvas& canvas, const RECT& rect) = 0;
  // The graphic's own stored data (what a picture's "Data" holds after the
  // class name). The default reads and writes the graphic's file format.
  virtual void ReadData(TStream& stream);
  virtual void WriteData(TStream& stream);

 private:
  bool modified_ = false;
};

using TGraphicClass = TClass;
