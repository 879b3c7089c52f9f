// A stand-in for the WebView2 runtime, loaded by the launcher's own runtime
// locator like the real EmbeddedBrowserWebView.dll. Its environment,
// controller and view record every call in the journal; a test drives the
// page side (messages, navigations, new-window requests) through an inbox
// folder of command files.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "webview/com_object.h"
#include "webview/com_ref.h"
#include "webview/webview2_abi.h"

namespace zv::standin {

template <typename Interface, typename... Bases>
using Object = ComObject<Interface, Bases...>;

// Runs a task later on the thread that created the environment, from its
// message loop, as the real runtime raises its completions and events.
void post(std::function<void()> task);

// Starts the message window (completions, inbox polling) on this thread.
void startOnThisThread();

// The view the inbox commands go to: the last one created.
class View;
void setCurrentView(View* view);

ComRef<ICoreWebView2Environment> makeEnvironment();

// Inbox commands, one per file: "message TEXT", "nonstring",
// "navigate URI", "newwindow URI".
void runCommand(View& view, const std::wstring& command);

}  // namespace zv::standin
