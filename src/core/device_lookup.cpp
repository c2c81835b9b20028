#include "device_lookup.h"

namespace {

bool isAsciiBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' ||
         c == '\f';
}

// A label as descriptions hold it: blanks at the ends dropped, each run
// inside as "_".
std::string asDescription(const std::string& name) {
  std::string text;
  bool pending = false;
  for (const char c : name) {
    if (isAsciiBlank(c)) {
      pending = !text.empty();
      continue;
    }
    if (pending) text += '_';
    pending = false;
    text += c;
  }
  return text;
}

}  // namespace

DeviceMatch lookUpDevice(const Network& network, const std::string& name,
                         const std::vector<std::string>& nodeIds) {
  DeviceMatch match;
  match.device = findDevice(network, name);
  if (match.found()) return match;
  const std::string description = asDescription(name);
  for (int i = 0; i < network.deviceCount(); ++i) {
    const std::string& text = network.devices[i].description;
    if (text == name || text == description) match.candidates.push_back(i);
  }
  if (match.candidates.size() == 1) {
    match.device = match.candidates.front();
    match.candidates.clear();
    return match;
  }
  if (!match.candidates.empty()) return match;
  for (size_t i = 0; i < nodeIds.size(); ++i) {
    if (nodeIds[i] == name) {
      match.device = static_cast<int>(i);
      break;
    }
  }
  return match;
}
