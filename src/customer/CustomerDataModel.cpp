#include "customer/CustomerDataModel.hpp"

#include <malloc.h>

#include <algorithm>
#include <string_view>
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
#include "util/SearchTextIndex.hpp"
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
  load();
}

void CustomerDataModel::sessionEnded() { uploads_.cancelAll(); }

CustomerDataModel::~CustomerDataModel() = default;

// Without a configuration every customer shows, as for a user who never chose.
bool CustomerDataModel::showsHidden() const { return !config_ || config_->isShowAllCustomer(); }

void CustomerDataModel::addListener(std::weak_ptr<CustomerBookListener> listener) {
  MV_ASSERT_MAIN_THREAD();
  listeners_.push_back(std::move(listener));
}

void CustomerDataModel::load() {
  MV_ASSERT_MAIN_THREAD();
  auto loaded = read(*database_, showsHidden(), grouping_);
  if (!loaded) {
    // The book stays as it was rather than show nobody.
    MV_LOG("customers: the customer book could not be read");
    return;
  }
  take(*loaded);
  retire(std::move(loaded));
}

void CustomerDataModel::reloadCustomerData() { load(); }

void CustomerDataModel::reloadCustomerDataBeside() {
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
    if (!*loaded) {
      MV_LOG("customers: the customer book could not be read again");
      return;
    }
    take(**loaded);
    // Those the read may have missed are read again, as they are now.
    refresh(changed);
  });
  base::WorkQueue::global().async([path = database_->databasePath(), showAll = showsHidden(), grouping = grouping_,
                                   loaded, arrived, underWay = base::holdOutsideWork()](const base::CancelFlag&) {
    if (auto worker = WorkerDatabase::open(path)) *loaded = read(worker->store(), showAll, grouping);
    // The superseded book ends here too, off the main thread.
    base::RunLoop::main().post([arrived, loaded, underWay] {
      arrived();
      retire(std::move(*loaded));
    });
  });
}

