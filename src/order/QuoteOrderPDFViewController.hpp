#pragma once
// The order shown as its order form: a preview the customer signs, and
// buttons to print and to mail the document. Leaving after a signature asks
// whether to keep it; keeping it stores the whole order, so the stored
// signature always covers what is stored. Main thread only.
#include <functional>
#include <memory>

#include "order/OrderPDFCreater.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/ScrollView.hpp"
#include "services/MailComposer.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "store/QuoteOrderEntity.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

class QuoteOrderPDFViewController : public BaseViewController, public ui::AlertViewDelegate {
 public:
  static constexpr long kSignatureAlertTag = 1000;
  static constexpr const char* kAttachmentName = "Order.pdf";
  static constexpr const char* kAttachmentType = "application/pdf";

  // Stores the whole order; false when it could not be stored.
  using OrderSaver = std::function<bool(QuoteOrderEntity& order)>;

  // Stores signed orders in, and reads product pictures from, the session's database.
  explicit QuoteOrderPDFViewController(SessionServices& services);

  const std::shared_ptr<QuoteOrderEntity>& order() const { return order_; }
  void setOrder(std::shared_ptr<QuoteOrderEntity> order) { order_ = std::move(order); }
  // How a kept signature is stored with its order: the client database's
  // replacement of the order unless set.
  void setOrderSaver(OrderSaver saver) { orderSaver_ = std::move(saver); }
  const std::shared_ptr<OrderPDFCreater>& pdfCreater() const { return pdfCreater_; }
  const std::shared_ptr<ui::ScrollView>& containerView() const { return containerView_; }
  ui::Button& btnBack() const { return *btnBack_; }
  ui::Button& btnPrint() const { return *btnPrint_; }
  ui::Button& btnEmail() const { return *btnEmail_; }

  void viewDidLoad() override;
  void viewAfterFirstDidLoad() override;
  void updateLanguage(ui::ViewController& sender) override;

  void btnBackClick();
  void btnPrintPdfClick();
  void btnEmailClick();
  // The order document with the current signature.
  [[nodiscard]] std::vector<std::uint8_t> createPDFData();
  // "[ORDER-customer]", or "[ORDER]" without a customer name.
  static std::string mailSubject(const std::string& orderWord, const std::string& customerName);

  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;

 private:
  // Lays the form out in the container, once.
  void buildForm();
  void displayComposerSheet();
  void showAlert(const char* titleKey, const char* messageKey);
  void popSelf();

  std::shared_ptr<DataAccessManager> database_;
  std::shared_ptr<QuoteOrderEntity> order_;
  std::shared_ptr<OrderPDFCreater> pdfCreater_;
  bool formBuilt_ = false;
  OrderSaver orderSaver_;
  std::shared_ptr<ui::ScrollView> containerView_;
  std::shared_ptr<ui::ImageView> titleBar_;
  std::shared_ptr<ui::Button> btnBack_, btnPrint_, btnEmail_;
};

}  // namespace mv
