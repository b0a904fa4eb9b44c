#include "script/source.h"

#include "diag/log.h"
#include "platform/win32.h"
#include "script/parse_events.h"
#include "vfs/crc_log.h"
#include "vfs/vfile.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// One report as the log shows it. Shared by every source: ReportError fills `shown` for a
// report it writes, and `withheld` for one the parse's budget holds back.
struct ShownReport {
    char message[8192];
    char path[256];
    int line;
    char text[8192];
};
ShownReport shown, withheld;

// Copies `length` bytes and a NUL into `out` of `capacity` bytes, cut to fit.
void CopyCut(char* out, size_t capacity, const char* from, size_t length) {
    if (length >= capacity) {
        length = capacity - 1;
    }
    if (length != 0) {
        std::memcpy(out, from, length);
    }
    out[length] = '\0';
}

void WriteReport(const ShownReport& report) {
    LogPrintf("%s", "[CQSParse] ");
    LogPrintf("%s", report.message);
    LogPrintf(": in file '%s' in line %d\n", report.path, report.line);
    LogPrintf("%s", report.text);
    LogPrintf("%s", "\n\n");
}

// A large file's bytes are read into memory of their own from the system, in large pages where
// the kernel offers them: it then costs a few faults, where the general heap's fresh pages
// would cost one per 4 KiB. A smaller one goes to the heap, whose memory a process that parses
// again reuses.
const uint32_t kLargeFile = 2u << 20;

} // namespace

