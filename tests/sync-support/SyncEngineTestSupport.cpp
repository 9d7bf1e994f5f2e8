#include "SyncEngineTestSupport.hpp"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>

#include "SessionFixture.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/gfx/ImageData.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/requests/RequestGetUserinfo.hpp"
#include "sync/requests/RequestRuntimeConfig.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace fs = std::filesystem;

namespace mv::test {

// ---- stand-ins ---------------------------------------------------------------------------

std::string RecordingSyncSession::clientID() const { return Session::current().clientID; }

void RecordingSyncSession::setClientID(const std::string& clientId) {
  mv::test::signInAs(clientId, Session::current().acountID);
}

void RecordingSyncSession::setSessionId(const std::string& sessionId) {
  mv::test::changeSession([&](Session& s) { s.sessionId = sessionId; });
}

void RecordingSyncSession::getUserinfo() {
  ++userinfoRequests;
  replies->send(std::make_shared<RequestGetUserinfo>());
}

void RecordingSyncSession::getRuntimeConfig() {
  ++runtimeConfigRequests;
  auto request = std::make_shared<RequestRuntimeConfig>();
  request->clientId = Session::current().clientID;
  replies->send(request);
}

void RecordingSyncDelegate::breakSync(const std::string& message) {
  events.push_back("break");
  breaks.push_back(message);
  if (auto e = engine.lock()) e->resetDownloadProgress();
}

void RecordingSyncDelegate::finishedSync() {
  events.push_back("finished");
  if (auto e = engine.lock()) e->resetDownloadProgress();
}

void RecordingSyncDelegate::syncEndedBySession() {
  events.push_back("sessionEnded");
  if (auto e = engine.lock()) e->resetDownloadProgress();
}

void RecordingSyncDelegate::setProgress(float value, int imageType, int remainTime) {
  events.push_back("progress:" + std::to_string(imageType));
  progress.push_back({value, imageType, remainTime});
}

int RecordingSyncDelegate::ends() const { return count("break") + count("finished") + count("sessionEnded"); }

std::size_t RecordingSyncDelegate::indexOf(const std::string& event) const {
  return static_cast<std::size_t>(std::find(events.begin(), events.end(), event) - events.begin());
}

int RecordingSyncDelegate::count(const std::string& event) const {
  int n = 0;
  for (const auto& e : events) n += e == event;
  return n;
}

// ---- fixture ----------------------------------------------------------------------------

void SyncEngineTest::SetUp() {
  NetworkTest::SetUp();
  session = std::make_shared<RecordingSyncSession>();
  config = std::make_shared<FakeSyncConfig>();
  customers = std::make_shared<FakeCustomerModel>();
  delegate = std::make_shared<RecordingSyncDelegate>();
  SyncSession::setCurrent(session);
  SyncConfigManager::setCurrent(config);
  company = service->backend().company("acme");
  ASSERT_TRUE(company);
  SessionServices::Registry registry;
  registry.add<SyncModel>();
  registry.add<SyncCustomerModel>([this](SessionServices&) { return customers; });
  scope.emplace(Session::current(), std::move(registry));
  services = scope->services();
  ASSERT_TRUE(services);
  // The customer book is there from the start, as once its tab was shown.
  ASSERT_TRUE(services->get<SyncCustomerModel>());
}

void SyncEngineTest::TearDown() {
  services.reset();
  scope.reset();
  SyncConfigManager::setCurrent({});
  NetworkTest::TearDown();
}

std::shared_ptr<SyncModel> SyncEngineTest::engine() {
  auto e = SyncModel::sharedInstance();
  e->setDelegate(delegate);
  delegate->engine = e;
  return e;
}

bool SyncEngineTest::waitForEnd(int endsBefore, double timeout) {
  return runUntil([&] { return delegate->ends() > endsBefore; }, timeout);
}

bool SyncEngineTest::runSync(double timeout) {
  const int before = delegate->ends();
  engine()->startSync();
  return waitForEnd(before, timeout);
}

const sales::DataSet& SyncEngineTest::data(int version) const { return *company->version(version); }
const sales::ChangeSet& SyncEngineTest::changes() const { return company->changes; }

std::optional<std::string> SyncEngineTest::clientFlag(const std::string& name) const {
  auto value = base::UserDefaults::standard().objectForKey("acme-" + name);
  if (!value || !value->is_string()) return std::nullopt;
  return value->get<std::string>();
}

// ---- store ------------------------------------------------------------------------------

std::vector<Tuple> SyncEngineTest::query(const std::string& sql) {
  std::vector<Tuple> rows;
  SQLiteStatement st = SQLiteDatabase::sharedDataBase().prepare(sql);
  EXPECT_TRUE(st) << sql;
  if (!st) return rows;
  while (st.step() == SQLiteStatement::Step::Row) {
    Tuple row;
    for (int i = 0; i < st.columnCount(); ++i) row.push_back(st.textAt(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

bool SyncEngineTest::execute(const std::string& sql) { return SQLiteDatabase::sharedDataBase().execute(sql); }

namespace {

std::string fixed4(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.4f", value);
  return text;
}

// A member as the store keeps it: texts as they are, numbers as decimal text.
std::string cell(const base::Value& row, const std::string& key) {
  auto it = row.find(key);
  if (it == row.end() || it->is_null()) return "";
  if (it->is_string()) return it->get<std::string>();
  if (it->is_number_integer()) return std::to_string(it->get<std::int64_t>());
  if (it->is_number()) return std::to_string(it->get<double>());
  return it->dump();
}

// A member kept as a real number, as "%.4f".
std::string real(const base::Value& row, const std::string& key) {
  auto it = row.find(key);
  if (it == row.end() || !it->is_number()) return fixed4(0);
  return fixed4(it->get<double>());
}

Tuple cells(const base::Value& row, const std::vector<std::string>& keys) {
  Tuple t;
  for (const auto& k : keys) t.push_back(k.rfind("%", 0) == 0 ? real(row, k.substr(1)) : cell(row, k));
  return t;
}

void addRows(TableRows& out, const sales::Table& table, const std::vector<std::string>& keys) {
  for (const auto& row : table) out.insert(cells(row.value(), keys));
}

}  // namespace

std::map<std::string, TableRows> SyncEngineTest::expectedTables(const sales::DataSet& d) {
  std::map<std::string, TableRows> t;
  for (const auto& row : d.products) {
    const base::Value p = row.value();
    const std::string id = cell(p, "productID");
    t["marvisto_product"].insert(cells(p, {"productID", "productSKU", "productName", "productShortDesc", "productDesc",
                                            "publish", "productOrdering", "productStock", "productSale", "productBuy",
                                            "productTag"}));
    for (const auto& a : p.value("attributes", base::Value::array())) {
      Tuple x = cells(a, {"attributeId"});
      x.push_back(id);
      for (auto& c : cells(a, {"attributeFieldsId", "attributeValue", "defaultValue"})) x.push_back(c);
      t["marvisto_product_attribute"].insert(x);
    }
    for (const auto& c : p.value("productParentList", base::Value::array())) {
      t["marvisto_product_category_xref"].insert({c.is_string() ? c.get<std::string>() : std::to_string(c.get<std::int64_t>()), id});
    }
    t["marvisto_product_price"].insert(cells(
        p, {"priceID", "productID", "vendor_group_id_list", "vendor_state_id_list", "vendor_id_list", "customer_id_list",
            "%price", "currency", "%discountPrice", "discountIdentifier", "%discountStartDate", "%discountEndDate",
            "discountPublish", "%tierStartDate", "%tierEndDate", "tierQuantityPrice", "tierPublish",
            "%discount_percentage"}));
    for (const auto& i : p.value("images", base::Value::array())) {
      t["marvisto_image"].insert(cells(i, {"imageID", "keyID", "keyType", "thumbAddress", "fullAddress", "isDefault",
                                           "imageShortDesc", "imageDesc", "imagePublish", "imageOrdering"}));
    }
  }
  addRows(t["marvisto_category"], d.categories,
          {"categoryID", "categoryName", "categoryCode", "categoryType", "categoryPublish", "categoryOrdering",
           "categoryParentID"});
  addRows(t["marvisto_fields_product_attribute"], d.productFields,
          {"attributeFieldsId", "attributeName", "description", "attributeValue", "display", "published"});
  addRows(t["marvisto_product_related_files"], d.relatedFiles, {"fileId", "productSku", "productId"});
  addRows(t["marvisto_tag"], d.tags, {"id", "tagName"});
  addRows(t["marvisto_product_related_tag"], d.productTags, {"tagId", "productId"});
  addRows(t["marvisto_product_related"], d.relatedProducts, {"id", "firstProductId", "secondProductId"});
  addRows(t["marvisto_library_files"], d.libraryFiles,
          {"id", "title", "fileName", "category", "type", "date", "description", "ordering", "publish", "coverImage",
           "info"});
  addRows(t["marvisto_library_category"], d.libraryCategories,
          {"cateID", "cateName", "cateOrdering", "catePublished", "parentId"});
  for (const auto& row : d.customers) {
    const base::Value c = row.value();
    const std::string id = cell(c, "customerId");
    t["marvisto_customer"].insert(
        cells(c, {"customerId", "customerInfoId", "customerName", "customerPublish", "customerOrdering", "%customerDiscount"}));
    for (const auto& a : c.value("attributes", base::Value::array())) {
      Tuple x = cells(a, {"attributeId"});
      x.push_back(id);
      for (auto& v : cells(a, {"attributeFieldsId", "attributeValue"})) x.push_back(v);
      t["marvisto_customer_attribute"].insert(x);
    }
  }
  addRows(t["marvisto_fields_customer_attribute"], d.customerFields,
          {"attributeFieldsId", "attributeName", "description", "data_type", "selection_list", "display", "published"});
  addRows(t["marvisto_customer_address"], d.addresses, {"id", "customerId", "address", "city", "state", "zip_code"});
  addRows(t["marvisto_customer_contact"], d.contacts,
          {"customerId", "contactId", "firstName", "lastName", "jobTitle", "workPhone", "mobilePhone", "email", "im",
           "note"});
  return t;
}

std::map<std::string, TableRows> SyncEngineTest::storedTables() const {
  const std::map<std::string, std::string> selects = {
      {"marvisto_product",
       "product_id, product_sku, product_name, product_s_desc, product_l_desc, product_publish, product_ordering, "
       "product_stock, product_sale, product_buy, product_tags"},
      {"marvisto_product_attribute", "attribute_id, product_id, attribute_fields_id, attribute_value, default_value"},
      {"marvisto_product_category_xref", "category_id, product_id"},
      {"marvisto_product_price",
       "price_id, product_id, vendor_group_id_list, vendor_state_id_list, vendor_id_list, customer_id_list, "
       "printf('%.4f', price), currency, printf('%.4f', discount_price), discount_identifier, "
       "printf('%.4f', discount_start_date), printf('%.4f', discount_end_date), discount_publish, "
       "printf('%.4f', tier_start_date), printf('%.4f', tier_end_date), tier_quantity_price, tier_publish, "
       "printf('%.4f', discontRat)"},
      {"marvisto_image",
       "image_id, key_id, key_type, image_thumb_address, image_full_address, image_isdault, image_s_desc, "
       "image_l_desc, image_publis, image_ordering"},
      {"marvisto_category",
       "category_id, category_name, category_code, category_type, category_publish, category_ordering, "
       "category_parent_id"},
      {"marvisto_fields_product_attribute", "field_id, field_name, description, selection_list, display, published"},
      {"marvisto_product_related_files", "file_id, product_sku, product_id"},
      {"marvisto_tag", "tag_id, tag_name"},
      {"marvisto_product_related_tag", "tag_id, product_id"},
      {"marvisto_product_related", "serial, first_product_id, second_product_id"},
      {"marvisto_library_files",
       "file_id, title, file_name, category, type, date, description, ordering, published, cover_image, info"},
      {"marvisto_library_category", "category_id, name, ordering, published, parent_id"},
      {"marvisto_customer",
       "customer_id, customer_info_id, customer_name, customer_publish, customer_ordering, printf('%.4f', discount)"},
      {"marvisto_customer_attribute", "attribute_id, customer_id, attribute_fields_id, attribute_value"},
      {"marvisto_fields_customer_attribute",
       "field_id, field_name, description, data_type, selection_list, display, published"},
      {"marvisto_customer_address", "id, customer_id, address, city, state, zip_code"},
      {"marvisto_customer_contact",
       "customer_id, contact_id, first_name, last_name, job_title, work_phone, mobile_phone, email, im, note"},
  };
  std::map<std::string, TableRows> t;
  for (const auto& [table, columns] : selects) {
    for (auto& row : query("SELECT " + columns + " FROM " + table)) t[table].insert(std::move(row));
  }
  return t;
}

// ---- files and the service's log ---------------------------------------------------------

const std::string& SyncEngineTest::pictureBytes() {
  static const std::string bytes = [] {
    const auto png = gfx::ImageData(2, 2).encodePNG();
    return png ? std::string(png->begin(), png->end()) : std::string();
  }();
  return bytes;
}

bool SyncEngineTest::writeFile(const fs::path& path, const std::string& bytes) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out.flush());
}

std::string SyncEngineTest::contentsOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path SyncEngineTest::localPath(const std::string& name, int type) {
  return PublicFunction::filePathWithName(name, type).value_or(fs::path());
}

std::vector<std::string> SyncEngineTest::requestedFiles() const {
  const std::string prefix = "/images/acme/";
  std::vector<std::string> out;
  for (const auto& e : fileRequests()) {
    const auto at = e.path.find(prefix);
    out.push_back(at == std::string::npos ? e.path : e.path.substr(at + prefix.size()));
  }
  return out;
}

std::vector<sales::LogEntry> SyncEngineTest::tableRequests() const { return messagesNamed("syncData"); }

std::vector<std::string> SyncEngineTest::acknowledgements() const {
  std::vector<std::string> out;
  for (const auto& e : messagesNamed("syncDataFinished")) out.push_back(e.parameters.value("tableType", std::string()));
  return out;
}

std::set<std::string> SyncEngineTest::imageFilesOf(const sales::Table& products, const sales::Table& icons,
                                                   const sales::Table& files) {
  std::set<std::string> out;
  for (const auto& row : products) {
    for (const auto& image : row.value().value("images", base::Value::array())) {
      if (cell(image, "imagePublish") != "1") continue;
      for (const char* key : {"fullAddress", "thumbAddress"}) {
        const std::string name = cell(image, key);
        if (!name.empty()) out.insert("product/" + name);
      }
    }
  }
  for (const auto& row : icons) out.insert("icon/" + cell(row.value(), "iconName"));
  for (const auto& row : files) {
    const base::Value f = row.value();
    if (cell(f, "publish") == "1" && !cell(f, "coverImage").empty()) out.insert("library/cover_image/" + cell(f, "coverImage"));
  }
  return out;
}

}  // namespace mv::test
