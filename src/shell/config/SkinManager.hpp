#pragma once
// Client skins and the shipped demo data. A skin is a set of image files that
// replaces the application's own images of the same names; it arrives as the
// archive "SkinImages_iOS7.zip" and lives in the client folder's "SkinImages".
// The demo data "DEMO_Zh.zip" holds the client folders of the two demo
// companies. One per process, never freed; main thread only, except the
// demo unpacking and the check of the skin's pictures, which run on a worker
// of its own.
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
  // Tests: waits for the worker, then forgets every check of a skin, with
  // what waited for one.
  void resetSkinChecksForTesting();

  // Unpacks the client's downloaded skin archive when the skin folder is
  // missing. True when a skin folder exists afterwards.
  bool initializeSkinImage();
  // Runs `task` on the main loop once the signed-in client's skin pictures
  // are checked (on the worker; each version of each picture once, the
  // verdicts kept beside the skin, see PictureVerdicts); at once when the
  // client has no skin. Screens shown after it draw no skin picture cut
  // short, and naming one costs a look-up.
  void whenSkinChecked(std::function<void()> task);
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
  // A skin picture the check found cut short gives the application's own.
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
  // Checks the skin pictures of `clientFolder` on the worker; after the one
  // under way, if any.
  void checkSkin(const std::filesystem::path& clientFolder);
  struct SkinPicture {
    std::uint64_t version = 0;
    bool whole = false;
  };
  using SkinPictures = std::unordered_map<std::string, SkinPicture>;
  void skinChecked(std::filesystem::path skinFolder, SkinPictures pictures);
  // Whether the skin picture at `path` is drawn: not when it is missing or
  // the check found it cut short.
  bool drawsSkinPicture(const std::filesystem::path& path);

  bool needUpdateDemo_ = false;
  bool unpacking_ = false;
  std::vector<std::function<void()>> waiting_;
  std::vector<std::function<void(bool)>> done_;
  std::unique_ptr<base::WorkQueue> worker_;
  // The verdicts of the last check, on the pictures of that skin folder.
  std::filesystem::path checkedSkin_;
  SkinPictures skinPictures_;
  bool checkingSkin_ = false;
  // The client folder whose skin is checked after the check under way.
  std::optional<std::filesystem::path> checkNext_;
  std::vector<std::function<void()>> afterSkinCheck_;
};

}  // namespace mv
