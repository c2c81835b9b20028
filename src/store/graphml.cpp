#include "graphml.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <pugixml.hpp>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "file_input.h"
#include "record_limits.h"
#include "system_error.h"
#include "text.h"
#include "utf8.h"

namespace {

constexpr char kUnknownUptime[] = "未知";
constexpr char kNullReference[] = "字符引用 &#0; 指向 XML 不允许的空字符";
constexpr double kEarthRadiusKm = 6371;
constexpr double kFibreKmPerMs = 200;  // light in glass: two thirds of c
constexpr double kPi = 3.14159265358979323846;

// --- Text ---------------------------------------------------------------

// What the topology file splits its words on (ASCII white space) and the
// control characters it refuses (C0, DEL, C1). Other spaces, U+00A0 or
// U+3000, stay in a field as in the file, so that a round trip through
// GraphML gives back the same bytes.
bool isBlank(char32_t point) {
  return point <= 0x20 || (point >= 0x7f && point <= 0x9f);
}

// `text` without blanks at either end, each run of them inside replaced
// by `separator`; it stops once more than `limit` bytes are joined.
std::string joinWords(std::string_view text, char separator,
                      size_t limit = std::string::npos) {
  std::string joined;
  bool pending = false;
  for (size_t at = 0; at < text.size() && joined.size() <= limit;) {
    // A bad character is kept as it is: the topology file's checks
    // refuse it, and it is no white space to split on.
    const Utf8Character character = decodeUtf8(text, at);
    const size_t length = character.length;
    if (character.valid && isBlank(character.point)) {
      pending = !joined.empty();
    } else {
      if (pending) joined += separator;
      pending = false;
      joined.append(text, at, length);
    }
    at += length;
  }
  return joined;
}

// Cuts `text` to at most `limit` bytes without splitting a UTF-8 character.
// Only a valid character that would straddle the cut is dropped whole; stray
// bytes are cut as bytes, so a name of them keeps its start for the reader
// of the result to refuse as not UTF-8 rather than coming out empty.
void cutToFit(std::string* text, size_t limit) {
  if (text->size() <= limit) return;
  size_t start = limit;
  while (start > 0 && limit - start < 3 &&
         (static_cast<unsigned char>((*text)[start]) & 0xC0U) == 0x80U) {
    --start;
  }
  const Utf8Character character = decodeUtf8(*text, start);
  text->resize(character.valid && start + character.length > limit ? start
                                                                   : limit);
}

std::string fieldText(const std::string& text, char separator, size_t limit) {
  std::string field = joinWords(text, separator);
  cutToFit(&field, limit);
  return field;
}

// The longest data text kept whole: more than any field or number needs.
constexpr size_t kTextLimit = 1024;

// `text` as the reader keeps it: whole when short; else its words with a
// space between, cut once past kTextLimit bytes and ended by "\v", which
// every field drops as white space and every number refuses. The fields
// cut from it are those of the whole text, and a file's long texts cost
// their own size once, however many elements refer to them.
std::string boundedText(std::string_view text) {
  if (text.size() <= kTextLimit) return std::string(text);
  std::string kept = joinWords(text, ' ', kTextLimit);
  kept += '\v';
  return kept;
}

// ASCII letters in lower case, every other byte as it is.
std::string lowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The place of the first significant digit of the mantissa in
// [first, last), the units being 0 and tenths -1; *end is left where the
// mantissa ends (at 'e', 'E' or last).
long long firstDigitPlace(const char* first, const char* last,
                          const char** end) {
  long long place = 0;
  bool seen = false;
  bool fraction = false;
  const char* at = first;
  for (; at < last && *at != 'e' && *at != 'E'; ++at) {
    if (*at == '.') {
      fraction = true;
    } else if (!seen && *at == '0') {
      if (fraction) --place;
    } else if (!seen) {
      seen = true;
      if (fraction) --place;
    } else if (!fraction) {
      ++place;
    }
  }
  *end = at;
  return place;
}

// The exponent in [first, last) after its 'e', capped near 100000: a
// larger one decides the same.
long long exponentValue(const char* first, const char* last) {
  const bool negative = first < last && *first == '-';
  if (first < last && (*first == '-' || *first == '+')) ++first;
  long long exponent = 0;
  for (; first < last && exponent < 100000; ++first) {
    exponent = exponent * 10 + (*first - '0');
  }
  return negative ? -exponent : exponent;
}

// Whether the decimal number in [first, last), which a double cannot
// hold, is too small rather than too large: its first significant digit
// stands below the units once the exponent is applied.
bool underflows(const char* first, const char* last) {
  const char* mantissaEnd = last;
  const long long place =
      firstDigitPlace(first + (*first == '-' ? 1 : 0), last, &mantissaEnd);
  const long long exponent =
      mantissaEnd < last ? exponentValue(mantissaEnd + 1, last) : 0;
  return place + exponent < 0;
}

// A decimal number with nothing else but white space around it. One too
// small for a double is the smallest of its sign; one too large is
// refused with *number set to an infinity of its sign.
bool parseNumber(const std::string& text, double* number) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return false;
  const size_t end = text.find_last_not_of(" \t\r\n") + 1;
  if (text[begin] == '+') ++begin;
  const char* first = text.data() + begin;
  const char* last = text.data() + end;
  const auto result = std::from_chars(first, last, *number);
  if (result.ec == std::errc::result_out_of_range && result.ptr == last) {
    const double sign = *first == '-' ? -1 : 1;
    const bool tiny = underflows(first, last);
    *number = sign * (tiny ? std::numeric_limits<double>::denorm_min()
                           : std::numeric_limits<double>::infinity());
    return tiny;
  }
  return result.ec == std::errc() && result.ptr == last &&
         std::isfinite(*number);
}

