// Our own declarations of the WebView2 COM interfaces the launcher calls or
// implements, written from the published interface facts (IIDs, vtable order,
// calling convention). No SDK header is reachable in our builds.
//
// Layout rules that matter on 32-bit x86: every method is STDMETHODCALLTYPE
// (without it g++ makes it __thiscall and the stack is corrupted silently),
// interfaces use single inheritance and no virtual destructor, and every slot
// exists in vtable order. Slots the launcher never calls carry loose
// parameter types and a default body answering E_NOTIMPL, so that a stand-in
// runtime implements only what it is asked for; the launcher never creates
// these objects, it only calls through the runtime's vtables.
#pragma once

#include <windows.h>
#include <eventtoken.h>
#include <unknwn.h>

namespace zv {

// Four bytes in the order A, R, G, B: neither a COLORREF nor a packed ARGB
// number, so it is always filled by field name.
struct CoreWebView2Color {
  BYTE A;
  BYTE R;
  BYTE G;
  BYTE B;
};
static_assert(sizeof(CoreWebView2Color) == 4);

// A slot that exists for the vtable layout only.
#define ZV_WV2_SLOT(name, ...) \
  virtual HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) { return E_NOTIMPL; }

struct ICoreWebView2;
struct ICoreWebView2Settings;
struct ICoreWebView2Controller;
struct ICoreWebView2Environment;

struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : IUnknown {
  static constexpr GUID iid{0x4E8A3389, 0xC9D8, 0x4BD2, {0xB6, 0xB5, 0x12, 0x4F, 0xEE, 0x6C, 0xC1, 0x4D}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Environment* environment) = 0;
};

struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : IUnknown {
  static constexpr GUID iid{0x6C4819F3, 0xC9B7, 0x4260, {0x81, 0x27, 0xC9, 0xF5, 0xBD, 0xE7, 0xF6, 0x8C}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Controller* controller) = 0;
};

struct ICoreWebView2WebMessageReceivedEventArgs : IUnknown {
  static constexpr GUID iid{0x0F99A40C, 0xE962, 0x4207, {0x9E, 0x92, 0xE3, 0xD5, 0x42, 0xEF, 0xF8, 0x49}};
  ZV_WV2_SLOT(get_Source, LPWSTR*)
  ZV_WV2_SLOT(get_WebMessageAsJson, LPWSTR*)
  // Succeeds only when the page posted a string; the caller frees the text
  // with CoTaskMemFree.
  virtual HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* message) = 0;
};

struct ICoreWebView2NewWindowRequestedEventArgs : IUnknown {
  static constexpr GUID iid{0x34ACB11C, 0xFC37, 0x4418, {0x91, 0x32, 0xF9, 0xC2, 0x1D, 0x1E, 0xAF, 0xB9}};
  virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
  ZV_WV2_SLOT(put_NewWindow, ICoreWebView2*)
  ZV_WV2_SLOT(get_NewWindow, ICoreWebView2**)
  virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;
  ZV_WV2_SLOT(get_Handled, BOOL*)
  ZV_WV2_SLOT(get_IsUserInitiated, BOOL*)
  ZV_WV2_SLOT(GetDeferral, IUnknown**)
  ZV_WV2_SLOT(get_WindowFeatures, IUnknown**)
};

struct ICoreWebView2NavigationStartingEventArgs : IUnknown {
  static constexpr GUID iid{0x5B495469, 0xE119, 0x438A, {0x9B, 0x18, 0x76, 0x04, 0xF2, 0x5F, 0x2E, 0x49}};
  virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;
  ZV_WV2_SLOT(get_IsUserInitiated, BOOL*)
  ZV_WV2_SLOT(get_IsRedirected, BOOL*)
  ZV_WV2_SLOT(get_RequestHeaders, IUnknown**)
  ZV_WV2_SLOT(get_Cancel, BOOL*)
  virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;
  ZV_WV2_SLOT(get_NavigationId, UINT64*)
};

struct ICoreWebView2WebMessageReceivedEventHandler : IUnknown {
  static constexpr GUID iid{0x57213F19, 0x00E6, 0x49FA, {0x8E, 0x07, 0x89, 0x8E, 0xA0, 0x1E, 0xCB, 0xD2}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args) = 0;
};

struct ICoreWebView2NewWindowRequestedEventHandler : IUnknown {
  static constexpr GUID iid{0xD4C185FE, 0xC81C, 0x4989, {0x97, 0xAF, 0x2D, 0x3F, 0xA7, 0xAB, 0x56, 0x51}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args) = 0;
};

struct ICoreWebView2NavigationStartingEventHandler : IUnknown {
  static constexpr GUID iid{0x9ADBE429, 0xF36D, 0x432B, {0x9D, 0xDC, 0xF8, 0x88, 0x1F, 0xBD, 0x76, 0xE3}};
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) = 0;
};

