#include "BenchWorld.hpp"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/base/Log.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "store/SQLiteDatabase.hpp"
#include "util/PublicFunction.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "sync/requests/RequestSyncAllTable.hpp"
#include "util/Session.hpp"

extern "C" char** environ;

namespace fs = std::filesystem;

namespace bench {
namespace {

// A "Vm..." line of /proc/self/status, in MB; 0 when it cannot be read.
double statusMB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::atof(line.c_str() + field.size() + 1) / 1024.0;
  }
  return 0;
}

}  // namespace

double peakResidentMB() { return statusMB("VmHWM"); }

double residentMB() { return statusMB("VmRSS"); }

fs::path folderOf(int type) {
  return mv::PublicFunction::filePathWithName("x", type).value_or(fs::path()).parent_path();
}

namespace {

// Transfers at a time of the bare download, each on its own reused connection.
struct Slot {
  CURL* easy = nullptr;
  std::FILE* out = nullptr;
  std::string url;
};

std::size_t writeTo(char* data, std::size_t size, std::size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<std::FILE*>(file)) * size;
}

}  // namespace

bool bareDownload(const std::vector<std::pair<int, std::string>>& files, long connections) {
  CURLM* multi = curl_multi_init();
  std::vector<Slot> slots(static_cast<std::size_t>(connections));
  std::size_t next = 0;
  std::size_t done = 0;
  bool ok = true;
  auto startNext = [&](Slot& slot) {
    if (next >= files.size()) return;
    const auto& [type, name] = files[next++];
    slot.url = mv::PublicFunction::fileURLWithName(name, type).value_or("");
    slot.out = std::fopen((folderOf(type) / name).c_str(), "wb");
    curl_easy_setopt(slot.easy, CURLOPT_URL, slot.url.c_str());
    curl_easy_setopt(slot.easy, CURLOPT_WRITEDATA, slot.out);
    curl_multi_add_handle(multi, slot.easy);
  };
  for (auto& slot : slots) {
    slot.easy = curl_easy_init();
    curl_easy_setopt(slot.easy, CURLOPT_POST, 1L);
    curl_easy_setopt(slot.easy, CURLOPT_POSTFIELDSIZE, 0L);
    curl_easy_setopt(slot.easy, CURLOPT_WRITEFUNCTION, &writeTo);
    curl_easy_setopt(slot.easy, CURLOPT_PRIVATE, &slot);
    startNext(slot);
  }
  while (done < files.size()) {
    int running = 0;
    curl_multi_perform(multi, &running);
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
      if (msg->msg != CURLMSG_DONE) continue;
      Slot* slot = nullptr;
      curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &slot);
      long status = 0;
      curl_easy_getinfo(msg->easy_handle, CURLINFO_RESPONSE_CODE, &status);
      ok = ok && msg->data.result == CURLE_OK && status == 200;
      curl_multi_remove_handle(multi, slot->easy);
      std::fclose(slot->out);
      slot->out = nullptr;
      ++done;
      startNext(*slot);
    }
    if (done < files.size()) curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
  }
  for (auto& slot : slots) curl_easy_cleanup(slot.easy);
  curl_multi_cleanup(multi);
  return ok;
}


namespace {

// Inserts every row of one table with one prepared statement.
template <typename Rows, typename Bind>
bool insertAll(mv::SQLiteDatabase& db, const std::optional<Rows>& rows, const char* sql, Bind bind) {
  if (!rows) return true;
  mv::SQLiteStatement st = db.prepare(sql);
  if (!st) return false;
  for (const auto& r : *rows) {
    st.reset();
    bind(st, r);
    if (!st.run()) return false;
  }
  return true;
}

}  // namespace

