#include "draw_page.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <sstream>

#include "resilience_json.h"
#include "topology_file.h"

namespace {

// The template's places for the generated parts, each an HTML comment.
constexpr std::string_view kTitlePlace = "<!--topoplan:title-->";
constexpr std::string_view kDrawingPlace = "<!--topoplan:drawing-->";
constexpr std::string_view kDataPlace = "<!--topoplan:data-->";
constexpr std::string_view kEnginePlace = "<!--topoplan:engine-->";
constexpr std::string_view kScriptPlace = "<!--topoplan:script-->";

// The topology file's bytes go in as base64, so that the engine reads
// exactly what the file holds, whatever its encoding.
std::string base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t count = std::min<size_t>(3, bytes.size() - i);
    unsigned group = 0;
    for (size_t j = 0; j < 3; ++j) {
      group = group << 8U |
              (j < count ? static_cast<unsigned char>(bytes[i + j]) : 0U);
    }
    for (size_t j = 0; j < 4; ++j) {
      text += j <= count ? kDigits[group >> (18 - 6 * j) & 0x3FU] : '=';
    }
  }
  return text;
}

std::string escapedHtml(std::string_view text) {
  std::string result;
  for (const char c : text) {
    switch (c) {
      case '&':
        result += "&amp;";
        break;
      case '<':
        result += "&lt;";
        break;
      case '>':
        result += "&gt;";
        break;
      case '"':
        result += "&quot;";
        break;
      default:
        result += c;
    }
  }
  return result;
}

// JSON inside a <script> element holds no "<", ">" or "&": "</script>",
// "<!--" and "<script" in a code would end or derail the element, so
// they go as the \u escapes JSON gives every character, like U+2028 and
// U+2029, which older script parsers take as line breaks.
std::string scriptSafeJson(const nlohmann::json& value) {
  const std::string text =
      value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '<' || c == '>' || c == '&') {
      result += c == '<' ? "\\u003c" : c == '>' ? "\\u003e" : "\\u0026";
    } else if (text.compare(i, 3, "\xE2\x80\xA8") == 0 ||
               text.compare(i, 3, "\xE2\x80\xA9") == 0) {
      result += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
      i += 2;
    } else {
      result += c;
    }
  }
  return result;
}

nlohmann::json failedState(const FailureRequest& failures) {
  nlohmann::json links = nlohmann::json::array();
  for (const auto& [from, to] : failures.links) links.push_back({from, to});
  return {{"devices", failures.devices}, {"links", links}};
}

// What the page opens with; a plan or a route keeps the failures it is
// computed under.
nlohmann::json initialState(const DrawRequest& request) {
  nlohmann::json state = nlohmann::json::object();
  switch (request.highlight) {
    case Highlight::kPrimPlan:
      state = {{"plan", "prim"}};
      break;
    case Highlight::kKruskalPlan:
      state = {{"plan", "kruskal"}};
      break;
    case Highlight::kRoute:
      state = {{"route", {request.routeFrom, request.routeTo}}};
      break;
    case Highlight::kRisks:
      return {{"risks", true}};
    case Highlight::kScenario:
    case Highlight::kNone:
      break;
  }
  if (!request.failures.devices.empty() || !request.failures.links.empty()) {
    state["failed"] = failedState(request.failures);
  }
  return state;
}

// dot's SVG starts with an XML declaration and a document type, which
// have no place inside HTML.
std::string_view svgElement(std::string_view svg) {
  const size_t start = svg.find("<svg");
  return start == std::string_view::npos ? svg : svg.substr(start);
}

// Replaces the first `place` at or after *from and moves *from past what
// went in, so that nothing put in is searched again.
void fillPlace(std::string* text, size_t* from, std::string_view place,
               std::string_view content) {
  const size_t at = text->find(place, *from);
  if (at == std::string::npos) return;
  text->replace(at, place.size(), content);
  *from = at + content.size();
}

// The data attributes of the element whose id is `id`: a device's code,
// or a link's two ends and latency; "" for any other element.
std::string dataAttributes(std::string_view id,
                           const std::vector<std::string>& codes,
                           const std::vector<Link>& links) {
  for (const std::string_view kind : {"device", "link"}) {
    if (id.substr(0, kind.size()) != kind) continue;
    const std::string_view digits = id.substr(kind.size());
    size_t index = 0;
    const auto [end, problem] =
        std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (digits.empty() || problem != std::errc() ||
        end != digits.data() + digits.size()) {
      return "";
    }
    const auto attribute = [](const char* name, const std::string& value) {
      return std::string(" data-") + name + "=\"" + escapedHtml(value) + '"';
    };
    if (kind == "device") {
      return index < codes.size() ? attribute("code", codes[index]) : "";
    }
    if (index >= links.size()) return "";
    const Link& link = links[index];
    return attribute("from", codes[link.from]) +
           attribute("to", codes[link.to]) +
           attribute("latency", std::to_string(link.latency));
  }
  return "";
}

}  // namespace

std::string withDataAttributes(std::string_view svg,
                               const std::vector<std::string>& codes,
                               const std::vector<Link>& links) {
  static constexpr std::string_view kOpening = "<g id=\"";
  std::string result;
  result.reserve(svg.size() + svg.size() / 8);
  size_t from = 0;
  for (size_t at = svg.find(kOpening); at != std::string_view::npos;
       at = svg.find(kOpening, from)) {
    const size_t idStart = at + kOpening.size();
    const size_t idEnd = svg.find('"', idStart);
    if (idEnd == std::string_view::npos) break;
    result.append(svg.substr(from, idEnd + 1 - from));
    result +=
        dataAttributes(svg.substr(idStart, idEnd - idStart), codes, links);
    from = idEnd + 1;
  }
  result.append(svg.substr(from));
  return result;
}

bool pageEngineBuilt() { return !pageAssets().engine.empty(); }

bool writeTopologyPage(std::string_view svg, std::string_view topologyText,
                       const std::string& title, const DrawRequest& initial,
                       std::string* html, std::ostream& errors) {
  const PageAssets assets = pageAssets();
  if (assets.engine.empty()) {
    errors << kNoPageEngine << '\n';
    return false;
  }
  // The drawing was made from these bytes, so they load; the parse only
  // recovers the codes and the saved link order the ids stand for.
  Network network;
  std::istringstream file{std::string(topologyText)};
  parseTopology(file, &network);
  const std::string drawing = withDataAttributes(
      svgElement(svg), deviceCodes(network), savedLinks(network));
  const nlohmann::json data = {{"topology", base64(topologyText)},
                               {"initial", initialState(initial)},
                               {"node_ids", initial.nodeIds}};
  // The places stand in the template in this order.
  std::string page(assets.pageTemplate);
  size_t from = 0;
  fillPlace(&page, &from, kTitlePlace, escapedHtml(title));
  fillPlace(&page, &from, kDrawingPlace, drawing);
  fillPlace(&page, &from, kDataPlace, scriptSafeJson(data));
  fillPlace(&page, &from, kEnginePlace, assets.engine);
  fillPlace(&page, &from, kScriptPlace, assets.script);
  *html = std::move(page);
  return true;
}
