// Runs a fuzz target over saved inputs without the fuzzing engine, so
// that the corpora and the regression inputs are part of every test build.
// Arguments are files or folders of files.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::string> inputsOf(const std::string& name) {
  struct stat info;
  if (stat(name.c_str(), &info) != 0) {
    fuzzsupport::fail("no such input: " + name);
  }
  if (!S_ISDIR(info.st_mode)) return {name};
  std::vector<std::string> files;
  for (const std::string& entry : fuzzsupport::listFolder(name)) {
    files.push_back(name + "/" + entry);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const std::string& file : inputsOf(argv[i])) {
      const std::string content = fuzzsupport::readFile(file);
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(content.data()),
                             content.size());
      ++replayed;
    }
  }
  std::printf("replayed %d inputs\n", replayed);
  return replayed > 0 ? 0 : 1;
}
