#include "catalog/DetailViewController.hpp"

#include <utility>

#include "catalog/BackgroundRead.hpp"
#include "catalog/CatalogFeedback.hpp"
#include "catalog/CatalogLayout.hpp"
#include "catalog/CatalogMode.hpp"
#include "catalog/CategorySelection.hpp"
#include "catalog/OrderBasket.hpp"
#include "catalog/ProductDetailController.hpp"
#include "catalog/ProductSort.hpp"
#include "catalog/TagList.hpp"
#include "platform/base/Date.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/ConfigManager.hpp"
#include "store/DataAccessManager.hpp"
#include "store/ProductListReader.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

CatalogNotificationCenter& center() { return CatalogNotificationCenter::defaultCenter(); }

bool inTagMode() { return CatalogMode::getCurrentState() == CatalogMode::kTag; }

std::optional<std::string> badgeText(std::uint64_t count) {
  return count == 0 ? std::nullopt : std::optional<std::string>(std::to_string(count));
}

}  // namespace

bool DetailViewController::isNormalPanel(SessionServices& services) {
  auto config = services.get<ConfigManager>();
  return config && config->leftPanelType() == std::optional<std::string>("normal");
}

DetailViewController::~DetailViewController() {
  observations_.clear();
  if (loading_) loading_->cancel();
  disposeLists();
  if (productShowView_) {
    productShowView_->setDataSource({});
    productShowView_->setDelegate({});
  }
}

void DetailViewController::loadView() { setView(std::make_shared<ui::View>(ui::Rect{0, 0, 1024, 648})); }

void DetailViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  view()->setBackgroundColor(gfx::Color::white(0.96));
  productShowView_ = std::make_shared<GridView>(gridFrame(isNormalPanel(*services_)));
  // The screen opens with the panel shown.
  productShowView_->setLeftContentInset(CatalogLayout::shownGridCardsLeft(isNormalPanel(*services_)));
  productShowView_->setAlwaysBounceVertical(true);
  productShowView_->setDataSource(ui::weakAs<GridViewDataSource>(this));
  productShowView_->setDelegate(ui::weakAs<GridViewDelegate>(this));
  view()->addSubview(productShowView_);
  spinner_ = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
  spinner_->setFrame({0, 0, 20, 20});
  spinner_->setCenter({productShowView_->frame().midX(), productShowView_->frame().midY()});
  spinner_->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin |
                                ui::FlexibleBottomMargin);
  view()->addSubview(spinner_);
  finishViewDidLoad();
}

void DetailViewController::viewAfterFirstDidLoad() {
  BaseViewController::viewAfterFirstDidLoad();
  addFlow_ = AddToOrderFlow::create(*services_, ui::weakAs<AddToOrderFlowDelegate>(this));
  auto weak = ui::weakAs<DetailViewController>(this);
  observations_.push_back(center().addObserver(CatalogNotifications::displayFourColumn, [weak](const int& id) {
    if (auto self = weak.lock()) self->getImgShowData(id);
  }));
  observations_.push_back(
      center().addObserver(CatalogNotifications::refushRightData, [weak](const std::optional<TagProducts>& tag) {
        if (auto self = weak.lock()) self->refushRightData(tag);
      }));
  observations_.push_back(center().addObserver(CatalogNotifications::SORT_PRODUCT, [weak](const long& type) {
    if (auto self = weak.lock()) self->sortproduct(type);
  }));
  observations_.push_back(center().addObserver(CatalogNotifications::switchProductStyle, [weak](const NoPayload&) {
    if (auto self = weak.lock()) self->switchProductStyle();
  }));
  auto pan = std::make_shared<ui::PanGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    if (auto self = weak.lock()) self->panMove(static_cast<ui::PanGestureRecognizer&>(g));
  });
  pan->maximumNumberOfTouches = 1;
  // The grid keeps scrolling while the swipe is measured.
  pan->shouldRecognizeSimultaneously = [](ui::GestureRecognizer&, ui::GestureRecognizer&) { return true; };
  view()->addGestureRecognizer(pan);
  panDistance_ = 0;
  center().post(CatalogNotifications::displayFourColumn, 0);
}

