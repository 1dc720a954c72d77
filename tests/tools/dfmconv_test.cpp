// The form-description compiler: the text form with every value type, file
// references, parse errors with line numbers, the dfmconv tool and a form
// compiled into the test program by the build.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/classes/Filer.h"
#include "tests/support/TestComponents.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Bytes(TMemoryStream& m) {
  return std::string(reinterpret_cast<const char*>(m.Memory()), static_cast<size_t>(m.Size()));
}

std::string ToBinary(const std::string& text, const std::string& base = {}) {
  TMemoryStream in, out;
  in.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  in.SetPosition(0);
  ObjectTextToBinary(in, out, base);
  return Bytes(out);
}

std::string ToText(const std::string& binary) {
  TMemoryStream in, out;
  in.WriteBuffer(binary.data(), static_cast<int32_t>(binary.size()));
  in.SetPosition(0);
  ObjectBinaryToText(in, out);
  return Bytes(out);
}

std::string ParseError(const std::string& text) {
  try {
    ToBinary(text);
  } catch (const EParserError& e) {
    return e.Message();
  }
  return "<no EParserError>";
}

// The binary form of one property value: what follows "X" in a form.
std::string ValueBytes(const std::string& value_text) {
  std::string b = ToBinary("object T\n  X = " + value_text + "\nend\n");
  // "TPF0", class "T", empty name, then the property name "X".
  std::string head = std::string("TPF0\x01T\x00\x01X", 9);
  EXPECT_EQ(b.compare(0, head.size(), head), 0);
  return b.substr(head.size(), b.size() - head.size() - 2);  // without the two 0s
}

