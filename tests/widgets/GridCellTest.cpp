#include <gtest/gtest.h>

#include "GridTestSupport.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "widgets/grid/GridViewCell.hpp"

using gfx::Color;
using mv::GridViewCell;
using ui::Rect;

namespace {

class GridCellTest : public mv::test::GridTestEnvironment {
 protected:
  // A cell with a background view and a content view holding: an opaque view
  // with a colour, an opaque view without one, a transparent view, a label
  // (plain), an image view already highlighted, and a transparent button
  // holding an opaque view.
  void build(int style) {
    cell = std::make_shared<GridViewCell>(Rect{0, 0, 200, 290}, "cell");
    cell->setSelectionStyle(style);
    background = std::make_shared<ui::View>();
    background->setBackgroundColor(Color::blue());
    cell->setBackgroundView(background);
    auto content = cell->contentView();
    coloured = std::make_shared<ui::View>(Rect{0, 0, 50, 50});
    coloured->setBackgroundColor(Color::red());
    noColour = std::make_shared<ui::View>(Rect{0, 50, 50, 50});
    seeThrough = std::make_shared<ui::View>(Rect{0, 100, 50, 50});
    seeThrough->setOpaque(false);
    seeThrough->setBackgroundColor(Color::green());
    label = std::make_shared<ui::Label>(Rect{50, 0, 100, 20});
    label->setOpaque(true);
    label->setBackgroundColor(Color::white());
    image = std::make_shared<ui::ImageView>(Rect{50, 20, 20, 20});
    image->setHighlighted(true);
    image->setOpaque(false);
    button = std::make_shared<ui::Button>(Rect{50, 50, 60, 30});
    button->setOpaque(false);
    insideButton = std::make_shared<ui::View>(Rect{0, 0, 10, 10});
    insideButton->setBackgroundColor(Color::yellow());
    button->addSubview(insideButton);
    for (auto v : {coloured, noColour, seeThrough, std::shared_ptr<ui::View>(label),
                   std::shared_ptr<ui::View>(image), std::shared_ptr<ui::View>(button)})
      content->addSubview(v);
  }

  void expectOriginalLook() {
    EXPECT_TRUE(coloured->isOpaque());
    EXPECT_EQ(coloured->backgroundColor(), Color::red());
    EXPECT_TRUE(noColour->isOpaque());
    EXPECT_FALSE(noColour->backgroundColor().has_value());
    EXPECT_FALSE(seeThrough->isOpaque());
    EXPECT_EQ(seeThrough->backgroundColor(), Color::green());
    EXPECT_TRUE(label->isOpaque());
    EXPECT_EQ(label->backgroundColor(), Color::white());
    EXPECT_TRUE(insideButton->isOpaque());
    EXPECT_EQ(insideButton->backgroundColor(), Color::yellow());
    EXPECT_EQ(cell->contentView()->backgroundColor(), Color::white());
    EXPECT_EQ(background->backgroundColor(), Color::blue());
    EXPECT_FALSE(label->isHighlighted());
    EXPECT_TRUE(image->isHighlighted());  // its own earlier value, not "off"
    EXPECT_FALSE(button->isHighlighted());
  }
  void expectHighlightedLook() {
    for (auto* v : {coloured.get(), noColour.get(), static_cast<ui::View*>(label.get()), insideButton.get(),
                    cell->contentView().get()}) {
      EXPECT_FALSE(v->isOpaque());
      EXPECT_EQ(v->backgroundColor(), Color::clear());
    }
    EXPECT_EQ(seeThrough->backgroundColor(), Color::green());
    EXPECT_TRUE(label->isHighlighted());
    EXPECT_TRUE(image->isHighlighted());
    EXPECT_TRUE(button->isHighlighted());
  }

  std::shared_ptr<GridViewCell> cell;
  std::shared_ptr<ui::View> background, coloured, noColour, seeThrough, insideButton;
  std::shared_ptr<ui::Label> label;
  std::shared_ptr<ui::ImageView> image;
  std::shared_ptr<ui::Button> button;
};

}  // namespace

TEST_F(GridCellTest, NewCellsAndTheirContentView) {
  auto c = std::make_shared<GridViewCell>(Rect{0, 0, 120, 80}, "id");
  EXPECT_EQ(c->reuseIdentifier(), "id");
  EXPECT_EQ(c->separatorStyle(), mv::GridViewCellSeparatorStyleNone);
  EXPECT_EQ(c->selectionStyle(), mv::GridViewCellSelectionStyleGlow);
  EXPECT_EQ(c->selectionGlowShadowRadius(), 12.0);
  EXPECT_EQ(c->backgroundColor(), Color::white());
  EXPECT_FALSE(c->hasContentView());
  EXPECT_EQ(c->glowSelectionLayer(), nullptr);
  EXPECT_TRUE(c->subviews().empty());
  auto content = c->contentView();
  EXPECT_EQ(content->frame(), (Rect{0, 0, 120, 80}));
  EXPECT_EQ(content->autoresizingMask(), unsigned(ui::FlexibleWidth | ui::FlexibleHeight));
  EXPECT_EQ(content->backgroundColor(), Color::white());
  EXPECT_EQ(content->superview(), c.get());
  EXPECT_EQ(c->contentView(), content);  // made once
  EXPECT_EQ(c->glowSelectionLayer(), &content->layer());
  // The content view follows the cell's size.
  c->setFrame({0, 0, 150, 100});
  EXPECT_EQ(content->frame(), (Rect{0, 0, 150, 100}));
  // Styles live in three bits; the glow style is kept (layers have shadow paths).
  c->setSelectionStyle(9);
  EXPECT_EQ(c->selectionStyle(), 1);
  c->setSelectionStyle(6);
  EXPECT_EQ(c->selectionStyle(), 6);
  // Hiding for an animation hides; clearing the mark leaves showing to the grid.
  c->setHiddenForAnimation(true);
  EXPECT_TRUE(c->isHidden());
  c->setHiddenForAnimation(false);
  EXPECT_TRUE(c->isHidden());
  EXPECT_FALSE(c->isHiddenForAnimation());
  // Ordering by origin: y first, then x.
  auto a = std::make_shared<GridViewCell>(Rect{10, 20, 5, 5}, "x");
  auto b = std::make_shared<GridViewCell>(Rect{5, 20, 5, 5}, "x");
  auto d = std::make_shared<GridViewCell>(Rect{0, 30, 5, 5}, "x");
  EXPECT_EQ(a->compareOriginAgainstCell(*b), 1);
  EXPECT_EQ(b->compareOriginAgainstCell(*a), -1);
  EXPECT_EQ(a->compareOriginAgainstCell(*d), -1);
  EXPECT_EQ(a->compareOriginAgainstCell(*a), 0);
}

