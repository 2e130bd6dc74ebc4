#include "runtime/data/object_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Thing {
  std::intptr_t handle = 0;
  std::string name;
};

ObjectTable<Thing>* gTable = nullptr;
std::vector<ObjectHandle> gFreed;

void FreeThing(ObjectHandle number) {
  gFreed.push_back(number);
  gTable->Release(number);
}

class ObjectTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gFreed.clear();
    gTable = &table;
  }
  ObjectTable<Thing> table{16, 16, FreeThing};
};

TEST_F(ObjectTableTest, FixedNumbersGrowTheArrayAndAreFoundOnlyWhileLive) {
  ObjectHandle assigned = 0;
  Thing* t = table.Allocate(100, &assigned);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(assigned, 100);
  EXPECT_EQ(table.Find(100), nullptr) << "not live until the handle is set";
  t->handle = 7;
  t->name = "old";
  EXPECT_EQ(table.Find(100), t);
  EXPECT_EQ(table.Find(99), nullptr);
  // Reusing a live number frees the old object first; the record comes back
  // value-initialised.
  Thing* again = table.Allocate(100);
  ASSERT_EQ(gFreed, std::vector<ObjectHandle>{100});
  EXPECT_EQ(again->handle, 0);
  EXPECT_TRUE(again->name.empty());
  table.Allocate(100);  // never live: no callback
  EXPECT_EQ(gFreed.size(), 1u);
  again->handle = 1;
  table.Release(100);
  EXPECT_EQ(table.Find(100), nullptr);
  EXPECT_EQ(again->handle, 0) << "a released fixed slot is kept, zeroed";

  EXPECT_EQ(table.Allocate(-2), nullptr);
  EXPECT_EQ(table.Allocate(ObjectTable<Thing>::kMaxFixedNumber + 1), nullptr);
  EXPECT_EQ(table.Find(-5), nullptr);
  EXPECT_EQ(table.Find(0), nullptr);
}

TEST_F(ObjectTableTest, DynamicNumbersAreRecordAddressesAndValidated) {
  ObjectHandle number = 0;
  Thing* t = table.Allocate(KX_Any, &number);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(number, static_cast<ObjectHandle>(reinterpret_cast<std::uintptr_t>(t)));
  t->handle = 5;
  EXPECT_EQ(table.Find(number), t);
  EXPECT_TRUE(table.IsObject(number));
  EXPECT_FALSE(table.IsObject(number + 8)) << "a made-up address is not dereferenced";
  EXPECT_EQ(ObjectTable<Thing>::CreateResult(KX_Any, number, 5), number);
  EXPECT_EQ(ObjectTable<Thing>::CreateResult(2, 2, 5), 5);
  table.Release(number);
  EXPECT_FALSE(table.IsObject(number));
}

TEST_F(ObjectTableTest, FreeAllCallsTheCallbackForEveryLiveObject) {
  table.Allocate(1)->handle = 1;
  table.Allocate(2);  // not live
  ObjectHandle dyn = 0;
  table.Allocate(KX_Any, &dyn)->handle = 9;
  table.Allocate(KX_Any);  // not live, silently dropped
  EXPECT_EQ(table.LiveCount(), 2u);
  table.FreeAll();
  EXPECT_EQ(gFreed, (std::vector<ObjectHandle>{1, dyn}));
  EXPECT_EQ(table.LiveCount(), 0u);
}

}  // namespace
