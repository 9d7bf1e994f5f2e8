#include "library/PPTLoadingViewController.hpp"

#include <cmath>

#include "library/LibraryFileOpener.hpp"
#include "library/LibraryViewers.hpp"
#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"
#include "services/OfficeConverter.hpp"
#include "services/PrintInteractionController.hpp"
#include "shell/frame/SharingNotices.hpp"
#include "shell/frame/ScreenAlert.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

// Where the suite is missing: which documents cannot be shown, by the
// file's kind.
const char* cannotBeShownKey(const std::filesystem::path& path) {
  switch (svc::OfficeConverter::kindOf(path)) {
    case svc::OfficeConverter::Kind::Spreadsheet: return "SPREADSHEETCANNOTBESHOWN";
    case svc::OfficeConverter::Kind::Presentation: return "PRESENTATIONCANNOTBESHOWN";
    case svc::OfficeConverter::Kind::Text:
    case svc::OfficeConverter::Kind::Other: break;
  }
  return "TEXTDOCUMENTCANNOTBESHOWN";
}

// What a conversion that failed is told as, by its cause.
const char* failureMessageKey(svc::OfficeConverter::Failure failure) {
  using Failure = svc::OfficeConverter::Failure;
  switch (failure) {
    case Failure::TooLong: return "OFFICETOOKTOOLONG";
    case Failure::TooLarge: return "FILETOOLARGEALERT";
    case Failure::Unreadable: return "FILEMISSINGOREMPTY";
    case Failure::NotConverted: return "OFFICENOTCONVERTED";
    case Failure::NotOffice: return "NOVIEWERFORFILE";
    case Failure::None:
    case Failure::NoSuite:
    case Failure::Cancelled:
    case Failure::Damaged: break;
  }
  return "THEFILEISCORRUPTED";
}

}  // namespace

PPTLoadingViewController::~PPTLoadingViewController() {
  conversion_.cancel();
  if (shareSheet_ && shareSheet_->isVisible()) shareSheet_->dismissWithClickedButtonIndex(-1, false);
}

void PPTLoadingViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto root = view();
  auto weak = ui::weakAs<PPTLoadingViewController>(this);
  auto action = [weak](void (PPTLoadingViewController::*step)()) {
    return [weak, step](ui::Control&, const ui::Event*) {
      if (auto self = weak.lock()) ((*self).*step)();
    };
  };
  backButton_ = std::make_shared<ui::Button>(ui::Rect{0, 0, 60, 34});
  backButton_->setTitle(text("BACK"));
  ViewStyle::initializeToBackButtonHeight34(*backButton_);
  backButton_->addAction(action(&PPTLoadingViewController::btnBackClick), ui::ControlEventTouchUpInside);
  navigationItem().setLeftBarButtonItem(std::make_shared<ui::BarButtonItem>(backButton_));
  shareButton_ = std::make_shared<ui::Button>(ui::Rect{0, 0, 34, 34}, ui::ButtonType::Custom);
  shareButton_->setBackgroundColor(gfx::Color::clear());
  shareButton_->setBackgroundImage(SkinManager::skinFromImageName("btn-share.png"));
  shareButton_->setAccessibilityLabel(text("SHARE"));
  shareButton_->addAction(action(&PPTLoadingViewController::shareButton), ui::ControlEventTouchUpInside);
  navigationItem().setRightBarButtonItem(std::make_shared<ui::BarButtonItem>(shareButton_));
  if (!fileName_.empty()) {
    auto title = std::make_shared<ui::Label>(ui::Rect{50, 0, 900, 50});
    title->setFont(gfx::Font::systemFont(17));
    title->setTextColor(gfx::Color::white());
    title->setBackgroundColor(gfx::Color::clear());
    title->setTextAlignment(gfx::TextAlignment::Center);
    title->setText(fileName_);
    navigationItem().setTitleView(title);
  }
  loadingView_ = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
  loadingView_->setFrame({330, 450, 60, 60});
  pagesLabel_ = std::make_shared<ui::Label>(ui::Rect{210, 516, 300, 24});
  pagesLabel_->setFont(gfx::Font::systemFont(15));
  pagesLabel_->setTextColor(gfx::Color::darkGray());
  pagesLabel_->setBackgroundColor(gfx::Color::clear());
  pagesLabel_->setTextAlignment(gfx::TextAlignment::Center);
  webView_ = OfficePagesView::make(ui::Rect{0, 0, 1024, 768});
  webView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  root->addSubview(webView_);
  // No status-bar strip: the view starts below the navigation bar, where a
  // strip would only cover the top of the first page.
  finishViewDidLoad();
  // The conversion starts now; the dial goes up once the view is in the
  // window (viewDidAppear).
  if (!filePath_.empty()) startLoading();
}

void PPTLoadingViewController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  if (auto* nav = navigationController()) {
    nav->setNavigationBarHidden(false);
    nav->navigationBar().setBackgroundImage(SkinManager::skinFromImageName("topbar-bg.png"));
  }
}

