#include "tools/file_stamp.h"

#include "vfs/zip_format.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <sys/types.h>
#ifdef _WIN32
#include <sys/utime.h>
#else
#include <utime.h>
#endif

namespace {

std::string Failure(const char* what) {
    return std::string(what) + " (" + std::strerror(errno) + ")";
}

// The entry's time as the system counts it; -1 where the header holds no valid date.
time_t TimeOf(const ZipFileHeader& header) {
    zip::CalendarTime calendar = zip::ToCalendarTime({header.modDate, header.modTime});
    if (calendar.month < 1 || calendar.month > 12 || calendar.day < 1 || calendar.day > 31 ||
        calendar.hour > 23 || calendar.minute > 59 || calendar.second > 59) {
        return -1;
    }
    std::tm local{};
    local.tm_year = int(calendar.year) - 1900;
    local.tm_mon = int(calendar.month) - 1;
    local.tm_mday = int(calendar.day);
    local.tm_hour = int(calendar.hour);
    local.tm_min = int(calendar.minute);
    local.tm_sec = int(calendar.second);
    local.tm_isdst = -1; // as the date falls
    return std::mktime(&local);
}

} // namespace

#ifdef _WIN32
std::string RestoreStamp(const std::filesystem::path& file, const ZipFileHeader& header) {
    time_t when = TimeOf(header);
    struct __utimbuf64 times = {when, when};
    if (when != -1 && _wutime64(file.c_str(), &times) != 0) {
        return Failure("its time cannot be set");
    }
    return ""; // no executable bit to set
}
#else
namespace {

bool Executable(const ZipFileHeader& header) {
    uint32_t mode = header.externalAttributes >> 16;
    return header.versionMadeBy >> 8 == zip::kMadeByUnix && (mode & 0170000) == 0100000 &&
           (mode & 0100) != 0;
}

} // namespace

std::string RestoreStamp(const std::filesystem::path& file, const ZipFileHeader& header) {
    time_t when = TimeOf(header);
    struct utimbuf times = {when, when};
    if (when != -1 && utime(file.c_str(), &times) != 0) {
        return Failure("its time cannot be set");
    }
    struct stat status;
    if (Executable(header)) {
        if (stat(file.c_str(), &status) != 0) {
            return Failure("cannot be looked at");
        }
        // Run where read: the umask that made the file stays in force.
        mode_t mode = status.st_mode & 07777;
        if (chmod(file.c_str(), mode | (mode & 0444) >> 2) != 0) {
            return Failure("cannot be made executable");
        }
    }
    return "";
}
#endif
