// Byte streams: memory, file and resource streams, short transfers, seeks
// and the errors with their messages.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/classes/SafeFileStream.h"
#include "platform/classes/Streams.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Content(TMemoryStream& m) {
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

template <class E>
std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "<no exception>";
}

TEST(MemoryStream, ReadsWritesAndSeeksFromEachOrigin) {
  TMemoryStream m;
  EXPECT_EQ(m.Write("hello world", 11), 11);
  EXPECT_EQ(m.Position(), 11);
  EXPECT_EQ(m.Size(), 11);
  EXPECT_EQ(m.Seek(-5, soFromEnd), 6);
  char buf[16] = {};
  EXPECT_EQ(m.Read(buf, 16), 5);  // short read at the end
  EXPECT_STREQ(buf, "world");
  EXPECT_EQ(m.Read(buf, 4), 0);
  EXPECT_EQ(m.Seek(0, soFromBeginning), 0);
  EXPECT_EQ(m.Seek(3, soFromCurrent), 3);
  EXPECT_EQ(m.Seek(-1, soFromCurrent), 2);
  EXPECT_EQ(m.Read(buf, 3), 3);
  EXPECT_EQ(std::string(buf, 3), "llo");
  // Negative counts transfer nothing.
  EXPECT_EQ(m.Read(buf, -1), 0);
  EXPECT_EQ(m.Write(buf, -7), 0);
  EXPECT_EQ(m.Position(), 5);
  EXPECT_EQ(m.Size(), 11);
}

TEST(MemoryStream, NegativeSeeksFailAndKeepThePosition) {
  TMemoryStream m;
  m.WriteBuffer("abcd", 4);
  m.SetPosition(2);
  EXPECT_THROW(m.Seek(-1, soFromBeginning), EStreamError);
  EXPECT_THROW(m.Seek(-3, soFromCurrent), EStreamError);
  EXPECT_THROW(m.Seek(-5, soFromEnd), EStreamError);
  EXPECT_THROW(m.Seek(0, 3), EStreamError);
  EXPECT_THROW(m.Seek(INT64_MAX, soFromCurrent), EStreamError);
  EXPECT_EQ(m.Position(), 2);
}

TEST(MemoryStream, SeekPastTheEndReadsNothingAndAWriteThereFillsTheGapWithZeros) {
  TMemoryStream m;
  m.WriteBuffer("ab", 2);
  EXPECT_EQ(m.Seek(5, soFromBeginning), 5);
  char c;
  EXPECT_EQ(m.Read(&c, 1), 0);
  EXPECT_EQ(m.Size(), 2);
  m.WriteBuffer("z", 1);
  EXPECT_EQ(Content(m), std::string("ab\0\0\0z", 6));
  m.SetSize(1);
  EXPECT_EQ(m.Position(), 1);
  EXPECT_EQ(Content(m), "a");
  m.SetSize(3);
  EXPECT_EQ(Content(m), std::string("a\0\0", 3));
  EXPECT_THROW(m.SetSize(-1), EStreamError);
  // A write far past the end fails cleanly instead of asking for the memory.
  m.Seek(INT64_MAX - 1, soFromBeginning);
  EXPECT_THROW(m.Write("x", 1), EOutOfMemory);
  EXPECT_EQ(m.Size(), 3);
}

TEST(MemoryStream, ReadBufferRaisesOnAShortReadAndCopyFromCopies) {
  TMemoryStream m;
  m.WriteBuffer("0123456789", 10);
  m.SetPosition(8);
  char buf[4];
  try {
    m.ReadBuffer(buf, 4);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  m.ReadBuffer(buf, 0);

  TMemoryStream dest;
  m.SetPosition(7);
  EXPECT_EQ(dest.CopyFrom(m, 2), 2);
  EXPECT_EQ(Content(dest), "78");
  EXPECT_EQ(dest.CopyFrom(m, 0), 10);  // 0: everything, from the start
  EXPECT_EQ(Content(dest), "780123456789");
  m.SetPosition(9);
  EXPECT_THROW(dest.CopyFrom(m, 5), EReadError);
}

TEST(FileStream, CreateWriteReopenReadAndSeek) {
  TempDir dir;
  std::string name = dir.File("data.bin");
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("abcdef", 6);
    EXPECT_EQ(f.Size(), 6);
    EXPECT_EQ(f.Position(), 6);
    EXPECT_EQ(f.Seek(1, soFromBeginning), 1);
    char buf[2];
    f.ReadBuffer(buf, 2);  // fmCreate opens for reading too
    EXPECT_EQ(std::string(buf, 2), "bc");
  }
  EXPECT_EQ(ReadFileBytes(name), "abcdef");
  {
    TFileStream f(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(f.FileName(), name);
    EXPECT_EQ(f.Seek(-2, soFromEnd), 4);
    char buf[8];
    EXPECT_EQ(f.Read(buf, 8), 2);
    EXPECT_THROW(f.Seek(-10, soFromCurrent), EStreamError);
    EXPECT_EQ(f.Position(), 6);
    EXPECT_EQ(f.Seek(100, soFromBeginning), 100);  // past the end is allowed
    EXPECT_EQ(f.Read(buf, 8), 0);
    EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);  // opened read-only
  }
  {
    TFileStream f(name, fmOpenReadWrite | fmShareExclusive);
    f.Seek(0, soFromEnd);
    f.WriteBuffer("g", 1);
    f.SetSize(3);
    EXPECT_EQ(f.Position(), 3);
  }
  EXPECT_EQ(ReadFileBytes(name), "abc");
  {
    TFileStream f(name, fmCreate);  // truncates
  }
  EXPECT_EQ(ReadFileBytes(name), "");
}

