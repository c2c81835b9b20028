// Micro-benchmarks of every menu option's work on the 40-device full mesh,
// with the printed output formatted in full and then thrown away.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "graph.h"
#include "mesh.h"
#include "reader.h"
#include "travels.h"

namespace {

// Accepts and drops every byte, so that formatting is measured but not
// storage.
class DiscardBuf : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

struct Mesh {
  Mesh() {
    char pattern[] = "/tmp/topoplan-bench-XXXXXX";
    folder = mkdtemp(pattern);
    file = folder + "/mesh.txt";
    std::ofstream(file) << [] {
      std::ostringstream text;
      writeMesh(text, MAX_DEVICES);
      return text.str();
    }();
    loadGraphFromFile(&graph, file.c_str(), sink);
    buildLatencyMatrix(&graph);
  }
  ~Mesh() {
    discardLatencyMatrix();
    releaseArcs(&graph);
    unlink(file.c_str());
    unlink((folder + "/saved.txt").c_str());
    rmdir(folder.c_str());
  }

  DiscardBuf discard;
  std::ostream sink{&discard};
  std::string folder;
  std::string file;
  TopologyGraph graph{};
  int pathMatrix[MAX_DEVICES][MAX_DEVICES];
  int distMatrix[MAX_DEVICES][MAX_DEVICES];
};

Mesh& mesh() {
  static Mesh instance;
  return instance;
}

void BM_Load(benchmark::State& state) {
  TopologyGraph graph{};
  DiscardBuf discard;
  std::ostream sink(&discard);
  for (auto _ : state) loadGraphFromFile(&graph, mesh().file.c_str(), sink);
  releaseArcs(&graph);
}

void BM_Save(benchmark::State& state) {
  const std::string target = mesh().folder + "/saved.txt";
  for (auto _ : state)
    saveGraphToFile(&mesh().graph, target.c_str(), mesh().sink);
}

void BM_Matrix(benchmark::State& state) {
  for (auto _ : state) printGraph(&mesh().graph, mesh().sink);
}

void BM_InspectionRoute(benchmark::State& state) {
  for (auto _ : state) {
    DFSTraverse(mesh().graph);
    printInspectionRoute(mesh().graph, mesh().sink);
  }
}

void BM_LoopCheck(benchmark::State& state) {
  TopologyGraph route{};
  for (auto _ : state) {
    DFSTraverse(mesh().graph);
    buildRouteGraph(&route, mesh().graph);
    loopTest(route, mesh().sink);
    releaseArcs(&route);
  }
}

void BM_FastestRoute(benchmark::State& state) {
  for (auto _ : state) {
    std::istringstream typed("N01 N40\n");
    TokenReader reader(typed);
    minDistance(mesh().graph, mesh().pathMatrix, mesh().distMatrix, reader,
                mesh().sink);
  }
}

void BM_RouteTable(benchmark::State& state) {
  for (auto _ : state) {
    floydAllDistance(mesh().graph, mesh().pathMatrix, mesh().distMatrix,
                     mesh().sink);
  }
}

void BM_CablingPlans(benchmark::State& state) {
  for (auto _ : state) {
    primMST(mesh().graph, mesh().sink);
    kruskalMST(mesh().graph, mesh().sink);
  }
}

void BM_DeviceDetail(benchmark::State& state) {
  for (auto _ : state) {
    std::istringstream typed("N20\n");
    TokenReader reader(typed);
    showDeviceInfo(mesh().graph, reader, mesh().sink);
  }
}

BENCHMARK(BM_Load);
BENCHMARK(BM_Save);
BENCHMARK(BM_Matrix);
BENCHMARK(BM_InspectionRoute);
BENCHMARK(BM_LoopCheck);
BENCHMARK(BM_FastestRoute);
BENCHMARK(BM_RouteTable);
BENCHMARK(BM_CablingPlans);
BENCHMARK(BM_DeviceDetail);

}  // namespace

BENCHMARK_MAIN();
