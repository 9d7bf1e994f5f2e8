#include "order/HistoryEditPopController.hpp"

#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

HistoryEditPopController::HistoryEditPopController() { setPreferredContentSize({kWidth, kHeight}); }

void HistoryEditPopController::loadView() {
  auto v = std::make_shared<ui::View>(ui::Rect{0, 0, kWidth, kHeight});
  v->setBackgroundColor(gfx::Color::white());
  auto button = [&](double x, long tag) {
    auto b = std::make_shared<ui::Button>(ui::Rect{x, 0, 60, kHeight});
    b->setTag(tag);
    b->titleLabel().setFont(gfx::Font::boldSystemFont(15));
    b->setTitleColor(gfx::Color::darkGray());
    b->setTitleColor(ViewStyle::colorOfMainTheme(), ui::ControlStateHighlighted);
    b->addAction(
        [this, tag](ui::Control&, const ui::Event*) {
          auto d = delegate_.lock();
          if (!d) return;
          if (tag == kCopyTag) {
            d->historyOrderCopy(cellTag_);
          } else {
            d->historyOrderDelete(cellTag_);
          }
        },
        ui::ControlEventTouchUpInside);
    v->addSubview(b);
    return b;
  };
  copy_ = button(0, kCopyTag);
  delete_ = button(61, kDeleteTag);
  auto divider = std::make_shared<ui::View>(ui::Rect{60, 6, 1, kHeight - 12});
  divider->setBackgroundColor(gfx::Color::lightGray());
  v->addSubview(divider);
  setView(v);
  updateLanguage();
}

void HistoryEditPopController::updateLanguage() {
  if (!copy_) return;
  copy_->setTitle(textForKey("COPY").value_or("COPY"));
  delete_->setTitle(textForKey("DELETE").value_or("DELETE"));
}

}  // namespace mv
