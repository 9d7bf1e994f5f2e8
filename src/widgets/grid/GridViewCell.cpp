#include "widgets/grid/GridViewCell.hpp"

#include <ranges>

#include "platform/gfx/Image.hpp"
#include "platform/gfx/Path.hpp"
#include "platform/ui/Control.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/WeakAs.hpp"

namespace mv {

namespace {

constexpr double kHighlightFlipDelay = 0.1;

}  // namespace

GridViewCell::GridViewCell(const ui::Rect& frame, std::string reuseIdentifier)
    : ui::View(frame), reuseIdentifier_(std::move(reuseIdentifier)) {
  setBackgroundColor(gfx::Color::white());
}

GridViewCell::~GridViewCell() {
  if (fadeTimer_) fadeTimer_->invalidate();
}

gfx::Color GridViewCell::defaultGridCellSeparatorColor() { return gfx::Color::white(0.8); }

std::shared_ptr<ui::View> GridViewCell::contentView() {
  if (!contentView_) {
    auto view = std::make_shared<ui::View>(bounds());
    view->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    view->setAutoresizesSubviews(true);
    setAutoresizesSubviews(true);
    view->setBackgroundColor(gfx::Color::white());
    view->layer().setValue("VexoHackInterestingLayer", true);
    contentView_ = view;
    addSubview(view);
  }
  return contentView_;
}

ui::Rect GridViewCell::contentFrame() const {
  ui::Rect r = bounds();
  double w = r.width(), h = r.height();
  if (separatorStyle_ == GridViewCellSeparatorStyleSingleLine) {
    if (separatorEdge_ & GridViewCellSeparatorEdgeBottom) h -= 1;
    if (separatorEdge_ & GridViewCellSeparatorEdgeRight) w -= 1;
  }
  return {r.x(), r.y(), w, h};
}

void GridViewCell::setBackgroundView(std::shared_ptr<ui::View> view) {
  if (view == backgroundView_) return;
  if (backgroundView_ && backgroundView_->superview() == this) backgroundView_->removeFromSuperview();
  backgroundView_ = std::move(view);
  if (!backgroundView_) return;
  backgroundView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  backgroundView_->setFrame(contentFrame());
  insertSubview(backgroundView_, 0);
}

void GridViewCell::setSelectedBackgroundView(std::shared_ptr<ui::View> view) {
  if (view != selectedBackgroundView_) {
    if (selectedBackgroundView_ && selectedBackgroundView_->superview() == this)
      selectedBackgroundView_->removeFromSuperview();
    selectedBackgroundView_ = std::move(view);
    if (selectedBackgroundView_) {
      selectedBackgroundView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
      selectedBackgroundView_->setFrame(contentFrame());
      insertSubview(selectedBackgroundView_, 0);
    }
  }
  usingDefaultSelectedBackgroundView_ = selectedBackgroundView_ == nullptr;
}

void GridViewCell::setSelectionStyle(int style) { selectionStyle_ = style & 0x7; }

void GridViewCell::setSelectionGlowColor(std::optional<gfx::Color> color) {
  selectionGlowColor_ = color;
  selectionGlowColorSet_ = color.has_value();
}

void GridViewCell::setSeparatorColor(std::optional<gfx::Color> color) {
  if (color == separatorColor_) return;
  separatorColor_ = color;
  auto shown = separatorColor_ ? *separatorColor_ : defaultGridCellSeparatorColor();
  if (bottomSeparatorView_) bottomSeparatorView_->setBackgroundColor(shown);
  if (rightSeparatorView_) rightSeparatorView_->setBackgroundColor(shown);
}

void GridViewCell::setSeparatorStyle(int style) {
  style &= 0x7;
  if (style == separatorStyle_) return;
  separatorStyle_ = style;
  setNeedsLayout();
}

void GridViewCell::setSeparatorEdge(int edge) {
  edge &= 0x3;
  if (edge == separatorEdge_) return;
  separatorEdge_ = edge;
  setNeedsLayout();
}

void GridViewCell::setHiddenForAnimation(bool hidden) {
  if (hidden) setHidden(true);
  hiddenForAnimation_ = hidden;
}

void GridViewCell::setEditing(bool editing, bool /*animated*/) {
  editing_ = editing;
}

void GridViewCell::prepareForReuse() { setShadowPath_ = false; }

int GridViewCell::compareOriginAgainstCell(const GridViewCell& other) const {
  ui::Point a = frame().origin, b = other.frame().origin;
  if (a.y != b.y) return a.y < b.y ? -1 : 1;
  if (a.x != b.x) return a.x < b.x ? -1 : 1;
  return 0;
}

void GridViewCell::layoutSubviews() {
  ui::View::layoutSubviews();
  setShadowPath_ = false;
  ui::Rect r = bounds();
  auto lineColor = separatorColor_ ? *separatorColor_ : defaultGridCellSeparatorColor();
  bool lines = separatorStyle_ == GridViewCellSeparatorStyleSingleLine;
  // Lines of an earlier style or edge go when they are no longer asked for.
  if (lines && (separatorEdge_ & GridViewCellSeparatorEdgeBottom)) {
    if (!bottomSeparatorView_) {
      bottomSeparatorView_ = std::make_shared<ui::View>(ui::Rect{0, r.height() - 1, r.width(), 1});
      bottomSeparatorView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
      bottomSeparatorView_->setBackgroundColor(lineColor);
      insertSubview(bottomSeparatorView_, 0);
    }
  } else if (bottomSeparatorView_) {
    bottomSeparatorView_->removeFromSuperview();
    bottomSeparatorView_.reset();
  }
  if (lines && (separatorEdge_ & GridViewCellSeparatorEdgeRight)) {
    if (!rightSeparatorView_) {
      rightSeparatorView_ = std::make_shared<ui::View>(ui::Rect{r.width() - 1, 0, 1, r.height()});
      rightSeparatorView_->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleHeight);
      rightSeparatorView_->setBackgroundColor(lineColor);
      insertSubview(rightSeparatorView_, 0);
    }
  } else if (rightSeparatorView_) {
    rightSeparatorView_->removeFromSuperview();
    rightSeparatorView_.reset();
  }
  ui::Rect inner = contentFrame();
  contentView()->setFrame(inner);
  if (backgroundView_) backgroundView_->setFrame(inner);
  if (selectedBackgroundView_) selectedBackgroundView_->setFrame(inner);
}

