// The sentences the non-menu programs show beside a picture: the titles of
// topoplan-draw's pictures and the interactive page's lines, built here
// once so that both say the same thing the same way. Strings only: no
// files, no streams, no globals.
#ifndef TOPOPLAN_REPORT_PAGE_TEXT_H_
#define TOPOPLAN_REPORT_PAGE_TEXT_H_

#include <string>
#include <utility>
#include <vector>

#include "network.h"
#include "plans.h"
#include "resilience.h"

// "从 A 到 B 不可达（无连通路径）！"
std::string unreachableLine(const std::string& from, const std::string& to);
// "最优路径：A → B → C" and "最短延迟：5ms".
std::string fastestRouteLine(const std::vector<std::string>& codes,
                             const std::vector<int>& devices);
std::string fastestLatencyLine(long long latency);
// "光纤骨干网布线方案（Prim算法）", "MST总延迟：26ms", and the note of a
// plan that misses a device.
std::string planTitleLine(const std::string& algorithm);
std::string planTotalLine(long long total);
extern const char kPlanSplitLine[];

// The first title line of a picture of the network that survives a
// failure, named by its failureLabel.
std::string survivorTitleLine(const std::string& failure);
// The refusal of a map for a network none of whose devices has a place.
extern const char kNoPositionsLine[];

// The page's lines for a route and its backup between two devices.
std::vector<std::string> routeLines(const std::vector<std::string>& codes,
                                    const RouteReport& route);

// The page's lines for a plan by `algorithm` over the devices `codes`
// name: its title, how many links it takes, its total, every link it
// skips, and whether it misses a device.
std::vector<std::string> planLines(const std::vector<std::string>& codes,
                                   const CablingPlan& plan,
                                   const std::string& algorithm);

// The page's lines for a scenario that fails something, with the devices
// it cuts off.
std::vector<std::string> scenarioLines(const std::vector<std::string>& codes,
                                       const std::vector<Link>& links,
                                       const ScenarioFigures& scenario);

// The device detail as label and value pairs, in option 8's order.
std::vector<std::pair<std::string, std::string>> deviceDetail(
    const Network& network, int device);

// The names the page's controls bear for a device and a link, and the
// line that says the engine is ready.
std::string deviceName(const std::string& code);
std::string linkName(const std::vector<std::string>& codes, const Link& link);
std::string readyLine(int devices, int links);

#endif  // TOPOPLAN_REPORT_PAGE_TEXT_H_
