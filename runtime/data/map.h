// Hash maps from UTF-16 keys to fixed-size elements, with a current element
// and a walk. The bucket count is fixed at creation (the map never
// rehashes); each bucket is a chain with the newest key at its head. The
// walk visits buckets in ascending order and each chain from its head, so
// the order is fully determined by the keys and their insertion order.
// A map is not locked: one thread at a time, or its users hold a mutex.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/data/element_layout.h"

struct MapHeader;

// Flags of Map_New.
inline constexpr std::uint32_t kMapNoCase = 1;       // keys compared ignoring case
inline constexpr std::uint32_t kMapIntegerKeys = 4;  // 64-bit integer keys instead of strings

// Frees the map `*variable` holds (when variable is given and non-null), then
// creates an empty map of `elementSize`-byte elements with max(1,
// bucketCount) buckets and stores it in `*variable`. `layout` names the
// fields the elements own, or nullptr; `kind` is stored and not interpreted.
// nullptr when memory runs out.
MapHeader* Map_New(std::size_t elementSize, int kind, const LayoutEntry* layout,
                   MapHeader** variable, std::int64_t bucketCount, std::uint32_t flags = 0);

// Removes every element, frees keys, buckets and the map, clears the variable.
void Map_Free(MapHeader* map);

// The element under `key`, made current; nullptr when there is none (the
// current element is then left as it was).
void* Map_Find(MapHeader* map, const std::u16string& key);

// The element under `key`, untouched when present, else a new zeroed one
// under a copy of the key. Either way it becomes current. nullptr when no
// memory can be had (the map is then unchanged).
void* Map_Add(MapHeader* map, const std::u16string& key);

// Map_Add for a key the caller knows is not in the map (it keeps its own
// record of the keys): the new element goes in without a search of its
// chain, whose length grows with the map. A key already present would be
// stored twice.
void* Map_AddAbsent(MapHeader* map, const std::u16string& key);

// The same for maps made with kMapIntegerKeys (string keys are refused
// there, and integer keys elsewhere). An integer key's hash is the XOR of its
// two 32-bit halves.
void* Map_FindInteger(MapHeader* map, std::int64_t key);
void* Map_AddInteger(MapHeader* map, std::int64_t key);

std::int32_t Map_Size(const MapHeader* map);

// No current element; the walk starts again.
void Map_Reset(MapHeader* map);

// The next element in walk order, or nullptr at the end (and after it, until
// Map_Reset).
void* Map_Next(MapHeader* map);

// A walk of the caller's own, in Map_Next's order, that leaves the map's
// current element alone: several may run at once, and a lookup in between
// changes nothing. Start with a value-initialised MapWalk. The map must not
// gain or lose elements while a walk is in progress.
struct MapWalk {
  std::int64_t bucket = -1;
  const void* node = nullptr;
};
// The next element of the walk, or nullptr at its end.
void* Map_Step(const MapHeader* map, MapWalk* walk);

// Removes the current element and frees its key; the walk goes on with the
// element that followed it. Returns 1, or 0 when nothing was current.
int Map_DeleteCurrent(MapHeader* map);

// Removes every element and frees their keys; the walk starts again.
void Map_Clear(MapHeader* map);

// Data and key of the current element (nullptr / empty when none).
void* Map_Current(const MapHeader* map);
std::u16string Map_Key(const MapHeader* map);
std::int64_t Map_IntegerKey(const MapHeader* map);

// The key's hash: h = h * 65599 + unit over its UTF-16 units (lower-cased
// when noCase), in unsigned 32-bit arithmetic. Its bucket is the hash modulo
// the bucket count. A key ends at its first U+0000.
std::uint32_t Map_Hash(const std::u16string& key, bool noCase);

// The bucket `key` belongs to in a string-keyed map (0 for another map):
// with the order of insertion it fixes the key's place in the walk, so an
// index kept beside the map can give its elements in walk order.
std::int64_t Map_BucketOf(const MapHeader* map, const std::u16string& key);

int Map_Kind(const MapHeader* map);
