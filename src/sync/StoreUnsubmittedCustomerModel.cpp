#include "sync/StoreUnsubmittedCustomerModel.hpp"

#include "platform/base/Log.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/SessionServices.hpp"
#include "util/Json.hpp"

namespace mv {
namespace {

// Rows of local customers only, and only of customers that exist: an orphan
// row could not be shown after a restore either.
const char* const kOfLocalCustomer = " WHERE customer_id < 0 AND customer_id IN "
                                     "(SELECT customer_id FROM marvisto_customer WHERE customer_id < 0)";

template <typename OnRow>
void eachRow(SQLiteDatabase& db, const std::string& sql, OnRow&& onRow) {
  SQLiteStatement st = db.prepare(sql);
  if (!st) {
    MV_LOG("local customers: cannot read: ", db.lastError());
    return;
  }
  for (;;) {
    auto step = st.step();
    if (step == SQLiteStatement::Step::Done) return;
    if (step == SQLiteStatement::Step::Error) {
      MV_LOG("local customers: read failed: ", st.errorMessage());
      return;
    }
    onRow(static_cast<const SQLiteStatement&>(st));
  }
}

}  // namespace

base::Value StoreUnsubmittedCustomerModel::allUnsubmittedCustomerDic() {
  base::Value customers = base::Value::array();
  base::Value addresses = base::Value::array();
  base::Value attributes = base::Value::array();
  base::Value contacts = base::Value::array();

  if (SessionServices::current()) {
    SQLiteDatabase& db = SQLiteDatabase::sharedDataBase();
    eachRow(db, "SELECT * FROM marvisto_customer WHERE customer_id < 0 ORDER BY customer_id DESC",
            [&](const SQLiteStatement& r) {
              base::Value c = base::Value::object();
              c["customer_id"] = r.int64("customer_id");
              c["customer_info_id"] = "";
              c["customer_name"] = r.text("customer_name");
              c["customer_publish"] = 1;
              c["customer_ordering"] = 0;
              c["discount"] = floatForJson(static_cast<float>(r.real("discount")));
              c["hidden"] = r.int64("hidden");
              c["important"] = r.int64("important");
              c["has_note"] = r.int64("has_note");
              if (auto note = r.optText("note")) c["note"] = *note;
              customers.push_back(std::move(c));
            });
    eachRow(db, std::string("SELECT * FROM marvisto_customer_address") + kOfLocalCustomer + " ORDER BY rowid",
            [&](const SQLiteStatement& r) {
              base::Value a = base::Value::object();
              a["id"] = r.int64("id");
              a["customer_id"] = r.int64("customer_id");
              a["address"] = r.text("address");
              a["city"] = r.text("city");
              a["state"] = r.text("state");
              a["zip_code"] = r.text("zip_code");
              a["isDefault"] = r.int64("isDefault");
              addresses.push_back(std::move(a));
            });
    eachRow(db,
            std::string("SELECT a.attribute_id, a.customer_id, a.attribute_fields_id, a.attribute_value, "
                        "f.field_name FROM marvisto_customer_attribute a LEFT JOIN "
                        "marvisto_fields_customer_attribute f ON f.field_id = a.attribute_fields_id") +
                " WHERE a.customer_id < 0 AND a.customer_id IN "
                "(SELECT customer_id FROM marvisto_customer WHERE customer_id < 0) ORDER BY a.rowid",
            [&](const SQLiteStatement& r) {
              base::Value a = base::Value::object();
              a["attribute_id"] = r.int64At(0);
              a["customer_id"] = r.int64At(1);
              a["attribute_fields_id"] = r.int64At(2);
              const std::string value = r.textAt(3);
              if (r.textAt(4) == "Active") {
                a["attribute_value"] = value == "NO" ? 0 : 1;
              } else {
                a["attribute_value"] = value;
              }
              attributes.push_back(std::move(a));
            });
    eachRow(db, std::string("SELECT * FROM marvisto_customer_contact") + kOfLocalCustomer + " ORDER BY rowid",
            [&](const SQLiteStatement& r) {
              base::Value c = base::Value::object();
              c["customer_id"] = r.int64("customer_id");
              c["contact_id"] = r.int64("contact_id");
              for (const char* name :
                   {"first_name", "last_name", "job_title", "work_phone", "mobile_phone", "email", "im", "note"}) {
                c[name] = r.text(name);
              }
              c["isDefault"] = r.int64("isDefault");
              contacts.push_back(std::move(c));
            });
  }

  base::Value dic = base::Value::object();
  dic["marvisto_customer"] = std::move(customers);
  dic["marvisto_customer_address"] = std::move(addresses);
  dic["marvisto_customer_attribute"] = std::move(attributes);
  dic["marvisto_customer_contact"] = std::move(contacts);
  return dic;
}

bool StoreUnsubmittedCustomerModel::deleteAllUnsubmittedCustomer() {
  if (!SessionServices::current()) return false;
  SQLiteDatabase& db = SQLiteDatabase::sharedDataBase();
  return db.runInTransaction([&] {
    for (const char* sql : {"DELETE FROM marvisto_customer_attribute WHERE customer_id < 0",
                            "DELETE FROM marvisto_customer_address WHERE customer_id < 0",
                            "DELETE FROM marvisto_customer_contact WHERE customer_id < 0",
                            "DELETE FROM marvisto_customer WHERE customer_id < 0"}) {
      if (!db.run(sql)) {
        MV_LOG("local customers: delete failed: ", db.lastError());
        return false;
      }
    }
    return true;
  });
}

}  // namespace mv
