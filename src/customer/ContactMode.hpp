#pragma once
#include <string>

#include "customer/PersonInfo.hpp"

namespace mv {

// A contact row: its names and the customer it belongs to. In the name and
// state lists a row carries the customer only, with both names empty.
struct ContactMode {
  std::string fristName;
  std::string lastName;
  PersonInfo personInfo;
};

}  // namespace mv
