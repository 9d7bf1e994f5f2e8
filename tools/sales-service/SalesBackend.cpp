#include "sales-service/SalesBackend.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <limits>
#include <span>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "sales-service/ServiceCrypto.hpp"

namespace mv::sales {

namespace {

using Value = base::Value;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool isIdentifier(const std::string& s) {
  if (s.size() < 3) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

// A decimal integer written as text, nothing else.
std::optional<int64_t> parseInteger(const std::string& text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return std::nullopt;
  for (size_t k = i; k < text.size(); ++k) {
    if (text[k] < '0' || text[k] > '9') return std::nullopt;
  }
  return std::stoll(text);
}

std::optional<double> parseReal(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (!end || *end != '\0' || !std::isfinite(v)) return std::nullopt;
  return v;
}

// A JSON member that must be a whole number.
std::optional<int64_t> integerMember(const Value& object, const char* key) {
  auto it = object.find(key);
  if (it == object.end()) return std::nullopt;
  if (it->is_number_integer()) return it->get<int64_t>();
  if (it->is_number_float()) {
    double d = it->get<double>();
    if (std::isfinite(d) && std::floor(d) == d && std::fabs(d) < 9e15) return static_cast<int64_t>(d);
  }
  return std::nullopt;
}

std::string textMember(const Value& object, const char* key) {
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) return "";
  if (it->is_string()) return it->get<std::string>();
  return it->dump();
}

// "MM/dd/yyyy HH:mm:ss" -> "yyyyMMddHHmmss"; empty when it is not in that form.
std::string localTimeKey(const std::string& t) {
  int mo, d, y, h, mi, s;
  char tail;
  if (t.size() != 19 || std::sscanf(t.c_str(), "%2d/%2d/%4d %2d:%2d:%2d%c", &mo, &d, &y, &h, &mi, &s, &tail) != 6) return "";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", y, mo, d, h, mi, s);
  return buf;
}

// "yyyy-MM-dd HH:mm:ss" -> "yyyyMMddHHmmss"; empty when it is not in that form.
std::string serverTimeKey(const std::string& t) {
  int y, mo, d, h, mi, s;
  char tail;
  if (t.size() != 19 || std::sscanf(t.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6) return "";
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60) return "";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", y, mo, d, h, mi, s);
  return buf;
}

// Either form -> "yyyyMMddHHmmss"; empty when it is neither.
std::string anyTimeKey(const std::string& t) {
  std::string key = localTimeKey(t);
  return key.empty() ? serverTimeKey(t) : key;
}

// The pieces of a reply's text, joined once at their whole size: a table
// reply of hundreds of thousands of rows is hundreds of megabytes, and a
// text grown piece by piece would take up to twice that while it grows.
class ReplyText {
 public:
  void put(std::string_view piece) {
    pieces_.push_back(piece);
    size_ += piece.size();
  }
  void keep(std::string piece) { put(owned_.emplace_back(std::move(piece))); }
  std::string join() const {
    std::string out;
    out.reserve(size_);
    for (std::string_view piece : pieces_) out += piece;
    return out;
  }

 private:
  std::vector<std::string_view> pieces_;
  std::deque<std::string> owned_;  // pieces made for this reply; a deque never moves them
  size_t size_ = 0;
};

// A JSON array of row texts within a reply.
class ArrayText {
 public:
  explicit ArrayText(ReplyText& out) : out_(out) { out_.put("["); }
  void add(std::string_view json) {
    if (!first_) out_.put(",");
    out_.put(json);
    first_ = false;
  }
  void addMade(std::string json) {
    if (!first_) out_.put(",");
    out_.keep(std::move(json));
    first_ = false;
  }
  void close() { out_.put("]"); }

 private:
  ReplyText& out_;
  bool first_ = true;
};

void appendAllRows(ReplyText& out, const Table& table) {
  ArrayText a(out);
  for (const auto& row : table) a.add(*row.json);
  a.close();
}

// The row sent again with its publish flag off, for a row that is gone.
std::string unpublished(const Row& row, const char* flag, const Value& off) {
  Value v = row.value();
  if (!v.is_object()) return *row.json;
  v[flag] = off;
  return v.dump();
}

// Rows of `now` that are new or differ from `before` (every row without
// `before`), and rows of `before` that are gone, unpublished.
void appendChangedRows(ReplyText& out, const Table& now, const Table* before, const char* flag, const Value& off) {
  if (!before) return appendAllRows(out, now);
  std::unordered_map<int64_t, const Row*> old;
  old.reserve(before->size());
  for (const auto& row : *before) old.emplace(row.key, &row);
  ArrayText a(out);
  for (const auto& row : now) {
    auto it = old.find(row.key);
    if (it == old.end() || (it->second->json != row.json && *it->second->json != *row.json)) a.add(*row.json);
    if (it != old.end()) old.erase(it);
  }
  for (const auto& row : *before) {
    if (old.count(row.key)) a.addMade(unpublished(row, flag, off));
  }
  a.close();
}

// The rows that travel with each customer, found by their owner: the
// tables' rows in owner order, as pointers, so that a book of hundreds of
// thousands is indexed without a copy of its text.
class CustomerView {
 public:
  explicit CustomerView(const DataSet& data) : addresses_(byOwner(data.addresses)), contacts_(byOwner(data.contacts)) {}

  std::span<const Row* const> addresses(int64_t customer) const { return owned(addresses_, customer); }
  std::span<const Row* const> contacts(int64_t customer) const { return owned(contacts_, customer); }

  // The customer as `prior` had it: the same row and the same rows with it.
  bool sameAs(const CustomerView& prior, const Row& customer, const Row* before) const {
    return before && sameRow(*before, customer) && sameRows(prior.addresses(customer.key), addresses(customer.key)) &&
           sameRows(prior.contacts(customer.key), contacts(customer.key));
  }

 private:
  static std::vector<const Row*> byOwner(const Table& table) {
    std::vector<const Row*> rows;
    rows.reserve(table.size());
    for (const Row& row : table) rows.push_back(&row);
    std::stable_sort(rows.begin(), rows.end(), [](const Row* a, const Row* b) { return a->owner < b->owner; });
    return rows;
  }
  static std::span<const Row* const> owned(const std::vector<const Row*>& rows, int64_t owner) {
    const auto [from, to] = std::equal_range(rows.begin(), rows.end(), owner, OwnerOrder{});
    return {from, to};
  }
  struct OwnerOrder {
    bool operator()(const Row* row, int64_t owner) const { return row->owner < owner; }
    bool operator()(int64_t owner, const Row* row) const { return owner < row->owner; }
  };
  // Rows a version did not change are shared with the one before it.
  static bool sameRow(const Row& a, const Row& b) { return a.json == b.json || *a.json == *b.json; }
  static bool sameRows(std::span<const Row* const> a, std::span<const Row* const> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Row* x, const Row* y) { return sameRow(*x, *y); });
  }

  std::vector<const Row*> addresses_, contacts_;
};

}  // namespace

std::string MessageReply::body() const { return kBodyHead + contentText() + bodyTail(); }

std::string MessageReply::bodyTail() const {
  Value result = {{"status", status}, {"detail", detail}, {"message", status == status::kOk ? "" : detail}};
  // a detail may quote what the client sent, which need not be UTF-8
  return ",\"results\":[" + result.dump(-1, ' ', false, Value::error_handler_t::replace) + "]}";
}

struct DeviceState {
  std::map<std::string, Baseline> acknowledged;  // part -> what the device confirmed
  std::map<std::string, Baseline> served;        // part -> what the last table reply held
  int skinVersion = 0;
  std::vector<int64_t> receivedFiles;
};

