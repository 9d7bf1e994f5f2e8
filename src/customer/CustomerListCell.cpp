#include "customer/CustomerListCell.hpp"

#include <algorithm>

#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/LongPressGestureRecognizer.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "shell/config/LanguageManager.hpp"
#include "util/TextLookup.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

CustomerListCell::NameLayout CustomerListCell::layoutNames(double firstShownWidth, double secondShownWidth,
                                                           int language) {
  NameLayout out;
  out.lastNameFirst = language == 2;
  out.firstWidth = std::min(firstShownWidth, kNamesWidth);
  if (firstShownWidth > kNamesWidth) {
    out.secondWidth = 0;
  } else if (firstShownWidth + secondShownWidth > kNamesWidth) {
    out.secondWidth = kNamesWidth - firstShownWidth;
  } else {
    out.secondWidth = secondShownWidth;
  }
  out.secondX = out.firstWidth + (out.lastNameFirst ? 25 : 18);
  return out;
}

CustomerListCell::CustomerListCell() : ui::TableViewCell(ui::TableViewCellStyle::Default, kReuseIdentifier) {
  auto white = std::make_shared<ui::View>();
  white->setBackgroundColor(gfx::Color::white());
  setBackgroundView(white);
  setSelectedBackgroundView(white);
  setSelectionStyle(ui::TableViewCellSelectionStyle::None);

  name_ = std::make_shared<ui::Label>(ui::Rect{15, 0, 250, 44});
  name_->setFont(gfx::Font::systemFont(17));
  first_ = std::make_shared<ui::Label>();
  first_->setFont(gfx::Font::fontWithName("HelveticaNeue-Light", 17).value_or(gfx::Font::systemFont(17)));
  last_ = std::make_shared<ui::Label>();
  last_->setFont(gfx::Font::systemFont(17));
  for (auto* label : {&name_, &first_, &last_}) {
    (*label)->setBackgroundColor(gfx::Color::clear());
    contentView().addSubview(*label);
  }
  setHighlightColor(gfx::Color::rgb255(72, 129, 176));
  setNormalColor(gfx::Color::black());

  tagLocal_ = std::make_shared<ui::Button>(ui::Rect{0, 10, 55, 23});
  tagLocal_->setBackgroundImage(WidgetSkin::skinFromImageName("Icon_Local.png"));
  tagLocal_->setTitle(textForKey("LOCAL").value_or("LOCAL"));
  tagLocal_->setTitleColor(gfx::Color::white());
  tagLocal_->titleLabel().setFont(gfx::Font::systemFont(17));
  tagLocal_->setAdjustsImageWhenDisabled(false);
  tagLocal_->setEnabled(false);
  tagLocal_->setHidden(true);
  contentView().addSubview(tagLocal_);

  note_ = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 10, 10});
  note_->setImage(WidgetSkin::skinFromImageName("customer_notes.png"));
  note_->setHidden(true);
  contentView().addSubview(note_);

  separator_ = std::make_shared<ui::ImageView>();
  separator_->setImage(WidgetSkin::skinFromImageName("line_gray_px1.png"));
  addSubview(separator_);

  auto longPress = std::make_shared<ui::LongPressGestureRecognizer>();
  longPress->addTarget([this](ui::GestureRecognizer& g) {
    // Once, when the press is recognised.
    if (g.state() == ui::GestureState::Began) handleLongPress();
  });
  contentView().addGestureRecognizer(longPress);
  auto tap = std::make_shared<ui::TapGestureRecognizer>();
  tap->addTarget([this](ui::GestureRecognizer& g) {
    if (g.state() == ui::GestureState::Ended) handleTap();
  });
  contentView().addGestureRecognizer(tap);
}

void CustomerListCell::handleLongPress() {
  if (auto d = cellDelegate_.lock()) d->customerListCellDidLongPress(*this);
}

void CustomerListCell::handleTap() {
  if (auto d = cellDelegate_.lock()) d->customerListCellDidClick(*this);
}

void CustomerListCell::setCellValue(const std::string& name) {
  first_->setText("");
  last_->setText("");
  name_->setText(name);
}

void CustomerListCell::setFristName(const std::string& first, const std::string& last) {
  name_->setText("");
  first_->setText(first);
  last_->setText(last);
  const int language = LanguageManager::sharedInstance().currentLanguage();
  const bool lastFirst = language == 2;
  ui::Label& shownFirst = lastFirst ? *last_ : *first_;
  ui::Label& shownSecond = lastFirst ? *first_ : *last_;
  const ui::Size bound{2500, 35};
  const double w1 = gfx::sizeWithFont(shownFirst.text(), shownFirst.font(), bound, gfx::LineBreakMode::WordWrap).width;
  const double w2 = gfx::sizeWithFont(shownSecond.text(), shownSecond.font(), bound, gfx::LineBreakMode::WordWrap).width;
  const NameLayout layout = layoutNames(w1, w2, language);
  shownFirst.setFrame({layout.firstX, 0, layout.firstWidth, 44});
  shownSecond.setFrame({layout.secondX, 0, layout.secondWidth, 44});
}

void CustomerListCell::setNoteShow(bool show) { note_->setHidden(!show); }

void CustomerListCell::setNormalColor(const gfx::Color& color) {
  normalColor_ = color;
  for (auto* label : {&name_, &first_, &last_}) (*label)->setTextColor(color);
}

void CustomerListCell::setHighlightColor(const gfx::Color& color) {
  for (auto* label : {&name_, &first_, &last_}) (*label)->setHighlightedTextColor(color);
}

void CustomerListCell::setSelected(bool selected, bool animated) {
  ui::TableViewCell::setSelected(selected, animated);
  for (auto* label : {&name_, &first_, &last_}) (*label)->setHighlighted(selected);
}

void CustomerListCell::layoutSubviews() {
  ui::TableViewCell::layoutSubviews();
  const ui::Rect b = contentView().bounds();
  tagLocal_->setFrame({b.size.width - 10 - 55, 10, 55, 23});
  note_->setFrame({b.size.width - 10, 0, 10, 10});
  separator_->setFrame({15, bounds().size.height - 1, bounds().size.width - 15, 1});
}

}  // namespace mv
