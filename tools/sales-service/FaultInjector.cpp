#include "sales-service/FaultInjector.hpp"

namespace mv::sales {

namespace {

const std::pair<FaultKind, const char*> kKindNames[] = {
    {FaultKind::Status, "status"},       {FaultKind::WrongShape, "wrongShape"}, {FaultKind::Html500, "html500"},
    {FaultKind::HttpStatus, "httpStatus"}, {FaultKind::Stall, "stall"},       {FaultKind::Trickle, "trickle"},
    {FaultKind::Drop, "drop"},           {FaultKind::FileStatus, "fileStatus"}, {FaultKind::IgnoreRange, "ignoreRange"},
    {FaultKind::Truncate, "truncate"},
    {FaultKind::WholeAs206, "wholeAs206"},
    {FaultKind::WrongRange, "wrongRange"},
    {FaultKind::EmptyFile, "emptyFile"},
    {FaultKind::FileContent, "fileContent"},
    {FaultKind::Gzipped, "gzipped"},
    {FaultKind::CutFile, "cutFile"},
    {FaultKind::Content, "content"},
};

const std::pair<WrongShape, const char*> kShapeNames[] = {
    {WrongShape::ContentTooShort, "short"},
    {WrongShape::ContentNotArray, "notArray"},
    {WrongShape::NoResults, "noResults"},
    {WrongShape::NotJson, "notJson"},
    {WrongShape::OnlyLastPart, "onlyLastPart"},
};

bool fileOnlyKind(FaultKind k) {
  return k == FaultKind::FileStatus || k == FaultKind::IgnoreRange || k == FaultKind::Truncate ||
         k == FaultKind::WholeAs206 || k == FaultKind::WrongRange || k == FaultKind::EmptyFile ||
         k == FaultKind::FileContent || k == FaultKind::Gzipped || k == FaultKind::CutFile;
}

bool fileKind(FaultKind k) {
  return k == FaultKind::Stall || k == FaultKind::Trickle || k == FaultKind::Drop || fileOnlyKind(k);
}

// A compressed reply is a file's by its path, a message's by its method.
bool messageKind(FaultKind k) { return !fileOnlyKind(k) || k == FaultKind::Gzipped; }

}  // namespace

const char* faultKindName(FaultKind kind) {
  for (const auto& [k, name] : kKindNames) {
    if (k == kind) return name;
  }
  return "unknown";
}

base::Value FaultRule::toJson() const {
  const char* shapeName = "short";
  for (const auto& [s, name] : kShapeNames) {
    if (s == shape) shapeName = name;
  }
  return {{"method", method},   {"path", path},   {"kind", faultKindName(kind)}, {"status", status},
          {"httpStatus", httpStatus}, {"shape", shapeName}, {"seconds", seconds}, {"chunkBytes", chunkBytes},
          {"times", times},     {"process", process}, {"content", content}};
}

std::optional<FaultRule> FaultRule::fromJson(const base::Value& v, std::string* error) {
  auto fail = [&](const std::string& why) -> std::optional<FaultRule> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (!v.is_object()) return fail("a fault is a JSON object");
  FaultRule rule;
  try {
    rule.method = v.value("method", std::string());
    rule.path = v.value("path", std::string());
    const std::string kind = v.value("kind", std::string("status"));
    bool known = false;
    for (const auto& [k, name] : kKindNames) {
      if (kind == name) {
        rule.kind = k;
        known = true;
      }
    }
    if (!known) return fail("unknown fault kind \"" + kind + "\"");
    const std::string shape = v.value("shape", std::string("short"));
    known = false;
    for (const auto& [s, name] : kShapeNames) {
      if (shape == name) {
        rule.shape = s;
        known = true;
      }
    }
    if (!known) return fail("unknown shape \"" + shape + "\"");
    rule.status = v.value("status", rule.status);
    rule.httpStatus = v.value("httpStatus", rule.httpStatus);
    rule.seconds = v.value("seconds", rule.seconds);
    rule.chunkBytes = v.value("chunkBytes", rule.chunkBytes);
    rule.times = v.value("times", rule.times);
    rule.process = v.value("process", rule.process);
    rule.content = v.value("content", rule.content);
  } catch (const base::Value::exception& e) {
    return fail(std::string("a fault member has the wrong type: ") + e.what());
  }
  // A compressed reply may carry no zeros after its bytes: an honest one.
  if (rule.chunkBytes == 0 && rule.kind != FaultKind::Gzipped) return fail("\"chunkBytes\" must be at least 1");
  return rule;
}

FaultRule FaultRule::statusFor(const std::string& method, const std::string& status) {
  FaultRule r;
  r.method = method;
  r.kind = FaultKind::Status;
  r.status = status;
  return r;
}

FaultRule FaultRule::contentFor(const std::string& method, const std::string& contentJson) {
  FaultRule r;
  r.method = method;
  r.kind = FaultKind::Content;
  r.content = contentJson;
  return r;
}

FaultRule FaultRule::stallFor(const std::string& method, double seconds) {
  FaultRule r;
  r.method = method;
  r.kind = FaultKind::Stall;
  r.seconds = seconds;
  return r;
}

FaultRule FaultRule::trickleFor(const std::string& method, size_t chunkBytes, double seconds) {
  FaultRule r;
  r.method = method;
  r.kind = FaultKind::Trickle;
  r.chunkBytes = chunkBytes;
  r.seconds = seconds;
  return r;
}

FaultRule FaultRule::dropFor(const std::string& method) {
  FaultRule r;
  r.method = method;
  r.kind = FaultKind::Drop;
  return r;
}

FaultRule FaultRule::fileStatus(const std::string& pathPattern, int httpStatus) {
  FaultRule r;
  r.path = pathPattern;
  r.kind = FaultKind::FileStatus;
  r.httpStatus = httpStatus;
  return r;
}

int FaultInjector::add(FaultRule rule) {
  std::lock_guard<std::mutex> lock(mutex_);
  int id = next_++;
  rules_.emplace(id, std::move(rule));
  return id;
}

bool FaultInjector::remove(int id) {
  std::lock_guard<std::mutex> lock(mutex_);
  return rules_.erase(id) > 0;
}

void FaultInjector::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  rules_.clear();
}

