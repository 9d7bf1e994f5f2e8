#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Application.hpp"
#include "platform/ui/Responder.hpp"
#include "platform/ui/View.hpp"

namespace ui {

// Owns one screen's view, made on first use (`loadView`, then
// `viewDidLoad`), and hears when it appears and disappears. Containers
// (navigation, tabs, presentation) build on the child list and the
// appearance calls.
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
  virtual void viewWillAppear(bool animated) { (void)animated; }
  virtual void viewDidAppear(bool animated) { (void)animated; }
  virtual void viewWillDisappear(bool animated) { (void)animated; }
  virtual void viewDidDisappear(bool animated) { (void)animated; }
  virtual void viewWillLayoutSubviews() {}
  virtual void viewDidLayoutSubviews() {}
  virtual void didReceiveMemoryWarning();
  virtual void viewDidUnload() {}

  // The application runs in landscape only; rotation is never offered.
  virtual bool shouldAutorotate() const { return false; }
  InterfaceOrientation interfaceOrientation() const { return InterfaceOrientation::LandscapeRight; }

  const std::string& title() const { return title_; }
  virtual void setTitle(const std::string& title) { title_ = title; }

  // Containment.
  ViewController* parentViewController() const { return parent_; }
  const std::vector<std::shared_ptr<ViewController>>& childViewControllers() const { return children_; }
  void addChildViewController(std::shared_ptr<ViewController> child);
  void removeFromParentViewController();
  virtual void willMoveToParentViewController(ViewController* parent) { (void)parent; }
  virtual void didMoveToParentViewController(ViewController* parent) { (void)parent; }

  // Appearance calls as containers send them: will-appear/disappear now,
  // did- when `endAppearanceTransition` follows. Repeated calls in the same
  // direction are ignored, so a screen never hears "appear" twice in a row.
  void beginAppearanceTransition(bool appearing, bool animated);
  void endAppearanceTransition();
  // Between did-appear and will-disappear.
  bool isVisible() const { return appearance_ == Appearance::Appeared; }

  Responder* nextResponder() const override;

 protected:
  Window* focusWindow() const override;

 private:
  enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };
  std::shared_ptr<View> view_;
  std::string title_;
  ViewController* parent_ = nullptr;
  std::vector<std::shared_ptr<ViewController>> children_;
  Appearance appearance_ = Appearance::Disappeared;
  bool transitionAnimated_ = false;
  bool loading_ = false;
};

}  // namespace ui
