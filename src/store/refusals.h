// Refusals that the menu and the other programs print alike, as lines.
#ifndef TOPOPLAN_STORE_REFUSALS_H_
#define TOPOPLAN_STORE_REFUSALS_H_

constexpr char kDeviceNotFound[] = "✘ 未找到设备：";  // the code follows
constexpr char kNegativeLatency[] =
    "✘ 拓扑中存在负延迟链路，无法计算最短路径！请修正拓扑文件后重新加载。";

#endif  // TOPOPLAN_STORE_REFUSALS_H_
