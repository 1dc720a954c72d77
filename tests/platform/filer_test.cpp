// Component streaming: round trips through the text and binary forms, reading
// into existing and new roots, events bound by name, and every kind of bad
// form data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "platform/classes/Extended.h"
#include "platform/classes/Filer.h"
#ifndef _WIN32
#include "platform/gdi/portable/ResourceTable.h"
#endif
#include "tests/platform/FilerFixture.h"
#include "tests/support/TestComponents.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace filertest;

TEST_F(FilerTest, TextToBinaryToObjectsToBinaryGivesTheSameBytes) {
  std::unique_ptr<TComponent> root(ReadForm(binary_, nullptr));
  auto* form = As<TTestForm>(root.get());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Name(), "Form1");
  EXPECT_EQ(form->Tag(), 7);
  EXPECT_EQ(form->Caption, "Main window");
  ASSERT_NE(form->Button1, nullptr);
  ASSERT_NE(form->Panel1, nullptr);
  TTestWidget& b = *form->Button1;
  EXPECT_EQ(b.Left, 8);
  EXPECT_EQ(b.Width, 300);
  EXPECT_EQ(b.Small, 65535);
  EXPECT_EQ(b.Big, 5000000000LL);
  EXPECT_FALSE(b.Visible);
  EXPECT_EQ(b.Shape, shTriangle);
  EXPECT_EQ(static_cast<uint32_t>(b.Color), 0x80000005u);
  EXPECT_EQ(b.Ratio, 0.25);
  EXPECT_EQ(b.Scale, 1.5f);
  EXPECT_EQ(b.Caption, "It's\r\ndone");
  EXPECT_EQ(b.Font()->Height, -13);
  EXPECT_EQ(b.Font()->Name, "Mono");
  EXPECT_EQ(b.Font()->Style, 0b101);
  EXPECT_EQ(b.Font()->Color, 0xFF0000);
  EXPECT_EQ(b.Lines()->Text(), "first\n\nthird\n");
  EXPECT_EQ(b.Picture()->Bytes, (std::vector<uint8_t>{0x00, 0x01, 0xFE, 0xFF}));
  EXPECT_EQ(b.Buddy, form->Panel1);  // a reference to a component read later
  auto* label = As<TTestWidget>(form->FindComponent("Label1"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->ParentWidget(), form->Panel1);
  EXPECT_EQ(b.ParentWidget(), nullptr);
  EXPECT_EQ(label->Left, -40000);
  EXPECT_EQ(label->Color, -1);
  EXPECT_EQ(form->Panel1->Ratio, -1.5);
  EXPECT_EQ(form->LoadedCount, 1);
  EXPECT_EQ(b.LoadedCount, 1);
  EXPECT_EQ(label->LoadedCount, 1);
  EXPECT_EQ(form->ComponentState() & csLoading, 0u);

  EXPECT_EQ(WriteForm(form), binary_);
  EXPECT_EQ(BinaryToText(binary_), kFormText);
}

TEST_F(FilerTest, DefaultsAreNotWrittenAndTheRestIsInPublishedOrder) {
  TTestForm form(nullptr);
  form.SetName("F");
  auto* w = new TTestWidget(&form);
  w->SetName("W");
  EXPECT_EQ(BinaryToText(WriteForm(&form)),
            "object F: TTestForm\n"
            "  object W: TTestWidget\n"
            "    Color = clBlack\n"
            "    Ratio = 0.0\n"
            "    Scale = 1.0s\n"
            "    Font.Name = 'Sans'\n"
            "  end\n"
            "end\n");
  // A handler assigned from code has no name and cannot be stored.
  w->OnClick = [](TObject*) {};
  w->Font()->Name.clear();
  w->Width = 76;
  EXPECT_EQ(BinaryToText(WriteForm(&form)),
            "object F: TTestForm\n"
            "  object W: TTestWidget\n"
            "    Width = 76\n"
            "    Color = clBlack\n"
            "    Ratio = 0.0\n"
            "    Scale = 1.0s\n"
            "  end\n"
            "end\n");
}

