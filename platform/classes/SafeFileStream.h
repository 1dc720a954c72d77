// TSafeFileStream: writes a file so that it is replaced only by complete
// content. Saves that can fail half-way (a full disk, a file-size limit, an
// error while the content is made) use it so that an existing file survives.
#pragma once

#include <string>

#include "platform/Export.h"
#include "platform/classes/Streams.h"

// A stream over a new temporary file in the folder of file_name. Commit()
// puts the temporary file in file_name's place (replacing an existing file
// in one step, keeping its permissions); a stream destroyed without a
// successful Commit() removes its temporary file, leaving file_name as it
// was. Messages name file_name, not the temporary file.
class PLATFORM_API TSafeFileStream : public TFileStream {
  VASK_CLASS(TSafeFileStream, TFileStream)
 public:
  // Creates the temporary file. Raises EFCreateError "Cannot create file
  // <file_name>" when it cannot (a missing folder, no permission).
  explicit TSafeFileStream(const std::string& file_name);
  ~TSafeFileStream() override;

  // Writes the content to the disk, closes the file and renames it to
  // file_name. Raises EWriteError "Cannot write <file_name>: <the system's
  // reason>" when any step fails; the temporary file is removed then. The
  // stream takes no more bytes afterwards.
  void Commit();

 private:
  struct TTemporary {
    int fd;
    std::string name;
  };
  // Creates "<file_name>.<process>-<n>.tmp", the first such name that is
  // free; fd is -1 when none can be created.
  static TTemporary CreateTemporary(const std::string& file_name);
  TSafeFileStream(const std::string& file_name, TTemporary temporary);

  std::string temp_name_;
  bool done_ = false;  // committed, or the temporary file removed
};
