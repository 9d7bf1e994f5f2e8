#pragma once
// Shows a library Word, Excel or PowerPoint file as one long scrollable page
// (OOXML files read directly; legacy .doc, .xls and .ppt files through their
// PDF when LibreOffice is installed), under a bar with the back button, the
// file's title and a share button: mail the file, print the page, or hand
// the file to another application.
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/ActionSheet.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "services/DocumentPreviewView.hpp"
#include "platform/ui/WeakAs.hpp"
#include "services/MailComposer.hpp"
#include "shell/frame/BaseViewController.hpp"

namespace mv {

class PPTLoadingViewController : public BaseViewController, public ui::ActionSheetDelegate {
 public:
  enum ShareEntry { kEmail = 0, kPrint = 1, kOpenInOtherApp = 2 };
  // Larger files are not attached to a mail.
  static constexpr std::size_t kMailSizeLimit = std::size_t(50) << 20;

  // The bands printed from a page `contentHeight` high shown in a view
  // `viewHeight` high, as (top, height): whole view heights from the top,
  // the last band only what is left; a page no taller than the view is one
  // band of its own height.
  static std::vector<std::pair<double, double>> printSlices(double contentHeight, double viewHeight);
  // "[title]".
  static std::string mailSubject(const std::string& title) { return "[" + title + "]"; }

  ~PPTLoadingViewController() override;

  const std::string& fileName() const { return fileName_; }
  void setFileName(const std::string& name) { fileName_ = name; }
  const std::filesystem::path& filePath() const { return filePath_; }
  void setFilePath(const std::filesystem::path& path) { filePath_ = path; }

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  void btnBackClick();
  void shareButton();
  void emailAction();
  void displayComposerSheet();
  void printAction();
  void thirdAction();
  void actionSheetClickedButtonAtIndex(ui::ActionSheet& sheet, long buttonIndex) override;

  // ---- state ---------------------------------------------------------------------
  bool isLoading() const { return loading_; }
  // The file could not be shown.
  bool loadFailed() const { return failed_; }
  svc::DocumentPreviewView& webView() const { return *webView_; }
  ui::Button& shareButtonView() const { return *shareButton_; }
  const std::shared_ptr<ui::ActionSheet>& shareSheet() const { return shareSheet_; }

 private:
  void startLoading();
  void finishLoading(bool shown);
  void mailFinished(svc::MailComposeResult result);
  void showAlert(const std::string& titleKey, const std::string& messageKey);

  std::string fileName_;
  std::filesystem::path filePath_;
  std::shared_ptr<svc::DocumentPreviewView> webView_;
  std::shared_ptr<ui::ActivityIndicatorView> loadingView_;
  std::shared_ptr<ui::ActionSheet> shareSheet_;
  std::shared_ptr<ui::Button> backButton_;
  std::shared_ptr<ui::Button> shareButton_;
  bool loading_ = false;
  bool failed_ = false;
  // Counts the loads; an answer for an earlier one is dropped.
  std::uint64_t generation_ = 0;
};

}  // namespace mv
