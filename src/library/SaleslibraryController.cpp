#include "library/SaleslibraryController.hpp"

#include "library/LibraryNotifications.hpp"
#include "platform/ui/TabBarController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/FitCGRect.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

}  // namespace

SaleslibraryController::Layout SaleslibraryController::layoutFor(bool masterHidden) {
  const auto& fit = FitCGRect::sharedInstance();
  const double bar = fit.navBarHeight();
  if (masterHidden) {
    return {fit.fitCGRectBy(15, 25, 34, 34), {-kPanelWidth, 0, kPanelWidth, kPanelHeight}, {0, 0, 1024, bar},
            "icon-menu-split.png"};
  }
  return {fit.fitCGRectBy(260, 25, 34, 34), {0, 0, kPanelWidth, kPanelHeight}, {kPanelWidth, 0, 1024, bar},
          "icon-menu.png"};
}

SaleslibraryController::SaleslibraryController(std::shared_ptr<SaleslibraryModel> manager,
                                               std::shared_ptr<ConfigManager> config)
    : manager_(std::move(manager)), config_(std::move(config)) {}

SaleslibraryController::~SaleslibraryController() { observations_.clear(); }

void SaleslibraryController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  addStatusBarBGForVersion7(false);
  auto root = view();
  root->setBackgroundColor(gfx::Color::white());
  catalogNavBgImageView_ = std::make_shared<ui::ImageView>();
  catalogNavBgImageView_->setImage(SkinManager::skinFromImageName("topbar-bg.png"));
  root->addSubview(catalogNavBgImageView_);
  controlMasterBtn_ = std::make_shared<ui::Button>(ui::Rect{}, ui::ButtonType::Custom);
  auto weak = ui::weakAs<SaleslibraryController>(this);
  controlMasterBtn_->addAction(
      [weak](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock()) self->ControlMasterClicked();
      },
      ui::ControlEventTouchUpInside);
  root->addSubview(controlMasterBtn_);
  tabController_ = BrowserTabView::initWithTabTitles({text("MYLIBRARY"), text("MYCOLLECTION")},
                                                     ui::weakAs<BrowserTabViewDelegate>(this));
  root->addSubview(tabController_);
  finishViewDidLoad();
  applyLayout(isMasterViewHidden_);
  addLibraryView();
}

void SaleslibraryController::viewAfterFirstDidLoad() {
  BaseViewController::viewAfterFirstDidLoad();
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
  catalog_ = std::make_shared<LibraryCatalogController>(manager_, config_);
  masterController_ = std::make_shared<ui::NavigationController>(catalog_);
  detailController_ = std::make_shared<ui::NavigationController>(makeGrid(0));
  for (auto& nav : {detailController_, masterController_}) {
    nav->setNavigationBarHidden(true);
    addChildViewController(nav);
    nav->view()->setAutoresizingMask(ui::FlexibleRightMargin | ui::FlexibleBottomMargin);
    nav->didMoveToParentViewController(this);
  }
  isMasterViewHidden_ = false;
  observations_.emplace_back(LibraryNotifications::kShowLibraryMasterView, nullptr,
                             [weak = ui::weakAs<SaleslibraryController>(this)](const base::Notification&) {
                               if (auto self = weak.lock()) self->ShowMasterView();
                             });
  observations_.emplace_back(LibraryNotifications::kHideLibraryMasterView, nullptr,
                             [weak = ui::weakAs<SaleslibraryController>(this)](const base::Notification&) {
                               if (auto self = weak.lock()) self->HideMasterView();
                             });
}

std::shared_ptr<LibraryDetailController> SaleslibraryController::makeGrid(int libraryTab) {
  auto grid = std::make_shared<LibraryDetailController>(manager_, libraryTab);
  grid->setMasterHide(isMasterViewHidden_);
  grid->setCatalogController(catalog_);
  catalog_->addGrid(grid);
  detailViewsArray_.push_back(grid);
  return grid;
}

// The panels are taken out of the screen while another tab shows, so they
// are told of the tab's appearance here rather than through their views.
template <typename Forward>
void SaleslibraryController::forEachPanel(Forward forward) {
  for (auto& nav : {masterController_, detailController_}) {
    if (nav) forward(*nav);
  }
}

