#include "draw_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "device.h"

namespace {

// How far apart the devices without a place stand in their row, in points.
constexpr double kRowStep = 100;

// Places each device that is not yet placed but has placed neighbours at
// their middle. Returns whether it placed any.
bool placeBesideNeighbours(const Network& network, std::vector<Point>* points,
                           std::vector<bool>* placed) {
  const size_t n = points->size();
  std::vector<Point> sums(n);
  std::vector<int> counts(n, 0);
  for (const Link& link : network.links) {
    const auto a = static_cast<size_t>(link.from);
    const auto b = static_cast<size_t>(link.to);
    if ((*placed)[a] == (*placed)[b]) continue;
    const size_t lone = (*placed)[a] ? b : a;
    const Point& known = (*points)[(*placed)[a] ? a : b];
    sums[lone].x += known.x;
    sums[lone].y += known.y;
    ++counts[lone];
  }
  bool progress = false;
  for (size_t i = 0; i < n; ++i) {
    if (counts[i] == 0) continue;
    (*points)[i] = {sums[i].x / counts[i], sums[i].y / counts[i]};
    (*placed)[i] = true;
    progress = true;
  }
  return progress;
}

}  // namespace

std::string coordinate(double value) {
  char text[32];
  (void)std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

Point lowerLeft(const std::vector<Point>& points,
                const std::vector<bool>& placed) {
  Point corner;
  bool first = true;
  for (size_t i = 0; i < points.size(); ++i) {
    if (!placed.empty() && !placed[i]) continue;
    corner.x = first ? points[i].x : std::min(corner.x, points[i].x);
    corner.y = first ? points[i].y : std::max(corner.y, points[i].y);
    first = false;
  }
  return corner;
}

std::vector<Point> completedPoints(const Network& network,
                                   const DevicePoints& positions) {
  const size_t n = network.devices.size();
  std::vector<Point> points(n);
  std::vector<bool> placed(n, false);
  for (size_t i = 0; i < n && i < positions.size(); ++i) {
    if (!positions[i]) continue;
    points[i] = *positions[i];
    placed[i] = true;
  }
  const Point corner = lowerLeft(points, placed);
  while (placeBesideNeighbours(network, &points, &placed)) {
  }
  double x = corner.x;
  for (size_t i = 0; i < n; ++i) {
    if (placed[i]) continue;
    points[i] = {x, corner.y + kRowBelow};
    x += kRowStep;
  }
  return points;
}

Layout chooseLayout(const Network& network, const DevicePoints& positions) {
  const auto campusStyle = [](const Device& device) {
    return layerOf(device.code) != Layer::kOther;
  };
  const size_t devices = network.devices.size();
  const auto layered = static_cast<size_t>(std::count_if(
      network.devices.begin(), network.devices.end(), campusStyle));
  if (2 * layered > devices) return Layout::kLayers;
  const auto placed = static_cast<size_t>(std::count_if(
      positions.begin(), positions.end(),
      [](const std::optional<Point>& point) { return point.has_value(); }));
  if (devices > 0 && 2 * placed >= devices) return Layout::kGeographic;
  return Layout::kForce;
}

double drawingWidth(int devices) {
  return std::clamp(130 * std::sqrt(static_cast<double>(devices)), 400.0,
                    1000.0);
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity)
DevicePoints drawingPoints(PositionKind kind,
                           const std::vector<DevicePosition>& positions,
                           double width) {
  DevicePoints points(positions.size());
  if (kind == PositionKind::kNone) return {};
  double latitudes = 0;
  int known = 0;
  for (const DevicePosition& position : positions) {
    if (!position.known) continue;
    latitudes += position.y;
    ++known;
  }
  if (known == 0) return {};
  constexpr double kScreenProportion = 0.75;  // height to width
  constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
  const double xScale = kind == PositionKind::kGeographic
                            ? std::cos(latitudes / known * kRadiansPerDegree)
                            : 1.0;
  const double ySign = kind == PositionKind::kGeographic ? -1.0 : 1.0;
  double minX = 0;
  double maxX = 0;
  double minY = 0;
  double maxY = 0;
  bool first = true;
  for (size_t i = 0; i < positions.size(); ++i) {
    if (!positions[i].known) continue;
    const Point point{positions[i].x * xScale, positions[i].y * ySign};
    points[i] = point;
    minX = first ? point.x : std::min(minX, point.x);
    maxX = first ? point.x : std::max(maxX, point.x);
    minY = first ? point.y : std::min(minY, point.y);
    maxY = first ? point.y : std::max(maxY, point.y);
    first = false;
  }
  // One scale for both axes keeps the proportions, fitting the drawing
  // into a landscape screen's proportions. Spans in halves where a whole
  // one overflows (1e308 and -1e308), and each point as its share of the
  // span, so that no tiny span (4.9e-324) scales to infinity: every
  // position written is finite.
  const double part =
      std::isfinite(maxX - minX) && std::isfinite(maxY - minY) ? 1 : 0.5;
  const double spanX = maxX * part - minX * part;
  const double spanY = maxY * part - minY * part;
  const double height = width * kScreenProportion;
  const double extentX =
      spanY > 0 ? std::min(width, height * (spanX / spanY)) : width;
  const double extentY =
      spanX > 0 ? std::min(height, width * (spanY / spanX)) : height;
  const auto share = [part](double value, double low, double span) {
    return span > 0 ? (value * part - low * part) / span : 0.0;
  };
  for (std::optional<Point>& point : points) {
    if (!point) continue;
    point = Point{share(point->x, minX, spanX) * extentX,
                  share(point->y, minY, spanY) * extentY};
  }
  return points;
}

DevicePoints pointsOf(const NetworkInput& input) {
  return drawingPoints(input.positionKind, input.positions,
                       drawingWidth(input.network.deviceCount()));
}
