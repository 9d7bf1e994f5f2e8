#pragma once
// The related products of the product on display: a sideways strip of small
// tiles, embedded in the product screen's panel or shown full screen. A
// tapped tile opens its product in the catalogue with the related products
// as the list to page through.
#include <memory>
#include <vector>

#include "catalog/RelateProcuctsCell.hpp"
#include "platform/ui/ScrollView.hpp"
#include "shell/frame/PopBaseController.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

class RelatedProductViewcontroller : public PopBaseController, public RelateProcuctsCellDelegate {
 public:
  static constexpr double kCellWidth = 108;
  static constexpr double kCellHeight = 144;
  static constexpr double kPitch = 118;

  // Reads the tiles' pictures and prices from the session's database.
  explicit RelatedProductViewcontroller(SessionServices& services) : services_(services.shared_from_this()) {}

  const std::vector<marvisto_product_Entity>& relatedArray() const { return relatedArray_; }
  void setRelatedArray(std::vector<marvisto_product_Entity> products) { relatedArray_ = std::move(products); }
  // Replaces the list and builds the tiles again.
  void reloadRelatedProduct(std::vector<marvisto_product_Entity> products);
  // Shown as a screen of its own: its title bar and close button show.
  void setFullScreen(bool fullScreen) { fullScreen_ = fullScreen; }

  ui::ScrollView& relatedScrollView() const { return *relatedScrollView_; }
  static ui::Rect tileFrame(std::size_t index) {
    return {kPitch * static_cast<double>(index), 0, kCellWidth, kCellHeight};
  }

  void loadView() override;
  void viewDidLoad() override;
  void updateLanguage(ui::ViewController& sender) override;
  void relateProcuctsCellDidSelectedImage(RelateProcuctsCell& cell) override;

 private:
  std::shared_ptr<SessionServices> services_;
  void buildTiles();

  std::vector<marvisto_product_Entity> relatedArray_;
  std::shared_ptr<ui::ScrollView> relatedScrollView_;
  bool fullScreen_ = false;
};

}  // namespace mv
