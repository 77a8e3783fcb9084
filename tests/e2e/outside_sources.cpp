#include "tests/e2e/outside_sources.h"

#include "tests/e2e/editor_window.h"
#include "tests/e2e/menu_probe.h"

#include <psapi.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>

namespace ql::e2e {
namespace {

std::wstring besideTestExe(std::wstring_view name) {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L"\\/") + 1) + std::wstring(name);
}

DWORD runInProgram(HANDLE process, const void* routine, const void* parameter) {
    win::UniqueHandle thread(::CreateRemoteThread(
        process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(const_cast<void*>(routine)),
        const_cast<void*>(parameter), 0, nullptr));
    if (!thread) throw DriverError("cannot start a thread in the program");
    if (::WaitForSingleObject(thread.get(), static_cast<DWORD>(kPatience.count())) != WAIT_OBJECT_0)
        throw DriverError("a thread in the program did not end");
    DWORD code = 0;
    ::GetExitCodeThread(thread.get(), &code);
    return code;
}

// Where the program loaded `path`; null when it has not.
HMODULE moduleIn(HANDLE process, const std::wstring& path) {
    HMODULE modules[512]{};
    DWORD bytes = 0;
    if (!::EnumProcessModules(process, modules, sizeof modules, &bytes)) return nullptr;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE); ++i) {
        wchar_t name[MAX_PATH]{};
        ::GetModuleFileNameExW(process, modules[i], name, MAX_PATH);
        if (::lstrcmpiW(name, path.c_str()) == 0) return modules[i];
    }
    return nullptr;
}

// The probe, loaded into the program while the menu is read.
probe::MenuRequest readMenuInProgram(HWND popup, HMENU menu) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(popup, &processId);
    const win::UniqueHandle process(::OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                                      PROCESS_VM_READ | PROCESS_VM_WRITE,
                                                  FALSE, processId));
    if (!process) throw DriverError("cannot open the program");
    const std::wstring probePath = besideTestExe(L"test-support\\menu_probe.dll");
    const HMODULE local = ::LoadLibraryW(probePath.c_str());
    if (!local) throw DriverError("test-support\\menu_probe.dll is missing beside the test");
    const auto readMenu = reinterpret_cast<const BYTE*>(::GetProcAddress(local, probe::kReadMenu));
    if (!readMenu) throw DriverError("menu_probe.dll exports no readMenu");
    const auto offset = readMenu - reinterpret_cast<const BYTE*>(local);
    // kernel32 stands at the same address in every process of one bitness.
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto loadLibrary = reinterpret_cast<const void*>(::GetProcAddress(kernel, "LoadLibraryW"));
    const auto freeLibrary = reinterpret_cast<const void*>(::GetProcAddress(kernel, "FreeLibrary"));

    const RemoteBuffer pathBuffer(popup, (probePath.size() + 1) * sizeof(wchar_t));
    pathBuffer.write(0, probePath.c_str(), (probePath.size() + 1) * sizeof(wchar_t));
    runInProgram(process.get(), loadLibrary, pathBuffer.at());
    const HMODULE remote = moduleIn(process.get(), probePath);
    if (!remote) throw DriverError("the program did not load the menu probe");

    probe::MenuRequest request{};
    request.menu = menu;
    const RemoteBuffer requestBuffer(popup, sizeof request);
    requestBuffer.put(request);
    runInProgram(process.get(), reinterpret_cast<const BYTE*>(remote) + offset, requestBuffer.at());
    request = requestBuffer.get<probe::MenuRequest>();
    runInProgram(process.get(), freeLibrary, remote);
    return request;
}

std::wstring withoutAccessKey(std::wstring_view text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

}  // namespace

std::vector<std::wstring> PopupMenu::shown() const {
    std::vector<std::wstring> texts;
    for (const MenuItemView& i : items) texts.push_back(i.separator ? L"-" : i.enabled ? i.text : L"[" + i.text + L"]");
    return texts;
}

const MenuItemView& PopupMenu::item(std::wstring_view textOfItem) const {
    for (const MenuItemView& i : items) {
        if (i.text == textOfItem) return i;
    }
    throw DriverError("the menu has no item \"" + narrowText(textOfItem) + "\"");
}

