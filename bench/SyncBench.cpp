// Syncs the product tables of the large generated data set from the local
// sales service into a fresh client store, against a baseline that inserts
// the same rows with plain prepared statements in one transaction.
//
//   bench_SyncBench [--products=N] [benchmark options]
//
// The sync is timed from the start of a run until its product tables are
// stored (request, transfer, reading the reply into records, storing); the
// run is then ended before the image phase, which is not part of the
// comparison. The service keeps the text of a table reply it has written and
// sends it again to any device asking for the same data version and
// baseline, as a real service would: the setup's own request (untimed)
// writes it, so the timed runs get it ready-made.
//
// The sync's peak resident memory ("peak_MB") is that of a client alone: a
// child process of this executable signs in to the service of this one
// and runs the same sync into its own fresh store, untimed, after the timed
// runs. (In this process the service's generated data set and its reply
// text are resident too.)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchWorld.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/requests/RequestSyncAllTable.hpp"
#include "sync/SessionServices.hpp"

namespace fs = std::filesystem;

namespace {

int gProducts = 20000;
constexpr const char* kClientArg = "--client-of=";

// The child's side: a client of the parent's service (its server settings
// given as JSON) that syncs once.
int clientOf(const std::string& settings) {
  base::RunLoop::main().adoptCurrentThread();
  bench::ClientWorld client({mv::SyncConfigManager::kCatalogIndex});
  const base::Value parsed = base::Value::parse(settings, nullptr, false);
  if (parsed.is_discarded() || !client.signIn(parsed)) return 1;
  if (!mv::DataAccessManager::sharedDataModel()) return 1;
  if (!bench::syncProductTables()) return 1;
  bench::reportPeakMemory();
  return 0;
}

// The service, the data root and a signed-in session, made once, with the
// decoded full reply for the baseline.
struct World {
  bench::ServiceWorld base{mv::sales::SampleOptions::large(gProducts), {mv::SyncConfigManager::kCatalogIndex}};
  std::shared_ptr<mv::SyncAllTableRst> reply;
  std::size_t rows = 0;
  bool ready = false;

  World() {
    if (!base.ready()) return;
    reply = std::dynamic_pointer_cast<mv::SyncAllTableRst>(
        bench::ServiceWorld::roundTrip(std::make_shared<mv::RequestSyncAllTable>()));
    if (!reply || !reply->isSuccess()) {
      std::fprintf(stderr, "cannot fetch the product tables\n");
      return;
    }
    auto count = [](const auto& table) { return table ? table->size() : 0; };
    rows = count(reply->productTable) + count(reply->productAttributeTable) + count(reply->fieldsAttributeTable) +
           count(reply->productCategoryXrefTable) + count(reply->productPriceTable) + count(reply->productRelatedTable) +
           count(reply->imagesTable) + count(reply->categoryTable) + count(reply->productRelatedFilesTable) +
           count(reply->productTagTable) + count(reply->productRelateTagTable);
    ready = true;
  }

  // A fresh client database made from the template.
  static void freshStore() {
    mv::DataAccessManager::releaseDataModel();
    std::error_code ec;
    fs::remove(base::Paths::documents() / "acme" / mv::DataAccessManager::kDatabaseFileName, ec);
    base::UserDefaults::standard().removeObject("acme-ProductSynced");
    mv::DataAccessManager::sharedDataModel();
  }
};

// Made on first use, dropped before the process's static objects go.
std::unique_ptr<World> gWorld;

World& world() {
  if (!gWorld) gWorld = std::make_unique<World>();
  return *gWorld;
}

void BM_SyncProductTables(benchmark::State& state) {
  World& w = world();
  if (!w.ready) {
    state.SkipWithError("no service");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    World::freshStore();
    state.ResumeTiming();
    if (!bench::syncProductTables()) {
      state.SkipWithError("the product tables were not stored");
      break;
    }
  }
  const bench::ChildRun client = bench::runChild(kClientArg + w.base.service().serverSettings().dump());
  if (!client.ok) state.SkipWithError("the client process did not sync");
  state.counters["peak_MB"] = client.peakMB;
  state.counters["rows"] = static_cast<double>(w.rows);
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(w.rows) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The same rows with plain prepared statements in one transaction.
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

void BM_BaselinePreparedInserts(benchmark::State& state) {
  World& w = world();
  if (!w.ready) {
    state.SkipWithError("no service");
    return;
  }
  const mv::SyncAllTableRst& r = *w.reply;
  for (auto _ : state) {
    state.PauseTiming();
    World::freshStore();
    mv::SQLiteDatabase& db = mv::SQLiteDatabase::sharedDataBase();
    state.ResumeTiming();
    const bool ok = db.runInTransaction([&] {
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
    if (!ok) state.SkipWithError(("insert failed: " + db.lastError()).c_str());
  }
  state.counters["rows"] = static_cast<double>(w.rows);
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(w.rows) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_SyncProductTables)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_BaselinePreparedInserts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]).rfind(kClientArg, 0) == 0)
    return clientOf(std::string(argv[1]).substr(std::string(kClientArg).size()));
  bench::runBenchmarks(argc, argv, gProducts);
  gWorld.reset();
  return 0;
}
