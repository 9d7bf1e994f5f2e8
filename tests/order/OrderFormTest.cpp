// The order as a document: the order form read back from its PDF with
// poppler (pages, texts and their places, rules, pictures, the signature),
// the signature pad's drawing, and the order PDF screen's sign, save, print
// and mail flows with the mail and print services faked or real.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "OrderScreenTest.hpp"
#include "order/OrderPDFCreater.hpp"
#include "order/PainterViewController.hpp"
#include "order/QuoteOrderPDFViewController.hpp"
#include "order/SignatureCanvas.hpp"
#include "order/pdf/MVPDFCreaterStringCell.hpp"
#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/PdfDocument.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/NavigationController.hpp"
#include "services/DesktopLauncher.hpp"
#include "services/MailComposer.hpp"
#include "services/PrintInteractionController.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/TextLookup.hpp"
#include "widgets/FreeDismissAlertView.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

constexpr double kPageHeight = 1448;

std::shared_ptr<QuoteOrderItemEntity> orderLine(int n, double price = 100, double finalPrice = 85) {
  auto l = std::make_shared<QuoteOrderItemEntity>();
  l->product.product_id = n;
  l->name = "Item " + std::to_string(n);
  l->sku = "S-" + std::to_string(n);
  l->attributes = "Colour:Red";
  l->quantity = 2;
  l->price = price;
  l->finalPrice = finalPrice;
  l->currency = "USD";
  return l;
}

std::shared_ptr<QuoteOrderEntity> formOrder(int lines, const std::string& customer = "Acme Stores") {
  auto o = std::make_shared<QuoteOrderEntity>(Session::current());
  o->customerName = customer;
  o->customerAddress = "1 Main St";
  o->city = "Springfield";
  o->state = "IL";
  o->zip_code = "62701";
  o->phoneNumber = "555-0100";
  o->bankAccount = "DE00 1234";
  o->number = "rep_1_260107093000";
  o->mdate = "01/07/2026 09:30:00";
  o->setCustomerNote("Deliver before noon");
  o->currency = "USD";
  for (int i = 1; i <= lines; ++i) o->items.push_back(orderLine(i));
  return o;
}

// A square of black ink on white as the order stores a signature.
std::string inkSignature() {
  auto ctx = gfx::Context::bitmap({192, 132}, 1, true);
  ctx->setFillColor(gfx::Color::black());
  ctx->fillRect({20, 20, 152, 92});
  return SkinManager::image2String(ctx->makeImage()).value_or("");
}

// The darkness (0 white .. 255 black) of a pixel of a rendered page.
int darkness(const gfx::Image& page, int x, int y) {
  const gfx::ImageData data = page.toImageData();
  const std::uint8_t* p = data.pixel(x, y);
  return 255 - (p[0] + p[1] + p[2]) / 3;
}

class OrderFormTest : public OrderStoreTest {
 protected:
  void SetUp() override {
    OrderStoreTest::SetUp();
    // The keys themselves stand for the texts.
    // Each text its key, the labels' colon as the English table gives it.
    setTextLookup([](const std::string& key) { return std::optional<std::string>(key == "LABELCOLON" ? ":" : key); });
  }
  void TearDown() override {
    setTextLookup(nullptr);
    OrderStoreTest::TearDown();
  }
  // The form laid out as the screen lays it out, and its document.
  std::unique_ptr<gfx::PdfDocument> document(const std::shared_ptr<QuoteOrderEntity>& order,
                                             std::shared_ptr<OrderPDFCreater>* keep = nullptr) {
    auto form = std::make_shared<OrderPDFCreater>(order, MVPDFCreater::kDefaultPageSize,
                                                  std::weak_ptr<ui::ViewController>());
    form->generatePdfInScrollView(scroll);
    auto bytes = form->generatePDFToData();
    if (keep) *keep = form;
    return gfx::PdfDocument::openData(std::move(bytes));
  }

  std::shared_ptr<ui::ScrollView> scroll = std::make_shared<ui::ScrollView>(ui::Rect{0, 64, 1024, 648});
};

TEST_F(OrderFormTest, PagesFollowTheLengthOfTheOrder) {
  const std::pair<int, int> cases[] = {{0, 1}, {3, 1}, {4, 2}, {7, 2}, {8, 2}, {21, 3}, {22, 3}};
  for (auto [lines, pages] : cases) {
    SCOPED_TRACE(lines);
    auto doc = document(formOrder(lines));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->pageCount(), pages);
    for (int p = 0; p < doc->pageCount(); ++p) {
      EXPECT_EQ(doc->pageSize(p), (base::Size{1024, 1448}));
      auto number = doc->findText(p, "- Page " + std::to_string(p + 1) + " -");
      ASSERT_EQ(number.size(), 1u);
      EXPECT_NEAR(number[0].midX(), 512, 2);
      EXPECT_GE(number[0].minY(), 1388);
      EXPECT_LE(number[0].maxY(), 1448);
    }
  }
}

