#pragma once
// The signature pad: a modal screen on which the customer signs with a
// finger inside the signing area. Done hands the signature (the part of the
// drawing inside the signing area) to the completion; Cancel closes without
// it. Main thread only.
#include <functional>
#include <memory>

#include "order/SignatureCanvas.hpp"
#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/NavigationBar.hpp"
#include "platform/ui/NavigationItem.hpp"
#include "shell/frame/BaseViewController.hpp"

namespace mv {

class PainterViewController : public BaseViewController {
 public:
  // The signature, or nothing when nothing was signed; the second argument
  // is always 0.
  using Completion = std::function<void(gfx::ImagePtr image, int)>;

  PainterViewController();

  void setBlock(Completion block) { block_ = std::move(block); }

  ui::NavigationBar& naviBar() { return *naviBar_; }
  ui::BarButtonItem& btnCancel() { return *btnCancel_; }
  ui::BarButtonItem& btnDone() { return *btnDone_; }
  // The signing area; its frame is what the signature is cut to.
  ui::View& canvasView() { return *canvasView_; }
  // Holds the drawing; touches are measured in its coordinates.
  ui::ImageView& painterView() { return *painterView_; }
  const SignatureCanvas& canvas() const { return canvas_; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesMoved(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) override;

  void drawLineFromPoint(base::Point from, base::Point to);
  // The signature: the drawing inside the signing area, or nothing.
  gfx::ImagePtr decompressedImage() const;
  void cancelButtonTapped();
  void doneButtonTapped();

 private:
  std::shared_ptr<ui::NavigationBar> naviBar_;
  ui::NavigationItem item_;
  std::shared_ptr<ui::BarButtonItem> btnCancel_, btnDone_;
  std::shared_ptr<ui::Button> cancelButton_, doneButton_;
  std::shared_ptr<ui::View> canvasView_;
  std::shared_ptr<ui::ImageView> painterView_;
  SignatureCanvas canvas_;
  Completion block_;
  base::Point lastPoint_;
  bool mouseMoved_ = false;
  bool finished_ = false;
};

}  // namespace mv
