#include "catalog/CatalogViewController.hpp"

#include <algorithm>

#include "catalog/ProductDetailController.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/TabBarController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/frame/UIToast.hpp"
#include "store/DataAccessManager.hpp"
#include "util/FitCGRect.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {


CatalogNotificationCenter& center() { return CatalogNotificationCenter::defaultCenter(); }

void showToast(const std::string& message) {
  auto toast = std::make_shared<UIToast>();
  toast->show(message);
}

constexpr int kCatalogTab = 1;

}  // namespace

const std::vector<std::string>& CatalogViewController::orderingNames() {
  static const std::vector<std::string> names{"BYNAME", "BYSKU", "BYPRICE", "BYCMS"};
  return names;
}

CatalogViewController::~CatalogViewController() {
  observations_.clear();
  if (serchController_) serchController_->dismissPopoverAnimated(false);
}

void CatalogViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  addStatusBarBGForVersion7(false);
  auto root = view();
  root->setBackgroundColor(gfx::Color::white());
  auto weak = ui::weakAs<CatalogViewController>(this);
  auto action = [weak](void (CatalogViewController::*step)()) {
    return [weak, step](ui::Control&, const ui::Event*) {
      if (auto self = weak.lock()) ((*self).*step)();
    };
  };

  compareBtn_ = std::make_shared<ui::Button>();
  compareBtn_->setBackgroundImage(SkinManager::skinFromImageName("btn-compare.png"));
  compareBtn_->setAccessibilityLabel(text("PRODUCTCOMPARISON"));
  compareBtn_->addAction(action(&CatalogViewController::btnCompareClicked), ui::ControlEventTouchUpInside);
  favBtn_ = std::make_shared<ui::Button>();
  favBtn_->setBackgroundImage(SkinManager::skinFromImageName("btn-fav.png"));
  favBtn_->setAccessibilityLabel(text("FAVORITES"));
  favBtn_->addAction(action(&CatalogViewController::btnFavoritesClicked), ui::ControlEventTouchUpInside);

  btnMenu_ = std::make_shared<ui::Button>();
  btnMenu_->setBackgroundImage(SkinManager::skinFromImageName("icon-menu.png"));
  btnMenu_->setAccessibilityLabel(text("CATEGORYPANEL"));
  btnMenu_->addAction(action(&CatalogViewController::ControlMasterClicked), ui::ControlEventTouchUpInside);

  btnBack_ = std::make_shared<ui::Button>(FitCGRect::sharedInstance().fitCGRectBy(8, 25, 60, 34));
  btnBack_->setTitle(text("BACK"));
  ViewStyle::initializeToBackButtonHeight34(*btnBack_);
  btnBack_->setHidden(true);
  btnBack_->addAction(action(&CatalogViewController::backButtonClicked), ui::ControlEventTouchUpInside);

  searchBar_ = std::make_shared<ui::SearchBar>();
  searchBar_->setPlaceholder(text("CATALOGSEARCHHOLD"));
  searchBar_->setShowsBookmarkButton(false);
  searchBar_->setBackgroundColor(gfx::Color::clear());
  searchBar_->setBackgroundImage(SkinManager::skinFromImageName("bg_searchbar.png"));
  searchBar_->setDelegate(ui::weakAs<ui::SearchBarDelegate>(this));

  catalogNavBgImageView_ = std::make_shared<ui::ImageView>();
  catalogNavBgImageView_->setImage(SkinManager::skinFromImageName("topbar-bg.png"));
  lblTitle_ = std::make_shared<ui::Label>();
  lblTitle_->setFont(gfx::Font::systemFont(17));
  lblTitle_->setTextAlignment(gfx::TextAlignment::Center);
  lblTitle_->setAdjustsFontSizeToFitWidth(true);
  lblTitle_->setMinimumFontSize(15);
  lblTitle_->setTextColor(gfx::Color::white());
  lblTitle_->setBackgroundColor(gfx::Color::clear());
  lblTitle_->setText(text("CATALOG_"));

  orderingController_ = OrderingController::initWithOrderButtonFrame(
      FitCGRect::sharedInstance().fitCGRectBy(CatalogLayout::kSortFrame.x(), CatalogLayout::kSortFrame.y(),
                                              CatalogLayout::kSortFrame.width(), CatalogLayout::kSortFrame.height()),
      orderingNames(),
      ui::weakAs<OrderingControllerDelegate>(this), root);
  auto& sort = *orderingController_->orderingButton();
  sort.setImage(gfx::Image::named("icon_sort_arrow.png"));
  sort.setImageEdgeInsets({0, CatalogLayout::kSortFrame.width() - 20, 0, 0});
  sort.setTitleEdgeInsets({0, 0, 0, 30});

  for (const std::shared_ptr<ui::View>& part :
       std::vector<std::shared_ptr<ui::View>>{catalogNavBgImageView_, lblTitle_, compareBtn_, favBtn_, btnMenu_,
                                              btnBack_, searchBar_, orderingController_->orderingButton()}) {
    root->addSubview(part);
  }
  applyBar(CatalogLayout::framesFor(CatalogLayout::State::PanelShown, DetailViewController::isNormalPanel(*services_),
                                    FitCGRect::sharedInstance().navBarHeight()));
  finishViewDidLoad();
  addCatologView();
}

