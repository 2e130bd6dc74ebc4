#include "runtime/data/typed_containers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct JobRecord {
  std::int64_t kind;
  std::u16string path;
};

#pragma pack(push, 1)
struct XyzPoint {
  std::int64_t x;
  std::int64_t y;
  std::uint8_t grey;
};
#pragma pack(pop)
static_assert(sizeof(XyzPoint) == 17);

struct TileRecord {
  std::int64_t minX, minY, maxX, maxY, image, width, height;
};

// Counts live instances, so a missed or doubled destruction shows; the
// sanitizer build reports a leaked string.
struct Tracked {
  static inline int live = 0;
  Tracked() noexcept { ++live; }
  ~Tracked() { --live; }
  std::u16string text = u"a string too long for the small-string buffer";
};

const std::u16string kLongPath = u"/home/surveyor/Kacheln/32_356_5645_1_nw_2019/tile.xyz";

TEST(TypedListTest, JobQueueElementsOwnTheirPaths) {
  List<JobRecord> queue(7);
  ASSERT_TRUE(queue.Valid());
  for (int i = 0; i < 5; ++i) {
    queue.Last();
    JobRecord* job = queue.Add();
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->kind, 0);
    EXPECT_TRUE(job->path.empty());
    job->path = kLongPath + std::u16string(1, u'0' + i);
  }
  // Take from the front, as the worker does.
  const JobRecord taken = *queue.First();
  queue.Delete();
  EXPECT_EQ(taken.path, kLongPath + u"0");
  EXPECT_EQ(queue.Size(), 4);
  EXPECT_EQ(queue.First()->path, kLongPath + u"1");
  EXPECT_EQ(queue.Last()->path, kLongPath + u"4");
  queue.Select(2);
  queue.Delete();
  EXPECT_EQ(queue.Current()->path, kLongPath + u"2");
}

TEST(TypedListTest, ElementsAreConstructedOnAddAndDestroyedOnceOnRemoval) {
  Tracked::live = 0;
  {
    List<Tracked> list;
    for (int i = 0; i < 10; ++i) list.Add();
    EXPECT_EQ(Tracked::live, 10);
    EXPECT_EQ(list.First()->text.size(), 45u);
    list.Select(4);
    list.Delete();
    EXPECT_EQ(Tracked::live, 9);
    list.Clear();
    EXPECT_EQ(Tracked::live, 0);
    list.Add();
    // A moved list is freed once.
    List<Tracked> moved(std::move(list));
    EXPECT_FALSE(list.Valid());
    EXPECT_EQ(moved.Size(), 1);
    List<Tracked> other;
    other.Add();
    other.Add();
    other = std::move(moved);
    EXPECT_EQ(Tracked::live, 1);
  }
  EXPECT_EQ(Tracked::live, 0);
}

TEST(TypedListTest, PackedPointsKeepTheirBytes) {
  List<XyzPoint> points;
  for (std::int64_t i = 1; i <= 1000; ++i)
    *points.Add() = XyzPoint{356000 + i, -(5645000 + i), static_cast<std::uint8_t>(i)};
  points.Reset();
  std::int64_t i = 0;
  while (XyzPoint* p = points.Next()) {
    ++i;
    ASSERT_EQ(p->x, 356000 + i);
    ASSERT_EQ(p->y, -(5645000 + i));
    ASSERT_EQ(p->grey, static_cast<std::uint8_t>(i));
  }
  EXPECT_EQ(i, 1000);
}

TEST(TypedMapTest, TileRegistryFilledFieldByField) {
  Map<TileRecord> tiles(512);
  const std::u16string key = u"0cc175b9c0f1b6a831c399e269772661";
  tiles.Add(key)->minX = 5;
  tiles.Add(key)->maxX = 9;
  EXPECT_EQ(tiles.Size(), 1);
  TileRecord* tile = tiles.Find(key);
  ASSERT_NE(tile, nullptr);
  EXPECT_EQ(tile->minX, 5);
  EXPECT_EQ(tile->maxX, 9);
  EXPECT_EQ(tile->image, 0);
  EXPECT_EQ(tiles.Key(), key);

  Map<std::int64_t> registry(1024, kMapNoCase);
  *registry.Add(u"#KX_Any") = -1;
  ASSERT_NE(registry.Find(u"#kx_any"), nullptr);
  EXPECT_EQ(*registry.Find(u"#KX_ANY"), -1);
}