std::optional<CustomerDataModel::Loaded> CustomerDataModel::read(DataAccessManager& store, bool showAll,
                                                                  const std::optional<Grouping>& grouping) {
  auto customers = store.readAllCustomers(showAll);
  if (!customers) return std::nullopt;
  Loaded out;
  out.book = bookOf(std::move(*customers));
  out.allAttributes = store.getAllAttributes();
  out.displayedAttributes = store.getAllDisplayedAttributes();
  if (grouping) {
    out.sections = CustomerGrouping::groupAndOrder(out.book.persons, out.book.names, grouping->mode,
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
  for (const auto& weak : std::vector(listeners_)) {
    if (auto listener = weak.lock()) listener->bookReplaced();
  }
  std::erase_if(listeners_, [](const auto& weak) { return weak.expired(); });
  // Sections a listener did not take would only hold records.
  preparedSections_.reset();
}

void CustomerDataModel::setCustomerInfoDic(std::map<int, CustomerInfoEntry> dic) {
  Loaded loaded;
  loaded.book = bookOf(std::move(dic));
  loaded.allAttributes = allAttributes_;
  loaded.displayedAttributes = displayedAttributes_;
  take(loaded);
}

CustomerDataModel::Book CustomerDataModel::bookOf(std::map<int, CustomerInfoEntry>&& entries) {
  Book book;
  book.persons.reserve(entries.size());
  book.documents.reserve(entries.size());
  book.searchFields.reserve(entries.size());
  // Each entry's rows move into its record as it goes, so the book is held
  // once, not twice, while it is made.
  while (!entries.empty()) {
    auto node = entries.extract(entries.begin());
    book.persons.push_back(
        std::make_shared<const PersonInfo>(PersonInfo::fromEntry(node.key(), std::move(node.mapped()))));
    book.documents.push_back(appendDocument(book, *book.persons.back()));
  }
  book.names = CustomerGrouping::nameOrder(book.persons);
  return book;
}

std::size_t CustomerDataModel::appendDocument(Book& book, const PersonInfo& p) {
  SearchTextIndex& searched = book.searchIndex;
  auto field = [&searched](const std::string& value) { searched.addField(foldForSearch(value)); };
  auto offset = [&searched] { return searched.text().size(); };
  SearchFields out;
  searched.beginDocument();
  out.own.begin = offset();
  field(p.name);
  for (const auto& cell : p.attribute) {
    if (cell.attributeValue) field(*cell.attributeValue);
  }
  for (const auto& a : p.address) {
    for (const std::string* text : {&a.customerAddress, &a.customerCity, &a.customerState, &a.customerZipCode}) {
      field(*text);
    }
  }
  out.own.end = offset();
  for (const auto& c : p.contact) {
    SearchFields::Contact contact;
    contact.fields.begin = offset();
    for (const std::string* text :
         {&c.first_name, &c.last_name, &c.job_title, &c.work_phone, &c.mobile_phone, &c.email, &c.im, &c.note}) {
      field(*text);
    }
    contact.fields.end = offset();
    if (!isBlank(c.first_name) && !isBlank(c.last_name)) {
      const std::string first = foldForSearch(trimUnicodeWhitespace(c.first_name));
      const std::string last = foldForSearch(trimUnicodeWhitespace(c.last_name));
      contact.firstLast = first + last;
      contact.lastFirst = last + first;
    }
    out.contacts.push_back(std::move(contact));
  }
  book.searchFields.push_back(std::move(out));
  return book.searchFields.size() - 1;
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
  return CustomerGrouping::groupAndOrder(book_.persons, book_.names, mode, importantTitle);
}

// --- in place ---------------------------------------------------------------------------------

std::size_t CustomerDataModel::indexOf(int id) const {
  const auto& persons = book_.persons;
  const auto at = std::partition_point(persons.begin(), persons.end(), [id](const auto& p) { return p->pid < id; });
  return static_cast<std::size_t>(at - persons.begin());
}

std::shared_ptr<const PersonInfo> CustomerDataModel::customer(int customerId) const {
  const std::size_t at = indexOf(customerId);
  const auto& persons = book_.persons;
  return at < persons.size() && persons[at]->pid == customerId ? persons[at] : nullptr;
}

void CustomerDataModel::replace(int id, std::shared_ptr<const PersonInfo> after) {
  MV_ASSERT_MAIN_THREAD();
  const std::size_t at = indexOf(id);
  const auto place = static_cast<std::ptrdiff_t>(at);
  auto& persons = book_.persons;
  auto& documents = book_.documents;
  std::shared_ptr<const PersonInfo> before;
  if (at < persons.size() && persons[at]->pid == id) {
    before = persons[at];
    CustomerGrouping::eraseName(book_.names, at);
    persons.erase(persons.begin() + place);
    documents.erase(documents.begin() + place);
  }
  if (after) {
    const std::size_t document = appendDocument(book_, *after);
    persons.insert(persons.begin() + place, after);
    documents.insert(documents.begin() + place, document);
    CustomerGrouping::insertName(book_.names, persons, at);
  }
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
    replace(id, *stored ? std::make_shared<const PersonInfo>(PersonInfo::fromEntry(id, std::move(**stored)))
                        : nullptr);
  }
}

template <typename Edit>
bool CustomerDataModel::changeRecord(int id, Edit edit) {
  auto record = customer(id);
  if (!record) return false;
  auto changed = std::make_shared<PersonInfo>(*record);
  edit(*changed);
  // Hidden, it leaves a book that shows no hidden customers.
  replace(id, changed->hidden && !showsHidden() ? nullptr : std::move(changed));
  return true;
}

PersonRecords CustomerDataModel::customersByName() const {
  PersonRecords out;
  out.reserve(book_.persons.size());
  for (std::size_t i : book_.names.order) out.push_back(book_.persons[i]);
  return out;
}

PersonRecords CustomerDataModel::getNoHiddenCustomerData(bool reload) {
  if (reload) reloadCustomerData();
  PersonRecords out;
  for (const auto& p : book_.persons) {
    if (!p->hidden) out.push_back(p);
  }
  return out;
}

// --- search ----------------------------------------------------------------------------------

PersonRecords CustomerDataModel::customerSearch(const std::string& text) const {
  PersonRecords out;
  if (isBlank(text)) return out;
  const std::string folded = foldForSearch(trimUnicodeWhitespace(text));
  // The hits are marked, then read out in name order.
  const std::vector<bool> hit = book_.searchIndex.documentsHolding(folded);
  for (std::size_t i : book_.names.order) {
    if (hit[book_.documents[i]]) out.push_back(book_.persons[i]);
  }
  return out;
}

std::vector<ContactMode> CustomerDataModel::customerSearchByContact(const std::string& text) const {
  std::vector<ContactMode> out;
  if (isBlank(text)) return out;
  const std::string folded = foldForSearch(trimUnicodeWhitespace(text));
  if (folded.find(SearchTextIndex::kFieldEnd) != std::string::npos) return out;
  const std::string compact = withoutUnicodeWhitespace(folded);
  auto within = [&](Span span) {
    return SearchTextIndex::find(book_.searchIndex.text().substr(span.begin, span.end - span.begin), folded) !=
           std::string_view::npos;
  };
  for (std::size_t i = 0; i < book_.persons.size(); ++i) {
    const auto& p = book_.persons[i];
    const SearchFields& fields = book_.searchFields[book_.documents[i]];
    if (p->contact.empty()) continue;
    const bool customerMatches = within(fields.own);
    for (std::size_t c = 0; c < p->contact.size(); ++c) {
      const SearchFields::Contact& contact = fields.contacts[c];
      bool found = customerMatches || within(contact.fields);
      if (!found && !contact.firstLast.empty()) {
        found = contact.firstLast.find(compact) != std::string::npos ||
                contact.lastFirst.find(compact) != std::string::npos;
      }
      if (found) out.push_back(ContactMode{p->contact[c].first_name, p->contact[c].last_name, p});
    }
  }
  return out;
}

// --- flags and addresses ---------------------------------------------------------------------

void CustomerDataModel::updateCustomerInfoDic(int customerId, std::optional<bool> hidden,
                                              std::optional<bool> important) {
  changeRecord(customerId, [&](PersonInfo& p) {
    if (hidden) p.hidden = *hidden;
    if (important) p.markAsImportant = *important;
  });
}

std::map<std::string, std::string> CustomerDataModel::getDefaultAddressByCustomer(int customerId) const {
  std::map<std::string, std::string> out;
  const auto person = customer(customerId);
  if (!person) return out;
  bool hasDefault = false;
  for (const auto& a : person->address) {
    if (!a.isDefault) continue;
    out["Address"] = a.customerAddress;
    out["City"] = a.customerCity;
    out["State/Province/Region"] = a.customerState;
    out["Zip Code"] = a.customerZipCode;
    hasDefault = true;
    break;
  }
  for (const auto& cell : person->attribute) {
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
  for (const auto& c : stored->customers) changed.insert({c.pid, c.customer_id});
  for (const auto& copy : stored->copies) changed.insert({copy.localId, copy.serviceId});
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
  changeRecord(customerId, [&](PersonInfo& p) {
    p.hasNote = hasNote;
    p.note.clear();
  });
  return true;
}

bool CustomerDataModel::storeNote(int customerId, const std::string& note) {
  if (!database_->updateCustomerTableNoteWithCustomerId(customerId, note)) return false;
  changeRecord(customerId, [&](PersonInfo& p) { p.note = note; });
  return true;
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
  replace(customerId, nullptr);
  return DeleteResult::Deleted;
}

}  // namespace mv