bool parseWholeNumber(const std::string& text, int* number) {
  const size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return false;
  const size_t end = text.find_last_not_of(" \t\r\n") + 1;
  const char* last = text.data() + end;
  const auto result = std::from_chars(text.data() + begin, last, *number);
  return result.ec == std::errc() && result.ptr == last;
}

// --- The document -------------------------------------------------------

// An element's name without its namespace prefix.
const char* localName(const pugi::xml_node& element) {
  const char* name = element.name();
  const char* colon = std::strrchr(name, ':');
  return colon == nullptr ? name : colon + 1;
}

bool named(const pugi::xml_node& element, const char* name) {
  return element.type() == pugi::node_element &&
         std::strcmp(localName(element), name) == 0;
}

struct Key {
  std::string name;       // attr.name, or the id when it has none
  std::string lowerName;  // the same in lower case, made once
  bool forNodes = false;
  bool forEdges = false;
  bool hasDefault = false;
  std::string defaultValue;
};

using Keys = std::unordered_map<std::string, Key>;

Keys readKeys(const pugi::xml_node& root) {
  Keys keys;
  for (const pugi::xml_node& element : root.children()) {
    if (!named(element, "key")) continue;
    const std::string id = element.attribute("id").value();
    Key key;
    key.name = element.attribute("attr.name").value();
    if (key.name.empty()) key.name = id;
    key.lowerName = lowerCase(key.name);
    const std::string domain = element.attribute("for").value();
    key.forNodes = domain.empty() || domain == "node" || domain == "all";
    key.forEdges = domain.empty() || domain == "edge" || domain == "all";
    for (const pugi::xml_node& child : element.children()) {
      if (named(child, "default")) {
        key.hasDefault = true;
        key.defaultValue = boundedText(child.text().get());
      }
    }
    keys.emplace(id, key);
  }
  return keys;
}

// The node and edge elements of the first graph and of the graphs nested
// in its nodes, in document order. Iterative: nesting depth costs no stack.
void collectElements(const pugi::xml_node& graph,
                     std::vector<pugi::xml_node>* nodes,
                     std::vector<pugi::xml_node>* edges) {
  pugi::xml_node at = graph.first_child();
  while (at != nullptr) {
    const bool isNode = named(at, "node");
    if (isNode) nodes->push_back(at);
    if (named(at, "edge")) edges->push_back(at);
    if ((isNode || named(at, "graph")) && at.first_child() != nullptr) {
      at = at.first_child();
      continue;
    }
    while (at != graph && at.next_sibling() == nullptr) at = at.parent();
    if (at == graph) break;
    at = at.next_sibling();
  }
}

// The data an element holds for the first key named `name` (given in lower
// case; ASCII case is ignored) of its kind, or such a key's default.
class DataReader {
 public:
  // The defaults are gathered once, so that a file of many keys and many
  // elements costs their sum, not their product.
  DataReader(const Keys& keys, bool nodes) : keys_(keys), nodes_(nodes) {
    std::unordered_map<std::string, const std::string*> smallestId;
    for (const auto& entry : keys_) {
      const Key& key = entry.second;
      if (!applies(key) || !key.hasDefault) continue;
      // Of keys named alike, the smallest id, whatever the table's order.
      const std::string& name = key.lowerName;
      const auto found = smallestId.find(name);
      if (found == smallestId.end() || entry.first < *found->second) {
        smallestId[name] = &entry.first;
        defaults_[name] = &key.defaultValue;
      }
    }
  }

