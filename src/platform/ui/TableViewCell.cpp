#include "platform/ui/TableViewCell.hpp"

#include <algorithm>
#include <cmath>

#include "platform/ui/TableViewCellHost.hpp"

namespace ui {

namespace {

constexpr double kSideMargin = 15;

// The disclosure chevron and the check mark, drawn in the tint colour.
class AccessoryGlyph : public View {
 public:
  AccessoryGlyph(TableViewCellAccessoryType type) : View(Rect{0, 0, TableViewCell::kAccessoryWidth, 44}), type_(type) {
    setOpaque(false);
    setUserInteractionEnabled(false);
  }
  TableViewCellAccessoryType type() const { return type_; }
  void drawRect(gfx::Context& ctx, const Rect&) override {
    Rect b = bounds();
    double cx = b.midX(), cy = b.midY();
    ctx.setLineWidth(2);
    ctx.setLineCap(gfx::LineCap::Round);
    ctx.beginPath();
    if (type_ == TableViewCellAccessoryType::Checkmark) {
      ctx.setStrokeColor(tintColor().value_or(gfx::Color::blue()));
      ctx.moveTo({cx - 7, cy});
      ctx.lineTo({cx - 2, cy + 5});
      ctx.lineTo({cx + 7, cy - 6});
    } else {
      ctx.setStrokeColor(gfx::Color::rgb255(199, 199, 204));
      ctx.moveTo({cx - 3, cy - 6});
      ctx.lineTo({cx + 3, cy});
      ctx.lineTo({cx - 3, cy + 6});
    }
    ctx.strokePath();
  }

