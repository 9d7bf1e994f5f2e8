#pragma once
// The backup document: the representative's own work on the device as one
// JSON object of nine lists, read from the store and the installed customer
// and library models. Main thread only.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"

namespace mv {

class BackupDocument {
 public:
  // What the document is made of, read in one go.
  struct Sources {
    std::vector<base::Value> downloadedFiles;
    std::vector<base::Value> libraryFavorites;
    std::vector<base::Value> favorites;
    std::vector<base::Value> compares;
    // The customer model's dictionary of four lists.
    base::Value customers = base::Value::object();
    // {"order": [...]} of the unsubmitted orders.
    base::Value orders = base::Value::object();
    // Order id -> the local (negative) customer id it was made for.
    std::map<std::int64_t, std::int64_t> localCustomerOfOrder;
  };

  // The member that carries an order's local customer id beside the
  // "customer_id" 0 the service is sent; restore links the order back.
  static constexpr const char* kLocalCustomerIdKey = "local_customer_id";

  // Nothing when the client's database cannot be opened or read: a backup of
  // nothing would replace the user's last good one.
  static std::optional<Sources> read();
  // The nine-member object; a missing list, or one of the wrong kind, is empty.
  static base::Value assemble(const Sources& sources);
  // The document as JSON text. Text the store holds in another encoding than
  // UTF-8 is written with replacement characters rather than losing the
  // whole backup.
  static std::string write(const base::Value& document);
};

}  // namespace mv
