// How the program reports what goes wrong: one plain line on standard
// output per error, written out at once, so that a process that ends right
// after still shows it. The text names its subsystem first ("X: ...",
// "EGL: ...") and carries no trailing newline; the reporter adds it.
#pragma once

#include <cstdarg>

namespace Voke {

// Prints the formatted text and a newline on standard output, and flushes.
// Any thread.
void ReportError(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same with the arguments as a list, for reporters of other layers.
void ReportErrorList(const char* format, std::va_list arguments) __attribute__((format(printf, 1, 0)));

// The end of a process that cannot run and has nothing to undo yet (no
// window, no changed server state): reports the line, then exit(status).
[[noreturn]] void ExitOnError(int status, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace Voke