void DetailViewController::setTitle(const std::string& text) {
  if (lblTitle_) lblTitle_->setText(text);
}

// ---- what the grid shows --------------------------------------------------------------------

void DetailViewController::getImgShowData(int categoryId) {
  if (auto* nav = navigationController()) nav->popToRootViewControllerAnimated(true);
  // In tag mode a category only sorts the tag's products again.
  if (!inTagMode()) {
    const std::optional<std::string> name = store().getCategoryWithCategoryid(categoryId).category_name;
    isAll_ = (!name || name->empty()) && categoryId == CategorySelection::kAllProducts;
    isUncategorized_ = categoryId == CategorySelection::kUncategorized;
    tagTitle_ = name.value_or("");
    setTitle(gridTitle());
    load(Source{categoryId, std::nullopt, {}});
    return;
  }
  setTitle(gridTitle());
  // A list under way is sorted as it comes.
  if (!loading_) load(Source{std::nullopt, std::nullopt, std::exchange(productArray_, noProducts())});
}

namespace {

// The worker's part of a load: nothing here touches the main thread's
// objects. Nothing when the store refused the list's read.
std::optional<DetailViewController::Loaded> readList(const std::filesystem::path& path,
                                                     DetailViewController::Source& source, long sortType, double now,
                                                     const base::CancelFlag& flag) {
  DetailViewController::Loaded out;
  out.sortType = sortType;
  ProductListReader reader(path);
  if (source.categoryId) {
    out.products = CategorySelection::getAllproductsEntity(reader, *source.categoryId);
    if (reader.failed()) return std::nullopt;
  } else if (source.tagProducts) {
    out.products = TagList::productsOfTag(reader.getAllProducts(), *source.tagProducts);
    if (reader.failed()) return std::nullopt;
  } else if (source.shown) {
    // The list shown is the screen's: it is copied here, not there. Its
    // prices and pictures, if they cannot be read, are read card by card.
    out.products = *source.shown;
  }
  if (flag.isCancelled()) return out;
  auto prices = reader.getPriceOfEveryProduct();
  auto images = reader.getImageOfEveryProduct();
  // A failed read leaves each card to read its own price and picture.
  if (!reader.failed()) {
    out.prices = std::move(prices);
    out.images = std::move(images);
  }
  if (flag.isCancelled()) return out;
  ProductSort::sort(out.products, sortType, [&](const marvisto_product_Entity& p) {
    marvisto_product_price_Entity price;
    if (out.prices) {
      if (auto at = out.prices->find(p.product_id); at != out.prices->end()) price = at->second;
    }
    price.discount_flag = price.discountActiveAt(now);
    return ProductSort::effectivePrice(price);
  });
  return out;
}

}  // namespace

// A list of a large company takes its owner tens of milliseconds to free:
// the old lists go to a worker to end there.
void DetailViewController::disposeLists() {
  auto& workers = base::WorkQueue::global();
  if (!productArray_->empty()) workers.dispose(std::exchange(productArray_, noProducts()));
  if (priceDic_) workers.dispose(std::exchange(priceDic_, std::nullopt));
  if (imageDic_) workers.dispose(std::exchange(imageDic_, std::nullopt));
}

