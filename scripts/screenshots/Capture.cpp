#include "Capture.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

bool RequestCapture(const char* file, const RECT& rect, std::string& error)
{
    std::printf("shot %s %ld %ld %ld %ld\n", file, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    std::fflush(stdout);
    char answer[512] = {};
    if (!std::fgets(answer, sizeof(answer), stdin))
    {
        error = "no answer from the script";
        return false;
    }
    answer[std::strcspn(answer, "\r\n")] = '\0';
    if (std::strcmp(answer, "ok") == 0)
        return true;
    error = answer;
    return false;
}

void Report(const char* format, ...)
{
    std::fputs("screenshots: ", stdout);
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}
