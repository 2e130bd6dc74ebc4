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
using Values = std::vector<std::int64_t>;

std::int64_t ValueOf(void* data) { return data ? static_cast<Item*>(data)->value : -999; }

class ListTest : public ::testing::Test {
 protected:
  void SetUp() override { list = List_New(sizeof(Item), &var, nullptr, 7); }
  void TearDown() override { List_Free(list); }

  Item* Add(std::int64_t value) {
    auto* item = static_cast<Item*>(List_Add(list));
    if (item) item->value = value;
    return item;
  }
  // Empties the list and appends 0 .. count-1.
  void Fill(int count) {
    List_Clear(list);
    for (int i = 0; i < count; ++i) Add(i);
  }
  // The values in list order, read with Reset/Next.
  Values All() {
    Values values;
    List_Reset(list);
    while (void* data = List_Next(list)) values.push_back(ValueOf(data));
    return values;
  }

  ListVariable var;
  ListHeader* list = nullptr;
};

TEST_F(ListTest, EmptyAndNullListsGiveNothing) {
  EXPECT_EQ(List_Next(list), nullptr);
  EXPECT_EQ(List_First(list), nullptr);
  EXPECT_EQ(List_Last(list), nullptr);
  EXPECT_EQ(List_Select(list, 0), nullptr);
  EXPECT_EQ(List_Delete(list), nullptr);
  EXPECT_EQ(List_Index(list), -1);
  EXPECT_EQ(List_Kind(list), 7);
  EXPECT_EQ(List_Add(nullptr), nullptr);
  EXPECT_EQ(List_Size(nullptr), 0);
  EXPECT_EQ(List_Next(nullptr), nullptr);
  EXPECT_EQ(List_Select(nullptr, 0), nullptr);
  EXPECT_EQ(List_Delete(nullptr), nullptr);
  List_Reset(nullptr);
  List_Clear(nullptr);
  List_Free(nullptr);
}

TEST_F(ListTest, AddInsertsAfterTheCurrentElement) {
  Fill(5);
  EXPECT_EQ(All(), (Values{0, 1, 2, 3, 4}));
  // Past the end: nothing, and the last element stays current.
  EXPECT_EQ(List_Next(list), nullptr);
  EXPECT_EQ(ValueOf(List_Current(list)), 4);
  EXPECT_EQ(List_Index(list), 4);

  List_Select(list, 1);
  Add(15);
  EXPECT_EQ(List_Index(list), 2);
  Add(16);  // after the new one
  List_Last(list);
  Add(99);  // after the last: the new last
  EXPECT_EQ(ValueOf(List_Last(list)), 99);
  EXPECT_EQ(List_Index(list), 7);
  List_First(list);
  Add(5);  // second place
  List_Reset(list);
  Add(-1);  // no current element: the front
  EXPECT_EQ(List_Index(list), 0);
  EXPECT_EQ(All(), (Values{-1, 0, 5, 1, 15, 16, 2, 3, 4, 99}));
  EXPECT_EQ(List_Size(list), 10);
}

TEST_F(ListTest, NewElementsAreZeroedEvenInReusedCells) {
  std::memset(Add(0), 0xAB, sizeof(Item));
  List_Delete(list);
  auto* again = static_cast<Item*>(List_Add(list));
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->value, 0);
  EXPECT_EQ(again->spare, 0);
}

TEST_F(ListTest, SelectWalksToTheRightElementFromAnyPosition) {
  Fill(20);
  // Jumps that favour each of the three starting points.
  for (std::int64_t index : {7, 3, 19, 0, 11, 12, 10, 18, 1, 9, 9}) {
    EXPECT_EQ(ValueOf(List_Select(list, index)), index);
    EXPECT_EQ(List_Index(list), index);
    EXPECT_EQ(ValueOf(List_Next(list)), index < 19 ? index + 1 : -999) << "links intact";
  }
  // Outside the list: no current element, so Next starts at the front.
  for (std::int64_t outside : {-1, 20}) {
    List_Select(list, 2);
    EXPECT_EQ(List_Select(list, outside), nullptr);
    EXPECT_EQ(List_Current(list), nullptr);
    EXPECT_EQ(var.current, nullptr);
    EXPECT_EQ(ValueOf(List_Next(list)), 0);
  }
}

