#include "catalog/ProductAttributesListView.hpp"

#include <algorithm>
#include <limits>

#include "platform/base/MainThread.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/ViewController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/SkinManager.hpp"

namespace mv {
namespace {

constexpr const char* kCellID = "cellID";
constexpr double kNameWidth = 177;
constexpr double kAccessorySide = 30;

gfx::Color chosenColor() { return gfx::Color::rgb255(72, 129, 176); }
gfx::Font rowFont() { return gfx::Font::named("HelveticaNeue-Light", 15); }
constexpr double kRowMinimumFontSize = 10;

// Options often differ only at their end ("... with red stripes", "... with
// blue stripes"): a text too long for its row goes on to a second line, in a
// smaller size if need be, so that the whole of it reads; only what does not
// fit even then ends in an ellipsis.
void wrapInRow(ui::Label& label) {
  label.setFont(rowFont());
  label.setNumberOfLines(2);
  label.setLineBreakMode(gfx::LineBreakMode::TailTruncation);
  label.setAdjustsFontSizeToFitWidth(true);
  label.setMinimumFontSize(kRowMinimumFontSize);
}

// The row look both tables share: a grey hairline along the bottom and a
// plain selected background, so a selection shows only in the text colour.
class AttributeRowCell : public ui::TableViewCell {
 public:
  AttributeRowCell() : ui::TableViewCell(ui::TableViewCellStyle::Default, kCellID) {
    setBackgroundColor(gfx::Color::white());
    setSelectedBackgroundView(std::make_shared<ui::View>());
    line_ = std::make_shared<ui::ImageView>();
    line_->setImage(gfx::Image::named("line_gray_px1.png"));
    addSubview(line_);
  }

  void layoutSubviews() override {
    ui::TableViewCell::layoutSubviews();
    line_->setFrame({0, bounds().height() - 1, bounds().width(), 1});
    bringSubviewToFront(line_.get());
  }

 private:
  std::shared_ptr<ui::ImageView> line_;
};

std::shared_ptr<ui::ImageView> accessoryImage(const char* name) {
  auto image = std::make_shared<ui::ImageView>(ui::Rect{0, 0, kAccessorySide, kAccessorySide});
  image->setImage(gfx::Image::named(name));
  return image;
}

// One attribute: its name at the left, its value (or the request to choose
// one) at the right.
class AttributeNameCell : public AttributeRowCell {
 public:
  AttributeNameCell() {
    for (auto* label : {&name_, &value_}) {
      *label = std::make_shared<ui::Label>();
      wrapInRow(**label);
      (*label)->setTextColor(gfx::Color::black());
      (*label)->setHighlightedTextColor(chosenColor());
      (*label)->setBackgroundColor(gfx::Color::clear());
      contentView().addSubview(*label);
    }
    name_->setTextAlignment(gfx::TextAlignment::Left);
    value_->setTextAlignment(gfx::TextAlignment::Right);
  }

  void show(const product_attribute_cell_Entity& attribute, bool withArrow) {
    name_->setText(attribute.fieldName);
    const bool chosen = attribute.attributeValue && !attribute.attributeValue->empty();
    value_->setText(chosen ? *attribute.attributeValue : textOrEmpty(Language::stringWithName("PLEASESELECT")));
    value_->setTextColor(chosen ? chosenColor() : gfx::Color::black());
    setAccessoryView(withArrow ? accessoryImage("icon_arrow_down.png") : nullptr);
  }

  void setSelected(bool selected, bool animated) override {
    AttributeRowCell::setSelected(selected, animated);
    refreshHighlight();
  }
  void setHighlighted(bool highlighted, bool animated) override {
    AttributeRowCell::setHighlighted(highlighted, animated);
    refreshHighlight();
  }

  void layoutSubviews() override {
    AttributeRowCell::layoutSubviews();
    const double h = ProductAttributesListView::kRowHeight;
    name_->setFrame({8, 0, kNameWidth - 8, h});
    const double width = contentView().bounds().width();
    value_->setFrame({kNameWidth, 0, std::max(0.0, width - kNameWidth - 6), h});
  }

