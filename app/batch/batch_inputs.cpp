#include "app/batch/batch_inputs.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "runtime/data/fs.h"
#include "runtime/data/str.h"
#include "runtime/data/utf.h"

namespace {

bool ReadAll(std::FILE* in, std::string* bytes) {
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes->append(buffer, got);
  return !std::ferror(in);
}

bool NamedLikeInput(const std::string& name) {
  const std::u16string extension = Str_Lower(Fs_ExtensionPart(PathFromSystem(name)));
  return extension == u"xyz" || extension == u"txt" || extension == u"csv" || extension == u"zip";
}

// Every path below `folder` (bytes, without the folder) of a file named like
// an input. Links to files count; links to folders are not followed, so a
// loop of links cannot make the walk endless.
void Walk(const std::string& folder, const std::string& below, std::vector<std::string>* files,
          std::vector<std::string>* others) {
  DIR* dir = ::opendir((folder + below).c_str());
  if (!dir) return;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  for (const std::string& name : names) {
    const std::string path = below + name;
    struct stat info;
    if (::lstat((folder + path).c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      Walk(folder, path + "/", files, others);
      continue;
    }
    if (!NamedLikeInput(name)) continue;
    const bool file = ::stat((folder + path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
    (file ? files : others)->push_back(path);
  }
}

}  // namespace

std::vector<std::u16string> FileListPaths(const std::string& bytes) {
  std::vector<std::u16string> paths;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") != std::string::npos) paths.push_back(PathFromSystem(line));
    start = end + 1;
  }
  return paths;
}

BatchInputs CollectBatchInputs(const BatchOptions& options, std::FILE* list) {
  BatchInputs inputs;
  std::vector<std::u16string> named = options.inputs;
  if (!options.inputList.empty()) {
    std::string bytes;
    bool read = false;
    if (options.inputList == u"-") {
      read = ReadAll(list, &bytes);
    } else if (std::FILE* file = std::fopen(PathToSystem(options.inputList).c_str(), "rb")) {
      read = ReadAll(file, &bytes);
      std::fclose(file);
    }
    if (!read) {
      inputs.error = "cannot read the file list " + Utf16ToUtf8(options.inputList);
      return inputs;
    }
    for (std::u16string& path : FileListPaths(bytes)) named.push_back(std::move(path));
    if (named.empty()) {
      inputs.error = "no input file";
      return inputs;
    }
  }
  for (const std::u16string& path : named) {
    // The window's rules know no folders: a folder is a name like any other.
    if (options.windowRules || Fs_FileSize(path) != -2) {
      inputs.paths.push_back(path);
      continue;
    }
    std::string folder = PathToSystem(path);
    if (folder.back() != '/') folder.push_back('/');
    std::vector<std::string> files, others;
    Walk(folder, "", &files, &others);
    // Path order: byte order of the paths below the folder.
    std::sort(files.begin(), files.end());
    std::sort(others.begin(), others.end());
    // A folder without a single input in it is a mistake worth saying.
    if (files.empty() && others.empty())
      inputs.skipped.push_back({PathForDisplay(path), LoadOutcome::kNoData});
    for (const std::string& file : files) inputs.paths.push_back(PathFromSystem(folder + file));
    for (const std::string& other : others)
      inputs.skipped.push_back({PathForDisplay(PathFromSystem(folder + other)), LoadOutcome::kNotRegular});
  }
  return inputs;
}
