// Handing a document to the desktop.
#pragma once

#include <cstdint>
#include <string>

// Opens `program` (a document path) with the program the desktop associates
// with its type; the path is never started as a program itself. Parameters,
// directory and flags are accepted for the callers' sake and not used. Returns
// at once: from a thread other than the main one the request is posted to the
// main thread. Non-zero when the request was made (or posted); failures show
// nothing.
int Proc_Run(const std::u16string& program, const std::u16string& parameters = u"",
             const std::u16string& directory = u"", std::int64_t flags = 0);
