#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/IndexSet.hpp"
#include "platform/gfx/Color.hpp"
#include "platform/ui/Timer.hpp"
#include "platform/ui/View.hpp"

namespace mv {

// How a cell looks while highlighted or selected.
enum GridViewCellSelectionStyle : int {
  GridViewCellSelectionStyleNone = 0,      // only the state changes
  GridViewCellSelectionStyleBlue = 1,      // "GridSelection.png"
  GridViewCellSelectionStyleGray = 2,      // "GridSelectionGray.png"
  GridViewCellSelectionStyleGrayBlue = 3,  // "GridSelectionGrayBlue.png"
  GridViewCellSelectionStyleGreen = 4,     // "GridSelectionGreen.png"
  GridViewCellSelectionStyleRed = 5,       // "GridSelectionRed.png"
  GridViewCellSelectionStyleGlow = 6,      // a shadow around the content view
  GridViewCellSelectionStyleStateOnly = 7, // no look, the look's state changes
};

// Separator lines: style 2 draws them along the edges named by the edge mask.
enum GridViewCellSeparatorStyle : int {
  GridViewCellSeparatorStyleNone = 1,
  GridViewCellSeparatorStyleSingleLine = 2,
};
enum GridViewCellSeparatorEdge : int {
  GridViewCellSeparatorEdgeBottom = 1,
  GridViewCellSeparatorEdgeRight = 2,
  GridViewCellSeparatorEdgeBoth = 3,
};

// The base of every item view a grid shows: a reuse identifier, a content
// view subclasses fill, optional background and selected-background views,
// one-point separator lines, and a highlight and selection look. While
// highlighted in an image style, opaque descendants turn clear and
// highlightable descendants (labels, image views, controls, cells) show
// highlighted; both are put back exactly as they were afterwards.
class GridViewCell : public ui::View {
 public:
  // An empty identifier means the cell is never queued for reuse.
  GridViewCell(const ui::Rect& frame, std::string reuseIdentifier);
  ~GridViewCell() override;

  static gfx::Color defaultGridCellSeparatorColor();

  const std::string& reuseIdentifier() const { return reuseIdentifier_; }
  void setReuseIdentifier(std::string identifier) { reuseIdentifier_ = std::move(identifier); }

  // Made on first use, the size of the cell, resizing with it.
  std::shared_ptr<ui::View> contentView();
  void setContentView(std::shared_ptr<ui::View> view) { contentView_ = std::move(view); }
  bool hasContentView() const { return contentView_ != nullptr; }
  const std::shared_ptr<ui::View>& backgroundView() const { return backgroundView_; }
  void setBackgroundView(std::shared_ptr<ui::View> view);
  const std::shared_ptr<ui::View>& selectedBackgroundView() const { return selectedBackgroundView_; }
  // Nothing: the next highlight shows the selection style's image.
  void setSelectedBackgroundView(std::shared_ptr<ui::View> view);