TEST_F(OrderFormTest, TheFormCarriesTheOrderAndItsLinesInPlace) {
  auto order = formOrder(8);
  order->items[2]->price = -1;
  order->items[2]->finalPrice = -1;
  order->discountRat = 90;
  std::shared_ptr<OrderPDFCreater> form;
  auto doc = document(order, &form);
  ASSERT_TRUE(doc);
  ASSERT_EQ(doc->pageCount(), 2);
  for (const char* s : {"CUSTOMERINFO", "Acme Stores", "1 Main St", "Springfield", "62701", "555-0100", "DE00 1234",
                        "ORDERNUMBER: rep_1_260107093000", "ORDERTIME: 01/07/2026 09:30:00",
                        "NOTE: Deliver before noon", "ITEMIZEDTOTAL"}) {
    EXPECT_EQ(doc->findText(0, s).size(), 1u) << s;
  }
  // Column heads only on the first page.
  EXPECT_TRUE(doc->findText(1, "DISCOUNTEDPRICE").empty());
  // Lines in order, each with its prices; row 8 opens page 2 below its top margin.
  double lastY = 0;
  for (int n = 1; n <= 7; ++n) {
    auto name = doc->findText(0, "Item " + std::to_string(n));
    ASSERT_EQ(name.size(), 1u) << n;
    EXPECT_GT(name[0].midY(), lastY);
    lastY = name[0].midY();
  }
  auto eighth = doc->findText(1, "Item 8");
  ASSERT_EQ(eighth.size(), 1u);
  EXPECT_GE(eighth[0].minY(), 70);
  EXPECT_LE(eighth[0].maxY(), 150);
  EXPECT_NEAR(eighth[0].midY(), 110, 2);
  EXPECT_FALSE(doc->findText(0, "$170.00").empty());
  EXPECT_FALSE(doc->findText(0, "85.00%").empty());
  // A line without a price shows dashes.
  int dashes = 0;
  for (const auto& page : form->cellsPageArray()) {
    for (const auto& cell : page) {
      if (auto* s = dynamic_cast<MVPDFCreaterStringCell*>(cell.get()); s && s->text() == "-   ") ++dashes;
    }
  }
  EXPECT_EQ(dashes, 1);
  for (const char* s : {"ORIGINALTOTAL", "DISCOUNTEDTOTAL", "90.00%", "SIGNATUREOFCUSTOMER:"}) {
    EXPECT_EQ(doc->findText(1, s).size(), 1u) << s;
  }
  EXPECT_EQ(doc->findText(1, order->strOriginalTotal()).size(), 1u);
  EXPECT_EQ(doc->findText(1, order->strDiscount()).size(), 1u);
  // Nothing but the page number in the bottom margin.
  for (int p = 0; p < 2; ++p) {
    for (const char* s : {"Item", "S-", "$"}) {
      for (const auto& r : doc->findText(p, s)) EXPECT_LT(r.maxY(), 1388) << s;
    }
  }

  // The page ended by a break closes its grid with a rule where its content
  // stops; the last page has none there.
  auto page1 = doc->renderPage(0, 1);
  auto page2 = doc->renderPage(1, 1);
  for (auto [page, name] : {std::pair{page1, "order-form-page-1"}, std::pair{page2, "order-form-page-2"}}) {
    const fs::path file = root / (std::string(name) + ".png");
    EXPECT_TRUE(page->writePNG(file));
    keepSnapshot(file);
  }
  for (int x : {70, 300, 512, 900}) {
    EXPECT_GT(darkness(*page1, x, 1364), 150) << x;
    EXPECT_LT(darkness(*page2, x, 1364), 20) << x;
  }
  // Every line brings its picture: the thumbnail cell is not blank.
  EXPECT_GT(darkness(*page1, static_cast<int>(60 + 904 * 2.0 / 45 + 60), 727 + 7 + 40), 3);
}

// Every line shows the stock picture: the document holds it once, however
// many lines draw it, and each row's cells and column lines are still drawn.
TEST_F(OrderFormTest, ThePictureOfEveryLineIsStoredOnce) {
  auto form = std::make_shared<OrderPDFCreater>(formOrder(30), MVPDFCreater::kDefaultPageSize,
                                                std::weak_ptr<ui::ViewController>());
  form->generatePdfInScrollView(scroll);
  const auto bytes = form->generatePDFToData();
  const std::string image = "/Subtype /Image";
  std::size_t pictures = 0;
  for (auto it = bytes.begin(); (it = std::search(it, bytes.end(), image.begin(), image.end())) != bytes.end(); ++it)
    ++pictures;
  EXPECT_EQ(pictures, 1u);
  EXPECT_LT(bytes.size(), 150000u);
  auto doc = gfx::PdfDocument::openData(bytes);
  ASSERT_TRUE(doc);
  ASSERT_GE(doc->pageCount(), 3);
  // A row of the second page: its text, its picture and its column lines.
  ASSERT_FALSE(doc->findText(1, "Item 15").empty());
  const base::Rect row = doc->findText(1, "Item 15").front();
  auto page = doc->renderPage(1, 1);
  EXPECT_GT(darkness(*page, static_cast<int>(60 + 904 * 2.0 / 45 + 60), static_cast<int>(row.midY())), 3);
  for (double x : {0.0, 2.0 / 45, 11.0 / 60, 17.0 / 20}) {
    const int at = static_cast<int>(std::lround(60 + 904 * x));
    EXPECT_GT(std::max(darkness(*page, at, static_cast<int>(row.midY())), darkness(*page, at + 1, static_cast<int>(row.midY()))),
              150)
        << x;
  }
}

