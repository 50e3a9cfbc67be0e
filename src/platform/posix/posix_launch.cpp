// WinExec on POSIX: the program is found as CreateProcess finds it (see
// posix_command_line.h) and started detached, in a session of its own, not waited for.
//
// Finding a program named by a Windows-style path: the path as written, then, when its
// file name has no extension, the same with ".exe" appended (the Windows rule, kept for
// archives made for Windows). A bare name without any directory is looked for in the
// running program's directory, the current directory and the directories of PATH.
// A program file that lacks the owner's execute permission gets it first: on Windows a
// file runs by its name, and the files the stub unpacks carry Windows attributes only.
// The arguments are passed as the Microsoft run-time would split them, code page
// converted to UTF-8 but otherwise untouched (paths in them keep their '\').
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

#include "platform/posix/posix_command_line.h"
#include "platform/posix/posix_hook_state.h"
#include "platform/posix/posix_log.h"
#include "platform/posix/posix_paths.h"
#include "platform/system.h"

namespace lzsfx::platform {
namespace {

constexpr std::size_t ProgramPathBufferSize = 4096;  // bytes

bool IsRegularFile(const std::string& posixPath) {
  struct stat status;
  return stat(posixPath.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool HasExtension(const std::string& posixPath) {
  const std::size_t slash = posixPath.rfind('/');
  const std::size_t dot = posixPath.rfind('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

std::optional<std::string> ExistingFile(const std::string& posixPath) {
  if (posixPath.empty()) return std::nullopt;
  if (IsRegularFile(posixPath)) return posixPath;
  if (!HasExtension(posixPath) && IsRegularFile(posixPath + ".exe")) return posixPath + ".exe";
  return std::nullopt;
}

std::vector<std::string> SearchDirectories() {
  std::vector<std::string> directories;
  const std::string program = detail::ToPosixPath(ProgramPath(ProgramPathBufferSize));
  const std::size_t slash = program.rfind('/');
  if (slash != std::string::npos) directories.push_back(program.substr(0, slash));
  directories.push_back(".");
  const char* path = std::getenv("PATH");
  std::string_view rest = path != nullptr ? path : "";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    const std::string_view entry = rest.substr(0, colon);
    if (!entry.empty()) directories.emplace_back(entry);
    rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
  }
  return directories;
}

std::optional<std::string> FindProgram(const std::string& windowsName) {
  const std::string name = detail::ToPosixPath(windowsName);
  if (name.find('/') != std::string::npos) return ExistingFile(name);
  for (const std::string& directory : SearchDirectories()) {
    if (auto found = ExistingFile(directory + "/" + name)) return found;
  }
  return std::nullopt;
}

struct Launch {
  std::string program;  // POSIX path, empty when none was found
  std::vector<std::string> arguments;
};

Launch Resolve(const std::string& commandLine) {
  for (const detail::ProgramCandidate& candidate : detail::ProgramCandidates(commandLine)) {
    if (auto program = FindProgram(candidate.program)) {
      std::vector<std::string> arguments = detail::SplitArguments(candidate.rest);
      for (std::string& argument : arguments) argument = detail::AnsiToUtf8(argument);
      return {std::move(*program), std::move(arguments)};
    }
  }
  return {};
}

void MakeExecutableForOwner(const std::string& program) {
  struct stat status;
  if (stat(program.c_str(), &status) == 0 && (status.st_mode & S_IXUSR) == 0) {
    chmod(program.c_str(), (status.st_mode & 07777) | S_IXUSR);
  }
}

// Starts the program in a grandchild, so that it is no child of ours to reap and lives
// on after the stub ends. The grandchild reports a failed exec through a pipe that
// closes by itself when the exec succeeds.
bool StartDetached(const Launch& launch) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(launch.program.c_str()));
  for (const std::string& argument : launch.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0) {
    close(report[0]);
    setsid();
    const pid_t grandchild = fork();
    if (grandchild == 0) execv(argv[0], argv.data());  // returns only when it failed
    if (grandchild > 0) _exit(0);
    const int failure = errno;  // of execv in the grandchild, or of the second fork
    [[maybe_unused]] const ssize_t written = write(report[1], &failure, sizeof failure);
    _exit(127);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int failure = 0;
  ssize_t got;
  while ((got = read(report[0], &failure, sizeof failure)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  return got == 0;
}

}  // namespace

bool LaunchCommand(const std::string& commandLine) {
  Launch launch = Resolve(commandLine);
  bool started = false;
  if (detail::Hooks().recordLaunches) {
    detail::Hooks().launches.push_back({commandLine, launch.program, launch.arguments});
    started = !launch.program.empty();
  } else if (!launch.program.empty()) {
    MakeExecutableForOwner(launch.program);
    started = StartDetached(launch);
  }
  detail::AppendLogRecord("LZSFX_LAUNCH_LOG", {detail::AnsiToUtf8(commandLine), launch.program, started ? "1" : "0"});
  return started;
}

}  // namespace lzsfx::platform
