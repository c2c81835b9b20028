#include "graphml_format.h"

#include <charconv>

#include "device.h"

namespace {

constexpr char kReplacement[] = "\xef\xbf\xbd";  // U+FFFD

// The length of the UTF-8 sequence `lead` starts and the range its second
// byte must fall in (no overlong forms, no surrogates, nothing past
// U+10FFFF); 0 for a byte that starts none.
size_t sequenceOf(unsigned lead, unsigned* low, unsigned* high) {
  *low = 0x80;
  *high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (lead == 0xE0) *low = 0xA0;
    if (lead == 0xED) *high = 0x9F;
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (lead == 0xF0) *low = 0x90;
    if (lead == 0xF4) *high = 0x8F;
    return 4;
  }
  return 0;
}

// The length of the well-formed UTF-8 sequence of an XML character at
// text[at], or 0.
size_t characterLength(const std::string& text, size_t at) {
  const auto byte = [&](size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0U;
  };
  const unsigned lead = byte(at);
  if (lead < 0x80) {
    const bool allowed =
        lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r';
    return allowed ? 1 : 0;
  }
  unsigned low = 0;
  unsigned high = 0;
  const size_t length = sequenceOf(lead, &low, &high);
  if (length == 0 || byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((byte(at + i) & 0xC0U) != 0x80U) return 0;
  }
  // U+FFFE and U+FFFF are no XML characters either.
  if (lead == 0xEF && byte(at + 1) == 0xBF && byte(at + 2) >= 0xBE) return 0;
  return length;
}

void appendEscaped(std::string* xml, const std::string& text) {
  for (size_t at = 0; at < text.size();) {
    const size_t length = characterLength(text, at);
    if (length == 0) {
      xml->append(kReplacement);
      ++at;
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

void appendNumber(std::string* xml, long long value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  xml->append(digits, static_cast<size_t>(result.ptr - digits));
}

void appendData(std::string* xml, const char* key, const std::string& value) {
  xml->append("      <data key=\"").append(key).append("\">");
  appendEscaped(xml, value);
  xml->append("</data>\n");
}

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

void appendMarks(std::string* xml, const MarkKind (&kinds)[4], bool devices,
                 size_t index) {
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
  const MarkKind kinds[4] = {{"plan", &overlay.plan},
                             {"route", &overlay.route},
                             {"risk", &overlay.risk},
                             {"failed", &overlay.failed}};
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