TEST_F(OrderFormTest, TallTextsMakeTallRows) {
  auto order = formOrder(2);
  order->items[0]->attributes =
      "Colour:Red,Size:Large,Finish:Matt,Material:Oak veneer on birch plywood,Handles:Brushed steel,"
      "Legs:Tapered oak with felt pads,Seat:Woven paper cord,Warranty:Five years on frame and joints";
  order->city = "Saint Mary of the Woods by the long river and the green hills beyond the old mill road";
  std::shared_ptr<OrderPDFCreater> form;
  auto doc = document(order, &form);
  ASSERT_TRUE(doc);
  // The cells of a row share its height.
  double cityHeight = 0, zipHeight = 0, attributesHeight = 0, nameHeight = 0;
  for (const auto& cell : form->cellsPageArray().at(0)) {
    auto* s = dynamic_cast<MVPDFCreaterStringCell*>(cell.get());
    if (!s) continue;
    if (s->text() == "STATE") cityHeight = s->frameInLine().height();
    if (s->text() == "PHONE") zipHeight = s->frameInLine().height();
    if (s->text() == order->items[0]->attributes) attributesHeight = s->frameInLine().height();
    if (s->text() == "Item 1") nameHeight = s->frameInLine().height();
  }
  EXPECT_GT(cityHeight, 40);
  EXPECT_EQ(zipHeight, 40);
  EXPECT_GT(attributesHeight, 80);
  EXPECT_EQ(nameHeight, attributesHeight);
}

// Codes, quantities and amounts are never parted over two lines: a SKU or a
// number wider than its column is drawn smaller in it.
TEST_F(OrderFormTest, CodesAndLargeNumbersStayOnOneLineInTheirColumns) {
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  auto order = formOrder(1);
  auto& item = *order->items[0];
  item.sku = "SKU-01002";
  item.quantity = 1000000;
  item.price = 12345678.9;
  item.finalPrice = 11111111.1;
  auto doc = document(order);
  ASSERT_TRUE(doc);
  // Read back as the page's text, each number stands on one line.
  const std::string text = doc->text(0);
  for (const std::string& number :
       std::vector<std::string>{item.sku, "1000000", item.strPrice(), item.strFinalPrice(), item.strSubtotal()}) {
    SCOPED_TRACE(number);
    EXPECT_NE(text.find(number), std::string::npos);
    EXPECT_FALSE(doc->findText(0, number).empty());
  }
}

// A line whose details are taller than a page goes on in rows on the next
// pages: every word is in the document once, the line's name and prices
// stay in its first row, and nothing but the page number is in the bottom
// margin.
TEST_F(OrderFormTest, ALineTallerThanAPageGoesOnOverThePages) {
  auto order = formOrder(2);
  std::string details;
  std::vector<std::string> words;
  for (int i = 1; i <= 900; ++i) {
    char word[16];
    std::snprintf(word, sizeof word, "w%04d", i);
    words.push_back(word);
    details += (i > 1 ? " " : "") + words.back();
  }
  ASSERT_GT(details.size(), 5000u);
  order->items[0]->attributes = details;
  order->items[0]->name = "Long Item";
  auto doc = document(order);
  ASSERT_TRUE(doc);
  ASSERT_GE(doc->pageCount(), 3);
  std::string all;
  for (int p = 0; p < doc->pageCount(); ++p) all += doc->text(p) + "\n";
  std::size_t from = 0;
  for (const auto& word : words) {
    const std::size_t at = all.find(word, from);
    ASSERT_NE(at, std::string::npos) << word << " is missing or out of order";
    EXPECT_EQ(all.find(word, at + 1), std::string::npos) << word << " twice";
    from = at;
  }
  // The first row holds the name, the prices and the first words.
  EXPECT_EQ(doc->findText(0, "Long Item").size(), 1u);
  EXPECT_EQ(doc->findText(0, "w0001").size(), 1u);
  EXPECT_EQ(doc->findText(0, "$170.00").size(), 1u);
  std::size_t second = 0;
  for (int p = 0; p < doc->pageCount(); ++p) second += doc->findText(p, "Item 2").size();
  EXPECT_EQ(second, 1u);
  for (int p = 0; p < doc->pageCount(); ++p) {
    EXPECT_EQ(doc->findText(p, "- Page " + std::to_string(p + 1) + " -").size(), 1u) << p;
    for (const char* s : {"w0", "Item", "$"}) {
      for (const auto& r : doc->findText(p, s)) EXPECT_LT(r.maxY(), kPageHeight - 60) << s << " on page " << p + 1;
    }
  }
}

