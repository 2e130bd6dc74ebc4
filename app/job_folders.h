// Folders private to one running job (the zip job's extracted entries). A
// program that ends while such a job runs removes them on its way out, so an
// ended program leaves nothing behind in the temporary directory.
#pragma once

#include <string>

// A new folder inside the temporary directory, named `prefix`, this
// process's id, "-" and six random characters, its path ending with "/";
// empty when it cannot be made or the program is ending. First removes the
// folders of that prefix that a killed process of this user left (its id
// names no process any more). Any thread.
std::u16string CreateJobFolder(const std::u16string& prefix);

// True unless a file of `bytes` (-1: unknown) would leave the file system of
// `folder` with less than a margin free (5 % of the free space, at most
// 64 MiB): an archive entry that declares more is refused unextracted.
bool JobFolderHasRoomFor(const std::u16string& folder, std::int64_t bytes);

// Deletes the folder with everything in it and forgets it.
void RemoveJobFolder(const std::u16string& folder);

// The program is ending: deletes every folder still in use, even while a
// job keeps writing into it, and refuses new ones from here on. Any thread.
void RemoveJobFoldersAtExit();
