// TJPEGBitmap and the shared stream instances: constructed on first use and
// reused, application-constructed instances honoured and never freed, and
// instances destroyed or busy while a bitmap uses them.
#include <gtest/gtest.h>

#include <memory>

#include "tests/zeljpeg/decode_fixtures.h"
#include "tests/zeljpeg/jpegbitmap_fixtures.h"
#include "zeljpeg/ComponentWatch.h"

using namespace jpegbitmaptest;

namespace {

using JPEGBitmapSharedTest = JPEGBitmapTest;

// Counts live instances of a stream class derived for the test.
template <class Base>
class TCountedInstance : public Base {
 public:
  explicit TCountedInstance(int& live) : Base(nullptr), live_(live) { ++live_; }
  ~TCountedInstance() override { --live_; }

 private:
  int& live_;
};

TEST_F(JPEGBitmapSharedTest, FirstLoadConstructsTheDecompressorLaterLoadsReuseIt) {
  const std::string jpeg = ColourJpeg(8, 8);
  TMemoryStream stream;
  FillStream(stream, jpeg);
  ASSERT_EQ(SharedStreamDecompressor, nullptr);
  TJPEGBitmap a, b;
  a.LoadFromStream(stream);
  TJPEGStreamDecompressor* first = SharedStreamDecompressor;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(a.Decompressor(), first);
  EXPECT_EQ(first->Owner(), nullptr);
  EXPECT_EQ(first->ComponentCount(), 0);    // nothing left inside it
  EXPECT_EQ(first->ColoursIn8bitMode, 64);  // default settings

  FillStream(stream, jpeg);
  a.LoadFromStream(stream);
  FillStream(stream, jpeg);
  b.LoadFromStream(stream);
  EXPECT_EQ(SharedStreamDecompressor, first);
  EXPECT_EQ(b.Decompressor(), first);
  // A failed load keeps it as well.
  FillStream(stream, "garbage");
  EXPECT_THROW(b.LoadFromStream(stream), Exception);
  EXPECT_EQ(SharedStreamDecompressor, first);
}

TEST_F(JPEGBitmapSharedTest, FirstSaveConstructsTheCompressorLaterSavesReuseIt) {
  TJPEGBitmap a, b;
  a.SetSize(8, 8);
  b.SetSize(4, 4);
  TMemoryStream stream;
  ASSERT_EQ(SharedStreamCompressor, nullptr);
  a.SaveToStream(stream);
  TJPEGStreamCompressor* first = SharedStreamCompressor;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(a.Compressor(), first);
  EXPECT_EQ(first->Quality(), 75);
  b.SaveToStream(stream);
  a.SaveToStream(stream);
  EXPECT_EQ(SharedStreamCompressor, first);
  EXPECT_EQ(b.Compressor(), first);
  EXPECT_EQ(first->ComponentCount(), 0);
}

TEST_F(JPEGBitmapSharedTest, ApplicationDecompressorIsUsedWithItsSettingsAndNeverFreed) {
  int live = 0;
  {
    TCountedInstance<TJPEGStreamDecompressor> mine(live);
    ASSERT_EQ(SharedStreamDecompressor, &mine);
    mine.GrayScaleOutput = true;
    int progress = 0;
    mine.OnProgressReport = [&](TObject* sender) {
      EXPECT_EQ(sender, &mine);
      ++progress;
    };
    TMemoryStream stream;
    for (int i = 0; i < 3; ++i) {
      FillStream(stream, i == 1 ? std::string("BM") : ColourJpeg(16, 8));
      TJPEGBitmap bitmap;
      if (i == 1) {
        EXPECT_THROW(bitmap.LoadFromStream(stream), Exception);
        continue;
      }
      bitmap.LoadFromStream(stream);
      EXPECT_EQ(bitmap.Decompressor(), &mine);
      // Gray output: every pixel has equal channels.
      for (uint32_t p : BitmapPixels(bitmap))
        ASSERT_TRUE((p & 255) == ((p >> 8) & 255) && (p & 255) == ((p >> 16) & 255));
    }
    EXPECT_GT(progress, 0);
    EXPECT_EQ(live, 1);
    EXPECT_EQ(SharedStreamDecompressor, &mine);
  }
  EXPECT_EQ(live, 0);  // freed once, by its scope
  EXPECT_EQ(SharedStreamDecompressor, nullptr);
}

TEST_F(JPEGBitmapSharedTest, ApplicationCompressorIsUsedWithItsSettingsAndNeverFreed) {
  int live = 0;
  TJPEGBitmap bitmap;
  bitmap.SetSize(32, 32);
  std::string with_default, with_mine;
  {
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    with_default = StreamBytes(stream);
    delete SharedStreamCompressor;
  }
  {
    TCountedInstance<TJPEGFileCompressor> mine(live);
    ASSERT_EQ(SharedStreamCompressor, &mine);
    mine.SetComment("from the application");
    mine.SetQuality(20);
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    with_mine = StreamBytes(stream);
    EXPECT_EQ(bitmap.Compressor(), &mine);
    EXPECT_NE(with_mine.find("from the application"), std::string::npos);
    EXPECT_NE(with_mine, with_default);
    EXPECT_EQ(live, 1);
  }
  EXPECT_EQ(live, 0);
  EXPECT_EQ(SharedStreamCompressor, nullptr);
}

TEST_F(JPEGBitmapSharedTest, SharedDecompressorDestroyedByAChangeHandler) {
  // The bitmap's change handlers run after the decompressor has been given
  // back: destroying it there is safe, and the next load makes a new one.
  TMemoryStream stream;
  FillStream(stream, ColourJpeg(12, 12));
  TJPEGBitmap bitmap;
  int changes = 0;
  bitmap.OnChange = [&](TObject*) {
    ++changes;
    delete SharedStreamDecompressor;
  };
  bitmap.LoadFromStream(stream);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(bitmap.Width(), 12);
  EXPECT_EQ(SharedStreamDecompressor, nullptr);

  // Constructed by this load, destroyed by its change notification.
  bitmap.OnChange = [&](TObject*) {
    if (SharedStreamDecompressor != nullptr) delete SharedStreamDecompressor;
  };
  FillStream(stream, ColourJpeg(12, 12));
  bitmap.LoadFromStream(stream);
  EXPECT_EQ(SharedStreamDecompressor, nullptr);
  bitmap.OnChange = nullptr;
  FillStream(stream, ColourJpeg(6, 6));
  bitmap.LoadFromStream(stream);
  EXPECT_NE(SharedStreamDecompressor, nullptr);
  EXPECT_EQ(bitmap.Width(), 6);
}

TEST_F(JPEGBitmapSharedTest, ChangeHandlerMayLoadAgain) {
  TMemoryStream outer, inner;
  FillStream(outer, ColourJpeg(12, 12));
  FillStream(inner, ColourJpeg(5, 5));
  TJPEGBitmap bitmap, other;
  bool nested = false;
  bitmap.OnChange = [&](TObject*) {
    if (nested) return;
    nested = true;
    other.LoadFromStream(inner);
  };
  bitmap.LoadFromStream(outer);
  EXPECT_EQ(bitmap.Width(), 12);
  EXPECT_EQ(other.Width(), 5);
}

TEST_F(JPEGBitmapSharedTest, LoadWhileTheDecompressorIsBusyIsRefused) {
  TMemoryStream outer, inner;
  FillStream(outer, ColourJpeg(64, 64));
  FillStream(inner, ColourJpeg(5, 5));
  TJPEGBitmap bitmap, other;
  TMemoryStream first;
  FillStream(first, ColourJpeg(4, 4));
  bitmap.LoadFromStream(first);  // makes the shared decompressor
  std::string refused;
  SharedStreamDecompressor->OnProgressReport = [&](TObject*) {
    if (!refused.empty()) return;
    try {
      other.LoadFromStream(inner);
      refused = "loaded";
    } catch (const Exception& e) {
      refused = e.Message();
    }
  };
  bitmap.LoadFromStream(outer);
  EXPECT_EQ(refused, "The JPEG decompressor is busy with another image");
  EXPECT_EQ(bitmap.Width(), 64);
  EXPECT_TRUE(other.Empty());
  EXPECT_EQ(inner.Position(), 0);
  // A stream that application code attached and never closed is no
  // conversion: later loads replace it.
  SharedStreamDecompressor->OnProgressReport = nullptr;
  FillStream(outer, ColourJpeg(8, 8));
  SharedStreamDecompressor->OpenStream(outer);
  EXPECT_FALSE(SharedStreamDecompressor->Busy());
  for (int i = 0; i < 2; ++i) {
    inner.SetPosition(0);
    other.LoadFromStream(inner);
    EXPECT_EQ(other.Width(), 5);
  }
  EXPECT_EQ(SharedStreamDecompressor->Stream(), nullptr);
}

TEST_F(JPEGBitmapSharedTest, SaveWhileTheCompressorIsBusyIsRefused) {
  TJPEGBitmap bitmap, other;
  bitmap.SetSize(64, 64);
  other.SetSize(8, 8);
  TMemoryStream stream, nested;
  bitmap.SaveToStream(stream);  // makes the shared compressor
  std::string refused;
  SharedStreamCompressor->OnProgressReport = [&](TObject*) {
    if (!refused.empty()) return;
    try {
      other.SaveToStream(nested);
      refused = "saved";
    } catch (const Exception& e) {
      refused = e.Message();
    }
  };
  stream.Clear();
  bitmap.SaveToStream(stream);
  EXPECT_EQ(refused, "The JPEG compressor is busy with another image");
  EXPECT_EQ(nested.Size(), 0);
  const std::string bytes = StreamBytes(stream);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\xFF\xD9");
}

TEST_F(JPEGBitmapSharedTest, InstancesDestroyedBetweenOperationsAreNotUsed) {
  TJPEGBitmap bitmap;
  bitmap.SetSize(8, 8);
  TMemoryStream stream;
  bitmap.SaveToStream(stream);
  delete SharedStreamCompressor;
  {
    // An application instance replaces it; the bitmap's old reference is not
    // used.
    TJPEGStreamCompressor mine(nullptr);
    stream.Clear();
    bitmap.SaveToStream(stream);
    EXPECT_EQ(bitmap.Compressor(), &mine);
  }
  stream.Clear();
  bitmap.SaveToStream(stream);
  EXPECT_NE(SharedStreamCompressor, nullptr);
  EXPECT_EQ(bitmap.Compressor(), SharedStreamCompressor);
}

TEST(ComponentWatch, NoticesDestructionAndLeavesNothingBehind) {
  auto* watched = new TComponent(nullptr);
  {
    TComponentWatch watch(watched);
    EXPECT_TRUE(watch.Alive());
    EXPECT_EQ(watched->ComponentCount(), 1);
  }
  EXPECT_EQ(watched->ComponentCount(), 0);
  {
    TComponentWatch watch(watched);
    TComponentWatch second(watched);
    delete watched;
    EXPECT_FALSE(watch.Alive());
    EXPECT_FALSE(second.Alive());
  }  // ends without touching the destroyed component
}

}  // namespace
