#include "customer/CustomerDataModel.hpp"

#include <malloc.h>

#include <algorithm>
#include <utility>

#include "customer/CustomerBookListener.hpp"
#include "customer/CustomerFormRecords.hpp"
#include "customer/CustomerInfoGroupData.hpp"
#include "customer/CustomerOrderLinks.hpp"
#include "customer/CustomerUploadIds.hpp"
#include "customer/CustomerUploadRefusals.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/AlertView.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/config/Language.hpp"
#include "shell/frame/MessageBox.hpp"
#include "store/DataAccessManager.hpp"
#include "store/WorkerDatabase.hpp"
#include "sync/RequestSender.hpp"
#include "sync/requests/RequestUploadCustomer.hpp"
#include "sync/SessionServices.hpp"
#include "sync/UnsubmittedCustomerModel.hpp"
#include "util/Json.hpp"
#include "util/JsonWriter.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

// The id of the first field of that name, 0 when there is none.
int fieldId(const std::vector<customer_attribute_cell_Entity>& fields, const std::string& name) {
  for (const auto& f : fields) {
    if (f.fieldName == name) return f.field_id;
  }
  return 0;
}


}  // namespace

// --- lifecycle -----------------------------------------------------------------------------

std::shared_ptr<CustomerDataModel> CustomerDataModel::sharedInstance() {
  auto services = SessionServices::current();
  return services ? services->get<CustomerDataModel>() : nullptr;
}

CustomerDataModel::CustomerDataModel(SessionServices& services)
    : database_(services.databaseHandle()), config_(services.get<ConfigManager>()), sender_(services.requestSender()) {
  MV_ASSERT_MAIN_THREAD();
  // The fields are a few rows: a new customer can be entered at once.
  allAttributes_ = database_->getAllAttributes();
  displayedAttributes_ = database_->getAllDisplayedAttributes();
  // The list shows the book by name first: its sections are made with it.
  grouping_ = Grouping{CustomerGrouping::kByName, CustomerGrouping::importantTitle()};
  // The read begins on the next turn: the turn that asked for the book (a
  // tab's first showing) draws its screen without a worker at its side.
  readBeside(true);
}

void CustomerDataModel::sessionEnded() { uploads_.cancelAll(); }

// A book of hundreds of thousands ends on a worker, not at the sign-out.
CustomerDataModel::~CustomerDataModel() { base::WorkQueue::global().dispose(std::move(book_)); }

// Without a configuration every customer shows, as for a user who never chose.
bool CustomerDataModel::showsHidden() const { return !config_ || config_->isShowAllCustomer(); }

void CustomerDataModel::addListener(std::weak_ptr<CustomerBookListener> listener) {
  MV_ASSERT_MAIN_THREAD();
  listeners_.push_back(std::move(listener));
}

void CustomerDataModel::whenBookRead(std::function<void()> then) {
  MV_ASSERT_MAIN_THREAD();
  if (bookRead_) {
    then();
    return;
  }
  waitingForBook_.push_back(std::move(then));
}

void CustomerDataModel::whenReadBesideEnds(std::function<void()> then) {
  MV_ASSERT_MAIN_THREAD();
  if (!readingBeside_) {
    then();
    return;
  }
  waitingForReadBeside_.push_back(std::move(then));
}

void CustomerDataModel::load() {
  MV_ASSERT_MAIN_THREAD();
  auto loaded = read(*database_, showsHidden(), grouping_, base::CancelFlag());
  if (!loaded) {
    // The book stays as it was rather than show nobody.
    MV_LOG("customers: the customer book could not be read");
    return;
  }
  take(*loaded);
  retire(std::move(loaded));
}

void CustomerDataModel::reloadCustomerData() { load(); }

void CustomerDataModel::reloadCustomerDataBeside() { readBeside(false); }

