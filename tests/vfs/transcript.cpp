// A transcript is lines "> COMMAND WORD...", each followed by the lines the command prints;
// '#' lines are comments. Words are split at blanks; "..." quotes one with escapes. Bytes are
// shown as one word, quoted where they must be, or as <N bytes crc X> beyond 64 of them. Where
// a command takes content, noise:N[:SEED] and text:N make N bytes of tests/support's kinds.
#include "tests/vfs/transcript.h"

#include "diag/log.h"
#include "script/parser.h"
#include "tests/launcher/child_process.h"
#include "tests/support/temporary_folder.h"
#include "tests/support/test_data.h"
#include "tests/vfs/zip_writer.h"
#include "vfs/crc_log.h"
#include "vfs/file_name.h"
#include "vfs/internal/pack.h"
#include "vfs/mount.h"
#include "vfs/vfile.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <zlib.h>

namespace {

using Words = std::vector<std::string>;

const char* const kMountResults[] = {"ok",        "cannot-open", "not-an-archive",  "corrupt",
                                     "too-large", "index-full",  "already-mounted", "not-mounted",
                                     "in-use",    "no-memory"};

std::string Hex(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(value));
    return text;
}

std::string Show(const std::string& bytes) {
    if (bytes.size() > 64) {
        auto data = reinterpret_cast<const Bytef*>(bytes.data());
        return "<" + std::to_string(bytes.size()) + " bytes crc " +
               Hex(uint32_t(crc32(0, data, uInt(bytes.size())))) + ">";
    }
    if (!bytes.empty() && std::all_of(bytes.begin(), bytes.end(),
                                      [](char c) { return c > ' ' && c < 127 && c != '"'; })) {
        return bytes;
    }
    std::string text = "\"";
    for (char c : bytes) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
        text += c == '\n'               ? "\\n"
                : c == '\r'             ? "\\r"
                : c == '\t'             ? "\\t"
                : c == '"' || c == '\\' ? std::string("\\") + c
                : c >= ' ' && c < 127   ? std::string(1, c)
                                        : hex;
    }
    return text + "\"";
}

Words Split(const std::string& line) {
    Words words;
    for (size_t at = line.find_first_not_of(' '); at < line.size();
         at = line.find_first_not_of(' ', at)) {
        size_t end = at + 1;
        if (line[at] == '"') {
            while (end < line.size() && line[end] != '"') {
                end += line[end] == '\\' ? 2 : 1;
            }
            words.push_back(Unescape(line.substr(at + 1, end - at - 1)));
            at = end + 1;
        } else {
            end = std::min(line.find(' ', at), line.size());
            words.push_back(line.substr(at, end - at));
            at = end;
        }
    }
    words.resize(words.size() + 4); // missing words read as empty ones
    return words;
}

std::string Content(const std::string& word) {
    unsigned long length = 0, seed = 1;
    if (std::sscanf(word.c_str(), "noise:%lu:%lu", &length, &seed) >= 1) {
        return NoisyBytes(length, uint32_t(seed));
    }
    return std::sscanf(word.c_str(), "text:%lu", &length) == 1 ? TextLike(length) : word;
}

const char* NullOr(const std::string& word) {
    return word == "(null)" ? nullptr : word.c_str();
}

// The state of one transcript: its handles, the archives it mounted and its checksum log.
class Transcript {
public:
    explicit Transcript(const TemporaryFolder& folder) : folder_(folder) {
        SetLogEchoHook([](const char* message) { echoed_ += message; });
    }
    ~Transcript() {
        for (const auto& named : handles_) {
            if (named.second) {
                vfclose(named.second);
            }
        }
        for (auto path = mounted_.rbegin(); path != mounted_.rend(); ++path) {
            vfunmount(path->c_str());
        }
        EXPECT_EQ(vfindexcount(), 0u) << "entries left indexed";
        SetLogEchoHook(nullptr);
        InstallCRCLog(nullptr);
        echoed_.clear();
    }

