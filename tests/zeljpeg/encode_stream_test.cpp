// TJPEGStreamCompressor and TJPEGFileCompressor: buffering, streams that
// fail, the shared instance, saves by graphic kind, files, published
// properties.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/gdi/GdiTest.h"
#include "platform/graphics/Graphics.h"
#include "tests/support/TestSupport.h"
#include "tests/zeljpeg/encode_fixtures.h"

using namespace encodetest;

namespace {

// The datastream of dib with a comment chosen so that it is exactly size
// bytes long.
std::string CommentToReach(TJPEGStreamCompressor& c, const Dib& dib, size_t size) {
  c.SetComment("");
  const size_t plain = Compress(c, dib).size();
  EXPECT_GT(size, plain + 4);
  return std::string(size - plain - 4, 'c');
}

std::unique_ptr<TBitmap> SolidBitmap(int width, int height, TColor colour) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(width, height);
  bitmap->Canvas()->Brush()->SetColor(colour);
  const RECT all{0, 0, width, height};
  bitmap->Canvas()->FillRect(all);
  return bitmap;
}

}  // namespace

TEST(EncodeStream, FlushesInWholeBuffersThenTheRest) {
  const Dib dib = Dib24(TestImage(64, 64));
  TJPEGStreamCompressor c(nullptr);
  c.SetComment(CommentToReach(c, dib, 10000));
  TRecordingStream stream;
  c.SaveDIBitmapToStream(stream, dib.Info(), dib.Bits());
  EXPECT_EQ(stream.writes, (std::vector<int32_t>{4096, 4096, 1808}));
  EXPECT_EQ(stream.Size(), 10000);

  // A datastream of exactly two buffers ends with an empty write.
  c.SetComment(CommentToReach(c, dib, 8192));
  TRecordingStream exact;
  c.SaveDIBitmapToStream(exact, dib.Info(), dib.Bits());
  EXPECT_EQ(exact.writes, (std::vector<int32_t>{4096, 4096, 0}));
}

TEST(EncodeStream, WritesFromTheStreamPositionAndLeavesItAtTheEnd) {
  const Dib dib = Dib24(TestImage(16, 16));
  TJPEGStreamCompressor c(nullptr);
  TMemoryStream stream;
  stream.WriteBuffer("prefix", 6);
  c.SaveDIBitmapToStream(stream, dib.Info(), dib.Bits());
  EXPECT_EQ(stream.Position(), stream.Size());
  const std::string all = StreamBytes(stream);
  EXPECT_EQ(all.substr(0, 8), std::string("prefix\xFF\xD8", 8));
  EXPECT_EQ(all.substr(all.size() - 2), "\xFF\xD9");
  EXPECT_EQ(c.Stream(), nullptr);
}

TEST(EncodeStream, SetBufSizeRules) {
  const Dib dib = Dib24(TestImage(64, 64));
  TJPEGStreamCompressor c(nullptr);
  c.SetBufSize(1024);
  EXPECT_EQ(c.BufSize(), 1024);
  TRecordingStream stream;
  c.SaveDIBitmapToStream(stream, dib.Info(), dib.Bits());
  ASSERT_GE(stream.writes.size(), 2u);
  for (size_t i = 0; i + 1 < stream.writes.size(); ++i) EXPECT_EQ(stream.writes[i], 1024);
  EXPECT_LT(stream.writes.back(), 1024);

  // Refused during a compression, whether or not the buffer was just flushed.
  std::vector<std::string> refusals;
  c.OnProgressReport = [&](TObject*) {
    try {
      c.SetBufSize(2048);
    } catch (const Exception& e) {
      refusals.push_back(e.Message());
    }
  };
  const std::string jpeg = Compress(c, dib);
  EXPECT_EQ(refusals.size(), 65u);
  EXPECT_EQ(refusals.front(), "Cannot change buffer size while buffer is in use");
  EXPECT_EQ(c.BufSize(), 1024);
  EXPECT_EQ(DJpegImage(jpeg).width, 64);
  c.OnProgressReport = nullptr;
}

TEST(EncodeStream, NoBufferFailsCleanlyUntilANewSize) {
  const Dib dib = Dib24(TestImage(16, 16));
  TJPEGStreamCompressor c(nullptr);
  EXPECT_THROW(c.SetBufSize(0), EOutOfMemory);
  EXPECT_EQ(c.BufSize(), 0);
  EXPECT_THROW(c.SetBufSize(-5), EOutOfMemory);
  TMemoryStream stream;
  try {
    c.SaveDIBitmapToStream(stream, dib.Info(), dib.Bits());
    ADD_FAILURE() << "compressed without a buffer";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "The compressor has no output buffer");
  }
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_TRUE(c.Idle());
  c.SetBufSize(4096);
  EXPECT_EQ(DJpegImage(Compress(c, dib)).width, 16);
}

