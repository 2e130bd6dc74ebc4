// The command line of relivox-batch, and where its world file goes.
#include <gtest/gtest.h>

#include <vector>

#include "app/batch/batch_options.h"
#include "app/batch/world_file.h"

namespace {

BatchOptions Parse(std::vector<const char*> args) {
  return ParseBatchOptions(static_cast<int>(args.size()), args.data());
}

TEST(BatchOptions, GoodAndBadCommandLines) {
  BatchOptions o = Parse({"a.xyz", "-o", "out.png", "b.zip", "-w"});
  EXPECT_EQ(o.error, "");
  EXPECT_EQ(o.inputs, (std::vector<std::u16string>{u"a.xyz", u"b.zip"}));
  EXPECT_EQ(o.output, u"out.png");
  EXPECT_TRUE(o.worldFile);

  o = Parse({"--output=x y.png", "--", "-o", "--help", "-"});
  EXPECT_EQ(o.error, "");
  EXPECT_EQ(o.output, u"x y.png");
  EXPECT_EQ(o.inputs, (std::vector<std::u16string>{u"-o", u"--help", u"-"}));

  EXPECT_TRUE(Parse({"--help"}).help);
  EXPECT_TRUE(Parse({"a.xyz", "-h"}).help);
  EXPECT_TRUE(Parse({"--version"}).version);
  EXPECT_EQ(Parse({"Höhe.xyz"}).inputs[0], u"Höhe.xyz");

  for (const auto& bad : std::vector<std::vector<const char*>>{
           {}, {"-o", "out.png"}, {"a.xyz", "-o"}, {"a.xyz", "-o", ""}, {"a.xyz", "--output="},
           {"a.xyz", "-x"}, {"a.xyz", "--outputs", "b"}, {"a.xyz", "-w"}})
    EXPECT_NE(Parse(bad).error, "") << (bad.empty() ? "(nothing)" : bad.back());
}

TEST(WorldFile, NameBesideTheImage) {
  EXPECT_EQ(WorldFilePath(u"out.png"), u"out.pgw");
  EXPECT_EQ(WorldFilePath(u"/data/mosaic.final.PNG"), u"/data/mosaic.final.pgw");
  EXPECT_EQ(WorldFilePath(u"out"), u"out.pgw");
  EXPECT_EQ(WorldFilePath(u"dir.v2/out"), u"dir.v2/out.pgw");
  EXPECT_EQ(WorldFilePath(u"out."), u"out..pgw");
}

}  // namespace
