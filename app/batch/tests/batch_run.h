// Runs relivox-batch as a child process with its own TMPDIR and working
// folder, and captures what it writes and how it ends.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

extern char** environ;

struct BatchResult {
  int exitCode = -1;  // -1: killed or did not end in time
  std::string out;
  std::string err;
};

struct BatchRun {
  std::vector<std::string> args;
  std::string tmpdir;                      // TMPDIR of the child; kept as inherited when empty
  std::string cwd;                         // working folder; inherited when empty
  std::map<std::string, std::string> env;  // further variables (set or replaced)
  int timeoutSeconds = 120;
  bool stderrTerminal = false;  // standard error on a pseudo-terminal
  bool outputClosed = false;    // nobody reads standard output
  // The program as it was before it read portal files: these tests hold it
  // to the window's rules, byte for byte.
  bool windowRules = true;
  rlim_t fileSizeLimit = 0;     // bytes a file of the child may reach (ulimit -f); 0: inherited
  std::string input = "/dev/null";  // the file the child reads as standard input
  rlim_t addressSpaceLimit = 0;  // bytes of address space of the child (ulimit -v); 0: inherited
  std::string program;           // another copy of the program; RELIVOX_BATCH when empty
};

inline BatchResult RunBatch(const BatchRun& run) {
  BatchResult result;
  std::map<std::string, std::string> vars;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const auto eq = entry.find('=');
    if (eq != std::string::npos) vars[entry.substr(0, eq)] = entry.substr(eq + 1);
  }
  if (!run.tmpdir.empty()) vars["TMPDIR"] = run.tmpdir;
  for (const auto& [name, value] : run.env) vars[name] = value;
  std::vector<std::string> envText;
  for (const auto& [name, value] : vars) envText.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (auto& text : envText) envp.push_back(text.data());
  envp.push_back(nullptr);

  std::vector<std::string> argText{run.program.empty() ? std::string(RELIVOX_BATCH) : run.program};
  if (run.windowRules) argText.push_back("--window-rules");
  argText.insert(argText.end(), run.args.begin(), run.args.end());
  std::vector<char*> argv;
  for (auto& text : argText) argv.push_back(text.data());
  argv.push_back(nullptr);

  int outPipe[2], errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0) return result;
  std::string terminalName;
  if (run.stderrTerminal) {
    // The parent keeps only the master side, so reading it ends when the child is gone.
    errPipe[0] = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    errPipe[1] = -1;
    if (errPipe[0] >= 0 && ::grantpt(errPipe[0]) == 0 && ::unlockpt(errPipe[0]) == 0)
      terminalName = ::ptsname(errPipe[0]);
    // No output processing, so that every CR read back is one the program wrote.
    const int terminal =
        terminalName.empty() ? -1 : ::open(terminalName.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (terminal >= 0 && ::tcgetattr(terminal, &settings) == 0) {
      settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
      ::tcsetattr(terminal, TCSANOW, &settings);
    }
    if (terminal >= 0) ::close(terminal);
    if (terminalName.empty()) {
      if (errPipe[0] >= 0) ::close(errPipe[0]);
      ::close(outPipe[0]);
      ::close(outPipe[1]);
      return result;
    }
  } else if (::pipe2(errPipe, O_CLOEXEC) != 0) {
    ::close(outPipe[0]);
    ::close(outPipe[1]);
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  if (run.stderrTerminal)
    posix_spawn_file_actions_addopen(&actions, 2, terminalName.c_str(), O_RDWR | O_NOCTTY, 0);
  else
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  posix_spawn_file_actions_addopen(&actions, 0, run.input.c_str(), O_RDONLY, 0);
  if (!run.cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, run.cwd.c_str());
  pid_t pid = 0;
  // The child inherits the limit; this process has it only while spawning.
  rlimit saved{}, savedSpace{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  ::getrlimit(RLIMIT_AS, &savedSpace);
  if (run.fileSizeLimit > 0) {
    rlimit limit = saved;
    limit.rlim_cur = run.fileSizeLimit;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  if (run.addressSpaceLimit > 0) {
    rlimit limit = savedSpace;
    limit.rlim_cur = run.addressSpaceLimit;
    ::setrlimit(RLIMIT_AS, &limit);
  }
  const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  if (run.fileSizeLimit > 0) ::setrlimit(RLIMIT_FSIZE, &saved);
  if (run.addressSpaceLimit > 0) ::setrlimit(RLIMIT_AS, &savedSpace);
  posix_spawn_file_actions_destroy(&actions);
  ::close(outPipe[1]);
  if (errPipe[1] >= 0) ::close(errPipe[1]);
  if (spawned != 0) {
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    result.err = std::string("spawn failed: ") + std::strerror(spawned);
    return result;
  }

  // Both pipes are drained together so that a full one cannot stall the child.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(run.timeoutSeconds);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  if (run.outputClosed) {
    ::close(outPipe[0]);
    fds[0].fd = -1;
    open = 1;
  }
  bool timedOut = false;
  while (open > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    if (::poll(fds, 2, static_cast<int>(left.count())) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[65536];
      const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  if (timedOut) ::kill(pid, SIGKILL);
  for (auto& fd : fds)
    if (fd.fd >= 0) ::close(fd.fd);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

inline BatchResult RunBatch(std::vector<std::string> args, const std::string& tmpdir = {},
                            const std::string& cwd = {}) {
  BatchRun run;
  run.args = std::move(args);
  run.tmpdir = tmpdir;
  run.cwd = cwd;
  return RunBatch(run);
}
