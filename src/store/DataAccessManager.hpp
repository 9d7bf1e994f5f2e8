#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"
#include "store/CatalogModel.hpp"
#include "store/ConfigModel.hpp"
#include "store/CustomerModel.hpp"
#include "store/LibraryModel.hpp"
#include "store/ListsModel.hpp"
#include "store/OrderModel.hpp"
#include "store/UserModel.hpp"

namespace mv {

// The client database's operations: each is handed to the model that owns
// its table. `SessionDatabase` opens and closes the session's connection and
// makes this facade over it; `WorkerDatabase` makes one over a worker's
// connection of its own. It works on the thread that owns its connection.
// Writes answer false (or 0) on failure.
class DataAccessManager {
 public:
  static constexpr const char* kDatabaseFileName = "marvisto_lite.sqlite";

  ~DataAccessManager();
  DataAccessManager(const DataAccessManager&) = delete;
  DataAccessManager& operator=(const DataAccessManager&) = delete;

  // Brings every table to the current layout (each model in turn), keeping
  // every row; records the schema version when all succeeded.
  [[nodiscard]] bool updateVersion();
  const std::filesystem::path& databasePath() const { return path_; }
  // Writes of this facade's connection that found the disk full, so far
  // (see SQLiteDatabase::diskFulls).
  std::uint64_t diskFulls() const;

  // Whether the last write that failed on its connection found the disk
  // without room for it; `forgetFailure` starts afresh before the writes
  // asked about (see SQLiteDatabase::lastFailure).
  bool lastFailureFoundDiskFull() const;
  void forgetFailure();

  // Runs `work` in one transaction over every table: committed when it
  // answers true, rolled back with nothing changed when it answers false or
  // the commit fails. Operations that open their own transaction join it.
  [[nodiscard]] bool runInTransaction(const std::function<bool()>& work);
  // The same for a long run of writes (a reply stored in batches): the
  // operations `work` runs join this transaction instead of opening
  // savepoints of their own, and one of them that fails leaves the whole
  // rolled back.
  [[nodiscard]] bool runInBulkTransaction(const std::function<bool()>& work);

