// TJPEGBitmap: a bitmap graphic registered for the "jpg" and "jpeg" picture
// formats, and the unit initialisation of Zeljpeg.
#pragma once

#include <string>

#include "platform/graphics/Graphics.h"
#include "zeljpeg/Export.h"

class TJPEGStreamDecompressor;
class TJPEGStreamCompressor;

// The unit's shared stream instances: each holds the earliest-constructed
// live instance of its class (nil until one is constructed). Only the stream
// classes' constructors and destructors write them (atomically, so that
// instances may be constructed on several threads); they are defined with
// those classes.
extern ZELJPEG_API TJPEGStreamDecompressor* SharedStreamDecompressor;
extern ZELJPEG_API TJPEGStreamCompressor* SharedStreamCompressor;

// A bitmap that reads and writes JPEG through streams. Creation, destruction,
// the palette and handle setters and the stored-data reader and writer (a
// plain BMP file, as for TBitmap, never JPEG) are the bitmap's; LoadFromFile
// is TGraphic's (opens the file read-only, then LoadFromStream), so it always
// decodes JPEG.
//
// Loads and saves borrow the unit's shared stream instances,
// SharedStreamDecompressor and SharedStreamCompressor, constructing one with
// no owner (and default settings) when the variable is nil; an instance so
// constructed becomes the shared one and stays alive for the program's life
// (unless application code destroys it). An instance that application code
// constructed first is used with its own settings and events and is never
// freed here. Settings therefore carry over from one load or save to the
// next. While a load or save runs, the instance it uses holds one extra owned
// component, a sentinel that tells the bitmap whether the instance is still
// alive afterwards; the bitmap never touches an instance destroyed meanwhile.
//
// Only one load or save may use a shared instance at a time: starting one
// while that instance is Busy(), that is mid-conversion (for instance from
// its own progress handler), raises Exception "The JPEG decompressor is busy
// with another image" or "The JPEG compressor is busy with another image"
// and touches nothing. A stream that application code attached to the
// instance and never closed does not make it busy; the load replaces it.
// Destroying the shared instance from the bitmap's OnChange handler, or
// between operations, is safe: the next operation takes (or constructs) the
// instance that is shared then. Destroying it from inside its own event
// handlers while it decodes or encodes is not allowed, as for any component.
//
// Threads: the shared instance serves only the thread that constructed it.
// On any other thread a load or save constructs an instance of its own with
// a copy of the shared instance's settings (AssignSettings: options, limits,
// quality, tables, comment, trace level) and none of its event handlers, and
// frees it at the end; so loads and saves on several threads run at once,
// never fail as busy because of each other, and the shared instance's
// handlers run only on its own thread. Warnings of such a copy go to the
// warning box, which off the forms' thread is one line on standard error.
// The shared instance's settings are copied under a lock while it is idle,
// or from a snapshot taken when its current TJPEGBitmap conversion began;
// change them, or convert with it directly, on its own thread while no load
// or save runs elsewhere, and destroy it only when none runs.
class ZELJPEG_API TJPEGBitmap : public TBitmap {
  VASK_CLASS(TJPEGBitmap, TBitmap)
 public:
  TJPEGBitmap() = default;

  // Creates file_name (replacing an existing file) and saves into it: JPEG
  // when the extension is ".jpg" or ".jpeg" in any letter case, otherwise a
  // BMP file. A JPEG save of an empty bitmap, or while the shared compressor
  // is busy, raises before the file is created (see
  // TJPEGCompressor::CheckBitmap). Raises EFCreateError "Cannot create file
  // %s" when the file cannot be created, and what SaveToStream raises; the
  // file is closed in every case, and SaveAsBitmap() is false again
  // afterwards.
  void SaveToFile(const std::string& file_name) override;
  // Decodes the JPEG data at the stream's position with the shared
  // decompressor (ReadWinBitmap: the output type follows the display and the
  // decompressor's GrayScaleOutput) and replaces image and palette, signalling
  // two changes once both are in place. Never falls back to reading BMP data.
  // Raises the codec's errors as Exception with the codec's message (e.g.
  // "Not a JPEG file: starts with 0x42 0x4d" for a BMP file), the stream's
  // errors, and "User Interrupt" after an abort; the bitmap keeps its image
  // and palette then. The stream's position ends up past the JPEG data by the
  // bytes read ahead (at most the decompressor's buffer size).
  void LoadFromStream(TStream& stream) override;
  // Writes a BMP file while SaveAsBitmap() is true; otherwise compresses the
  // bitmap with the shared compressor (SaveBitMapToStream) from the stream's
  // position. Raises the compressor's and the stream's errors; what was
  // written before an error stays in the stream.
  void SaveToStream(TStream& stream) override;

  // True only while SaveToFile writes a BMP file.
  bool SaveAsBitmap() const { return FSaveAsBitmap; }
  // The stream instances used by the most recent load and save; not owned.
  // Null when that instance was destroyed during the operation; an instance
  // destroyed later is not noticed, so use these only while you know the
  // instance is alive (e.g. it is still the shared one).
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
ZELJPEG_API void InitZeljpegUnit();