bool insertProductTables(mv::SQLiteDatabase& db, const mv::SyncAllTableRst& r) {
  return db.runInTransaction([&] {
      bool ok = true;
      ok = ok && insertAll(db, r.productTable,
                           "INSERT INTO marvisto_product (product_id, product_sku, product_name, product_s_desc, "
                           "product_l_desc, product_publish, product_ordering, product_stock, product_sale, product_buy, "
                           "product_tags) VALUES (?,?,?,?,?,?,?,?,?,?,?)",
                           [](auto& st, const auto& p) {
                             st.bindAll(p.product_id, p.product_sku, p.product_name, p.product_s_desc, p.product_l_desc,
                                        p.product_publish, p.product_ordering, p.product_stock, p.product_sale,
                                        p.product_buy, p.product_tags);
                           });
      ok = ok && insertAll(db, r.productAttributeTable,
                           "INSERT INTO marvisto_product_attribute (attribute_id, product_id, attribute_fields_id, "
                           "attribute_value, default_value) VALUES (?,?,?,?,?)",
                           [](auto& st, const auto& a) {
                             st.bindAll(a.attribute_id, a.product_id, a.attribute_fields_id, a.attribute_value,
                                        a.default_value);
                           });
      ok = ok && insertAll(db, r.fieldsAttributeTable,
                           "INSERT INTO marvisto_fields_product_attribute (field_id, field_name, description, "
                           "selection_list, display, published) VALUES (?,?,?,?,?,?)",
                           [](auto& st, const auto& f) {
                             st.bindAll(f.field_id, f.field_name, f.description, f.selection_list, f.display,
                                        f.published);
                           });
      ok = ok && insertAll(db, r.productCategoryXrefTable,
                           "INSERT OR IGNORE INTO marvisto_product_category_xref (category_id, product_id) VALUES (?,?)",
                           [](auto& st, const auto& x) { st.bindAll(x.category_id, x.product_id); });
      ok = ok && insertAll(db, r.productPriceTable,
                           "INSERT INTO marvisto_product_price (price_id, product_id, vendor_group_id_list, "
                           "vendor_state_id_list, vendor_id_list, customer_id_list, price, currency, discount_price, "
                           "discount_identifier, discount_start_date, discount_end_date, discount_publish, "
                           "tier_start_date, tier_end_date, tier_quantity_price, tier_publish, discontRat) "
                           "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                           [](auto& st, const auto& p) {
                             st.bindAll(p.price_id, p.product_id, p.vendor_group_id_list, p.vendor_state_id_list,
                                        p.vendor_id_list, p.customer_id_list, p.price, p.currency, p.discount_price,
                                        p.discount_identifier, p.discount_start_date, p.discount_end_date,
                                        p.discount_publish, p.tier_start_date, p.tier_end_date, p.tier_quantity_price,
                                        p.tier_publish, p.discontRat);
                           });
      ok = ok && insertAll(db, r.productRelatedTable,
                           "INSERT INTO marvisto_product_related (serial, first_product_id, second_product_id) "
                           "VALUES (?,?,?)",
                           [](auto& st, const auto& x) { st.bindAll(x.serial, x.first_product_id, x.second_product_id); });
      ok = ok && insertAll(db, r.imagesTable,
                           "INSERT INTO marvisto_image (image_id, key_id, key_type, image_thumb_address, "
                           "image_full_address, image_isdault, image_s_desc, image_l_desc, image_publis, "
                           "image_ordering) VALUES (?,?,?,?,?,?,?,?,?,?)",
                           [](auto& st, const auto& i) {
                             st.bindAll(i.image_id, i.key_id, i.key_type, i.image_thumb_address, i.image_full_address,
                                        i.image_isdault, i.image_s_desc, i.image_l_desc, i.image_publis,
                                        i.image_ordering);
                           });
      ok = ok && insertAll(db, r.categoryTable,
                           "INSERT INTO marvisto_category (category_id, category_name, category_code, category_type, "
                           "category_publish, category_ordering, category_parent_id) VALUES (?,?,?,?,?,?,?)",
                           [](auto& st, const auto& c) {
                             st.bindAll(c.category_id, c.category_name, c.category_code, c.category_type,
                                        c.category_publish, c.category_ordering, c.category_parent_id);
                           });
      ok = ok && insertAll(db, r.productRelatedFilesTable,
                           "INSERT OR IGNORE INTO marvisto_product_related_files (file_id, product_sku, product_id) "
                           "VALUES (?,?,?)",
                           [](auto& st, const auto& f) { st.bindAll(f.file_id, f.product_sku, f.product_id); });
      ok = ok && insertAll(db, r.productTagTable, "INSERT INTO marvisto_tag (tag_id, tag_name) VALUES (?,?)",
                           [](auto& st, const auto& t) { st.bindAll(t.tag_id, t.tag_name); });
      ok = ok && insertAll(db, r.productRelateTagTable,
                           "INSERT OR IGNORE INTO marvisto_product_related_tag (tag_id, product_id) VALUES (?,?)",
                           [](auto& st, const auto& t) { st.bindAll(t.tag_id, t.product_id); });
      return ok;
    });
}



void runBenchmarks(int argc, char** argv, int& products) {
  base::RunLoop::main().adoptCurrentThread();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--products=", 0) == 0) products = std::max(1, std::atoi(arg.c_str() + 11));
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}

std::string BenchSession::clientID() const { return mv::Session::current().clientID; }

ClientWorld::ClientWorld(std::set<int> shownModules) : config_(std::make_shared<ShownModules>(std::move(shownModules))) {
  // The log stays quiet, as in the application, unless asked for.
  const char* log = std::getenv("MV_LOG");
  base::setLogEnabled(log && std::string(log) == "1");
  root_ = fs::temp_directory_path() / ("marvisto-bench-" + std::to_string(::getpid()));
  fs::create_directories(root_);
  base::Paths::setRoot(root_);
  base::UserDefaults::resetStandard();
  base::RunLoop::main().setClock(std::make_shared<base::RealClock>());
}

