// The X display the GUI tests run on, and what a user sees on it: the
// top-level windows with their titles, places and size limits, the colour
// of a pixel; and what a user does: close a window, press a key in it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gui_testing {

struct TopWindow {
  unsigned long id = 0;
  std::string title;  // UTF-8
  int x = 0, y = 0, width = 0, height = 0;
  bool mapped = false;
  // The size limits the window asks of a window manager: equal minimum
  // and maximum sizes mean the user cannot resize it.
  int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
  bool dialog = false;  // _NET_WM_WINDOW_TYPE_DIALOG
  // What the window lets a window manager offer (_MOTIF_WM_HINTS): -1
  // when it says nothing.
  long functions = -1;
};

class XSession {
 public:
  // A private Xvfb (1280x1024) started once for the test process, or null
  // with the reason when none can be had.
  static XSession* Get(std::string* reason);

  // The value DISPLAY must have for programs shown on it (":N").
  const std::string& DisplayName() const { return name_; }
  int ScreenWidth() const;
  int ScreenHeight() const;

  std::vector<TopWindow> Windows() const;
  std::optional<TopWindow> MappedWindow(const std::string& title) const;
  // Waits up to timeout for a mapped window titled title (and, if
  // dialog is set, of that kind).
  std::optional<TopWindow> WaitForWindow(const std::string& title, double seconds, std::optional<bool> dialog = {}) const;

  // The close button: WM_DELETE_WINDOW, as a window manager sends it.
  void Close(unsigned long window) const;
  // Focuses window and presses and releases the key (an X keysym name such
  // as "Return" or "Escape") through XTest, as a keyboard would.
  void PressKey(unsigned long window, const char* key) const;
  // The colour of a screen pixel as 0xRRGGBB.
  std::uint32_t Pixel(int x, int y) const;

 private:
  static XSession* StartXvfb(std::string* reason);
  XSession(void* display, std::string name, int pid) : display_(display), name_(std::move(name)), server_(pid) {}
  void* display_;
  std::string name_;
  int server_;
};

}  // namespace gui_testing
