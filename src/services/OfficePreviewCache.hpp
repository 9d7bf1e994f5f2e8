#pragma once
// Where the office suite's PDFs are kept: one folder, each PDF named after
// its source's path and the checksum of the source's bytes, so a file is
// converted once per version and all of a file's PDFs can be found by its
// path after the file itself is gone. A new version's PDF replaces the one
// before, and the folder is kept within a bound, the PDF shown longest ago
// going first. Each conversion works in a folder of its own there, locked
// while it lives, so a folder a killed process left behind can be told from
// one another running instance is using. Safe from any thread: every step is
// one file operation, and a file gone meanwhile is taken as gone.
#include <cstdint>
#include <filesystem>
#include <optional>

namespace svc {

class OfficePreviewCache {
 public:
  // A few hundred converted documents of the library's usual size.
  static constexpr std::uintmax_t kLimitBytes = std::uintmax_t(256) << 20;

  explicit OfficePreviewCache(std::filesystem::path folder) : folder_(std::move(folder)) {}
  const std::filesystem::path& folder() const { return folder_; }

  // Where the PDF of `source` as it is now is kept (it may not be there
  // yet); nothing when the source cannot be read.
  std::optional<std::filesystem::path> pdfPathFor(const std::filesystem::path& source) const;
  // The kept PDF is shown again: it goes last when room is made.
  void markUsed(const std::filesystem::path& pdf) const;
  // A new PDF is in place: the source's earlier versions go, then the oldest
  // others while the folder is past `limit`.
  void added(const std::filesystem::path& source, const std::filesystem::path& pdf,
             std::uintmax_t limit = kLimitBytes) const;
  // Every PDF kept of `source` goes (it was deleted or its bytes replaced),
  // or of every file inside the folder `source` (the folder is going); true
  // when none is left.
  bool drop(const std::filesystem::path& source) const;
  // At start: the work folders no living conversion holds go, and the
  // folder is brought within `limit`.
  void sweep(std::uintmax_t limit = kLimitBytes) const;

  // A conversion's own folder, locked while it lives and removed with it.
  class WorkFolder {
   public:
    WorkFolder(WorkFolder&& other) noexcept;
    WorkFolder& operator=(WorkFolder&&) = delete;
    WorkFolder(const WorkFolder&) = delete;
    ~WorkFolder();
    const std::filesystem::path& path() const { return path_; }

   private:
    friend class OfficePreviewCache;
    WorkFolder(std::filesystem::path path, int lock) : path_(std::move(path)), lock_(lock) {}
    std::filesystem::path path_;
    int lock_ = -1;
  };
  // A new work folder; nothing when the cache folder cannot be written.
  std::optional<WorkFolder> makeWorkFolder() const;

 private:
  // Keeps `keep` and removes the PDFs shown longest ago while the total is
  // past `limit`.
  void keepWithin(std::uintmax_t limit, const std::filesystem::path& keep) const;

  std::filesystem::path folder_;
};

}  // namespace svc
