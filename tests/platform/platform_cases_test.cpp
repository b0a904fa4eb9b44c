// Runs every script in cases/, each in a fresh working folder: calls into the POSIX stand-in
// on real files, child processes and signals. A line is "verb words -> expected words" (one
// without "->" must answer "ok"), "sh" and the rest of the line for the shell, or a # comment.
// $DIR is the case's folder, $ECHO the child that records its arguments, $LEN the length of
// this program's path, $THREAD this thread's id. Numbers may be constants joined by + or |.
#include "platform/internal.h"
#include "platform/win32.h"

#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <iomanip>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Words = std::vector<std::string>;
const DWORD kUntouched = 0xDEAD; // the last error before each call, so a call must set it

// Names the cases may use for numbers, and the names of the last errors they show.
std::map<std::string, long> Names(const std::string& spelled, const std::vector<long>& values) {
    std::map<std::string, long> names;
    std::istringstream spelling(spelled);
    for (long value : values) {
        std::string name;
        std::getline(spelling >> std::ws, name, ',');
        names[name] = value;
    }
    return names;
}
#define NAMES(...) Names(#__VA_ARGS__, {__VA_ARGS__})
const std::map<std::string, long> kNames = NAMES(
    WM_USER, WM_QUIT, PM_REMOVE, PM_NOREMOVE, CREATE_NEW, CREATE_ALWAYS, OPEN_EXISTING, OPEN_ALWAYS,
    TRUNCATE_EXISTING, GENERIC_READ, GENERIC_WRITE, FILE_FLAG_WRITE_THROUGH, _P_WAIT, _P_NOWAIT,
    TIME_FORCE24HOURFORMAT, SIGINT, SIGTERM, SIGHUP, ERROR_SUCCESS, ERROR_FILE_NOT_FOUND,
    ERROR_PATH_NOT_FOUND, ERROR_GEN_FAILURE, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE,
    ERROR_FILE_EXISTS, ERROR_INVALID_PARAMETER, ERROR_INSUFFICIENT_BUFFER, ERROR_MOD_NOT_FOUND,
    ERROR_ALREADY_EXISTS, ERROR_INVALID_THREAD_ID, ERROR_INVALID_ADDRESS);

long Value(const std::string& word) {
    size_t join = word.find_first_of("+|", 1);
    auto named = kNames.find(word.substr(0, join));
    long value = named != kNames.end() ? named->second : std::stol(word, nullptr, 0);
    long rest = join == std::string::npos ? 0 : Value(word.substr(join + 1));
    return join != std::string::npos && word[join] == '|' ? value | rest : value + rest;
}

std::string Error(DWORD error) {
    for (const auto& [name, value] : kNames) {
        if (name.rfind("ERROR_", 0) == 0 && DWORD(value) == error) {
            return name;
        }
    }
    return error == kUntouched ? "UNTOUCHED" : std::to_string(error);
}

// A word's bytes: %XX is a byte in hex, %{N} repeats the byte before it up to N copies.
std::string Decode(const std::string& word) {
    std::string bytes;
    for (size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%' || i + 2 >= word.size() || (word[i + 1] == '{' && bytes.empty())) {
            bytes += word[i];
        } else if (word[i + 1] == '{') {
            size_t copies = std::stoul(word.substr(i + 2));
            bytes.append(std::max<size_t>(copies, 1) - 1, bytes.back());
            i = word.find('}', i);
        } else {
            bytes += char(std::stoi(word.substr(i + 1, 2), nullptr, 16));
            i += 2;
        }
    }
    return bytes;
}

// Words apart at blanks; one in double quotes may hold blanks, and \" and \\ for " and \.
Words Split(const std::string& text) {
    Words words;
    std::istringstream in(text);
    for (std::string word; in >> std::quoted(word);) {
        words.push_back(Decode(word));
    }
    return words;
}

// The whole file, "<folder>" for a folder, or "<missing>"; read without the stand-in.
std::string Contents(const std::string& path) {
    bool folder = std::filesystem::is_directory(path); // a folder is not opened at all
    std::ifstream file(folder ? "" : path, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(file), {});
    return folder ? "<folder>" : file ? bytes : "<missing>";
}