TEST_F(FilerTest, WriterPicksTheSmallestIntegerType) {
  TMemoryStream m;
  TWriter writer(m);
  for (int64_t v : {0LL, -128LL, 127LL, 128LL, -32769LL, 2147483647LL, 2147483648LL}) {
    writer.WriteInteger(v);
  }
  EXPECT_EQ(StreamBytes(m), std::string("\x02\x00\x02\x80\x02\x7F\x03\x80\x00\x04\xFF\x7F\xFF\xFF"
                                        "\x04\xFF\xFF\xFF\x7F\x13\x00\x00\x00\x80\x00\x00\x00\x00",
                                        28));
  m.SetPosition(0);
  TReader reader(m);
  EXPECT_EQ(reader.ReadInteger(), 0);
  EXPECT_EQ(reader.ReadInteger(), -128);
  EXPECT_EQ(reader.ReadInteger(), 127);
  EXPECT_EQ(reader.ReadInteger(), 128);
  EXPECT_EQ(reader.ReadInteger(), -32769);
  EXPECT_EQ(reader.ReadInteger(), 2147483647);
  EXPECT_THROW(reader.ReadInteger(), EReadError);  // does not fit 32 bits
}

// Long, UTF-8 and wide strings and dates, laid out as the form-description
// format defines them, read into a widget's string and float properties.
TEST_F(FilerTest, EveryStringTypeAndDatesReadIntoComponents) {
  auto le32 = [](uint32_t v) {
    return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
  };
  auto wide = [&](std::initializer_list<uint16_t> units) {
    std::string s = "\x12" + le32(static_cast<uint32_t>(units.size()));
    for (uint16_t u : units) s += {char(u), char(u >> 8)};
    return s;
  };
  const std::string long_text(300, 'x');
  struct Case {
    const char* property;
    std::string value;  // type byte and data
    std::string caption;
    double ratio;
  };
  double date = 45000.75;  // 2023-03-15 18:00 as days since 1899-12-30
  std::string date_bytes(8, '\0');
  std::memcpy(date_bytes.data(), &date, 8);
  const std::string utf8 =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x82\xAC";
  const Case cases[] = {
      {"Caption", "\x0C" + le32(300) + long_text, long_text, 0},
      {"Caption", "\x14" + le32(static_cast<uint32_t>(utf8.size())) + utf8, utf8, 0},
      // A, e acute, euro sign, U+1F600 as a surrogate pair, an unpaired
      // high surrogate (U+FFFD).
      {"Caption", wide({0x41, 0xE9, 0x20AC, 0xD83D, 0xDE00, 0xD800}),
       "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD", 0},
      {"Ratio", "\x11" + date_bytes, "", date},
  };
  for (const Case& c : cases) {
    const std::string form = std::string("TPF0\x0BTTestWidget\x01W") +
                             char(std::strlen(c.property)) + c.property + c.value +
                             std::string(2, '\0');
    std::unique_ptr<TComponent> root(ReadForm(form, nullptr));
    auto* widget = As<TTestWidget>(root.get());
    ASSERT_NE(widget, nullptr) << c.property;
    EXPECT_EQ(widget->Caption, c.caption);
    EXPECT_EQ(widget->Ratio, c.ratio);
  }
}

TEST_F(FilerTest, ReadsIntoAnExistingRootAndItsExistingComponents) {
  TTestForm form(nullptr);
  auto* button = new TTestWidget(&form);
  button->SetName("Button1");
  form.Button1 = button;
  ReadForm(binary_, &form);
  EXPECT_EQ(form.Name(), "Form1");
  EXPECT_EQ(form.Button1, button);  // read into, not replaced
  EXPECT_EQ(button->Width, 300);
  EXPECT_EQ(form.ComponentCount(), 3);
  ASSERT_NE(form.Panel1, nullptr);
  EXPECT_EQ(form.Panel1->Owner(), &form);
  EXPECT_EQ(button->Buddy, form.Panel1);
  EXPECT_EQ(button->LoadedCount, 1);
  EXPECT_EQ(form.LoadedCount, 1);
}