  bool find(const pugi::xml_node& element, const char* name,
            std::string* value) const {
    for (const pugi::xml_node& data : element.children()) {
      if (!named(data, "data")) continue;
      const Key* key = keyOf(data.attribute("key").value());
      if (key != nullptr && key->lowerName == name) {
        *value = boundedText(data.text().get());
        return true;
      }
    }
    const auto withDefault = defaults_.find(name);
    if (withDefault == defaults_.end()) return false;
    *value = *withDefault->second;
    return true;
  }

  // The same by the key's id.
  bool findById(const pugi::xml_node& element, const std::string& id,
                std::string* value) const {
    for (const pugi::xml_node& data : element.children()) {
      if (named(data, "data") && id == data.attribute("key").value()) {
        *value = boundedText(data.text().get());
        return true;
      }
    }
    const Key* key = keyOf(id);
    if (key == nullptr || !key->hasDefault) return false;
    *value = key->defaultValue;
    return true;
  }

 private:
  const Key* keyOf(const std::string& id) const {
    const auto found = keys_.find(id);
    if (found == keys_.end() || !applies(found->second)) return nullptr;
    return &found->second;
  }
  bool applies(const Key& key) const {
    return nodes_ ? key.forNodes : key.forEdges;
  }

  const Keys& keys_;
  bool nodes_;
  // By the key's name in lower case: its default, held by the key.
  std::unordered_map<std::string, const std::string*> defaults_;
};

// The first element named `name` inside the node's own data (yEd keeps
// its graphics there), never inside a nested graph.
pugi::xml_node findInData(const pugi::xml_node& node, const char* name) {
  for (const pugi::xml_node& data : node.children()) {
    if (!named(data, "data")) continue;
    const pugi::xml_node found = data.find_node(
        [name](const pugi::xml_node& element) { return named(element, name); });
    if (found != nullptr) return found;
  }
  return {};
}

// --- Devices ------------------------------------------------------------

struct Coordinates {
  bool known = false;
  double latitude = 0;
  double longitude = 0;
};

Coordinates coordinatesOf(const DataReader& reader,
                          const pugi::xml_node& node) {
  Coordinates place;
  std::string latitude;
  std::string longitude;
  if (reader.find(node, "latitude", &latitude) &&
      reader.find(node, "longitude", &longitude) &&
      parseNumber(latitude, &place.latitude) &&
      parseNumber(longitude, &place.longitude)) {
    place.known =
        std::fabs(place.latitude) <= 90 && std::fabs(place.longitude) <= 180;
  }
  return place;
}

// yEd's y:Geometry, else Gephi's x and y data, whose y axis points up.
DevicePosition drawingPositionOf(const DataReader& reader,
                                 const pugi::xml_node& node) {
  DevicePosition position;
  const pugi::xml_node geometry = findInData(node, "Geometry");
  if (geometry != nullptr) {
    position.known =
        parseNumber(geometry.attribute("x").value(), &position.x) &&
        parseNumber(geometry.attribute("y").value(), &position.y);
    return position;
  }
  std::string x;
  std::string y;
  position.known = reader.find(node, "x", &x) && reader.find(node, "y", &y) &&
                   parseNumber(x, &position.x) && parseNumber(y, &position.y);
  position.y = -position.y;
  return position;
}

// The text a device is named by: label data, else yEd's label, else the id;
// the first that is not blank.
std::string nameOf(const DataReader& reader, const pugi::xml_node& node) {
  std::string label;
  if (reader.find(node, "label", &label) && !joinWords(label, '-').empty()) {
    return label;
  }
  label = boundedText(findInData(node, "NodeLabel").text().get());
  if (!joinWords(label, '-').empty()) return label;
  return boundedText(node.attribute("id").value());
}

// The longest run of ASCII digits a cut code keeps from its label's end.
constexpr size_t kLongestKeptNumber = 10;

// The code a name gives before it is made unique: its words joined by "-";
// one longer than the field keeps its start and, when it ends in a number
// (a router's), that number after a "~", cut at a UTF-8 boundary.
std::string plainCode(const std::string& name) {
  std::string code = joinWords(name, '-');
  if (code.empty()) return "-";
  if (code.size() <= CODE_SIZE - 1) return code;
  size_t digits = 0;
  // The code is longer than the field, so longer than any kept number.
  while (digits < kLongestKeptNumber &&
         std::isdigit(
             static_cast<unsigned char>(code[code.size() - 1 - digits])) != 0) {
    ++digits;
  }
  if (digits == 0) {
    cutToFit(&code, CODE_SIZE - 1);
    return code;
  }
  const std::string number = code.substr(code.size() - digits);
  cutToFit(&code, CODE_SIZE - 2 - digits);
  return code + "~" + number;
}

