// relivox-batch: the converter without a window.
#pragma once

// Runs the program on its arguments (argv[0] is the program name) and
// returns its exit status: 0 done, 1 an export was asked for and nothing was
// written, 2 a usage error, 3 done but an input failed or was skipped (not
// with --window-rules).
int RunBatch(int argc, const char* const* argv);