class Session {
public:
    Session() { std::filesystem::current_path(folder_.Folder()); }
    ~Session() {
        for (auto& holder : holders_) {
            kill(holder.second, SIGKILL);
            waitpid(holder.second, nullptr, 0);
        }
        for (auto& saved : signals_) {
            sigaction(saved.first, &saved.second, nullptr);
        }
        for (auto& [name, old] : environment_) {
            old.first ? setenv(name.c_str(), old.second.c_str(), 1) : unsetenv(name.c_str());
        }
        for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) { // what a failed case left
        }
        std::filesystem::current_path(previous_);
    }

    std::string Expand(std::string line) const {
        for (auto [from, to] : {std::pair<std::string, std::string>{"$DIR", folder_.Folder()},
                                {"$ECHO", ECHO_ARGS},
                                {"$LEN", std::to_string(exe_.size())},
                                {"$THREAD", std::to_string(GetCurrentThreadId())}}) {
            for (size_t at; (at = line.find(from)) != std::string::npos;) {
                line.replace(at, from.size(), to);
            }
        }
        return line;
    }

    Words Run(const Words& a) {
        const std::string& verb = a.at(0);
        // The call's outcome, with the last error or errno when it fails; read after the call.
        auto win = [](bool ok) { return ok ? Words{"ok"} : Words{"fails", Error(GetLastError())}; };
        auto posix = [](bool ok) {
            return ok ? Words{"ok"} : Words{"fails", strerrorname_np(errno)};
        };
        SetLastError(kUntouched);
        errno = 0;
        if (verb == "sh") {
            return {std::system(a.at(1).c_str()) == 0 ? "ok" : "fails"};
        }
        if (verb == "env") {
            const char* old = std::getenv(a.at(1).c_str());
            environment_.emplace(a[1], std::make_pair(old != nullptr, old ? old : ""));
            return posix(setenv(a[1].c_str(), a.at(2).c_str(), 1) == 0);
        }
        if (verb == "read") {
            return {Contents(a.at(1))};
        }
        if (verb == "fopen") { // mode, path
            FILE* stream = WinPathFopen(a.at(2).c_str(), a[1].c_str());
            std::string text(4096, '\0');
            text.resize(stream ? std::fread(&text[0], 1, text.size(), stream) : 0);
            return stream && !std::fclose(stream) ? Words{text} : posix(false);
        }
        if (verb == "open" || verb == "mutex") { // handle name, then the mutex name (- for none)
            HANDLE& h = handles_[a.at(1)];       // or access, disposition, path, flags
            h = verb == "mutex"
                    ? CreateMutexA(nullptr, FALSE, a.at(2) == "-" ? nullptr : a[2].c_str())
                    : CreateFileA(a.at(4).c_str(), Value(a[2]), FILE_SHARE_READ, nullptr,
                                  Value(a[3]), a.size() > 5 ? Value(a[5]) : FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
            return {h && h != INVALID_HANDLE_VALUE ? "handle" : "fails", Error(GetLastError())};
        }
        if (verb == "write") { // handle name, bytes (none: a null buffer)
            DWORD written = kUntouched;
            BOOL done = WriteFile(handles_.at(a.at(1)), a.at(2).empty() ? nullptr : a[2].data(),
                                  DWORD(a[2].size()), &written, nullptr);
            return {done ? "ok" : "fails", std::to_string(written), Error(GetLastError())};
        }
        if (verb == "close") {
            return win(CloseHandle(handles_.at(a.at(1))));
        }
        if (verb == "alloc") { // block name, size: is the new memory all zero?
            size_t size = size_t(Value(a.at(2)));
            auto* block = static_cast<unsigned char*>(
                VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
            if (!block) {
                return {"fails", Error(GetLastError())};
            }
            blocks_[a[1]] = block;
            bool zero = std::all_of(block, block + size, [](unsigned char c) { return c == 0; });
            std::fill(block, block + size, 0xA5); // and it can be written
            return {zero ? "zeroed" : "dirty"};
        }
        if (verb == "free") { // block name, size
            return win(VirtualFree(blocks_.at(a.at(1)), size_t(Value(a.at(2))), MEM_RELEASE));
        }
        if (verb == "mkdir") {
            return posix(_mkdir(a.at(1).c_str()) == 0);
        }
        if (verb == "find") { // search name, pattern
            _finddata_t f = {};
            if ((searches_[a.at(1)] = _findfirst(a.at(2).c_str(), &f)) == -1) {
                return posix(false);
            }
            return {f.name, f.attrib & _A_SUBDIR ? "folder" : std::to_string(f.size),
                    f.attrib & _A_RDONLY ? "read-only" : "writable"};
        }
        if (verb == "findclose") { // search name or number
            auto search = searches_.count(a.at(1)) ? searches_[a[1]] : Value(a[1]);
            return {std::to_string(_findclose(search)), strerrorname_np(errno)};
        }
        if (verb == "cd") {
            return win(SetCurrentDirectoryA(a.at(1).c_str()));
        }
        if (verb == "hold") { // holder name, mutex name: a child process creates it and waits
            int ready[2];
            pid_t child = pipe(ready) == 0 ? fork() : -1;
            if (child == 0) {
                DWORD error = CreateMutexA(nullptr, FALSE, a.at(2).c_str()) ? GetLastError() : 1;
                if (write(ready[1], &error, sizeof error) == sizeof error) {
                    pause(); // until it is killed
                }
                _exit(1);
            }
            close(ready[1]);
            DWORD error = kUntouched;
            bool told = child > 0 && read(ready[0], &error, sizeof error) == sizeof error;
            close(ready[0]);
            holders_[a.at(1)] = child;
            return {told ? Error(error) : "fails"};
        }
        if (verb == "kill") { // holder name: the child ends without closing its handle
            pid_t child = holders_.at(a.at(1));
            holders_.erase(a[1]);
            return posix(kill(child, SIGKILL) == 0 && waitpid(child, nullptr, 0) == child);
        }
        if (verb == "spawnv" || verb == "spawnlp") { // mode, program, arguments
            const char* program = a.at(2).c_str();
            std::vector<const char*> argv(a.size() + 3, nullptr); // ends in at least 6 nulls
            std::transform(a.begin() + 3, a.end(), argv.begin(), [](auto& w) { return w.c_str(); });
            int mode = Value(a.at(1)), status = 0;
            intptr_t result = verb == "spawnv" ? _spawnv(mode, program, argv.data())
                                               : _spawnlp(mode, program, argv[0], argv[1], argv[2],
                                                          argv[3], argv[4], nullptr);
            if (result == -1 || mode != _P_NOWAIT) {
                return result == -1 ? posix(false) : Words{std::to_string(result)};
            }
            bool ours = waitpid(pid_t(result), &status, 0) == pid_t(result) && WIFEXITED(status);
            return {ours ? "child" : "stranger", std::to_string(WEXITSTATUS(status))};
        }
        if (verb == "_read") { // descriptor, count: what one read gives
            std::string bytes(Value(a.at(2)), '\0');
            int got = _read(Value(a.at(1)), &bytes[0], unsigned(bytes.size()));
            return got < 0 ? posix(false) : Words{bytes.substr(0, got)};
        }
        if (verb == "received") { // what the last child recorded; the record is then removed
            std::istringstream record(Contents("echo_args.out"));
            Words arguments;
            for (std::string argument; std::getline(record, argument, '\0');) {
                arguments.push_back(argument);
            }
            return std::remove("echo_args.out") == 0 ? arguments : Words{"<missing>"};
        }
        if (verb == "module") { // module name (- for none): is it this program's?
            HMODULE module = GetModuleHandleA(a.at(1) == "-" ? nullptr : a[1].c_str());
            bool self = module == platform::ExecutableModule();
            return {self ? "self" : module ? "other" : "null", Error(GetLastError())};
        }
        if (verb == "modulename") { // buffer size, any second word for a module that is none
            DWORD size = Value(a.at(1));
            HMODULE module = a.size() > 2 ? reinterpret_cast<HMODULE>(this) : nullptr;
            std::string got(exe_.size() + 8, 'X'), path = exe_.substr(0, size - 1) + '\0';
            DWORD n = GetModuleFileNameA(module, &got[0], size);
            path += std::string(got.size() - path.size(), 'X'); // as much as fits, then a NUL
            const char* seen = got == path                           ? "path"
                               : got == std::string(got.size(), 'X') ? "untouched"
                                                                     : "garbled";
            return {std::to_string(n), Error(GetLastError()), seen};
        }
        if (verb == "at") { // date, time and weekday that date and time then format
            std::string when = a.at(1) + " " + a.at(2) + " " + a.at(3);
            SYSTEMTIME& t = clock_;
            int got = std::sscanf(when.c_str(), "%hu-%hu-%hu %hu:%hu:%hu %hu", &t.wYear, &t.wMonth,
                                  &t.wDay, &t.wHour, &t.wMinute, &t.wSecond, &t.wDayOfWeek);
            return {got == 7 ? "ok" : "fails"};
        }
        if (verb == "date" || verb == "time") { // [flags for time,] picture (- for none), size
            bool isTime = verb == "time";
            const std::string& picture = a.at(1 + isTime);
            int size = a.size() > 2u + isTime ? Value(a[2 + isTime]) : 64;
            char out[64];
            std::memset(out, 'X', sizeof out);
            auto format = isTime ? GetTimeFormatA : GetDateFormatA;
            int n = format(0, isTime ? Value(a[1]) : 0, &clock_,
                           picture == "-" ? nullptr : picture.c_str(), size ? out : nullptr, size);
            Words result = !n ? Words{"fails", Error(GetLastError())}
                              : Words{size ? out : "needs", std::to_string(n)};
            return std::string(out + size, sizeof out - size) == std::string(sizeof out - size, 'X')
                       ? result
                       : Words{"overran"};
        }
        if (verb == "localtime") { // lies between two readings of the clock, weekday included
            time_t before = std::time(nullptr);
            SYSTEMTIME t;
            GetLocalTime(&t);
            // mktime finds the weekday, and whether it is summer time
            std::tm local = {t.wSecond, t.wMinute, t.wHour, t.wDay, t.wMonth - 1, t.wYear - 1900,
                             0,         0,         -1,      0,      nullptr};
            time_t seen = std::mktime(&local);
            bool inside = before <= seen && seen <= std::time(nullptr) && t.wMilliseconds < 1000;
            return {inside && local.tm_wday == t.wDayOfWeek ? "ok" : "outside"};
        }
        if (verb == "splitpath" || verb == "splitname") { // splitname wants no drive and folder
            char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
            bool all = verb == "splitpath";
            _splitpath(a.at(1).c_str(), all ? drive : nullptr, all ? dir : nullptr, fname, ext);
            return all ? Words{drive, dir, fname, ext} : Words{fname, ext};
        }
        if (verb == "stricmp") {
            int order = _stricmp(a.at(1).c_str(), a.at(2).c_str());
            return {order < 0 ? "<" : order > 0 ? ">" : "="};
        }
        if (verb == "lower") { // _strdup, then _strlwr on the copy (- for a null text)
            std::unique_ptr<char, decltype(&std::free)> copy(
                _strdup(a.at(1) == "-" ? nullptr : a[1].c_str()), &std::free);
            return {copy ? _strlwr(copy.get()) : "null"};
        }
        if (verb == "post") { // thread, message, wParam, lParam
            return win(PostThreadMessageA(Value(a.at(1)), Value(a.at(2)), Value(a.at(3)),
                                          a.size() > 4 ? Value(a[4]) : 0));
        }
        if (verb == "quit") {
            PostQuitMessage(Value(a.at(1)));
            return {"ok"};
        }
        if (verb == "peek") { // remove flags, filter
            MSG m = {};
            UINT low = a.size() > 3 ? Value(a[2]) : 0, high = a.size() > 3 ? Value(a[3]) : 0;
            if (!PeekMessageA(&m, nullptr, low, high, Value(a.at(1)))) {
                return {"none"};
            }
            std::string message = "WM_USER+" + std::to_string(int(m.message - WM_USER));
            return {m.message == WM_QUIT ? "WM_QUIT" : message, std::to_string(m.wParam),
                    std::to_string(m.lParam), m.hwnd ? "hwnd" : "no-hwnd"};
        }
        if (verb == "raise") {                             // after the quit signals are installed
            for (int signal : {SIGINT, SIGTERM, SIGHUP}) { // the actions to put back at the end
                if (!signals_.count(signal)) {
                    sigaction(signal, nullptr, &signals_[signal]);
                }
            }
            platform::InstallQuitSignals();
            return posix(raise(Value(a.at(1))) == 0);
        }
        throw std::invalid_argument("no verb " + verb);
    }

private:
    TemporaryFolder folder_;
    std::filesystem::path previous_ = std::filesystem::current_path();
    const std::string exe_ = std::filesystem::read_symlink("/proc/self/exe");
    std::map<std::string, HANDLE> handles_ = {
        {"invalid", INVALID_HANDLE_VALUE}, {"null", nullptr}, {"stray", this}};
    std::map<std::string, intptr_t> searches_;
    std::map<std::string, unsigned char*> blocks_;
    std::map<std::string, pid_t> holders_;
    std::map<std::string, std::pair<bool, std::string>> environment_;
    std::map<int, struct sigaction> signals_;
    SYSTEMTIME clock_ = {};
};

class PlatformCase : public ::testing::TestWithParam<std::string> {};

TEST_P(PlatformCase, AnswersAsWritten) {
    std::ifstream script(std::string(PLATFORM_CASES) + "/" + GetParam() + ".case");
    ASSERT_TRUE(script) << GetParam();
    Session session;
    int number = 0;
    for (std::string text; std::getline(script, text);) {
        ++number;
        std::string line = session.Expand(text);
        size_t arrow = line.find(" ->");
        Words call = line.rfind("sh ", 0) == 0 ? Words{"sh", line.substr(3, arrow - 3)}
                                               : Split(line.substr(0, arrow));
        Words expected = arrow == std::string::npos ? Words{"ok"} : Split(line.substr(arrow + 3));
        if (!line.empty() && line[0] != '#') {
            EXPECT_EQ(session.Run(call), expected)
                << GetParam() << ".case:" << number << ": " << text;
        }
    }
}

std::vector<std::string> CaseNames() {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(PLATFORM_CASES)) {
        names.insert(entry.path().stem().string());
    }
    return {names.begin(), names.end()};
}

INSTANTIATE_TEST_SUITE_P(Cases, PlatformCase, ::testing::ValuesIn(CaseNames()),
                         [](const auto& info) { return info.param; });

} // namespace
