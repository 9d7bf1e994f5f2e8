#include "platform/base/Paths.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

namespace fs = std::filesystem;

namespace base {
namespace {

// Never destroyed: work on the shared worker queue may still ask for a path
// while the process runs its exit handlers.
std::mutex& pathsMutex() {
  static auto* m = new std::mutex;
  return *m;
}
fs::path& rootSlot() {
  static auto* p = new fs::path;
  return *p;
}
fs::path& resourceSlot() {
  static auto* p = new fs::path;
  return *p;
}
std::string& versionSlot() {
  static auto* v = new std::string;
  return *v;
}

fs::path ensure(const fs::path& p) {
  std::error_code ec;
  fs::create_directories(p, ec);
  return p;
}

fs::path executableDir() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe.parent_path();
}

}  // namespace

fs::path Paths::defaultRoot() {
  if (const char* home = std::getenv("MARVISTO_HOME"); home && *home) return home;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return fs::path(xdg) / "marvisto";
  if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".local/share/marvisto";
  return fs::temp_directory_path() / "marvisto";
}

bool Paths::makePrivate(const fs::path& root) {
  ::umask(077);
  std::error_code ec;
  fs::permissions(root, fs::perms::owner_all, fs::perm_options::replace, ec);
  return !ec;
}

void Paths::setRoot(const fs::path& root) {
  std::lock_guard<std::mutex> lock(pathsMutex());
  rootSlot() = root;
}

namespace {

fs::path rootPath() {
  std::lock_guard<std::mutex> lock(pathsMutex());
  if (rootSlot().empty()) rootSlot() = Paths::defaultRoot();
  return rootSlot();
}

}  // namespace

// Each folder is made with its parents in one call: a folder that is there
// costs one look at the disk, and file paths are asked for thousands of
// times in a sync.
fs::path Paths::root() { return ensure(rootPath()); }
fs::path Paths::documents() { return ensure(rootPath() / "Documents"); }
fs::path Paths::library() { return ensure(rootPath() / "Library"); }
fs::path Paths::caches() { return ensure(rootPath() / "Library" / "Caches"); }
fs::path Paths::preferences() { return ensure(rootPath() / "Library" / "Preferences"); }
fs::path Paths::applicationSupport() { return ensure(rootPath() / "Library" / "Application Support"); }
fs::path Paths::tmp() { return ensure(rootPath() / "tmp"); }

fs::path Bundle::resourceDir() {
  std::lock_guard<std::mutex> lock(pathsMutex());
  if (!resourceSlot().empty()) return resourceSlot();
  if (const char* env = std::getenv("MARVISTO_RESOURCES"); env && *env) return resourceSlot() = env;
  fs::path exe = executableDir();
  std::error_code ec;
  for (const fs::path& candidate : {exe / "../share/marvisto", exe / "resources"}) {
    if (!exe.empty() && fs::exists(candidate / "marvisto_lite.sqlite", ec))
      return resourceSlot() = fs::weakly_canonical(candidate, ec);
  }
  return resourceSlot() = MV_RESOURCE_DIR;
}

void Bundle::setResourceDir(const fs::path& dir) {
  std::lock_guard<std::mutex> lock(pathsMutex());
  resourceSlot() = dir;
}

fs::path Bundle::pathForResource(const std::string& name, const std::string& type) {
  if (name.empty()) return {};
  fs::path p = resourceDir() / (type.empty() ? name : name + "." + type);
  std::error_code ec;
  return fs::exists(p, ec) ? p : fs::path();
}

std::string Bundle::shortVersion() {
  std::lock_guard<std::mutex> lock(pathsMutex());
  return versionSlot().empty() ? std::string(MV_APP_VERSION) : versionSlot();
}

void Bundle::setShortVersionForTesting(const std::string& version) {
  std::lock_guard<std::mutex> lock(pathsMutex());
  versionSlot() = version;
}

}  // namespace base