void PPTLoadingViewController::viewDidAppear(bool animated) {
  BaseViewController::viewDidAppear(animated);
  if (loading_) showDial(true);
}

void PPTLoadingViewController::viewWillDisappear(bool animated) {
  BaseViewController::viewWillDisappear(animated);
  // However the screen leaves, the window takes touches again.
  showDial(false);
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
}

void PPTLoadingViewController::showDial(bool shown) {
  auto root = viewIfLoaded();
  if (shown) {
    if (!root || !root->window()) return;
    // Over the screen, at its centre, with the count under it. The pages
    // wait for the suite; the bar above them stays live, so Back leaves the
    // conversion behind whenever the person wants.
    const ui::Rect area = root->bounds();
    loadingView_->setCenter({std::round(area.midX()), std::round(area.midY())});
    pagesLabel_->setFrame({std::round(area.midX() - kPagesLabelWidth / 2), loadingView_->frame().maxY() + 6,
                           kPagesLabelWidth, 24});
    for (ui::View* v : {static_cast<ui::View*>(loadingView_.get()), static_cast<ui::View*>(pagesLabel_.get())})
      v->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin |
                             ui::FlexibleBottomMargin);
    ViewStyle::showDial(*root, loadingView_);
    if (pagesConverted_ > 0) root->addSubview(pagesLabel_);
    return;
  }
  if (pagesLabel_) pagesLabel_->removeFromSuperview();
  if (auto* host = loadingView_ ? loadingView_->superview() : nullptr) ViewStyle::hideDial(*host, loadingView_);
}

void PPTLoadingViewController::showPagesConverted(int pages) {
  pagesConverted_ = pages;
  pagesLabel_->setText(Language::format(text("OFFICEPAGESCONVERTED"), {std::to_string(pages)}));
  if (loading_) showDial(true);
}

void PPTLoadingViewController::updateLanguage(ui::ViewController&) {
  if (backButton_) backButton_->setTitle(text("BACK"));
  if (pagesConverted_ > 0) showPagesConverted(pagesConverted_);
}

bool PPTLoadingViewController::pageKeyPressed(const ui::KeyPress& press) {
  if (!isVisible() || loading_ || !webView_ || webView_->pageCount() == 0) return false;
  using Key = ui::KeyPress::Key;
  switch (press.key) {
    case Key::Home: webView_->showPage(1); return true;
    case Key::End: webView_->showEnd(); return true;
    case Key::PageUp:
    case Key::PageDown:
    case Key::Space: webView_->showPage(webView_->currentPage() + press.step()); return true;
    case Key::Left:
    case Key::Right:
    case Key::Up:
    case Key::Down: return false;
  }
  return false;
}

// ---- loading ----------------------------------------------------------------------------

void PPTLoadingViewController::startLoading() {
  MV_ASSERT_MAIN_THREAD();
  loading_ = true;
  failed_ = false;
  pdf_.clear();
  pagesConverted_ = 0;
  const std::uint64_t load = ++generation_;
  showDial(true);
  if (!svc::OfficeConverter::isOfficeFile(filePath_)) {
    finishLoading(Failure::NotOffice);
    return;
  }
  if (!svc::OfficeConverter::program()) {
    finishLoading(Failure::NoSuite);
    return;
  }
  auto weak = ui::weakAs<PPTLoadingViewController>(this);
  conversion_.cancel();
  conversion_ = svc::OfficeConverter::convertAsync(
      filePath_, svc::OfficeConverter::defaultCacheFolder(), svc::OfficeConverter::timeLimit(),
      [weak, load](std::optional<std::filesystem::path> pdf, Failure failure) {
        auto self = weak.lock();
        if (!self || load != self->generation_) return;
        // A PDF the page layer cannot open came from a file the suite misread.
        if (pdf && !self->webView_->showPdf(*pdf)) failure = Failure::Damaged;
        if (pdf && failure == Failure::None) self->pdf_ = *pdf;
        self->finishLoading(failure);
      },
      [weak, load](int pages) {
        if (auto self = weak.lock(); self && load == self->generation_) self->showPagesConverted(pages);
      });
}

void PPTLoadingViewController::finishLoading(Failure failure) {
  loading_ = false;
  failed_ = failure != Failure::None;
  showDial(false);
  if (!failed_ || failure == Failure::Cancelled) return;
  MV_LOG("office preview of ", filePath_.filename().string(), ": ", svc::OfficeConverter::describe(failure));
  // The page stays empty; the person is told why. Without the suite the
  // file may still open in another application.
  if (failure == Failure::NoSuite) {
    ScreenAlert{kNoConverterAlertTag, text("FILEOPENFAILED"), text(cannotBeShownKey(filePath_)), text("OK"),
                {text("OPENINOTHERAPP")}}
        .show(ui::weakAs<ui::AlertViewDelegate>(this));
    return;
  }
  LibraryViewers::showFailure(failureMessageKey(failure));
}

