// A scratch folder per test (inputs, outputs and the child's TMPDIR), point
// files, and the expected mosaic compared with a decoded PNG.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/batch/tests/batch_run.h"
#include "app/batch/tests/png_decode.h"

namespace fs = std::filesystem;

// A point as the file gives it: easting, northing, grey (z already whole).
struct Pt {
  std::int64_t x, northing;
  int grey;
};

inline std::string XyzText(const std::vector<Pt>& points, const char* end = "\n") {
  std::string text;
  for (const auto& p : points)
    text +=
        std::to_string(p.x) + "," + std::to_string(p.northing) + "," + std::to_string(p.grey) + end;
  return text;
}

inline std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

// The status lines a file that loads as a tile gives.
inline std::vector<std::string> LoadedLines(const std::string& name, int mib = 0) {
  return {"Lese " + name + " (" + std::to_string(mib) + " MiB) ...",
          "Verarbeite " + name + ": Bestimme Koordinaten",
          "Verarbeite " + name + ": Erstelle Kachel"};
}
inline std::vector<std::string> FailedLines(const std::string& name, int mib = 0) {
  return {"Lese " + name + " (" + std::to_string(mib) + " MiB) ...",
          "Konnte keine XYZ Daten lesen (" + name + ")"};
}
inline std::vector<std::string> DuplicateLines(const std::string& name, int mib = 0) {
  return {"Lese " + name + " (" + std::to_string(mib) + " MiB) ...", name + " bereits geladen"};
}
inline std::vector<std::string> ExportedLines() {
  return {"Speichern als PNG...", "Datei exportiert!"};
}
// The summary's first line on standard error.
inline std::string SummaryLine(int loaded, int duplicates = 0, int skipped = 0, int failed = 0) {
  return "relivox-batch: " + std::to_string(loaded) + " geladen, " + std::to_string(duplicates) +
         " bereits geladen, " + std::to_string(skipped) + " übersprungen, " +
         std::to_string(failed) + " fehlgeschlagen\n";
}
// A summary line for one input that failed or was skipped.
inline std::string FailedInput(const std::string& name, const std::string& reason) {
  return "  fehlgeschlagen: " + name + " (" + reason + ")\n";
}
inline std::string SkippedInput(const std::string& name, const std::string& reason) {
  return "  übersprungen: " + name + " (" + reason + ")\n";
}

// The zip job's line after `done` of `total` bytes: rounded, ties to even.
inline std::string PercentLine(double done, double total) {
  return std::to_string(static_cast<long long>(std::nearbyint(done / total * 100))) + "%";
}
template <typename T>
std::vector<T> Concat(std::initializer_list<std::vector<T>> parts) {
  std::vector<T> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Empty when the PNG is 8-bit RGB, spans exactly the box of `points` and
// holds their grey where they lie (later points win) and black elsewhere;
// otherwise what differs.
inline std::string MosaicMismatch(const DecodedPng& png, const std::vector<Pt>& points) {
  if (!png.ok) return "PNG not decoded: " + png.error;
  std::ostringstream why;
  if (png.bitDepth != 8) why << "bit depth " << png.bitDepth << " (want 8); ";
  if (png.colorType != PNG_COLOR_TYPE_RGB)
    why << "colour type " << png.colorType << " (want RGB 2); ";
  if (points.empty()) return why.str() + "no points expected";
  std::int64_t minX = points[0].x, maxX = points[0].x;
  std::int64_t minY = -points[0].northing, maxY = -points[0].northing;
  for (const auto& p : points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, -p.northing);
    maxY = std::max(maxY, -p.northing);
  }
  const std::int64_t width = maxX - minX + 1, height = maxY - minY + 1;
  if (png.width != width || png.height != height) {
    why << "size " << png.width << " x " << png.height << " (want " << width << " x " << height
        << ")";
    return why.str();
  }
  if (!why.str().empty()) return why.str();
  std::map<std::pair<std::int64_t, std::int64_t>, int> grey;
  for (const auto& p : points) grey[{p.x - minX, -p.northing - minY}] = p.grey;
  int wrong = 0;
  for (std::int64_t y = 0; y < height; ++y)
    for (std::int64_t x = 0; x < width; ++x) {
      const auto found = grey.find({x, y});
      const std::uint32_t g = found == grey.end() ? 0 : static_cast<std::uint32_t>(found->second);
      const std::uint32_t want = g << 16 | g << 8 | g;
      const std::uint32_t got =
          png.Rgb(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
      if (got != want && ++wrong <= 5)
        why << "pixel (" << x << ", " << y << ") is " << std::hex << got << " want " << want
            << std::dec << "; ";
    }
  if (wrong > 5) why << wrong << " pixels differ";
  return why.str();
}

class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    std::replace(name.begin(), name.end(), '/', '-');
    scratch_ = fs::temp_directory_path() / ("batch-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(scratch_);
    fs::create_directories(scratch_ / "tmp");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
  }

  std::string Path(const std::string& name) const { return (scratch_ / name).string(); }
  std::string Tmp() const { return (scratch_ / "tmp").string(); }

  std::string Write(const std::string& name, const std::string& bytes) const {
    const fs::path path = scratch_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path.string();
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // Runs the program in the scratch folder with TMPDIR = scratch/tmp.
  BatchResult Run(std::vector<std::string> args) const {
    return RunBatch(std::move(args), Tmp(), scratch_.string());
  }

  // Every path below `folder` (relative), with the content of each file.
  static std::map<std::string, std::string> Listing(const fs::path& folder) {
    std::map<std::string, std::string> all;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      all[fs::relative(entry.path(), folder).string()] =
          entry.is_regular_file() ? Read(entry.path().string()) : "<folder>";
    return all;
  }

  fs::path scratch_;
};
