// Runs topoplan-resilience in-process on arbitrary input: the first line
// holds the arguments, split at spaces, and the rest is a topology file in
// a scratch folder, whose name is added as the last argument unless the
// line starts with "!" (then the arguments alone are parsed). Every run
// must end with status 0, 1 or 2; a refusal writes one message and no
// report, a report only warnings; a report in JSON parses, has one scenario per
// device and route- carrying link (or the one asked for), and a text report
// fits 80 columns.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "resilience_command.h"
#include "resilience_text.h"
#include "utf8.h"

namespace {

using fuzzsupport::require;

std::vector<std::string> wordsOf(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string word; std::getline(in, word, ' ');) {
    if (!word.empty()) words.push_back(word);
  }
  return words;
}

void checkJson(const std::string& output,
               const ResilienceArguments& arguments) {
  const nlohmann::json report = nlohmann::json::parse(output, nullptr, false);
  require(!report.is_discarded(), "the JSON report does not parse");
  const bool single =
      !arguments.failures.devices.empty() || !arguments.failures.links.empty();
  const size_t scenarios = report.at("scenarios").size();
  if (single) {
    require(scenarios == 1, "a --fail run without exactly one scenario");
  } else {
    require(scenarios >= report.at("devices").get<size_t>(),
            "the N-1 report misses a device");
  }
  require(report.at("route").is_null() != arguments.route,
          "the route is there when not asked, or missing when asked");
  for (const auto& scenario : report.at("scenarios")) {
    require(scenario.at("parts").get<int>() >= 0 &&
                scenario.at("lost_pairs").get<int>() >= 0 &&
                scenario.at("slower_pairs").get<int>() >= 0,
            "a negative figure");
    require(scenario.at("worst").is_null() ==
                (scenario.at("slower_pairs").get<int>() == 0),
            "a worst pair without a slower pair, or the other way round");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const fuzzsupport::ScratchFolder scratch;
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t lineEnd = input.find('\n');
  const std::string line = input.substr(0, lineEnd);
  const std::string fileName = scratch.file("input.txt");
  fuzzsupport::writeFile(
      fileName, lineEnd == std::string::npos ? "" : input.substr(lineEnd + 1));

  std::vector<std::string> words = wordsOf(line);
  const bool argumentsOnly = !words.empty() && words[0] == "!";
  if (argumentsOnly) words.erase(words.begin());
  if (!argumentsOnly) words.push_back(fileName);
  std::vector<const char*> argv{"topoplan-resilience"};
  for (const std::string& word : words) {
    // "-" would read the fuzzer's own standard input.
    if (word != "-") argv.push_back(word.c_str());
  }

  std::ostringstream out;
  std::ostringstream errors;
  const int status =
      runResilience(static_cast<int>(argv.size()), argv.data(), out, errors);
  require(status >= 0 && status <= 2, "an exit status outside 0-2");
  if (status != 0) {
    require(out.str().empty() && !errors.str().empty(),
            "a refusal without a message, or with a report");
    return 0;
  }
  // A successful run may warn about its input, and says nothing else.
  std::istringstream said(errors.str());
  for (std::string message; std::getline(said, message);) {
    require(fuzzsupport::startsWith(message, "⚠ "),
            "a message on a successful run");
  }

  ResilienceArguments arguments;
  require(parseResilienceArguments(static_cast<int>(argv.size()), argv.data(),
                                   &arguments)
              .empty(),
          "a run succeeded on arguments that do not parse");
  if (arguments.help || arguments.version) return 0;
  if (arguments.json) {
    checkJson(out.str(), arguments);
    return 0;
  }
  std::istringstream text(out.str());
  for (std::string reportLine; std::getline(text, reportLine);) {
    require(displayWidth(reportLine) <= 80,
            "a report line wider than 80 columns: " + reportLine);
  }
  return 0;
}