 private:
  void refreshHighlight() {
    const bool on = isSelected() || isHighlighted();
    name_->setHighlighted(on);
    value_->setHighlighted(on);
  }

  std::shared_ptr<ui::Label> name_, value_;
};

// One option of the open attribute, checked when it is the chosen one.
class AttributeOptionCell : public AttributeRowCell {
 public:
  AttributeOptionCell() {
    wrapInRow(textLabel());
    textLabel().setBackgroundColor(gfx::Color::clear());
    textLabel().setHighlightedTextColor(chosenColor());
  }

  void show(const std::string& option, bool checked) {
    textLabel().setText(option);
    setAccessoryView(checked ? accessoryImage("icon_checkmark.png") : nullptr);
  }
};

}  // namespace

std::shared_ptr<ProductAttributesListView> ProductAttributesListView::initWithFrame(const ui::Rect& frame, int mode) {
  std::shared_ptr<ProductAttributesListView> view(new ProductAttributesListView(frame, mode));
  view->build();
  return view;
}

ProductAttributesListView::ProductAttributesListView(const ui::Rect& frame, int mode) : ui::View(frame), mode_(mode) {}

ProductAttributesListView::~ProductAttributesListView() {
  if (popover_) popover_->setDelegate({});
}

void ProductAttributesListView::build() {
  MV_ASSERT_MAIN_THREAD();
  const double w = bounds().width();
  const double h = bounds().height();
  auto dataSource = ui::weakAs<ui::TableViewDataSource>(this);
  auto delegate = ui::weakAs<ui::TableViewDelegate>(this);
  auto makeTable = [&](const ui::Rect& r) {
    auto table = std::make_shared<ui::TableView>(r, ui::TableViewStyle::Plain);
    table->setBackgroundColor(gfx::Color::white());
    table->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
    table->setRowHeight(kRowHeight);
    table->setDataSource(dataSource);
    table->setDelegate(delegate);
    return table;
  };

  leftNameTableView_ = makeTable({0, 0, w, h});
  leftNameTableView_->setAutoresizingMask(ui::FlexibleWidth);
  addSubview(leftNameTableView_);

  if (mode_ == kPopoverMode) {
    rightValueTableView_ = makeTable({0, 0, w / 2, h});
    auto content = std::make_shared<ui::ViewController>();
    auto holder = std::make_shared<ui::View>(ui::Rect{0, 0, w / 2, h});
    holder->setBackgroundColor(gfx::Color::white());
    rightValueTableView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    holder->addSubview(rightValueTableView_);
    content->setView(holder);
    content->setPreferredContentSize({w / 2, h});
    popover_ = std::make_shared<ui::PopoverController>(content);
    popover_->setPopoverContentSize({w / 2, h});
    popover_->setDelegate(ui::weakAs<ui::PopoverControllerDelegate>(this));
  } else {
    rightValueTableView_ = makeTable({w / 2, 0, w / 2, h});
    rightValueTableView_->layer().setBorderWidth(1);
    rightValueTableView_->layer().setBorderColor(gfx::Color::rgb255(211, 211, 211));
    rightTableBaseView_ = std::make_shared<ui::View>(bounds());
    rightTableBaseView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    rightTableBaseView_->setBackgroundColor(gfx::Color::clear());
    rightTableBaseView_->setHidden(true);
    auto catcher = std::make_shared<ui::View>(rightTableBaseView_->bounds());
    catcher->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    catcher->setBackgroundColor(gfx::Color::clear());
    auto weak = ui::weakAs<ProductAttributesListView>(this);
    catcher->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer& g) {
      if (g.state() != ui::GestureRecognized) return;
      if (auto self = weak.lock()) self->handleTap();
    }));
    rightTableBaseView_->addSubview(catcher);
    rightTableBaseView_->addSubview(rightValueTableView_);
    addSubview(rightTableBaseView_);
  }
  setReadOnly(false);
}

bool ProductAttributesListView::allChosen() const {
  return std::all_of(attributeAry_.begin(), attributeAry_.end(),
                     [](const auto& cell) { return !cell || cell->attributeValue.has_value(); });
}