std::vector<std::pair<int, FaultRule>> FaultInjector::rules() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {rules_.begin(), rules_.end()};
}

std::optional<FaultRule> FaultInjector::take(const std::string& methodKey, const std::string& qualifiedKey,
                                             const std::string& path, bool fileEndpoint) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = rules_.begin(); it != rules_.end(); ++it) {
    FaultRule& rule = it->second;
    if (rule.times == 0) continue;
    if (fileEndpoint ? !fileKind(rule.kind) : !messageKind(rule.kind)) continue;
    if (!fileEndpoint && fileOnlyKind(rule.kind) && rule.method.empty()) continue;
    if (!rule.method.empty()) {
      if (fileEndpoint) continue;
      if (rule.method != methodKey && rule.method != qualifiedKey) continue;
    }
    if (!rule.path.empty() && !matchPattern(rule.path, path)) continue;
    const bool fileOnly = fileOnlyKind(rule.kind);
    if (rule.method.empty() && rule.path.empty() && fileEndpoint != fileOnly) {
      // A rule without a target applies to the endpoint its kind belongs to;
      // stalls, trickles and drops without a target apply to messages only.
      continue;
    }
    FaultRule copy = rule;
    if (rule.times > 0 && --rule.times == 0) rules_.erase(it);
    return copy;
  }
  return std::nullopt;
}

bool FaultInjector::matchPattern(const std::string& pattern, const std::string& text) {
  // iterative wildcard match with one star backtrack point
  size_t p = 0, t = 0, star = std::string::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace mv::sales