TEST_F(OrderFormTest, TheSignatureSitsOnItsLineAndOnlyThere) {
  auto unsigned_ = document(formOrder(2));
  auto order = formOrder(2);
  order->signature = inkSignature();
  std::shared_ptr<OrderPDFCreater> form;
  auto doc = document(order, &form);
  ASSERT_TRUE(doc && unsigned_);
  // Shown on the preview, and a stored signature is not signed over.
  ASSERT_TRUE(form->signatureValue()->image());
  EXPECT_FALSE(form->signatureValue()->isUserInteractionEnabled());
  EXPECT_EQ(doc->imageCount(0), unsigned_->imageCount(0) + 1);

  const double end = form->currentContentHeight();
  const ui::Rect field = form->signatureValue()->frame();
  EXPECT_NEAR(field.x(), 722.93, 0.01);
  EXPECT_NEAR(field.maxY(), end - 25, 0.01);
  auto page = doc->renderPage(0, 1);
  EXPECT_GT(darkness(*page, static_cast<int>(field.midX()), static_cast<int>(field.midY())), 200);
  EXPECT_LT(darkness(*unsigned_->renderPage(0, 1), static_cast<int>(field.midX()), static_cast<int>(field.midY())),
            20);

  // Printing again refreshes the one signature cell.
  auto again = form->generatePDFToData();
  int tagged = 0;
  for (const auto& p : form->cellsPageArray()) {
    for (const auto& cell : p) tagged += cell->tagOfCell() == OrderPDFCreater::kSignatureCellTag;
  }
  EXPECT_EQ(tagged, 1);
  EXPECT_EQ(gfx::PdfDocument::openData(std::move(again))->imageCount(0), doc->imageCount(0));
}

TEST_F(OrderFormTest, WhoMaySignTheForm) {
  ui::HeadlessDriver driver;
  auto root = std::make_shared<ui::ViewController>();
  driver.window().setRootViewController(root);
  driver.flush();

  // A submitted order without a signature: an empty field that takes no tap.
  auto submitted = formOrder(1);
  submitted->setUploaded(true);
  OrderPDFCreater closed(submitted, MVPDFCreater::kDefaultPageSize, root);
  auto closedForm = std::make_shared<OrderPDFCreater>(submitted, MVPDFCreater::kDefaultPageSize, root);
  closedForm->generatePdfInScrollView(scroll);
  EXPECT_FALSE(closedForm->signatureValue()->image());
  EXPECT_FALSE(closedForm->signatureValue()->isUserInteractionEnabled());

  // No customer: the pad does not open.
  auto nobody = std::make_shared<OrderPDFCreater>(formOrder(1, "  "), MVPDFCreater::kDefaultPageSize, root);
  nobody->generatePdfInScrollView(scroll);
  EXPECT_TRUE(nobody->signatureValue()->isUserInteractionEnabled());
  nobody->signatureTapped();
  ASSERT_TRUE(driver.visibleAlert());
  EXPECT_EQ(driver.visibleAlert()->title(), "CUSTOMERNOTSELECTED");
  EXPECT_EQ(driver.visibleAlert()->message(), "SELECTCUSTOMERALERT");
  EXPECT_EQ(root->presentedViewController(), nullptr);
  driver.pressAlertButton(0);
  driver.advance(0.5);

  // With a customer the pad opens; what is signed goes onto the field and the order.
  auto order = formOrder(1);
  auto form = std::make_shared<OrderPDFCreater>(order, MVPDFCreater::kDefaultPageSize, root);
  form->generatePdfInScrollView(scroll);
  form->signatureTapped();
  driver.advance(1);
  auto* pad = dynamic_cast<PainterViewController*>(root->presentedViewController());
  ASSERT_TRUE(pad);
  pad->drawLineFromPoint({300, 200}, {600, 300});
  pad->doneButtonTapped();
  driver.advance(1);
  EXPECT_EQ(root->presentedViewController(), nullptr);
  EXPECT_TRUE(form->hasEditsignature());
  ASSERT_TRUE(form->signatureValue()->image());
  EXPECT_LE(form->signatureValue()->image()->size().width, OrderPDFCreater::kSignatureWidth);
  EXPECT_LE(form->signatureValue()->image()->size().height, OrderPDFCreater::kSignatureHeight);
  EXPECT_FALSE(order->signature.empty());
  driver.window().setRootViewController(nullptr);
}

