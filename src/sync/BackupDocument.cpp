#include "sync/BackupDocument.hpp"

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/DownloadedFilesModel.hpp"
#include "sync/SessionServices.hpp"
#include "sync/UnsubmittedCustomerModel.hpp"
#include "util/Json.hpp"
#include "util/JsonWriter.hpp"

namespace mv {
namespace {

base::Value listOf(const std::vector<base::Value>& rows) {
  base::Value list = base::Value::array();
  for (const auto& row : rows) list.push_back(row);
  return list;
}

base::Value listMember(const base::Value& dic, const char* key) {
  const base::Value* list = arrayMember(dic, key);
  return list ? *list : base::Value::array();
}

// The order with the local customer id beside "customer_id".
base::Value withLocalCustomer(const base::Value& order, std::int64_t localCustomerId) {
  base::Value out = base::Value::object();
  for (const auto& [key, value] : order.items()) {
    if (key == BackupDocument::kLocalCustomerIdKey) continue;
    if (key == "customer_id") {
      out["customer_id"] = 0;
      out[BackupDocument::kLocalCustomerIdKey] = localCustomerId;
      continue;
    }
    out[key] = value;
  }
  if (!out.contains(BackupDocument::kLocalCustomerIdKey)) {
    out["customer_id"] = 0;
    out[BackupDocument::kLocalCustomerIdKey] = localCustomerId;
  }
  return out;
}

}  // namespace

std::optional<BackupDocument::Sources> BackupDocument::read() {
  MV_ASSERT_MAIN_THREAD();
  auto services = SessionServices::current();
  if (!services) return std::nullopt;
  DataAccessManager* dam = &services->database();
  auto libraryFavorites = dam->getAllFavoriteLibFilesDic();
  auto favorites = dam->getAllFavoriteProductDic();
  auto compares = dam->getAllComparesDic();
  auto orders = dam->fetchBackupOuoteOrdersDic();
  if (!libraryFavorites || !favorites || !compares || !orders) {
    MV_LOG("backup: the local work could not be read");
    return std::nullopt;
  }
  Sources s;
  s.downloadedFiles = DownloadedFilesModel::current()->allExsitsFilesDic();
  s.libraryFavorites = std::move(*libraryFavorites);
  s.favorites = std::move(*favorites);
  s.compares = std::move(*compares);
  s.customers = UnsubmittedCustomerModel::current()->allUnsubmittedCustomerDic();
  s.orders = std::move(*orders);

  SQLiteDatabase& db = SQLiteDatabase::sharedDataBase();
  SQLiteStatement st = db.prepare(
      "SELECT order_id, customer_id FROM marvisto_quote_order WHERE uploaded = 0 AND customer_id < 0");
  SQLiteStatement::Step step = st ? st.step() : SQLiteStatement::Step::Error;
  for (; step == SQLiteStatement::Step::Row; step = st.step()) s.localCustomerOfOrder[st.int64At(0)] = st.int64At(1);
  // Orders backed up without the local customer they were made for would
  // come back for nobody.
  if (step == SQLiteStatement::Step::Error) {
    MV_LOG("backup: cannot read the orders' local customers: ", db.lastError());
    return std::nullopt;
  }
  return s;
}

base::Value BackupDocument::assemble(const Sources& s) {
  base::Value orders = base::Value::array();
  if (const base::Value* list = arrayMember(s.orders, "order")) {
    for (const base::Value& order : *list) {
      if (!order.is_object()) continue;
      auto local = s.localCustomerOfOrder.find(intMember(order, "order_id"));
      orders.push_back(local == s.localCustomerOfOrder.end() ? order : withLocalCustomer(order, local->second));
    }
  }

  base::Value doc = base::Value::object();
  doc["favorite_product"] = listOf(s.favorites);
  doc["compare_product"] = listOf(s.compares);
  doc["favorite_library_file"] = listOf(s.libraryFavorites);
  doc["download_library_file"] = listOf(s.downloadedFiles);
  doc["order"] = std::move(orders);
  doc["customer"] = listMember(s.customers, "marvisto_customer");
  doc["customer_address"] = listMember(s.customers, "marvisto_customer_address");
  doc["customer_attribute"] = listMember(s.customers, "marvisto_customer_attribute");
  doc["customer_contact"] = listMember(s.customers, "marvisto_customer_contact");
  return doc;
}

std::string BackupDocument::write(const base::Value& document) {
  MV_ASSERT_MAIN_THREAD();
  JsonWriter writer;
  if (auto text = writer.stringWithObject(document)) return *text;
  MV_LOG("backup: the document is written with replacements: ", writer.error().description);
  return document.dump(-1, ' ', false, base::Value::error_handler_t::replace);
}

}  // namespace mv
