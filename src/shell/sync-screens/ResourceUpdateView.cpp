#include "shell/sync-screens/ResourceUpdateView.hpp"

#include "platform/ui/WeakAs.hpp"
#include "sync/SyncModel.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

std::shared_ptr<ResourceUpdateView> ResourceUpdateView::create(const ui::Rect& frame) {
  std::shared_ptr<ResourceUpdateView> view(new ResourceUpdateView(frame));
  view->initializationView(frame);
  return view;
}

ResourceUpdateView::~ResourceUpdateView() = default;

void ResourceUpdateView::initializationView(const ui::Rect& frame) {
  SyncItemView::initializationView(frame);
  syncInfoProduc_ = std::make_shared<SyncInfoItem>(ui::Rect{});
  syncInfoIcon_ = std::make_shared<SyncInfoItem>(ui::Rect{});
  syncInfoCustomer_ = std::make_shared<SyncInfoItem>(ui::Rect{});
  addSubview(syncInfoProduc_);
  addSubview(syncInfoIcon_);
  addSubview(syncInfoCustomer_);
  setRowTitles();
  resetItemsFrame();

  btnsync_ = std::make_shared<ui::Button>(ui::Rect{450, 260, 127, 34});
  ViewStyle::initializeToButtonHeight34(*btnsync_);
  btnsync_->setTitle(text("GETUPDATES"), ui::ControlStateNormal);
  btnsync_->setTitleColor(gfx::Color::white(), ui::ControlStateNormal);
  auto weak = ui::weakAs<ResourceUpdateView>(this);
  btnsync_->addAction(
      [weak](ui::Control& sender, const ui::Event*) {
        if (auto self = weak.lock()) self->btnSyncClick(&sender);
      },
      ui::ControlEventTouchUpInside);
  addSubview(btnsync_);

  lblRemainTime_ = std::make_shared<ui::Label>(ui::Rect{20, 260, 300, 45});
  lblRemainTime_->setTextColor(gfx::Color::gray());
  lblRemainTime_->setFont(gfx::Font::systemFont(15));
  lblRemainTime_->setTextAlignment(gfx::TextAlignment::Center);
  lblRemainTime_->setBackgroundColor(gfx::Color::clear());
  lblRemainTime_->setHidden(true);
  activityIndicator_ = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
  activityIndicator_->setFrame({0, 12, 20, 20});
  lblRemainTime_->addSubview(activityIndicator_);
  addSubview(lblRemainTime_);

  labelBgDownload_ = std::make_shared<ui::Label>(ui::Rect{600, 262, 400, 30});
  labelBgDownload_->setTextColor(gfx::Color::gray());
  labelBgDownload_->setFont(gfx::Font::systemFont(14));
  labelBgDownload_->setBackgroundColor(gfx::Color::clear());
  labelBgDownload_->setText(text("HELPBACKGROUNDDOWNLOAD"));
  labelBgDownload_->setAlpha(0);
  addSubview(labelBgDownload_);
}

void ResourceUpdateView::setRowTitles() {
  syncInfoProduc_->lbTittle().setText(text("PRODUCTS"));
  syncInfoIcon_->lbTittle().setText(text("SAVEMATERIAL"));
  syncInfoCustomer_->lbTittle().setText(text("CUSTOMERPOINT"));
}

SyncInfoItem& ResourceUpdateView::row(SyncRow row) const {
  switch (row) {
    case SyncRow::Material:
      return *syncInfoIcon_;
    case SyncRow::Customers:
      return *syncInfoCustomer_;
    case SyncRow::Products:
      break;
  }
  return *syncInfoProduc_;
}

void ResourceUpdateView::setBtnSyncEnabled(bool enabled) {
  // A new run has no estimate yet: the last run's is not shown as its own.
  if (!enabled && btnSyncEnabled_) {
    remainTime_ = SyncModel::kRemainTimeUnknown;
    lblRemainTime_->setText("");
  }
  lblRemainTime_->setHidden(enabled);
  btnSyncEnabled_ = enabled;
  btnsync_->setEnabled(enabled);
  // The skin's button picture has no disabled look of its own.
  btnsync_->setAlpha(enabled ? 1.0 : 0.5);
  if (enabled) activityIndicator_->stopAnimating();
}

void ResourceUpdateView::setSyncDate(const std::string& date) {
  syncDate_ = date;
  syncInfoProduc_->setDateValue(date);
  syncInfoIcon_->setDateValue(date);
  syncInfoCustomer_->setDateValue(date);
}