TEST(EncodeStream, NoStreamAttachedFailsCleanly) {
  const Dib dib = Dib24(TestImage(16, 16));
  TJPEGStreamCompressor c(nullptr);
  try {
    c.WriteDIBitmap(dib.Info(), dib.Bits());
    ADD_FAILURE() << "compressed without a stream";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "No stream is attached to the compressor");
  }
  EXPECT_TRUE(c.Idle());
}

// A stream that stops accepting bytes ends the save with a clear error at
// every stage (markers, scanlines, final flush, optimised output pass); the
// whole buffers written before stay; the component works afterwards.
TEST(EncodeStream, ShortWritesEndTheSaveCleanly) {
  const RgbImage image = TestImage(160, 160);
  const Dib dib = Dib24(image);
  TJPEGStreamCompressor c(nullptr);
  c.SetBufSize(512);
  const std::string good = Compress(c, dib);
  ASSERT_GT(good.size(), 3000u);
  for (bool optimise : {false, true}) {
    c.SetOptimizeCoding(optimise);
    const std::string expected = Compress(c, dib);
    for (int64_t limit :
         {int64_t{0}, int64_t{100}, int64_t{1500}, static_cast<int64_t>(expected.size()) - 1}) {
      TFailingStream stream(limit, false);
      try {
        c.SaveDIBitmapToStream(stream, dib.Info(), dib.Bits());
        ADD_FAILURE() << "short writes went unnoticed, limit " << limit;
      } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), "Stream write error");
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Suspension not allowed here") << "limit " << limit;
      }
      EXPECT_LE(stream.Size(), limit);
      EXPECT_EQ(StreamBytes(stream), expected.substr(0, static_cast<size_t>(stream.Size())));
      EXPECT_TRUE(c.Idle());
      EXPECT_EQ(c.Stream(), nullptr);
    }
    EXPECT_EQ(Compress(c, dib), expected);
  }
}

TEST(EncodeStream, FailingStreamExceptionPropagates) {
  const Dib dib = Dib24(TestImage(240, 240));
  TJPEGStreamCompressor c(nullptr);
  TFailingStream stream(5000, true);
  try {
    c.SaveDIBitmapToStream(stream, dib.Info(), dib.Bits());
    ADD_FAILURE();
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message(), "Disk full");
  }
  EXPECT_EQ(stream.Size(), 4096);
  EXPECT_TRUE(c.Idle());
  // The buffer still holds the lost bytes until the next compression starts.
  EXPECT_THROW(c.SetBufSize(1000), Exception);
  EXPECT_EQ(DJpegImage(Compress(c, dib)).width, 240);
  c.SetBufSize(1000);
  EXPECT_EQ(c.BufSize(), 1000);
}

TEST(EncodeStream, SharedInstanceIsTheFirstLiveOne) {
  // A shared instance made earlier in the process (it lives to the end) is
  // set aside for the test and put back afterwards.
  TJPEGStreamCompressor* const earlier = SharedStreamCompressor;
  SharedStreamCompressor = nullptr;
  {
    auto first = std::make_unique<TJPEGStreamCompressor>(nullptr);
    EXPECT_EQ(SharedStreamCompressor, first.get());
    {
      TJPEGFileCompressor second(nullptr);
      EXPECT_EQ(SharedStreamCompressor, first.get());
    }
    EXPECT_EQ(SharedStreamCompressor, first.get());
    first.reset();
    EXPECT_EQ(SharedStreamCompressor, nullptr);
    TJPEGStreamCompressor third(nullptr);
    EXPECT_EQ(SharedStreamCompressor, &third);
  }
  EXPECT_EQ(SharedStreamCompressor, nullptr);
  SharedStreamCompressor = earlier;
}

TEST(EncodeStream, OwnerFreesTheComponent) {
  TComponent owner(nullptr);
  auto* c = new TJPEGFileCompressor(&owner);
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), c);
}

TEST(EncodeStream, SavesBitmapsAndMetafilesFromPictures) {
  const gditest::HandleCounts before = gditest::LiveHandles();
  {
    TJPEGStreamCompressor c(nullptr);
    TPicture picture;
    auto bitmap = SolidBitmap(16, 16, clRed);
    picture.SetGraphic(bitmap.get());
    TMemoryStream stream;
    c.SavePictureToStream(&picture, stream);
    RgbImage decoded = DJpegImage(StreamBytes(stream));
    EXPECT_EQ(decoded.width, 16);
    EXPECT_EQ(decoded.height, 16);
    EXPECT_GT(decoded.At(8, 8).r, 240);
    EXPECT_LT(decoded.At(8, 8).b, 15);
    EXPECT_EQ(c.Stream(), nullptr);

    TMemoryStream stretched;
    c.SaveStretchedPictureToStream(&picture, 40, 10, stretched);
    decoded = DJpegImage(StreamBytes(stretched));
    EXPECT_EQ(decoded.width, 40);
    EXPECT_EQ(decoded.height, 10);

    // A metafile of 200 x 100 pixels.
    TMetafile metafile;
    metafile.SetWidth(200);
    metafile.SetHeight(100);
    {
      TMetafileCanvas canvas(&metafile, nullptr);
      canvas.Brush()->SetColor(clBlue);
      canvas.FillRect(RECT{0, 0, 200, 100});
    }
    picture.SetGraphic(&metafile);
    ASSERT_EQ(picture.Width(), 200);
    ASSERT_EQ(picture.Height(), 100);
    TMemoryStream meta;
    c.SavePictureToStream(&picture, meta);
    decoded = DJpegImage(StreamBytes(meta));
    EXPECT_EQ(decoded.width, 200);
    EXPECT_EQ(decoded.height, 100);
    TMemoryStream small;
    c.SaveStretchedPictureToStream(&picture, 50, 25, small);
    decoded = DJpegImage(StreamBytes(small));
    EXPECT_EQ(decoded.width, 50);
    EXPECT_EQ(decoded.height, 25);
  }
  EXPECT_EQ(gditest::LiveHandles(), before);
}