TEST_F(OrderFormTest, ALanguageChangeMovesTheFieldWithTheLayout) {
  auto order = formOrder(2);
  auto form = std::make_shared<OrderPDFCreater>(order, MVPDFCreater::kDefaultPageSize,
                                                std::weak_ptr<ui::ViewController>());
  form->generatePdfInScrollView(scroll);
  form->takeSignature(gfx::Image::blank({400, 200}));
  const ui::Rect before = form->signatureValue()->frame();
  // The other language's note runs over several lines.
  setTextLookup([](const std::string& key) -> std::optional<std::string> {
    if (key == "NOTE") return std::string(120, 'N');
    if (key == "LABELCOLON") return ":";
    return key;
  });
  form->updateLanguage();
  const ui::Rect after = form->signatureValue()->frame();
  EXPECT_GT(after.y(), before.y());
  EXPECT_NEAR(after.maxY(), form->currentContentHeight() - 25, 0.01);
  EXPECT_TRUE(form->signatureValue()->image());
  EXPECT_EQ(form->signatureValue()->superview(), scroll.get());
}

TEST_F(OrderFormTest, ChineseTextsReadBack) {
  setTextLookup([](const std::string& key) -> std::optional<std::string> {
    if (key == "CUSTOMERINFO") return "客户信息";
    if (key == "ORDERNUMBER") return "订单编号";
    if (key == "LABELCOLON") return "\uFF1A";
    return key;
  });
  auto doc = document(formOrder(1, "王小明"));
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->findText(0, "客户信息").size(), 1u);
  EXPECT_EQ(doc->findText(0, "王小明").size(), 1u);
  // A label takes the full-width colon, with no space after it.
  EXPECT_EQ(doc->findText(0, "订单编号\uFF1A").size(), 1u);
}

// --- the signature pad -------------------------------------------------------------

TEST(SignatureCanvasTest, DotsStrokesAndTheCut) {
  SignatureCanvas canvas({400, 300});
  EXPECT_FALSE(canvas.decompressedImage({0, 0, 400, 300}));
  canvas.drawLine({100, 100}, {100, 100});
  auto data = canvas.image()->toImageData();
  EXPECT_GT(data.pixel(100, 100)[3], 200);
  EXPECT_GT(data.pixel(104, 100)[3], 100);
  EXPECT_EQ(data.pixel(106, 100)[3], 0);
  EXPECT_EQ(data.pixel(100, 106)[3], 0);

  // A second stroke leaves the first where it was.
  canvas.drawLine({200, 50}, {300, 50});
  data = canvas.image()->toImageData();
  EXPECT_GT(data.pixel(100, 100)[3], 200);
  EXPECT_GT(data.pixel(250, 50)[3], 200);
  EXPECT_EQ(data.pixel(100, 164)[3], 0);

  // The cut keeps what lies inside; ink only outside is no signature.
  auto cut = canvas.decompressedImage({90, 90, 50, 40});
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->size(), (base::Size{50, 40}));
  EXPECT_GT(cut->toImageData().pixel(10, 10)[3], 200);
  EXPECT_FALSE(canvas.decompressedImage({0, 200, 400, 100}));
  EXPECT_FALSE(canvas.decompressedImage({500, 500, 10, 10}));

  // As stored: JPEG keeps dark ink on white, not on black.
  auto stored = SkinManager::string2Image(SkinManager::image2String(cut));
  ASSERT_TRUE(stored);
  const auto back = stored->toImageData();
  EXPECT_LT(back.pixel(10, 10)[0], 60);
  EXPECT_GT(back.pixel(45, 35)[0], 200);
}

class PadTest : public OrderScreenTest {
 protected:
  void SetUp() override {
    OrderScreenTest::SetUp();
    root = std::make_shared<ui::ViewController>();
    window().setRootViewController(root);
    pad = std::make_shared<PainterViewController>();
    pad->setBlock([this](gfx::ImagePtr image, int second) {
      ++calls;
      signature = std::move(image);
      EXPECT_EQ(second, 0);
    });
    root->presentViewController(pad, false);
    flush();
  }
  std::shared_ptr<ui::ViewController> root;
  std::shared_ptr<PainterViewController> pad;
  gfx::ImagePtr signature;
  int calls = 0;
};

