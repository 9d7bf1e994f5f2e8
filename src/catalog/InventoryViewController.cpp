#include "catalog/InventoryViewController.hpp"

#include "catalog/CatalogFeedback.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/SkinManager.hpp"
#include "store/DataAccessManager.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/PictureLoader.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

constexpr double kWidths[] = {105, 200, 200, 390, 100};

}  // namespace

InventoryViewController::InventoryViewController(SessionServices& services)
    : services_(services.shared_from_this()), headerInfos_(headerInfos()), regularInfos_(regularInfos()) {}

std::string InventoryViewController::thumbnailOf(int productId) const {
  auto image = services_->database().getImageByKeyId(productId);
  return image ? image->image_thumb_address : std::string();
}

InventoryViewController::~InventoryViewController() { pictures_.cancelAll(); }

const std::vector<std::string>& InventoryViewController::titleKeys() {
  static const std::vector<std::string> keys{"SKU", "IMAGE", "PRODUCTNAME", "DESCRIPTION", "QUANTITY"};
  return keys;
}

std::vector<MultiColumnTableCellInfo> InventoryViewController::headerInfos() {
  const double left[] = {46, 5, 50, 5, 10};
  const gfx::TextAlignment align[] = {gfx::TextAlignment::Left, gfx::TextAlignment::Center, gfx::TextAlignment::Left,
                                      gfx::TextAlignment::Center, gfx::TextAlignment::Center};
  std::vector<MultiColumnTableCellInfo> infos;
  for (std::size_t c = 0; c < kNumberOfColumns; ++c) {
    MultiColumnTableCellInfo info;
    info.cellType = kHeaderCell;
    info.leftMargin = left[c];
    info.topMargin = 5;
    info.cellWidth = kWidths[c];
    info.cellHeight = 40;
    info.alignment = align[c];
    info.textFont = gfx::Font::boldSystemFont(17);
    infos.push_back(info);
  }
  return infos;
}

std::vector<MultiColumnTableCellInfo> InventoryViewController::regularInfos() {
  const int type[] = {kTextButtonCell, kPictureCell, kLabelCell, kLabelCell, kLabelCell};
  const double left[] = {20, 0, 40, 5, 10};
  const double top[] = {5, 0, 5, 5, 5};
  const gfx::TextAlignment align[] = {gfx::TextAlignment::Left, gfx::TextAlignment::Left, gfx::TextAlignment::Left,
                                      gfx::TextAlignment::Left, gfx::TextAlignment::Center};
  std::vector<MultiColumnTableCellInfo> infos;
  for (std::size_t c = 0; c < kNumberOfColumns; ++c) {
    MultiColumnTableCellInfo info;
    info.cellType = type[c];
    info.leftMargin = left[c];
    info.topMargin = top[c];
    info.cellWidth = kWidths[c];
    info.cellHeight = kRowHeight;
    info.alignment = align[c];
    if (type[c] != kPictureCell) info.textFont = gfx::Font::systemFont(14);
    infos.push_back(info);
  }
  return infos;
}

std::string InventoryViewController::cellText(const marvisto_product_Entity& product, long column) {
  switch (column) {
    case 0:
      return product.product_sku;
    case 2:
      return product.product_name;
    case 3:
      return product.product_s_desc;
    case 4:
      return PublicFunction::intFormate(product.product_stock);
    default:
      return {};
  }
}

gfx::Color InventoryViewController::rowColor(long row) {
  return row % 2 == 0 ? gfx::Color::white() : gfx::Color::rgb255(249, 249, 249);
}

// ---- building -------------------------------------------------------------------------------

void InventoryViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::clear());
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
  lastViewVerticalPosition_ = 0;
  multiColumnTableData_ = services_->database().getAllProducts();

  navigationView_ = std::make_shared<ui::ImageView>(ui::Rect{-2, lastViewVerticalPosition_, 1026, 45});
  navigationView_->setImage(SkinManager::skinFromImageName("topbar-bg.png"));
  navigationView_->setUserInteractionEnabled(true);
  title_ = std::make_shared<ui::Label>(ui::Rect{362, 5, 300, 30});
  title_->setBackgroundColor(gfx::Color::clear());
  title_->setTextColor(gfx::Color::white());
  title_->setFont(gfx::Font::named("Helvetica-Bold", 20));
  title_->setTextAlignment(gfx::TextAlignment::Center);
  navigationView_->addSubview(title_);
  root->addSubview(navigationView_);
  lastViewVerticalPosition_ += 45;

  tableHeaderView_ = std::make_shared<ui::View>(ui::Rect{0, lastViewVerticalPosition_, 1026, 40});
  auto barImage = std::make_shared<ui::ImageView>(tableHeaderView_->bounds());
  barImage->setImage(SkinManager::skinFromImageName("quote-topbar.png"));
  tableHeaderView_->addSubview(barImage);
  double x = 0;
  for (const auto& info : headerInfos_) {
    auto label = std::make_shared<ui::Label>(ui::Rect{x + info.leftMargin, info.topMargin,
                                                      info.cellWidth - info.leftMargin - info.rightMargin,
                                                      40 - info.topMargin - info.bottomMargin});
    label->setBackgroundColor(gfx::Color::clear());
    label->setFont(*info.textFont);
    label->setTextAlignment(info.alignment);
    tableHeaderView_->addSubview(label);
    labelArray_.push_back(label);
    x += info.cellWidth;
  }
  root->addSubview(tableHeaderView_);
  lastViewVerticalPosition_ += 40;

  tblView_ = MultiColumnTableView::initWithFrame(
      {0, lastViewVerticalPosition_, 1024, root->bounds().height() - 56 - lastViewVerticalPosition_});
  tblView_->boldSeperatorLineWidth = 0;
  tblView_->boldSeperatorLineColor = gfx::Color::purple();
  tblView_->normalSeperatorLineWidth = 0;
  tblView_->sectionHeaderEnabled = false;
  tblView_->topHeaderBackgroundColor = gfx::Color::rgb(179.0f / 255.0f, 168.0f / 255.0f, 178.0f / 255.0f);
  root->addSubview(tblView_);
  tblView_->setDataSource(ui::weakAs<MultiColumnTableViewDataSource>(this).lock());
  updateLanguage(*this);
  finishViewDidLoad();
}

void InventoryViewController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
  multiColumnTableData_ = services_->database().getAllProducts();
  tblView_->reloadData();
}

void InventoryViewController::updateLanguage(ui::ViewController&) {
  if (!isViewLoaded()) return;
  title_->setText(CatalogFeedback::text("INVENTORY_"));
  for (std::size_t c = 0; c < labelArray_.size(); ++c) labelArray_[c]->setText(CatalogFeedback::text(titleKeys()[c]));
}

// ---- the table's cells -----------------------------------------------------------------------

std::shared_ptr<ui::View> InventoryViewController::multiColumnTableCell(const MultiColumnTableCellInfo& info) {
  auto container = std::make_shared<ui::View>(ui::Rect{0, 0, info.cellWidth, info.cellHeight});
  const ui::Rect inner{info.leftMargin, info.topMargin, info.contentWidth(), info.contentHeight()};
  if (info.cellType == kPictureCell || info.cellType == kTextButtonCell) {
    auto button = std::make_shared<ui::Button>(inner, ui::ButtonType::Custom);
    button->setBackgroundColor(gfx::Color::clear());
    if (info.textFont) button->titleLabel().setFont(*info.textFont);
    button->setTitleColor(gfx::Color::black(), ui::ControlStateNormal);
    button->setContentHorizontalAlignment(ui::ContentHorizontalAlignment::Left);
    if (info.cellType == kPictureCell) {
      auto weak = ui::weakAs<InventoryViewController>(this);
      button->addAction(
          [weak](ui::Control& sender, const ui::Event*) {
            if (auto self = weak.lock()) self->tapImage(sender.tag());
          },
          ui::ControlEventTouchUpInside);
    }
    container->addSubview(button);
    return container;
  }
  auto label = std::make_shared<ui::Label>(inner);
  label->setTextAlignment(info.alignment);
  if (info.textFont) label->setFont(*info.textFont);
  label->setBackgroundColor(gfx::Color::clear());
  if (info.cellType == kLabelCell) {
    // As many lines as the row holds, the last ending in an ellipsis when
    // the text goes on.
    label->setNumberOfLines(0);
    label->setLineBreakMode(gfx::LineBreakMode::TailTruncation);
  }
  container->addSubview(label);
  return container;
}

std::shared_ptr<ui::View> InventoryViewController::tableViewCellForIndexPath(MultiColumnTableView&, const ui::IndexPath&,
                                                                             long column) {
  if (column < 0 || static_cast<std::size_t>(column) >= regularInfos_.size()) {
    MV_LOG("No information found for this cell.");
    return nullptr;
  }
  MultiColumnTableCellInfo info = regularInfos_[static_cast<std::size_t>(column)];
  info.cellWidth = headerInfos_[static_cast<std::size_t>(column)].cellWidth;
  info.cellHeight = kRowHeight;
  return multiColumnTableCell(info);
}

void InventoryViewController::tableViewSetContentForCell(MultiColumnTableView&, ui::View& cell, const ui::IndexPath& path,
                                                         long column) {
  if (column < 0 || static_cast<std::size_t>(column) >= regularInfos_.size() || path.row < 0 ||
      static_cast<std::size_t>(path.row) >= multiColumnTableData_.size() || cell.subviews().empty()) {
    return;
  }
  const auto& product = multiColumnTableData_[static_cast<std::size_t>(path.row)];
  ui::View& content = *cell.subviews().front();
  switch (regularInfos_[static_cast<std::size_t>(column)].cellType) {
    case kLabelCell:
      if (auto* label = dynamic_cast<ui::Label*>(&content)) label->setText(cellText(product, column));
      break;
    case kTextButtonCell:
      if (auto* button = dynamic_cast<ui::Button*>(&content)) {
        button->setTag(path.row);
        button->setTitle(cellText(product, column), ui::ControlStateNormal);
      }
      break;
    case kPictureCell:
      if (auto* button = dynamic_cast<ui::Button*>(&content)) loadPicture(*button, path.row);
      break;
    default:
      break;
  }
}

