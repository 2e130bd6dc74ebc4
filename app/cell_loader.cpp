#include "app/cell_loader.h"

#include <new>

#include "app/indicators.h"
#include "app/tile_rasteriser.h"
#include "app/xyz_loader.h"

namespace {

LoadOutcome Refuse(Converter& core, const std::u16string& text, LoadOutcome outcome) {
  SetStatusText(core, text);
  SetProgress(core, 0);
  return outcome;
}

}  // namespace

std::u16string CellMemoryText(const CellBuilder& builder, const std::u16string& name) {
  if (builder.used.Empty()) return NoXyzDataText(name);
  return name + u": Zu wenig Speicher für die Kachel" + BoxSizeText(builder.used);
}

LoadOutcome KeepCellTile(Converter& core, const std::u16string& key, std::int64_t length,
                         const XyzScanner& scan, CellBuilder& builder, const std::u16string& name) {
  if (!CellBuilder_Finish(builder, scan))
    return Refuse(core, CellMemoryText(builder, name), LoadOutcome::kNoMemory);
  const GridBox box = builder.used;
  if (core.cells.pictureLimits)
    if (const TileRefusal refusal = TileSizeRefusal(core, box, name);
        refusal.outcome != LoadOutcome::kLoaded)
      return Refuse(core, refusal.text, refusal.outcome);
  SetStatusText(core, u"Verarbeite " + name + u": Erstelle Kachel");
  SetProgress(core, 50);
  // The entry first: once the record is registered nothing may fail.
  try {
    core.cellTiles.push_back({nullptr, std::move(builder.tile)});
  } catch (const std::bad_alloc&) {
    return Refuse(core, NoXyzDataText(name), LoadOutcome::kNoMemory);
  }
  const TileRecord* tile = RegisterTile(core, key, box, 0);
  if (!tile) {
    core.cellTiles.pop_back();
    return Refuse(core, NoXyzDataText(name), LoadOutcome::kNoMemory);
  }
  core.cellTiles.back().record = tile;
  core.registeredLengths.insert(length);
  SetStatusText(core, u"");
  SetProgress(core, 0);
  return LoadOutcome::kLoaded;
}
