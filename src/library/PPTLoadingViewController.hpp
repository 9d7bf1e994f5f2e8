#pragma once
// Shows a library office document (a text document, spreadsheet or
// presentation in any format the office suite opens) as its pages, converted
// to PDF by the suite off the main thread (once per version of the file: the
// PDF is cached) and shown with the PDF pages' own tiles, scrolled and
// zoomed, under a bar with the back button, the file's title and a share
// button: mail the file, print its pages from the PDF, or hand the file to
// another application. While the suite converts, the loading indicator is
// up on the window. Where the suite is missing the screen says that
// documents of the file's kind cannot be shown here and offers the other
// application; a conversion that fails says why (the file damaged, too long
// or too large to convert).
#include <filesystem>
#include <memory>
#include <string>

#include "platform/ui/ActionSheet.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "library/OfficePagesView.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/AlertView.hpp"
#include "services/DocumentInteractionController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "services/MailComposer.hpp"
#include "services/OfficeConverter.hpp"
#include "shell/frame/BaseViewController.hpp"

namespace mv {

class PPTLoadingViewController : public BaseViewController,
                                 public ui::ActionSheetDelegate,
                                 public ui::AlertViewDelegate,
                                 public svc::DocumentInteractionControllerDelegate {
 public:
  enum ShareEntry { kEmail = 0, kPrint = 1, kOpenInOtherApp = 2 };
  // Larger files are not attached to a mail.
  static constexpr std::size_t kMailSizeLimit = std::size_t(50) << 20;

  // The alert that says the suite is missing; its second button opens the
  // file in another application.
  static constexpr long kNoConverterAlertTag = 1731;
  // The count of pages converted, under the dial.
  static constexpr double kPagesLabelWidth = 300;
  // "[title]".
  static std::string mailSubject(const std::string& title) { return "[" + title + "]"; }

  using Failure = svc::OfficeConverter::Failure;

  ~PPTLoadingViewController() override;

  const std::string& fileName() const { return fileName_; }
  void setFileName(const std::string& name) { fileName_ = name; }
  const std::filesystem::path& filePath() const { return filePath_; }
  void setFilePath(const std::filesystem::path& path) { filePath_ = path; }

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;
  // Page Up, Page Down and Space turn the pages; Home goes to the first,
  // End to the end of the last.
  bool pageKeyPressed(const ui::KeyPress& press) override;

  void btnBackClick();
  void shareButton();
  void emailAction();
  void displayComposerSheet();
  void printAction();
  void thirdAction();
  void actionSheetClickedButtonAtIndex(ui::ActionSheet& sheet, long buttonIndex) override;
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;
  void documentInteractionControllerDidEndSendingToApplication(svc::DocumentInteractionController& controller,
                                                               const std::string& application) override;

  // ---- state ---------------------------------------------------------------------
  bool isLoading() const { return loading_; }
  // The file could not be shown.
  bool loadFailed() const { return failed_; }
  OfficePagesView& webView() const { return *webView_; }
  // The PDF shown: the converted pages, empty until they are.
  const std::filesystem::path& pdfPath() const { return pdf_; }
  ui::Button& shareButtonView() const { return *shareButton_; }
  const std::shared_ptr<ui::ActionSheet>& shareSheet() const { return shareSheet_; }

 private:
  void startLoading();
  void finishLoading(Failure failure);
  // The loading indicator over the screen, which takes no touches while it
  // is up (the bar above it does); taken down from wherever it is.
  void showDial(bool shown);
  // The suite has written this many pages: told under the dial.
  void showPagesConverted(int pages);
  void showAlert(const std::string& titleKey, const std::string& messageKey);

  std::string fileName_;
  std::filesystem::path filePath_;
  std::shared_ptr<OfficePagesView> webView_;
  std::filesystem::path pdf_;
  base::CancelFlag conversion_;
  std::shared_ptr<svc::DocumentInteractionController> documentController_;
  std::shared_ptr<ui::ActivityIndicatorView> loadingView_;
  std::shared_ptr<ui::Label> pagesLabel_;
  int pagesConverted_ = 0;
  std::shared_ptr<ui::ActionSheet> shareSheet_;
  std::shared_ptr<ui::Button> backButton_;
  std::shared_ptr<ui::Button> shareButton_;
  bool loading_ = false;
  bool failed_ = false;
  // Counts the loads; an answer for an earlier one is dropped.
  std::uint64_t generation_ = 0;
};

}  // namespace mv
