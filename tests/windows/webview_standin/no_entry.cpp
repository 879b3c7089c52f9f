// A library that sits where a runtime's client library belongs but lacks its
// creation entry: the locator must report it and not call anything.
#include <windows.h>

extern "C" __declspec(dllexport) int zvStandInPlaceholder() { return 0; }
