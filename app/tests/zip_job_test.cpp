// Archives: every file entry loads like a chosen file, from a private folder
// that no entry name can leave and that is gone afterwards.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>

#include "app/tests/core_test_support.h"
#include "app/zip_job.h"
#include "runtime/data/tests/bytes_written.h"
#include "runtime/data/tests/zip_builder.h"

namespace {

using Events = std::vector<std::string>;

std::set<std::string> Listing(const std::string& folder) {
  std::set<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(dir))
      if (e->d_name[0] != '.') names.insert(e->d_name);
    ::closedir(dir);
  }
  return names;
}

// What one job showed: the archive shares, one per line, the status texts,
// and everything in order.
struct Shown {
  std::string shares;
  Events statuses;
  Events all;
};

Shown RunZipJob(Converter& core, const std::u16string& zip) {
  LoadZipArchive(core, zip);
  Shown shown;
  shown.all = Recorder::Get().Take();
  for (const std::string& e : shown.all) {
    if (e.rfind("share:", 0) == 0) shown.shares += e.substr(6) + "\n";
    if (e.rfind("status:", 0) == 0) shown.statuses.push_back(e.substr(7));
  }
  return shown;
}

TEST_F(CoreTest, EntriesLoadFromAPrivateFolderThatIsRemovedAfterwards) {
  const std::string temporary = Utf16ToUtf8(Fs_TempDirectory());
  // A file of the user's with an entry's name: never touched.
  std::ofstream(temporary + "a.xyz") << "mine";
  const auto before = Listing(temporary);

  ZipBuilder zip;
  zip.AddFile("a.xyz", "1,1,1\n");
  zip.AddFolder("dir/");
  zip.AddFile("dir/b.xyz", "2,2,2\n", ZipBuilder::kDeflated);
  zip.AddFile("../../escape.xyz", "3,3,3\n");
  zip.AddFile("/abs/olute.xyz", "4,4,4\n");
  zip.AddFile("win\\dows.xyz", "5,5,5\n");
  zip.AddFile("other/b.xyz", "6,6,6\n");  // same last name, another folder
  zip.AddFile("copy.xyz", "1,1,1\n");     // same content as a.xyz
  zip.AddFile("dir/..", "7,7,7\n");       // no file name at all
  zip.Write(Folder() + "set.zip");

  const Shown shown = RunZipJob(Core(), Utf8ToUtf16(Folder() + "set.zip"));
  // Eight entries of six bytes: halves round to even (12.5 gives 12).
  EXPECT_EQ(shown.shares, "12%\n25%\n38%\n50%\n62%\n75%\n88%\n100%\n");
  const Events& statuses = shown.statuses;
  Events firsts;
  for (const auto& s : statuses)
    if (s.rfind("Lese ", 0) == 0) firsts.push_back(s.substr(5, s.find(' ', 5) - 5));
  EXPECT_EQ(firsts, (Events{"a.xyz", "b.xyz", "escape.xyz", "olute.xyz", "dows.xyz", "b.xyz",
                            "copy.xyz", ".."}));
  EXPECT_NE(std::find(statuses.begin(), statuses.end(), "copy.xyz bereits geladen"), statuses.end());
  EXPECT_EQ(statuses.back(), "Konnte keine XYZ Daten lesen (..)");
  EXPECT_EQ(Core().tiles->Size(), 6);

  std::ifstream mine(temporary + "a.xyz");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(mine)), {}), "mine");
  EXPECT_EQ(Listing(temporary), before) << "no folder or file left behind";
  std::remove((temporary + "a.xyz").c_str());
  for (const char* outside : {"escape.xyz", "../escape.xyz", "/abs/olute.xyz"})
    EXPECT_NE(::access((temporary + outside).c_str(), F_OK), 0) << outside;
}

TEST_F(CoreTest, AnEntryDeclaringMoreThanTheDiskHoldsIsNotExtracted) {
  struct statvfs disk;
  ASSERT_EQ(statvfs(Utf16ToUtf8(Fs_TempDirectory()).c_str(), &disk), 0);
  const std::uint64_t free = static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
  ZipBuilder zip;
  // 32 MiB that deflate to a few dozen KiB, declared a terabyte beyond the free space.
  zip.AddFile("bomb.xyz", std::string(32 << 20, '0'), ZipBuilder::kDeflated);
  zip.DeclareZip64Size(free + (std::uint64_t{1} << 40));
  zip.AddFile("fine.xyz", "1,1,1\n");
  zip.Write(Folder() + "bomb.zip");

  const std::int64_t before = BytesWritten();
  const Shown shown = RunZipJob(Core(), Utf8ToUtf16(Folder() + "bomb.zip"));
  EXPECT_LT(BytesWritten() - before, 1 << 20) << "the entry's data was written out";
  EXPECT_EQ(shown.statuses,
            (Events{"Lese bomb.xyz (0 MiB) ...", "Konnte keine XYZ Daten lesen (bomb.xyz)",
                    "Lese fine.xyz (0 MiB) ...", "Verarbeite fine.xyz: Bestimme Koordinaten",
                    "Verarbeite fine.xyz: Erstelle Kachel", ""}));
  EXPECT_EQ(Core().tiles->Size(), 1);
}

TEST_F(CoreTest, ArchivesThatHoldNothingShowNothing) {
  ZipBuilder folders;
  folders.AddFolder("only/");
  folders.Write(Folder() + "folders.zip");
  EXPECT_EQ(RunZipJob(Core(), Utf8ToUtf16(Folder() + "folders.zip")).all, Events{});

  ZipBuilder empty;
  empty.AddFile("zero.xyz", "");
  empty.Write(Folder() + "zero.zip");
  const Shown zero = RunZipJob(Core(), Utf8ToUtf16(Folder() + "zero.zip"));
  EXPECT_EQ(zero.shares, "100%\n") << "a total of 0 bytes is all done";
  EXPECT_EQ(zero.statuses,
            (Events{"Lese zero.xyz (0 MiB) ...", "Konnte keine XYZ Daten lesen (zero.xyz)"}));

  std::ofstream(Folder() + "not.zip") << "not an archive";
  EXPECT_EQ(RunZipJob(Core(), Utf8ToUtf16(Folder() + "not.zip")).all, Events{})
      << "an archive that cannot be read ends silently";
  EXPECT_EQ(RunZipJob(Core(), Utf8ToUtf16(Folder() + "missing.zip")).all, Events{});
}

}  // namespace
