#include "order/AddressTableViewController.hpp"

#include "order/OrderScreenParts.hpp"

#include "platform/base/MainThread.hpp"
#include "platform/ui/Label.hpp"
#include "shell/config/LanguageManager.hpp"
#include "store/DataAccessManager.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

namespace mv {

AddressTableViewController::AddressTableViewController(DataAccessManager& database) { load(database); }

AddressTableViewController::AddressTableViewController(DataAccessManager& database, std::optional<std::string> street,
                                                       std::optional<std::string> city,
                                                       std::optional<std::string> state,
                                                       std::optional<std::string> zipCode)
    : initStreet_(std::move(street)), initCity_(std::move(city)), initState_(std::move(state)),
      initZipCode_(std::move(zipCode)) {
  load(database);
}

void AddressTableViewController::load(DataAccessManager& database) {
  MV_ASSERT_MAIN_THREAD();
  addressArray_ = database.getAllAddressAttributes();
  values_.assign(addressArray_.size(), std::string());
  // Each part's row is known from the fields themselves.
  for (std::size_t row = 0; row < addressArray_.size(); ++row) {
    const std::string& name = addressArray_[row].fieldName;
    const long r = static_cast<long>(row);
    if (name == "Address") {
      streetIndex_ = r;
      values_[row] = initStreet_.value_or("");
    } else if (name == "City") {
      cityIndex_ = r;
      values_[row] = initCity_.value_or("");
    } else if (name == "State/Province/Region") {
      stateIndex_ = r;
      values_[row] = initState_.value_or("");
    } else if (name == "Zip Code") {
      zipcodeIndex_ = r;
      values_[row] = initZipCode_.value_or("");
    }
  }
}

std::optional<std::string> AddressTableViewController::getAddressValue(long row) const {
  if (row < 0 || row >= static_cast<long>(values_.size())) return std::nullopt;
  return values_[static_cast<std::size_t>(row)];
}

ui::Size AddressTableViewController::popoverSize() const {
  return {kPopoverWidth, kRowHeight * static_cast<double>(addressArray_.size())};
}

void AddressTableViewController::viewDidLoad() {
  MV_ASSERT_MAIN_THREAD();
  ui::TableViewController::viewDidLoad();
  tableView()->setRowHeight(kRowHeight);
  tableView()->setAllowsSelection(false);
  setPreferredContentSize(popoverSize());
}

long AddressTableViewController::tableViewNumberOfRowsInSection(ui::TableView& /*tableView*/, long /*section*/) {
  return static_cast<long>(addressArray_.size());
}

std::shared_ptr<ui::TableViewCell> AddressTableViewController::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kReuseIdentifier);
  if (!cell) {
    cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kReuseIdentifier);
    cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
    auto label = std::make_shared<ui::Label>();
    label->setTag(kLabelTag);
    label->setFont(gfx::Font::boldSystemFont(15));
    label->setTextColor(gfx::Color::rgb255(53, 107, 168));
    label->setTextAlignment(gfx::TextAlignment::Right);
    label->setBackgroundColor(gfx::Color::clear());
    cell->contentView().addSubview(label);
    auto field = std::make_shared<ui::TextField>();
    field->setTag(kFieldTag);
    field->setAutocorrectionType(ui::TextAutocorrectionType::No);
    field->setFont(gfx::Font::systemFont(15));
    cell->contentView().addSubview(field);
  }
  const long row = indexPath.row;
  auto* label = static_cast<ui::Label*>(cell->contentView().viewWithTag(kLabelTag));
  auto* field = static_cast<ui::TextField*>(cell->contentView().viewWithTag(kFieldTag));
  const bool chinese = PublicFunction::interfaceLanguage() == kLanguageChinese;
  label->setFrame(chinese ? ui::Rect{5, 5, 70, 30} : ui::Rect{5, 5, 170, 30});
  field->setFrame(chinese ? ui::Rect{85, 5, 460, 30} : ui::Rect{185, 5, 360, 30});
  const char* key = row == streetIndex_ ? "STREETADDRESS"
                    : row == cityIndex_ ? "CITY"
                    : row == stateIndex_ ? "STATE"
                    : row == zipcodeIndex_ ? "ZIPCODE"
                                           : nullptr;
  label->setText(key ? text(key) : std::string());
  field->setText(values_[static_cast<std::size_t>(row)]);
  // The typed text is kept here as it changes. A reused cell drops only the
  // action of its former row: the field's own tap-to-edit stays.
  auto self = weak_from_this();
  field->removeTarget(self.lock().get());
  field->addTarget(
      self,
      [this, row](ui::Control& sender, const ui::Event*) {
        if (row < static_cast<long>(values_.size()))
          values_[static_cast<std::size_t>(row)] = static_cast<ui::TextField&>(sender).text();
      },
      ui::ControlEventEditingChanged | ui::ControlEventEditingDidEnd);
  return cell;
}

void AddressTableViewController::viewDidAppear(bool animated) {
  ui::TableViewController::viewDidAppear(animated);
  // Shown in its popover, the first part takes the keyboard.
  tableView()->layoutIfNeeded();
  auto* cell = tableView()->cellForRowAtIndexPath({0, 0});
  if (auto* field = cell ? dynamic_cast<ui::TextField*>(cell->contentView().viewWithTag(kFieldTag)) : nullptr)
    field->becomeFirstResponder();
}

}  // namespace mv
