#include "order/OrderPDFCreater.hpp"

#include "order/OrderScreenParts.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "order/PainterViewController.hpp"
#include "order/pdf/MVPDFCreaterImageCell.hpp"
#include "order/pdf/MVPDFCreaterRuleCell.hpp"
#include "order/pdf/MVPDFCreaterStringCell.hpp"
#include "order/pdf/MVPDFView.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {

namespace {

constexpr double kRowMinHeight = 40;
constexpr double kItemMinHeight = 80;
constexpr double kLogoSpacing = 120;
constexpr double kSignatureLineHeight = 80;
constexpr double kLineMinimumFontSize = 7;

std::string labelled(const char* key, const std::string& value) { return labelledText(key, value); }

std::string format(const char* pattern, double value) {
  char buf[400];
  std::snprintf(buf, sizeof buf, pattern, value);
  return buf;
}

// The lines of the whole text wrapped within `width`, as a text cell of that
// width draws them.
gfx::TextLayout wholeText(const std::string& s, const gfx::Font& font, double width) {
  return gfx::TextMeasurer::current().layoutInSize(s, font, base::Size{width, 1e9}, gfx::LineBreakMode::WordWrap);
}

double textHeight(const std::string& s, const gfx::Font& font, double width) {
  if (s.empty()) return 0;
  return wholeText(s, font, width).size.height;
}

// The font a code or a number (a SKU, a quantity, an amount) is drawn in
// within a column `width` wide: the line's own, or smaller down to
// `minimumSize` where a word of it is wider than the column, so that the word
// is not parted over two lines.
gfx::Font columnFont(const std::string& s, const gfx::Font& font, double width, double minimumSize) {
  const auto widest = gfx::widestWord(s, font);
  if (widest.width <= width) return font;
  return font.withSize(gfx::fitFontSize(widest.word, font, minimumSize, width));
}

// How much of the head of `s` fits `maxHeight` when wrapped within `width`:
// all of it when it fits, else the longest head that does (ending after a
// space or line break when there is one in its second half, so a word is not
// parted), and at least one character so every row takes some text; with the
// lines of that head.
struct Head {
  std::size_t end = 0;
  gfx::TextLayout lines;
};
Head fittingHead(const std::string& s, const gfx::Font& font, double width, double maxHeight) {
  if (s.empty()) return {};
  if (gfx::TextLayout whole = wholeText(s, font, width); whole.size.height <= maxHeight) return {s.size(), whole};
  std::vector<std::size_t> ends;  // the character boundaries after the first
  for (std::size_t i = 1; i <= s.size(); ++i) {
    if (i == s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) ends.push_back(i);
  }
  long low = 0, high = static_cast<long>(ends.size()) - 1, best = -1;
  while (low <= high) {
    const long mid = (low + high) / 2;
    if (textHeight(s.substr(0, ends[static_cast<std::size_t>(mid)]), font, width) <= maxHeight) {
      best = mid;
      low = mid + 1;
    } else {
      high = mid - 1;
    }
  }
  std::size_t end = ends[static_cast<std::size_t>(std::max(best, 0L))];
  const std::size_t space = s.find_last_of(" \n", end - 1);
  if (space != std::string::npos && space + 1 < end && space >= end / 2) end = space + 1;
  return {end, wholeText(s.substr(0, end), font, width)};
}

}  // namespace

OrderPDFCreater::OrderPDFCreater(std::shared_ptr<QuoteOrderEntity> order, base::Size pageSize,
                                 std::weak_ptr<ui::ViewController> rootViewController)
    : MVPDFCreater(pageSize), order_(std::move(order)), rootViewController_(std::move(rootViewController)) {}

void OrderPDFCreater::generatePdfInScrollView(const std::shared_ptr<ui::ScrollView>& scrollView) {
  MV_ASSERT_MAIN_THREAD();
  if (!scrollView) return;
  if (pdfScrollView_.lock() == scrollView) {
    removePreview();
  } else {
    pdfScrollView_ = scrollView;
  }
  if (!order_) return;
  buildPreview();
  addSignatureImageView();
}

