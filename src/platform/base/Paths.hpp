#pragma once
#include <filesystem>
#include <string>

namespace base {

// The data root and its folders. The application keeps everything under one
// root (`--data-dir`, else MARVISTO_HOME, else $XDG_DATA_HOME/marvisto, else
// ~/.local/share/marvisto), laid out as Documents/, Library/ (with Caches/,
// Preferences/ and Application Support/) and tmp/. Folders are created on
// first use.
class Paths {
 public:
  static std::filesystem::path defaultRoot();
  static void setRoot(const std::filesystem::path& root);
  // Makes the data under `root` the user's alone: the folder itself becomes
  // 0700 (so what older versions left readable is out of reach), and from now
  // on the process creates files 0600 and folders 0700. False when the
  // folder's mode could not be set.
  static bool makePrivate(const std::filesystem::path& root);
  static std::filesystem::path root();
  static std::filesystem::path documents();
  static std::filesystem::path library();
  static std::filesystem::path caches();
  static std::filesystem::path preferences();
  static std::filesystem::path applicationSupport();
  static std::filesystem::path tmp();
};

// What ships with the application: the resource folder (built resources such
// as the template database, language tables, images and the demo archive) and
// the version.
class Bundle {
 public:
  // MARVISTO_RESOURCES, else the folder next to the executable
  // (`../share/marvisto` or `resources`), else the build's resource folder.
  static std::filesystem::path resourceDir();
  static void setResourceDir(const std::filesystem::path& dir);
  // The path of `name.type` in the resources, or empty when missing.
  static std::filesystem::path pathForResource(const std::string& name, const std::string& type);
  // "CFBundleShortVersionString": the application's version, e.g. "1.0.0".
  static std::string shortVersion();
  static void setShortVersionForTesting(const std::string& version);
};

}  // namespace base
