#include "app/folder_drop_target_win32.h"

#include "app/place_transfer_win32.h"

#include <atomic>

namespace ql {
namespace {

FORMATETC fileListFormat() { return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

bool holdsFiles(IDataObject* data) {
    FORMATETC format = fileListFormat();
    return data && data->QueryGetData(&format) == S_OK;
}

// A copy: the list only refers to the folders, and a source must never delete what it dropped.
DWORD copyEffect(DWORD allowed) {
    if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
    if (allowed & DROPEFFECT_LINK) return DROPEFFECT_LINK;
    return DROPEFFECT_NONE;
}

}  // namespace

// A COM object is destroyed by its own Release, never through a pointer to its interface.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
class FolderDropRegistration::Target final : public IDropTarget {
public:
    explicit Target(FolderDropHandlers handlers) : handlers_(std::move(handlers)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDropTarget) {
            *object = static_cast<IDropTarget*>(this);
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

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        holdsFiles_ = holdsFiles(data);
        return answer(effect);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override { return answer(effect); }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        holdsFiles_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        holdsFiles_ = false;
        if (!effect) return E_INVALIDARG;
        const DWORD offered = copyEffect(*effect);
        *effect = DROPEFFECT_NONE;
        if (!offered || !handlers_.takesDrops() || !data) return S_OK;
        FORMATETC format = fileListFormat();
        win::StorageMedium medium;
        if (FAILED(data->GetData(&format, medium.put()))) return S_OK;
        medium.filled();
        if (medium.get().tymed != TYMED_HGLOBAL || !medium.get().hGlobal) return S_OK;
        std::vector<Place> items = transfer::placesFromFileList(static_cast<HDROP>(medium.get().hGlobal));
        if (handlers_.dropped(std::move(items))) *effect = offered;
        return S_OK;
    }

private:
    ~Target() = default;

    HRESULT answer(DWORD* effect) const {
        if (!effect) return E_INVALIDARG;
        *effect = editor::takesDrop(handlers_.takesDrops(), holdsFiles_) ? copyEffect(*effect) : DROPEFFECT_NONE;
        return S_OK;
    }

    FolderDropHandlers handlers_;
    std::atomic<ULONG> references_{1};
    bool holdsFiles_ = false;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

std::unique_ptr<FolderDropRegistration> FolderDropRegistration::tryRegister(HWND window, FolderDropHandlers handlers) {
    Target* target = new Target(std::move(handlers));
    if (FAILED(::RegisterDragDrop(window, target))) {
        target->Release();
        return nullptr;
    }
    return std::unique_ptr<FolderDropRegistration>(new FolderDropRegistration(window, target));
}

FolderDropRegistration::~FolderDropRegistration() {
    ::RevokeDragDrop(window_);
    target_->Release();
}

}  // namespace ql
