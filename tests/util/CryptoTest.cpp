#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "util/Base64.hpp"
#include "util/Crypto.hpp"

namespace mv {
namespace {

TEST(Base64, RoundTripsAndLenientDecoding) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},        {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(base64Encoding(plain), encoded);
    EXPECT_EQ(dataWithBase64EncodedString(encoded), plain);
  }
  // Every byte value survives, in every position of a group.
  std::string binary;
  for (int i = 0; i < 256; ++i) binary.push_back(static_cast<char>(i));
  for (std::size_t cut = 0; cut < 3; ++cut) {
    std::string bytes = binary.substr(cut);
    std::string text = base64Encoding(bytes);
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(dataWithBase64EncodedString(text), bytes);
  }
  // Missing padding and white space are accepted.
  EXPECT_EQ(dataWithBase64EncodedString("Zg"), "f");
  EXPECT_EQ(dataWithBase64EncodedString("Zm8"), "fo");
  EXPECT_EQ(dataWithBase64EncodedString("Zg="), "f");
  EXPECT_EQ(dataWithBase64EncodedString(" Zm9v\nYmFy\r\n"), "foobar");
  EXPECT_EQ(dataWithBase64EncodedString("Zm9v YmE =\t"), "fooba");
  // Garbage is refused.
  for (const char* bad : {"Zm9v!", "Z", "Zm9vY", "Zg==Zg==", "Zm9v=", "Zg===", "Z===", "=Zg", "Zm-9"}) {
    EXPECT_FALSE(dataWithBase64EncodedString(bad)) << bad;
  }
}

TEST(Crypto, Md5InBothCases) {
  EXPECT_EQ(md5Hex("abc", HexCase::Lower), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(md5Hex("abc", HexCase::Upper), "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_EQ(md5Hex("", HexCase::Lower), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5Hex("The quick brown fox jumps over the lazy dog", HexCase::Lower), "9e107d9d372bb6826bd81d3542a419d6");
  // The digest is of the UTF-8 bytes.
  EXPECT_EQ(md5Hex("\xC3\xA9\xE4\xB8\xAD", HexCase::Lower), "f06fd4f6fa9601b2b8d793ff0f2e65f1");
}

TEST(Crypto, TripleDesVectorsAndFailures) {
  const std::string testKey = "012345678901234567890123";
  EXPECT_EQ(tripleDESWithKey("secret", kTripleDESEncrypt, testKey), "JE3q7tFZgdY=");
  EXPECT_EQ(tripleDESWithKey("JE3q7tFZgdY=", kTripleDESDecrypt, testKey), "secret");
  // A whole block of input gains a whole block of padding.
  auto eight = tripleDESWithKey("12345678", kTripleDESEncrypt, testKey);
  ASSERT_TRUE(eight);
  EXPECT_EQ(dataWithBase64EncodedString(*eight)->size(), 16u);
  EXPECT_EQ(tripleDESWithKey(*eight, kTripleDESDecrypt, testKey), "12345678");

  // The application key: 256 upper-case hex digits, the key is the first 24.
  ASSERT_EQ(kTripleDesKeyText.size(), 256u);
  for (char c : kTripleDesKeyText) EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(c)) && !std::islower(c));
  const std::string password = "p\xC3\xA4sswort \xE4\xB8\xAD";
  auto sealed = tripleDES(password, kTripleDESEncrypt);
  ASSERT_TRUE(sealed);
  EXPECT_EQ(sealed, tripleDESWithKey(password, kTripleDESEncrypt, kTripleDesKeyText.substr(0, 24)));
  EXPECT_NE(sealed, tripleDESWithKey(password, kTripleDESEncrypt, testKey));
  EXPECT_EQ(tripleDES(*sealed, kTripleDESDecrypt), password);
  EXPECT_EQ(tripleDES(*tripleDES("", kTripleDESEncrypt), kTripleDESDecrypt), "");

  // Bad input gives nothing, never a wrong text.
  EXPECT_FALSE(tripleDES("not base64!", kTripleDESDecrypt));
  EXPECT_FALSE(tripleDES("", kTripleDESDecrypt));
  EXPECT_FALSE(tripleDES(base64Encoding("12345"), kTripleDESDecrypt));  // not whole blocks
  EXPECT_NE(tripleDESWithKey(*sealed, kTripleDESDecrypt, testKey), password);
  EXPECT_FALSE(tripleDES("secret", 2));
  EXPECT_FALSE(tripleDESWithKey("secret", kTripleDESEncrypt, "short key"));
  // A result that is not UTF-8 is refused.
  auto binary = tripleDESWithKey(std::string("\xFF\xFE\x00", 3), kTripleDESEncrypt, testKey);
  ASSERT_TRUE(binary);
  EXPECT_FALSE(tripleDESWithKey(*binary, kTripleDESDecrypt, testKey));
}

TEST(Crypto, SaltedPasswordHashes) {
  auto first = saltedHash("correct horse");
  auto second = saltedHash("correct horse");
  ASSERT_TRUE(first && second);
  EXPECT_NE(*first, *second);  // fresh salt each time
  EXPECT_NE(first->find('$'), std::string::npos);
  EXPECT_TRUE(verifySaltedHash("correct horse", *first));
  EXPECT_TRUE(verifySaltedHash("correct horse", *second));
  EXPECT_FALSE(verifySaltedHash("correct horsE", *first));
  EXPECT_FALSE(verifySaltedHash("", *first));
  for (const char* bad : {"", "$", "nohash", "zz$00", "00$", "0011$abcd"}) {
    EXPECT_FALSE(verifySaltedHash("correct horse", bad)) << bad;
  }
}

}  // namespace
}  // namespace mv
