#include "runtime/data/map.h"

#include <locale.h>

#include <clocale>
#include <cstring>
#include <cwctype>
#include <new>
#include <string_view>

#include "runtime/data/cell_pool.h"

namespace {

// Node header in front of every element; element data starts right after.
struct MapNode {
  MapNode* next;
  union {
    char16_t* key;        // own zero-terminated copy
    std::int64_t number;  // the key of an integer-keyed map
  };
};
static_assert(sizeof(MapNode) == 16);

constexpr std::int64_t kMaxBuckets = std::int64_t{1} << 28;

void* DataOf(MapNode* node) { return node ? node + 1 : nullptr; }

// Case folding must not follow the process locale: a name stored before the
// program sets its locale has to be found again afterwards. The built-in
// C.UTF-8 locale gives the C library's full lower-casing independent of it.
locale_t FoldLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}

char16_t Fold(char16_t unit) {
  if (unit < 0x80) return unit >= u'A' && unit <= u'Z' ? unit + 32 : unit;
  if (unit >= 0xD800 && unit <= 0xDFFF) return unit;  // halves of a pair stay as they are
  if (locale_t locale = FoldLocale()) {
    const wint_t lower = towlower_l(unit, locale);
    return lower <= 0xFFFF ? static_cast<char16_t>(lower) : unit;
  }
  // Latin-1 capitals, should the locale be missing.
  if (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7) return unit + 32;
  return unit;
}

std::u16string_view KeyView(const std::u16string& key) {
  std::u16string_view view(key);
  return view.substr(0, view.find(u'\0'));
}

std::uint32_t Hash(std::u16string_view key, bool noCase) {
  std::uint32_t h = 0;
  for (char16_t unit : key) h = h * 65599u + (noCase ? Fold(unit) : unit);
  return h;
}

// Integer keys: both halves take part, so keys that differ only above bit
// 31 do not all share a bucket.
std::uint32_t HashInteger(std::int64_t number) {
  const auto bits = static_cast<std::uint64_t>(number);
  return static_cast<std::uint32_t>(bits) ^ static_cast<std::uint32_t>(bits >> 32);
}

bool KeyEquals(const char16_t* stored, std::u16string_view key, bool noCase) {
  for (char16_t unit : key) {
    const char16_t s = *stored++;
    if (s == 0) return false;
    if (noCase ? Fold(s) != Fold(unit) : s != unit) return false;
  }
  return *stored == 0;
}

}  // namespace

struct MapHeader {
  MapNode* current = nullptr;
  MapNode** buckets = nullptr;
  MapNode* previous = nullptr;  // node before current in its chain, for removal
  const LayoutEntry* layout = nullptr;
  // Bucket of the current node; -1 before a walk, bucketCount after its end.
  // With no current node and a bucket in range, the walk resumes at that
  // bucket's head (the head was just removed).
  std::int64_t walkBucket = -1;
  std::size_t elementSize = 0;
  std::size_t cellBytes = 0;
  std::int64_t bucketCount = 1;
  std::int32_t count = 0;
  std::uint32_t flags = 0;
  bool needsInit = false;
  MapHeader** variable = nullptr;
  CellPool* pool = nullptr;
  int kind = 0;
};

