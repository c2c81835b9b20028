#include "resilience_json.h"

namespace {

ResilienceJson routeDevicesJson(const std::vector<std::string>& codes,
                                bool found, const Route& route) {
  if (!found) return nullptr;
  return {{"latency", route.latency},
          {"devices", devicesJson(codes, route.devices)}};
}

}  // namespace

ResilienceJson devicesJson(const std::vector<std::string>& codes,
                           const std::vector<int>& devices) {
  ResilienceJson named = ResilienceJson::array();
  for (const int device : devices) named.push_back(codes[device]);
  return named;
}

ResilienceJson linkJson(const std::vector<std::string>& codes,
                        const Link& link) {
  return ResilienceJson::array(
      {codes[link.from], codes[link.to], link.latency});
}

ResilienceJson failureJson(const std::vector<std::string>& codes,
                           const std::vector<Link>& links,
                           const FailureSet& failed) {
  ResilienceJson devices = devicesJson(codes, failed.devices);
  ResilienceJson failedLinks = ResilienceJson::array();
  for (const int link : failed.links) {
    failedLinks.push_back(linkJson(codes, links[link]));
  }
  return {{"devices", std::move(devices)}, {"links", std::move(failedLinks)}};
}

ResilienceJson scenarioJson(const std::vector<std::string>& codes,
                            const std::vector<Link>& links,
                            const ScenarioFigures& scenario) {
  ResilienceJson worst = nullptr;
  if (scenario.hasWorst) {
    worst = {{"from", codes[scenario.worst.from]},
             {"to", codes[scenario.worst.to]},
             {"before", scenario.worst.before},
             {"after", scenario.worst.after}};
  }
  return {{"failed", failureJson(codes, links, scenario.failed)},
          {"parts", scenario.parts},
          {"lost_pairs", scenario.lostPairs},
          {"slower_pairs", scenario.slowerPairs},
          {"worst", std::move(worst)},
          {"cut_off", devicesJson(codes, scenario.cutOff)}};
}

ResilienceJson routeJson(const std::vector<std::string>& codes,
                         const RouteReport& route) {
  return {{"from", codes[route.from]},
          {"to", codes[route.to]},
          {"primary", routeDevicesJson(codes, route.hasPrimary, route.primary)},
          {"backup", routeDevicesJson(codes, route.hasBackup, route.backup)}};
}

ResilienceJson risksJson(const std::vector<std::string>& codes,
                         const std::vector<Link>& links,
                         const ResilienceReport& report) {
  ResilienceJson cutLinks = ResilienceJson::array();
  for (const int link : report.singlePoints.links) {
    cutLinks.push_back(linkJson(codes, links[link]));
  }
  ResilienceJson points = ResilienceJson::array();
  for (const size_t point : singlePointsByImpact(report.pointScenarios)) {
    const ScenarioFigures& scenario = report.pointScenarios[point];
    points.push_back({{"failed", failureJson(codes, links, scenario.failed)},
                      {"cut_off", devicesJson(codes, scenario.cutOff)},
                      {"lost_pairs", scenario.lostPairs}});
  }
  return {{"devices", report.deviceCount},
          {"links", report.linkCount},
          {"parts", report.parts},
          {"cut_devices", devicesJson(codes, report.singlePoints.devices)},
          {"cut_links", std::move(cutLinks)},
          {"single_points", std::move(points)}};
}

ResilienceJson reportJson(const std::vector<std::string>& codes,
                          const std::vector<Link>& links,
                          const ResilienceReport& report) {
  ResilienceJson document = risksJson(codes, links, report);
  ResilienceJson scenarios = ResilienceJson::array();
  for (const ScenarioFigures& scenario : report.scenarios) {
    scenarios.push_back(scenarioJson(codes, links, scenario));
  }
  document["scenarios"] = std::move(scenarios);
  document["route"] = report.hasRoute ? routeJson(codes, report.route)
                                      : ResilienceJson(nullptr);
  return document;
}