TEST_F(ListTest, DeleteMakesThePreviousElementCurrent) {
  Fill(5);
  List_Select(list, 2);
  EXPECT_EQ(ValueOf(List_Delete(list)), 1);
  EXPECT_EQ(List_Index(list), 1);
  EXPECT_EQ(ValueOf(List_Next(list)), 3);
  EXPECT_EQ(All(), (Values{0, 1, 3, 4}));
  // The last: the previous becomes the last, and an add appends.
  List_Last(list);
  EXPECT_EQ(ValueOf(List_Delete(list)), 3);
  EXPECT_EQ(ValueOf(List_Last(list)), 3);
  Add(7);
  EXPECT_EQ(All(), (Values{0, 1, 3, 7}));
  // The first: no current element; Next and an add go to the front.
  List_First(list);
  EXPECT_EQ(List_Delete(list), nullptr);
  EXPECT_EQ(List_Current(list), nullptr);
  EXPECT_EQ(var.current, nullptr);
  EXPECT_EQ(ValueOf(List_Next(list)), 1);
  EXPECT_EQ(List_Index(list), 0);
  List_Delete(list);
  Add(5);
  EXPECT_EQ(All(), (Values{5, 3, 7}));
  // The only one: the list is empty and usable.
  Fill(1);
  EXPECT_EQ(List_Delete(list), nullptr);
  EXPECT_EQ(List_Size(list), 0);
  EXPECT_EQ(List_First(list), nullptr);
  EXPECT_EQ(List_Last(list), nullptr);
  Add(2);
  EXPECT_EQ(All(), (Values{2}));
}

TEST_F(ListTest, QueueUseAddsAtTheEndAndTakesFromTheFront) {
  Values taken;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 3; ++i) {
      List_Last(list);
      Add(round * 10 + i);
    }
    taken.push_back(ValueOf(List_First(list)));
    List_Delete(list);
  }
  EXPECT_EQ(taken, (Values{0, 1, 2}));
  EXPECT_EQ(All(), (Values{10, 11, 12, 20, 21, 22}));
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
  List_Delete(list);
  EXPECT_EQ(var.current, a);
  Fill(100);
  List_Clear(list);
  EXPECT_EQ(var.current, nullptr);
  EXPECT_EQ(var.list, list);
  EXPECT_EQ(List_Next(list), nullptr);
  List_Free(list);
  list = nullptr;
  EXPECT_EQ(var.list, nullptr);
}

void* FailingAllocator(std::size_t) { return nullptr; }

TEST(ListMemoryTest, FailedAddLeavesTheListUnchanged) {
  // An element size no other test uses: a pool of its own with no blocks yet.
  ListHeader* list = List_New(1000, nullptr, nullptr, 0);
  ASSERT_NE(list, nullptr);
  *static_cast<std::int64_t*>(List_Add(list)) = 42;
  for (int i = 1; i < 16; ++i) ASSERT_NE(List_Add(list), nullptr);  // fills the first block
  List_Select(list, 3);
  CellPool_SetBlockAllocator(FailingAllocator);
  EXPECT_EQ(List_Add(list), nullptr);
  CellPool_SetBlockAllocator(nullptr);
  EXPECT_EQ(List_Size(list), 16);
  EXPECT_EQ(List_Index(list), 3);
  EXPECT_EQ(*static_cast<std::int64_t*>(List_First(list)), 42);
  EXPECT_NE(List_Add(list), nullptr);
  List_Free(list);
}

}  // namespace