TEST(EncodeStream, PicturesOfOtherKindsAreRefused) {
  TJPEGStreamCompressor c(nullptr);
  TPicture empty;
  TPicture with_icon;
  with_icon.Icon();
  for (TPicture* picture : {&empty, &with_icon, static_cast<TPicture*>(nullptr)}) {
    for (bool stretched : {false, true}) {
      TMemoryStream stream;
      try {
        if (stretched)
          c.SaveStretchedPictureToStream(picture, 10, 10, stream);
        else
          c.SavePictureToStream(picture, stream);
        ADD_FAILURE();
      } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "cannot save a picture that is neither a bitmap nor metafile");
      }
      EXPECT_EQ(stream.Size(), 0);
      EXPECT_EQ(c.Stream(), nullptr);
    }
  }
}

TEST(EncodeStream, FileSavesCreateOrReplaceTheFile) {
  TempDir dir;
  const std::string name = dir.File("out.jpg");
  WriteFileBytes(name, std::string(100000, 'z'));
  TJPEGFileCompressor c(nullptr);
  auto bitmap = SolidBitmap(24, 12, clGreen);
  c.SaveBitmapToFile(bitmap.get(), name);
  std::string bytes = ReadFileBytes(name);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9");
  EXPECT_EQ(DJpegImage(bytes).width, 24);

  c.SaveStretchedBitmapToFile(bitmap.get(), 6, 3, name);
  EXPECT_EQ(DJpegImage(ReadFileBytes(name)).height, 3);

  TPicture picture;
  picture.SetGraphic(bitmap.get());
  c.SavePictureToFile(&picture, name);
  EXPECT_EQ(DJpegImage(ReadFileBytes(name)).width, 24);
  c.SaveStretchedPictureToFile(&picture, 8, 8, name);
  EXPECT_EQ(DJpegImage(ReadFileBytes(name)).width, 8);

  TMetafile metafile;
  metafile.SetWidth(30);
  metafile.SetHeight(20);
  { TMetafileCanvas canvas(&metafile, nullptr); }
  c.SaveMetafileToFile(&metafile, 15, 10, name);
  EXPECT_EQ(DJpegImage(ReadFileBytes(name)).width, 15);

  const std::string bad = dir.File("missing/out.jpg");
  try {
    c.SaveBitmapToFile(bitmap.get(), bad);
    ADD_FAILURE();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file " + bad);
  }
}

// A save that is bound to fail, for a reason known before any byte is
// written, fails before the file is created: an existing file keeps its
// content.
TEST(EncodeStream, FileSavesBoundToFailLeaveTheFileAlone) {
  TempDir dir;
  const std::string name = dir.File("keep.jpg");
  WriteFileBytes(name, "old content");
  TJPEGFileCompressor c(nullptr);
  TBitmap empty_bitmap;
  TMetafile empty_metafile;
  TMetafile huge;
  huge.SetWidth(30000);
  huge.SetHeight(30000);
  { TMetafileCanvas canvas(&huge, nullptr); }
  TPicture with_icon, with_huge;
  with_icon.Icon();
  with_huge.SetGraphic(&huge);
  const std::string limit = "Image of 30000 x 30000 pixels exceeds the limit of 268435456 pixels";
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { c.SaveBitmapToFile(&empty_bitmap, name); }, "Cannot compress an empty bitmap"},
      {[&] { c.SaveStretchedBitmapToFile(nullptr, 5, 5, name); }, "No bitmap to compress"},
      {[&] { c.SavePictureToFile(&with_icon, name); },
       "cannot save a picture that is neither a bitmap nor metafile"},
      {[&] { c.SaveStretchedPictureToFile(nullptr, 5, 5, name); },
       "cannot save a picture that is neither a bitmap nor metafile"},
      {[&] { c.SaveMetafileToFile(&empty_metafile, 5, 5, name); },
       "Cannot compress an empty metafile"},
      {[&] { c.SavePictureToFile(&with_huge, name); }, limit},
      {[&] { c.SaveMetafileToFile(&huge, 30000, 30000, name); }, limit},
  };
  for (const auto& [save, message] : cases) {
    try {
      save();
      ADD_FAILURE() << message;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(ReadFileBytes(name), "old content") << message;
  }
}
