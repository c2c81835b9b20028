#include "draw_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "device.h"
#include "utf8.h"

namespace {

// How far apart the devices without a place stand in their row, in points.
constexpr double kRowStep = 100;
// How far below its neighbours' middle a device without a place stands:
// a label's height, so that it never hides a neighbour it joins.
constexpr double kBesideBelow = 24;
// A label's margins, as the map's DOT sets them ("0.08,0.03" inches),
// and the gap kept between two labels, in points.
constexpr double kMapFontSize = kPlacedFontSize;
constexpr double kLabelMarginX = 2 * 0.08 * 72;
constexpr double kLabelMarginY = 2 * 0.03 * 72;
constexpr double kLabelGap = 4;
// How much room a map gives each label: this many times its box.
constexpr double kRoomPerLabel = 5;
// The most a picture may be longer than it is wide, or the other way:
// under 3, since Graphviz's boxes come out a little smaller than
// labelBox's.
constexpr double kMostElongated = 2.75;

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
    (*points)[i] = {sums[i].x / counts[i],
                    sums[i].y / counts[i] + kBesideBelow};
    (*placed)[i] = true;
    progress = true;
  }
  return progress;
}

// The devices in order along one axis: by their own place, then by
// where a spread moved them, then in device order.
std::vector<size_t> orderAlong(const std::vector<double>& own,
                               const std::vector<double>& spread) {
  std::vector<size_t> order(own.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return own[a] != own[b] ? own[a] < own[b] : spread[a] < spread[b];
  });
  return order;
}

// Each device's rank in `order`.
std::vector<double> ranksOf(const std::vector<size_t>& order) {
  std::vector<double> ranks(order.size());
  for (size_t r = 0; r < order.size(); ++r) {
    ranks[order[r]] = static_cast<double>(r);
  }
  return ranks;
}

// Moves each point's `axis`, in `order`, to at least the one before it,
// so that the axis rises along the order.
void keepRising(const std::vector<size_t>& order, std::vector<Point>* points,
                double Point::*axis) {
  for (size_t r = 1; r < order.size(); ++r) {
    (*points)[order[r]].*axis =
        std::max((*points)[order[r]].*axis, (*points)[order[r - 1]].*axis);
  }
}

// Spreads devices that share one point on a grid of label boxes centred
// on it, in device order, row by row.
void spreadShared(const std::vector<LabelBox>& boxes,
                  std::vector<Point>* points) {
  std::vector<size_t> order(points->size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto before = [&](size_t a, size_t b) {
    const Point& p = (*points)[a];
    const Point& q = (*points)[b];
    return p.x != q.x ? p.x < q.x : p.y < q.y;
  };
  std::stable_sort(order.begin(), order.end(), before);
  for (size_t first = 0; first < order.size();) {
    size_t last = first + 1;
    while (last < order.size() && !before(order[first], order[last])) ++last;
    const size_t count = last - first;
    if (count > 1) {
      const auto columns =
          static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(count))));
      const size_t rows = (count + columns - 1) / columns;
      const Point centre = (*points)[order[first]];
      for (size_t k = 0; k < count; ++k) {
        const size_t device = order[first + k];
        const LabelBox& box = boxes[device];
        const size_t row = k / columns;
        const size_t column = k % columns;
        (*points)[device] = {centre.x + (static_cast<double>(column) -
                                         static_cast<double>(columns - 1) / 2) *
                                            (box.width + kLabelGap),
                             centre.y + (static_cast<double>(row) -
                                         static_cast<double>(rows - 1) / 2) *
                                            (box.height + kLabelGap)};
      }
    }
    first = last;
  }
}

// One axis as a blend: `geography` of the coordinate scaled to `extent`,
// the rest of the device's rank spread over the same extent.
std::vector<double> blended(const std::vector<double>& values,
                            const std::vector<double>& ranks, double scale,
                            double extent, double geography) {
  const double low = *std::min_element(values.begin(), values.end());
  const double rankStep =
      values.size() > 1 ? extent / static_cast<double>(values.size() - 1) : 0;
  std::vector<double> result(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    result[i] = geography * (values[i] - low) * scale +
                (1 - geography) * ranks[i] * rankStep;
  }
  return result;
}

