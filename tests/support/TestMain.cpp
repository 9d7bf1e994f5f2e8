#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/base/Log.hpp"
#include "platform/base/RunLoop.hpp"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const char* log = std::getenv("MV_LOG");
  base::setLogEnabled(log && std::string(log) == "1");
  base::RunLoop::main().adoptCurrentThread();
  return RUN_ALL_TESTS();
}
