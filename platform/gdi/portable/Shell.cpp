#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "platform/gdi/ShellTest.h"

extern char** environ;

namespace {

TShellExecuteHandler& Handler() {
  static TShellExecuteHandler handler;
  return handler;
}

std::optional<std::string> Text(LPCSTR s) {
  return s ? std::optional<std::string>(s) : std::nullopt;
}

HINSTANCE Result(uintptr_t value) {
  return reinterpret_cast<HINSTANCE>(value);
}

// Runs in the intermediate child: starts xdg-open in a new session with its
// standard streams on /dev/null, then leaves it to init.
[[noreturn]] void SpawnOpener(const char* file, const char* directory) {
  setsid();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd = 0; fd <= 2; ++fd)
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  if (directory != nullptr) posix_spawn_file_actions_addchdir_np(&actions, directory);
  char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(file), nullptr};
  pid_t pid;
  int rc = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  _exit(rc == 0 ? 0 : 1);
}

}  // namespace

TShellExecuteHandler SetShellExecuteHandler(TShellExecuteHandler handler) {
  TShellExecuteHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT show) {
  if (Handler())
    return Handler()(
        {owner, Text(verb), Text(file), Text(parameters), Text(directory), static_cast<int>(show)});
  if (file == nullptr || *file == '\0') return Result(2);  // ERROR_FILE_NOT_FOUND
  // Double fork: the opener is a grandchild adopted by init, so no zombie is
  // left behind and the program never waits for the browser.
  pid_t child = fork();
  if (child < 0) return Result(8);  // SE_ERR_OOM
  if (child == 0) SpawnOpener(file, directory);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return Result(42);
}
