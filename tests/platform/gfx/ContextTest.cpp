#include <gtest/gtest.h>
#include <cairo.h>

#include <cmath>
#include <string>

#include "platform/gfx/Context.hpp"

using gfx::Color;
using gfx::Context;

namespace {

bool near(const Color& c, const Color& want, double tol = 0.03) {
  return std::fabs(c.r() - want.r()) <= tol && std::fabs(c.g() - want.g()) <= tol &&
         std::fabs(c.b() - want.b()) <= tol && std::fabs(c.alpha() - want.alpha()) <= tol;
}

// Number of pixels in the rectangle that are not fully transparent.
int inkIn(const gfx::Image& img, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (img.pixelAt(x, y).alpha() > 0.1) ++n;
  return n;
}

}  // namespace

TEST(ContextTest, ShapesClipsAndTransforms) {
  auto ctx = Context::bitmap({100, 100}, 2);
  ctx->setFillColor(Color::red());
  ctx->fillRoundedRect({0, 0, 40, 40}, 10);
  ctx->save();
  ctx->clipToRect({50, 0, 10, 10});
  ctx->setFillColor(Color::green());
  ctx->fillRect({50, 0, 50, 50});  // only the clipped 10 x 10 lands
  ctx->restore();
  EXPECT_EQ(ctx->fillColor(), Color::red());  // restore brings the colour back
  ctx->save();
  ctx->translate(70, 70);
  ctx->rotate(M_PI / 2);
  ctx->setFillColor(Color::blue());
  ctx->fillRect({0, 0, 20, 10});  // rotated: covers x 60..70, y 70..90
  ctx->restore();
  ctx->setStrokeColor(Color::black());
  ctx->setLineWidth(4);
  ctx->strokeLine({0, 95}, {100, 95});
  ctx->restore();  // unbalanced: ignored
  auto img = ctx->makeImage();
  ASSERT_TRUE(img);
  EXPECT_EQ(img->pixelWidth(), 200);
  EXPECT_EQ(img->scale(), 2);
  EXPECT_TRUE(near(img->pixelAt(40, 40), Color::red()));          // (20, 20) in points
  EXPECT_TRUE(near(img->pixelAt(1, 1), Color::clear()));          // rounded corner
  EXPECT_TRUE(near(img->pixelAt(110, 10), Color::green()));       // inside the clip
  EXPECT_TRUE(near(img->pixelAt(130, 10), Color::clear()));       // outside the clip
  EXPECT_TRUE(near(img->pixelAt(130, 160), Color::blue()));       // (65, 80)
  EXPECT_TRUE(near(img->pixelAt(160, 150), Color::clear()));      // (80, 75) not covered after rotation
  EXPECT_TRUE(near(img->pixelAt(100, 190), Color::black()));
  // A singular transform is refused rather than breaking the context.
  ctx->scaleBy(0, 1);
  ctx->fillRect({0, 0, 1, 1});
  EXPECT_EQ(cairo_status(ctx->cairo()), CAIRO_STATUS_SUCCESS);
}

TEST(ContextTest, GradientsHonourTheirExtensionOptions) {
  auto ctx = Context::bitmap({100, 20});
  auto g = gfx::Gradient::of({Color::black(), Color::white()});
  ctx->drawLinearGradient(g, {20, 0}, {80, 0}, 0);
  auto img = ctx->makeImage();
  EXPECT_TRUE(near(img->pixelAt(10, 10), Color::clear()));  // before the start: nothing
  EXPECT_TRUE(near(img->pixelAt(90, 10), Color::clear()));  // after the end: nothing
  EXPECT_LT(img->pixelAt(25, 10).r(), 0.2);
  EXPECT_GT(img->pixelAt(75, 10).r(), 0.8);
  EXPECT_NEAR(img->pixelAt(50, 10).r(), 0.5, 0.05);

  auto ctx2 = Context::bitmap({100, 20});
  ctx2->drawLinearGradient(g, {20, 0}, {80, 0}, gfx::GradientDrawsAfterEnd);
  auto img2 = ctx2->makeImage();
  EXPECT_TRUE(near(img2->pixelAt(10, 10), Color::clear()));
  EXPECT_TRUE(near(img2->pixelAt(90, 10), Color::white()));

  // The dimming gradient of a progress box: clear in the middle, darkest at the rim and beyond.
  auto ctx3 = Context::bitmap({100, 100});
  gfx::Gradient dim{{{0, Color::black().withAlphaComponent(0)}, {1, Color::black().withAlphaComponent(0.75)}}};
  ctx3->drawRadialGradient(dim, {50, 50}, 0, {50, 50}, 40, gfx::GradientDrawsAfterEnd);
  auto img3 = ctx3->makeImage();
  EXPECT_LT(img3->pixelAt(50, 50).alpha(), 0.05);
  EXPECT_NEAR(img3->pixelAt(2, 2).alpha(), 0.75, 0.03);
  EXPECT_GT(img3->pixelAt(50, 85).alpha(), img3->pixelAt(50, 70).alpha());
}

