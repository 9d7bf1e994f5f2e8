#pragma once
// Digests and ciphers over OpenSSL's libcrypto.
#include <optional>
#include <string>
#include <string_view>

namespace mv {

// The application's 3DES key text. The key is its first 24 characters taken as
// bytes; the local sales service checks sign-up passwords with the same text.
inline constexpr std::string_view kTripleDesKeyText =
    "CDB06CE0BEB4B21318B8CD2830CED33007E626A766C650473AFB3476E2E17333"
    "43F9B14526200224FEF81802FF6228C2C891E1A6EF77C1BD90C2421499CFC8D3"
    "80ECABE2198601FFD2235F44D8EDDB806A3C70EAA1E86E6893C334E3E948BCFD"
    "983D1DCFE0D65956285FBCC8CEF80AAEC25CE6BD9B4972B29A88831856AC008B";

inline constexpr int kTripleDESEncrypt = 0;
inline constexpr int kTripleDESDecrypt = 1;

enum class HexCase { Upper, Lower };

// The MD5 digest of the bytes as 32 hexadecimal digits.
std::string md5Hex(std::string_view text, HexCase hexCase);

// The SHA-1 digest of the bytes, as its 20 bytes.
std::string sha1Digest(std::string_view bytes);

// DES-EDE3 in ECB mode with PKCS7 padding and the application's key.
// Operation 0 encrypts the text's bytes and answers Base64 text; operation 1
// decodes Base64 text, decrypts it and answers the UTF-8 text. Nothing for bad
// Base64, a wrong key or padding, a result that is not UTF-8, or another
// operation number.
[[nodiscard]] std::optional<std::string> tripleDES(std::string_view text, int operation);
// The same with a given 24-byte key.
[[nodiscard]] std::optional<std::string> tripleDESWithKey(std::string_view text, int operation, std::string_view key);

// A password hash for locally kept accounts: "<salt hex>$<hash hex>", PBKDF2
// with HMAC-SHA256 over a fresh random salt. Nothing when no random salt can be
// had.
[[nodiscard]] std::optional<std::string> saltedHash(std::string_view password);
// The password matches a text made by saltedHash (compared in constant time).
bool verifySaltedHash(std::string_view password, std::string_view stored);

// A new random (version 4) UUID in its 36-character text form, upper-case
// hexadecimal digits in groups of 8, 4, 4, 4 and 12.
std::string randomUUID();
// Whether `text` has that form (either case).
bool isUUIDText(std::string_view text);

}  // namespace mv
