#include "catalog/RelatedProductViewcontroller.hpp"

#include "catalog/CatalogFeedback.hpp"
#include "catalog/CatalogNotifications.hpp"
#include "platform/ui/WeakAs.hpp"
#include "store/DataAccessManager.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

constexpr long kLanguageOverlayTag = 8000;

}  // namespace

void RelatedProductViewcontroller::loadView() {
  setView(std::make_shared<ui::View>(ui::Rect{0, 0, 364, kCellHeight}));
}

void RelatedProductViewcontroller::viewDidLoad() {
  PopBaseController::viewDidLoad();
  view()->setBackgroundColor(gfx::Color::white());
  if (lblTittle()) lblTittle()->setText(CatalogFeedback::text("RELATEDPRODUCTS"));
  titlebar()->setHidden(!fullScreen_);
  ui::Rect strip = view()->bounds();
  if (fullScreen_) {
    // Under the title bar, one tile high.
    strip = {20, titlebar()->frame().maxY() + 20, strip.width() - 40, kCellHeight};
  }
  relatedScrollView_ = std::make_shared<ui::ScrollView>(strip);
  relatedScrollView_->setAutoresizingMask(fullScreen_ ? ui::FlexibleWidth : ui::FlexibleWidth | ui::FlexibleHeight);
  relatedScrollView_->setShowsVerticalScrollIndicator(false);
  view()->addSubview(relatedScrollView_);
  buildTiles();
}

void RelatedProductViewcontroller::reloadRelatedProduct(std::vector<marvisto_product_Entity> products) {
  relatedArray_ = std::move(products);
  if (isViewLoaded()) buildTiles();
}

void RelatedProductViewcontroller::buildTiles() {
  for (const auto& old : std::vector<std::shared_ptr<ui::View>>(relatedScrollView_->subviews())) {
    if (dynamic_cast<RelateProcuctsCell*>(old.get())) old->removeFromSuperview();
  }
  if (relatedArray_.empty()) return;
  DataAccessManager& store = services_->database();
  for (std::size_t i = 0; i < relatedArray_.size(); ++i) {
    const auto& product = relatedArray_[i];
    auto tile = std::make_shared<RelateProcuctsCell>(tileFrame(i));
    tile->setDetailDelegate(ui::weakAs<RelateProcuctsCellDelegate>(this));
    tile->setTag(RelateProcuctsCell::kFirstTag + static_cast<long>(i));
    std::string thumb;
    if (auto image = store.getImageByKeyId(product.product_id)) thumb = image->image_thumb_address;
    tile->loadPicture(thumb);
    tile->catalogNameLabel().setText(product.product_name);
    tile->setProductId(product.product_id);
    tile->setPriceEntity(store.getPriceEntityByProductId(product.product_id));
    tile->skuContentLabel().setText(product.product_sku);
    relatedScrollView_->addSubview(tile);
  }
  relatedScrollView_->setContentSize({kPitch * static_cast<double>(relatedArray_.size()), kCellHeight});
}

void RelatedProductViewcontroller::updateLanguage(ui::ViewController&) {
  PopBaseController::updateLanguage();
  if (!isViewLoaded()) return;
  if (lblTittle()) lblTittle()->setText(CatalogFeedback::text("RELATEDPRODUCTS"));
  for (const auto& sub : std::vector<std::shared_ptr<ui::View>>(view()->subviews())) {
    if (sub->tag() == kLanguageOverlayTag) sub->removeFromSuperview();
  }
}

void RelatedProductViewcontroller::relateProcuctsCellDidSelectedImage(RelateProcuctsCell& cell) {
  const long index = cell.tag() - RelateProcuctsCell::kFirstTag;
  if (index < 0 || static_cast<std::size_t>(index) >= relatedArray_.size()) return;
  cell.productImageView().setBackgroundColor(ViewStyle::colorOfMainTheme());
  auto keep = shared_from_this();
  const ProductListChoice choice{index, relatedArray_};
  // Full screen, the strip makes way for the catalogue first.
  if (fullScreen_) close();
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::setCatalogLayOut, choice);
}

}  // namespace mv
