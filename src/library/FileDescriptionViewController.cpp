#include "library/FileDescriptionViewController.hpp"

#include "library/SaleslibraryModel.hpp"
#include "platform/base/Log.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/frame/UIToast.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

std::shared_ptr<ui::Label> line(const ui::Rect& frame, const gfx::Font& font) {
  auto l = std::make_shared<ui::Label>(frame);
  l->setFont(font);
  l->setTextColor(gfx::Color::darkGray());
  l->setBackgroundColor(gfx::Color::clear());
  return l;
}

}  // namespace

const char* FileDescriptionViewController::actionKey(bool present, bool pendingUpdate) {
  if (!present) return "DOWNLOAD";
  return pendingUpdate ? "UPDATE" : "OPEN";
}

void FileDescriptionViewController::loadView() {
  setView(std::make_shared<ui::View>(ui::Rect{0, 0, kContainerFrame.width(), kContainerFrame.height()}));
}

void FileDescriptionViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::white());
  auto weak = ui::weakAs<FileDescriptionViewController>(this);
  auto act = [weak](void (FileDescriptionViewController::*step)()) {
    return [weak, step](ui::Control&, const ui::Event*) {
      if (auto self = weak.lock()) ((*self).*step)();
    };
  };

  imageView_ = std::make_shared<ui::ImageView>(ui::Rect{20, 20, 150, 200});
  imageView_->setContentMode(ui::ContentMode::ScaleAspectFit);
  cover_ = PictureLoader::create(imageView_);
  nameLabel_ = line({190, 20, 409, 50}, gfx::Font::boldSystemFont(18));
  nameLabel_->setNumberOfLines(2);
  nameLabel_->setText(fileEntity_.title);
  dateLabel_ = line({190, 75, 409, 22}, gfx::Font::systemFont(14));
  dateLabel_->setText(PublicFunction::formatDate(fileEntity_.date));
  formatLabel_ = line({190, 100, 409, 22}, gfx::Font::systemFont(14));
  formatLabel_->setText(fileEntity_.infoShow());
  videoDurationLabel_ = line({190, 125, 409, 22}, gfx::Font::systemFont(14));
  videoDurationLabel_->setText(fileEntity_.duration());

  descTextView_ = std::make_shared<ui::TextView>(ui::Rect{20, 235, 579, 145});
  descTextView_->setEditable(false);
  descTextView_->setTextColor(gfx::Color::darkGray());
  descTextView_->setTextContainerInset({3, 10, 3, 10});
  if (fileEntity_.description.empty()) {
    descTextView_->setFont(gfx::Font::italicSystemFont(14));
    descTextView_->setText(text("NODESCRIPTION"));
  } else {
    descTextView_->setFont(gfx::Font::systemFont(14));
    descTextView_->setText(fileEntity_.description);
  }

  DataAccessManager& store = manager_->database();
  isMarked_ = store.getLibraryFavoriteByFavoriteId(fileEntity_.file_id).has_value();
  favButton_ = std::make_shared<ui::Button>(ui::Rect{190, 160, 34, 34}, ui::ButtonType::Custom);
  favButton_->setImage(SkinManager::skinFromImageName(isMarked_ ? "btn_file_fav_added.png" : "btn_file_fav.png"));
  favButton_->setImage(SkinManager::skinFromImageName(isMarked_ ? "btn_file_fav.png" : "btn_file_fav_added.png"),
                       ui::ControlStateSelected);
  favButton_->setAccessibilityLabel(text("MYCOLLECTION"));
  favButton_->addAction(act(&FileDescriptionViewController::markButtonPressed), ui::ControlEventTouchUpInside);

  bool pendingUpdate = false;
  for (int id : store.getAllLibFileUpdateIDs()) pendingUpdate = pendingUpdate || id == fileEntity_.file_id;
  actionButton_ = std::make_shared<ui::Button>(ui::Rect{449, 396, 150, 34}, ui::ButtonType::Custom);
  ViewStyle::initializeToButtonHeight34(*actionButton_);
  actionButton_->setTitleColor(gfx::Color::rgb255(0, 137, 247), ui::ControlStateNormal);
  actionButton_->setTitleColor(gfx::Color::rgb255(0, 137, 247), ui::ControlStateHighlighted);
  actionButton_->setBackgroundImage(
      ViewStyle::resizeImage(SkinManager::skinFromImageName("btn_file_open.png"), {3, 3, 3, 3}));
  actionButton_->setTitle(text(actionKey(manager_->isExists(fileEntity_.file_id), pendingUpdate)));
  actionButton_->addAction(act(&FileDescriptionViewController::actionButtonPressed), ui::ControlEventTouchUpInside);

  delButton_ = std::make_shared<ui::Button>(ui::Rect{20, 396, 34, 34}, ui::ButtonType::Custom);
  delButton_->setBackgroundImage(SkinManager::skinFromImageName("btn_file_delete.png"));
  delButton_->setAccessibilityLabel(text("DELETEFILE"));
  delButton_->addAction(act(&FileDescriptionViewController::deleteButtonPressed), ui::ControlEventTouchUpInside);

  for (const std::shared_ptr<ui::View>& v : std::vector<std::shared_ptr<ui::View>>{
           imageView_, nameLabel_, dateLabel_, formatLabel_, videoDurationLabel_, descTextView_, favButton_,
           actionButton_, delButton_}) {
    root->addSubview(v);
  }
  // The cover, however large its file, is read on a worker at the card's size.
  cover_->loadFileImageAsyncWithName(fileEntity_.cover_image, PublicFunction::getFileType(fileEntity_.type), false);
}

