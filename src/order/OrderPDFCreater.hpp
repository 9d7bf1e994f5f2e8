#pragma once
// One quote order laid out as a printed order form on the PDF layout engine:
// the company logo, the customer block, the order block with its item table
// and four total lines, and the customer's signature. The same layout gives
// the on-screen preview, with a live signature field over it that opens the
// signature pad, and the PDF document that is printed and mailed. Main
// thread only.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "order/pdf/MVPDFCreater.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/ScrollView.hpp"
#include "platform/ui/ViewController.hpp"
#include "store/QuoteOrderEntity.hpp"

namespace mv {

class OrderPDFCreater : public MVPDFCreater, public std::enable_shared_from_this<OrderPDFCreater> {
 public:
  // The PDF's signature cell.
  static constexpr std::int64_t kSignatureCellTag = 5001;
  // The signature field: its size, its x on the page, and how far its top
  // lies above the end of the content.
  static constexpr double kSignatureWidth = 192;
  static constexpr double kSignatureHeight = 132;
  static constexpr double kSignatureX = 722.93;
  static constexpr double kSignatureRise = 157;

  OrderPDFCreater(std::shared_ptr<QuoteOrderEntity> order, base::Size pageSize,
                  std::weak_ptr<ui::ViewController> rootViewController);

  // The file name of a product's picture (empty: none). Without it every
  // line shows the stock picture.
  using ThumbnailNames = std::function<std::string(int productId)>;
  void setThumbnailNames(ThumbnailNames names) { thumbnailNames_ = std::move(names); }
  // Reads the pictures of the order's lines on a worker, at the form's print
  // resolution, and runs `ready` on the main thread once they are in: the
  // form built then reads none on the main thread.
  void readThumbnails(std::function<void()> ready);
  // The pixels a line's picture is read at: the cell's width at 300 dots an
  // inch, as tall as wide at most.
  int thumbnailSide() const;
  ~OrderPDFCreater() override;

  const std::shared_ptr<QuoteOrderEntity>& order() const { return order_; }
  // The live signature field over the preview (nothing before the preview).
  const std::shared_ptr<ui::ImageView>& signatureValue() const { return signatureValue_; }
  // A signature was drawn on this form.
  bool hasEditsignature() const { return hasEditsignature_; }

  // Builds the preview into the scroll view, with the signature field.
  void generatePdfInScrollView(const std::shared_ptr<ui::ScrollView>& scrollView);
  // Builds the preview again in the current language; the signature field
  // keeps its picture and moves to where the new layout ends.
  void updateLanguage();
  // The order document, with the field's signature on its line.
  [[nodiscard]] std::vector<std::uint8_t> generatePDFToData() override;
  // The field was tapped: opens the signature pad, or says that the order
  // has no customer yet.
  void signatureTapped();
  // Takes a drawn signature (nothing changes for nothing): the field shows
  // it fitted into its size, and the order carries it as Base64 JPEG text.
  void takeSignature(const gfx::ImagePtr& image);

  // The building steps, in the order the builders call them.
  void addLogoImageView();
  void addCustomerInfoLabels();
  void addOrderLabels();
  void addOneOrderItem(const QuoteOrderItemEntity& item, long index);
  void addOneDiscountLine(const std::string& leftString, const std::string& rightString);
  void addSignatureLabels();
  void addSignatureImageView();
  // A rule or grid line from one point to another (horizontal or vertical
  // only) of the given stroke, into the pending line.
  void addLineFromPoint(base::Point from, base::Point to, int width);

 protected:
  MVPDFCellList additionalFooterInPage(std::int64_t page) override;

 private:
  // Lays the whole form out and makes its view in the held scroll view.
  void buildPreview();
  void removePreview();
  double contentWidth() const { return pageSize().width - leftMargin() - rightMargin(); }
  // A width given as a fraction of the content width.
  double part(double numerator, double denominator) const { return contentWidth() * numerator / denominator; }
  void addText(const base::Rect& frame, const std::string& text, const gfx::Font& font, gfx::TextAlignment alignment);
  void addRule(int width);
  void addGridLines(const std::vector<std::pair<double, int>>& columns, double height);
  ui::Rect signatureFieldFrame() const;

  std::shared_ptr<QuoteOrderEntity> order_;
  std::weak_ptr<ui::ViewController> rootViewController_;
  std::weak_ptr<ui::ScrollView> pdfScrollView_;
  ThumbnailNames thumbnailNames_;
  std::map<std::string, gfx::ImagePtr> thumbnails_;
  base::CancelFlag thumbnailRead_;
  std::shared_ptr<ui::View> previewView_;
  std::shared_ptr<ui::ImageView> signatureValue_;
  bool hasEditsignature_ = false;
};

}  // namespace mv
