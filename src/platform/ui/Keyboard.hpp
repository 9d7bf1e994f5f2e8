#pragma once
#include <optional>
#include <string>

#include "platform/base/Geometry.hpp"
#include "platform/base/Value.hpp"

namespace ui {

// The on-screen keyboard: shown while a text input of the key window is the
// first responder, along the bottom of the landscape screen. Its changes are
// posted on the default notification centre with the window as sender and a
// user info holding the begin and end frames (window coordinates, as
// {"x", "y", "width", "height"}), the animation duration and curve:
// will-show then, 0.25 s later, did-show; will-hide then did-hide. Moving
// the focus from one text input to another posts nothing.
class Keyboard {
 public:
  static constexpr double kHeight = 352;  // landscape
  static constexpr double kAnimationDuration = 0.25;

  static inline const std::string WillShowNotification = "KeyboardWillShowNotification";
  static inline const std::string DidShowNotification = "KeyboardDidShowNotification";
  static inline const std::string WillHideNotification = "KeyboardWillHideNotification";
  static inline const std::string DidHideNotification = "KeyboardDidHideNotification";
  static inline const std::string FrameBeginUserInfoKey = "KeyboardFrameBeginUserInfoKey";
  static inline const std::string FrameEndUserInfoKey = "KeyboardFrameEndUserInfoKey";
  static inline const std::string AnimationDurationUserInfoKey = "KeyboardAnimationDurationUserInfoKey";
  static inline const std::string AnimationCurveUserInfoKey = "KeyboardAnimationCurveUserInfoKey";

  // The keyboard's frame when shown / hidden, for a window of `windowBounds`.
  static base::Rect shownFrame(const base::Rect& windowBounds);
  static base::Rect hiddenFrame(const base::Rect& windowBounds);
  // A rectangle as the user info carries it, and back (nothing when the
  // member is missing or not a rectangle).
  static base::Value rectValue(const base::Rect& r);
  static std::optional<base::Rect> rectFromUserInfo(const base::Value& userInfo, const std::string& key);
  static base::Value userInfo(const base::Rect& begin, const base::Rect& end);
};

}  // namespace ui