  // --- catalogue -------------------------------------------------------------------
  [[nodiscard]] bool saveToDatabaseProduct(const std::vector<marvisto_product_Entity>& v) {
    return catalog_.saveToDatabaseProduct(v);
  }
  [[nodiscard]] bool saveToDatabaseProduct(const std::vector<marvisto_product_Entity>& v, bool dropOldAttributes) {
    return catalog_.saveToDatabaseProduct(v, dropOldAttributes);
  }
  // Whether the store holds any product attribute value / category link.
  [[nodiscard]] bool hasProductAttributes() { return catalog_.hasProductAttributes(); }
  [[nodiscard]] bool hasCategoryLinks() { return catalog_.hasCategoryLinks(); }
  [[nodiscard]] bool saveToDatabaseProductAttribute(const std::vector<marvisto_product_attribute_Entity>& v) {
    return catalog_.saveToDatabaseProductAttribute(v);
  }
  [[nodiscard]] bool saveToDatabaseFieldsProductAttribute(
      const std::vector<marvisto_fields_product_attribute_Entity>& v) {
    return catalog_.saveToDatabaseFieldsProductAttribute(v);
  }
  [[nodiscard]] bool saveToDatabasePxrefC(const std::vector<marvisto_product_category_xref_Entity>& v) {
    return catalog_.saveToDatabasePxrefC(v);
  }
  [[nodiscard]] bool saveToDatabasePxrefC(const std::vector<marvisto_product_category_xref_Entity>& v,
                                          const std::vector<int>& productIds) {
    return catalog_.saveToDatabasePxrefC(v, productIds);
  }
  [[nodiscard]] bool saveToDatabasePxrefC(const std::vector<marvisto_product_category_xref_Entity>& v,
                                          const std::vector<int>& productIds, bool dropOldLinks) {
    return catalog_.saveToDatabasePxrefC(v, productIds, dropOldLinks);
  }
  [[nodiscard]] bool saveToDatabasePrice(const std::vector<marvisto_product_price_Entity>& v) {
    return catalog_.saveToDatabasePrice(v);
  }
  [[nodiscard]] bool saveToDatabaseProductrelated(const std::vector<marvisto_product_related_Entity>& v) {
    return catalog_.saveToDatabaseProductrelated(v);
  }
  [[nodiscard]] bool saveToDatabaseImage(const std::vector<marvisto_image_Entity>& v) {
    return catalog_.saveToDatabaseImage(v);
  }
  [[nodiscard]] bool saveToDatabaseCategory(const std::vector<marvisto_category_Entity>& v) {
    return catalog_.saveToDatabaseCategory(v);
  }
  [[nodiscard]] bool saveToDatabaseProductRelatedFile(const std::vector<marvisto_product_related_files_Entity>& v) {
    return catalog_.saveToDatabaseProductRelatedFile(v);
  }
  [[nodiscard]] bool saveToDatabaseProductTag(const std::vector<marvisto_tag_entity>& v) {
    return catalog_.saveToDatabaseProductTag(v);
  }
  [[nodiscard]] bool saveToDatabaseProductRelatedTag(const std::vector<marvisto_product_related_tag_Entity>& v) {
    return catalog_.saveToDatabaseProductRelatedTag(v);
  }
  [[nodiscard]] bool saveToDatabaseIcon(const std::vector<marvisto_icon_Entity>& v) {
    return catalog_.saveToDatabaseIcon(v);
  }
  std::vector<marvisto_product_Entity> getAllProducts() { return catalog_.getAllProducts(); }
  [[nodiscard]] std::optional<std::int64_t> countProducts() { return catalog_.countProducts(); }
  std::optional<marvisto_product_Entity> getProductByProductId(int id) { return catalog_.getProductByProductId(id); }
  std::vector<marvisto_product_Entity> getProductsByCategory_id(int id) { return catalog_.getProductsByCategory_id(id); }
  std::vector<marvisto_product_Entity> getProductsBySearchString(const std::string& text) {
    return catalog_.getProductsBySearchString(text);
  }
  std::optional<std::vector<marvisto_product_Entity>> getrelatedProductIDsByProductid(int id) {
    return catalog_.getrelatedProductIDsByProductid(id);
  }
  std::vector<std::string> getAllTagsByProductID(int id) { return catalog_.getAllTagsByProductID(id); }
  std::vector<marvisto_tag_entity> getTagsByProductID(int id) { return catalog_.getTagsByProductID(id); }
  std::vector<marvisto_tag_entity> getAllProductTags() { return catalog_.getAllProductTags(); }
  marvisto_category_Entity getCategoryWithCategoryid(int id) { return catalog_.getCategoryWithCategoryid(id); }
  std::vector<marvisto_category_Entity> getCategoryWithParentCategoryid(int id) {
    return catalog_.getCategoryWithParentCategoryid(id);
  }
  [[nodiscard]] int getCategoryCountUnderCategoryid(int id) { return catalog_.getCategoryCountUnderCategoryid(id); }
  [[nodiscard]] int getParentCategoryId(int id) { return catalog_.getParentCategoryId(id); }
  std::vector<product_attribute_cell_Entity> getProductAttributeByProductId(int id) {
    return catalog_.getProductAttributeByProductId(id);
  }
  std::vector<product_attribute_cell_Entity> getProductAttributeFieldInfoByProductId(int id) {
    return catalog_.getProductAttributeFieldInfoByProductId(id);
  }
  marvisto_product_price_Entity getPriceEntityByProductId(int id) { return catalog_.getPriceEntityByProductId(id); }
  std::optional<marvisto_image_Entity> getImageByKeyId(int id) { return catalog_.getImageByKeyId(id); }
  std::optional<std::map<int, marvisto_product_price_Entity>> getPriceOfEveryProduct() {
    return catalog_.getPriceOfEveryProduct();
  }
  std::optional<std::map<int, marvisto_image_Entity>> getImageOfEveryProduct() {
    return catalog_.getImageOfEveryProduct();
  }
  std::vector<marvisto_image_Entity> getManyImageByKeyId(int id) { return catalog_.getManyImageByKeyId(id); }
  // The lists the sync and the backup read are nothing when the read failed,
  // never taken for empty ones.
  std::optional<std::vector<base::Value>> getPublishImages(int publish) { return catalog_.getPublishImages(publish); }
  std::optional<std::vector<std::string>> getPublishedPictureNames() { return catalog_.getPublishedPictureNames(); }
  std::vector<marvisto_library_files_Entity> getProductRelatedFilesByProductId(int id) {
    return catalog_.getProductRelatedFilesByProductId(id);
  }
  std::optional<std::vector<std::string>> getAllIconAddress() { return catalog_.getAllIconAddress(); }
  // The icon's file name; the file lies in the client's configuration images
  // folder (PublicFunction::filePathWithName(name, kFileTypeConfigImage)).
  std::optional<std::string> getFullImagePathByTitle(const std::string& title) {
    return catalog_.getFullImagePathByTitle(title);
  }

