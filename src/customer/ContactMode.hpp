#pragma once
#include <memory>
#include <string>

#include "customer/PersonSummary.hpp"

namespace mv {

// A contact row: its names and the customer it belongs to. In the name and
// state lists a row carries the customer only, with both names empty. Rows
// share their customer's record rather than copy it: a list of thousands is
// regrouped and searched on every keystroke. Never null.
struct ContactMode {
  std::string fristName;
  std::string lastName;
  std::shared_ptr<const PersonSummary> personInfo;
};

}  // namespace mv
