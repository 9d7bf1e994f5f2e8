#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/Color.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/ui/Layer.hpp"
#include "platform/ui/Responder.hpp"

namespace ui {

using base::AffineTransform;
using base::EdgeInsets;
using base::Point;
using base::Rect;
using base::Size;

class Window;
class ViewController;
class GestureRecognizer;
class Event;

enum class ContentMode {
  ScaleToFill = 0,
  ScaleAspectFit = 1,
  ScaleAspectFill = 2,
  Redraw = 3,
  Center = 4,
  Top = 5,
  Bottom = 6,
  Left = 7,
  Right = 8,
  TopLeft = 9,
  TopRight = 10,
  BottomLeft = 11,
  BottomRight = 12,
};

// Which of a view's margins and sizes follow its superview's size changes.
enum AutoresizingMask : unsigned {
  AutoresizingNone = 0,
  FlexibleLeftMargin = 1,
  FlexibleWidth = 2,
  FlexibleRightMargin = 4,
  FlexibleTopMargin = 8,
  FlexibleHeight = 16,
  FlexibleBottomMargin = 32,
};

enum class AnimationCurve { EaseInOut = 0, EaseIn = 1, EaseOut = 2, Linear = 3 };

enum AnimationOptions : unsigned {
  AnimationOptionAllowUserInteraction = 1u << 1,
  AnimationOptionBeginFromCurrentState = 1u << 2,
  AnimationOptionRepeat = 1u << 3,
  AnimationOptionAutoreverse = 1u << 4,
  AnimationOptionOverrideInheritedDuration = 1u << 5,
  AnimationOptionOverrideInheritedCurve = 1u << 6,
  AnimationOptionCurveEaseInOut = 0u << 16,
  AnimationOptionCurveEaseIn = 1u << 16,
  AnimationOptionCurveEaseOut = 2u << 16,
  AnimationOptionCurveLinear = 3u << 16,
};

// A committed view animation, kept for inspection: what changed, over how
// long, starting when.
struct AnimationRecord {
  std::string identifier;
  double duration = 0;
  double delay = 0;
  AnimationCurve curve = AnimationCurve::EaseInOut;
  unsigned options = 0;
  double startTime = 0;  // on the main loop's clock
  std::vector<std::pair<std::weak_ptr<View>, std::string>> changes;  // view, property
  bool changed(const View* v, const std::string& property) const;
};

// The rectangle a content of `content` size takes in `bounds` under a content mode.
Rect rectForContentMode(ContentMode mode, Size content, const Rect& bounds);

// A rectangle on screen and the root of a subtree of views. A view owns its
// subviews; its superview is a plain back pointer the superview clears.
// Geometry lives in the view's layer: frame, bounds, center and transform
// always agree. Views must be held by std::shared_ptr (create them with
// std::make_shared) for layout scheduling and safe delayed calls.
class View : public Responder, public std::enable_shared_from_this<View> {
 public:
  explicit View(const Rect& frame = {});
  ~View() override;
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // Geometry. Changing the bounds' size resizes subviews by their masks and
  // asks for layout.
  Rect frame() const { return layer_->frame(); }
  virtual void setFrame(const Rect& frame);
  Rect bounds() const { return layer_->bounds(); }
  virtual void setBounds(const Rect& bounds);
  Point center() const { return layer_->position(); }
  virtual void setCenter(Point center);
  AffineTransform transform() const { return layer_->affineTransform(); }
  virtual void setTransform(const AffineTransform& t);

  // The tree.
  View* superview() const { return superview_; }
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  Window* window() const;
  void addSubview(std::shared_ptr<View> view);
  void insertSubview(std::shared_ptr<View> view, std::size_t index);
  void insertSubviewAbove(std::shared_ptr<View> view, const View* sibling);
  void insertSubviewBelow(std::shared_ptr<View> view, const View* sibling);
  void removeFromSuperview();
  void bringSubviewToFront(const View* view);
  void sendSubviewToBack(const View* view);
  void exchangeSubviews(std::size_t a, std::size_t b);
  bool isDescendantOfView(const View* view) const;
  // This view or the first descendant (depth first) with the tag.
  View* viewWithTag(long tag);
  std::size_t indexOfSubview(const View* view) const;  // npos when not a subview
  // The owning shared pointer, or nothing for a view not held by one.
  std::shared_ptr<View> self() { return weak_from_this().lock(); }

