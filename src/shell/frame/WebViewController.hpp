#pragma once
// One web page shown inside the application under a popup title bar with
// back, forward and reload buttons (enabled from the engine's history). The
// page is fetched with the server's certificate checked; a page that cannot
// be loaded says so on screen. Only http and https pages load; a mail
// address the user taps goes to the desktop's mail program; anything else
// (a local file above all) is refused. The page saves no file: what it
// offers to download is refused with a message over the page, as is a page
// that passes the engine's memory ceiling.
#include <memory>
#include <string>

#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "services/WebView.hpp"
#include "shell/frame/PopBaseController.hpp"

namespace mv {

class WebViewController : public PopBaseController, public svc::WebViewDelegate {
 public:
  const std::string& url() const { return url_; }
  // Before the view loads.
  void setUrl(const std::string& url) { url_ = url; }

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  void btnBackClick();
  void btnForwardClick();
  void btnReloadClick();
  void refreshBtnStatus();

  bool webViewShouldStartLoadWithRequest(svc::WebView& webView, const std::string& url,
                                         svc::WebViewNavigationType type, bool byUser) override;
  void webViewDidStartLoad(svc::WebView& webView) override;

  enum class NavigationRule { Load, Desktop, Refuse };
  static NavigationRule navigationRule(const std::string& url);
  void webViewDidFinishLoad(svc::WebView& webView) override;
  void webViewDidFailLoadWithError(svc::WebView& webView, const base::Error& error) override;
  void webViewDidRefuseDownload(svc::WebView& webView, const std::string& url) override;
  // The page as shown goes to the application's printer, as a picture.
  void webViewDidAskToPrint(svc::WebView& webView) override;

  const std::shared_ptr<svc::WebView>& contentWebView() const { return contentWebView_; }
  const std::shared_ptr<ui::Button>& btnBack() const { return btnBack_; }
  const std::shared_ptr<ui::Button>& btnForward() const { return btnForward_; }
  const std::shared_ptr<ui::Button>& btnReload() const { return btnReload_; }
  // The message shown over the page when it could not be loaded or was
  // refused something.
  const std::shared_ptr<ui::Label>& lblLoadError() const { return lblLoadError_; }

 private:
  // A title-bar button showing `image`, named by the text key `name`.
  std::shared_ptr<ui::Button> makeButton(const ui::Rect& frame, const char* image, const char* name,
                                         void (WebViewController::*action)());
  std::string url_;
  std::shared_ptr<svc::WebView> contentWebView_;
  std::shared_ptr<ui::Button> btnBack_, btnForward_, btnReload_;
  // Shows the message of `key` (and the engine's `detail`, when any) over the page.
  void showMessage(std::string key, std::string detail = {});
  static constexpr double kMessagePadding = 16;
  ui::Rect messageArea_;
  std::shared_ptr<ui::View> messagePlate_;
  std::shared_ptr<ui::Label> lblLoadError_;
  std::string messageKey_;
  std::string messageDetail_;
};

}  // namespace mv