namespace {

bool NoCase(const MapHeader* map) { return map->flags & kMapNoCase; }
bool IntegerKeys(const MapHeader* map) { return map->flags & kMapIntegerKeys; }

// A key as looked up: text for string-keyed maps, a number for the others.
struct KeyRef {
  std::u16string_view text;
  std::int64_t number = 0;
};

std::int64_t BucketOf(const MapHeader* map, const KeyRef& key) {
  const std::uint32_t h = IntegerKeys(map) ? HashInteger(key.number) : Hash(key.text, NoCase(map));
  return static_cast<std::int64_t>(h % static_cast<std::uint32_t>(map->bucketCount));
}

bool Matches(const MapHeader* map, const MapNode* node, const KeyRef& key) {
  return IntegerKeys(map) ? node->number == key.number
                          : KeyEquals(node->key, key.text, NoCase(map));
}

// Finds the node for key; *bucket and *prev receive its place.
MapNode* Lookup(MapHeader* map, const KeyRef& key, std::int64_t* bucket, MapNode** prev) {
  *bucket = BucketOf(map, key);
  *prev = nullptr;
  for (MapNode* node = map->buckets[*bucket]; node; node = node->next) {
    if (Matches(map, node, key)) return node;
    *prev = node;
  }
  return nullptr;
}

void FreeNode(MapHeader* map, MapNode* node) {
  if (map->layout) Layout_FreeElement(DataOf(node), map->layout);
  if (!IntegerKeys(map)) delete[] node->key;
  CellPool_Release(node);
}

void* FindKey(MapHeader* map, const KeyRef& key) {
  std::int64_t bucket;
  MapNode* prev;
  MapNode* node = Lookup(map, key, &bucket, &prev);
  if (!node) return nullptr;
  map->current = node;
  map->previous = prev;
  map->walkBucket = bucket;
  return DataOf(node);
}

void* AddKey(MapHeader* map, const KeyRef& key, bool absent = false) {
  std::int64_t bucket = BucketOf(map, key);
  MapNode* prev = nullptr;
  if (MapNode* node = absent ? nullptr : Lookup(map, key, &bucket, &prev)) {
    map->current = node;
    map->previous = prev;
    map->walkBucket = bucket;
    return DataOf(node);
  }

  auto* node = static_cast<MapNode*>(CellPool_Alloc(map->pool));
  if (!node) return nullptr;
  char16_t* copy = nullptr;
  if (!IntegerKeys(map)) {
    copy = new (std::nothrow) char16_t[key.text.size() + 1];
    if (!copy) {
      CellPool_Release(node);
      return nullptr;
    }
    std::memcpy(copy, key.text.data(), key.text.size() * sizeof(char16_t));
    copy[key.text.size()] = 0;
  }

  std::memset(node, 0, map->cellBytes);
  if (IntegerKeys(map))
    node->number = key.number;
  else
    node->key = copy;
  node->next = map->buckets[bucket];
  map->buckets[bucket] = node;
  map->count += 1;
  map->current = node;
  map->previous = nullptr;
  map->walkBucket = bucket;
  if (map->needsInit) Layout_InitElement(DataOf(node), map->layout);
  return DataOf(node);
}

// Moves the walk to the head of the first non-empty bucket from `from` on,
// or to its end.
void* WalkFrom(MapHeader* map, std::int64_t from) {
  map->previous = nullptr;
  for (std::int64_t b = from; b < map->bucketCount; ++b) {
    if (map->buckets[b]) {
      map->current = map->buckets[b];
      map->walkBucket = b;
      return DataOf(map->current);
    }
  }
  map->current = nullptr;
  map->walkBucket = map->bucketCount;
  return nullptr;
}

}  // namespace

std::uint32_t Map_Hash(const std::u16string& key, bool noCase) {
  return Hash(KeyView(key), noCase);
}

std::int64_t Map_BucketOf(const MapHeader* map, const std::u16string& key) {
  if (!map || IntegerKeys(map)) return 0;
  return BucketOf(map, KeyRef{KeyView(key)});
}

MapHeader* Map_New(std::size_t elementSize, int kind, const LayoutEntry* layout,
                   MapHeader** variable, std::int64_t bucketCount, std::uint32_t flags) {
  if (variable && *variable) Map_Free(*variable);
  if (bucketCount < 1) bucketCount = 1;
  if (bucketCount > kMaxBuckets || elementSize > (std::size_t{1} << 32)) return nullptr;

  auto* map = new (std::nothrow) MapHeader;
  if (!map) return nullptr;
  map->buckets = new (std::nothrow) MapNode*[static_cast<std::size_t>(bucketCount)]();
  map->pool = CellPool_New(elementSize + sizeof(MapNode), kPoolShared);
  if (!map->buckets || !map->pool) {
    delete[] map->buckets;
    CellPool_Free(map->pool);
    delete map;
    return nullptr;
  }
  map->layout = layout;
  map->needsInit = Layout_NeedsInit(layout);
  map->elementSize = elementSize;
  map->cellBytes = CellPool_CellBytes(elementSize + sizeof(MapNode)) - sizeof(void*);
  map->bucketCount = bucketCount;
  map->flags = flags;
  map->kind = kind;
  map->variable = variable;
  if (variable) *variable = map;
  return map;
}

