#pragma once
// The window messages that carry work from other threads to the main window.
// Every one is posted to the main window; the receiver owns what lParam
// points to and frees it.

#include <windows.h>

namespace zv {

// lParam: a PageEvent* holding one event for the page.
constexpr UINT MsgPageEvent = WM_APP + 1;
// lParam: a std::filesystem::path* naming the downloaded new launcher.
constexpr UINT MsgSelfUpdate = WM_APP + 2;
// No parameters: the job thread is about to end and can be joined.
constexpr UINT MsgJobEnded = WM_APP + 3;

}  // namespace zv
