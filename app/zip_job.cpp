#include "app/zip_job.h"

#include <cmath>

#include "app/indicators.h"
#include "app/job_folders.h"
#include "app/xyz_loader.h"
#include "runtime/data/fs.h"
#include "runtime/data/handle.h"
#include "runtime/data/pack.h"
#include "runtime/data/str.h"
#include "runtime/data/utf.h"

namespace {

// The entry's own name, after its last folder: entries in folders load like
// top-level ones, and no name can climb out of the job's folder.
std::u16string LastNamePart(const std::u16string& entryName) {
  const std::size_t cut = entryName.find_last_of(u"/\\");
  return cut == std::u16string::npos ? entryName : entryName.substr(cut + 1);
}

bool IsPlainName(const std::u16string& name) {
  return !name.empty() && name != u"." && name != u".." && name.find(u'\0') == std::u16string::npos;
}

// relivox-batch reads of an archive only the entries named like point files.
bool ReadByName(const Converter& core, const std::u16string& name) {
  if (core.inputRule == InputRule::kByExtension) return true;
  const std::u16string extension = Str_Lower(Fs_ExtensionPart(name));
  return extension == u"xyz" || extension == u"txt" || extension == u"csv";
}

std::u16string PercentText(double done, double total) {
  const double share = total > 0 ? done / total * 100.0 : 100.0;
  return Str_FromInteger(static_cast<std::int64_t>(std::nearbyint(share))) + u"%";
}

}  // namespace

bool LoadZipArchive(Converter& core, const std::u16string& path) {
  Pack_UseZip();
  const ObjectHandle pack = Pack_Open(KX_Any, path);
  if (!pack) return false;
  const bool examined = Pack_Examine(pack) != 0;
  const std::u16string archive = PathForDisplay(path);
  if (examined) {
    double total = 0;
    while (Pack_NextEntry(pack))
      if (Pack_EntryType(pack) == 0) total += static_cast<double>(Pack_EntrySize(pack));
    Pack_Examine(pack);

    // Our own folder: nothing of the user's in the temporary directory can be
    // replaced or deleted, and everything we leave goes with the folder.
    const std::u16string folder = CreateJobFolder(u"relivox-zip-");
    // Every entry goes into this one file in turn, shown under its own name:
    // a new file per entry would cost the file system more with each one.
    const std::u16string scratch = folder + u".entry";
    double done = 0;
    while (Pack_NextEntry(pack)) {
      if (Pack_EntryType(pack) != 0) continue;
      const std::u16string name = LastNamePart(Pack_EntryName(pack));
      const std::u16string reported = archive + u": " + PathForDisplay(Pack_EntryName(pack));
      if (!ReadByName(core, name)) {
        NotifyLoaded(core, {reported, LoadOutcome::kSkippedName, true});
      } else if (!folder.empty() && IsPlainName(name)) {
        // An entry declaring more than the disk holds (a zip bomb) is not
        // extracted: it fails like a damaged one, before it fills the disk.
        const bool extracted = JobFolderHasRoomFor(folder, Pack_EntrySize(pack)) &&
                               Pack_ExtractToFile(pack, scratch, u"", PackWrite::kScratch) >= 0;
        if (!extracted) Fs_DeleteFile(scratch);  // not the last entry's bytes
        const LoadOutcome outcome =
            LoadXyzFileAs(core, scratch, PathForDisplay(Fs_FilePart(folder + name)));
        // An entry that could not be extracted left no file: it is damaged, not missing.
        NotifyLoaded(core, {reported,
                            extracted || outcome == LoadOutcome::kLoaded ? outcome
                                                                         : LoadOutcome::kUnreadable,
                            true});
      } else {
        ReportNoXyzData(core, name);
        NotifyLoaded(core, {reported, LoadOutcome::kUnreadable, true});
      }
      done += static_cast<double>(Pack_EntrySize(pack));
      NotifyArchiveShare(core, PercentText(done, total));
    }
    if (!folder.empty()) Fs_DeleteFile(scratch);
    RemoveJobFolder(folder);
  }
  Pack_Close(pack);
  return examined;
}