// The settings are strictly get/put pairs, get first.
struct ICoreWebView2Settings : IUnknown {
  static constexpr GUID iid{0xE562E4F0, 0xD7FA, 0x43AC, {0x8D, 0x71, 0xC0, 0x51, 0x50, 0x49, 0x9F, 0x00}};
  ZV_WV2_SLOT(get_IsScriptEnabled, BOOL*)
  ZV_WV2_SLOT(put_IsScriptEnabled, BOOL)
  ZV_WV2_SLOT(get_IsWebMessageEnabled, BOOL*)
  ZV_WV2_SLOT(put_IsWebMessageEnabled, BOOL)
  ZV_WV2_SLOT(get_AreDefaultScriptDialogsEnabled, BOOL*)
  ZV_WV2_SLOT(put_AreDefaultScriptDialogsEnabled, BOOL)
  ZV_WV2_SLOT(get_IsStatusBarEnabled, BOOL*)
  virtual HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL enabled) = 0;
  ZV_WV2_SLOT(get_AreDevToolsEnabled, BOOL*)
  virtual HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL enabled) = 0;
  ZV_WV2_SLOT(get_AreDefaultContextMenusEnabled, BOOL*)
  virtual HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL enabled) = 0;
  ZV_WV2_SLOT(get_AreHostObjectsAllowed, BOOL*)
  ZV_WV2_SLOT(put_AreHostObjectsAllowed, BOOL)
  ZV_WV2_SLOT(get_IsZoomControlEnabled, BOOL*)
  virtual HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL enabled) = 0;
  ZV_WV2_SLOT(get_IsBuiltInErrorPageEnabled, BOOL*)
  ZV_WV2_SLOT(put_IsBuiltInErrorPageEnabled, BOOL)
};

// Order traps: get_Source sits between get_Settings and Navigate, and the two
// Post methods come before add_WebMessageReceived.
struct ICoreWebView2 : IUnknown {
  static constexpr GUID iid{0x76ECEACB, 0x0462, 0x4D94, {0xAC, 0x83, 0x42, 0x3A, 0x67, 0x93, 0x77, 0x5E}};
  virtual HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) = 0;
  ZV_WV2_SLOT(get_Source, LPWSTR*)
  virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;
  ZV_WV2_SLOT(NavigateToString, LPCWSTR)
  virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                                           EventRegistrationToken* token) = 0;
  ZV_WV2_SLOT(remove_NavigationStarting, EventRegistrationToken)
  ZV_WV2_SLOT(add_ContentLoading, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_ContentLoading, EventRegistrationToken)
  ZV_WV2_SLOT(add_SourceChanged, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_SourceChanged, EventRegistrationToken)
  ZV_WV2_SLOT(add_HistoryChanged, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_HistoryChanged, EventRegistrationToken)
  ZV_WV2_SLOT(add_NavigationCompleted, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_NavigationCompleted, EventRegistrationToken)
  ZV_WV2_SLOT(add_FrameNavigationStarting, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_FrameNavigationStarting, EventRegistrationToken)
  ZV_WV2_SLOT(add_FrameNavigationCompleted, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_FrameNavigationCompleted, EventRegistrationToken)
  ZV_WV2_SLOT(add_ScriptDialogOpening, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_ScriptDialogOpening, EventRegistrationToken)
  ZV_WV2_SLOT(add_PermissionRequested, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_PermissionRequested, EventRegistrationToken)
  ZV_WV2_SLOT(add_ProcessFailed, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_ProcessFailed, EventRegistrationToken)
  ZV_WV2_SLOT(AddScriptToExecuteOnDocumentCreated, LPCWSTR, IUnknown*)
  ZV_WV2_SLOT(RemoveScriptToExecuteOnDocumentCreated, LPCWSTR)
  ZV_WV2_SLOT(ExecuteScript, LPCWSTR, IUnknown*)
  ZV_WV2_SLOT(CapturePreview, int, IUnknown*, IUnknown*)
  ZV_WV2_SLOT(Reload)
  virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR json) = 0;
  ZV_WV2_SLOT(PostWebMessageAsString, LPCWSTR)
  virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                                           EventRegistrationToken* token) = 0;
  ZV_WV2_SLOT(remove_WebMessageReceived, EventRegistrationToken)
  ZV_WV2_SLOT(CallDevToolsProtocolMethod, LPCWSTR, LPCWSTR, IUnknown*)
  ZV_WV2_SLOT(get_BrowserProcessId, UINT32*)
  ZV_WV2_SLOT(get_CanGoBack, BOOL*)
  ZV_WV2_SLOT(get_CanGoForward, BOOL*)
  ZV_WV2_SLOT(GoBack)
  ZV_WV2_SLOT(GoForward)
  ZV_WV2_SLOT(GetDevToolsProtocolEventReceiver, LPCWSTR, IUnknown**)
  ZV_WV2_SLOT(Stop)
  virtual HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                                           EventRegistrationToken* token) = 0;
  ZV_WV2_SLOT(remove_NewWindowRequested, EventRegistrationToken)
  ZV_WV2_SLOT(add_DocumentTitleChanged, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_DocumentTitleChanged, EventRegistrationToken)
  ZV_WV2_SLOT(get_DocumentTitle, LPWSTR*)
  ZV_WV2_SLOT(AddHostObjectToScript, LPCWSTR, VARIANT*)
  ZV_WV2_SLOT(RemoveHostObjectFromScript, LPCWSTR)
  ZV_WV2_SLOT(OpenDevToolsWindow)
  ZV_WV2_SLOT(add_ContainsFullScreenElementChanged, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_ContainsFullScreenElementChanged, EventRegistrationToken)
  ZV_WV2_SLOT(get_ContainsFullScreenElement, BOOL*)
  ZV_WV2_SLOT(add_WebResourceRequested, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_WebResourceRequested, EventRegistrationToken)
  ZV_WV2_SLOT(AddWebResourceRequestedFilter, LPCWSTR, int)
  ZV_WV2_SLOT(RemoveWebResourceRequestedFilter, LPCWSTR, int)
  ZV_WV2_SLOT(add_WindowCloseRequested, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_WindowCloseRequested, EventRegistrationToken)
};