TEST_F(GridCellTest, ImageSelectionWithoutAnimationRestoresEveryDescendant) {
  build(mv::GridViewCellSelectionStyleBlue);
  cell->setSelected(true, false);
  EXPECT_TRUE(cell->isSelected());
  EXPECT_TRUE(cell->isHighlighted());
  auto selected = std::dynamic_pointer_cast<ui::ImageView>(cell->selectedBackgroundView());
  ASSERT_TRUE(selected);
  // Directly above the background view, over the whole cell.
  EXPECT_EQ(cell->indexOfSubview(selected.get()), cell->indexOfSubview(background.get()) + 1);
  EXPECT_EQ(selected->frame(), cell->bounds());
  EXPECT_EQ(selected->alpha(), 1);
  expectHighlightedLook();
  cell->setSelected(false, false);
  EXPECT_FALSE(cell->isHighlighted());
  EXPECT_EQ(selected->superview(), nullptr);
  expectOriginalLook();
  EXPECT_FALSE(cell->hasSavedStateForView(*label));
  // Twice in a row keeps the first saved state.
  cell->setHighlighted(true);
  cell->setHighlighted(true);
  cell->setHighlighted(false);
  expectOriginalLook();
}

TEST_F(GridCellTest, AnimatedHighlightFlipsDescendantsLater) {
  build(mv::GridViewCellSelectionStyleGray);
  cell->setHighlighted(true, true);
  EXPECT_TRUE(cell->isAnimatingSelection());
  EXPECT_FALSE(cell->isHighlighted());  // set when the animation stops
  EXPECT_FALSE(label->isHighlighted());
  ASSERT_FALSE(ui::View::animationLog().empty());
  const auto& anim = ui::View::animationLog().back();
  EXPECT_EQ(anim.identifier, "GridCellViewHighlightAnimation");
  EXPECT_EQ(anim.curve, ui::AnimationCurve::Linear);
  EXPECT_TRUE(anim.changed(cell->selectedBackgroundView().get(), "alpha"));
  advance(0.05);
  EXPECT_FALSE(label->isHighlighted());
  // A second change inside the 0.1 s replaces the pending flip.
  cell->setHighlighted(true, true);
  advance(0.07);
  EXPECT_FALSE(label->isHighlighted());
  advance(0.04);
  EXPECT_TRUE(label->isHighlighted());
  advance(0.2);
  EXPECT_TRUE(cell->isHighlighted());
  EXPECT_FALSE(cell->isAnimatingSelection());
  // Animated un-highlight: state back after the flip and the stop.
  cell->setHighlighted(false, true);
  advance(0.3);
  EXPECT_FALSE(cell->isHighlighted());
  expectOriginalLook();
}

TEST_F(GridCellTest, StaleHighlightFlipsNeverOutliveALaterChange) {
  // An animated highlight, then at once a plain un-highlight: the pending
  // flip must not highlight the descendants of a plain cell afterwards.
  build(mv::GridViewCellSelectionStyleBlue);
  cell->setHighlighted(true, true);
  cell->setHighlighted(false, false);
  advance(0.5);
  EXPECT_FALSE(cell->isHighlighted());
  expectOriginalLook();
  EXPECT_EQ(cell->selectedBackgroundView()->superview(), nullptr);

  // An animated un-highlight while animations are off everywhere.
  build(mv::GridViewCellSelectionStyleBlue);
  cell->setHighlighted(true, false);
  expectHighlightedLook();
  ui::View::setAnimationsEnabled(false);
  cell->setHighlighted(false, true);
  expectOriginalLook();
  advance(0.5);
  expectOriginalLook();
  EXPECT_FALSE(cell->hasPendingHighlightFlip());
  ui::View::setAnimationsEnabled(true);

  // An animated un-highlight stopped early by a plain highlight.
  build(mv::GridViewCellSelectionStyleBlue);
  cell->setHighlighted(true, false);
  cell->setHighlighted(false, true);
  cell->setHighlighted(true, false);
  advance(0.5);
  EXPECT_TRUE(cell->isHighlighted());
  expectHighlightedLook();
  EXPECT_EQ(cell->selectedBackgroundView()->superview(), cell.get());
  cell->setHighlighted(false, false);
  expectOriginalLook();
}