  // Tree hooks for subclasses.
  virtual void willMoveToSuperview(View* /*newSuperview*/) {}
  virtual void didMoveToSuperview() {}
  virtual void willMoveToWindow(Window* /*newWindow*/) {}
  virtual void didMoveToWindow() {}
  virtual void didAddSubview(View* /*subview*/) {}
  virtual void willRemoveSubview(View* /*subview*/) {}

  // Appearance.
  bool isHidden() const { return layer_->isHidden(); }
  virtual void setHidden(bool hidden);
  double alpha() const { return layer_->opacity(); }
  virtual void setAlpha(double alpha);
  bool isOpaque() const { return opaque_; }
  void setOpaque(bool opaque) { opaque_ = opaque; }
  // Nothing means no background (the same as clear for drawing).
  const std::optional<gfx::Color>& backgroundColor() const { return layer_->backgroundColor(); }
  virtual void setBackgroundColor(std::optional<gfx::Color> color);
  bool clipsToBounds() const { return layer_->masksToBounds(); }
  void setClipsToBounds(bool clips) { layer_->setMasksToBounds(clips); }
  bool isUserInteractionEnabled() const { return interaction_; }
  void setUserInteractionEnabled(bool enabled) { interaction_ = enabled; }
  bool isMultipleTouchEnabled() const { return multipleTouch_; }
  void setMultipleTouchEnabled(bool enabled) { multipleTouch_ = enabled; }
  bool isExclusiveTouch() const { return exclusiveTouch_; }
  void setExclusiveTouch(bool exclusive) { exclusiveTouch_ = exclusive; }
  long tag() const { return tag_; }
  void setTag(long tag) { tag_ = tag; }
  // What the view is called for someone who cannot see it (a button drawn
  // as a picture has no title): screen readers and the UI tests find it by it.
  const std::string& accessibilityLabel() const { return accessibilityLabel_; }
  void setAccessibilityLabel(std::string label) { accessibilityLabel_ = std::move(label); }
  ContentMode contentMode() const { return contentMode_; }
  void setContentMode(ContentMode mode);
  double contentScaleFactor() const;
  std::optional<gfx::Color> tintColor() const;
  void setTintColor(std::optional<gfx::Color> color);
  Layer& layer() const { return *layer_; }
  std::shared_ptr<Layer> layerPtr() const { return layer_; }

  // Resizing and layout.
  unsigned autoresizingMask() const { return autoresizingMask_; }
  void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
  bool autoresizesSubviews() const { return autoresizesSubviews_; }
  void setAutoresizesSubviews(bool on) { autoresizesSubviews_ = on; }
  // Moves and resizes this view by its mask for a superview that was `oldSize`.
  void resizeWithOldSuperviewSize(Size oldSize);
  // Marks the view for layout at the end of this run-loop turn.
  void setNeedsLayout();
  bool needsLayout() const { return needsLayout_; }
  // Lays out now, when marked, and then the marked views below it.
  void layoutIfNeeded();
  // Places subviews; the default does nothing.
  virtual void layoutSubviews() {}
  virtual Size sizeThatFits(Size /*size*/) const {  return bounds().size; }
  void sizeToFit();

  // Drawing. Drawing happens when the window or a view is rendered;
  // `setNeedsDisplay` only marks the view.
  void setNeedsDisplay();
  void setNeedsDisplayInRect(const Rect& rect);
  bool needsDisplay() const { return layer_->needsDisplay(); }
  // Draws the view's own content over its background, in its bounds' space.
  virtual void drawRect(gfx::Context& /*ctx*/, const Rect& /*rect*/) {}

  // Coordinates. A nullptr view means the window's coordinates (the root of
  // this view's tree).
  Point convertPointToView(Point p, const View* view) const;
  Point convertPointFromView(Point p, const View* view) const;
  Rect convertRectToView(const Rect& r, const View* view) const;
  Rect convertRectFromView(const Rect& r, const View* view) const;

