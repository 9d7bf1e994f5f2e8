#pragma once
// A strip of browser-style tabs, 180 points wide at a pitch of 175 so that
// neighbours overlap: the selected tab lies on top, tabs to its left overlap
// rightwards and tabs to its right leftwards. Touching a tab selects it and
// tells the delegate. Tabs can be added (while they fit) and removed (never
// the last one); removed tabs wait in a queue for reuse. Tabs are not dragged.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "library/BrowserTab.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class BrowserTabView;

class BrowserTabViewDelegate {
 public:
  virtual ~BrowserTabViewDelegate() = default;
  virtual void BrowserTabViewDidSelecedAtIndex(BrowserTabView& /*tabView*/, long /*index*/) {}
  virtual void BrowserTabViewDidRemoveTabAtIndex(BrowserTabView& /*tabView*/, long /*index*/) {}
  virtual void BrowserTabViewExchangeTabAtIndex(BrowserTabView& /*tabView*/, long /*index*/, long /*withIndex*/) {}
};

class BrowserTabView : public ui::View {
 public:
  static constexpr const char* kReuseIdentifier = "UserIndentifier";
  static constexpr const char* kUntitled = "new Tab";
  static constexpr double kTabWidth = 180;
  static constexpr double kTabPitch = 175;

  // Call `initWithTabTitles` once held by a shared pointer.
  BrowserTabView();
  ~BrowserTabView() override;
  // The strip at its place in the head bar with one tab per title, the
  // first selected (which the delegate already hears).
  static std::shared_ptr<BrowserTabView> initWithTabTitles(const std::vector<std::string>& titles,
                                                           std::weak_ptr<BrowserTabViewDelegate> delegate);

  long numberOfTabs() const { return static_cast<long>(tabsArray_.size()); }
  long selectedTabIndex() const { return selectedTabIndex_; }
  const std::vector<std::shared_ptr<BrowserTab>>& tabsArray() const { return tabsArray_; }
  const std::vector<ui::Rect>& tabFramesArray() const { return tabFramesArray_; }
  const std::vector<std::shared_ptr<BrowserTab>>& reuseQueue() const { return reuseQueue_; }
  void setDelegate(std::weak_ptr<BrowserTabViewDelegate> d) { delegate_ = std::move(d); }

  // Tells the delegate, then lays the tabs out around the selected one.
  void setSelectedTabIndex(long index, bool animated);
  // False (nothing added) when one more tab would not fit.
  bool addTabWithTitle(const std::optional<std::string>& title);
  void removeTabAtIndex(long index, bool animated);
  std::shared_ptr<BrowserTab> dequeueTabUsingReuseIdentifier(const std::string& identifier);
  void caculateFrame();

 private:
  std::shared_ptr<BrowserTab> makeTab(const std::string& title);
  void renumber();

  std::vector<std::shared_ptr<BrowserTab>> tabsArray_;
  std::vector<ui::Rect> tabFramesArray_;
  std::vector<std::shared_ptr<BrowserTab>> reuseQueue_;
  long selectedTabIndex_ = 0;
  std::weak_ptr<BrowserTabViewDelegate> delegate_;
};

}  // namespace mv