void CustomerDataModel::readBeside(bool nextTurn) {
  MV_ASSERT_MAIN_THREAD();
  loads_.cancelAll();
  // Whatever changed in place before now is in the store the worker reads.
  readingBeside_ = true;
  changedWhileReading_.clear();
  auto loaded = std::make_shared<std::optional<Loaded>>();
  auto arrived = loads_.guard([this, loaded] {
    readingBeside_ = false;
    const std::set<int> changed = std::move(changedWhileReading_);
    changedWhileReading_.clear();
    // Told last, whichever way the read ended.
    struct Ended {
      CustomerDataModel& model;
      ~Ended() {
        for (auto& then : std::exchange(model.waitingForReadBeside_, {})) then();
      }
    } ended{*this};
    if (!*loaded) {
      // A book read before stays as it was rather than show nobody; the
      // first one is read again when the screens ask.
      MV_LOG("customers: the customer book could not be read");
      if (bookRead_) return;
      for (const auto& weak : std::vector(listeners_)) {
        if (auto listener = weak.lock()) listener->bookNotRead();
      }
      return;
    }
    take(**loaded);
    // Those the read may have missed are read again, as they are now.
    refresh(changed);
  });
  auto start = [this, loaded, arrived, underWay = base::holdAwaitedRead()] {
    base::CancelFlag flag = base::WorkQueue::global().async(
        [path = database_->databasePath(), showAll = showsHidden(), grouping = grouping_, loaded, arrived,
         underWay](const base::CancelFlag& cancelled) {
          if (auto worker = WorkerDatabase::open(path)) *loaded = read(worker->store(), showAll, grouping, cancelled);
          if (cancelled.isCancelled()) loaded->reset();
          // The superseded book ends here too, off the main thread.
          base::RunLoop::main().post([arrived, loaded, underWay] {
            arrived();
            retire(std::move(*loaded));
          });
        });
    // A read superseded stops where it is.
    loads_.track([flag]() mutable { flag.cancel(); });
  };
  if (nextTurn) {
    loads_.after(0, std::move(start));
  } else {
    start();
  }
}

std::optional<CustomerDataModel::Loaded> CustomerDataModel::read(DataAccessManager& store, bool showAll,
                                                                  const std::optional<Grouping>& grouping,
                                                                  const base::CancelFlag& cancelled) {
  Loaded out;
  // One customer at a time: what the book holds of it is made as it comes.
  const bool read = store.readEachCustomer(showAll, [&](int id, CustomerInfoEntry&& entry) {
    out.book.append(id, entry);
    return !cancelled.isCancelled();
  });
  if (!read || cancelled.isCancelled()) return std::nullopt;
  out.book.finish();
  out.allAttributes = store.getAllAttributes();
  out.displayedAttributes = store.getAllDisplayedAttributes();
  if (grouping) {
    out.sections = CustomerGrouping::groupAndOrder(out.book.persons(), out.book.names(), grouping->mode,
                                                   grouping->importantTitle);
  }
  return out;
}

void CustomerDataModel::retire(std::optional<Loaded>&& old) {
  base::WorkQueue::global().async(
      [old = std::make_shared<std::optional<Loaded>>(std::move(old))](const base::CancelFlag&) {
        old->reset();
        // A book of a hundred thousand customers freed tens of megabytes while
        // it was read: they go back to the system rather than stay with an
        // idle application (going through the heap takes a while, off the
        // main thread too).
        malloc_trim(0);
      });
}

void CustomerDataModel::take(Loaded& loaded) {
  // A read under way on a worker began before this one.
  loads_.cancelAll();
  readingBeside_ = false;
  changedWhileReading_.clear();
  std::swap(book_, loaded.book);
  std::swap(allAttributes_, loaded.allAttributes);
  std::swap(displayedAttributes_, loaded.displayedAttributes);
  preparedSections_ = std::move(loaded.sections);
  loaded.sections.reset();
  bookRead_ = true;
  for (const auto& weak : std::vector(listeners_)) {
    if (auto listener = weak.lock()) listener->bookReplaced();
  }
  std::erase_if(listeners_, [](const auto& weak) { return weak.expired(); });
  // Sections a listener did not take would only hold records.
  preparedSections_.reset();
  bookLanded();
}

