#pragma once
// A row for an unsubmitted order with its date, name, Edit and Delete. The
// order list uses its own row; this one keeps its look for screens that may.
#include <memory>

#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableViewCell.hpp"

namespace mv {

class UnsubmittedOrdersTableViewCell : public ui::TableViewCell {
 public:
  explicit UnsubmittedOrdersTableViewCell(std::string reuseIdentifier = {});

  ui::Label& dateLabel() const { return *date_; }
  ui::Label& nameLabel() const { return *name_; }
  ui::Button& editButton() const { return *edit_; }
  ui::Button& deleteButton() const { return *delete_; }
  ui::ImageView& separatorImageView() const { return *separator_; }

  // The titles again in the current language.
  void notifiChangelanguage();
  void layoutSubviews() override;

 private:
  std::shared_ptr<ui::Label> date_, name_;
  std::shared_ptr<ui::Button> edit_, delete_;
  std::shared_ptr<ui::ImageView> separator_;
};

}  // namespace mv