TEST_F(FilerTest, AFailedReadGivesExistingComponentsTheirParentBack) {
  TTestForm form(nullptr);
  auto* label = new TTestWidget(&form);
  label->SetName("Label1");
  std::string bad = Variant("Buddy = Panel1", "Buddy = Nobody");
  EXPECT_EQ(ReadErrorOf([&] { ReadForm(bad, &form); }),
            "Error reading Button1.Buddy: Component Nobody not found");
  EXPECT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(label->ParentWidget(), nullptr);  // not left pointing at the freed Panel1
  EXPECT_EQ(label->Left, -40000);             // what was read into it stays
}

TEST_F(FilerTest, AStoredRootNameTakenInTheOwnerGetsASuffix) {
  TComponent app(nullptr);
  auto* first = new TTestForm(&app);
  first->SetName("Form1");
  auto* second = new TTestForm(&app);
  ReadForm(binary_, second);
  EXPECT_EQ(second->Name(), "Form1_1");
}

TEST_F(FilerTest, EventsAreBoundByNameAndWrittenBack) {
  std::unique_ptr<TComponent> root(ReadForm(binary_, nullptr));
  auto* form = As<TTestForm>(root.get());
  ASSERT_TRUE(form->Button1->OnClick);
  form->Button1->OnClick(form->Button1);
  form->OnShow(form);
  EXPECT_EQ(form->Clicks, 1);
  EXPECT_EQ(form->Shows, 1);
  EXPECT_EQ(form->Button1->OnClick.Binding().Name, "Button1Click");
  EXPECT_EQ(form->Button1->OnClick.Binding().Object, form);
  EXPECT_FALSE(form->Panel1->OnClick);

  // nil unbinds; the name is matched ignoring case and stored as declared.
  std::string text = kFormText;
  text.replace(text.find("OnClick = Button1Click"), 22, "OnClick = BUTTON1CLICK");
  std::unique_ptr<TComponent> again(ReadForm(TextToBinary(text), nullptr));
  EXPECT_EQ(As<TTestForm>(again.get())->Button1->OnClick.Binding().Name, "Button1Click");
  EXPECT_EQ(WriteForm(again.get()), binary_);
}

TEST_F(FilerTest, BadEventBindingsAreReadErrors) {
  EXPECT_EQ(FailingRead(Variant("OnShow = FormShow", "OnShow = NoSuchMethod")),
            "Error reading Form1.OnShow: Method NoSuchMethod not found in TTestForm");
  EXPECT_EQ(FailingRead(Variant("OnShow = FormShow", "OnShow = BadHandler")),
            "Error reading Form1.OnShow: Method BadHandler does not fit event OnShow");
  EXPECT_EQ(FailingRead(Variant("OnShow = FormShow", "OnShow = 3")),
            "Error reading Form1.OnShow: Expected a method name but found integer");
}

