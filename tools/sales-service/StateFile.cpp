#include "sales-service/StateFile.hpp"

#include <system_error>

#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"

namespace mv::sales {

namespace {

// Far more than any number of devices writes: a larger file is not ours.
constexpr std::size_t kMostStateBytes = std::size_t{64} << 20;

}  // namespace

std::optional<base::Value> StateFile::load() const {
  std::error_code ec;
  if (!std::filesystem::exists(path_, ec)) {
    MV_LOG("sales-service: no state in ", path_.string(), " yet; starting afresh");
    return std::nullopt;
  }
  auto bytes = base::readFileBytes(path_, kMostStateBytes);
  if (!bytes) {
    MV_LOG("sales-service: cannot read ", path_.string(), "; starting afresh");
    return std::nullopt;
  }
  base::Value document = base::Value::parse(bytes->begin(), bytes->end(), nullptr, false);
  if (!document.is_object()) {
    MV_LOG("sales-service: ", path_.string(), " is damaged; starting afresh");
    return std::nullopt;
  }
  return document;
}

bool StateFile::save(const base::Value& document) const {
  std::error_code ec;
  std::filesystem::create_directories(path_.parent_path(), ec);
  const std::string text = document.dump(1, ' ', false, base::Value::error_handler_t::replace) + "\n";
  if (base::writeFileAtomically(path_, text)) return true;
  MV_LOG("sales-service: cannot write ", path_.string());
  return false;
}

}  // namespace mv::sales
