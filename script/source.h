// One configuration file held whole in memory while it is parsed: its bytes, a read
// position, a line counter for reports, its path and folder, and the constants its const defs
// made. The parser and the literal readers read the file only through this scanner, and
// report every error through Report, which names the file and line and shows the line.
// A source belongs to the one thread that parses.
#pragma once

#include "script/entry.h"
#include "script/language.h"
#include "script/reports.h"
#include "script/typedef_index.h"
#include "script/value.h"

#include <cstdint>

// The reports of one parse, shared by its sources: after the first kMostShownReports only a count
// goes on, so that a file full of warnings costs a bounded log. The last report held back is
// kept, for it may be the error that ended the parse.
struct ReportBudget {
    int shown = 0;
    int withheld = 0;
};
const int kMostShownReports = 100;

class ScriptSource final {
public:
    // Reads a file on disk or an archive's entry through the file layer; a file that cannot be
    // read gives an empty source, and so does one longer than `mostBytes`, which also sets
    // `tooLong`.
    explicit ScriptSource(const char* path, uint32_t mostBytes = UINT32_MAX);
    // A copy of `length` bytes held in memory, named `name` in reports and as the folder of its
    // includes; the bytes are left unread, as a file's, when there are more than `mostBytes`.
    ScriptSource(const char* name, const void* bytes, size_t length,
                 uint32_t mostBytes = UINT32_MAX);
    ~ScriptSource();
    ScriptSource(const ScriptSource&) = delete;
    ScriptSource& operator=(const ScriptSource&) = delete;

    // The next byte (0 to 255), or -1 at the end of the file.
    int GetChar() {
        if (position >= size) {
            return -1;
        }
        line += EndsLine(position);
        return buffer[position++];
    }
    // Steps back over the byte GetChar returned last; -1 at the start of the file.
    int UngetChar() {
        if (position == 0) {
            return -1;
        }
        --position;
        line -= EndsLine(position);
        return 0;
    }
    // Skips blanks, line ends and comments; -1 when the end of the file follows, else 0.
    // Most calls stand before a token already, so that answer costs no call.
    int SkipBlanks() {
        if (position < size && !MayStartBlank(buffer[position])) {
            return 0;
        }
        return SkipBlanksFromHere();
    }
    // Reads letters, digits and underscores into `destination` (at most capacity - 1 of them):
    // 0 when another byte follows the word, -1 when the end of the file does, 1 (reported)
    // when the word was too long.
    int ReadWord(char* destination, int32_t capacity);
    int AtEnd() const { return position == size ? 1 : 0; }
    // Reports `code` about the byte at `at` and its `subject` (and `detail`, where the code's
    // format takes one) to the diagnostic log with the file, the line of the read position and
    // its text, or counts it in `reportBudget` once that is spent.
    void Report(ScriptReport code, uint32_t at, const char* subject = "", const char* detail = "");
    // Writes the count of the reports held back and, when `showLast`, the last of them whole.
    static void ReportWithheld(ReportBudget* budget, bool showLast);
    // Where the line that holds the read position starts, and where it ends. Reports made
    // further along the same line reuse the last answer, so many of them cost one scan.
    uint32_t LineStart() const;
    uint32_t LineEnd() const;

    // The literal readers: a value of the kind read at the position, or a constant's value.
    // On failure they return null with `*error` non-zero: 1 after a report, -1 when a constant
    // name ran into the end of the file.
    IntValue* ParseIntLiteral(int32_t* error);
    FloatValue* ParseFloatLiteral(int32_t* error);
    StringValue* ParseStringLiteral(int32_t* error);
    // The newest constant whose name equals `word` without regard to case, or null.
    ScriptEntry* FindConst(const char* word) const;
    // Links a constant (its name lower-cased) in at the head of the constant list; false, with
    // the constant left to the caller, when memory is exhausted.
    bool AddConstant(ScriptEntry* constant);
    // Takes over the constants of `other`, which is left with none; this source must have none.
    void TakeConstants(ScriptSource& other);
    const ScriptEntry* Constants() const { return constants_; }

    char directory[256] = ""; // the path up to its last separator; includes are found there
    char path[256] = "";      // as given; shown in reports
    // The bytes, in memory from the system for a large file, else from malloc.
    unsigned char* buffer = nullptr;
    uint32_t size = 0;
    uint32_t position = 0;
    int32_t line = 1;
    ReportBudget* reportBudget = nullptr; // null: every report is shown
    bool tooLong = false;     // the file was longer than the source may hold, and left unread
    bool opened = true;       // false: no file of the path could be opened
    bool fromArchive = false; // the file came from a mounted archive

private:
    // Takes `name` as the path and its folder as the directory; false, after a report, when the
    // name does not fit.
    bool TakeName(const char* name);
    bool EndsLine(uint32_t at) const { return ::EndsLine(buffer, at); }
    // Whether a blank, a line end or a comment may start with the byte.
    static bool MayStartBlank(unsigned char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/';
    }
    int SkipBlanksFromHere();
    // Writes the text of the report being made, formatted from its code's row.
    void ReportError(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    ScriptValue* ReadConstant(int32_t kind, int32_t* error);
    // The report being made, for the event of its text.
    struct Reporting {
        ScriptReport code;
        uint32_t at;
        const char* subject;
        const char* detail;
    } reporting_ = {kReportCodes, 0, "", ""};
    // The first line break at or after `at`, or the end of the file.
    uint32_t ScanLineEnd(uint32_t at) const;
    // Moves the position forward to `end`, counting the line ends passed.
    void AdvanceTo(uint32_t end);
    bool fromSystem_ = false; // the buffer is from VirtualAlloc, not malloc

    // The last line scanned: from which position, and where that line starts and ends.
    mutable uint32_t scannedFrom_ = UINT32_MAX;
    mutable uint32_t scannedStart_ = 0, scannedEnd_ = 0;

    ScriptEntry* constants_ = nullptr; // newest first; owned
    // The newest constant of each lower-cased name, so that a lookup costs the same however
    // many constants a file defines.
    TypedefIndex constantsByName_;

    // The text of string literals is gathered here; it grows as needed and is reused.
    char* scratch_ = nullptr;
    uint32_t scratchCapacity_ = 0;
};
