// The locator's outcome as one Event Tracing for Windows event, for support
// sessions on machines where no debugger shows the debug output.
#pragma once

#include <string>

namespace zv {

// Written only when a trace consumer has enabled our provider.
void traceLocatorOutcome(const std::wstring& text);

}  // namespace zv
