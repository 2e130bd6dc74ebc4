#include "runtime/system/requester.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform_test_hooks.h"
#include "runtime/data/fs.h"
#include "runtime/data/utf.h"

namespace {

// The scripted chooser: hands out prepared answers and keeps what it was asked.
std::deque<PlatFileDialogResult> gAnswers;
std::vector<PlatFileDialogSpec> gAsked;
std::deque<bool> gReplies;
std::vector<std::u16string> gQuestions;

template <class T>
T Take(std::deque<T>& queue) {
  if (queue.empty()) return T{};  // nothing prepared: cancel, "no"
  T first = queue.front();
  queue.pop_front();
  return first;
}
PlatFileDialogResult Choose(const PlatFileDialogSpec& desc) {
  gAsked.push_back(desc);
  return Take(gAnswers);
}
bool Answer(const std::u16string&, const std::u16string& text) {
  gQuestions.push_back(text);
  return Take(gReplies);
}
PlatFileDialogResult Chosen(std::vector<std::u16string> parts, int filter = 1) {
  return {true, std::move(parts), filter};
}

class RequesterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Plat_TestSetFileChooser(Choose);
    Plat_TestSetQuestionAnswerer(Answer);
    gAnswers.clear();
    gAsked.clear();
    gReplies.clear();
    gQuestions.clear();
  }
  void TearDown() override {
    Plat_TestSetFileChooser(nullptr);
    Plat_TestSetQuestionAnswerer(nullptr);
  }
};

const std::u16string kPattern = u"Unterstützte Formate|*.zip;*.xyz|zip|*.zip|xyz|*.xyz";

TEST_F(RequesterTest, SelectionsAreWalkedInOrderOnce) {
  const struct {
    std::vector<std::u16string> chosen, walk;
  } cases[] = {
      {{u"/daten/kacheln/a.xyz"}, {u"/daten/kacheln/a.xyz"}},
      {{u"/daten/kacheln", u"a.xyz", u"b.xyz", u"c.zip"},
       {u"/daten/kacheln/a.xyz", u"/daten/kacheln/b.xyz", u"/daten/kacheln/c.zip"}},
      // Root folders get no second separator.
      {{u"/", u"a.xyz", u"b.xyz"}, {u"/a.xyz", u"/b.xyz"}},
      {{u"C:\\", u"a.xyz", u"b.xyz"}, {u"C:\\a.xyz", u"C:\\b.xyz"}},
      {{u"C:\\Daten", u"a.xyz"}, {u"C:\\Daten\\a.xyz"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.walk[0]));
    gAnswers.push_back(Chosen(c.chosen, 2));
    std::vector<std::u16string> walk = {
        Req_OpenFile(u"Load XYZ", u"", kPattern, 0, KX_Requester_MultiSelection)};
    for (std::u16string next; !(next = Req_NextSelectedFile()).empty();) walk.push_back(next);
    EXPECT_EQ(walk, c.walk);
    EXPECT_EQ(Req_NextSelectedFile(), u"");
    EXPECT_EQ(Req_SelectedPattern(), 2);
  }
  // A cancelled requester gives nothing and ends the walk of the one before.
  gAnswers.push_back(Chosen({u"/d", u"a", u"b", u"c"}));
  Req_OpenFile(u"t", u"", kPattern, 0, KX_Requester_MultiSelection);
  EXPECT_EQ(Req_NextSelectedFile(), u"/d/b");
  EXPECT_EQ(Req_OpenFile(u"t", u"", kPattern, 0, KX_Requester_MultiSelection), u"");
  EXPECT_EQ(Req_NextSelectedFile(), u"");
  EXPECT_EQ(Req_SaveFile(u"Save PNG", u"test.png", u"PNG|*.png"), u"");
}

