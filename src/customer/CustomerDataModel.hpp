#pragma once
// The customer directory of the signed-in account: the book of every
// customer the customer screens may show (what the lists draw and sort of
// each, in id order and by name, and what the searches read), the customer
// attribute fields, the creation of a customer from the order screens, and
// the upload of customers made on the device. A customer's details are read
// from the store when they are shown. One per session, owned by the
// session's services; it is the sync engine's customer model. The book is
// read on a worker, the first one too, and swapped in whole once read: after
// a sync stored customers, or when the show-all switch calls for it. A
// change the screens make changes the book in place for that customer alone.
// Its listeners hear of either. Main thread only.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "customer/ContactMode.hpp"
#include "customer/CustomerBook.hpp"
#include "customer/CustomerGrouping.hpp"
#include "customer/PersonInfo.hpp"
#include "customer/PersonSummary.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/base/Value.hpp"
#include "platform/base/WorkQueue.hpp"
#include "store/Entities.hpp"
#include "sync/SyncCustomerModel.hpp"

namespace mv {

class CustomerBookListener;
class CustomerInfoGroupData;
class ConfigManager;
class DataAccessManager;
class NetBaseRst;
class RequestSender;
class SessionServices;
class SubmitCustomerRst;
struct CustomerUploadIds;

class CustomerDataModel : public SyncCustomerModel {
 public:
  // Posted after every upload reply; the user info is true after a
  // successful upload whose ids were stored, false otherwise.
  static constexpr const char* kUploadCustomerRespond = "UPLOADCUSTOMERRESPOND";
  // How long the wait box of an upload waits for its reply at most.
  static constexpr double kUploadWaitSeconds = 300;

  // Reads the attribute fields from the session's store, and the book
  // beside the window: until it has landed the book holds only what the
  // screens changed meanwhile (see `isBookRead`).
  explicit CustomerDataModel(SessionServices& services);
  // The current session's directory (made on first use); null while nobody
  // is signed in.
  static std::shared_ptr<CustomerDataModel> sharedInstance();
  // The session ends: uploads on their way are cancelled.
  void sessionEnded();

  ~CustomerDataModel() override;
  CustomerDataModel(const CustomerDataModel&) = delete;
  CustomerDataModel& operator=(const CustomerDataModel&) = delete;

  // --- the directory ---------------------------------------------------------------
  // Whether a whole book has landed since the directory was made. Before,
  // the book holds only the customers the screens changed meanwhile, and
  // its answers are not the book's.
  bool isBookRead() const { return bookRead_; }
  // `then` now when the book has landed, else once it lands.
  void whenBookRead(std::function<void()> then);
  // The customers the book shows (hidden ones with the show-all switch on),
  // in id order. Records are never changed: a change puts a new one in.
  const PersonRecords& customerInfoDic() const { return book_.persons(); }
  // The record of that customer; null when the book shows none of that id.
  std::shared_ptr<const PersonSummary> customer(int customerId) const { return book_.find(customerId); }
  // That customer whole, read from the store: an empty inner value when the
  // book shows none of that id; nothing when the read failed.
  std::optional<std::optional<PersonInfo>> details(int customerId) const;
  // A book of these entries, as a read of the store would make it.
  void setCustomerInfoDic(std::map<int, CustomerInfoEntry> dic);
  // The same by name (blank names last), as the search results list them.
  PersonRecords customersByName() const;
  // The order of customerInfoDic() by name, with each name's letter.
  const NameOrder& nameOrder() const { return book_.names(); }
  // The customer list's sections of the book grouped in `mode`: those made
  // on the worker with a book read beside the window, else made now. The
  // grouping is kept, and a book read beside comes with its sections.
  std::vector<CustomerInfoList> sections(int mode, const std::string& importantTitle);
  // The published customer attribute fields (fieldName, field_id).
  const std::vector<customer_attribute_cell_Entity>& allAttributes() const { return allAttributes_; }
  // Those of them the company shows on a customer: the form's fields.
  const std::vector<customer_attribute_cell_Entity>& displayedAttributes() const { return displayedAttributes_; }
  // The listener hears of every change from now on, for as long as it lives.
  void addListener(std::weak_ptr<CustomerBookListener> listener);

  // Re-reads the customers (hidden ones with the show-all switch on) and the
  // attribute fields from the store, here and now.
  void reloadCustomerData() override;
  // The same on a worker; the book is swapped in once read. Changes made
  // meanwhile are read again after it. The read counts as one a screen
  // waits for.
  void reloadCustomerDataBeside() override;
  // Whether a read beside the window is under way.
  bool isReadingBeside() const { return readingBeside_; }
  // `then` now when no read beside is under way, else once the one under
  // way has landed or failed.
  void whenReadBesideEnds(std::function<void()> then);
  // The customers of the book that are not hidden, after a reload when asked.
  PersonRecords getNoHiddenCustomerData(bool reload);

