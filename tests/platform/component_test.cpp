// Object model: class tests, verifying casts, ownership and the registry.
#include <gtest/gtest.h>

#include "platform/classes/Classes.h"

namespace {

int destroyed = 0;

class TProbe : public TComponent {
  VASK_CLASS(TProbe, TComponent)
 public:
  explicit TProbe(TComponent* owner) : TComponent(owner) {}
  ~TProbe() override { ++destroyed; }
};
VASK_DEFINE_CLASS(TProbe)

class TOther : public TComponent {
  VASK_CLASS(TOther, TComponent)
 public:
  using TComponent::TComponent;
};
VASK_DEFINE_CLASS(TOther)

TEST(ObjectModel, ClassTestsAndVerifyingCasts) {
  TProbe probe(nullptr);
  TObject* obj = &probe;
  EXPECT_TRUE(Is<TComponent>(obj));
  EXPECT_TRUE(Is<TProbe>(obj));
  EXPECT_FALSE(Is<TOther>(obj));
  EXPECT_FALSE(Is<TComponent>(nullptr));
  EXPECT_EQ(As<TProbe>(obj), &probe);
  EXPECT_EQ(As<TProbe>(static_cast<TObject*>(nullptr)), nullptr);
  try {
    As<TOther>(obj);
    FAIL() << "cast did not raise";
  } catch (const EInvalidCast& e) {
    EXPECT_STREQ(e.what(), "Invalid class typecast");
  }
  EXPECT_EQ(probe.ClassName(), "TProbe");
}

TEST(ObjectModel, OwnedComponentsAreFreedOnceWithTheirOwner) {
  destroyed = 0;
  auto* owner = new TComponent(nullptr);
  auto* a = new TProbe(owner);
  new TProbe(owner);
  a->SetName("First");
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->FindComponent("first"), a);
  delete a;  // leaves its owner
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(destroyed, 1);
  delete owner;
  EXPECT_EQ(destroyed, 2);
}

TEST(ObjectModel, NamesAreIdentifiersAndUniqueWithinTheOwner) {
  TComponent owner(nullptr);
  auto* a = new TProbe(&owner);
  auto* b = new TProbe(&owner);
  a->SetName("Button1");
  EXPECT_THROW(b->SetName("button1"), EComponentError);
  EXPECT_THROW(b->SetName("1abc"), EComponentError);
  EXPECT_THROW(b->SetName("a b"), EComponentError);
  b->SetName("Button2");
  EXPECT_EQ(b->Name(), "Button2");
}

TEST(ObjectModel, RegistryFindsAndConstructsClassesByName) {
  RegisterClass(TProbe::StaticClass());
  RegisterClass(TProbe::StaticClass());
  EXPECT_EQ(GetClass("tprobe"), TProbe::StaticClass());
  EXPECT_EQ(GetClass("TNowhere"), nullptr);
  EXPECT_THROW(FindClass("TNowhere"), EClassNotFound);
  TComponent owner(nullptr);
  TObject* made = FindClass("TProbe")->Create(&owner);
  EXPECT_TRUE(Is<TProbe>(made));
  EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(ObjectModel, PublishedTablesListInheritedPropertiesFirst) {
  auto props = TProbe::StaticClass()->AllProps();
  ASSERT_EQ(props.size(), 2u);
  EXPECT_EQ(props[0]->Name, "Name");
  EXPECT_EQ(props[1]->Name, "Tag");
  EXPECT_EQ(props[1]->Default, 0);
}

TEST(Format, GrowsBeyondAnyFixedBuffer) {
  std::string long_arg(1000, 'x');
  std::string s = Format("<%s>", long_arg.c_str());
  EXPECT_EQ(s.size(), 1002u);
  EXPECT_EQ(Format("%d-%s", 7, "a"), "7-a");
}

}  // namespace