    std::string Do(const Words& w) {
        const std::string& c = w[0];
        FILE*& handle = handles_[w[1]];
        if (c == "mount" || c == "unmount") {
            MountResult result = c == "mount" ? vfmount(w[1].c_str()) : vfunmount(w[1].c_str());
            if (result == kMountOk && c == "mount") {
                mounted_.push_back(w[1]);
            }
            return kMountResults[result];
        }
        if (c == "open") {
            handle = vfopen(w[2].c_str(), w[3].empty() ? "rb" : w[3].c_str());
            const PackEntry* entry = vfhandleentry(handle);
            return !handle ? "none" : entry ? std::string("entry ") + entry->name : "disk";
        }
        if (c == "close") {
            int result = vfclose(handle);
            handles_.erase(w[1]);
            return std::to_string(result);
        }
        if (c == "read") { // HANDLE SIZE COUNT: whole elements read, and the bytes delivered
            size_t size = std::stoul(w[2]),
                   count = size_t(std::min<unsigned long long>(std::stoull(w[3]), SIZE_MAX));
            std::string buffer(size && count < (16u << 20) / size ? size * count : 16u << 20, 0);
            long before = vftell(handle);
            size_t got = vfread(&buffer[0], size, count, handle);
            return std::to_string(got) + " " + Show(buffer.substr(0, vftell(handle) - before));
        }
        if (c == "rest") { // HANDLE PIECE: the rest, read in pieces
            std::string all, piece(std::stoul(w[2]), '\0');
            for (size_t got = piece.size(); got == piece.size();) {
                got = vfread(&piece[0], 1, piece.size(), handle);
                all.append(piece, 0, got);
            }
            return Show(all);
        }
        if (c == "whole") { // NAME: read as the script reader does, size first, then one read
            FILE* file = vfopen(w[1].c_str(), "rb");
            if (!file) {
                return "none";
            }
            vfseek(file, 0, SEEK_END);
            std::string all(size_t(vftell(file)), '\0');
            vfseek(file, 0, SEEK_SET);
            all.resize(vfread(&all[0], 1, all.size(), file));
            vfclose(file);
            return Show(all);
        }
        if (c == "seek") { // HANDLE OFFSET set|cur|end|N: the result and the position after
            int origin = w[3] == "set"   ? SEEK_SET
                         : w[3] == "cur" ? SEEK_CUR
                         : w[3] == "end" ? SEEK_END
                                         : std::stoi(w[3]);
            int result = vfseek(handle, std::stol(w[2]), origin);
            return std::to_string(result) + " " + std::to_string(vftell(handle));
        }
        if (c == "buffer") { // the read-ahead buffer's size, when the stream has begun
            const PackHandle* pack = reinterpret_cast<const PackHandle*>(handle);
            return !pack->streamActive                             ? "none"
                   : pack->capacity == pack->entry->compressedSize ? "all the data"
                                                                   : std::to_string(pack->capacity);
        }
        if (c == "exists") {
            return std::to_string(vfexists(w[1].c_str()));
        }
        if (c == "lookup") {
            const PackEntry* entry = vflookup(w[1].c_str());
            return !entry ? "none"
                          : std::string(entry->name) + " " + std::to_string(entry->size) +
                                (entry->compressed
                                     ? " deflated " + std::to_string(entry->compressedSize)
                                     : " stored");
        }
        if (c == "index") { // the names, or how many when they are many
            std::string names = vfindexcount() ? "" : "empty";
            for (uint32_t i = 0; i < vfindexcount() && vfindexcount() <= 100; ++i) {
                names += std::string(i ? "\n" : "") + vfindexentry(i)->name;
            }
            return vfindexcount() > 100 ? std::to_string(vfindexcount()) + " names" : names;
        }
        if (c == "name") { // the lookup, indexed and checksum forms
            return Show(FileName(w[1], NameForm::kLookup).c_str()) + " " +
                   Show(FileName(w[1], NameForm::kIndexed).c_str()) + " " +
                   Show(FileName(w[1], NameForm::kChecksum).c_str());
        }
        if (c == "content") { // CONTENT [FROM LENGTH]
            return Show(Content(w[1]).substr(std::stoul("0" + w[2]),
                                             w[3].empty() ? std::string::npos : std::stoul(w[3])));
        }
        if (c == "write" || c == "zip") {
            folder_.Write(w[1], c == "write" ? Content(w[2]) : Zip(w));
            return "";
        }
        if (c == "remove") {
            std::filesystem::remove(w[1]);
            return "";
        }
        return Checksums(w);
    }

private:
    // FILE then items: stored|deflated NAME CONTENT, or numbered FROM TO for empty stored
    // files n/00000 on.
    static std::string Zip(const Words& w) {
        std::vector<ZipItem> items;
        for (size_t at = 2; !w[at].empty(); at += 3) {
            if (w[at] != "numbered") {
                items.emplace_back(w[at + 1], Content(w[at + 2]), w[at] == "stored" ? 0 : 8);
                continue;
            }
            for (long n = std::stol(w[at + 1]); n < std::stol(w[at + 2]); ++n) {
                char name[24];
                std::snprintf(name, sizeof name, "n/%05ld", n);
                items.push_back(ZipStored(name, ""));
            }
        }
        return MakeZip(items).bytes;
    }