  // The book's searches (see CustomerBook); nothing until the book has
  // landed, so that no caller takes the empty book for no customer found.
  std::optional<PersonRecords> customerSearch(const std::string& text) const;
  std::optional<std::vector<ContactMode>> customerSearchByContact(const std::string& text) const;

  // Changes the customer's flag in the book only (the store is the
  // caller's); an unknown id changes nothing. Hidden while the book shows
  // no hidden customers, it leaves the book.
  void updateCustomerInfoDic(int customerId, std::optional<bool> hidden, std::optional<bool> important);
  void updateCustomerInfoDicWithHidden(int customerId, int hidden) { updateCustomerInfoDic(customerId, hidden != 0, {}); }
  void updateCustomerInfoDicWithImportant(int customerId, int important) {
    updateCustomerInfoDic(customerId, {}, important != 0);
  }

  // "Address", "City", "State/Province/Region", "Zip Code" of the customer's
  // default address (else of its address attributes), and "Phone", "Bank
  // Account" and "Active" of its attributes, read from the store. Empty for
  // an id the book does not show (or a failed read).
  std::map<std::string, std::string> getDefaultAddressByCustomer(int customerId) const;

  // Stores a new local customer with its seven standard attribute rows, all
  // or nothing, and puts it in the book. The new id, or 0 when nothing could be stored.
  [[nodiscard]] int saveCustomerWithName(const std::string& name, const std::optional<std::string>& street,
                                         const std::optional<std::string>& city,
                                         const std::optional<std::string>& state,
                                         const std::optional<std::string>& zipCode);

  std::vector<customer_attribute_cell_Entity> allAddressAttributes() const;

  // --- changes made on the customer screens ------------------------------------------
  // Each stores the change and keeps the book in step; false when the store
  // refused it, and then nothing changed.
  [[nodiscard]] bool storeHidden(int customerId, bool hidden);
  [[nodiscard]] bool storeImportant(int customerId, bool important);
  // The customer's note mark; either way the old text goes.
  [[nodiscard]] bool storeNoteMark(int customerId, bool hasNote);
  [[nodiscard]] bool storeNote(int customerId, const std::string& note);
  // The customer's primary address (0: its address attributes) or contact.
  [[nodiscard]] bool storeDefaultAddress(int customerId, int addressId);
  [[nodiscard]] bool storeDefaultContact(int customerId, int contactId);
  // Stores the customer the form confirmed, all or nothing, and reads it
  // into the book: a new one under the next local id, or the local customer `editedId` in
  // place, keeping its id (so its orders still name it), its flags, note,
  // discount and ordering, and its values of fields the form does not show.
  // The customer's id, or 0 when nothing was stored (an edited customer that
  // is gone, synced or on its way to the service is refused).
  [[nodiscard]] int storeCustomer(const CustomerInfoGroupData& data, int editedId = 0);
  enum class DeleteResult { Deleted, NamedByOrder, Failed };
  // Deletes a customer made on the device, from the book too; one that a
  // stored order names is kept, since the order would name nobody.
  [[nodiscard]] DeleteResult deleteLocalCustomer(int customerId);
  // The backup's document of every customer made on the device, hidden ones
  // included, read from the store.
  base::Value allUnsubmittedCustomerDic() const;
  // Deletes every customer made on the device; the directory is not reloaded.
  [[nodiscard]] bool deleteAllUnsubmittedCustomer();

  // --- upload --------------------------------------------------------------------------
  // Uploads that customer. The request code, or 0 when nothing was sent: the
  // customer is already on its way (its reply will be posted) or the
  // document could not be written.
  int submitCustomer(int customerId);
  // Uploads every local customer that a stored quote order names and that
  // is not already on its way; with none at all it sends the empty document,
  // so that the reply is posted as for any upload. 0 when nothing was sent.
  int submitAllLocalCustomer();
  // The upload document of those ids: the four lists, built from the store
  // (hidden customers included); ids without a stored customer are left out.
  base::Value getCustomerDicById(const std::vector<int>& ids) const;
  std::optional<std::string> getCustomerInfoById(const std::vector<int>& ids) const;
  // Sends the document; `ids` are on their way until its reply.
  int submitCustomerInfo(const std::string& json, const std::vector<int>& ids);
  // Local customers whose upload has no reply yet.
  const std::set<int>& customersInFlight() const { return inFlight_; }
  // The id a customer has now: the service's, for a local customer uploaded
  // since the directory was made; else the same.
  int idAfterUpload(int customerId) const;
  // The user left the wait for the upload that carries `customerId`: its
  // reply, should it still come, changes nothing, and its customers stay
  // local and unsubmitted, as after a failed upload. False when no upload
  // carries it.
  bool abandonUpload(int customerId);
  // The user says each local customer of `pairs` is the same as the stored
  // customer paired with it, which the service named as one this device may
  // have uploaded: they are sent again, and a reply that gives them those
  // customers' ids and rows makes each pair one customer.
  void combineWithStored(const std::vector<std::pair<int, int>>& pairs);

