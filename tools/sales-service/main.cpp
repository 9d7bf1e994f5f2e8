// sales-service: the local sales service as a program, for trying the
// application online against generated sample companies.
#include <malloc.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>

#include "sales-service/ImageFactory.hpp"
#include "sales-service/SalesService.hpp"

namespace {

volatile std::sig_atomic_t gStop = 0;
void onSignal(int) { gStop = 1; }

void printHelp(const mv::sales::ServiceConfig& config) {
  std::cout <<
      R"(usage: sales-service [options]

Runs the local sales service: the message endpoint and the file endpoint of the
server protocol, with generated sample companies.

options:
  --port N          message port (default 48080; 0 picks a free one)
  --file-port N     file port (default 480; ports below 1024 need privileges,
                    so use e.g. --file-port 48081 as a normal user)
  --host ADDRESS    address to listen on (default 127.0.0.1, loopback only)
  --data DIR        keep the companies and users in DIR/accounts.json (written
                    with the defaults when missing; edit it to add users), and
                    what each device synced in DIR/state.json, so that a
                    restart does not make every device sync afresh
  --export DIR      write every company's data set (tables.json and all files,
                    both versions) below DIR and exit
  --version2        serve the second version of every company's data (the
                    changes an incremental sync must pick up)
  --products N      products of every company (default: each its own, below)
  --pictures N      pictures per product (each has a thumbnail)
  --customers N     customers of every company
  --documents N     library documents of each of the six kinds
  --picture-pool N  draw the product pictures from N shared ones (0: every
                    picture drawn on its own; a pool makes large data sets
                    quick to prepare)
  --strict-restore  a restore must name the exact backup time
  --accept-upper-md5  accept the login digest in upper-case hexadecimal too
  --no-control      do not serve the control endpoint /_control/...
  --help            this text

Pointing the application at the service: set these six server settings (the
user defaults of the application, or its settings screen):
  "IP"         the listening address, e.g. 127.0.0.1
  "Port"       the message port, e.g. 48080
  "Path"       )" << config.path << R"(
  "ImageIP"    the listening address, e.g. 127.0.0.1
  "ImagePort"  the file port, e.g. 48081 (a port of 80 is left out of file URLs)
  "ImagePath"  )" << config.imagePath << R"(

The sample companies and their sizes (the options above and each company's
"data" in accounts.json change them; the pictures' size stays as shown):
)";
  for (const auto& c : config.companies) {
    std::cout << "  " << c.clientId << " \"" << c.name << "\": " << c.data.products << " products with "
              << c.data.imagesPerProduct << " pictures each (" << c.data.fullImageWidth << " x "
              << c.data.fullImageHeight << "), " << c.data.customers << " customers, " << c.data.documentsPerType
              << " library document of each kind, " << c.data.topCategories << " top categories\n";
  }
  std::cout << R"(
Sign in with client id, user name and password of accounts.json; the
defaults are:
)";
  for (const auto& c : config.companies) {
    for (const auto& a : c.accounts) {
      std::cout << "  client \"" << c.clientId << "\", user \"" << a.accountId << "\", password \"" << a.password
                << "\"\n";
    }
  }
  std::cout << R"(
Control endpoint (loopback only), JSON over HTTP on the message port; every
POST takes a JSON object as its body, {} where nothing is asked
(curl -d '{}' http://127.0.0.1:PORT/_control/log/clear):
  GET  /_control/log              what the service received
  POST /_control/log/clear        {}
  POST /_control/faults           {"method":"login","kind":"status","status":"101","times":1}
                                  kinds: status wrongShape html500 httpStatus stall trickle
                                         drop fileStatus ignoreRange truncate wholeAs206 wrongRange
                                         emptyFile fileContent gzipped cutFile; "path" matches with *
  POST /_control/faults/clear     {}
  POST /_control/version          {"clientId":"acme","version":2}
  POST /_control/sessions/expire  {}
  POST /_control/fullsync         {"clientId":"acme","accountId":"rep"}
  POST /_control/skin             {"clientId":"acme"}
  GET  /_control/settings         the six server settings
)";
}

// A whole number from 0 to `max`: a port goes up to 65535, a count as far as
// an int holds.
bool readNumber(const char* text, int& out, long max = std::numeric_limits<int>::max()) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (!end || end == text || *end || errno == ERANGE || v < 0 || v > max) return false;
  out = static_cast<int>(v);
  return true;
}

constexpr long kMaxPort = 65535;