// Order trap: Close comes before get_CoreWebView2.
struct ICoreWebView2Controller : IUnknown {
  static constexpr GUID iid{0x4D00C0D1, 0x9434, 0x4EB6, {0x80, 0x78, 0x86, 0x97, 0xA5, 0x60, 0x33, 0x4F}};
  ZV_WV2_SLOT(get_IsVisible, BOOL*)
  ZV_WV2_SLOT(put_IsVisible, BOOL)
  ZV_WV2_SLOT(get_Bounds, RECT*)
  virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;
  ZV_WV2_SLOT(get_ZoomFactor, double*)
  ZV_WV2_SLOT(put_ZoomFactor, double)
  ZV_WV2_SLOT(add_ZoomFactorChanged, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_ZoomFactorChanged, EventRegistrationToken)
  ZV_WV2_SLOT(SetBoundsAndZoomFactor, RECT, double)
  ZV_WV2_SLOT(MoveFocus, int)
  ZV_WV2_SLOT(add_MoveFocusRequested, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_MoveFocusRequested, EventRegistrationToken)
  ZV_WV2_SLOT(add_GotFocus, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_GotFocus, EventRegistrationToken)
  ZV_WV2_SLOT(add_LostFocus, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_LostFocus, EventRegistrationToken)
  ZV_WV2_SLOT(add_AcceleratorKeyPressed, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_AcceleratorKeyPressed, EventRegistrationToken)
  ZV_WV2_SLOT(get_ParentWindow, HWND*)
  ZV_WV2_SLOT(put_ParentWindow, HWND)
  ZV_WV2_SLOT(NotifyParentWindowPositionChanged)
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** view) = 0;
};

// Runtimes older than the first stable releases answer E_NOINTERFACE for it.
struct ICoreWebView2Controller2 : ICoreWebView2Controller {
  static constexpr GUID iid{0xC979903E, 0xD4CA, 0x4228, {0x92, 0xEB, 0x47, 0xEE, 0x3F, 0xA9, 0x6E, 0xAB}};
  ZV_WV2_SLOT(get_DefaultBackgroundColor, CoreWebView2Color*)
  virtual HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(CoreWebView2Color color) = 0;
};

struct ICoreWebView2Environment : IUnknown {
  static constexpr GUID iid{0xB96D755E, 0x0319, 0x4E92, {0xA2, 0x96, 0x23, 0x43, 0x6F, 0x46, 0xA1, 0xFC}};
  virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;
  ZV_WV2_SLOT(CreateWebResourceResponse, IStream*, int, LPCWSTR, LPCWSTR, IUnknown**)
  ZV_WV2_SLOT(get_BrowserVersionString, LPWSTR*)
  ZV_WV2_SLOT(add_NewBrowserVersionAvailable, IUnknown*, EventRegistrationToken*)
  ZV_WV2_SLOT(remove_NewBrowserVersionAvailable, EventRegistrationToken)
};

// Only passed through: the launcher never supplies an options object.
struct ICoreWebView2EnvironmentOptions : IUnknown {
  static constexpr GUID iid{0x2FDE08A8, 0x1E9A, 0x4766, {0x8C, 0x05, 0x95, 0xA9, 0xCE, 0xB9, 0xD1, 0xC5}};
};

#undef ZV_WV2_SLOT

}  // namespace zv
