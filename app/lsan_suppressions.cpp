// Linked into the console launcher in sanitized builds only.
//
// The news and status threads are not waited for at exit: a slow server must
// not hold up closing. libcrypto (under libcurl) keeps per-thread state for
// such a thread, which the leak checker then reports at exit; that memory is
// the library's, held by a thread that is still running, not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libcrypto.so\n"; }
