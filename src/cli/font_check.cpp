#include "font_check.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

bool chineseFontMissing() {
  int fromList[2];
  if (pipe(fromList) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fromList[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fromList[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null",
                                   O_WRONLY, 0);
  char program[] = "fc-list";
  char pattern[] = ":lang=zh";
  char* arguments[] = {program, pattern, nullptr};
  pid_t child = 0;
  const int spawned =
      posix_spawnp(&child, program, &actions, nullptr, arguments, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fromList[1]);
  std::string listed;
  char buffer[4096];
  ssize_t got = 0;
  while (spawned == 0 &&
         (got = read(fromList[0], buffer, sizeof buffer)) != 0) {
    if (got > 0) listed.append(buffer, static_cast<size_t>(got));
    if (got < 0 && errno != EINTR) break;
  }
  close(fromList[0]);
  if (spawned != 0) return false;
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  const bool ran = WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
  return ran && listed.find_first_not_of(" \t\n") == std::string::npos;
}
