#include "draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "draw_command.h"
#include "draw_page.h"
#include "drawing_text.h"
#include "exit_status.h"
#include "page_text.h"
#include "support/networks.h"
#include "test_util.h"

namespace {

using topotest::ScratchFolder;
using topotest::TopologyTest;

constexpr char kMarkedDevice[] = ", color=\"#cc0000\", penwidth=3";
constexpr char kMarkedLink[] = ", style=solid, color=\"#cc0000\", penwidth=3";

// A highlighted link's label: its latency in red on a white ground.
std::string markedLinkLabel(const std::string& latency) {
  return "label=<<table border=\"0\" cellpadding=\"1\" bgcolor=\"white\">"
         "<tr><td><font color=\"#cc0000\">" +
         latency + "</font></td></tr></table>>" + kMarkedLink;
}

// The built-in network after a save and a reload, which reverses every
// adjacency list: rows by layer, links in the saved file's order, each
// drawn from its upper row down. <TITLE> and <STYLE> stand for the title
// and the edge default; <5> and <2-5> for a device's and a link's
// highlight.
constexpr char kCampusDot[] =
    R"(graph topology {
  graph [label="<TITLE>", labelloc=t, fontname="WenQuanYi Micro Hei,sans-serif", fontsize=16];
  node [fontname="WenQuanYi Micro Hei,sans-serif", fontsize=10, shape=plaintext];
  edge [fontname="WenQuanYi Micro Hei,sans-serif", fontsize=10, color=gray50<STYLE>];
  layer0 [label="核心层"];
  layer1 [label="安全层"];
  layer2 [label="汇聚层"];
  layer3 [label="接入层"];
  layer4 [label="数据中心"];
  layer0 -- layer1 -- layer2 -- layer3 -- layer4 [style=invis];
  node [shape=box, style="rounded,filled"];
  {rank=same; layer0; d0 [label="CR\n校园网核心路由器，连接互联网出口", fillcolor="#f4cccc"<0>];}
  {rank=same; layer1; d7 [label="FW\n防火墙，安全策略控制与入侵检测", fillcolor="#fce5cd"<7>];}
  {rank=same; layer2; d1 [label="DR-A\n教学区汇聚路由器，承载教学网络流量", fillcolor="#fff2cc"<1>]; d2 [label="DR-B\n生活区汇聚路由器，承载宿舍区网络流量", fillcolor="#fff2cc"<2>];}
  {rank=same; layer3; d3 [label="AR-T\n教学楼接入路由器，连接各教室有线网络", fillcolor="#d9ead3"<3>]; d4 [label="AR-L\n实验楼接入路由器，连接各实验室网络", fillcolor="#d9ead3"<4>]; d5 [label="AR-D\n宿舍区接入路由器，连接各宿舍网络", fillcolor="#d9ead3"<5>];}
  {rank=same; layer4; d6 [label="SV\n数据中心服务器集群，托管各类校园服务", fillcolor="#cfe2f3"<6>];}
  d0 -- d1 [label="5ms"<0-1>];
  d0 -- d2 [label="8ms"<0-2>];
  d0 -- d7 [label="2ms"<0-7>];
  d1 -- d3 [label="3ms"<1-3>];
  d1 -- d4 [label="4ms"<1-4>];
  d1 -- d2 [label="12ms"<1-2>];
  d2 -- d5 [label="3ms"<2-5>];
  d3 -- d6 [label="2ms"<3-6>];
  d4 -- d6 [label="3ms"<4-6>];
  d5 -- d6 [label="25ms"<5-6>];
}
)";

// Fills the placeholders of kCampusDot: the marked devices and links get
// the highlight, every other placeholder disappears.
std::string campusDot(const std::string& title,
                      const std::set<std::string>& marked) {
  std::string dot = kCampusDot;
  const std::string style = marked.empty() ? "" : ", style=dashed";
  size_t open = 0;
  while ((open = dot.find('<', open)) != std::string::npos) {
    const size_t close = dot.find('>', open);
    const std::string key = dot.substr(open + 1, close - open - 1);
    size_t start = open;  // what the placeholder's value replaces
    std::string value;
    if (key == "TITLE") value = title;
    if (key == "STYLE") value = style;
    if (marked.count(key) != 0 && key.find('-') == std::string::npos) {
      value = kMarkedDevice;
    } else if (marked.count(key) != 0) {  // a link: its label changes too
      start = dot.rfind("label=\"", open);
      const size_t latency = start + std::string("label=\"").size();
      value = markedLinkLabel(dot.substr(latency, open - 1 - latency));
    }
    dot.replace(start, close - start + 1, value);
    open = start + value.size();
  }
  return dot;
}

// Runs topoplan-draw on `file` with `options` before it, as main() does.
int drawFile(const std::string& file, std::vector<std::string> options,
             std::ostream& dot, std::ostream& errors) {
  options.insert(options.begin(), "topoplan-draw");
  options.push_back(file);
  std::vector<const char*> argv;
  for (const std::string& word : options) argv.push_back(word.c_str());
  return runDraw(static_cast<int>(argv.size()), argv.data(), dot, errors);
}

struct DrawCase {
  const char* tag;
  std::vector<std::string> options;
  std::string title;
  std::set<std::string> marked;
};