PopupMenu waitForPopupMenu(const Program& program) {
    PopupMenu menu;
    HMENU handle = nullptr;
    // A menu that was just closed may still stand while the new one opens.
    waitUntil([&] {
        menu.window = program.waitForWindow([](HWND hwnd) { return className(hwnd) == L"#32768"; }, "a popup menu");
        DWORD_PTR answer = 0;
        if (!::SendMessageTimeoutW(menu.window, MN_GETHMENU, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer)) return false;
        handle = reinterpret_cast<HMENU>(answer);
        return handle != nullptr;
    });
    if (!handle) throw DriverError("the popup menu has no menu");
    const probe::MenuRequest request = readMenuInProgram(menu.window, handle);
    if (request.count < 0) throw DriverError("the popup menu could not be read");
    for (int i = 0; i < request.count && i < probe::kMaxItems; ++i) {
        const probe::MenuItem& item = request.items[i];
        menu.items.push_back(MenuItemView{
            .text = withoutAccessKey(item.text),
            .separator = (item.type & MFT_SEPARATOR) != 0,
            .enabled = !(item.state & MFS_GRAYED),
            .isDefault = (item.state & MFS_DEFAULT) != 0,
            .centre = {(item.rect.left + item.rect.right) / 2, (item.rect.top + item.rect.bottom) / 2},
        });
    }
    return menu;
}

bool menuClosed(const Program& program) {
    return waitUntil([&] {
        for (HWND hwnd : program.windows()) {
            if (className(hwnd) == L"#32768") return false;
        }
        return true;
    });
}

namespace {

class OpenedClipboard {
public:
    OpenedClipboard() {
        if (!waitUntil([&] { return (open_ = ::OpenClipboard(nullptr) != FALSE); }))
            throw DriverError("the clipboard stays open elsewhere");
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    ~OpenedClipboard() {
        if (open_) ::CloseClipboard();
    }

private:
    bool open_ = false;
};

HGLOBAL globalCopy(const void* data, size_t size) {
    win::UniqueGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, size));
    if (!memory) throw DriverError("out of memory");
    const win::GlobalLock<BYTE> bytes(memory.get());
    std::memcpy(bytes.get(), data, size);
    return memory.release();
}

}  // namespace

void putTextOnClipboard(std::wstring_view textToPut) {
    const std::wstring withNul(textToPut);
    win::UniqueGlobal memory(globalCopy(withNul.c_str(), (withNul.size() + 1) * sizeof(wchar_t)));
    const OpenedClipboard clipboard;
    ::EmptyClipboard();
    if (!::SetClipboardData(CF_UNICODETEXT, memory.get())) throw DriverError("the clipboard took no text");
    memory.release();
}

std::optional<std::wstring> clipboardText() {
    const OpenedClipboard clipboard;
    const HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
    if (!data) return std::nullopt;
    const win::GlobalLock<const wchar_t> textData(data);
    if (!textData.get()) return std::nullopt;
    return std::wstring(textData.get(), ::wcsnlen(textData.get(), textData.size() / sizeof(wchar_t)));
}

// ---- Dragging files --------------------------------------------------------------------------

