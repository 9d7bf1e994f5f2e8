#include <gtest/gtest.h>

#include <cmath>

#include "UiTestEnvironment.hpp"
#include "platform/ui/View.hpp"

using namespace ui;

namespace {

class GeometryTest : public mv::test::UiTestEnvironment {};

void expectRectNear(const Rect& a, const Rect& b) {
  EXPECT_NEAR(a.x(), b.x(), 1e-9) << a << " vs " << b;
  EXPECT_NEAR(a.y(), b.y(), 1e-9) << a << " vs " << b;
  EXPECT_NEAR(a.width(), b.width(), 1e-9) << a << " vs " << b;
  EXPECT_NEAR(a.height(), b.height(), 1e-9) << a << " vs " << b;
}

}  // namespace

TEST_F(GeometryTest, FrameBoundsCenterAndTransformStayConsistent) {
  auto v = std::make_shared<View>(Rect{10, 20, 100, 50});
  EXPECT_EQ(v->bounds(), (Rect{0, 0, 100, 50}));
  EXPECT_EQ(v->center(), (Point{60, 45}));
  v->setCenter({200, 200});
  EXPECT_EQ(v->frame(), (Rect{150, 175, 100, 50}));
  v->setBounds({5, 5, 40, 20});  // size changes around the centre; origin scrolls content only
  EXPECT_EQ(v->frame(), (Rect{180, 190, 40, 20}));
  EXPECT_EQ(v->center(), (Point{200, 200}));

  // A scale keeps the centre and bounds; the frame is the scaled box.
  v->setTransform(AffineTransform::scale(2, 3));
  EXPECT_EQ(v->bounds().size, (Size{40, 20}));
  expectRectNear(v->frame(), {160, 170, 80, 60});
  // Setting the frame under a scale sets the unscaled size.
  v->setFrame({0, 0, 100, 30});
  EXPECT_EQ(v->bounds().size, (Size{50, 10}));
  EXPECT_EQ(v->center(), (Point{50, 15}));
  // A quarter turn swaps the frame's sides.
  v->setTransform(AffineTransform::rotation(M_PI / 2));
  expectRectNear(v->frame(), {45, -10, 10, 50});
  v->setTransform(AffineTransform::identity());
  EXPECT_EQ(v->frame(), (Rect{25, 10, 50, 10}));
  // The layer sees the same geometry.
  EXPECT_EQ(v->layer().position(), v->center());
  v->layer().setPosition({0, 0});
  EXPECT_EQ(v->frame(), (Rect{-25, -5, 50, 10}));
  // Not-a-number is refused instead of poisoning the tree.
  v->setFrame({NAN, 0, 1, 1});
  EXPECT_EQ(v->frame(), (Rect{-25, -5, 50, 10}));
}

TEST_F(GeometryTest, AutoresizingDistributesLikeThePlatform) {
  auto parent = std::make_shared<View>(Rect{0, 0, 200, 100});
  auto fixed = std::make_shared<View>(Rect{10, 10, 50, 20});
  auto flexWidth = std::make_shared<View>(Rect{10, 10, 50, 20});
  flexWidth->setAutoresizingMask(FlexibleWidth);
  auto margins = std::make_shared<View>(Rect{20, 10, 60, 20});  // left 20, right 120
  margins->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin);
  auto all = std::make_shared<View>(Rect{20, 10, 60, 20});  // 20 : 60 : 120
  all->setAutoresizingMask(FlexibleLeftMargin | FlexibleWidth | FlexibleRightMargin);
  auto hud = std::make_shared<View>(Rect{50, 25, 100, 50});  // 45: every margin
  hud->setAutoresizingMask(45);
  auto fill = std::make_shared<View>(Rect{0, 0, 200, 100});
  fill->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
  auto bottomBar = std::make_shared<View>(Rect{0, 90, 200, 10});
  bottomBar->setAutoresizingMask(FlexibleTopMargin | FlexibleWidth);
  for (auto& v : {fixed, flexWidth, margins, all, hud, fill, bottomBar}) parent->addSubview(v);

  parent->setFrame({0, 0, 400, 300});  // +200 wide, +200 high
  EXPECT_EQ(fixed->frame(), (Rect{10, 10, 50, 20}));
  EXPECT_EQ(flexWidth->frame(), (Rect{10, 10, 250, 20}));
  EXPECT_EQ(margins->frame(), (Rect{20 + 200 * 20.0 / 140, 10, 60, 20}));
  EXPECT_EQ(all->frame(), (Rect{40, 10, 120, 20}));  // shared 20:60:120 of 200
  EXPECT_EQ(hud->frame(), (Rect{150, 125, 100, 50}));  // stays centred
  EXPECT_EQ(fill->frame(), (Rect{0, 0, 400, 300}));
  EXPECT_EQ(bottomBar->frame(), (Rect{0, 290, 400, 10}));

  // Margins of zero share equally; sizes never go negative.
  auto tight = std::make_shared<View>(Rect{0, 0, 400, 300});
  tight->setAutoresizingMask(FlexibleLeftMargin | FlexibleRightMargin);
  parent->addSubview(tight);
  auto shrinking = std::make_shared<View>(Rect{0, 0, 10, 10});
  shrinking->setAutoresizingMask(FlexibleWidth);
  parent->addSubview(shrinking);
  parent->setFrame({0, 0, 300, 300});
  EXPECT_EQ(tight->frame(), (Rect{-50, 0, 400, 300}));
  EXPECT_EQ(shrinking->frame().width(), 0);

  parent->setAutoresizesSubviews(false);
  parent->setFrame({0, 0, 100, 100});
  EXPECT_EQ(fill->frame(), (Rect{0, 0, 300, 300}));
}

