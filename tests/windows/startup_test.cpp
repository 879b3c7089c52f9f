// ZarvoLauncher.exe's start-up, seen from outside as a player's machine sees
// it: message boxes and exit codes, the built-in configuration, one launcher
// per client folder, the restart after a self-update, the desktop shortcut,
// the preferences file and the theme picture. Runs under Wine on a virtual
// display. Without a WebView2 runtime a launcher that got through its
// start-up shows the runtime-missing dialog with its main window behind it,
// which is what these tests wait for.

#include <windows.h>
#include <shlobj.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "data/install_tag.h"
#include "data/launcher_config.h"
#include "platform/file.h"
#include "platform/known_folders.h"
#include "platform/text_path.h"
#include "tests/support/temp_dir.h"
#include "tests/windows/gui_process.h"
#include "tools/builder/brand_command.h"

namespace zv {
namespace {

using Microsoft::WRL::ComPtr;
using test::messageText;
using test::pressButton;
using test::Process;
using test::TempDir;
using test::waitForMessageBox;
using test::waitForWindow;
using test::waitUntil;
using test::writeFile;

const std::filesystem::path kLauncher = ZV_LAUNCHER_EXE;

// The runtime-missing dialog: proof that the launcher got through its
// start-up. Answering "No" closes the launcher normally.
bool reachedWebView(const Process& launcher, HWND* dialogOut = nullptr) {
  HWND dialog = waitForMessageBox(launcher);
  if (dialog == nullptr) return false;
  if (messageText(dialog).find(L"WebView2 Runtime") == std::wstring::npos) {
    ADD_FAILURE() << "unexpected message: " << pathToUtf8(messageText(dialog));
    return false;
  }
  if (dialogOut != nullptr) {
    *dialogOut = dialog;
  } else {
    pressButton(dialog, IDNO);
  }
  return true;
}

std::filesystem::path localAppData() {
  std::filesystem::path folder;
  EXPECT_TRUE(userDataFolder(folder));
  return folder;
}

std::string configText(const std::string& serverName, bool desktopShortcut) {
  return R"({"serverName": ")" + serverName + R"(", "updateUrl": "http://127.0.0.1:9/update/", "newsUrl": "",
             "statusUrl": "", "desktopShortcut": )" +
         (desktopShortcut ? "true" : "false") + "}";
}

// A client folder holding a copy of the launcher.
struct Client {
  TempDir dir;
  std::filesystem::path exe = dir.path() / "ZarvoLauncher.exe";
  Client() { std::filesystem::copy_file(kLauncher, exe); }
  std::filesystem::path prefsFile() const {
    return localAppData() / "ZarvoLauncher" / ("prefs-" + makeInstallTag(dir.path()) + ".json");
  }
  // The main window, with this title unless null.
  HWND mainWindow(const Process& launcher, const wchar_t* title = nullptr) const {
    const std::wstring className = L"ZarvoLauncherWindow_" + pathFromUtf8(makeInstallTag(dir.path())).wstring();
    return waitForWindow(launcher, className.c_str(), title);
  }
  // Starts the launcher with no page of its own and waits for the
  // runtime-missing dialog, left open in dialog.
  std::unique_ptr<Process> startToDialog(HWND& dialog) const {
    auto launcher = std::make_unique<Process>(exe, L"");
    EXPECT_TRUE(reachedWebView(*launcher, &dialog));
    return launcher;
  }
  ~Client() {
    std::error_code ec;
    std::filesystem::remove(prefsFile(), ec);
    std::filesystem::remove_all(prefsFile().parent_path() / ("ui-" + makeInstallTag(dir.path())), ec);
  }
};

// A message box with the text and exit code 1; the configuration error
// texts themselves are the configuration's own tests.
TEST(StartupTest, ConfigurationFailuresShowTheirMessageAndEndWithCodeOne) {
  struct Case {
    bool folderInPlace;  // else no file at all
    std::wstring message;
  };
  const std::vector<Case> cases = {
      {false,
       L"This launcher has no settings yet: prepare it with ZarvoBuilder (make_update.bat), or put "
       L"ZarvoLauncher.json next to it."},
      {true, L"ZarvoLauncher.json not found next to the launcher"},
  };
  for (const Case& c : cases) {
    Client client;
    if (c.folderInPlace) std::filesystem::create_directory(client.dir.path() / "ZarvoLauncher.json");
    Process launcher(client.exe, L"");
    ASSERT_TRUE(launcher.started());
    HWND box = waitForMessageBox(launcher);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(messageText(box), c.message);
    pressButton(box, IDOK);
    EXPECT_EQ(launcher.exitCode(), 1);
  }
}

// The publisher's tool builds the configuration into the launcher: it starts
// with it, with no ZarvoLauncher.json beside it, and makes its desktop
// shortcut once. It is the one launcher of its folder; a restart after a
// self-update waits for it.
TEST(StartupTest, ABrandedLauncherMakesItsShortcutOnceIsAloneInItsFolderAndItsRestartWaits) {
  Client client;
  std::string exe;
  ASSERT_TRUE(readTextFile(client.exe, exe));
  LauncherConfig checked;
  std::string branded;
  std::string error;
  ASSERT_TRUE(builder::brandLauncher(exe, configText("Zv Test/Short:cut", true), checked, branded, error)) << error;
  ASSERT_TRUE(writeTextFileAtomic(client.exe, branded));
  const std::filesystem::path old = client.dir.path() / "ZarvoLauncher.exe.old";
  writeFile(old, "the launcher before the update");
  std::filesystem::path desktop;
  ASSERT_TRUE(desktopFolder(desktop));
  const std::filesystem::path shortcut = desktop / L"Zv Test_Short_cut.lnk";
  std::error_code ec;
  std::filesystem::remove(shortcut, ec);

  HWND firstDialog = nullptr;
  const auto first = client.startToDialog(firstDialog);
  EXPECT_FALSE(std::filesystem::exists(old)) << "the leftover of a self-update stays";
  HWND mainWindow = client.mainWindow(*first, L"Zv Test/Short:cut");
  ASSERT_NE(mainWindow, nullptr) << "no main window titled with the server's name";

  ASSERT_TRUE(std::filesystem::exists(shortcut));
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))));
    ASSERT_TRUE(SUCCEEDED(link.As(&file)));
    ASSERT_TRUE(SUCCEEDED(file->Load(shortcut.c_str(), STGM_READ)));
    wchar_t target[MAX_PATH] = {};
    wchar_t folder[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, 0);
    link->GetWorkingDirectory(folder, MAX_PATH);
    EXPECT_TRUE(std::filesystem::equivalent(target, client.exe));
    EXPECT_TRUE(std::filesystem::equivalent(folder, client.dir.path()));
  }
  CoUninitialize();
  const std::string prefs = test::readFile(client.prefsFile());
  EXPECT_NE(prefs.find("\"shortcut-" + std::to_string(installHash(client.dir.path())) + "\": true"), std::string::npos)
      << prefs;
  // The player deletes it: it stays deleted.
  std::filesystem::remove(shortcut);

  ShowWindow(mainWindow, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(mainWindow));
  {
    Process second(client.exe, L"");
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(IsIconic(mainWindow)) << "the running launcher was not brought back";
  }

  writeFile(old, "the launcher before the update");
  Process restarted(client.exe, L"--updated");
  ASSERT_TRUE(restarted.started());
  // Let it reach its wait on the running one before that one ends.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_EQ(restarted.exitCode(std::chrono::milliseconds(0)), -1) << "the restarted launcher did not wait";
  pressButton(firstDialog, IDNO);
  EXPECT_EQ(first->exitCode(), 0);
  ASSERT_TRUE(reachedWebView(restarted));
  EXPECT_EQ(restarted.exitCode(), 0);
  EXPECT_FALSE(std::filesystem::exists(old));
  EXPECT_FALSE(std::filesystem::exists(shortcut));
}

