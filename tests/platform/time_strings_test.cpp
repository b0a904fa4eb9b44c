// Local time and its pictures, and the runtime's string helpers: _splitpath, _stricmp,
// _strlwr and _strdup.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <tuple>
#include <utility>

namespace {

//                              year  mon  dow  day  hour  min  sec  ms
const SYSTEMTIME kAfternoon = {2006, 3, 2, 14, 17, 30, 5, 0}; // a Tuesday
const SYSTEMTIME kMorning = {2009, 1, 1, 5, 0, 7, 9, 0};      // a Monday, just after midnight
const SYSTEMTIME kNoon = {2009, 1, 1, 5, 12, 0, 0, 0};

std::string Date(const SYSTEMTIME& t, const char* picture) {
    char out[64];
    int n = GetDateFormatA(LOCALE_USER_DEFAULT, 0, &t, picture, out, sizeof out);
    return n > 0 ? std::string(out) + "|" + std::to_string(n) : "<fails>";
}

std::string Time(const SYSTEMTIME& t, DWORD flags, const char* picture) {
    char out[64];
    int n = GetTimeFormatA(LOCALE_USER_DEFAULT, flags, &t, picture, out, sizeof out);
    return n > 0 ? std::string(out) + "|" + std::to_string(n) : "<fails>";
}

TEST(TimeFormats, DatePictures) {
    const struct {
        const SYSTEMTIME& date;
        const char* picture;
        const char* text; // then the count returned, with the NUL
    } cases[] = {
        {kAfternoon, "yyyy'-'MM'-'dd", "2006-03-14|11"},
        {kAfternoon, "yyyyMMdd", "20060314|9"},
        {kAfternoon, "d/M/yy", "14/3/06|8"},
        {kMorning, "d/M/yy", "5/1/09|7"},
        {kMorning, "dd.MM.y", "05.01.9|8"},
        {kAfternoon, "dddd", "Tuesday|8"},
        {kAfternoon, "ddd d MMM", "Tue 14 Mar|11"},
        {kAfternoon, "MMMM", "March|6"},
        {kMorning, "MMM", "Jan|4"},
        {kAfternoon, "'Day''s date: 'dd", "Day's date: 14|15"},
        {kAfternoon, "'yyyy' yyyy", "yyyy 2006|10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Date(c.date, c.picture), c.text) << c.picture;
    }
}

TEST(TimeFormats, TimePictures) {
    const DWORD k24 = TIME_FORCE24HOURFORMAT;
    const struct {
        const SYSTEMTIME& time;
        DWORD flags;
        const char* picture;
        const char* text;
    } cases[] = {
        {kAfternoon, k24, "hhmm", "1730|5"},
        {kAfternoon, 0, "hh:mm tt", "05:30 PM|9"},
        {kAfternoon, 0, "HH:mm:ss", "17:30:05|9"},
        {kAfternoon, 0, "h:m:s t", "5:30:5 P|9"},
        {kMorning, 0, "hh:mm tt", "12:07 AM|9"},
        {kMorning, k24, "hh:mm", "00:07|6"},
        {kNoon, 0, "h tt", "12 PM|6"},
        {kAfternoon, 0, "h 'o''clock'", "5 o'clock|10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Time(c.time, c.flags, c.picture), c.text) << c.picture << " flags " << c.flags;
    }
}

TEST(TimeFormats, BufferSizes) {
    char out[16];
    EXPECT_EQ(GetDateFormatA(0, 0, &kAfternoon, "yyyy'-'MM'-'dd", nullptr, 0), 11);
    EXPECT_EQ(GetTimeFormatA(0, TIME_FORCE24HOURFORMAT, &kAfternoon, "hhmm", nullptr, 0), 5);
    for (int size : {10, 1}) {
        std::memset(out, 'X', sizeof out);
        SetLastError(0);
        EXPECT_EQ(GetDateFormatA(0, 0, &kAfternoon, "yyyy'-'MM'-'dd", out, size), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(std::string(out + size, sizeof out - size), std::string(sizeof out - size, 'X'));
    }
    SetLastError(0);
    EXPECT_EQ(GetTimeFormatA(0, 0, &kAfternoon, "hh:mm tt", out, 8), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(GetDateFormatA(0, 0, &kAfternoon, "yyyy'-'MM'-'dd", out, 11), 11);
    EXPECT_STREQ(out, "2006-03-14");
}

std::tuple<int, int, int, int, int, int> Fields(const struct tm& t) {
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

TEST(TimeFormats, LocalTimeLiesBetweenTwoReadingsOfTheClock) {
    struct tm before, after;
    time_t now = std::time(nullptr);
    localtime_r(&now, &before);
    SYSTEMTIME t;
    GetLocalTime(&t);
    now = std::time(nullptr);
    localtime_r(&now, &after);
    auto local = std::make_tuple(int(t.wYear), int(t.wMonth), int(t.wDay), int(t.wHour),
                                 int(t.wMinute), int(t.wSecond));
    EXPECT_LE(Fields(before), local);
    EXPECT_LE(local, Fields(after));
    EXPECT_TRUE(t.wDayOfWeek == before.tm_wday || t.wDayOfWeek == after.tm_wday);
    EXPECT_LT(t.wMilliseconds, 1000);
}

TEST(RuntimeStrings, SplitPath) {
    const struct {
        const char* path;
        const char* drive;
        const char* dir;
        const char* fname;
        const char* ext;
    } cases[] = {
        {"C:\\Games\\Ferrox\\ferrox.exe", "C:", "\\Games\\Ferrox\\", "ferrox", ".exe"},
        {"c:/games/run.scr", "c:", "/games/", "run", ".scr"},
        {"C:game.ini", "C:", "", "game", ".ini"},
        {"data\\Running.scr", "", "data\\", "Running", ".scr"},
        {"game.ini", "", "", "game", ".ini"},
        {"bin/ferrox", "", "bin/", "ferrox", ""},
        {"my.folder\\v1.2/readme", "", "my.folder\\v1.2/", "readme", ""},
        {"archive.tar.gz", "", "", "archive.tar", ".gz"},
        {"logs\\.hidden", "", "logs\\", "", ".hidden"},
        {"name.", "", "", "name", "."},
        {"C:\\Games\\", "C:", "\\Games\\", "", ""},
        {"", "", "", "", ""},
    };
    for (const auto& c : cases) {
        char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
        _splitpath(c.path, drive, dir, fname, ext);
        EXPECT_STREQ(drive, c.drive) << c.path;
        EXPECT_STREQ(dir, c.dir) << c.path;
        EXPECT_STREQ(fname, c.fname) << c.path;
        EXPECT_STREQ(ext, c.ext) << c.path;
    }
    char fname[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath("D:\\only\\some.parts", nullptr, nullptr, fname, ext); // parts not wanted
    EXPECT_STREQ(fname, "some");
    EXPECT_STREQ(ext, ".parts");
    std::string longName(400, 'n');
    _splitpath(longName.c_str(), nullptr, nullptr, fname, ext); // too long: empty, never cut
    EXPECT_STREQ(fname, "");
    EXPECT_STREQ(ext, "");
    char dir[_MAX_DIR];
    std::string longFolder = "/" + std::string(_MAX_DIR, 'd') + "/game.exe";
    _splitpath(longFolder.c_str(), nullptr, dir, fname, ext);
    EXPECT_STREQ(dir, "");
    EXPECT_STREQ(fname, "game");
}

TEST(RuntimeStrings, CompareIgnoringCase) {
    const struct {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"Running.SCR", "running.scr", 0},
        {"", "", 0},
        {"abc", "ABD", -1},
        {"ABD", "abc", 1},
        {"ab", "ABC", -1},
        {"_", "a", -1},       // letters fold to lower case, as the runtime does
        {"\xC4", "\xE4", -1}, // bytes above 127 are not folded
        {"\xE4", "Z", 1},     // and compare as unsigned
    };
    for (const auto& c : cases) {
        int result = _stricmp(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " vs " << c.b;
    }
}

TEST(RuntimeStrings, LowerAndDuplicate) {
    const struct {
        const char* text;
        const char* lower;
    } cases[] = {{"MiXeD Case 09", "mixed case 09"}, {"\xC4\xD6X", "\xC4\xD6x"}, {"", ""}};
    for (const auto& c : cases) {
        char* copy = _strdup(c.text);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, c.text);
        EXPECT_STREQ(copy, c.text);
        EXPECT_EQ(_strlwr(copy), copy);
        EXPECT_STREQ(copy, c.lower);
        std::free(copy);
    }
    EXPECT_EQ(_strdup(nullptr), nullptr);
}

} // namespace
