// String lists: editing, index errors, Text, change notification, Assign.
#include <gtest/gtest.h>

#include "platform/classes/Strings.h"

namespace {

TEST(StringList, EditsAndRejectsBadIndexes) {
  TStringList list;
  EXPECT_EQ(list.Add("b"), 0);
  EXPECT_EQ(list.Add("d"), 1);
  list.Insert(0, "a");
  list.Insert(2, "c");
  list.Insert(4, "e");  // Insert at Count appends
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Text(), "a\nb\nc\nd\ne\n");
  list.Delete(4);
  list.SetStrings(0, "A");
  EXPECT_EQ(list.Strings(0), "A");
  EXPECT_EQ(list.IndexOf("C"), 2);  // ignores case
  EXPECT_EQ(list.IndexOf("zz"), -1);
  for (int bad : {-1, 4}) {
    EXPECT_THROW(list.Strings(bad), EListError);
    EXPECT_THROW(list.Delete(bad), EListError);
    EXPECT_THROW(list.SetStrings(bad, "x"), EListError);
  }
  EXPECT_THROW(list.Insert(5, "x"), EListError);
  try {
    list.Strings(7);
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (7)");
  }
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");
}

TEST(StringList, SetTextSplitsAtEveryLineBreakKind) {
  TStringList list;
  list.SetText("one\r\ntwo\nthree\rfour");
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Strings(3), "four");
  list.SetText("x\n\ny\n");  // a final break starts no line; an empty line stays
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Strings(1), "");
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  list.SetText("\r\n");
  EXPECT_EQ(list.Count(), 1);
}

TEST(StringList, ChangesAreReportedOnceAfterAnUpdate) {
  TStringList list;
  int changes = 0;
  TObject* sender = nullptr;
  list.OnChange = [&](TObject* s) {
    ++changes;
    sender = s;
  };
  list.Add("a");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(sender, &list);
  list.SetText("1\n2\n3\n");
  EXPECT_EQ(changes, 2);
  list.BeginUpdate();
  list.BeginUpdate();
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
  list.EndUpdate();
  EXPECT_EQ(changes, 3);
  list.BeginUpdate();
  list.EndUpdate();  // nothing changed
  EXPECT_EQ(changes, 3);
  list.EndUpdate();  // unbalanced: ignored
  list.Clear();
  EXPECT_EQ(changes, 4);
  list.Clear();  // already empty
  EXPECT_EQ(changes, 4);
}

TEST(StringList, AssignCopiesStringsAndRejectsOtherClasses) {
  TStringList a, b;
  a.SetText("x\ny\n");
  b.Add("old");
  b.Assign(&a);
  EXPECT_EQ(b.Text(), "x\ny\n");
  b.Assign(&b);
  EXPECT_EQ(b.Text(), "x\ny\n");
  TPersistent other;
  EXPECT_THROW(b.Assign(&other), EConvertError);
  EXPECT_THROW(b.Assign(nullptr), EConvertError);
}

}  // namespace
