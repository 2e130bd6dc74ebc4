#include "app/batch/batch_summary.h"

#include "runtime/data/utf.h"

namespace {

bool Skipped(LoadOutcome outcome) {
  return outcome == LoadOutcome::kSkippedName || outcome == LoadOutcome::kNotRegular;
}

std::string Reason(const LoadReport& report, bool windowRules) {
  switch (report.outcome) {
    case LoadOutcome::kMissing:
      return "nicht gefunden";
    case LoadOutcome::kNotRegular:
      return "keine reguläre Datei";
    case LoadOutcome::kUnreadable:
      return "nicht lesbar";
    case LoadOutcome::kNoData:
      return "keine XYZ Daten";
    case LoadOutcome::kTileTooLarge:
      return "Kachel zu groß";
    case LoadOutcome::kMosaicTooLarge:
      return "Mosaik zu groß";
    case LoadOutcome::kNoMemory:
      return "zu wenig Speicher";
    case LoadOutcome::kNotAnArchive:
      return "kein lesbares Zip-Archiv";
    case LoadOutcome::kSkippedName:
      // Without the window's rules only an archive's entries are skipped by name.
      return windowRules || !report.archiveEntry ? "Endung nicht xyz oder zip"
                                                 : "Endung nicht xyz, txt oder csv";
    case LoadOutcome::kLoaded:
    case LoadOutcome::kDuplicate:
      break;
  }
  return {};
}

}  // namespace

BatchTally TallyLoads(const std::vector<LoadReport>& loads) {
  BatchTally tally;
  for (const LoadReport& report : loads) {
    if (report.outcome == LoadOutcome::kLoaded)
      ++tally.loaded;
    else if (report.outcome == LoadOutcome::kDuplicate)
      ++tally.duplicates;
    else if (Skipped(report.outcome))
      ++tally.skipped;
    else
      ++tally.failed;
  }
  return tally;
}

std::string BatchSummary(const std::vector<LoadReport>& loads, bool windowRules) {
  const BatchTally tally = TallyLoads(loads);
  std::string text = "relivox-batch: " + std::to_string(tally.loaded) + " geladen, " +
                     std::to_string(tally.duplicates) + " bereits geladen, " +
                     std::to_string(tally.skipped) + " übersprungen, " +
                     std::to_string(tally.failed) + " fehlgeschlagen\n";
  for (const LoadReport& report : loads) {
    if (report.outcome == LoadOutcome::kLoaded || report.outcome == LoadOutcome::kDuplicate)
      continue;
    text += std::string("  ") + (Skipped(report.outcome) ? "übersprungen: " : "fehlgeschlagen: ") +
            Utf16ToUtf8(report.name) + " (" + Reason(report, windowRules) +
            ")\n";
  }
  return text;
}