  // --- favourites and compare list ------------------------------------------------
  [[nodiscard]] bool saveToDatabaseCompare(int productId, const std::string& sku, const std::string& name) {
    return lists_.saveToDatabaseCompare(productId, sku, name);
  }
  [[nodiscard]] bool saveToDatabaseFavorite(int productId, const std::string& sku, const std::string& name) {
    return lists_.saveToDatabaseFavorite(productId, sku, name);
  }
  std::vector<marvisto_compare_Entity> getCompares() { return lists_.getCompares(); }
  std::vector<marvisto_favorite_Entity> getFavorites() { return lists_.getFavorites(); }
  std::optional<marvisto_compare_Entity> getCompareByCompareId(int id) { return lists_.getCompareByCompareId(id); }
  std::optional<marvisto_favorite_Entity> getFavoriteByFavoriteId(int id) { return lists_.getFavoriteByFavoriteId(id); }
  [[nodiscard]] bool deleteSingleCompareByCompareId(int id) { return lists_.deleteSingleCompareByCompareId(id); }
  [[nodiscard]] bool deleteSingleFavoriteByFavoriteId(int id) { return lists_.deleteSingleFavoriteByFavoriteId(id); }
  [[nodiscard]] bool deleteAllCompare() { return lists_.deleteAllCompare(); }
  [[nodiscard]] bool deleteAllFavorites() { return lists_.deleteAllFavorites(); }
  std::optional<std::vector<base::Value>> getAllFavoriteProductDic() { return lists_.getAllFavoriteProductDic(); }
  std::optional<std::vector<base::Value>> getAllComparesDic() { return lists_.getAllComparesDic(); }