// Codes from the devices' names: unique, each within the field's limit,
// the first of equal ones plain. A suffix avoids every plain code, so that
// a name that is already a unique code is never changed. Codes that share
// the start every suffixed form keeps share one suffix counter, so a
// repeat goes on from the last number given: O(names) suffixes in all.
std::vector<std::string> assignCodes(const std::vector<std::string>& names) {
  std::vector<std::string> plain;
  plain.reserve(names.size());
  for (const std::string& name : names) plain.push_back(plainCode(name));
  std::unordered_set<std::string> taken(plain.begin(), plain.end());
  std::unordered_set<std::string> given;
  std::unordered_map<std::string, long long> nextSuffix;
  std::vector<std::string> codes;
  codes.reserve(plain.size());
  for (const std::string& code : plain) {
    if (given.insert(code).second) {
      codes.push_back(code);
      continue;
    }
    // "-" and up to 10 digits: the start that every suffix leaves.
    std::string start = code;
    cutToFit(&start, CODE_SIZE - 1 - 1 - kLongestKeptNumber);
    long long& suffix = nextSuffix.emplace(start, 2).first->second;
    std::string unique;
    do {
      std::string tail = "-";
      appendNumber(&tail, suffix++);
      unique = code;
      cutToFit(&unique, CODE_SIZE - 1 - tail.size());
      unique += tail;
    } while (taken.count(unique) != 0);
    taken.insert(unique);
    given.insert(unique);
    codes.push_back(unique);
  }
  return codes;
}

// --- Latencies ----------------------------------------------------------

double radians(double degrees) { return degrees * kPi / 180; }

int greatCircleLatency(const Coordinates& a, const Coordinates& b) {
  return ::greatCircleLatency(a.latitude, a.longitude, b.latitude, b.longitude);
}

// The id of the edge key that holds latencies, "" for none; false when
// `wanted` names no edge key.
bool findLatencyKey(const Keys& keys, const std::string& wanted,
                    std::string* id) {
  const std::string name = wanted.empty() ? "latency" : wanted;
  const Key* best = nullptr;
  for (const auto& entry : keys) {
    const Key& key = entry.second;
    // Of several keys named alike, the one with the smallest id, so that
    // the choice does not depend on the table's order.
    if (key.forEdges && key.name == name &&
        (best == nullptr || entry.first < *id)) {
      best = &key;
      *id = entry.first;
    }
  }
  if (best != nullptr) return true;
  id->clear();
  if (wanted.empty()) return true;
  const auto byId = keys.find(wanted);
  if (byId == keys.end() || !byId->second.forEdges) return false;
  *id = wanted;
  return true;
}

// The encodings the parser turns into UTF-8 (UTF-16 by its byte order
// mark, ISO-8859-1 by the declaration) and those that are UTF-8 already;
// none declared means UTF-8.
bool readableEncoding(const char* declared) {
  const std::string name = lowerCase(declared);
  return name.empty() || name == "utf-8" || name == "utf8" ||
         name == "utf-16" || name == "utf-16le" || name == "utf-16be" ||
         name == "iso-8859-1" || name == "latin1" || name == "us-ascii" ||
         name == "ascii";
}

// Where the first character reference to U+0000 ("&#0;", "&#x00;"...)
// starts, or `size`. XML allows none, and the parser would end the text
// there, silently dropping the rest of a code.
size_t findNullReference(const char* data, size_t size) {
  for (size_t at = 0; at + 3 < size; ++at) {
    const void* found = std::memchr(data + at, '&', size - at);
    if (found == nullptr) break;
    at = static_cast<size_t>(static_cast<const char*>(found) - data);
    size_t end = at + 1;
    if (end >= size || data[end] != '#') continue;
    ++end;
    if (end < size && data[end] == 'x') ++end;
    const size_t digits = end;
    while (end < size && data[end] == '0') ++end;
    if (end > digits && end < size && data[end] == ';') return at;
  }
  return size;
}

GraphmlOutcome refuse(GraphmlProblem problem) {
  GraphmlOutcome outcome;
  outcome.problem = problem;
  return outcome;
}

