// The suggested links against the bound, a brute-force optimum on small
// networks and the real single-point finder, and the command's options.
#include "augmentation.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "resilience_command.h"
#include "support/operator_network.h"
#include "support/scratch.h"

namespace {

bool survives(int devices, std::vector<Link> links,
              const std::vector<Link>& added, SurvivalGoal goal) {
  links.insert(links.end(), added.begin(), added.end());
  const SinglePoints points = findSinglePoints(devices, links);
  return countParts(devices, links, FailureSet{}) == 1 &&
         points.links.empty() &&
         (goal == SurvivalGoal::kLinks || points.devices.empty());
}

// The least total latency of any subset of `candidates` that meets the
// goal, and the fewest links among those; -1 when none does.
std::pair<long long, int> bruteForce(int devices,
                                     const std::vector<Link>& links,
                                     const std::vector<Link>& candidates,
                                     SurvivalGoal goal) {
  std::pair<long long, int> best{-1, -1};
  for (unsigned mask = 0; mask < (1U << candidates.size()); ++mask) {
    std::vector<Link> added;
    long long total = 0;
    for (size_t i = 0; i < candidates.size(); ++i) {
      if ((mask >> i & 1U) != 0) {
        added.push_back(candidates[i]);
        total += candidates[i].latency;
      }
    }
    if ((best.first != -1 && total > best.first) ||
        !survives(devices, links, added, goal)) {
      continue;
    }
    const int count = static_cast<int>(added.size());
    if (best.first == -1 || total < best.first || count < best.second) {
      best = {total, count};
    }
  }
  return best;
}

// A random network of 3 to 7 devices: a forest, or a sparse graph.
std::vector<Link> randomLinks(std::mt19937* random, int devices) {
  std::vector<Link> links;
  for (int b = 1; b < devices; ++b) {
    if ((*random)() % 4 != 0) {
      links.push_back({static_cast<int>((*random)() % b), b,
                       1 + static_cast<int>((*random)() % 9)});
    }
  }
  if ((*random)() % 2 == 0 && devices > 3) links.push_back({0, devices - 1, 4});
  return links;
}

TEST(Augmentation, MatchesBruteForceOnSmallNetworks) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 300; ++trial) {
    const int devices = 3 + trial % 4;
    const std::vector<Link> links = randomLinks(&random, devices);
    const bool unit = trial % 2 == 0;
    const std::vector<Link> candidates =
        unlinkedPairs(devices, links, [&](int, int) {
          return unit ? 1 : 1 + static_cast<int>(random() % 20);
        });
    for (SurvivalGoal goal : {SurvivalGoal::kLinks, SurvivalGoal::kDevices}) {
      SCOPED_TRACE("trial " + std::to_string(trial) + " goal " +
                   std::to_string(static_cast<int>(goal)));
      const Augmentation found =
          augmentNetwork(devices, links, candidates, goal);
      const auto optimum = bruteForce(devices, links, candidates, goal);
      ASSERT_NE(optimum.first, -1);
      ASSERT_TRUE(found.complete);
      EXPECT_TRUE(survives(devices, links, found.added, goal));
      long long total = 0;
      for (const Link& link : found.added) total += link.latency;
      EXPECT_LE(found.lowerBound, optimum.second);
      if (unit && goal == SurvivalGoal::kLinks) {
        EXPECT_EQ(static_cast<int>(found.added.size()), found.lowerBound);
        EXPECT_EQ(total, optimum.first);
      } else {
        EXPECT_LE(total, 2 * optimum.first);
      }
    }
  }
}

// Operator networks, whole and cut into parts by dropping every tenth link:
// unit costs give exactly the bound, latencies a valid set.
TEST(Augmentation, LargeGeneratedNetworks) {
  for (const bool cut : {false, true}) {
    for (const int devices : {150, 400}) {
      SCOPED_TRACE(std::to_string(devices) + (cut ? " cut" : ""));
      const Network network = networks::operatorNetwork(devices, 11);
      std::vector<Link> links;
      for (size_t i = 0; i < network.links.size(); ++i) {
        if (!cut || i % 10 != 5) links.push_back(network.links[i]);
      }
      // The worst lost pairs come from the parts alone: the same count
      // as the measured scenarios, for every single point.
      const SinglePoints points = findSinglePoints(devices, links);
      for (const ScenarioFigures& scenario :
           singlePointScenarios(devices, links, points, {})) {
        EXPECT_EQ(disconnectedPairs(devices, links, scenario.failed),
                  scenario.lostPairs);
      }
      const std::vector<Link> unit =
          unlinkedPairs(devices, links, [](int, int) { return 1; });
      const Augmentation fewest =
          augmentNetwork(devices, links, unit, SurvivalGoal::kLinks);
      EXPECT_TRUE(fewest.complete);
      EXPECT_EQ(static_cast<int>(fewest.added.size()), fewest.lowerBound);
      const std::vector<Link> priced =
          unlinkedPairs(devices, links,
                        [](int a, int b) { return 1 + (a * 7 + b * 13) % 50; });
      for (SurvivalGoal goal : {SurvivalGoal::kLinks, SurvivalGoal::kDevices}) {
        const Augmentation found = augmentNetwork(devices, links, priced, goal);
        EXPECT_TRUE(found.complete);
        EXPECT_TRUE(survives(devices, links, found.added, goal));
        EXPECT_GE(static_cast<int>(found.added.size()), found.lowerBound);
      }
    }
  }
}

