// Runs every script in cases/: calls into the POSIX stand-in made in a fresh working folder,
// on real files, real child processes, real threads and real signals. A line is
// "verb arguments -> expected words"; a line without "->" must answer "ok". Words are split at
// blanks; a word in double quotes may hold blanks and the escapes \" \\ \n \t \0 \xNN, and
// \{N} repeats the byte before it up to N copies. $DIR is the case's folder, $ECHO the child
// program that records its arguments. Numbers may be written as constants joined by + or |.
#include "platform/internal.h"
#include "platform/win32.h"

#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fstream>
#include <future>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace {

using Words = std::vector<std::string>;
const DWORD kUntouched = 0xDEAD; // the last error before each call, so a call must set it

#define NAMED(constant)                                                                            \
    { #constant, long(constant) }
const std::map<std::string, long> kConstants = {NAMED(CREATE_NEW),
                                                NAMED(CREATE_ALWAYS),
                                                NAMED(OPEN_EXISTING),
                                                NAMED(OPEN_ALWAYS),
                                                NAMED(TRUNCATE_EXISTING),
                                                NAMED(GENERIC_READ),
                                                NAMED(GENERIC_WRITE),
                                                NAMED(FILE_FLAG_WRITE_THROUGH),
                                                NAMED(_P_WAIT),
                                                NAMED(_P_NOWAIT),
                                                NAMED(TIME_FORCE24HOURFORMAT),
                                                NAMED(WM_USER),
                                                NAMED(WM_QUIT),
                                                NAMED(PM_REMOVE),
                                                NAMED(PM_NOREMOVE),
                                                NAMED(SIGINT),
                                                NAMED(SIGTERM),
                                                NAMED(SIGHUP)};
const std::map<std::string, long> kErrors = {
    {"UNTOUCHED", kUntouched},        NAMED(ERROR_SUCCESS),       NAMED(ERROR_FILE_NOT_FOUND),
    NAMED(ERROR_PATH_NOT_FOUND),      NAMED(ERROR_GEN_FAILURE),   NAMED(ERROR_ACCESS_DENIED),
    NAMED(ERROR_INVALID_HANDLE),      NAMED(ERROR_FILE_EXISTS),   NAMED(ERROR_INVALID_PARAMETER),
    NAMED(ERROR_INSUFFICIENT_BUFFER), NAMED(ERROR_MOD_NOT_FOUND), NAMED(ERROR_ALREADY_EXISTS),
    NAMED(ERROR_INVALID_THREAD_ID)};
#undef NAMED

long Value(const std::string& word) {
    size_t join = word.find_first_of("+|", 1);
    if (join != std::string::npos) {
        long left = Value(word.substr(0, join)), right = Value(word.substr(join + 1));
        return word[join] == '+' ? left + right : left | right;
    }
    auto constant = kConstants.find(word);
    return constant != kConstants.end() ? constant->second : std::stol(word, nullptr, 0);
}

std::string Error(DWORD error) {
    auto named = std::find_if(kErrors.begin(), kErrors.end(),
                              [&](const auto& entry) { return DWORD(entry.second) == error; });
    return named != kErrors.end() ? named->first : std::to_string(error);
}

std::string Errno(int error) {
    const char* name = strerrorname_np(error);
    return name ? name : std::to_string(error);
}

std::string Message(UINT message) {
    return message == WM_QUIT  ? "WM_QUIT"
           : message < WM_USER ? std::to_string(message)
                               : "WM_USER+" + std::to_string(message - WM_USER);
}

Words Split(const std::string& text) {
    Words words;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ') {
            continue;
        }
        if (text[i] != '"') {
            size_t end = std::min(text.find(' ', i), text.size());
            words.push_back(text.substr(i, end - i));
            i = end;
            continue;
        }
        std::string word;
        for (++i; i < text.size() && text[i] != '"'; ++i) {
            char c = text[i] == '\\' && i + 1 < text.size() ? text[++i] : '\0';
            if (c == 'x') {
                word += char(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else if (c == '{') {
                size_t end = text.find('}', i), copies = std::stoul(text.substr(i + 1));
                word.append(copies > 0 && !word.empty() ? copies - 1 : 0, word.back());
                i = end;
            } else {
                word += c == 'n' ? '\n' : c == 't' ? '\t' : c == '0' ? '\0' : c ? c : text[i];
            }
        }
        words.push_back(word);
    }
    return words;
}

// The whole file, "<folder>" for a folder, or "<missing>"; read without the stand-in.
std::string Contents(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        return "<folder>";
    }
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<missing>";
}