struct AccountState {
  AccountConfig config;
  std::map<std::string, DeviceState> devices;  // by lower-case device id
  bool fullSyncPending = false;
  std::vector<BackupRecord> backups;
  std::optional<OrderHistory> history;
};

struct StoredOrder {
  std::string accountKey;
  Value order;  // as received, with the service's id
  Value lines = Value::array();
};

struct UploadedCustomer {
  std::string accountKey;
  Row customer;
  Table addresses, contacts;
};

// The content of a table reply as written once: the same data sets give the
// same text, so every device at the same version and baseline gets it again.
struct CachedContent {
  std::shared_ptr<const DataSet> now, was;  // held, so that no other set takes their address
  std::shared_ptr<const std::string> text;
};

struct CompanyState {
  CompanyConfig config;
  std::shared_ptr<const CompanyData> data;
  int version = 1;
  // By part and the data sets compared (no baseline: null). The customer
  // part also carries the uploads, so it is written afresh each time.
  std::map<std::tuple<std::string, const DataSet*, const DataSet*>, CachedContent> tableContents;
  std::map<std::string, AccountState> accounts;  // by lower-case account id
  std::vector<StoredOrder> orders;
  std::map<std::string, size_t> orderByNumber;
  std::vector<UploadedCustomer> customers;
  std::map<std::string, std::pair<int64_t, std::string>> uploadIds;  // upload key -> (service id, content)
  std::map<std::string, std::shared_ptr<const std::string>> madeIcons;
  int64_t nextOrderId = 200001, nextOrderItemId = 200001, nextCustomerId = 100001, nextAddressId = 100001,
          nextAttributeId = 100001, nextContactId = 100001;
};

struct Session {
  std::string clientKey, accountKey, typedClient, typedAccount, device;
};

struct SalesBackend::State {
  std::map<std::string, CompanyState> companies;  // by lower-case client id
  std::map<std::string, Session> sessions;
  std::mt19937_64 random{std::random_device{}()};
  std::function<double()> clock;
};

namespace {

const char* const kParts[] = {"product", "file", "customer"};

void ensureData(CompanyState& c) {
  if (c.data) return;
  SampleOptions o = c.config.data;
  o.clientId = c.config.clientId;
  o.companyName = c.config.name;
  c.data = SampleData::company(o);
  // An upload's ids lie past every row the company holds, in either
  // version, whatever its size: an id handed out twice would store the
  // upload over another customer's row on every device.
  const auto highest = [](const Table& table) {
    int64_t most = 0;
    for (const Row& row : table) most = std::max(most, row.key);
    return most;
  };
  for (const auto& set : {c.data->first, c.data->second}) {
    if (!set) continue;
    c.nextCustomerId = std::max(c.nextCustomerId, highest(set->customers) + 1);
    c.nextAddressId = std::max(c.nextAddressId, highest(set->addresses) + 1);
    c.nextContactId = std::max(c.nextContactId, highest(set->contacts) + 1);
    c.nextAttributeId = std::max(c.nextAttributeId, set->lastCustomerAttributeId + 1);
  }
}

std::shared_ptr<const DataSet> served(CompanyState& c) {
  ensureData(c);
  return c.data->version(c.version);
}

MessageReply failure(const char* code, const std::string& detail) {
  MessageReply r;
  r.status = code;
  r.detail = detail;
  return r;
}

std::optional<std::string> param(const ParsedMessage& m, const char* key) {
  auto it = m.parameters.find(key);
  if (it == m.parameters.end()) return std::nullopt;
  return it->get<std::string>();
}

// The first missing parameter of `keys`, or empty.
std::string missing(const ParsedMessage& m, std::initializer_list<const char*> keys) {
  for (const char* k : keys) {
    if (!m.parameters.contains(k)) return k;
  }
  return "";
}

bool allowedMethod(const std::string& head, const std::string& method) {
  static const std::map<std::string, std::set<std::string>> table = {
      {"Vendor?", {"register", "login", "checkDeviceStatus", "getuserinfo"}},
      {"Component?", {"loadConfigurationData", "getRunTimeConfig"}},
      {"SyncServer?", {"checkAppVersion"}},
      {"SyncServer;", {"getorderhistory", "syncData", "syncDataFinished", "syncFileFinished"}},
      {"SyncClient;", {"syncData"}},
      {"Backup;", {"backupData"}},
      {"Restore;", {"restoreData"}},
  };
  auto it = table.find(head);
  return it != table.end() && it->second.count(method) > 0;
}

const char* const kBackupMembers[] = {"favorite_product",      "compare_product", "favorite_library_file",
                                      "download_library_file", "order",           "customer",
                                      "customer_address",      "customer_attribute", "customer_contact"};

}  // namespace

SalesBackend::SalesBackend(ServiceConfig config) : config_(std::move(config)), state_(std::make_unique<State>()) {
  state_->clock = [] {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  };
  for (const auto& company : config_.companies) addCompany(company);
  if (!config_.dataFolder.empty()) {
    stateFile_.emplace(std::filesystem::path(config_.dataFolder) / kStateFileName);
    if (auto kept = stateFile_->load()) takeUp(*kept);
  }
}

// ---------------------------------------------------------------------------
// what is kept across restarts