// The device of a node with its code and name; `portsGiven` says whether
// the node's data gave its ports.
Device deviceOf(const DataReader& reader, const pugi::xml_node& node,
                const std::string& code, const std::string& name,
                bool* portsGiven) {
  Device device;
  device.code = code;
  // yEd keeps a description key of its own, often blank: the name then.
  std::string text;
  if (reader.find(node, "description", &text)) {
    device.description = fieldText(text, '_', DESCRIPTION_SIZE - 1);
  }
  if (device.description.empty()) {
    device.description = fieldText(name, '_', DESCRIPTION_SIZE - 1);
  }
  if (device.description.empty()) device.description = "-";
  *portsGiven = reader.find(node, "ports", &text) &&
                parseWholeNumber(text, &device.ports);
  if (reader.find(node, "running_time", &text)) {
    device.uptime = fieldText(text, '_', UPTIME_SIZE - 1);
  }
  if (device.uptime.empty()) device.uptime = kUnknownUptime;
  return device;
}

// The planner's own layout wins over the map.
void choosePositions(std::vector<DevicePosition> drawing,
                     const std::vector<Coordinates>& places,
                     GraphmlOutcome* outcome) {
  const auto known = [](const auto& position) { return position.known; };
  if (std::any_of(drawing.begin(), drawing.end(), known)) {
    outcome->positionKind = PositionKind::kDrawing;
    outcome->positions = std::move(drawing);
    return;
  }
  outcome->positions.resize(places.size());
  if (std::none_of(places.begin(), places.end(), known)) return;
  outcome->positionKind = PositionKind::kGeographic;
  for (size_t i = 0; i < places.size(); ++i) {
    outcome->positions[i] = {places[i].known, places[i].longitude,
                             places[i].latitude};
  }
}

// Reads the devices into `outcome`; false with the refusal filled in.
bool readDevices(const std::vector<pugi::xml_node>& nodes,
                 const DataReader& reader, GraphmlOutcome* outcome,
                 std::unordered_map<std::string, int>* ids,
                 std::vector<Coordinates>* places,
                 std::vector<bool>* countPorts) {
  std::vector<std::string> names;
  names.reserve(nodes.size());
  for (size_t i = 0; i < nodes.size(); ++i) {
    const std::string id = nodes[i].attribute("id").value();
    if (id.empty()) {
      outcome->problem = GraphmlProblem::kNodeWithoutId;
      outcome->position = static_cast<int>(i + 1);
      return false;
    }
    if (!ids->emplace(id, static_cast<int>(i)).second) {
      outcome->problem = GraphmlProblem::kDuplicateNodeId;
      outcome->name = id;
      return false;
    }
    names.push_back(nameOf(reader, nodes[i]));
    outcome->nodeIds.push_back(id);
  }
  const std::vector<std::string> codes = assignCodes(names);
  std::vector<DevicePosition> drawing;
  for (size_t i = 0; i < nodes.size(); ++i) {
    if (codes[i] != names[i]) {
      GraphmlStatistics& statistics = outcome->statistics;
      if (statistics.codeChanges.size() < kListedCodeChanges) {
        statistics.codeChanges.push_back({joinWords(names[i], ' '), codes[i]});
      }
      ++statistics.codesChanged;
    }
    bool portsGiven = false;
    outcome->network.devices.push_back(
        deviceOf(reader, nodes[i], codes[i], names[i], &portsGiven));
    // Ports the file does not give are counted once the links are known.
    countPorts->push_back(!portsGiven);
    drawing.push_back(drawingPositionOf(reader, nodes[i]));
    places->push_back(coordinatesOf(reader, nodes[i]));
  }
  choosePositions(std::move(drawing), *places, outcome);
  return true;
}

// Names edge `position` in `outcome`, for a refusal.
void nameEdge(const pugi::xml_node& edge, size_t index,
              GraphmlOutcome* outcome) {
  outcome->position = static_cast<int>(std::min<size_t>(index + 1, INT_MAX));
  outcome->from = edge.attribute("source").value();
  outcome->to = edge.attribute("target").value();
}

// The links' ends, lower index first; false with the refusal filled in.
bool readLinkEnds(const std::vector<pugi::xml_node>& edges,
                  const std::unordered_map<std::string, int>& ids,
                  GraphmlOutcome* outcome) {
  std::vector<Link>& links = outcome->network.links;
  links.reserve(edges.size());
  for (size_t i = 0; i < edges.size(); ++i) {
    const char* source = edges[i].attribute("source").value();
    const char* target = edges[i].attribute("target").value();
    const auto from = ids.find(source);
    const auto to = ids.find(target);
    if (*source == '\0' || *target == '\0' || from == ids.end() ||
        to == ids.end()) {
      nameEdge(edges[i], i, outcome);
      const bool unnamed = *source == '\0' || *target == '\0';
      outcome->problem = unnamed ? GraphmlProblem::kEdgeWithoutEnds
                                 : GraphmlProblem::kUnknownNode;
      outcome->name = from == ids.end() ? source : target;
      return false;
    }
    if (edges[i].attribute("directed").as_bool()) {
      outcome->statistics.directed = true;
    }
    Link link;
    link.from = std::min(from->second, to->second);
    link.to = std::max(from->second, to->second);
    links.push_back(link);
  }
  return true;
}

