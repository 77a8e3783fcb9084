#pragma once
// Whether this user may write the places bar and the settings, asked before anything is written.
#include "store/places_bar.h"

namespace ql {

// Allowed when the keys a save writes give this thread's token the rights it asks. Where they do not,
// NeedsElevation for a token without the Administrators group (a standard user, or an administrator
// whose group UAC keeps for deny only), Denied for one that has it: consent could add nothing.
// Other errors answer Allowed, so that the save itself reports them.
WriteAccess writeAccess(PlacesBarStore& store);

}  // namespace ql
