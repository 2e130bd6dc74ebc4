#include "app/xyz_loader.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/indicators.h"
#include "app/tile_rasteriser.h"
#include "runtime/data/file.h"
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

// Reads every accepted point into `points`. False when the file cannot be
// opened or read to its end: a read error must not pass for a short file.
bool ReadPoints(const std::u16string& path, List<XyzPoint>& points) {
  const ObjectHandle file = File_OpenRead(KX_Any, path);
  if (!file) return false;
  const std::int64_t length = File_Length(file);
  bool complete = true;
  while (File_AtEnd(file) == 0) {
    XyzPoint point;
    if (ParseXyzLine(File_ReadLine(file), &point)) {
      XyzPoint* element = points.Add();
      if (!element) {  // out of memory: no partial tile either
        complete = false;
        break;
      }
      *element = point;
    }
    // A file that grows while it is read must not push the bar past half,
    // and one whose length reads 0 must not divide by it.
    SetProgress(length > 0 ? std::min<std::int64_t>(File_Position(file) * 50 / length, 50) : 0);
  }
  if (File_Error(file)) complete = false;
  File_Close(file);
  return complete;
}

}  // namespace

void ReportNoXyzData(const std::u16string& name) {
  SetStatusText(ReadingText(name, 0));
  SetStatusText(NoDataText(name));
  SetProgress(0);
}

int LoadXyzFile(const std::u16string& path) {
  const std::u16string name = Fs_FilePart(path);
  SetStatusText(ReadingText(name, Fs_FileSize(path)));
  NotifyReading(name);

  List<XyzPoint> points;
  Hash_UseMd5();
  const std::u16string key = Hash_File(path, kHashMd5);
  if (!key.empty() && App().tiles->Find(key)) {
    SetStatusText(name + u" bereits geladen");
    return 0;
  }
  // No key means the digest could not read the file to its end: the file is
  // unreadable, not new.
  const bool complete = !key.empty() && points.Valid() && ReadPoints(path, points);
  if (!complete || points.Size() == 0) {
    SetStatusText(NoDataText(name));
    SetProgress(0);
    return 0;
  }
  return RasteriseTile(points, key, name);
}

int ComputeBoundingBox(List<XyzPoint>& points, BoundingBox* box) {
  const XyzPoint* first = points.First();
  if (!first) return 0;
  *box = {first->x, first->y, first->x, first->y};
  points.Reset();
  while (const XyzPoint* p = points.Next()) {
    const std::int64_t x = p->x, y = p->y;  // packed fields: no references
    box->minX = std::min(box->minX, x);
    box->minY = std::min(box->minY, y);
    box->maxX = std::max(box->maxX, x);
    box->maxY = std::max(box->maxY, y);
  }
  return 0;
}
