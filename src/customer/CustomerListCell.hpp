#pragma once
// One row of the customer list: the customer's name, or a contact's first and
// last name laid out by the interface language, grey for a hidden customer,
// the "LOCAL" tag for a customer made on the device, the note mark, and a
// long press and a tap reported to the list.
#include <memory>
#include <string>

#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableViewCell.hpp"

namespace mv {

class CustomerListCell;

class CustomerListCellDelegate {
 public:
  virtual ~CustomerListCellDelegate() = default;
  virtual void customerListCellDidLongPress(CustomerListCell& cell) = 0;
  virtual void customerListCellDidClick(CustomerListCell& cell) = 0;
};

class CustomerListCell : public ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "Cell";
  // What the two contact names share at the most.
  static constexpr double kNamesWidth = 250;

  // Where the two names of a contact row go: the one shown first starts at
  // 15; the language decides which that is (2, Chinese: the last name).
  struct NameLayout {
    bool lastNameFirst = false;
    double firstX = 15, firstWidth = 0;
    double secondX = 0, secondWidth = 0;
  };
  static NameLayout layoutNames(double firstShownWidth, double secondShownWidth, int language);

  CustomerListCell();

  // The customer's name (both contact names emptied).
  void setCellValue(const std::string& name);
  // A contact's names (the customer name emptied).
  void setFristName(const std::string& first, const std::string& last);
  void setNoteShow(bool show);
  void setNormalColor(const gfx::Color& color);
  void setHighlightColor(const gfx::Color& color);
  void setCellDelegate(std::weak_ptr<CustomerListCellDelegate> delegate) { cellDelegate_ = std::move(delegate); }

  ui::Label& lbcustomer_name() const { return *name_; }
  ui::Label& fristNameLabel() const { return *first_; }
  ui::Label& lastNameLabel() const { return *last_; }
  ui::Button& tagLocal() const { return *tagLocal_; }
  ui::ImageView& noteImageView() const { return *note_; }
  const gfx::Color& normalColor() const { return normalColor_; }

  // As the gestures report them (tests drive these).
  void handleLongPress();
  void handleTap();

  // A selected row shows its names in the highlight colour.
  void setSelected(bool selected, bool animated = false) override;
  void layoutSubviews() override;

 private:
  std::shared_ptr<ui::Label> name_, first_, last_;
  std::shared_ptr<ui::Button> tagLocal_;
  std::shared_ptr<ui::ImageView> note_, separator_;
  gfx::Color normalColor_ = gfx::Color::black();
  std::weak_ptr<CustomerListCellDelegate> cellDelegate_;
};

}  // namespace mv
