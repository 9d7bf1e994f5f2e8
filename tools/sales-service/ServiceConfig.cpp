#include "sales-service/ServiceConfig.hpp"

namespace mv::sales {

namespace {

template <typename T>
void read(const base::Value& v, const char* key, T& out) {
  auto it = v.find(key);
  if (it == v.end()) return;
  try {
    out = it->get<T>();
  } catch (const base::Value::exception&) {
    // a member of the wrong type keeps the default
  }
}

}  // namespace

base::Value AccountConfig::toJson() const {
  return {{"accountId", accountId},     {"password", password},       {"device", device},
          {"userName", userName},       {"email", email},             {"phone", phone},
          {"vendorId", vendorId},       {"vendorGroupId", vendorGroupId}, {"vendorStateId", vendorStateId},
          {"discount", discount},       {"locked", locked},           {"deviceStatus", deviceStatus},
          {"historyOrders", historyOrders}};
}

AccountConfig AccountConfig::fromJson(const base::Value& v) {
  AccountConfig a;
  if (!v.is_object()) return a;
  read(v, "accountId", a.accountId);
  read(v, "password", a.password);
  read(v, "device", a.device);
  read(v, "userName", a.userName);
  read(v, "email", a.email);
  read(v, "phone", a.phone);
  read(v, "vendorId", a.vendorId);
  read(v, "vendorGroupId", a.vendorGroupId);
  read(v, "vendorStateId", a.vendorStateId);
  read(v, "discount", a.discount);
  read(v, "locked", a.locked);
  read(v, "deviceStatus", a.deviceStatus);
  read(v, "historyOrders", a.historyOrders);
  return a;
}

base::Value CompanyConfig::toJson() const {
  base::Value accountList = base::Value::array();
  for (const auto& a : accounts) accountList.push_back(a.toJson());
  return {{"clientId", clientId},
          {"name", name},
          {"link", link},
          {"email", email},
          {"userAccess", userAccess},
          {"accounts", accountList},
          {"data",
           {{"seed", data.seed},
            {"topCategories", data.topCategories},
            {"childCategories", data.childCategories},
            {"products", data.products},
            {"imagesPerProduct", data.imagesPerProduct},
            {"customers", data.customers},
            {"documentsPerType", data.documentsPerType},
            {"imagePool", data.imagePool},
            {"numbersAsText", data.numbersAsText}}},
          {"configuration",
           {{"home", home},
            {"category", category},
            {"customer", customer},
            {"inventory", inventory},
            {"library", library},
            {"order", order},
            {"sync", sync}}},
          {"dateFormat", dateFormat},
          {"modifyPrice", modifyPrice},
          {"viewType", viewType},
          {"orderMethod", orderMethod},
          {"skinVersion", skinVersion}};
}

CompanyConfig CompanyConfig::fromJson(const base::Value& v) {
  CompanyConfig c;
  if (!v.is_object()) return c;
  read(v, "clientId", c.clientId);
  read(v, "name", c.name);
  read(v, "link", c.link);
  read(v, "email", c.email);
  read(v, "userAccess", c.userAccess);
  if (auto it = v.find("accounts"); it != v.end() && it->is_array()) {
    for (const auto& a : *it) c.accounts.push_back(AccountConfig::fromJson(a));
  }
  if (auto it = v.find("data"); it != v.end() && it->is_object()) {
    read(*it, "seed", c.data.seed);
    read(*it, "topCategories", c.data.topCategories);
    read(*it, "childCategories", c.data.childCategories);
    read(*it, "products", c.data.products);
    read(*it, "imagesPerProduct", c.data.imagesPerProduct);
    read(*it, "customers", c.data.customers);
    read(*it, "documentsPerType", c.data.documentsPerType);
    read(*it, "imagePool", c.data.imagePool);
    read(*it, "numbersAsText", c.data.numbersAsText);
  }
  if (auto it = v.find("configuration"); it != v.end() && it->is_object()) {
    read(*it, "home", c.home);
    read(*it, "category", c.category);
    read(*it, "customer", c.customer);
    read(*it, "inventory", c.inventory);
    read(*it, "library", c.library);
    read(*it, "order", c.order);
    read(*it, "sync", c.sync);
  }
  read(v, "dateFormat", c.dateFormat);
  read(v, "modifyPrice", c.modifyPrice);
  read(v, "viewType", c.viewType);
  read(v, "orderMethod", c.orderMethod);
  read(v, "skinVersion", c.skinVersion);
  c.data.clientId = c.clientId;
  c.data.companyName = c.name;
  return c;
}

ServiceConfig ServiceConfig::defaults() {
  ServiceConfig config;
  CompanyConfig acme;
  acme.clientId = "acme";
  acme.name = "Acme Trading";
  acme.email = "office@acme.example.com";
  acme.link = "http://www.acme.example.com";
  acme.data.clientId = "acme";
  acme.data.companyName = acme.name;
  acme.data.seed = 1;
  AccountConfig rep;
  rep.accountId = "rep";
  rep.password = "secret";
  rep.userName = "Robin Rep";
  rep.email = "rep@acme.example.com";
  rep.phone = "+1 555 0100";
  rep.vendorId = 11;
  AccountConfig manager;
  manager.accountId = "manager";
  manager.password = "secret2";
  manager.userName = "Morgan Manager";
  manager.email = "manager@acme.example.com";
  manager.phone = "+1 555 0101";
  manager.vendorId = 12;
  manager.vendorGroupId = 2;
  acme.accounts = {rep, manager};

  CompanyConfig globex;
  globex.clientId = "globex";
  globex.name = "Globex 环球";
  globex.email = "office@globex.example.com";
  globex.link = "http://www.globex.example.com";
  globex.data.clientId = "globex";
  globex.data.companyName = globex.name;
  globex.data.seed = 2;
  globex.data.products = 16;
  globex.data.customers = 8;
  AccountConfig globexRep = rep;
  globexRep.email = "rep@globex.example.com";
  globexRep.vendorId = 21;
  globex.accounts = {globexRep};

  config.companies = {acme, globex};
  return config;
}

base::Value ServiceConfig::toJson() const {
  base::Value list = base::Value::array();
  for (const auto& c : companies) list.push_back(c.toJson());
  return {{"path", path},
          {"imagePath", imagePath},
          {"acceptUpperCaseDigest", acceptUpperCaseDigest},
          {"strictRestore", strictRestore},
          {"restoreTolerance", restoreTolerance},
          {"allowSignUp", allowSignUp},
          {"appUpdate",
           {{"updateStatus", appUpdate.updateStatus},
            {"latestVersion", appUpdate.latestVersion},
            {"appUrl", appUpdate.appUrl},
            {"messageZh", appUpdate.messageZh},
            {"messageEn", appUpdate.messageEn}}},
          {"companies", list}};
}

std::optional<ServiceConfig> ServiceConfig::fromJson(const base::Value& v, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<ServiceConfig> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (!v.is_object()) return fail("the configuration is not a JSON object");
  ServiceConfig config;
  read(v, "path", config.path);
  read(v, "imagePath", config.imagePath);
  read(v, "acceptUpperCaseDigest", config.acceptUpperCaseDigest);
  read(v, "strictRestore", config.strictRestore);
  read(v, "restoreTolerance", config.restoreTolerance);
  read(v, "allowSignUp", config.allowSignUp);
  if (auto it = v.find("appUpdate"); it != v.end() && it->is_object()) {
    read(*it, "updateStatus", config.appUpdate.updateStatus);
    read(*it, "latestVersion", config.appUpdate.latestVersion);
    read(*it, "appUrl", config.appUpdate.appUrl);
    read(*it, "messageZh", config.appUpdate.messageZh);
    read(*it, "messageEn", config.appUpdate.messageEn);
  }
  auto it = v.find("companies");
  if (it == v.end() || !it->is_array()) return fail("\"companies\" must be an array");
  for (const auto& c : *it) {
    CompanyConfig company = CompanyConfig::fromJson(c);
    if (company.clientId.empty()) return fail("a company without \"clientId\"");
    for (const auto& a : company.accounts) {
      if (a.accountId.empty()) return fail("an account of \"" + company.clientId + "\" without \"accountId\"");
    }
    config.companies.push_back(company);
  }
  return config;
}

}  // namespace mv::sales
