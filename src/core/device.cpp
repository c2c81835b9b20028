#include "device.h"

#include <cstring>

Layer layerOf(const char* code) {
  if (std::strcmp(code, "CR") == 0) return Layer::kCore;
  if (std::strcmp(code, "FW") == 0) return Layer::kSecurity;
  if (code[0] == 'D' && code[1] == 'R') return Layer::kDistribution;
  if (code[0] == 'A' && code[1] == 'R') return Layer::kAccess;
  if (std::strcmp(code, "SV") == 0) return Layer::kDataCentre;
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

std::vector<Neighbour> neighboursOf(const TopologyGraph& g, int device) {
  std::vector<Neighbour> neighbours;
  for (const LinkArc* arc = g.devices[device].firstArc; arc != nullptr;
       arc = arc->next) {
    neighbours.push_back({arc->target, arc->latency});
  }
  return neighbours;
}
