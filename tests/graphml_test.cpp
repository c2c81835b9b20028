// The GraphML reader's rules (codes, fields, latencies, positions,
// refusals, hostile XML) and the writer's round trip through it.
#include "graphml.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "graphml_format.h"
#include "input_format.h"
#include "topology_file.h"

namespace {

// A GraphML document with the keys the tests use around `body`, the
// content of its one graph.
std::string document(const std::string& body,
                     const std::string& graphAttributes = "",
                     const std::string& moreKeys = "") {
  return "<?xml version=\"1.0\"?>\n"
         "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\" "
         "xmlns:y=\"http://www.yworks.com/xml/graphml\">\n"
         "<key id=\"l\" for=\"node\" attr.name=\"label\"/>\n"
         "<key id=\"la\" for=\"node\" attr.name=\"Latitude\"/>\n"
         "<key id=\"lo\" for=\"node\" attr.name=\"Longitude\"/>\n"
         "<key id=\"g\" for=\"node\" yfiles.type=\"nodegraphics\"/>\n"
         "<key id=\"ms\" for=\"edge\" attr.name=\"delay\">"
         "<default>4</default></key>\n"
         "<key id=\"w\" for=\"edge\" attr.name=\"weight\"/>\n" +
         moreKeys + "<graph" + graphAttributes + ">\n" + body +
         "</graph>\n</graphml>\n";
}

GraphmlOutcome parse(const std::string& text, GraphmlOptions options = {}) {
  return parseGraphml(text.data(), text.size(), options);
}

std::string topologyOf(const std::string& text, GraphmlOptions options = {}) {
  const GraphmlOutcome outcome = parse(text, options);
  EXPECT_TRUE(outcome.read()) << describeGraphmlRefusal(outcome, "x");
  return formatTopology(outcome.network, LinkOrder::kAdded);
}

std::string labelled(const std::string& id, const std::string& label) {
  return "<node id=\"" + id + "\"><data key=\"l\">" + label +
         "</data></node>\n";
}

std::string yedNode(const std::string& id, const std::string& label,
                    const std::string& x, const std::string& y) {
  return "<node id=\"" + id +
         "\"><data key=\"g\"><y:ShapeNode><y:Geometry height=\"30\" "
         "width=\"30\" x=\"" +
         x + "\" y=\"" + y + "\"/><y:NodeLabel>" + label +
         "<y:LabelModel/></y:NodeLabel></y:ShapeNode></data></node>\n";
}

std::string placed(const std::string& id, const std::string& latitude,
                   const std::string& longitude) {
  return "<node id=\"" + id + "\"><data key=\"la\">" + latitude +
         "</data><data key=\"lo\">" + longitude + "</data></node>\n";
}

std::string edge(const std::string& from, const std::string& to,
                 const std::string& data = "") {
  return "<edge source=\"" + from + "\" target=\"" + to + "\">" + data +
         "</edge>\n";
}

std::vector<std::string> codesOf(const GraphmlOutcome& outcome) {
  std::vector<std::string> codes;
  for (const Device& device : outcome.network.devices)
    codes.push_back(device.code);
  return codes;
}

TEST(GraphmlCodes, FollowTheRules) {
  const std::string nineteen = "ABCDEFGHIJKLMNOPQRS";
  const struct {
    const char* what;
    std::string body;
    std::vector<std::string> codes;
    int changed;
  } cases[] = {
      {"label data",
       labelled("a", "Boston") + labelled("b", "NYC"),
       {"Boston", "NYC"},
       0},
      {"yEd label", yedNode("a", "Paris", "0", "0"), {"Paris"}, 0},
      {"label data before yEd's",
       "<node id=\"a\"><data key=\"l\">Lyon</data><data key=\"g\">"
       "<y:NodeLabel>Paris</y:NodeLabel></data></node>",
       {"Lyon"},
       0},
      {"id", "<node id=\"n7\"/>", {"n7"}, 0},
      {"blank label: the id", labelled("n1", " \t "), {"n1"}, 0},
      {"blank runs",
       labelled("a", "  New \t York\n City "),
       {"New-York-City"},
       1},
      {"controls split, Unicode spaces stay as the topology file keeps them",
       labelled("a",
                "A&#1;B\xe3\x80\x80"
                "C\xc2\xa0"
                "D\xc2\x85"
                "E"),
       {"A-B\xe3\x80\x80"
        "C\xc2\xa0"
        "D-E"},
       1},
      {"19 bytes kept", labelled("a", nineteen), {nineteen}, 0},
      {"20 bytes cut", labelled("a", nineteen + "T"), {nineteen}, 1},
      // 7 characters of 3 bytes: the seventh would end at byte 21.
      {"cut at a character",
       labelled("a",
                "\xe5\x8c\x97\xe4\xba\xac\xe4\xb8\x8a\xe6\xb5\xb7"
                "\xe5\xb9\xbf\xe5\xb7\x9e\xe6\xb7\xb1"),
       {"\xe5\x8c\x97\xe4\xba\xac\xe4\xb8\x8a\xe6\xb5\xb7\xe5\xb9\xbf\xe5\xb7"
        "\x9e"},
       1},
      {"suffixes",
       labelled("a", "X") + labelled("b", "X") + labelled("c", "X"),
       {"X", "X-2", "X-3"},
       2},
      {"a unique code is never taken",
       labelled("a", "X") + labelled("b", "X") + labelled("c", "X-2"),
       {"X", "X-3", "X-2"},
       1},
      {"a suffix fits",
       labelled("a", nineteen) + labelled("b", nineteen),
       {nineteen, "ABCDEFGHIJKLMNOPQ-2"},
       1},
      {"cleaned codes collide",
       labelled("a", "A B") + labelled("b", "A-B"),
       {"A-B", "A-B-2"},
       2},
      {"a cut keeps the label's number",
       labelled("a", "Townsville,+Australia4282") +
           labelled("b", "Perth,+Australia4167") +
           labelled("c", "Perth,+Australia4168"),
       {"Townsville,+Au~4282", "Perth,+Austral~4167", "Perth,+Austral~4168"},
       3},
      {"the start cut at a character before the number",
       labelled("a",
                "\xe5\x8c\x97\xe4\xba\xac\xe4\xb8\x8a\xe6\xb5\xb7"
                "\xe5\xb9\xbf\xe5\xb7\x9e"
                "1234"),
       {"\xe5\x8c\x97\xe4\xba\xac\xe4\xb8\x8a\xe6\xb5\xb7~1234"},
       1},
      {"at most ten digits kept",
       labelled("a", "A" + nineteen + "123456789012"),
       {"AABCDEFG~3456789012"},
       1},
      {"equal cut codes still made unique",
       labelled("a", nineteen + "7") + labelled("b", nineteen + "7"),
       {"ABCDEFGHIJKLMNOPQ~7", "ABCDEFGHIJKLMNOPQ-2"},
       2},
  };
  for (const auto& c : cases) {
    const GraphmlOutcome outcome = parse(document(c.body));
    ASSERT_TRUE(outcome.read()) << c.what;
    EXPECT_EQ(codesOf(outcome), c.codes) << c.what;
    EXPECT_EQ(outcome.statistics.codesChanged, c.changed) << c.what;
  }
}

// Codes that share their start but differ at the end, each twice: the
// suffixes of all of them cut into the same bytes.
TEST(GraphmlCodes, UniqueWhenManyShareTheirStart) {
  std::string body;
  const int groups = 2000;
  for (int i = 0; i < 2 * groups; ++i) {
    const int group = i % groups;
    std::string tail;
    tail += static_cast<char>('a' + group % 26);
    tail += static_cast<char>('a' + group / 26 % 26);
    tail += static_cast<char>('a' + group / 676);
    body += labelled("n" + std::to_string(i), "ABCDEFGHIJKLMNOP" + tail);
  }
  const GraphmlOutcome outcome = parse(document(body));
  ASSERT_TRUE(outcome.read());
  std::vector<std::string> codes = codesOf(outcome);
  for (const std::string& code : codes) EXPECT_LE(code.size(), 19U) << code;
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(std::adjacent_find(codes.begin(), codes.end()), codes.end());
  EXPECT_EQ(outcome.statistics.codesChanged, groups);
  ASSERT_EQ(outcome.statistics.codeChanges.size(), kListedCodeChanges);
  EXPECT_EQ(outcome.statistics.codeChanges[0].label, "ABCDEFGHIJKLMNOPaaa");
}

TEST(GraphmlDevices, FieldsAndPorts) {
  // a ── b, a self-link on b (two ports), c alone (still one port).
  const std::string body = labelled("a", "New  York") + labelled("b", "B") +
                           "<node id=\"c\"/>" + edge("a", "b") + edge("b", "b");
  EXPECT_EQ(topologyOf(document(body)),
            "3 2\n"
            "New-York New_York 1 未知\n"
            "B B 3 未知\n"
            "c c 1 未知\n"
            "New-York B 1\n"
            "B B 1\n");
  // A blank description (yEd keeps one) gives way to the name.
  EXPECT_EQ(topologyOf(document(
                "<node id=\"a\"><data key=\"d\"> </data></node>"
                "<node id=\"b\"><data key=\"d\">x y</data></node>",
                "", "<key id=\"d\" for=\"node\" attr.name=\"description\"/>")),
            "2 0\na a 1 未知\nb x_y 1 未知\n");
  const std::string longName(120, 'd');
  const GraphmlOutcome outcome = parse(document(labelled("a", longName)));
  ASSERT_TRUE(outcome.read());
  EXPECT_EQ(outcome.network.devices[0].description, longName.substr(0, 99));
}

TEST(GraphmlLinks, KeepOrderParallelLinksAndSelfLinks) {
  const std::string body = labelled("a", "A") + labelled("b", "B") +
                           labelled("c", "C") + labelled("d", "D") +
                           edge("c", "a") + edge("a", "c") + edge("b", "b") +
                           edge("c", "b");
  const GraphmlOutcome outcome =
      parse(document(body, " edgedefault=\"directed\""));
  ASSERT_TRUE(outcome.read());
  const std::vector<std::pair<int, int>> want = {
      {0, 2}, {0, 2}, {1, 1}, {1, 2}};
  ASSERT_EQ(outcome.network.links.size(), want.size());
  for (size_t j = 0; j < want.size(); ++j) {
    EXPECT_EQ(outcome.network.links[j].from, want[j].first) << j;
    EXPECT_EQ(outcome.network.links[j].to, want[j].second) << j;
  }
  EXPECT_TRUE(outcome.statistics.directed);
  EXPECT_FALSE(parse(document(body)).statistics.directed);
  EXPECT_TRUE(
      parse(document(labelled("a", "A") + labelled("b", "B") +
                     "<edge source=\"a\" target=\"b\" directed=\"true\"/>"))
          .statistics.directed);
}

TEST(GraphmlLatency, EachRule) {
  // On the equator, 1 degree is 111.2 km and 20 degrees 2223.9 km.
  const std::string twoPlaces = placed("a", "0", "0") + placed("b", "0", "20");
  const std::string near = placed("a", "0", "0") + placed("b", "0", "1");
  const std::string plain = labelled("a", "A") + labelled("b", "B");
  const struct {
    const char* what;
    std::string body;
    std::string key;
    int defaultLatency;
    int latency;
    int fromKey, fromCoordinates, fromDefault;
  } cases[] = {
      {"key rounded up", plain + edge("a", "b", "<data key=\"w\">2.1</data>"),
       "weight", 1, 3, 1, 0, 0},
      {"key by id", plain + edge("a", "b", "<data key=\"w\">7</data>"), "w", 1,
       7, 1, 0, 0},
      {"key zero", plain + edge("a", "b", "<data key=\"w\"> 0 </data>"),
       "weight", 1, 0, 1, 0, 0},
      {"key's default", plain + edge("a", "b"), "delay", 1, 4, 1, 0, 0},
      {"key below a double",
       plain + edge("a", "b", "<data key=\"w\">1e-400</data>"), "weight", 1, 1,
       1, 0, 0},
      {"key below a double, in digits",
       plain +
           edge("a", "b",
                "<data key=\"w\">0.000" + std::string(400, '0') + "7</data>"),
       "weight", 1, 1, 1, 0, 0},
      {"key below a double, digits before the point",
       plain + edge("a", "b", "<data key=\"w\">12345.5e-330</data>"), "weight",
       1, 1, 1, 0, 0},
      {"key negative, kept",
       plain + edge("a", "b", "<data key=\"w\">-2.5</data>"), "weight", 1, -2,
       1, 0, 0},
      {"key before coordinates",
       twoPlaces + edge("a", "b", "<data key=\"w\">5</data>"), "weight", 1, 5,
       1, 0, 0},
      {"great circle", twoPlaces + edge("a", "b"), "", 1, 12, 0, 1, 0},
      {"great circle, no key data", twoPlaces + edge("a", "b"), "weight", 1, 12,
       0, 1, 0},
      {"great circle at least 1",
       placed("a", "10", "10") + placed("b", "10", "10") + edge("a", "b"), "",
       1, 1, 0, 1, 0},
      {"great circle of 111 km", near + edge("a", "b"), "", 9, 1, 0, 1, 0},
      {"an end without a place",
       placed("a", "0", "0") + labelled("b", "B") + edge("a", "b"), "", 9, 9, 0,
       0, 1},
      {"a latitude out of range",
       placed("a", "91", "0") + placed("b", "0", "0") + edge("a", "b"), "", 6,
       6, 0, 0, 1},
      {"default", plain + edge("a", "b"), "", 1, 1, 0, 0, 1},
  };
  for (const auto& c : cases) {
    GraphmlOptions options;
    options.latencyKey = c.key;
    options.defaultLatency = c.defaultLatency;
    const GraphmlOutcome outcome = parse(document(c.body), options);
    ASSERT_TRUE(outcome.read())
        << c.what << describeGraphmlRefusal(outcome, "x");
    EXPECT_EQ(outcome.network.links.at(0).latency, c.latency) << c.what;
    EXPECT_EQ(outcome.statistics.latenciesFromKey, c.fromKey) << c.what;
    EXPECT_EQ(outcome.statistics.latenciesFromCoordinates, c.fromCoordinates)
        << c.what;
    EXPECT_EQ(outcome.statistics.latenciesFromDefault, c.fromDefault) << c.what;
  }
}

TEST(GraphmlPositions, DrawingBeforeMap) {
  GraphmlOutcome outcome =
      parse(document(yedNode("a", "A", "10.5", "-3") + placed("b", "1", "2")));
  ASSERT_TRUE(outcome.read());
  EXPECT_EQ(outcome.positionKind, PositionKind::kDrawing);
  EXPECT_TRUE(outcome.positions[0].known);
  EXPECT_EQ(outcome.positions[0].x, 10.5);
  EXPECT_EQ(outcome.positions[0].y, -3);
  EXPECT_FALSE(outcome.positions[1].known);

  // Gephi's y axis points up.
  outcome = parse(document(
      "<node id=\"a\"><data key=\"x\">4</data><data key=\"y\">5</data></node>" +
          placed("b", "1", "2"),
      "",
      "<key id=\"x\" for=\"node\" attr.name=\"x\"/><key id=\"y\" "
      "for=\"node\" attr.name=\"y\"/>"));
  ASSERT_TRUE(outcome.read());
  EXPECT_EQ(outcome.positionKind, PositionKind::kDrawing);
  EXPECT_EQ(outcome.positions[0].x, 4);
  EXPECT_EQ(outcome.positions[0].y, -5);

  outcome = parse(document(placed("a", "1", "2") + labelled("b", "B")));
  ASSERT_TRUE(outcome.read());
  EXPECT_EQ(outcome.positionKind, PositionKind::kGeographic);
  EXPECT_EQ(outcome.positions[0].x, 2);  // longitude
  EXPECT_EQ(outcome.positions[0].y, 1);
  EXPECT_FALSE(outcome.positions[1].known);
  EXPECT_EQ(parse(document(labelled("a", "A"))).positionKind,
            PositionKind::kNone);
}

TEST(GraphmlNesting, NodesOfNestedGraphsInDocumentOrder) {
  const std::string body = "<node id=\"g\"><graph id=\"inner\">" +
                           labelled("g::a", "A") + edge("g::a", "b") +
                           "</graph></node>" + labelled("b", "B");
  EXPECT_EQ(topologyOf(document(body)),
            "3 1\ng g 1 未知\nA A 1 未知\nB B 1 未知\nA B 1\n");
}

TEST(GraphmlRefusals, SayWhatIsWrong) {
  const std::string two = labelled("a", "A") + labelled("b", "B");
  const std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
      "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
      "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">]>"
      "<graphml><graph><node id=\"&lol3;\"/></graph></graphml>";
  const std::string external =
      "<?xml version=\"1.0\"?><!DOCTYPE g [<!ENTITY x SYSTEM "
      "\"file:///etc/passwd\">]><graphml><graph><node id=\"&x;\"/></graph>"
      "</graphml>";
  const struct {
    const char* what;
    std::string text;
    std::string latencyKey;
    GraphmlProblem problem;
    std::string message;
  } cases[] = {
      {"empty", "", "", GraphmlProblem::kNotXml, "不是合法的 XML（第1行"},
      {"topology file", "1 0\nA a 1 b\n", "", GraphmlProblem::kNotXml, "XML"},
      {"broken XML", "<graphml>\n<graph>\n</graphml>", "",
       GraphmlProblem::kNotXml, "第3行"},
      {"null reference", document("\n" + labelled("a", "AB&#x00;CD")), "",
       GraphmlProblem::kNotXml, "第11行：字符引用 &#0;"},
      {"billion laughs", laughs, "", GraphmlProblem::kDtd, "DOCTYPE"},
      {"external entity", external, "", GraphmlProblem::kDtd, "DOCTYPE"},
      {"other encoding",
       "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><graphml/>", "",
       GraphmlProblem::kEncoding, "声明的编码 Shift_JIS 不受支持"},
      {"other XML", "<svg/>", "", GraphmlProblem::kNotGraphml,
       "根元素是 <svg>"},
      {"no graph", "<graphml><key id=\"k\"/></graphml>", "",
       GraphmlProblem::kNoGraph, "没有 <graph>"},
      {"no node", document(""), "", GraphmlProblem::kNoNodes, "没有节点"},
      {"node without id", document(labelled("a", "A") + "<node/>"), "",
       GraphmlProblem::kNodeWithoutId, "第2个节点没有 id"},
      {"repeated id", document(labelled("a", "A") + labelled("a", "B")), "",
       GraphmlProblem::kDuplicateNodeId, "节点 id a 重复"},
      {"edge without target", document(two + "<edge source=\"a\"/>"), "",
       GraphmlProblem::kEdgeWithoutEnds, "第1条边（a → ）缺少"},
      {"unknown node",
       document(two + labelled("c", "C") + edge("a", "b") + edge("b", "zz")),
       "", GraphmlProblem::kUnknownNode, "第2条边（b → zz）中存在未知节点 zz"},
      {"unknown key", document(two), "speed",
       GraphmlProblem::kUnknownLatencyKey, "没有名为 speed 的边属性"},
      {"text latency at its edge",
       document(two + edge("a", "b", "<data key=\"w\">-1x</data>")), "weight",
       GraphmlProblem::kBadLatency, "第1条边（a → b）的延迟“-1x”不是数"},
      {"text latency",
       document(two + edge("a", "b", "<data key=\"w\">fast</data>")), "weight",
       GraphmlProblem::kBadLatency, "“fast”"},
      {"not a number",
       document(two + edge("a", "b", "<data key=\"w\">nan</data>")), "weight",
       GraphmlProblem::kBadLatency, "“nan”"},
      {"huge latency",
       document(two + edge("a", "b", "<data key=\"w\">3e9</data>")), "weight",
       GraphmlProblem::kHugeLatency, "超出延迟的上限"},
      {"past a double",
       document(two + edge("a", "b", "<data key=\"w\">-1e400</data>")),
       "weight", GraphmlProblem::kHugeLatency, "“-1e400”超出延迟的上限"},
      {"past a double, a fraction with a large exponent",
       document(two + edge("a", "b", "<data key=\"w\">0.0001e+312</data>")),
       "weight", GraphmlProblem::kHugeLatency, "超出延迟的上限"},
      {"too many links", document(two + edge("a", "b") + edge("b", "a")), "",
       GraphmlProblem::kTooManyLinks, "2台设备至多有1条链路，文件中有2条"},
      {"self-link of one device", document(labelled("a", "A") + edge("a", "a")),
       "", GraphmlProblem::kTooManyLinks, "1台设备至多有0条链路"},
  };
  for (const auto& c : cases) {
    GraphmlOptions options;
    options.latencyKey = c.latencyKey;
    const GraphmlOutcome outcome = parse(c.text, options);
    EXPECT_EQ(outcome.problem, c.problem) << c.what;
    const std::string message = describeGraphmlRefusal(outcome, "in.graphml");
    EXPECT_NE(message.find(c.message), std::string::npos) << c.what << message;
    EXPECT_EQ(message.rfind("✘ ", 0), 0u) << c.what;
  }
}

