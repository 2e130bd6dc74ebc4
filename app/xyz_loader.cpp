#include "app/xyz_loader.h"

#include <algorithm>
#include <unordered_set>

#include "app/app_state.h"
#include "app/indicators.h"
#include "app/tile_rasteriser.h"
#include "app/xyz_read_pass.h"
#include "runtime/data/fs.h"
#include "runtime/data/hash.h"
#include "runtime/data/str.h"

namespace {

std::u16string ReadingText(const std::u16string& name, std::int64_t size) {
  const double mebibytes = static_cast<double>(size) / 1024.0 / 1024.0;
  return u"Lese " + name + u" (" + Str_FromFloat(Math_Round(mebibytes, kRoundNearest)) +
         u" MiB) ...";
}

std::u16string NoDataText(const std::u16string& name) {
  return u"Konnte keine XYZ Daten lesen (" + name + u")";
}

// The byte counts of the files whose tiles were registered. Entries are
// never removed: one left from an earlier registry only delays a bar.
// Worker thread only (tests: the thread that loads).
std::unordered_set<std::int64_t>& RegisteredLengths() {
  static std::unordered_set<std::int64_t> lengths;
  return lengths;
}

void ShowFigure(std::int64_t value) { SetProgress(value); }

}  // namespace

void ReportNoXyzData(const std::u16string& name) {
  SetStatusText(ReadingText(name, 0));
  SetStatusText(NoDataText(name));
  SetProgress(0);
}

int LoadXyzFile(const std::u16string& path) {
  const std::u16string name = Fs_FilePart(path);
  const std::int64_t size = Fs_FileSize(path);
  SetStatusText(ReadingText(name, size));
  NotifyReading(name);

  // One pass digests and parses the file together, and the digest decides
  // at the end whether the points are used. The bar must not move for a
  // file already registered, so its figures wait for that verdict, unless
  // no registered file has this length (then it cannot be one of them).
  Hash_UseMd5();
  XyzReadResult read;
  const bool live = RegisteredLengths().count(size) == 0;
  const bool complete =
      ReadXyzOnce(path, CurrentXyzSeparator(), &read, live ? ShowFigure : nullptr);
  if (complete && App().tiles->Find(read.key)) {
    SetStatusText(name + u" bereits geladen");
    return 0;
  }
  // A file that could not be read to its end is unreadable, not short.
  if (complete)
    for (std::size_t i = read.shown; i < read.scan.progress.size(); ++i)
      SetProgress(read.scan.progress[i]);
  if (!complete || read.scan.points.empty()) {
    SetStatusText(NoDataText(name));
    SetProgress(0);
    return 0;
  }
  const XyzBox& found = read.scan.box;  // the same as ComputeBoundingBox, found while parsing
  const BoundingBox box{found.minX, found.minY, found.maxX, found.maxY};
  const int registered = RasteriseTile(read.scan.points, read.key, name, &box);
  if (registered) RegisteredLengths().insert(read.scan.offset);
  return registered;
}

int ComputeBoundingBox(const std::vector<XyzPoint>& points, BoundingBox* box) {
  if (points.empty()) return 0;
  const XyzPoint& first = points.front();
  *box = {first.x, first.y, first.x, first.y};
  for (const XyzPoint& p : points) {
    const std::int64_t x = p.x, y = p.y;  // packed fields: no references
    box->minX = std::min(box->minX, x);
    box->minY = std::min(box->minY, y);
    box->maxX = std::max(box->maxX, x);
    box->maxY = std::max(box->maxY, y);
  }
  return 0;
}