// Takes the messages of the calling thread's queue, at most 100, as message and wParam words.
Words Drain() {
    Words taken;
    MSG message;
    while (taken.size() < 200 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        taken.insert(taken.end(), {Message(message.message), std::to_string(message.wParam)});
    }
    return taken;
}

using Clock = std::tuple<int, int, int, int, int, int, int>; // date, time, weekday

Clock LocalClock() {
    time_t now = std::time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_wday};
}

class Session {
public:
    Session() {
        std::filesystem::current_path(folder_.Folder());
        Drain();
    }
    ~Session() {
        for (auto& handle : handles_) {
            CloseHandle(handle.second);
        }
        while (!holders_.empty()) {
            End(holders_.begin()->first);
        }
        if (workerTaken_.valid()) {
            go_.set_value();
        }
        for (auto& saved : signals_) {
            sigaction(saved.first, &saved.second, nullptr);
        }
        for (auto& variable : environment_) {
            variable.second.first
                ? setenv(variable.first.c_str(), variable.second.second.c_str(), 1)
                : unsetenv(variable.first.c_str());
        }
        Drain();
        std::filesystem::current_path(previous_);
    }

    Words Expand(Words words) const {
        for (auto& word : words) {
            for (auto [from, to] : {std::pair<std::string, std::string>{"$DIR", folder_.Folder()},
                                    {"$ECHO", ECHO_ARGS}}) {
                for (size_t at; (at = word.find(from)) != std::string::npos;) {
                    word.replace(at, from.size(), to);
                }
            }
        }
        return words;
    }