void OrderPDFCreater::updateLanguage() {
  auto scrollView = pdfScrollView_.lock();
  if (!scrollView || !order_) return;
  removePreview();
  buildPreview();
  if (!signatureValue_) return;
  // The field keeps its picture and follows the new layout's end.
  signatureValue_->setFrame(signatureFieldFrame());
  scrollView->addSubview(signatureValue_);
}

void OrderPDFCreater::buildPreview() {
  auto scrollView = pdfScrollView_.lock();
  clearAllCell();
  beginNewPage();
  addLogoImageView();
  addCustomerInfoLabels();
  addOrderLabels();
  addSignatureLabels();
  previewView_ = generatePDFToView();
  // The preview reads as the paper it will be printed on.
  previewView_->setBackgroundColor(gfx::Color::white());
  if (!scrollView) return;
  scrollView->addSubview(previewView_);
  scrollView->setContentSize(previewView_->bounds().size);
}

void OrderPDFCreater::removePreview() {
  // What this form put into the scroll view: the preview and the field.
  if (previewView_) previewView_->removeFromSuperview();
  if (signatureValue_) signatureValue_->removeFromSuperview();
}

ui::Rect OrderPDFCreater::signatureFieldFrame() const {
  return {kSignatureX, currentContentHeight() - kSignatureRise, kSignatureWidth, kSignatureHeight};
}

void OrderPDFCreater::addText(const base::Rect& frame, const std::string& s, const gfx::Font& font,
                              gfx::TextAlignment alignment) {
  addCell(std::make_shared<MVPDFCreaterStringCell>(frame, s, font, gfx::Color::black(), alignment));
}

void OrderPDFCreater::addLineFromPoint(base::Point from, base::Point to, int width) {
  base::Rect frame;
  if (from.x == to.x) {
    frame = {from.x, from.y, static_cast<double>(width), to.y + 1 - from.y};
  } else if (from.y == to.y) {
    frame = {from.x, from.y, to.x + 1 - from.x, static_cast<double>(width)};
  } else {
    return;
  }
  addCell(std::make_shared<MVPDFCreaterRuleCell>(frame, std::vector<base::Rect>{{0, 0, frame.width(), frame.height()}}));
}

OrderPDFCreater::~OrderPDFCreater() { thumbnailRead_.cancel(); }

// Pictures go on the form at what a printer resolves, and no finer.
int OrderPDFCreater::thumbnailSide() const {
  return static_cast<int>(std::ceil(part(5, 36) * gfx::Context::kDocumentPixelsPerPoint));
}

void OrderPDFCreater::readThumbnails(std::function<void()> ready) {
  MV_ASSERT_MAIN_THREAD();
  std::set<std::string> names;
  if (order_) {
    for (const auto& item : order_->items)
      names.insert(thumbnailNames_ && item ? thumbnailNames_(item->product.product_id) : std::string());
  }
  const int side = thumbnailSide();
  std::weak_ptr<OrderPDFCreater> weak = weak_from_this();
  thumbnailRead_.cancel();
  thumbnailRead_ = base::WorkQueue::global().async<std::map<std::string, gfx::ImagePtr>>(
      [names, side](const base::CancelFlag& cancelled) {
        std::map<std::string, gfx::ImagePtr> pictures;
        for (const auto& name : names) {
          if (cancelled.isCancelled()) break;
          pictures.emplace(name, PublicFunction::getLocalPicture(name, kFileTypeProductImage, side, side));
        }
        return pictures;
      },
      [weak, ready = std::move(ready)](std::map<std::string, gfx::ImagePtr> pictures) {
        auto self = weak.lock();
        if (!self) return;
        for (auto& [name, picture] : pictures) self->thumbnails_.insert_or_assign(name, std::move(picture));
        if (ready) ready();
      });
}

