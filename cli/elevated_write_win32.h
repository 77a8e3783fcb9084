#pragma once
// The hand-over of a write the user's rights do not allow: this program started elevated, with the
// administrator's consent, writes exactly the given places bar and settings for the user who asked,
// into that user's own hive (never the elevated account's HKEY_CURRENT_USER), and ends with its status.
// What it is given is the .reg text an export writes, read with the same strict reader.
#include "store/places_bar.h"

#include <windows.h>

#include <cstdint>
#include <span>
#include <string_view>

namespace ql::cli {

// The command the elevated copy is started with: WORD SID FILE.
inline constexpr std::wstring_view kWriteForUserCommand = L"/write-for-user";

// Asks for consent and waits for the elevated copy: kRegOk, kConsentCancelled, or the error it met.
long writeElevated(const DialogsContent& content, HWND owner);

// The elevated side: writes what the .reg text says into HKEY_USERS\<sid>. A text that names anything
// but the places bar and the three settings is refused whole (ERROR_INVALID_DATA), as is a SID that
// is not one or names no loaded hive.
long writeForUser(std::wstring_view sid, std::span<const std::uint8_t> regFile);

}  // namespace ql::cli
