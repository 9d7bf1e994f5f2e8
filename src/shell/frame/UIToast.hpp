#pragma once
// A short message in a rounded box that pops up, stays briefly and shrinks
// away by itself. The toast keeps itself alive in the window until its last
// animation step removes it. Main thread only.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/base/CancelTracker.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class UIToast : public ui::View {
 public:
  static constexpr int kGravityMiddle = 1;
  static constexpr int kGravityLower = 2;
  static constexpr int kLengthShort = 0;
  static constexpr int kLengthLong = 1;

  UIToast();

  // Shows the text in the lower part, briefly.
  void show(const std::string& text);
  // A new toast, kept alive by its window, showing the current language's
  // text of the key: the screens' short messages ("FAILED", ...).
  static void showTextOf(const std::string& key);
  // The same, unless a toast shows that text already.
  static void showTextOnceOf(const std::string& key);
  // Whether a toast shows that text now.
  static bool isShowing(const std::string& text);
  void show(const std::string& text, int gravity, int length);

  // Where a box of that size goes on a screen of that size, as the user sees
  // it: centred across, and its centre at the screen's height x f, with f
  // 0.75 for the lower part, 0.5 for the middle and 0.25 otherwise, so the
  // lower toast stays above the tab bar.
  static ui::Rect frameForBox(ui::Size box, int gravity, ui::Size screen);
  // Seconds from the first step until the shrinking starts.
  static double readableSeconds(int length);

  int gravity() const { return m_gravity; }
  int length() const { return m_length; }
  std::int64_t animationStep() const { return animation; }
  const std::string& text() const { return text_; }
  // The label the text is drawn in, while shown.
  const ui::Label* textLabel() const { return textLabel_.get(); }
  // Room between the text and the edges of its box.
  static constexpr ui::Size kPadding{15, 10};
  // The widest the text runs before it wraps.
  static constexpr double kTextWidth = 260;

 private:
  void nextStep();

  std::shared_ptr<ui::View> animationView;
  std::shared_ptr<ui::Label> textLabel_;
  std::int64_t animation = 0;
  int m_length = kLengthShort;
  int m_gravity = kGravityLower;
  std::string text_;
  ui::AffineTransform orientation_;
  // The steps' times where views do not animate.
  base::CancelTracker steps_;
};

}  // namespace mv
