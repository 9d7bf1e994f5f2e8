#pragma once
// Which pictures on disk the file check took, remembered for each version of
// each file (its name, size, modification time and inode), so that a picture
// is read through once rather than every time it is looked at: a company
// keeps tens of thousands of pictures, and one without the end marker that
// tells at a glance that it is whole takes the decoder a read of all its
// data. The verdicts are kept in a file of their own (eight bytes a
// picture) in the client folder, apart from the database: a restored backup
// or a database of an older version neither loses nor misleads them, and a
// file that changed in any of those four is another version, checked anew.
// One thread at a time, and a worker for a list of pictures.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_set>

namespace gfx {
class ReadThroughBudget;
}

namespace mv {

class PictureVerdicts {
 public:
  // The folder of the client folder that keeps them: a full resync keeps it
  // with the pictures.
  static constexpr const char* kFolderName = "PictureChecks";
  // The file that keeps the verdicts on one set of pictures.
  static std::filesystem::path storeIn(const std::filesystem::path& clientFolder, std::string_view set);

  // The version of the file at `path` (an even number); nothing when it is
  // no regular file.
  static std::optional<std::uint64_t> versionOf(const std::filesystem::path& path);
  struct Verdict {
    std::uint64_t version = 0;
    bool whole = false;
    // False for a check a quick pass put off: the picture needs a read
    // through, and has no verdict yet.
    bool settled = true;
  };

  // Reads what `store` keeps; one that is missing, damaged or of another
  // format keeps nothing, and every picture is checked once again.
  explicit PictureVerdicts(std::filesystem::path store);
  // The verdict on the file at `path` as it is now: the one kept for this
  // version, else the check's (DownloadedFileCheck::isPictureFile), kept from
  // now on. Nothing when there is no file. With `quickly`, a picture whose
  // check would read it through is left unsettled (see base::QuickLane),
  // for a later call without.
  std::optional<Verdict> verdictOn(const std::filesystem::path& path, bool quickly = false);
  // The checks' read-throughs draw on `budget` from now on (none: each is
  // bounded on its own only); it outlives them.
  void drawOn(gfx::ReadThroughBudget* budget) { budget_ = budget; }
  // The verdict kept on that version of a file, without a check: whether
  // the picture was taken; nothing when none is kept.
  std::optional<bool> keptOn(std::uint64_t version) const;
  // A verdict another reader of the same store reached (and writes there).
  void learn(std::uint64_t version, bool whole);
  bool isPictureFile(const std::filesystem::path& path) {
    const auto verdict = verdictOn(path);
    return verdict && verdict->whole;
  }
  // The file at `path` is a picture that the download's own check took.
  void noteWhole(const std::filesystem::path& path);
  // The same, for the version (see versionOf) such a file was read at.
  void noteWhole(std::uint64_t version);
  // Writes the verdicts back when they changed: those met since they were
  // read (looked at or noted) and, unless `onlyMet` (the caller met every
  // picture of the set), the others too. False when they could not be written.
  [[nodiscard]] bool save(bool onlyMet);

  // Tests: told of every check made, on the thread that makes it (those a
  // quick pass settles excepted).
  static void setCheckObserver(std::function<void(const std::filesystem::path&)> observer);

 private:
  // The most a store is read to: four million pictures.
  static constexpr std::size_t kMostStoreBytes = std::size_t{32} << 20;

  std::filesystem::path store_;
  gfx::ReadThroughBudget* budget_ = nullptr;
  // Each version with its verdict in the lowest bit (1: whole).
  std::unordered_set<std::uint64_t> kept_;
  std::unordered_set<std::uint64_t> met_;
  bool changed_ = false;
};

}  // namespace mv
