#pragma once
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/Value.hpp"
#include "platform/gfx/Color.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/gfx/Path.hpp"
#include "platform/ui/LayerAnimation.hpp"
#include "platform/ui/Transform3D.hpp"

namespace ui {

class View;

// Seconds on the main loop's clock, the time base of layer animations.
double mediaTime();

// The state a view's drawing is composed from: geometry (bounds, position,
// anchor point and transform, from which the frame follows), look (colour,
// opacity, corners, border, shadow, contents) and the animations recorded on
// it. Every view has one; layers may also stand alone as sublayers.
class Layer : public std::enable_shared_from_this<Layer> {
 public:
  Layer();
  virtual ~Layer();
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;

  // The view this layer belongs to, or nothing for a standalone layer.
  View* view() const { return owner_; }

  // Geometry.
  base::Rect bounds() const { return bounds_; }
  void setBounds(const base::Rect& b);
  base::Point position() const { return position_; }
  void setPosition(base::Point p);
  base::Point anchorPoint() const { return anchor_; }
  void setAnchorPoint(base::Point p);
  const Transform3D& transform() const { return transform_; }
  void setTransform(const Transform3D& t);
  base::AffineTransform affineTransform() const { return transform_.affine(); }
  void setAffineTransform(const base::AffineTransform& t) { setTransform(Transform3D::fromAffine(t)); }
  // The bounding box of the transformed bounds, in the superlayer's space.
  base::Rect frame() const;
  void setFrame(const base::Rect& f);
  double zPosition() const { return zPosition_; }
  void setZPosition(double z) { zPosition_ = z; }

  // Look.
  const std::optional<gfx::Color>& backgroundColor() const { return background_; }
  void setBackgroundColor(std::optional<gfx::Color> c);
  double opacity() const { return opacity_; }
  void setOpacity(double o);
  bool isHidden() const { return hidden_; }
  void setHidden(bool h);
  bool masksToBounds() const { return masks_; }
  void setMasksToBounds(bool m);
  double cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(double r) { cornerRadius_ = r < 0 ? 0 : r; }
  double borderWidth() const { return borderWidth_; }
  void setBorderWidth(double w) { borderWidth_ = w < 0 ? 0 : w; }
  gfx::Color borderColor() const { return borderColor_; }
  void setBorderColor(const gfx::Color& c) { borderColor_ = c; }
  std::optional<gfx::Color> shadowColor() const { return shadowColor_; }
  void setShadowColor(std::optional<gfx::Color> c) { shadowColor_ = c; }
  double shadowOpacity() const { return shadowOpacity_; }
  void setShadowOpacity(double o) { shadowOpacity_ = o < 0 ? 0 : (o > 1 ? 1 : o); }
  base::Size shadowOffset() const { return shadowOffset_; }
  void setShadowOffset(base::Size s) { shadowOffset_ = s; }
  double shadowRadius() const { return shadowRadius_; }
  void setShadowRadius(double r) { shadowRadius_ = r; }
  const std::optional<gfx::Path>& shadowPath() const { return shadowPath_; }
  void setShadowPath(std::optional<gfx::Path> p) { shadowPath_ = std::move(p); }
  const gfx::ImagePtr& contents() const { return contents_; }
  void setContents(gfx::ImagePtr image) { contents_ = std::move(image); }
  // "resize", "resizeAspect", "resizeAspectFill", "center", "top", ...
  const std::string& contentsGravity() const { return contentsGravity_; }
  void setContentsGravity(std::string g) { contentsGravity_ = std::move(g); }
  double contentsScale() const { return contentsScale_; }
  void setContentsScale(double s) { contentsScale_ = s > 0 ? s : 1; }
  bool shouldRasterize() const { return rasterize_; }
  void setShouldRasterize(bool r) { rasterize_ = r; }
  double rasterizationScale() const { return rasterizationScale_; }
  void setRasterizationScale(double s) { rasterizationScale_ = s; }
  const std::string& name() const { return name_; }
  void setName(std::string n) { name_ = std::move(n); }
  // Free-form values stored under keys (markers other code may read back).
  void setValue(const std::string& key, base::Value v) { values_[key] = std::move(v); }
  std::optional<base::Value> valueForKey(const std::string& key) const;

  // Standalone sublayers, drawn over the owner's own drawing and under its subviews.
  void addSublayer(std::shared_ptr<Layer> layer);
  void insertSublayer(std::shared_ptr<Layer> layer, std::size_t index);
  void removeFromSuperlayer();
  const std::vector<std::shared_ptr<Layer>>& sublayers() const { return sublayers_; }
  Layer* superlayer() const { return superlayer_; }

  // Animations, by key. Adding stores a copy (an empty key gets a unique
  // one); a finished animation is removed when it says so and its delegate
  // hears that it stopped.
  void addAnimation(const LayerAnimation& animation, const std::string& key = {});
  std::shared_ptr<LayerAnimation> animationForKey(const std::string& key) const;
  std::vector<std::string> animationKeys() const;
  void removeAnimationForKey(const std::string& key);
  void removeAllAnimations();
  // Start time on the media clock of the animation under `key` (NaN when none).
  double animationStartTime(const std::string& key) const;
  // Layer time of a media time: layers here all run on one clock.
  double convertTime(double t, const Layer* /*from*/) const { return t; }

  void setNeedsDisplay() { needsDisplay_ = true; }
  bool needsDisplay() const { return needsDisplay_; }
  void clearNeedsDisplay() { needsDisplay_ = false; }

 private:
  friend class View;
  void geometryChanged(const base::Rect& oldBounds, const base::Rect& oldFrame);
  void finishAnimation(const std::string& key, std::uint64_t serial, bool finished);

  struct Running {
    std::shared_ptr<LayerAnimation> animation;
    double start = 0;
    std::uint64_t serial = 0;
    base::TimerId timer = 0;
  };

  View* owner_ = nullptr;
  base::Rect bounds_;
  base::Point position_;
  base::Point anchor_{0.5, 0.5};
  Transform3D transform_;
  double zPosition_ = 0;
  std::optional<gfx::Color> background_;
  double opacity_ = 1;
  bool hidden_ = false;
  bool masks_ = false;
  double cornerRadius_ = 0;
  double borderWidth_ = 0;
  gfx::Color borderColor_ = gfx::Color::black();
  std::optional<gfx::Color> shadowColor_ = gfx::Color::black();
  double shadowOpacity_ = 0;
  base::Size shadowOffset_{0, -3};
  double shadowRadius_ = 3;
  std::optional<gfx::Path> shadowPath_;
  gfx::ImagePtr contents_;
  std::string contentsGravity_ = "resize";
  double contentsScale_ = 1;
  bool rasterize_ = false;
  double rasterizationScale_ = 1;
  std::string name_;
  std::map<std::string, base::Value> values_;
  std::vector<std::shared_ptr<Layer>> sublayers_;
  Layer* superlayer_ = nullptr;
  std::vector<std::pair<std::string, Running>> animations_;  // in the order added
  std::uint64_t nextSerial_ = 1;
  bool needsDisplay_ = false;
};

}  // namespace ui