  int selectionStyle() const { return selectionStyle_; }
  void setSelectionStyle(int style);
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected, bool animated = false);
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted, bool animated = false);
  bool isEditing() const { return editing_; }
  virtual void setEditing(bool editing, bool animated = false);
  const std::optional<gfx::Color>& selectionGlowColor() const { return selectionGlowColor_; }
  void setSelectionGlowColor(std::optional<gfx::Color> color);
  double selectionGlowShadowRadius() const { return selectionGlowShadowRadius_; }
  void setSelectionGlowShadowRadius(double radius) { selectionGlowShadowRadius_ = radius; }
  // The content view's layer; none before the content view exists.
  ui::Layer* glowSelectionLayer() const { return contentView_ ? &contentView_->layer() : nullptr; }

  // Called by the grid when the cell leaves a reuse queue.
  virtual void prepareForReuse();
  // Top to bottom, then left to right: -1, 0 or 1.
  int compareOriginAgainstCell(const GridViewCell& other) const;

  // What the grid sets.
  const std::optional<gfx::Color>& separatorColor() const { return separatorColor_; }
  void setSeparatorColor(std::optional<gfx::Color> color);
  int separatorStyle() const { return separatorStyle_; }
  void setSeparatorStyle(int style);
  int separatorEdge() const { return separatorEdge_; }
  void setSeparatorEdge(int edge);
  std::size_t displayIndex() const { return displayIndex_; }
  void setDisplayIndex(std::size_t index) { displayIndex_ = index; }
  bool isHiddenForAnimation() const { return hiddenForAnimation_; }
  // Hiding hides the view; un-marking leaves showing it to the grid.
  void setHiddenForAnimation(bool hidden);

  bool isAnimatingSelection() const { return animatingSelection_; }
  bool isBecomingHighlighted() const { return becomingHighlighted_; }
  const std::shared_ptr<ui::View>& bottomSeparatorView() const { return bottomSeparatorView_; }
  const std::shared_ptr<ui::View>& rightSeparatorView() const { return rightSeparatorView_; }
  // Whether a descendant's look is saved for restoring (tests and subclasses).
  bool hasSavedStateForView(const ui::View& view) const;
  bool hasPendingHighlightFlip() const { return fadeTimer_ && fadeTimer_->isValid(); }

  void layoutSubviews() override;

  // Whether `view` has a highlighted state (labels, image views, controls and
  // cells) and reading and setting it.
  static std::optional<bool> highlightedStateOf(const ui::View& view);
  static void setHighlightedStateOf(ui::View& view, bool highlighted);

 protected:
  void beginBackgroundHighlight(bool highlighted, bool animated);
  void flipHighlightTimerFired(bool highlighted);
  void highlightAnimationStopped();
  void makeSubviewsOfViewNonOpaque(ui::View& view, const gfx::Color& color);
  void makeSubviewsOfViewOpaqueAgain(ui::View& view);
  void highlightSubviewsOfView(ui::View& view);
  void resetHighlightForSubviewsOfView(ui::View& view);

 private:
  struct SavedState {
    // Outer: whether a colour was saved; inner: the colour (none is none).
    std::optional<std::optional<gfx::Color>> backgroundColor;
    std::optional<bool> highlighted;
  };
  SavedState* savedStateFor(const std::shared_ptr<ui::View>& view);
  ui::Rect contentFrame() const;
  std::string selectionImageName() const;

  std::string reuseIdentifier_;
  std::shared_ptr<ui::View> contentView_;
  std::shared_ptr<ui::View> backgroundView_;
  std::shared_ptr<ui::View> selectedBackgroundView_;
  std::optional<gfx::Color> separatorColor_;
  std::optional<gfx::Color> selectionGlowColor_;
  double selectionGlowShadowRadius_ = 12.0;
  std::shared_ptr<ui::View> bottomSeparatorView_, rightSeparatorView_;
  std::shared_ptr<ui::Timer> fadeTimer_;
  std::map<std::weak_ptr<ui::View>, SavedState, std::owner_less<std::weak_ptr<ui::View>>> selectionColorInfo_;
  std::size_t displayIndex_ = 0;
  int separatorStyle_ = GridViewCellSeparatorStyleNone;
  int selectionStyle_ = GridViewCellSelectionStyleGlow;
  int separatorEdge_ = 0;
  bool animatingSelection_ = false;
  bool selectionGlowColorSet_ = false;
  bool usingDefaultSelectedBackgroundView_ = true;
  bool selected_ = false;
  bool highlighted_ = false;
  bool becomingHighlighted_ = false;
  bool setShadowPath_ = false;
  bool editing_ = false;
  bool hiddenForAnimation_ = false;
  // Counts highlight changes: the end of a superseded highlight animation
  // must not undo the change that replaced it.
  std::uint64_t highlightChange_ = 0;
};

}  // namespace mv
