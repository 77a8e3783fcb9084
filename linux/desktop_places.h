#pragma once
// The Linux desktop's own places, for --from-desktop: the home folder, the XDG user folders that
// exist, then the GTK and KDE bookmarks that are local folders; each once, in that order.
#include <string>
#include <vector>

namespace ql::native {

std::vector<std::string> desktopPlaces(const std::string& home, const std::string& configHome, const std::string& dataHome);

}  // namespace ql::native
