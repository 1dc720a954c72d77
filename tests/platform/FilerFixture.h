// The test form of the component-streaming tests, in its text form, the
// conversions and reads around it, and FilerTest, the fixture that checks a
// failed read leaves nothing behind.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/classes/Filer.h"
#include "tests/support/FormData.h"
#include "tests/support/TestComponents.h"

namespace filertest {

// The message of the EReadError that f raises, or a marker when none.
inline std::string ReadErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EReadError& e) {
    return e.Message();
  }
  return "<no EReadError>";
}

inline constexpr char kFormText[] =
    "object Form1: TTestForm\n"
    "  Tag = 7\n"
    "  Caption = 'Main window'\n"
    "  OnShow = FormShow\n"
    "  object Button1: TTestWidget\n"
    "    Left = 8\n"
    "    Width = 300\n"
    "    Small = 65535\n"
    "    Big = 5000000000\n"
    "    Visible = False\n"
    "    Shape = shTriangle\n"
    "    Color = clWindow\n"
    "    Ratio = 0.25\n"
    "    Scale = 1.5s\n"
    "    Caption = 'It''s'#13#10'done'\n"
    "    Font.Height = -13\n"
    "    Font.Name = 'Mono'\n"
    "    Font.Style = [fsBold, fsUnderline]\n"
    "    Font.Color = 16711680\n"
    "    Lines.Strings = (\n"
    "      'first'\n"
    "      ''\n"
    "      'third')\n"
    "    Picture.Data = {\n"
    "      0001FEFF}\n"
    "    Buddy = Panel1\n"
    "    OnClick = Button1Click\n"
    "  end\n"
    "  object Panel1: TTestWidget\n"
    "    Color = clRed\n"
    "    Ratio = -1.5\n"
    "    Scale = 1.0s\n"
    "    Font.Name = 'Sans'\n"
    "    object Label1: TTestWidget\n"
    "      Left = -40000\n"
    "      Color = -1\n"
    "      Ratio = 0.0\n"
    "      Scale = 1.0s\n"
    "      Font.Name = 'Sans'\n"
    "    end\n"
    "  end\n"
    "end\n";

class FilerTest : public testing::Test {
 protected:
  void SetUp() override {
    RegisterTestComponents();
    widgets_ = TTestWidget::Live;
    forms_ = TTestForm::Live;
    binary_ = TextToBinary(kFormText);
  }
  void ExpectNothingLeaked() {
    EXPECT_EQ(TTestWidget::Live, widgets_);
    EXPECT_EQ(TTestForm::Live, forms_);
  }
  // kFormText with one line replaced (or removed, when with is empty).
  std::string Variant(const std::string& line, const std::string& with) {
    std::string text = kFormText;
    size_t at = text.find(line);
    EXPECT_NE(at, std::string::npos) << line;
    text.replace(at, line.size(), with);
    return TextToBinary(text);
  }
  // Reads binary into a new root and into an existing one with a widget of
  // its own, expects EReadError both times, checks that nothing the reader
  // made survives, and returns the message.
  std::string FailingRead(const std::string& binary) {
    std::string message = ReadErrorOf([&] { delete ReadForm(binary, nullptr); });
    ExpectNothingLeaked();
    TTestForm form(nullptr);
    auto* own = new TTestWidget(&form);
    own->SetName("Own");
    std::string again = ReadErrorOf([&] { ReadForm(binary, &form); });
    EXPECT_EQ(again, message);
    EXPECT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(form.Button1, nullptr);
    EXPECT_EQ(form.Panel1, nullptr);
    EXPECT_EQ(form.ComponentState() & (csLoading | csReading), 0u);
    return message;
  }

  int widgets_ = 0;
  int forms_ = 0;
  std::string binary_;
};

}  // namespace filertest