// 32-bit BGRA pixels, top-down, as a PNG file.
bool savePng(const std::filesystem::path& file, int width, int height, std::vector<BYTE>& pixels) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  return SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) &&
         SUCCEEDED(factory->CreateStream(&stream)) &&
         SUCCEEDED(stream->InitializeFromFilename(file.c_str(), GENERIC_WRITE)) &&
         SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
         SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
         SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
         SUCCEEDED(frame->SetSize(width, height)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
         SUCCEEDED(frame->WritePixels(height, width * 4, static_cast<UINT>(pixels.size()), pixels.data())) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

// The whole virtual screen as a PNG, for a person to look at.
bool saveScreenshot(const std::filesystem::path& file) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 4);
  const bool read = GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS) == height;
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  // The screen has no alpha: make every pixel opaque.
  for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
  return read && savePng(file, width, height, pixels);
}

bool hasDropShadow(HWND window) { return (GetClassLongPtrW(window, GCL_STYLE) & CS_DROPSHADOW) != 0; }

// The ember theme's picture stands on the window's right half and reaches
// past its top edge; both must stay on the 1024 x 768 screen. It goes with
// the minimised window and comes back with it. The runtime-missing dialog is
// hidden while the screen is taken.
TEST(StartupTest, EmberThemePictureBesideTheWindow) {
  Client client;
  writeFile(client.dir.path() / "ZarvoLauncher.json", configText("Ember Look", false));
  writeFile(client.prefsFile(), R"({"lang": "en", "theme": "ember", "mode": "dark", "bg": "#0c0a08",
    "art": {"file": "themes/ember/art-dark.png", "x": 598, "y": -150, "height": 800}})");
  HWND dialog = nullptr;
  const auto launcher = client.startToDialog(dialog);
  HWND art = waitForWindow(*launcher, L"ZarvoLauncherArt", nullptr);
  ASSERT_NE(art, nullptr) << "the theme picture is not shown";
  HWND mainWindow = client.mainWindow(*launcher);
  ASSERT_NE(mainWindow, nullptr);
  RECT mainRect{};
  RECT artRect{};
  GetWindowRect(mainWindow, &mainRect);
  GetWindowRect(art, &artRect);
  // The window stays whole on the screen; the picture, above its top edge,
  // pushes it down as far as that allows.
  EXPECT_GE(mainRect.left, 0);
  EXPECT_LE(mainRect.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_LE(mainRect.bottom, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_LT(artRect.top, mainRect.top) << "the picture should reach past the window's top edge";
  EXPECT_GT(artRect.right, mainRect.left + (mainRect.right - mainRect.left) / 2);
  EXPECT_FALSE(hasDropShadow(mainWindow)) << "a shadow would outline the window's rectangle around the picture";

  // The dialog stays answerable while hidden.
  ShowWindow(dialog, SW_HIDE);
  ShowWindow(mainWindow, SW_MINIMIZE);
  EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(art); })) << "the picture stays with a minimised window";
  ShowWindow(mainWindow, SW_RESTORE);
  EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(art) != FALSE; })) << "the picture does not come back";

  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  EXPECT_TRUE(saveScreenshot(ZV_SCREENSHOT_FILE));
  CoUninitialize();
  pressButton(dialog, IDNO);
  EXPECT_EQ(launcher->exitCode(), 0);
}

