// The largest topology the file format allows: 40 devices, every pair
// linked (780 links), with repeatable pseudo-random latencies of 1-99 ms.
#ifndef TOPOPLAN_BENCH_MESH_H_
#define TOPOPLAN_BENCH_MESH_H_

#include <ostream>
#include <string>

inline void writeMesh(std::ostream& out, int devices) {
  auto code = [](int index) {
    return std::string(index < 9 ? "N0" : "N") + std::to_string(index + 1);
  };
  out << devices << ' ' << devices * (devices - 1) / 2 << '\n';
  for (int i = 0; i < devices; ++i) {
    out << code(i) << " 网格节点" << code(i) << "，全互联测试设备 "
        << 8 + i % 4 * 4 << " 24h运行\n";
  }
  unsigned state = 20261207u;
  for (int i = 0; i < devices; ++i) {
    for (int j = i + 1; j < devices; ++j) {
      state = state * 1103515245u + 12345u;  // the same sequence every run
      out << code(i) << ' ' << code(j) << ' ' << 1 + (state >> 16) % 99 << '\n';
    }
  }
}

#endif  // TOPOPLAN_BENCH_MESH_H_
