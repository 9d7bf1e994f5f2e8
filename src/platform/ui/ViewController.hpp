#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Application.hpp"
#include "platform/ui/NavigationItem.hpp"
#include "platform/ui/Responder.hpp"
#include "platform/ui/TabBarItem.hpp"
#include "platform/ui/View.hpp"

namespace ui {

class NavigationController;
class TabBarController;

enum class ModalPresentationStyle { FullScreen = 0, PageSheet = 1, FormSheet = 2, CurrentContext = 3 };
enum class ModalTransitionStyle { CoverVertical = 0, CrossDissolve = 2 };

// Owns one screen's view, made on first use (`loadView`, then
// `viewDidLoad`), and hears when it appears and disappears.
//
// Appearance calls come in the platform's order. Pushing B over A (or
// presenting B full screen over A, or switching tabs from A to B): B's view
// loads, A will disappear, B will appear, then, after the transition, A did
// disappear and B did appear. Popping or dismissing is the mirror image. A
// form sheet or page sheet leaves its presenter on screen: the presenter
// hears nothing. Without animation the whole sequence runs before the call
// returns; with animation the did- calls and completions run when the
// transition ends on the main loop's clock. A container forwards its own
// appearance calls to the children whose views are inside its view,
// parent first.
//
// Presenting goes to the controller at the top of this one's parent chain
// (its presentation context), which must be on screen and not presenting
// already; full-screen presentations take the presenter's view out of the
// window until they are dismissed. Dismissing on a presented controller (or
// any of its children) dismisses it; on a presenter it dismisses what it
// presents, together with anything that presents in turn.
class ViewController : public Responder, public std::enable_shared_from_this<ViewController> {
 public:
  ViewController();
  ~ViewController() override;
  ViewController(const ViewController&) = delete;
  ViewController& operator=(const ViewController&) = delete;

  // The view, loaded on first access.
  std::shared_ptr<View> view();
  View* viewIfLoaded() const { return view_.get(); }
  bool isViewLoaded() const { return view_ != nullptr; }
  void setView(std::shared_ptr<View> view);

  // Makes the view; the default is a plain view the size of the screen.
  virtual void loadView();
  virtual void viewDidLoad() {}
  virtual void viewWillAppear(bool /*animated*/) {}
  virtual void viewDidAppear(bool /*animated*/) {}
  virtual void viewWillDisappear(bool /*animated*/) {}
  virtual void viewDidDisappear(bool /*animated*/) {}
  virtual void viewWillLayoutSubviews() {}
  virtual void viewDidLayoutSubviews() {}
  // Called once per memory warning (Application::simulateMemoryWarning) on
  // every controller in use; the default does nothing.
  virtual void didReceiveMemoryWarning() {}
  virtual void viewDidUnload() {}

  // The application runs in landscape only; rotation is never offered.
  virtual bool shouldAutorotate() const { return false; }
  InterfaceOrientation interfaceOrientation() const { return InterfaceOrientation::LandscapeRight; }

  const std::string& title() const { return title_; }
  // Also the navigation item's title.
  virtual void setTitle(const std::string& title);

  // --- Containment -------------------------------------------------------------
  ViewController* parentViewController() const { return parent_; }
  const std::vector<std::shared_ptr<ViewController>>& childViewControllers() const { return children_; }
  void addChildViewController(std::shared_ptr<ViewController> child);
  void removeFromParentViewController();
  virtual void willMoveToParentViewController(ViewController* /*parent*/) {}
  virtual void didMoveToParentViewController(ViewController* /*parent*/) {}
  // The nearest navigation or tab bar controller among the ancestors.
  NavigationController* navigationController() const;
  TabBarController* tabBarController() const;
  NavigationItem& navigationItem() { return navigationItem_; }
  TabBarItem& tabBarItem() { return tabBarItem_; }
  bool hidesBottomBarWhenPushed() const { return hidesBottomBarWhenPushed_; }
  void setHidesBottomBarWhenPushed(bool on) { hidesBottomBarWhenPushed_ = on; }
  // True during the push (pop) that adds it to (removes it from) a navigation stack.
  bool isMovingToParentViewController() const { return movingTo_; }
  bool isMovingFromParentViewController() const { return movingFrom_; }

  // --- Appearance ------------------------------------------------------------------
  // Appearance calls as containers send them: will-appear/disappear now,
  // did- when `endAppearanceTransition` follows. Repeated calls in the same
  // direction are ignored, so a screen never hears "appear" twice in a row.
  void beginAppearanceTransition(bool appearing, bool animated);
  void endAppearanceTransition();
  // Between did-appear and will-disappear.
  bool isVisible() const { return appearance_ == Appearance::Appeared; }
  // Between will-appear and will-disappear: on screen or arriving.
  bool isShowing() const { return appearance_ == Appearance::Appeared || appearance_ == Appearance::Appearing; }