// Pushes each label, in `order` west to east, east of every earlier
// label whose rows it shares, and never west of the one before it.
void sweepApart(const std::vector<LabelBox>& boxes,
                const std::vector<size_t>& order, std::vector<Point>* points) {
  double widest = 0;
  for (const LabelBox& box : boxes) widest = std::max(widest, box.width);
  for (size_t r = 1; r < order.size(); ++r) {
    Point& point = (*points)[order[r]];
    const LabelBox& box = boxes[order[r]];
    point.x = std::max(point.x, (*points)[order[r - 1]].x);
    // Earlier labels stand at or west of this one; those further west
    // than the widest label reach cannot touch it.
    for (size_t s = r; s-- > 0;) {
      const Point& other = (*points)[order[s]];
      const LabelBox& otherBox = boxes[order[s]];
      if (point.x - other.x >= widest + kLabelGap) break;
      if (std::abs(point.y - other.y) >=
          (box.height + otherBox.height) / 2 + kLabelGap) {
        continue;
      }
      point.x = std::max(
          point.x, other.x + (box.width + otherBox.width) / 2 + kLabelGap);
    }
  }
}

// The map as a grid whose rows and columns keep the order: `rows` rows
// of devices consecutive from north to south, columns of devices
// consecutive from west to east, a new column wherever a row would take
// a second device. Each column stands where `wanted` puts its westmost
// device, each row where it puts its northmost, or as near as the one
// before allows. Two devices share a row or a column, never both, so no
// labels touch. O(devices).
std::vector<Point> gridApart(const std::vector<LabelBox>& boxes,
                             const std::vector<size_t>& orderX,
                             const std::vector<size_t>& orderY,
                             const std::vector<Point>& wanted, size_t rows) {
  const size_t n = wanted.size();
  std::vector<size_t> rowOf(n);
  std::vector<double> rowY;
  double tallest = 0;
  for (const LabelBox& box : boxes) tallest = std::max(tallest, box.height);
  for (size_t r = 0; r < n; ++r) {
    const size_t device = orderY[r];
    rowOf[device] = r * rows / n;
    if (rowOf[device] == rowY.size()) {
      const double wantedY = wanted[device].y;
      rowY.push_back(
          rowY.empty() ? wantedY
                       : std::max(wantedY, rowY.back() + tallest + kLabelGap));
    }
  }
  std::vector<size_t> columnOf(n);
  std::vector<size_t> columnOfRow(rows, n);  // n: none yet
  std::vector<double> columnWidth(1, 0);
  std::vector<double> columnWanted(1, wanted[orderX[0]].x);
  for (const size_t device : orderX) {
    size_t& last = columnOfRow[rowOf[device]];
    if (last == columnWidth.size() - 1) {
      columnWidth.push_back(0);
      columnWanted.push_back(wanted[device].x);
    }
    last = columnWidth.size() - 1;
    columnOf[device] = last;
    columnWidth[last] = std::max(columnWidth[last], boxes[device].width);
  }
  std::vector<double> columnX(columnWidth.size());
  for (size_t c = 0; c < columnX.size(); ++c) {
    columnX[c] = c == 0
                     ? columnWanted[0]
                     : std::max(columnWanted[c],
                                columnX[c - 1] +
                                    (columnWidth[c - 1] + columnWidth[c]) / 2 +
                                    kLabelGap);
  }
  std::vector<Point> points(n);
  for (size_t i = 0; i < n; ++i)
    points[i] = {columnX[columnOf[i]], rowY[rowOf[i]]};
  return points;
}

// The width and height the points span.
Point extentOf(const std::vector<Point>& points) {
  Point low = points.front();
  Point high = points.front();
  for (const Point& point : points) {
    low = {std::min(low.x, point.x), std::min(low.y, point.y)};
    high = {std::max(high.x, point.x), std::max(high.y, point.y)};
  }
  return {high.x - low.x, high.y - low.y};
}

// Stretches one axis of `points` so that the picture, the labels'
// boxes at its edges counted, lies between 1:3 and 3:1. Stretching moves
// labels only further apart. Devices all in one row or column cannot be
// stretched.
void boundProportions(const std::vector<LabelBox>& boxes,
                      std::vector<Point>* points) {
  LabelBox largest;
  for (const LabelBox& box : boxes) {
    largest = {std::max(largest.width, box.width),
               std::max(largest.height, box.height)};
  }
  const Point extent = extentOf(*points);
  const double pictureWidth = extent.x + largest.width;
  const double pictureHeight = extent.y + largest.height;
  if (pictureWidth > kMostElongated * pictureHeight && extent.y > 0) {
    const double stretch =
        (pictureWidth / kMostElongated - largest.height) / extent.y;
    for (Point& point : *points) point.y *= stretch;
  } else if (pictureHeight > kMostElongated * pictureWidth && extent.x > 0) {
    const double stretch =
        (pictureHeight / kMostElongated - largest.width) / extent.x;
    for (Point& point : *points) point.x *= stretch;
  }
}

