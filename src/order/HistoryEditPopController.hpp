#pragma once
// The small copy/delete popover of a row of the order list.
#include <memory>

#include "platform/ui/Button.hpp"
#include "platform/ui/ViewController.hpp"

namespace mv {

class HistoryEditPopControllerDelegate {
 public:
  virtual ~HistoryEditPopControllerDelegate() = default;
  virtual void historyOrderCopy(long row) = 0;
  virtual void historyOrderDelete(long row) = 0;
};

class HistoryEditPopController : public ui::ViewController {
 public:
  static constexpr double kWidth = 121;
  static constexpr double kHeight = 34;
  static constexpr long kCopyTag = 1000;
  static constexpr long kDeleteTag = 1001;

  HistoryEditPopController();

  long cellTag() const { return cellTag_; }
  void setCellTag(long row) { cellTag_ = row; }
  void setDelegate(std::weak_ptr<HistoryEditPopControllerDelegate> delegate) { delegate_ = std::move(delegate); }
  ui::Button& copyButton() { view(); return *copy_; }
  ui::Button& deleteButton() { view(); return *delete_; }
  void updateLanguage();

  void loadView() override;

 private:
  std::shared_ptr<ui::Button> copy_, delete_;
  long cellTag_ = -1;
  std::weak_ptr<HistoryEditPopControllerDelegate> delegate_;
};

}  // namespace mv