TEST_F(FilerTest, BadPropertiesAreReadErrorsNamingThem) {
  EXPECT_EQ(FailingRead(Variant("Left = 8", "Nonsense = 8")),
            "Error reading Button1.Nonsense: Property Nonsense does not exist");
  EXPECT_EQ(FailingRead(Variant("Left = 8", "Left.Deeper = 8")),
            "Error reading Button1.Left.Deeper: Property Left.Deeper does not exist");
  EXPECT_EQ(FailingRead(Variant("Font.Height = -13", "Font.Size = -13")),
            "Error reading Button1.Font.Size: Property Font.Size does not exist");
  EXPECT_EQ(FailingRead(Variant("Left = 8", "Left = 'eight'")),
            "Error reading Button1.Left: Expected an integer but found string");
  EXPECT_EQ(FailingRead(Variant("Width = 300", "Width = 40000")),
            "Error reading Button1.Width: Value 40000 is out of range");
  EXPECT_EQ(FailingRead(Variant("Small = 65535", "Small = -1")),
            "Error reading Button1.Small: Value -1 is out of range");
  EXPECT_EQ(FailingRead(Variant("Visible = False", "Visible = 0")),
            "Error reading Button1.Visible: Expected True or False but found integer");
  EXPECT_EQ(FailingRead(Variant("Shape = shTriangle", "Shape = shHexagon")),
            "Error reading Button1.Shape: Invalid property value shHexagon");
  EXPECT_EQ(FailingRead(Variant("Shape = shTriangle", "Shape = 3")),
            "Error reading Button1.Shape: Invalid property value 3");
  EXPECT_EQ(FailingRead(Variant("[fsBold, fsUnderline]", "[fsBold, fsStrikeOut]")),
            "Error reading Button1.Font.Style: Invalid set member fsStrikeOut");
  EXPECT_EQ(FailingRead(Variant("Ratio = 0.25", "Ratio = 'x'")),
            "Error reading Button1.Ratio: Expected a float but found string");
  EXPECT_EQ(FailingRead(Variant("Caption = 'Main window'", "Caption = 12")),
            "Error reading Form1.Caption: Expected a string but found integer");
  EXPECT_EQ(FailingRead(Variant("Font.Name = 'Mono'", "Font = 'Mono'")),
            "Error reading Button1.Font: Property Font is an object; only its properties are "
            "stored");
  EXPECT_EQ(FailingRead(Variant("Picture.Data = {\n      0001FEFF}", "Picture.Data = 'x'")),
            "Error reading Button1.Picture.Data: Expected binary data but found string");
  EXPECT_EQ(FailingRead(Variant("'first'", "3")),
            "Error reading Button1.Lines.Strings: Expected a string but found integer");
  EXPECT_EQ(FailingRead(Variant("Buddy = Panel1", "Buddy = Nobody")),
            "Error reading Button1.Buddy: Component Nobody not found");
  EXPECT_EQ(FailingRead(Variant("Buddy = Panel1", "Buddy = Form1")),
            "Error reading Button1.Buddy: Form1 is a TTestForm, which the property cannot hold");
}

TEST_F(FilerTest, BadComponentsAreReadErrors) {
  EXPECT_EQ(FailingRead(Variant("object Label1: TTestWidget", "object Label1: TNoSuchClass")),
            "Class TNoSuchClass not found");
  EXPECT_EQ(FailingRead(Variant("object Label1: TTestWidget", "object Label1: TComponent")),
            "Class TComponent not found");
  // A component named like a published field of another class.
  EXPECT_EQ(FailingRead(Variant("object Panel1: TTestWidget", "object Panel1: TTestForm")),
            "Field Panel1 of TTestForm cannot hold a TTestForm");
  EXPECT_EQ(FailingRead(Variant("object Label1: TTestWidget", "object Label1: TTestForm")),
            "Error reading Label1.Left: Property Left does not exist");

  // An existing component stored under another class.
  TTestForm form(nullptr);
  auto* panel = new TTestForm(&form);
  panel->SetName("Panel1");
  EXPECT_EQ(ReadErrorOf([&] { ReadForm(binary_, &form); }),
            "Component Panel1 is a TTestForm, not a TTestWidget");
  EXPECT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(form.Button1, nullptr);

  // Data of one class read into a root of another.
  TTestWidget other(nullptr);
  EXPECT_EQ(ReadErrorOf([&] { ReadForm(binary_, &other); }),
            "Cannot read a TTestForm into a TTestWidget");
  EXPECT_EQ(other.ComponentCount(), 0);
}

