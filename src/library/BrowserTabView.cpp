#include "library/BrowserTabView.hpp"

#include "util/FitCGRect.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

BrowserTabView::BrowserTabView() : ui::View(FitCGRect::sharedInstance().fitCGRectBy(650, 25, 1024, 44)) {
  setBackgroundColor(gfx::Color::clear());
  setOpaque(false);
}

BrowserTabView::~BrowserTabView() {
  for (auto& tab : tabsArray_) tab->setDelegate(nullptr);
  for (auto& tab : reuseQueue_) tab->setDelegate(nullptr);
}

std::shared_ptr<BrowserTabView> BrowserTabView::initWithTabTitles(const std::vector<std::string>& titles,
                                                                  std::weak_ptr<BrowserTabViewDelegate> delegate) {
  auto strip = std::make_shared<BrowserTabView>();
  strip->delegate_ = std::move(delegate);
  for (const auto& title : titles) {
    auto tab = strip->makeTab(title);
    tab->setIndex(strip->numberOfTabs());
    strip->tabsArray_.push_back(tab);
    strip->addSubview(tab);
  }
  strip->caculateFrame();
  if (!strip->tabsArray_.empty()) strip->setSelectedTabIndex(0, false);
  return strip;
}

std::shared_ptr<BrowserTab> BrowserTabView::makeTab(const std::string& title) {
  auto tab = std::make_shared<BrowserTab>(kReuseIdentifier, this);
  tab->setTitleFont(gfx::Font::named("HelveticaNeue-Bold", 17));
  tab->setNormalTitleColor(gfx::Color::white());
  tab->setSelectedTitleColor(ViewStyle::colorOfMainTheme());
  tab->setTitle(title);
  return tab;
}

void BrowserTabView::caculateFrame() {
  tabFramesArray_.clear();
  const double height = bounds().height() - 5;
  for (long i = 0; i < numberOfTabs(); ++i) {
    tabFramesArray_.push_back({kTabPitch * static_cast<double>(i), 0, kTabWidth, height});
  }
}

void BrowserTabView::renumber() {
  for (std::size_t i = 0; i < tabsArray_.size(); ++i) tabsArray_[i]->setIndex(static_cast<long>(i));
}

void BrowserTabView::setSelectedTabIndex(long index, bool animated) {
  selectedTabIndex_ = index;
  auto keep = shared_from_this();
  if (auto d = delegate_.lock()) d->BrowserTabViewDidSelecedAtIndex(*this, index);
  if (tabFramesArray_.size() != tabsArray_.size()) caculateFrame();
  auto place = [&] {
    const long count = numberOfTabs();
    for (long i = 0; i < std::min(index, count); ++i) {
      auto& tab = tabsArray_[static_cast<std::size_t>(i)];
      tab->setFrame(tabFramesArray_[static_cast<std::size_t>(i)]);
      tab->setDelegate(this);
      tab->setSelected(false);
      bringSubviewToFront(tab.get());
    }
    for (long i = count - 1; i >= std::max(index, 0L); --i) {
      auto& tab = tabsArray_[static_cast<std::size_t>(i)];
      tab->setSelected(i == index);
      tab->setFrame(tabFramesArray_[static_cast<std::size_t>(i)]);
      bringSubviewToFront(tab.get());
    }
  };
  if (animated) {
    ui::View::animate(0.3, place);
  } else {
    place();
  }
}

bool BrowserTabView::addTabWithTitle(const std::optional<std::string>& title) {
  if (static_cast<double>(numberOfTabs()) * kTabWidth > bounds().width()) return false;
  auto tab = dequeueTabUsingReuseIdentifier(kReuseIdentifier);
  if (tab) {
    tab->setDelegate(this);
    tab->setTitle(title.value_or(kUntitled));
  } else {
    tab = makeTab(title.value_or(kUntitled));
  }
  tabsArray_.push_back(tab);
  addSubview(tab);
  renumber();
  for (auto& t : tabsArray_) t->setSelected(false);
  caculateFrame();
  tab->setFrame(tabFramesArray_.back());
  tab->setSelected(true);
  setSelectedTabIndex(numberOfTabs() - 1, false);
  return true;
}

void BrowserTabView::removeTabAtIndex(long index, bool animated) {
  if (index < 0 || index >= numberOfTabs() || numberOfTabs() <= 1) return;
  const bool wasLast = index == numberOfTabs() - 1;
  auto tab = tabsArray_[static_cast<std::size_t>(index)];
  tabsArray_.erase(tabsArray_.begin() + index);
  tab->removeFromSuperview();
  reuseQueue_.push_back(tab);
  renumber();
  caculateFrame();
  setSelectedTabIndex(wasLast ? index - 1 : index, animated);
  if (auto d = delegate_.lock()) d->BrowserTabViewDidRemoveTabAtIndex(*this, index);
}

std::shared_ptr<BrowserTab> BrowserTabView::dequeueTabUsingReuseIdentifier(const std::string& identifier) {
  for (auto it = reuseQueue_.begin(); it != reuseQueue_.end(); ++it) {
    if ((*it)->reuseIdentifier() != identifier) continue;
    auto tab = *it;
    reuseQueue_.erase(it);
    tab->prepareForReuse();
    return tab;
  }
  return nullptr;
}

}  // namespace mv
