#pragma once
// The protocol side of the local sales service, without HTTP: it validates and
// carries out each message (sign-up, login, configuration, device and version
// checks, user information, the table syncs with per-device baselines, the
// acknowledgements, order and customer uploads, order history, backup and
// restore) and keeps the service's state. Thread-safe: every call locks.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"
#include "sales-service/SampleData.hpp"
#include "sales-service/ServiceConfig.hpp"
#include "sales-service/StateFile.hpp"

namespace mv::sales {

// Statuses the service answers besides "200".
namespace status {
inline const char* const kOk = "200";
inline const char* const kSessionExpired = "101";
inline const char* const kUserLocked = "114";
inline const char* const kDeviceLocked = "11411";
inline const char* const kDeviceHealthy = "11412";
inline const char* const kBadRequest = "400";      // a request that breaks the protocol
// Refusals have statuses of their own: "402", "403" and "405" send the
// application to its offline sign-in, and "404" is the file endpoint's.
inline const char* const kLoginRefused = "206";    // unknown user or wrong password
inline const char* const kUnknownClient = "208";
inline const char* const kNoBackup = "212";        // no backup to restore
inline const char* const kConflict = "409";        // sign-up of a client id that exists
}  // namespace status

// A message as parsed from its body: every parameter must be a JSON string.
struct ParsedMessage {
  bool valid = false;
  std::string error;        // why it is not valid
  std::string methodName;
  std::string qualifier;    // syncType of a table sync, top-level member of an upload
  base::Value parameters = base::Value::object();
  std::string qualifiedKey() const { return qualifier.empty() ? methodName : methodName + "/" + qualifier; }
};

struct MessageReply {
  static constexpr const char* kBodyHead = "{\"content\":";

  std::string status = status::kOk;
  std::string detail;
  std::string content = "{}";  // JSON text of "content"
  std::string newSessionId;    // set by a successful login: the cookie to set
  // A table reply's content shared with the service's cache, in place of
  // `content`: a catalogue runs to tens of megabytes.
  std::shared_ptr<const std::string> sharedContent;

  const std::string& contentText() const { return sharedContent ? *sharedContent : content; }
  // The whole reply body: kBodyHead, the content text, then bodyTail().
  std::string body() const;
  std::string bodyTail() const;
};

struct BackupRecord {
  double time = 0;       // seconds since 1970, to the millisecond
  std::string document;  // the text as received
};

// Where a device stands with one sync part.
struct Baseline {
  int version = 0;        // data version acknowledged (0: none)
  size_t uploads = 0;     // customers uploaded before that reply
};

class SalesBackend {
 public:
  // The file in the configuration's data folder that keeps, across restarts,
  // what each device acknowledged and which accounts owe a full sync.
  static constexpr const char* kStateFileName = "state.json";

  // Takes up the state kept in the data folder, if any.
  explicit SalesBackend(ServiceConfig config);
  ~SalesBackend();

  // The heads the protocol knows ("Vendor?", "SyncServer;", ...).
  static bool knownHead(const std::string& head);
  static ParsedMessage parse(const std::string& head, const std::string& body);
  MessageReply handle(const std::string& head, const ParsedMessage& message, const std::string& sessionId);

  // The bytes of a file below a client's folder on the file endpoint ("product/x.jpg"),
  // from the data version being served; icons are made up for unknown names.
  std::shared_ptr<const std::string> file(const std::string& clientId, const std::string& relativePath);

  // Builds every configured company's data now (so that no request waits for
  // it); `starting` hears each company before its data is made.
  void prepare(const std::function<void(const CompanyConfig&)>& starting = {});

  const ServiceConfig& config() const { return config_; }

  // ---- control ----
  bool addCompany(const CompanyConfig& company);
  bool addAccount(const std::string& clientId, const AccountConfig& account);
  std::shared_ptr<const CompanyData> company(const std::string& clientId);
  std::shared_ptr<const DataSet> currentData(const std::string& clientId);
  // Which version of the company's data is served (1 or 2).
  bool setDataVersion(const std::string& clientId, int version);
  int dataVersion(const std::string& clientId) const;
  bool setLocked(const std::string& clientId, const std::string& accountId, bool locked);
  // A new password for the account (as changed on the service's own pages).
  bool setPassword(const std::string& clientId, const std::string& accountId, const std::string& password);
  bool setDeviceStatus(const std::string& clientId, const std::string& accountId, const std::string& status);
  // The next login of the account reports "syncAll" 1 (once).
  bool requestFullSync(const std::string& clientId, const std::string& accountId);
  // The next login of every device reports "skinUpdated" 1 until it acknowledges "skin".
  bool renewSkin(const std::string& clientId);
  void expireSessions();
  size_t sessionCount() const;
  void setStrictRestore(bool strict);
  void setAcceptUpperCaseDigest(bool accept);
  // Seconds since 1970 used for backup times; the system clock by default.
  void setClock(std::function<double()> clock);

  // ---- what the service received ----
  base::Value uploadedOrders(const std::string& clientId) const;     // orders as stored, with their lines
  base::Value uploadedCustomers(const std::string& clientId) const;  // customers in reply form, with children
  std::vector<BackupRecord> backups(const std::string& clientId, const std::string& accountId) const;
  std::vector<int64_t> receivedFiles(const std::string& clientId, const std::string& accountId,
                                     const std::string& deviceId) const;
  Baseline baseline(const std::string& clientId, const std::string& accountId, const std::string& deviceId,
                    const std::string& part) const;

 private:
  struct State;
  // What is kept across restarts, as written to the state file, and back.
  base::Value keptState() const;
  void takeUp(const base::Value& kept);
  // Writes what is kept now; the mutex is held.
  void keepState();

  ServiceConfig config_;
  std::unique_ptr<State> state_;
  std::optional<StateFile> stateFile_;
  mutable std::mutex mutex_;
};

}  // namespace mv::sales
