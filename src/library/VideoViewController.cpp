#include "library/VideoViewController.hpp"

#include "library/LibraryViewers.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

}  // namespace

void VideoViewController::createWithFilename(const std::string& title, const std::filesystem::path& path) {
  MV_ASSERT_MAIN_THREAD();
  auto root = view();
  root->setFrame({0, 20, 1024, 748});
  auto background = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 1024, 748});
  background->setImage(gfx::Image::named("bg_video_playing.png"));
  background->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  root->addSubview(background);

  moviePlayer_ = svc::MoviePlayer::create(path, options_);
  moviePlayer_->view()->setFrame(kPlayerFrame);
  moviePlayer_->view()->setBackgroundColor(gfx::Color::lightGray());
  root->addSubview(moviePlayer_->view());
  auto weak = ui::weakAs<VideoViewController>(this);
  moviePlayer_->onError = [weak](const std::string&) {
    if (auto self = weak.lock()) self->playerFailed();
  };

  topbarview_ = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 1024, 44});
  topbarview_->setUserInteractionEnabled(true);
  topbarview_->setBackgroundColor(gfx::Color::white());
  topbarview_->setImage(SkinManager::skinFromImageName("topbar-bg.png"));
  root->addSubview(topbarview_);
  auto action = [weak](void (VideoViewController::*step)()) {
    return [weak, step](ui::Control&, const ui::Event*) {
      if (auto self = weak.lock()) ((*self).*step)();
    };
  };
  btnback_ = std::make_shared<ui::Button>(ui::Rect{8, 5, 60, 34});
  ViewStyle::initializeToBackButtonHeight34(*btnback_);
  btnback_->setTitle(text("BACK"));
  btnback_->addAction(action(&VideoViewController::btnbackClicked), ui::ControlEventTouchUpInside);
  topbarview_->addSubview(btnback_);
  btnLoopPlay_ = std::make_shared<ui::Button>(ui::Rect{959, 5, 50, 34});
  ViewStyle::initializeToButtonHeight34(*btnLoopPlay_);
  btnLoopPlay_->setImage(gfx::Image::named("icon_loop_play_off.png"));
  btnLoopPlay_->setAccessibilityLabel(text("LOOPPLAY"));
  btnLoopPlay_->setImage(gfx::Image::named("icon_loop_play.png"), ui::ControlStateSelected);
  btnLoopPlay_->addAction(action(&VideoViewController::btnLoopPlayTapped), ui::ControlEventTouchUpInside);
  topbarview_->addSubview(btnLoopPlay_);
  lbtitle_ = std::make_shared<ui::Label>(ui::Rect{312, 2, 400, 40});
  lbtitle_->setFont(gfx::Font::systemFont(17));
  lbtitle_->setBackgroundColor(gfx::Color::clear());
  lbtitle_->setTextAlignment(gfx::TextAlignment::Center);
  lbtitle_->setTextColor(gfx::Color::white());
  lbtitle_->setText(title);
  topbarview_->addSubview(lbtitle_);

  root->setFrame({0, 0, 1024, 768});
  moviePlayer_->play();
}

void VideoViewController::playerFailed() {
  LibraryViewers::showFailure("THEFILEISCORRUPTED");
}

void VideoViewController::btnLoopPlayTapped() {
  if (!btnLoopPlay_) return;
  btnLoopPlay_->setSelected(!btnLoopPlay_->isSelected());
  const bool loop = btnLoopPlay_->isSelected();
  if (moviePlayer_) moviePlayer_->setRepeatMode(loop ? svc::MoviePlayer::RepeatMode::One : svc::MoviePlayer::RepeatMode::None);
  auto toast = std::make_shared<UIToast>();
  toast->show(text(loop ? "LOOPPLAYENABLED" : "LOOPPLAYDISABLED"));
}

void VideoViewController::btnbackClicked() {
  auto keep = shared_from_this();
  if (moviePlayer_) {
    moviePlayer_->stop();
    moviePlayer_->view()->removeFromSuperview();
    moviePlayer_.reset();
  }
  if (auto* nav = navigationController()) nav->popViewControllerAnimated(true);
}

void VideoViewController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
}

void VideoViewController::updateLanguage(ui::ViewController&) {
  if (btnback_) btnback_->setTitle(text("BACK"));
}

}  // namespace mv