void OrderPDFCreater::addRule(int width) { addLineFromPoint({0, 0}, {contentWidth(), 0}, width); }

void OrderPDFCreater::addGridLines(const std::vector<std::pair<double, int>>& columns, double height) {
  if (columns.empty()) return;
  // The row's column lines are one cell, each as a line from top to bottom.
  double left = columns.front().first, right = left;
  for (const auto& [x, width] : columns) {
    left = std::min(left, x);
    right = std::max(right, x + width);
  }
  std::vector<base::Rect> lines;
  for (const auto& [x, width] : columns) lines.push_back({x - left, 0, static_cast<double>(width), height + 1});
  addCell(std::make_shared<MVPDFCreaterRuleCell>(base::Rect{left, 0, right - left, height + 1}, std::move(lines)));
}

void OrderPDFCreater::addLogoImageView() {
  beginNewLine();
  if (SkinManager::hasCustomerImage("homelogo.png")) {
    addCell(std::make_shared<MVPDFCreaterImageCell>(base::Rect{0, 0, 222, 51},
                                                   SkinManager::skinFromImageName("homelogo.png")));
  } else {
    addSpacing(kLogoSpacing);
  }
}

void OrderPDFCreater::addCustomerInfoLabels() {
  if (!order_) return;
  const double w = contentWidth();
  const gfx::Font title = gfx::Font::boldSystemFont(19);
  const gfx::Font label = gfx::Font::boldSystemFont(16);
  const gfx::Font value = gfx::Font::systemFont(15);
  beginNewLine();
  addSpacing(10);
  beginNewLine();
  addText({0, 10, w, 40}, text("CUSTOMERINFO"), title, gfx::TextAlignment::Center);
  beginNewLine();
  addRule(2);
  beginNewLine();

  const double labelWidth = 246, valueX = 266, secondLabelX = 502, secondValueX = 778;
  const double wide = part(2, 3), narrow = part(7, 30), second = part(23, 180);
  struct Row {
    const char* label;
    std::string value;
    const char* secondLabel = nullptr;
    std::string secondValue;
  };
  const QuoteOrderEntity& o = *order_;
  const Row rows[] = {
      {"NAME", o.customerName, nullptr, {}},
      {"STREETADDRESS", o.customerAddress, nullptr, {}},
      {"CITY", o.city, "STATE", o.state},
      {"ZIPCODE", o.zip_code, "PHONE", o.phoneNumber},
      {"BANKACCOUNT", o.bankAccount, nullptr, {}},
  };
  const std::size_t count = std::size(rows);
  for (std::size_t i = 0; i < count; ++i) {
    const Row& row = rows[i];
    const bool split = row.secondLabel != nullptr;
    double h = std::max(kRowMinHeight, textHeight(row.value, value, split ? narrow : wide));
    if (split) h = std::max(h, textHeight(row.secondValue, value, second));
    addText({0, 10, labelWidth, h}, text(row.label), label, gfx::TextAlignment::Right);
    addText({valueX, 10, split ? narrow : wide, h}, row.value, value, gfx::TextAlignment::Left);
    if (split) {
      addText({secondLabelX, 10, labelWidth, h}, text(row.secondLabel), label, gfx::TextAlignment::Right);
      addText({secondValueX, 10, second, h}, row.secondValue, value, gfx::TextAlignment::Left);
      addGridLines({{0, 2}, {256, 1}, {502, 1}, {768, 1}, {w, 2}}, h + 10);
    } else {
      addGridLines({{0, 2}, {256, 1}, {w, 2}}, h + 10);
    }
    beginNewLine();
    // Rows are parted by a thin rule; the block closes with a thick one.
    if (i + 1 < count) {
      addRule(1);
      beginNewLine();
    } else {
      addRule(2);
    }
  }
}