void DetailViewController::load(Source source) {
  if (loading_) loading_->cancel();
  retries_.cancelAll();
  disposeLists();
  if (productShowView_) productShowView_->reloadData();
  if (spinner_) spinner_->startAnimating();
  auto weak = ui::weakAs<DetailViewController>(this);
  // A list the store refused is asked for again; only a category's or a
  // tag's read can be refused.
  Source again{source.categoryId, source.tagProducts, {}};
  std::function<std::optional<Loaded>(const base::CancelFlag&)> work =
      [path = store().databasePath(), source = std::move(source), type = sortType_,
       now = base::Date::now()](const base::CancelFlag& flag) mutable {
        return readList(path, source, type, now, flag);
      };
  std::function<void(std::optional<Loaded>)> done = [weak, again = std::move(again)](std::optional<Loaded> loaded) {
    auto self = weak.lock();
    if (!self) return;
    if (loaded) {
      self->refused_.answered();
      self->showLoaded(std::move(*loaded));
      return;
    }
    if (!self->refused_.askAgain()) {
      self->loading_.reset();
      if (self->spinner_) self->spinner_->stopAnimating();
      CatalogFeedback::tellReadRefused();
      return;
    }
    self->retries_.after(kReadAgainSeconds, [weak, again] {
      if (auto self = weak.lock()) self->load(again);
    });
  };
  loading_ = readInBackground(std::move(work), std::move(done));
}

void DetailViewController::showLoaded(Loaded loaded) {
  loading_.reset();
  // The order was changed while the list was being read: sorted again
  // where it was read.
  if (loaded.sortType != sortType_) {
    base::WorkQueue::global().dispose(std::move(loaded.prices));
    base::WorkQueue::global().dispose(std::move(loaded.images));
    load(Source{std::nullopt, std::nullopt,
                std::make_shared<const std::vector<marvisto_product_Entity>>(std::move(loaded.products))});
    return;
  }
  if (spinner_) spinner_->stopAnimating();
  disposeLists();
  productArray_ = std::make_shared<const std::vector<marvisto_product_Entity>>(std::move(loaded.products));
  priceDic_ = std::move(loaded.prices);
  imageDic_ = std::move(loaded.images);
  showAllImageCell();
}

// "All" and "Uncategorized" are looked up each time they are shown: a text
// kept from an earlier language would come back when the panel moves or a
// product screen closes.
std::string DetailViewController::gridTitle() const {
  if (isAll_) return CatalogFeedback::text("ALL");
  if (isUncategorized_) return CatalogFeedback::text("UNCATEGORIZED");
  return tagTitle_;
}

void DetailViewController::refushRightData(const std::optional<TagProducts>& tag) {
  if (auto* nav = navigationController()) nav->popToRootViewControllerAnimated(true);
  disposeLists();
  if (tag) {
    tagTitle_ = tag->tagName;
    isAll_ = isUncategorized_ = false;
    setTitle(gridTitle());
    load(Source{std::nullopt, tag->productIds, {}});
    return;
  }
  if (loading_) loading_->cancel();
  loading_.reset();
  retries_.cancelAll();
  if (spinner_) spinner_->stopAnimating();
  setTitle(gridTitle());
  showAllImageCell();
}

// Sorted again on the worker, with the prices and pictures read afresh.
void DetailViewController::sortproduct(long type) {
  sortType_ = type;
  // A list under way is sorted when it comes.
  if (loading_) return;
  load(Source{std::nullopt, std::nullopt, std::exchange(productArray_, noProducts())});
}

void DetailViewController::switchProductStyle() {
  setTitle(gridTitle());
  if (!isNormalPanel(*services_)) showAllImageCell();
}

marvisto_product_price_Entity DetailViewController::priceOf(int productId) {
  if (!priceDic_) return store().getPriceEntityByProductId(productId);
  auto at = priceDic_->find(productId);
  marvisto_product_price_Entity out = at == priceDic_->end() ? marvisto_product_price_Entity{} : at->second;
  out.discount_flag = out.discountActiveAt(base::Date::now());
  return out;
}

std::optional<std::string> DetailViewController::thumbOf(int productId) {
  if (!imageDic_) {
    if (auto image = store().getImageByKeyId(productId)) return image->image_thumb_address;
    return std::nullopt;
  }
  auto at = imageDic_->find(productId);
  if (at == imageDic_->end()) return std::nullopt;
  return at->second.image_thumb_address;
}

