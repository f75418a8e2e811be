// The command line keeps the fixture's form ("--port P --data-dir DIR") and rejects what it cannot
// use; the service's own address is what the data files' {base} becomes.
#include "service_config.h"

#include <gtest/gtest.h>

#include "service_server.h"

namespace nimbrook::service {
namespace {

TEST(CommandLine, ReadsEveryOption) {
  ServiceConfig config;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({"--port", "18080", "--data-dir", "/d", "--host", "0.0.0.0", "--release", "1.5.2",
                                "--log", "/tmp/x.log"},
                               config, error))
      << error;
  EXPECT_EQ(config.port, 18080);
  EXPECT_EQ(config.dataDir, "/d");
  EXPECT_EQ(config.host, "0.0.0.0");
  EXPECT_EQ(config.release, "1.5.2");
  EXPECT_EQ(config.logFile, "/tmp/x.log");

  ServiceConfig defaults;
  ASSERT_TRUE(ParseCommandLine({}, defaults, error));
  EXPECT_EQ(defaults.host, "127.0.0.1");
  EXPECT_EQ(defaults.port, 8080);
  EXPECT_TRUE(defaults.release.empty());
  EXPECT_TRUE(defaults.logFile.empty());
}

TEST(CommandLine, RejectsBadInput) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--port"}, {"--port", "x"}, {"--port", "65536"}, {"--port", "-1"},
                                             {"--host", ""}, {"--verbose"}, {"8080"}}) {
    ServiceConfig config;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(args, config, error)) << args[0];
    EXPECT_FALSE(error.empty());
  }
  ServiceConfig config;
  std::string usage;
  EXPECT_FALSE(ParseCommandLine({"--help"}, config, usage));
  EXPECT_EQ(usage, Usage());
}

TEST(BaseUrl, NamesAnAddressClientsCanReach) {
  EXPECT_EQ(MakeBaseUrl("127.0.0.1", 8080), "http://127.0.0.1:8080");
  EXPECT_EQ(MakeBaseUrl("0.0.0.0", 80), "http://127.0.0.1:80");
  EXPECT_EQ(MakeBaseUrl("::", 1), "http://[::1]:1");
  EXPECT_EQ(MakeBaseUrl("::1", 2), "http://[::1]:2");
  EXPECT_EQ(MakeBaseUrl("localhost", 3), "http://localhost:3");
}

}  // namespace
}  // namespace nimbrook::service