TEST_F(PadTest, FingerStrokesBecomeTheSignature) {
  const ui::Rect canvas = pad->canvasView().frame();
  const ui::Rect painter = pad->painterView().frame();
  // A tap leaves a dot, a drag a stroke; the painter sits below the bar, so
  // drawing and window differ by its origin.
  driver().tapAt({canvas.x() + 100, canvas.y() + 100});
  driver().drag({{canvas.x() + 200, canvas.y() + 300}, {canvas.x() + 300, canvas.y() + 300},
                 {canvas.x() + 400, canvas.y() + 310}});
  flush();
  auto drawing = pad->canvas().image()->toImageData();
  const int dotX = static_cast<int>(canvas.x() + 100 - painter.x()), dotY = static_cast<int>(canvas.y() + 100 - painter.y());
  EXPECT_GT(drawing.pixel(dotX, dotY)[3], 200);
  EXPECT_EQ(drawing.pixel(dotX, dotY + static_cast<int>(painter.y()))[3], 0);
  snapshot("order-signature-pad");

  pad->doneButtonTapped();
  advance(1);
  EXPECT_EQ(calls, 1);
  ASSERT_TRUE(signature);
  EXPECT_EQ(signature->size(), canvas.size);
  const auto cut = signature->toImageData();
  EXPECT_GT(cut.pixel(100, 100)[3], 200);
  EXPECT_GT(cut.pixel(300, 300)[3], 200);
  EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(PadTest, NothingSignedHandsNothingAndCancelHandsNothingBack) {
  // Ink only beside the signing area.
  driver().tapAt({40, 400});
  pad->doneButtonTapped();
  advance(1);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(signature);

  auto second = std::make_shared<PainterViewController>();
  int secondCalls = 0;
  second->setBlock([&](gfx::ImagePtr, int) { ++secondCalls; });
  root->presentViewController(second, false);
  flush();
  driver().tapAt({500, 400});
  second->cancelButtonTapped();
  advance(1);
  EXPECT_EQ(secondCalls, 0);
  EXPECT_EQ(root->presentedViewController(), nullptr);
}

// --- the order PDF screen ----------------------------------------------------------

class FakeComposer : public svc::MailComposer {
 public:
  bool can = true;
  svc::MailComposeResult answer = svc::MailComposeResult::Sent;
  std::vector<svc::Mail> mails;
  bool canSendMail() const override { return can; }
  void compose(svc::Mail mail, Completion done) override {
    mails.push_back(std::move(mail));
    base::RunLoop::main().post([done, r = answer] { done(svc::MailOutcome{r, std::nullopt, {}}); });
  }
};

class FakePrinter : public svc::PrintInteractionController {
 public:
  std::vector<std::vector<std::uint8_t>> jobs;
  // The error each job ends with; none prints it.
  std::optional<base::Error> failure;
  // Where a job that was not printed was saved.
  fs::path savedAs;
  bool isPrintingAvailable() const override { return true; }
  void print(svc::PrintingItem item, svc::PrintInfo, Completion done) override {
    jobs.push_back(std::get<std::vector<std::uint8_t>>(item));
    base::RunLoop::main().post(
        [done, failure = failure, savedAs = savedAs] { done(svc::PrintOutcome{!failure, failure, savedAs}); });
  }
};

class PDFScreenTest : public OrderScreenTest {
 protected:
  void SetUp() override {
    OrderScreenTest::SetUp();
    svc::MailComposer::install(composer);
    svc::PrintInteractionController::install(printer);
  }
  void TearDown() override {
    svc::DesktopLauncher::install(nullptr);
    svc::MailComposer::install(nullptr);
    svc::PrintInteractionController::install(nullptr);
    OrderScreenTest::TearDown();
  }
  void open(std::shared_ptr<QuoteOrderEntity> o) {
    order = std::move(o);
    nav = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
    window().setRootViewController(nav);
    screen = std::make_shared<QuoteOrderPDFViewController>(*services);
    screen->setOrder(order);
    nav->pushViewController(screen, false);
    // The form is laid out once its lines' pictures are read.
    base::WorkQueue::global().waitIdle();
    flush();
  }
  bool onScreen() { return nav->topViewController() == screen.get(); }
  void sign() {
    screen->pdfCreater()->takeSignature(gfx::Image::blank({100, 50}));
    auto ctx = gfx::Context::bitmap({400, 275}, 1, false);
    ctx->setStrokeColor(gfx::Color::black());
    ctx->setLineWidth(10);
    ctx->strokeLine({40, 200}, {360, 60});
    screen->pdfCreater()->takeSignature(ctx->makeImage());
  }

  std::shared_ptr<FakeComposer> composer = std::make_shared<FakeComposer>();
  std::shared_ptr<FakePrinter> printer = std::make_shared<FakePrinter>();
  std::shared_ptr<QuoteOrderEntity> order;
  std::shared_ptr<ui::NavigationController> nav;
  std::shared_ptr<QuoteOrderPDFViewController> screen;
};

TEST_F(PDFScreenTest, LeavingWithoutASignatureAsksNothing) {
  open(formOrder(3));
  ASSERT_TRUE(screen->pdfCreater());
  EXPECT_EQ(screen->containerView()->contentSize(), (ui::Size{1024, kPageHeight}));
  snapshot("order-pdf-screen");
  driver().tap(screen->btnBack());
  advance(1);
  EXPECT_FALSE(onScreen());
  EXPECT_FALSE(driver().visibleAlert());
}

TEST_F(PDFScreenTest, AKeptSignatureIsStoredWithTheWholeOrder) {
  auto o = formOrder(2);
  o->setCustomerNote("Edited after the last save");
  open(o);
  sign();
  screen->btnBackClick();
  auto alert = driver().visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_TRUE(dynamic_cast<FreeDismissAlertView*>(alert.get()));
  EXPECT_EQ(alert->tag(), QuoteOrderPDFViewController::kSignatureAlertTag);
  EXPECT_EQ(alert->title(), txt("SAVESINGATURE"));
  // Escape, or a touch beside the alert, backs out ("Don't save" would drop
  // the signature): the form stays signed, and is asked about again on
  // leaving.
  const std::string signature = order->signature;
  ASSERT_FALSE(signature.empty());
  for (const bool byTouch : {false, true}) {
    SCOPED_TRACE(byTouch ? "a touch beside the alert" : "Escape");
    if (byTouch) {
      ASSERT_TRUE(driver().tap(screen->btnBack()));
      ASSERT_TRUE(driver().visibleAlert());
      EXPECT_EQ(driver().visibleAlert()->tag(), QuoteOrderPDFViewController::kSignatureAlertTag);
      EXPECT_TRUE(driver().tapAt({10, 10}));
    } else {
      EXPECT_TRUE(window().pressEscape());
    }
    advance(1);
    EXPECT_FALSE(driver().visibleAlert());
    EXPECT_TRUE(onScreen());
    EXPECT_EQ(order->signature, signature);
    EXPECT_TRUE(dam().fetchQuoteOrders(0, "").empty());
  }
  ASSERT_TRUE(driver().tap(screen->btnBack()));
  ASSERT_TRUE(driver().visibleAlert());
  driver().pressAlertButton(1);
  advance(1);
  EXPECT_FALSE(onScreen());
  ASSERT_NE(order->serial, 0);
  auto stored = dam().fetchQuoteOrders(0, "");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0]->signature, order->signature);
  EXPECT_EQ(stored[0]->customerNote(), "Edited after the last save");
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(order->serial).size(), 2u);
}