  // --- Presentation --------------------------------------------------------------------
  void presentViewController(std::shared_ptr<ViewController> controller, bool animated,
                             std::function<void()> completion = {});
  void dismissViewControllerAnimated(bool animated, std::function<void()> completion = {});
  // The older forms, the same without completions.
  void presentModalViewController(std::shared_ptr<ViewController> controller, bool animated) {
    presentViewController(std::move(controller), animated);
  }
  void dismissModalViewControllerAnimated(bool animated) { dismissViewControllerAnimated(animated); }
  // What this controller (or its presentation context) presents, and who presents it.
  ViewController* presentedViewController() const;
  ViewController* presentingViewController() const;
  ViewController* modalViewController() const { return presentedViewController(); }
  ModalPresentationStyle modalPresentationStyle() const { return presentationStyle_; }
  void setModalPresentationStyle(ModalPresentationStyle s) { presentationStyle_ = s; }
  ModalTransitionStyle modalTransitionStyle() const { return transitionStyle_; }
  void setModalTransitionStyle(ModalTransitionStyle s) { transitionStyle_ = s; }
  bool isBeingPresented() const { return beingPresented_; }
  bool isBeingDismissed() const { return beingDismissed_; }
  // Whether the keyboard stays up when a text input inside this presented
  // controller ends editing; form sheets keep it by default.
  virtual bool disablesAutomaticKeyboardDismissal() const {
    return presentationStyle_ == ModalPresentationStyle::FormSheet;
  }

  // The size the controller asks for inside a popover (zero: the popover's default).
  Size preferredContentSize() const { return preferredContentSize_; }
  void setPreferredContentSize(Size s) { preferredContentSize_ = s; }
  Size contentSizeForViewInPopover() const { return preferredContentSize_; }
  void setContentSizeForViewInPopover(Size s) { preferredContentSize_ = s; }

  bool isEditing() const { return editing_; }
  virtual void setEditing(bool editing, bool animated = false);

  Responder* nextResponder() const override;
  // A screen presented over another closes on Escape as its close button
  // would: `closeButtonItem` of its navigation's front screen (or its own),
  // when it has one (nothing while it is disabled), else it is dismissed.
  // Others take no Escape.
  bool escapePressed() override;
  // The bar button that closes this screen: by default the left one of its
  // bar; a screen whose close button stands elsewhere (a Done at the right)
  // names it, so that Escape closes it the same way.
  virtual std::shared_ptr<BarButtonItem> closeButtonItem() { return navigationItem().leftBarButtonItem(); }

  // `root`, its children and what they present, and so on, depth first.
  static std::vector<ViewController*> controllersBelow(ViewController* root);

  static constexpr Size kFormSheetSize{540, 620};
  static constexpr double kPresentationDuration = 0.4;

 protected:
  Window* focusWindow() const override;
  // Runs a container transition: `animations` inside a view animation of
  // `duration` when animated (and animations are on), then `finish`; without
  // animation both at once. A transition still running finishes first.
  void runTransition(bool animated, double duration, const std::function<void()>& animations,
                     std::function<void()> finish);
  // Completes a running transition now.
  void finishPendingTransition();
  // Children whose appearance follows this controller's (by default those
  // whose views are inside this controller's view).
  virtual bool forwardsAppearanceTo(const ViewController& child) const;

 private:
  friend class NavigationController;
  friend class TabBarController;
  friend class Window;
  friend class PopoverController;
  enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };
  struct Presentation;

  ViewController* presentationContext();
  void dismissPresented(bool animated, std::function<void()> completion);
  // Takes down what this controller presents without appearance calls for
  // itself (the window is replacing it).
  void tearDownPresentations();

  std::shared_ptr<View> view_;
  std::string title_;
  ViewController* parent_ = nullptr;
  std::vector<std::shared_ptr<ViewController>> children_;
  Appearance appearance_ = Appearance::Disappeared;
  bool transitionAnimated_ = false;
  bool loading_ = false;
  NavigationItem navigationItem_;
  TabBarItem tabBarItem_;
  bool hidesBottomBarWhenPushed_ = false;
  bool movingTo_ = false;
  bool movingFrom_ = false;
  bool editing_ = false;
  Size preferredContentSize_;

  ModalPresentationStyle presentationStyle_ = ModalPresentationStyle::FullScreen;
  ModalTransitionStyle transitionStyle_ = ModalTransitionStyle::CoverVertical;
  std::shared_ptr<ViewController> presented_;
  ViewController* presenting_ = nullptr;
  std::unique_ptr<Presentation> presentation_;
  bool beingPresented_ = false;
  bool beingDismissed_ = false;
  std::shared_ptr<std::function<void()>> pendingTransition_;
};

}  // namespace ui