void CustomerDataModel::bookLanded() {
  for (auto& then : std::exchange(waitingForBook_, {})) then();
}

void CustomerDataModel::setCustomerInfoDic(std::map<int, CustomerInfoEntry> dic) {
  Loaded loaded;
  loaded.book = CustomerBook::of(std::move(dic));
  loaded.allAttributes = allAttributes_;
  loaded.displayedAttributes = displayedAttributes_;
  take(loaded);
}

std::vector<CustomerInfoList> CustomerDataModel::sections(int mode, const std::string& importantTitle) {
  MV_ASSERT_MAIN_THREAD();
  const Grouping wanted{mode, importantTitle};
  const bool prepared = preparedSections_ && grouping_ == wanted;
  grouping_ = wanted;
  if (prepared) {
    std::vector<CustomerInfoList> out = std::move(*preparedSections_);
    preparedSections_.reset();
    return out;
  }
  return CustomerGrouping::groupAndOrder(book_.persons(), book_.names(), mode, importantTitle);
}

// --- in place ---------------------------------------------------------------------------------

std::optional<std::optional<PersonInfo>> CustomerDataModel::details(int customerId) const {
  MV_ASSERT_MAIN_THREAD();
  auto stored = database_->getCustomer(customerId, showsHidden());
  if (!stored) {
    MV_LOG("customers: customer ", customerId, " could not be read");
    return std::nullopt;
  }
  if (!*stored) return std::optional<PersonInfo>();
  return std::optional<PersonInfo>(PersonInfo::fromEntry(customerId, std::move(**stored)));
}

void CustomerDataModel::replace(int id, std::shared_ptr<const PersonSummary> after, const CustomerInfoEntry* entry) {
  MV_ASSERT_MAIN_THREAD();
  const auto before = book_.put(id, after, entry);
  if (!before && !after) return;
  // Sections made with the book no longer match it.
  preparedSections_.reset();
  if (readingBeside_) changedWhileReading_.insert(id);
  for (const auto& weak : std::vector(listeners_)) {
    if (auto listener = weak.lock()) listener->customerReplaced(before, after);
  }
}

void CustomerDataModel::refresh(const std::set<int>& ids) {
  for (int id : ids) {
    auto stored = database_->getCustomer(id, showsHidden());
    if (!stored) {
      MV_LOG("customers: customer ", id, " could not be read again; reading the book");
      reloadCustomerDataBeside();
      return;
    }
    if (*stored) {
      replace(id, std::make_shared<const PersonSummary>(PersonSummary::fromEntry(id, **stored)), &**stored);
    } else {
      replace(id, nullptr, nullptr);
    }
  }
}

template <typename Edit>
bool CustomerDataModel::changeRecord(int id, Edit edit) {
  auto record = customer(id);
  if (!record) return false;
  auto changed = std::make_shared<PersonSummary>(*record);
  edit(*changed);
  // Hidden, it leaves a book that shows no hidden customers.
  replace(id, changed->hidden && !showsHidden() ? nullptr : std::move(changed), nullptr);
  return true;
}

PersonRecords CustomerDataModel::customersByName() const {
  PersonRecords out;
  const PersonRecords& persons = book_.persons();
  out.reserve(persons.size());
  for (std::size_t i : book_.names().order) out.push_back(persons[i]);
  return out;
}

PersonRecords CustomerDataModel::getNoHiddenCustomerData(bool reload) {
  if (reload) reloadCustomerData();
  PersonRecords out;
  for (const auto& p : book_.persons()) {
    if (!p->hidden) out.push_back(p);
  }
  return out;
}

// --- search ----------------------------------------------------------------------------------

