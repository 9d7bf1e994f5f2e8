#pragma once
// The favourites popup: the representative's favourite products as cards,
// five to a row. A card opens its product in the catalogue or adds it to the
// current order; in edit mode (the Edit button or a long press on a picture)
// the cards wiggle and single favourites or all of them are removed.
#include <memory>
#include <vector>

#include "catalog/DetailCell.hpp"
#include "catalog/ProductListPopup.hpp"
#include "platform/ui/ScrollView.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"

namespace mv {

class ProductFavoriteDelegate {
 public:
  virtual ~ProductFavoriteDelegate() = default;
  // Favourites were removed: the favourite toggles shown elsewhere are stale.
  virtual void changeAddFavoriteButtonState() = 0;
};

class ProductFavoriteController : public ProductListPopup, public DetailCellDelegate {
 public:
  static constexpr long kFirstTag = 3000;
  static constexpr double kCellWidth = 220;
  static constexpr double kCellHeight = 215;
  static constexpr std::size_t kPerRow = 5;
  static constexpr double kLongPress = 0.7;

  // Reads and changes the favourites in the session's database.
  explicit ProductFavoriteController(SessionServices& services);

  // Keeps the favourites whose product is published, with those products.
  void setFavArray(const std::vector<marvisto_favorite_Entity>& favorites);
  // The favourite products shown.
  const std::vector<marvisto_product_Entity>& favArray() const { return products(); }
  void setFavDelegate(std::weak_ptr<ProductFavoriteDelegate> d) { favDelegate_ = std::move(d); }

  // ---- geometry and the tap rule ----------------------------------------------------------
  static ui::Rect tileFrame(std::size_t index, double gridWidth);
  // The rows counted include an empty last one when the cards fill their rows.
  static double contentHeight(std::size_t count, double gridHeight);
  // Whether the popup's own tap takes a touch: in edit mode one outside every
  // card, else one on a card's picture.
  static bool acceptsTap(bool inEdit, bool inCard, bool inCardPicture);

  // ---- actions ------------------------------------------------------------------------------
  void deleteSingleFavorite(long index) { removeProductAt(index); }
  void getFavoriteShowData();

  void didSelectedImage(DetailCell& cell) override;
  void addToOrder(DetailCell& cell) override;
  void deleteCell(DetailCell& cell) override;

  // ---- parts (tests) ---------------------------------------------------------------------------
  ui::ScrollView& favoriteScrollView() const { return *favoriteScrollView_; }
  std::shared_ptr<DetailCell> card(std::size_t index) const;

  void loadView() override;
  void viewDidLoad() override;

 protected:
  void showProducts() override { getFavoriteShowData(); }
  void applyWiggle(bool wiggle) override;
  std::shared_ptr<ui::View> cartButton(std::size_t index) const override {
    auto c = card(index);
    return c ? std::shared_ptr<ui::View>(c, &c->addOrderBtn()) : nullptr;
  }
  void setCellBadge(std::size_t index, const std::optional<std::string>& badge) override;
  ui::Rect listFrame() const override { return favoriteScrollView_->frame(); }
  void listChanged() override;

 private:
  // The card under a point of the popup's view, and whether the point is on its picture.
  DetailCell* cardAt(ui::Point inView, bool* onPicture) const;
  void handleTap(ui::Point inView);

  std::weak_ptr<ProductFavoriteDelegate> favDelegate_;
  std::shared_ptr<ui::ScrollView> favoriteScrollView_;
  std::shared_ptr<ui::TapGestureRecognizer> tapGesturRecognizer_;
  std::vector<std::shared_ptr<DetailCell>> cards_;
};

}  // namespace mv
