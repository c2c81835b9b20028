#include "graphml_format.h"

#include "decimal.h"
#include "device.h"
#include "utf8.h"

namespace {

// The length of the character at text[at] when XML can hold it, else 0:
// ill-formed UTF-8, control characters other than tab and line breaks,
// and U+FFFE and U+FFFF are none.
size_t xmlCharacterLength(const Utf8Character& character) {
  if (!character.valid) return 0;
  const char32_t point = character.point;
  if (point < 0x20 && point != '\t' && point != '\n' && point != '\r') {
    return 0;
  }
  return point == 0xFFFE || point == 0xFFFF ? 0 : character.length;
}

void appendEscaped(std::string* xml, const std::string& text) {
  for (size_t at = 0; at < text.size();) {
    const Utf8Character character = decodeUtf8(text, at);
    const size_t length = xmlCharacterLength(character);
    if (length == 0) {
      xml->append(kReplacementCharacter);  // one per bad character
      at += character.length;
      continue;
    }
    switch (text[at]) {
      case '&':
        xml->append("&amp;");
        break;
      case '<':
        xml->append("&lt;");
        break;
      case '>':
        xml->append("&gt;");
        break;
      case '"':
        xml->append("&quot;");
        break;
      default:
        xml->append(text, at, length);
    }
    at += length;
  }
}

void appendData(std::string* xml, const char* key, const std::string& value) {
  xml->append("      <data key=\"").append(key).append("\">");
  appendEscaped(xml, value);
  xml->append("</data>\n");
}

constexpr size_t kMarkKinds = 5;

struct MarkKind {
  const char* name;
  const GraphmlMarks* marks;
};

void appendKey(std::string* xml, const char* id, const char* domain,
               const char* name, const char* type) {
  xml->append("  <key id=\"").append(id).append("\" for=\"").append(domain);
  xml->append("\" attr.name=\"").append(name).append("\" attr.type=\"");
  xml->append(type).append("\"/>\n");
}

void appendMarks(std::string* xml, const MarkKind (&kinds)[kMarkKinds],
                 bool devices, size_t index) {
  for (const MarkKind& kind : kinds) {
    const std::vector<bool>& marks =
        devices ? kind.marks->devices : kind.marks->links;
    if (marks.empty()) continue;
    const bool marked = index < marks.size() && marks[index];
    xml->append("      <data key=\"").append(kind.name);
    xml->append(devices ? "_node" : "_edge").append("\">");
    xml->append(marked ? "true" : "false").append("</data>\n");
  }
}

}  // namespace

std::string formatGraphml(const Network& network,
                          const GraphmlOverlay& overlay) {
  const MarkKind kinds[kMarkKinds] = {{"plan", &overlay.plan},
                                      {"route", &overlay.route},
                                      {"risk", &overlay.risk},
                                      {"failed", &overlay.failed},
                                      {"suggested", &overlay.suggested}};
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\"\n"
      "    xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
      "    xsi:schemaLocation=\"http://graphml.graphdrawing.org/xmlns "
      "http://graphml.graphdrawing.org/xmlns/1.0/graphml.xsd\">\n";
  appendKey(&xml, "label", "node", "label", "string");
  appendKey(&xml, "description", "node", "description", "string");
  appendKey(&xml, "layer", "node", "layer", "string");
  appendKey(&xml, "ports", "node", "ports", "int");
  appendKey(&xml, "running_time", "node", "running_time", "string");
  appendKey(&xml, "latency", "edge", "latency", "int");
  for (const MarkKind& kind : kinds) {
    if (!kind.marks->devices.empty()) {
      appendKey(&xml, (std::string(kind.name) + "_node").c_str(), "node",
                kind.name, "boolean");
    }
    if (!kind.marks->links.empty()) {
      appendKey(&xml, (std::string(kind.name) + "_edge").c_str(), "edge",
                kind.name, "boolean");
    }
  }
  xml.append("  <graph id=\"topology\" edgedefault=\"undirected\">\n");
  for (size_t i = 0; i < network.devices.size(); ++i) {
    const Device& device = network.devices[i];
    xml.append("    <node id=\"n");
    appendNumber(&xml, static_cast<long long>(i));
    xml.append("\">\n");
    appendData(&xml, "label", device.code);
    appendData(&xml, "description", device.description);
    appendData(&xml, "layer", layerName(layerOf(device.code)));
    xml.append("      <data key=\"ports\">");
    appendNumber(&xml, device.ports);
    xml.append("</data>\n");
    appendData(&xml, "running_time", device.uptime);
    appendMarks(&xml, kinds, true, i);
    xml.append("    </node>\n");
  }
  for (size_t j = 0; j < network.links.size(); ++j) {
    const Link& link = network.links[j];
    xml.append("    <edge id=\"e");
    appendNumber(&xml, static_cast<long long>(j));
    xml.append("\" source=\"n");
    appendNumber(&xml, link.from);
    xml.append("\" target=\"n");
    appendNumber(&xml, link.to);
    xml.append("\">\n      <data key=\"latency\">");
    appendNumber(&xml, link.latency);
    xml.append("</data>\n");
    appendMarks(&xml, kinds, false, j);
    xml.append("    </edge>\n");
  }
  xml.append("  </graph>\n</graphml>\n");
  return xml;
}
