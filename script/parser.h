// The configuration-script language: statements that look like calls, declared by typedefs,
// with typed constants, nested blocks in braces and include files. A parse turns one file,
// with every file it includes, into its list of top-level entries.
//
//   !keyword(s, i)          typedef: keyword takes a string and an int (i/n, f, s; any case)
//   $name(s, "value")       constant: name stands for "value" wherever a string is expected
//   !include("other.ini")   the entries of other.ini, found beside this file, stand here
//   keyword("text", 12) { ... }   an entry; the statements in braces become its children
//
// Files are read through the file layer (vfs/vfile.h): from disk, else from mounted archives.
// One thread parses at a time: the node pools and the parse hook are process-wide.
// Memory runs out as any other failure does (vfs/vfile.h): a parse that cannot allocate fails
// with the report "out of memory", and nothing on its path throws.
#pragma once

#include "script/entry.h"
#include "script/source.h"
#include "script/typedef_index.h"

#include <string>
#include <unordered_set>

// Include files may nest this deep below the top file, and this many blocks may be open.
const int kMostNestedIncludes = 32;
const int kMostOpenBlocks = 256;

// What one parse shares across all its files and blocks.
struct ParseContext {
    int32_t error = 0;     // non-zero once the parse has failed; never cleared
    int includeDepth = 0;  // files being included, one inside the other
    int openBlocks = 0;    // brace blocks open, over all files
    TypedefIndex typedefs; // exactly the typedefs of the lists in force

    // What the parse has cost so far: include files opened, bytes read by all its files, bytes
    // of the entries and values it made (whether they last or not).
    int includeFiles = 0;
    uint32_t bytesRead = 0;
    uint32_t treeBytes = 0;
    // The files open, the top file first, up to openFiles[includeDepth]: an include of one of
    // them is a cycle.
    const ScriptSource* openFiles[kMostNestedIncludes + 1] = {};
    // Include paths found missing, in their lookup form: looking again would find nothing new,
    // and a miss costs a search of its folder. Only a help: what it cannot hold is looked up.
    std::unordered_set<std::string> missingIncludes;
    ReportBudget reports;
};

// What the files of one parse may cost in all: a file that includes the next one twice, over
// and over, must not make the work grow without end.
const int kMostIncludeFiles = 4096;
const uint32_t kMostScriptBytes = 64u << 20;
// A few bytes of text make an entry or a value many times their size, and a constant's text is
// copied into every call that names it: what the parse makes is bounded of its own.
const uint32_t kMostTreeBytes = 64u << 20;

// The top-level entry list of the file, which the caller owns, or null when the file cannot be
// read, holds no call, or cannot be parsed (then the log says so).
ScriptEntry* ParseScriptFile(const char* path);
// The same for `size` bytes held in memory, parsed as a file named `name` would be: reports
// name it, and its includes are files found beside it.
ScriptEntry* ParseScriptBuffer(const char* name, const void* bytes, size_t size);

// A tool that holds newer text of some files than the disk has (an editor's unsaved buffers)
// lends it to the parse: the lookup is asked about each include's path as the parse forms it,
// and answers true with the bytes to parse instead of the file's. The bytes must stay as they
// are until the parse ends. A null lookup removes it; a parse must not be running.
typedef bool (*ScriptTextLookup)(const char* path, const void** bytes, size_t* size, void* context);
void SetScriptTextLookup(ScriptTextLookup lookup, void* context = nullptr);

// The statements up to the end of the file, or in a nested block up to its '}'. `typedefs` is
// the head of the typedefs in force; a nested block removes those it added when it ends.
ScriptEntry* ParseBlock(ScriptSource* source, ScriptEntry** typedefs, ParseContext* parse,
                        bool nested);
// One call of a keyword that a typedef in force declares, with its arguments; null after an
// error.
ScriptEntry* ParseCall(ScriptSource* source, ParseContext* parse);
// After '$': a constant, linked into the source's constant list.
void ParseConstDef(ScriptSource* source, ParseContext* parse);
// After '!': a typedef, linked in at the head of `*typedefs`, or an include, whose entries go
// to `*included`.
void ParseTypedef(ScriptSource* source, ParseContext* parse, ScriptEntry** included,
                  ScriptEntry** typedefs);