void OrderPDFCreater::addOrderLabels() {
  if (!order_) return;
  const double w = contentWidth();
  const gfx::Font title = gfx::Font::boldSystemFont(19);
  const gfx::Font bold = gfx::Font::boldSystemFont(15);
  addSpacing(20);
  beginNewLine();
  addText({0, 10, w, 40}, text("ORDERFORM"), title, gfx::TextAlignment::Center);
  beginNewLine();

  addRule(2);
  addText({part(1, 9), 10, part(17, 36), 40}, labelled("ORDERNUMBER", order_->number), bold, gfx::TextAlignment::Left);
  addGridLines({{0, 2}, {w, 2}}, 50);
  beginNewLine();
  addRule(1);
  beginNewLine();

  const std::string note = labelled("NOTE", order_->customerNote());
  const double h = std::max(kRowMinHeight, textHeight(note, bold, part(13, 36)));
  addText({part(1, 9), 10, part(17, 36), h}, labelled("ORDERTIME", order_->mdate), bold, gfx::TextAlignment::Left);
  addText({part(113, 180), 10, part(13, 36), h}, note, bold, gfx::TextAlignment::Left);
  addGridLines({{0, 2}, {part(31, 60), 1}, {w, 2}}, h + 10);
  beginNewLine();

  // The column heads share their line with the rule above them.
  addRule(1);
  struct Column {
    const char* head;
    double x, width;
  };
  const Column columns[] = {
      {"NUMBER", 0, part(2, 45)},
      {"IMAGE", part(2, 45), part(5, 36)},
      {"NAME", part(11, 60), part(1, 9)},
      {"SKU", part(53, 180), part(1, 18)},
      {"DETAILS", part(7, 20), part(1, 6)},
      {"QTY", part(31, 60), part(1, 18)},
      {"PRICE", part(103, 180), part(1, 12)},
      {"DISCOUNT", part(59, 90), part(1, 12)},
      {"DISCOUNTEDPRICE", part(133, 180), part(1, 9)},
      {"ITEMIZEDTOTAL", part(17, 20), part(5, 36)},
  };
  std::vector<std::pair<double, int>> grid{{0, 2}};
  for (const auto& c : columns) {
    addText({c.x, 10, c.width, 40}, text(c.head), bold, gfx::TextAlignment::Center);
    if (c.x > 0) grid.emplace_back(c.x, 1);
  }
  grid.emplace_back(w, 2);
  addGridLines(grid, 50);

  long index = 1;
  for (const auto& item : order_->items) {
    if (item) addOneOrderItem(*item, index++);
  }
  addOneDiscountLine(text("ORIGINALTOTAL"), order_->strOriginalTotal());
  addOneDiscountLine(text("TOTAL"), order_->strTotal());
  addOneDiscountLine(text("DISCOUNT"), format("%.2f%%", order_->discountRat));
  addOneDiscountLine(text("DISCOUNTEDTOTAL"), order_->strDiscount());
  beginNewLine();
  addRule(2);
}