void CatalogViewController::viewAfterFirstDidLoad() {
  BaseViewController::viewAfterFirstDidLoad();
  isMasterViewHiddened_ = false;
  detail_ = std::make_shared<DetailViewController>(*services_);
  detail_->setDetailViewDelegate(ui::weakAs<DetailViewDelegate>(this));
  detail_->setLblTitle(lblTitle_);
  master_ = std::make_shared<MasterViewController>(*services_);
  master_->setLblTitle(lblTitle_);
  masterController_ = std::make_shared<ui::NavigationController>(master_);
  masterController_->setNavigationBarHidden(true);
  detailController_ = std::make_shared<ui::NavigationController>(detail_);
  detailController_->setNavigationBarHidden(true);
  for (auto& nav : {detailController_, masterController_}) {
    addChildViewController(nav);
    nav->view()->setAutoresizingMask(ui::FlexibleRightMargin | ui::FlexibleBottomMargin);
    nav->didMoveToParentViewController(this);
  }
  auto weak = ui::weakAs<CatalogViewController>(this);
  observations_.push_back(
      center().addObserver(CatalogNotifications::AppearOrHiddenMasterView, [weak](const NoPayload&) {
        if (auto self = weak.lock()) self->ControlMasterClicked();
      }));
  observations_.push_back(
      center().addObserver(CatalogNotifications::detailOnClickTagListener, [weak](const std::string& tag) {
        if (auto self = weak.lock()) self->detailOnClickTagListener(tag);
      }));
  observations_.push_back(center().addObserver(CatalogNotifications::btnBackClick, [weak](const NoPayload&) {
    if (auto self = weak.lock()) self->backButtonClicked();
  }));
  observations_.push_back(
      center().addObserver(CatalogNotifications::setCatalogLayOut, [weak](const ProductListChoice& choice) {
        if (auto self = weak.lock()) self->setCatalogLayOut(choice);
      }));
}

// The panels are taken out of the screen while another tab shows, so they
// are told of the tab's appearance here rather than through their views.
template <typename Forward>
void CatalogViewController::forEachPanel(Forward forward) {
  for (auto& nav : {masterController_, detailController_}) {
    if (nav) forward(*nav);
  }
}

void CatalogViewController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  forEachPanel([animated](ui::ViewController& nav) { nav.beginAppearanceTransition(true, animated); });
}

void CatalogViewController::viewDidAppear(bool animated) {
  BaseViewController::viewDidAppear(animated);
  forEachPanel([](ui::ViewController& nav) { nav.endAppearanceTransition(); });
}

void CatalogViewController::viewWillDisappear(bool animated) {
  BaseViewController::viewWillDisappear(animated);
  forEachPanel([animated](ui::ViewController& nav) { nav.beginAppearanceTransition(false, animated); });
}

void CatalogViewController::viewDidDisappear(bool animated) {
  BaseViewController::viewDidDisappear(animated);
  forEachPanel([](ui::ViewController& nav) { nav.endAppearanceTransition(); });
}

void CatalogViewController::updateLanguage(ui::ViewController&) {
  if (!isViewLoaded()) return;
  orderingController_->updateLanguage();
  searchBar_->setPlaceholder(text("CATALOGSEARCHHOLD"));
  btnBack_->setTitle(text("BACK"));
  compareBtn_->setAccessibilityLabel(text("PRODUCTCOMPARISON"));
  favBtn_->setAccessibilityLabel(text("FAVORITES"));
  btnMenu_->setAccessibilityLabel(text("CATEGORYPANEL"));
}

