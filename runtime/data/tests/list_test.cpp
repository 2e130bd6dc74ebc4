#include "runtime/data/list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "runtime/data/cell_pool.h"

namespace {

struct Item {
  std::int64_t value;
  std::int64_t spare;
};

class ListTest : public ::testing::Test {
 protected:
  void SetUp() override { list = List_New(sizeof(Item), &var, nullptr, 7); }
  void TearDown() override { List_Free(list); }

  Item* Add(std::int64_t value) {
    auto* item = static_cast<Item*>(List_Add(list));
    if (item) item->value = value;
    return item;
  }

  static std::int64_t ValueOf(void* data) { return data ? static_cast<Item*>(data)->value : -999; }

  // The values in list order, read with Reset/Next.
  std::vector<std::int64_t> Values() {
    std::vector<std::int64_t> values;
    List_Reset(list);
    while (void* data = List_Next(list)) values.push_back(ValueOf(data));
    return values;
  }

  ListVariable var;
  ListHeader* list = nullptr;
};

TEST_F(ListTest, EmptyListGivesNothing) {
  EXPECT_EQ(List_Size(list), 0);
  EXPECT_EQ(List_Next(list), nullptr);
  EXPECT_EQ(List_First(list), nullptr);
  EXPECT_EQ(List_Last(list), nullptr);
  EXPECT_EQ(List_Select(list, 0), nullptr);
  EXPECT_EQ(List_Delete(list), nullptr);
  EXPECT_EQ(List_Current(list), nullptr);
  EXPECT_EQ(List_Index(list), -1);
  EXPECT_EQ(List_Kind(list), 7);
}

TEST_F(ListTest, NullListIsHarmless) {
  EXPECT_EQ(List_Add(nullptr), nullptr);
  EXPECT_EQ(List_Size(nullptr), 0);
  EXPECT_EQ(List_Next(nullptr), nullptr);
  EXPECT_EQ(List_Select(nullptr, 0), nullptr);
  EXPECT_EQ(List_Delete(nullptr), nullptr);
  List_Reset(nullptr);
  List_Clear(nullptr);
  List_Free(nullptr);
}

TEST_F(ListTest, AddingInALoopKeepsInsertionOrder) {
  for (int i = 0; i < 5; ++i) Add(i);
  EXPECT_EQ(List_Size(list), 5);
  EXPECT_EQ(Values(), (std::vector<std::int64_t>{0, 1, 2, 3, 4}));
  // Past the end: nothing, and the last element stays current.
  EXPECT_EQ(List_Next(list), nullptr);
  EXPECT_EQ(ValueOf(List_Current(list)), 4);
  EXPECT_EQ(List_Index(list), 4);
}

TEST_F(ListTest, NewElementsAreZeroedEvenInReusedCells) {
  auto* item = Add(0);
  std::memset(item, 0xAB, sizeof(Item));
  List_Delete(list);
  auto* again = static_cast<Item*>(List_Add(list));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->value, 0);
  EXPECT_EQ(again->spare, 0);
}

TEST_F(ListTest, AddAfterResetGoesToTheFront) {
  Add(1);
  Add(2);
  List_Reset(list);
  Add(0);
  EXPECT_EQ(List_Index(list), 0);
  EXPECT_EQ(Values(), (std::vector<std::int64_t>{0, 1, 2}));
  EXPECT_EQ(ValueOf(List_First(list)), 0);
  EXPECT_EQ(ValueOf(List_Last(list)), 2);
}

TEST_F(ListTest, AddInsertsAfterTheCurrentElement) {
  for (int i = 0; i < 4; ++i) Add(i * 10);
  List_Select(list, 1);
  Add(15);
  EXPECT_EQ(List_Index(list), 2);
  EXPECT_EQ(ValueOf(List_Current(list)), 15);
  // The next add goes after the new one.
  Add(16);
  EXPECT_EQ(Values(), (std::vector<std::int64_t>{0, 10, 15, 16, 20, 30}));
  // After the last element: becomes the new last.
  List_Last(list);
  Add(99);
  EXPECT_EQ(ValueOf(List_Last(list)), 99);
  EXPECT_EQ(List_Index(list), 6);
  // First, then add: second place.
  List_First(list);
  Add(5);
  EXPECT_EQ(Values(), (std::vector<std::int64_t>{0, 5, 10, 15, 16, 20, 30, 99}));
}

TEST_F(ListTest, SelectWalksToTheRightElementFromAnyPosition) {
  for (int i = 0; i < 20; ++i) Add(i);
  // Jumps that favour each of the three starting points.
  for (std::int64_t index : {7, 3, 19, 0, 11, 12, 10, 18, 1, 9, 9}) {
    EXPECT_EQ(ValueOf(List_Select(list, index)), index);
    EXPECT_EQ(List_Index(list), index);
    // The links around the selected element are intact.
    if (index < 19) {
      EXPECT_EQ(ValueOf(List_Next(list)), index + 1);
    }
  }
}

TEST_F(ListTest, SelectOutsideTheListClearsTheCurrentElement) {
  for (int i = 0; i < 3; ++i) Add(i);
  List_Select(list, 1);
  EXPECT_EQ(List_Select(list, -1), nullptr);
  EXPECT_EQ(List_Current(list), nullptr);
  EXPECT_EQ(var.current, nullptr);
  EXPECT_EQ(ValueOf(List_Next(list)), 0);
  List_Select(list, 2);
  EXPECT_EQ(List_Select(list, 3), nullptr);
  EXPECT_EQ(List_Current(list), nullptr);
  EXPECT_EQ(ValueOf(List_Next(list)), 0);
}

