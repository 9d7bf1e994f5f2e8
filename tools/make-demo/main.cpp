// Builds the demo data archive from the local sales service's sample data:
//   make_demo OUTPUT.zip RESOURCE_DIR STAGING_DIR
// Each demo company is signed in to an in-process service backend, its tables
// are fetched with the application's own requests and decoded and stored as a
// sync stores them, its configuration is stored, and the files its rows name
// are laid out in the client folder. The two folders are then zipped in name
// order, so the same sources always give the same archive.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/base/Log.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "sales-service/SalesBackend.hpp"
#include "sales-service/SampleData.hpp"
#include "store/DataAccessManager.hpp"
#include "store/QuoteOrderEntity.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/requests/RequestConfig.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "sync/requests/RequestSyncAllTable.hpp"
#include "sync/requests/RequestSyncCustomerTable.hpp"
#include "sync/requests/RequestSyncFileTable.hpp"
#include "util/Json.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/ZipArchive.hpp"
#include "util/ZipWriter.hpp"

namespace fs = std::filesystem;
using namespace mv;

namespace {

struct DemoCompany {
  const char* clientId;
  const char* name;
  std::uint64_t seed;
};

constexpr DemoCompany kCompanies[] = {{"quimbeset_", "Quimbeset Home", 7}, {"tolvaren_", "Tolvaren Outdoor", 8}};
constexpr const char* kDevice = "demo-device";
// The library document whose new version has not been fetched, and the name
// of the version on the device.
constexpr const char* kUpdatedDocument = "guide_2.docx";
constexpr const char* kUpdatedDocumentOld = "guide_2_v1.docx";

// The sample's second library document of a kind ("pitch_2.pptx").
bool isSecondDocument(const std::string& name) { return name.find("_2.") != std::string::npos; }

bool fail(const std::string& what) {
  std::fprintf(stderr, "make_demo: %s\n", what.c_str());
  return false;
}

// Sends a request to the backend as the transport would and decodes the reply
// with the request itself.
std::shared_ptr<NetBaseRst> exchange(sales::SalesBackend& backend, const RequestInterfaceBase& request,
                                     const std::string& sessionId, std::string* newSession = nullptr) {
  auto body = request.RequestEncode();
  if (!body) return nullptr;
  auto parsed = sales::SalesBackend::parse(request.requestHead, *body);
  if (!parsed.valid) return nullptr;
  auto reply = backend.handle(request.requestHead, parsed, sessionId);
  if (newSession) *newSession = reply.newSessionId;
  auto json = JSONValue(reply.body());
  if (!json) return nullptr;
  return request.RequestDecode(&*json);
}

template <typename T, typename Save>
bool store(const std::optional<std::vector<T>>& rows, Save save, const char* what) {
  if (!rows) return true;
  if (!save(*rows)) return fail(std::string("cannot store ") + what);
  return true;
}

bool writeFile(const fs::path& path, const std::string& bytes) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// A few quote orders so that the Orders tab shows what a representative
// keeps there: submitted orders and unsubmitted ones, each with lines and a
// customer.
bool addDemoOrders(DataAccessManager& dam, const std::vector<marvisto_product_Entity>& products,
                   const std::vector<marvisto_product_price_Entity>& prices,
                   const std::vector<marvisto_customer_Entity>& customers,
                   const std::vector<marvisto_customer_address_Entity>& addresses) {
  if (products.empty() || customers.empty()) return true;
  struct Plan {
    int customer;
    const char* day;
    bool uploaded;
    std::vector<std::pair<std::size_t, int>> lines;  // product index, quantity
    const char* note;
  };
  const Plan plans[] = {
      {0, "11/18/2025 10:24:00", true, {{0, 4}, {1, 2}}, "Delivered with the autumn stock"},
      {1, "12/02/2025 15:05:00", true, {{2, 10}}, ""},
      {2, "12/09/2025 09:40:00", false, {{1, 3}, {3, 1}, {4, 6}}, "Call before delivery"},
      {0, "12/11/2025 16:12:00", false, {{5, 2}}, ""},
  };
  for (const Plan& plan : plans) {
    QuoteOrderEntity order(Session::current());
    const auto& customer = customers[static_cast<std::size_t>(plan.customer) % customers.size()];
    order.customerId = customer.customer_id;
    order.customerName = customer.customer_name.value_or("");
    order.cdate = order.mdate = plan.day;
    if (auto when = PublicFunction::dateFromString(plan.day, kLocalTimeFormat)) {
      order.number = QuoteOrderEntity::orderNumberAt(Session::current().acountID, *when);
    }
    for (const auto& address : addresses) {
      if (address.customerId != customer.customer_id) continue;
      order.customerAddress = address.customerAddress;
      order.city = address.customerCity;
      order.state = address.customerState;
      order.zip_code = address.customerZipCode;
      if (address.isDefault) break;
    }
    order.setCustomerNote(plan.note);
    order.setUploaded(plan.uploaded);
    for (auto [index, quantity] : plan.lines) {
      const auto& product = products[index % products.size()];
      auto line = std::make_shared<QuoteOrderItemEntity>();
      line->product = product;
      line->sku = product.product_sku;
      line->name = product.product_name;
      line->quantity = quantity;
      line->price = -1;
      for (const auto& price : prices) {
        if (price.product_id != product.product_id) continue;
        line->price = price.price;
        line->currency = price.currency;
      }
      line->finalPrice = line->price;
      line->cdate = line->mdate = plan.day;
      order.currency = line->currency;
      order.items.push_back(std::move(line));
    }
    if (dam.saveQuoteOrder(order) == 0) return fail("cannot store a demo order");
  }
  return true;
}

// A few favourites and products to compare, so that both lists show something.
bool addDemoLists(DataAccessManager& dam, const std::vector<marvisto_product_Entity>& products) {
  for (std::size_t i = 0; i < products.size() && i < 6; ++i) {
    const auto& p = products[i];
    if (i % 2 == 0 && !dam.saveToDatabaseFavorite(p.product_id, p.product_sku, p.product_name)) {
      return fail("cannot store the demo favourites");
    }
    if (i < 3 && !dam.saveToDatabaseCompare(p.product_id, p.product_sku, p.product_name)) {
      return fail("cannot store the demo comparison");
    }
  }
  return true;
}

bool buildCompany(const DemoCompany& demo) {
  sales::ServiceConfig config = sales::ServiceConfig::defaults();
  sales::CompanyConfig company = config.companies[0];
  company.clientId = demo.clientId;
  company.name = demo.name;
  company.data.clientId = demo.clientId;
  company.data.companyName = demo.name;
  company.data.seed = demo.seed;
  company.data.products = 12;
  company.data.imagesPerProduct = 3;
  company.data.customers = 8;
  company.data.topCategories = 2;
  company.data.childCategories = 2;
  company.data.fullImageWidth = 320;
  company.data.fullImageHeight = 240;
  // Two of each kind of library document: the first ones on the device, the
  // second ones still to download, one of them with an update waiting.
  company.data.documentsPerType = 2;
  company.accounts.resize(1);
  company.accounts[0].accountId = "DEMO";
  company.accounts[0].password = demo.clientId;
  company.accounts[0].device = "";
  config.companies = {company};
  sales::SalesBackend backend(config);
  backend.prepare();

  Session demoSession;
  demoSession.clientID = demo.clientId;
  demoSession.acountID = "DEMO";
  demoSession.password = demo.clientId;
  demoSession.deviceID = kDevice;
  Session::publish(demoSession);
  std::string session;
  RequestLogin login;
  auto signedIn = exchange(backend, login, "", &session);
  if (!signedIn || !signedIn->isSuccess() || session.empty()) return fail("the demo sign-in was refused");
  demoSession.sessionId = session;
  Session::publish(demoSession);

  const fs::path folder = base::Paths::documents() / demo.clientId;
  std::error_code ec;
  fs::remove_all(folder, ec);
  auto dam = SessionDatabase::open();
  if (!dam) return fail("cannot create the database of " + std::string(demo.clientId));
  if (!dam->updateVersion()) return fail("cannot bring the database up to date");

  RequestConfig configRequest;
  configRequest.clientId = demo.clientId;
  auto configReply = std::dynamic_pointer_cast<ConfigRst>(exchange(backend, configRequest, session));
  if (!configReply || !configReply->isSuccess() || !dam->syncConfigData(configReply->configTable)) {
    return fail("no configuration");
  }
  if (!dam->queryConfig("configuration")) return fail("the configuration has no module list");

  RequestSyncAllTable productRequest;
  auto products = std::dynamic_pointer_cast<SyncAllTableRst>(exchange(backend, productRequest, session));
  if (!products || !products->isSuccess()) return fail("no product tables");
  bool ok = store(products->productTable, [&](const auto& v) { return dam->saveToDatabaseProduct(v); }, "products") &&
            store(products->productAttributeTable, [&](const auto& v) { return dam->saveToDatabaseProductAttribute(v); },
                  "product attributes") &&
            store(products->fieldsAttributeTable,
                  [&](const auto& v) { return dam->saveToDatabaseFieldsProductAttribute(v); }, "attribute fields") &&
            store(products->productRelatedFilesTable,
                  [&](const auto& v) { return dam->saveToDatabaseProductRelatedFile(v); }, "related files") &&
            store(products->productCategoryXrefTable, [&](const auto& v) { return dam->saveToDatabasePxrefC(v); },
                  "category links") &&
            store(products->productPriceTable, [&](const auto& v) { return dam->saveToDatabasePrice(v); }, "prices") &&
            store(products->productRelatedTable, [&](const auto& v) { return dam->saveToDatabaseProductrelated(v); },
                  "related products") &&
            store(products->imagesTable, [&](const auto& v) { return dam->saveToDatabaseImage(v); }, "images") &&
            store(products->categoryTable, [&](const auto& v) { return dam->saveToDatabaseCategory(v); },
                  "categories") &&
            store(products->productTagTable, [&](const auto& v) { return dam->saveToDatabaseProductTag(v); }, "tags") &&
            store(products->productRelateTagTable,
                  [&](const auto& v) { return dam->saveToDatabaseProductRelatedTag(v); }, "tag links");
  if (!ok) return false;

  RequestSyncFileTable fileRequest;
  auto files = std::dynamic_pointer_cast<SyncFileTableRst>(exchange(backend, fileRequest, session));
  if (!files || !files->isSuccess()) return fail("no library tables");
  ok = store(files->libFileTable, [&](const auto& v) { return dam->saveToDatabaseLibraryFiles(v); }, "library files") &&
       store(files->libCategoryTable, [&](const auto& v) { return dam->saveToDatabaseLibraryCategory(v); },
             "library categories");
  if (!ok) return false;
  for (const auto& file : files->libFileTable.value_or(std::vector<marvisto_library_files_Entity>{})) {
    if (file.file_name != kUpdatedDocument) continue;
    if (!dam->saveToDatabaseLibraryUpdate({file.file_id, kUpdatedDocumentOld, file.type})) {
      return fail("cannot store the library's pending update");
    }
  }

  RequestSyncCustomerTable customerRequest;
  auto customers = std::dynamic_pointer_cast<SyncCustomerTableRst>(exchange(backend, customerRequest, session));
  if (!customers || !customers->isSuccess()) return fail("no customer tables");
  ok = store(customers->customerTable, [&](const auto& v) { return dam->saveToDatabaseCustomer(v); }, "customers") &&
       store(customers->customerAttributeTable,
             [&](const auto& v) { return dam->saveToDatabaseCustomerAttribute(v); }, "customer attributes") &&
       store(customers->fieldsAttributeTable,
             [&](const auto& v) { return dam->saveToDatabaseFieldsCustomerAttribute(v); }, "customer fields") &&
       store(customers->customerAddressTable, [&](const auto& v) { return dam->saveToDatabaseCustomerAddress(v); },
             "addresses") &&
       store(customers->customerContactTable, [&](const auto& v) { return dam->saveToDatabaseCustomerContact(v); },
             "contacts");
  if (!ok) return false;
  if (!addDemoLists(*dam, products->productTable.value_or(std::vector<marvisto_product_Entity>{}))) return false;
  if (!addDemoOrders(*dam, products->productTable.value_or(std::vector<marvisto_product_Entity>{}),
                     products->productPriceTable.value_or(std::vector<marvisto_product_price_Entity>{}),
                     customers->customerTable.value_or(std::vector<marvisto_customer_Entity>{}),
                     customers->customerAddressTable.value_or(std::vector<marvisto_customer_address_Entity>{}))) {
    return false;
  }
  SessionDatabase::close();
  // The archive takes the database file alone: what its log held must be in it.
  for (const auto& sidecar : SQLiteDatabase::sidecarsOf(folder / DataAccessManager::kDatabaseFileName)) {
    if (fs::exists(sidecar, ec)) return fail("the database was left with " + sidecar.filename().string());
  }

  // The files the rows name, in the folders of their types.
  auto data = backend.currentData(demo.clientId);
  if (!data) return fail("no sample data");
  for (int type = kFileTypeProductImage; type <= kFileTypeKeynote; ++type) {
    fs::create_directories(folder / PublicFunction::folderForFileType(type), ec);
  }
  fs::create_directories(folder / "tempDownload", ec);
  for (const auto& [path, bytes] : data->files) {
    if (!bytes) continue;
    if (path == sales::SampleData::skinArchiveName()) {
      const fs::path archive = base::Paths::tmp() / (std::string(demo.clientId) + "-skin.zip");
      if (!writeFile(archive, *bytes)) return fail("cannot write the skin archive");
      ZipArchive zip;
      if (!zip.UnzipOpenFile(archive) || !zip.unzipReplacingFolder(folder / "SkinImages", "SkinImages/")) {
        return fail("cannot unpack the skin: " + zip.lastError());
      }
      zip.UnzipCloseFile();
      fs::remove(archive, ec);
      continue;
    }
    int found = 0;
    for (int type = kFileTypeProductImage; type <= kFileTypeKeynote && !found; ++type) {
      const std::string prefix = sales::SampleData::typePath(type) + "/";
      if (path.compare(0, prefix.size(), prefix) == 0 && path.find('/', prefix.size()) == std::string::npos) {
        found = type;
      }
    }
    if (!found) continue;
    std::string name = path.substr(sales::SampleData::typePath(found).size() + 1);
    if (!PublicFunction::isSafeFileName(name)) return fail("an unsafe file name in the sample data: " + path);
    if (found >= kFileTypePdf && isSecondDocument(name)) {
      // Not downloaded yet; the updated one has its earlier version on the device.
      if (name != kUpdatedDocument) continue;
      name = kUpdatedDocumentOld;
    }
    if (!writeFile(folder / PublicFunction::folderForFileType(found) / name, *bytes)) {
      return fail("cannot write " + path);
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s OUTPUT.zip RESOURCE_DIR STAGING_DIR\n", argv[0]);
    return 2;
  }
  const fs::path output = argv[1];
  const fs::path staging = argv[3];
  base::setLogEnabled(false);
  base::RunLoop::main().adoptCurrentThread();
  std::error_code ec;
  fs::remove_all(staging, ec);
  fs::create_directories(staging, ec);
  base::Paths::setRoot(staging);
  base::Bundle::setResourceDir(argv[2]);
  base::UserDefaults::resetStandard();

  for (const DemoCompany& demo : kCompanies) {
    if (!buildCompany(demo)) return 1;
  }
  const fs::path partial = output.string() + ".partial";
  ZipWriter zip;
  bool ok = zip.open(partial);
  for (const DemoCompany& demo : kCompanies) {
    ok = ok && zip.addFolder(std::string(demo.clientId) + "/") &&
         zip.addFolderContents(base::Paths::documents() / demo.clientId, std::string(demo.clientId) + "/");
  }
  ok = zip.close() && ok;
  if (!ok) {
    fs::remove(partial, ec);
    return fail("cannot write the archive: " + zip.lastError()) ? 0 : 1;
  }
  fs::rename(partial, output, ec);
  if (ec) return fail("cannot move the archive into place: " + ec.message()) ? 0 : 1;
  base::UserDefaults::resetStandard();
  fs::remove_all(staging, ec);
  std::printf("make_demo: wrote %s\n", output.string().c_str());
  return 0;
}