TEST(TypedMapTest, ElementsAreDestroyedOnDeleteClearAndFree) {
  Tracked::live = 0;
  {
    Map<Tracked> map(16);
    for (int i = 0; i < 20; ++i) map.Add(u"key" + std::u16string(1, u'a' + i));
    map.Add(u"keya");  // present: nothing new
    EXPECT_EQ(Tracked::live, 20);
    ASSERT_NE(map.Find(u"keyc"), nullptr);
    EXPECT_TRUE(map.DeleteCurrent());
    EXPECT_EQ(Tracked::live, 19);
    map.Reset();
    map.Next();
    map.DeleteCurrent();
    EXPECT_EQ(Tracked::live, 18);
    map.Clear();
    EXPECT_EQ(Tracked::live, 0);
    map.Add(u"again");

    Map<Tracked> sizes(512, kMapIntegerKeys, 21);
    for (std::int64_t i = 0; i < 30; ++i) sizes.AddInteger(i * 1000003);
    EXPECT_EQ(Tracked::live, 31);
    ASSERT_NE(sizes.FindInteger(7 * 1000003), nullptr);
    EXPECT_EQ(sizes.IntegerKey(), 7 * 1000003);
    sizes.DeleteCurrent();
    EXPECT_EQ(sizes.FindInteger(7 * 1000003), nullptr);
    EXPECT_EQ(Tracked::live, 30);
  }
  EXPECT_EQ(Tracked::live, 0);
}

// The registry's walks decide which tile wins a pixel: ForEach must give
// Next's order, leave the cursor where a Find put it, and nest.
TEST(TypedMapTest, ForEachWalksInNextOrderWithoutMovingTheCursor) {
  Map<std::int64_t> map(8);  // few buckets: chains of several elements
  for (std::int64_t i = 0; i < 40; ++i) *map.Add(u"k" + std::u16string(1, u'A' + i)) = i;
  std::vector<std::int64_t> byNext, byForEach;
  map.Reset();
  while (const std::int64_t* v = map.Next()) byNext.push_back(*v);
  ASSERT_NE(map.Find(u"kC"), nullptr);
  std::size_t pairs = 0;
  map.ForEach([&](const std::int64_t& v) {
    byForEach.push_back(v);
    map.ForEach([&](const std::int64_t&) { ++pairs; });
  });
  EXPECT_EQ(byForEach, byNext);
  EXPECT_EQ(pairs, 40u * 40u);
  ASSERT_NE(map.Current(), nullptr);
  EXPECT_EQ(*map.Current(), 2) << "the cursor stays on the found element";
  Map<std::int64_t> empty(4);
  empty.ForEach([](const std::int64_t&) { ADD_FAILURE() << "an empty map has no element"; });
}

TEST(TypedListTest, AddLastAppendsWhereverTheCursorStandsAndForEachKeepsIt) {
  List<std::int64_t> list;
  for (std::int64_t i = 0; i < 5; ++i) {
    list.First();  // a cursor at the front must not make Add insert there
    *list.AddLast() = i;
  }
  list.Select(1);
  std::vector<std::int64_t> seen;
  list.ForEach([&](const std::int64_t& v) { seen.push_back(v); });
  EXPECT_EQ(seen, (std::vector<std::int64_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(list.Index(), 1);
  List<std::int64_t> empty;
  empty.ForEach([](const std::int64_t&) { ADD_FAILURE(); });
  *empty.AddLast() = 9;
  EXPECT_EQ(*empty.First(), 9);
}

}  // namespace
