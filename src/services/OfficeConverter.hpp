#pragma once
// Turns a legacy Office file (.doc, .xls, .ppt) into PDF with LibreOffice,
// when it is installed: `soffice` runs headless in a process of its own, with
// a profile of its own and a time limit, and its PDF is kept in a cache named
// after the file's path, size and modification time, so a file is converted
// once. Without LibreOffice nothing is converted.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace svc {

class OfficeConverter {
 public:
  static constexpr double kDefaultTimeoutSeconds = 60;
  using Done = std::function<void(std::optional<std::filesystem::path> pdf, const std::string& error)>;

  // The converter program found on the PATH ("soffice", else "libreoffice").
  static std::optional<std::filesystem::path> program();
  // The extension is one LibreOffice turns into the PDF shown (".doc", ".xls", ".ppt").
  static bool isLegacyOfficeFile(const std::filesystem::path& path);
  // Where the PDF of `source` is kept in `cacheFolder` (it may not exist yet);
  // nothing when the source cannot be read.
  static std::optional<std::filesystem::path> cachedPdfPath(const std::filesystem::path& source,
                                                            const std::filesystem::path& cacheFolder);
  // Converts now (blocking; run it off the main thread) or finds the cached
  // PDF; nothing, with the reason, when it cannot.
  static std::optional<std::filesystem::path> convertToPdf(const std::filesystem::path& source,
                                                           const std::filesystem::path& cacheFolder,
                                                           double timeoutSeconds, std::string* error);
  // The same on a worker; `done` runs on the main run loop.
  static void convertAsync(std::filesystem::path source, std::filesystem::path cacheFolder, double timeoutSeconds,
                           Done done);
  // The cache the application uses: under the data root's Library/Caches.
  static std::filesystem::path defaultCacheFolder();
};

}  // namespace svc
