#include "library/LibraryDetailCell.hpp"

#include "platform/ui/LongPressGestureRecognizer.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

constexpr double kProgressThickness = 3;

}  // namespace

LibraryDetailCell::LibraryDetailCell(const ui::Rect& frame, std::string reuseIdentifier)
    : GridViewCell(frame, std::move(reuseIdentifier)) {
  const double w = frame.width();
  const double h = frame.height();
  setBackgroundColor(gfx::Color::clear());
  setOpaque(false);
  setSelectionStyle(GridViewCellSelectionStyleNone);
  auto content = contentView();
  content->setBackgroundColor(gfx::Color::clear());
  shakingView_ = std::make_shared<ui::View>(content->bounds());
  shakingView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  content->addSubview(shakingView_);

  backGroundImageView_ = std::make_shared<ui::ImageView>(ui::Rect{0, 0, w, h});
  fileImageView_ = std::make_shared<ui::ImageView>(ui::Rect{38, 20, 105, 147});
  fileImageView_->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
  titleLabel_ = std::make_shared<ui::Label>(ui::Rect{20, 170, 140, 40});
  titleLabel_->setNumberOfLines(2);
  titleLabel_->setLineBreakMode(gfx::LineBreakMode::TailTruncation);
  titleLabel_->setFont(gfx::Font::named("HelveticaNeue", 15));
  titleLabel_->setTextColor(gfx::Color::gray());
  titleLabel_->setBackgroundColor(gfx::Color::clear());
  formatLabel_ = std::make_shared<ui::Label>(ui::Rect{20, h - 28, 36, 18});
  formatLabel_->setTextAlignment(gfx::TextAlignment::Center);
  formatLabel_->setTextColor(gfx::Color::white());
  formatLabel_->setFont(gfx::Font::named("HelveticaNeue-Bold", 11));
  infoButton_ = std::make_shared<ui::Button>(ui::Rect{w - 50, h - 50, 50, 50}, ui::ButtonType::Custom);
  infoButton_->setImage(SkinManager::skinFromImageName("btn_info.png"));
  infoButton_->setAccessibilityLabel(text("FILEINFO"));
  infoButton_->setImage(SkinManager::skinFromImageName("btn_info_highlighted.png"), ui::ControlStateHighlighted);
  infoButton_->setImageEdgeInsets({13, 13, 14, 14});
  infoButton_->setBackgroundColor(gfx::Color::clear());
  pauseView_ = std::make_shared<ui::ImageView>(ui::Rect{0, 0, w, h});
  pauseView_->setHidden(true);
  pauseView_->setAlpha(0.8);
  // Beside the file type's badge, which shows through the dimmed cover.
  downloadingLabel_ = std::make_shared<ui::Label>(ui::Rect{62, h - 30, w - 72, 20});
  downloadingLabel_->setAdjustsFontSizeToFitWidth(true);
  downloadingLabel_->setBackgroundColor(gfx::Color::clear());
  downloadingLabel_->setTextColor(gfx::Color::white());
  downloadingLabel_->setFont(gfx::Font::named("HelveticaNeue-Bold", 13));
  downloadingLabel_->setTextAlignment(gfx::TextAlignment::Center);
  pauseView_->addSubview(downloadingLabel_);
  // A progress bar keeps its own thickness whatever height it is given.
  progressView_ = std::make_shared<ui::ProgressView>(ui::Rect{20, 170, w - 40, kProgressThickness});
  progressView_->setProgressViewStyle(ui::ProgressViewStyle::Bar);
  // The whole length shows over the dimmed cover.
  progressView_->setTrackTintColor(gfx::Color::white(0.5));
  progressView_->setHidden(true);
  markImageView_ = std::make_shared<ui::ImageView>(ui::Rect{w - 30, 20, 20, 20});
  ribbonView_ = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 50, 55});
  for (const std::shared_ptr<ui::View>& v : std::vector<std::shared_ptr<ui::View>>{
           backGroundImageView_, fileImageView_, titleLabel_, formatLabel_, infoButton_, pauseView_, progressView_,
           markImageView_, ribbonView_}) {
    shakingView_->addSubview(v);
  }
  deleteButton_ = std::make_shared<ui::Button>(ui::Rect{140, -20, 60, 60}, ui::ButtonType::Custom);
  deleteButton_->setImage(gfx::Image::named("btn_remove.png"));
  deleteButton_->setAccessibilityLabel(text("DELETEFILE"));
  deleteButton_->setImageEdgeInsets({15, 15, 15, 15});
  deleteButton_->setHidden(true);
  content->addSubview(deleteButton_);
  cover_ = PictureLoader::create(fileImageView_);
}