namespace {

// The member `key` when it is an object; else an empty one.
const Value& objectMember(const Value& object, const char* key) {
  static const Value none = Value::object();
  auto it = object.find(key);
  return it != object.end() && it->is_object() ? *it : none;
}

// The member `key` when it is a whole number from 0 to INT_MAX.
std::optional<int> countMember(const Value& object, const char* key) {
  auto n = integerMember(object, key);
  if (!n || *n < 0 || *n > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(*n);
}

}  // namespace

Value SalesBackend::keptState() const {
  Value companies = Value::object();
  for (const auto& [clientKey, company] : state_->companies) {
    Value accounts = Value::object();
    for (const auto& [accountKey, account] : company.accounts) {
      Value devices = Value::object();
      for (const auto& [deviceKey, device] : account.devices) {
        Value acknowledged = Value::object();
        for (const auto& [part, baseline] : device.acknowledged) acknowledged[part] = baseline.version;
        devices[deviceKey] = {{"skinVersion", device.skinVersion}, {"acknowledged", acknowledged}};
      }
      accounts[accountKey] = {{"fullSyncPending", account.fullSyncPending}, {"devices", devices}};
    }
    companies[clientKey] = {{"skinVersion", company.config.skinVersion}, {"accounts", accounts}};
  }
  return {{"companies", companies}};
}

void SalesBackend::takeUp(const Value& kept) {
  const Value& companies = objectMember(kept, "companies");
  for (auto c = companies.begin(); c != companies.end(); ++c) {
    // A company or user no longer configured (one signed up since the last
    // start, say) is not made again.
    auto company = state_->companies.find(lower(c.key()));
    if (company == state_->companies.end() || !c->is_object()) continue;
    if (auto skin = countMember(*c, "skinVersion"))
      company->second.config.skinVersion = std::max(company->second.config.skinVersion, *skin);
    const Value& accounts = objectMember(*c, "accounts");
    for (auto a = accounts.begin(); a != accounts.end(); ++a) {
      auto account = company->second.accounts.find(lower(a.key()));
      if (account == company->second.accounts.end() || !a->is_object()) continue;
      if (auto pending = a->find("fullSyncPending"); pending != a->end() && pending->is_boolean())
        account->second.fullSyncPending = pending->get<bool>();
      const Value& devices = objectMember(*a, "devices");
      for (auto d = devices.begin(); d != devices.end(); ++d) {
        if (!d->is_object() || d.key().empty()) continue;
        DeviceState& device = account->second.devices[lower(d.key())];
        device.skinVersion = countMember(*d, "skinVersion").value_or(0);
        // The customers uploaded before are not kept: a device's next
        // customer reply carries every one uploaded since the restart.
        const Value& acknowledged = objectMember(*d, "acknowledged");
        for (const char* part : kParts) {
          if (auto version = countMember(acknowledged, part)) device.acknowledged[part] = Baseline{*version, 0};
        }
      }
    }
  }
}

void SalesBackend::keepState() {
  if (stateFile_) stateFile_->save(keptState());
}

SalesBackend::~SalesBackend() = default;

bool SalesBackend::knownHead(const std::string& head) {
  return head == "Vendor?" || head == "Component?" || head == "SyncServer?" || head == "SyncServer;" ||
         head == "SyncClient;" || head == "Backup;" || head == "Restore;";
}

ParsedMessage SalesBackend::parse(const std::string& head, const std::string& body) {
  ParsedMessage m;
  Value doc = Value::parse(body, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) {
    m.error = "the body is not a JSON object";
    return m;
  }
  auto root = doc.find("root");
  if (root == doc.end() || !root->is_object()) {
    m.error = "the body has no \"root\" object";
    return m;
  }
  auto params = root->find("parameters");
  if (params == root->end() || !params->is_object()) {
    m.error = "the body has no \"root\".\"parameters\" object";
    return m;
  }
  for (auto it = params->begin(); it != params->end(); ++it) {
    if (!it.value().is_string()) {
      m.error = "parameter \"" + it.key() + "\" is not a JSON string";
      return m;
    }
  }
  // The session rides on the cookie; a session id in the body is a client fault.
  if (params->contains("jsessionId")) {
    m.error = "parameter \"jsessionId\" must not travel in the body";
    return m;
  }
  m.parameters = *params;
  auto method = params->find("methodName");
  if (method == params->end()) {
    m.error = "parameter \"methodName\" is missing";
    return m;
  }
  m.methodName = method->get<std::string>();
  if (m.methodName == "syncData") {
    if (head == "SyncServer;") {
      m.qualifier = params->value("syncType", std::string());
    } else if (head == "SyncClient;") {
      Value data = Value::parse(params->value("syncData", std::string()), nullptr, false);
      if (data.is_object() && !data.empty()) m.qualifier = data.begin().key();
    }
  }
  m.valid = true;
  return m;
}

void SalesBackend::prepare(const std::function<void(const CompanyConfig&)>& starting) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& [key, company] : state_->companies) {
    if (starting) starting(company.config);
    ensureData(company);
  }
}

bool SalesBackend::addCompany(const CompanyConfig& company) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::string key = lower(company.clientId);
  if (key.empty() || state_->companies.count(key)) return false;
  CompanyState& c = state_->companies[key];
  c.config = company;
  for (const auto& a : company.accounts) {
    AccountState& account = c.accounts[lower(a.accountId)];
    account.config = a;
  }
  return true;
}

bool SalesBackend::addAccount(const std::string& clientId, const AccountConfig& account) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = state_->companies.find(lower(clientId));
  if (it == state_->companies.end() || account.accountId.empty()) return false;
  auto [entry, inserted] = it->second.accounts.try_emplace(lower(account.accountId));
  if (!inserted) return false;
  entry->second.config = account;
  it->second.config.accounts.push_back(account);
  return true;
}

std::shared_ptr<const CompanyData> SalesBackend::company(const std::string& clientId) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = state_->companies.find(lower(clientId));
  if (it == state_->companies.end()) return nullptr;
  ensureData(it->second);
  return it->second.data;
}

std::shared_ptr<const DataSet> SalesBackend::currentData(const std::string& clientId) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = state_->companies.find(lower(clientId));
  return it == state_->companies.end() ? nullptr : served(it->second);
}

bool SalesBackend::setDataVersion(const std::string& clientId, int version) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = state_->companies.find(lower(clientId));
  if (it == state_->companies.end() || version < 1 || version > 2) return false;
  it->second.version = version;
  return true;
}

int SalesBackend::dataVersion(const std::string& clientId) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = state_->companies.find(lower(clientId));
  return it == state_->companies.end() ? 0 : it->second.version;
}

bool SalesBackend::setLocked(const std::string& clientId, const std::string& accountId, bool locked) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto c = state_->companies.find(lower(clientId));
  if (c == state_->companies.end()) return false;
  auto a = c->second.accounts.find(lower(accountId));
  if (a == c->second.accounts.end()) return false;
  a->second.config.locked = locked;
  return true;
}

bool SalesBackend::setPassword(const std::string& clientId, const std::string& accountId, const std::string& password) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto c = state_->companies.find(lower(clientId));
  if (c == state_->companies.end()) return false;
  auto a = c->second.accounts.find(lower(accountId));
  if (a == c->second.accounts.end()) return false;
  a->second.config.password = password;
  return true;
}

bool SalesBackend::setDeviceStatus(const std::string& clientId, const std::string& accountId, const std::string& code) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto c = state_->companies.find(lower(clientId));
  if (c == state_->companies.end()) return false;
  auto a = c->second.accounts.find(lower(accountId));
  if (a == c->second.accounts.end()) return false;
  a->second.config.deviceStatus = code;
  return true;
}

bool SalesBackend::requestFullSync(const std::string& clientId, const std::string& accountId) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto c = state_->companies.find(lower(clientId));
  if (c == state_->companies.end()) return false;
  auto a = c->second.accounts.find(lower(accountId));
  if (a == c->second.accounts.end()) return false;
  a->second.fullSyncPending = true;
  keepState();
  return true;
}

bool SalesBackend::renewSkin(const std::string& clientId) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto c = state_->companies.find(lower(clientId));
  if (c == state_->companies.end()) return false;
  ++c->second.config.skinVersion;
  keepState();
  return true;
}

void SalesBackend::expireSessions() {
  std::lock_guard<std::mutex> lock(mutex_);
  state_->sessions.clear();
}

size_t SalesBackend::sessionCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_->sessions.size();
}

void SalesBackend::setStrictRestore(bool strict) {
  std::lock_guard<std::mutex> lock(mutex_);
  config_.strictRestore = strict;
}

void SalesBackend::setAcceptUpperCaseDigest(bool accept) {
  std::lock_guard<std::mutex> lock(mutex_);
  config_.acceptUpperCaseDigest = accept;
}

void SalesBackend::setClock(std::function<double()> clock) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (clock) state_->clock = std::move(clock);
}

base::Value SalesBackend::uploadedOrders(const std::string& clientId) const {
  std::lock_guard<std::mutex> lock(mutex_);
  Value out = Value::array();
  auto c = state_->companies.find(lower(clientId));
  if (c == state_->companies.end()) return out;
  for (const auto& o : c->second.orders) {
    Value order = o.order;
    order["order_item"] = o.lines;
    out.push_back(order);
  }
  return out;
}

base::Value SalesBackend::uploadedCustomers(const std::string& clientId) const {
  std::lock_guard<std::mutex> lock(mutex_);
  Value out = Value::array();
  auto c = state_->companies.find(lower(clientId));
  if (c == state_->companies.end()) return out;
  for (const auto& u : c->second.customers) {
    Value v = u.customer.value();
    v["addresses"] = DataSet::toJson(u.addresses);
    v["contacts"] = DataSet::toJson(u.contacts);
    out.push_back(v);
  }
  return out;
}

