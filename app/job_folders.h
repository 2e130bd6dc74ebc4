// Folders private to one running job (the zip job's extracted entries). A
// program that ends while such a job runs removes them on its way out, so an
// ended program leaves nothing behind in the temporary directory.
#pragma once

#include <string>

// A new folder inside the temporary directory, its path ending with "/";
// empty when it cannot be made or the program is ending. Any thread.
std::u16string CreateJobFolder(const std::u16string& prefix);

// Deletes the folder with everything in it and forgets it.
void RemoveJobFolder(const std::u16string& folder);

// The program is ending: deletes every folder still in use, even while a
// job keeps writing into it, and refuses new ones from here on. Any thread.
void RemoveJobFoldersAtExit();
