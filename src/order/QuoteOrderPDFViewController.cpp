#include "order/QuoteOrderPDFViewController.hpp"

#include "order/OrderScreenParts.hpp"

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "services/PrintInteractionController.hpp"
#include "shell/frame/SharingNotices.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "util/FitCGRect.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"
#include "widgets/FreeDismissAlertView.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

namespace {

constexpr double kBottomBarHeight = 56;

}  // namespace

QuoteOrderPDFViewController::QuoteOrderPDFViewController(SessionServices& services)
    : database_(services.databaseHandle()),
      orderSaver_([database = database_](QuoteOrderEntity& order) { return database->replaceQuoteOrder(order) != 0; }) {}

void QuoteOrderPDFViewController::viewDidLoad() {
  MV_ASSERT_MAIN_THREAD();
  BaseViewController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::white(0.93));
  const FitCGRect& fit = FitCGRect::sharedInstance();
  const double barHeight = fit.navBarHeight();

  containerView_ = std::make_shared<ui::ScrollView>(
      ui::Rect{0, barHeight, root->bounds().width(), root->bounds().height() - barHeight - kBottomBarHeight});
  containerView_->setBackgroundColor(gfx::Color::white(0.85));
  root->addSubview(containerView_);

  titleBar_ = std::make_shared<ui::ImageView>(ui::Rect{0, 0, root->bounds().width(), barHeight});
  titleBar_->setImage(WidgetSkin::skinFromImageName("topbar-bg.png"));
  root->addSubview(titleBar_);

  auto button = [&](const ui::Rect& frame, bool back, const char* key, void (QuoteOrderPDFViewController::*action)()) {
    auto b = std::make_shared<ui::Button>(fit.fitCGRectBy(frame.x(), frame.y(), frame.width(), frame.height()));
    if (back) {
      ViewStyle::initializeToBackButtonHeight34(*b);
    } else {
      ViewStyle::initializeToButtonHeight34(*b);
    }
    b->setTitle(text(key));
    std::weak_ptr<ui::ViewController> weak = weak_from_this();
    b->addAction(
        [weak, action](ui::Control&, const ui::Event*) {
          if (auto self = weak.lock()) (static_cast<QuoteOrderPDFViewController&>(*self).*action)();
        },
        ui::ControlEventTouchUpInside);
    root->addSubview(b);
    return b;
  };
  btnBack_ = button({15, 25, 60, 34}, true, "BACK", &QuoteOrderPDFViewController::btnBackClick);
  btnPrint_ = button({850, 25, 70, 34}, false, "PRINT", &QuoteOrderPDFViewController::btnPrintPdfClick);
  btnEmail_ = button({939, 25, 70, 34}, false, "EMAIL", &QuoteOrderPDFViewController::btnEmailClick);
  addStatusBarBGForVersion7(true);

  if (order_) {
    pdfCreater_ = std::make_shared<OrderPDFCreater>(order_, MVPDFCreater::kDefaultPageSize, weak_from_this());
    pdfCreater_->setThumbnailNames([database = database_](int productId) {
      auto image = database->getImageByKeyId(productId);
      return image ? image->image_thumb_address : std::string();
    });
    // The lines' pictures are read on a worker; the form is built once they are in.
    auto weak = ui::weakAs<QuoteOrderPDFViewController>(this);
    pdfCreater_->readThumbnails([weak] {
      if (auto self = weak.lock()) self->buildForm();
    });
  }
  finishViewDidLoad();
}

void QuoteOrderPDFViewController::viewAfterFirstDidLoad() {
  BaseViewController::viewAfterFirstDidLoad();
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
}

void QuoteOrderPDFViewController::updateLanguage(ui::ViewController& /*sender*/) {
  if (!isViewLoaded()) return;
  btnBack_->setTitle(text("BACK"));
  btnPrint_->setTitle(text("PRINT"));
  btnEmail_->setTitle(text("EMAIL"));
  if (pdfCreater_) pdfCreater_->updateLanguage();
}