// Prim from CR: FW 2, DR-A 5, AR-T 3, SV 2, AR-L 3 (via SV), DR-B 8,
// AR-D 3. Kruskal: 2s, then 3s (CR-FW, AR-T-SV, DR-A-AR-T, DR-B-AR-D,
// AR-L-SV), skips DR-A-AR-L 4, then CR-DR-A 5 and CR-DR-B 8. Both 26 ms.
// AR-D to SV: 3 + 12 + 3 + 2 = 20 ms beats the direct 25 ms and the 21 ms
// through CR.
const std::set<std::string> kCampusTree = {"0-1", "0-2", "0-7", "1-3",
                                           "2-5", "3-6", "4-6"};

TEST_F(TopologyTest, DrawsSavedCampusNetworkWithEachHighlight) {
  const DrawCase cases[] = {
      {"plain", {}, "网络拓扑（共8台设备，10条链路）", {}},
      {"prim",
       {"--plan", "prim"},
       "光纤骨干网布线方案（Prim算法）\\nMST总延迟：26ms",
       kCampusTree},
      {"kruskal",
       {"--plan", "kruskal"},
       "光纤骨干网布线方案（Kruskal算法）\\nMST总延迟：26ms",
       kCampusTree},
      {"route AR-D SV",
       {"--route", "AR-D", "SV"},
       "最优路径：AR-D → DR-B → DR-A → AR-T → SV\\n最短延迟：20ms",
       {"1", "2", "3", "5", "6", "1-2", "1-3", "2-5", "3-6"}},
  };
  ScratchFolder scratch;
  const std::string file = scratch.file("campus.txt");
  std::ostringstream report;
  createGraph(&graph, report);
  saveGraphToFile(&graph, file.c_str(), report);

  for (const DrawCase& drawCase : cases) {
    std::ostringstream dot;
    std::ostringstream errors;
    EXPECT_EQ(drawFile(file, drawCase.options, dot, errors), kExitDone)
        << drawCase.tag;
    EXPECT_EQ(dot.str(), campusDot(drawCase.title, drawCase.marked))
        << drawCase.tag;
    EXPECT_EQ(errors.str(), "") << drawCase.tag;
    EXPECT_EQ(parray, nullptr) << drawCase.tag;
  }
}

