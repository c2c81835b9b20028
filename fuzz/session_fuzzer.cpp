// Drives a whole menu session from arbitrary input bytes, in a scratch
// folder that holds a few topology files. Every session must end, with
// status 0 and the farewell line, after at most one menu pass per input
// byte (every pass but the last consumes input); more passes than that
// count as a hang. After a session that saved, every file in the folder
// must be an untouched original or a topology that loads.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "graph.h"
#include "menu.h"

namespace {

using fuzzsupport::require;

constexpr char kMenuPrompt[] = "请输入选项: ";
constexpr char kSavePrompt[] = "请输入保存文件名（如：network_topology.txt）：";
constexpr char kFarewell[] = "\n感谢使用曜衡川澜星汇织图云台，再见！\n";

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// `n` devices D0, D1, ...: a chain, and chords of 0 ms and of "no link"
// latency.
std::string generatedFile(int n) {
  std::string links;
  int count = 0;
  for (int i = 0; i + 1 < n; ++i, ++count) {
    links += "D" + std::to_string(i) + " D" + std::to_string(i + 1) + " " +
             std::to_string(i * 7 % 13 + 1) + "\n";
  }
  for (int i = 0; i + 5 < n; ++i, ++count) {
    links += "D" + std::to_string(i) + " D" + std::to_string(i + 5) + " " +
             (i % 2 == 0 ? "0" : "32767") + "\n";
  }
  std::string text = std::to_string(n) + " " + std::to_string(count) + "\n";
  for (int i = 0; i < n; ++i) {
    text += "D" + std::to_string(i) + " 设备" + std::to_string(i) + " " +
            std::to_string(i % 9) + " 24h\n";
  }
  return text + links;
}

// The topology files a session finds, by name. Names are one letter so
// that a fuzzer can type them; "e" is a folder. The full-size "f" is left
// out of the dictionary: its analyses are slow, and the seeds use it.
struct Fixture {
  std::string name;
  std::string content;
};

// The built-in network as the program saves it.
std::string campusFile(const fuzzsupport::ScratchFolder& scratch) {
  TopologyGraph g = {};
  std::ostringstream ignored;
  createGraph(&g, ignored);
  const std::string name = scratch.file("campus");
  saveGraphToFile(&g, name.c_str(), ignored);
  fuzzsupport::release(&g);
  std::string content = fuzzsupport::readFile(name);
  fuzzsupport::removeTree(name);
  return content;
}

const std::vector<Fixture>& fixtures(
    const fuzzsupport::ScratchFolder& scratch) {
  static const std::vector<Fixture> files = {
      {"a", campusFile(scratch)},
      {"b", generatedFile(12)},
      // A self-link, a negative latency, a repeated code, a repeated link.
      {"c",
       "4 5\nX x 1 u\nY y 2 u\nX z 3 u\nW w -1 u\n"
       "X X 4\nX Y -3\nY X 6\nW Y 0\nX Y -3\n"},
      // Ends inside its second link record.
      {"d", "3 3\nP p 1 u\nQ q 1 u\nR r 1 u\nP Q 1\nQ"},
      {"f", generatedFile(MAX_DEVICES)},
  };
  return files;
}

void layOut(const fuzzsupport::ScratchFolder& scratch) {
  for (const Fixture& fixture : fixtures(scratch)) {
    fuzzsupport::writeFile(scratch.file(fixture.name), fixture.content);
  }
  mkdir(scratch.file("e").c_str(), 0700);
}

// Output that is counted rather than kept: menu passes (menu prompts),
// whether a save was asked for, and the last bytes written.
class SessionOutput : public std::streambuf {
 public:
  explicit SessionOutput(size_t passLimit) : passLimit_(passLimit) {
    setp(buffer_, buffer_ + sizeof buffer_);
  }

  bool askedToSave() {
    consume();
    return askedToSave_;
  }
  const std::string& tail() {
    consume();
    return tail_;
  }

 protected:
  int_type overflow(int_type c) override {
    consume();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override {
    consume();
    return 0;
  }

 private:
  // Scans what was written since the last call, together with the end of
  // what came before, so that a prompt split between two calls is seen.
  void consume() {
    tail_.append(pbase(), pptr());
    setp(buffer_, buffer_ + sizeof buffer_);
    for (size_t at = tail_.find(kMenuPrompt, scanned_); at != std::string::npos;
         at = tail_.find(kMenuPrompt, at + 1)) {
      if (++passes_ > passLimit_) {
        fuzzsupport::fail("the session exceeded its step bound");
      }
      scanned_ = at + 1;
    }
    if (!askedToSave_ && tail_.find(kSavePrompt) != std::string::npos) {
      askedToSave_ = true;
    }
    // Keep less than one prompt's worth of bytes, unscanned ones included.
    constexpr size_t kKeep = 96;
    if (tail_.size() > kKeep) {
      const size_t drop = tail_.size() - kKeep;
      tail_.erase(0, drop);
      scanned_ = scanned_ > drop ? scanned_ - drop : 0;
    }
  }

  size_t passLimit_;
  size_t passes_ = 0;
  size_t scanned_ = 0;
  bool askedToSave_ = false;
  std::string tail_;
  char buffer_[1 << 14];
};

// After a session that saved: the folder holds the fixtures, each either
// as it was or replaced by a topology that loads, and any new file is a
// topology that loads. Then the folder is laid out afresh.
void checkAndRestore(const fuzzsupport::ScratchFolder& scratch) {
  std::set<std::string> present;
  for (const std::string& name : fuzzsupport::listFolder(scratch.path())) {
    present.insert(name);
    if (name == "e") continue;
    const std::string full = scratch.file(name);
    bool original = false;
    for (const Fixture& fixture : fixtures(scratch)) {
      original = original || (fixture.name == name &&
                              fuzzsupport::readFile(full) == fixture.content);
    }
    if (original) continue;
    TopologyGraph g = {};
    std::ostringstream out;
    loadGraphFromFile(&g, full.c_str(), out);
    require(fuzzsupport::startsWith(out.str(), "✔ 从文件 "),
            "a saved file does not load: " + name + ": " + out.str());
    fuzzsupport::release(&g);
    fuzzsupport::removeTree(full);
  }
  for (const Fixture& fixture : fixtures(scratch)) {
    require(present.count(fixture.name) == 1,
            "a file was lost: " + fixture.name);
  }
  layOut(scratch);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzzsupport::ScratchFolder scratch;
  static const bool laidOut = (layOut(scratch), true);
  (void)laidOut;

  // No typed name may reach outside the scratch folder.
  std::string input(reinterpret_cast<const char*>(data), size);
  for (char& c : input) {
    if (c == '/') c = '_';
  }
  std::istringstream in(input);
  SessionOutput counter(size + 1);
  std::ostream out(&counter);

  const int home = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  require(home >= 0 && chdir(scratch.path().c_str()) == 0,
          "cannot enter the scratch folder");
  const int status = runMenu(in, out);
  require(fchdir(home) == 0 && close(home) == 0,
          "cannot leave the scratch folder");

  require(status == 0, "the session did not end with status 0");
  require(endsWith(counter.tail(), kFarewell), "no farewell line at the end");
  require(parray == nullptr, "the latency matrix outlived the session");
  if (counter.askedToSave()) checkAndRestore(scratch);
  return 0;
}
