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

TEST(CellPoolTest, BlocksGrowByASixteenthOfWhatThePoolHoldsUpToTheMaximum) {
  CellPool* pool = CellPool_New(8, 0);
  ASSERT_NE(pool, nullptr);
  std::vector<std::size_t> blockSizes;
  std::size_t capacity = 0;
  std::vector<void*> cells;
  for (int i = 0; i < 2500000; ++i) {
    void* cell = CellPool_Alloc(pool);
    ASSERT_NE(cell, nullptr);
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(cell) % 8, 0u);
    cells.push_back(cell);
    const std::size_t now = CellPool_Stats(pool).capacity;
    if (now != capacity) blockSizes.push_back(now - capacity);
    capacity = now;
  }
  // 16-cell blocks until the pool holds 256 cells, then a sixteenth of the
  // total in multiples of 16, never more than 65536.
  std::size_t total = 0;
  for (std::size_t size : blockSizes) {
    EXPECT_EQ(size, std::clamp<std::size_t>(total / 16 / 16 * 16, 16, 65536)) << total;
    total += size;
  }
  EXPECT_EQ(blockSizes.back(), 65536u);
  EXPECT_LT(CellPool_Stats(pool).blocks, 200u);
  EXPECT_EQ(CellPool_Stats(pool).inUse, 2500000u);
  for (void* cell : cells) CellPool_Release(cell);
  EXPECT_EQ(CellPool_Stats(pool).blocks, 0u);
  EXPECT_EQ(CellPool_Stats(pool).inUse, 0u);
  CellPool_Free(pool);
}

TEST(CellPoolTest, FreedCellsAreReusedFirstAndEmptyBlocksGoBack) {
  CellPool* pool = CellPool_New(16, 0);
  std::vector<void*> first;
  for (int i = 0; i < 16; ++i) first.push_back(CellPool_Alloc(pool));
  void* second = CellPool_Alloc(pool);  // opens the second block
  EXPECT_EQ(CellPool_Stats(pool).blocks, 2u);
  // A full block that gains a free cell is used again.
  std::memset(first[5], 0x5A, 16);
  CellPool_Release(first[5]);
  EXPECT_EQ(CellPool_Alloc(pool), first[5]);
  // A block whose cells are all free goes back to the heap at once.
  CellPool_Release(second);
  EXPECT_EQ(CellPool_Stats(pool).blocks, 1u);
  EXPECT_EQ(CellPool_Stats(pool).capacity, 16u);
  EXPECT_EQ(CellPool_Stats(pool).inUse, 16u);
  for (void* cell : first) CellPool_Release(cell);
  EXPECT_EQ(CellPool_Stats(pool).blocks, 0u);
  void* cell = CellPool_Alloc(pool);  // and the pool still works afterwards
  EXPECT_NE(cell, nullptr);
  CellPool_Release(cell);
  CellPool_Free(pool);
}

std::size_t gRefuseAbove = 0;
void* RefuseLargeBlocks(std::size_t bytes) {
  return bytes > gRefuseAbove ? nullptr : std::malloc(bytes);
}

TEST(CellPoolTest, FallsBackToASingleCellBlockThenToNothing) {
  CellPool* pool = CellPool_New(64, 0);
  gRefuseAbove = 256;  // room for a block header and one cell, not for sixteen
  CellPool_SetBlockAllocator(RefuseLargeBlocks);
  void* a = CellPool_Alloc(pool);
  void* b = CellPool_Alloc(pool);
  gRefuseAbove = 0;
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
  CellPool_Release(cell);
  CellPool_Free(one);
  CellPool_Free(other);
  CellPool_Free(unshared);
  EXPECT_EQ(CellPool_SharedCount(), before);

  // Lists of one element size share one pool.
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
  std::vector<std::vector<void*>> kept(4);
  std::vector<std::thread> threads;
  for (std::uint64_t t = 0; t < kept.size(); ++t) {
    threads.emplace_back([pool, t, &kept] {
      for (int i = 0; i < 20000; ++i) {
        auto* cell = static_cast<std::uint64_t*>(CellPool_Alloc(pool));
        cell[0] = cell[3] = t;
        kept[t].push_back(cell);
        if (i % 3 == 2) {  // give some back as we go
          CellPool_Release(kept[t][kept[t].size() - 2]);
          kept[t].erase(kept[t].end() - 2);
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  std::set<void*> distinct;
  for (std::uint64_t t = 0; t < kept.size(); ++t) {
    for (void* cell : kept[t]) {
      EXPECT_EQ(static_cast<std::uint64_t*>(cell)[0], t);
      EXPECT_EQ(static_cast<std::uint64_t*>(cell)[3], t);
      distinct.insert(cell);
    }
  }
  EXPECT_EQ(CellPool_Stats(pool).inUse, distinct.size());
  EXPECT_EQ(distinct.size(), 4u * (20000 - 20000 / 3));
  for (void* cell : distinct) CellPool_Release(cell);
  EXPECT_EQ(CellPool_Stats(pool).blocks, 0u);
  CellPool_Free(pool);
}

}  // namespace
