#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds to `deadline` for poll: -1 without a limit, 0 once passed.
int millisecondsLeft(Clock::time_point deadline, bool limited) {
  if (!limited) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - Clock::now());
  return left.count() <= 0 ? 0 : static_cast<int>(left.count());
}

// A descriptor that closes when it goes out of scope or is given up.
struct PipeEnd {
  int fd = -1;
  PipeEnd() = default;
  PipeEnd(const PipeEnd&) = delete;
  PipeEnd& operator=(const PipeEnd&) = delete;
  ~PipeEnd() { reset(); }
  void reset() {
    if (fd >= 0) close(fd);
    fd = -1;
  }
};

bool makePipe(PipeEnd* readEnd, PipeEnd* writeEnd) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  readEnd->fd = ends[0];
  writeEnd->fd = ends[1];
  return true;
}

// Writes what the child's full pipe takes of the rest of `input`, and
// closes the pipe once all is sent or the child refuses more (its exit
// status tells).
void feed(const std::string& input, size_t* sent, PipeEnd* toChild) {
  const ssize_t written =
      write(toChild->fd, input.data() + *sent, input.size() - *sent);
  if (written > 0) *sent += static_cast<size_t>(written);
  if (*sent == input.size() ||
      (written < 0 && errno != EAGAIN && errno != EINTR)) {
    toChild->reset();
  }
}

// Whether `child` has ended, without reaping it: until it is reaped its
// process ID, and so its group's, cannot be given to another process.
bool hasEnded(pid_t child) {
  siginfo_t info{};
  while (waitid(P_PID, static_cast<id_t>(child), &info,
                WEXITED | WNOHANG | WNOWAIT) != 0) {
    if (errno != EINTR) return true;  // nothing left to wait for
  }
  return info.si_pid == child;
}

// How often the child is looked at while its output stays open.
constexpr int kLookEvery = 100;  // milliseconds

// Reads what the child's output holds; nothing while it stays open.
std::optional<ChildEnd> gather(int fromChild, size_t limit,
                               ChildOutcome* outcome) {
  char buffer[1 << 16];
  const ssize_t got = read(fromChild, buffer, sizeof buffer);
  if (got == 0) return ChildEnd::kExited;
  if (got < 0) {
    if (errno == EINTR) return std::nullopt;
    outcome->error = errno;
    return ChildEnd::kBrokenPipe;
  }
  if (outcome->output.size() + static_cast<size_t>(got) > limit) {
    return ChildEnd::kOutputTooLarge;
  }
  outcome->output.append(buffer, static_cast<size_t>(got));
  return std::nullopt;
}

// How long the next poll may wait: until the deadline (-1: no limit, 0:
// passed), but no longer than kLookEvery until the child is seen to have
// ended. Then whatever it left in its group is killed, so that the output
// closes even where one of them held it open.
int nextWait(pid_t child, Clock::time_point deadline, bool limited,
             bool* groupKilled) {
  const int wait = millisecondsLeft(deadline, limited);
  if (wait == 0 || *groupKilled) return wait;
  if (hasEnded(child)) {
    kill(-child, SIGKILL);
    *groupKilled = true;
    return wait;
  }
  return wait < 0 || wait > kLookEvery ? kLookEvery : wait;
}

// Feeds the input and gathers the output until the output closes, the
// limit or the deadline is passed, or the pipes fail.
ChildEnd exchange(const ChildRequest& request, pid_t child, PipeEnd* toChild,
                  PipeEnd* fromChild, Clock::time_point deadline,
                  ChildOutcome* outcome) {
  const bool limited = request.timeoutSeconds > 0;
  if (request.input.empty()) toChild->reset();
  if (toChild->fd >= 0) fcntl(toChild->fd, F_SETFL, O_NONBLOCK);
  size_t sent = 0;
  bool groupKilled = false;
  for (;;) {
    const int wait = nextWait(child, deadline, limited, &groupKilled);
    if (wait == 0) return ChildEnd::kTimedOut;
    pollfd fds[2] = {{fromChild->fd, POLLIN, 0}, {toChild->fd, POLLOUT, 0}};
    const int ready = poll(fds, toChild->fd >= 0 ? 2 : 1, wait);
    if (ready < 0 && errno != EINTR) {
      outcome->error = errno;
      return ChildEnd::kBrokenPipe;
    }
    if (ready <= 0) continue;
    if (toChild->fd >= 0 && fds[1].revents != 0) {
      feed(request.input, &sent, toChild);
    }
    if (fds[0].revents == 0) continue;
    if (const std::optional<ChildEnd> end =
            gather(fromChild->fd, request.outputLimit, outcome)) {
      return *end;
    }
  }
}

// Waits for the child to end, until the deadline unless `end` already
// calls for killing it; then ends its whole group and reaps it.
ChildEnd awaitChild(pid_t child, Clock::time_point deadline, bool limited,
                    ChildEnd end, int* status) {
  if (end == ChildEnd::kExited) {
    while (!hasEnded(child)) {
      if (millisecondsLeft(deadline, limited) == 0) {
        end = ChildEnd::kTimedOut;
        break;
      }
      usleep(10000);
    }
  }
  kill(-child, SIGKILL);
  while (waitpid(child, status, 0) < 0 && errno == EINTR) {
  }
  if (end == ChildEnd::kExited && !WIFEXITED(*status)) return ChildEnd::kKilled;
  return end;
}

}  // namespace

ChildOutcome runChild(const ChildRequest& request) {
  ChildOutcome outcome;
  PipeEnd childInput;
  PipeEnd toChild;
  PipeEnd fromChild;
  PipeEnd childOutput;
  if (request.command.empty() || !makePipe(&childInput, &toChild) ||
      !makePipe(&fromChild, &childOutput)) {
    outcome.error = request.command.empty() ? ENOENT : errno;
    return outcome;
  }
  // The duplicates on the child's 0 and 1 lose close-on-exec; every other
  // end of the pipes closes as the child starts.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, childInput.fd, STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, childOutput.fd, STDOUT_FILENO);
  if (request.quiet) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null",
                                     O_WRONLY, 0);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  std::vector<char*> arguments;
  for (const std::string& word : request.command) {
    arguments.push_back(const_cast<char*>(word.c_str()));
  }
  arguments.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, arguments[0], &actions, &attributes,
                                   arguments.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  childInput.reset();
  childOutput.reset();
  if (spawned != 0) {
    outcome.error = spawned;
    return outcome;
  }

  const bool limited = request.timeoutSeconds > 0;
  const auto deadline =
      Clock::now() + std::chrono::seconds(request.timeoutSeconds);
  const ChildEnd end =
      exchange(request, child, &toChild, &fromChild, deadline, &outcome);
  // Stopped before its pipes close under it, so that it gets no chance to
  // complain about them on our standard error.
  if (end != ChildEnd::kExited) kill(-child, SIGKILL);
  toChild.reset();
  fromChild.reset();
  outcome.end = awaitChild(child, deadline, limited, end, &outcome.status);
  if (outcome.end == ChildEnd::kExited) {
    outcome.status = WEXITSTATUS(outcome.status);
  } else {
    outcome.status = 0;
  }
  return outcome;
}
