// The test streams the HTTP client's tests rely on: exact bytes, exact lengths, UTF-8 cut on a
// character boundary, the echo returning bodies unchanged, and large streams with a length.
#include <gtest/gtest.h>

#include "resource.h"
#include "service_test_support.h"
#include "text_fields.h"

namespace nimbrook::service {
namespace {

using testing::RunningService;

TEST(GeneratorService, GenIsTheFormulaWithContentLength) {
  RunningService service;
  auto client = service.Client();
  for (const size_t size : {0u, 1u, 255u, 256u, 10240u, 65537u, 300000u}) {
    auto result = client->Get("/gen/" + std::to_string(size) + "?1717214400");
    ASSERT_TRUE(result) << size;
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->get_header_value("Content-Length"), std::to_string(size));
    ASSERT_EQ(result->body.size(), size);
    for (size_t i = 0; i < size; ++i) {
      ASSERT_EQ(static_cast<unsigned char>(result->body[i]), (i * 7 + 3) % 256) << "byte " << i;
    }
  }
  EXPECT_EQ(client->Get("/gen/abc")->status, 400);
  EXPECT_EQ(client->Get("/gen/")->status, 400);
  EXPECT_EQ(client->Get("/gen/99999999999999999")->status, 400);
}

TEST(GeneratorService, GenUtf8IsExactLengthValidAndCutOnACharacter) {
  RunningService service;
  auto client = service.Client();
  const std::string unit = "网络加速ab\n";
  ASSERT_EQ(unit.size(), 15u);
  for (size_t size = 0; size <= 47; ++size) {
    auto result = client->Get("/gen-utf8/" + std::to_string(size));
    ASSERT_TRUE(result);
    const std::string& text = result->body;
    ASSERT_EQ(text.size(), size);
    EXPECT_TRUE(IsValidUtf8(text)) << size;
    EXPECT_EQ(result->get_header_value("Content-Type"), "text/plain; charset=utf-8");
    // Whole units, then the longest whole-character prefix of the unit that fits, then "x".
    std::string expected;
    while (expected.size() + unit.size() <= size) expected += unit;
    for (size_t i = 0; i < unit.size();) {
      const size_t length = (static_cast<unsigned char>(unit[i]) & 0x80) ? 3 : 1;
      if (expected.size() + length > size) break;
      expected += unit.substr(i, length);
      i += length;
    }
    expected.append(size - expected.size(), 'x');
    EXPECT_EQ(text, expected) << size;
  }
  EXPECT_EQ(client->Get("/gen-utf8/13")->body, "网络加速a");
  EXPECT_EQ(client->Get("/gen-utf8/17")->body, "网络加速ab\n" "xx");
  EXPECT_EQ(client->Get("/gen-utf8/4")->body, "网x");
}

TEST(GeneratorService, EchoReturnsTheBodyAsReceived) {
  RunningService service;
  auto client = service.Client();
  std::string binary;
  for (int i = 0; i < 256; ++i) binary.push_back(static_cast<char>(i));
  for (const std::string& body :
       {std::string("m=windows&a=login&p=ab+/cd\r\nef==&hash=x"), binary, std::string(300000, 'q'), std::string()}) {
    // The client posts form bodies; they must come back unparsed and whole, however long.
    auto result = client->Post("/echo?1717214400", body, "application/x-www-form-urlencoded");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    EXPECT_EQ(result->body, body);
    EXPECT_EQ(result->get_header_value("Content-Type"), "text/plain; charset=utf-8");
  }
  EXPECT_EQ(client->Get("/echo")->status, 405);
}

TEST(GeneratorService, HugeIsStreamedWithItsLength) {
  RunningService service;
  auto client = service.Client(30);
  size_t received = 0;
  bool intact = true;
  auto result = client->Get("/fault/huge/8", [&](const char* data, size_t length) {
    for (size_t k = 0; k < length; ++k) intact = intact && static_cast<unsigned char>(data[k]) == PatternByte(received + k);
    received += length;
    return true;
  });
  ASSERT_TRUE(result);
  EXPECT_EQ(result->get_header_value("Content-Length"), std::to_string(8u * 1024 * 1024));
  EXPECT_EQ(received, 8u * 1024 * 1024);
  EXPECT_TRUE(intact);
  EXPECT_EQ(client->Get("/fault/huge/x")->status, 400);
}

TEST(GeneratorService, QueryStringsAreIgnoredAndUnknownPathsAre404) {
  RunningService service;
  auto client = service.Client();
  EXPECT_EQ(client->Get("/gen/5?1717214400&x=1")->body.size(), 5u);
  EXPECT_EQ(client->Get("/nothing/here?1")->status, 404);
}

TEST(Patterns, PieceByPieceEqualsWhole) {
  std::string whole(1000, '\0'), pieces(1000, '\0');
  FillPattern(0, whole.data(), whole.size());
  for (size_t at = 0; at < pieces.size(); at += 77) FillPattern(at, pieces.data() + at, std::min<size_t>(77, 1000 - at));
  EXPECT_EQ(whole, pieces);
  EXPECT_EQ(PatternByte(37), (37 * 7 + 3) % 256);
}

}  // namespace
}  // namespace nimbrook::service
