#pragma once
// The special folder picker's control ids, shared with the tests that drive it.

namespace ql::picker::ids {

inline constexpr int kListLabel = 1100;
inline constexpr int kFolderList = 1101;
inline constexpr int kOk = 1;      // IDOK: Enter presses "OK"
inline constexpr int kCancel = 2;  // IDCANCEL: Esc presses "Cancel"

}  // namespace ql::picker::ids