// The longitude at and west of which a map's devices are drawn a turn
// further east: the west side of the widest gap between two devices'
// longitudes when that gap is wider than the one across the date line,
// else the lowest double (nothing moves).
double dateLineShift(const std::vector<DevicePosition>& positions) {
  std::vector<double> longitudes;
  for (const DevicePosition& position : positions) {
    if (position.known && std::isfinite(position.x)) {
      longitudes.push_back(position.x);
    }
  }
  double cut = std::numeric_limits<double>::lowest();
  if (longitudes.size() < 2) return cut;
  std::sort(longitudes.begin(), longitudes.end());
  if (longitudes.front() < -180 || longitudes.back() > 180) return cut;
  double widest = longitudes.front() + 360 - longitudes.back();
  for (size_t i = 1; i < longitudes.size(); ++i) {
    if (longitudes[i] - longitudes[i - 1] > widest) {
      widest = longitudes[i] - longitudes[i - 1];
      cut = longitudes[i - 1];
    }
  }
  return cut;
}

// The first of `candidates` (the most geographic first) whose picture,
// its proportions bound, fits `mapArea` or comes within kAreaSlack of the
// smallest.
std::vector<Point> mostGeographic(
    const std::vector<LabelBox>& boxes,
    const std::vector<std::vector<Point>>& candidates, double mapArea) {
  // The area a candidate's picture takes once its proportions are bound;
  // infinite for a row or a column that cannot be bound.
  const auto area = [&boxes](std::vector<Point> points) {
    boundProportions(boxes, &points);
    const Point extent = extentOf(points);
    const double longer = std::max(extent.x, extent.y) + 2 * kMapFontSize;
    const double shorter = std::min(extent.x, extent.y) + 2 * kMapFontSize;
    if (longer > kMostElongated * 1.1 * shorter) {
      return std::numeric_limits<double>::infinity();
    }
    return (extent.x + kMapFontSize) * (extent.y + kMapFontSize);
  };
  // The most geographic candidate that fits the map's area, or failing
  // that comes within kAreaSlack of the smallest.
  double smallest = area(candidates.front());
  for (const auto& candidate : candidates) {
    smallest = std::min(smallest, area(candidate));
  }
  constexpr double kAreaSlack = 1.5;
  const double enough = std::max(kAreaSlack * smallest, mapArea);
  std::vector<Point> chosen = candidates.front();
  for (const auto& candidate : candidates) {
    if (area(candidate) <= enough) {
      chosen = candidate;
      break;
    }
  }
  return chosen;
}

}  // namespace

namespace {

// dot's spacing in a layered picture, in points: a box at least 0.75
// inches wide with 0.11 inches of margin, 0.25 inches between boxes and
// about as much again for a latency beside a link in a row; a link on
// its way through a row takes a gap and its line's room; rows 1.15
// inches apart, as the latencies between them double dot's gap; the
// heads' column and the title. A character of display width one is
// about half the font size wide.
constexpr double kNarrowestBox = 54;
constexpr double kBoxMargins = 16;
constexpr double kBetweenBoxes = 36;
constexpr double kPassingLink = 30;
constexpr double kRowPitch = 83;
constexpr double kHeads = 72;
constexpr double kTitle = 30;

// The rows for rows of at most `length` devices.
LayeredRows rowsOfLength(const std::vector<Layer>& layers, int length) {
  LayeredRows rows;
  rows.length = length;
  rows.rowOf.assign(layers.size(), 0);
  int above = 0;
  for (int layer = 0; layer < kLayerCount; ++layer) {
    int inLayer = 0;
    for (size_t i = 0; i < layers.size(); ++i) {
      if (static_cast<int>(layers[i]) != layer) continue;
      rows.rowOf[i] = above + inLayer++ / length;
    }
    if (inLayer == 0) continue;
    rows.layers.push_back(static_cast<Layer>(layer));
    rows.rowsOfLayer.push_back((inLayer + length - 1) / length);
    above += rows.rowsOfLayer.back();
  }
  return rows;
}

// Width over height of the picture `rows` gives, boxes `pitch` apart.
double estimatedAspect(const Network& network, const LayeredRows& rows,
                       double pitch) {
  const int count =
      rows.rowOf.empty()
          ? 1
          : 1 + *std::max_element(rows.rowOf.begin(), rows.rowOf.end());
  std::vector<int> boxes(static_cast<size_t>(count), 0);
  for (const int row : rows.rowOf) ++boxes[static_cast<size_t>(row)];
  // How many more links pass through each row than through the one
  // above it.
  std::vector<int> passingChange(static_cast<size_t>(count) + 1, 0);
  for (const Link& link : network.links) {
    const auto [top, bottom] =
        std::minmax(rows.rowOf[static_cast<size_t>(link.from)],
                    rows.rowOf[static_cast<size_t>(link.to)]);
    if (bottom - top < 2) continue;
    ++passingChange[static_cast<size_t>(top) + 1];
    --passingChange[static_cast<size_t>(bottom)];
  }
  double widest = 0;
  int passing = 0;
  for (size_t row = 0; row < boxes.size(); ++row) {
    passing += passingChange[row];
    widest = std::max(widest, boxes[row] * pitch + passing * kPassingLink);
  }
  return (kHeads + widest) / (count * kRowPitch + kTitle);
}

}  // namespace

