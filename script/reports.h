// Every report a parse makes, one code per message. A report names its code, the byte offset of
// its culprit in the file being read and the word or path concerned (its subject); its text is
// made from the code's format, so the log reads the same whoever made the report.
#pragma once

#include <cstdint>

enum ScriptReport : uint8_t {
    // The scanner and the literal readers.
    kReportWordTooLong,    // a keyword or constant name of more than 31 bytes
    kReportUnknownConst,   // subject: the name
    kReportConstKind,      // subject: the name; detail: the kind wanted
    kReportExpectedNumber, // a sign with no digit after it
    kReportIntTermination, // a byte that cannot follow an integer
    kReportFloatTermination,
    kReportUnterminatedString, // the end of the file before the closing quote
    kReportFileNameTooLong,    // subject: the name, cut
    // Statements.
    kReportCallName,       // no keyword where a statement starts
    kReportUnknownKeyword, // subject: the keyword
    kReportCallOpening,    // no '(' after a keyword
    kReportCallComma,
    kReportCallClosing,
    kReportSemicolon, // a ';' after a statement; the one report after which a parse goes on
    kReportStrayClosingBrace,
    kReportBlocksTooDeep,
    // Declarations.
    kReportConstName,
    kReportConstOpening,
    kReportConstSyntax,
    kReportTypedefName,
    kReportTypedefOpening,
    kReportTypedefSyntax,
    // Includes.
    kReportIncludeOpening,
    kReportIncludeClosing,
    kReportIncludePathTooLong, // subject: the path, cut
    kReportIncludesTooDeep,    // subject: the path
    kReportTooManyIncludes,    // subject: the path
    kReportIncludeCycle,       // subject: the path; detail: the files open, each with " > "
    // What a parse may cost.
    kReportScriptBytes,
    kReportTreeBytes,
    kReportOutOfMemory,
    kReportCodes // the count
};

struct ScriptReportRow {
    const char* name;   // the code's name, as tools show it
    const char* format; // printf format of the text; it takes the subject, then the detail
    bool goesOn;        // a warning: the parse goes on after it
    bool detailFirst;   // the format takes the detail before the subject
};

const ScriptReportRow& ScriptReportRowOf(ScriptReport code);