void ResourceUpdateView::setRemainTime(int seconds) {
  remainTime_ = seconds;
  activityIndicator_->startAnimating();
  // No estimate (nothing has arrived lately): none is shown, rather than an
  // old one that no longer holds.
  if (seconds == SyncModel::kRemainTimeUnknown) {
    lblRemainTime_->setText("");
    return;
  }
  if (auto shown = SyncScreenPresenter::remainTimeText(seconds)) lblRemainTime_->setText(*shown);
}

void ResourceUpdateView::setIsCatalogOnshow(bool shown) {
  isCatalogOnshow_ = shown;
  syncInfoProduc_->setHidden(!shown);
  resetItemsFrame();
}

void ResourceUpdateView::setIsCustomerOnShow(bool shown) {
  isCustomerOnShow_ = shown;
  syncInfoCustomer_->setHidden(!shown);
  resetItemsFrame();
}

void ResourceUpdateView::setIsSalesLibraryOnShow(bool shown) {
  isSalesLibraryOnShow_ = shown;
  syncInfoIcon_->setHidden(!shown);
  resetItemsFrame();
}

void ResourceUpdateView::resetItemsFrame() {
  const SyncRowFrames frames = SyncScreenPresenter::rowFrames(isCatalogOnshow_, isSalesLibraryOnShow_);
  syncInfoProduc_->setFrame(frames.products);
  syncInfoIcon_->setFrame(frames.material);
  syncInfoCustomer_->setFrame(frames.customers);
}

void ResourceUpdateView::resetProgress() {
  for (SyncInfoItem* item : {syncInfoProduc_.get(), syncInfoIcon_.get(), syncInfoCustomer_.get()}) {
    item->setProgress(0);
    item->setLbprogressTxt("0%");
  }
}

void ResourceUpdateView::showStartCheck() {
  row(SyncScreenPresenter::firstShownRow(isCatalogOnshow_, isSalesLibraryOnShow_, isCustomerOnShow_))
      .setLbprogressTxt(text("CHECKING"));
}

void ResourceUpdateView::showRemovalProgress(float share) {
  SyncInfoItem& item = row(SyncScreenPresenter::firstShownRow(isCatalogOnshow_, isSalesLibraryOnShow_, isCustomerOnShow_));
  // The pictures' own progress, once it came, says more.
  if (!SyncScreenPresenter::isCheckingText(item.lbprogressTxt())) return;
  item.setLbprogressTxt(SyncScreenPresenter::checkingText(share));
}

void ResourceUpdateView::endStartCheck() {
  for (SyncRow r : {SyncRow::Products, SyncRow::Material, SyncRow::Customers}) {
    SyncInfoItem& item = row(r);
    if (SyncScreenPresenter::isCheckingText(item.lbprogressTxt()))
      item.setLbprogressTxt(SyncScreenPresenter::rowText(item.progress()));
  }
}

void ResourceUpdateView::showHelp() {
  help_.cancelAll();
  help_.after(kHelpDelay, [this] {
    auto hint = labelBgDownload_;
    ui::View::animate(kHelpFadeDuration, 0, ui::AnimationOptionAllowUserInteraction, [hint] { hint->setAlpha(1); });
  });
}

void ResourceUpdateView::hideHelp() {
  // A run that ended before the hint was due must not show it afterwards.
  help_.cancelAll();
  layer().removeAllAnimations();
  labelBgDownload_->layer().removeAllAnimations();
  labelBgDownload_->setAlpha(0);
}

void ResourceUpdateView::btnSyncClick(ui::Control* sender) {
  if (auto d = delegate()) d->btnSyncClick(sender);
}

void ResourceUpdateView::notifiChangelanguage() {
  setRowTitles();
  syncInfoProduc_->notifiChangelanguage();
  syncInfoIcon_->notifiChangelanguage();
  syncInfoCustomer_->notifiChangelanguage();
  btnsync_->setTitle(text("GETUPDATES"), ui::ControlStateNormal);
  labelBgDownload_->setText(text("HELPBACKGROUNDDOWNLOAD"));
  // The spinner only turns during a run; idle, the hidden label just follows the language.
  if (!btnSyncEnabled_) {
    setRemainTime(remainTime_);
  } else if (auto shown = SyncScreenPresenter::remainTimeText(remainTime_)) {
    lblRemainTime_->setText(*shown);
  }
}

}  // namespace mv
