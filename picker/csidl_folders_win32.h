#pragma once
// csidlFolders, the special folder picker: a dialog listing every special folder the shell knows
// on this system, with its display name and icon, from which the user chooses one to add to the
// places bar. It is built once, hidden between uses, and shown modally over its owner.
#include "common/win_dialog.h"
#include "imagelists/lv_external_image_list_win32.h"
#include "imagelists/sys_image_list_win32.h"
#include "shell/shell_ui_win32.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ql::picker {

class CsidlFolders final : public win::Dialog {
public:
    // How the picker learns a special folder's display name and icon index; nothing when the system
    // has no folder for the number. The shell's routine unless a test gives another.
    using SpecialFolderQuery = std::function<std::optional<shellUI::DisplayInfo>(int csidl, HWND owner)>;

    CsidlFolders();
    explicit CsidlFolders(SpecialFolderQuery query);
    CsidlFolders(const CsidlFolders&) = delete;
    CsidlFolders& operator=(const CsidlFolders&) = delete;
    ~CsidlFolders();

    // Creates the picker hidden, owned by the main window, and builds its list of special
    // folders; nothing when it is loaded already. False when the window cannot be created. An
    // attach error of the icon lists (subclass::SubclassError) reaches the caller, with nothing loaded.
    bool load(HWND mainWindow);
    // Destroys the window with its list and icon lists; nothing when not loaded.
    void unload();

    // Shows the picker modally over `parent`, with the first entry selected, and returns the
    // chosen CSIDL, or -1 when the user cancelled or chose no entry. Loads the picker first when
    // it is not loaded. A WM_QUIT that arrives meanwhile ends the choice with -1 and is posted again.
    std::int32_t selectSpecialFolder(HWND parent);

private:
    INT_PTR handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void layout(int dpi, HFONT font) override;
    void windowGone() override { folderList_ = nullptr; }

    void Form_Load();
    void createControls();
    void setUpPickerImageLists(HWND listView);
    void fillSpecialFolderList(int csidl);

    void ok_Click();
    void cancel_Click();
    void folderList_DblClick(int item);

    // Records the result and hides the picker, which ends the modal loop.
    void endChoice(std::int32_t result);
    std::int32_t tagOf(int item) const;

    SpecialFolderQuery query_;
    HWND folderList_ = nullptr;

    // Created on first use, released when the picker unloads.
    std::unique_ptr<imagelists::cKLEMSysImageList> largeSysImageList_;
    std::unique_ptr<imagelists::cKLEMSysImageList> smallSysImageList_;
    std::unique_ptr<imagelists::cLVExternalImageList> listViewIcons_;

    std::int32_t result_ = -1;  // the chosen CSIDL while a choice ends; -1 for none
    bool inModal_ = false;
    HWND disabledOwner_ = nullptr;  // the owner this picker disabled for its showing
};

}  // namespace ql::picker
