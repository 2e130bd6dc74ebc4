#include "runtime/data/cell_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

namespace {

// Header in front of a block's cells. 16-aligned so that the cells behind it
// keep malloc's alignment at 8.
struct alignas(16) Block {
  Block* next;
  Block* prev;
  CellPool* pool;
  std::size_t capacity;  // cells in the block
  std::size_t used;      // cells ever handed out (the rest were never touched)
  std::size_t live;      // cells handed out and not released
  void* freeChain;       // released cells, linked through their first word
};

constexpr std::size_t kMinBlockCells = 16;
constexpr std::size_t kMaxBlockCells = 65536;

std::atomic<CellPoolBlockAllocator> gBlockAllocator{nullptr};

void* AllocateBlockMemory(std::size_t bytes) {
  CellPoolBlockAllocator allocator = gBlockAllocator.load(std::memory_order_relaxed);
  return allocator ? allocator(bytes) : std::malloc(bytes);
}

}  // namespace

struct CellPool {
  std::mutex mutex;
  std::size_t cellBytes = 0;  // back-pointer included
  std::uint32_t flags = 0;
  std::size_t refCount = 1;  // guarded by the registry lock for shared pools
  Block* room = nullptr;     // blocks with at least one free cell
  Block* full = nullptr;
  std::size_t blocks = 0;
  std::size_t capacity = 0;
  std::size_t inUse = 0;
};

namespace {

struct SharedRegistry {
  std::mutex mutex;
  std::vector<CellPool*> pools;
};

// Never destroyed: containers held in other static objects may still give
// their cells back while the process exits.
SharedRegistry& Registry() {
  static SharedRegistry* registry = new SharedRegistry;
  return *registry;
}

void Unlink(Block*& chain, Block* block) {
  if (block->prev)
    block->prev->next = block->next;
  else
    chain = block->next;
  if (block->next) block->next->prev = block->prev;
  block->next = block->prev = nullptr;
}

void PushFront(Block*& chain, Block* block) {
  block->prev = nullptr;
  block->next = chain;
  if (chain) chain->prev = block;
  chain = block;
}

unsigned char* CellAt(Block* block, std::size_t index, std::size_t cellBytes) {
  return reinterpret_cast<unsigned char*>(block + 1) + index * cellBytes;
}

// Each new block holds about a sixteenth of what the pool already holds, so
// the number of heap allocations grows only logarithmically with the cells.
Block* NewBlock(CellPool* pool) {
  std::size_t cells = pool->capacity / 16 / 16 * 16;
  cells = std::clamp(cells, kMinBlockCells, kMaxBlockCells);
  void* memory = AllocateBlockMemory(sizeof(Block) + cells * pool->cellBytes);
  if (!memory) {
    cells = 1;
    memory = AllocateBlockMemory(sizeof(Block) + pool->cellBytes);
    if (!memory) return nullptr;
  }
  Block* block = new (memory) Block{nullptr, nullptr, pool, cells, 0, 0, nullptr};
  pool->blocks += 1;
  pool->capacity += cells;
  return block;
}

void FreeBlock(CellPool* pool, Block* block) {
  pool->blocks -= 1;
  pool->capacity -= block->capacity;
  std::free(block);
}

void FreeChain(CellPool* pool, Block*& chain) {
  while (chain) {
    Block* next = chain->next;
    FreeBlock(pool, chain);
    chain = next;
  }
}

void DestroyPool(CellPool* pool) {
  FreeChain(pool, pool->room);
  FreeChain(pool, pool->full);
  delete pool;
}

}  // namespace

std::size_t CellPool_CellBytes(std::size_t size) {
  // A released cell stores the free-chain link in its first word.
  std::size_t payload = std::max<std::size_t>(8, (size + 7) / 8 * 8);
  return payload + sizeof(Block*);
}

CellPool* CellPool_New(std::size_t size, std::uint32_t flags) {
  if (size > (std::size_t{1} << 40)) return nullptr;
  const std::size_t cellBytes = CellPool_CellBytes(size);
  if (!(flags & kPoolShared)) {
    CellPool* pool = new (std::nothrow) CellPool;
    if (pool) {
      pool->cellBytes = cellBytes;
      pool->flags = flags;
    }
    return pool;
  }
  SharedRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  for (CellPool* pool : registry.pools) {
    if (pool->cellBytes == cellBytes && pool->flags == flags) {
      pool->refCount += 1;
      return pool;
    }
  }
  CellPool* pool = new (std::nothrow) CellPool;
  if (!pool) return nullptr;
  pool->cellBytes = cellBytes;
  pool->flags = flags;
  registry.pools.push_back(pool);
  return pool;
}

void CellPool_Free(CellPool* pool) {
  if (!pool) return;
  if (!(pool->flags & kPoolShared)) {
    DestroyPool(pool);
    return;
  }
  SharedRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  if (--pool->refCount > 0) return;
  std::erase(registry.pools, pool);
  DestroyPool(pool);
}

void* CellPool_Alloc(CellPool* pool) {
  if (!pool) return nullptr;
  std::lock_guard lock(pool->mutex);
  Block* block = pool->room;
  if (!block) {
    block = NewBlock(pool);
    if (!block) return nullptr;
    PushFront(pool->room, block);
  }
  unsigned char* payload;
  if (block->freeChain) {
    payload = static_cast<unsigned char*>(block->freeChain);
    block->freeChain = *reinterpret_cast<void**>(payload);
  } else {
    unsigned char* cell = CellAt(block, block->used, pool->cellBytes);
    block->used += 1;
    *reinterpret_cast<Block**>(cell) = block;
    payload = cell + sizeof(Block*);
  }
  block->live += 1;
  pool->inUse += 1;
  if (block->live == block->capacity) {
    Unlink(pool->room, block);
    PushFront(pool->full, block);
  }
  return payload;
}

void CellPool_Release(void* cell) {
  if (!cell) return;
  auto* payload = static_cast<unsigned char*>(cell);
  Block* block = *reinterpret_cast<Block**>(payload - sizeof(Block*));
  CellPool* pool = block->pool;
  std::lock_guard lock(pool->mutex);
  const bool wasFull = block->live == block->capacity;
  block->live -= 1;
  pool->inUse -= 1;
  if (block->live == 0) {
    Unlink(wasFull ? pool->full : pool->room, block);
    FreeBlock(pool, block);
    return;
  }
  *reinterpret_cast<void**>(payload) = block->freeChain;
  block->freeChain = payload;
  if (wasFull) {
    Unlink(pool->full, block);
    PushFront(pool->room, block);
  }
}

CellPoolStats CellPool_Stats(CellPool* pool) {
  if (!pool) return {};
  std::size_t refCount;
  {
    std::lock_guard registryLock(Registry().mutex);
    refCount = pool->refCount;
  }
  std::lock_guard lock(pool->mutex);
  return {pool->blocks, pool->capacity, pool->inUse, refCount};
}

std::size_t CellPool_SharedCount() {
  SharedRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  return registry.pools.size();
}

void CellPool_SetBlockAllocator(CellPoolBlockAllocator allocator) {
  gBlockAllocator.store(allocator, std::memory_order_relaxed);
}