TEST_F(PDFScreenTest, ASignatureNotKeptLeavesTheOrderUnsigned) {
  open(formOrder(2));
  sign();
  screen->btnBackClick();
  driver().pressAlertButton(0);
  advance(1);
  EXPECT_FALSE(onScreen());
  EXPECT_TRUE(order->signature.empty());
  EXPECT_TRUE(dam().fetchQuoteOrders(0, "").empty());
}

TEST_F(PDFScreenTest, AFailedSaveKeepsTheScreenAndTheSignature) {
  open(formOrder(2));
  screen->setOrderSaver([](QuoteOrderEntity&) { return false; });
  sign();
  const std::string signature = order->signature;
  screen->btnBackClick();
  driver().pressAlertButton(1);
  advance(1);
  EXPECT_TRUE(onScreen());
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->title(), txt("ORDERSAVEFAILED"));
  EXPECT_EQ(order->signature, signature);
}

TEST_F(PDFScreenTest, MailCarriesTheOrderForm) {
  open(formOrder(2, "Acme Stores"));
  driver().tap(screen->btnEmail());
  advance(1);
  ASSERT_EQ(composer->mails.size(), 1u);
  const svc::Mail& mail = composer->mails[0];
  EXPECT_EQ(mail.subject, "[" + txt("ORDER") + "-Acme Stores]");
  EXPECT_TRUE(mail.toRecipients.empty());
  ASSERT_EQ(mail.attachments.size(), 1u);
  EXPECT_EQ(mail.attachments[0].fileName, "Order.pdf");
  EXPECT_EQ(mail.attachments[0].mimeType, "application/pdf");
  auto doc = gfx::PdfDocument::openData(mail.attachments[0].data);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->findText(0, "Acme Stores").size(), 1u);
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->title(), txt("FILEHAVSBEENEMAILED"));
  driver().pressAlertButton(0);
  advance(1);

  composer->answer = svc::MailComposeResult::Failed;
  order->customerName = " ";
  screen->btnEmailClick();
  advance(1);
  EXPECT_EQ(composer->mails.back().subject, "[" + txt("ORDER") + "]");
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->title(), txt("MAILFAILED"));
  driver().pressAlertButton(0);
  advance(1);

  composer->can = false;
  screen->btnEmailClick();
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->title(), txt("NOEMAILACCOUNT"));
  EXPECT_EQ(composer->mails.size(), 2u);
}

TEST_F(PDFScreenTest, PrintHandsTheFormToThePrinter) {
  open(formOrder(4));
  driver().tap(screen->btnPrint());
  advance(1);
  ASSERT_EQ(printer->jobs.size(), 1u);
  auto doc = gfx::PdfDocument::openData(printer->jobs[0]);
  ASSERT_TRUE(doc);
  EXPECT_EQ(doc->pageCount(), 2);
}

