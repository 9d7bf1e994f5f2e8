#pragma once
#include <memory>
#include <vector>

#include "platform/base/IndexSet.hpp"
#include "platform/ui/TabBar.hpp"
#include "platform/ui/ViewController.hpp"

namespace ui {

class TabBarController;

// Hears the user pick a tab on the system bar (selection by code tells it nothing).
class TabBarControllerDelegate {
 public:
  virtual ~TabBarControllerDelegate() = default;
  virtual bool tabBarControllerShouldSelectViewController(TabBarController& /*tbc*/, ViewController& /*vc*/) {
    return true;
  }
  virtual void tabBarControllerDidSelectViewController(TabBarController& /*tbc*/, ViewController& /*vc*/) {}
};

// Shows one of its controllers at a time, chosen by the selected index,
// with the system tab bar along the bottom. An application that draws its
// own bar hides the system one (`tabBar().setHidden(true)`); the selected
// controller's view then fills the whole view. Switching tabs while on
// screen runs the appearance calls at once: the old controller will
// disappear, the new one will appear, the old did disappear, the new did
// appear.
class TabBarController : public ViewController {
 public:
  TabBarController();
  ~TabBarController() override;

  std::vector<std::shared_ptr<ViewController>> viewControllers() const { return childViewControllers(); }
  // Keeps the selection on the same controller when it stays, else selects the first.
  void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated = false);
  std::size_t selectedIndex() const { return selected_; }
  // Out of range is ignored.
  void setSelectedIndex(std::size_t index);
  ViewController* selectedViewController() const;
  void setSelectedViewController(ViewController* controller);
  // As a tap on the system bar's item: asks the delegate, selects, tells it.
  bool selectTabFromBar(std::size_t index);

  TabBar& tabBar() { return *bar_; }
  std::vector<std::shared_ptr<ViewController>> customizableViewControllers() const { return customizable_; }
  void setCustomizableViewControllers(std::vector<std::shared_ptr<ViewController>> c) { customizable_ = std::move(c); }

  std::shared_ptr<TabBarControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<TabBarControllerDelegate> d) { delegate_ = std::move(d); }

  void loadView() override;
  void layoutContents();
  // Where the selected controller's view goes.
  Rect contentFrame() const;

 private:
  void refreshBar();
  void show(std::size_t index);

  std::shared_ptr<TabBar> bar_;
  std::size_t selected_ = base::NotFound;
  std::vector<std::shared_ptr<ViewController>> customizable_;
  std::weak_ptr<TabBarControllerDelegate> delegate_;
};

}  // namespace ui
