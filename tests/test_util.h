// Shared helpers for the tests: scratch files (shared with the fuzz
// targets), fixtures that reset the
// process-wide state, and whole sessions driven from a string.
#ifndef TOPOPLAN_TESTS_TEST_UTIL_H_
#define TOPOPLAN_TESTS_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "graph.h"
#include "menu.h"
#include "support/scratch.h"

namespace topotest {

using scratch::listFolder;
using scratch::readFile;
using scratch::ScratchFolder;

// An empty record and no latency matrix before and after every test: the
// test binary is one process, and the globals would otherwise carry over.
class TopologyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    graph = TopologyGraph{};
    // Every test releases what it built, so a matrix left here is a leak.
    ASSERT_EQ(parray, nullptr) << "a latency matrix outlived its test";
  }
  void TearDown() override {
    discardLatencyMatrix();
    releaseArcs(&graph);
  }

  TopologyGraph graph;
};

// The output of a whole menu session fed `input`.
inline std::string runSession(const std::string& input, int* status = nullptr) {
  std::istringstream in(input);
  std::ostringstream out;
  const int result = runMenu(in, out);
  if (status != nullptr) *status = result;
  return out.str();
}

}  // namespace topotest

#endif  // TOPOPLAN_TESTS_TEST_UTIL_H_
