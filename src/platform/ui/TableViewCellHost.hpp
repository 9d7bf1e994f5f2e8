#pragma once
// What a cell asks of the table it sits in. The table implements it, so a
// cell knows nothing else of tables.
#include <optional>

#include "platform/gfx/Color.hpp"

namespace ui {

class TableViewCell;

class TableViewCellHost {
 public:
  static constexpr double kDefaultRowHeight = 44;

  // The cell's detail button, editing control (the round insert or delete
  // button) and confirmed delete button were tapped.
  virtual void cellAccessoryButtonTapped(TableViewCell& cell) = 0;
  virtual void cellEditingControlTapped(TableViewCell& cell) = 0;
  virtual void cellDeleteButtonTapped(TableViewCell& cell) = 0;
  // The line a cell draws along its bottom edge; nothing for none.
  virtual std::optional<gfx::Color> cellSeparatorColor() const = 0;

 protected:
  ~TableViewCellHost() = default;
};

}  // namespace ui