  // Hit testing: the deepest visible, interactive view under the point, front
  // to back; nothing when this view is hidden, not interactive, nearly
  // transparent (alpha < 0.01) or the point is outside it.
  virtual View* hitTest(Point p, const Event* event);
  // The default rules, for subclasses that override `hitTest` and still need them.
  View* basicHitTest(Point p, const Event* event);
  virtual bool pointInside(Point p, const Event* event) const;

  // Resigns the first responder when it is this view or inside it; with
  // `force` even when it would refuse. True when nothing inside edits any more.
  bool endEditing(bool force);

  // Responder chain: the controller whose view this is, else the superview.
  Responder* nextResponder() const override;
  ViewController* viewController() const { return controller_; }

  // Gesture recognisers, in the order added.
  void addGestureRecognizer(std::shared_ptr<GestureRecognizer> g);
  void removeGestureRecognizer(const GestureRecognizer* g);
  const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return recognizers_; }

  // --- Animations ---------------------------------------------------------
  // Model values change at once; the animations block runs synchronously
  // and the completion runs on the main loop after delay + duration (next
  // turn when animations are disabled or the duration is 0).
  static void animate(double duration, const std::function<void()>& animations,
                      std::function<void(bool finished)> completion = {});
  static void animate(double duration, double delay, unsigned options, const std::function<void()>& animations,
                      std::function<void(bool finished)> completion = {});
  static void transition(View* view, double duration, unsigned options, const std::function<void()>& animations,
                         std::function<void(bool finished)> completion = {});
  // The older begin/commit form; the did-stop callback gets the identifier,
  // whether it finished, and the context.
  static void beginAnimations(const std::string& identifier = {}, void* context = nullptr);
  static void commitAnimations();
  static void setAnimationDuration(double seconds);
  static void setAnimationDelay(double seconds);
  static void setAnimationCurve(AnimationCurve curve);
  static void setAnimationBeginsFromCurrentState(bool on);
  static void setAnimationRepeatCount(double count);
  static void setAnimationRepeatAutoreverses(bool on);
  static void setAnimationWillStart(std::function<void(const std::string&, void*)> callback);
  static void setAnimationDidStop(std::function<void(const std::string&, bool, void*)> callback);
  static void setAnimationsEnabled(bool enabled);
  static bool areAnimationsEnabled();
  static void performWithoutAnimation(const std::function<void()>& actions);
  // Inside an animation block (and animations are enabled).
  static bool isAnimating();
  // Committed animations, oldest first (bounded); for inspection in tests.
  static const std::vector<AnimationRecord>& animationLog();
  static void clearAnimationLog();

  // Runs the layout of every marked view now (the end-of-turn pass).
  static void layoutPendingViews();

 protected:
  Window* focusWindow() const override { return window(); }
  // Called by setters of animatable properties (recorded inside animation blocks).
  void noteAnimatableChange(const char* property);

 private:
  friend class Layer;
  friend class ViewController;
  friend class Window;
  void layerGeometryChanged(const Rect& oldBounds, const Rect& oldFrame);
  void resizeSubviewsWithOldSize(Size oldSize);
  void attach(View* parent, std::shared_ptr<View> child, std::size_t index);
  void detachFromParent();
  void setWindowPointer(Window* w);
  // Transform from this view's bounds space to its superview's bounds space.
  AffineTransform toSuperview() const;
  AffineTransform toRoot(const View** root) const;

  std::shared_ptr<Layer> layer_;
  View* superview_ = nullptr;
  Window* window_ = nullptr;
  ViewController* controller_ = nullptr;
  std::vector<std::shared_ptr<View>> subviews_;
  std::vector<std::shared_ptr<GestureRecognizer>> recognizers_;
  bool opaque_ = true;
  bool interaction_ = true;
  bool multipleTouch_ = false;
  bool exclusiveTouch_ = false;
  long tag_ = 0;
  std::string accessibilityLabel_;
  ContentMode contentMode_ = ContentMode::ScaleToFill;
  unsigned autoresizingMask_ = AutoresizingNone;
  bool autoresizesSubviews_ = true;
  bool needsLayout_ = false;
  std::optional<gfx::Color> tint_;
};

}  // namespace ui