void Map_Free(MapHeader* map) {
  if (!map) return;
  Map_Clear(map);
  delete[] map->buckets;
  CellPool_Free(map->pool);
  if (map->variable && *map->variable == map) *map->variable = nullptr;
  delete map;
}

void* Map_Find(MapHeader* map, const std::u16string& key) {
  if (!map || IntegerKeys(map)) return nullptr;
  return FindKey(map, KeyRef{KeyView(key)});
}

void* Map_Add(MapHeader* map, const std::u16string& key) {
  if (!map || IntegerKeys(map)) return nullptr;
  return AddKey(map, KeyRef{KeyView(key)});
}

void* Map_AddAbsent(MapHeader* map, const std::u16string& key) {
  if (!map || IntegerKeys(map)) return nullptr;
  return AddKey(map, KeyRef{KeyView(key)}, true);
}

void* Map_FindInteger(MapHeader* map, std::int64_t key) {
  if (!map || !IntegerKeys(map)) return nullptr;
  return FindKey(map, KeyRef{{}, key});
}

void* Map_AddInteger(MapHeader* map, std::int64_t key) {
  if (!map || !IntegerKeys(map)) return nullptr;
  return AddKey(map, KeyRef{{}, key});
}

std::int32_t Map_Size(const MapHeader* map) { return map ? map->count : 0; }

void Map_Reset(MapHeader* map) {
  if (!map) return;
  map->current = nullptr;
  map->previous = nullptr;
  map->walkBucket = -1;
}

void* Map_Next(MapHeader* map) {
  if (!map) return nullptr;
  if (!map->current) return WalkFrom(map, map->walkBucket < 0 ? 0 : map->walkBucket);
  if (MapNode* next = map->current->next) {
    map->previous = map->current;
    map->current = next;
    return DataOf(next);
  }
  return WalkFrom(map, map->walkBucket + 1);
}

void* Map_Step(const MapHeader* map, MapWalk* walk) {
  if (!map || !walk) return nullptr;
  const auto* at = static_cast<const MapNode*>(walk->node);
  if (at && at->next) {
    walk->node = at->next;
    return DataOf(at->next);
  }
  for (std::int64_t b = walk->bucket + 1; b < map->bucketCount; ++b) {
    if (MapNode* head = map->buckets[b]) {
      walk->bucket = b;
      walk->node = head;
      return DataOf(head);
    }
  }
  walk->bucket = map->bucketCount;
  walk->node = nullptr;
  return nullptr;
}

int Map_DeleteCurrent(MapHeader* map) {
  if (!map || !map->current) return 0;
  MapNode* node = map->current;
  MapNode* prev = map->previous;
  if (prev)
    prev->next = node->next;
  else
    map->buckets[map->walkBucket] = node->next;
  // The walk goes on after the node that preceded the removed one, or at the
  // head of this bucket when the removed one was the head.
  map->current = prev;
  map->previous = nullptr;
  if (prev) {
    for (MapNode* n = map->buckets[map->walkBucket]; n != prev; n = n->next) map->previous = n;
  }
  map->count -= 1;
  FreeNode(map, node);
  return 1;
}

void Map_Clear(MapHeader* map) {
  if (!map) return;
  for (std::int64_t b = 0; b < map->bucketCount; ++b) {
    MapNode* node = map->buckets[b];
    map->buckets[b] = nullptr;
    while (node) {
      MapNode* next = node->next;
      FreeNode(map, node);
      node = next;
    }
  }
  map->count = 0;
  Map_Reset(map);
}

void* Map_Current(const MapHeader* map) { return map ? DataOf(map->current) : nullptr; }

std::u16string Map_Key(const MapHeader* map) {
  if (!map || !map->current || IntegerKeys(map)) return {};
  return std::u16string(map->current->key);
}

std::int64_t Map_IntegerKey(const MapHeader* map) {
  return map && map->current && IntegerKeys(map) ? map->current->number : 0;
}

int Map_Kind(const MapHeader* map) { return map ? map->kind : 0; }