// Gives each link its latency by the first rule that applies; false with
// the refusal filled in.
bool readLatencies(const std::vector<pugi::xml_node>& edges,
                   const DataReader& edgeData, const std::string& latencyKey,
                   const std::vector<Coordinates>& places,
                   const GraphmlOptions& options, GraphmlOutcome* outcome) {
  GraphmlStatistics& statistics = outcome->statistics;
  for (size_t i = 0; i < edges.size(); ++i) {
    Link& link = outcome->network.links[i];
    std::string value;
    if (!latencyKey.empty() &&
        edgeData.findById(edges[i], latencyKey, &value)) {
      double latency = 0;
      const bool number = parseNumber(value, &latency);
      // Negative ones as the topology file holds them, for the commands
      // that refuse them to say so.
      latency = std::ceil(latency);
      const bool fits = latency >= INT_MIN && latency <= INT_MAX;
      if (!number || !fits) {
        nameEdge(edges[i], i, outcome);
        outcome->problem = number || std::isinf(latency)
                               ? GraphmlProblem::kHugeLatency
                               : GraphmlProblem::kBadLatency;
        outcome->detail = value;
        return false;
      }
      link.latency = static_cast<int>(latency);
      ++statistics.latenciesFromKey;
      if (link.latency < 0) ++statistics.negativeLatencies;
    } else if (places[link.from].known && places[link.to].known) {
      link.latency = greatCircleLatency(places[link.from], places[link.to]);
      ++statistics.latenciesFromCoordinates;
    } else {
      link.latency = options.defaultLatency;
      ++statistics.latenciesFromDefault;
    }
  }
  return true;
}

// The names of the edge keys other than `latencyKey` whose data are all
// numbers, in id order. O(edges' data).
std::vector<std::string> unusedEdgeNumbers(
    const Keys& keys, const std::vector<pugi::xml_node>& edges,
    const std::string& latencyKey) {
  std::unordered_map<std::string, bool> numeric;  // by id: all numbers so far
  for (const pugi::xml_node& edge : edges) {
    for (const pugi::xml_node& data : edge.children()) {
      if (!named(data, "data")) continue;
      const std::string id = data.attribute("key").value();
      const auto key = keys.find(id);
      if (id == latencyKey || key == keys.end() || !key->second.forEdges) {
        continue;
      }
      double number = 0;
      const bool isNumber = parseNumber(data.text().get(), &number);
      const auto seen = numeric.emplace(id, isNumber).first;
      seen->second = seen->second && isNumber;
    }
  }
  std::vector<std::string> ids;
  for (const auto& entry : numeric) {
    if (entry.second) ids.push_back(entry.first);
  }
  std::sort(ids.begin(), ids.end());
  std::vector<std::string> names;
  names.reserve(ids.size());
  for (const std::string& id : ids) names.push_back(keys.at(id).name);
  return names;
}

// The refusal of a document that is not a GraphML file this reader
// takes: not XML, its own entities, an encoding it does not read, or
// another root element; nothing for one it goes on with.
std::optional<GraphmlOutcome> documentRefusal(
    const pugi::xml_document& document, const pugi::xml_parse_result& parsed,
    const char* data, size_t size) {
  // Entities are never expanded, but a file that declares its own has no
  // business being a graph: refuse it whatever else it holds.
  for (const pugi::xml_node& child : document.children()) {
    if (child.type() == pugi::node_doctype &&
        std::strchr(child.value(), '[') != nullptr) {
      return refuse(GraphmlProblem::kDtd);
    }
  }
  const char* encoding =
      document.first_child().type() == pugi::node_declaration
          ? document.first_child().attribute("encoding").value()
          : "";
  if (parsed && !readableEncoding(encoding)) {
    GraphmlOutcome outcome = refuse(GraphmlProblem::kEncoding);
    outcome.name = encoding;
    return outcome;
  }
  const size_t nullReference = parsed ? findNullReference(data, size) : size;
  if (!parsed || nullReference < size) {
    GraphmlOutcome outcome = refuse(GraphmlProblem::kNotXml);
    const size_t offset =
        parsed ? nullReference
               : std::min(size, static_cast<size_t>(
                                    std::max<ptrdiff_t>(0, parsed.offset)));
    outcome.line = 1 + std::count(data, data + offset, '\n');
    outcome.detail = parsed ? kNullReference : parsed.description();
    return outcome;
  }
  const pugi::xml_node root = document.document_element();
  if (!named(root, "graphml")) {
    GraphmlOutcome outcome = refuse(GraphmlProblem::kNotGraphml);
    outcome.name = root.name();
    return outcome;
  }
  return std::nullopt;
}

