#include "sales-service/ServiceCrypto.hpp"

#include <openssl/evp.h>

#include <memory>
#include <vector>

#include "util/Crypto.hpp"

namespace mv::sales {

namespace {

struct CipherCtxFree {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

// The application keeps a long key text; the cipher takes its first 24 bytes.
std::string tripleDesKey() {
  std::string_view text(mv::kTripleDesKeyText);
  return std::string(text.substr(0, 24));
}

std::optional<std::string> runCipher(std::string_view input, bool encrypt) {
  const std::string key = tripleDesKey();
  if (key.size() != 24) return std::nullopt;
  std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree> ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return std::nullopt;
  if (EVP_CipherInit_ex(ctx.get(), EVP_des_ede3_ecb(), nullptr,
                        reinterpret_cast<const unsigned char*>(key.data()), nullptr,
                        encrypt ? 1 : 0) != 1) {
    return std::nullopt;
  }
  EVP_CIPHER_CTX_set_padding(ctx.get(), 1);
  std::vector<unsigned char> out(input.size() + 16);
  int written = 0;
  if (EVP_CipherUpdate(ctx.get(), out.data(), &written,
                       reinterpret_cast<const unsigned char*>(input.data()),
                       static_cast<int>(input.size())) != 1) {
    return std::nullopt;
  }
  int tail = 0;
  if (EVP_CipherFinal_ex(ctx.get(), out.data() + written, &tail) != 1) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(out.data()), static_cast<size_t>(written + tail));
}

}  // namespace

std::string ServiceCrypto::md5Hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr) != 1) return {};
  static const char* hex = "0123456789abcdef";
  std::string out;
  out.reserve(length * 2);
  for (unsigned int i = 0; i < length; ++i) {
    out.push_back(hex[digest[i] >> 4]);
    out.push_back(hex[digest[i] & 0xF]);
  }
  return out;
}

std::string ServiceCrypto::tripleDesEncrypt(std::string_view plain) {
  auto cipher = runCipher(plain, true);
  return cipher ? base64Encode(*cipher) : std::string();
}

std::optional<std::string> ServiceCrypto::tripleDesDecrypt(std::string_view base64) {
  auto cipher = base64Decode(base64);
  if (!cipher || cipher->empty() || cipher->size() % 8 != 0) return std::nullopt;
  return runCipher(*cipher, false);
}

std::string ServiceCrypto::base64Encode(std::string_view bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                          reinterpret_cast<const unsigned char*>(bytes.data()),
                          static_cast<int>(bytes.size()));
  out.resize(n < 0 ? 0 : static_cast<size_t>(n));
  return out;
}

std::optional<std::string> ServiceCrypto::base64Decode(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  for (char c : text) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '+' || c == '/' || c == '=';
    if (!ok) return std::nullopt;
  }
  std::string out(3 * (text.size() / 4) + 1, '\0');
  int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                          reinterpret_cast<const unsigned char*>(text.data()),
                          static_cast<int>(text.size()));
  if (n < 0) return std::nullopt;
  // EVP_DecodeBlock counts the padding as zero bytes; take them off again.
  size_t pad = 0;
  if (!text.empty() && text.back() == '=') ++pad;
  if (text.size() > 1 && text[text.size() - 2] == '=') ++pad;
  out.resize(static_cast<size_t>(n) - pad);
  return out;
}

bool ServiceCrypto::isHexDigest(std::string_view text, bool lowerOnly) {
  if (text.size() != 32) return false;
  for (char c : text) {
    bool digit = c >= '0' && c <= '9';
    bool lower = c >= 'a' && c <= 'f';
    bool upper = c >= 'A' && c <= 'F';
    if (!(digit || lower || (!lowerOnly && upper))) return false;
  }
  return true;
}

}  // namespace mv::sales