TEST_F(FilerTest, BadFramingIsAReadError) {
  std::string bad = binary_;
  bad[3] = '1';
  EXPECT_EQ(FailingRead(bad), "Invalid stream format: the form data does not start with TPF0");
  EXPECT_EQ(FailingRead(""), "Invalid stream format: the form data does not start with TPF0");

  // An unknown value type in place of Tag's value.
  TMemoryStream m;
  TWriter w(m);
  w.WriteSignature();
  w.WriteStr("TTestForm");
  w.WriteStr("Form1");
  w.WriteStr("Tag");
  uint8_t unknown = 21;
  w.Write(&unknown, 1);
  EXPECT_EQ(FailingRead(StreamBytes(m)), "Error reading Form1.Tag: Unknown value type 21");

  // A binary value claiming more bytes than there are.
  std::string huge = binary_;
  size_t at = huge.find(std::string("\x0A\x04\x00\x00\x00", 5));
  ASSERT_NE(at, std::string::npos);
  huge[at + 4] = '\x7F';
  EXPECT_EQ(FailingRead(huge), "Error reading Button1.Picture.Data: Unexpected end of form data");

  // Components nested deeper than any form: refused before the stack runs out.
  TMemoryStream nested;
  TWriter nw(nested);
  nw.WriteSignature();
  nw.WriteStr("TTestForm");
  nw.WriteStr("Form1");
  nw.WriteListEnd();
  for (int i = 0; i < 100; ++i) {
    nw.WriteStr("TTestWidget");
    nw.WriteStr(Format("W%d", i));
    nw.WriteListEnd();
  }
  EXPECT_EQ(FailingRead(StreamBytes(nested)), "Components nested too deeply");

  std::string no_form = Variant("object Form1: TTestForm", "object Form1: TNoForm");
  EXPECT_EQ(ReadErrorOf([&] { ReadForm(no_form, nullptr); }), "Class TNoForm not found");
}

TEST_F(FilerTest, EveryTruncatedPrefixFailsAndLeavesNothingBehind) {
  for (size_t n = 0; n < binary_.size(); ++n) {
    std::string message = FailingRead(binary_.substr(0, n));
    EXPECT_NE(message, "<no EReadError>") << "prefix of " << n << " bytes";
  }
}

#ifndef _WIN32
// Resources registered at run time exist only in the portable resource table;
// on Windows, forms compiled into the program are read by the tools and
// launcher suites.
TEST_F(FilerTest, ReadComponentResReadsAnRcdataResource) {
  RegisterResource(RT_RCDATA, "TTESTFORM", binary_.data(), binary_.size());
  TTestForm form(nullptr);
  EXPECT_EQ(ReadComponentRes("TTestForm", &form), &form);
  EXPECT_EQ(form.Caption, "Main window");
  std::unique_ptr<TComponent> made(ReadComponentRes("TTestForm", nullptr));
  EXPECT_TRUE(Is<TTestForm>(made.get()));
  UnregisterResource(RT_RCDATA, "TTESTFORM");
  try {
    ReadComponentRes("TNoForm", nullptr);
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource TNoForm not found");
  }
}
#endif

TEST(Extended, EncodesTheX87Layout) {
  auto encode = [](long double v) {
    uint8_t b[10];
    EncodeExtended(v, b);
    return std::string(reinterpret_cast<char*>(b), 10);
  };
  EXPECT_EQ(encode(1.0L), std::string("\0\0\0\0\0\0\0\x80\xFF\x3F", 10));
  EXPECT_EQ(encode(-2.0L), std::string("\0\0\0\0\0\0\0\x80\x00\xC0", 10));
  EXPECT_EQ(encode(0.0L), std::string(10, '\0'));
  EXPECT_EQ(encode(0.1L), std::string("\xCD\xCC\xCC\xCC\xCC\xCC\xCC\xCC\xFB\x3F", 10));
  EXPECT_EQ(encode(HUGE_VALL), std::string("\0\0\0\0\0\0\0\x80\xFF\x7F", 10));
  for (long double v : {1.0L, -2.5L, 0.1L, 1e300L, 1e-300L, 3.4e-4940L, 1.18973e4932L, -0.0L}) {
    uint8_t b[10];
    EncodeExtended(v, b);
    long double back = DecodeExtended(b);
    EXPECT_EQ(back, v);
    EXPECT_EQ(std::signbit(back), std::signbit(v));
  }
  uint8_t b[10];
  EncodeExtended(NAN, b);
  EXPECT_TRUE(std::isnan(DecodeExtended(b)));
}

}  // namespace
