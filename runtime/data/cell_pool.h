// Fixed-size cells for container nodes, handed out from blocks that grow
// with use. Pools made with kPoolShared are kept in one process-wide
// registry and shared (with a reference count) by every container whose
// cell size and flags are equal.
#pragma once

#include <cstddef>
#include <cstdint>

struct CellPool;

// Flags of CellPool_New.
inline constexpr std::uint32_t kPoolShared = 1;

// Bytes a cell takes for a request of `size` bytes: the size rounded up to a
// multiple of 8, plus the back-pointer to its block.
std::size_t CellPool_CellBytes(std::size_t size);

// A pool for cells of `size` usable bytes. Shared: the registered pool of
// that size and flags with one more reference, or a new registered one.
// nullptr when memory runs out.
CellPool* CellPool_New(std::size_t size, std::uint32_t flags);

// Drops one reference; the last one frees every block of the pool.
void CellPool_Free(CellPool* pool);

// A cell of the pool's size (8-byte aligned, contents undefined), or nullptr
// when no memory can be had. Thread-safe.
void* CellPool_Alloc(CellPool* pool);

// Gives a cell back to the pool it came from. Thread-safe.
void CellPool_Release(void* cell);

// Figures for diagnostics and tests.
struct CellPoolStats {
  std::size_t blocks;    // blocks currently held
  std::size_t capacity;  // cells in those blocks
  std::size_t inUse;     // cells handed out and not released
  std::size_t refCount;  // references to the pool
};
CellPoolStats CellPool_Stats(CellPool* pool);

// Number of pools in the shared registry.
std::size_t CellPool_SharedCount();

// Block memory comes from this function (std::malloc by default). Tests
// replace it to simulate exhaustion; pass nullptr to restore the default.
using CellPoolBlockAllocator = void* (*)(std::size_t bytes);
void CellPool_SetBlockAllocator(CellPoolBlockAllocator allocator);
