// The login encodings against independently computed vectors, and DecodeParams as the exact inverse
// of EncodeParams (including the rare texts whose encodings can be read two ways).
#include "account/login_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/base64.h"
#include "core/md5.h"

namespace nimbrook {
namespace {

struct EncodeVector {
  const char* text;
  const char* encoded;
};

const EncodeVector kEncodeVectors[] = {
    {"", ""},
    {"a", "YwQ_LGLGLrLGLGLa"},
    {"ab", "YwW_IrLGLGLa"},
    {"abc", "YwW_Jrja"},
    {"username=abc", "dwX_Nrlacvmi5shsbeWtU9YWJj"},
    {"username=alice;password=wonder1", "dwX_Nrlacvmi5shsbeWtU9YWxpY2U7cGFzc3dvcmQ9d29uZGVyMQLGLGLLGLGL"},
    {"username=alice01;password=secret123;loginLog=0;locale=eng",
     "dwX_Nrlacvmi5shsbeWtU9YWxpY2UwMTtwYXNzd29yZD1zZWNyZXQxMjM7bG9naW5Mb2c9MDtsb2NhbGU9ZW5n\r\n"},
    // The name is 王小明 in code page 936.
    {"username=\xCD\xF5\xD0\xA1\xC3\xF7;password=x", "dwX_Nrlacvmi5shsbeWtU9zfXQocP3O3Bhc3N3b3JkPXgLGLGL"},
};

TEST(LoginEncodingTest, EncodeParamsMatchesKnownVectors) {
  for (const auto& v : kEncodeVectors) EXPECT_EQ(EncodeParams(v.text), v.encoded) << "text " << v.text;
}

TEST(LoginEncodingTest, SignParamsMatchesKnownVectors) {
  EXPECT_EQ(SignParams(""), "490bf93cf840b9b084034b84f4361063");
  EXPECT_EQ(SignParams("abc"), "232a4aa0eeb4fd65fbb479253be42db4");
  EXPECT_EQ(SignParams("username=alice01;password=secret123"), "7b4164b6ea6fa123d0f2b81a9d044762");
  EXPECT_EQ(SignParams(std::string(200, 'x')), "37717e6a6683c68cf10c2d6d4931f233");
}

TEST(LoginEncodingTest, SignParamsSignsLongTextsInFull) {
  // 10227 + 13 salt bytes = 10240: one byte past what a fixed 10240-byte buffer could hold with
  // its terminator. The whole text is signed, as the service computes it.
  EXPECT_EQ(SignParams(std::string(10227, 'x')), "4a9df6816af8271af3580033f70cdc0b");
  EXPECT_EQ(SignParams(std::string(20000, 'x')), "7ee46009b5409070fdc2f0d54a363932");
  EXPECT_EQ(SignParams(std::string(20000, 'x')), Md5Hex(std::string(20000, 'x') + "PlumaPluma537"));
  EXPECT_NE(SignParams(std::string(20000, 'x')), SignParams(std::string(20001, 'x')));
  EXPECT_EQ(SignParams("abc").size(), 32u);
}

TEST(LoginEncodingTest, LoginParameterTextAndBody) {
  LoginFields fields;
  fields.username = "alice01";
  fields.password = "secret123";
  fields.locale = "chs";
  fields.source = "web";
  fields.cpusn = "BFEBFBFF000906EA";
  fields.macaddress = "00:1A:2B:3C:4D:5E";
  fields.harddisksn = "S3Z9NB0K123456";
  fields.systemver = "Microsoft Windows 10 64";
  EXPECT_EQ(fields.version, "1.5.0.0");
  const std::string text = LoginParameterText(fields);
  EXPECT_EQ(text,
            "username=alice01;password=secret123;version=1.5.0.0;locale=chs;source=web;cpusn=BFEBFBFF000906EA;"
            "macaddress=00:1A:2B:3C:4D:5E;harddisksn=S3Z9NB0K123456;systemver=Microsoft Windows 10 64");
  EXPECT_EQ(LoginBody(text),
            "m=windows&a=login&p=dwX_Nrlacvmi5shsbeWtU9YWxpY2UwMTtwYXNzd29yZD1zZWNyZXQxMjM7dmVyc2lvbj0xLjUuMC4wO2xvY2Fs\r\n"
            "ZT1jaHM7c291cmNlPXdlYjtjcHVzbj1CRkVCRkJGRjAwMDkwNkVBO21hY2FkZHJlc3M9MDA6MUE6\r\n"
            "MkI6M0M6NEQ6NUU7aGFyZGRpc2tzbj1TM1o5TkIwSzEyMzQ1NjtzeXN0ZW12ZXI9TWljcm9zb2Z0\r\n"
            "IFdpbmRvd3MgMTAgNjQLGLGL&hash=96e2ad484b50e16ad69347c53e1d5d4b");
}

TEST(LoginEncodingTest, EmptyLoginFieldsKeepEveryName) {
  EXPECT_EQ(LoginParameterText(LoginFields{}),
            "username=;password=;version=1.5.0.0;locale=;source=;cpusn=;macaddress=;harddisksn=;systemver=");
}

TEST(LoginEncodingTest, ReloadTextAndBody) {
  const std::string text = ReloadParameterText("alice01", "secret123", "chs");
  EXPECT_EQ(text, "username=alice01;password=secret123;loginLog=0;locale=chs");
  EXPECT_EQ(ReloadBody(text),
            "m=windows&a=reload&p=dwX_Nrlacvmi5shsbeWtU9YWxpY2UwMTtwYXNzd29yZD1zZWNyZXQxMjM7bG9naW5Mb2c9MDtsb2NhbGU9Y2hz\r\n"
            "&hash=b46c522cdfb99791502a9ff08e8278f7");
}

TEST(LoginEncodingTest, CredentialToken) {
  EXPECT_EQ(CredentialToken("alice01", "secret123"), "dwX_Nrlacvmi5shsbeWtU9YWxpY2UwMTtwYXNzd29yZD1zZWNyZXQxMjMLGLGL");
}

TEST(LoginEncodingTest, DecodeParamsReadsKnownVectors) {
  for (const auto& v : kEncodeVectors) {
    std::string text = "unchanged";
    ASSERT_TRUE(DecodeParams(v.encoded, text)) << v.encoded;
    EXPECT_EQ(text, v.text);
  }
}

TEST(LoginEncodingTest, DecodeParamsInvertsEncodeParams) {
  std::vector<std::string> texts = {
      "", "a", "ab", "abc", "abcd", "abcdefg", "L", "LG", "LGLGL", "=", "==", "\r\n",
      "username=alice;password=wonder1",
      std::string("with\0zero", 9),
      "username=\xCD\xF5\xD0\xA1\xC3\xF7;password=x;systemver=\xCE\xA2\xC8\xED Windows 7 \xC6\xEC\xBD\xA2\xB0\xE6",
      std::string(57, 'q'), std::string(58, 'q'), std::string(59, 'q'), std::string(500, 'z'),
  };
  // Every byte value, and random texts of many lengths (line breaks after each 76 characters).
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  texts.push_back(all);
  std::mt19937 random(537);
  for (int round = 0; round < 400; ++round) {
    std::string text(random() % 300, '\0');
    for (auto& c : text) c = static_cast<char>(random() & 0xFF);
    texts.push_back(text);
  }
  for (const auto& text : texts) {
    const std::string encoded = EncodeParams(text);
    std::string decoded;
    ASSERT_TRUE(DecodeParams(encoded, decoded)) << encoded;
    const auto candidates = DecodeParamsCandidates(encoded);
    // The original text is always among the readings; it is the chosen one unless its own
    // encoding ends in data letters "LGLGL" (not the case for these texts).
    EXPECT_NE(std::find(candidates.begin(), candidates.end(), text), candidates.end());
    EXPECT_EQ(decoded, text);
  }
}

TEST(LoginEncodingTest, AmbiguousEncodingsOfferEveryReadingPaddedFirst) {
  // "AAAAAAAA" encodes to Base64 "QUFBQUFBQUE=", and the twelve bytes of Base64 "QUFBQUFBQUELGLGL"
  // encode to the very same parameter text.
  const std::string padded = "AAAAAAAA";
  const std::string literal = Base64().Decode("QUFBQUFBQUELGLGL");
  ASSERT_EQ(literal.size(), 12u);
  ASSERT_EQ(EncodeParams(padded), EncodeParams(literal));
  const auto candidates = DecodeParamsCandidates(EncodeParams(literal));
  ASSERT_EQ(candidates.size(), 2u);
  EXPECT_EQ(candidates[0], padded);
  EXPECT_EQ(candidates[1], literal);
  // The signature tells the readings apart.
  EXPECT_NE(SignParams(candidates[0]), SignParams(candidates[1]));
}

TEST(LoginEncodingTest, DecodeParamsRejectsMalformedText) {
  const std::string good = EncodeParams("username=alice;password=wonder1");
  std::string text = "unchanged";
  const std::vector<std::string> bad = {
      "Y",                                   // one character without its key character
      "YwQ",                                 // key character missing after the second
      "YxQ_LGLGLrLGLGLa",                    // wrong key character
      "YwQ_LGLGLrLGLGL",                     // last key character missing
      "YwQ_LGLGLrLGLGLaX",                   // trailing garbage
      "YwQ_=rLGLGLa",                        // raw "=" instead of "LGLGL"
      "YwR_LGLGLrLGLGLa",                    // non-canonical group ("YR==")
      good.substr(0, good.size() - 5),       // one padding marker lost
      good + "\r\n",                         // line break the encoder never writes
      good.substr(0, 30) + "!" + good.substr(30),  // stray character inside
      "dwX_Nrlacvmi5shsbeWtU9YWxpY2U7cGFzc3dvcmQ9d29uZGVyMQ LGLGLLGLGL",
  };
  for (const auto& b : bad) {
    EXPECT_FALSE(DecodeParams(b, text)) << b;
    EXPECT_EQ(text, "unchanged");
  }
  // A form decoder that turned "+" into " " breaks the text: it is refused, not misread.
  const std::string plus = EncodeParams("\xFB\xEF");  // Base64 "++8="
  ASSERT_NE(plus.find('+'), std::string::npos);
  std::string spaced = plus;
  for (auto& c : spaced) c = c == '+' ? ' ' : c;
  EXPECT_FALSE(DecodeParams(spaced, text));
  ASSERT_TRUE(DecodeParams(plus, text));
  EXPECT_EQ(text, "\xFB\xEF");
}

}  // namespace
}  // namespace nimbrook
