// The process's handle table. Like the kernel's, it owns every object until CloseHandle or
// the end of the process, so a handle kept open on purpose is no leak, and a value that is
// not a live handle is refused instead of followed.
#include "internal.h"

#include <memory>
#include <mutex>
#include <unistd.h>
#include <unordered_map>

using platform::KernelObject;

namespace {

std::mutex tableLock;
std::unordered_map<HANDLE, std::unique_ptr<KernelObject>> table;

} // namespace

HANDLE platform::NewHandle(KernelObject::Kind kind, int fd) {
    auto object = std::make_unique<KernelObject>(KernelObject{kind, fd});
    HANDLE handle = object.get();
    std::lock_guard<std::mutex> lock(tableLock);
    table.emplace(handle, std::move(object));
    return handle;
}

KernelObject* platform::ObjectOf(HANDLE handle, KernelObject::Kind kind) {
    std::lock_guard<std::mutex> lock(tableLock);
    auto entry = table.find(handle);
    return entry != table.end() && entry->second->kind == kind ? entry->second.get() : nullptr;
}

extern "C" BOOL WINAPI CloseHandle(HANDLE handle) {
    std::unique_ptr<KernelObject> object;
    {
        std::lock_guard<std::mutex> lock(tableLock);
        auto entry = table.find(handle);
        if (entry == table.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        object = std::move(entry->second);
        table.erase(entry);
    }
    if (object->fd >= 0) {
        close(object->fd);
    }
    return TRUE;
}