void ProductAttributesListView::setAttributeAry(AttributeCells attributes) {
  attributeAry_ = std::move(attributes);
  std::erase(attributeAry_, nullptr);
  for (const auto& cell : attributeAry_) {
    auto options = AttributeText::options(cell->attributeList);
    if (options.size() == 1) cell->attributeValue = options.front();
  }
  reloadAllTablesByLeftSelectIndex(kNoneOpen);
}

void ProductAttributesListView::setAttributeValues(const std::vector<product_attribute_cell_Entity>& values) {
  for (const auto& given : values) {
    if (!AttributeText::hasValue(given.attributeValue)) continue;
    for (const auto& own : attributeAry_) {
      if (own->fieldName == given.fieldName) own->attributeValue = given.attributeValue;
    }
  }
  reloadAllTablesByLeftSelectIndex(kNoneOpen);
}

void ProductAttributesListView::setReadOnly(bool readOnly) {
  readOnly_ = readOnly;
  leftNameTableView_->setAllowsSelection(!readOnly);
  rightValueTableView_->setAllowsSelection(!readOnly);
}

void ProductAttributesListView::updateLanguage() {
  leftNameTableView_->reloadData();
  rightValueTableView_->reloadData();
}

double ProductAttributesListView::unfoldedHeight(std::size_t optionCount, double top, double limit) {
  return std::max(0.0, std::min(kRowHeight * static_cast<double>(optionCount), limit - top));
}

void ProductAttributesListView::reloadAllTablesByLeftSelectIndex(long index) {
  openIndex_ = index;
  openOptions_.clear();
  if (index >= 0 && static_cast<std::size_t>(index) < attributeAry_.size())
    openOptions_ = AttributeText::options(attributeAry_[static_cast<std::size_t>(index)]->attributeList);
  leftNameTableView_->reloadData();
  rightValueTableView_->reloadData();
  if (index == kNoneOpen) return;
  leftNameTableView_->selectRowAtIndexPath(ui::IndexPath{0, index}, true, ui::TableViewScrollPosition::None);
  if (index < 0 || static_cast<std::size_t>(index) >= attributeAry_.size()) return;
  const auto& value = attributeAry_[static_cast<std::size_t>(index)]->attributeValue;
  if (!value) return;
  const auto& options = openOptions();
  const auto at = std::find(options.begin(), options.end(), *value);
  if (at == options.end()) return;
  rightValueTableView_->selectRowAtIndexPath(ui::IndexPath{0, static_cast<long>(at - options.begin())}, true,
                                             ui::TableViewScrollPosition::None);
}

void ProductAttributesListView::openAttribute(long index) {
  reloadAllTablesByLeftSelectIndex(index);
  const ui::Rect row = leftNameTableView_->rectForRowAtIndexPath(ui::IndexPath{0, index});
  if (mode_ == kPopoverMode) {
    // As tall as its options (the picker's height at most): no blank rows
    // stand over the values chosen below.
    const double rows = kRowHeight * static_cast<double>(std::max<std::size_t>(openOptions().size(), 1));
    popover_->setPopoverContentSize({bounds().width() / 2, std::min(rows, bounds().height())});
    const ui::Rect anchor{row.x() + 200, row.y(), row.width() - 100, row.height()};
    popover_->presentPopoverFromRect(anchor, leftNameTableView_.get(), optionsDirection(anchor), true);
    return;
  }
  if (auto* parent = superview()) {
    // Grown to the bottom of its superview and no further, and in front of
    // what lies below it there, so that every unfolded option can be tapped.
    ui::Rect grown = frame();
    grown.size.height = std::max(0.0, parent->bounds().height() - grown.y());
    setFrame(grown);
    parent->bringSubviewToFront(this);
  }
  const double top = row.y() + kRowHeight - leftNameTableView_->contentOffset().y;
  ui::Rect options = rightValueTableView_->frame();
  options.origin.y = top;
  options.size.height = 0;
  rightValueTableView_->setFrame(options);
  rightTableBaseView_->setHidden(false);
  options.size.height = unfoldedHeight(openOptions().size(), top, std::min(kUnfoldLimit, bounds().height()));
  auto table = rightValueTableView_;
  ui::View::animate(kUnfoldDuration, 0, ui::AnimationOptionCurveLinear, [table, options] { table->setFrame(options); });
}

