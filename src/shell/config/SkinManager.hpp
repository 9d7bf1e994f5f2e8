#pragma once
// Client skins and the shipped demo data. A skin is a set of image files that
// replaces the application's own images of the same names; it arrives as the
// archive "SkinImages_iOS7.zip" and lives in the client folder's "SkinImages".
// The demo data "DEMO_Zh.zip" holds the client folders of the two demo
// companies. One per process, never freed; main thread only, except the
// demo unpacking and the check of the skin's pictures, which run on workers
// of their own.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/Image.hpp"

namespace mv {

class PictureVerdicts;

class SkinManager {
 public:
  static constexpr const char* kDemoArchiveName = "DEMO_Zh";
  // The two demo companies' client ids.
  static constexpr const char* kDemoClientZDuvo = "quimbeset_";
  static constexpr const char* kDemoClientTolvaren = "tolvaren_";
  // The client folder's skin folder, and the archive it comes from.
  static constexpr const char* kSkinFolderName = "SkinImages";
  static constexpr const char* kSkinArchiveName = "SkinImages_iOS7.zip";

  // Whether the client id (in any case) names a demo company.
  static bool isDemoClient(const std::string& clientId);

  static SkinManager& sharedInstance();

  bool needUpdateDemo() const { return needUpdateDemo_; }
  void setNeedUpdateDemo(bool v) { needUpdateDemo_ = v; }
  // Either demo folder missing, or the data flagged for renewal.
  bool needInitializeDemo() const;
  // Unpacks the demo data now: each demo folder is unpacked beside its place
  // and swapped in only when whole. True when both are in place afterwards.
  bool initializeDemoZip();
  // The same on the worker; `done` runs on the main loop with the result,
  // and so does every task waiting for the data.
  void startDemoUnpack(std::function<void(bool ok)> done = {});
  bool isDemoUnpacking() const;
  // Runs `task` now when no unpacking is under way, else when it has ended.
  void whenDemoReady(std::function<void()> task);
  // Blocks until a running unpacking has ended (tests, shutdown); its
  // completion still arrives through the main loop.
  void waitForDemoUnpack();
  // Tests: stops the check under way (as quitting does), waits for the
  // workers, then forgets every verdict read or reached, with what waited
  // for one.
  void resetSkinChecksForTesting();

  // Unpacks the client's downloaded skin archive when the skin folder is
  // missing. True when a skin folder exists afterwards.
  bool initializeSkinImage();
  // Runs `task` on the main loop once every picture of the signed-in
  // client's skin is settled (at once when it has no skin), starting the
  // check when none is under way. No screen waits for it: a skin picture
  // not yet settled is drawn as the application's own until it is (see
  // skinFromImageName).
  void whenSkinChecked(std::function<void()> task);
  // Stops the check under way at its next picture, keeping what it reached
  // (as quitting does): the skin of a session that ended is checked on when
  // it is shown again.
  void stopSkinCheck();
  // The pictures of a skin are checked on the worker, each version of each
  // once, the verdicts kept beside the skin (see PictureVerdicts) and
  // written as they come, so that a check cut off by quitting goes on
  // where it stopped: first every picture whose bytes tell it at once,
  // then, one by one, those that only a read-through tells, on a budget of
  // the skin's own (see gfx::ReadThroughBudget) past which their bytes'
  // order alone settles them.

  // Makes the skin archive in `clientFolder` its new skin folder, replacing
  // the one there only when every entry unpacked, and has its pictures
  // checked. An archive that does not unpack is removed: it would fail the
  // same way at every start. With
  // `tooLarge`, says whether it was refused for what it would unpack to; with
  // `shortOfRoom`, whether because the disk has too little room left for it.
  static bool unpackSkinArchive(const std::filesystem::path& clientFolder, bool* tooLarge = nullptr,
                                bool* shortOfRoom = nullptr);

