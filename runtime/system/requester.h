// File requesters: the platform's modal open and save dialogs. Main thread
// only; the state (the selection being walked) is process-wide.
#pragma once

#include <cstdint>
#include <string>

// Flags of Req_OpenFile.
inline constexpr int KX_Requester_MultiSelection = 1;

// `pattern` is "description|filter|description|filter..." (several filters
// in one pair separated by ";"); `patternPosition` (0-based) is preselected.
// `defaultFile` may carry a folder. The first chosen path, or "" when the
// user cancels.
std::u16string Req_OpenFile(const std::u16string& title, const std::u16string& defaultFile,
                            const std::u16string& pattern, int patternPosition = 0, int flags = 0);
// The chosen path, or "". Choosing an existing file asks before it is
// taken; answering no shows the requester again.
std::u16string Req_SaveFile(const std::u16string& title, const std::u16string& defaultFile,
                            const std::u16string& pattern, int patternPosition = 0);
// The next path of the last multiple selection; "" when none is left.
std::u16string Req_NextSelectedFile();
// The pattern the user picked in the last successful requester, as the
// platform reports it (1 for the first pair).
int Req_SelectedPattern();
