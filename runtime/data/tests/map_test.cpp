#include "runtime/data/map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/data/cell_pool.h"

namespace {

struct Value {
  std::int64_t number;
};
using Keys = std::vector<std::u16string>;

std::int64_t Number(void* element) { return element ? static_cast<Value*>(element)->number : -999; }

// Keys of one unit fall into bucket (unit % bucket count): "a" is 97.
class MapTest : public ::testing::Test {
 protected:
  void TearDown() override { Map_Free(map); }

  void Make(std::int64_t buckets, std::uint32_t flags = 0) {
    map = Map_New(sizeof(Value), 7, nullptr, &map, buckets, flags);
    ASSERT_NE(map, nullptr);
  }
  void Add(const std::u16string& key, std::int64_t number = 0) {
    auto* value = static_cast<Value*>(Map_Add(map, key));
    ASSERT_NE(value, nullptr);
    value->number = number;
  }
  // Keys in walk order from a fresh Map_Reset.
  Keys Walk() {
    Keys keys;
    Map_Reset(map);
    while (Map_Next(map)) keys.push_back(Map_Key(map));
    return keys;
  }

  MapHeader* map = nullptr;
};

TEST(MapHashTest, MultipliesBy65599WithUnsigned32BitWrap) {
  EXPECT_EQ(Map_Hash(u"", false), 0u);
  EXPECT_EQ(Map_Hash(u"a", false), 97u);
  std::uint64_t expected = 0;
  const std::u16string key = u"0123456789abcdef0123456789abcdef\u00e4\uffff";
  for (char16_t c : key) expected = (expected * 65599 + c) % 4294967296ull;
  EXPECT_EQ(Map_Hash(key, false), expected);
  EXPECT_EQ(Map_Hash(u"AbC\u00c4", true), Map_Hash(u"abc\u00e4", false));
}

TEST_F(MapTest, WalkGoesThroughBucketsInOrderNewestFirstInEachChain) {
  Make(4);
  // a, e, i -> bucket 1; b -> 2; c -> 3; d -> 0.
  for (const char16_t* key : {u"a", u"b", u"c", u"d", u"e", u"i"}) Add(key);
  EXPECT_EQ(Walk(), (Keys{u"d", u"i", u"e", u"a", u"b", u"c"}));
  // After the end: nothing, until a reset.
  EXPECT_EQ(Map_Next(map), nullptr);
  EXPECT_EQ(Map_Next(map), nullptr);
  Map_Reset(map);
  EXPECT_NE(Map_Next(map), nullptr);
  // Find moves the walk to the found element; a miss leaves it alone.
  ASSERT_NE(Map_Find(map, u"e"), nullptr);
  Map_Next(map);
  EXPECT_EQ(Map_Key(map), u"a");
  Map_Next(map);
  EXPECT_EQ(Map_Find(map, u"zz"), nullptr);
  EXPECT_EQ(Map_Key(map), u"b");
  // A new key becomes current at its chain head: the walk goes on down the chain.
  Add(u"m");  // 109 -> bucket 1, before i
  Map_Next(map);
  EXPECT_EQ(Map_Key(map), u"i");

  for (std::int64_t buckets : {0, -3}) {  // at least one bucket
    Map_Free(map);
    Make(buckets);
    for (const char16_t* key : {u"k1", u"k2", u"k3"}) Add(key);
    EXPECT_EQ(Walk(), (Keys{u"k3", u"k2", u"k1"}));
  }
}

// Bucket numbers tell the walk order; an element added without a search
// takes the place Map_Add would give it.
TEST_F(MapTest, AddingAnAbsentKeyPlacesItAsAddDoesAndBucketsTellTheWalk) {
  Make(4);
  for (const char16_t* key : {u"a", u"b", u"c", u"d", u"e", u"i"}) {
    ASSERT_NE(Map_AddAbsent(map, key), nullptr);
    EXPECT_EQ(Map_Key(map), key) << "the new element is current";
  }
  EXPECT_EQ(Walk(), (Keys{u"d", u"i", u"e", u"a", u"b", u"c"}));
  EXPECT_EQ(Map_Size(map), 6);
  EXPECT_NE(Map_Find(map, u"e"), nullptr);
  EXPECT_EQ(Map_BucketOf(map, u"i"), 1);
  EXPECT_EQ(Map_BucketOf(map, u"d"), 0);
  EXPECT_EQ(Map_BucketOf(map, std::u16string(u"zz\0q", 4)), Map_BucketOf(map, u"zz"))
      << "up to the first NUL";
}

TEST_F(MapTest, EmptyAndNullMapsGiveNothing) {
  Make(16);
  EXPECT_EQ(Map_Next(map), nullptr);
  EXPECT_EQ(Map_Find(map, u"a"), nullptr);
  EXPECT_EQ(Map_DeleteCurrent(map), 0);
  EXPECT_EQ(Map_Size(map), 0);
  EXPECT_EQ(Map_Add(nullptr, u"a"), nullptr);
  EXPECT_EQ(Map_Find(nullptr, u"a"), nullptr);
  EXPECT_EQ(Map_Next(nullptr), nullptr);
  EXPECT_EQ(Map_Size(nullptr), 0);
  EXPECT_EQ(Map_DeleteCurrent(nullptr), 0);
  EXPECT_EQ(Map_Key(nullptr), u"");
  Map_Reset(nullptr);
  Map_Clear(nullptr);
  Map_Free(nullptr);
}

TEST_F(MapTest, KeysAreExactUpToTheirFirstNulUnit) {
  Make(512);
  Add(u"key", 77);
  EXPECT_EQ(Number(Map_Add(map, u"key")), 77) << "adding twice does not zero the element";
  EXPECT_EQ(Map_Size(map), 1);
  EXPECT_EQ(Number(Map_Add(map, u"other")), 0) << "a new key's element starts zeroed";
  Add(u"Key", 1);
  EXPECT_EQ(Number(Map_Find(map, u"key")), 77);
  EXPECT_EQ(Number(Map_Find(map, u"Key")), 1);
  EXPECT_EQ(Map_Find(map, u"KEY"), nullptr);
  Add(u"", 5);
  EXPECT_EQ(Number(Map_Find(map, u"")), 5) << "the empty key is a key like any other";
  Add(std::u16string(u"ab\0cd", 5), 3);
  EXPECT_EQ(Number(Map_Find(map, u"ab")), 3);
  EXPECT_EQ(Map_Key(map), u"ab");
  EXPECT_EQ(Map_Size(map), 5);
}

TEST_F(MapTest, CaseInsensitiveMapFoldsBeyondAsciiWhateverTheLocale) {
  Make(1024, kMapNoCase);
  Add(u"#KX_Any", 1);
  Add(u"Größe", 2);
  Add(u"МОСКВА", 3);
  Add(u"ΣΟΦΊΑ", 4);
  EXPECT_EQ(Number(Map_Add(map, u"#kx_any")), 1);
  EXPECT_EQ(Number(Map_Find(map, u"GRÖßE")), 2);
  EXPECT_EQ(Map_Key(map), u"Größe");  // the key as first stored
  EXPECT_EQ(Number(Map_Find(map, u"москва")), 3);
  EXPECT_EQ(Number(Map_Find(map, u"σοφία")), 4);
  EXPECT_EQ(Map_Find(map, u"#kx_anyx"), nullptr);
  EXPECT_EQ(Map_Find(map, u"#kx_an"), nullptr);
  EXPECT_EQ(Map_Size(map), 4);
}

TEST_F(MapTest, IntegerKeysWalkByBucketNewestFirst) {
  Make(4, kMapIntegerKeys);
  for (std::int64_t key : {1, 5, 2, 9, 4, -1}) {
    auto* value = static_cast<Value*>(Map_AddInteger(map, key));
    ASSERT_NE(value, nullptr);
    value->number = key * 10;
  }
  // -1 hashes to 0 (its halves cancel): bucket 0 holds -1 and 4.
  std::vector<std::int64_t> walked;
  Map_Reset(map);
  while (Map_Next(map)) walked.push_back(Map_IntegerKey(map));
  EXPECT_EQ(walked, (std::vector<std::int64_t>{-1, 4, 9, 5, 1, 2}));
  EXPECT_EQ(Number(Map_FindInteger(map, 9)), 90);
  EXPECT_EQ(Map_AddInteger(map, 9), Map_FindInteger(map, 9));
  EXPECT_EQ(Map_FindInteger(map, std::int64_t{9} << 32), nullptr);
  EXPECT_EQ(Map_Size(map), 6);
  // String keys do not apply to an integer-keyed map, nor the reverse.
  EXPECT_EQ(Map_Add(map, u"9"), nullptr);
  EXPECT_EQ(Map_Find(map, u"9"), nullptr);
  EXPECT_EQ(Map_Key(map), u"");
  MapHeader* strings = Map_New(8, 0, nullptr, nullptr, 8);
  EXPECT_EQ(Map_AddInteger(strings, 1), nullptr);
  EXPECT_EQ(Map_Size(strings), 0);
  Map_Free(strings);
}

TEST_F(MapTest, DeletingDuringAWalkVisitsEveryElementOnce) {
  Make(4);
  for (char16_t c = u'a'; c <= u'p'; ++c) Add(std::u16string(1, c));
  const Keys before = Walk();
  // Delete every other element as the walk reaches it: chain heads, middles and tails.
  Keys visited, kept;
  bool drop = true;
  Map_Reset(map);
  while (Map_Next(map)) {
    visited.push_back(Map_Key(map));
    if (drop) {
      EXPECT_EQ(Map_DeleteCurrent(map), 1);
    } else {
      kept.push_back(Map_Key(map));
    }
    drop = !drop;
  }
  EXPECT_EQ(visited, before);
  EXPECT_EQ(Map_Size(map), static_cast<std::int32_t>(kept.size()));
  EXPECT_EQ(Walk(), kept);
  for (const auto& key : kept) EXPECT_NE(Map_Find(map, key), nullptr);

  // Deleting everything: each one removed was its chain's head, so nothing
  // before it is current.
  int seen = 0;
  Map_Reset(map);
  while (Map_Next(map)) {
    ++seen;
    EXPECT_EQ(Map_DeleteCurrent(map), 1);
    EXPECT_EQ(Map_DeleteCurrent(map), 0);
  }
  EXPECT_EQ(seen, static_cast<int>(kept.size()));
  EXPECT_EQ(Map_Size(map), 0);
  EXPECT_EQ(Walk(), Keys{});
}

TEST_F(MapTest, DeleteAfterFindRemovesThatElement) {
  Make(1);
  for (const char16_t* key : {u"a", u"b", u"c"}) Add(key);  // chain: c b a
  ASSERT_NE(Map_Find(map, u"b"), nullptr);
  EXPECT_EQ(Map_DeleteCurrent(map), 1);
  EXPECT_EQ(Walk(), (Keys{u"c", u"a"}));
  ASSERT_NE(Map_Find(map, u"a"), nullptr);
  EXPECT_EQ(Map_DeleteCurrent(map), 1);
  // Twice in a row: the second removes the element before the first one.
  Add(u"d");  // chain: d c
  ASSERT_NE(Map_Find(map, u"c"), nullptr);
  EXPECT_EQ(Map_DeleteCurrent(map), 1);
  EXPECT_EQ(Map_Key(map), u"d");
  EXPECT_EQ(Map_DeleteCurrent(map), 1);
  EXPECT_EQ(Map_Size(map), 0);
}

TEST_F(MapTest, ClearRestartsTheWalkAndNewIntoAVariableReplacesTheMap) {
  Make(8);
  for (int i = 0; i < 50; ++i) Add(u"k" + std::u16string(1, u'A' + i), i);
  Map_Reset(map);
  Map_Next(map);
  Map_Clear(map);
  EXPECT_EQ(Map_Size(map), 0);
  EXPECT_EQ(Map_Next(map), nullptr);
  Add(u"new", 1);
  EXPECT_EQ(Walk(), (Keys{u"new"}));

  MapHeader* fresh = Map_New(sizeof(Value), 21, nullptr, &map, 512);  // frees the old one
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(map, fresh);
  EXPECT_EQ(Map_Size(map), 0);
  EXPECT_EQ(Map_Kind(map), 21);
  Map_Free(map);
  EXPECT_EQ(map, nullptr);
}

void* FailingAllocator(std::size_t) { return nullptr; }

TEST_F(MapTest, FailedAddLeavesTheMapUnchanged) {
  // An element size of its own: the pool has no blocks yet.
  map = Map_New(1016, 0, nullptr, &map, 512);
  ASSERT_NE(map, nullptr);
  Add(u"kept", 4);
  for (int i = 0; i < 15; ++i) Map_Add(map, u"fill" + std::u16string(1, u'a' + i));
  ASSERT_EQ(Map_Size(map), 16);
  ASSERT_NE(Map_Find(map, u"kept"), nullptr);
  CellPool_SetBlockAllocator(FailingAllocator);
  EXPECT_EQ(Map_Add(map, u"new"), nullptr);
  CellPool_SetBlockAllocator(nullptr);
  EXPECT_EQ(Map_Size(map), 16);
  EXPECT_EQ(Map_Key(map), u"kept");
  EXPECT_EQ(Map_Find(map, u"new"), nullptr);
}

}  // namespace