std::vector<std::uint8_t> QuoteOrderPDFViewController::createPDFData() {
  MV_ASSERT_MAIN_THREAD();
  if (!pdfCreater_) return {};
  // Asked for before the pictures were in: the form is built now, reading what is still missing.
  buildForm();
  return pdfCreater_->generatePDFToData();
}

void QuoteOrderPDFViewController::buildForm() {
  if (formBuilt_ || !pdfCreater_) return;
  formBuilt_ = true;
  pdfCreater_->generatePdfInScrollView(containerView_);
}

void QuoteOrderPDFViewController::btnBackClick() {
  if (!pdfCreater_ || !pdfCreater_->hasEditsignature()) {
    popSelf();
    return;
  }
  auto alert = std::make_shared<FreeDismissAlertView>(text("SAVESINGATURE"), text("SIGNATURESAVEALERT"),
                                                      ui::weakAs<ui::AlertViewDelegate>(this), text("DONTSAVE"),
                                                      std::vector<std::string>{text("SAVE")});
  alert->setTag(kSignatureAlertTag);
  alert->show();
}

void QuoteOrderPDFViewController::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  if (alert.tag() != kSignatureAlertTag || !order_) return;
  if (buttonIndex == 0) {
    order_->signature.clear();
    popSelf();
    return;
  }
  // The signature is stored with the order it covers, never apart from it.
  const SessionDatabase::UserWrite userWrite;
  if (!orderSaver_ || !orderSaver_(*order_)) {
    showAlert("ORDERSAVEFAILED", SessionDatabase::failedWriteKey());
    return;
  }
  popSelf();
}

void QuoteOrderPDFViewController::btnPrintPdfClick() {
  std::vector<std::uint8_t> data = createPDFData();
  auto printer = svc::PrintInteractionController::sharedPrintController();
  if (!printer || !printer->isPrintingAvailable() || !printer->canPrint(data)) return;
  svc::PrintInfo info;
  info.outputType = svc::PrintOutputType::General;
  info.jobName = order_ ? text("ORDER") + "-" + order_->number : text("ORDER");
  std::weak_ptr<ui::ViewController> weak = weak_from_this();
  printer->print(std::move(data), info, [weak](const svc::PrintOutcome& outcome) {
    const auto& error = outcome.error;
    if (!outcome.completed && error) {
      MV_LOG("FAILED! due to error in domain ", error->domain, " with error code ", error->code);
    } else if (outcome.completed) {
      MV_LOG("printInteractionControllerDidFinishJob success");
    }
    if (weak.lock()) SharingNotices::showPrintOutcome(outcome);
  });
}

void QuoteOrderPDFViewController::btnEmailClick() {
  auto composer = svc::MailComposer::shared();
  if (!composer || !composer->canSendMail()) {
    showAlert("NOEMAILACCOUNT", "NOEMAILCONFIG");
    return;
  }
  displayComposerSheet();
}

std::string QuoteOrderPDFViewController::mailSubject(const std::string& orderWord, const std::string& customerName) {
  if (isBlank(customerName)) return "[" + orderWord + "]";
  return "[" + orderWord + "-" + customerName + "]";
}

void QuoteOrderPDFViewController::displayComposerSheet() {
  if (!order_) return;
  auto composer = svc::MailComposer::shared();
  svc::Mail mail;
  mail.subject = mailSubject(text("ORDER"), order_->customerName);
  mail.attachments.push_back({createPDFData(), kAttachmentType, kAttachmentName});
  std::weak_ptr<ui::ViewController> weak = weak_from_this();
  composer->compose(std::move(mail), [weak](const svc::MailOutcome& outcome) {
    if (weak.lock()) SharingNotices::showMailOutcome(outcome);
  });
}

void QuoteOrderPDFViewController::showAlert(const char* titleKey, const char* messageKey) {
  auto alert = std::make_shared<ui::AlertView>(text(titleKey), messageKey ? text(messageKey) : std::string(),
                                               std::weak_ptr<ui::AlertViewDelegate>(), text("OK"));
  alert->show();
}

void QuoteOrderPDFViewController::popSelf() {
  if (auto* nav = navigationController()) nav->popViewControllerAnimated(true);
}

}  // namespace mv