std::optional<PersonRecords> CustomerDataModel::customerSearch(const std::string& text) const {
  if (!bookRead_) return std::nullopt;
  return book_.search(text);
}

std::optional<std::vector<ContactMode>> CustomerDataModel::customerSearchByContact(const std::string& text) const {
  if (!bookRead_) return std::nullopt;
  return book_.searchByContact(text);
}

// --- flags and addresses ---------------------------------------------------------------------

void CustomerDataModel::updateCustomerInfoDic(int customerId, std::optional<bool> hidden,
                                              std::optional<bool> important) {
  changeRecord(customerId, [&](PersonSummary& p) {
    if (hidden) p.hidden = *hidden;
    if (important) p.markAsImportant = *important;
  });
}

std::map<std::string, std::string> CustomerDataModel::getDefaultAddressByCustomer(int customerId) const {
  std::map<std::string, std::string> out;
  const auto found = details(customerId);
  if (!found || !*found) return out;
  const PersonInfo& person = **found;
  bool hasDefault = false;
  for (const auto& a : person.address) {
    if (!a.isDefault) continue;
    out["Address"] = a.customerAddress;
    out["City"] = a.customerCity;
    out["State/Province/Region"] = a.customerState;
    out["Zip Code"] = a.customerZipCode;
    hasDefault = true;
    break;
  }
  for (const auto& cell : person.attribute) {
    const std::string& name = cell.fieldName;
    const bool own = name == "Phone" || name == "Bank Account" || name == "Active";
    const bool address = name == "Address" || name == "City" || name == "State/Province/Region" || name == "Zip Code";
    if (own || (address && !hasDefault)) out[name] = cell.attributeValue.value_or(std::string());
  }
  return out;
}

int CustomerDataModel::saveCustomerWithName(const std::string& name, const std::optional<std::string>& street,
                                            const std::optional<std::string>& city,
                                            const std::optional<std::string>& state,
                                            const std::optional<std::string>& zipCode) {
  DataAccessManager* dam = database_.get();
  marvisto_customer_Entity customer;
  customer.customer_id = dam->getLastLocalCustomerId() - 1;
  customer.customer_info_id = "";
  customer.customer_name = name;
  customer.customer_publish = 1;

  const int last = dam->getLastLocalCustomerAttributesId();
  const std::pair<const char*, std::string> values[] = {
      {"Phone", ""},
      {"Bank Account", ""},
      {"Active", "YES"},
      {"Address", street.value_or(std::string())},
      {"City", city.value_or(std::string())},
      {"State/Province/Region", state.value_or(std::string())},
      {"Zip Code", zipCode.value_or(std::string())},
  };
  std::vector<marvisto_customer_attribute_Entity> rows;
  int next = last;
  for (const auto& [field, value] : values) {
    marvisto_customer_attribute_Entity row;
    row.attribute_id = --next;
    row.customer_id = customer.customer_id;
    row.attribute_fields_id = fieldId(allAttributes_, field);
    row.attribute_value = value;
    rows.push_back(std::move(row));
  }
  // The customer and its rows together: a customer without its attribute
  // rows would show no address and no "Active" switch.
  const bool stored = dam->runInTransaction(
      [&] { return dam->saveToDatabaseCustomer({customer}) && dam->saveToDatabaseCustomerAttribute(rows); });
  if (!stored) {
    MV_LOG("customers: the new customer could not be stored");
    return 0;
  }
  refresh({customer.customer_id});
  return customer.customer_id;
}

std::vector<customer_attribute_cell_Entity> CustomerDataModel::allAddressAttributes() const {
  return database_->getAllAddressAttributes();
}

base::Value CustomerDataModel::allUnsubmittedCustomerDic() const {
  return UnsubmittedCustomerModel::current()->allUnsubmittedCustomerDic();
}

bool CustomerDataModel::deleteAllUnsubmittedCustomer() {
  return UnsubmittedCustomerModel::current()->deleteAllUnsubmittedCustomer();
}