ScriptSource::ScriptSource(const char* sourcePath, uint32_t mostBytes) {
    opened = false;
    if (!TakeName(sourcePath)) {
        return;
    }
    FILE* file = vfopen(sourcePath, "rb");
    if (!file) {
        return;
    }
    opened = true;
    fromArchive = vfhandleentry(file) != nullptr;
    if (CCRCLog* log = InstalledCRCLog()) {
        log->AddFile(sourcePath); // every file a parse reads is checksummed, includes too
    }
    // A file whose length cannot be told, or that cannot be read from its start, reads as empty.
    long length = vfseek(file, 0, SEEK_END) == 0 ? vftell(file) : -1;
    if (vfseek(file, 0, SEEK_SET) != 0) {
        length = -1;
    }
    tooLong = length > 0 && uint64_t(length) > mostBytes;
    if (length > 0 && !tooLong) {
        fromSystem_ = uint32_t(length) >= kLargeFile;
        buffer = static_cast<unsigned char*>(
            fromSystem_
                ? VirtualAlloc(nullptr, size_t(length), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                : std::malloc(size_t(length)));
        // A file that delivers less than it claimed is taken for what it delivered.
        size = buffer ? uint32_t(vfread(buffer, 1, size_t(length), file)) : 0;
    }
    vfclose(file);
}

ScriptSource::ScriptSource(const char* name, const void* bytes, size_t length, uint32_t mostBytes) {
    if (!TakeName(name)) {
        return;
    }
    tooLong = length > mostBytes;
    if (length > 0 && !tooLong && (buffer = static_cast<unsigned char*>(std::malloc(length)))) {
        std::memcpy(buffer, bytes, length);
        size = uint32_t(length);
    }
}

bool ScriptSource::TakeName(const char* name) {
    size_t length = std::strlen(name);
    CopyCut(path, sizeof path, name, length);
    if (length >= sizeof path) {
        // No line to show: the report is the name alone.
        char message[sizeof path + 64];
        std::snprintf(message, sizeof message, ScriptReportRowOf(kReportFileNameTooLong).format,
                      path);
        LogPrintf("[CQSParse] %s\n", message);
        NotifyParseEvent({ParseEvent::kReport, this, 0, kReportFileNameTooLong, path, "", message});
        return false;
    }
    const char* separator = std::strrchr(path, '\\');
    if (!separator) {
        separator = std::strrchr(path, '/');
    }
    CopyCut(directory, sizeof directory, path, separator ? size_t(separator - path + 1) : 0);
    return true;
}

ScriptSource::~ScriptSource() {
    if (fromSystem_) {
        VirtualFree(buffer, 0, MEM_RELEASE);
    } else {
        std::free(buffer);
    }
    std::free(scratch_);
    delete constants_;
}

int ScriptSource::SkipBlanksFromHere() {
    while (position < size) {
        unsigned char c = buffer[position];
        if (c == ' ' || c == '\t') {
            ++position; // the common case, and no line end to count
        } else if (c == '\r' || c == '\n') {
            GetChar();
        } else if (c != '/' || position + 1 == size) {
            break; // a lone slash is no blank: it stays the next byte to read
        } else if (buffer[position + 1] == '/') {
            // A line comment ends after the next line feed, with a CR before it or without.
            const void* feed = std::memchr(buffer + position + 2, '\n', size - position - 2);
            AdvanceTo(feed ? uint32_t(static_cast<const unsigned char*>(feed) - buffer) + 1 : size);
        } else if (buffer[position + 1] == '*') {
            // A block comment ends at the first "*/"; a run of asterisks before the slash counts.
            uint32_t end = size;
            for (uint32_t at = position + 2; at < size;) {
                const void* star = std::memchr(buffer + at, '*', size - at);
                if (!star) {
                    break;
                }
                at = uint32_t(static_cast<const unsigned char*>(star) - buffer) + 1;
                if (at < size && buffer[at] == '/') {
                    end = at + 1;
                    break;
                }
            }
            AdvanceTo(end);
        } else {
            break;
        }
    }
    return position == size ? -1 : 0;
}

void ScriptSource::AdvanceTo(uint32_t end) {
    for (; position < end; ++position) {
        line += EndsLine(position);
    }
}

int ScriptSource::ReadWord(char* destination, int32_t capacity) {
    if (capacity < 1) {
        return 1; // not even room for the terminating NUL
    }
    // Word bytes are no line ends, so the word is taken straight from the buffer.
    uint32_t start = position, end = position;
    while (end < size && IsWordByte(buffer[end])) {
        ++end;
    }
    uint32_t room = uint32_t(capacity - 1);
    bool tooLong = end - start > room;
    uint32_t length = tooLong ? room : end - start;
    CopyCut(destination, size_t(capacity), reinterpret_cast<const char*>(buffer) + start, length);
    position = start + length;
    if (tooLong) {
        Report(kReportWordTooLong, start, destination);
        return 1;
    }
    return position == size ? -1 : 0;
}

void ScriptSource::Report(ScriptReport code, uint32_t at, const char* subject, const char* detail) {
    const ScriptReportRow& row = ScriptReportRowOf(code);
    reporting_ = {code, at, subject, detail};
    if (row.detailFirst) {
        ReportError(row.format, detail, subject);
    } else {
        ReportError(row.format, subject, detail);
    }
    reporting_ = {kReportCodes, 0, "", ""};
}

void ScriptSource::ReportError(const char* format, ...) {
    bool holdBack = reportBudget && reportBudget->shown >= kMostShownReports;
    ShownReport& report = holdBack ? withheld : shown;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(report.message, sizeof report.message, format, arguments);
    va_end(arguments);
    NotifyParseEvent({ParseEvent::kReport, this, reporting_.at, reporting_.code, reporting_.subject,
                      reporting_.detail, report.message});
    CopyCut(report.path, sizeof report.path, path, std::strlen(path));
    report.line = int(line);
    uint32_t start = LineStart();
    CopyCut(report.text, sizeof report.text, reinterpret_cast<const char*>(buffer) + start,
            LineEnd() - start);
    if (holdBack) {
        ++reportBudget->withheld;
        return;
    }
    if (reportBudget) {
        ++reportBudget->shown;
    }
    WriteReport(report);
}

void ScriptSource::ReportWithheld(ReportBudget* budget, bool showLast) {
    if (budget->withheld == 0) {
        return;
    }
    int unseen = budget->withheld - (showLast ? 1 : 0);
    if (unseen > 0) {
        LogPrintf("[CQSParse] %d more reports not shown\n", unseen);
    }
    if (showLast) {
        WriteReport(withheld);
    }
    budget->withheld = 0;
}

uint32_t ScriptSource::LineStart() const {
    // Back to the last scan at most: before it, the answer is already known.
    uint32_t stop = scannedFrom_ <= position ? scannedFrom_ : 0;
    uint32_t start = scannedFrom_ <= position ? scannedStart_ : 0;
    for (uint32_t at = position; at > stop; --at) {
        if (buffer[at - 1] == '\r' || buffer[at - 1] == '\n') {
            start = at;
            break;
        }
    }
    if (scannedFrom_ > position || scannedEnd_ < position) {
        scannedEnd_ = ScanLineEnd(position);
    }
    scannedFrom_ = position;
    scannedStart_ = start;
    return start;
}

uint32_t ScriptSource::LineEnd() const {
    // No line break lies between the last scan and the end it found.
    if (scannedFrom_ <= position && position <= scannedEnd_) {
        return scannedEnd_;
    }
    return ScanLineEnd(position);
}

uint32_t ScriptSource::ScanLineEnd(uint32_t at) const {
    while (at < size && buffer[at] != '\r' && buffer[at] != '\n') {
        ++at;
    }
    return at;
}
