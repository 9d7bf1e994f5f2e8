// The digest and cipher helpers under the names the application calls them by.
#include "util/Crypto.hpp"
#include "util/PublicFunction.hpp"

namespace mv {

std::string PublicFunction::encryptMD5(std::string_view text) { return md5Hex(text, HexCase::Upper); }

std::optional<std::string> PublicFunction::TripleDES(const std::string& text, int encryptOrDecrypt) {
  return tripleDES(text, encryptOrDecrypt);
}

}  // namespace mv
