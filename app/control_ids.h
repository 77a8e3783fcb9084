#pragma once
// Control and command ids of the main window, shared with the end-to-end tests that drive it.
#include "store/dialog_settings.h"

namespace ql::ids {

inline constexpr int kLabel1 = 1001;
inline constexpr int kLabel2 = 1002;
inline constexpr int kCustomizeYes = 1003;
inline constexpr int kCustomizeNo = 1004;
inline constexpr int kFolderList = 1005;
inline constexpr int kAddFolder = 1006;
inline constexpr int kAddSpecial = 1007;
inline constexpr int kRemoveItem = 1008;
inline constexpr int kTestDialog = 1009;
inline constexpr int kAbout = 1010;
inline constexpr int kApplyChanges = 1011;
inline constexpr int kExitApp = 2;  // IDCANCEL: Esc presses "Close"
inline constexpr int kLine1 = 1012;
inline constexpr int kDropZone = 1013;
inline constexpr int kSettingsGroup = 1014;
inline constexpr int kShowPlacesBar = namesOf(DialogSetting::PlacesBar).controlId;
inline constexpr int kShowBackButton = namesOf(DialogSetting::BackButton).controlId;
inline constexpr int kShowRecentFiles = namesOf(DialogSetting::RecentFiles).controlId;
inline constexpr int kPlacesLabel = 1018;
inline constexpr int kStatusLine = 1019;  // what the focused entry holds, or what became of an addition
inline constexpr int kClassicDialogsNote = 1020;

// Commands of the menus: the list's menu gives the buttons' ids for what the buttons do as well.
// Below 0xF000, where the system's own are, with the low four bits clear, which WM_SYSCOMMAND keeps
// for itself.
inline constexpr int kImportPlacesBar = 0x0100;  // also in the system menu
inline constexpr int kExportPlacesBar = 0x0110;  // also in the system menu
inline constexpr int kOpenPlace = 0x0120;
inline constexpr int kCopyPath = 0x0130;
inline constexpr int kMoveUp = 0x0140;
inline constexpr int kMoveDown = 0x0150;
inline constexpr int kPaste = 0x0160;

}  // namespace ql::ids
