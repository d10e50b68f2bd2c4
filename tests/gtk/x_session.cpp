// The tests' X session over Xlib and XTest.
#include "x_session.h"

#include <X11/Xatom.h>
#include <fcntl.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace gui_testing {
namespace {

Display* D(void* display) { return static_cast<Display*>(display); }

// Windows come and go while the tests look at them: a request about one
// that has just gone fails, and the look simply finds nothing.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

std::string Utf8Property(Display* display, Window window, const char* name) {
  Atom property = XInternAtom(display, name, False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string value;
  if (XGetWindowProperty(display, window, property, 0, 4096, False, AnyPropertyType, &type, &format, &count, &after,
                         &data) == Success &&
      data != nullptr) {
    if (format == 8) value.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
  }
  return value;
}

bool IsDialog(Display* display, Window window) {
  Atom property = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
  Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool found = false;
  if (XGetWindowProperty(display, window, property, 0, 16, False, XA_ATOM, &type, &format, &count, &after, &data) ==
          Success &&
      data != nullptr) {
    const auto* atoms = reinterpret_cast<Atom*>(data);
    for (unsigned long i = 0; i < count; ++i) found = found || atoms[i] == dialog;
    XFree(data);
  }
  return found;
}

long MotifFunctions(Display* display, Window window) {
  Atom property = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long functions = -1;
  if (XGetWindowProperty(display, window, property, 0, 5, False, AnyPropertyType, &type, &format, &count, &after,
                         &data) == Success &&
      data != nullptr) {
    const auto* hints = reinterpret_cast<long*>(data);
    if (count >= 2 && (hints[0] & 1)) functions = hints[1];  // MWM_HINTS_FUNCTIONS
    XFree(data);
  }
  return functions;
}

// An Xvfb on a free display number, told by the server itself (-displayfd).
}  // namespace

XSession* XSession::StartXvfb(std::string* reason) {
  if (access("/usr/bin/Xvfb", X_OK) != 0) {
    *reason = "Xvfb is not installed (apt-get install xvfb)";
    return nullptr;
  }
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return nullptr;
  const std::string fd = std::to_string(pipeFds[1]);
  const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", nullptr};
  pid_t pid = 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const int spawned = posix_spawn(&pid, "/usr/bin/Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (spawned != 0) {
    close(pipeFds[0]);
    *reason = "Xvfb could not be started";
    return nullptr;
  }
  std::string number;
  char c = 0;
  while (read(pipeFds[0], &c, 1) == 1 && c != '\n') number.push_back(c);
  close(pipeFds[0]);
  const std::string name = ":" + number;
  Display* display = number.empty() ? nullptr : XOpenDisplay(name.c_str());
  if (display == nullptr) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    *reason = "Xvfb started but its display could not be opened";
    return nullptr;
  }
  XSetErrorHandler(IgnoreErrors);
  setenv("DISPLAY", name.c_str(), 1);
  // Stopped when the test process ends.
  static struct Stopper {
    pid_t pid;
    ~Stopper() {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  } stopper{pid};
  return new XSession(display, name, pid);
}

XSession* XSession::Get(std::string* reason) {
  // Always a server of the tests' own: windows never appear on a desktop
  // the tests happen to run on, and parallel test processes do not meet.
  static std::string why;
  static XSession* session = StartXvfb(&why);
  if (session == nullptr && reason != nullptr) *reason = why;
  return session;
}

int XSession::ScreenWidth() const { return DisplayWidth(D(display_), DefaultScreen(D(display_))); }
int XSession::ScreenHeight() const { return DisplayHeight(D(display_), DefaultScreen(D(display_))); }

std::vector<TopWindow> XSession::Windows() const {
  Display* display = D(display_);
  Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
  unsigned int count = 0;
  std::vector<TopWindow> windows;
  if (!XQueryTree(display, root, &root, &parent, &children, &count)) return windows;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes)) continue;
    TopWindow w;
    w.id = children[i];
    w.title = Utf8Property(display, children[i], "_NET_WM_NAME");
    w.x = attributes.x;
    w.y = attributes.y;
    w.width = attributes.width;
    w.height = attributes.height;
    w.mapped = attributes.map_state == IsViewable;
    XSizeHints hints;
    long supplied = 0;
    if (XGetWMNormalHints(display, children[i], &hints, &supplied)) {
      if (hints.flags & PMinSize) w.minWidth = hints.min_width, w.minHeight = hints.min_height;
      if (hints.flags & PMaxSize) w.maxWidth = hints.max_width, w.maxHeight = hints.max_height;
    }
    w.dialog = IsDialog(display, children[i]);
    w.functions = MotifFunctions(display, children[i]);
    windows.push_back(w);
  }
  if (children != nullptr) XFree(children);
  return windows;
}

std::optional<TopWindow> XSession::MappedWindow(const std::string& title) const {
  for (const TopWindow& w : Windows()) {
    if (w.mapped && w.title == title) return w;
  }
  return std::nullopt;
}

std::optional<TopWindow> XSession::WaitForWindow(const std::string& title, double seconds,
                                                 std::optional<bool> dialog) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    for (const TopWindow& w : Windows()) {
      if (w.mapped && w.title == title && (!dialog || w.dialog == *dialog)) return w;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return std::nullopt;
}

void XSession::Close(unsigned long window) const {
  Display* display = D(display_);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

void XSession::PressKey(unsigned long window, const char* key) const {
  Display* display = D(display_);
  XSetInputFocus(display, window, RevertToParent, CurrentTime);
  XSync(display, False);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(key));
  XTestFakeKeyEvent(display, code, True, 0);
  XTestFakeKeyEvent(display, code, False, 0);
  XFlush(display);
}

std::uint32_t XSession::Pixel(int x, int y) const {
  Display* display = D(display_);
  XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return 0;
  const unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return static_cast<std::uint32_t>(pixel & 0xFFFFFF);
}

}  // namespace gui_testing
