#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <thread>

#include "platform/gfx/Font.hpp"
#include "platform/gfx/PangoTextMeasurer.hpp"
#include "platform/gfx/TextMeasurer.hpp"

using gfx::Font;
using gfx::LineBreakMode;
using gfx::TextMeasurer;

TEST(FontTest, NamedFacesMapThroughOneTable) {
  for (const char* name : {"Helvetica", "Helvetica-Bold", "HelveticaNeue-Light", "Arial", "Verdana-Italic",
                           "Didot-Italic", "Arial-BoldMT", "HelveticaNeue-Bold", "Zapfino"}) {
    auto f = Font::fontWithName(name, 15);
    ASSERT_TRUE(f) << name;
    EXPECT_EQ(f->fontName(), name);
    EXPECT_EQ(f->pointSize(), 15);
    // Every face falls back to the CJK family so Chinese text draws.
    EXPECT_NE(f->familyName().find("Noto"), std::string::npos) << name;
  }
  EXPECT_TRUE(Font::fontWithName("Helvetica-Bold", 12)->isBold());
  EXPECT_TRUE(Font::fontWithName("Verdana-Italic", 12)->isItalic());
  EXPECT_FALSE(Font::fontWithName("NoSuchFace", 12));
  EXPECT_EQ(Font::named("NoSuchFace", 12), Font::systemFont(12));
  // Sizes that make no sense fall back to a sane one instead of breaking layout.
  EXPECT_GT(Font::systemFont(-3).pointSize(), 0);
  EXPECT_EQ(Font::boldSystemFont(16).withSize(20).pointSize(), 20);
  EXPECT_TRUE(Font::boldSystemFont(16).withSize(20).isBold());
}

TEST(TextMeasuringTest, FixedMeasurerGivesExactSizes) {
  gfx::ScopedTextMeasurer scoped(TextMeasurer::fixed(0.5));
  Font f = Font::systemFont(10);  // 5 points a character, lines of 12.5
  EXPECT_EQ(gfx::sizeWithFont("abcd", f), (base::Size{20, 13}));
  EXPECT_EQ(gfx::sizeWithFont("", f), (base::Size{0, 0}));
  EXPECT_EQ(f.lineHeight(), 12.5);
  // Code points, not bytes: four Chinese characters are as wide as four letters.
  EXPECT_EQ(gfx::sizeWithFont("\xe4\xb8\xad\xe6\x96\x87\xe6\xb5\x8b\xe8\xaf\x95", f).width, 20);

  // "aaaa bbbb cccc" wrapped at 45 points (9 characters) -> "aaaa bbbb" / "cccc".
  auto s = gfx::sizeWithFont("aaaa bbbb cccc", f, base::Size{45, 1000}, LineBreakMode::WordWrap);
  EXPECT_EQ(s, (base::Size{45, 25}));
  // Only whole lines that fit the height count, but at least one.
  EXPECT_EQ(gfx::sizeWithFont("aaaa bbbb cccc", f, base::Size{20, 30}, LineBreakMode::WordWrap).height, 25);
  EXPECT_EQ(gfx::sizeWithFont("aaaa bbbb cccc", f, base::Size{20, 1}, LineBreakMode::WordWrap).height, 13);
  // A height meaning "as tall as needed" limits nothing, however large.
  for (double tall : {1e12, 3.4028234663852886e38, std::numeric_limits<double>::infinity()})
    EXPECT_EQ(gfx::sizeWithFont("aaaa bbbb cccc", f, base::Size{45, tall}, LineBreakMode::WordWrap), s) << tall;
  // A word longer than the line is broken between characters.
  auto words = TextMeasurer::current().wrap("abcdefghij", f, 20, LineBreakMode::WordWrap);
  ASSERT_EQ(words.size(), 3u);
  EXPECT_EQ(words[0], "abcd");
  EXPECT_EQ(words[2], "ij");
  // Hard breaks always break.
  EXPECT_EQ(TextMeasurer::current().wrap("a\nb", f, 0, LineBreakMode::WordWrap).size(), 2u);
}