// One port per link end, at least one, for the devices whose file gave
// no port count.
void countPortsFromLinks(const std::vector<bool>& countPorts,
                         GraphmlOutcome* outcome) {
  std::vector<int> degree(countPorts.size(), 0);
  for (const Link& link : outcome->network.links) {
    ++degree[link.from];
    ++degree[link.to];
  }
  for (size_t i = 0; i < countPorts.size(); ++i) {
    if (countPorts[i]) {
      outcome->network.devices[i].ports = std::max(1, degree[i]);
    }
  }
}

}  // namespace

GraphmlOutcome parseGraphml(const char* data, size_t size,
                            const GraphmlOptions& options) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(
      data, size,
      pugi::parse_default | pugi::parse_doctype | pugi::parse_declaration);
  if (parsed.status == pugi::status_out_of_memory) throw std::bad_alloc();
  if (std::optional<GraphmlOutcome> refused =
          documentRefusal(document, parsed, data, size)) {
    return *refused;
  }
  const pugi::xml_node root = document.document_element();
  pugi::xml_node graph;
  for (const pugi::xml_node& child : root.children()) {
    if (named(child, "graph")) {
      graph = child;
      break;
    }
  }
  if (!graph) return refuse(GraphmlProblem::kNoGraph);

  const Keys keys = readKeys(root);
  std::string latencyKey;
  if (!findLatencyKey(keys, options.latencyKey, &latencyKey)) {
    GraphmlOutcome outcome = refuse(GraphmlProblem::kUnknownLatencyKey);
    outcome.name = options.latencyKey;
    return outcome;
  }
  std::vector<pugi::xml_node> nodes;
  std::vector<pugi::xml_node> edges;
  collectElements(graph, &nodes, &edges);
  if (nodes.empty()) return refuse(GraphmlProblem::kNoNodes);

  GraphmlOutcome outcome;
  std::unordered_map<std::string, int> ids;
  std::vector<Coordinates> places;
  std::vector<bool> countPorts;
  const DataReader nodeData(keys, true);
  if (!readDevices(nodes, nodeData, &outcome, &ids, &places, &countPorts)) {
    return outcome;
  }

  if (!readLinkEnds(edges, ids, &outcome)) return outcome;
  const auto n = static_cast<long long>(nodes.size());
  if (static_cast<long long>(edges.size()) > n * (n - 1) / 2) {
    GraphmlOutcome refused = refuse(GraphmlProblem::kTooManyLinks);
    refused.nodeCount = n;
    refused.edgeCount = static_cast<long long>(edges.size());
    return refused;
  }
  if (std::strcmp(graph.attribute("edgedefault").value(), "directed") == 0) {
    outcome.statistics.directed = true;
  }
  const DataReader edgeData(keys, false);
  if (!readLatencies(edges, edgeData, latencyKey, places, options, &outcome)) {
    return outcome;
  }
  outcome.statistics.unusedEdgeNumbers =
      unusedEdgeNumbers(keys, edges, latencyKey);
  countPortsFromLinks(countPorts, &outcome);
  return outcome;
}

namespace {

GraphmlOutcome refuseBySystem(int error) {
  GraphmlOutcome outcome = refuse(GraphmlProblem::kCannotOpen);
  outcome.error = error;
  return outcome;
}

}  // namespace

GraphmlOutcome readGraphmlFile(const char* fileName,
                               const GraphmlOptions& options) {
  Descriptor opened;
  const InputOpening opening = openInput(fileName, &opened);
  switch (opening.status) {
    case OpenOutcome::kCannotOpen:
      return refuseBySystem(opening.error);
    case OpenOutcome::kSpecialFile:
      return refuse(GraphmlProblem::kSpecialFile);
    case OpenOutcome::kOpened:
      break;
  }
  std::string text;
  const SystemStatus read = readRemaining(opened.fd, &text);
  if (read.failed) return refuseBySystem(read.error);
  return parseGraphml(text.data(), text.size(), options);
}

