// Sweeps over the form-description readers: every single-byte corruption of
// the test form's binary form, and every prefix and single-byte corruption of
// its text form. Each read or conversion either succeeds or raises a read
// error with a message, and a failed read leaves nothing it made behind.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>

#include "tests/platform/FilerFixture.h"
#include "tests/support/Corruptions.h"

namespace {

using namespace filertest;

// Runs f: true when it returns, false when it raises an EReadError with a
// message. Any other exception fails the test.
template <class F>
bool Succeeds(F f) {
  try {
    f();
    return true;
  } catch (const EReadError& e) {
    EXPECT_FALSE(e.Message().empty());
  } catch (const Exception& e) {
    ADD_FAILURE() << "not a read error: " << typeid(e).name() << ": " << e.Message();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "escaped: " << typeid(e).name() << ": " << e.what();
  } catch (...) {
    ADD_FAILURE() << "escaped: an exception of an unknown type";
  }
  return false;
}

struct Tally {
  size_t read = 0;
  size_t failed = 0;
};

class FilerSweep : public FilerTest {
 protected:
  // Reads binary into a new root and into an existing form with a widget of
  // its own. A failed read must leave no component it made alive and the
  // existing form as it was.
  void ReadOrFailCleanly(const std::string& binary, Tally& tally) {
    if (Succeeds([&] { delete ReadForm(binary, nullptr); }))
      ++tally.read;
    else
      ++tally.failed;
    ExpectNothingLeaked();
    {
      TTestForm form(nullptr);
      auto* own = new TTestWidget(&form);
      own->SetName("Own");
      if (!Succeeds([&] { ReadForm(binary, &form); })) {
        EXPECT_EQ(form.ComponentCount(), 1);
        EXPECT_EQ(form.Components(0), own);
        EXPECT_EQ(form.Button1, nullptr);
        EXPECT_EQ(form.Panel1, nullptr);
      }
      EXPECT_EQ(form.ComponentState() & (csLoading | csReading), 0u);
    }
    ExpectNothingLeaked();
  }
};

TEST_F(FilerSweep, BinaryFormCorruptions) {
  Tally tally;
  ForEachCorruption(binary_, [&](const std::string& bad) {
    ReadOrFailCleanly(bad, tally);
    // The converter behind the form viewer reads the same data.
    Succeeds([&] { BinaryToText(bad); });
  });
  EXPECT_GT(tally.read, 0u);
  EXPECT_GT(tally.failed, 0u);
  std::unique_ptr<TComponent> root(ReadForm(binary_, nullptr));
  EXPECT_EQ(WriteForm(root.get()), binary_);
}

// Converts text, as the form compiler does: true on success, false when it
// raises EParserError "Line <n>: ...". Any other exception fails the test.
bool Converts(const std::string& text, std::string& binary) {
  try {
    binary = TextToBinary(text);
    return true;
  } catch (const EParserError& e) {
    EXPECT_EQ(e.Message().rfind("Line ", 0), 0u) << e.Message();
    EXPECT_GT(e.Message().size(), 8u) << e.Message();
  } catch (const Exception& e) {
    ADD_FAILURE() << "not a parser error: " << typeid(e).name() << ": " << e.Message();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "escaped: " << typeid(e).name() << ": " << e.what();
  } catch (...) {
    ADD_FAILURE() << "escaped: an exception of an unknown type";
  }
  return false;
}

TEST_F(FilerSweep, TextFormPrefixes) {
  const std::string text = kFormText;
  std::string binary;
  for (size_t n = 0; n < text.size(); ++n) {
    SCOPED_TRACE(testing::Message() << "prefix of " << n << " characters");
    // Everything up to the last "end" is incomplete; the final newline is not needed.
    EXPECT_EQ(Converts(text.substr(0, n), binary), n + 1 == text.size());
    if (HasFailure()) break;
  }
  EXPECT_EQ(binary, binary_);
}

TEST_F(FilerSweep, TextFormCorruptions) {
  Tally converted, read;
  ForEachCorruption(std::string(kFormText), [&](const std::string& bad) {
    std::string binary;
    if (!Converts(bad, binary)) {
      ++converted.failed;
      return;
    }
    ++converted.read;
    ReadOrFailCleanly(binary, read);
  });
  EXPECT_GT(converted.read, 0u);
  EXPECT_GT(converted.failed, 0u);
  EXPECT_GT(read.failed, 0u);
}

}  // namespace
