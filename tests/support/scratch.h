// Scratch files for the tests and the fuzz targets alike: a private
// folder removed with everything in it, and whole-file reads and writes.
#ifndef TOPOPLAN_TESTS_SUPPORT_SCRATCH_H_
#define TOPOPLAN_TESTS_SUPPORT_SCRATCH_H_

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace scratch {

inline std::string readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// False when the file could not be written whole.
inline bool writeFile(const std::string& name, const std::string& content) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  return !out.fail();
}

// Removes `name` and, for a folder, everything below it. Links are
// removed, never followed.
inline void removeTree(const std::string& name) {
  struct stat info;
  if (lstat(name.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    if (DIR* folder = opendir(name.c_str())) {
      while (const dirent* entry = readdir(folder)) {
        const std::string child = entry->d_name;
        if (child != "." && child != "..") removeTree(name + "/" + child);
      }
      closedir(folder);
    }
    rmdir(name.c_str());
  } else {
    unlink(name.c_str());
  }
}

// The names in `folder`, sorted, without "." and "..".
inline std::vector<std::string> listFolder(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* handle = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(handle)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(handle);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it
// when the object goes, pass or fail. Without one nothing can be tested,
// so failing to make it stops the process.
class ScratchFolder {
 public:
  ScratchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") +
                          "/topoplan-scratch-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("no scratch folder");
      std::abort();
    }
    path_ = pattern;
  }
  ~ScratchFolder() { removeTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

  // Writes `content` to `name` in the folder and returns its full path.
  std::string write(const std::string& name, const std::string& content) const {
    const std::string full = file(name);
    writeFile(full, content);
    return full;
  }

 private:
  std::string path_;
};

}  // namespace scratch

#endif  // TOPOPLAN_TESTS_SUPPORT_SCRATCH_H_
