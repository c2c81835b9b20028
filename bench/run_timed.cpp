// Runs a command several times with its standard input from a file and its
// standard output drained through a pipe, and prints the median wall time
// and the largest peak resident set size.
//
//   run_timed RUNS INPUT-FILE COMMAND [ARGS...]
// prints: <median seconds> <max RSS KiB> <output bytes>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Run {
  double seconds;
  long maxRssKiB;
  long outputBytes;
};

Run runOnce(const char* inputFile, char** command) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) std::exit(3);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int input = open(inputFile, O_RDONLY);
    if (input < 0) _exit(126);
    dup2(input, STDIN_FILENO);
    dup2(pipeFds[1], STDOUT_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    execvp(command[0], command);
    _exit(127);
  }
  close(pipeFds[1]);
  static char buffer[1 << 16];
  long bytes = 0;
  for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
    bytes += got;
  }
  close(pipeFds[0]);
  int status = 0;
  struct rusage usage;
  wait4(child, &status, 0, &usage);
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "run_timed: %s failed\n", command[0]);
    std::exit(3);
  }
  return {std::chrono::duration<double>(end - start).count(), usage.ru_maxrss,
          bytes};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: run_timed RUNS INPUT-FILE COMMAND [ARGS...]\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  std::vector<double> times;
  long maxRss = 0;
  long bytes = 0;
  for (int i = 0; i < runs; ++i) {
    const Run run = runOnce(argv[2], argv + 3);
    times.push_back(run.seconds);
    maxRss = std::max(maxRss, run.maxRssKiB);
    bytes = run.outputBytes;
  }
  std::sort(times.begin(), times.end());
  std::printf("%.6f %ld %ld\n", times[times.size() / 2], maxRss, bytes);
  return 0;
}
