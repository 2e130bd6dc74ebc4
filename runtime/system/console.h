// The process's console output: whole lines on standard output.
#pragma once

#include <string>

// Writes the text (as UTF-8) and a line feed to standard output and flushes
// it, so lines from several threads never interleave and reach a pipe at
// once. Does nothing when standard output is closed.
void Con_PrintLine(const std::u16string& text);
