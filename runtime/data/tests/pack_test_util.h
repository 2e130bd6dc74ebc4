// Shared helpers of the archive tests: a scratch folder and file access.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "runtime/data/pack.h"
#include "runtime/data/utf.h"

struct WalkedEntry {
  std::u16string name;
  int type;
  std::int64_t size;
  bool operator==(const WalkedEntry&) const = default;
};

inline void PrintTo(const WalkedEntry& entry, std::ostream* out) {
  *out << '"' << Utf16ToUtf8(entry.name) << "\" type " << entry.type << " size " << entry.size;
}

// Name, type and size of every entry from here to the end of the walk.
inline std::vector<WalkedEntry> WalkRest(ObjectHandle archive) {
  std::vector<WalkedEntry> entries;
  while (Pack_NextEntry(archive))
    entries.push_back({Pack_EntryName(archive), Pack_EntryType(archive), Pack_EntrySize(archive)});
  return entries;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Deterministic bytes that deflate only partly, so compressed data is long.
inline std::string NoisyText(std::size_t size, unsigned seed) {
  std::string text;
  text.reserve(size);
  std::uint32_t state = seed * 2654435761u + 1;
  while (text.size() < size) {
    state = state * 1664525u + 1013904223u;
    text += std::to_string(356000 + (state >> 20) % 1000) + ".00," +
            std::to_string(5645000 + (state >> 8) % 1000) + ".00," +
            std::to_string((state >> 4) % 300) + ".45\n";
  }
  text.resize(size);
  return text;
}

// Every archive test opens with the first registered plugin, so the zip
// plugin must come first, before any test registers another.
inline const int kZipRegistered = Pack_UseZip();

class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(kZipRegistered, 1);
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/pack-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    Pack_Close(KX_Any);
    std::filesystem::remove_all(dir_);
  }

  // Every reading call on `pack` gives its failure value.
  void ExpectNoReading(ObjectHandle pack) const {
    SCOPED_TRACE(pack);
    EXPECT_EQ(Pack_Examine(pack), 0);
    EXPECT_EQ(Pack_NextEntry(pack), 0);
    EXPECT_EQ(Pack_EntryName(pack), u"");
    EXPECT_EQ(Pack_EntryType(pack), -1);
    EXPECT_EQ(Pack_EntrySize(pack), -1);
    EXPECT_EQ(Pack_ExtractToFile(pack, Path16("x")), -1);
    char buffer[8];
    EXPECT_EQ(Pack_ExtractToMemory(pack, buffer, 8), -1);
  }

  std::filesystem::path Path(const std::string& name) const { return dir_ / name; }
  std::u16string Path16(const std::string& name) const { return Utf8ToUtf16(Path(name).string()); }

  // File names in the scratch folder, hidden ones included.
  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(dir_))
      names.insert(item.path().filename().string());
    return names;
  }

  std::filesystem::path dir_;
};