  // A skin is a few hundred pictures: it unpacks to no more than this in all,
  // nor to more than this many times its packed size beyond the free size,
  // nor into more folders than this.
  static constexpr std::uint64_t kSkinMaximumBytes = 64ull << 20;
  static constexpr std::uint64_t kSkinMaximumRatio = 100;
  static constexpr std::uint64_t kSkinRatioFreeBytes = 16ull << 20;
  static constexpr std::uint64_t kSkinMaximumFolders = 100;

  // The client's version of an image (the "@2x" file first on a double-
  // resolution screen), else the application's own; nothing for a blank name.
  // A skin picture the check found cut short gives the application's own;
  // one not yet settled is laid out as itself and drawn as the
  // application's own until its check ends (see gfx::Image::heldBack).
  static gfx::ImagePtr skinFromImageName(const std::string& name);
  static bool hasCustomerImage(const std::string& name);
  // The logo of a client's shortcut; nothing when it has none.
  static gfx::ImagePtr getLogoWithClientId(const std::string& clientId);
  static double getUIScreenScaleFactor();
  static void resetScaleFactorForTesting();
  // The path with its last four characters replaced by "@2x.png"; nothing for
  // a path too short to have them.
  static std::optional<std::filesystem::path> doubleResolutionPath(const std::filesystem::path& path);

  // JPEG at quality 0.5 as Base64 text, and back.
  static std::optional<std::string> image2String(const gfx::ImagePtr& image);
  static gfx::ImagePtr string2Image(const std::optional<std::string>& text);

  SkinManager(const SkinManager&) = delete;
  SkinManager& operator=(const SkinManager&) = delete;

 private:
  SkinManager();
  static std::optional<std::filesystem::path> skinFile(const std::string& name);
  void demoUnpackEnded(bool ok);
  // What a skin picture's check says of the file at `path`, as known now.
  enum class Look { Missing, Taken, Refused, Waiting };
  Look lookAt(const std::filesystem::path& path);
  // The hold of a picture waiting for its verdict, shared by every image of
  // that version of it.
  std::shared_ptr<const gfx::ImageHold> holdFor(std::uint64_t version);
  // The skin whose verdicts are read: the skin folder of `clientFolder`.
  void showSkinOf(const std::filesystem::path& clientFolder);
  // Checks the skin pictures of `clientFolder` on the worker, unless that
  // skin's check is under way (`anew`: its pictures were written since); a
  // check of another skin stops at its next picture.
  void checkSkin(const std::filesystem::path& clientFolder, bool anew);
  struct Settled {
    std::uint64_t version = 0;
    bool whole = false;
  };
  // Verdicts on the skin of `clientFolder`, as they come; the end of check
  // `pass` (`whole`: it met every picture).
  void skinSettled(const std::filesystem::path& clientFolder, const std::vector<Settled>& verdicts);
  void skinCheckEnded(std::uint64_t pass, const std::filesystem::path& clientFolder, bool whole);

  bool needUpdateDemo_ = false;
  bool unpacking_ = false;
  std::vector<std::function<void()>> waiting_;
  std::vector<std::function<void(bool)>> done_;
  std::unique_ptr<base::WorkQueue> worker_;
  // The checks of skins, apart from the demo's unpacking.
  std::unique_ptr<base::WorkQueue> checker_;
  // The client folder whose skin is shown, the verdicts read or reached on
  // its pictures, and the holds of its pictures still waiting.
  std::filesystem::path shownClient_;
  std::unique_ptr<PictureVerdicts> shownVerdicts_;
  std::unordered_map<std::uint64_t, std::shared_ptr<gfx::ImageHold>> holds_;
  // The check under way: its number, its skin and what stops it.
  std::uint64_t pass_ = 0;
  bool checking_ = false;
  bool namedDuringCheck_ = false;  // a picture not yet settled was named while a check ran
  std::filesystem::path checkingClient_;
  base::CancelFlag checkStop_;
  std::vector<std::pair<std::filesystem::path, std::function<void()>>> afterSkinCheck_;
};

}  // namespace mv
