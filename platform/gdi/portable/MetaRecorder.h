// Internal to the portable graphics API: the record writer behind a DC made by
// CreateEnhMetaFileA. Drawing calls on such a DC append EMF records here
// instead of drawing; CloseEnhMetaFile turns them into a metafile.
#pragma once

#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/portable/GdiObjects.h"

namespace gdiport {

// Every recorder is listed while it lives, so that deleting an object on any
// thread can record the deletion in each metafile that uses it; a recorder's
// own mutex keeps such a deletion apart from the recording thread's calls.
class MetaRecorder {
 public:
  MetaRecorder(const RECT* frame, LPCSTR file_name, LPCSTR description);
  ~MetaRecorder();
  MetaRecorder(const MetaRecorder&) = delete;
  MetaRecorder& operator=(const MetaRecorder&) = delete;

  // Forget(object) on every live recorder (DeleteObject, any thread).
  static void ForgetEverywhere(HGDIOBJ object);

  // Appends a record: type, then body (a multiple of 4 bytes is not needed;
  // the record is padded).
  void Record(DWORD type, const void* body, size_t size);
  // A record whose body is 32-bit values.
  void RecordInts(DWORD type, std::initializer_list<int32_t> values);
  // Grows the bounds by the logical rectangle [x0, x1] x [y0, y1] mapped
  // through dc.
  void AddBounds(const Dc& dc, int x0, int y0, int x1, int y1);
  // Records the selection of a pen, brush or palette, creating it in the
  // metafile's object table the first time.
  void Select(HGDIOBJ object);
  // The object is being deleted: records its deletion if the table holds it.
  void Forget(HGDIOBJ object);
  // Records a DIB drawn by StretchDIBits (or a blit converted to a DIB).
  void StretchDib(const Dc& dc, int x, int y, int w, int h, int xs, int ys, int ws, int hs,
                  const BITMAPINFO* info, size_t info_size, const void* bits, size_t bits_size,
                  DWORD rop);
  // Builds the metafile bytes (header, records, EOF); writes the file if a
  // name was given. Returns false if the file cannot be written.
  bool Finish(std::vector<uint8_t>& out);

 private:
  DWORD ObjectIndex(HGDIOBJ object, bool& created);
  // Held by every public call; recursive because they call each other.
  std::recursive_mutex mutex_;
  std::vector<uint8_t> records_;
  DWORD record_count_ = 0;
  bool has_frame_ = false;
  RECT frame_{};
  bool has_bounds_ = false;
  RECTL bounds_{};
  std::string file_name_;
  std::string description_;
  std::map<HGDIOBJ, DWORD> objects_;
  std::vector<bool> used_slots_{true};  // slot 0 is the metafile itself
  std::vector<PALETTEENTRY> last_palette_;
};

}  // namespace gdiport
