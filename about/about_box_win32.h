#pragma once
// frmAbout: the program's About box.
#include <windows.h>

namespace ql::about {

// Control ids of frmAbout, for the tests that drive it.
namespace ids {
inline constexpr int kCmdOK = IDOK;  // default and cancel button: Enter and Esc both close
inline constexpr int kCmdSysInfo = 1101;
inline constexpr int kPicIcon = 1102;
inline constexpr int kLblTitle = 1103;
inline constexpr int kLblVersion = 1104;
inline constexpr int kLblDescription = 1105;
inline constexpr int kLabel1 = 1106;
inline constexpr int kLabel4 = 1107;
inline constexpr int kWebsite = 1108;
inline constexpr int kLabel5 = 1109;
inline constexpr int kWebmail = 1110;
inline constexpr int kLine1 = 1111;
inline constexpr int kLblDisclaimer = 1112;
}  // namespace ids

// Shows the About box modally, owned by `owner`, and returns when it has been closed.
// Every showing builds the box anew.
void showAboutBox(HWND owner);

}  // namespace ql::about