  // --- library ---------------------------------------------------------------------
  [[nodiscard]] bool saveToDatabaseLibraryFiles(const std::vector<marvisto_library_files_Entity>& v) {
    return library_.saveToDatabaseLibraryFiles(v);
  }
  [[nodiscard]] bool saveLibraryFileToDatabase(const marvisto_library_files_Entity& f) {
    return library_.saveLibraryFileToDatabase(f);
  }
  [[nodiscard]] bool saveToDatabaseLibraryCategory(const std::vector<marvisto_library_category_Entity>& v) {
    return library_.saveToDatabaseLibraryCategory(v);
  }
  [[nodiscard]] bool updateOldNewFlags() { return library_.updateOldNewFlags(); }
  std::vector<marvisto_library_files_Entity> getAllLibFiles() { return library_.getAllLibFiles(); }
  [[nodiscard]] std::optional<std::int64_t> countLibFiles() { return library_.countLibFiles(); }
  std::vector<marvisto_library_files_Entity> getAllLibFilesOrderByDate() { return library_.getAllLibFilesOrderByDate(); }
  std::vector<marvisto_library_files_Entity> getAllLibFilesOrderByType() { return library_.getAllLibFilesOrderByType(); }
  std::vector<marvisto_library_files_Entity> getAllLibFilesOrderByCMS() { return library_.getAllLibFilesOrderByCMS(); }
  std::vector<marvisto_library_files_Entity> getLibFilesBysearchName(const std::string& text, LibraryFileOrder order) {
    return library_.getLibFilesBysearchName(text, order);
  }
  // The clause is one of "LOWER(title)", "date desc", "type desc", "ordering";
  // anything else orders by title.
  std::vector<marvisto_library_files_Entity> getLibFilesBysearchName(const std::string& text,
                                                                     const std::string& orderBy) {
    return library_.getLibFilesBysearchName(text, orderBy);
  }
  std::vector<marvisto_library_files_Entity> getLibFilesBycatalogId(int id) { return library_.getLibFilesBycatalogId(id); }
  std::vector<marvisto_library_files_Entity> getLibraryFilesByCategory_id(int id) {
    return library_.getLibraryFilesByCategory_id(id);
  }
  std::optional<marvisto_library_files_Entity> getFilesByFileId(int id) { return library_.getFilesByFileId(id); }
  std::optional<std::string> getFileNameById(int id) { return library_.getFileNameById(id); }
  std::optional<std::string> getCoverImageByFileName(const std::string& n) { return library_.getCoverImageByFileName(n); }
  std::optional<std::string> getTitleByFileName(const std::string& n) { return library_.getTitleByFileName(n); }
  std::optional<std::string> getFileTypeByFileName(const std::string& n) { return library_.getFileTypeByFileName(n); }
  std::optional<std::vector<std::string>> getAllFilesImg() { return library_.getAllFilesImg(); }
  std::vector<marvisto_lib_category_cell_entity> getCategoryFilesCount() { return library_.getCategoryFilesCount(); }
  std::vector<marvisto_library_category_Entity> getLibraryCategorys() { return library_.getLibraryCategorys(); }
  std::vector<marvisto_library_category_Entity> getLibSubCategoriesByParentCategoryID(int id) {
    return library_.getLibSubCategoriesByParentCategoryID(id);
  }
  std::optional<marvisto_library_category_Entity> getLibraryCategoryByCategoryid(int id) {
    return library_.getLibraryCategoryByCategoryid(id);
  }
  [[nodiscard]] int getLibParentCategoryIDByCategoryID(int id) {
    return library_.getLibParentCategoryIDByCategoryID(id);
  }
  [[nodiscard]] bool saveToDatabaseLibraryUpdate(const marvisto_library_files_update_Entity& u) {
    return library_.saveToDatabaseLibraryUpdate(u);
  }
  std::optional<marvisto_library_files_update_Entity> getLibFileUpdateByFileID(int id) {
    return library_.getLibFileUpdateByFileID(id);
  }
  std::vector<int> getAllLibFileUpdateIDs() { return library_.getAllLibFileUpdateIDs(); }
  [[nodiscard]] bool deleteFileUpdateWithFileID(int id) { return library_.deleteFileUpdateWithFileID(id); }
  [[nodiscard]] bool saveToDatabaseLibraryFavorite(int id, const std::string& name) {
    return library_.saveToDatabaseLibraryFavorite(id, name);
  }
  std::optional<marvisto_library_favorite_Entity> getLibraryFavoriteByFavoriteId(int id) {
    return library_.getLibraryFavoriteByFavoriteId(id);
  }
  [[nodiscard]] bool deleteLibraryFavoriteByFavoriteId(int id) {
    return library_.deleteLibraryFavoriteByFavoriteId(id);
  }
  [[nodiscard]] bool clearAllLibraryFavorites() { return library_.clearAllLibraryFavorites(); }
  std::optional<std::vector<base::Value>> getAllFavoriteLibFilesDic() { return library_.getAllFavoriteLibFilesDic(); }

