// Runs a step as another, unprivileged user, as an attacker sharing the
// machine would. Only root can do that; tests skip without it.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

inline constexpr uid_t kOtherUser = 65534;  // nobody

// Empty when this process can run steps as kOtherUser, else why not.
inline std::string WhyNoOtherUser() {
  if (geteuid() != 0) return "planting a file as another user needs root";
  return {};
}

// Runs `step` in a child process as kOtherUser; true when it became that
// user and `step` returned true.
template <typename Step>
bool AsOtherUser(Step step) {
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setresgid(kOtherUser, kOtherUser, kOtherUser) != 0 ||
        setresuid(kOtherUser, kOtherUser, kOtherUser) != 0)
      _exit(2);
    _exit(step() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