void OrderPDFCreater::addOneOrderItem(const QuoteOrderItemEntity& item, long index) {
  const double w = contentWidth();
  const gfx::Font font = gfx::Font::systemFont(15);
  // The line's texts by column; a text too tall for the room a page offers
  // goes on in rows of its own below (on the next pages), so none is cut off
  // or runs into the bottom margin.
  struct Column {
    double x, width;
    std::string rest;
    // A code or a number, whose words shrink rather than part.
    bool whole = false;
    gfx::Font font = gfx::Font::systemFont(15);
  };
  std::vector<Column> columns = {
      {part(11, 60), part(1, 9), item.name},
      {part(53, 180), part(1, 18), item.sku, true},
      {part(7, 20), part(1, 6), item.attributes},
      {part(31, 60), part(1, 18), std::to_string(item.quantity), true},
      {part(103, 180), part(1, 12), item.strPrice(), true},
      {part(59, 90), part(1, 12), item.price < 0 ? std::string("-   ") : format("%.2f%%", item.discontRat()), true},
      {part(133, 180), part(1, 9), item.strFinalPrice(), true},
      {part(17, 20), part(1, 9), item.strSubtotal(), true},
  };
  for (auto& c : columns)
    if (c.whole) c.font = columnFont(c.rest, font, c.width, kLineMinimumFontSize);
  std::vector<std::pair<double, int>> grid{{0, 2}};
  for (double x : {part(2, 45), part(11, 60), part(53, 180), part(7, 20), part(31, 60), part(103, 180),
                   part(59, 90), part(133, 180), part(17, 20)})
    grid.emplace_back(x, 1);
  grid.emplace_back(w, 2);

  bool first = true;
  auto anyLeft = [&] {
    return std::any_of(columns.begin(), columns.end(), [](const Column& c) { return !c.rest.empty(); });
  };
  while (first || anyLeft()) {
    beginNewLine();
    addRule(1);
    const double minimum = first ? kItemMinHeight : kRowMinHeight;
    // A row's line is its text and the 10 points above it.
    const double wholePage = pageSize().height - topMargin() - bottomMargin() - 10;
    const double leftOnPage =
        pageSize().height * static_cast<double>(currentPage()) - bottomMargin() - currentContentHeight() - 10;
    const double room = std::max(minimum, leftOnPage >= minimum ? std::min(leftOnPage, wholePage) : wholePage);
    double h = minimum;
    std::vector<std::string> shown;
    std::vector<gfx::TextLayout> lines;
    for (auto& c : columns) {
      Head head = fittingHead(c.rest, c.font, c.width, room);
      shown.push_back(c.rest.substr(0, head.end));
      c.rest.erase(0, head.end);
      h = std::max(h, head.lines.size.height);
      lines.push_back(std::move(head.lines));
    }
    if (first) {
      addText({0, 10, part(2, 45), h}, std::to_string(index), font, gfx::TextAlignment::Center);
      const std::string thumbName = thumbnailNames_ ? thumbnailNames_(item.product.product_id) : std::string();
      // Each picture is read once per form: a product on several lines, and the
      // stock picture of every product without one.
      auto cached = thumbnails_.find(thumbName);
      if (cached == thumbnails_.end()) {
        // Not read beforehand (see readThumbnails): read now, at the print resolution.
        const int side = thumbnailSide();
        cached = thumbnails_.emplace(thumbName, PublicFunction::getLocalPicture(thumbName, kFileTypeProductImage,
                                                                                side, side))
                     .first;
      }
      addCell(std::make_shared<MVPDFCreaterImageCell>(base::Rect{part(2, 45), 7, part(5, 36), h}, cached->second));
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (shown[i].empty()) continue;
      // The cell draws the lines measured here.
      auto cell = std::make_shared<MVPDFCreaterStringCell>(base::Rect{columns[i].x, 10, columns[i].width, h}, shown[i],
                                                           columns[i].font, gfx::Color::black(),
                                                           gfx::TextAlignment::Center);
      cell->setMeasuredLayout(std::move(lines[i]), columns[i].width);
      addCell(cell);
    }
    addGridLines(grid, h + 10);
    first = false;
  }
}

void OrderPDFCreater::addOneDiscountLine(const std::string& leftString, const std::string& rightString) {
  const gfx::Font bold = gfx::Font::boldSystemFont(15);
  beginNewLine();
  addRule(1);
  addText({0, 10, 452, 40}, leftString, bold, gfx::TextAlignment::Right);
  addText({part(8, 15), 10, part(11, 18), 40}, rightString, bold, gfx::TextAlignment::Left);
  addGridLines({{0, 2}, {part(31, 60), 1}, {contentWidth(), 2}}, 50);
}

