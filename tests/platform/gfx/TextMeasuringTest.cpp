#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/gfx/Font.hpp"
#include "platform/gfx/PangoTextMeasurer.hpp"
#include "platform/gfx/ShownText.hpp"
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

namespace {

// Fixed advances, keeping the longest text any measuring was handed.
class RecordingMeasurer : public TextMeasurer {
 public:
  std::size_t longest = 0;
  double lineHeight(const Font& f) override { return fixed_->lineHeight(f); }
  double ascender(const Font& f) override { return fixed_->ascender(f); }
  double descender(const Font& f) override { return fixed_->descender(f); }
  double widthOf(std::string_view text, const Font& f) override {
    longest = std::max(longest, text.size());
    return fixed_->widthOf(text, f);
  }
  std::vector<std::string> wrap(std::string_view text, const Font& f, double width, LineBreakMode mode) override {
    longest = std::max(longest, text.size());
    return fixed_->wrap(text, f, width, mode);
  }

 private:
  std::shared_ptr<TextMeasurer> fixed_ = TextMeasurer::fixed(0.5);
};

std::vector<std::string> texts(const gfx::TextLayout& layout) {
  std::vector<std::string> out;
  for (const auto& line : layout.lines) out.push_back(line.text);
  return out;
}

}  // namespace

// A name of megabytes is laid out for what its box shows: what the box
// shows is what the same box shows of a text a few lines long, and the
// measurer is never handed more than a few lines' worth.
TEST(TextMeasuringTest, AnyLengthOfTextCostsWhatItsBoxShows) {
  auto recorder = std::make_shared<RecordingMeasurer>();
  gfx::ScopedTextMeasurer scoped(recorder);
  auto& m = TextMeasurer::current();
  const Font f = Font::systemFont(10);  // 5 points a character
  std::string huge = "Start ";
  while (huge.size() < 3'000'000) huge += "name and more name ";
  huge += " End";
  const std::string shortOne = huge.substr(0, 3000) + huge.substr(huge.size() - 3000);
  // The box of a list row: 300 x 3 lines at most.
  const std::size_t bound = 3 * 300 / (10 / 16.0) * 2;
  struct Case {
    const char* what;
    double width;
    int lines;
    LineBreakMode mode;
  };
  for (const Case& c : {Case{"tail", 300, 1, LineBreakMode::TailTruncation},
                        Case{"head", 300, 1, LineBreakMode::HeadTruncation},
                        Case{"middle", 300, 1, LineBreakMode::MiddleTruncation},
                        Case{"clip", 300, 1, LineBreakMode::Clip},
                        Case{"wrapped", 300, 3, LineBreakMode::WordWrap},
                        Case{"wrapped, tail", 300, 3, LineBreakMode::TailTruncation}}) {
    SCOPED_TRACE(c.what);
    recorder->longest = 0;
    const auto shown = m.layout(huge, f, c.width, c.mode, c.lines);
    EXPECT_LT(recorder->longest, bound);
    EXPECT_EQ(texts(shown), texts(m.layout(shortOne, f, c.width, c.mode, c.lines)));
    ASSERT_EQ(shown.lines.size(), static_cast<std::size_t>(c.lines));
    EXPECT_LE(shown.lines.back().width, c.width);
  }
  // The ends of a shortened name are its own.
  const auto head = m.layout(huge, f, 300, LineBreakMode::HeadTruncation, 1).lines[0].text;
  EXPECT_EQ(head.substr(0, 3), "\xE2\x80\xA6");
  EXPECT_EQ(head.substr(head.size() - 9), "name  End");
  const auto middle = m.layout(huge, f, 300, LineBreakMode::MiddleTruncation, 1).lines[0].text;
  EXPECT_EQ(middle.substr(0, 6), "Start ");
  EXPECT_EQ(middle.substr(middle.size() - 3), "End");
  // A label sized to its text, shrunk to fit, or measured word by word.
  recorder->longest = 0;
  EXPECT_GT(gfx::sizeWithFont(huge, f).width, 1000);
  EXPECT_EQ(m.truncate(huge, f, 300, LineBreakMode::TailTruncation), m.truncate(shortOne, f, 300, LineBreakMode::TailTruncation));
  EXPECT_EQ(gfx::fitFontSize(huge, f, 6, 300), 6);
  EXPECT_LT(recorder->longest, 2 * 4096u);
  const std::string word(3'000'000, 'w');
  EXPECT_GT(gfx::widestWord("a " + word + " b", f).width, 1e9);
  EXPECT_LT(recorder->longest, 2 * 4096u);
}

// Control characters are not drawn; the marks that embed or override the
// direction of what follows are left out, so a name never shows reversed;
// what is not UTF-8 shows as the replacement character.
TEST(TextMeasuringTest, ControlAndDirectionMarksAreNotShown) {
  const std::string rlo = "\xE2\x80\xAE", pdf = "\xE2\x80\xAC", fsi = "\xE2\x81\xA8", pdi = "\xE2\x81\xA9";
  const std::string nul("\0", 1);
  struct Case {
    std::string text, shown;
  };
  const std::vector<Case> cases = {
      {"Lee" + nul + "Ann", "LeeAnn"},
      {"Bell\x07 and\x1b[31m red\x7f", "Bell and[31m red"},
      {"C1 \xC2\x85\xC2\x9B here", "C1  here"},
      {"Photo " + rlo + "gpj.exe" + pdf, "Photo gpj.exe"},
      {fsi + "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D" + pdi + " (3)", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D (3)"},
      {"bad \xFF\xC0\x80 end", "bad \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD end"},
      {"one\r\ntwo\rthree\xE2\x80\xA8" "four", "one\ntwo\nthree\nfour"},
      {"tab\tkept \xE4\xB8\xAD", "tab\tkept \xE4\xB8\xAD"},
  };
  for (const auto& measurer : {TextMeasurer::fixed(0.5), TextMeasurer::pango()}) {
    gfx::ScopedTextMeasurer scoped(measurer);
    auto& m = TextMeasurer::current();
    const Font f = Font::systemFont(14);
    for (const auto& c : cases) {
      SCOPED_TRACE(c.shown);
      std::string joined;
      for (const auto& line : m.layout(c.text, f, 0, LineBreakMode::WordWrap, 0).lines)
        joined += (joined.empty() ? "" : "\n") + line.text;
      EXPECT_EQ(joined, c.shown);
      EXPECT_DOUBLE_EQ(m.widthOf(c.text, f), m.widthOf(c.shown, f));
      bool cut = true;
      EXPECT_EQ(gfx::shownSuffix(c.text, 100, cut), c.shown);
      EXPECT_FALSE(cut);
    }
    // One line: the shortened name keeps none of them either.
    EXPECT_EQ(m.layout("Photo " + rlo + "gpj.exe", f, 0, LineBreakMode::TailTruncation, 1).lines[0].text,
              "Photo gpj.exe");
  }
  bool cut = false;
  EXPECT_EQ(gfx::shownPrefix(nul + "ab" + rlo + "cd", 3, cut), "abc");
  EXPECT_TRUE(cut);
  EXPECT_EQ(gfx::shownSuffix("ab" + rlo + "cd" + nul, 3, cut), "bcd");
  EXPECT_TRUE(cut);
  EXPECT_EQ(gfx::shownPrefix("ab" + nul + nul, 2, cut), "ab");
  EXPECT_FALSE(cut);
}