void InventoryViewController::loadPicture(ui::Button& button, long row) {
  button.setTag(row);
  // The row's previous picture goes at once; the new one comes when read.
  ViewStyle::ImageViewSetImg(button, nullptr);
  const std::string thumb = thumbnailOf(multiColumnTableData_[static_cast<std::size_t>(row)].product_id);
  std::weak_ptr<ui::View> weakButton = button.self();
  // Read at the size the button shows it, through the picture cache.
  const auto [width, height] = PictureLoader::pixelBox(button.bounds().size);
  pictures_.async<gfx::ImagePtr>(
      [thumb, width, height](const base::CancelFlag&) {
        return PublicFunction::getLocalPicture(thumb, kFileTypeProductImage, width, height);
      },
      [weakButton, row](gfx::ImagePtr image) {
        auto target = weakButton.lock();
        // A reused row's button shows another product by now: not this picture.
        if (!target || target->tag() != row) return;
        ViewStyle::ImageViewSetImg(*target, image);
      });
}

std::shared_ptr<ui::View> InventoryViewController::tableViewHeaderCellForColumn(MultiColumnTableView&, long column) {
  if (column < 0 || static_cast<std::size_t>(column) >= headerInfos_.size()) {
    MV_LOG("MultiColumnTable does not have any columns");
    return nullptr;
  }
  auto cell = multiColumnTableCell(headerInfos_[static_cast<std::size_t>(column)]);
  if (auto* label = dynamic_cast<ui::Label*>(cell->subviews().front().get())) {
    label->setText(CatalogFeedback::text(titleKeys()[static_cast<std::size_t>(column)]));
  }
  return cell;
}

bool InventoryViewController::respondsTo(MultiColumnTableOp op) const {
  switch (op) {
    case MultiColumnTableOp::NumberOfSections:
    case MultiColumnTableOp::HeightForCell:
    case MultiColumnTableOp::WidthForColumn:
    case MultiColumnTableOp::HeightForHeaderCellOfTable:
    case MultiColumnTableOp::WidthForHeaderCellOfTable:
    case MultiColumnTableOp::HeaderCellForColumn:
    case MultiColumnTableOp::BackgroundColorAtIndexPath:
      return true;
    default:
      return false;
  }
}

long InventoryViewController::numberOfColumnsInTableView(MultiColumnTableView&) { return kNumberOfColumns; }

long InventoryViewController::numberOfSectionsInTableView(MultiColumnTableView&) { return 1; }

long InventoryViewController::tableViewNumberOfRowsInSection(MultiColumnTableView&, long) {
  return static_cast<long>(multiColumnTableData_.size());
}

double InventoryViewController::tableViewHeightForCellAtIndexPath(MultiColumnTableView&, const ui::IndexPath&, long) {
  return kRowHeight;
}

double InventoryViewController::tableViewWidthForColumn(MultiColumnTableView&, long column) {
  return column >= 0 && static_cast<std::size_t>(column) < headerInfos_.size()
             ? headerInfos_[static_cast<std::size_t>(column)].cellWidth
             : 0;
}

double InventoryViewController::heightForHeaderCellOfTableView(MultiColumnTableView&) { return 0; }

double InventoryViewController::widthForHeaderCellOfTableView(MultiColumnTableView&) { return 0; }

std::optional<gfx::Color> InventoryViewController::backgroundColorAtIndexPath(MultiColumnTableView&,
                                                                              const ui::IndexPath& path) {
  return rowColor(path.row);
}

// ---- opening a product ------------------------------------------------------------------------

void InventoryViewController::tapImage(long row) {
  auto* nav = navigationController();
  if (!nav || row < 0 || static_cast<std::size_t>(row) >= multiColumnTableData_.size()) return;
  auto weak = ui::weakAs<InventoryViewController>(this);
  ProductDetailController::pushAlone(*services_, *nav, multiColumnTableData_[static_cast<std::size_t>(row)],
                                     ui::weakAs<ProductDetailDelegate>(this), [weak] {
                                       auto self = weak.lock();
                                       if (self) self->backClicked();
                                     });
}

void InventoryViewController::backClicked() {
  auto* nav = navigationController();
  if (!nav || nav->viewControllers().size() < 2) return;
  if (dynamic_cast<ProductDetailController*>(nav->topViewController())) nav->popViewControllerAnimated(true);
}

void InventoryViewController::dismissPopController(bool animated) {
  if (presentedViewController()) dismissViewControllerAnimated(animated);
}

}  // namespace mv