std::string describeGraphmlRefusal(const GraphmlOutcome& outcome,
                                   const char* fileName) {
  std::string text = "✘ ";
  // What the file or the command line gave, as a terminal may show it.
  const std::string shownName = escapeControls(fileName);
  const std::string file = "文件 " + shownName;
  const std::string name = escapeControls(outcome.name);
  const std::string detail = escapeControls(outcome.detail);
  const auto edge = [&outcome](std::string* line) {
    line->append("第");
    appendNumber(line, outcome.position);
    line->append("条边（").append(escapeControls(outcome.from)).append(" → ");
    line->append(escapeControls(outcome.to)).append("）");
  };
  switch (outcome.problem) {
    case GraphmlProblem::kNone:
      return "";
    case GraphmlProblem::kCannotOpen:
      text.append("无法打开文件 ").append(shownName).append(" 进行读取");
      text.append(systemReason(outcome.error)).append("！");
      break;
    case GraphmlProblem::kSpecialFile:
      text.append(file).append(kSpecialFileRefusal);
      break;
    case GraphmlProblem::kNotXml:
      text.append(file).append(" 不是合法的 XML（第");
      appendNumber(&text, outcome.line);
      text.append("行：").append(detail).append("）！");
      break;
    case GraphmlProblem::kDtd:
      text.append(file).append(
          " 含有自带声明的 DOCTYPE（实体定义），为安全起见不予读取！");
      break;
    case GraphmlProblem::kEncoding:
      text.append(file).append(" 声明的编码 ").append(name);
      text.append(
              " 不受支持（只读取 UTF-8、UTF-16 和 ISO-8859-1），请先转换为 "
              "UTF-8，如 iconv -f ")
          .append(name)
          .append(" -t UTF-8！");
      break;
    case GraphmlProblem::kNotGraphml:
      text.append(file).append(" 不是 GraphML：根元素是 <");
      text.append(name).append(">，而不是 <graphml>！");
      break;
    case GraphmlProblem::kNoGraph:
      text.append(file).append(" 中没有 <graph>！");
      break;
    case GraphmlProblem::kNoNodes:
      text.append(file).append(" 的图中没有节点，拓扑至少需要1台设备！");
      break;
    case GraphmlProblem::kNodeWithoutId:
      text.append("GraphML 数据错误：第");
      appendNumber(&text, outcome.position);
      text.append("个节点没有 id！");
      break;
    case GraphmlProblem::kDuplicateNodeId:
      text.append("GraphML 数据错误：节点 id ").append(name).append(" 重复！");
      break;
    case GraphmlProblem::kEdgeWithoutEnds:
      text.append("GraphML 数据错误：");
      edge(&text);
      text.append("缺少 source 或 target！");
      break;
    case GraphmlProblem::kUnknownNode:
      text.append("GraphML 数据错误：");
      edge(&text);
      text.append("中存在未知节点 ").append(name).append("！");
      break;
    case GraphmlProblem::kUnknownLatencyKey:
      text.append(file).append(" 中没有名为 ").append(name);
      text.append(" 的边属性！");
      break;
    case GraphmlProblem::kBadLatency:
    case GraphmlProblem::kHugeLatency:
      text.append("GraphML 数据错误：");
      edge(&text);
      text.append("的延迟“").append(detail).append("”");
      text.append(outcome.problem == GraphmlProblem::kBadLatency
                      ? "不是数！"
                      : "超出延迟的上限！");
      break;
    case GraphmlProblem::kTooManyLinks:
      text.append("GraphML 数据不合法：");
      appendNumber(&text, outcome.nodeCount);
      text.append("台设备至多有");
      appendNumber(&text, outcome.nodeCount * (outcome.nodeCount - 1) / 2);
      text.append("条链路，文件中有");
      appendNumber(&text, outcome.edgeCount);
      text.append("条！");
      break;
  }
  return text + "\n";
}

int greatCircleLatency(double latitudeA, double longitudeA, double latitudeB,
                       double longitudeB) {
  const double halfLatitude = radians(latitudeB - latitudeA) / 2;
  const double halfLongitude = radians(longitudeB - longitudeA) / 2;
  const double h = std::sin(halfLatitude) * std::sin(halfLatitude) +
                   std::cos(radians(latitudeA)) * std::cos(radians(latitudeB)) *
                       std::sin(halfLongitude) * std::sin(halfLongitude);
  const double km = 2 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(h)));
  return std::max(1, static_cast<int>(std::ceil(km / kFibreKmPerMs)));
}