// SV(0) ==7/3== CR(1), a 1 ms loop on SV, Q(2) alone. The matrix keeps
// the older 7 ms link, so that is the one Prim takes; Q stays out.
TEST_F(TopologyTest, DrawsParallelLinksLoopsAndOddTextAsTheyAre) {
  ScratchFolder scratch;
  const std::string file =
      scratch.write("odd.txt",
                    "3 3\nSV a\"b\\c&d 1 x\nCR core 1 y\nQ q 1 z\nCR SV 7\nSV "
                    "CR 3\nSV SV 1\n");
  std::ostringstream dot;
  std::ostringstream errors;
  ASSERT_EQ(drawFile(file, {"--plan", "prim"}, dot, errors), kExitDone);
  const std::string expected = std::string(R"dot(graph topology {
  graph [label="光纤骨干网布线方案（Prim算法）\nMST总延迟：7ms\n(图不连通，布线无法覆盖所有设备)", labelloc=t, fontname="WenQuanYi Micro Hei,sans-serif", fontsize=16];
  node [fontname="WenQuanYi Micro Hei,sans-serif", fontsize=10, shape=plaintext];
  edge [fontname="WenQuanYi Micro Hei,sans-serif", fontsize=10, color=gray50, style=dashed];
  layer0 [label="核心层"];
  layer4 [label="数据中心"];
  layer5 [label="其他"];
  layer0 -- layer4 -- layer5 [style=invis];
  node [shape=box, style="rounded,filled"];
  {rank=same; layer0; d1 [label="CR\ncore", fillcolor="#f4cccc"];}
  {rank=same; layer4; d0 [label="SV\na\"b\\c&amp;d", fillcolor="#cfe2f3"];}
  {rank=same; layer5; d2 [label="Q\nq", fillcolor="#eeeeee"];}
  d0 -- d0 [label="1ms"];
  d1 -- d0 [label="3ms"];
  d1 -- d0 [)dot") + markedLinkLabel("7ms") +
                               "];\n}\n";
  EXPECT_EQ(dot.str(), expected);

  dot.str("");
  ASSERT_EQ(drawFile(file, {"--route", "CR", "Q"}, dot, errors), kExitDone);
  EXPECT_NE(dot.str().find("label=\"从 CR 到 Q 不可达（无连通路径）！\""),
            std::string::npos);
}

// The page's drawing names each device's code and each link's ends and
// latency on its group, escaped; other groups, and ids that name nothing,
// stay as dot wrote them.
TEST(PageDrawing, CarriesCodesEndsAndLatencies) {
  const std::vector<std::string> codes = {"CR", "a\"<b>&"};
  const std::vector<Link> links = {{0, 1, 5}, {1, 1, -2}};
  const struct {
    const char* svg;
    const char* expected;
  } cases[] = {
      {R"(<g id="device0" class="node">)",
       R"(<g id="device0" data-code="CR" class="node">)"},
      {R"(<g id="device1" class="node">)",
       R"(<g id="device1" data-code="a&quot;&lt;b&gt;&amp;" class="node">)"},
      {R"(<g id="link0" class="edge">)",
       R"(<g id="link0" data-from="CR" data-to="a&quot;&lt;b&gt;&amp;" data-latency="5" class="edge">)"},
      {R"(<g id="link1" class="edge"><g id="device0">)",
       R"(<g id="link1" data-from="a&quot;&lt;b&gt;&amp;" data-to="a&quot;&lt;b&gt;&amp;" data-latency="-2" class="edge"><g id="device0" data-code="CR">)"},
      {R"(<g id="graph0" class="graph"><g id="node1">)",
       R"(<g id="graph0" class="graph"><g id="node1">)"},
      {R"(<g id="device2"><g id="link2"><g id="link"><g id="device1x">)",
       R"(<g id="device2"><g id="link2"><g id="link"><g id="device1x">)"},
      {R"(<g id="device-1"><g id="device99999999999999999999">)",
       R"(<g id="device-1"><g id="device99999999999999999999">)"},
      {R"(<svg><g id="device0)", R"(<svg><g id="device0)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(withDataAttributes(c.svg, codes, links), c.expected) << c.svg;
  }
}

// The DOT text of `network` drawn by `request`, which must succeed.
std::string dotOf(const Network& network, const DrawRequest& request) {
  std::ostringstream dot;
  std::ostringstream errors;
  EXPECT_EQ(writeTopologyDot(network, request, dot, errors),
            DrawOutcome::kDrawn)
      << errors.str();
  EXPECT_EQ(errors.str(), "");
  return dot.str();
}

// Where the DOT text puts device `index`, as Graphviz reads it (y up).
Point posOf(const std::string& dot, int index) {
  std::smatch match;
  const std::regex pattern(" d" + std::to_string(index) +
                           R"re( \[[^\n]*pos="([-0-9.]+),([-0-9.]+)")re");
  if (!std::regex_search(dot, match, pattern)) return {-1e9, -1e9};
  return {std::stod(match[1]), std::stod(match[2])};
}

// Whether two labels centred at `a` and `b` overlap.
bool touching(Point a, LabelBox aBox, Point b, LabelBox bBox) {
  return std::abs(a.x - b.x) < (aBox.width + bBox.width) / 2 &&
         std::abs(a.y - b.y) < (aBox.height + bBox.height) / 2;
}

// Three cities as a planner's GraphML gives them: Oslo north of Berlin,
// Paris west of both; Nowhere has no coordinates and one link, to Paris.
constexpr char kCities[] = R"(<?xml version="1.0"?>
<graphml xmlns="http://graphml.graphdrawing.org/xmlns">
  <key id="d0" for="node" attr.name="label" attr.type="string"/>
  <key id="d1" for="node" attr.name="Latitude" attr.type="double"/>
  <key id="d2" for="node" attr.name="Longitude" attr.type="double"/>
  <graph edgedefault="undirected">
    <node id="a"><data key="d0">Oslo</data><data key="d1">59.9</data><data key="d2">10.7</data></node>
    <node id="b"><data key="d0">Berlin</data><data key="d1">52.5</data><data key="d2">13.4</data></node>
    <node id="c"><data key="d0">Paris</data><data key="d1">48.9</data><data key="d2">2.3</data></node>
    <node id="d"><data key="d0">Nowhere</data></node>
    <edge source="a" target="b"/><edge source="b" target="c"/>
    <edge source="c" target="d"/>
  </graph>
</graphml>
)";

TEST(DrawLayout, ChoosesRowsMapOrForceByDefault) {
  const GraphmlOutcome cities =
      parseGraphml(kCities, sizeof kCities - 1, GraphmlOptions{});
  ASSERT_TRUE(cities.read());
  const DevicePoints map =
      drawingPoints(cities.positionKind, cities.positions, drawingWidth(4));
  // Two campus codes of three are most; one of three is not.
  const Network mostlyCampus = networks::build("CR DR-X Mesh-1", "CR DR-X 1");
  const Network fewCampus = networks::build("CR Mesh-1 Mesh-2", "CR Mesh-1 1");
  struct Case {
    const char* tag;
    const Network& network;
    DevicePoints positions;
    Layout layout;
    const char* mark;  // what the DOT text says about its layout
  } cases[] = {
      {"campus", networks::campus(), {}, Layout::kLayers, "{rank=same;"},
      {"campus with places", networks::campus(), DevicePoints(8, Point{}),
       Layout::kLayers, "{rank=same;"},
      {"mostly campus", mostlyCampus, {}, Layout::kLayers, "{rank=same;"},
      {"plain", fewCampus, {}, Layout::kForce, "layout=sfdp"},
      {"GraphML with coordinates", cities.network, map, Layout::kGeographic,
       "layout=nop"},
      {"one place of three",
       fewCampus,
       {Point{}, {}, {}},
       Layout::kForce,
       "layout=sfdp"},
  };
  for (const Case& layoutCase : cases) {
    EXPECT_EQ(chooseLayout(layoutCase.network, layoutCase.positions),
              layoutCase.layout)
        << layoutCase.tag;
    DrawRequest request;
    request.positions = layoutCase.positions;
    EXPECT_NE(dotOf(layoutCase.network, request).find(layoutCase.mark),
              std::string::npos)
        << layoutCase.tag;
  }
}

TEST(DrawLayout, PutsDevicesWhereTheirCoordinatesSay) {
  const GraphmlOutcome cities =
      parseGraphml(kCities, sizeof kCities - 1, GraphmlOptions{});
  ASSERT_TRUE(cities.read());
  DrawRequest request;
  request.positions =
      drawingPoints(cities.positionKind, cities.positions, 1000);
  // The widest span fits 1000 points, or 750 high: longitude shrinks by
  // the cosine of the mean latitude (about 0.62), so 11.1 degrees east to
  // west and 11 south to north come out 6.9 and 11 degrees, height bound.
  const Point north = *request.positions[0];
  const Point east = *request.positions[1];
  const Point west = *request.positions[2];
  EXPECT_NEAR(west.y - north.y, 750, 0.5);
  EXPECT_NEAR((east.x - west.x) / (west.y - north.y),
              11.1 * std::cos((59.9 + 52.5 + 48.9) / 3 * 3.14159265 / 180) / 11,
              0.01);
  const std::string dot = dotOf(cities.network, request);
  const Point paris = posOf(dot, 2);
  const Point nowhere = posOf(dot, 3);
  // North is up (Graphviz's y grows upwards), west is left.
  EXPECT_GT(posOf(dot, 0).y, posOf(dot, 1).y);
  EXPECT_GT(posOf(dot, 1).y, paris.y);
  EXPECT_LT(paris.x, posOf(dot, 0).x);
  EXPECT_LT(posOf(dot, 0).x, posOf(dot, 1).x);
  // A device without a place stands beside its placed neighbour, not on
  // it.
  EXPECT_LT(std::abs(nowhere.x - paris.x) + std::abs(nowhere.y - paris.y), 100);
  EXPECT_FALSE(
      touching(paris, labelBox("Paris"), nowhere, labelBox("Nowhere")));
  // Codes alone, latencies beside their lines.
  EXPECT_NE(dot.find(R"(d0 [label="Oslo", fillcolor="#eeeeee", pos=)"),
            std::string::npos);
  EXPECT_NE(dot.find(R"(d0 -- d1 [xlabel="5ms"];)"), std::string::npos);
}

TEST(DrawLayout, ScalesPositionsIntoTheDrawing) {
  const DevicePosition unknown;
  struct Case {
    const char* tag;
    PositionKind kind;
    std::vector<DevicePosition> positions;
    DevicePoints points;  // for a width of 100
  } cases[] = {
      {"none", PositionKind::kNone, {{true, 1, 2}}, {}},
      {"no place known", PositionKind::kGeographic, {unknown, unknown}, {}},
      // Drawing units keep their y pointing down; the height bounds them.
      {"drawing",
       PositionKind::kDrawing,
       {{true, 10, 10}, unknown, {true, 30, 160}},
       {Point{0, 0}, std::nullopt, Point{10, 75}}},
      {"wide drawing",
       PositionKind::kDrawing,
       {{true, 0, 5}, {true, 400, 5}},
       {Point{0, 0}, Point{100, 0}}},
      // Around the equator a degree is a degree; north goes up.
      {"map",
       PositionKind::kGeographic,
       {{true, 0, -5}, {true, 10, 5}},
       {Point{0, 75}, Point{75, 0}}},
      {"one place", PositionKind::kGeographic, {{true, 3, 4}}, {Point{0, 0}}},
      // Spans that overflow or underflow still give finite positions.
      {"extremes",
       PositionKind::kDrawing,
       {{true, -1e308, -1e308}, {true, 1e308, 1e308}},
       {Point{0, 0}, Point{75, 75}}},
      {"tiny",
       PositionKind::kDrawing,
       {{true, 0, 0}, {true, 4.9e-324, 4.9e-324}},
       {Point{0, 0}, Point{75, 75}}},
  };
  for (const Case& scaleCase : cases) {
    const DevicePoints points =
        drawingPoints(scaleCase.kind, scaleCase.positions, 100);
    ASSERT_EQ(points.size(), scaleCase.points.size()) << scaleCase.tag;
    for (size_t i = 0; i < points.size(); ++i) {
      ASSERT_EQ(points[i].has_value(), scaleCase.points[i].has_value())
          << scaleCase.tag << i;
      if (!points[i]) continue;
      EXPECT_NEAR(points[i]->x, scaleCase.points[i]->x, 1e-9) << scaleCase.tag;
      EXPECT_NEAR(points[i]->y, scaleCase.points[i]->y, 1e-9) << scaleCase.tag;
    }
  }
}

// A network of `count` devices D0, D1, ... linked in a chain, each at
// the longitude and latitude `place` gives it (nullopt: no coordinates).
struct MapCase {
  const char* tag;
  Network network;
  std::vector<DevicePosition> positions;
};
template <typename Place>
MapCase mapCase(const char* tag, int count, Place place,
                const std::string& prefix = "D") {
  MapCase map{tag, {}, {}};
  std::string codes;
  std::string links;
  for (int i = 0; i < count; ++i) {
    codes += prefix + std::to_string(i) + ' ';
    if (i > 0) {
      links += prefix + std::to_string(i - 1) + ' ' + prefix +
               std::to_string(i) + " 3 ";
    }
    const std::optional<Point> at = place(i);
    map.positions.push_back(at ? DevicePosition{true, at->x, at->y}
                               : DevicePosition{});
  }
  map.network = networks::build(codes, links);
  return map;
}

// A repeatable spread in [0, 1), the salts independent of each other.
double scatter(int i, int salt) {
  auto h = static_cast<uint32_t>(i + 1) * 2654435761U ^
           static_cast<uint32_t>(salt) * 2246822519U;
  h = (h ^ h >> 15U) * 2246822519U;
  h = (h ^ h >> 13U) * 3266489917U;
  return static_cast<double>(h ^ h >> 16U) / 4294967296.0;
}

// Each cause of piled labels on a real operator's map: the labels stand
// apart, west stays west and north stays north, and the picture is
// neither a strip nor a pole.
TEST(DrawLayout, KeepsMapsInOrderWithLabelsApart) {
  const std::vector<MapCase> cases = {
      // A Japanese network with three US sites across the Pacific.
      mapCase("ocean", 33,
              [](int i) -> std::optional<Point> {
                if (i < 3) return Point{-122.0 + 24 * i, 37.0 + i};
                return Point{139.5 + scatter(i, 1), 35.5 + scatter(i, 2)};
              }),
      mapCase("one city", 20,
              [](int i) -> std::optional<Point> {
                if (i < 15) return Point{2.35, 48.85};
                return Point{2.0 + i * 0.2, 48.0 + scatter(i, 3)};
              }),
      mapCase("date line", 12,
              [](int i) -> std::optional<Point> {
                return Point{i % 2 == 0 ? 170.0 + i / 2 : -179.0 + i / 2,
                             -18.0 + scatter(i, 4)};
              }),
      mapCase("metro", 80,
              [](int i) -> std::optional<Point> {
                return Point{-0.1 + 0.05 * scatter(i, 5),
                             51.5 + 0.05 * scatter(i, 6)};
              }),
      mapCase("a third unplaced", 30,
              [](int i) -> std::optional<Point> {
                if (i % 3 == 2) return std::nullopt;
                return Point{10.0 + scatter(i, 7), 50.0 + scatter(i, 8)};
              }),
      // Wide characters, all on one parallel or one meridian.
      mapCase(
          "one latitude", 12,
          [](int i) -> std::optional<Point> {
            return Point{i * 0.01, 0};
          },
          "北京"),
      mapCase("one longitude", 12,
              [](int i) -> std::optional<Point> {
                return Point{30, i * 0.01};
              }),
      mapCase("2000 devices", 2000,
              [](int i) -> std::optional<Point> {
                const double hub = i % 7;
                return Point{-120 + 40 * hub + 3 * scatter(i, 9),
                             20 + 4 * hub + 3 * scatter(i, 10)};
              }),
  };
  for (const MapCase& map : cases) {
    const DevicePoints places =
        drawingPoints(PositionKind::kGeographic, map.positions,
                      drawingWidth(map.network.deviceCount()));
    const std::vector<Point> points = readablePoints(map.network, places);
    const size_t n = points.size();
    ASSERT_EQ(n, map.positions.size()) << map.tag;
    std::vector<LabelBox> boxes;
    LabelBox largest;
    for (const Device& device : map.network.devices) {
      boxes.push_back(labelBox(device.code));
      largest = {std::max(largest.width, boxes.back().width),
                 std::max(largest.height, boxes.back().height)};
    }
    Point low = points[0];
    Point high = points[0];
    for (size_t i = 0; i < n; ++i) {
      low = {std::min(low.x, points[i].x), std::min(low.y, points[i].y)};
      high = {std::max(high.x, points[i].x), std::max(high.y, points[i].y)};
      for (size_t j = i + 1; j < n; ++j) {
        ASSERT_FALSE(touching(points[i], boxes[i], points[j], boxes[j]))
            << map.tag << ": D" << i << " and D" << j;
        if (!places[i] || !places[j]) continue;
        if (places[i]->x < places[j]->x) {
          ASSERT_LE(points[i].x, points[j].x) << map.tag << i << ' ' << j;
        }
        if (places[i]->y < places[j]->y) {
          ASSERT_LE(points[i].y, points[j].y) << map.tag << i << ' ' << j;
        }
      }
    }
    const double width = high.x - low.x + largest.width;
    const double height = high.y - low.y + largest.height;
    EXPECT_LE(width, 3 * height) << map.tag;
    EXPECT_LE(height, 3 * width) << map.tag;
  }
  // Across the date line the short way: 179 degrees east stands west of
  // 179 west, 2 degrees apart rather than 358.
  const DevicePoints fiji = drawingPoints(
      PositionKind::kGeographic, {{true, 179, -18}, {true, -179, -17}}, 100);
  EXPECT_LT(fiji[0]->x, fiji[1]->x);
}

// Devices with no place and no placed neighbour line up below the map,
// the legend below them.
TEST(DrawLayout, PutsDevicesWithoutPlacesBelowTheMap) {
  DrawRequest request;
  request.highlight = Highlight::kScenario;
  request.failures.devices = {"A"};
  request.positions = {Point{10, 20}, Point{50, 80}};
  const std::string dot =
      dotOf(networks::build("A B C D", "A B 1  C D 2"), request);
  EXPECT_NE(dot.find("layout=nop"), std::string::npos);
  // The placed two keep their order; the rest stand in a row below.
  const Point b = posOf(dot, 1);
  const Point c = posOf(dot, 2);
  EXPECT_LT(posOf(dot, 0).x, b.x);
  EXPECT_GT(posOf(dot, 0).y, b.y);
  EXPECT_EQ(c.y, posOf(dot, 3).y);
  EXPECT_LT(c.x, posOf(dot, 3).x);
  EXPECT_LT(c.y, b.y);
  std::smatch legend;
  ASSERT_TRUE(std::regex_search(
      dot, legend,
      std::regex(R"re(legend \[[^\n]*pos="[-0-9.]+,([-0-9.]+)")re")));
  EXPECT_LT(std::stod(legend[1]), c.y);
}

TEST(DrawLayout, RefusesAMapWithoutPlaces) {
  DrawRequest request;
  request.layout = Layout::kGeographic;
  std::ostringstream dot;
  std::ostringstream errors;
  EXPECT_EQ(writeTopologyDot(networks::campus(), request, dot, errors),
            DrawOutcome::kRefused);
  EXPECT_EQ(dot.str(), "");
  EXPECT_EQ(errors.str(), std::string(kNoPositionsLine) + "\n");
}

// On a dense network the latencies would pile up and dot's routing gives
// up; they stay out in every layout, the one asked for.
TEST(DrawLayout, LeavesLatenciesOutOfDenseNetworks) {
  std::string codes;
  std::string links;
  for (int i = 0; i < 8; ++i) {
    codes += "N" + std::to_string(i) + ' ';
    for (int j = 0; j < i; ++j) {
      links += "N" + std::to_string(j) + " N" + std::to_string(i) + " 5 ";
    }
  }
  const Network mesh = networks::build(codes, links);  // 28 links, 8 devices
  for (const auto& [layout, mark] :
       {std::pair{Layout::kLayers, "rank=same"},
        std::pair{Layout::kForce, "layout=sfdp"}}) {
    DrawRequest request;
    request.layout = layout;
    const std::string dot = dotOf(mesh, request);
    EXPECT_NE(dot.find(mark), std::string::npos);
    EXPECT_EQ(dot.find("5ms"), std::string::npos);
    EXPECT_NE(dot.find("d0 -- d7"), std::string::npos);
  }
}

// A network without layers drawn in rows wraps them: 100 devices in a
// chain, N0 - N1 - ... - N99, come out in ten rows of at most eleven, each
// row after the one before, the links from one row to the next pulling
// at nothing (a chain kept straight would run down in steps); the 59
// single points of a chain of 31 list the first few in the legend, then
// how many more.
TEST(DrawLayout, WrapsLongRowsAndBoundsTheLegend) {
  std::string codes;
  std::string links;
  for (int i = 0; i < 100; ++i) {
    codes += "N" + std::to_string(i) + ' ';
    if (i > 0) {
      links += "N" + std::to_string(i - 1) + " N" + std::to_string(i) + " 2 ";
    }
  }
  DrawRequest request;
  request.layout = Layout::kLayers;
  const std::string dot = dotOf(networks::build(codes, links), request);
  std::vector<size_t> rowLengths;
  int devicesSeen = 0;
  for (size_t at = dot.find("{rank=same;"); at != std::string::npos;
       at = dot.find("{rank=same;", at + 1)) {
    const std::string row = dot.substr(at, dot.find('}', at) - at);
    size_t devices = 0;
    for (size_t d = row.find(" d"); d != std::string::npos;
         d = row.find(" d", d + 1)) {
      // The rows hold the chain in order.
      EXPECT_EQ(row.compare(d, 3 + std::to_string(devicesSeen).size(),
                            " d" + std::to_string(devicesSeen) + " "),
                0)
          << row;
      ++devicesSeen;
      ++devices;
    }
    rowLengths.push_back(devices);
  }
  EXPECT_EQ(devicesSeen, 100);
  EXPECT_EQ(rowLengths.size(), 10U);
  EXPECT_EQ(*std::max_element(rowLengths.begin(), rowLengths.end()), 11U);
  EXPECT_NE(dot.find("layer5 -- layer5_1 -- layer5_2"), std::string::npos);
  EXPECT_NE(dot.find("d10 -- d11 [label=\"2ms\", weight=0];"),
            std::string::npos);
  EXPECT_NE(dot.find("d0 -- d1 [xlabel=\"2ms\"];"), std::string::npos);

  request = DrawRequest{};
  request.highlight = Highlight::kRisks;
  const std::string risks =
      dotOf(networks::build(codes.substr(0, codes.find("N31 ")),
                            links.substr(0, links.find(" N31 "))),
            request);
  const size_t legend = risks.find("legend [");
  ASSERT_NE(legend, std::string::npos);
  const std::string label =
      risks.substr(legend, risks.find('\n', legend) - legend);
  size_t lines = 1;
  for (size_t at = label.find("\\n"); at != std::string::npos;
       at = label.find("\\n", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 1 + kLegendPoints + 1) << label;
  EXPECT_NE(
      label.find("另有 " + std::to_string(30 + 29 - kLegendPoints) + " 处"),
      std::string::npos)
      << label;
}

const std::set<std::string> kSurvivorTree = {
    "d0 -- d7", "d0 -- d1", "d1 -- d3", "d3 -- d6", "d4 -- d6", "d5 -- d6"};

TEST_F(TopologyTest, DrawsThePlanOrRouteOfTheSurvivors) {
  ScratchFolder scratch;
  const std::string file = scratch.file("campus.txt");
  std::ostringstream report;
  createGraph(&graph, report);
  saveGraphToFile(&graph, file.c_str(), report);
  struct Case {
    const char* tag;
    std::vector<std::string> options;
    std::string title;
    std::set<std::string> marked;  // edges drawn in the marked look
  } cases[] = {
      // Without DR-B, AR-D keeps only its direct line to SV.
      {"route",
       {"--route", "AR-D", "SV"},
       "故障后的剩余网络（故障：设备 DR-B）\\n最优路径：AR-D → SV\\n"
       "最短延迟：25ms\\n备用路由：无（没有不与最优路由共用链路的路由）",
       {"d5 -- d6"}},
      // The plan of the seven survivors, renumbered past DR-B and mapped
      // back: 2 + 5 + 3 + 2 + 3 + 25.
      {"kruskal",
       {"--plan", "kruskal"},
       "故障后的剩余网络（故障：设备 DR-B）\\n"
       "光纤骨干网布线方案（Kruskal算法）\\nMST总延迟：40ms",
       kSurvivorTree},
      {"prim",
       {"--plan", "prim"},
       "故障后的剩余网络（故障：设备 DR-B）\\n"
       "光纤骨干网布线方案（Prim算法）\\nMST总延迟：40ms",
       kSurvivorTree},
  };
  for (const Case& survivorCase : cases) {
    std::vector<std::string> options = survivorCase.options;
    options.insert(options.end(), {"--fail-device", "DR-B"});
    std::ostringstream dot;
    std::ostringstream errors;
    ASSERT_EQ(drawFile(file, options, dot, errors), kExitDone)
        << survivorCase.tag << errors.str();
    const std::string text = dot.str();
    EXPECT_NE(text.find("label=\"" + survivorCase.title + "\""),
              std::string::npos)
        << survivorCase.tag << text;
    std::set<std::string> marked;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      if (line.find(kMarkedLink) != std::string::npos) {
        marked.insert(line.substr(2, line.find(" [") - 2));
      }
    }
    EXPECT_EQ(marked, survivorCase.marked) << survivorCase.tag;
    // The failed device stays in the picture, dashed grey.
    EXPECT_NE(
        text.find("d2 [label=\"DR-B\\n生活区汇聚路由器，承载宿舍区网络流量\", "
                  "fillcolor=\"#fff2cc\", style=\"rounded,filled,dashed\""),
        std::string::npos)
        << survivorCase.tag;
  }
}

// A-B-C and D alone: --add-link draws exactly the file with the links
// added, ends named by code or by label; --suggest draws the file with its
// suggestions added, dashed green with their latencies, marked in GraphML.
TEST(DrawTrial, AddedLinksAndSuggestionsAreTheFileWithThemAdded) {
  ScratchFolder scratch;
  const std::string path = scratch.write(
      "path.txt", "4 2\nA a 1 x\nB b_c 1 x\nC c 1 x\nD d 1 x\nA B 3\nB C 4\n");
  const std::string edited =
      scratch.write("edited.txt",
                    "4 4\nA a 1 x\nB b_c 1 x\nC c 1 x\nD d 1 x\nA B 3\nB C 4\n"
                    "C D 2\nD A 7\n");
  const auto draw = [](const std::string& file,
                       const std::vector<std::string>& options, int* status) {
    std::ostringstream dot;
    std::ostringstream errors;
    *status = drawFile(file, options, dot, errors);
    return dot.str() + errors.str();
  };
  int status = 0;
  for (const std::vector<std::string>& highlight :
       std::vector<std::vector<std::string>>{
           {}, {"--risks"}, {"--route", "A", "D"}, {"--plan", "prim"}}) {
    std::vector<std::string> tried = highlight;
    tried.insert(tried.end(),
                 {"--add-link", "C", "D", "2", "--add-link", "d", "A", "7"});
    SCOPED_TRACE(highlight.empty() ? "plain" : highlight[0]);
    const std::string built = draw(edited, highlight, &status);
    EXPECT_EQ(status, kExitDone);
    EXPECT_EQ(draw(path, tried, &status), built);
    EXPECT_EQ(status, kExitDone);
  }
  // Refusals, all before anything is drawn. A and B share the label "same".
  const std::string twins =
      scratch.write("twins.txt", "3 0\nA same 1 x\nB same 1 x\nC c 1 x\n");
  const std::string twinCandidate = scratch.write("twin.txt", "same C 1\n");
  const struct {
    std::vector<std::string> options;
    const char* refusal;  // the first line of the errors
  } refusals[] = {
      {{"--add-link", "C", "Q", "2"}, "✘ 未找到设备：Q"},
      {{"--add-link", "C", "same", "2"},
       "✘ 设备名 same 不唯一，可能是：A（same）、B（same）"},
      {{"--add-link", "A", "C", "-1"},
       "✘ --add-link 的延迟须是不小于 0 的整数"},
      {{"--suggest", "links", "--candidates", twinCandidate},
       "✘ 设备名 same 不唯一，可能是：A（same）、B（same）"},
      {{"--candidates", twinCandidate}, "✘ --candidates 只用于 --suggest"},
      {{"--suggest", "bridges"}, "✘ --suggest 后须跟 links 或 devices"},
  };
  for (const auto& refused : refusals) {
    SCOPED_TRACE(refused.refusal);
    const std::string errors = draw(twins, refused.options, &status);
    EXPECT_EQ(errors.substr(0, errors.find('\n')), refused.refusal);
    EXPECT_EQ(status, kExitBadArguments);
  }

  // C-D and D-A close a ring through D, at 1 ms a pair without positions.
  const std::string suggested = draw(path, {"--suggest", "links"}, &status);
  EXPECT_EQ(status, kExitDone);
  EXPECT_NE(suggested.find("建议新增链路（绿色虚线）：2条，共2ms"),
            std::string::npos)
      << suggested;
  EXPECT_NE(suggested.find("图例：绿色虚线为建议新增的链路"),
            std::string::npos);
  std::smatch dashed;
  ASSERT_TRUE(std::regex_search(
      suggested, dashed,
      std::regex(R"(d\d -- d\d \[x?label=<[^\n]*#38761d">1ms<[^\n]*)"
                 R"(style=dashed, color="#38761d", penwidth=2\];)")))
      << suggested;
  // The plan takes the suggestion; the GraphML still marks it.
  const std::string graphml = scratch.file("suggested.graphml");
  EXPECT_EQ(
      draw(path, {"--suggest", "links", "--plan", "kruskal", "-o", graphml},
           &status),
      "");
  std::ifstream in(graphml);
  const std::string xml((std::istreambuf_iterator<char>(in)),
                        std::istreambuf_iterator<char>());
  EXPECT_NE(
      xml.find(
          R"(<key id="suggested_edge" for="edge" attr.name="suggested" attr.type="boolean"/>)"),
      std::string::npos);
  EXPECT_EQ(xml.find("suggested_node"), std::string::npos);
  const size_t last = xml.find("<edge id=\"e2\"");
  ASSERT_NE(last, std::string::npos);
  EXPECT_NE(xml.find("<data key=\"suggested_edge\">true</data>", last),
            std::string::npos);
  EXPECT_EQ(xml.find("<data key=\"suggested_edge\">true</data>"),
            xml.find("<data key=\"suggested_edge\">true</data>", last));

  // The title's line when nothing is needed, or nothing can be done; no
  // legend then.
  const std::string ring = scratch.write(
      "ring.txt", "3 3\nA a 1 x\nB b 1 x\nC c 1 x\nA B 1\nB C 1\nC A 1\n");
  for (const char* goal : {"links", "devices"}) {
    const std::string drawn = draw(ring, {"--suggest", goal}, &status);
    EXPECT_NE(
        drawn.find(R"(label="网络拓扑（共3台设备，3条链路）\n无需新增链路。")"),
        std::string::npos)
        << drawn;
    EXPECT_EQ(drawn.find("legend"), std::string::npos) << drawn;
  }
  const std::string two =
      scratch.write("two.txt", "2 1\nA a 1 x\nB b 1 x\nA B 1\n");
  EXPECT_NE(draw(two, {"--suggest", "devices"}, &status)
                .find("\\n设备不超过两台：无论增加哪条链路"),
            std::string::npos);

  // Every device placed by latitude and longitude: a suggestion costs the
  // latency the importer gives a link between the same two devices.
  const auto cities = [&](const char* name, const char* extraEdge) {
    return scratch.write(
        name,
        std::string(
            R"(<graphml><key id="y" for="node" attr.name="Latitude"/>)"
            R"(<key id="x" for="node" attr.name="Longitude"/><graph>)"
            R"(<node id="bj"><data key="y">39.9</data><data key="x">116.4</data></node>)"
            R"(<node id="sh"><data key="y">31.2</data><data key="x">121.5</data></node>)"
            R"(<node id="gz"><data key="y">23.1</data><data key="x">113.3</data></node>)"
            R"(<edge source="bj" target="sh"/><edge source="sh" target="gz"/>)") +
            extraEdge + "</graph></graphml>");
  };
  const std::string ring3 =
      draw(cities("ring.graphml", R"(<edge source="bj" target="gz"/>)"), {},
           &status);
  std::smatch built;
  ASSERT_TRUE(std::regex_search(ring3, built,
                                std::regex(R"(d0 -- d2 \[x?label="(\d+)ms")")))
      << ring3;
  const std::string path3 =
      draw(cities("path.graphml", ""), {"--suggest", "links"}, &status);
  EXPECT_NE(path3.find("共" + built[1].str() + "ms"), std::string::npos)
      << path3;

  // Candidates that leave a single point, and a file that is not there.
  const std::string few = scratch.write("few.txt", "C D 2\n");
  EXPECT_NE(draw(path, {"--suggest", "links", "--candidates", few}, &status)
                .find("⚠ 候选链路不足以消除全部单点故障"),
            std::string::npos);
  EXPECT_EQ(
      draw(path,
           {"--suggest", "links", "--candidates", scratch.file("none.txt")},
           &status)
          .find("✘ 无法读取候选链路文件"),
      0U);
  EXPECT_EQ(status, kExitBadArguments);
}

}  // namespace