// --- upload ---------------------------------------------------------------------------------------

base::Value CustomerDataModel::getCustomerDicById(const std::vector<int>& ids) const {
  base::Value customers = base::Value::array();
  base::Value addresses = base::Value::array();
  base::Value attributes = base::Value::array();
  base::Value contacts = base::Value::array();
  DataAccessManager* dam = database_.get();
  for (int id : ids) {
    // From the store with hidden customers: a hidden customer named by an
    // order must reach the service before the order does.
    const auto stored = dam->getCustomer(id, true);
    if (!stored) MV_LOG("customers: customer ", id, " could not be read for its upload");
    if (!stored || !*stored) continue;
    const CustomerInfoEntry& entry = **stored;
    customers.push_back(base::Value{{"customer_id", id},
                                    {"customer_info_id", ""},
                                    {"customer_name", entry.customer_name},
                                    {"customer_publish", 1},
                                    {"customer_ordering", 0},
                                    {"discount", floatForJson(entry.discount)}});
    for (const auto& a : entry.address) {
      addresses.push_back(base::Value{{"id", a.indexId},
                                      {"customer_id", a.customerId},
                                      {"address", a.customerAddress},
                                      {"city", a.customerCity},
                                      {"state", a.customerState},
                                      {"zip_code", a.customerZipCode}});
    }
    const int active = fieldId(allAttributes_, "Active");
    for (const auto& row : dam->getCustomerAttributes(id)) {
      base::Value element{{"attribute_id", row.attribute_id},
                          {"customer_id", row.customer_id},
                          {"attribute_fields_id", row.attribute_fields_id}};
      // The service reads the "Active" switch as a number.
      if (row.attribute_fields_id == active) {
        element["attribute_value"] = row.attribute_value == "NO" ? 0 : 1;
      } else {
        element["attribute_value"] = row.attribute_value;
      }
      attributes.push_back(std::move(element));
    }
    for (const auto& c : entry.contact) {
      contacts.push_back(base::Value{{"customer_id", c.customerID},
                                     {"contact_id", c.contactID},
                                     {"first_name", c.first_name},
                                     {"last_name", c.last_name},
                                     {"job_title", c.job_title},
                                     {"work_phone", c.work_phone},
                                     {"mobile_phone", c.mobile_phone},
                                     {"email", c.email},
                                     {"im", c.im},
                                     {"note", c.note}});
    }
  }
  return base::Value{{"marvisto_customer", std::move(customers)},
                     {"marvisto_customer_address", std::move(addresses)},
                     {"marvisto_customer_attribute", std::move(attributes)},
                     {"marvisto_customer_contact", std::move(contacts)}};
}

std::optional<std::string> CustomerDataModel::getCustomerInfoById(const std::vector<int>& ids) const {
  JsonWriter writer;
  auto json = writer.stringWithObject(getCustomerDicById(ids));
  if (!json) MV_LOG("customers: the upload document could not be written: ", writer.error().description);
  return json;
}

int CustomerDataModel::submitCustomer(int customerId) {
  if (inFlight_.count(customerId)) {
    MV_LOG("customers: ", customerId, " is already being uploaded");
    return 0;
  }
  auto json = getCustomerInfoById({customerId});
  if (!json) return documentFailed();
  return submitCustomerInfo(*json, {customerId});
}

int CustomerDataModel::submitAllLocalCustomer() {
  std::vector<int> ids;
  bool anyInFlight = false;
  const auto local = database_->getLocalCustomerIds();
  if (!local) return documentFailed();
  for (int id : *local) {
    if (!database_->isInUnsubmitOrder(id)) continue;
    if (inFlight_.count(id)) {
      anyInFlight = true;
    } else {
      ids.push_back(id);
    }
  }
  // Those on their way have a reply coming that will be posted; an empty
  // document now would be answered first and look like their success.
  if (ids.empty() && anyInFlight) return 0;
  auto json = getCustomerInfoById(ids);
  if (!json) return documentFailed();
  return submitCustomerInfo(*json, ids);
}

