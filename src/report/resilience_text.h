// The resilience report as the Chinese text the command prints, laid out
// for an 80-column terminal. Builds strings only: no files, no streams, no
// globals.
#ifndef TOPOPLAN_REPORT_RESILIENCE_TEXT_H_
#define TOPOPLAN_REPORT_RESILIENCE_TEXT_H_

#include <string>
#include <vector>

#include "resilience.h"

// The columns `text` takes on a terminal: two for each CJK or full-width
// character, one for any other character and for each byte that is not
// UTF-8.
int displayWidth(const std::string& text);

// "设备 CODE" or "链路 A ── B（5ms）" for each failure, devices first, or
// "（无）" for none; and the same joined by "、".
std::vector<std::string> failureLabels(const std::vector<std::string>& codes,
                                       const std::vector<Link>& links,
                                       const FailureSet& failed);
std::string failureLabel(const std::vector<std::string>& codes,
                         const std::vector<Link>& links,
                         const FailureSet& failed);

// The whole text report: the summary with the single points of failure
// and whom they cut off, one line per scenario (wrapped where a line would
// pass column 80), and the routes when asked.
std::string resilienceText(const std::vector<std::string>& codes,
                           const std::vector<Link>& links,
                           const ResilienceReport& report);

#endif  // TOPOPLAN_REPORT_RESILIENCE_TEXT_H_
