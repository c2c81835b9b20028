// The refusals of a failure request, which topoplan-resilience and
// topoplan-draw print alike.
#ifndef TOPOPLAN_REPORT_FAILURE_TEXT_H_
#define TOPOPLAN_REPORT_FAILURE_TEXT_H_

#include <string>

#include "refusals.h"
#include "resilience.h"

constexpr char kNoSuchLink[] = "✘ 链路不存在：";  // the two codes follow

// The refusal line, line break included, for a lookup that found no
// failure; "" for kFound.
inline std::string failureLookupProblem(const FailureLookup& lookup) {
  switch (lookup.outcome) {
    case FailureLookup::Outcome::kUnknownDevice:
      return std::string(kDeviceNotFound) + lookup.device + "\n";
    case FailureLookup::Outcome::kNoSuchLink:
      return std::string(kNoSuchLink) + lookup.ends.first + " ── " +
             lookup.ends.second + "\n";
    case FailureLookup::Outcome::kFound:
      break;
  }
  return "";
}

#endif  // TOPOPLAN_REPORT_FAILURE_TEXT_H_
