// Folder listings remembered while a lookup snapshot is open, so that a run of case-blind
// lookups in one folder (a parse naming thousands of missing files) reads the folder once.
// Anything this process creates or changes through the platform, or a change of the working
// folder, forgets them all.
#include "internal.h"

#include <atomic>
#include <cstring>
#include <unordered_map>

namespace {

// More names than this in all are not remembered: a lookup then reads its folder again.
const size_t kMostRememberedNames = 200000;

struct Listing {
    // Each name folded to lower case: the first in byte order of the names it folds from.
    std::unordered_map<std::string, std::string> byFoldedName;
};

struct Snapshot {
    int depth = 0;
    unsigned generation = 0; // of the changes it has seen
    size_t names = 0;
    std::unordered_map<std::string, Listing> listings; // by folder as looked up
};

std::atomic<unsigned> changes{0};
thread_local Snapshot snapshot;

std::string Folded(const char* name) {
    std::string folded(name);
    for (char& c : folded) {
        c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return folded;
}

// The folder's listing, read now unless remembered; null when it is not to be remembered.
const Listing* ListingOf(const std::string& folder) {
    if (snapshot.generation != changes.load()) {
        snapshot.listings.clear();
        snapshot.names = 0;
        snapshot.generation = changes.load();
    }
    auto known = snapshot.listings.find(folder);
    if (known != snapshot.listings.end()) {
        return &known->second;
    }
    Listing listing;
    std::string unused;
    platform::FirstEntryWhere(
        folder,
        [&listing](const char* entry) {
            auto added = listing.byFoldedName.emplace(Folded(entry), entry);
            if (!added.second && std::strcmp(entry, added.first->second.c_str()) < 0) {
                added.first->second = entry;
            }
            return false;
        },
        unused);
    if (snapshot.names + listing.byFoldedName.size() > kMostRememberedNames) {
        return nullptr;
    }
    snapshot.names += listing.byFoldedName.size();
    return &(snapshot.listings[folder] = std::move(listing));
}

} // namespace

extern "C" void WinPathBeginLookupSnapshot(void) {
    ++snapshot.depth;
}

extern "C" void WinPathEndLookupSnapshot(void) {
    if (snapshot.depth > 0 && --snapshot.depth == 0) {
        snapshot.listings.clear();
        snapshot.names = 0;
    }
}

void platform::ForgetListings() {
    ++changes;
}

bool platform::EntryIgnoringCase(const std::string& folder, const std::string& name,
                                 std::string& match) {
    const Listing* listing = snapshot.depth > 0 ? ListingOf(folder) : nullptr;
    if (!listing) {
        auto sameName = [&name](const char* entry) { return _stricmp(entry, name.c_str()) == 0; };
        return FirstEntryWhere(folder, sameName, match);
    }
    auto found = listing->byFoldedName.find(Folded(name.c_str()));
    if (found == listing->byFoldedName.end()) {
        return false;
    }
    match = found->second;
    return true;
}
