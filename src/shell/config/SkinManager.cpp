#include "shell/config/SkinManager.hpp"

#include <atomic>
#include <system_error>
#include <utility>

#include "platform/base/FolderWriters.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/ReadThroughBudget.hpp"
#include "platform/ui/Screen.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/PictureVerdicts.hpp"
#include "util/Base64.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"
#include "util/ZipArchive.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

std::atomic<double>& scaleFactor() {
  static std::atomic<double> scale{0.0};
  return scale;
}

bool isFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// The set of verdicts on a skin's pictures (see PictureVerdicts).
constexpr std::string_view kVerdictSet = "skin";

const char* const kDemoClients[] = {SkinManager::kDemoClientZDuvo, SkinManager::kDemoClientTolvaren};

}  // namespace

bool SkinManager::isDemoClient(const std::string& clientId) {
  const std::string lower = asciiLowercase(clientId);
  return lower == kDemoClientZDuvo || lower == kDemoClientTolvaren;
}

SkinManager& SkinManager::sharedInstance() {
  // Never destroyed: its worker may still be unpacking while the process ends.
  static SkinManager* instance = new SkinManager();
  return *instance;
}

SkinManager::SkinManager() : worker_(base::WorkQueue::serial()), checker_(base::WorkQueue::serial()) {}

// ---- skins -------------------------------------------------------------------------

double SkinManager::getUIScreenScaleFactor() {
  double cached = scaleFactor().load();
  if (cached == 0) {
    const double scale = ui::Screen::mainScreen().scale();
    if (scale > 0) {
      MV_LOG("UIScreen-ScaleFactor:", scale);
      cached = scale > 1.9 ? 2.0 : 1.0;
      scaleFactor().store(cached);
    }
  }
  return cached;
}

void SkinManager::resetScaleFactorForTesting() { scaleFactor().store(0.0); }

std::optional<fs::path> SkinManager::doubleResolutionPath(const fs::path& path) {
  std::string text = path.string();
  if (path.filename().string().size() < 4) return std::nullopt;
  text.replace(text.size() - 4, 4, "@2x.png");
  return fs::path(text);
}

std::optional<fs::path> SkinManager::skinFile(const std::string& name) {
  // A skin file is one plain name inside the signed-in client's skin folder.
  if (isBlank(trimWhitespaceAndNewlines(name)) || !PublicFunction::isSafeFileName(name)) return std::nullopt;
  auto folder = PublicFunction::clientFolder(Session::current().clientID);
  if (!folder) return std::nullopt;
  return *folder / kSkinFolderName / name;
}

gfx::ImagePtr SkinManager::skinFromImageName(const std::string& name) {
  if (isBlank(trimWhitespaceAndNewlines(name))) return nullptr;
  if (auto p = skinFile(name)) {
    // Screens name far more pictures at launch than they draw: each is
    // decoded when first drawn, and a large one read at the size drawn, off
    // the main thread (see gfx::Image::fromFileOnFirstUse).
    auto& skins = sharedInstance();
    const auto skinPicture = [&](const fs::path& file) -> gfx::ImagePtr {
      const Look look = skins.lookAt(file);
      if (look == Look::Missing || look == Look::Refused) return nullptr;
      auto picture = gfx::Image::fromFileOnFirstUse(file);
      if (!picture || look == Look::Taken) return picture;
      const auto version = PictureVerdicts::versionOf(file);
      return version ? gfx::Image::heldBack(picture, gfx::Image::named(name), skins.holdFor(*version)) : nullptr;
    };
    if (getUIScreenScaleFactor() == 2.0) {
      if (auto variant = doubleResolutionPath(*p)) {
        if (auto image = skinPicture(*variant)) return image;
      }
    }
    if (auto image = skinPicture(*p)) return image;
  }
  return gfx::Image::named(name);
}

void SkinManager::showSkinOf(const fs::path& clientFolder) {
  MV_ASSERT_MAIN_THREAD();
  if (shownVerdicts_ && clientFolder == shownClient_) return;
  // The screens of the skin shown before are gone with their sign-in: what
  // of its pictures still waits is drawn as the application's own.
  for (auto& [version, hold] : holds_) hold->settle(false);
  holds_.clear();
  shownClient_ = clientFolder;
  // A few bytes a picture, read once a sign-in.
  shownVerdicts_ = std::make_unique<PictureVerdicts>(PictureVerdicts::storeIn(clientFolder, kVerdictSet));
}