  // --- customers -------------------------------------------------------------------
  [[nodiscard]] bool saveToDatabaseCustomer(const std::vector<marvisto_customer_Entity>& v) {
    return customer_.saveToDatabaseCustomer(v);
  }
  [[nodiscard]] bool saveToDatabaseCustomerAttribute(const std::vector<marvisto_customer_attribute_Entity>& v) {
    return customer_.saveToDatabaseCustomerAttribute(v);
  }
  [[nodiscard]] bool saveToDatabaseFieldsCustomerAttribute(
      const std::vector<marvisto_fields_customer_attribute_Entity>& v) {
    return customer_.saveToDatabaseFieldsCustomerAttribute(v);
  }
  [[nodiscard]] bool saveToDatabaseCustomerAddress(const std::vector<marvisto_customer_address_Entity>& v) {
    return customer_.saveToDatabaseCustomerAddress(v);
  }
  [[nodiscard]] bool saveToDatabaseCustomerContact(const std::vector<marvisto_customer_contact_entity>& v) {
    return customer_.saveToDatabaseCustomerContact(v);
  }
  std::map<int, CustomerInfoEntry> getAllCustomers(bool showHidden) { return customer_.getAllCustomers(showHidden); }
  [[nodiscard]] std::optional<std::map<int, CustomerInfoEntry>> readAllCustomers(bool showHidden) {
    return customer_.readAllCustomers(showHidden);
  }
  [[nodiscard]] bool readEachCustomer(bool showHidden, const std::function<bool(int, CustomerInfoEntry&&)>& each) {
    return customer_.readEachCustomer(showHidden, each);
  }
  [[nodiscard]] std::optional<std::optional<CustomerInfoEntry>> getCustomer(int id, bool showHidden) {
    return customer_.getCustomer(id, showHidden);
  }
  [[nodiscard]] std::optional<std::vector<int>> getLocalCustomerIds() { return customer_.getLocalCustomerIds(); }
  [[nodiscard]] std::optional<std::int64_t> countCustomers() { return customer_.countCustomers(); }
  std::vector<customer_attribute_cell_Entity> getAllAttributes() { return customer_.getAllAttributes(); }
  std::vector<customer_attribute_cell_Entity> getAllAddressAttributes() { return customer_.getAllAddressAttributes(); }
  std::vector<customer_attribute_cell_Entity> getAllDisplayedAttributes() {
    return customer_.getAllDisplayedAttributes();
  }
  std::vector<marvisto_customer_attribute_Entity> getCustomerAttributes(int id) {
    return customer_.getCustomerAttributes(id);
  }
  std::optional<marvisto_customer_Entity> getCustomerByCustomerName(const std::string& name) {
    return customer_.getCustomerByCustomerName(name);
  }
  [[nodiscard]] int getLastLocalCustomerId() { return customer_.getLastLocalCustomerId(); }
  [[nodiscard]] int getLastLocalCustomerAddressId() { return customer_.getLastLocalCustomerAddressId(); }
  [[nodiscard]] int getLastLocalCustomerAttributesId() { return customer_.getLastLocalCustomerAttributesId(); }
  [[nodiscard]] int getLastLocalCustomerContactsId() { return customer_.getLastLocalCustomerContactsId(); }
  [[nodiscard]] bool deleteCustomerTableWithID(int id) { return customer_.deleteCustomerTableWithID(id); }
  [[nodiscard]] bool updateAddressToDefault(int customerId, int indexId) {
    return customer_.updateAddressToDefault(customerId, indexId);
  }
  [[nodiscard]] bool updateContactToDefault(int customerId, int contact) {
    return customer_.updateContactToDefault(customerId, contact);
  }
  [[nodiscard]] std::optional<std::optional<int>> customerOfRow(CustomerModel::UploadedRow table, int id) {
    return customer_.customerOfRow(table, id);
  }
  [[nodiscard]] std::optional<std::optional<int>> uploadedFrom(int customerId) {
    return customer_.uploadedFrom(customerId);
  }
  [[nodiscard]] bool noteStoredCustomersUploaded() { return customer_.noteStoredCustomersUploaded(); }
  [[nodiscard]] bool makeWayForLocalCopy(int localId, int serviceId, const std::vector<int>& replacedAddresses,
                                         const std::vector<int>& replacedAttributes,
                                         const std::vector<int>& replacedContacts) {
    return customer_.makeWayForLocalCopy(localId, serviceId, replacedAddresses, replacedAttributes, replacedContacts);
  }
  [[nodiscard]] bool updateCustomerTable(const std::vector<marvisto_customer_Entity>& v) {
    return customer_.updateCustomerTable(v);
  }
  [[nodiscard]] bool updateCustomerAddressTable(const std::vector<marvisto_customer_address_Entity>& v) {
    return customer_.updateCustomerAddressTable(v);
  }
  [[nodiscard]] bool updateCustomerAttributeTable(const std::vector<marvisto_customer_attribute_Entity>& v) {
    return customer_.updateCustomerAttributeTable(v);
  }
  [[nodiscard]] bool updateContactIdAfterUpload(const std::vector<marvisto_customer_contact_entity>& v) {
    return customer_.updateContactIdAfterUpload(v);
  }
  [[nodiscard]] bool updateCustomerTableHasNoteWithCustomerId(int id, int hasNote) {
    return customer_.updateCustomerTableHasNoteWithCustomerId(id, hasNote);
  }
  [[nodiscard]] bool updateCustomerTableHiddenWithCustomerId(int id, int withHidden) {
    return customer_.updateCustomerTableHiddenWithCustomerId(id, withHidden);
  }
  [[nodiscard]] bool updateCustomerTableImportantWithCustomerId(int id, int withImportant) {
    return customer_.updateCustomerTableImportantWithCustomerId(id, withImportant);
  }
  [[nodiscard]] bool updateCustomerTableNoteWithCustomerId(int id, const std::string& withNote) {
    return customer_.updateCustomerTableNoteWithCustomerId(id, withNote);
  }
  [[nodiscard]] bool isInUnsubmitOrder(int customerId) { return order_.isInUnsubmitOrder(customerId); }

