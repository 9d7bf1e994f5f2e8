#include "shell/frame/WebViewController.hpp"

#include <algorithm>
#include <vector>

#include "platform/base/Log.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/SkinManager.hpp"
#include "services/PrintInteractionController.hpp"
#include "shell/frame/DesktopLink.hpp"
#include "shell/frame/ScreenAlert.hpp"
#include "shell/frame/SharingNotices.hpp"
#include "shell/frame/UIToast.hpp"
#include "util/FitCGRect.hpp"
#include "util/OpenableLink.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {

std::shared_ptr<ui::Button> WebViewController::makeButton(const ui::Rect& frame, const char* image, const char* name,
                                                          void (WebViewController::*action)()) {
  auto button = std::make_shared<ui::Button>(frame);
  button->setImage(SkinManager::skinFromImageName(image));
  button->setAccessibilityLabel(text(name));
  auto weak = ui::weakAs<WebViewController>(this);
  button->addAction(
      [weak, action](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock()) ((*self).*action)();
      },
      ui::ControlEventTouchUpInside);
  titlebar()->addSubview(button);
  return button;
}

void WebViewController::viewDidLoad() {
  PopBaseController::viewDidLoad();
  const FitCGRect& fit = FitCGRect::sharedInstance();
  contentWebView_ = std::make_shared<svc::WebView>(fit.fitCGRectBy(0, 64, 1024, 704));
  contentWebView_->setBackgroundColor(gfx::Color::white(0.85));
  contentWebView_->setDelegate(ui::weakAs<svc::WebViewDelegate>(this));
  view()->addSubview(contentWebView_);

  // The message may stand over the page's own text: it has a plate of its own.
  messageArea_ = fit.fitCGRectBy(40, 300, 944, 120);
  messagePlate_ = std::make_shared<ui::View>(messageArea_);
  messagePlate_->setBackgroundColor(gfx::Color::white());
  messagePlate_->layer().setCornerRadius(kMessagePadding / 2);
  messagePlate_->layer().setBorderWidth(1);
  messagePlate_->layer().setBorderColor(gfx::Color::lightGray());
  messagePlate_->setHidden(true);
  view()->addSubview(messagePlate_);
  lblLoadError_ = std::make_shared<ui::Label>(messageArea_);
  lblLoadError_->setNumberOfLines(0);
  lblLoadError_->setTextAlignment(gfx::TextAlignment::Center);
  lblLoadError_->setTextColor(gfx::Color::darkGray());
  lblLoadError_->setBackgroundColor(std::nullopt);
  lblLoadError_->setHidden(true);
  view()->addSubview(lblLoadError_);

  btnBack_ = makeButton(fit.fitCGRectBy(15, 25, 50, 34), "icon_arrow_left.png", "WEBBACK", &WebViewController::btnBackClick);
  btnBack_->setEnabled(false);
  btnForward_ =
      makeButton(fit.fitCGRectBy(80, 25, 50, 34), "icon_arrow_right.png", "WEBFORWARD", &WebViewController::btnForwardClick);
  btnForward_->setEnabled(false);
  btnReload_ = makeButton(fit.fitCGRectBy(145, 25, 50, 34), "icon_reload.png", "WEBRELOAD", &WebViewController::btnReloadClick);
  btnReload_->setEnabled(true);

  // The page alone: the engine checks the certificate, and a page whose
  // server cannot prove who it is does not load.
  if (!url_.empty()) contentWebView_->loadRequest(url_);
  finishViewDidLoad();
}

void WebViewController::viewWillAppear(bool animated) {
  PopBaseController::viewWillAppear(animated);
  contentWebView_->setDelegate(ui::weakAs<svc::WebViewDelegate>(this));
  refreshBtnStatus();
}

void WebViewController::viewWillDisappear(bool animated) {
  PopBaseController::viewWillDisappear(animated);
  if (contentWebView_->isLoading()) contentWebView_->stopLoading();
  contentWebView_->setDelegate({});
  ui::Application::sharedInstance().setNetworkActivityIndicatorVisible(false);
}

void WebViewController::updateLanguage(ui::ViewController&) {
  PopBaseController::updateLanguage();
  if (!lblLoadError_->isHidden()) showMessage(messageKey_, messageDetail_);
}

