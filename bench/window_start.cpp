// Start-up of a desktop program to its first window, for the figures:
//
//   window_start TITLE PROGRAM [ARGUMENT...]
//
// Starts PROGRAM on the X display $DISPLAY, waits until it maps a window
// titled TITLE, then prints the milliseconds from the start to the map and
// the program's peak memory at that moment (VmHWM, KiB), and ends the
// program. The map is seen as an event of the X server, not by polling. A
// program started through `wine` becomes the Windows program in the same
// process, so the memory is the Windows program's.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// The window's title: _NET_WM_NAME (UTF-8) where set, else WM_NAME.
std::string TitleOf(Display* display, Window window) {
  for (const char* name : {"_NET_WM_NAME", "WM_NAME"}) {
    Atom type;
    int format;
    unsigned long count, left;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False,
                           AnyPropertyType, &type, &format, &count, &left, &data) == Success &&
        data != nullptr) {
      std::string title(reinterpret_cast<char*>(data), count);
      XFree(data);
      if (!title.empty()) return title;
    }
  }
  return {};
}

long PeakKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: window_start TITLE PROGRAM [ARGUMENT...]\n", stderr);
    return 2;
  }
  const std::string wanted = argv[1];
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("window_start: no X display\n", stderr);
    return 2;
  }
  // Every window made on the screen is reported, and watched for its title
  // in case that comes after the map.
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);

  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    // The program's output is not wanted, and what it starts in turn (Wine's
    // services) must not keep this program's output open.
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execvp(argv[2], argv + 2);
    _exit(127);
  }
  const Clock::time_point deadline = start + std::chrono::seconds(60);
  for (;;) {
    while (XPending(display) == 0) {
      const auto left = deadline - Clock::now();
      if (left <= Clock::duration::zero() || waitpid(child, nullptr, WNOHANG) == child) {
        std::fprintf(stderr, "window_start: no window named %s\n", wanted.c_str());
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        return 1;
      }
      fd_set ready;
      FD_ZERO(&ready);
      FD_SET(ConnectionNumber(display), &ready);
      timeval wait{0, 20'000};
      select(ConnectionNumber(display) + 1, &ready, nullptr, nullptr, &wait);
    }
    XEvent event;
    XNextEvent(display, &event);
    Window window = None;
    if (event.type == CreateNotify) {
      XSelectInput(display, event.xcreatewindow.window, PropertyChangeMask);
    } else if (event.type == MapNotify) {
      window = event.xmap.window;
    } else if (event.type == PropertyNotify) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(display, event.xproperty.window, &attributes) &&
          attributes.map_state == IsViewable) {
        window = event.xproperty.window;
      }
    }
    if (window != None && TitleOf(display, window) == wanted) break;
  }
  const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  const long peak = PeakKib(child);
  std::printf("%.1f %ld\n", elapsed, peak);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  XCloseDisplay(display);
  return 0;
}