TEST_F(PDFScreenTest, APrintFailureIsLoggedWithItsDomainAndCode) {
  printer->failure = base::Error{"PrinterDomain", 42, "jammed", {}};
  open(formOrder(1));
  const bool logging = base::logEnabled();
  base::setLogEnabled(true);
  testing::internal::CaptureStderr();
  driver().tap(screen->btnPrint());
  advance(1);
  const std::string log = testing::internal::GetCapturedStderr();
  base::setLogEnabled(logging);
  ASSERT_EQ(printer->jobs.size(), 1u);
  EXPECT_EQ(log.find('%'), std::string::npos) << log;
  EXPECT_NE(log.find("PrinterDomain with error code 42"), std::string::npos) << log;
}

// On a desktop the form goes to the user's mail program; a desktop without
// one has the message saved, and a document no printer took is said to be
// saved, not printed, with where it is.
TEST_F(PDFScreenTest, TheFormGoesToTheMailProgramOrIsSavedAndSaidSo) {
  std::vector<std::vector<std::string>> started;
  int status = 0;
  svc::DesktopLauncher::install([&](const std::vector<std::string>& argv, svc::DesktopLauncher::Done done) {
    started.push_back(argv);
    base::RunLoop::main().post([done, status] { done(status); });
  });
  svc::MailComposer::install(std::make_shared<svc::DesktopMailComposer>());
  open(formOrder(1, "Acme Stores"));
  auto answer = [&] {
    EXPECT_TRUE(runUntil([&] {
      base::WorkQueue::global().waitIdle();
      return driver().visibleAlert() != nullptr;
    }));
    return driver().visibleAlert();
  };
  driver().tap(screen->btnEmail());
  auto alert = answer();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "Message Ready in Your Mail Program");
  EXPECT_EQ(alert->message(), "Your mail program has the message with the document attached. Send it from there.");
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0][0], "xdg-email");
  EXPECT_EQ(fs::path(started[0].back()).filename(), "Order.pdf");
  driver().pressAlertButton(0);
  advance(1);

  status = svc::DesktopLauncher::kNoApplication;
  driver().tap(screen->btnEmail());
  alert = answer();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "E-mail Not Sent");
  std::vector<fs::path> saved;
  for (const auto& e : fs::directory_iterator(svc::OutboxMailComposer::defaultOutbox()))
    if (e.path().extension() == ".eml") saved.push_back(e.path());
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(alert->message(),
            "This device has no mail program to send it. The message was saved as " + saved[0].string() + ".");
  driver().pressAlertButton(0);
  advance(1);

  printer->failure = base::Error{svc::kPrintErrorDomain, svc::kPrintErrorNoPrinter, "no printer", {}};
  printer->savedAs = root / "Spool" / "Order-1.pdf";
  driver().tap(screen->btnPrint());
  alert = answer();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), txt("NOPRINTER"));
  EXPECT_EQ(alert->message(), "No printer is set up on this device, so nothing was printed. The document was saved as " +
                                  printer->savedAs.string() + ".");
}

TEST_F(PDFScreenTest, TheRealOutboxAndSpoolReceiveTheForm) {
  svc::MailComposer::install(nullptr);
  svc::PrintInteractionController::install(std::make_shared<svc::SpoolPrintController>(root / "Spool", false));
  open(formOrder(1, "Zoë"));
  screen->btnEmailClick();
  screen->btnPrintPdfClick();
  ASSERT_TRUE(runUntil([&] {
    base::WorkQueue::global().waitIdle();
    return driver().visibleAlert() != nullptr;
  }));
  std::vector<fs::path> mails, jobs;
  for (const auto& e : fs::directory_iterator(svc::OutboxMailComposer::defaultOutbox())) mails.push_back(e.path());
  for (const auto& e : fs::directory_iterator(root / "Spool")) jobs.push_back(e.path());
  ASSERT_EQ(mails.size(), 1u);
  ASSERT_EQ(jobs.size(), 1u);
  // Written, not sent: the user is told so, and where the message is.
  EXPECT_EQ(driver().visibleAlert()->title(), "E-mail Not Sent");
  EXPECT_EQ(driver().visibleAlert()->message(),
            "This device has no mail program to send it. The message was saved as " + mails[0].string() + ".");
  const auto eml = base::readFileBytes(mails[0]);
  ASSERT_TRUE(eml);
  const std::string text(eml->begin(), eml->end());
  EXPECT_NE(text.find("Content-Type: application/pdf"), std::string::npos);
  EXPECT_NE(text.find("filename=Order.pdf"), std::string::npos);
  EXPECT_NE(text.find("Subject: =?UTF-8?"), std::string::npos);
  auto printed = gfx::PdfDocument::open(jobs[0]);
  ASSERT_TRUE(printed);
  EXPECT_EQ(printed->findText(0, "Zoë").size(), 1u);
}

}  // namespace
}  // namespace mv::test
