#include "SessionFixture.hpp"

#include <gtest/gtest.h>

namespace mv::test {

std::shared_ptr<SessionServices> beginServices(SessionServices::Registry registry) {
  auto services = SessionServices::begin(std::move(registry));
  EXPECT_TRUE(services) << "the client's database did not open";
  return services;
}

}  // namespace mv::test
