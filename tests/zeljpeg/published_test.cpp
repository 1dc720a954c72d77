// The published properties of the file components, through the stored form:
// what a component with its construction values stores, and a form that sets
// every stored property, read into new components and written back unchanged,
// with its event handlers bound.
#include <gtest/gtest.h>

#include "tests/support/FormData.h"
#include "tests/zeljpeg/decode_fixtures.h"
#include "zeljpeg/Zeljpeg.h"

using namespace decodetest;

namespace {

// A form holding one component of each published class, with handlers.
class TJPEGHost : public TComponent {
  VASK_CLASS(TJPEGHost, TComponent)
 public:
  using TComponent::TComponent;
  void WarningHandler(const char* text) { warnings.emplace_back(text); }
  void CommentHandler(TJPEGBase*, const char* text) { comments.emplace_back(text); }
  void MarkerHandler(TJPEGBase*, int marker, bool&) { markers.push_back(marker); }
  void ProgressHandler(TObject*) { ++progress; }
  void MarkersHandler(TObject*) { Encoder->WriteMarker(JPEG_APP0 + 3, "tag", 3); }
  TJPEGFileDecompressor* Decoder = nullptr;
  TJPEGFileCompressor* Encoder = nullptr;
  std::vector<std::string> warnings, comments;
  std::vector<int> markers;
  int progress = 0;
};

}  // namespace

TClass TJPEGHost::StaticClass() {
  using C = TJPEGHost;
  static const TClassInfo info = TClassInfo::Make<C>(
      "TJPEGHost", inherited::StaticClass(), {},
      {rtti::Method<C>("WarningHandler", &C::WarningHandler),
       rtti::Method<C>("CommentHandler", &C::CommentHandler),
       rtti::Method<C>("MarkerHandler", &C::MarkerHandler),
       rtti::Method<C>("ProgressHandler", &C::ProgressHandler),
       rtti::Method<C>("MarkersHandler", &C::MarkersHandler)},
      {rtti::Field<C>("Decoder", &C::Decoder), rtti::Field<C>("Encoder", &C::Encoder)});
  return &info;
}