void DetailViewController::showAllImageCell() {
  if (auto* nav = navigationController()) nav->popToRootViewControllerAnimated(true);
  if (!productShowView_) return;
  productShowView_->reloadData();
  if (!productArray_->empty()) productShowView_->scrollToItemAtIndex(0, GridViewScrollPositionTop, false);
}

void DetailViewController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  for (const auto& cell : productShowView_->visibleCells()) {
    if (auto* card = dynamic_cast<DetailCell*>(cell.get())) {
      card->setPriceEntity(store().getPriceEntityByProductId(card->productId()));
    }
  }
  // The cards ask the order for their counts again.
  productShowView_->reloadData();
}

void DetailViewController::updateLanguage(ui::ViewController&) {
  // A product screen above the grid shows its own title.
  if (auto* nav = navigationController(); nav && nav->topViewController() != this) return;
  setTitle(gridTitle());
}

// ---- the grid -------------------------------------------------------------------------------

std::size_t DetailViewController::numberOfItemsInGridView(GridView&) { return productArray_->size(); }

std::optional<base::Size> DetailViewController::portraitGridCellSizeForGridView(GridView&) { return kCellSize; }

std::shared_ptr<GridViewCell> DetailViewController::gridViewCellForItemAtIndex(GridView& gridView, std::size_t index) {
  auto card = std::dynamic_pointer_cast<DetailCell>(gridView.dequeueReusableCellWithIdentifier(DetailCell::kReuseIdentifier));
  if (!card) {
    card = std::make_shared<DetailCell>(DetailCell::kFrame, DetailCell::kReuseIdentifier);
    card->init();
    card->setSelectionStyle(GridViewCellSelectionStyleNone);
  }
  if (index >= productArray_->size()) return card;
  // A card's count is read as it scrolls in: the order's lines are few, the
  // list may be a whole company's.
  const auto& product = (*productArray_)[index];
  auto basket = services_->get<OrderBasket>();
  card->setTag(DetailCell::kFirstTag + static_cast<long>(index));
  card->setImagename(thumbOf(product.product_id));
  // Undoes the pressed look of a card opened before.
  card->productImageView().setAlpha(1.0);
  card->productImageView().setBackgroundColor(gfx::Color::clear());
  card->loadImageAsyncWihtAnimation(true);
  card->catalogNameLabel().setText(product.product_name);
  card->setProductId(product.product_id);
  card->setPriceEntity(priceOf(product.product_id));
  card->skuContentLabel().setText(product.product_sku);
  card->setBadgeValue(badgeText(itemNumberInOrder(product.product_id)), false);
  card->addOrderBtn().setHidden(!basket || !basket->isOrderOnShow());
  card->setDetailDelegate(ui::weakAs<DetailCellDelegate>(this));
  return card;
}

std::uint64_t DetailViewController::itemNumberInOrder(int productId) const {
  auto basket = services_->get<OrderBasket>();
  if (!basket) return 0;
  marvisto_product_Entity counted;
  counted.product_id = productId;
  basket->getItemNumberInOrder(counted);
  return counted.itemNumberInOrder;
}

std::shared_ptr<DetailCell> DetailViewController::cardAt(std::size_t index) const {
  return productShowView_ ? std::dynamic_pointer_cast<DetailCell>(productShowView_->cellForItemAtIndex(index))
                          : nullptr;
}

// ---- cards ------------------------------------------------------------------------------------

