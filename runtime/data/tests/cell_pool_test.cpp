#include "runtime/data/cell_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "runtime/data/list.h"

namespace {

TEST(CellPoolTest, CellsAreRoundedToEightBytesPlusTheBackPointer) {
  EXPECT_EQ(CellPool_CellBytes(17 + 16), 48u);  // a point in a list node
  EXPECT_EQ(CellPool_CellBytes(16), 24u);
  EXPECT_EQ(CellPool_CellBytes(1), 16u);
  EXPECT_EQ(CellPool_CellBytes(0), 16u);  // room for the free-chain link
}

TEST(CellPoolTest, BlocksGrowByASixteenthOfWhatThePoolHolds) {
  CellPool* pool = CellPool_New(24, 0);
  ASSERT_NE(pool, nullptr);
  std::vector<std::size_t> blockSizes;
  std::size_t capacity = 0;
  std::vector<void*> cells;
  for (int i = 0; i < 1000000; ++i) {
    void* cell = CellPool_Alloc(pool);
    ASSERT_NE(cell, nullptr);
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(cell) % 8, 0u);
    cells.push_back(cell);
    const CellPoolStats stats = CellPool_Stats(pool);
    if (stats.capacity != capacity) {
      blockSizes.push_back(stats.capacity - capacity);
      capacity = stats.capacity;
    }
  }
  // 16-cell blocks until the pool holds 256 cells, then a sixteenth of the
  // total, in multiples of 16.
  ASSERT_GE(blockSizes.size(), 20u);
  std::size_t total = 0;
  for (std::size_t size : blockSizes) {
    const std::size_t expected = std::clamp<std::size_t>(total / 16 / 16 * 16, 16, 65536);
    EXPECT_EQ(size, expected) << "after " << total << " cells";
    total += size;
  }
  EXPECT_EQ(blockSizes[16], 16u);
  EXPECT_EQ(blockSizes[17], 16u);
  EXPECT_GT(blockSizes.back(), 16u * 1024);
  // A million cells in well under 200 heap blocks.
  EXPECT_LT(CellPool_Stats(pool).blocks, 200u);
  EXPECT_EQ(CellPool_Stats(pool).inUse, 1000000u);
  for (void* cell : cells) CellPool_Release(cell);
  EXPECT_EQ(CellPool_Stats(pool).blocks, 0u);
  EXPECT_EQ(CellPool_Stats(pool).inUse, 0u);
  CellPool_Free(pool);
}

TEST(CellPoolTest, BlocksOfTheMaximumSizeStayAtTheMaximum) {
  CellPool* pool = CellPool_New(8, 0);
  std::vector<void*> cells;
  std::size_t capacity = 0;
  std::size_t largest = 0;
  for (int i = 0; i < 2500000; ++i) {
    cells.push_back(CellPool_Alloc(pool));
    const std::size_t now = CellPool_Stats(pool).capacity;
    largest = std::max(largest, now - capacity);
    capacity = now;
  }
  EXPECT_EQ(largest, 65536u);
  for (void* cell : cells) CellPool_Release(cell);
  CellPool_Free(pool);
}

TEST(CellPoolTest, FreedCellsAreReusedFirst) {
  CellPool* pool = CellPool_New(40, 0);
  void* a = CellPool_Alloc(pool);
  void* b = CellPool_Alloc(pool);
  void* c = CellPool_Alloc(pool);
  std::memset(b, 0x5A, 40);
  CellPool_Release(b);
  EXPECT_EQ(CellPool_Alloc(pool), b);
  CellPool_Release(a);
  CellPool_Release(c);
  void* again = CellPool_Alloc(pool);
  EXPECT_TRUE(again == a || again == c);
  EXPECT_EQ(CellPool_Stats(pool).blocks, 1u);
  EXPECT_EQ(CellPool_Stats(pool).inUse, 2u);
  CellPool_Release(again);
  CellPool_Release(b);
  CellPool_Free(pool);
}

TEST(CellPoolTest, AFullBlockThatGainsAFreeCellIsUsedAgain) {
  CellPool* pool = CellPool_New(16, 0);
  std::vector<void*> first;
  for (int i = 0; i < 16; ++i) first.push_back(CellPool_Alloc(pool));
  void* second = CellPool_Alloc(pool);  // opens the second block
  EXPECT_EQ(CellPool_Stats(pool).blocks, 2u);
  CellPool_Release(first[5]);
  EXPECT_EQ(CellPool_Alloc(pool), first[5]);
  // A block whose cells are all free goes back to the heap at once.
  CellPool_Release(second);
  EXPECT_EQ(CellPool_Stats(pool).blocks, 1u);
  EXPECT_EQ(CellPool_Stats(pool).capacity, 16u);
  for (void* cell : first) CellPool_Release(cell);
  EXPECT_EQ(CellPool_Stats(pool).blocks, 0u);
  // And the pool still works afterwards.
  void* cell = CellPool_Alloc(pool);
  EXPECT_NE(cell, nullptr);
  CellPool_Release(cell);
  CellPool_Free(pool);
}