namespace {

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif

FORMATETC fileListFormat() { return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

// The file list a file manager offers: CF_HDROP, and nothing else.
class FileListData final : public IDataObject {
public:
    explicit FileListData(std::vector<std::wstring> files) : files_(std::move(files)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IUnknown || riid == IID_IDataObject) {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        // DROPFILES, then the paths, each ending in a NUL, and one NUL more.
        std::vector<BYTE> bytes(sizeof(DROPFILES));
        for (const std::wstring& file : files_) {
            const auto* begin = reinterpret_cast<const BYTE*>(file.c_str());
            bytes.insert(bytes.end(), begin, begin + (file.size() + 1) * sizeof(wchar_t));
        }
        bytes.insert(bytes.end(), sizeof(wchar_t), 0);
        DROPFILES header{};
        header.pFiles = sizeof(DROPFILES);
        header.fWide = TRUE;
        std::memcpy(bytes.data(), &header, sizeof header);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = globalCopy(bytes.data(), bytes.size());
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        if (!format || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override {
        if (direction != DATADIR_GET) return E_NOTIMPL;
        FORMATETC format = fileListFormat();
        return ::SHCreateStdEnumFmtEtc(1, &format, formats);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    ~FileListData() = default;
    std::vector<std::wstring> files_;
    std::atomic<ULONG> references_{1};
};

class FileDropSource final : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (riid == IID_IUnknown || riid == IID_IDropSource) {
            *object = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the stack of the drag.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape) return DRAGDROP_S_CANCEL;
        return (keys & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override {
        lastFeedback = effect;
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }

    DWORD lastFeedback = DROPEFFECT_NONE;
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

constexpr wchar_t kSourceClass[] = L"QuorlaneTestDragSource";

}  // namespace

struct FileDragSource::State {
    POINT at{};
    win::UniqueHandle thread;
    win::UniqueHandle ready{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    win::UniqueHandle done{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    HWND window = nullptr;
    DWORD threadId = 0;
    std::vector<std::wstring> files;
    Outcome outcome;

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<State*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == WM_LBUTTONDOWN && self) {
            // As a file manager starts a drag: the data, a source, and every effect it allows.
            auto* data = new FileListData(self->files);
            FileDropSource source;
            DWORD effect = DROPEFFECT_NONE;
            ::DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
            data->Release();
            self->outcome = Outcome{effect, source.lastFeedback};
            ::SetEvent(self->done.get());
            return 0;
        }
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    static DWORD WINAPI run(void* parameter) {
        auto* self = static_cast<State*>(parameter);
        const win::OleSession ole;
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kSourceClass;
        windowClass.hbrBackground = ::GetSysColorBrush(COLOR_WINDOW);
        ::RegisterClassW(&windowClass);
        self->window = ::CreateWindowExW(WS_EX_TOPMOST, kSourceClass, L"Drag source", WS_POPUP | WS_BORDER | WS_VISIBLE,
                                         self->at.x, self->at.y, 120, 80, nullptr, nullptr, windowClass.hInstance, self);
        ::SetEvent(self->ready.get());
        MSG msg{};
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (self->window) ::DestroyWindow(self->window);
        return 0;
    }
};

FileDragSource::FileDragSource(POINT at) : state_(std::make_unique<State>()) {
    state_->at = at;
    state_->thread.reset(::CreateThread(nullptr, 0, State::run, state_.get(), 0, &state_->threadId));
    if (!state_->thread || ::WaitForSingleObject(state_->ready.get(), static_cast<DWORD>(kPatience.count())) != WAIT_OBJECT_0 ||
        !state_->window)
        throw DriverError("the drag source window did not come");
}

FileDragSource::~FileDragSource() {
    ::PostThreadMessageW(state_->threadId, WM_QUIT, 0, 0);
    ::WaitForSingleObject(state_->thread.get(), static_cast<DWORD>(kPatience.count()));
}

FileDragSource::Outcome FileDragSource::drag(const std::vector<std::wstring>& files, POINT target, HWND settleWindow) {
    state_->files = files;
    RECT source{};
    ::GetWindowRect(state_->window, &source);
    const POINT from{(source.left + source.right) / 2, (source.top + source.bottom) / 2};
    mouse::press(settleWindow, from);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (!waitUntil([&] { return ::GetGUIThreadInfo(state_->threadId, &gui) && gui.hwndCapture; }))
        throw DriverError("the drag did not start");
    constexpr int kMoves = 12;
    for (int i = 1; i <= kMoves; ++i) {
        mouse::moveTo(settleWindow, {from.x + (target.x - from.x) * i / kMoves, from.y + (target.y - from.y) * i / kMoves});
    }
    // Once more on the spot: the target has answered the last move before the release.
    mouse::moveTo(settleWindow, target);
    mouse::release(settleWindow, target);
    if (::WaitForSingleObject(state_->done.get(), static_cast<DWORD>(kPatience.count())) != WAIT_OBJECT_0)
        throw DriverError("the drag did not end");
    settle(settleWindow);
    return state_->outcome;
}

}  // namespace ql::e2e
