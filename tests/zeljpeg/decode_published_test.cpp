// TJPEGFileDecompressor's published properties: order, stored defaults, and
// a round trip through a form description.
#include <gtest/gtest.h>

#include "platform/classes/Filer.h"
#include "tests/zeljpeg/decode_fixtures.h"

using namespace decodetest;

namespace {

class TDecoderHost : public TComponent {
  VASK_CLASS(TDecoderHost, TComponent)
 public:
  using TComponent::TComponent;
  void WarningHandler(const char* text) { last_warning = text; }
  void CommentHandler(TJPEGBase*, const char* text) { last_comment = text; }
  TJPEGFileDecompressor* Decoder = nullptr;
  std::string last_warning, last_comment;
};

TClass TDecoderHost::StaticClass() {
  static const TClassInfo info = TClassInfo::Make<TDecoderHost>(
      "TDecoderHost", inherited::StaticClass(), {},
      {rtti::Method<TDecoderHost>("WarningHandler", &TDecoderHost::WarningHandler),
       rtti::Method<TDecoderHost>("CommentHandler", &TDecoderHost::CommentHandler)},
      {rtti::Field<TDecoderHost>("Decoder", &TDecoderHost::Decoder)});
  return &info;
}

std::string ToText(TStream& binary) {
  binary.SetPosition(0);
  TMemoryStream text;
  ObjectBinaryToText(binary, text);
  return Contents(text);
}

TEST(DecodePublished, PropertiesInTheirOrder) {
  std::vector<std::string> names;
  for (const TPropInfo* p : TJPEGFileDecompressor::StaticClass()->AllProps())
    names.push_back(p->Name);
  const std::vector<std::string> expected = {"Name",
                                             "Tag",
                                             "Warnings",
                                             "Trace_Level",
                                             "PercentDone",
                                             "ColoursIn8bitMode",
                                             "GrayScaleOutput",
                                             "OnJPEGComment",
                                             "OnJPEGMarker",
                                             "TwoPassQuantize",
                                             "DitherMode",
                                             "DCTMethod",
                                             "DoFancyUpSampling",
                                             "DoBlockSmoothing",
                                             "MaxPixels",
                                             "MaxMemory",
                                             "MaxScans",
                                             "OnProgressReport",
                                             "OnWarning"};
  EXPECT_EQ(names, expected);
  EXPECT_TRUE(TJPEGStreamDecompressor::StaticClass()->Props.empty());
}

TEST(DecodePublished, DefaultsAreNotStoredExceptWhereThereIsNone) {
  InitZeljpegDecoder();
  TDecoderHost host(nullptr);
  host.SetName("Host");
  auto* decoder = new TJPEGFileDecompressor(&host);
  decoder->SetName("Decoder");
  TMemoryStream binary;
  TWriter(binary).WriteRootComponent(&host);
  const std::string text = ToText(binary);
  EXPECT_NE(text.find("Trace_Level = 0"), std::string::npos) << text;
  EXPECT_NE(text.find("GrayScaleOutput = False"), std::string::npos) << text;
  for (const char* absent :
       {"Warnings", "PercentDone", "ColoursIn8bitMode", "TwoPassQuantize", "DitherMode",
        "DCTMethod", "DoFancyUpSampling", "DoBlockSmoothing", "MaxPixels", "MaxMemory", "MaxScans"})
    EXPECT_EQ(text.find(absent), std::string::npos) << absent << "\n" << text;
}

TEST(DecodePublished, AFormDescriptionRoundTrip) {
  InitZeljpegDecoder();
  RegisterClass(TDecoderHost::StaticClass());
  const std::string source =
      "object Host: TDecoderHost\n"
      "  object Decoder: TJPEGFileDecompressor\n"
      "    Trace_Level = 2\n"
      "    ColoursIn8bitMode = 128\n"
      "    GrayScaleOutput = True\n"
      "    OnJPEGComment = CommentHandler\n"
      "    TwoPassQuantize = False\n"
      "    DitherMode = JDITHER_ORDERED\n"
      "    DCTMethod = JDCT_FLOAT\n"
      "    DoFancyUpSampling = False\n"
      "    DoBlockSmoothing = False\n"
      "    MaxPixels = 5000000000\n"
      "    MaxMemory = 0\n"
      "    MaxScans = 20\n"
      "    OnWarning = WarningHandler\n"
      "  end\n"
      "end\n";
  TMemoryStream text, binary;
  Fill(text, source);
  ObjectTextToBinary(text, binary);
  binary.SetPosition(0);
  std::unique_ptr<TComponent> root(TReader(binary).ReadRootComponent(nullptr));
  auto* host = As<TDecoderHost>(root.get());
  ASSERT_NE(host->Decoder, nullptr);
  TJPEGFileDecompressor& d = *host->Decoder;
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
  // The bound handlers fire.
  TMemoryStream in, out;
  Fill(in, InsertSegment(CJpeg(Ppm(8, 8)), 0xFE, "note"));
  d.ConvertToDIB(in, out, jpGrayscale);
  EXPECT_EQ(host->last_comment, "note");
  EXPECT_FALSE(host->last_warning.empty());  // trace level 2: trace messages
  // Written back, it reads the same.
  TMemoryStream again;
  TWriter(again).WriteRootComponent(host);
  EXPECT_EQ(ToText(again), source);
}

}  // namespace
