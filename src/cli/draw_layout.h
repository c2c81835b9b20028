// Where a drawing places its devices: which layout a network gets, the
// GraphML reader's positions scaled into a drawing, and a place for every
// device of a map, those without coordinates included. Pure geometry: no
// DOT, no I/O.
#ifndef TOPOPLAN_CLI_DRAW_LAYOUT_H_
#define TOPOPLAN_CLI_DRAW_LAYOUT_H_

#include <optional>
#include <string>
#include <vector>

#include "device.h"
#include "graphml.h"
#include "network.h"
#include "network_input.h"

// How the devices are placed.
enum class Layout {
  kAutomatic,   // chooseLayout decides
  kLayers,      // a row per layer (layerOf), drawn by dot
  kGeographic,  // where `positions` say, drawn with those positions fixed
  kForce,       // force-directed, drawn by sfdp
};

// A place in the drawing, in points, x to the right and y downwards.
struct Point {
  double x = 0;
  double y = 0;
};
using DevicePoints = std::vector<std::optional<Point>>;

// Devices named by their codes alone, in pictures that place them freely:
// large enough to stay readable when a drawing of some 60 devices is
// shown whole on a laptop's screen. labelBox measures labels in it.
constexpr int kPlacedFontSize = 14;

// How far below a map the devices without a place stand, in points.
constexpr double kRowBelow = 80;

// The layout a request for Layout::kAutomatic gets: rows by layer when
// more than half of the devices have a layer other than 其他; else the
// devices where they stand when at least half of them have a position;
// else force-directed.
Layout chooseLayout(const Network& network, const DevicePoints& positions);

// The GraphML reader's positions as points of a drawing at most `width`
// points wide and three quarters of that high, in the positions' own
// proportions: longitude and latitude projected equirectangularly,
// longitude scaled by the cosine of the mean latitude, north up, the
// map cut at its widest gap of longitude so that a network across the
// date line is drawn the short way round; drawing
// units kept in proportion, their y already pointing down. Empty when no
// device has a position.
DevicePoints drawingPoints(PositionKind kind,
                           const std::vector<DevicePosition>& positions,
                           double width);

// The width drawingPoints is given for a network of `devices` devices:
// wide enough for their labels to stand apart, narrow enough for them to
// stay readable when the whole drawing is shown on a screen.
double drawingWidth(int devices);

// Where the loaded input places its devices, as drawingPoints gives them
// for a drawing of drawingWidth; empty for a topology file.
DevicePoints pointsOf(const NetworkInput& input);

// A coordinate for Graphviz, in points with two decimals.
std::string coordinate(double value);

// The left edge and the bottom of the devices in `points` that `placed`
// marks (all of them when it is empty), as a point; {0, 0} for none.
Point lowerLeft(const std::vector<Point>& points,
                const std::vector<bool>& placed);

// The devices that have no place of their own stand just below the
// middle of their placed neighbours (never on one), found outwards from
// the placed ones, and the
// rest in a row below everything else, kRowBelow under the lowest.
// Needs at least one placed device. O(devices * links) at worst.
std::vector<Point> completedPoints(const Network& network,
                                   const DevicePoints& positions);

// The rows of the layered picture: a row per layer in use, in layer
// order, each layer's devices filling its rows in list order, at most
// `length` to a row, so that a network without layers is no endless
// strip. Each layer keeps one row while the picture is no wider than
// 2:1; else the length is, of every length up to the largest layer, the
// one whose picture comes nearest 4:3 (the longer on a tie). Pictures are
// estimated from the devices' boxes in `fontSize` (code above
// description), the links passing through a row on their way further
// down and dot's spacing. O((devices + links) * largest layer).
struct LayeredRows {
  int length = 1;
  std::vector<Layer> layers;     // in use, from the top
  std::vector<int> rowsOfLayer;  // for each of `layers`
  std::vector<int> rowOf;        // each device's row from the top
};
LayeredRows layeredRows(const Network& network, int fontSize);

// The box a device's label takes in a map, in points: its code in the
// map's font and margins, a wide character counted twice.
struct LabelBox {
  double width = 0;
  double height = 0;
};
LabelBox labelBox(const std::string& code);

// The places of a map whose labels stand apart: completedPoints, then
// devices at one point spread on a small grid around it, then each axis
// drawn part to scale and part by rank, so that an ocean shrinks and a
// crowded city grows, the labels pushed apart by a sweep west to east or
// north to south, or set on a grid whose rows and columns follow the
// order; the most geographic of these that fits the map's area (or
// comes near the smallest) wins. Every step keeps the order: a device
// west (north) of another stays west (north) or level, never swaps. The
// picture is then stretched to lie between 1:3 and 3:1. No two label
// boxes (labelBox, with a small gap) overlap. Needs at least one placed
// device. O(devices log devices + devices * neighbours in the sweep's
// window + devices * links).
std::vector<Point> readablePoints(const Network& network,
                                  const DevicePoints& positions);

#endif  // TOPOPLAN_CLI_DRAW_LAYOUT_H_