std::shared_ptr<LibraryDetailCell> LibraryDetailCell::dequeue(GridView& gridView) {
  auto cell = std::dynamic_pointer_cast<LibraryDetailCell>(gridView.dequeueReusableCellWithIdentifier(kReuseIdentifier));
  if (!cell) {
    cell = std::make_shared<LibraryDetailCell>(kFrame, kReuseIdentifier);
    cell->init();
  }
  return cell;
}

void LibraryDetailCell::show(const marvisto_library_files_Entity& file, const LibraryCellState& state,
                             std::int64_t index, std::weak_ptr<LibraryDetailCellDelegate> delegate, bool animation) {
  apply(state);
  loadFileImageAsyncWithName(file.cover_image, PublicFunction::getFileType(file.type), animation);
  titleLabel_->setText(file.title);
  file_ = file;
  cellIndex_ = index;
  detailDelegate_ = std::move(delegate);
}

void LibraryDetailCell::init() {
  auto weak = ui::weakAs<LibraryDetailCell>(this);
  auto cellOf = [weak] { return weak.lock(); };
  auto tap = std::make_shared<ui::TapGestureRecognizer>([cellOf](ui::GestureRecognizer& g) {
    auto self = cellOf();
    if (!self || g.state() != ui::GestureRecognized) return;
    if (auto d = self->detailDelegate()) d->didSelectedCell(self->file_, self->cellIndex_);
  });
  // The buttons keep their own taps.
  tap->shouldReceiveTouch = [](ui::GestureRecognizer&, const ui::Touch& touch) {
    for (ui::View* v = touch.view(); v; v = v->superview()) {
      if (dynamic_cast<ui::Button*>(v)) return false;
    }
    return true;
  };
  contentView()->addGestureRecognizer(tap);
  auto press = std::make_shared<ui::LongPressGestureRecognizer>([cellOf](ui::GestureRecognizer& g) {
    auto self = cellOf();
    if (!self || g.state() != ui::GestureState::Began) return;
    if (auto d = self->detailDelegate()) d->didCellLongPressed();
  });
  press->minimumPressDuration = kLongPress;
  shakingView_->addGestureRecognizer(press);
  infoButton_->addAction(
      [cellOf](ui::Control&, const ui::Event*) {
        auto self = cellOf();
        if (!self) return;
        if (auto d = self->detailDelegate()) d->didSelectedInfoButton(self->file_);
      },
      ui::ControlEventTouchUpInside);
  deleteButton_->addAction(
      [cellOf](ui::Control&, const ui::Event*) {
        auto self = cellOf();
        if (!self) return;
        if (auto d = self->detailDelegate()) d->didSelectedDeleteButton(self->file_);
      },
      ui::ControlEventTouchUpInside);
}

void LibraryDetailCell::setRibbon(int ribbon) {
  ribbon_ = ribbon;
  const std::string name = LibraryCellState::ribbonImageName(ribbon, LanguageManager::sharedInstance().currentLanguage());
  ribbonView_->setImage(name.empty() ? nullptr : gfx::Image::named(name));
}

void LibraryDetailCell::setShaking(bool shaking) {
  if (shaking == shaking_) return;
  shaking_ = shaking;
  ViewStyle::setViewShaking(*shakingView_, shaking);
}

void LibraryDetailCell::apply(const LibraryCellState& state) {
  backGroundImageView_->setImage(SkinManager::skinFromImageName(state.backgroundImage));
  setRibbon(state.ribbon);
  infoButton_->setHidden(!state.infoButtonShown);
  ui::Rect title = titleLabel_->frame();
  title.size.width = state.titleWidth;
  titleLabel_->setFrame(title);
  const bool overlay = state.overlay != LibraryCellState::Overlay::None;
  progressView_->setHidden(!overlay);
  pauseView_->setHidden(!overlay);
  if (overlay) {
    progressView_->setProgress(state.progress);
    pauseView_->setImage(SkinManager::skinFromImageName(state.overlayImage));
    downloadingLabel_->setText(text(state.overlayTextKey));
  }
  markImageView_->setImage(state.favouriteImage.empty() ? nullptr
                                                        : SkinManager::skinFromImageName(state.favouriteImage + ".png"));
  formatLabel_->setText(state.badgeText);
  formatLabel_->setBackgroundColor(state.badgeColor);
  deleteButton_->setHidden(!state.deleteButtonShown);
}

void LibraryDetailCell::loadFileImageAsyncWithName(const std::string& coverName, int fileType, bool animation) {
  cover_->loadFileImageAsyncWithName(coverName, fileType, animation);
}

}  // namespace mv