// ---- leaving ------------------------------------------------------------------------------

void PPTLoadingViewController::btnBackClick() {
  auto keep = shared_from_this();
  if (shareSheet_ && shareSheet_->isVisible()) shareSheet_->dismissWithClickedButtonIndex(-1, true);
  if (documentController_) documentController_->dismissMenuAnimated(true);
  if (loading_) {
    conversion_.cancel();
    ++generation_;
    loading_ = false;
    showDial(false);
  }
  if (auto* nav = navigationController()) nav->popViewControllerAnimated(true);
}

// ---- sharing ------------------------------------------------------------------------------

void PPTLoadingViewController::shareButton() {
  if (!shareSheet_) {
    shareSheet_ = std::make_shared<ui::ActionSheet>(
        "", ui::weakAs<ui::ActionSheetDelegate>(this), std::nullopt, std::nullopt,
        std::vector<std::string>{text("EMAIL"), text("PRINT"), text("OPENINOTHERAPP")});
  }
  if (shareSheet_->isVisible()) return;
  const ui::Rect anchor = shareButton_->convertRectToView(shareButton_->bounds(), view().get());
  shareSheet_->showFromRect(anchor, view().get(), true);
}

void PPTLoadingViewController::actionSheetClickedButtonAtIndex(ui::ActionSheet&, long buttonIndex) {
  switch (buttonIndex) {
    case kEmail: emailAction(); break;
    case kPrint: printAction(); break;
    case kOpenInOtherApp: thirdAction(); break;
    default: break;
  }
}

void PPTLoadingViewController::showAlert(const std::string& titleKey, const std::string& messageKey) {
  LibraryViewers::showNotice(titleKey, messageKey);
}

void PPTLoadingViewController::emailAction() {
  auto composer = svc::MailComposer::shared();
  if (!composer || !composer->canSendMail()) {
    showAlert("NOEMAILACCOUNT", "NOEMAILCONFIG");
    return;
  }
  displayComposerSheet();
}

void PPTLoadingViewController::displayComposerSheet() {
  auto composer = svc::MailComposer::shared();
  if (!composer) return;
  auto bytes = base::readFileBytes(filePath_, kMailSizeLimit);
  if (!bytes) {
    MV_LOG("not attached to a mail: ", filePath_.string());
    showAlert("MAILFAILED", "");
    return;
  }
  svc::Mail mail;
  mail.subject = mailSubject(fileName_);
  mail.attachments.push_back(
      {std::move(*bytes), svc::OfficeConverter::mimeTypeForPath(filePath_), filePath_.filename().string()});
  auto weak = ui::weakAs<PPTLoadingViewController>(this);
  composer->compose(std::move(mail), [weak](const svc::MailOutcome& outcome) {
    if (weak.lock()) SharingNotices::showMailOutcome(outcome);
  });
}

void PPTLoadingViewController::printAction() {
  // The pages printed are the converted PDF's, whatever part of them is on
  // screen; nothing is drawn from the screen.
  if (pdf_.empty()) return;
  auto printer = svc::PrintInteractionController::sharedPrintController();
  if (!printer || !printer->isPrintingAvailable()) {
    showAlert("PRINT", "PRINTFAILED");
    return;
  }
  svc::PrintInfo info;
  info.outputType = svc::PrintOutputType::General;
  info.jobName = text("PRINT");
  auto weak = ui::weakAs<PPTLoadingViewController>(this);
  printer->print(pdf_, info, [weak](const svc::PrintOutcome& outcome) {
    if (weak.lock()) SharingNotices::showPrintOutcome(outcome);
  });
}

void PPTLoadingViewController::thirdAction() {
  documentController_ = svc::DocumentInteractionController::interactionControllerWithURL(filePath_);
  documentController_->setDelegate(ui::weakAs<svc::DocumentInteractionControllerDelegate>(this));
  // The file was the user's to open: told even when the viewer closed
  // meanwhile, naming the file's own kind (a Word file is no presentation).
  documentController_->setRefusedHandler([key = LibraryFileOpener::noApplicationKey(filePath_)] {
    LibraryViewers::showNotice("FILEOPENFAILED", key);
  });
  documentController_->presentPreviewAnimated(true);
  if (!documentController_->presentOpenInMenuFromBarButtonItem(navigationItem().rightBarButtonItem().get(), true)) {
    documentController_.reset();
    showAlert("FILEOPENFAILED", LibraryFileOpener::noApplicationKey(filePath_));
  }
}

void PPTLoadingViewController::documentInteractionControllerDidEndSendingToApplication(
    svc::DocumentInteractionController& controller, const std::string&) {
  if (&controller != documentController_.get()) return;
  documentController_->dismissPreviewAnimated(false);
  documentController_.reset();
}

void PPTLoadingViewController::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  if (alert.tag() == kNoConverterAlertTag && buttonIndex == 1) thirdAction();
}

}  // namespace mv
