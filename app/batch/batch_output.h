// The part of relivox-batch's output that runs after the worker: outputs
// of heights (GDAL, heightmap), the picture's .aux.xml, and the warning
// when the tiles lie on different grids.
#pragma once

#include "app/batch/batch_face.h"
#include "app/batch/gdal_output.h"

struct Converter;

// Once the worker stopped, before the converter is freed. Fills `run` as
// the export job's report would for outputs the worker did not write.
// 0, or 1 when the sidecar of a written picture could not be written
// (reported on standard error).
int FinishOutput(Converter& core, const OutputPlan& plan, const OutputOptions& options,
                 const std::u16string& output, BatchSession& run);
