#include "script/source.h"

#include "launcher/log.h"
#include "vfs/vfile.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

// Shared by every source; ReportError formats into it, then copies the line text into it.
char reportBuffer[8192];

bool IsWordByte(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

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

} // namespace

ScriptSource::ScriptSource(const char* sourcePath) {
    directory[0] = '\0';
    path[0] = '\0';
    size_t pathLength = std::strlen(sourcePath);
    CopyCut(path, sizeof path, sourcePath, pathLength);
    if (pathLength >= sizeof path) {
        LogPrintf("[CQSParse] file name longer than %u characters: '%s...'\n",
                  unsigned(sizeof path - 1), path);
        return;
    }
    FILE* file = vfopen(sourcePath, "rb");
    if (!file) {
        return;
    }
    vfseek(file, 0, SEEK_END);
    long length = vftell(file);
    vfseek(file, 0, SEEK_SET);
    if (length > 0 && (buffer = static_cast<unsigned char*>(std::malloc(size_t(length))))) {
        // A file that delivers less than it claimed is taken for what it delivered.
        size = uint32_t(vfread(buffer, 1, size_t(length), file));
    }
    vfclose(file);

    const char* separator = std::strrchr(path, '\\');
    if (!separator) {
        separator = std::strrchr(path, '/');
    }
    CopyCut(directory, sizeof directory, path, separator ? size_t(separator - path + 1) : 0);
}

ScriptSource::~ScriptSource() {
    std::free(buffer);
    std::free(scratch_);
    delete constants;
}

bool ScriptSource::EndsLine(uint32_t at) const {
    return buffer[at] == '\r' || (buffer[at] == '\n' && (at == 0 || buffer[at - 1] != '\r'));
}

int ScriptSource::GetChar() {
    if (position >= size) {
        return -1;
    }
    line += EndsLine(position);
    return buffer[position++];
}

int ScriptSource::UngetChar() {
    if (position == 0) {
        return -1;
    }
    --position;
    line -= EndsLine(position);
    return 0;
}

int ScriptSource::SkipBlanks() {
    while (position < size) {
        int c = buffer[position];
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '/') {
            break;
        }
        GetChar();
        if (c != '/') {
            continue;
        }
        int next = GetChar();
        if (next == '/') {
            // A line comment ends after the next line feed, with a CR before it or without.
            for (int b = GetChar(); b != -1 && b != '\n'; b = GetChar()) {
            }
        } else if (next == '*') {
            // A block comment ends at the first "*/"; a run of asterisks before the slash counts.
            int b = GetChar();
            while (b != -1) {
                if (b == '*') {
                    b = GetChar();
                    if (b == '/') {
                        break;
                    }
                } else {
                    b = GetChar();
                }
            }
        } else {
            // A lone slash is no blank: it stays the next byte to read.
            if (next != -1) {
                UngetChar();
            }
            UngetChar();
            break;
        }
    }
    return position == size ? -1 : 0;
}

int ScriptSource::ReadWord(char* destination, int32_t capacity) {
    int32_t stored = 0;
    for (;;) {
        int c = GetChar();
        if (IsWordByte(c)) {
            if (capacity - stored < 2) {
                ReportError("word limit exceeded");
                UngetChar();
                destination[stored] = '\0';
                return 1;
            }
            destination[stored++] = char(c);
            continue;
        }
        if (c != -1) {
            UngetChar();
        }
        destination[stored] = '\0';
        return c == -1 ? -1 : 0;
    }
}

void ScriptSource::ReportError(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(reportBuffer, sizeof reportBuffer, format, arguments);
    va_end(arguments);
    if (errorSink) {
        errorSink->Report(reportBuffer);
    }
    LogPrintf("%s", "[CQSParse] ");
    LogPrintf("%s", reportBuffer);
    LogPrintf(": in file '%s' in line %d\n", path, int(line));
    uint32_t start = LineStart();
    CopyCut(reportBuffer, sizeof reportBuffer, reinterpret_cast<const char*>(buffer) + start,
            LineEnd() - start);
    LogPrintf("%s", reportBuffer);
    LogPrintf("%s", "\n\n");
}

uint32_t ScriptSource::LineStart() const {
    for (uint32_t at = position; at > 0; --at) {
        if (buffer[at - 1] == '\r' || buffer[at - 1] == '\n') {
            return at;
        }
    }
    return 0;
}

uint32_t ScriptSource::LineEnd() const {
    uint32_t at = position;
    while (at < size && buffer[at] != '\r' && buffer[at] != '\n') {
        ++at;
    }
    return at;
}
