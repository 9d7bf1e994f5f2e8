#include "SyncTestSupport.hpp"

#include "SessionFixture.hpp"
#include "util/Json.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/TextLookup.hpp"

namespace mv::test {

void installTextTable() {
  setTextLookup([](const std::string& key) -> std::optional<std::string> {
    static const std::map<std::string, std::string> table = {
        {"101", "text-101"}, {"114", "text-114"}, {"115", "text-115"}, {"200", "text-200"},
        {"212", "text-212"}, {"404", "text-404"}, {"999", "text-999"}, {"11412", "text-11412"}, {"DOWNLOADERROR", "text-DOWNLOADERROR"},
        {"UNTRUSTEDCERTIFICATE", "text-UNTRUSTEDCERTIFICATE"}, {"RESTOREOTHERVENDOR", "text-RESTOREOTHERVENDOR"},
        {"RESTOREDAMAGED", "text-RESTOREDAMAGED"},
        {"SERVERNOTREACHED", "text-SERVERNOTREACHED-%@"}, {"SERVERSTOPPEDANSWERING", "text-SERVERSTOPPEDANSWERING-%@"},
        {"SERVERTOOSLOW", "text-SERVERTOOSLOW-%@"},
        {"FILESERVICEFAILED", "text-FILESERVICEFAILED-%@"}, {"FILETOOLARGESENT", "text-FILETOOLARGESENT-%@-%@"},
        {"DOWNLOADNOROOM", "text-DOWNLOADNOROOM"}, {"REPLYTOOLARGE", "text-REPLYTOOLARGE"},
        {"DOWNLOADNOROOMNEEDS", "text-DOWNLOADNOROOMNEEDS-%@"},
        {"DOWNLOADNOROOMNEEDSABOUT", "text-DOWNLOADNOROOMNEEDSABOUT-%@"}, {"SYNCDATAWITHOUTFILES", "text-SYNCDATAWITHOUTFILES-%@"},
        {"NOTTHEFILE", "text-NOTTHEFILE-%@-%@"}, {"FILELARGERTHANLISTED", "text-FILELARGERTHANLISTED-%@-%@"},
        {"FILECUTSHORT", "text-FILECUTSHORT-%@-%@"}, {"SYNCFILESCUTSHORT", "text-SYNCFILESCUTSHORT-%@"},
        {"SERVERSENDSPAGES", "text-SERVERSENDSPAGES-%@-%@"}, {"SYNCFILESNOTRECEIVED", "text-SYNCFILESNOTRECEIVED-%@"}};
    auto it = table.find(key);
    if (it == table.end()) return std::nullopt;
    return it->second;
  });
}

std::string textOfKey(const std::string& key) { return "text-" + key; }

void installSession(const std::string& client, const std::string& account, const std::string& password,
                    const std::string& device, const std::string& sessionId) {
  changeSession([&](Session& s) {
    s.clientID = client;
    s.acountID = account;
    s.password = password;
    s.deviceID = device;
    s.sessionId = sessionId;
  });
}

base::Value bodyParameters(const std::string& body) {
  auto parsed = JSONValue(body);
  if (!parsed) return base::Value();
  const base::Value* root = objectMember(*parsed, "root");
  const base::Value* parameters = objectMember(root, "parameters");
  return parameters ? *parameters : base::Value();
}

void ProtocolTest::SetUp() {
  TestEnvironment::SetUp();
  installTextTable();
  installSession();
}

void ProtocolTest::TearDown() {
  setTextLookup(nullptr);
  PublicFunction::setInterfaceLanguageProvider(nullptr);
  Session::clear();
  TestEnvironment::TearDown();
}

}  // namespace mv::test