TEST_F(ListTest, DeleteInTheMiddleMakesThePreviousCurrent) {
  for (int i = 0; i < 5; ++i) Add(i);
  List_Select(list, 2);
  EXPECT_EQ(ValueOf(List_Delete(list)), 1);
  EXPECT_EQ(List_Index(list), 1);
  EXPECT_EQ(ValueOf(List_Next(list)), 3);
  EXPECT_EQ(Values(), (std::vector<std::int64_t>{0, 1, 3, 4}));
  EXPECT_EQ(List_Size(list), 4);
}

TEST_F(ListTest, DeleteTheLastMakesThePreviousTheLast) {
  for (int i = 0; i < 3; ++i) Add(i);
  List_Last(list);
  EXPECT_EQ(ValueOf(List_Delete(list)), 1);
  EXPECT_EQ(ValueOf(List_Last(list)), 1);
  EXPECT_EQ(List_Index(list), 1);
  Add(7);  // appends
  EXPECT_EQ(Values(), (std::vector<std::int64_t>{0, 1, 7}));
}

TEST_F(ListTest, DeleteTheFirstOfSeveralLeavesNoCurrentElement) {
  for (int i = 0; i < 3; ++i) Add(i);
  List_First(list);
  EXPECT_EQ(List_Delete(list), nullptr);
  EXPECT_EQ(List_Current(list), nullptr);
  EXPECT_EQ(var.current, nullptr);
  EXPECT_EQ(ValueOf(List_Next(list)), 1);
  EXPECT_EQ(List_Index(list), 0);
  EXPECT_EQ(ValueOf(List_First(list)), 1);
  // And an add without a current element goes to the front again.
  List_Delete(list);
  Add(5);
  EXPECT_EQ(Values(), (std::vector<std::int64_t>{5, 2}));
}

TEST_F(ListTest, DeleteTheOnlyElementEmptiesTheList) {
  Add(1);
  EXPECT_EQ(List_Delete(list), nullptr);
  EXPECT_EQ(List_Size(list), 0);
  EXPECT_EQ(List_First(list), nullptr);
  EXPECT_EQ(List_Last(list), nullptr);
  EXPECT_EQ(List_Next(list), nullptr);
  Add(2);
  EXPECT_EQ(Values(), (std::vector<std::int64_t>{2}));
}

TEST_F(ListTest, QueueUseAddsAtTheEndAndTakesFromTheFront) {
  std::vector<std::int64_t> taken;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 3; ++i) {
      List_Last(list);
      Add(round * 10 + i);
    }
    List_First(list);
    taken.push_back(ValueOf(List_Current(list)));
    List_Delete(list);
  }
  EXPECT_EQ(taken, (std::vector<std::int64_t>{0, 1, 2}));
  EXPECT_EQ(Values(), (std::vector<std::int64_t>{10, 11, 12, 20, 21, 22}));
}

TEST_F(ListTest, VariableFollowsTheCurrentElementAndIsClearedOnFree) {
  EXPECT_EQ(var.list, list);
  EXPECT_EQ(var.current, nullptr);
  void* a = Add(1);
  EXPECT_EQ(var.current, a);
  void* b = Add(2);
  EXPECT_EQ(var.current, b);
  List_First(list);
  EXPECT_EQ(var.current, a);
  List_Next(list);
  EXPECT_EQ(var.current, b);
  List_Delete(list);
  EXPECT_EQ(var.current, a);
  List_Clear(list);
  EXPECT_EQ(var.current, nullptr);
  EXPECT_EQ(var.list, list);
  List_Free(list);
  list = nullptr;
  EXPECT_EQ(var.list, nullptr);
}

TEST_F(ListTest, ClearEmptiesAndTheListStaysUsable) {
  for (int i = 0; i < 100; ++i) Add(i);
  List_Clear(list);
  EXPECT_EQ(List_Size(list), 0);
  EXPECT_EQ(List_Next(list), nullptr);
  Add(1);
  Add(2);
  EXPECT_EQ(Values(), (std::vector<std::int64_t>{1, 2}));
}

void* FailingAllocator(std::size_t) { return nullptr; }

TEST(ListMemoryTest, FailedAddLeavesTheListUnchanged) {
  // An element size no other test uses, so the list gets a pool of its own
  // with no blocks yet.
  ListHeader* list = List_New(1000, nullptr, nullptr, 0);
  ASSERT_NE(list, nullptr);
  auto* first = static_cast<std::int64_t*>(List_Add(list));
  ASSERT_NE(first, nullptr);
  *first = 42;
  for (int i = 1; i < 16; ++i) ASSERT_NE(List_Add(list), nullptr);  // fills the first block
  List_Select(list, 3);
  CellPool_SetBlockAllocator(FailingAllocator);
  EXPECT_EQ(List_Add(list), nullptr);
  CellPool_SetBlockAllocator(nullptr);
  EXPECT_EQ(List_Size(list), 16);
  EXPECT_EQ(List_Index(list), 3);
  EXPECT_EQ(*static_cast<std::int64_t*>(List_First(list)), 42);
  EXPECT_NE(List_Add(list), nullptr);
  EXPECT_EQ(List_Size(list), 17);
  List_Free(list);
}

}  // namespace