unsigned ProductAttributesListView::optionsDirection(const ui::Rect& anchor) const {
  // The options hang below the row while they fit above the bottom of the
  // screens the picker is on (the lowest of them ends at the tab bar); else
  // they stand above the row.
  double screenBottom = std::numeric_limits<double>::infinity();
  for (const ui::View* v = this; v; v = v->superview())
    if (v->viewController()) screenBottom = std::min(screenBottom, v->convertRectToView(v->bounds(), nullptr).maxY());
  const double rowBottom = leftNameTableView_->convertRectToView(anchor, nullptr).maxY();
  const double below = screenBottom - rowBottom - ui::PopoverController::kArrowSize;
  return below >= popover_->popoverContentSize().height ? ui::PopoverArrowDirectionUp
                                                        : ui::PopoverArrowDirectionDown;
}

void ProductAttributesListView::chooseOption(long row) {
  const auto& options = openOptions();
  if (row < 0 || static_cast<std::size_t>(row) >= options.size()) return;
  attributeAry_[static_cast<std::size_t>(openIndex_)]->attributeValue = options[static_cast<std::size_t>(row)];
  reloadAllTablesByLeftSelectIndex(kNoneOpen);
  closeOptions();
}

void ProductAttributesListView::closeOptions() {
  if (mode_ == kPopoverMode) {
    popover_->dismissPopoverAnimated(true);
    return;
  }
  if (superview()) {
    ui::Rect folded = frame();
    folded.size.height = kFoldedHeight;
    setFrame(folded);
  }
  ui::View::beginAnimations("move");
  ui::View::setAnimationCurve(ui::AnimationCurve::Linear);
  rightTableBaseView_->setHidden(true);
  ui::View::commitAnimations();
}

void ProductAttributesListView::handleTap() {
  closeOptions();
  reloadAllTablesByLeftSelectIndex(kNoneOpen);
}

bool ProductAttributesListView::escapePressed() {
  if (mode_ == kPopoverMode || openIndex_ == kNoneOpen || !rightTableBaseView_ || rightTableBaseView_->isHidden()) {
    return false;
  }
  handleTap();
  return true;
}

void ProductAttributesListView::popoverControllerDidDismissPopover(ui::PopoverController&) {
  reloadAllTablesByLeftSelectIndex(kNoneOpen);
}

long ProductAttributesListView::tableViewNumberOfRowsInSection(ui::TableView& tableView, long) {
  if (&tableView == leftNameTableView_.get()) return static_cast<long>(attributeAry_.size());
  return static_cast<long>(openOptions().size());
}

std::shared_ptr<ui::TableViewCell> ProductAttributesListView::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (&tableView == leftNameTableView_.get()) {
    auto cell = std::dynamic_pointer_cast<AttributeNameCell>(tableView.dequeueReusableCellWithIdentifier(kCellID));
    if (!cell) cell = std::make_shared<AttributeNameCell>();
    if (row < attributeAry_.size()) cell->show(*attributeAry_[row], mode_ == kPopoverMode);
    return cell;
  }
  auto cell = std::dynamic_pointer_cast<AttributeOptionCell>(tableView.dequeueReusableCellWithIdentifier(kCellID));
  if (!cell) cell = std::make_shared<AttributeOptionCell>();
  const auto& options = openOptions();
  if (row < options.size()) {
    const auto& value = attributeAry_[static_cast<std::size_t>(openIndex_)]->attributeValue;
    cell->show(options[row], value && *value == options[row]);
  }
  return cell;
}

std::optional<double> ProductAttributesListView::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                                  const ui::IndexPath&) {
  return kRowHeight;
}

void ProductAttributesListView::tableViewDidSelectRowAtIndexPath(ui::TableView& tableView,
                                                                 const ui::IndexPath& indexPath) {
  if (readOnly_) return;
  if (&tableView == leftNameTableView_.get()) {
    openAttribute(indexPath.row);
  } else {
    chooseOption(indexPath.row);
  }
}

}  // namespace mv
