#include "tools/format_command.h"

#include "platform/win32.h"
#include "script/parser.h"
#include "tools/printable.h"
#include "tools/replace_file.h"
#include "tools/script_format.h"
#include "tools/standard_input.h"
#include "tools/system_name.h"
#include "tools/tool_frame.h"
#include "tools/unified_diff.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// Why the file cannot be read, or "" when its bytes are in `bytes`.
std::string ReadFile(const std::filesystem::path& path, std::string* bytes) {
    std::error_code error;
    auto status = std::filesystem::status(path, error);
    if (error) {
        return error.message();
    }
    if (!std::filesystem::is_regular_file(status)) {
        return std::filesystem::is_directory(status) ? "is a folder, not a file"
                                                     : "is not a regular file";
    }
    if (std::filesystem::file_size(path, error) > kMostScriptBytes) {
        return "is longer than a parse reads";
    }
    std::ifstream file(path, std::ios::binary);
    bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return file.bad() || !file.is_open() ? std::strerror(errno) : "";
}

// Puts `text` in place of the file: the file a link names where it is one, with its
// permissions kept. Why that failed, or "".
std::string WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::error_code error;
    std::filesystem::path target =
        std::filesystem::is_symlink(path, error) ? std::filesystem::canonical(path, error) : path;
    if (error) {
        return error.message();
    }
    auto permissions = std::filesystem::status(target, error).permissions();
    ReplacementFile replacement(target);
    bool written = replacement.File() &&
                   std::fwrite(text.data(), 1, text.size(), replacement.File()) == text.size() &&
                   replacement.Commit(true);
    if (!written) {
        return replacement.Error();
    }
    std::filesystem::permissions(target, permissions, error);
    return "";
}

// Whether the launcher's parse accepts the bytes as the file `name`, with its includes beside
// it: no error (under strict, no warning) in check's diagnostics. A file of declarations only,
// as an include often is, gives no entries and is still laid out. When it is not accepted,
// check's diagnostics go to `show`.
bool Parses(const std::string& name, const std::string& bytes, bool strict,
            const std::function<void(const CheckResult&)>& show) {
    CheckOptions options;
    options.strict = strict;
    CheckResult result = CheckScript(name, bytes, options);
    bool parses =
        std::none_of(result.diagnostics.begin(), result.diagnostics.end(), [](const Diagnostic& d) {
            return d.severity == Diagnostic::kError && d.code != "no-entries";
        });
    if (!parses) {
        show(result);
    }
    return parses;
}

int FormatOne(const std::string& operand, const FormatRequest& request,
              const std::function<void(const CheckResult&)>& show) {
    bool standardInput = operand == "-";
    const std::string& name = standardInput ? request.stdinName : operand;
    std::string bytes;
    std::string failure = standardInput ? ReadStandardInput(size_t(kMostScriptBytes) + 1, &bytes)
                                        : ReadFile(PathOfSystemName(name), &bytes);
    if (!failure.empty()) {
        Complain("cannot read '" + name + "': " + failure);
        return kExitProblem;
    }
    if (!Parses(name, bytes, request.strict, show)) {
        Complain("'" + name + "' left as it is: its parse reported an error");
        return kExitProblem;
    }
    std::optional<std::string> laidOut = FormatScript(bytes);
    if (!laidOut) {
        Complain("'" + name +
                 "': its statements have shapes the layout does not know: left as it is");
        return kExitProblem;
    }
    bool changes = *laidOut != bytes;
    if (request.check && changes) {
        std::printf("%s\n", Printable(name).c_str());
    }
    if (request.diff) {
        std::fputs(UnifiedDiff(bytes, *laidOut, Printable(name)).c_str(), stdout);
    }
    if (request.check || request.diff) {
        return request.check && changes ? kExitProblem : kExitOk;
    }
    if (standardInput) {
        _setmode(_fileno(stdout), _O_BINARY);
        std::fwrite(laidOut->data(), 1, laidOut->size(), stdout);
        return kExitOk;
    }
    failure = changes ? WriteFile(PathOfSystemName(name), *laidOut) : "";
    if (!failure.empty()) {
        Complain("cannot write '" + name + "': " + failure);
        return kExitProblem;
    }
    return kExitOk;
}

} // namespace

int FormatFiles(const FormatRequest& request, const std::function<void(const CheckResult&)>& show) {
    int status = kExitOk;
    for (const std::string& file : request.files) {
        if (FormatOne(file, request, show) != kExitOk) {
            status = kExitProblem;
        }
    }
    return status;
}
