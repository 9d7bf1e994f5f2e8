#pragma once
#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/NavigationBar.hpp"
#include "platform/ui/ViewController.hpp"

namespace ui {

class NavigationController;

// Hears a navigation controller change its top controller.
class NavigationControllerDelegate {
 public:
  virtual ~NavigationControllerDelegate() = default;
  virtual void navigationControllerWillShowViewController(NavigationController& /*nav*/, ViewController& /*vc*/,
                                                          bool /*animated*/) {}
  virtual void navigationControllerDidShowViewController(NavigationController& /*nav*/, ViewController& /*vc*/,
                                                         bool /*animated*/) {}
};

// A stack of controllers, the top one's view shown below a navigation bar.
// Pushing slides the new view in from the right (0.35 s when animated) and
// popping slides it back out; the bar shows the top controller's navigation
// item, with a back button that pops. The bar sits under the status bar
// when the controller's view reaches the top of the screen, and the
// content fills the rest (all of the view while the bar is hidden). The
// stack is `childViewControllers()`; a popped controller keeps its
// navigation controller until its pop has finished.
class NavigationController : public ViewController {
 public:
  explicit NavigationController(std::shared_ptr<ViewController> rootViewController = nullptr);
  ~NavigationController() override;

  std::vector<std::shared_ptr<ViewController>> viewControllers() const { return childViewControllers(); }
  void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated = false);
  ViewController* topViewController() const;
  // The top controller, or what it presents.
  ViewController* visibleViewController() const;

  // A controller already in a stack (or presented) is refused.
  virtual void pushViewController(std::shared_ptr<ViewController> controller, bool animated);
  // Nothing at the root.
  virtual std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
  // Pops with a reveal: the screen below stays where it is while the top one
  // slides off to the right over `duration` seconds, easing in and out.
  std::shared_ptr<ViewController> popViewControllerRevealing(double duration);
  std::vector<std::shared_ptr<ViewController>> popToRootViewControllerAnimated(bool animated);
  std::vector<std::shared_ptr<ViewController>> popToViewController(ViewController* controller, bool animated);

  NavigationBar& navigationBar();
  bool isNavigationBarHidden() const { return barHidden_; }
  void setNavigationBarHidden(bool hidden, bool animated = false);

  std::shared_ptr<NavigationControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<NavigationControllerDelegate> d) { delegate_ = std::move(d); }

  void loadView() override;
  // Places the bar and the top controller's view (run by the view's layout).
  void layoutContents();
  // Where the top controller's view goes, in this controller's view.
  Rect contentFrame() const;

  static constexpr double kTransitionDuration = 0.35;

 private:
  void adopt(const std::shared_ptr<ViewController>& c);
  void release(ViewController* c);
  void refreshBar();
  double statusStrip() const;
  void replaceTop(const std::shared_ptr<ViewController>& from, const std::shared_ptr<ViewController>& to,
                  bool forward, bool animated, std::vector<std::shared_ptr<ViewController>> removed);

  std::shared_ptr<NavigationBar> bar_;
  bool barHidden_ = false;
  std::weak_ptr<NavigationControllerDelegate> delegate_;
  std::vector<std::weak_ptr<ViewController>> leaving_;
  // Set while a revealing pop runs its transition.
  std::optional<double> revealDuration_;
};

}  // namespace ui