SkinManager::Look SkinManager::lookAt(const fs::path& path) {
  MV_ASSERT_MAIN_THREAD();
  const auto version = PictureVerdicts::versionOf(path);
  if (!version) return Look::Missing;
  const fs::path client = path.parent_path().parent_path();
  showSkinOf(client);
  if (const auto whole = shownVerdicts_->keptOn(*version)) return *whole ? Look::Taken : Look::Refused;
  // Not checked in this version (new, or written since): drawn once it is.
  // A check under way may have passed it already: it looks once more.
  if (checking_ && client == checkingClient_) namedDuringCheck_ = true;
  checkSkin(client, false);
  return Look::Waiting;
}

std::shared_ptr<const gfx::ImageHold> SkinManager::holdFor(std::uint64_t version) {
  auto& hold = holds_[version];
  if (!hold) hold = std::make_shared<gfx::ImageHold>();
  return hold;
}

void SkinManager::whenSkinChecked(std::function<void()> task) {
  MV_ASSERT_MAIN_THREAD();
  if (!task) return;
  auto folder = PublicFunction::clientFolder(Session::current().clientID);
  std::error_code ec;
  if (!folder || !fs::is_directory(*folder / kSkinFolderName, ec)) {
    task();
    return;
  }
  afterSkinCheck_.emplace_back(*folder, std::move(task));
  checkSkin(*folder, false);
}

void SkinManager::checkSkin(const fs::path& clientFolder, bool anew) {
  MV_ASSERT_MAIN_THREAD();
  if (checking_ && clientFolder == checkingClient_ && !anew) return;
  // Another skin is shown now, or this one's pictures were written again:
  // the check under way stops at its next picture, keeping what it reached.
  if (checking_) checkStop_.cancel();
  checking_ = true;
  checkingClient_ = clientFolder;
  const std::uint64_t pass = ++pass_;
  // A picture cut short (its archive came broken off) would be drawn blank,
  // found so only when first drawn: the application's own is drawn instead.
  // Finding so may read a picture through: never on the main thread.
  checkStop_ = checker_->async([this, pass, clientFolder, underWay = base::holdOutsideWork()](
                                   const base::CancelFlag& stop) {
    // The verdicts are written into the client folder: a folder closed for
    // deleting (signing out, a full resync) is not made again by them.
    const auto writes = base::FolderWriters::shared().enter(clientFolder, stop);
    PictureVerdicts verdicts(PictureVerdicts::storeIn(clientFolder, kVerdictSet));
    gfx::ReadThroughBudget budget;
    verdicts.drawOn(&budget);
    // Written and told as they come: a user who quits keeps them, and the
    // screens draw each picture once it is settled.
    const auto tell = [&](std::vector<Settled> settled) {
      if (settled.empty()) return;
      if (writes && !stop.isCancelled() && !verdicts.save(false))
        MV_LOG("the verdicts on the skin's pictures could not be kept");
      base::RunLoop::main().post([this, clientFolder, settled = std::move(settled), underWay] {
        skinSettled(clientFolder, settled);
      });
    };
    std::vector<fs::path> slow;
    std::vector<Settled> settled;
    std::error_code ec;
    for (fs::directory_iterator it(clientFolder / kSkinFolderName, ec), end; !ec && it != end; it.increment(ec)) {
      if (stop.isCancelled()) break;
      const auto verdict = verdicts.verdictOn(it->path(), true);
      if (!verdict) continue;
      if (!verdict->settled) {
        slow.push_back(it->path());
      } else {
        settled.push_back({verdict->version, verdict->whole});
      }
    }
    tell(std::move(settled));
    for (const fs::path& path : slow) {
      if (stop.isCancelled()) break;
      if (const auto verdict = verdicts.verdictOn(path)) tell({{verdict->version, verdict->whole}});
    }
    // Every picture met: the verdicts on pictures no longer there go.
    const bool whole = !ec && !stop.isCancelled();
    if (writes && whole && !verdicts.save(true)) MV_LOG("the verdicts on the skin's pictures could not be kept");
    base::RunLoop::main().post([this, pass, clientFolder, whole, underWay] { skinCheckEnded(pass, clientFolder, whole); });
  });
}