std::vector<BackupRecord> SalesBackend::backups(const std::string& clientId, const std::string& accountId) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto c = state_->companies.find(lower(clientId));
  if (c == state_->companies.end()) return {};
  auto a = c->second.accounts.find(lower(accountId));
  return a == c->second.accounts.end() ? std::vector<BackupRecord>{} : a->second.backups;
}

std::vector<int64_t> SalesBackend::receivedFiles(const std::string& clientId, const std::string& accountId,
                                                 const std::string& deviceId) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto c = state_->companies.find(lower(clientId));
  if (c == state_->companies.end()) return {};
  auto a = c->second.accounts.find(lower(accountId));
  if (a == c->second.accounts.end()) return {};
  auto d = a->second.devices.find(lower(deviceId));
  return d == a->second.devices.end() ? std::vector<int64_t>{} : d->second.receivedFiles;
}

Baseline SalesBackend::baseline(const std::string& clientId, const std::string& accountId, const std::string& deviceId,
                                const std::string& part) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto c = state_->companies.find(lower(clientId));
  if (c == state_->companies.end()) return {};
  auto a = c->second.accounts.find(lower(accountId));
  if (a == c->second.accounts.end()) return {};
  auto d = a->second.devices.find(lower(deviceId));
  if (d == a->second.devices.end()) return {};
  auto b = d->second.acknowledged.find(part);
  return b == d->second.acknowledged.end() ? Baseline{} : b->second;
}