 private:
  TableViewCellAccessoryType type_;
};

}  // namespace

TableViewCell::TableViewCell(TableViewCellStyle style, std::string reuseIdentifier)
    : View(Rect{0, 0, 320, TableViewCellHost::kDefaultRowHeight}), style_(style), reuseIdentifier_(std::move(reuseIdentifier)) {
  setBackgroundColor(gfx::Color::white());
  contentView_ = std::make_shared<View>(bounds());
  contentView_->setBackgroundColor(std::nullopt);
  contentView_->setOpaque(false);
  addSubview(contentView_);
  imageView_ = std::make_shared<ImageView>();
  contentView_->addSubview(imageView_);
  textLabel_ = std::make_shared<Label>();
  textLabel_->setBackgroundColor(std::nullopt);
  textLabel_->setFont(style == TableViewCellStyle::Value2 ? gfx::Font::boldSystemFont(12) : gfx::Font::systemFont(17));
  if (style == TableViewCellStyle::Value2) {
    textLabel_->setTextColor(gfx::Color::rgb255(0, 122, 255));
    textLabel_->setTextAlignment(gfx::TextAlignment::Right);
  }
  contentView_->addSubview(textLabel_);
  if (style != TableViewCellStyle::Default) {
    detailTextLabel_ = std::make_shared<Label>();
    detailTextLabel_->setBackgroundColor(std::nullopt);
    switch (style) {
      case TableViewCellStyle::Value1:
        detailTextLabel_->setFont(gfx::Font::systemFont(17));
        detailTextLabel_->setTextColor(gfx::Color::rgb255(142, 142, 147));
        detailTextLabel_->setTextAlignment(gfx::TextAlignment::Right);
        break;
      case TableViewCellStyle::Value2:
        detailTextLabel_->setFont(gfx::Font::systemFont(12));
        break;
      default:
        detailTextLabel_->setFont(gfx::Font::systemFont(12));
        detailTextLabel_->setTextColor(gfx::Color::rgb255(142, 142, 147));
        break;
    }
    contentView_->addSubview(detailTextLabel_);
  }
  defaultSelectedBackground_ = std::make_shared<View>(bounds());
  defaultSelectedBackground_->setBackgroundColor(gfx::Color::rgb255(217, 217, 217));
}

TableViewCell::~TableViewCell() = default;

TableViewCellHost* TableViewCell::host() const { return dynamic_cast<TableViewCellHost*>(superview()); }

void TableViewCell::prepareForReuse() {
  selected_ = false;
  highlighted_ = false;
  hideDeleteConfirmation();
  setAlpha(1);
  refreshLook();
}

void TableViewCell::setBackgroundView(std::shared_ptr<View> v) {
  if (backgroundView_) backgroundView_->removeFromSuperview();
  backgroundView_ = std::move(v);
  if (backgroundView_) insertSubview(backgroundView_, 0);
  setNeedsLayout();
}

void TableViewCell::setSelectedBackgroundView(std::shared_ptr<View> v) {
  if (selectedBackgroundView_) selectedBackgroundView_->removeFromSuperview();
  selectedBackgroundView_ = std::move(v);
  refreshLook();
}

void TableViewCell::setAccessoryType(TableViewCellAccessoryType t) {
  accessoryType_ = t;
  refreshAccessory();
}

void TableViewCell::setAccessoryView(std::shared_ptr<View> v) {
  accessoryView_ = std::move(v);
  refreshAccessory();
}

void TableViewCell::setEditingAccessoryType(TableViewCellAccessoryType t) {
  editingAccessoryType_ = t;
  refreshAccessory();
}

void TableViewCell::setEditingAccessoryView(std::shared_ptr<View> v) {
  editingAccessoryView_ = std::move(v);
  refreshAccessory();
}

void TableViewCell::refreshAccessory() {
  std::shared_ptr<View> next;
  TableViewCellAccessoryType type = editing_ ? editingAccessoryType_ : accessoryType_;
  std::shared_ptr<View> custom = editing_ ? editingAccessoryView_ : accessoryView_;
  if (custom) {
    next = custom;
  } else if (type != TableViewCellAccessoryType::None) {
    // The standard view is kept while the type stays.
    bool reuse = false;
    if (standardAccessory_) {
      if (auto* g = dynamic_cast<AccessoryGlyph*>(standardAccessory_.get())) reuse = g->type() == type;
      else reuse = type == TableViewCellAccessoryType::DetailButton || type == TableViewCellAccessoryType::DetailDisclosureButton;
    }
    if (!reuse) {
      if (type == TableViewCellAccessoryType::DetailButton || type == TableViewCellAccessoryType::DetailDisclosureButton) {
        auto b = std::make_shared<Button>(Rect{0, 0, 44, 44}, ButtonType::DetailDisclosure);
        b->setTitle(type == TableViewCellAccessoryType::DetailButton ? "\u24D8" : "\u24D8 \u203A");
        b->setTitleColor(tintColor().value_or(gfx::Color::blue()));
        b->addAction(
            [](Control& sender, const Event*) {
              for (View* v = sender.superview(); v; v = v->superview()) {
                if (auto* cell = dynamic_cast<TableViewCell*>(v)) {
                  if (TableViewCellHost* h = cell->host()) h->cellAccessoryButtonTapped(*cell);
                  return;
                }
              }
            },
            ControlEventTouchUpInside);
        standardAccessory_ = b;
      } else {
        standardAccessory_ = std::make_shared<AccessoryGlyph>(type);
      }
    }
    next = standardAccessory_;
  }
  if (next != shownAccessory_) {
    if (shownAccessory_ && shownAccessory_->superview() == this) shownAccessory_->removeFromSuperview();
    shownAccessory_ = next;
    if (shownAccessory_) addSubview(shownAccessory_);
  }
  setNeedsLayout();
}

void TableViewCell::refreshLook() {
  bool lit = (selected_ || highlighted_) && selectionStyle_ != TableViewCellSelectionStyle::None;
  std::shared_ptr<View> sel = selectedBackgroundView_ ? selectedBackgroundView_ : defaultSelectedBackground_;
  if (lit) {
    if (sel->superview() != this) insertSubviewBelow(sel, contentView_.get());
  } else if (sel->superview() == this) {
    sel->removeFromSuperview();
  }
  if (selectedBackgroundView_ != defaultSelectedBackground_ && defaultSelectedBackground_->superview() == this &&
      sel != defaultSelectedBackground_)
    defaultSelectedBackground_->removeFromSuperview();
  textLabel_->setHighlighted(lit);
  if (detailTextLabel_) detailTextLabel_->setHighlighted(lit);
  imageView_->setHighlighted(lit);
  setNeedsLayout();
}

void TableViewCell::setSelected(bool selected, bool) {
  if (selected == selected_) return;
  selected_ = selected;
  refreshLook();
}

void TableViewCell::setHighlighted(bool highlighted, bool) {
  if (highlighted == highlighted_) return;
  highlighted_ = highlighted;
  refreshLook();
}

void TableViewCell::setEditing(bool editing, bool) {
  if (editing == editing_) return;
  editing_ = editing;
  if (!editing) setEditingStyleShown(TableViewCellEditingStyle::None);
  hideDeleteConfirmation();
  refreshAccessory();
}

void TableViewCell::setEditingStyleShown(TableViewCellEditingStyle style) {
  editingStyle_ = style;
  if (style == TableViewCellEditingStyle::None || !editing_) {
    if (editControl_) editControl_->removeFromSuperview();
    editControl_.reset();
    setNeedsLayout();
    return;
  }
  if (!editControl_) {
    editControl_ = std::make_shared<Button>(Rect{0, 0, kEditingControlWidth, 44});
    editControl_->addAction(
        [](Control& sender, const Event*) {
          auto* cell = dynamic_cast<TableViewCell*>(sender.superview());
          if (!cell) return;
          if (TableViewCellHost* h = cell->host()) h->cellEditingControlTapped(*cell);
        },
        ControlEventTouchUpInside);
    addSubview(editControl_);
  }
  bool del = style == TableViewCellEditingStyle::Delete;
  editControl_->setTitle(del ? "\u2296" : "\u2295");
  editControl_->setTitleColor(del ? gfx::Color::rgb255(255, 59, 48) : gfx::Color::rgb255(76, 217, 100));
  editControl_->titleLabel().setFont(gfx::Font::systemFont(22));
  setNeedsLayout();
}

void TableViewCell::showDeleteConfirmation(const std::string& title) {
  if (!deleteButton_) {
    deleteButton_ = std::make_shared<Button>();
    deleteButton_->setBackgroundColor(gfx::Color::rgb255(255, 59, 48));
    deleteButton_->setTitleColor(gfx::Color::white());
    deleteButton_->addAction(
        [](Control& sender, const Event*) {
          auto* cell = dynamic_cast<TableViewCell*>(sender.superview());
          if (!cell) return;
          if (TableViewCellHost* h = cell->host()) h->cellDeleteButtonTapped(*cell);
        },
        ControlEventTouchUpInside);
    addSubview(deleteButton_);
  }
  deleteButton_->setTitle(title);
  setNeedsLayout();
}

void TableViewCell::hideDeleteConfirmation() {
  if (deleteButton_) deleteButton_->removeFromSuperview();
  deleteButton_.reset();
  setNeedsLayout();
}

void TableViewCell::setIndentationLevel(long l) {
  indentationLevel_ = std::max(0L, l);
  setNeedsLayout();
}

void TableViewCell::setIndentationWidth(double w) {
  indentationWidth_ = std::max(0.0, w);
  setNeedsLayout();
}

void TableViewCell::setSeparatorInset(EdgeInsets e) {
  separatorInset_ = e;
  setNeedsDisplay();
}

void TableViewCell::layoutSubviews() {
  Rect b = bounds();
  double h = b.height();
  if (backgroundView_) backgroundView_->setFrame(b);
  if (selectedBackgroundView_) selectedBackgroundView_->setFrame(b);
  defaultSelectedBackground_->setFrame(b);
  double left = 0;
  if (editControl_) {
    editControl_->setFrame({0, 0, kEditingControlWidth, h});
    if (indentWhileEditing_) left = kEditingControlWidth;
  }
  double right = b.width();
  if (deleteButton_) {
    right -= kDeleteButtonWidth;
    deleteButton_->setFrame({right, 0, kDeleteButtonWidth, h});
    if (shownAccessory_) shownAccessory_->setHidden(true);
  } else if (shownAccessory_) {
    shownAccessory_->setHidden(false);
    Size s = shownAccessory_->bounds().size;
    bool standard = shownAccessory_ == standardAccessory_;
    double w = standard ? std::max(s.width, kAccessoryWidth) : s.width;
    double ah = standard ? h : s.height;
    right -= w + (standard ? 0 : kSideMargin);
    shownAccessory_->setFrame({right, std::round((h - ah) / 2), w, ah});
  }
  contentView_->setFrame({left, 0, std::max(0.0, right - left), h});

  Rect c = contentView_->bounds();
  double x = kSideMargin + static_cast<double>(indentationLevel_) * indentationWidth_;
  if (imageView_->image()) {
    Size s = imageView_->image()->size();
    double ih = std::min(s.height, h);
    double iw = s.height > 0 ? s.width * ih / s.height : s.width;
    imageView_->setFrame({x, std::round((h - ih) / 2), iw, ih});
    x += iw + kSideMargin;
  } else {
    imageView_->setFrame({x, 0, 0, 0});
  }
  double avail = std::max(0.0, c.width() - x - kSideMargin);
  switch (style_) {
    case TableViewCellStyle::Default:
      textLabel_->setFrame({x, 0, avail, h});
      break;
    case TableViewCellStyle::Subtitle: {
      double th = textLabel_->font().lineHeight(), dh = detailTextLabel_->font().lineHeight();
      bool hasDetail = !detailTextLabel_->text().empty();
      double top = std::round((h - th - (hasDetail ? dh : 0)) / 2);
      textLabel_->setFrame({x, top, avail, th});
      detailTextLabel_->setFrame({x, top + th, avail, hasDetail ? dh : 0});
      break;
    }
    case TableViewCellStyle::Value1: {
      double dw = std::min(avail, std::ceil(gfx::sizeWithFont(detailTextLabel_->text(), detailTextLabel_->font()).width));
      detailTextLabel_->setFrame({x + avail - dw, 0, dw, h});
      textLabel_->setFrame({x, 0, std::max(0.0, avail - dw - (dw > 0 ? 8 : 0)), h});
      break;
    }
    case TableViewCellStyle::Value2: {
      double tw = std::min(91.0, avail);
      textLabel_->setFrame({x, 0, tw, h});
      detailTextLabel_->setFrame({x + tw + 6, 0, std::max(0.0, avail - tw - 6), h});
      break;
    }
  }
}

void TableViewCell::drawRect(gfx::Context& ctx, const Rect&) {
  TableViewCellHost* h = host();
  std::optional<gfx::Color> color = h ? h->cellSeparatorColor() : std::nullopt;
  if (!color) return;
  Rect b = bounds();
  double left = separatorInset_.left;
  ctx.setFillColor(*color);
  ctx.fillRect({left, b.maxY() - 0.5, std::max(0.0, b.width() - left - separatorInset_.right), 0.5});
}

}  // namespace ui