void FileDescriptionViewController::viewDidAppear(bool animated) {
  BaseViewController::viewDidAppear(animated);
  auto* window = view()->window();
  if (!window || tapGesture_) return;
  auto weak = ui::weakAs<FileDescriptionViewController>(this);
  tapGesture_ = std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureRecognized) return;
    auto self = weak.lock();
    if (self) self->handleTapBehind(g.locationInView(nullptr));
  });
  tapGesture_->setCancelsTouchesInView(false);
  window->addGestureRecognizer(tapGesture_);
}

void FileDescriptionViewController::viewWillDisappear(bool animated) {
  BaseViewController::viewWillDisappear(animated);
  dropTapBehind();
}

void FileDescriptionViewController::dropTapBehind() {
  if (!tapGesture_) return;
  if (auto* v = tapGesture_->view()) v->removeGestureRecognizer(tapGesture_.get());
  tapGesture_.reset();
}

void FileDescriptionViewController::handleTapBehind(ui::Point inWindow) {
  const ui::Point inCard = view()->convertPointFromView(inWindow, nullptr);
  if (view()->pointInside(inCard, nullptr)) return;
  dropTapBehind();
  dismissViewControllerAnimated(true);
}

void FileDescriptionViewController::close(const std::function<void(FileDescripionDelegate&)>& then) {
  auto owner = delagate_.lock();
  if (!owner) return;
  auto keep = shared_from_this();
  dismissViewControllerAnimated(true);
  then(*owner);
  dropTapBehind();
}

void FileDescriptionViewController::actionButtonPressed() {
  const auto file = fileEntity_;
  close([file](FileDescripionDelegate& d) { d.actionButtonPressed(file); });
}

void FileDescriptionViewController::deleteButtonPressed() {
  MV_LOG("delete pressed");
  const auto file = fileEntity_;
  close([file](FileDescripionDelegate& d) { d.descriptionViewDeleteButtonPressed(file); });
}

void FileDescriptionViewController::markButtonPressed() {
  MV_LOG("mark pressed");
  DataAccessManager& store = manager_->database();
  const SessionDatabase::UserWrite userWrite;
  const bool stored = isMarked_ ? store.deleteLibraryFavoriteByFavoriteId(fileEntity_.file_id)
                                : store.saveToDatabaseLibraryFavorite(fileEntity_.file_id, fileEntity_.file_name);
  if (!stored) {
    UIToast::showTextOf(SessionDatabase::failedWriteKey());
    return;
  }
  isMarked_ = !isMarked_;
  favButton_->setSelected(!favButton_->isSelected());
  if (auto owner = delagate_.lock()) owner->markButtonPressed();
}

}  // namespace mv
