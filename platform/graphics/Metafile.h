// TMetafile: an enhanced metafile graphic, and TMetafileCanvas, which records
// a new one.
#pragma once

#include <string>
#include <vector>

#include "platform/Export.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/MetafileReport.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Graphic.h"

class PLATFORM_API TMetafile : public TGraphic {
  VASK_CLASS(TMetafile, TGraphic)
 public:
  TMetafile() = default;
  ~TMetafile() override;

  // Copies a metafile (a copy of its records); null empties this one. Other
  // sources raise EConvertError.
  void Assign(TPersistent* source) override;

  // The metafile handle (null when empty); owned by the metafile.
  HENHMETAFILE Handle() const { return handle_; }
  // Takes ownership of metafile (null empties), frees the previous one and
  // takes the size from its frame. Signals a change.
  void SetHandle(HENHMETAFILE metafile);
  // Gives the handle up to the caller; the metafile is empty afterwards.
  HENHMETAFILE ReleaseHandle();
  // A palette made from the metafile's palette entries, or null when it has
  // none; owned by the metafile.
  HPALETTE Palette();

  // The frame's size in screen pixels (96 per inch); 0 when empty.
  int Width() const override;
  int Height() const override;
  // Change the frame's size (kept in .01 mm; written into saved files).
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  // The frame's size in .01 mm.
  int MMWidth() const { return mm_width_; }
  int MMHeight() const { return mm_height_; }
  bool Empty() const override { return handle_ == nullptr; }

  // Reads a metafile from the stream's position: an EMF file (exactly the
  // size its header gives), or a Windows (16-bit) metafile with or without
  // the placeable header, converted as SetWinMetaFileBits does (the
  // placeable header gives the size; without it the window extent is taken
  // as pixels). Raises EInvalidGraphic "Metafile is not valid" for bad data.
  void LoadFromStream(TStream& stream) override;
  // Writes the EMF file, or when Enhanced() is false a Windows metafile with
  // the placeable header (at 1440 units per inch of the frame). An empty
  // metafile writes nothing. A metafile that the graphics layer cannot turn
  // into a Windows metafile raises EInvalidGraphic.
  void SaveToStream(TStream& stream) override;
  // As the stream, with Enhanced() chosen by the extension for ".wmf" and
  // ".emf" (any case).
  void SaveToFile(const std::string& file_name) override;

  // Whether saving writes an enhanced metafile (true after loading an EMF
  // or recording) or a Windows metafile (after loading one).
  bool Enhanced() const { return enhanced_; }
  void SetEnhanced(bool enhanced) { enhanced_ = enhanced; }

  // Plays the metafile into dc, scaled onto rect, as PlayEnhMetaFile does,
  // and remembers the records that could not be drawn. Returns
  // PlayEnhMetaFile's result (GetLastError tells why it failed; an empty
  // metafile fails as a missing one does, ERROR_INVALID_HANDLE).
  BOOL Play(HDC dc, const RECT& rect);
  // The records that the last Play (or Draw) could not draw, by type; empty
  // when everything was drawn.
  const std::vector<TUndrawnRecord>& SkippedRecords() const { return skipped_; }

 protected:
  void Draw(TCanvas& canvas, const RECT& rect) override;
  // Stored data: the EMF file; no bytes at all for an empty metafile.
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) override;

 private:
  void Replace(HENHMETAFILE metafile);

  void LoadWinMetafile(TStream& stream, int64_t available);

  HENHMETAFILE handle_ = nullptr;
  HPALETTE palette_ = nullptr;
  int mm_width_ = 0;
  int mm_height_ = 0;
  bool enhanced_ = true;
  std::vector<TUndrawnRecord> skipped_;
};

// A canvas that records drawing into a new enhanced metafile. When the
// canvas is destroyed the recording ends and the metafile takes the result
// (its previous content is replaced). The frame is the metafile's size when
// it has one, else the bounds of what was drawn.
class PLATFORM_API TMetafileCanvas : public TCanvas {
  VASK_CLASS(TMetafileCanvas, TCanvas)
 public:
  // reference: the device whose resolution the recording uses (null: the
  // screen). Raises EInvalidOperation when recording cannot start.
  TMetafileCanvas(TMetafile* metafile, HDC reference);
  ~TMetafileCanvas() override;

 private:
  TMetafile* metafile_;
  HDC recording_;
};