// A refusal quotes the file's text as a terminal may show it: controls
// and bytes that are not UTF-8 escaped, every valid character kept.
TEST(GraphmlRefusals, QuoteTextAsATerminalMayShowIt) {
  const struct {
    std::string id;
    std::string shown;
  } cases[] = {
      {"\x1b]0;t\x07", "\\x1B]0;t\\x07"},
      {"a\tb\x7f", "a\\x09b\\x7F"},
      {"\xc2\x9b"
       "2J\xc2\xa0",
       "\\u009B2J\xc2\xa0"},
      {"\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80",
       "\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80"},
      {"\xe0\x80\xaf", "\\xE0\\x80\\xAF"},           // overlong
      {"\xed\xa0\x80", "\\xED\\xA0\\x80"},           // a surrogate
      {"\xf4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},  // past U+10FFFF
      {"\xe4\xb8", "\\xE4\\xB8"},                    // cut short
  };
  for (const auto& c : cases) {
    GraphmlOutcome outcome;
    outcome.problem = GraphmlProblem::kDuplicateNodeId;
    outcome.name = c.id;
    EXPECT_EQ(describeGraphmlRefusal(outcome, "in\n.graphml"),
              "✘ GraphML 数据错误：节点 id " + c.shown + " 重复！\n")
        << c.shown;
  }
  GraphmlOutcome missing;
  missing.problem = GraphmlProblem::kSpecialFile;
  EXPECT_EQ(describeGraphmlRefusal(missing, "in\n.graphml")
                .rfind("✘ 文件 in\\x0A.graphml ", 0),
            0u);
}

TEST(GraphmlHostile, DoctypeWithoutDeclarationsIsRead) {
  const std::string text =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE graphml SYSTEM "
      "\"http://graphml.graphdrawing.org/dtds/graphml.dtd\">\n"
      "<graphml><graph><node id=\"a&amp;b\"/><node id=\"&undefined;\"/>"
      "</graph></graphml>";
  EXPECT_EQ(topologyOf(text),
            "2 0\na&b a&b 1 未知\n&undefined; &undefined; 1 未知\n");
}

// A long shared default is read once, and a text past the reader's limit
// gives the fields the whole text gives; a number that long is refused.
TEST(GraphmlHostile, LongTextsGiveTheFieldsOfTheWholeText) {
  const std::string label =
      std::string(50000, ' ') + "core \t router " + std::string(50000, 'x');
  std::string text =
      "<graphml><key id=\"l\" for=\"node\" attr.name=\"LABEL\"><default>" +
      label + "</default></key><key id=\"k\" attr.name=\"Latency\"/><graph>";
  for (int i = 0; i < 1000; ++i) {
    text += "<node id=\"n" + std::to_string(i) + "\"/>";
  }
  const GraphmlOutcome outcome = parse(text + "</graph></graphml>");
  ASSERT_TRUE(outcome.read());
  const std::vector<Device>& devices = outcome.network.devices;
  EXPECT_EQ(devices[0].code, "core-router-xxxxxxx");
  EXPECT_EQ(devices[0].description, "core_router_" + std::string(87, 'x'));
  EXPECT_EQ(outcome.statistics.codesChanged, 1000);

  const std::string digits = "<data key=\"k\">1" + std::string(2000, '0');
  const GraphmlOutcome number = parse(
      "<graphml><key id=\"k\" attr.name=\"latency\"/><graph><node id=\"a\"/>"
      "<node id=\"b\"/><edge source=\"a\" target=\"b\">" +
      digits + "</data></edge></graph></graphml>");
  EXPECT_EQ(number.problem, GraphmlProblem::kBadLatency);
  EXPECT_LE(number.detail.size(), 1100u);
}

TEST(GraphmlSniff, RecognisesXmlByItsFirstCharacter) {
  const struct {
    std::string head;
    bool graphml;
  } cases[] = {
      {"<?xml version", true},
      {"\xef\xbb\xbf \n<graphml", true},
      {"\xff\xfe<\0", true},
      {"8 10\nCR", false},
      {"", false},
      {"  \n", false},
      {"\xef\xbb\xbf"
       "8 10",
       false},
      {"\v\f<graphml", true},
      {"\xef\xbb", false},  // a mark cut short decides nothing yet
      {std::string(70000, ' ') + "<", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sniffInputFormat(c.head) == InputFormat::kGraphml, c.graphml)
        << c.head;
  }
}

// --- The round trip -----------------------------------------------------

Network campus() {
  Network network;
  network.devices = {
      {"CR", "校园网核心路由器，连接互联网出口", 4, "24h运行"},
      {"DR-A", "教学区汇聚路由器", 4, "24h运行"},
      {"AR-T", "教学楼接入路由器", 8, "6:00-22:00运行"},
      {"SV", "数据中心服务器集群", 12, "24h运行"},
      {"FW", "-", 0, "a<b&c\"d>"},
  };
  network.links = {{0, 4, 2}, {0, 1, 5}, {1, 2, 3},
                   {2, 3, 2}, {2, 3, 9}, {3, 3, 1}};
  return network;
}

TEST(GraphmlRoundTrip, GivesTheSameTopologyFile) {
  GraphmlOverlay overlay;
  overlay.plan.links = {true, true, true, false};
  overlay.route.devices = {false, true, true};
  overlay.failed.devices = {false, false, false, false, true};
  overlay.failed.links = {true};
  const Network network = campus();
  const std::string xml = formatGraphml(network, overlay);
  const GraphmlOutcome back = parse(xml);
  ASSERT_TRUE(back.read()) << describeGraphmlRefusal(back, "x");
  EXPECT_EQ(formatTopology(back.network), formatTopology(network));
  EXPECT_EQ(back.statistics.latenciesFromKey, network.linkCount());
  EXPECT_EQ(back.statistics.codesChanged, 0);
  EXPECT_NE(xml.find("<data key=\"layer\">核心层"), std::string::npos);
  EXPECT_NE(xml.find("<data key=\"failed_node\">true</data>"),
            std::string::npos);
  EXPECT_EQ(xml.find("risk"), std::string::npos);

  // Generated networks of any size: parallel links, self-links, odd text
  // (spaces that are not ASCII, U+00A0, U+2028, U+3000, kept as they are),
  // negative latencies.
  std::mt19937 random(18);
  const std::string spaces[] = {"", "\xc2\xa0", "\xe2\x80\xa8", "\xe3\x80\x80"};
  for (int round = 0; round < 50; ++round) {
    Network generated;
    const int n = 1 + static_cast<int>(random() % 120);
    for (int i = 0; i < n; ++i) {
      const std::string& space = spaces[random() % 4];
      generated.devices.push_back(
          {"D" + std::to_string(i) + space + "&<>\"'",
           i % 5 == 0 && !space.empty()
               ? space + space
               : "描述" + space + std::to_string(random() % 7),
           static_cast<int>(random() % 50) - 5, "up" + space});
    }
    const int m = static_cast<int>(random() % static_cast<unsigned>(n * 2));
    for (int j = 0; j < m && j <= n * (n - 1) / 2 - 1; ++j) {
      const int a = static_cast<int>(random() % static_cast<unsigned>(n));
      const int b = static_cast<int>(random() % static_cast<unsigned>(n));
      generated.links.push_back({std::min(a, b), std::max(a, b),
                                 static_cast<int>(random() % 40000) - 100});
    }
    const GraphmlOutcome read = parse(formatGraphml(generated, {}));
    ASSERT_TRUE(read.read()) << round;
    EXPECT_EQ(formatTopology(read.network), formatTopology(generated)) << round;
  }
}

// One U+FFFD per character XML cannot hold, so that the code read back is
// as long as the code written.
TEST(GraphmlFormat, WritesWhatXmlCanHold) {
  const std::string kMark = "\xef\xbf\xbd";
  const struct {
    std::string code;
    std::string written;
  } cases[] = {
      {"A\x01"
       "B",
       "A" + kMark + "B"},
      {"a\xef\xbf\xbe", "a" + kMark},                  // U+FFFE
      {"a\xef\xbf\xbf", "a" + kMark},                  // U+FFFF
      {"a\xe4\xb8", "a" + kMark},                      // cut short
      {"a\xe0\x80\xaf", "a" + kMark + kMark + kMark},  // overlong: 3 bad
      {"a\xed\xa0\x80", "a" + kMark + kMark + kMark},  // a surrogate
      {"\xe4\xb8\xad", "\xe4\xb8\xad"},
  };
  for (const auto& c : cases) {
    Network network;
    network.devices = {{c.code, "\xff", 1, "x"}};
    const GraphmlOutcome read = parse(formatGraphml(network, {}));
    ASSERT_TRUE(read.read()) << c.code;
    EXPECT_EQ(read.network.devices[0].code, c.written) << c.code;
  }
}

}  // namespace