bool ClientWorld::signIn(const base::Value& serverSettings) {
  for (const auto& [key, value] : serverSettings.items()) base::UserDefaults::standard().setObject(key, value);
  mv::Session signIn;
  signIn.clientID = "acme";
  signIn.acountID = "rep";
  signIn.password = "secret";
  signIn.deviceID = std::string(40, 'a');
  mv::Session::publish(signIn);
  mv::SyncSession::setCurrent(session_);
  mv::SyncConfigManager::setCurrent(config_);

  auto login = ServiceWorld::roundTrip<mv::LoginRst>(std::make_shared<mv::RequestLogin>());
  if (!login || !login->isSuccess()) {
    std::fprintf(stderr, "cannot sign in\n");
    return false;
  }
  signIn.sessionId = login->sessionId;
  mv::Session::publish(signIn);
  return true;
}

ClientWorld::~ClientWorld() {
  mv::SessionServices::end();
  mv::SessionDatabase::close();
  mv::NetworkModel::sharedInstance().cancelAllRequests();
  std::error_code ec;
  fs::remove_all(root_, ec);
}

bool syncProductTables() {
  bool stored = false;
  base::Observation watch(base::UserDefaults::DidChangeNotification, nullptr, [&](const base::Notification&) {
    stored = stored || base::UserDefaults::standard().hasKey("acme-ProductSynced");
  });
  mv::SessionServices::Registry registry;
  registry.add<mv::SyncModel>();
  auto services = mv::SessionServices::begin(std::move(registry));
  auto engine = services ? services->get<mv::SyncModel>() : nullptr;
  if (!engine) return false;
  engine->startSync();
  base::RunLoop::main().runUntil([&] { return stored || !engine->isRunning(); }, 600);
  engine.reset();
  services.reset();
  mv::SessionServices::end();
  return stored;
}

CatalogWorld::CatalogWorld(int products)
    : service_(mv::sales::SampleOptions::large(products), {mv::SyncConfigManager::kCatalogIndex}) {
  if (!service_.ready()) return;
  mv::SessionDatabase::open();
  if (!syncProductTables()) {
    std::fprintf(stderr, "the product tables were not stored\n");
    return;
  }
  ready_ = true;
}

ServiceWorld::ServiceWorld(const mv::sales::SampleOptions& data, std::set<int> shownModules)
    : client_(std::make_unique<ClientWorld>(std::move(shownModules))) {
  mv::sales::ServiceConfig cfg = mv::sales::ServiceConfig::defaults();
  for (auto& company : cfg.companies) {
    if (company.clientId == "acme") company.data = data;
  }
  service_ = std::make_unique<mv::sales::SalesService>(cfg);
  std::string error;
  if (!service_->start(&error)) {
    std::fprintf(stderr, "cannot start the sales service: %s\n", error.c_str());
    return;
  }
  ready_ = client_->signIn(service_->serverSettings());
}

ServiceWorld::~ServiceWorld() {
  client_.reset();
  if (service_) service_->stop();
}

namespace {
const std::string kPeakLine = "peak_MB ";
const std::string kAfterLine = "after_MB ";
}  // namespace

void reportPeakMemory() {
  std::printf("%s%.1f\n", kPeakLine.c_str(), peakResidentMB());
  std::fflush(stdout);
}

ChildRun runChild(const std::string& arg, const std::string& readyLine) {
  ChildRun run;
  int out[2];
  if (::pipe(out) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  std::vector<char*> argv{const_cast<char*>(self.c_str()), const_cast<char*>(arg.c_str()), nullptr};
  pid_t pid = 0;
  const auto begin = std::chrono::steady_clock::now();
  const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  if (spawned != 0) {
    ::close(out[0]);
    return run;
  }
  // Whatever else the child writes is read past.
  const std::string line = readyLine + "\n";
  std::string text;
  char buffer[512];
  bool ready = false;
  for (;;) {
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    if (!readyLine.empty() && text.find(line) != std::string::npos) {
      ready = true;
      break;
    }
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  ::close(out[0]);
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return run;
  if (readyLine.empty()) run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  if (const auto at = text.rfind(kPeakLine); at != std::string::npos) run.peakMB = std::atof(text.c_str() + at + kPeakLine.size());
  if (const auto at = text.rfind(kAfterLine); at != std::string::npos) run.afterMB = std::atof(text.c_str() + at + kAfterLine.size());
  run.ok = (readyLine.empty() || ready) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

mv::RequestSender& ServiceWorld::sender() { return mv::NetworkModel::sharedInstance(); }

void ServiceWorld::waitUntil(const std::function<bool()>& done) { base::RunLoop::main().runUntil(done, 300); }

}  // namespace bench
