// The index must give exactly the tiles a walk of the whole registry would
// find meeting a box, in the same order: random tiles of every size (so
// every level and cells shared by many tiles), near the ends of the grid
// too, against that walk.
#include "app/tile_index.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

TEST(TileIndex, GivesTheTilesMeetingABoxInTheRegistrysWalkOrder) {
  std::mt19937_64 random(2024);
  Map<TileRecord> tiles(512);
  TileIndex* index = TileIndex_Create();
  ASSERT_NE(index, nullptr);
  const auto number = [&](std::int64_t below) {
    return static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(below));
  };
  const auto randomBox = [&](std::int64_t originX, std::int64_t originY) {
    // Mostly small, some hundreds of units, a few near the largest image.
    const auto side = [&](int kind) {
      return kind < 15 ? 1 + number(8) : kind < 19 ? 20 + number(300) : 4000 + number(28000);
    };
    const std::int64_t w = side(static_cast<int>(number(20))),
                       h = side(static_cast<int>(number(20)));
    const std::int64_t x = originX + number(2000) - 1000, y = originY + number(2000) - 1000;
    return GridBox{x, y, x + w - 1, y + h - 1};
  };
  // Most tiles about the origin (negative coordinates too), some at the grid's end.
  const std::int64_t farX = INT64_MAX - 40000, farY = INT64_MIN + 5000;
  for (int i = 0; i < 4000; ++i) {
    const bool far = i % 10 == 0;
    const GridBox box = randomBox(far ? farX : 0, far ? farY : 0);
    // Digest-like keys, so that chains hold several tiles in no set order.
    std::u16string unique;
    for (int digit = 0; digit < 32; ++digit) unique += u"0123456789abcdef"[random() % 16];
    TileRecord* record = tiles.Add(unique);
    ASSERT_NE(record, nullptr);
    *record = {box, 0, 0, 0};
    ASSERT_TRUE(TileIndex_Add(*index, record, tiles.BucketOf(unique)));
  }
  EXPECT_EQ(TileIndex_Size(*index), 4000);

  std::vector<GridBox> queries = {GridBox{}, GridBox{INT64_MIN, INT64_MIN, INT64_MAX, INT64_MAX},
                                  GridBox{0, 0, 0, 0}, GridBox{farX, farY, INT64_MAX, farY + 9}};
  for (int i = 0; i < 600; ++i)
    queries.push_back(randomBox(i % 7 == 0 ? farX : 0, i % 7 == 0 ? farY : 0));
  std::vector<const TileRecord*> found;
  for (const GridBox& query : queries) {
    std::vector<const TileRecord*> walked;
    tiles.ForEach([&](const TileRecord& tile) {
      if (Meets(tile.box, query)) walked.push_back(&tile);
    });
    ASSERT_TRUE(TileIndex_Meeting(*index, query, &found));
    ASSERT_EQ(found, walked) << "query " << query.minX << ", " << query.minY << " to " << query.maxX
                             << ", " << query.maxY;
  }
  TileIndex_Free(index);
}

}  // namespace
