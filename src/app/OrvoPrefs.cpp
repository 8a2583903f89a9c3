#include "app/OrvoPrefs.h"

#include "platform/Folders.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fw {

void OrvoPrefs::addRecentProject(const std::string& given) {
    std::error_code ec;
    std::string path = given.empty() ? given : std::filesystem::absolute(given, ec).lexically_normal().string();
    if (path.empty() || path.size() > kMaxPath) return;
    recentProjects.erase(std::remove(recentProjects.begin(), recentProjects.end(), path), recentProjects.end());
    recentProjects.insert(recentProjects.begin(), path);
    if (recentProjects.size() > kMaxRecent) recentProjects.resize(kMaxRecent);
}

}  // namespace fw
