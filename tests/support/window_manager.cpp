#include "support/window_manager.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <vector>

#include "support/e2e_driver.h"

extern char** environ;

WindowManager::WindowManager(const std::string& name) {
  // A manager that went before may have left its mark on the root window.
  Shell("xprop -root -remove _NET_SUPPORTING_WM_CHECK 2>/dev/null");
  std::vector<std::string> args;
  if (name == "mutter") {
    args = {"dbus-run-session", "--", "mutter", "--x11", "--replace", "--sm-disable"};
  } else {
    args = {name, "--replace"};
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  // Its own process group, so that the session bus and the manager stop
  // together.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  if (posix_spawnp(&pid_, argv[0], &quiet, &attr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&quiet);
  posix_spawnattr_destroy(&attr);
  for (int i = 0; i < 200 && pid_ > 0 && !running(); ++i) Sleep(50);
  Sleep(1000);  // a compositor sets up after it has announced itself
}

WindowManager::~WindowManager() {
  if (pid_ > 0) {
    kill(-pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  Shell("xprop -root -remove _NET_SUPPORTING_WM_CHECK 2>/dev/null");
}

bool WindowManager::running() const {
  return pid_ > 0 && Shell("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null")
                             .find("window id") != std::string::npos;
}

Area ClientArea(const std::string& window) {
  Area a;
  const std::string info = Shell("xwininfo -id " + window + " 2>/dev/null");
  auto read = [&](const char* key, int* value) {
    const size_t at = info.find(key);
    if (at == std::string::npos || std::sscanf(info.c_str() + at + std::char_traits<char>::length(key),
                                               "%d", value) != 1) {
      *value = 0;
    }
  };
  read("Absolute upper-left X:", &a.x);
  read("Absolute upper-left Y:", &a.y);
  read("Width:", &a.w);
  read("Height:", &a.h);
  return a;
}