    Words Run(const Words& a) {
        const std::string& verb = a.at(0);
        // The call's outcome, with the last error or errno when it fails; read after the call.
        auto win = [](bool done) {
            return done ? Words{"ok"} : Words{"fails", Error(GetLastError())};
        };
        auto posix = [](bool done) { return done ? Words{"ok"} : Words{"fails", Errno(errno)}; };
        SetLastError(kUntouched);
        errno = 0;
        if (verb == "tree") { // names ending in / are folders, other files hold their own name
            for (size_t i = 1; i < a.size(); ++i) {
                std::filesystem::create_directories("./" + a[i].substr(0, a[i].rfind('/') + 1));
                if (a[i].back() != '/') {
                    std::ofstream(a[i], std::ios::binary) << a[i];
                }
            }
            return {"ok"};
        }
        if (verb == "file") { // path, bytes, mode
            std::ofstream(a.at(1), std::ios::binary) << a.at(2);
            return posix(chmod(a[1].c_str(), a.size() > 3 ? Value(a[3]) : 0644) == 0);
        }
        if (verb == "fifo") {
            return posix(mkfifo(a.at(1).c_str(), 0600) == 0);
        }
        if (verb == "link") {
            return posix(symlink(a.at(1).c_str(), a.at(2).c_str()) == 0);
        }
        if (verb == "env") {
            const char* old = std::getenv(a.at(1).c_str());
            environment_.emplace(a[1], std::make_pair(old != nullptr, old ? old : ""));
            return posix(setenv(a[1].c_str(), a.at(2).c_str(), 1) == 0);
        }
        if (verb == "read") {
            return {Contents(a.at(1))};
        }
        if (verb == "cwd") {
            return {std::filesystem::current_path().string()};
        }
        if (verb == "fopen") { // mode, path
            FILE* stream = WinPathFopen(a.at(2).c_str(), a[1].c_str());
            std::string text;
            for (int c; stream && (c = std::fgetc(stream)) != EOF;) {
                text += char(c);
            }
            return stream && !std::fclose(stream) ? Words{text} : Words{"fails", Errno(errno)};
        }
        if (verb == "open") { // handle name, access, disposition, path, flags
            HANDLE& file = handles_[a.at(1)];
            file = CreateFileA(a.at(4).c_str(), Value(a[2]), FILE_SHARE_READ, nullptr, Value(a[3]),
                               a.size() > 5 ? Value(a[5]) : FILE_ATTRIBUTE_NORMAL, nullptr);
            return file != INVALID_HANDLE_VALUE ? Words{Error(GetLastError())}
                                                : Words{"fails", Error(GetLastError())};
        }
        if (verb == "write") { // handle name, bytes (none: a null buffer)
            DWORD written = kUntouched;
            BOOL done = WriteFile(Handle(a.at(1)), a.at(2).empty() ? nullptr : a[2].data(),
                                  DWORD(a[2].size()), &written, nullptr);
            return {done ? "ok" : "fails", std::to_string(written), Error(GetLastError())};
        }
        if (verb == "close") {
            return win(CloseHandle(Handle(a.at(1))));
        }
        if (verb == "mkdir") {
            return posix(_mkdir(a.at(1).c_str()) == 0);
        }
        if (verb == "find") { // search name, pattern
            _finddata_t found = {};
            intptr_t& search = searches_[a.at(1)];
            if ((search = _findfirst(a.at(2).c_str(), &found)) == -1) {
                return {"fails", Errno(errno)};
            }
            Words seen = {found.name, found.attrib & _A_SUBDIR ? "folder" : "file"};
            if (!(found.attrib & _A_SUBDIR)) {
                seen.push_back(std::to_string(found.size));
            }
            return found.attrib & _A_RDONLY ? (seen.push_back("read-only"), seen) : seen;
        }
        if (verb == "findclose") { // search name or number
            auto search = searches_.find(a.at(1));
            return posix(_findclose(search != searches_.end() ? search->second : Value(a[1])) == 0);
        }
        if (verb == "cd") {
            return win(SetCurrentDirectoryA(a.at(1).c_str()));
        }
        if (verb == "mutex") { // handle name, mutex name (- for none)
            HANDLE& mutex = handles_[a.at(1)];
            mutex = CreateMutexA(nullptr, FALSE, a.at(2) == "-" ? nullptr : a[2].c_str());
            return mutex ? Words{Error(GetLastError())} : Words{"fails", Error(GetLastError())};
        }
        if (verb == "hold") { // holder name, mutex name: a child process creates it and waits
            return Hold(a.at(1), a.at(2));
        }
        if (verb == "end") { // holder name: the child ends without closing its handle
            return End(a.at(1));
        }
        if (verb == "spawnv" || verb == "spawnlp") { // mode, program, arguments
            std::vector<const char*> argv;
            for (size_t i = 3; i < a.size(); ++i) {
                argv.push_back(a[i].c_str());
            }
            argv.resize(std::max(argv.size() + 1, size_t(6)), nullptr);
            int mode = Value(a.at(1));
            intptr_t result = verb == "spawnv" ? _spawnv(mode, a.at(2).c_str(), argv.data())
                                               : _spawnlp(mode, a.at(2).c_str(), argv[0], argv[1],
                                                          argv[2], argv[3], argv[4], nullptr);
            int status = 0;
            if (result == -1 || mode != _P_NOWAIT) {
                return result == -1 ? Words{"fails", Errno(errno)} : Words{std::to_string(result)};
            }
            bool ours = waitpid(pid_t(result), &status, 0) == pid_t(result) && WIFEXITED(status);
            return {ours ? "child" : "stranger", std::to_string(WEXITSTATUS(status))};
        }
        if (verb == "received") { // what the last child recorded; the record is then removed
            std::string record = Contents("echo_args.out");
            Words arguments;
            for (size_t start = 0, end; record != "<missing>" && start < record.size();
                 start = end + 1) {
                end = std::min(record.find('\0', start), record.size());
                arguments.push_back(record.substr(start, end - start));
            }
            std::remove("echo_args.out");
            return record == "<missing>" ? Words{record} : arguments;
        }
        if (verb == "module") { // module name (- for none)
            HMODULE module = GetModuleHandleA(a.at(1) == "-" ? nullptr : a[1].c_str());
            return {module == platform::ExecutableModule() ? "self"
                    : module                               ? "other"
                                                           : "null",
                    Error(GetLastError())};
        }
        if (verb == "modulename") { // buffer size (len: the executable's path length), module
            return ModuleName(a);
        }
        if (verb == "at") { // year month weekday day hour minute second: the time formatted
            clock_ = {WORD(Value(a.at(1))), WORD(Value(a.at(2))),
                      WORD(Value(a.at(3))), WORD(Value(a.at(4))),
                      WORD(Value(a.at(5))), WORD(Value(a.at(6))),
                      WORD(Value(a.at(7))), 0};
            return {"ok"};
        }
        if (verb == "date" || verb == "time") { // [flags for time,] picture (- for none), size
            return Format(verb == "time", a);
        }
        if (verb == "localtime") {
            auto before = LocalClock();
            SYSTEMTIME t;
            GetLocalTime(&t);
            auto after = LocalClock();
            Clock local = {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wDayOfWeek};
            return {before <= local && local <= after && t.wMilliseconds < 1000 ? "ok" : "outside"};
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
            const char* text = a.at(1) == "-" ? nullptr : a[1].c_str();
            char* copy = _strdup(text);
            std::string lowered = !copy                   ? "null"
                                  : copy == text          ? "<same>"
                                  : _strlwr(copy) != copy ? "<other>"
                                                          : copy;
            std::free(copy);
            return {lowered};
        }
        if (verb == "post") { // thread (self, worker or an id), message, wParam, lParam
            DWORD thread = a.at(1) == "self"  ? GetCurrentThreadId()
                           : a[1] == "worker" ? Worker()
                                              : Value(a[1]);
            return win(PostThreadMessageA(thread, Value(a.at(2)), Value(a.at(3)),
                                          a.size() > 4 ? Value(a[4]) : 0));
        }
        if (verb == "quit") {
            PostQuitMessage(Value(a.at(1)));
            return {"ok"};
        }
        if (verb == "peek") { // remove flags, filter
            MSG m = {};
            if (!PeekMessageA(&m, nullptr, a.size() > 3 ? Value(a[2]) : 0,
                              a.size() > 3 ? Value(a[3]) : 0, Value(a.at(1)))) {
                return {"none"};
            }
            return {Message(m.message), std::to_string(m.wParam), std::to_string(m.lParam),
                    m.hwnd ? "hwnd" : "no-hwnd"};
        }
        if (verb == "drain") { // the thread's queue: self, or the worker's, which then ends
            if (a.size() > 1 && (Worker(), true)) {
                go_.set_value();
                return workerTaken_.get();
            }
            return Drain();
        }
        if (verb == "raise") { // after the quit signals are installed
            for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
                signals_.size() < 3 && sigaction(signal, nullptr, &signals_[signal]) == 0;
            }
            platform::InstallQuitSignals();
            return posix(raise(Value(a.at(1))) == 0);
        }
        throw std::invalid_argument("no verb " + verb);
    }