int CustomerDataModel::submitCustomerInfo(const std::string& json, const std::vector<int>& ids) {
  MV_ASSERT_MAIN_THREAD();
  auto request = std::make_shared<RequestUploadCustomer>();
  request->syncData = json;
  const std::uint64_t flight = ++lastFlight_;
  const int code = sender_->sendFor<SubmitCustomerRst>(
      request, uploads_,
      [this, ids, flight](const SubmitCustomerRst& reply) {
        if (flights_.erase(flight)) uploadAnswered(ids, reply);
      },
      // The shell has told the user; the customers may simply be sent again.
      [this, ids, flight](const NetBaseRst&) {
        if (flights_.erase(flight)) endFlight(ids);
      });
  MV_LOG("submit customer rst is ", code);
  if (code > 0) {
    inFlight_.insert(ids.begin(), ids.end());
    flights_[flight] = ids;
  } else {
    MessageBox::sharedInstance().EndBlockWait();
    uploadFailed(text("CUSTOMERNOTSENT"));
  }
  return code;
}

bool CustomerDataModel::abandonUpload(int customerId) {
  MV_ASSERT_MAIN_THREAD();
  for (auto it = flights_.begin(); it != flights_.end(); ++it) {
    if (std::find(it->second.begin(), it->second.end(), customerId) == it->second.end()) continue;
    const std::vector<int> ids = std::move(it->second);
    flights_.erase(it);
    endFlight(ids);
    // The screens waiting for the reply hear that none is coming.
    base::NotificationCenter::defaultCenter().post(kUploadCustomerRespond, this, base::Value(false));
    return true;
  }
  return false;
}

int CustomerDataModel::idAfterUpload(int customerId) const {
  const auto it = uploadedAs_.find(customerId);
  return it == uploadedAs_.end() ? customerId : it->second;
}

void CustomerDataModel::endFlight(const std::vector<int>& ids) {
  for (int id : ids) inFlight_.erase(id);
}

bool CustomerDataModel::remapUploadedIds(const CustomerUploadIds& ids) {
  DataAccessManager* dam = database_.get();
  return dam->runInTransaction([&] {
    for (const auto& copy : ids.copies) {
      if (!dam->makeWayForLocalCopy(copy.localId, copy.serviceId, copy.addresses, copy.attributes, copy.contacts))
        return false;
    }
    return dam->updateCustomerTable(ids.customers) && dam->updateCustomerAddressTable(ids.addresses) &&
           dam->updateCustomerAttributeTable(ids.attributes) && dam->updateContactIdAfterUpload(ids.contacts) &&
           dam->updateOrderTable(ids.customers);
  });
}

int CustomerDataModel::documentFailed() {
  // Told like a failed upload, so the caller's wait box closes and the
  // screens waiting for the reply hear of it.
  MessageBox::sharedInstance().EndBlockWait();
  uploadFailed(text("CUSTOMERNOTREAD"));
  return 0;
}

void CustomerDataModel::uploadFailed(const std::string& cause) {
  base::NotificationCenter::defaultCenter().post(kUploadCustomerRespond, this, base::Value(false));
  CustomerUploadRefusals::showFailed(cause);
}

void CustomerDataModel::combineWithStored(const std::vector<std::pair<int, int>>& pairs) {
  MV_ASSERT_MAIN_THREAD();
  std::vector<int> ids;
  for (const auto& [localId, storedId] : pairs) {
    if (inFlight_.count(localId)) continue;
    sameAsStored_[localId] = storedId;
    ids.push_back(localId);
  }
  if (ids.empty()) return;
  // The same wait as a Submit's.
  MessageBox::sharedInstance().BeginBlockWait(text("UPLOADCUSTOMER"), kUploadWaitSeconds,
                                              uploads_.guard([this, first = ids.front()] { abandonUpload(first); }));
  auto json = getCustomerInfoById(ids);
  if (!json) {
    documentFailed();
    return;
  }
  submitCustomerInfo(*json, ids);
}