// --- Selection and highlight ------------------------------------------------

void GridViewCell::setSelected(bool selected, bool animated) {
  selected_ = selected;
  setHighlighted(selected, animated);
}

void GridViewCell::setHighlighted(bool highlighted, bool animated) {
  // Any change replaces a pending flip of the descendants' state: a flip
  // left over from an earlier animated change would undo this one.
  if (fadeTimer_) {
    fadeTimer_->invalidate();
    fadeTimer_.reset();
  }
  ++highlightChange_;
  if (selectionStyle_ == GridViewCellSelectionStyleNone) {
    highlighted_ = highlighted;
    return;
  }
  becomingHighlighted_ = highlighted;
  bool began = false;
  if (animated && ui::View::areAnimationsEnabled()) {
    ui::View::beginAnimations("GridCellViewHighlightAnimation");
    ui::View::setAnimationCurve(ui::AnimationCurve::Linear);
    ui::View::setAnimationBeginsFromCurrentState(true);
    auto weak = ui::weakAs<GridViewCell>(this);
    std::uint64_t change = highlightChange_;
    ui::View::setAnimationDidStop([weak, change](const std::string&, bool, void*) {
      auto self = weak.lock();
      if (self && self->highlightChange_ == change) self->highlightAnimationStopped();
    });
    animatingSelection_ = true;
    began = true;
  }
  if (selectionStyle_ == GridViewCellSelectionStyleGlow) {
    if (ui::Layer* glow = glowSelectionLayer()) {
      if (!setShadowPath_) {
        glow->setShadowPath(gfx::Path::rect(glow->bounds()));
        setShadowPath_ = true;
      }
      glow->setShadowOffset({0, 0});
      glow->setShadowColor(selectionGlowColorSet_ && selectionGlowColor_ ? *selectionGlowColor_
                                                                         : gfx::Color::darkGray());
      glow->setShadowRadius(selectionGlowShadowRadius_);
      glow->setShadowOpacity(highlighted ? 1.0 : 0.0);
    }
  } else if (selectionStyle_ >= GridViewCellSelectionStyleBlue && selectionStyle_ <= GridViewCellSelectionStyleRed) {
    // The delayed flip of the descendants only belongs to a change that
    // really animates; otherwise the end of the change below would drop the
    // saved states before the flip could put them back.
    beginBackgroundHighlight(highlighted, began);
  }
  if (began)
    ui::View::commitAnimations();
  else
    highlightAnimationStopped();
}

std::string GridViewCell::selectionImageName() const {
  switch (selectionStyle_) {
    case GridViewCellSelectionStyleBlue: return "GridSelection.png";
    case GridViewCellSelectionStyleGray: return "GridSelectionGray.png";
    case GridViewCellSelectionStyleGrayBlue: return "GridSelectionGrayBlue.png";
    case GridViewCellSelectionStyleGreen: return "GridSelectionGreen.png";
    case GridViewCellSelectionStyleRed: return "GridSelectionRed.png";
    default: return {};
  }
}

void GridViewCell::beginBackgroundHighlight(bool highlighted, bool animated) {
  if (usingDefaultSelectedBackgroundView_ && !selectedBackgroundView_) {
    auto image = std::make_shared<ui::ImageView>(gfx::Image::named(selectionImageName()));
    image->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    image->setContentMode(ui::ContentMode::ScaleToFill);
    selectedBackgroundView_ = image;
  }
  if (selectedBackgroundView_) {
    if (highlighted) {
      ui::View::performWithoutAnimation([this] {
        selectedBackgroundView_->setAlpha(0);
        makeSubviewsOfViewNonOpaque(*this, gfx::Color::clear());
        if (backgroundView_ && backgroundView_->superview() == this)
          insertSubviewAbove(selectedBackgroundView_, backgroundView_.get());
        else
          insertSubview(selectedBackgroundView_, 0);
        selectedBackgroundView_->setFrame(bounds());
      });
      selectedBackgroundView_->setAlpha(1);
    } else {
      selectedBackgroundView_->setAlpha(0);
    }
  }
  if (animated) {
    auto weak = ui::weakAs<GridViewCell>(this);
    fadeTimer_ = ui::Timer::scheduledTimer(
        kHighlightFlipDelay, false,
        [weak, highlighted](ui::Timer&) {
          if (auto self = weak.lock()) self->flipHighlightTimerFired(highlighted);
        },
        highlighted);
  } else {
    flipHighlightTimerFired(highlighted);
  }
}