// ---- the tab bar ----------------------------------------------------------------------

void CatalogViewController::addCatologView() {
  auto* tabs = tabBarController();
  if (!tabs || tabs->selectedIndex() != kCatalogTab || !masterController_) return;
  removeCalogView();
  masterController_->view()->setTag(kMasterViewTag);
  detailController_->view()->setTag(kDetailViewTag);
  adjustMasterAndDetailPostion();
  // The panel lies above the grid.
  view()->addSubview(detailController_->view());
  view()->addSubview(masterController_->view());
}

void CatalogViewController::removeCalogView() {
  for (long tag : {kMasterViewTag, kDetailViewTag}) {
    for (const auto& child : std::vector<std::shared_ptr<ui::View>>(view()->subviews())) {
      if (child->tag() == tag) child->removeFromSuperview();
    }
  }
}

// ---- layout -------------------------------------------------------------------------------

bool CatalogViewController::gridIsRoot() const {
  if (!detailController_) return false;
  const auto stack = detailController_->viewControllers();
  return !stack.empty() && stack.front() == detail_;
}

CatalogLayout::State CatalogViewController::currentLayoutState() const {
  if (detailController_ && detailController_->viewControllers().size() >= 2) return CatalogLayout::State::ProductOpen;
  return isMasterViewHiddened_ ? CatalogLayout::State::PanelHidden : CatalogLayout::State::PanelShown;
}

void CatalogViewController::applyBar(const CatalogLayout::Frames& f) {
  catalogNavBgImageView_->setFrame(f.barBackground);
  lblTitle_->setFrame(f.title);
  btnMenu_->setHidden(!f.menu);
  if (f.menu) {
    btnMenu_->setFrame(*f.menu);
    btnMenu_->setBackgroundImage(SkinManager::skinFromImageName(f.menuImage));
  }
  searchBar_->setHidden(!f.search);
  if (f.search) searchBar_->setFrame(*f.search);
  auto& sort = *orderingController_->orderingButton();
  sort.setHidden(!f.sort);
  if (f.sort) sort.setFrame(*f.sort);
  compareBtn_->setFrame(f.compare);
  favBtn_->setFrame(f.favorites);
  btnBack_->setHidden(!f.back);
  if (f.back) btnBack_->setFrame(*f.back);
}

void CatalogViewController::applyPanelState(CatalogLayout::State state) {
  const auto f = CatalogLayout::framesFor(state, DetailViewController::isNormalPanel(*services_),
                                          FitCGRect::sharedInstance().navBarHeight());
  if (masterController_) {
    masterController_->view()->setFrame(
        {f.panelX, 0, CatalogLayout::kPanelWidth, CatalogLayout::kPanelHeight});
  }
  applyBar(f);
  if (detailController_) detailController_->view()->setFrame(CatalogLayout::kDetailFrame);
  if (f.grid && detail_ && detail_->isViewLoaded() &&
      (state != CatalogLayout::State::PanelShown || gridIsRoot())) {
    detail_->productShowView().setLeftContentInset(f.gridCardsLeft);
    detail_->productShowView().setFrame(*f.grid);
    detail_->productShowView().setNeedsLayout();
  }
}

void CatalogViewController::adjustMasterAndDetailPostion() { applyPanelState(currentLayoutState()); }

void CatalogViewController::showMasterViewWithDetailViewChanging() {
  applyPanelState(CatalogLayout::State::PanelShown);
}

void CatalogViewController::hiddenMasterViewWithDetailViewChanging() {
  applyPanelState(CatalogLayout::State::PanelHidden);
}

// ---- moving the panel -----------------------------------------------------------------------

