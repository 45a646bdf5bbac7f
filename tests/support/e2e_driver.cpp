#include "support/e2e_driver.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

extern char** environ;

std::string ToString(const Rgb& c) {
  return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

std::string Shell(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

RunningApp::RunningApp(const std::string& stderr_path) {
  const char* bin = std::getenv("CELLREEL_BIN");
  if (!bin) return;
  char* argv[] = {const_cast<char*>(bin), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!stderr_path.empty())
    posix_spawn_file_actions_addopen(&actions, 2, stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  const int spawned = posix_spawn(&pid_, bin, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    pid_ = -1;
    return;
  }
  // The window appears once the program has started.
  for (int i = 0; i < 200 && window_id_.empty(); ++i) {
    // This process's window: a window of a program that just ended can
    // still be listed for a moment.
    std::string id = WindowsOf(pid_, "^Cellreel$");
    id = id.substr(0, id.find('\n'));
    if (!id.empty()) window_id_ = id;
    else Sleep(50);
  }
  Sleep(500);  // a few repaints
}

RunningApp::~RunningApp() {
  if (pid_ > 0 && WaitExit(0) == -1) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

void RunningApp::Move(int x, int y) {
  Shell("xdotool mousemove " + std::to_string(origin_x + x) + " " + std::to_string(origin_y + y));
}

void RunningApp::Click(int x, int y) {
  Move(x, y);
  Sleep(60);
  Shell("xdotool click 1");
  Sleep(120);  // at least one repaint acts on it
}

int RunningApp::WaitExit(int ms) {
  if (pid_ <= 0) return -2;
  for (int waited = 0;; waited += 20) {
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    }
    if (waited >= ms) return -1;
    Sleep(20);
  }
}

void RunningApp::Signal(int sig) {
  if (pid_ > 0) kill(pid_, sig);
}

PixmapPtr Screenshot() {
  static int n = 0;
  const auto path = std::filesystem::temp_directory_path() /
                    ("cellreel-e2e-" + std::to_string(getpid()) + "-" + std::to_string(n++) + ".png");
  Shell("import -window root " + path.string() + " 2>/dev/null");
  PixmapPtr shot = LoadPixmap(path.string());
  std::filesystem::remove(path);
  if (shot && shot->format != PF_RGBA8888) shot = ConvertToRGBA(*shot);
  return shot;
}

Rgb PixelAt(const TPixmap& shot, int x, int y) {
  if (x < 0 || y < 0 || x >= shot.width || y >= shot.height) return {-1, -1, -1};
  const uint8_t* p = shot.Row(y) + 4 * x;
  return {p[0], p[1], p[2]};
}

namespace {

std::string SearchCommand(pid_t pid, const std::string& name, bool sync = false) {
  return std::string("xdotool search ") + (sync ? "--sync " : "") + "--all --onlyvisible --pid " + std::to_string(pid) + " --name '" + name +
         "' 2>/dev/null";
}

// Waits for app's chooser, gives it the focus, runs `keys` (a shell command
// line of xdotool calls) and waits for it to close.
std::string AnswerFileChooser(const RunningApp& app, const std::string& keys) {
  const char* name = "Select graphic file to open";
  const std::string dialog = WaitForWindowOf(app.pid(), name, 15);
  if (dialog.empty()) return "the file chooser did not open";
  Sleep(800);
  Shell("xdotool windowfocus --sync " + dialog + " 2>/dev/null");
  Shell(keys);
  for (int i = 0; i < 100; ++i) {
    if (WindowsOf(app.pid(), name).empty()) return "";
    Sleep(50);
  }
  return "the chooser is still open";
}

}  // namespace

std::string WindowsOf(pid_t pid, const std::string& name) { return Shell(SearchCommand(pid, name)); }

std::string WaitForWindowOf(pid_t pid, const std::string& name, int seconds) {
  std::string id = Shell("timeout " + std::to_string(seconds) + " " +
                         SearchCommand(pid, name, true) + " | head -n1");
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  return id;
}

std::string ChooseInFileChooser(const RunningApp& app, const std::string& path) {
  // The location entry first, then the path: a key typed while the entry
  // is still opening can be lost.
  return AnswerFileChooser(app, "xdotool key ctrl+l; sleep 0.7; xdotool type --delay 40 '" + path +
                           "'; sleep 0.5; xdotool key Return");
}

std::string CancelFileChooser(const RunningApp& app) {
  return AnswerFileChooser(app, "xdotool key Escape");
}

Rgb Client(RunningApp& app, int x, int y) {
  PixmapPtr shot = Screenshot();
  if (!shot) return {-1, -1, -1};
  return PixelAt(*shot, app.origin_x + x, app.origin_y + y);
}

bool Choose(RunningApp& app, const std::string& path) {
  app.Click(740, 308);  // "Load"
  return ChooseInFileChooser(app, path).empty();
}