TEST(TextMeasuringTest, TruncationModesAndShrinkToFit) {
  gfx::ScopedTextMeasurer scoped(TextMeasurer::fixed(0.5));
  auto& m = TextMeasurer::current();
  Font f = Font::systemFont(10);
  const std::string ell = "\xE2\x80\xA6";
  EXPECT_EQ(m.truncate("abcdefghij", f, 25, LineBreakMode::TailTruncation), "abcd" + ell);
  EXPECT_EQ(m.truncate("abcdefghij", f, 25, LineBreakMode::HeadTruncation), ell + "ghij");
  EXPECT_EQ(m.truncate("abcdefghij", f, 25, LineBreakMode::MiddleTruncation), "ab" + ell + "ij");
  EXPECT_EQ(m.truncate("abcdefghij", f, 25, LineBreakMode::Clip), "abcdefghij");
  EXPECT_EQ(m.truncate("abc", f, 25, LineBreakMode::TailTruncation), "abc");
  // Nothing fits: only the ellipsis is left.
  EXPECT_EQ(m.truncate("abcdefghij", f, 3, LineBreakMode::TailTruncation), ell);
  // Multi-byte characters are never split.
  EXPECT_EQ(m.truncate("\xe4\xb8\xad\xe6\x96\x87\xe6\xb5\x8b", f, 10, LineBreakMode::TailTruncation), "\xe4\xb8\xad" + ell);

  // Two lines at most: the rest goes into the tail of the second.
  auto layout = m.layout("aaaa bbbb cccc dddd eeee", f, 45, LineBreakMode::TailTruncation, 2);
  ASSERT_EQ(layout.lines.size(), 2u);
  EXPECT_EQ(layout.lines[0].text, "aaaa bbbb");
  EXPECT_EQ(layout.lines[1].text, "cccc ddd" + ell);

  // Shrink to fit: 20 characters at 10 points need 100; 50 points fit at 5.
  EXPECT_EQ(gfx::fitFontSize(std::string(20, 'x'), f, 2, 50), 5);
  EXPECT_EQ(gfx::fitFontSize(std::string(20, 'x'), f, 8, 50), 8);  // never below the minimum
  EXPECT_EQ(gfx::fitFontSize("xx", f, 2, 50), 10);                 // fits already
  EXPECT_EQ(gfx::sizeWithFont(std::string(20, 'x'), f, 52.0, LineBreakMode::TailTruncation).width, 50);
}

TEST(TextMeasuringTest, PangoMeasurementIsStableAndCoversChinese) {
  gfx::ScopedTextMeasurer scoped(TextMeasurer::pango());
  Font f = Font::systemFont(17);
  auto a = gfx::sizeWithFont("Quote order", f);
  auto b = gfx::sizeWithFont("Quote order", f);
  EXPECT_EQ(a, b);
  EXPECT_GT(a.width, 60);
  EXPECT_LT(a.width, 120);
  EXPECT_EQ(a.height, std::ceil(f.lineHeight() - 1e-9));
  EXPECT_GT(f.lineHeight(), 17);
  EXPECT_LT(f.lineHeight(), 26);
  EXPECT_GT(gfx::sizeWithFont("Quote order", Font::boldSystemFont(17)).width, a.width);
  EXPECT_GT(gfx::sizeWithFont("Quote order", Font::systemFont(34)).width, a.width * 1.8);
  // Chinese characters come from the CJK family, each about an em wide.
  auto cjk = gfx::sizeWithFont("\xe6\x8a\xa5\xe4\xbb\xb7\xe5\x8d\x95", f);
  EXPECT_GT(cjk.width, 17 * 3 * 0.8);
  EXPECT_LT(cjk.width, 17 * 3 * 1.2);
  // Wrapping a sentence gives several lines no wider than asked.
  auto wrapped = gfx::sizeWithFont("The quick brown fox jumps over the lazy dog", f, base::Size{120, 0},
                                   LineBreakMode::WordWrap);
  EXPECT_LE(wrapped.width, 120);
  EXPECT_GE(wrapped.height, 3 * std::floor(f.lineHeight()));
}

