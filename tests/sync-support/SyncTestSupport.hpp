#pragma once
// Shared pieces of the protocol tests: a fixed text table, a fixed session and
// a parsed-reply helper.
#include <map>
#include <optional>
#include <string>

#include "TestEnvironment.hpp"
#include "platform/base/Value.hpp"

namespace mv::test {

// The language texts the tests expect: "text-<key>" for a few status keys.
void installTextTable();
std::string textOfKey(const std::string& key);

// A session signed in as `account` of `client` on device `device`.
void installSession(const std::string& client = "AcmeCo", const std::string& account = "rep1",
                    const std::string& password = "secret", const std::string& device = "dev-0001",
                    const std::string& sessionId = "sess-42");

// The "parameters" object of a body text.
base::Value bodyParameters(const std::string& body);

// A fixture with the text table and the session installed.
class ProtocolTest : public TestEnvironment {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace mv::test