void CustomerDataModel::tellCombined(const CustomerUploadIds& ids) {
  if (ids.copies.empty()) return;
  std::string names;
  for (const auto& copy : ids.copies) {
    const auto stored = database_->getCustomer(copy.serviceId, true);
    const std::string name = stored && *stored ? (*stored)->customer_name : std::to_string(copy.serviceId);
    names += (names.empty() ? "" : ", ") + std::string("\u201C") + name + "\u201D";
  }
  // The list showed the customer twice; the user sees it once now and
  // should know why.
  auto alert = std::make_shared<ui::AlertView>(text("CUSTOMERSCOMBINED"),
                                               Language::format(text("CUSTOMERSCOMBINEDMESSAGE"), {names}),
                                               std::weak_ptr<ui::AlertViewDelegate>(), text("OK"));
  alert->show();
}

void CustomerDataModel::uploadAnswered(const std::vector<int>& ids, const SubmitCustomerRst& reply) {
  MV_ASSERT_MAIN_THREAD();
  MessageBox::sharedInstance().EndBlockWait();
  endFlight(ids);
  // The user's word holds for this answer alone.
  std::map<int, int> sameAsStored;
  for (int id : ids) {
    if (auto node = sameAsStored_.extract(id)) sameAsStored.insert(std::move(node));
  }
  if (!reply.isSuccess()) {
    uploadFailed(reply.message);
    return;
  }
  auto stored = CustomerUploadIds::of(reply, ids, *database_, sameAsStored);
  if (!stored || !remapUploadedIds(*stored)) {
    // Every row keeps its local id; sent again, the service answers the
    // same ids, so nothing is duplicated there.
    MV_LOG("customers: the service's ids could not be stored");
    uploadFailed(text("CUSTOMERIDSNOTSTORED"));
    return;
  }
  // The uploaded customers under their new ids, and the service's copies
  // they became one with.
  std::set<int> changed;
  for (const auto& c : stored->customers) {
    changed.insert({c.pid, c.customer_id});
    uploadedAs_[c.pid] = c.customer_id;
  }
  for (const auto& copy : stored->copies) {
    changed.insert({copy.localId, copy.serviceId});
    uploadedAs_[copy.localId] = copy.serviceId;
  }
  refresh(changed);
  if (auto links = CustomerOrderLinks::installed()) links->updateOrderTable(stored->customers);
  tellCombined(*stored);
  if (!stored->refused.empty()) {
    // Those stay unsubmitted, with their orders; an order waiting for its
    // customer must not go out under a local id.
    base::NotificationCenter::defaultCenter().post(kUploadCustomerRespond, this, base::Value(false));
    const auto nameOf = [this](int id) {
      const auto found = database_->getCustomer(id, true);
      return found && *found ? (*found)->customer_name : std::to_string(id);
    };
    CustomerUploadRefusals::show(stored->refused, nameOf, [guard = uploads_.mark(), this](const auto& pairs) {
      if (guard.isValid()) combineWithStored(pairs);
    });
    return;
  }
  base::NotificationCenter::defaultCenter().post(kUploadCustomerRespond, this, base::Value(true));
}

// --- changes made on the customer screens ---------------------------------------------------------

bool CustomerDataModel::storeHidden(int customerId, bool hidden) {
  DataAccessManager* dam = database_.get();
  if (!dam->updateCustomerTableHiddenWithCustomerId(customerId, hidden ? 1 : 0)) return false;
  updateCustomerInfoDic(customerId, hidden, {});
  return true;
}

