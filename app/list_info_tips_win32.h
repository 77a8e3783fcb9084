#pragma once
// Info tips over the entries of a list view: hovering an entry shows what it holds. The tips come
// from a tooltip of their own, fed with the list's mouse messages, so they show on every list view.
// A tip goes when the list's entries change under it: it never stays for an entry that is gone, nor
// shows over another that took its row.
#include "common/win_handles.h"
#include "subclass/subclass.h"

#include <functional>
#include <string>

namespace ql {

class ListInfoTips final : public subclass::ISubclass {
public:
    // The tip of the entry at a position; empty for none.
    using TipText = std::function<std::wstring(int index)>;

    // Attaches to `list` through the subclassing service; detaches when it goes, which must be
    // before the list is destroyed. An attach failure (subclass::SubclassError) reaches the caller.
    ListInfoTips(HWND list, TipText tipText);
    ListInfoTips(const ListInfoTips&) = delete;
    ListInfoTips& operator=(const ListInfoTips&) = delete;
    ~ListInfoTips() override;

    HWND tooltip() const { return tooltip_.get(); }
    // Hides the tip shown now, or waiting to show, as before a menu opens over it or a drag starts;
    // the pointer's next move over an entry brings its tip back.
    void hide();

    std::int32_t MsgResponse() override { return subclass::mrPostProcess; }
    void MsgResponse(std::int32_t) override {}
    subclass::LResult WindowProc(subclass::WindowHandle hwnd, subclass::Message iMsg, subclass::WParam wParam,
                                 subclass::LParam lParam) override;

private:
    void follow(POINT at);

    HWND list_;
    TipText tipText_;
    win::UniqueWindow tooltip_;
    int hovered_ = -1;
    std::wstring text_;
};

}  // namespace ql