void WebViewController::showMessage(std::string key, std::string detail) {
  messageKey_ = std::move(key);
  messageDetail_ = std::move(detail);
  lblLoadError_->setText(messageDetail_.empty() ? text(messageKey_) : text(messageKey_) + "\n" + messageDetail_);
  const double pad = kMessagePadding;
  const ui::Size fits = lblLoadError_->sizeThatFits({messageArea_.width() - 2 * pad, messageArea_.height()});
  const double width = std::min(messageArea_.width(), fits.width + 2 * pad);
  const double height = std::min(messageArea_.height(), fits.height + 2 * pad);
  messagePlate_->setFrame({messageArea_.midX() - width / 2, messageArea_.y(), width, height});
  lblLoadError_->setFrame(messagePlate_->frame().inset(pad, pad));
  lblLoadError_->setHidden(false);
  messagePlate_->setHidden(false);
}

void WebViewController::btnBackClick() {
  contentWebView_->goBack();
  refreshBtnStatus();
}

void WebViewController::btnForwardClick() {
  contentWebView_->goForward();
  refreshBtnStatus();
}

void WebViewController::btnReloadClick() { contentWebView_->reload(); }

void WebViewController::refreshBtnStatus() {
  btnBack_->setEnabled(contentWebView_->canGoBack());
  btnForward_->setEnabled(contentWebView_->canGoForward());
}

bool WebViewController::webViewShouldStartLoadWithRequest(svc::WebView& web, const std::string& url,
                                                          svc::WebViewNavigationType, bool byUser) {
  switch (navigationRule(url)) {
    case NavigationRule::Load: return true;
    case NavigationRule::Desktop: openLinkOnDesktop(web, url, byUser); return false;
    case NavigationRule::Refuse: MV_LOG("web page: refused to open ", url); return false;
  }
  return false;
}

WebViewController::NavigationRule WebViewController::navigationRule(const std::string& url) {
  // Pages of the network lead only to other pages of the network; a mail
  // address is the desktop's; nothing reaches local files or other schemes.
  if (!openableLink(url)) return NavigationRule::Refuse;
  return lowercase(url.substr(0, url.find(':'))) == "mailto" ? NavigationRule::Desktop : NavigationRule::Load;
}

void WebViewController::webViewDidStartLoad(svc::WebView&) {
  lblLoadError_->setHidden(true);
  messagePlate_->setHidden(true);
  refreshBtnStatus();
  ui::Application::sharedInstance().setNetworkActivityIndicatorVisible(true);
}

void WebViewController::webViewDidFinishLoad(svc::WebView&) {
  refreshBtnStatus();
  ui::Application::sharedInstance().setNetworkActivityIndicatorVisible(false);
}

void WebViewController::webViewDidFailLoadWithError(svc::WebView&, const base::Error& error) {
  refreshBtnStatus();
  ui::Application::sharedInstance().setNetworkActivityIndicatorVisible(false);
  // A load stopped on purpose (leaving, or replaced by another) is no failure.
  if (error.code == svc::WebView::kErrorCancelled) return;
  if (error.code == svc::WebView::kErrorPageTooLarge) return showMessage("PAGETOOLARGE");
  showMessage("PAGELOADFAILED", error.description.empty() ? error.failureReason : error.description);
}

void WebViewController::webViewDidRefuseDownload(svc::WebView&, const std::string& url) {
  MV_LOG("web page: refused to download ", url);
  showMessage("DOWNLOADREFUSED");
}

void WebViewController::webViewDidAskToPrint(svc::WebView& webView) {
  auto picture = webView.picture();
  auto printer = svc::PrintInteractionController::sharedPrintController();
  if (!picture) return;
  if (!printer || !printer->isPrintingAvailable()) {
    ScreenAlert{0, text("PRINT"), text("PRINTFAILED"), text("OK"), {}}.showOnce({});
    return;
  }
  svc::PrintInfo info;
  info.outputType = svc::PrintOutputType::General;
  info.jobName = webView.pageTitle().empty() ? text("PRINT") : webView.pageTitle();
  auto weak = ui::weakAs<WebViewController>(this);
  printer->print(std::vector<gfx::ImagePtr>{picture}, info, [weak](const svc::PrintOutcome& outcome) {
    if (weak.lock()) SharingNotices::showPrintOutcome(outcome);
  });
}

}  // namespace mv