void OrderPDFCreater::addSignatureLabels() {
  beginNewLine();
  const double lineX = part(11, 15);
  addText({0, kSignatureLineHeight, lineX, kSignatureLineHeight}, labelled("SIGNATUREOFCUSTOMER", ""),
          gfx::Font::boldSystemFont(15), gfx::TextAlignment::Right);
  addLineFromPoint({lineX, 135}, {lineX + kSignatureWidth, 135}, 2);
}

void OrderPDFCreater::addSignatureImageView() {
  auto scrollView = pdfScrollView_.lock();
  signatureValue_ = std::make_shared<ui::ImageView>(signatureFieldFrame());
  signatureValue_->setBackgroundColor(gfx::Color::clear());
  signatureValue_->setContentMode(ui::ContentMode::ScaleAspectFit);
  if (order_ && !isBlank(order_->signature)) signatureValue_->setImage(SkinManager::string2Image(order_->signature));
  if (scrollView) scrollView->addSubview(signatureValue_);
  if (signatureValue_->image() || !order_ || order_->isUploaded()) return;
  std::weak_ptr<OrderPDFCreater> weak = weak_from_this();
  auto tap = std::make_shared<ui::TapGestureRecognizer>();
  tap->addTarget([weak](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureState::Ended) return;
    if (auto self = weak.lock()) self->signatureTapped();
  });
  signatureValue_->addGestureRecognizer(tap);
  signatureValue_->setUserInteractionEnabled(true);
}

void OrderPDFCreater::signatureTapped() {
  auto root = rootViewController_.lock();
  if (!root || !order_) return;
  if (isBlank(order_->customerName)) {
    auto alert = std::make_shared<ui::AlertView>(text("CUSTOMERNOTSELECTED"), text("SELECTCUSTOMERALERT"),
                                                 std::weak_ptr<ui::AlertViewDelegate>(), text("OK"));
    alert->show();
    return;
  }
  auto pad = std::make_shared<PainterViewController>();
  std::weak_ptr<OrderPDFCreater> weak = weak_from_this();
  pad->setBlock([weak](gfx::ImagePtr image, int) {
    if (auto self = weak.lock()) self->takeSignature(image);
  });
  root->presentViewController(pad, true);
}

void OrderPDFCreater::takeSignature(const gfx::ImagePtr& image) {
  if (!image || !order_) return;
  auto data = std::make_shared<const gfx::ImageData>(image->toImageData());
  auto fitted = PublicFunction::scaleImage(data, {kSignatureWidth, kSignatureHeight});
  gfx::ImagePtr shown = fitted ? gfx::Image::fromImageData(*fitted) : image;
  if (signatureValue_) signatureValue_->setImage(shown);
  order_->signature = SkinManager::image2String(shown).value_or(std::string());
  hasEditsignature_ = true;
}

std::vector<std::uint8_t> OrderPDFCreater::generatePDFToData() {
  gfx::ImagePtr signature = signatureValue_ ? signatureValue_->image() : nullptr;
  MVPDFCellPtr tagged = cellWithTag(kSignatureCellTag);
  if (auto* image = dynamic_cast<MVPDFCreaterImageCell*>(tagged.get())) {
    image->setImage(signature);
  } else {
    if (tagged) removeCellByTag(kSignatureCellTag);
    auto cell = std::make_shared<MVPDFCreaterImageCell>(
        base::Rect{part(11, 15), -kSignatureRise, kSignatureWidth, kSignatureHeight}, signature);
    cell->setTagOfCell(kSignatureCellTag);
    addCell(cell);
  }
  return MVPDFCreater::generatePDFToData();
}

MVPDFCellList OrderPDFCreater::additionalFooterInPage(std::int64_t /*page*/) {
  auto rule = std::make_shared<MVPDFCreaterRuleCell>(base::Rect{0, 0, contentWidth(), 1},
                                                     std::vector<base::Rect>{{0, 0, contentWidth(), 1}});
  rule->setFrameInContainer({leftMargin(), currentContentHeight(), contentWidth(), 1});
  return {rule};
}

}  // namespace mv
