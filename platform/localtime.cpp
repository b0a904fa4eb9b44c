// Local time, and its formatting by the pictures Windows uses: runs of one pattern letter
// select a field ("yyyy", "MM", "dd", "hh", "mm", ...), text between single quotes is copied
// without the quotes (two quotes in a row give one), and every other character is copied.
#include "internal.h"

#include <cstring>
#include <ctime>

namespace {

const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};
const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                             "Thursday", "Friday", "Saturday"};

void AppendNumber(std::string& out, unsigned value, size_t run) {
    char digits[16];
    std::snprintf(digits, sizeof digits, run >= 2 ? "%02u" : "%u", value);
    out += digits;
}

void AppendName(std::string& out, const char* name, size_t run) {
    out.append(name, run == 3 ? 3 : std::strlen(name));
}

// Appends the date field that `run` letters `letter` select; false when it is no date field.
bool AppendDateField(std::string& out, char letter, size_t run, const SYSTEMTIME& t) {
    switch (letter) {
    case 'd':
        run <= 2 ? AppendNumber(out, t.wDay, run) : AppendName(out, kDays[t.wDayOfWeek % 7], run);
        return true;
    case 'M':
        run <= 2 ? AppendNumber(out, t.wMonth, run) : AppendName(out, kMonths[t.wMonth - 1], run);
        return true;
    case 'y':
        run <= 2 ? AppendNumber(out, t.wYear % 100u, run) : AppendNumber(out, t.wYear, run);
        return true;
    default:
        return false;
    }
}

bool AppendTimeField(std::string& out, char letter, size_t run, const SYSTEMTIME& t, DWORD flags) {
    switch (letter) {
    case 'h':
        if (flags & TIME_FORCE24HOURFORMAT) {
            AppendNumber(out, t.wHour, run);
        } else {
            AppendNumber(out, t.wHour % 12 == 0 ? 12u : t.wHour % 12u, run);
        }
        return true;
    case 'H':
        AppendNumber(out, t.wHour, run);
        return true;
    case 'm':
        AppendNumber(out, t.wMinute, run);
        return true;
    case 's':
        AppendNumber(out, t.wSecond, run);
        return true;
    case 't':
        out.append(t.wHour < 12 ? "AM" : "PM", run == 1 ? 1 : 2);
        return true;
    default:
        return false;
    }
}

// Copies the text and its NUL out, Windows style: the count with the NUL, the size needed
// when `outSize` is 0, or 0 with ERROR_INSUFFICIENT_BUFFER when it does not fit.
int CopyOut(const std::string& text, LPSTR out, int outSize) {
    int needed = int(text.size()) + 1;
    if (outSize == 0) {
        return needed;
    }
    if (outSize < needed || out == nullptr) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, text.c_str(), size_t(needed));
    return needed;
}

int FormatPicture(const SYSTEMTIME& t, LPCSTR picture, bool isTime, DWORD flags, LPSTR out,
                  int outSize) {
    if (outSize < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string text;
    for (const char* p = picture; *p;) {
        if (*p == '\'') {
            for (++p; *p; ++p) {
                if (*p == '\'' && p[1] != '\'') {
                    ++p;
                    break;
                }
                p += *p == '\'' ? 1 : 0; // a doubled quote stands for one
                text += *p;
            }
            continue;
        }
        size_t run = 1;
        while (p[run] == *p) {
            ++run;
        }
        bool field =
            isTime ? AppendTimeField(text, *p, run, t, flags) : AppendDateField(text, *p, run, t);
        if (!field) {
            text.append(p, run);
        }
        p += run;
    }
    return CopyOut(text, out, outSize);
}

SYSTEMTIME Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

} // namespace

extern "C" void WINAPI GetLocalTime(LPSYSTEMTIME time) {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm local;
    localtime_r(&now.tv_sec, &local);
    time->wYear = WORD(local.tm_year + 1900);
    time->wMonth = WORD(local.tm_mon + 1);
    time->wDayOfWeek = WORD(local.tm_wday);
    time->wDay = WORD(local.tm_mday);
    time->wHour = WORD(local.tm_hour);
    time->wMinute = WORD(local.tm_min);
    time->wSecond = WORD(local.tm_sec);
    time->wMilliseconds = WORD(now.tv_nsec / 1000000);
}

extern "C" int WINAPI GetDateFormatA(LCID, DWORD flags, const SYSTEMTIME* date, LPCSTR picture,
                                     LPSTR out, int outSize) {
    SYSTEMTIME t = date ? *date : Now();
    if (t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 || t.wDay > 31) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return FormatPicture(t, picture ? picture : "M/d/yyyy", false, flags, out, outSize);
}

extern "C" int WINAPI GetTimeFormatA(LCID, DWORD flags, const SYSTEMTIME* time, LPCSTR picture,
                                     LPSTR out, int outSize) {
    SYSTEMTIME t = time ? *time : Now();
    if (t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return FormatPicture(t, picture ? picture : "h:mm:ss tt", true, flags, out, outSize);
}
