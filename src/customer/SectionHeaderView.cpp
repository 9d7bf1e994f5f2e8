#include "customer/SectionHeaderView.hpp"

#include "platform/base/RunLoop.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "util/Text.hpp"

namespace mv {

SectionHeaderView::SectionHeaderView(const ui::Rect& frame, const std::string& title, long section, bool opened,
                                     std::weak_ptr<SectionHeaderViewDelegate> delegate)
    : ui::View(frame), section_(section), delegate_(std::move(delegate)) {
  setBackgroundColor(gfx::Color::rgb255(248, 248, 248));
  titleLabel_ = std::make_shared<ui::Label>(ui::Rect{15, 0, frame.width() - 35, frame.height()});
  titleLabel_->setText(uppercase(title));
  titleLabel_->setFont(gfx::Font::systemFont(17));
  titleLabel_->setTextColor(gfx::Color::black());
  titleLabel_->setBackgroundColor(gfx::Color::clear());
  addSubview(titleLabel_);
  disclosureButton_ = std::make_shared<ui::Button>(ui::Rect{0, 0, 35, frame.height()});
  disclosureButton_->setUserInteractionEnabled(false);
  // The fold indicator, in the strip left of the title: pointing right while
  // the section is folded, down while it is open.
  disclosureButton_->setTitle(std::string(kFoldedIndicator));
  disclosureButton_->setTitle(std::string(kOpenIndicator), ui::ControlStateSelected);
  disclosureButton_->setTitleColor(gfx::Color::gray());
  disclosureButton_->setTitleColor(gfx::Color::gray(), ui::ControlStateSelected);
  disclosureButton_->titleLabel().setFont(gfx::Font::systemFont(11));
  disclosureButton_->setContentHorizontalAlignment(ui::ContentHorizontalAlignment::Left);
  disclosureButton_->setContentEdgeInsets({0, 3, 0, 0});
  disclosureButton_->setSelected(opened);
  addSubview(disclosureButton_);
  auto tap = std::make_shared<ui::TapGestureRecognizer>();
  tap->addTarget([this](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureState::Ended) return;
    // Folding rebuilds the table's headers, this one too: it and its
    // recogniser stay alive until the tap has been handled.
    auto keep = self();
    toggleOpen();
    base::RunLoop::main().post([keep] {});
  });
  addGestureRecognizer(tap);
}

void SectionHeaderView::toggleOpen() {
  disclosureButton_->setSelected(!disclosureButton_->isSelected());
  auto d = delegate_.lock();
  if (!d) return;
  if (disclosureButton_->isSelected()) {
    d->sectionHeaderViewSectionOpened(*this, section_);
  } else {
    d->sectionHeaderViewSectionClosed(*this, section_);
  }
}

}  // namespace mv