void DetailViewController::didSelectedImage(DetailCell& cell) {
  const long index = cell.tag() - DetailCell::kFirstTag;
  if (index < 0 || static_cast<std::size_t>(index) >= productArray_->size()) return;
  cell.productImageView().setAlpha(0.4);
  cell.productImageView().setBackgroundColor(ViewStyle::colorOfMainTheme());
  auto keep = shared_from_this();
  if (auto d = detailViewDelegate()) d->productCellClicked();
  const auto& product = (*productArray_)[static_cast<std::size_t>(index)];
  if (lblTitle_) setTitle(ProductDetailController::titleFor(product.product_name, index, productArray_->size(), *lblTitle_));
  auto screen = std::make_shared<ProductDetailController>(*services_);
  screen->setProductEntity(product);
  screen->setProductList(productArray_, index);
  screen->setLblTitle(lblTitle_);
  if (inTagMode()) screen->setCurrentTag(tagTitle_);
  if (auto* nav = navigationController()) nav->pushViewController(screen, true);
}

void DetailViewController::addToOrder(DetailCell& cell) {
  const long index = cell.tag() - DetailCell::kFirstTag;
  if (index < 0 || static_cast<std::size_t>(index) >= productArray_->size()) return;
  addFlow_->addFromCard((*productArray_)[static_cast<std::size_t>(index)].product_id, static_cast<std::size_t>(index));
}

void DetailViewController::addToOrderFlowDidAdd(const marvisto_product_Entity& product, std::size_t) {
  if (addToOrderPopController_) addToOrderPopController_->dismissPopoverAnimated(true);
  // The list may have changed while the product was being added: its cards
  // are found by product, not by the place it had; the others read their
  // counts as they scroll in.
  if (!productShowView_) return;
  for (const auto& cell : productShowView_->visibleCells()) {
    auto* card = dynamic_cast<DetailCell*>(cell.get());
    if (!card || card->productId() != product.product_id) continue;
    card->setBadgeValue(badgeText(product.itemNumberInOrder), true);
  }
}

void DetailViewController::addToOrderFlowOrderReplaced() {
  if (productShowView_) productShowView_->reloadData();
}

void DetailViewController::addToOrderFlowPresentChooser(const std::shared_ptr<ui::ViewController>& chooser,
                                                        std::size_t cellIndex) {
  if (addToOrderPopController_) addToOrderPopController_->dismissPopoverAnimated(false);
  addToOrderPopController_ = std::make_shared<ui::PopoverController>(chooser);
  addToOrderPopController_->setPopoverContentSize(kAddToOrderPopoverSize);
  // The grid has no cards between a reload (after the currency question)
  // and its next layout: it lays them out now, so the card is found.
  productShowView_->layoutIfNeeded();
  const ui::Rect grid = productShowView_->frame();
  ui::Rect anchor{grid.x() + grid.width() / 2, grid.y() + grid.height() / 2, 1, 1};
  // The popover points at the cart button tapped, in whichever column its
  // card stands: a card's frame would take the arrow to the card's far edge
  // when the popover must open beside it.
  if (auto card = cardAt(cellIndex)) anchor = card->addOrderBtn().convertRectToView(card->addOrderBtn().bounds(), view().get());
  addToOrderPopController_->presentPopoverFromRect(
      anchor, view().get(),
      ui::PopoverArrowDirectionDown | ui::PopoverArrowDirectionLeft | ui::PopoverArrowDirectionRight, true);
}

void DetailViewController::panMove(ui::PanGestureRecognizer& pan) {
  const auto state = pan.state();
  if (state == ui::GestureState::Began) panBegin_ = pan.locationInView(productShowView_.get());
  const bool moving = state == ui::GestureState::Began || state == ui::GestureState::Changed;
  if (moving && panDistance_ > -kPanThreshold && panDistance_ < kPanThreshold) {
    // The translation is counted from where the swipe began, so each event
    // adds the whole way so far: long swipes pass the threshold soon.
    panDistance_ += pan.translationInView(view().get()).x;
    return;
  }
  auto keep = shared_from_this();
  if (auto d = detailViewDelegate()) {
    if (panDistance_ > kPanThreshold) d->setMasterViewHidded(false, panBegin_);
    if (panDistance_ < -kPanThreshold) d->setMasterViewHidded(true, panBegin_);
  }
  panDistance_ = 0;
}

}  // namespace mv
