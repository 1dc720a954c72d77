// TJPEGBitmap: a bitmap graphic registered for the "jpg" and "jpeg" picture
// formats, and the unit initialisation of Zeljpeg.
#pragma once

#include <string>

#include "platform/graphics/Graphics.h"

class TJPEGStreamDecompressor;
class TJPEGStreamCompressor;

// The unit's shared stream instances: each holds the earliest-constructed
// live instance of its class (nil until one is constructed). Only the stream
// classes' constructors and destructors write them; they are defined with
// those classes.
extern TJPEGStreamDecompressor* SharedStreamDecompressor;
extern TJPEGStreamCompressor* SharedStreamCompressor;

// A bitmap that reads and writes JPEG through streams. Creation, destruction,
// the palette and handle setters and the stored-data reader and writer (a
// plain BMP file, as for TBitmap) are the bitmap's.
//
// JPEG decoding and encoding are not wired in yet. Until they are:
// - LoadFromStream raises EInvalidGraphic "JPEG loading is not available"
//   (it never falls back to reading BMP data, so a .jpg file is never
//   mistaken for something it is not);
// - SaveToStream writes a BMP file while FSaveAsBitmap is set and otherwise
//   raises EInvalidGraphic "JPEG saving is not available";
// - SaveToFile writes a BMP file for names whose extension is neither ".jpg"
//   nor ".jpeg" (any letter case) and raises for those two.
// Reading a stored picture that names TJPEGBitmap works in full, because that
// path uses the bitmap's own stored-data reader.
class TJPEGBitmap : public TBitmap {
  VASK_CLASS(TJPEGBitmap, TBitmap)
 public:
  TJPEGBitmap() = default;

  // Creates file_name and saves into it; BMP unless the extension is ".jpg"
  // or ".jpeg". Raises EFCreateError when the file cannot be created.
  void SaveToFile(const std::string& file_name) override;
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

  // True only while SaveToFile writes a BMP file.
  bool SaveAsBitmap() const { return FSaveAsBitmap; }
  // The stream instances used by the most recent load and save; not owned.
  TJPEGStreamDecompressor* Decompressor() const { return FDecompressor; }
  TJPEGStreamCompressor* Compressor() const { return FCompressor; }

  // True when the extension of file_name is ".jpg" or ".jpeg", ignoring ASCII
  // letter case. The extension is the text from the last "." when that dot
  // comes after every folder or drive separator ("\", "/", ":"); otherwise
  // the name has none.
  static bool HasJPEGExtension(const std::string& file_name);

 private:
  bool FSaveAsBitmap = false;
  TJPEGStreamDecompressor* FDecompressor = nullptr;
  TJPEGStreamCompressor* FCompressor = nullptr;
};

// The unit initialisation: runs once (a run counter guards it). Initialises
// the graphics unit and the codec binding, then registers TJPEGBitmap in the
// picture format list for "jpg" and then "jpeg", both "JPEG Image", and with
// the class registry.
void InitZeljpegUnit();