// Reads `option`'s value as readNumber does; a value refused is told with
// the range the option takes.
bool readOption(const char* option, const char* text, int& out, long max = std::numeric_limits<int>::max()) {
  if (readNumber(text, out, max)) return true;
  std::cerr << "sales-service: " << option << " takes a whole number from 0 to " << max << ", not \"" << text
            << "\"\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  mv::sales::ServiceConfig config = mv::sales::ServiceConfig::defaults();
  config.messagePort = 48080;
  config.filePort = 480;
  config.controlEndpoint = true;
  std::string dataDir, exportDir;
  bool version2 = false, help = false;
  int products = -1, pictures = -1, customers = -1, documents = -1, picturePool = -1;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        std::cerr << "sales-service: " << name << " needs a value\n";
        std::exit(2);
      }
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--port") {
      if (!readOption("--port", value("--port"), config.messagePort, kMaxPort)) return 2;
    } else if (arg == "--file-port") {
      if (!readOption("--file-port", value("--file-port"), config.filePort, kMaxPort)) return 2;
    } else if (arg == "--host") {
      config.host = value("--host");
    } else if (arg == "--data") {
      dataDir = value("--data");
    } else if (arg == "--export") {
      exportDir = value("--export");
    } else if (arg == "--version2") {
      version2 = true;
    } else if (arg == "--products") {
      if (!readOption("--products", value("--products"), products)) return 2;
    } else if (arg == "--pictures") {
      if (!readOption("--pictures", value("--pictures"), pictures)) return 2;
    } else if (arg == "--customers") {
      if (!readOption("--customers", value("--customers"), customers)) return 2;
    } else if (arg == "--documents") {
      if (!readOption("--documents", value("--documents"), documents)) return 2;
    } else if (arg == "--picture-pool") {
      if (!readOption("--picture-pool", value("--picture-pool"), picturePool)) return 2;
    } else if (arg == "--strict-restore") {
      config.strictRestore = true;
    } else if (arg == "--accept-upper-md5") {
      config.acceptUpperCaseDigest = true;
    } else if (arg == "--no-control") {
      config.controlEndpoint = false;
    } else {
      std::cerr << "sales-service: unknown option " << arg << " (see --help)\n";
      return 2;
    }
  }

  if (!dataDir.empty()) {
    namespace fs = std::filesystem;
    fs::path file = fs::path(dataDir) / "accounts.json";
    std::error_code ec;
    if (fs::exists(file, ec)) {
      std::ifstream in(file);
      std::stringstream text;
      text << in.rdbuf();
      std::string error;
      auto loaded = mv::sales::ServiceConfig::fromJson(base::Value::parse(text.str(), nullptr, false), &error);
      if (!loaded) {
        std::cerr << "sales-service: " << file.string() << ": " << error << "\n";
        return 1;
      }
      loaded->host = config.host;
      loaded->messagePort = config.messagePort;
      loaded->filePort = config.filePort;
      loaded->controlEndpoint = config.controlEndpoint;
      loaded->strictRestore = loaded->strictRestore || config.strictRestore;
      loaded->acceptUpperCaseDigest = loaded->acceptUpperCaseDigest || config.acceptUpperCaseDigest;
      config = *loaded;
    } else {
      fs::create_directories(dataDir, ec);
      std::ofstream out(file);
      out << config.toJson().dump(2) << "\n";
      out.close();
      if (!out) {
        std::cerr << "sales-service: cannot write " << file.string() << "\n";
        return 1;
      }
    }
  }
  config.dataFolder = dataDir;
  for (auto& c : config.companies) {
    if (products >= 0) c.data.products = products;
    if (pictures >= 0) c.data.imagesPerProduct = pictures;
    if (customers >= 0) c.data.customers = customers;
    if (documents >= 0) c.data.documentsPerType = documents;
    if (picturePool >= 0) c.data.imagePool = picturePool;
  }
  if (help) {
    printHelp(config);
    return 0;
  }

  if (!exportDir.empty()) {
    for (const auto& c : config.companies) {
      mv::sales::SampleOptions options = c.data;
      options.clientId = c.clientId;
      options.companyName = c.name;
      auto data = mv::sales::SampleData::company(options);
      for (int v = 1; v <= 2; ++v) {
        std::string error;
        auto dir = std::filesystem::path(exportDir) / c.clientId / ("version" + std::to_string(v));
        if (!data->version(v)->writeTo(dir, &error)) {
          std::cerr << "sales-service: " << error << "\n";
          return 1;
        }
        std::cout << "wrote " << dir.string() << "\n";
      }
    }
    mv::sales::ImageFactory::releaseCaches();
    return 0;
  }

  mv::sales::SalesService service(config);
  std::string error;
  // A large company takes a while to make: say which one is under way.
  service.backend().prepare([](const mv::sales::CompanyConfig& c) {
    std::cout << "sales-service: preparing " << c.clientId << " (" << c.data.products << " products, "
              << c.data.customers << " customers)..." << std::endl;
  });
  // Making a large company passes through far more memory than its data
  // keeps: what it let go goes back to the system before the service runs.
  malloc_trim(0);
  if (!service.start(&error)) {
    std::cerr << "sales-service: " << error << "\n";
    return 1;
  }
  if (version2) {
    for (const auto& c : config.companies) service.backend().setDataVersion(c.clientId, 2);
  }
  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);
  std::cout << "sales-service: listening. Server settings for the application:\n"
            << service.serverSettings().dump(2) << "\n(--help for accounts and the control endpoint; Ctrl-C stops)"
            << std::endl;
  while (!gStop) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::cout << "sales-service: stopping" << std::endl;
  service.stop();
  mv::sales::ImageFactory::releaseCaches();
  return 0;
}
