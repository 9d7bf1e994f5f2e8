#pragma once
// The digests and ciphers the protocol relies on: the lower-case MD5 of the
// login password and the 3DES-enciphered sign-up password, keyed with the same
// constant the application uses so that both sides agree by construction.
#include <optional>
#include <string>
#include <string_view>

namespace mv::sales {

class ServiceCrypto {
 public:
  // 32 lower-case hexadecimal digits of the MD5 digest of the bytes.
  static std::string md5Hex(std::string_view bytes);

  // 3DES (EDE, ECB, PKCS7 padding) with the application's 24-byte key; the
  // cipher text travels as standard Base64.
  static std::string tripleDesEncrypt(std::string_view plain);
  static std::optional<std::string> tripleDesDecrypt(std::string_view base64);

  static std::string base64Encode(std::string_view bytes);
  static std::optional<std::string> base64Decode(std::string_view text);

  // True for exactly 32 hexadecimal digits; `lowerOnly` refuses A-F.
  static bool isHexDigest(std::string_view text, bool lowerOnly);
};

}  // namespace mv::sales