// The pango measurer takes a line's width from the layout that wrapped it
// when the line ends its paragraph; every width must be the one the line has
// when measured on its own, trailing blanks not counted.
TEST(TextMeasuringTest, WrappedLinesAreAsWideAsEachLineAlone) {
  auto measurer = TextMeasurer::pango();
  gfx::ScopedTextMeasurer scoped(measurer);
  const Font f = Font::systemFont(15);
  for (const char* text : {"Stainless steel kettle, 1.7 l, model 4012", "Qty", "one\ntwo words\n\nthree ",
                           "trailing blank ", "\xe6\x8a\xa5\xe4\xbb\xb7\xe5\x8d\x95 Quote", "a\r\nb"}) {
    for (double width : {0.0, 40.0, 100.0, 1000.0}) {
      SCOPED_TRACE(std::string(text) + " at " + std::to_string(width));
      const auto lines = measurer->wrapMeasured(text, f, width, LineBreakMode::WordWrap).lines;
      const auto plain = measurer->wrap(text, f, width, LineBreakMode::WordWrap);
      ASSERT_EQ(lines.size(), plain.size());
      for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].text, plain[i]);
        std::string_view trimmed = plain[i];
        while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) trimmed.remove_suffix(1);
        EXPECT_DOUBLE_EQ(lines[i].width, measurer->widthOf(trimmed, f)) << i;
      }
    }
  }
  // The layout keeps each line's width, bounded by the width asked.
  const auto layout = measurer->layout("one\ntwo words", f, 0, LineBreakMode::WordWrap, 0);
  ASSERT_EQ(layout.lines.size(), 2u);
  EXPECT_DOUBLE_EQ(layout.lines[1].width, measurer->widthOf("two words", f));
  EXPECT_EQ(layout.size.width, std::ceil(std::max(layout.lines[0].width, layout.lines[1].width) - 1e-9));
}

// The lines a pango layout measured come with their shaping, which the
// measuring thread draws them from in the font they were measured in, while
// each line still shows the text it was shaped for.
TEST(TextMeasuringTest, MeasuredLinesKeepTheirShapingForTheirThreadAndFont) {
  auto measurer = TextMeasurer::pango();
  gfx::ScopedTextMeasurer scoped(measurer);
  const Font f = Font::systemFont(15);
  // Wrapped at blanks and inside the long word, and the last line.
  auto layout = measurer->layout("Stainless steel kettle Supercalifragilistic", f, 60, LineBreakMode::WordWrap, 0);
  ASSERT_GE(layout.lines.size(), 4u);
  ASSERT_TRUE(layout.shaped);
  for (std::size_t i = 0; i < layout.lines.size(); ++i)
    EXPECT_TRUE(layout.shaped->line(i, layout.lines[i].text, f)) << i << " " << layout.lines[i].text;
  EXPECT_FALSE(layout.shaped->line(layout.lines.size(), "", f));
  EXPECT_FALSE(layout.shaped->line(0, layout.lines[0].text + "x", f));
  EXPECT_FALSE(layout.shaped->line(0, layout.lines[0].text, Font::boldSystemFont(15)));
  EXPECT_FALSE(layout.shaped->line(0, layout.lines[0].text, Font::systemFont(16)));
  bool elsewhere = true;
  std::thread([&] { elsewhere = layout.shaped->line(0, layout.lines[0].text, f) != nullptr; }).join();
  EXPECT_FALSE(elsewhere);
  // A single line given by the truncating path is measured on its own, with
  // nothing to hand over; a truncated last line no longer shows its text.
  EXPECT_FALSE(measurer->layout("One line", f, 200, LineBreakMode::TailTruncation, 1).shaped);
  auto cut = measurer->layout("Stainless steel kettle Supercalifragilistic", f, 60, LineBreakMode::TailTruncation, 2);
  ASSERT_EQ(cut.lines.size(), 2u);
  ASSERT_TRUE(cut.shaped);
  EXPECT_TRUE(cut.shaped->line(0, cut.lines[0].text, f));
  EXPECT_FALSE(cut.shaped->line(1, cut.lines[1].text, f));
  // The fixed measurer shapes nothing.
  EXPECT_FALSE(TextMeasurer::fixed()->layout("a b c d e f", f, 10, LineBreakMode::WordWrap, 0).shaped);
}
