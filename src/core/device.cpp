#include "device.h"

Layer layerOf(const std::string& code) {
  if (code == "CR") return Layer::kCore;
  if (code == "FW") return Layer::kSecurity;
  if (code.compare(0, 2, "DR") == 0) return Layer::kDistribution;
  if (code.compare(0, 2, "AR") == 0) return Layer::kAccess;
  if (code == "SV") return Layer::kDataCentre;
  return Layer::kOther;
}

const char* layerName(Layer layer) {
  switch (layer) {
    case Layer::kCore:
      return "核心层";
    case Layer::kSecurity:
      return "安全层";
    case Layer::kDistribution:
      return "汇聚层";
    case Layer::kAccess:
      return "接入层";
    case Layer::kDataCentre:
      return "数据中心";
    case Layer::kOther:
      break;
  }
  return "其他";
}

std::vector<Neighbour> neighboursOf(const Network& network, int device) {
  std::vector<Neighbour> neighbours;
  for (auto link = network.links.rbegin(); link != network.links.rend();
       ++link) {
    // A self-link is both of its ends.
    if (link->from == device) neighbours.push_back({link->to, link->latency});
    if (link->to == device) neighbours.push_back({link->from, link->latency});
  }
  return neighbours;
}
