// ls: every entry of each mounted archive as its central directory records it, with what the
// file layer makes of it.
#include "tools/entry_name.h"
#include "tools/entry_selection.h"
#include "tools/entry_text.h"
#include "tools/printable.h"
#include "tools/vfs_tool.h"
#include "vfs/listing.h"

#include <algorithm>
#include <cstdio>

namespace {

struct Row {
    std::string name;
    size_t width; // of the name on a terminal
    std::string note;
    uint64_t size, compressedSize;
    uint16_t method, date, time;
    uint32_t crc32;
};

struct Listing {
    EntrySelection* selection = nullptr;
    std::vector<Row> rows;
    uint64_t notServed = 0; // files the game cannot read
};

void AddRow(const ListedEntry& listed, void* context) {
    Listing* listing = static_cast<Listing*>(context);
    const ZipFileHeader& header = *listed.header;
    std::string stored = EntryName(header);
    if (!listing->selection->Selects(stored)) {
        return;
    }
    std::string why = WhyNotServed(listed);
    std::string note;
    if (listed.service == kDirectoryEntry) {
        note = "(directory)";
    } else if (!why.empty()) {
        note = "(not served: " + why + ")";
        ++listing->notServed;
    } else if (vflookup(listed.entry->name) != listed.entry) {
        note = "(hidden by an earlier entry of that name)";
    }
    std::string name = Printable(stored);
    size_t width = DisplayWidth(name);
    listing->rows.push_back({std::move(name), width, std::move(note), header.size,
                             header.compressedSize, header.method, header.modDate, header.modTime,
                             header.crc32});
}

void PrintListing(const std::vector<Row>& rows, bool quiet) {
    size_t nameWidth = 0;
    uint64_t size = 0, compressedSize = 0;
    for (const Row& row : rows) {
        nameWidth = std::max(nameWidth, row.width);
        size += row.size;
        compressedSize += row.compressedSize;
    }
    if (!quiet) {
        std::printf("      Size  Compressed  Method     Date       Time   CRC-32    Name\n");
    }
    for (const Row& row : rows) {
        std::printf("%10s  %10s  %-9s  %s  %08lx  %s", std::to_string(row.size).c_str(),
                    std::to_string(row.compressedSize).c_str(), MethodName(row.method).c_str(),
                    DosDateTime(row.date, row.time).c_str(), static_cast<unsigned long>(row.crc32),
                    row.name.c_str());
        if (!row.note.empty()) {
            std::printf("%*s  %s", int(nameWidth - row.width), "", row.note.c_str());
        }
        std::printf("\n");
    }
    if (quiet) {
        return;
    }
    std::printf("%10s  %10s  %s %s\n", std::to_string(size).c_str(),
                std::to_string(compressedSize).c_str(), std::to_string(rows.size()).c_str(),
                rows.size() == 1 ? "entry" : "entries");
}

} // namespace

int List(const VerbArguments& arguments) {
    const std::vector<std::string>& archives = arguments.archives;
    int status = kExitOk;
    EntrySelection selection(arguments.operands);
    for (const std::string& archive : archives) {
        Listing listing;
        listing.selection = &selection;
        MountResult result = vflistarchive(LayerName(archive).c_str(), AddRow, &listing);
        if (result != kMountOk) {
            Complain(ArchiveProblem(archive, result, 0));
            status = kExitProblem;
            continue;
        }
        if (archives.size() > 1) {
            std::printf("Archive: %s\n", Printable(archive).c_str());
        }
        PrintListing(listing.rows, arguments.verbosity == Verbosity::kQuiet);
        if (listing.notServed != 0) {
            Complain(Printable(archive) + ": " + std::to_string(listing.notServed) + " of " +
                     std::to_string(listing.rows.size()) +
                     " entries cannot be read by the file layer");
        }
    }
    for (const std::string& pattern : selection.Unused()) {
        Complain(Printable(pattern) + ": not in the mounted archives");
        status = kExitProblem;
    }
    return status;
}
