#include "tests/e2e/hung_mount.h"

#include "tests/e2e/driver.h"

#include <fstream>

namespace ql::e2e {
namespace {

std::wstring testFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// Wine shows the Unix root as Z:.
std::wstring unixPath(const std::wstring& windowsPath) {
    std::wstring path = windowsPath.substr(2);
    for (wchar_t& c : path) c = c == L'\\' ? L'/' : c;
    return path;
}

std::string firstLine(const std::wstring& file) {
    std::ifstream in(file.c_str());
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

HungMount::HungMount() {
    const std::wstring name = L"Z:\\tmp\\quorlane-hung-" + std::to_wstring(::GetCurrentProcessId());
    mountPoint_ = name;
    statusFile_ = name + L".status";
    const std::wstring helper = testFolder() + L"test-support\\hung_mount";
    if (::GetFileAttributesW(helper.c_str()) == INVALID_FILE_ATTRIBUTES) {
        unavailable_ = "test-support/hung_mount was not built (no libfuse3)";
        return;
    }
    ::DeleteFileW(statusFile_.c_str());
    if (!::CreateDirectoryW(mountPoint_.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        unavailable_ = "no Z:\\tmp to mount on: not under Wine";
        return;
    }
    std::wstring commandLine = L"hung_mount " + unixPath(mountPoint_) + L" " + unixPath(statusFile_);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    // Wine runs a Linux program as one of its own: no handles come back, and none need closing.
    if (!::CreateProcessW(helper.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        unavailable_ = "cannot start test-support/hung_mount";
        return;
    }
    if (info.hProcess) ::CloseHandle(info.hProcess);
    if (info.hThread) ::CloseHandle(info.hThread);
    std::string status;
    waitUntil([&] { return !(status = firstLine(statusFile_)).empty(); });
    if (status != "ready") {
        unavailable_ = status.empty() ? "the hanging file system did not start" : status;
        ::DeleteFileW(statusFile_.c_str());
        return;
    }
    mounted_ = true;
}

HungMount::~HungMount() {
    release();
    ::RemoveDirectoryW(mountPoint_.c_str());
}

void HungMount::release() {
    if (!mounted_) return;
    mounted_ = false;
    ::DeleteFileW(statusFile_.c_str());
    // Unmounted once the mount point is an empty folder again.
    const std::wstring gone = mountPoint_ + L"\\gone";
    waitUntil([&] { return ::GetFileAttributesW(gone.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

}  // namespace ql::e2e
