#pragma once
// Plays a library video: the movie in the middle of the screen under a top
// bar with the back button, the file's title and the loop toggle (off at
// first; each tap says what it turned on or off). Playback starts at once;
// back stops it, lets go of the player and pops the screen. A video that
// cannot be played says so in alert 1001.
#include <filesystem>
#include <memory>
#include <string>

#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "services/MoviePlayer.hpp"
#include "shell/frame/BaseViewController.hpp"

namespace mv {

class VideoViewController : public BaseViewController {
 public:
  inline static const ui::Rect kPlayerFrame{50, 94, 924, 604};

  explicit VideoViewController(svc::MoviePlayer::Options options = {}) : options_(options) {}

  // Builds the screen for the file and starts playing it.
  void createWithFilename(const std::string& title, const std::filesystem::path& path);
  void btnbackClicked();
  void btnLoopPlayTapped();
  void viewWillAppear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  const std::shared_ptr<svc::MoviePlayer>& moviePlayer() const { return moviePlayer_; }
  ui::Button& btnback() const { return *btnback_; }
  ui::Button& btnLoopPlay() const { return *btnLoopPlay_; }
  ui::Label& lbtitle() const { return *lbtitle_; }

 private:
  void playerFailed();

  svc::MoviePlayer::Options options_;
  std::shared_ptr<svc::MoviePlayer> moviePlayer_;
  std::shared_ptr<ui::ImageView> topbarview_;
  std::shared_ptr<ui::Button> btnback_;
  std::shared_ptr<ui::Button> btnLoopPlay_;
  std::shared_ptr<ui::Label> lbtitle_;
};

}  // namespace mv
