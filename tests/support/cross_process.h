#pragma once
// Owners that reach into another process, for the tests that drive the program from outside.
#include "common/win_handles.h"

#include <utility>

namespace ql::win {

// Memory committed in another process with VirtualAllocEx, given back with VirtualFreeEx.
// The process handle is borrowed and must outlive the memory.
class RemoteMemory {
public:
    RemoteMemory() = default;
    RemoteMemory(HANDLE process, SIZE_T size)
        : process_(process),
          address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    RemoteMemory(RemoteMemory&& other) noexcept
        : process_(other.process_), address_(std::exchange(other.address_, nullptr)) {}
    RemoteMemory& operator=(RemoteMemory&& other) noexcept {
        if (this != &other) {
            free();
            process_ = other.process_;
            address_ = std::exchange(other.address_, nullptr);
        }
        return *this;
    }
    ~RemoteMemory() { free(); }

    void* get() const { return address_; }
    explicit operator bool() const { return address_ != nullptr; }

private:
    void free() {
        if (address_) ::VirtualFreeEx(process_, std::exchange(address_, nullptr), 0, MEM_RELEASE);
    }

    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

// This thread shares the input state (focus, key state) of another thread for a scope.
class AttachedThreadInput {
public:
    explicit AttachedThreadInput(DWORD otherThread)
        : self_(::GetCurrentThreadId()), other_(otherThread), attached_(::AttachThreadInput(self_, other_, TRUE) != FALSE) {}
    AttachedThreadInput(const AttachedThreadInput&) = delete;
    AttachedThreadInput& operator=(const AttachedThreadInput&) = delete;
    ~AttachedThreadInput() {
        if (attached_) ::AttachThreadInput(self_, other_, FALSE);
    }
    bool ok() const { return attached_; }

private:
    DWORD self_;
    DWORD other_;
    bool attached_;
};

}  // namespace ql::win