    std::string Checksums(const Words& w) {
        const std::string& c = w[0];
        uint32_t crc = 0x12345678;
        int result = -1; // of a checksum call, shown with the running value
        if (c == "newlog") {
            log_ = std::make_unique<CCRCLog>();
        } else if (c == "addfile") {
            return std::to_string(log_->AddFile(NullOr(w[1])));
        } else if (c == "additem") {
            return Hex(log_->AddItem(NullOr(w[1])));
        } else if (c == "find") {
            const CRCItem* item = log_->FindItem(NullOr(w[1]));
            return !item
                       ? "none"
                       : std::string(item->name) + " " + Hex(item->crc) +
                             (item->computed ? " computed" : "") + (item->summed ? " summed" : "");
        } else if (c == "setcrc") {
            log_->FindItem(w[1].c_str())->crc = uint32_t(std::stoul(w[2], nullptr, 16));
        } else if (c == "forget") { // as if recorded by an earlier run
            log_->FindItem(w[1].c_str())->computed = 0;
        } else if (c == "sum") {
            log_->sumEnabled = w[1] == "on";
        } else if (c == "record") {
            InstallCRCLog(w[1] == "on" ? log_.get() : nullptr);
        } else if (c == "parse") {
            ScriptEntry* entries = ParseScriptFile(w[1].c_str());
            delete entries;
            return entries ? "entries" : "no entries";
        } else if (c == "echoed") {
            std::string echoed;
            echoed.swap(echoed_);
            return echoed.empty() ? "" : echoed.substr(0, echoed.size() - 1);
        } else if (c == "crcfile") { // NAME FIRST LAST
            result = CRC32OfFile(w[1].c_str(), std::stoi(w[2]), std::stoi(w[3]), &crc);
        } else if (c == "crcstream") { // NAME FIRST LAST [MODE]
            FILE* stream = std::fopen(w[1].c_str(), w[4].empty() ? "rb" : w[4].c_str());
            result = CRC32OfStream(stream, std::stoi(w[2]), std::stoi(w[3]), &crc);
            stream ? std::fclose(stream) : 0;
        } else if (c == "crcblock") { // CONTENT START [LENGTH]
            const std::string bytes = Content(w[1]);
            crc = NullOr(w[2]) ? uint32_t(std::stoul(w[2], nullptr, 16)) : 0;
            result = CRC32Block(NullOr(w[1]) ? bytes.data() : nullptr,
                                w[3].empty() ? int32_t(bytes.size()) : std::stoi(w[3]),
                                NullOr(w[2]) ? &crc : nullptr);
        } else if (c == "log" || c == "check") {
            return Buckets(c == "log");
        } else if (c == "fillblock") { // PREFIX: items until the pool's blocks are full
            for (int i = 0; (CRCNodePoolUsed() < 128 || CRCNodePoolUsed() % 128) && i < 256; ++i) {
                log_->AddItem((w[1] + std::to_string(i)).c_str());
            }
        } else if (c == "pool") {
            return std::to_string(CRCNodePoolBlocks() * 128 - CRCNodePoolUsed()) + " free";
        } else {
            ADD_FAILURE() << "unknown command " << c;
        }
        return result < 0 ? "" : std::to_string(result) + " " + Hex(crc);
    }

    // Each bucket's items from head to tail and the item count, when listing; then whether
    // every link back, bucket count and lookup of a name agrees with that walk.
    std::string Buckets(bool listing) const {
        std::string text, problems;
        int32_t listed = 0;
        for (int b = 0; b < 128; ++b) {
            const CCRCLog::Bucket& bucket = log_->buckets[b];
            const CRCNode* previous = nullptr;
            int32_t count = 0;
            for (const CRCNode* node = bucket.head; node && count <= log_->itemCount;
                 previous = node, node = node->next, ++count) {
                text += (count ? " " : std::to_string(b) + ": ") + std::string(node->item.name);
                if (node->previous != previous || log_->FindItem(node->item.name) != &node->item) {
                    problems += std::string(node->item.name) + ": links or lookup broken\n";
                }
            }
            text += count ? "\n" : "";
            if (bucket.tail != previous || bucket.count != count) {
                problems += "bucket " + std::to_string(b) + ": tail or count broken\n";
            }
            listed += count;
        }
        if (listed != log_->itemCount) {
            problems += std::to_string(listed) + " items listed\n";
        }
        return (listing ? text + std::to_string(log_->itemCount) + " items\n" : "") +
               (problems.empty() ? "consistent" : problems);
    }

    inline static std::string echoed_; // what the log echoed
    const TemporaryFolder& folder_;
    std::map<std::string, FILE*> handles_;
    std::vector<std::string> mounted_;
    std::unique_ptr<CCRCLog> log_ = std::make_unique<CCRCLog>();
};

} // namespace

std::string Unescape(const std::string& text) {
    std::string bytes;
    for (size_t at = 0; at < text.size(); ++at) {
        char c = text[at];
        if (c == '\\' && at + 1 < text.size()) {
            c = text[++at];
            if (c == 'x' && at + 2 < text.size()) {
                c = char(std::stoi(text.substr(at + 1, 2), nullptr, 16));
                at += 2;
            } else {
                c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
            }
        }
        bytes += c;
    }
    return bytes;
}

void RunTranscript(const std::string& path, const TemporaryFolder& folder) {
    struct Step {
        size_t line;
        Words words;
        std::string expected;
    };
    std::vector<Step> steps;
    const std::vector<std::string> lines = Lines(ReadFile(path));
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("> ", 0) == 0) {
            steps.push_back({i + 1, Split(lines[i].substr(2)), ""});
        } else if (!lines[i].empty() && lines[i][0] != '#' && !steps.empty()) {
            steps.back().expected += (steps.back().expected.empty() ? "" : "\n") + lines[i];
        }
    }
    ASSERT_FALSE(steps.empty()) << path;
    Transcript transcript(folder);
    for (const Step& step : steps) {
        EXPECT_EQ(transcript.Do(step.words), step.expected)
            << path << ":" << step.line << ": " << lines[step.line - 1];
    }
}
