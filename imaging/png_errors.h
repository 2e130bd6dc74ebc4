// libpng write structures that report errors only through their setjmp.
#pragma once

#include <png.h>

// Like png_create_write_struct, but libpng's own handlers, which print
// "libpng error: ..." on standard error beside the caller's one reason, are
// replaced: an error long-jumps back to the setjmp in force without a word,
// a warning is dropped. Null when memory runs out.
png_structp Png_CreateQuietWriteStruct();
