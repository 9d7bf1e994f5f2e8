#pragma once
// Fetches the user's last backup (command 528).
#include <optional>
#include <string>
#include <vector>

#include "store/Entities.hpp"
#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

// The backup's lists. A list is absent when the reply did not carry it; a
// "200" whose content is not an object, or one of whose lists is not a list,
// is a failure, so a damaged reply never replaces the local work.
class RestoreRst : public NetBaseRst {
 public:
  // The service answered with a backup of which some row cannot be read:
  // nothing of it is taken.
  bool damaged = false;
  std::optional<std::vector<marvisto_customer_Entity>> customerArray;
  std::optional<std::vector<marvisto_customer_attribute_Entity>> customerAttributeArray;
  std::optional<std::vector<marvisto_customer_address_Entity>> customerAddressArray;
  std::optional<std::vector<marvisto_customer_contact_entity>> customerContactArray;
  // Orders (with their lines) and lines, as received.
  std::optional<std::vector<base::Value>> orderArray;
  std::optional<std::vector<base::Value>> orderItemArray;
  std::optional<std::vector<marvisto_compare_Entity>> compareProductArray;
  std::optional<std::vector<marvisto_favorite_Entity>> favProductArray;
  std::optional<std::vector<marvisto_library_favorite_Entity>> favLibFileArray;
  // Files downloaded when the backup was made; `type` is left for the
  // library's own table to fill.
  std::optional<std::vector<marvisto_library_files_Entity>> downloadLibFileArray;
};

class RequestRestore : public RequestInterfaceBase {
 public:
  RequestRestore();

  // The backup asked for, seconds since 1970.
  double lastBackupDate = 0;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
