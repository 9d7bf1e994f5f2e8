#include "order/PainterViewController.hpp"

#include "order/OrderScreenParts.hpp"

#include "platform/base/MainThread.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/Touch.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

namespace {

constexpr double kBarHeight = 44;
// The signing area keeps the proportions of the form's signature field
// (192 x 132), so the signature shrinks into it without bars.
const ui::Rect kCanvasFrame{112, 140, 800, 550};

}  // namespace

PainterViewController::PainterViewController()
    : canvas_(base::Size{ui::Screen::mainScreen().bounds().width(),
                         ui::Screen::mainScreen().bounds().height() - kBarHeight}) {}

void PainterViewController::loadView() {
  auto v = std::make_shared<ui::View>(ui::Screen::mainScreen().bounds());
  v->setBackgroundColor(gfx::Color::rgb255(236, 238, 241));
  setView(v);
}

void PainterViewController::viewDidLoad() {
  MV_ASSERT_MAIN_THREAD();
  BaseViewController::viewDidLoad();
  const ui::Rect bounds = view()->bounds();

  canvasView_ = std::make_shared<ui::View>(kCanvasFrame);
  canvasView_->setBackgroundColor(gfx::Color::white());
  canvasView_->layer().setBorderWidth(1);
  canvasView_->layer().setBorderColor(gfx::Color::rgb255(200, 204, 210));
  // Where to sign: a line near the bottom of the area.
  auto baseline = std::make_shared<ui::View>(ui::Rect{40, kCanvasFrame.height() - 90, kCanvasFrame.width() - 80, 1});
  baseline->setBackgroundColor(gfx::Color::rgb255(170, 175, 182));
  canvasView_->addSubview(baseline);
  view()->addSubview(canvasView_);

  painterView_ = std::make_shared<ui::ImageView>(ui::Rect{0, kBarHeight, bounds.width(), bounds.height() - kBarHeight});
  painterView_->setBackgroundColor(gfx::Color::clear());
  // Touches go past the picture to this screen.
  painterView_->setUserInteractionEnabled(false);
  view()->addSubview(painterView_);

  naviBar_ = std::make_shared<ui::NavigationBar>(ui::Rect{0, 0, bounds.width(), kBarHeight});
  naviBar_->setBackgroundImage(WidgetSkin::skinFromImageName("topbar-bg.png"));
  naviBar_->setTitleColor(gfx::Color::white());
  std::weak_ptr<ui::ViewController> weak = weak_from_this();
  auto barButton = [weak](const char* key, void (PainterViewController::*action)()) {
    auto b = std::make_shared<ui::Button>(ui::Rect{0, 0, 80, 34});
    ViewStyle::initializeToButtonHeight34(*b);
    b->setTitle(text(key));
    b->addAction(
        [weak, action](ui::Control&, const ui::Event*) {
          if (auto self = weak.lock()) (static_cast<PainterViewController&>(*self).*action)();
        },
        ui::ControlEventTouchUpInside);
    return b;
  };
  cancelButton_ = barButton("CANCEL", &PainterViewController::cancelButtonTapped);
  doneButton_ = barButton("DONE", &PainterViewController::doneButtonTapped);
  btnCancel_ = std::make_shared<ui::BarButtonItem>(cancelButton_);
  btnDone_ = std::make_shared<ui::BarButtonItem>(doneButton_);
  item_.setLeftBarButtonItem(btnCancel_);
  item_.setRightBarButtonItem(btnDone_);
  item_.setTitle(text("ADDSIGNATURE"));
  naviBar_->setItems(&item_, nullptr);
  view()->addSubview(naviBar_);
  finishViewDidLoad();
}

void PainterViewController::updateLanguage(ui::ViewController& /*sender*/) {
  if (!isViewLoaded()) return;
  item_.setTitle(text("ADDSIGNATURE"));
  cancelButton_->setTitle(text("CANCEL"));
  doneButton_->setTitle(text("DONE"));
  naviBar_->refresh();
}

void PainterViewController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  ui::Application::sharedInstance().setStatusBarHidden(true);
}

void PainterViewController::viewWillDisappear(bool animated) {
  BaseViewController::viewWillDisappear(animated);
  ui::Application::sharedInstance().setStatusBarHidden(false);
}

void PainterViewController::touchesBegan(const ui::TouchSet& touches, const ui::Event& /*event*/) {
  MV_ASSERT_MAIN_THREAD();
  if (touches.empty() || !painterView_) return;
  mouseMoved_ = false;
  lastPoint_ = (*touches.begin())->locationInView(painterView_.get());
}

void PainterViewController::touchesMoved(const ui::TouchSet& touches, const ui::Event& /*event*/) {
  if (touches.empty() || !painterView_) return;
  mouseMoved_ = true;
  const base::Point current = (*touches.begin())->locationInView(painterView_.get());
  drawLineFromPoint(lastPoint_, current);
  lastPoint_ = current;
}

void PainterViewController::touchesEnded(const ui::TouchSet& touches, const ui::Event& /*event*/) {
  if (touches.empty() || !painterView_) return;
  if (!mouseMoved_) drawLineFromPoint(lastPoint_, lastPoint_);
}

void PainterViewController::touchesCancelled(const ui::TouchSet& /*touches*/, const ui::Event& /*event*/) {}

void PainterViewController::drawLineFromPoint(base::Point from, base::Point to) {
  canvas_.drawLine(from, to);
  if (painterView_) painterView_->setImage(canvas_.image());
}

gfx::ImagePtr PainterViewController::decompressedImage() const {
  if (!canvasView_ || !painterView_) return nullptr;
  // The signing area in the drawing's own coordinates.
  const ui::Rect area = canvasView_->superview()
                            ? canvasView_->superview()->convertRectToView(canvasView_->frame(), painterView_.get())
                            : canvasView_->frame();
  return canvas_.decompressedImage(area);
}

void PainterViewController::cancelButtonTapped() {
  if (finished_) return;
  finished_ = true;
  dismissViewControllerAnimated(true);
}

void PainterViewController::doneButtonTapped() {
  if (finished_) return;
  finished_ = true;
  gfx::ImagePtr signature = decompressedImage();
  Completion block = std::move(block_);
  dismissViewControllerAnimated(true, [block, signature] {
    if (block) block(signature, 0);
  });
}

}  // namespace mv