TEST_F(GeometryTest, ConversionAcrossNestedAndTransformedViews) {
  auto root = std::make_shared<View>(Rect{0, 0, 1024, 768});
  auto a = std::make_shared<View>(Rect{100, 50, 400, 300});
  auto b = std::make_shared<View>(Rect{10, 20, 100, 100});
  auto c = std::make_shared<View>(Rect{500, 500, 50, 50});
  root->addSubview(a);
  a->addSubview(b);
  root->addSubview(c);
  EXPECT_EQ(b->convertPointToView({0, 0}, nullptr), (Point{110, 70}));
  EXPECT_EQ(b->convertPointToView({5, 5}, c.get()), (Point{-385, -425}));
  EXPECT_EQ(c->convertPointFromView({5, 5}, b.get()), (Point{-385, -425}));
  EXPECT_EQ(b->convertRectToView({0, 0, 10, 10}, root.get()), (Rect{110, 70, 10, 10}));
  EXPECT_EQ(root->convertRectToView({110, 70, 10, 10}, b.get()), (Rect{0, 0, 10, 10}));

  // A scrolled superview (bounds origin) moves its content.
  a->setBounds({0, 30, 400, 300});
  EXPECT_EQ(b->convertPointToView({0, 0}, nullptr), (Point{110, 40}));

  // Transforms act around the centre: b scaled 2x keeps its centre (60, 70) in a.
  a->setBounds({0, 0, 400, 300});
  b->setTransform(AffineTransform::scale(2, 2));
  Point p = b->convertPointToView({0, 0}, a.get());
  EXPECT_NEAR(p.x, -40, 1e-9);
  EXPECT_NEAR(p.y, -30, 1e-9);
  Point back = b->convertPointFromView(p, a.get());
  EXPECT_NEAR(back.x, 0, 1e-9);
  EXPECT_NEAR(back.y, 0, 1e-9);
  // A half turn maps the top left to the bottom right.
  b->setTransform(AffineTransform::rotation(M_PI));
  Point q = b->convertPointToView({0, 0}, a.get());
  EXPECT_NEAR(q.x, 110, 1e-9);
  EXPECT_NEAR(q.y, 120, 1e-9);
}

TEST_F(GeometryTest, TreeOperationsAndHooks) {
  struct Hooked : View {
    using View::View;
    std::vector<std::string> log;
    void willMoveToSuperview(View* s) override { log.push_back(s ? "will" : "will-nil"); }
    void didMoveToSuperview() override { log.push_back(superview() ? "did" : "did-nil"); }
  };
  auto root = std::make_shared<View>(Rect{0, 0, 100, 100});
  auto a = std::make_shared<View>();
  auto b = std::make_shared<Hooked>();
  auto c = std::make_shared<View>();
  root->addSubview(a);
  root->addSubview(b);
  root->insertSubview(c, 0);
  EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{c, a, b}));
  root->bringSubviewToFront(c.get());
  EXPECT_EQ(root->subviews().back(), c);
  root->insertSubviewBelow(b, a.get());
  EXPECT_EQ(root->subviews(), (std::vector<std::shared_ptr<View>>{b, a, c}));
  root->insertSubviewAbove(b, c.get());
  EXPECT_EQ(root->subviews().back(), b);
  EXPECT_EQ(b->log, (std::vector<std::string>{"will", "did"}));  // reordering is no move
  b->setTag(2000);
  a->setTag(3000);
  EXPECT_EQ(root->viewWithTag(2000), b.get());
  EXPECT_EQ(root->viewWithTag(9), nullptr);
  // A cycle is refused.
  b->addSubview(root);
  EXPECT_EQ(root->superview(), nullptr);
  // Moving a view to another parent removes it from the first.
  a->addSubview(b);
  EXPECT_EQ(b->superview(), a.get());
  EXPECT_EQ(root->subviews().size(), 2u);
  b->removeFromSuperview();
  EXPECT_EQ(b->log.back(), "did-nil");
  EXPECT_TRUE(a->subviews().empty());
  // Subviews outlive a freed parent safely.
  auto orphan = std::make_shared<View>();
  {
    auto temp = std::make_shared<View>();
    temp->addSubview(orphan);
  }
  EXPECT_EQ(orphan->superview(), nullptr);
}
