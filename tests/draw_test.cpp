#include "draw.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

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

struct DrawCase {
  const char* tag;
  Highlight highlight;
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
      {"plain", Highlight::kNone, "网络拓扑（共8台设备，10条链路）", {}},
      {"prim", Highlight::kPrimPlan,
       "光纤骨干网布线方案（Prim算法）\\nMST总延迟：26ms", kCampusTree},
      {"kruskal", Highlight::kKruskalPlan,
       "光纤骨干网布线方案（Kruskal算法）\\nMST总延迟：26ms", kCampusTree},
      {"route AR-D SV",
       Highlight::kRoute,
       "最优路径：AR-D → DR-B → DR-A → AR-T → SV\\n最短延迟：20ms",
       {"1", "2", "3", "5", "6", "1-2", "1-3", "2-5", "3-6"}},
  };
  ScratchFolder scratch;
  const std::string file = scratch.file("campus.txt");
  std::ostringstream report;
  createGraph(&graph, report);
  saveGraphToFile(&graph, file.c_str(), report);

  for (const DrawCase& drawCase : cases) {
    DrawRequest request;
    request.highlight = drawCase.highlight;
    request.routeFrom = "AR-D";
    request.routeTo = "SV";
    std::ostringstream dot;
    std::ostringstream errors;
    EXPECT_EQ(drawTopologyFile(file.c_str(), request, dot, errors),
              DrawOutcome::kDrawn)
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
  DrawRequest request;
  request.highlight = Highlight::kPrimPlan;
  std::ostringstream dot;
  std::ostringstream errors;
  ASSERT_EQ(drawTopologyFile(file.c_str(), request, dot, errors),
            DrawOutcome::kDrawn);
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

  request.highlight = Highlight::kRoute;
  request.routeFrom = "CR";
  request.routeTo = "Q";
  dot.str("");
  ASSERT_EQ(drawTopologyFile(file.c_str(), request, dot, errors),
            DrawOutcome::kDrawn);
  EXPECT_NE(dot.str().find("label=\"从 CR 到 Q 不可达（无连通路径）！\""),
            std::string::npos);
}

}  // namespace