std::shared_ptr<const std::string> SalesBackend::file(const std::string& clientId, const std::string& relativePath) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = state_->companies.find(lower(clientId));
  if (it == state_->companies.end()) return nullptr;
  CompanyState& c = it->second;
  auto data = served(c);
  if (!data) return nullptr;
  if (auto bytes = data->file(relativePath)) return bytes;
  // The icon table comes with the application, so the service is asked for
  // names it was never told about; it draws an icon for each.
  const std::string prefix = "icon/";
  if (relativePath.rfind(prefix, 0) == 0) {
    const std::string name = relativePath.substr(prefix.size());
    const std::string ext = name.size() > 4 ? lower(name.substr(name.size() - 4)) : "";
    if (!name.empty() && name.find('/') == std::string::npos && (ext == ".png" || ext == ".jpg")) {
      auto& made = c.madeIcons[name];
      if (!made) made = std::make_shared<const std::string>(SampleData::iconPicture(name));
      return made;
    }
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// message handling

namespace {

// What one message may touch; the session fields are set for ";" heads only.
struct Request {
  const ParsedMessage& m;
  const ServiceConfig& config;
  std::map<std::string, CompanyState>& companies;
  std::map<std::string, Session>& sessions;
  std::mt19937_64& random;
  const std::function<double()>& clock;
  Session* session = nullptr;
  CompanyState* company = nullptr;
  AccountState* account = nullptr;
  DeviceState* device = nullptr;
};

MessageReply signUp(Request& req) {
  const ParsedMessage& m = req.m;
  if (auto k = missing(m, {"companyname", "companyid", "username", "password", "email", "phone"}); !k.empty()) {
    return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  }
  if (!req.config.allowSignUp) return failure(status::kBadRequest, "sign-up is closed");
  const std::string companyId = *param(m, "companyid");
  const std::string userName = *param(m, "username");
  if (!isIdentifier(companyId)) return failure(status::kBadRequest, "the company id must be 3 or more of A-Z a-z 0-9 _");
  if (!isIdentifier(userName)) return failure(status::kBadRequest, "the user name must be 3 or more of A-Z a-z 0-9 _");
  auto password = ServiceCrypto::tripleDesDecrypt(*param(m, "password"));
  if (!password) return failure(status::kBadRequest, "the password cannot be deciphered");
  if (password->size() < 6) return failure(status::kBadRequest, "the password is shorter than 6 characters");
  if (req.companies.count(lower(companyId))) return failure(status::kConflict, "the company id is taken");
  CompanyState& c = req.companies[lower(companyId)];
  c.config.clientId = companyId;
  c.config.name = *param(m, "companyname");
  c.config.email = *param(m, "email");
  c.config.data.seed = 1000 + SampleData::stableHash(lower(companyId)) % 100000;
  c.config.data.products = 12;
  c.config.data.customers = 6;
  AccountConfig a;
  a.accountId = userName;
  a.password = *password;
  a.userName = userName;
  a.email = *param(m, "email");
  a.phone = *param(m, "phone");
  c.config.accounts.push_back(a);
  c.accounts[lower(userName)].config = a;
  return MessageReply{};
}

MessageReply logIn(Request& req) {
  const ParsedMessage& m = req.m;
  if (auto k = missing(m, {"version", "accountId", "deviceId", "password", "clientId", "firstLogin"}); !k.empty()) {
    return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  }
  const std::string firstLogin = *param(m, "firstLogin");
  if (firstLogin != "YES" && firstLogin != "NO") return failure(status::kBadRequest, "\"firstLogin\" must be YES or NO");
  const std::string typedClient = *param(m, "clientId");
  const std::string typedAccount = *param(m, "accountId");
  const std::string device = *param(m, "deviceId");
  const std::string digest = *param(m, "password");
  if (device.empty()) return failure(status::kBadRequest, "\"deviceId\" is empty");
  auto c = req.companies.find(lower(typedClient));
  if (c == req.companies.end()) return failure(status::kUnknownClient, "unknown client id");
  auto a = c->second.accounts.find(lower(typedAccount));
  if (a == c->second.accounts.end()) return failure(status::kLoginRefused, "unknown user");
  if (!ServiceCrypto::isHexDigest(digest, !req.config.acceptUpperCaseDigest)) {
    return failure(status::kLoginRefused, "the password must be the 32 lower-case hexadecimal digits of its MD5 digest");
  }
  AccountState& account = a->second;
  if (lower(digest) != ServiceCrypto::md5Hex(account.config.password)) {
    return failure(status::kLoginRefused, "wrong password");
  }
  if (account.config.locked) return failure(status::kUserLocked, "the user is locked");
  if (!account.config.device.empty() && lower(account.config.device) != lower(device)) {
    return failure(status::kDeviceLocked, "the user is bound to another device");
  }
  CompanyState& company = c->second;
  ensureData(company);
  DeviceState& ds = account.devices[lower(device)];
  bool dataUpdated = false;
  for (const char* part : kParts) {
    auto b = ds.acknowledged.find(part);
    if (b == ds.acknowledged.end() || b->second.version != company.version) dataUpdated = true;
  }
  const bool skinUpdated = ds.skinVersion < company.config.skinVersion;
  const bool syncAll = account.fullSyncPending;
  account.fullSyncPending = false;

  char idText[33];
  std::snprintf(idText, sizeof idText, "%016llx%016llx", static_cast<unsigned long long>(req.random()),
                static_cast<unsigned long long>(req.random()));
  const std::string sessionId = idText;
  req.sessions[sessionId] = Session{c->first, a->first, typedClient, typedAccount, device};

  const bool hasBackup = !account.backups.empty();
  Value vendor = {{"account", typedAccount},
                  {"clientId", typedClient},
                  {"device_id", device},
                  {"device_token", ""},
                  {"discount", account.config.discount},
                  {"is_locked", "0"},
                  {"password", ""},
                  {"phone", account.config.phone},
                  {"username", account.config.userName},
                  {"vendor_group_id", account.config.vendorGroupId},
                  {"vendor_id", account.config.vendorId},
                  {"vendor_state_id", account.config.vendorStateId},
                  {"hasBackup", hasBackup},
                  {"lastBackupDate", hasBackup ? account.backups.back().time : 0.0}};
  Value content = {{"sessionId", sessionId},
                   {"dataUpdated", dataUpdated ? 1 : 0},
                   {"skinUpdated", skinUpdated ? 1 : 0},
                   {"syncAll", syncAll ? 1 : 0},
                   {"email", account.config.email},
                   {"company_name", company.config.name},
                   {"link", company.config.link},
                   {"user_access", company.config.userAccess},
                   {"vendor", vendor}};
  MessageReply r;
  r.content = content.dump();
  r.newSessionId = sessionId;
  return r;
}

MessageReply deviceStatus(Request& req) {
  const ParsedMessage& m = req.m;
  if (auto k = missing(m, {"accountId", "deviceId", "clientId"}); !k.empty()) {
    return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  }
  auto c = req.companies.find(lower(*param(m, "clientId")));
  if (c == req.companies.end()) return failure(status::kUnknownClient, "unknown client id");
  auto a = c->second.accounts.find(lower(*param(m, "accountId")));
  if (a == c->second.accounts.end()) return failure(status::kLoginRefused, "unknown user");
  if (a->second.config.locked) return failure(status::kUserLocked, "the user is locked");
  MessageReply r;
  r.status = a->second.config.deviceStatus;
  return r;
}

MessageReply userInfo(Request& req) {
  const ParsedMessage& m = req.m;
  if (auto k = missing(m, {"accountId", "clientId"}); !k.empty()) {
    return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  }
  auto c = req.companies.find(lower(*param(m, "clientId")));
  if (c == req.companies.end()) return failure(status::kUnknownClient, "unknown client id");
  auto a = c->second.accounts.find(lower(*param(m, "accountId")));
  if (a == c->second.accounts.end()) return failure(status::kLoginRefused, "unknown user");
  Value content = {{"email", a->second.config.email},
                   {"company_name", c->second.config.name},
                   {"link", c->second.config.link},
                   {"user_access", c->second.config.userAccess}};
  MessageReply r;
  r.content = content.dump();
  return r;
}

MessageReply configuration(Request& req) {
  const ParsedMessage& m = req.m;
  const std::string& method = req.m.methodName;
  if (auto k = missing(m, {"clientId"}); !k.empty()) return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  auto c = req.companies.find(lower(*param(m, "clientId")));
  if (c == req.companies.end()) return failure(status::kUnknownClient, "unknown client id");
  const CompanyConfig& cc = c->second.config;
  Value content = Value::object();
  if (method == "loadConfigurationData") {
    content["configuration"] = {{"home", cc.home},         {"category", cc.category}, {"customer", cc.customer},
                                {"inventory", cc.inventory}, {"library", cc.library},   {"order", cc.order},
                                {"sync", cc.sync}};
  }
  content["appConfiguration"] = {{"dateformat", cc.dateFormat}, {"modifyprice", cc.modifyPrice}};
  if (method == "loadConfigurationData") {
    content["settings"] = {{"view_type", cc.viewType}, {"order_method", cc.orderMethod}};
  }
  MessageReply r;
  r.content = content.dump();
  return r;
}

MessageReply appVersion(Request& req) {
  const ParsedMessage& m = req.m;
  if (auto k = missing(m, {"version"}); !k.empty()) return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  const AppUpdateConfig& u = req.config.appUpdate;
  Value content = {{"update_status", u.updateStatus},
                   {"latest_version", u.latestVersion},
                   {"app_url", u.appUrl},
                   {"messages", {{"zh", u.messageZh}, {"en", u.messageEn}}}};
  MessageReply r;
  r.content = content.dump();
  return r;
}

MessageReply tables(Request& req) {
  const ParsedMessage& m = req.m;
  Session& session = *req.session;
  CompanyState& company = *req.company;
  DeviceState& device = *req.device;
  if (auto k = missing(m, {"deviceId", "syncType", "isFull"}); !k.empty()) {
    return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  }
  if (lower(*param(m, "deviceId")) != lower(session.device)) {
    return failure(status::kBadRequest, "\"deviceId\" is not the device of the session");
  }
  const std::string isFull = *param(m, "isFull");
  if (isFull != "true" && isFull != "false") return failure(status::kBadRequest, "\"isFull\" must be true or false");
  const std::string type = *param(m, "syncType");
  if (type != "product" && type != "file" && type != "customer" && type != "icon") {
    return failure(status::kBadRequest, "unknown syncType \"" + type + "\"");
  }
  auto now = company.data->version(company.version);
  std::shared_ptr<const DataSet> before;
  Baseline since;
  if (isFull == "false") {
    auto b = device.acknowledged.find(type);
    if (b != device.acknowledged.end()) {
      since = b->second;
      before = company.data->version(since.version);
    }
  }
  const DataSet* was = before.get();
  const bool text = now->options.numbersAsText;
  auto off = [&](int64_t v) { return text ? Value(std::to_string(v)) : Value(v); };
  MessageReply r;
  if (type != "icon") device.served[type] = Baseline{company.version, type == "customer" ? company.customers.size() : 0};
  const auto cacheKey = std::make_tuple(type, now.get(), was);
  if (type != "customer") {
    auto cached = company.tableContents.find(cacheKey);
    if (cached != company.tableContents.end()) {
      r.sharedContent = cached->second.text;
      return r;
    }
  }
  if (type == "product") {
    ReplyText out;
    out.put("[");
    appendChangedRows(out, now->products, was ? &was->products : nullptr, "publish", off(-1));
    out.put(",");
    appendChangedRows(out, now->categories, was ? &was->categories : nullptr, "categoryPublish", off(0));
    out.put(",");
    appendChangedRows(out, now->productFields, was ? &was->productFields : nullptr, "published", off(0));
    for (const Table* table : {&now->relatedFiles, &now->tags, &now->productTags, &now->relatedProducts}) {
      out.put(",");
      appendAllRows(out, *table);
    }
    out.put("]");
    r.content = out.join();
  } else if (type == "file") {
    std::string keyIds;
    if (was) {
      for (const auto& row : now->libraryFiles) {
        const Row* prior = DataSet::find(was->libraryFiles, row.key);
        if (!prior || *prior->json == *row.json) continue;
        if (prior->value().value("fileName", std::string()) != row.value().value("fileName", std::string())) {
          keyIds += (keyIds.empty() ? "" : ",") + std::to_string(row.key);
        }
      }
    }
    ReplyText out;
    out.put("[");
    appendChangedRows(out, now->libraryFiles, was ? &was->libraryFiles : nullptr, "publish", off(0));
    out.put(",");
    appendChangedRows(out, now->libraryCategories, was ? &was->libraryCategories : nullptr, "catePublished", off(0));
    out.keep("," + Value{{"keyIDS", keyIds}}.dump() + "]");
    r.content = out.join();
  } else if (type == "customer") {
    // A book of hundreds of thousands of customers is hundreds of megabytes
    // of text: the reply is written once, table by table, into one text that
    // is sent as it stands.
    const CustomerView view(*now);
    std::vector<const Row*> sent;
    std::vector<std::string> gone;
    if (was) {
      const CustomerView prior(*was);
      std::unordered_map<int64_t, const Row*> before;
      before.reserve(was->customers.size());
      for (const auto& c : was->customers) before.emplace(c.key, &c);
      for (const auto& c : now->customers) {
        const auto it = before.find(c.key);
        const bool kept = it != before.end();
        if (!kept || !view.sameAs(prior, c, it->second)) sent.push_back(&c);
        if (kept) before.erase(it);
      }
      for (const auto& c : was->customers) {
        if (before.count(c.key)) gone.push_back(unpublished(c, "customerPublish", off(0)));
      }
    } else {
      sent.reserve(now->customers.size());
      for (const auto& c : now->customers) sent.push_back(&c);
    }
    const size_t from = was ? since.uploads : 0;
    ReplyText content;
    content.put("[");
    ArrayText customers(content);
    for (const Row* c : sent) customers.add(*c->json);
    for (auto& text : gone) customers.addMade(std::move(text));
    for (size_t i = from; i < company.customers.size(); ++i) customers.add(*company.customers[i].customer.json);
    customers.close();
    content.put(",");
    ArrayText fields(content);
    for (const auto& row : now->customerFields) fields.add(*row.json);
    fields.close();
    content.put(",");
    ArrayText addresses(content);
    for (const Row* c : sent) {
      for (const Row* a : view.addresses(c->key)) addresses.add(*a->json);
    }
    for (size_t i = from; i < company.customers.size(); ++i) {
      for (const auto& a : company.customers[i].addresses) addresses.add(*a.json);
    }
    addresses.close();
    content.put(",");
    ArrayText contacts(content);
    for (const Row* c : sent) {
      for (const Row* k : view.contacts(c->key)) contacts.add(*k->json);
    }
    for (size_t i = from; i < company.customers.size(); ++i) {
      for (const auto& k : company.customers[i].contacts) contacts.add(*k.json);
    }
    contacts.close();
    content.put("]");
    r.sharedContent = std::make_shared<const std::string>(content.join());
    return r;
  } else {
    ReplyText out;
    appendAllRows(out, now->icons);
    r.content = out.join();
  }
  // Versions and baselines are few; a cache that somehow grows is emptied.
  if (company.tableContents.size() >= 32) company.tableContents.clear();
  auto shared = std::make_shared<const std::string>(std::move(r.content));
  company.tableContents[cacheKey] = CachedContent{now, before, shared};
  r.sharedContent = std::move(shared);
  return r;
}

MessageReply syncFinished(Request& req) {
  const ParsedMessage& m = req.m;
  CompanyState& company = *req.company;
  DeviceState& device = *req.device;
  if (auto k = missing(m, {"tableType"}); !k.empty()) return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  const std::string type = *param(m, "tableType");
  if (type == "skin") {
    device.skinVersion = company.config.skinVersion;
  } else if (type == "product" || type == "file" || type == "customer") {
    auto pending = device.served.find(type);
    if (pending != device.served.end()) {
      device.acknowledged[type] = pending->second;
      device.served.erase(pending);
    }
  } else {
    return failure(status::kBadRequest, "unknown tableType \"" + type + "\"");
  }
  return MessageReply{};
}

MessageReply fileReceived(Request& req) {
  const ParsedMessage& m = req.m;
  DeviceState& device = *req.device;
  if (auto k = missing(m, {"fileIds"}); !k.empty()) return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  auto id = parseInteger(*param(m, "fileIds"));
  if (!id) return failure(status::kBadRequest, "\"fileIds\" must be one decimal id");
  device.receivedFiles.push_back(*id);
  return MessageReply{};
}

MessageReply orderHistory(Request& req) {
  const ParsedMessage& m = req.m;
  Session& session = *req.session;
  CompanyState& company = *req.company;
  AccountState& account = *req.account;
  if (auto k = missing(m, {"numberOfOrder"}); !k.empty()) return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  auto count = parseInteger(*param(m, "numberOfOrder"));
  if (!count || *count < 0) return failure(status::kBadRequest, "\"numberOfOrder\" must be a count");
  std::string bound;
  if (auto baseTime = param(m, "baseTime"); baseTime && !baseTime->empty()) {
    bound = serverTimeKey(*baseTime);
    if (bound.empty()) return failure(status::kBadRequest, "\"baseTime\" must read yyyy-MM-dd HH:mm:ss");
  }
  if (!account.history) account.history = SampleData::orderHistory(*company.data->first, account.config.accountId,
                                                                    account.config.historyOrders);
  struct Entry {
    std::string key;
    const Value* order;
    std::vector<const Value*> lines;
  };
  std::vector<Entry> entries;
  std::map<int64_t, std::vector<const Value*>> linesOf;
  for (const auto& line : account.history->items) linesOf[line.value("order_id", int64_t{0})].push_back(&line);
  for (const auto& order : account.history->orders) {
    entries.push_back({anyTimeKey(order.value("cdate", std::string())), &order,
                       linesOf[order.value("order_id", int64_t{0})]});
  }
  for (const auto& stored : company.orders) {
    if (stored.accountKey != session.accountKey) continue;
    Entry e{anyTimeKey(textMember(stored.order, "cdate")), &stored.order, {}};
    for (const auto& line : stored.lines) e.lines.push_back(&line);
    entries.push_back(std::move(e));
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.key > b.key; });
  Value orders = Value::array(), items = Value::array();
  for (const auto& e : entries) {
    if (static_cast<int64_t>(orders.size()) >= *count) break;
    if (!bound.empty() && !(e.key < bound)) continue;
    orders.push_back(*e.order);
    for (const Value* line : e.lines) items.push_back(*line);
  }
  MessageReply r;
  r.content = Value{{"orders", orders}, {"items", items}}.dump();
  return r;
}

// Orders: stored once per order number; a resend gets the id given the first time.
MessageReply orderUpload(Request& req, const Value& doc) {
  CompanyState& company = *req.company;
  const Session& session = *req.session;
  const Value& list = doc["order"];
  if (!list.is_array()) return failure(status::kBadRequest, "\"order\" is not an array");
  for (const auto& order : list) {
    if (!order.is_object()) return failure(status::kBadRequest, "an order is not an object");
    auto number = order.find("order_number");
    if (number == order.end() || !number->is_string() || number->get<std::string>().empty()) {
      return failure(status::kBadRequest, "an order has no \"order_number\" text");
    }
    auto items = order.find("order_item");
    if (items != order.end() && !items->is_array() &&
        !(items->is_object() && items->contains("order_items") && (*items)["order_items"].is_array())) {
      return failure(status::kBadRequest, "\"order_item\" of order " + number->get<std::string>() + " is malformed");
    }
  }
  Value replies = Value::array();
  for (const auto& order : list) {
    const std::string number = order["order_number"].get<std::string>();
    auto known = company.orderByNumber.find(number);
    int64_t id;
    if (known != company.orderByNumber.end()) {
      id = company.orders[known->second].order.value("order_id", int64_t{0});
    } else {
      id = company.nextOrderId++;
      StoredOrder stored;
      stored.accountKey = session.accountKey;
      stored.order = order;
      stored.order.erase("order_item");
      stored.order["order_id"] = id;
      stored.order["uploaded"] = 1;
      const Value* lines = nullptr;
      if (auto items = order.find("order_item"); items != order.end()) {
        lines = items->is_array() ? &*items : &(*items)["order_items"];
      }
      if (lines) {
        for (const auto& line : *lines) {
          if (!line.is_object()) continue;
          Value copy = line;
          copy["order_id"] = id;
          copy["order_item_id"] = company.nextOrderItemId++;
          stored.lines.push_back(copy);
        }
      }
      company.orderByNumber[number] = company.orders.size();
      company.orders.push_back(std::move(stored));
    }
    replies.push_back(Value{{"id", number}, {"generateId", id}});
  }
  MessageReply r;
  r.content = Value{{"orders", replies}}.dump();
  return r;
}

// Customers made on the device, with their addresses, attribute values and
// contacts: new ids, mapped by the device's own (negative) ids.
MessageReply customerUpload(Request& req, const Value& doc) {
  CompanyState& company = *req.company;
  const Session& session = *req.session;
  static const char* const kMembers[] = {"marvisto_customer", "marvisto_customer_address", "marvisto_customer_attribute",
                                         "marvisto_customer_contact"};
  for (const char* member : kMembers) {
    if (!doc.contains(member) || !doc[member].is_array()) {
      return failure(status::kBadRequest, std::string("\"") + member + "\" is missing or not an array");
    }
    for (const auto& e : doc[member]) {
      if (!e.is_object()) return failure(status::kBadRequest, std::string("an element of \"") + member + "\" is not an object");
    }
  }
  const std::string scope = session.accountKey + "|" + lower(session.device) + "|";
  std::set<int64_t> inDocument;
  for (const auto& c : doc["marvisto_customer"]) {
    auto id = integerMember(c, "customer_id");
    if (!id || *id >= 0) return failure(status::kBadRequest, "a customer's \"customer_id\" must be its negative local id");
    inDocument.insert(*id);
  }
  auto knownCustomer = [&](int64_t pre) {
    return pre >= 0 || inDocument.count(pre) || company.uploadIds.count("c|" + scope + std::to_string(pre));
  };
  struct ChildSpec {
    const char* member;
    const char* idKey;
  };
  const ChildSpec children[] = {{"marvisto_customer_address", "id"},
                                {"marvisto_customer_attribute", "attribute_id"},
                                {"marvisto_customer_contact", "contact_id"}};
  for (const auto& spec : children) {
    for (const auto& e : doc[spec.member]) {
      auto owner = integerMember(e, "customer_id");
      if (!owner || !integerMember(e, spec.idKey)) {
        return failure(status::kBadRequest, std::string("an element of \"") + spec.member + "\" lacks \"customer_id\" or \"" +
                                                spec.idKey + "\" as numbers");
      }
      if (!knownCustomer(*owner)) {
        return failure(status::kBadRequest, std::string("an element of \"") + spec.member + "\" names an unknown customer");
      }
      if (std::string(spec.member) == "marvisto_customer_attribute" && !integerMember(e, "attribute_fields_id")) {
        return failure(status::kBadRequest, "an attribute lacks \"attribute_fields_id\" as a number");
      }
    }
  }

  // A device never gives one local id to two rows (after an upload its rows
  // take the service's ids), so a resend names the same rows again: they keep
  // the ids given the first time, and only a changed content is stored again.
  struct Assigned {
    int64_t id;
    bool fresh;
    bool changed;
  };
  auto assign = [&](const std::string& key, const std::string& content, int64_t& counter) {
    auto it = company.uploadIds.find(key);
    if (it != company.uploadIds.end()) {
      const bool changed = it->second.second != content;
      it->second.second = content;
      return Assigned{it->second.first, false, changed};
    }
    const int64_t id = counter++;
    company.uploadIds[key] = {id, content};
    return Assigned{id, true, false};
  };
  auto serviceCustomer = [&](int64_t pre) -> int64_t {
    if (pre >= 0) return pre;
    auto it = company.uploadIds.find("c|" + scope + std::to_string(pre));
    return it == company.uploadIds.end() ? 0 : it->second.first;
  };
  auto uploadedRecord = [&](int64_t id) -> UploadedCustomer* {
    for (auto& u : company.customers) {
      if (u.customer.key == id) return &u;
    }
    return nullptr;
  };
  auto keep = [](Table& table, Row row) {
    for (auto& r : table) {
      if (r.key == row.key) {
        r = std::move(row);
        return;
      }
    }
    table.push_back(std::move(row));
  };
  const bool text = company.data->first->options.numbersAsText;
  auto num = [&](int64_t v) { return text ? Value(std::to_string(v)) : Value(v); };
  int64_t activeField = 0;
  for (const auto& f : company.data->first->customerFields) {
    Value fv = f.value();
    if (fv.value("attributeName", std::string()) == "Active") activeField = f.key;
  }

  Value customersOut = Value::array(), addressesOut = Value::array(), attributesOut = Value::array(),
        contactsOut = Value::array();
  for (const auto& c : doc["marvisto_customer"]) {
    const int64_t pre = *integerMember(c, "customer_id");
    const Assigned given = assign("c|" + scope + std::to_string(pre), c.dump(), company.nextCustomerId);
    double discount = 0;
    if (auto d = c.find("discount"); d != c.end() && d->is_number()) discount = d->get<double>();
    if (given.fresh) {
      Value row = {{"customerId", num(given.id)},
                   {"customerInfoId", ""},
                   {"customerName", textMember(c, "customer_name")},
                   {"customerPublish", num(1)},
                   {"customerOrdering", num(0)},
                   {"customerDiscount", discount},
                   {"attributes", Value::array()}};
      company.customers.push_back(UploadedCustomer{session.accountKey, Row::make(given.id, row), {}, {}});
    } else if (given.changed) {
      if (UploadedCustomer* u = uploadedRecord(given.id)) {
        Value row = u->customer.value();
        row["customerName"] = textMember(c, "customer_name");
        row["customerDiscount"] = discount;
        u->customer = Row::make(given.id, row);
      }
    }
    customersOut.push_back(Value{{"customerId", given.id}, {"preId", pre}});
  }
  for (const auto& e : doc["marvisto_customer_address"]) {
    const int64_t pre = *integerMember(e, "id");
    const int64_t owner = *integerMember(e, "customer_id");
    const Assigned given = assign("a|" + scope + std::to_string(owner) + "|" + std::to_string(pre), e.dump(),
                                  company.nextAddressId);
    const int64_t id = given.id;
    const int64_t customerId = serviceCustomer(owner);
    Value row = {{"id", num(id)},
                 {"customerId", num(customerId)},
                 {"address", textMember(e, "address")},
                 {"city", textMember(e, "city")},
                 {"state", textMember(e, "state")},
                 {"zip_code", textMember(e, "zip_code")}};
    if (given.fresh || given.changed) {
      if (UploadedCustomer* u = uploadedRecord(customerId)) keep(u->addresses, Row::make(id, row, customerId));
    }
    addressesOut.push_back(Value{{"preId", pre},
                                 {"customerId", customerId},
                                 {"id", id},
                                 {"address", row["address"]},
                                 {"city", row["city"]},
                                 {"state", row["state"]},
                                 {"zip_code", row["zip_code"]}});
  }
  for (const auto& e : doc["marvisto_customer_attribute"]) {
    const int64_t pre = *integerMember(e, "attribute_id");
    const int64_t owner = *integerMember(e, "customer_id");
    const int64_t field = *integerMember(e, "attribute_fields_id");
    const Assigned given = assign("t|" + scope + std::to_string(owner) + "|" + std::to_string(pre), e.dump(),
                                  company.nextAttributeId);
    const int64_t id = given.id;
    const int64_t customerId = serviceCustomer(owner);
    std::string value;
    auto v = e.find("attribute_value");
    if (v != e.end() && v->is_number()) {
      // the "Active" switch travels as a number; it is kept as the text the tables use
      value = field == activeField && activeField != 0 ? (v->get<double>() == 0 ? "NO" : "YES") : v->dump();
    } else {
      value = textMember(e, "attribute_value");
    }
    if (given.fresh || given.changed) {
      if (UploadedCustomer* u = uploadedRecord(customerId)) {
        Value row = u->customer.value();
        Value attribute = {{"attributeId", num(id)}, {"attributeFieldsId", num(field)}, {"attributeValue", value}};
        bool replaced = false;
        for (auto& a : row["attributes"]) {
          if (a["attributeId"] == attribute["attributeId"]) {
            a = attribute;
            replaced = true;
          }
        }
        if (!replaced) row["attributes"].push_back(attribute);
        u->customer = Row::make(customerId, row);
      }
    }
    attributesOut.push_back(Value{{"preId", pre},
                                  {"attributeId", id},
                                  {"customerId", customerId},
                                  {"attributeFieldsId", field},
                                  {"attributeValue", value}});
  }
  for (const auto& e : doc["marvisto_customer_contact"]) {
    const int64_t pre = *integerMember(e, "contact_id");
    const int64_t owner = *integerMember(e, "customer_id");
    const Assigned given = assign("k|" + scope + std::to_string(owner) + "|" + std::to_string(pre), e.dump(),
                                  company.nextContactId);
    const int64_t id = given.id;
    const int64_t customerId = serviceCustomer(owner);
    Value reply = {{"preId", pre},
                   {"customerId", customerId},
                   {"contactId", id},
                   {"firstName", textMember(e, "first_name")},
                   {"lastName", textMember(e, "last_name")},
                   {"jobTitle", textMember(e, "job_title")},
                   {"workPhone", textMember(e, "work_phone")},
                   {"mobilePhone", textMember(e, "mobile_phone")},
                   {"email", textMember(e, "email")},
                   {"im", textMember(e, "im")},
                   {"note", textMember(e, "note")}};
    if (given.fresh || given.changed) {
      if (UploadedCustomer* u = uploadedRecord(customerId)) {
        Value row = reply;
        row.erase("preId");
        row["customerId"] = num(customerId);
        row["contactId"] = num(id);
        keep(u->contacts, Row::make(id, row, customerId));
      }
    }
    contactsOut.push_back(reply);
  }
  MessageReply r;
  r.content = Value{{"marvisto_customer", customersOut},
                    {"marvisto_customer_address", addressesOut},
                    {"marvisto_customer_attribute", attributesOut},
                    {"marvisto_customer_contact", contactsOut}}
                  .dump();
  return r;
}

MessageReply upload(Request& req) {
  const ParsedMessage& m = req.m;
  if (auto k = missing(m, {"syncData"}); !k.empty()) return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  Value doc = Value::parse(*param(m, "syncData"), nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) return failure(status::kBadRequest, "\"syncData\" is not a JSON object");
  if (doc.contains("order")) return orderUpload(req, doc);
  if (doc.contains("marvisto_customer")) return customerUpload(req, doc);
  return failure(status::kBadRequest, "\"syncData\" holds neither \"order\" nor \"marvisto_customer\"");
}

MessageReply backup(Request& req) {
  const ParsedMessage& m = req.m;
  AccountState& account = *req.account;
  if (auto k = missing(m, {"syncData"}); !k.empty()) return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  const std::string text = *param(m, "syncData");
  Value doc = Value::parse(text, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) return failure(status::kBadRequest, "the backup is not a JSON object");
  for (const char* member : kBackupMembers) {
    if (!doc.contains(member) || !doc[member].is_array()) {
      return failure(status::kBadRequest, std::string("backup member \"") + member + "\" is missing or not an array");
    }
  }
  // to the millisecond, so that "%f" of the time names it exactly
  double time = std::floor(req.clock() * 1000.0) / 1000.0;
  if (!account.backups.empty() && time <= account.backups.back().time) time = account.backups.back().time + 0.001;
  account.backups.push_back(BackupRecord{time, text});
  MessageReply r;
  r.content = Value{{"last_backup_date", time}}.dump();
  return r;
}

MessageReply restore(Request& req) {
  const ParsedMessage& m = req.m;
  AccountState& account = *req.account;
  if (auto k = missing(m, {"last_backup_date"}); !k.empty()) {
    return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  }
  auto asked = parseReal(*param(m, "last_backup_date"));
  if (!asked) return failure(status::kBadRequest, "\"last_backup_date\" must be a number");
  if (account.backups.empty()) return failure(status::kNoBackup, "there is no backup");
  const BackupRecord* chosen = nullptr;
  if (req.config.strictRestore) {
    for (const auto& b : account.backups) {
      if (std::fabs(b.time - *asked) < 0.0005) chosen = &b;
    }
    if (!chosen) return failure(status::kNoBackup, "no backup was made at that time");
  } else {
    double best = req.config.restoreTolerance;
    for (const auto& b : account.backups) {
      double d = std::fabs(b.time - *asked);
      if (d <= best) {
        best = d;
        chosen = &b;
      }
    }
    if (!chosen) chosen = &account.backups.back();
  }
  MessageReply r;
  r.content = chosen->document;  // byte for byte as it was stored
  return r;
}

}  // namespace