// A publisher's own page ("ui" beside the launcher) with a theme whose
// picture would be wider than 8192 pixels at its height: it is not drawn, the
// window keeps its shadow, and the log says which picture failed.
TEST(StartupTest, APictureTooWideIsNotDrawnAndIsLogged) {
  Client client;
  writeFile(client.dir.path() / "ZarvoLauncher.json", configText("Wide Look", false));
  writeFile(client.dir.path() / "ui" / "index.html", "<!doctype html><title>own page</title>");
  const int width = 9000;
  const int height = 16;
  std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 4, 0x80);
  std::filesystem::create_directories(client.dir.path() / "ui" / "themes" / "wide");
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  const bool saved = savePng(client.dir.path() / "ui" / "themes" / "wide" / "band.png", width, height, pixels);
  CoUninitialize();
  ASSERT_TRUE(saved);
  writeFile(client.prefsFile(), R"({"theme": "wide", "art": {"file": "themes/wide/band.png", "x": 0, "y": 0, "height": 16}})");

  HWND dialog = nullptr;
  const auto launcher = client.startToDialog(dialog);
  HWND mainWindow = client.mainWindow(*launcher);
  ASSERT_NE(mainWindow, nullptr);
  EXPECT_TRUE(hasDropShadow(mainWindow));
  HWND art = FindWindowW(L"ZarvoLauncherArt", nullptr);
  ASSERT_NE(art, nullptr);
  EXPECT_FALSE(IsWindowVisible(art));
  pressButton(dialog, IDNO);
  EXPECT_EQ(launcher->exitCode(), 0);
  const std::string log = test::readFile(client.dir.path() / "ZarvoLauncher.log");
  EXPECT_NE(log.find("  theme picture not loaded: themes/wide/band.png\r\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace zv