namespace {

// The text form of root's stored form.
std::string StoredText(TComponent& root) {
  return BinaryToText(WriteForm(&root));
}

std::unique_ptr<TJPEGHost> ReadHost(const std::string& source) {
  return std::unique_ptr<TJPEGHost>(As<TJPEGHost>(ReadForm(TextToBinary(source), nullptr)));
}

class JPEGPublished : public testing::Test {
 protected:
  void SetUp() override {
    InitZeljpegUnit();
    RegisterClass(TJPEGHost::StaticClass());
  }
};

// Only the properties without a stream default are stored (read-only ones,
// empty strings and unbound events never); the stream classes publish none.
TEST_F(JPEGPublished, ConstructionValuesStoreWhatHasNoDefault) {
  struct Case {
    TClass cls;
    const char* stored;
  };
  const Case cases[] = {
      {TJPEGFileDecompressor::StaticClass(),
       "    Trace_Level = 0\n"
       "    GrayScaleOutput = False\n"},
      {TJPEGFileCompressor::StaticClass(),
       "    Trace_Level = 0\n"
       "    GrayscaleOutput = False\n"
       "    InputGamma = 1.0\n"
       "    ProgressiveJPEG = False\n"
       "    DCTMethod = JDCT_ISLOW\n"
       "    OptimizeCoding = False\n"
       "    RestartInterval = 0\n"
       "    RestartInRows = 0\n"
       "    SmoothingFactor = 0\n"
       "    WriteJFIFHeader = True\n"
       "    DensityUnit = 0\n"
       "    X_Density = 1\n"
       "    Y_Density = 1\n"},
      {TJPEGStreamDecompressor::StaticClass(), ""},
  };
  for (const Case& c : cases) {
    TJPEGHost host(nullptr);
    host.SetName("Host");
    static_cast<TComponent*>(c.cls->Create(&host))->SetName("Part");
    EXPECT_EQ(StoredText(host), "object Host: TJPEGHost\n  object Part: " + c.cls->Name + "\n" +
                                    c.stored + "  end\nend\n");
  }
}

TEST_F(JPEGPublished, EveryStoredPropertyReadsBackAndIsWrittenAgain) {
  const std::string source =
      "object Host: TJPEGHost\n"
      "  object Decoder: TJPEGFileDecompressor\n"
      "    Trace_Level = 2\n"
      "    ColoursIn8bitMode = 128\n"
      "    GrayScaleOutput = True\n"
      "    OnJPEGComment = CommentHandler\n"
      "    OnJPEGMarker = MarkerHandler\n"
      "    TwoPassQuantize = False\n"
      "    DitherMode = JDITHER_ORDERED\n"
      "    DCTMethod = JDCT_FLOAT\n"
      "    DoFancyUpSampling = False\n"
      "    DoBlockSmoothing = False\n"
      "    MaxPixels = 5000000000\n"
      "    MaxMemory = 0\n"
      "    MaxScans = 20\n"
      "    Scale = jsOther\n"
      "    ScaleNumerator = 3\n"
      "    ScaleDenominator = 8\n"
      "    AutoOrient = True\n"
      "    SaveMarkers = jcAll\n"
      "    OnProgressReport = ProgressHandler\n"
      "    OnWarning = WarningHandler\n"
      "  end\n"
      "  object Encoder: TJPEGFileCompressor\n"
      "    Trace_Level = 1\n"
      "    GrayscaleOutput = True\n"
      "    Comment = 'stored comment'\n"
      "    Quality = 30\n"
      "    InputGamma = 2.5\n"
      "    ProgressiveJPEG = True\n"
      "    DCTMethod = JDCT_IFAST\n"
      "    OptimizeCoding = True\n"
      "    RestartInterval = 7\n"
      "    RestartInRows = 2\n"
      "    SmoothingFactor = 10\n"
      "    WriteJFIFHeader = False\n"
      "    DensityUnit = 1\n"
      "    X_Density = 72\n"
      "    Y_Density = 96\n"
      "    WriteAllTables = False\n"
      "    OnProgressReport = ProgressHandler\n"
      "    OnWriteMarkers = MarkersHandler\n"
      "    OnWarning = WarningHandler\n"
      "  end\n"
      "end\n";
  std::unique_ptr<TJPEGHost> host = ReadHost(source);
  ASSERT_NE(host->Decoder, nullptr);
  ASSERT_NE(host->Encoder, nullptr);
  const TJPEGFileDecompressor& d = *host->Decoder;
  EXPECT_EQ(d.GetTraceLevel(), 2);
  EXPECT_EQ(d.ColoursIn8bitMode, 128);
  EXPECT_TRUE(d.GrayScaleOutput);
  EXPECT_FALSE(d.TwoPassQuantize);
  EXPECT_EQ(d.DitherMode, JDITHER_ORDERED);
  EXPECT_EQ(d.DCTMethod, JDCT_FLOAT);
  EXPECT_FALSE(d.DoFancyUpSampling);
  EXPECT_FALSE(d.DoBlockSmoothing);
  EXPECT_EQ(d.MaxPixels, 5000000000);
  EXPECT_EQ(d.MaxMemory, 0);
  EXPECT_EQ(d.MaxScans, 20);
  EXPECT_EQ(d.ScaleNumerator(), 3);
  EXPECT_EQ(d.ScaleDenominator(), 8);
  EXPECT_TRUE(d.AutoOrient);
  EXPECT_EQ(d.SaveMarkers, jcAll);
  const TJPEGFileCompressor& c = *host->Encoder;
  EXPECT_EQ(c.GetTraceLevel(), 1);
  EXPECT_TRUE(c.GrayscaleOutput());
  EXPECT_EQ(c.Comment(), "stored comment");
  EXPECT_EQ(c.Quality(), 30);
  EXPECT_DOUBLE_EQ(c.InputGamma(), 2.5);
  EXPECT_TRUE(c.ProgressiveJPEG());
  EXPECT_EQ(c.DCTMethod(), JDCT_IFAST);
  EXPECT_TRUE(c.OptimizeCoding());
  EXPECT_EQ(c.RestartInterval(), 7u);
  EXPECT_EQ(c.RestartInRows(), 2);
  EXPECT_EQ(c.SmoothingFactor(), 10);
  EXPECT_FALSE(c.WriteJFIFHeader());
  EXPECT_EQ(c.DensityUnit(), 1);
  EXPECT_EQ(c.X_Density(), 72);
  EXPECT_EQ(c.Y_Density(), 96);
  EXPECT_FALSE(c.WriteAllTables());
  EXPECT_EQ(StoredText(*host), source);

  // The bound handlers fire: a decode with a comment and an APP3 segment
  // (trace level 2: trace messages), then a compression.
  TMemoryStream in, out, jpeg;
  FillStream(in, InsertSegment(InsertSegment(CJpeg(Ppm(8, 8)), 0xE3, "app"), 0xFE, "note"));
  host->Decoder->ConvertToDIB(in, out, jpGrayscale);
  EXPECT_EQ(host->comments, std::vector<std::string>{"note"});
  EXPECT_EQ(host->markers, std::vector<int>{3});
  EXPECT_FALSE(host->warnings.empty());
  EXPECT_GT(host->progress, 0);
  host->progress = 0;
  TBitmap bitmap;
  bitmap.SetSize(8, 8);
  host->Encoder->SaveBitMapToStream(&bitmap, jpeg);
  EXPECT_GT(host->progress, 0);
  EXPECT_NE(StreamBytes(jpeg).find(std::string("\xFF\xE3\x00\x05tag", 7)), std::string::npos);
}

}  // namespace
