#pragma once
// A share whose server is gone, as Wine meets it: a folder on a FUSE mount (tests/hung_mount, a
// Linux program started from here) below which every look-up waits until the mount is released.
// Released when this object goes, however the test went; the program that started it ending
// releases it too.
#include "common/win_handles.h"

#include <string>

namespace ql::e2e {

class HungMount {
public:
    HungMount();
    HungMount(const HungMount&) = delete;
    HungMount& operator=(const HungMount&) = delete;
    ~HungMount();

    // Why there is no mount (no /dev/fuse, no Wine, the helper missing); empty when there is one.
    const std::string& unavailable() const { return unavailable_; }
    // A folder whose every look-up hangs, as a Windows path.
    std::wstring hungFolder() const { return mountPoint_ + L"\\gone\\share"; }
    // Ends the mount: every look-up waiting in it fails at once.
    void release();

private:
    std::wstring mountPoint_;  // Windows paths of the mount point and of the helper's status file
    std::wstring statusFile_;
    std::string unavailable_;
    bool mounted_ = false;
};

}  // namespace ql::e2e
