// Shared helpers for the tests: scratch files, fixtures that reset the
// process-wide state, and whole sessions driven from a string.
#ifndef TOPOPLAN_TESTS_TEST_UTIL_H_
#define TOPOPLAN_TESTS_TEST_UTIL_H_

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "graph.h"
#include "menu.h"

namespace topotest {

// A scratch folder, removed with everything in it when the test ends,
// pass or fail.
class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/topoplan-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made != nullptr) path_ = made;
  }
  ~ScratchDir() {
    if (!path_.empty()) {
      const std::string command = "rm -rf '" + path_ + "'";
      if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "could not remove %s\n", path_.c_str());
      }
    }
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  // Writes `content` to `name` in the folder and returns its full path.
  std::string write(const std::string& name, const std::string& content) const {
    const std::string full = file(name);
    std::ofstream out(full, std::ios::binary);
    out << content;
    return full;
  }

 private:
  std::string path_;
};

// The names in `folder`, sorted, without "." and "..".
inline std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// An empty record and no latency matrix before and after every test: the
// test binary is one process, and the globals would otherwise carry over.
class TopologyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    graph = TopologyGraph{};
    parray = nullptr;
  }
  void TearDown() override {
    discardLatencyMatrix(&graph);
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
