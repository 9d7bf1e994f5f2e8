#pragma once
// The local sales service: a real HTTP server that speaks the application's
// server protocol on a message port and serves the company files on a file
// port, with switchable faults and a log of what it received. Tests start it
// in-process on free loopback ports; the `sales-service` program runs it for
// trying the application online.
//
//   mv::sales::SalesService service;            // companies "acme" and "globex"
//   service.start();
//   settings = service.serverSettings();         // "IP", "Port", "Path", "ImageIP", ...
//   service.backend().setDataVersion("acme", 2); // the changes an incremental sync must see
//   service.addFault(FaultRule::statusFor("login", "101"));
//   service.requestLog();
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"
#include "sales-service/FaultInjector.hpp"
#include "sales-service/RequestLog.hpp"
#include "sales-service/SalesBackend.hpp"
#include "sales-service/SampleData.hpp"
#include "sales-service/ServiceConfig.hpp"

namespace mv::sales {

class SalesService {
 public:
  // The largest request body either port reads; a larger one is answered 413.
  static constexpr size_t kMaxPayloadBytes = size_t{64} << 20;

  explicit SalesService(ServiceConfig config = ServiceConfig::defaults());
  ~SalesService();
  SalesService(const SalesService&) = delete;
  SalesService& operator=(const SalesService&) = delete;

  // Builds the companies' data, binds both ports and serves on threads of its
  // own; false with a reason when a port cannot be bound.
  bool start(std::string* error = nullptr);
  // Ends stalls and slow replies, closes every connection and joins the threads.
  // The state (data versions, sessions, uploads, backups) stays; a later start()
  // serves it again on the same ports when they are free.
  void stop();
  bool running() const;

  std::string host() const;
  int messagePort() const;
  int filePort() const;

  // The six server settings that point the application at this service:
  // "IP", "Port", "Path", "ImageIP", "ImagePort", "ImagePath".
  base::Value serverSettings() const;
  // "http://host:port/Path/<head>", as the application builds it.
  std::string messageUrl(const std::string& head) const;
  // The file endpoint URL of a file type (1..10, 11 the skin archive).
  std::string fileUrl(const std::string& clientId, int fileType, const std::string& fileName) const;

  SalesBackend& backend();

  int addFault(const FaultRule& rule);
  bool removeFault(int id);
  void clearFaults();
  // Sends the replies that stalls without a time hold now.
  void releaseStalls();

  std::vector<LogEntry> requestLog() const;
  void clearRequestLog();
  // Waits (wall clock) until at least `count` requests were logged and answered.
  bool waitForRequests(size_t count, double timeoutSeconds) const;
  RequestLog& log();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace mv::sales