bool CustomerDataModel::storeImportant(int customerId, bool important) {
  DataAccessManager* dam = database_.get();
  if (!dam->updateCustomerTableImportantWithCustomerId(customerId, important ? 1 : 0)) return false;
  updateCustomerInfoDic(customerId, {}, important);
  return true;
}

bool CustomerDataModel::storeNoteMark(int customerId, bool hasNote) {
  if (!database_->updateCustomerTableHasNoteWithCustomerId(customerId, hasNote ? 1 : 0)) return false;
  changeRecord(customerId, [&](PersonSummary& p) { p.hasNote = hasNote; });
  return true;
}

// The book holds the note's mark alone; its text is read when it is shown.
bool CustomerDataModel::storeNote(int customerId, const std::string& note) {
  return database_->updateCustomerTableNoteWithCustomerId(customerId, note);
}

bool CustomerDataModel::storeDefaultAddress(int customerId, int addressId) {
  if (!database_->updateAddressToDefault(customerId, addressId)) return false;
  refresh({customerId});
  return true;
}

bool CustomerDataModel::storeDefaultContact(int customerId, int contactId) {
  if (!database_->updateContactToDefault(customerId, contactId)) return false;
  refresh({customerId});
  return true;
}

int CustomerDataModel::storeCustomer(const CustomerInfoGroupData& data, int editedId) {
  MV_ASSERT_MAIN_THREAD();
  DataAccessManager* dam = database_.get();
  std::optional<CustomerFormRecords::Existing> existing;
  if (editedId != 0) {
    // Only a customer made on the device is edited, and not while its
    // upload may still give it the service's id.
    if (editedId > 0 || inFlight_.count(editedId)) return 0;
    const auto stored = dam->getCustomer(editedId, true);
    if (!stored || !*stored) return 0;
    existing = CustomerFormRecords::Existing{editedId, (*stored)->customer_ordering, (*stored)->discount};
  }
  const CustomerFormRecords::LowestIds lowest{dam->getLastLocalCustomerId(), dam->getLastLocalCustomerAddressId(),
                                              dam->getLastLocalCustomerAttributesId(),
                                              dam->getLastLocalCustomerContactsId()};
  CustomerFormRecords records = CustomerFormRecords::fromGroups(data, lowest, existing);
  if (existing) {
    // Values of fields the form did not show are the customer's still.
    std::set<int> shown;
    for (const auto& row : records.attributes) shown.insert(row.attribute_fields_id);
    for (auto& row : dam->getCustomerAttributes(editedId)) {
      if (!shown.count(row.attribute_fields_id)) records.attributes.push_back(std::move(row));
    }
  }
  // Saving the customer row drops its old addresses, attributes and
  // contacts; the new ones go in within the same transaction.
  const bool stored = dam->runInTransaction([&] {
    return dam->saveToDatabaseCustomer({records.customer}) && dam->saveToDatabaseCustomerAddress(records.addresses) &&
           dam->saveToDatabaseCustomerAttribute(records.attributes) &&
           dam->saveToDatabaseCustomerContact(records.contacts);
  });
  if (!stored) {
    MV_LOG("customers: customer ", records.customer.customer_id, " could not be stored");
    return 0;
  }
  refresh({records.customer.customer_id});
  return records.customer.customer_id;
}

CustomerDataModel::DeleteResult CustomerDataModel::deleteLocalCustomer(int customerId) {
  MV_ASSERT_MAIN_THREAD();
  DataAccessManager* dam = database_.get();
  if (customerId >= 0 || inFlight_.count(customerId)) return DeleteResult::Failed;
  if (dam->isInUnsubmitOrder(customerId)) return DeleteResult::NamedByOrder;
  if (!dam->deleteCustomerTableWithID(customerId)) {
    MV_LOG("customers: local customer ", customerId, " could not be deleted");
    return DeleteResult::Failed;
  }
  replace(customerId, nullptr, nullptr);
  return DeleteResult::Deleted;
}

}  // namespace mv