void SkinManager::skinSettled(const fs::path& clientFolder, const std::vector<Settled>& verdicts) {
  MV_ASSERT_MAIN_THREAD();
  if (!shownVerdicts_ || clientFolder != shownClient_) return;
  for (const Settled& verdict : verdicts) {
    shownVerdicts_->learn(verdict.version, verdict.whole);
    if (auto it = holds_.find(verdict.version); it != holds_.end()) {
      it->second->settle(verdict.whole);
      holds_.erase(it);
    }
  }
}

void SkinManager::skinCheckEnded(std::uint64_t pass, const fs::path& clientFolder, bool whole) {
  MV_ASSERT_MAIN_THREAD();
  if (pass != pass_) return;
  checking_ = false;
  if (!whole) return;
  // A picture named while the check ran may have been written after the
  // check passed it: one more pass, over verdicts mostly kept, settles it
  // before the skin counts as checked.
  if (std::exchange(namedDuringCheck_, false) && clientFolder == shownClient_) {
    checkSkin(clientFolder, false);
    return;
  }
  // A picture still waiting was written again since it was named: the
  // check of its new version gives the screens to come their verdict.
  if (clientFolder == shownClient_) {
    for (auto& [version, hold] : holds_) hold->settle(false);
    holds_.clear();
  }
  // Taken out first: a task may ask for another check.
  std::vector<std::function<void()>> tasks;
  std::erase_if(afterSkinCheck_, [&](auto& waiting) {
    if (waiting.first != clientFolder) return false;
    tasks.push_back(std::move(waiting.second));
    return true;
  });
  for (auto& task : tasks) task();
}

bool SkinManager::hasCustomerImage(const std::string& name) {
  if (isBlank(trimWhitespaceAndNewlines(name))) return false;
  auto p = skinFile(name);
  if (!p) return false;
  if (getUIScreenScaleFactor() == 2.0) {
    if (auto variant = doubleResolutionPath(*p); variant && isFile(*variant)) return true;
  }
  return isFile(*p);
}

gfx::ImagePtr SkinManager::getLogoWithClientId(const std::string& clientId) {
  if (isBlank(trimWhitespaceAndNewlines(clientId))) return nullptr;
  auto folder = PublicFunction::clientFolder(clientId);
  if (!folder) return nullptr;
  const fs::path p = *folder / kSkinFolderName / "homelogo.png";
  // Read as the skin's other pictures are: at the size it is drawn.
  if (getUIScreenScaleFactor() == 2.0) {
    if (auto variant = doubleResolutionPath(p); variant && isFile(*variant))
      return gfx::Image::fromFileOnFirstUse(*variant);
  }
  if (isFile(p)) return gfx::Image::fromFileOnFirstUse(p);
  return nullptr;
}

bool SkinManager::initializeSkinImage() {
  auto folder = PublicFunction::clientFolder(Session::current().clientID);
  if (!folder) return false;
  const fs::path skin = *folder / kSkinFolderName;
  std::error_code ec;
  if (fs::is_directory(skin, ec)) return true;
  return unpackSkinArchive(*folder);
}

bool SkinManager::unpackSkinArchive(const fs::path& clientFolder, bool* tooLarge, bool* shortOfRoom) {
  if (tooLarge) *tooLarge = false;
  if (shortOfRoom) *shortOfRoom = false;
  const fs::path zip = clientFolder / kSkinArchiveName;
  if (!isFile(zip)) return false;
  ZipArchive archive;
  archive.setUnpackLimits(kSkinMaximumBytes, kSkinMaximumBytes);
  archive.setRatioLimit(kSkinMaximumRatio, kSkinRatioFreeBytes);
  archive.setFolderLimit(kSkinMaximumFolders);
  // Only the skin's own entries, and only into the skin folder: an archive
  // from the network never reaches the database or anything outside.
  const bool ok = archive.UnzipOpenFile(zip) &&
                  archive.unzipReplacingFolder(clientFolder / kSkinFolderName, std::string(kSkinFolderName) + "/");
  archive.UnzipCloseFile();
  if (!ok) {
    if (tooLarge) *tooLarge = archive.wasTooLarge();
    if (shortOfRoom) *shortOfRoom = archive.wasShortOfRoom();
    MV_LOG("The skin archive could not be unpacked: ", archive.lastError());
    std::error_code ec;
    fs::remove(zip, ec);
  } else {
    sharedInstance().checkSkin(clientFolder, true);
  }
  return ok;
}