// Four hubs in a chain, each with two rings of three hanging from it and
// its rings' links listed first, so that the search closes a ring first
// at each hub: eight blocks with one cut device each, and each needs a new
// link of its own ends, so no fewer than four links will do.
TEST(Augmentation, EveryBlockWithOneCutDeviceIsALeaf) {
  std::vector<Link> links;
  for (int hub = 0; hub < 4; ++hub) {
    const int x = hub * 5;
    for (const int ring : {x + 1, x + 3}) {
      links.insert(links.end(),
                   {{x, ring, 1}, {ring, ring + 1, 1}, {x, ring + 1, 1}});
    }
  }
  for (int hub = 0; hub + 1 < 4; ++hub)
    links.push_back({hub * 5, hub * 5 + 5, 1});
  const std::vector<Link> unit =
      unlinkedPairs(20, links, [](int, int) { return 1; });
  const Augmentation found =
      augmentNetwork(20, links, unit, SurvivalGoal::kDevices);
  EXPECT_EQ(found.lowerBound, 4);
  EXPECT_TRUE(found.complete);
  EXPECT_EQ(found.added.size(), 4U);
}

TEST(Augmentation, TooFewDevicesOrCandidates) {
  EXPECT_FALSE(
      augmentNetwork(2, {}, {{0, 1, 1}}, SurvivalGoal::kDevices).possible);
  // A path A-B-C with only A-B's twin offered: nothing usable.
  const Augmentation none = augmentNetwork(3, {{0, 1, 1}, {1, 2, 1}},
                                           {{0, 1, 1}}, SurvivalGoal::kLinks);
  EXPECT_FALSE(none.complete);
  EXPECT_TRUE(none.added.empty());
}

struct CommandRun {
  int status;
  std::string out;
  std::string errors;
};

CommandRun run(std::vector<std::string> words) {
  std::vector<const char*> argv{"topoplan-resilience"};
  for (const std::string& word : words) argv.push_back(word.c_str());
  std::ostringstream out;
  std::ostringstream errors;
  const int status =
      runResilience(static_cast<int>(argv.size()), argv.data(), out, errors);
  return {status, out.str(), errors.str()};
}

constexpr char kPath[] =
    "4 2\nA a 1 x\nB b 1 x\nC c 1 x\nD d 1 x\nA B 3\nB C 4\n";

TEST(SuggestCommand, CandidateFilesAndWhatIf) {
  scratch::ScratchFolder folder;
  const std::string path = folder.file("path.txt");
  ASSERT_TRUE(scratch::writeFile(path, kPath));
  const std::string candidates = folder.file("candidates.txt");
  struct Case {
    const char* content;  // null: no file
    int status;
    const char* expected;  // in the output or the errors
    bool json;
  };
  const Case cases[] = {
      {nullptr, 2, "无法读取候选链路文件", false},
      {"A D 5\n\nA Q 1\n", 2, "第 3 行的设备不存在：Q", false},
      {"A D five\n", 2, "第 1 行不是", false},
      {"C D 2\n", 0, "仍剩", false},
      // A link already there helps nothing: not "nothing needed".
      {"A B 5\n", 0, "建议新增链路 0 条（至少需要 2 条）", false},
      {"A D 9\nC D 2\nA C 1\nD B 3\n", 0, "\"complete\":true", true},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.content == nullptr ? "none" : test.content);
    std::remove(candidates.c_str());
    if (test.content != nullptr) {
      ASSERT_TRUE(scratch::writeFile(candidates, test.content));
    }
    std::vector<std::string> words{path, "--suggest", "links", "--candidates",
                                   candidates};
    if (test.json) words.push_back("--json");
    const CommandRun result = run(words);
    EXPECT_EQ(result.status, test.status);
    EXPECT_NE((result.out + result.errors).find(test.expected),
              std::string::npos)
        << result.out << result.errors;
  }

  // --add-link is the report of the file with the link lines added.
  const std::string edited = folder.file("edited.txt");
  ASSERT_TRUE(scratch::writeFile(
      edited,
      "4 4\nA a 1 x\nB b 1 x\nC c 1 x\nD d 1 x\nA B 3\nB C 4\n"
      "C D 2\nD A 7\n"));
  const CommandRun tried = run({path, "--add-link", "C", "D", "2", "--add-link",
                                "D", "A", "7", "--json"});
  const CommandRun built = run({edited, "--json"});
  EXPECT_EQ(tried.status, 0);
  EXPECT_EQ(tried.out, built.out);
  EXPECT_EQ(run({path, "--add-link", "C", "Q", "2"}).status, 2);

  // --write saves the network with the suggestions; it then needs none.
  const std::string written = folder.file("written.txt");
  EXPECT_EQ(run({path, "--suggest", "devices", "--write", written}).status, 0);
  EXPECT_NE(run({written, "--suggest", "devices"}).out.find("无需新增链路"),
            std::string::npos);
  // Without --suggest there is nothing to write: refused, not ignored.
  const CommandRun unsaved = run({path, "--write", written});
  EXPECT_EQ(unsaved.status, 2);
  EXPECT_EQ(unsaved.errors.find("✘ --write 只用于 --suggest"), 0U);
}

}  // namespace