void GridViewCell::flipHighlightTimerFired(bool highlighted) {
  if (highlighted)
    highlightSubviewsOfView(*this);
  else
    resetHighlightForSubviewsOfView(*this);
}

void GridViewCell::highlightAnimationStopped() {
  if (becomingHighlighted_) {
    highlighted_ = true;
  } else {
    // The descendants' own states come back before their records go.
    if (fadeTimer_ && fadeTimer_->isValid()) {
      fadeTimer_->invalidate();
      fadeTimer_.reset();
      resetHighlightForSubviewsOfView(*this);
    }
    ui::View::performWithoutAnimation([this] { makeSubviewsOfViewOpaqueAgain(*this); });
    highlighted_ = false;
    if (selectedBackgroundView_ && selectedBackgroundView_->superview() == this)
      selectedBackgroundView_->removeFromSuperview();
    selectionColorInfo_.clear();
  }
  animatingSelection_ = false;
}

// --- Saved descendant state ----------------------------------------------------

GridViewCell::SavedState* GridViewCell::savedStateFor(const std::shared_ptr<ui::View>& view) {
  auto it = selectionColorInfo_.find(view);
  return it == selectionColorInfo_.end() ? nullptr : &it->second;
}

bool GridViewCell::hasSavedStateForView(const ui::View& view) const {
  for (const auto& weak : selectionColorInfo_ | std::views::keys) {
    if (auto v = weak.lock(); v.get() == &view) return true;
  }
  return false;
}

void GridViewCell::makeSubviewsOfViewNonOpaque(ui::View& view, const gfx::Color& color) {
  auto subviews = view.subviews();
  for (const auto& sub : subviews) {
    if (sub->isOpaque()) {
      auto& state = selectionColorInfo_[sub];
      state.backgroundColor = sub->backgroundColor();
      sub->setOpaque(false);
      sub->setBackgroundColor(color);
    }
    makeSubviewsOfViewNonOpaque(*sub, color);
  }
}

void GridViewCell::makeSubviewsOfViewOpaqueAgain(ui::View& view) {
  auto subviews = view.subviews();
  for (const auto& sub : subviews) {
    if (SavedState* state = savedStateFor(sub); state && state->backgroundColor) {
      sub->setOpaque(true);
      sub->setBackgroundColor(*state->backgroundColor);
      state->backgroundColor.reset();
    }
    // Every level is visited: a view that kept its own colour (say a
    // transparent control) may still hold opaque views that were cleared.
    makeSubviewsOfViewOpaqueAgain(*sub);
  }
}

void GridViewCell::highlightSubviewsOfView(ui::View& view) {
  auto subviews = view.subviews();
  for (const auto& sub : subviews) {
    if (auto current = highlightedStateOf(*sub)) {
      auto& state = selectionColorInfo_[sub];
      if (!state.highlighted) state.highlighted = *current;
      setHighlightedStateOf(*sub, true);
    }
    highlightSubviewsOfView(*sub);
  }
}

void GridViewCell::resetHighlightForSubviewsOfView(ui::View& view) {
  auto subviews = view.subviews();
  for (const auto& sub : subviews) {
    if (highlightedStateOf(*sub)) {
      if (SavedState* state = savedStateFor(sub); state && state->highlighted) {
        setHighlightedStateOf(*sub, *state->highlighted);
        state->highlighted.reset();
      }
    }
    resetHighlightForSubviewsOfView(*sub);
  }
}

std::optional<bool> GridViewCell::highlightedStateOf(const ui::View& view) {
  if (auto* cell = dynamic_cast<const GridViewCell*>(&view)) return cell->isHighlighted();
  if (auto* label = dynamic_cast<const ui::Label*>(&view)) return label->isHighlighted();
  if (auto* image = dynamic_cast<const ui::ImageView*>(&view)) return image->isHighlighted();
  if (auto* control = dynamic_cast<const ui::Control*>(&view)) return control->isHighlighted();
  return std::nullopt;
}

void GridViewCell::setHighlightedStateOf(ui::View& view, bool highlighted) {
  if (auto* cell = dynamic_cast<GridViewCell*>(&view))
    cell->setHighlighted(highlighted);
  else if (auto* label = dynamic_cast<ui::Label*>(&view))
    label->setHighlighted(highlighted);
  else if (auto* image = dynamic_cast<ui::ImageView*>(&view))
    image->setHighlighted(highlighted);
  else if (auto* control = dynamic_cast<ui::Control*>(&view))
    control->setHighlighted(highlighted);
}

}  // namespace mv