void CatalogViewController::setMasterViewHidded(bool hidden, base::Point beginPoint) {
  if (hidden == isMasterViewHiddened_ || !gridIsRoot() || !detail_->isViewLoaded()) return;
  const bool showing = !hidden;
  GridView& grid = detail_->productShowView();
  const auto index = static_cast<long>(std::min<std::size_t>(grid.indexForItemAtPoint(beginPoint), LONG_MAX));
  const double offset = grid.contentOffset().y;
  const double maxWidth = showing ? 460 : 220;
  const double width =
      std::min(maxWidth, gfx::TextMeasurer::current().widthOf(lblTitle_->text(), lblTitle_->font()));
  ui::Rect title = lblTitle_->frame();
  title.origin.x = CatalogLayout::titleX(width, showing);
  title.size.width = width;
  lblTitle_->setFrame(title);
  lblTitle_->setTextAlignment(gfx::TextAlignment::Left);

  const auto target = hidden ? CatalogLayout::State::PanelHidden : CatalogLayout::State::PanelShown;
  auto weak = ui::weakAs<CatalogViewController>(this);
  ui::View::animate(
      kPanelDuration, 0, 0,
      [&] {
        // Only the title's x moves; it takes its new state's frame at the end.
        ui::Rect moving = lblTitle_->frame();
        applyPanelState(target);
        moving.origin.x = CatalogLayout::titleX(showing ? 220 : 460, !showing);
        lblTitle_->setFrame(moving);
      },
      [weak, showing, index, offset, beginPoint](bool) {
        auto self = weak.lock();
        if (!self) return;
        const auto& fit = FitCGRect::sharedInstance();
        self->lblTitle_->setFrame(showing ? fit.fitCGRectBy(527, 27, 220, 30) : fit.fitCGRectBy(282, 27, 460, 30));
        self->lblTitle_->setTextAlignment(gfx::TextAlignment::Center);
        if (beginPoint.x == 0 && beginPoint.y == 0) return;
        GridView& grid = self->detail_->productShowView();
        const auto kept = CatalogLayout::keptRowOffset(index, showing, offset, grid.contentSize().height,
                                                       grid.bounds().height());
        if (kept) grid.setContentOffset(base::Point{grid.contentOffset().x, *kept}, false);
      });
  center().post(CatalogNotifications::switchProductStyle);
  isMasterViewHiddened_ = hidden;
}

void CatalogViewController::ControlMasterClicked() { setMasterViewHidded(!isMasterViewHiddened_, {0, 0}); }

void CatalogViewController::productCellClicked() {
  if (!isMasterViewHiddened_) {
    ui::View::animate(kPanelDuration, 0, ui::AnimationOptionCurveEaseOut,
                      [this] { hiddenMasterViewWithDetailViewChanging(); });
  }
  applyBar(CatalogLayout::framesFor(CatalogLayout::State::ProductOpen, DetailViewController::isNormalPanel(*services_),
                                    FitCGRect::sharedInstance().navBarHeight()));
}

void CatalogViewController::setCatalogLayOut(const ProductListChoice& choice) {
  if (choice.index < 0 || static_cast<std::size_t>(choice.index) >= choice.products.size() || !detailController_) {
    return;
  }
  productCellClicked();
  const auto& product = choice.products[static_cast<std::size_t>(choice.index)];
  if (!isMasterViewHiddened_) center().post(CatalogNotifications::switchProductStyle);
  searchBar_->setHidden(true);
  lblTitle_->setText(product.product_name);
  auto screen = std::make_shared<ProductDetailController>(*services_);
  screen->setProductEntity(product);
  screen->setProductList(choice.products, choice.index);
  screen->setLblTitle(lblTitle_);
  detailController_->pushViewController(screen, true);
}

// ---- back to the grid ---------------------------------------------------------------------------

void CatalogViewController::returnToGrid(const std::optional<std::string>& tagName) {
  btnBack_->setHidden(true);
  btnMenu_->setHidden(false);
  searchBar_->setHidden(false);
  auto sort = orderingController_->orderingButton();
  sort->setHidden(false);
  sort->setAlpha(0);
  ui::View::animate(kPanelDuration, [sort] { sort->setAlpha(1); });
  if (detailController_) detailController_->popToRootViewControllerAnimated(true);
  if (tagName) lblTitle_->setText(*tagName);
  ui::View::animate(kPanelDuration, 0, ui::AnimationOptionCurveEaseOut, [this] {
    if (isMasterViewHiddened_) {
      hiddenMasterViewWithDetailViewChanging();
    } else {
      showMasterViewWithDetailViewChanging();
    }
  });
  if (tagName) {
    center().post(CatalogNotifications::didSelectToFromNotification, *tagName);
  } else {
    center().post(CatalogNotifications::switchProductStyle);
  }
}

void CatalogViewController::backButtonClicked() { returnToGrid(std::nullopt); }

void CatalogViewController::detailOnClickTagListener(const std::string& tagName) { returnToGrid(tagName); }

// ---- compare, favourites, sort ------------------------------------------------------------------