  // --- quote orders ----------------------------------------------------------------
  [[nodiscard]] int saveQuoteOrder(QuoteOrderEntity& order) { return order_.saveQuoteOrder(order); }
  [[nodiscard]] int replaceQuoteOrder(QuoteOrderEntity& order) { return order_.replaceQuoteOrder(order); }
  // 0 for no order.
  [[nodiscard]] int saveQuoteOrder(const std::shared_ptr<QuoteOrderEntity>& order) {
    return order ? order_.saveQuoteOrder(*order) : 0;
  }
  [[nodiscard]] bool removeQuoteOrder(int id) { return order_.removeQuoteOrder(id); }
  [[nodiscard]] bool removeQuoteOrderItemsByQuoteOrderID(int id) {
    return order_.removeQuoteOrderItemsByQuoteOrderID(id);
  }
  std::vector<std::shared_ptr<QuoteOrderEntity>> fetchQuoteOrders(int condition, const std::string& text) {
    return order_.fetchQuoteOrders(condition, text);
  }
  std::vector<std::shared_ptr<QuoteOrderItemEntity>> fetchQuoteOrderItemsWithQuoteOrder(int id) {
    return order_.fetchQuoteOrderItemsWithQuoteOrder(id);
  }
  std::string fetchQuoteOrdersDicString(int id, bool customersShown) {
    return order_.fetchQuoteOrdersDicString(id, customersShown);
  }
  [[nodiscard]] bool setQuoteOrdersToUploaded(int id, bool customersShown) {
    return order_.setQuoteOrdersToUploaded(id, customersShown);
  }
  [[nodiscard]] bool setQuoteOrdersUploadedWithOrderNumber(const std::string& n) {
    return order_.setQuoteOrdersUploadedWithOrderNumber(n);
  }
  [[nodiscard]] bool setQuoteOrdersUploadedWithOrderNumbers(const std::vector<std::string>& numbers) {
    return order_.setQuoteOrdersUploadedWithOrderNumbers(numbers);
  }
  [[nodiscard]] bool updateOrderIDWithOrderNumber(const std::string& n, int newOrderID) {
    return order_.updateOrderIDWithOrderNumber(n, newOrderID);
  }
  [[nodiscard]] bool updateOrderTable(const std::vector<marvisto_customer_Entity>& v) {
    return order_.updateOrderTable(v);
  }
  [[nodiscard]] int numberOfAllSubmittedOrder() { return order_.numberOfAllSubmittedOrder(); }
  std::optional<std::string> retriveEarliestSubmittedOrderTime() { return order_.retriveEarliestSubmittedOrderTime(); }
  double timeDurationOfAllSubmittedOrder() { return order_.timeDurationOfAllSubmittedOrder(); }
  [[nodiscard]] bool updateLocalHistoryOrderFromServer(const base::Value& d) {
    return order_.updateLocalHistoryOrderFromServer(d);
  }
  [[nodiscard]] int updateLocalHistoryPageFromServer(const std::vector<base::Value>& orders,
                                                     const std::vector<base::Value>& lines) {
    return order_.updateLocalHistoryPageFromServer(orders, lines);
  }
  [[nodiscard]] bool updateLocalHistoryOrderItemFromServer(const base::Value& d) {
    return order_.updateLocalHistoryOrderItemFromServer(d);
  }
  [[nodiscard]] bool updateOrderSignature(const std::string& signature, int orderId) {
    return order_.updateOrderSignature(signature, orderId);
  }
  std::optional<base::Value> fetchBackupOuoteOrdersDic() { return order_.fetchBackupOuoteOrdersDic(); }
  [[nodiscard]] bool removeAllLoaclOrders() { return order_.removeAllLoaclOrders(); }
  static bool isPlausibleBackupOrder(const base::Value& order) { return OrderModel::isPlausibleBackupOrder(order); }
  [[nodiscard]] bool restoreUnsubmittedOrderFromDic(const base::Value& d) {
    return order_.restoreUnsubmittedOrderFromDic(d);
  }

  // --- configuration and local users ---------------------------------------------
  [[nodiscard]] bool syncConfigData(const std::vector<ConfigEntity>& v) { return config_.syncConfigData(v); }
  std::optional<ConfigEntity> queryConfig(const std::string& type) { return config_.queryConfig(type); }
  [[nodiscard]] bool deleteConfig() { return config_.deleteConfig(); }
  [[nodiscard]] bool saveUserInfo(const LoginInfo& info) { return user_.saveUserInfo(info); }
  std::string checkLocalUserInfo(const LoginInfo& info) { return user_.checkLocalUserInfo(info); }
  std::optional<LoginInfo> getUserInfo(const std::string& userName) { return user_.getUserInfo(userName); }

 private:
  friend class SessionDatabase;
  friend class WorkerDatabase;
  DataAccessManager(SQLiteDatabase& db, std::filesystem::path path);

  SQLiteDatabase& db_;
  std::filesystem::path path_;
  CatalogModel catalog_;
  ListsModel lists_;
  LibraryModel library_;
  CustomerModel customer_;
  OrderModel order_;
  ConfigModel config_;
  UserModel user_;
};

}  // namespace mv
