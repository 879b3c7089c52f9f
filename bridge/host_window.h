#pragma once
// The window actions the page may ask for, and the page view that events go
// to. Called on the main thread only. The console host has a page (its
// output) and no window, so most of these do nothing there.

#include "bridge/page_event.h"
#include "data/theme_picture.h"

namespace zv {

class HostWindow {
 public:
  virtual ~HostWindow() = default;

  // Whether a page view exists that can be given events now.
  virtual bool pageViewExists() const = 0;
  // Hands one event to the page: its JSON text, or, where the host shows
  // events itself, its values.
  virtual void sendToPage(const PageEvent& event) = 0;

  virtual void minimize() = 0;
  // Asks for the window to close later; the close then runs Bridge::close.
  virtual void requestClose() = 0;
  // Lets the system move the window with the mouse.
  virtual void beginDrag() = 0;

  // Whether a theme picture is drawn at the moment.
  virtual bool artDrawn() const = 0;
  // Draws this theme picture behind the window (an empty file: none).
  virtual void showArt(const ThemePicture& picture) = 0;

  // After a self-update started the new launcher: the host ends without the
  // close sequence (no job is left to cancel).
  virtual void destroy() = 0;

  // The native window that owns prompts (Windows HWND); null without one.
  virtual void* nativeHandle() const { return nullptr; }
};

}  // namespace zv
