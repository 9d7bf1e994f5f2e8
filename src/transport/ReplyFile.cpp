#include "transport/ReplyFile.hpp"

#include <system_error>

namespace mv {

ReplyFile::~ReplyFile() {
  std::error_code ec;
  std::filesystem::remove(path_, ec);
}

}  // namespace mv
