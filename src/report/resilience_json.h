// The resilience report as JSON values, one function per object of the
// schema. Only builds values: no files, no streams, no globals, so the
// command and a browser page return the same shapes from the same code.
// Devices are named by their codes (`codes[index]`), links as
// ["CODE", "CODE", LATENCY] with the lower index first, and keys keep the
// schema's order.
#ifndef TOPOPLAN_REPORT_RESILIENCE_JSON_H_
#define TOPOPLAN_REPORT_RESILIENCE_JSON_H_

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "resilience.h"

using ResilienceJson = nlohmann::ordered_json;

// ["CODE", ...] for devices by index, in the order given.
ResilienceJson devicesJson(const std::vector<std::string>& codes,
                           const std::vector<int>& devices);

// ["CODE", "CODE", LATENCY]
ResilienceJson linkJson(const std::vector<std::string>& codes,
                        const Link& link);

// {"devices": [...], "links": [[...], ...]}, each in index or list order.
ResilienceJson failureJson(const std::vector<std::string>& codes,
                           const std::vector<Link>& links,
                           const FailureSet& failed);

// {"failed", "parts", "lost_pairs", "slower_pairs", "worst", "cut_off"};
// worst is null or {"from", "to", "before", "after"}, cut_off the codes of
// the devices the scenario cuts off.
ResilienceJson scenarioJson(const std::vector<std::string>& codes,
                            const std::vector<Link>& links,
                            const ScenarioFigures& scenario);

// {"from", "to", "primary", "backup"}; each route null or
// {"latency", "devices"}.
ResilienceJson routeJson(const std::vector<std::string>& codes,
                         const RouteReport& route);

// {"devices", "links", "parts", "cut_devices", "cut_links",
// "single_points"}: the intact network's summary and its single points of
// failure, the last as {"failed", "cut_off", "lost_pairs"} by impact
// (singlePointsByImpact).
ResilienceJson risksJson(const std::vector<std::string>& codes,
                         const std::vector<Link>& links,
                         const ResilienceReport& report);

// The whole document: the risks, then "scenarios" and "route" (null when
// no route was asked).
ResilienceJson reportJson(const std::vector<std::string>& codes,
                          const std::vector<Link>& links,
                          const ResilienceReport& report);

#endif  // TOPOPLAN_REPORT_RESILIENCE_JSON_H_