TEST(FileStream, OpenAndCreateErrorsNameTheFile) {
  TempDir dir;
  std::string missing = dir.File("missing.txt");
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream f(missing, fmOpenRead); }),
            "Cannot open file " + missing);
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream f(dir.Path(), fmOpenRead); }),
            "Cannot open file " + dir.Path());
  std::string bad = dir.File("no/such/dir.txt");
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream f(bad, fmCreate); }),
            "Cannot create file " + bad);
  TMemoryStream m;
  EXPECT_THROW(m.LoadFromFile(missing), EFOpenError);
  EXPECT_THROW(m.SaveToFile(bad), EFCreateError);
}

TEST(FileStream, MemoryStreamSavesAndLoadsFiles) {
  TempDir dir;
  TMemoryStream m;
  m.WriteBuffer("payload", 7);
  m.SaveToFile(dir.File("p"));
  TMemoryStream n;
  n.WriteBuffer("old content", 11);
  n.LoadFromFile(dir.File("p"));
  EXPECT_EQ(Content(n), "payload");
  EXPECT_EQ(n.Position(), 0);
}

// The suite embeds tests/data/resource-bytes.txt ("resource bytes") as the
// RCDATA resources "STREAMTEST" and 4711.
TEST(FileStream, AFailedWriteNamesTheFileAndTheReason) {
#ifdef _WIN32
  GTEST_SKIP() << "no device that is always full";
#else
  TFileStream full("/dev/full", fmOpenWrite);
  EXPECT_EQ(MessageOf<EWriteError>([&] { full.WriteBuffer("x", 1); }),
            "Cannot write /dev/full: No space left on device");
#endif
}

// The old file stays until Commit; then the new content replaces it with
// the old file's permissions. No temporary file is left either way.
TEST(SafeFileStream, ReplacesTheFileOnlyOnCommit) {
  TempDir dir;
  const std::string name = dir.File("a.bin");
  WriteFileBytes(name, "old");
#ifndef _WIN32
  ::chmod(name.c_str(), 0640);
#endif
  {
    TSafeFileStream s(name);
    s.WriteBuffer("new", 3);
  }
  EXPECT_EQ(ReadFileBytes(name), "old");
  {
    TSafeFileStream s(name);
    s.WriteBuffer("new", 3);
    s.Commit();
  }
  EXPECT_EQ(ReadFileBytes(name), "new");
#ifndef _WIN32
  struct stat st {};
  ::stat(name.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
#endif
  {
    TSafeFileStream s(dir.File("fresh.bin"));
    s.Commit();
  }
  EXPECT_EQ(ReadFileBytes(dir.File("fresh.bin")), "");
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  const std::string missing = dir.File("no/such/dir/b.bin");
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TSafeFileStream s(missing); }),
            "Cannot create file " + missing);
}

TEST(ResourceStream, ReadsByNameAndIdAndRefusesWrites) {
  {
    TResourceStream r(HInstance, "StreamTest", MAKEINTRESOURCEA(10));
    EXPECT_EQ(r.Size(), 14);
    char buf[32] = {};
    EXPECT_EQ(r.Read(buf, 32), 14);
    EXPECT_STREQ(buf, "resource bytes");
    EXPECT_EQ(r.Seek(-5, soFromEnd), 9);
    EXPECT_THROW(r.Seek(-1, soFromBeginning), EStreamError);
    EXPECT_EQ(r.Position(), 9);
    EXPECT_EQ(MessageOf<EStreamError>([&] { r.Write("x", 1); }),
              "Can't write to a read-only resource stream");
    EXPECT_THROW(r.WriteBuffer("x", 1), EStreamError);
    EXPECT_THROW(r.SetSize(3), EStreamError);
  }
  {
    TResourceStream r(HInstance, 4711, MAKEINTRESOURCEA(10));
    EXPECT_EQ(r.Size(), 14);
  }
}

TEST(ResourceStream, MissingResourcesNameTheResource) {
  EXPECT_EQ(MessageOf<EResNotFound>(
                [] { TResourceStream r(HInstance, "NOSUCHRES", MAKEINTRESOURCEA(10)); }),
            "Resource NOSUCHRES not found");
  EXPECT_EQ(
      MessageOf<EResNotFound>([] { TResourceStream r(HInstance, 4712, MAKEINTRESOURCEA(10)); }),
      "Resource 4712 not found");
  EXPECT_EQ(MessageOf<EResNotFound>([] { TResourceStream r(HInstance, -3, MAKEINTRESOURCEA(10)); }),
            "Resource -3 not found");
  EXPECT_EQ(
      MessageOf<EResNotFound>([] { TResourceStream r(HInstance, 70000, MAKEINTRESOURCEA(10)); }),
      "Resource 70000 not found");
}

}  // namespace