TEST(FormText, EveryValueTypeHasItsBinaryForm) {
  EXPECT_EQ(ValueBytes("-5"), std::string("\x02\xFB", 2));
  EXPECT_EQ(ValueBytes("$FF"), std::string("\x03\xFF\x00", 3));
  EXPECT_EQ(ValueBytes("70000"), std::string("\x04\x70\x11\x01\x00", 5));
  EXPECT_EQ(ValueBytes("-5000000000"), std::string("\x13\x00\x0E\xFA\xD5\xFE\xFF\xFF\xFF", 9));
  EXPECT_EQ(ValueBytes("1.0"), std::string("\x05\0\0\0\0\0\0\0\x80\xFF\x3F", 11));
  EXPECT_EQ(ValueBytes("2e0"), std::string("\x05\0\0\0\0\0\0\0\x80\x00\x40", 11));
  EXPECT_EQ(ValueBytes("1.5s"), std::string("\x0F\x00\x00\xC0\x3F", 5));
  EXPECT_EQ(ValueBytes("1.25c"), std::string("\x10\xD4\x30\0\0\0\0\0\0", 9));
  EXPECT_EQ(ValueBytes("-0.0001c"), std::string("\x10\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 9));
  EXPECT_EQ(ValueBytes("0.5d"), std::string("\x11\0\0\0\0\0\0\xE0\x3F", 9));
  EXPECT_EQ(ValueBytes("'it''s'#9 + 'x'"), std::string("\x06\x06it's\tx", 8));
  EXPECT_EQ(ValueBytes("#$41#66"), std::string("\x06\x02"
                                               "AB",
                                               4));
  EXPECT_EQ(ValueBytes("'a'#1234"), std::string("\x12\x02\0\0\0a\0\xD2\x04", 9));
  EXPECT_EQ(ValueBytes("clRed"), std::string("\x07\x05"
                                             "clRed",
                                             7));
  EXPECT_EQ(ValueBytes("false"), std::string("\x08", 1));
  EXPECT_EQ(ValueBytes("True"), std::string("\x09", 1));
  EXPECT_EQ(ValueBytes("nil"), std::string("\x0D", 1));
  EXPECT_EQ(ValueBytes("{ 00 ff\n 1A }"), std::string("\x0A\x03\0\0\0\x00\xFF\x1A", 8));
  EXPECT_EQ(ValueBytes("[]"), std::string("\x0B\x00", 2));
  EXPECT_EQ(ValueBytes("[a, bc]"), std::string("\x0B\x01"
                                               "a\x02"
                                               "bc\x00",
                                               7));
  EXPECT_EQ(ValueBytes("( 1 ( ) 'x' )"), std::string("\x01\x02\x01\x01\x00\x06\x01x\x00", 9));
  EXPECT_EQ(ValueBytes("<item [2] A = 1 end>"), std::string("\x0E\x02\x02\x01\x01"
                                                            "A\x02\x01\x00\x00",
                                                            10));
  std::string long_string(300, 'q');
  EXPECT_EQ(ValueBytes("'" + long_string + "'"),
            std::string("\x0C\x2C\x01\x00\x00", 5) + long_string);
}

TEST(FormText, BinaryToTextToBinaryKeepsEveryByte) {
  const std::string text =
      "object Main: TMain\n"
      "  A = -5\n"
      "  B = 5000000000\n"
      "  C = 3.1415926535897932385\n"
      "  D = 0.1s\n"
      "  E = -12.5c\n"
      "  F = 45000.25d\n"
      "  G = 'quote '' and '#13#10'end'\n"
      "  H = 'wide '#1234\n"
      "  I = [x, y]\n"
      "  J = (\n"
      "    1\n"
      "    (\n"
      "      'a')\n"
      "    nil)\n"
      "  K = {\n"
      "    00FF}\n"
      "  L = <\n"
      "    item\n"
      "      A = 1\n"
      "    end\n"
      "    item [4]\n"
      "      B = True\n"
      "    end>\n"
      "  M = False\n"
      "  object Inner: TInner\n"
      "    object TDeeper\n"
      "    end\n"
      "  end\n"
      "end\n";
  std::string binary = ToBinary(text);
  EXPECT_EQ(ToText(binary), text);
  EXPECT_EQ(ToBinary(ToText(binary)), binary);

  std::string long_text = "object T\n  S = '" + std::string(200, 'x') + "'\nend\n";
  std::string long_binary = ToBinary(long_text);
  std::string shown = ToText(long_binary);
  EXPECT_NE(shown.find("' +\n    '"), std::string::npos);  // split over lines
  EXPECT_EQ(ToBinary(shown), long_binary);
}

TEST(FormText, FileReferencesEmbedFilesAndGraphicRecords) {
  TempDir dir;
  WriteFileBytes(dir.File("p.bmp"), "BMxyz");
  WriteFileBytes(dir.File("i.ico"), std::string("\0\0\1\0", 4));
  EXPECT_EQ(ValueBytes("{@file '" + dir.File("i.ico") + "'}"),
            std::string("\x0A\x04\0\0\0\0\0\1\0", 9));
  std::string b = ToBinary("object T\n  X = {@graphic TJPEGBitmap 'p.bmp'}\nend\n", dir.Path());
  std::string record = std::string("\x0BTJPEGBitmap\x05\0\0\0BMxyz", 21);
  EXPECT_NE(b.find(std::string("\x0A\x15\0\0\0", 5) + record), std::string::npos);
  try {
    ToBinary("object T\n  X = {@file 'missing.bin'}\nend\n", dir.Path());
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file " + dir.File("missing.bin"));
  }
}

TEST(FormText, ParseErrorsGiveTheLine) {
  EXPECT_EQ(ParseError("thing T\nend\n"), "Line 1: Expected 'object' but found 'thing'");
  EXPECT_EQ(ParseError("object T\n  X = 1\n"), "Line 3: Missing 'end' of T");
  EXPECT_EQ(ParseError("object T\n  X 1\nend\n"), "Line 2: Expected '=' but found '1'");
  EXPECT_EQ(ParseError("object T\n  X = \nend\n"), "Line 4: Missing 'end' of T");
  EXPECT_EQ(ParseError("object T\n  X = 'abc\nend\n"), "Line 2: Unterminated string");
  EXPECT_EQ(ParseError("object T\n  X = {0A0}\nend\n"),
            "Line 2: Odd number of hex digits in binary data");
  EXPECT_EQ(ParseError("object T\n  X = {0G}\nend\n"),
            "Line 2: Expected hex digits or '}' but found 'G}'");
  EXPECT_EQ(ParseError("object T\n  X = {@url 'x'}\nend\n"), "Line 2: Unknown directive @url");
  EXPECT_EQ(ParseError("object T\n  X = 12ab\nend\n"), "Line 2: Invalid number 'ab'");
  EXPECT_EQ(ParseError("object T\n  X = #70000\nend\n"), "Line 2: Character code out of range");
  EXPECT_EQ(ParseError("object T\n  X = 99999999999999999999\nend\n"),
            "Line 2: Integer 99999999999999999999 out of range");
  EXPECT_EQ(ParseError("object T\n  X = 1.00001c\nend\n"),
            "Line 2: A currency value has at most 4 decimals");
  EXPECT_EQ(ParseError("object T\n  X = (1 2\nend\n"), "Line 4: Missing ')'");
  EXPECT_EQ(ParseError("object T\n  object U\n  end\n  X = 1\nend\n"),
            "Line 4: Properties must come before the child components");
  EXPECT_EQ(ParseError("object T\nend\nend\n"), "Line 3: Unexpected text after the last 'end'");
  EXPECT_EQ(ParseError("object T\n  X = [a b]\nend\n"), "Line 2: Expected ',' but found 'b]'");
  std::string deep = "object T\n  X = " + std::string(100, '(') + std::string(100, ')') + "\nend\n";
  EXPECT_EQ(ParseError(deep), "Line 2: Values nested too deeply");
}

TEST(FormText, BadBinaryDataIsAReadError) {
  std::string binary = ToBinary("object T\n  X = (1 2 'abc')\nend\n");
  for (size_t n = 0; n < binary.size(); ++n)
    EXPECT_THROW(ToText(binary.substr(0, n)), EReadError) << n;
  std::string bad = binary;
  bad[bad.find('\x01', 8)] = '\x15';
  EXPECT_THROW(ToText(bad), EReadError);
  std::string deep = std::string("TPF0\x01T\x00\x01X", 9) + std::string(200, '\x01');
  try {
    ToText(deep);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Values nested too deeply");
  }
  std::string deep_items = std::string("TPF0\x01T\x00", 7);
  for (int i = 0; i < 100; ++i) deep_items += std::string("\x01X\x0E\x01", 4);
  EXPECT_THROW(ToText(deep_items), EReadError);
}

// Runs dfmconv with args; returns its exit status and its standard error.
int RunTool(const std::string& args, std::string* errors, const TempDir& dir) {
  std::string command = std::string(VASK_DFMCONV) + " " + args + " 2>" + dir.File("stderr");
  const int status = RunShell(command);
  *errors = ReadFileBytes(dir.File("stderr"));
  return status;
}

TEST(Dfmconv, ConvertsBothWaysAndReportsFailures) {
  TempDir dir;
  WriteFileBytes(dir.File("form.txt"), "object A: TA\n  Icon.Data = {@file 'i.ico'}\nend\n");
  WriteFileBytes(dir.File("i.ico"), "ICON");
  std::string errors;
  ASSERT_EQ(
      RunTool("--to-binary " + dir.File("form.txt") + " " + dir.File("form.bin"), &errors, dir), 0)
      << errors;
  EXPECT_EQ(ReadFileBytes(dir.File("form.bin")),
            ToBinary(ReadFileBytes(dir.File("form.txt")), dir.Path()));
  ASSERT_EQ(RunTool("--to-text " + dir.File("form.bin") + " " + dir.File("back.txt"), &errors, dir),
            0);
  EXPECT_EQ(ReadFileBytes(dir.File("back.txt")),
            "object A: TA\n  Icon.Data = {\n    49434F4E}\nend\n");

  // --base replaces the text file's directory for file references.
  std::filesystem::create_directory(dir.File("sub"));
  WriteFileBytes(dir.File("sub/form.txt"), "object A: TA\n  Icon.Data = {@file 'i.ico'}\nend\n");
  EXPECT_EQ(
      RunTool("--to-binary " + dir.File("sub/form.txt") + " " + dir.File("o.bin"), &errors, dir),
      1);
  EXPECT_EQ(errors, "dfmconv: " + dir.File("sub/form.txt") + ": Cannot open file " +
                        dir.File("sub/i.ico") + "\n");
  EXPECT_EQ(RunTool("--to-binary " + dir.File("sub/form.txt") + " " + dir.File("o.bin") +
                        " --base " + dir.Path(),
                    &errors, dir),
            0);

  WriteFileBytes(dir.File("bad.txt"), "object A: TA\n  X = ?\nend\n");
  EXPECT_EQ(RunTool("--to-binary " + dir.File("bad.txt") + " " + dir.File("bad.bin"), &errors, dir),
            1);
  EXPECT_EQ(errors,
            "dfmconv: " + dir.File("bad.txt") + ": Line 2: Expected a value but found '?'\n");
  EXPECT_NE(::access(dir.File("bad.bin").c_str(), F_OK), 0);  // no output on failure
  EXPECT_EQ(RunTool("--to-text " + dir.File("bad.txt") + " " + dir.File("bad.out"), &errors, dir),
            1);
  EXPECT_EQ(RunTool("--frobnicate a b", &errors, dir), 2);
  EXPECT_EQ(RunTool("", &errors, dir), 2);
}

// An output the tool did not write is never removed, and a write that fails
// half-way (here at a file-size limit) leaves the old output and no
// temporary file behind.
TEST(Dfmconv, AFailedConversionLeavesAnExistingOutputAlone) {
  TempDir dir;
  const std::string out = dir.File("out.bin");
  WriteFileBytes(dir.File("bad.txt"), "object A: TA\n  X = ?\nend\n");
  WriteFileBytes(dir.File("big.txt"), "object A: TA\n  Icon.Data = {@file 'big.ico'}\nend\n");
  WriteFileBytes(dir.File("big.ico"), std::string(8192, 'i'));
  std::string errors;
  for (const std::string& input : {dir.File("missing.txt"), dir.File("bad.txt")}) {
    WriteFileBytes(out, "old");
    EXPECT_EQ(RunTool("--to-binary " + input + " " + out, &errors, dir), 1) << input;
    EXPECT_EQ(ReadFileBytes(out), "old") << input;
  }
#ifndef _WIN32
  // 512-byte blocks: 2 KB, less than the 8 KB the output needs.
  const int status =
      RunShell("ulimit -f 4; trap '' XFSZ; " + std::string(VASK_DFMCONV) + " --to-binary " +
               dir.File("big.txt") + " " + out + " 2>" + dir.File("stderr"));
  EXPECT_EQ(status, 1);
  EXPECT_EQ(ReadFileBytes(dir.File("stderr")),
            "dfmconv: Cannot write " + out + ": File too large\n");
  EXPECT_EQ(ReadFileBytes(out), "old");
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
#endif
  ASSERT_EQ(RunTool("--to-binary " + dir.File("big.txt") + " " + out, &errors, dir), 0) << errors;
  EXPECT_GT(ReadFileBytes(out).size(), 8192u);
}

TEST(Dfmconv, TheBuildEmbedsCompiledForms) {
  RegisterTestComponents();
  std::unique_ptr<TComponent> root(ReadComponentRes("TestForm", nullptr));
  auto* form = As<TTestForm>(root.get());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Caption, "Built by the form compiler");
  ASSERT_NE(form->Button1, nullptr);
  EXPECT_EQ(form->Button1->Caption, "Press");
  EXPECT_EQ(form->Button1->Picture()->Bytes,
            (std::vector<uint8_t>{'b', 'l', 'o', 'b', 0x00, 0x01, 0xFF}));
  form->Button1->OnClick(form->Button1);
  EXPECT_EQ(form->Clicks, 1);
}

}  // namespace
