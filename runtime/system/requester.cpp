#include "runtime/system/requester.h"

#include <cstddef>
#include <vector>

#include "platform/platform.h"
#include "runtime/data/fs.h"

namespace {

// The selection being walked and the last picked pattern. Used from the main
// thread only.
struct Selection {
  std::u16string directory;  // ends with a separator
  std::vector<std::u16string> names;
  std::size_t next = 0;  // 0: nothing to walk
};
Selection gSelection;
int gPattern = 0;

// Longest file name a Win32 requester takes (its buffer less the terminator).
constexpr std::size_t kMaxName = 259;

std::vector<std::pair<std::u16string, std::u16string>> Filters(const std::u16string& pattern) {
  std::vector<std::u16string> parts;
  std::u16string part;
  for (char16_t c : pattern) {
    if (c == u'|') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!pattern.empty()) parts.push_back(part);
  // A description without its filter is no pair.
  std::vector<std::pair<std::u16string, std::u16string>> filters;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
    filters.emplace_back(parts[i], parts[i + 1]);
  return filters;
}

bool UsableName(const std::u16string& name) {
  if (name.empty()) return false;
  for (char16_t c : name)
    if (c < 32 || c == u'"' || c == u'*' || c == u'/' || c == u':' || c == u'<' || c == u'>' ||
        c == u'?' || c == u'\\' || c == u'|')
      return false;
  return true;
}

// Splits the default file at its last separator into folder and name.
void SplitDefault(const std::u16string& file, std::u16string* directory, std::u16string* name) {
  const std::size_t cut = file.find_last_of(u"\\/");
  if (cut == std::u16string::npos) {
    directory->clear();
    *name = file;
  } else {
    *directory = file.substr(0, cut);
    *name = file.substr(cut + 1);
  }
  if (name->size() > kMaxName) name->resize(kMaxName);
  if (!UsableName(*name)) name->clear();
}

PlatFileDialogSpec MakeSpec(bool save, bool multi, const std::u16string& title,
                            const std::u16string& defaultFile, const std::u16string& pattern,
                            int position) {
  PlatFileDialogSpec desc;
  desc.save = save;
  desc.multiSelect = multi;
  desc.title = title;
  SplitDefault(defaultFile, &desc.directory, &desc.fileName);
  desc.filters = Filters(pattern);
  desc.filterIndex = position + 1;
  // The owner is our active window, if one of ours is active.
  desc.owner = Plat_ActiveWindow();
  return desc;
}

std::u16string WithSeparator(std::u16string directory) {
  if (directory.empty()) return directory;
  const char16_t last = directory.back();
  if (last != u'\\' && last != u'/')
    directory += directory.find(u'\\') != std::u16string::npos &&
                         directory.find(u'/') == std::u16string::npos
                     ? u'\\'
                     : u'/';
  return directory;
}

}  // namespace

std::u16string Req_OpenFile(const std::u16string& title, const std::u16string& defaultFile,
                            const std::u16string& pattern, int patternPosition, int flags) {
  gSelection = Selection{};
  const bool multi = flags & KX_Requester_MultiSelection;
  PlatFileDialogResult result =
      Plat_FileDialog(MakeSpec(false, multi, title, defaultFile, pattern, patternPosition));
  if (!result.ok || result.parts.empty() || result.parts.front().empty()) return {};
  gPattern = result.filterIndex;
  if (result.parts.size() == 1) return result.parts.front();
  // The folder, then the names.
  gSelection.directory = WithSeparator(result.parts.front());
  gSelection.names.assign(result.parts.begin() + 1, result.parts.end());
  gSelection.next = 1;
  return gSelection.directory + gSelection.names.front();
}

std::u16string Req_NextSelectedFile() {
  if (gSelection.next == 0) return {};
  if (gSelection.next >= gSelection.names.size() || gSelection.names[gSelection.next].empty()) {
    gSelection = Selection{};
    return {};
  }
  return gSelection.directory + gSelection.names[gSelection.next++];
}

std::u16string Req_SaveFile(const std::u16string& title, const std::u16string& defaultFile,
                            const std::u16string& pattern, int patternPosition) {
  PlatFileDialogSpec desc = MakeSpec(true, false, title, defaultFile, pattern, patternPosition);
  for (;;) {
    PlatFileDialogResult result = Plat_FileDialog(desc);
    if (!result.ok || result.parts.empty() || result.parts.front().empty()) return {};
    const std::u16string path = result.parts.front();
    // Never replace a file without asking.
    if (Fs_FileSize(path) < 0 ||
        Plat_AskYesNo(desc.owner, title,
                      Fs_FilePart(path) + u" ist bereits vorhanden.\nMöchten Sie sie ersetzen?")) {
      gPattern = result.filterIndex;
      return path;
    }
    SplitDefault(path, &desc.directory, &desc.fileName);
    if (result.filterIndex > 0) desc.filterIndex = result.filterIndex;
  }
}

int Req_SelectedPattern() { return gPattern; }