std::size_t gRefuseAbove = 0;
void* RefuseLargeBlocks(std::size_t bytes) {
  return bytes > gRefuseAbove ? nullptr : std::malloc(bytes);
}
void* RefuseAll(std::size_t) { return nullptr; }

TEST(CellPoolTest, FallsBackToASingleCellBlockThenToNothing) {
  CellPool* pool = CellPool_New(64, 0);
  // Room for a block header and one cell, not for sixteen.
  gRefuseAbove = 256;
  CellPool_SetBlockAllocator(RefuseLargeBlocks);
  void* a = CellPool_Alloc(pool);
  void* b = CellPool_Alloc(pool);
  CellPool_SetBlockAllocator(RefuseAll);
  void* none = CellPool_Alloc(pool);
  CellPool_SetBlockAllocator(nullptr);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(CellPool_Stats(pool).blocks, 2u);
  EXPECT_EQ(CellPool_Stats(pool).capacity, 2u);
  CellPool_Release(a);
  CellPool_Release(b);
  CellPool_Free(pool);
}

TEST(CellPoolTest, SharedPoolsAreCountedAndFreedWithTheLastReference) {
  const std::size_t before = CellPool_SharedCount();
  CellPool* one = CellPool_New(200, kPoolShared);
  CellPool* two = CellPool_New(200, kPoolShared);
  CellPool* other = CellPool_New(208, kPoolShared);
  CellPool* unshared = CellPool_New(200, 0);
  EXPECT_EQ(one, two);
  EXPECT_NE(one, other);
  EXPECT_NE(one, unshared);
  EXPECT_EQ(CellPool_Stats(one).refCount, 2u);
  EXPECT_EQ(CellPool_SharedCount(), before + 2);
  void* cell = CellPool_Alloc(two);
  CellPool_Free(two);
  EXPECT_EQ(CellPool_Stats(one).refCount, 1u);
  EXPECT_EQ(CellPool_SharedCount(), before + 2);
  CellPool_Release(cell);
  CellPool_Free(one);
  CellPool_Free(other);
  CellPool_Free(unshared);
  EXPECT_EQ(CellPool_SharedCount(), before);
}

TEST(CellPoolTest, ListsOfOneElementSizeShareOnePool) {
  const std::size_t before = CellPool_SharedCount();
  ListHeader* a = List_New(333, nullptr, nullptr, 0);
  ListHeader* b = List_New(333, nullptr, nullptr, 0);
  EXPECT_EQ(CellPool_SharedCount(), before + 1);
  List_Add(a);
  List_Add(b);
  List_Free(a);
  EXPECT_EQ(CellPool_SharedCount(), before + 1);
  EXPECT_NE(List_Add(b), nullptr);
  List_Free(b);
  EXPECT_EQ(CellPool_SharedCount(), before);
}

TEST(CellPoolTest, ThreadsAllocateFromOneSharedPoolConcurrently) {
  CellPool* pool = CellPool_New(32, kPoolShared);
  constexpr int kThreads = 4;
  constexpr int kCells = 20000;
  std::vector<std::vector<void*>> kept(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([pool, t, &kept] {
      std::vector<void*> mine;
      for (int i = 0; i < kCells; ++i) {
        auto* cell = static_cast<std::uint64_t*>(CellPool_Alloc(pool));
        cell[0] = cell[3] = static_cast<std::uint64_t>(t);
        mine.push_back(cell);
        if (i % 3 == 2) {  // give some back as we go
          CellPool_Release(mine[mine.size() - 2]);
          mine.erase(mine.end() - 2);
        }
      }
      kept[t] = std::move(mine);
    });
  }
  for (auto& thread : threads) thread.join();
  std::set<void*> distinct;
  for (int t = 0; t < kThreads; ++t) {
    for (void* cell : kept[t]) {
      EXPECT_EQ(static_cast<std::uint64_t*>(cell)[0], static_cast<std::uint64_t>(t));
      EXPECT_EQ(static_cast<std::uint64_t*>(cell)[3], static_cast<std::uint64_t>(t));
      distinct.insert(cell);
    }
  }
  std::size_t total = 0;
  for (auto& cells : kept) total += cells.size();
  EXPECT_EQ(distinct.size(), total);
  EXPECT_EQ(CellPool_Stats(pool).inUse, total);
  for (auto& cells : kept)
    for (void* cell : cells) CellPool_Release(cell);
  EXPECT_EQ(CellPool_Stats(pool).blocks, 0u);
  CellPool_Free(pool);
}

}  // namespace
