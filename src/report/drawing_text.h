// The words of topoplan-draw's pictures: their titles and legends, as
// lines joined by "\n" (the drawing escapes them for its format). The
// figures are worded as the report words them (resilience_text.h).
#ifndef TOPOPLAN_REPORT_DRAWING_TEXT_H_
#define TOPOPLAN_REPORT_DRAWING_TEXT_H_

#include <cstddef>
#include <string>
#include <vector>

#include "augmentation.h"
#include "network.h"
#include "resilience.h"

// The plain picture's title: how many devices and links it shows.
std::string topologyTitle(int devices, int links);

// The single points' title, and their legend: a line per point from the
// largest impact to the smallest (singlePointsByImpact), at most
// kLegendPoints of them and then how many more, so that the legend of a
// large network does not cover its picture; "" when there is none.
constexpr size_t kLegendPoints = 8;
std::string singlePointsTitle(const SinglePoints& points);
std::string singlePointsLegend(const std::vector<std::string>& codes,
                               const std::vector<Link>& links,
                               const std::vector<ScenarioFigures>& scenarios);

// A scenario's title: what failed, its figures, and its worst pair when
// some pair slowed down.
std::string scenarioTitle(const std::vector<std::string>& codes,
                          const std::vector<Link>& links,
                          const ScenarioFigures& figures);

// The lines a picture with suggestions adds to its title: how many links
// and their total latency, or that none is needed, and whether the
// candidates fell short; or why nothing can be suggested.
std::string suggestionTitle(const Augmentation& suggestion);

// The legend line of the suggested links.
extern const char kSuggestionLegend[];

// The legend of every picture that shows failures.
extern const char kFailureLegend[];

#endif  // TOPOPLAN_REPORT_DRAWING_TEXT_H_