void SaleslibraryController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  forEachPanel([animated](ui::ViewController& nav) { nav.beginAppearanceTransition(true, animated); });
}

void SaleslibraryController::viewDidAppear(bool animated) {
  BaseViewController::viewDidAppear(animated);
  forEachPanel([](ui::ViewController& nav) { nav.endAppearanceTransition(); });
}

void SaleslibraryController::viewWillDisappear(bool animated) {
  BaseViewController::viewWillDisappear(animated);
  forEachPanel([animated](ui::ViewController& nav) { nav.beginAppearanceTransition(false, animated); });
}

void SaleslibraryController::viewDidDisappear(bool animated) {
  BaseViewController::viewDidDisappear(animated);
  forEachPanel([](ui::ViewController& nav) { nav.endAppearanceTransition(); });
}

void SaleslibraryController::updateLanguage(ui::ViewController&) {
  if (!isViewLoaded()) return;
  const auto& tabs = tabController_->tabsArray();
  if (tabs.size() >= 2) {
    tabs[0]->setTitle(text("MYLIBRARY"));
    tabs[1]->setTitle(text("MYCOLLECTION"));
    for (const auto& tab : tabs) tab->layoutIfNeeded();
  }
}

// ---- the tab bar ------------------------------------------------------------------------

void SaleslibraryController::addLibraryView() {
  auto* tabs = tabBarController();
  if (!tabs || tabs->selectedIndex() != kLibraryTabIndex || !masterController_) return;
  removeLibraryView();
  masterController_->view()->setTag(kMasterViewTag);
  detailController_->view()->setTag(kDetailViewTag);
  masterController_->view()->setFrame(layoutFor(isMasterViewHidden_).master);
  detailController_->view()->setFrame(FitCGRect::sharedInstance().fitCGRectBy(0, 64, 1024, 648));
  // The panel lies above the grid.
  view()->addSubview(detailController_->view());
  view()->addSubview(masterController_->view());
}

void SaleslibraryController::removeLibraryView() {
  for (long tag : {kMasterViewTag, kDetailViewTag}) {
    for (const auto& child : std::vector<std::shared_ptr<ui::View>>(view()->subviews())) {
      if (child->tag() == tag) child->removeFromSuperview();
    }
  }
}

// ---- the panel ----------------------------------------------------------------------------

void SaleslibraryController::applyLayout(bool hidden) {
  const Layout layout = layoutFor(hidden);
  controlMasterBtn_->setFrame(layout.toggle);
  controlMasterBtn_->setSelected(hidden);
  controlMasterBtn_->setBackgroundImage(SkinManager::skinFromImageName(layout.toggleImage));
  controlMasterBtn_->setAccessibilityLabel(text("CATEGORYPANEL"));
  catalogNavBgImageView_->setFrame(layout.topBar);
  if (masterController_) masterController_->view()->setFrame(layout.master);
  for (auto& grid : detailViewsArray_) grid->applyLayout(hidden);
}

void SaleslibraryController::slidePanel(bool hide) {
  if (hide == isMasterViewHidden_) return;
  ui::View::animate(kPanelDuration, 0, ui::AnimationOptionCurveEaseOut, [this, hide] { applyLayout(hide); });
  isMasterViewHidden_ = hide;
}

void SaleslibraryController::ControlMasterClicked() { slidePanel(!isMasterViewHidden_); }

void SaleslibraryController::ShowMasterView() { slidePanel(false); }

void SaleslibraryController::HideMasterView() { slidePanel(true); }

// ---- the tab strip --------------------------------------------------------------------------

void SaleslibraryController::BrowserTabViewDidSelecedAtIndex(BrowserTabView&, long index) {
  if (index == tabIndex_ || !detailController_) return;
  if (index == 1) {
    if (detailViewsArray_.size() < 2) makeGrid(1);
    detailController_->pushViewController(detailViewsArray_[1], false);
  } else {
    detailController_->popToRootViewControllerAnimated(false);
  }
  tabIndex_ = index;
}

}  // namespace mv
