// The part of relivox-batch's output that runs after the worker: outputs
// of heights (GDAL, heightmap), the picture's .aux.xml, and the warning
// when the tiles lie on different grids.
#pragma once

#include "app/batch/batch_face.h"
#include "app/batch/height_output.h"

struct Converter;
struct CellRule;

// Why a GDAL raster of `extent` on the cells of `rule` cannot be made, with
// its size and the memory it needs (the line of exit status 1): asked
// before that memory is taken, as an allocation the kernel overcommits
// would succeed and the process die when its pages are touched. Empty when
// it fits.
std::string RasterRefusal(const CellRule& rule, const GridBox& extent, const std::string& path);

// Once the worker stopped, before the converter is freed. Fills `run` as
// the export job's report would for outputs the worker did not write.
// 0, or 1 when the sidecar of a written picture could not be written
// (reported on standard error).
int FinishOutput(Converter& core, const OutputPlan& plan, const OutputOptions& options,
                 const std::u16string& output, BatchSession& run);