private:
    HANDLE Handle(const std::string& name) {
        static int stray;
        return name == "invalid" ? INVALID_HANDLE_VALUE
               : name == "null"  ? nullptr
               : name == "stray" ? &stray
                                 : handles_.at(name);
    }

    Words Hold(const std::string& holder, const std::string& name) {
        int ready[2], finish[2];
        if (pipe(ready) != 0 || pipe(finish) != 0) {
            return {"fails", Errno(errno)};
        }
        pid_t child = fork();
        if (child == 0) {
            close(finish[1]); // else the parent's close could never end the read below
            HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
            DWORD error = mutex ? GetLastError() : kUntouched;
            _exit(write(ready[1], &error, sizeof error) == sizeof error &&
                          read(finish[0], &error, 1) >= 0
                      ? 0
                      : 1);
        }
        close(ready[1]);
        close(finish[0]);
        DWORD error = kUntouched;
        bool told = read(ready[0], &error, sizeof error) == sizeof error;
        close(ready[0]);
        holders_[holder] = {child, finish[1]};
        return told ? Words{Error(error)} : Words{"fails"};
    }

    Words End(const std::string& holder) {
        auto [child, finish] = holders_.at(holder);
        holders_.erase(holder);
        close(finish);
        int status = 0;
        bool ended = waitpid(child, &status, 0) == child && WIFEXITED(status);
        return {"exit", ended ? std::to_string(WEXITSTATUS(status)) : "?"};
    }

    Words ModuleName(const Words& a) {
        std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
        auto relative = [&](long n) {
            long offset = n - long(exe.size());
            return offset < -2 ? std::to_string(n)
                   : offset    ? "len" + std::string(offset > 0 ? "+" : "") + std::to_string(offset)
                               : "len";
        };
        long size = a.at(1).rfind("len", 0) == 0
                        ? long(exe.size()) + (a[1].size() > 3 ? Value(a[1].substr(3)) : 0)
                        : Value(a[1]);
        static int stray;
        std::string buffer(exe.size() + 8, 'X');
        DWORD result =
            GetModuleFileNameA(a.size() > 2 ? HMODULE(&stray) : nullptr, &buffer[0], DWORD(size));
        size_t end = buffer.find('\0');
        bool intact = end != std::string::npos && buffer.compare(0, end, exe, 0, end) == 0 &&
                      buffer.find_first_not_of('X', end + 1) == std::string::npos;
        return {relative(result), Error(GetLastError()), intact ? "keeps" : "untouched",
                intact ? relative(long(end)) : ""};
    }

    Words Format(bool isTime, const Words& a) {
        DWORD flags = isTime ? Value(a.at(1)) : 0;
        const std::string& picture = a.at(1 + isTime);
        int size = a.size() > 2u + isTime ? Value(a[2 + isTime]) : 64;
        char out[64];
        std::memset(out, 'X', sizeof out);
        const char* pictureOrNull = picture == "-" ? nullptr : picture.c_str();
        char* outOrNull = size ? out : nullptr;
        int n = isTime ? GetTimeFormatA(0, flags, &clock_, pictureOrNull, outOrNull, size)
                       : GetDateFormatA(0, flags, &clock_, pictureOrNull, outOrNull, size);
        Words result = !n      ? Words{"fails", Error(GetLastError())}
                       : !size ? Words{"needs", std::to_string(n)}
                               : Words{out, std::to_string(n)};
        if (std::string(out + size, sizeof out - size) != std::string(sizeof out - size, 'X')) {
            result.push_back("overran");
        }
        return result;
    }

    DWORD Worker() {
        if (!workerTaken_.valid()) {
            std::promise<DWORD> id;
            std::future<DWORD> ready = id.get_future();
            workerTaken_ = std::async(std::launch::async, [id = std::move(id),
                                                           go = go_.get_future()]() mutable {
                MSG message;
                PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // gives the thread its queue
                id.set_value(GetCurrentThreadId());
                go.wait();
                return Drain();
            });
            workerId_ = ready.get();
        }
        return workerId_;
    }

    TemporaryFolder folder_;
    std::filesystem::path previous_ = std::filesystem::current_path();
    std::map<std::string, HANDLE> handles_;
    std::map<std::string, intptr_t> searches_;
    std::map<std::string, std::pair<pid_t, int>> holders_;
    std::map<std::string, std::pair<bool, std::string>> environment_;
    std::map<int, struct sigaction> signals_;
    SYSTEMTIME clock_ = {};
    std::promise<void> go_;
    std::future<Words> workerTaken_;
    DWORD workerId_ = 0;
};

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(PLATFORM_CASES)) {
        names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class PlatformCase : public ::testing::TestWithParam<std::string> {};

TEST_P(PlatformCase, AnswersAsWritten) {
    std::ifstream script(std::string(PLATFORM_CASES) + "/" + GetParam() + ".case");
    ASSERT_TRUE(script) << GetParam();
    Session session;
    int number = 0;
    for (std::string line; std::getline(script, line);) {
        ++number;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        size_t arrow = line.find(" ->");
        Words expected = arrow == std::string::npos ? Words{"ok"} : Split(line.substr(arrow + 3));
        EXPECT_EQ(session.Run(session.Expand(Split(line.substr(0, arrow)))),
                  session.Expand(expected))
            << GetParam() << ".case:" << number << ": " << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PlatformCase, ::testing::ValuesIn(CaseNames()),
                         [](const auto& info) { return info.param; });

} // namespace