TEST(ContextTest, TextDrawsLatinAndChinese) {
  auto ctx = Context::bitmap({300, 80});
  Context::Scope current(*ctx);
  EXPECT_EQ(Context::current(), ctx.get());
  auto f = gfx::Font::systemFont(20);
  auto used = ctx->drawText("Orders", {0, 0, 300, 30}, f, Color::black());
  ctx->drawText("\xe8\xae\xa2\xe5\x8d\x95\xe5\x88\x97\xe8\xa1\xa8", base::Point{0, 40}, f, Color::black());
  auto img = ctx->makeImage();
  EXPECT_GT(used.width, 30);
  EXPECT_GT(inkIn(*img, 0, 0, 300, 30), 50);
  EXPECT_GT(inkIn(*img, 0, 40, 100, 70), 80);      // the CJK glyphs are really drawn
  EXPECT_EQ(inkIn(*img, 200, 0, 300, 80), 0);      // nothing beyond the text
  // Right alignment puts the ink at the right edge.
  auto ctx2 = Context::bitmap({300, 30});
  ctx2->drawText("Right", {0, 0, 300, 30}, f, Color::black(), gfx::LineBreakMode::WordWrap, gfx::TextAlignment::Right);
  auto img2 = ctx2->makeImage();
  EXPECT_EQ(inkIn(*img2, 0, 0, 200, 30), 0);
  EXPECT_GT(inkIn(*img2, 240, 0, 300, 30), 30);
}

// A direction override inside a text does not reverse what is drawn, and a
// control character draws nothing, whether the text is laid out here or
// handed over in lines made elsewhere.
TEST(ContextTest, MarksInsideATextDoNotChangeWhatIsDrawn) {
  const auto f = gfx::Font::systemFont(20);
  auto drawn = [&](const std::string& text, bool asLine) {
    auto ctx = Context::bitmap({300, 30});
    if (asLine) {
      gfx::TextLayout layout = gfx::TextMeasurer::current().layout("Photo gpj.exe", f, 300, gfx::LineBreakMode::Clip, 1);
      layout.lines[0].text = text;
      ctx->drawTextLayout(layout, {0, 0}, 300, f, Color::black(), gfx::TextAlignment::Left);
    } else {
      ctx->drawText(text, {0, 0, 300, 30}, f, Color::black(), gfx::LineBreakMode::TailTruncation);
    }
    return ctx->makeImage();
  };
  auto same = [](const gfx::Image& a, const gfx::Image& b) {
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 300; ++x)
        if (!near(a.pixelAt(x, y), b.pixelAt(x, y), 0.001)) return false;
    return true;
  };
  for (bool asLine : {false, true}) {
    SCOPED_TRACE(asLine ? "handed-over line" : "laid out here");
    const auto plain = drawn("Photo gpj.exe", asLine);
    ASSERT_GT(inkIn(*plain, 0, 0, 300, 30), 50);
    EXPECT_TRUE(same(*plain, *drawn("Photo \xE2\x80\xAEgpj.exe\xE2\x80\xAC", asLine)));
    EXPECT_TRUE(same(*plain, *drawn(std::string("Photo gpj\0.exe\x07", 15), asLine)));
    EXPECT_FALSE(same(*plain, *drawn("Photo exe.jpg", asLine)));
  }
}