LayeredRows layeredRows(const Network& network, int fontSize) {
  constexpr double kWanted = 4.0 / 3.0;
  constexpr double kWidestKeptWhole = 2;
  std::vector<Layer> layers;
  std::vector<int> perLayer(kLayerCount, 0);
  double widths = 0;
  for (const Device& device : network.devices) {
    layers.push_back(layerOf(device.code));
    ++perLayer[static_cast<size_t>(layers.back())];
    const int characters =
        std::max(displayWidth(device.code), displayWidth(device.description));
    widths +=
        std::max(kNarrowestBox, 0.5 * fontSize * characters + kBoxMargins);
  }
  const double pitch =
      widths / std::max(network.deviceCount(), 1) + kBetweenBoxes;
  const int longest =
      std::max(1, *std::max_element(perLayer.begin(), perLayer.end()));
  LayeredRows best = rowsOfLength(layers, longest);
  const double whole = estimatedAspect(network, best, pitch);
  if (whole <= kWidestKeptWhole) return best;
  double bestMiss = std::abs(std::log(whole / kWanted));
  for (int length = longest - 1; length >= 1; --length) {
    LayeredRows rows = rowsOfLength(layers, length);
    const double miss =
        std::abs(std::log(estimatedAspect(network, rows, pitch) / kWanted));
    if (miss < bestMiss) {
      best = std::move(rows);
      bestMiss = miss;
    }
  }
  return best;
}

LabelBox labelBox(const std::string& code) {
  double characters = 0;
  for (const char c : code) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      characters += 1;
    } else if (byte >= 0xc0) {
      characters += 2;  // the lead byte of a wide character
    }
  }
  // A Latin letter is about 0.6 of the font size wide.
  return {characters * 0.6 * kMapFontSize + kLabelMarginX,
          1.2 * kMapFontSize + kLabelMarginY};
}

