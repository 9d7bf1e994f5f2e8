#pragma once
// A text field that draws a proposed completion in grey after the typed text.
#include <optional>
#include <string>

#include "platform/ui/TextField.hpp"

namespace mv {

class AutoInputTextField : public ui::TextField {
 public:
  static constexpr double kSuggestionY = 9;

  explicit AutoInputTextField(const ui::Rect& frame = {});

  double x() const { return x_; }
  void setX(double x) { x_ = x; }
  const std::optional<std::string>& autoTextStr() const { return autoTextStr_; }
  void setAutoTextStr(std::optional<std::string> text) { autoTextStr_ = std::move(text); }
  // Shows the suffix (nothing or "" hides it) at x and redraws.
  void showAutoText(const std::optional<std::string>& text, double pointX);
  // A suffix is drawn.
  bool isShowingSuggestion() const { return autoTextStr_ && !autoTextStr_->empty(); }

  // The saved value the shown suffix completes, which accepting the
  // suggestion puts into the field whole (with its own letter case).
  const std::string& candidate() const { return candidate_; }
  void setCandidate(std::string candidate) { candidate_ = std::move(candidate); }

  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;

 private:
  double x_ = 0;
  std::optional<std::string> autoTextStr_;
  std::string candidate_;
};

}  // namespace mv
