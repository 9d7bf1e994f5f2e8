#pragma once
// The favourites popup: the representative's favourite products as cards,
// five to a row. A card opens its product in the catalogue or adds it to the
// current order; in edit mode (the Edit button or a long press on a picture)
// the cards wiggle and single favourites or all of them are removed.
#include <memory>
#include <vector>

#include "catalog/AddToOrderFlow.hpp"
#include "catalog/DetailCell.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/ScrollView.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "shell/frame/PopBaseController.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

class ProductFavoriteDelegate {
 public:
  virtual ~ProductFavoriteDelegate() = default;
  // Favourites were removed: the favourite toggles shown elsewhere are stale.
  virtual void changeAddFavoriteButtonState() = 0;
};

class ProductFavoriteController : public PopBaseController, public DetailCellDelegate, public AddToOrderFlowDelegate {
 public:
  static constexpr long kFirstTag = 3000;
  static constexpr double kCellWidth = 220;
  static constexpr double kCellHeight = 215;
  static constexpr std::size_t kPerRow = 5;
  static constexpr double kLongPress = 0.7;

  // Reads and changes the list in the session's database.
  explicit ProductFavoriteController(SessionServices& services) : services_(services.shared_from_this()) {}

  // Keeps the favourites whose product is published, with those products,
  // so that every card, its index and the list it opens agree.
  void setFavArray(const std::vector<marvisto_favorite_Entity>& favorites);
  const std::vector<marvisto_favorite_Entity>& favArray() const { return favArray_; }
  void setFavDelegate(std::weak_ptr<ProductFavoriteDelegate> d) { favDelegate_ = std::move(d); }

  // ---- geometry and the tap rule ----------------------------------------------------------
  static ui::Rect tileFrame(std::size_t index, double gridWidth);
  // The rows counted include an empty last one when the cards fill their rows.
  static double contentHeight(std::size_t count, double gridHeight);
  // Whether the popup's own tap takes a touch: in edit mode one outside every
  // card, else one on a card's picture.
  static bool acceptsTap(bool inEdit, bool inCard, bool inCardPicture);

  // ---- actions ------------------------------------------------------------------------------
  void setInEdit(bool inEdit);
  bool inEdit() const { return inEdit_; }
  void removeAll();
  void deleteSingleFavorite(long index);
  void getFavoriteShowData();

  void didSelectedImage(DetailCell& cell) override;
  void addToOrder(DetailCell& cell) override;
  void deleteCell(DetailCell& cell) override;
  void addToOrderFlowDidAdd(const marvisto_product_Entity& product, std::size_t cellIndex) override;
  void addToOrderFlowOrderReplaced() override;
  void addToOrderFlowPresentChooser(const std::shared_ptr<ui::ViewController>& chooser,
                                    std::size_t cellIndex) override;

  // ---- parts (tests) ---------------------------------------------------------------------------
  ui::ScrollView& favoriteScrollView() const { return *favoriteScrollView_; }
  ui::Button& btnEdit() const { return *btnEdit_; }
  ui::Button& removeAllBtn() const { return *removeAllBtn_; }
  std::shared_ptr<DetailCell> card(std::size_t index) const;
  const std::shared_ptr<AddToOrderFlow>& addFlow() const { return addFlow_; }
  const std::shared_ptr<ui::PopoverController>& addToOrderPopController() const { return addToOrderPopController_; }

  void loadView() override;
  void viewDidLoad() override;
  void updateLanguage(ui::ViewController& sender) override;

 private:
  DataAccessManager& store() const { return services_->database(); }
  void applyWiggle(bool wiggle);
  // The card under a point of the popup's view, and whether the point is on its picture.
  DetailCell* cardAt(ui::Point inView, bool* onPicture) const;
  void handleTap(ui::Point inView);
  void close(bool animated);

  std::vector<marvisto_favorite_Entity> favArray_;
  std::vector<marvisto_product_Entity> products_;
  std::weak_ptr<ProductFavoriteDelegate> favDelegate_;
  std::shared_ptr<ui::ScrollView> favoriteScrollView_;
  std::shared_ptr<ui::Button> btnEdit_, removeAllBtn_;
  std::shared_ptr<ui::TapGestureRecognizer> tapGesturRecognizer_;
  std::vector<std::shared_ptr<DetailCell>> cards_;
  bool inEdit_ = false;
  std::shared_ptr<SessionServices> services_;
  std::shared_ptr<AddToOrderFlow> addFlow_;
  std::shared_ptr<ui::PopoverController> addToOrderPopController_;
  base::Observation background_, foreground_;
};

}  // namespace mv
