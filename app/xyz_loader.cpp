#include "app/xyz_loader.h"

#include "app/cell_loader.h"
#include "app/height_store.h"
#include "app/indicators.h"
#include "app/mosaic.h"
#include "app/tile_rasteriser.h"
#include "app/xyz_read_pass.h"
#include "imaging/image.h"
#include "runtime/data/fs.h"
#include "runtime/data/hash.h"
#include "runtime/data/str.h"
#include "runtime/data/utf.h"

namespace {

std::u16string ReadingText(const std::u16string& name, std::int64_t size) {
  const double mebibytes = static_cast<double>(size) / 1024.0 / 1024.0;
  return u"Lese " + name + u" (" + Str_FromFloat(Math_Round(mebibytes, kRoundNearest)) +
         u" MiB) ...";
}

void Refuse(Converter& core, const std::u16string& text) {
  SetStatusText(core, text);
  SetProgress(core, 0);
}

// Why a file that could not be read to its end gave nothing.
LoadOutcome WhyUnread(const std::u16string& path) {
  switch (Fs_FileSize(path)) {
    case -1:
      return LoadOutcome::kMissing;
    case -2:
      return LoadOutcome::kNotRegular;
    default:
      return LoadOutcome::kUnreadable;
  }
}

}  // namespace

std::u16string NoXyzDataText(const std::u16string& name) {
  return u"Konnte keine XYZ Daten lesen (" + name + u")";
}

void ReportNoXyzData(Converter& core, const std::u16string& name) {
  SetStatusText(core, ReadingText(name, 0));
  Refuse(core, NoXyzDataText(name));
}

LoadOutcome LoadXyzFile(Converter& core, const std::u16string& path) {
  return LoadXyzFileAs(core, path, PathForDisplay(Fs_FilePart(path)));
}

LoadOutcome LoadXyzFileAs(Converter& core, const std::u16string& path, const std::u16string& name) {
  const std::int64_t size = Fs_FileSize(path);
  SetStatusText(core, ReadingText(name, size));
  NotifyReading(core, name);

  // One pass digests and parses the file together, and the digest decides
  // at the end whether the points are used. The bar must not move for a
  // file already registered, so its figures wait for that verdict, unless
  // no registered file has this length (then it cannot be one of them).
  Hash_UseMd5();
  XyzReadResult read;
  const bool live = core.registeredLengths.count(size) == 0;
  const XyzFigureSink sink{[](void* c, std::int64_t f) { SetProgress(*static_cast<Converter*>(c), f); },
                           &core};
  // With an output grid of cells the points go into the tile's cells chunk by chunk.
  CellBuilder cells(core.cells);
  const XyzPointDrain drain{[](void* b, XyzScanner& scan) {
                              return CellBuilder_Take(*static_cast<CellBuilder*>(b), scan);
                            },
                            &cells};
  const bool complete = ReadXyzOnce(path, core.readOptions, &read, live ? &sink : nullptr, 0,
                                    core.wants, core.cells.active ? &drain : nullptr);
  if (complete && IsRegistered(core, read.key)) {
    SetStatusText(core, name + u" bereits geladen");
    return LoadOutcome::kDuplicate;
  }
  // A file that could not be read to its end is unreadable, not short.
  if (complete)
    for (std::size_t i = read.shown; i < read.scan.progress.size(); ++i)
      SetProgress(core, read.scan.progress[i]);
  if (cells.lackedMemory) {
    Refuse(core, CellMemoryText(cells, name));
    return LoadOutcome::kNoMemory;
  }
  const bool noPoints = core.cells.active ? cells.points == 0 : read.scan.points.empty();
  if (!complete || noPoints) {
    Refuse(core, NoXyzDataText(name));
    return complete ? LoadOutcome::kNoData : WhyUnread(path);
  }

  SetStatusText(core, u"Verarbeite " + name + u": Bestimme Koordinaten");
  SetProgress(core, 50);
  if (core.cells.active)
    return KeepCellTile(core, read.key, read.scan.offset, read.scan, cells, name);
  const GridBox& box = read.scan.box;  // ComputeBoundingBox's, found while parsing
  if (const TileRefusal refusal = TileSizeRefusal(core, box, name);
      refusal.outcome != LoadOutcome::kLoaded) {
    Refuse(core, refusal.text);
    return refusal.outcome;
  }
  SetStatusText(core, u"Verarbeite " + name + u": Erstelle Kachel");
  SetProgress(core, 50);
  const ObjectHandle image = MakeTileImage(core, read.scan.points, box);
  if (!ReserveMosaic(core, box)) {  // a tile without its mosaic is not kept
    if (image) Img_Free(image);
    const TileRefusal refusal = MosaicMemoryRefusal(core, box, name);
    Refuse(core, refusal.text);
    return refusal.outcome;
  }
  const bool extrasKept = KeepTileExtras(core, image, read.scan, box);
  const TileRecord* tile = extrasKept ? RegisterTile(core, read.key, box, image) : nullptr;
  if (!tile) {  // out of memory: the tile cannot be kept
    DropTileExtras(core, image);
    if (image) Img_Free(image);
    Refuse(core, NoXyzDataText(name));
    return LoadOutcome::kNoMemory;
  }
  core.registeredLengths.insert(read.scan.offset);
  SetStatusText(core, u"");
  SetProgress(core, 0);
  RebuildMosaic(core, *tile);
  return LoadOutcome::kLoaded;
}

GridBox ComputeBoundingBox(const std::vector<XyzPoint>& points) {
  GridBox box;
  for (const XyzPoint& p : points) box = Union(box, p.x, p.y);
  return box;
}