MessageReply SalesBackend::handle(const std::string& head, const ParsedMessage& m, const std::string& sessionId) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!knownHead(head)) return failure(status::kBadRequest, "unknown request head \"" + head + "\"");
  if (!m.valid) return failure(status::kBadRequest, m.error);
  if (!allowedMethod(head, m.methodName)) {
    return failure(status::kBadRequest, "method \"" + m.methodName + "\" does not belong to \"" + head + "\"");
  }
  State& st = *state_;
  Request req{m, config_, st.companies, st.sessions, st.random, st.clock};
  const std::string& method = m.methodName;
  // What a device learns at its login and acknowledges survives a restart.
  auto kept = [this](MessageReply reply) {
    if (reply.status == status::kOk) keepState();
    return reply;
  };

  if (head.back() == '?') {
    if (method == "register") return signUp(req);
    if (method == "login") return kept(logIn(req));
    if (method == "checkDeviceStatus") return deviceStatus(req);
    if (method == "getuserinfo") return userInfo(req);
    if (method == "loadConfigurationData" || method == "getRunTimeConfig") return configuration(req);
    if (method == "checkAppVersion") return appVersion(req);
    return failure(status::kBadRequest, "unknown method \"" + method + "\"");
  }

  // session requests: the cookie names the session, and the names must be its own
  auto s = st.sessions.find(sessionId);
  if (sessionId.empty() || s == st.sessions.end()) return failure(status::kSessionExpired, "no valid session cookie");
  Session& session = s->second;
  if (auto k = missing(m, {"accountId", "clientId"}); !k.empty()) {
    return failure(status::kBadRequest, "parameter \"" + k + "\" is missing");
  }
  if (lower(*param(m, "clientId")) != session.clientKey || lower(*param(m, "accountId")) != session.accountKey) {
    return failure(status::kBadRequest, "\"accountId\" and \"clientId\" do not belong to the session");
  }
  auto company = st.companies.find(session.clientKey);
  if (company == st.companies.end()) return failure(status::kSessionExpired, "the session's company is gone");
  auto account = company->second.accounts.find(session.accountKey);
  if (account == company->second.accounts.end()) return failure(status::kSessionExpired, "the session's user is gone");
  if (account->second.config.locked) return failure(status::kUserLocked, "the user is locked");
  ensureData(company->second);
  req.session = &session;
  req.company = &company->second;
  req.account = &account->second;
  req.device = &account->second.devices[lower(session.device)];

  if (method == "syncData" && head == "SyncServer;") return tables(req);
  if (method == "syncDataFinished") return kept(syncFinished(req));
  if (method == "syncFileFinished") return fileReceived(req);
  if (method == "getorderhistory") return orderHistory(req);
  if (method == "syncData" && head == "SyncClient;") return upload(req);
  if (method == "backupData") return backup(req);
  if (method == "restoreData") return restore(req);
  return failure(status::kBadRequest, "unknown method \"" + method + "\"");
}

}  // namespace mv::sales