std::vector<Point> readablePoints(const Network& network,
                                  const DevicePoints& positions) {
  std::vector<Point> points = completedPoints(network, positions);
  const size_t n = points.size();
  if (n == 0) return points;
  std::vector<LabelBox> boxes(n);
  double room = 0;
  for (size_t i = 0; i < n; ++i) {
    boxes[i] = labelBox(network.devices[i].code);
    room += kRoomPerLabel * (boxes[i].width + kLabelGap) *
            (boxes[i].height + kLabelGap);
  }
  std::vector<double> ownX(n);
  std::vector<double> ownY(n);
  for (size_t i = 0; i < n; ++i) {
    ownX[i] = points[i].x;
    ownY[i] = points[i].y;
  }
  spreadShared(boxes, &points);
  std::vector<double> xs(n);
  std::vector<double> ys(n);
  for (size_t i = 0; i < n; ++i) {
    xs[i] = points[i].x;
    ys[i] = points[i].y;
  }
  // Devices that shared a point keep their spread's order among
  // themselves, and every other device its own order.
  const std::vector<size_t> orderX = orderAlong(ownX, xs);
  const std::vector<size_t> orderY = orderAlong(ownY, ys);
  const std::vector<double> rankX = ranksOf(orderX);
  const std::vector<double> rankY = ranksOf(orderY);
  // The map's area: room for every label, at least the width a drawing
  // of this many devices gets, in a screen's proportions.
  constexpr double kScreenProportion = 0.75;
  const double width = std::max(drawingWidth(static_cast<int>(n)),
                                std::sqrt(room / kScreenProportion));
  const double height = width * kScreenProportion;
  const Point span = extentOf(points);
  const double scale = span.x > 0 && span.y > 0
                           ? std::min(width / span.x, height / span.y)
                       : span.x > 0 ? width / span.x
                       : span.y > 0 ? height / span.y
                                    : 0;
  // Candidates from the most geographic down: each blend swept apart
  // west to east, or north to south (the same sweep on the map turned
  // over its diagonal), then grids.
  std::vector<LabelBox> turnedBoxes(n);
  for (size_t i = 0; i < n; ++i) {
    turnedBoxes[i] = {boxes[i].height, boxes[i].width};
  }
  std::vector<std::vector<Point>> candidates;
  for (const double geography : {1.0, 0.75, 0.5, 0.25, 0.0}) {
    const std::vector<double> bx = blended(xs, rankX, scale, width, geography);
    const std::vector<double> by = blended(ys, rankY, scale, height, geography);
    std::vector<Point> eastward(n);
    std::vector<Point> southward(n);
    for (size_t i = 0; i < n; ++i) {
      eastward[i] = {bx[i], by[i]};
      southward[i] = {by[i], bx[i]};
    }
    keepRising(orderY, &eastward, &Point::y);
    sweepApart(boxes, orderX, &eastward);
    keepRising(orderX, &southward, &Point::y);
    sweepApart(turnedBoxes, orderY, &southward);
    for (Point& point : southward) point = {point.y, point.x};
    candidates.push_back(std::move(eastward));
    candidates.push_back(std::move(southward));
  }
  // Grids of a few heights, their rows and columns where a blend wants
  // them: less geographic than a sweep, but compact where devices crowd.
  for (const double geography : {1.0, 0.5, 0.0}) {
    const std::vector<double> bx = blended(xs, rankX, scale, width, geography);
    const std::vector<double> by = blended(ys, rankY, scale, height, geography);
    std::vector<Point> wanted(n);
    for (size_t i = 0; i < n; ++i) wanted[i] = {bx[i], by[i]};
    for (const double share : {0.5, 0.7, 1.0, 1.4, 2.0}) {
      const auto rows = std::clamp<size_t>(
          static_cast<size_t>(share * std::sqrt(static_cast<double>(n))), 1, n);
      candidates.push_back(gridApart(boxes, orderX, orderY, wanted, rows));
    }
  }
  std::vector<Point> chosen = mostGeographic(boxes, candidates, width * height);
  boundProportions(boxes, &chosen);
  return chosen;
}

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

namespace {

// The known positions projected onto a plane: longitude east of the date
// line's shift and shrunk by the mean latitude's cosine, latitude upwards
// (for a drawing program's positions, as given). Empty when none is known.
DevicePoints projected(PositionKind kind,
                       const std::vector<DevicePosition>& positions) {
  double latitudes = 0;
  int known = 0;
  for (const DevicePosition& position : positions) {
    if (!position.known) continue;
    latitudes += position.y;
    ++known;
  }
  if (known == 0) return {};
  const bool geographic = kind == PositionKind::kGeographic;
  const double eastward = geographic ? dateLineShift(positions)
                                     : std::numeric_limits<double>::lowest();
  constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
  const double xScale =
      geographic ? std::cos(latitudes / known * kRadiansPerDegree) : 1.0;
  const double ySign = geographic ? -1.0 : 1.0;
  DevicePoints points(positions.size());
  for (size_t i = 0; i < positions.size(); ++i) {
    if (!positions[i].known) continue;
    const double longitude =
        positions[i].x <= eastward ? positions[i].x + 360 : positions[i].x;
    points[i] = Point{longitude * xScale, positions[i].y * ySign};
  }
  return points;
}

// `points` moved and scaled, one scale for both axes, to fit `width` and
// a landscape screen's proportions.
DevicePoints fitted(DevicePoints points, double width) {
  constexpr double kScreenProportion = 0.75;  // height to width
  double minX = 0;
  double maxX = 0;
  double minY = 0;
  double maxY = 0;
  bool first = true;
  for (const std::optional<Point>& point : points) {
    if (!point) continue;
    minX = first ? point->x : std::min(minX, point->x);
    maxX = first ? point->x : std::max(maxX, point->x);
    minY = first ? point->y : std::min(minY, point->y);
    maxY = first ? point->y : std::max(maxY, point->y);
    first = false;
  }
  // Spans in halves where a whole one overflows (1e308 and -1e308), and
  // each point as its share of the span, so that no tiny span (4.9e-324)
  // scales to infinity: every position written is finite.
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

}  // namespace

DevicePoints drawingPoints(PositionKind kind,
                           const std::vector<DevicePosition>& positions,
                           double width) {
  if (kind == PositionKind::kNone) return {};
  return fitted(projected(kind, positions), width);
}

DevicePoints pointsOf(const NetworkInput& input) {
  return drawingPoints(input.positionKind, input.positions,
                       drawingWidth(input.network.deviceCount()));
}
