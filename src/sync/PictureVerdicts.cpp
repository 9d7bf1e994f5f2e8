#include "sync/PictureVerdicts.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/QuickLane.hpp"
#include "sync/DownloadedFileCheck.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {

// A store opens with these eight bytes; then come its versions, eight
// little-endian bytes each.
constexpr std::string_view kMagic{"MVPICV1\n", 8};

std::mutex& observerMutex() {
  static std::mutex mutex;
  return mutex;
}

std::function<void(const fs::path&)>& checkObserver() {
  static std::function<void(const fs::path&)> told;
  return told;
}

// FNV-1a, the same in every process.
void mix(std::uint64_t& hash, const void* bytes, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<const unsigned char*>(bytes)[i]) * 1099511628211ull;
}

void mix(std::uint64_t& hash, std::uint64_t value) {
  unsigned char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
  mix(hash, bytes, sizeof bytes);
}

}  // namespace

fs::path PictureVerdicts::storeIn(const fs::path& clientFolder, std::string_view set) {
  return clientFolder / kFolderName / std::string(set);
}

std::optional<std::uint64_t> PictureVerdicts::versionOf(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::uint64_t hash = 14695981039346656037ull;
  const std::string name = path.filename().string();
  mix(hash, name.data(), name.size());
  mix(hash, static_cast<std::uint64_t>(st.st_size));
  mix(hash, static_cast<std::uint64_t>(st.st_mtim.tv_sec));
  mix(hash, static_cast<std::uint64_t>(st.st_mtim.tv_nsec));
  mix(hash, static_cast<std::uint64_t>(st.st_ino));
  // The lowest bit carries a verdict.
  return hash & ~std::uint64_t{1};
}

PictureVerdicts::PictureVerdicts(fs::path store) : store_(std::move(store)) {
  const auto bytes = base::readFileBytes(store_, kMostStoreBytes);
  if (!bytes) return;
  if (bytes->size() < kMagic.size() || (bytes->size() - kMagic.size()) % 8 != 0 ||
      !std::equal(kMagic.begin(), kMagic.end(), bytes->begin())) {
    MV_LOG("the picture verdicts in ", store_.string(), " are not readable; each picture is checked again");
    return;
  }
  kept_.reserve((bytes->size() - kMagic.size()) / 8);
  for (std::size_t at = kMagic.size(); at < bytes->size(); at += 8) {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value |= static_cast<std::uint64_t>((*bytes)[at + i]) << (8 * i);
    kept_.insert(value);
  }
}

std::optional<PictureVerdicts::Verdict> PictureVerdicts::verdictOn(const fs::path& path, bool quickly) {
  const auto version = versionOf(path);
  if (!version) return std::nullopt;
  Verdict verdict{*version, kept_.count(*version | 1) > 0};
  if (!verdict.whole && !kept_.count(*version)) {
    if (quickly) {
      const base::QuickLane::Scope lane;
      verdict.whole = DownloadedFileCheck::isPictureFile(path, budget_);
      if (lane.putOff()) return Verdict{*version, false, false};
    } else {
      std::function<void(const fs::path&)> observer;
      {
        std::lock_guard<std::mutex> lock(observerMutex());
        observer = checkObserver();
      }
      if (observer) observer(path);
      verdict.whole = DownloadedFileCheck::isPictureFile(path, budget_);
    }
    changed_ = true;
  }
  met_.insert(*version | (verdict.whole ? 1 : 0));
  return verdict;
}

std::optional<bool> PictureVerdicts::keptOn(std::uint64_t version) const {
  if (kept_.count(version | 1)) return true;
  if (kept_.count(version & ~std::uint64_t{1})) return false;
  return std::nullopt;
}

void PictureVerdicts::learn(std::uint64_t version, bool whole) {
  kept_.insert((version & ~std::uint64_t{1}) | (whole ? 1 : 0));
}

void PictureVerdicts::noteWhole(const fs::path& path) {
  if (const auto version = versionOf(path)) noteWhole(*version);
}

void PictureVerdicts::noteWhole(std::uint64_t version) {
  met_.insert(version | 1);
  changed_ = changed_ || !kept_.count(version | 1);
}

bool PictureVerdicts::save(bool onlyMet) {
  // Without a new verdict, the versions met are among those kept: the same
  // count is the same set.
  if (!changed_ && (!onlyMet || met_.size() == kept_.size())) return true;
  std::vector<std::uint64_t> versions(met_.begin(), met_.end());
  if (!onlyMet) {
    for (const std::uint64_t kept : kept_)
      if (!met_.count(kept)) versions.push_back(kept);
  }
  std::sort(versions.begin(), versions.end());
  std::string bytes(kMagic);
  bytes.reserve(kMagic.size() + versions.size() * 8);
  for (const std::uint64_t version : versions)
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<char>(version >> (8 * i)));
  std::error_code ec;
  fs::create_directories(store_.parent_path(), ec);
  if (!base::writeFileAtomically(store_, bytes)) return false;
  kept_ = std::unordered_set<std::uint64_t>(versions.begin(), versions.end());
  changed_ = false;
  return true;
}

void PictureVerdicts::setCheckObserver(std::function<void(const fs::path&)> observer) {
  std::lock_guard<std::mutex> lock(observerMutex());
  checkObserver() = std::move(observer);
}

}  // namespace mv