TEST_F(RequesterTest, PatternBecomesPairsWithThePreselectedOne) {
  gAnswers.push_back(Chosen({u"/x/a.zip"}));
  Req_OpenFile(u"Load XYZ", u"", kPattern, 2, KX_Requester_MultiSelection);
  ASSERT_EQ(gAsked.size(), 1u);
  const PlatFileDialogSpec& desc = gAsked[0];
  EXPECT_FALSE(desc.save);
  EXPECT_TRUE(desc.multiSelect);
  EXPECT_EQ(desc.title, u"Load XYZ");
  ASSERT_EQ(desc.filters.size(), 3u);
  EXPECT_EQ(desc.filters[0].first, u"Unterstützte Formate");
  EXPECT_EQ(desc.filters[0].second, u"*.zip;*.xyz");
  EXPECT_EQ(desc.filters[2].first, u"xyz");
  EXPECT_EQ(desc.filters[2].second, u"*.xyz");
  EXPECT_EQ(desc.filterIndex, 3);

  Req_OpenFile(u"t", u"", u"PNG|*.png|Rest", 0);
  ASSERT_EQ(gAsked.size(), 2u);
  ASSERT_EQ(gAsked[1].filters.size(), 1u);  // a description without a filter is dropped
  EXPECT_FALSE(gAsked[1].multiSelect);
  Req_OpenFile(u"t", u"", u"", 0);
  EXPECT_TRUE(gAsked[2].filters.empty());
}

TEST_F(RequesterTest, DefaultFileSplitsIntoFolderAndName) {
  // clang-format off
  struct Case { std::u16string file, directory, name; } cases[] = {
      {u"test.png", u"", u"test.png"},
      {u"/home/vermessung/out/test.png", u"/home/vermessung/out", u"test.png"},
      {u"C:\\Daten\\mosaik.png", u"C:\\Daten", u"mosaik.png"}, {u"C:\\Daten\\", u"C:\\Daten", u""},
      {u"C:\\Daten\\was?.png", u"C:\\Daten", u""}, {u"a<b.png", u"", u""},
      {u"zeile\numbruch.png", u"", u""}, {u"", u"", u""}};
  // clang-format on
  for (const Case& c : cases) {
    gAsked.clear();
    Req_SaveFile(u"Save PNG", c.file, u"PNG|*.png");
    ASSERT_EQ(gAsked.size(), 1u);
    EXPECT_TRUE(gAsked[0].save);
    EXPECT_EQ(gAsked[0].directory, c.directory) << Utf16ToUtf8(c.file);
    EXPECT_EQ(gAsked[0].fileName, c.name) << Utf16ToUtf8(c.file);
  }
  gAsked.clear();
  Req_SaveFile(u"t", std::u16string(300, u'n'), u"");
  EXPECT_EQ(gAsked[0].fileName.size(), 259u);
}

TEST_F(RequesterTest, SaveAsksBeforeReplacingAnExistingFile) {
  const std::u16string existing = Fs_TempDirectory() + u"vorhanden.png";
  const std::u16string fresh = Fs_TempDirectory() + u"neu.png";
  std::ofstream(Utf16ToUtf8(existing)) << "PNG";
  Fs_DeleteFile(fresh);

  // "No": the requester comes back at the same place, and a new name is taken.
  gAnswers.push_back(Chosen({existing}));
  gAnswers.push_back(Chosen({fresh}));
  gReplies.push_back(false);
  EXPECT_EQ(Req_SaveFile(u"Save PNG", u"test.png", u"PNG|*.png"), fresh);
  ASSERT_EQ(gQuestions.size(), 1u);
  EXPECT_NE(gQuestions[0].find(u"vorhanden.png"), std::u16string::npos);
  ASSERT_EQ(gAsked.size(), 2u);
  EXPECT_EQ(gAsked[1].fileName, u"vorhanden.png");

  // "Yes": the existing file is the answer.
  gAnswers.push_back(Chosen({existing}));
  gReplies.push_back(true);
  EXPECT_EQ(Req_SaveFile(u"Save PNG", u"test.png", u"PNG|*.png"), existing);
  EXPECT_EQ(gQuestions.size(), 2u);
  Fs_DeleteFile(existing);
}

}  // namespace
