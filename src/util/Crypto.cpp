#include "util/Crypto.hpp"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <cctype>
#include <random>
#include <climits>
#include <memory>
#include <vector>

#include "util/Base64.hpp"

namespace mv {
namespace {

constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;
constexpr int kPbkdf2Iterations = 100000;

std::string hex(const unsigned char* data, std::size_t size, HexCase hexCase) {
  const char* digits = hexCase == HexCase::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    out.push_back(digits[data[i] >> 4]);
    out.push_back(digits[data[i] & 15]);
  }
  return out;
}

std::optional<std::vector<unsigned char>> unhex(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::vector<unsigned char> out;
  out.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    int hi = nibble(text[i]);
    int lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out.push_back(static_cast<unsigned char>(hi << 4 | lo));
  }
  return out;
}

bool isUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int extra;
    uint32_t cp;
    if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      auto cc = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

struct CipherContextFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

std::optional<std::string> runCipher(std::string_view input, bool encrypt, std::string_view key) {
  if (key.size() != 24 || input.size() > static_cast<std::size_t>(INT_MAX - 16)) return std::nullopt;
  std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return std::nullopt;
  const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.data());
  if (EVP_CipherInit_ex(ctx.get(), EVP_des_ede3_ecb(), nullptr, keyBytes, nullptr, encrypt ? 1 : 0) != 1) {
    return std::nullopt;
  }
  EVP_CIPHER_CTX_set_padding(ctx.get(), 1);
  std::string out(input.size() + 16, '\0');
  int written = 0;
  int finalWritten = 0;
  auto* outBytes = reinterpret_cast<unsigned char*>(out.data());
  if (EVP_CipherUpdate(ctx.get(), outBytes, &written, reinterpret_cast<const unsigned char*>(input.data()),
                       static_cast<int>(input.size())) != 1) {
    return std::nullopt;
  }
  if (EVP_CipherFinal_ex(ctx.get(), outBytes + written, &finalWritten) != 1) return std::nullopt;
  out.resize(static_cast<std::size_t>(written + finalWritten));
  return out;
}

std::optional<std::array<unsigned char, kHashBytes>> pbkdf2(std::string_view password, const unsigned char* salt,
                                                           std::size_t saltSize) {
  if (password.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  std::array<unsigned char, kHashBytes> out{};
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt, static_cast<int>(saltSize),
                        kPbkdf2Iterations, EVP_sha256(), kHashBytes, out.data()) != 1) {
    return std::nullopt;
  }
  return out;
}

}  // namespace

std::string md5Hex(std::string_view text, HexCase hexCase) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr) != 1) return {};
  return hex(digest, size, hexCase);
}

std::string sha1Digest(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha1(), nullptr) != 1) return {};
  return std::string(reinterpret_cast<const char*>(digest), size);
}

std::optional<std::string> tripleDESWithKey(std::string_view text, int operation, std::string_view key) {
  if (operation == kTripleDESEncrypt) {
    auto cipherText = runCipher(text, true, key);
    if (!cipherText) return std::nullopt;
    return base64Encoding(*cipherText);
  }
  if (operation == kTripleDESDecrypt) {
    auto cipherText = dataWithBase64EncodedString(text);
    if (!cipherText || cipherText->empty() || cipherText->size() % 8 != 0) return std::nullopt;
    auto plain = runCipher(*cipherText, false, key);
    if (!plain || !isUtf8(*plain)) return std::nullopt;
    return plain;
  }
  return std::nullopt;
}

std::optional<std::string> tripleDES(std::string_view text, int operation) {
  return tripleDESWithKey(text, operation, kTripleDesKeyText.substr(0, 24));
}

std::optional<std::string> saltedHash(std::string_view password) {
  unsigned char salt[kSaltBytes];
  if (RAND_bytes(salt, kSaltBytes) != 1) return std::nullopt;
  auto hash = pbkdf2(password, salt, kSaltBytes);
  if (!hash) return std::nullopt;
  return hex(salt, kSaltBytes, HexCase::Lower) + "$" + hex(hash->data(), hash->size(), HexCase::Lower);
}

bool verifySaltedHash(std::string_view password, std::string_view stored) {
  auto dollar = stored.find('$');
  if (dollar == std::string_view::npos) return false;
  auto salt = unhex(stored.substr(0, dollar));
  auto expected = unhex(stored.substr(dollar + 1));
  if (!salt || salt->empty() || !expected || expected->size() != kHashBytes) return false;
  auto hash = pbkdf2(password, salt->data(), salt->size());
  return hash && CRYPTO_memcmp(hash->data(), expected->data(), kHashBytes) == 0;
}

std::string randomUUID() {
  std::array<unsigned char, 16> b{};
  if (RAND_bytes(b.data(), static_cast<int>(b.size())) != 1) {
    std::random_device rd;
    for (auto& x : b) x = static_cast<unsigned char>(rd());
  }
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
  static const char* hex = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) s.push_back('-');
    s.push_back(hex[b[i] >> 4]);
    s.push_back(hex[b[i] & 0xF]);
  }
  return s;
}

bool isUUIDText(std::string_view text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash != (text[i] == '-')) return false;
    if (!dash && !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

}  // namespace mv