 private:
  void load();
  // The book read on a worker and swapped in once read; the read begins on
  // the next turn, or now.
  void readBeside(bool nextTurn);
  bool showsHidden() const;
  // Writes the service's ids of an upload into every customer table and the
  // stored orders, all or nothing.
  bool remapUploadedIds(const CustomerUploadIds& ids);
  // The reply to the upload of `ids`.
  void uploadAnswered(const std::vector<int>& ids, const SubmitCustomerRst& reply);
  // The upload of `ids` is over without an answer for the customer book.
  void endFlight(const std::vector<int>& ids);
  // Tells the screens and the user that an upload did not go through, for
  // `cause`; its customers stay local.
  void uploadFailed(const std::string& cause);
  // Tells the user which local customers became one with the service's copy.
  void tellCombined(const CustomerUploadIds& ids);
  // An upload document that could not be written: 0, reported as failed.
  int documentFailed();

  // The list's grouping of the book, kept so that a read beside makes it.
  struct Grouping {
    int mode = 0;
    std::string importantTitle;
    bool operator==(const Grouping&) const = default;
  };
  // What a load reads from a store and makes of it, on any thread with a
  // store of its own; nothing when the store could not be read or the read
  // was cancelled.
  struct Loaded {
    CustomerBook book;
    std::vector<customer_attribute_cell_Entity> allAttributes;
    std::vector<customer_attribute_cell_Entity> displayedAttributes;
    std::optional<std::vector<CustomerInfoList>> sections;
  };
  static std::optional<Loaded> read(DataAccessManager& store, bool showAll, const std::optional<Grouping>& grouping,
                                    const base::CancelFlag& cancelled);
  // Swaps `loaded` in and tells the listeners; it holds the old book after.
  void take(Loaded& loaded);
  // Frees the book a read replaced, and what the read freed, on a worker.
  static void retire(std::optional<Loaded>&& old);
  // Puts `after` (null: nothing) in the book in place of customer `id`,
  // searched by the fields of `entry` (null: as before), and tells the
  // listeners.
  void replace(int id, std::shared_ptr<const PersonSummary> after, const CustomerInfoEntry* entry);
  // Reads those customers from the store again into the book; a read that
  // fails reads the whole book again beside the window.
  void refresh(const std::set<int>& ids);
  // Puts the record of `id` changed by `edit` in its place; false for an
  // unknown id.
  template <typename Edit>
  bool changeRecord(int id, Edit edit);
  // The book has landed: those waiting for it hear of it.
  void bookLanded();

  std::shared_ptr<DataAccessManager> database_;
  // Whether the user shows the hidden customers too.
  std::shared_ptr<ConfigManager> config_;
  std::shared_ptr<RequestSender> sender_;
  CustomerBook book_;
  bool bookRead_ = false;
  std::vector<std::function<void()>> waitingForBook_;
  std::vector<std::function<void()>> waitingForReadBeside_;
  // The list's grouping, and its sections made with the last book read
  // beside (until a change or the list takes them).
  std::optional<Grouping> grouping_;
  std::optional<std::vector<CustomerInfoList>> preparedSections_;
  std::vector<std::weak_ptr<CustomerBookListener>> listeners_;
  std::vector<customer_attribute_cell_Entity> allAttributes_;
  std::vector<customer_attribute_cell_Entity> displayedAttributes_;
  std::set<int> inFlight_;
  // The customers of each upload on its way, by flight; an abandoned flight
  // is taken out, and its reply is then ignored.
  std::map<std::uint64_t, std::vector<int>> flights_;
  // Local customers uploaded since the directory was made: their service ids.
  std::map<int, int> uploadedAs_;
  std::uint64_t lastFlight_ = 0;
  // The uploads on their way; cancelled when the session ends or the model
  // is freed, so no reply reaches a model that is gone.
  base::CancelTracker uploads_;
  // Local customers the user said are the stored customer paired with them,
  // until an upload of them is answered.
  std::map<int, int> sameAsStored_;
  // The read under way on a worker, if any, and the customers changed in
  // place since it began, which it may have missed.
  base::CancelTracker loads_;
  bool readingBeside_ = false;
  std::set<int> changedWhileReading_;
};

}  // namespace mv
