#pragma once
// The layered window behind the main window that draws the theme picture,
// so that a picture can reach past the main window's edges. It owns the main
// window (which therefore always stays above it) and follows it around.

#include <windows.h>

#include <filesystem>

#include "data/theme_picture.h"

namespace zv {

class ArtWindow {
 public:
  ArtWindow(std::filesystem::path uiFolder, std::filesystem::path logPath)
      : uiFolder_(std::move(uiFolder)), logPath_(std::move(logPath)) {}
  ~ArtWindow();
  ArtWindow(const ArtWindow&) = delete;
  ArtWindow& operator=(const ArtWindow&) = delete;

  // Registers the class and creates the hidden window. False when it cannot.
  [[nodiscard]] bool create(HINSTANCE instance);
  HWND handle() const { return window_; }
  // The window that a drag on the picture moves.
  void setMainWindow(HWND main);
  void destroy();

  // (Re)draws the picture at the main window's DPI, then sets the main
  // window's drop shadow and border to match, keeps both windows on the
  // screen and shows or hides the art.
  void load(const ThemePicture& picture);
  bool drawn() const { return drawnWidth_ > 0; }
  // WM_MOVE of the main window.
  void follow();
  // Shows the art without activating it when visible and a picture is
  // drawn; hides it otherwise.
  void show(bool visible);
  // The first system move loop of the main window: from then on the player
  // places the window, and a new picture no longer moves it.
  void markUserMoved() { enteredSizeMove_ = true; }

 private:
  POINT position() const;
  bool draw(const ThemePicture& picture);
  void matchMainFrame();
  void keepOnScreen();

  std::filesystem::path uiFolder_;
  std::filesystem::path logPath_;
  HWND window_ = nullptr;
  HWND main_ = nullptr;
  ThemePicture picture_;
  int artDpi_ = 96;
  int drawnWidth_ = 0;
  int drawnHeight_ = 0;
  bool enteredSizeMove_ = false;
};

}  // namespace zv
