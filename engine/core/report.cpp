#include "engine/core/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace Voke {

void ReportErrorList(const char* format, std::va_list arguments)
{
    // Held across the line, so that lines of two threads never mix.
    flockfile(stdout);
    std::vprintf(format, arguments);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    funlockfile(stdout);
}

void ReportError(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    ReportErrorList(format, arguments);
    va_end(arguments);
}

void ExitOnError(int status, const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    ReportErrorList(format, arguments);
    va_end(arguments);
    std::exit(status);
}

}  // namespace Voke