void CatalogViewController::btnCompareClicked() {
  auto screen = std::make_shared<ProductCompareController>(*services_);
  screen->setCompareProductsArray(services_->database().getCompares());
  if (screen->compareProductsArray().empty()) {
    showToast(text("HAVENOTCREATECOMPARISONS"));
    return;
  }
  screen->setDelegate(ui::weakAs<PopControllerDelegate>(this));
  screen->setCompareDelegate(ui::weakAs<ProductCompareDelegate>(this));
  presentViewController(screen, true);
}

void CatalogViewController::btnFavoritesClicked() {
  auto screen = std::make_shared<ProductFavoriteController>(*services_);
  screen->setFavArray(services_->database().getFavorites());
  if (screen->favArray().empty()) {
    showToast(text("HAVENOTCREATEFAVORITES"));
    return;
  }
  screen->setDelegate(ui::weakAs<PopControllerDelegate>(this));
  screen->setFavDelegate(ui::weakAs<ProductFavoriteDelegate>(this));
  presentViewController(screen, true);
}

// The product screens on the detail stack show their toggles as the lists
// hold their products now.
void CatalogViewController::changeAddCompareButtonState() {
  if (!detailController_) return;
  for (const auto& screen : detailController_->viewControllers()) {
    if (auto* product = dynamic_cast<ProductDetailController*>(screen.get()); product && product->isViewLoaded()) {
      product->refreshToggles();
    }
  }
}

void CatalogViewController::changeAddFavoriteButtonState() { changeAddCompareButtonState(); }

// ---- search ----------------------------------------------------------------------------------

void CatalogViewController::searchBarTextDidChange(ui::SearchBar&, const std::string& searchText) {
  if (serchController_) serchController_->dismissPopoverAnimated(false);
  const auto& fit = FitCGRect::sharedInstance();
  const ui::Rect anchor = isMasterViewHiddened_ ? fit.fitCGRectBy(185, 45, 10, 10) : fit.fitCGRectBy(420, 45, 10, 10);
  auto results = std::make_shared<ProductSearchResults>(*services_);
  results->setDelegate(ui::weakAs<ProductSearchResultsDelegate>(this));
  serchController_ = std::make_shared<ui::PopoverController>(results);
  serchController_->setPopoverContentSize({320, 480});
  serchController_->setDelegate(ui::weakAs<ui::PopoverControllerDelegate>(this));
  searchProductArray_ = services_->database().getProductsBySearchString(trimWhitespaceAndNewlines(searchText));
  results->setSearchProductArray(searchProductArray_);
  if (searchProductArray_.empty()) return;
  serchController_->presentPopoverFromRect(anchor, view().get(), ui::PopoverArrowDirectionAny, true);
}

void CatalogViewController::searchBarSearchButtonClicked(ui::SearchBar& bar) { searchBarTextDidChange(bar, bar.text()); }

void CatalogViewController::popoverControllerDidDismissPopover(ui::PopoverController& popover) {
  if (&popover != serchController_.get()) return;
  searchBar_->setText("");
  searchBar_->resignFirstResponder();
}

void CatalogViewController::didselectSearchResult(const marvisto_product_Entity& product, long index) {
  if (index < 0 || static_cast<std::size_t>(index) >= searchProductArray_.size() || !detailController_) return;
  searchBar_->setText("");
  searchBar_->resignFirstResponder();
  if (serchController_ && serchController_->isPopoverVisible()) serchController_->dismissPopoverAnimated(true);
  hiddenMasterViewWithDetailViewChanging();
  center().post(CatalogNotifications::switchProductStyle);
  applyBar(CatalogLayout::framesFor(CatalogLayout::State::ProductOpen, DetailViewController::isNormalPanel(*services_),
                                    FitCGRect::sharedInstance().navBarHeight()));
  lblTitle_->setText(product.product_name);
  auto screen = std::make_shared<ProductDetailController>(*services_);
  screen->setProductEntity(product);
  screen->setProductList(searchProductArray_, index);
  screen->setLblTitle(lblTitle_);
  detailController_->pushViewController(screen, true);
}

void CatalogViewController::orderingDidSelected(OrderingController&, std::size_t selectedIndex) {
  center().post(CatalogNotifications::SORT_PRODUCT, static_cast<long>(selectedIndex));
}

void CatalogViewController::dismissPopController(bool animated) { dismissViewControllerAnimated(animated); }

}  // namespace mv