// ---- demo data --------------------------------------------------------------------

bool SkinManager::needInitializeDemo() const {
  std::error_code ec;
  for (const char* id : kDemoClients) {
    if (!fs::is_directory(base::Paths::documents() / id, ec)) return true;
  }
  return needUpdateDemo_;
}

bool SkinManager::initializeDemoZip() {
  const fs::path zip = base::Bundle::pathForResource(kDemoArchiveName, "zip");
  ZipArchive archive;
  // The application's own few megabytes: on a nearly full disk the demo
  // still has its companies, so long as they fit.
  archive.setKeepsDiskMargin(false);
  if (zip.empty() || !archive.UnzipOpenFile(zip)) {
    MV_LOG("The demo data cannot be opened");
    return false;
  }
  bool ok = true;
  std::error_code ec;
  for (const char* id : kDemoClients) {
    const fs::path target = base::Paths::documents() / id;
    // Each company's folder is written beside its place and swapped in whole,
    // so a database is never read half-written.
    if (!archive.unzipReplacingFolder(target, std::string(id) + "/")) {
      MV_LOG("The demo company ", id, " could not be unpacked: ", archive.lastError());
      ok = false;
      continue;
    }
    if (!fs::is_regular_file(target / DataAccessManager::kDatabaseFileName, ec)) {
      MV_LOG("The demo company ", id, " has no database");
      ok = false;
    }
  }
  archive.UnzipCloseFile();
  return ok;
}

void SkinManager::startDemoUnpack(std::function<void(bool ok)> done) {
  MV_ASSERT_MAIN_THREAD();
  if (done) done_.push_back(std::move(done));
  if (unpacking_) return;
  unpacking_ = true;
  // The worker only unpacks files; every field stays on the main thread.
  worker_->async([this](const base::CancelFlag&) {
    const bool ok = initializeDemoZip();
    base::RunLoop::main().post([this, ok] { demoUnpackEnded(ok); });
  });
}

void SkinManager::demoUnpackEnded(bool ok) {
  MV_ASSERT_MAIN_THREAD();
  unpacking_ = false;
  // Swapped out first: a callback may start another unpack.
  std::vector<std::function<void(bool)>> done;
  std::vector<std::function<void()>> waiting;
  done.swap(done_);
  waiting.swap(waiting_);
  for (auto& d : done) d(ok);
  for (auto& w : waiting) w();
}

bool SkinManager::isDemoUnpacking() const {
  MV_ASSERT_MAIN_THREAD();
  return unpacking_;
}

void SkinManager::whenDemoReady(std::function<void()> task) {
  MV_ASSERT_MAIN_THREAD();
  if (!task) return;
  if (unpacking_) {
    waiting_.push_back(std::move(task));
    return;
  }
  task();
}

void SkinManager::waitForDemoUnpack() { worker_->waitIdle(); }

void SkinManager::stopSkinCheck() {
  MV_ASSERT_MAIN_THREAD();
  if (!checking_) return;
  checkStop_.cancel();
  checking_ = false;
  ++pass_;
}

void SkinManager::resetSkinChecksForTesting() {
  checkStop_.cancel();
  checker_->waitIdle();
  worker_->waitIdle();
  for (auto& [version, hold] : holds_) hold->settle(false);
  holds_.clear();
  shownClient_.clear();
  shownVerdicts_.reset();
  checking_ = false;
  checkingClient_.clear();
  ++pass_;
  afterSkinCheck_.clear();
}

// ---- signatures ---------------------------------------------------------------------

std::optional<std::string> SkinManager::image2String(const gfx::ImagePtr& image) {
  if (!image) return std::nullopt;
  auto jpeg = image->jpegData(0.5);
  if (!jpeg) return std::nullopt;
  return base64Encoding(std::string_view(reinterpret_cast<const char*>(jpeg->data()), jpeg->size()));
}

gfx::ImagePtr SkinManager::string2Image(const std::optional<std::string>& text) {
  if (!text) return nullptr;
  auto bytes = dataWithBase64EncodedString(*text);
  if (!bytes) return nullptr;
  return gfx::Image::fromData(std::string_view(*bytes));
}

}  // namespace mv
