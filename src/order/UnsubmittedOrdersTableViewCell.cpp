#include "order/UnsubmittedOrdersTableViewCell.hpp"

#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

UnsubmittedOrdersTableViewCell::UnsubmittedOrdersTableViewCell(std::string reuseIdentifier)
    : ui::TableViewCell(ui::TableViewCellStyle::Default, std::move(reuseIdentifier)) {
  date_ = std::make_shared<ui::Label>();
  name_ = std::make_shared<ui::Label>();
  edit_ = std::make_shared<ui::Button>();
  delete_ = std::make_shared<ui::Button>();
  for (auto* b : {&edit_, &delete_}) {
    ViewStyle::initializeToButtonHeight30(**b);
    (*b)->setTitleColor(gfx::Color::white());
  }
  separator_ = std::make_shared<ui::ImageView>();
  separator_->setImage(WidgetSkin::skinFromImageName("rightline.png"));
  for (const std::shared_ptr<ui::View>& v : std::initializer_list<std::shared_ptr<ui::View>>{date_, name_, edit_, delete_, separator_})
    contentView().addSubview(v);
  notifiChangelanguage();
}

void UnsubmittedOrdersTableViewCell::notifiChangelanguage() {
  edit_->setTitle(textForKey("EDIT").value_or("EDIT"));
  delete_->setTitle(textForKey("DELETE").value_or("DELETE"));
}

void UnsubmittedOrdersTableViewCell::layoutSubviews() {
  ui::TableViewCell::layoutSubviews();
  const double w = contentView().bounds().width();
  const double h = contentView().bounds().height();
  const double u = static_cast<float>(w / 9);
  date_->setFrame({15, 15, 3 * u - 15, h - 30});
  name_->setFrame({3 * u + 15, 15, 3 * u - 15, h - 30});
  edit_->setFrame({6 * u + 15, h / 2 - 15, 1.5 * u - 15, 30});
  delete_->setFrame({7.5 * u + 15, h / 2 - 15, 1.5 * u - 20, 30});
  separator_->setFrame({15, h - 1, w - 30, 1});
}

}  // namespace mv
