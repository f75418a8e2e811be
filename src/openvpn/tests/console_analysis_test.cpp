// The rules of OpenVPN's console output, chunk by chunk.
#include "openvpn/console_analysis.h"

#include <gtest/gtest.h>

#include <string>

namespace nimbrook {
namespace {

ConsoleContext Context(int32_t count = 0, int32_t routeMode = 2, std::string carry = {}) {
  ConsoleContext context;
  context.inactivityCount = count;
  context.routeMode = routeMode;
  context.carry = std::move(carry);
  return context;
}

TEST(ConsoleAnalysis, PromptsWinOverEverythingElseInTheirChunk) {
  // A prompt chunk is answered only: not analysed, so its "Error" and completion texts do nothing.
  ChunkAnalysis a = AnalyseChunk("TLS Error\nInitialization Sequence Completed\nEnter Auth Username:", Context(2));
  EXPECT_EQ(a.kind, ChunkKind::UsernamePrompt);
  EXPECT_FALSE(a.tunnelUp);
  EXPECT_FALSE(a.stop);
  EXPECT_EQ(a.inactivityCount, 2);

  a = AnalyseChunk("Inactivity timeout\nEnter Auth Password:", Context(2));
  EXPECT_EQ(a.kind, ChunkKind::PasswordPrompt);
  EXPECT_FALSE(a.stop);
  EXPECT_EQ(a.inactivityCount, 2);

  // Both prompts in one chunk: the user name is asked first.
  EXPECT_EQ(AnalyseChunk("Enter Auth Password:Enter Auth Username:", Context()).kind, ChunkKind::UsernamePrompt);
}

TEST(ConsoleAnalysis, CompletionMeansUpResetsTheCountAndAddsChinaRoutesOnlyInMode1) {
  for (int32_t mode = 0; mode <= 4; ++mode) {
    const ChunkAnalysis a = AnalyseChunk("Tue Dec  7 13:00:00 2026 Initialization Sequence Completed\n", Context(2, mode));
    EXPECT_EQ(a.kind, ChunkKind::Output);
    EXPECT_TRUE(a.tunnelUp);
    EXPECT_EQ(a.inactivityCount, 0);
    EXPECT_EQ(a.addChinaRoute, mode == 1) << mode;
    EXPECT_FALSE(a.stop);
  }
  // Completion takes precedence over an error text in the same chunk.
  const ChunkAnalysis both = AnalyseChunk("error\nInitialization Sequence Completed", Context());
  EXPECT_TRUE(both.tunnelUp);
  EXPECT_FALSE(both.stop);
}

TEST(ConsoleAnalysis, ErrorTextsStopInEitherCaseButNotInOtherCases) {
  EXPECT_TRUE(AnalyseChunk("TLS Error: TLS key negotiation failed to occur within 60 seconds", Context()).stop);
  EXPECT_TRUE(AnalyseChunk("write UDP: Unknown error (code=10065)", Context()).stop);
  EXPECT_FALSE(AnalyseChunk("ERROR: Cannot open TUN/TAP dev", Context()).stop);  // only "error" and "Error"
  EXPECT_FALSE(AnalyseChunk("TCP/UDP: Preserving recently used remote address", Context()).stop);
  // An error chunk does not count an inactivity time-out in it.
  const ChunkAnalysis a = AnalyseChunk("Inactivity timeout\nError", Context(1));
  EXPECT_TRUE(a.stop);
  EXPECT_EQ(a.inactivityCount, 1);
}

TEST(ConsoleAnalysis, TheThirdInactivityTimeoutStops) {
  ConsoleContext context = Context();
  const std::string line = "Inactivity timeout (--ping-restart), restarting\n";
  ChunkAnalysis a = AnalyseChunk(line, context);
  EXPECT_EQ(a.inactivityCount, 1);
  EXPECT_FALSE(a.stop);
  context.inactivityCount = a.inactivityCount;
  a = AnalyseChunk(line, context);
  EXPECT_EQ(a.inactivityCount, 2);
  EXPECT_FALSE(a.stop);
  context.inactivityCount = a.inactivityCount;
  a = AnalyseChunk(line, context);
  EXPECT_EQ(a.inactivityCount, 3);
  EXPECT_TRUE(a.stop);
  // Several reports in one chunk count once.
  EXPECT_EQ(AnalyseChunk(line + line + line, Context()).inactivityCount, 1);
}

TEST(ConsoleAnalysis, ASuccessfulStartBetweenTimeoutsResetsTheCount) {
  ConsoleContext context = Context(2);
  ChunkAnalysis a = AnalyseChunk("Initialization Sequence Completed", context);
  context.inactivityCount = a.inactivityCount;
  a = AnalyseChunk("Inactivity timeout", context);
  EXPECT_EQ(a.inactivityCount, 1);
  EXPECT_FALSE(a.stop);
}

TEST(ConsoleAnalysis, TextsSplitBetweenTwoReadsAreFoundOnceWhole) {
  ConsoleContext context = Context();
  const std::string first = "Tue Dec  7 13:00:00 2026 Initialization Seq";
  ChunkAnalysis a = AnalyseChunk(first, context);
  EXPECT_FALSE(a.tunnelUp);
  context.carry = NextCarry(context.carry, first);
  a = AnalyseChunk("uence Completed\n", context);
  EXPECT_TRUE(a.tunnelUp);

  // A text that lay entirely in the previous chunk is not seen again.
  context = Context();
  context.carry = NextCarry("", "Inactivity timeout\n");
  a = AnalyseChunk("next line\n", context);
  EXPECT_EQ(a.inactivityCount, 0);
  context.carry = NextCarry("", "Enter Auth Username:");
  EXPECT_EQ(AnalyseChunk("Enter Auth Pass", context).kind, ChunkKind::Output);
  context.carry = NextCarry(context.carry, "Enter Auth Pass");
  EXPECT_EQ(AnalyseChunk("word:", context).kind, ChunkKind::PasswordPrompt);

  // The carry never grows beyond the longest text looked for.
  EXPECT_LT(NextCarry(std::string(5000, 'x'), std::string(3000, 'y')).size(), sizeof(kTunnelUpText));
  EXPECT_EQ(NextCarry("", "ab"), "ab");
}

TEST(ConsoleAnalysis, AdapterIdFromEitherForm) {
  EXPECT_EQ(FindTunnelAdapterId("TAP-WIN32 device [{4D36E972-E325-11CE-BFC1-08002BE10318}] opened"),
            std::optional<std::string>("{4D36E972-E325-11CE-BFC1-08002BE10318}"));
  EXPECT_EQ(FindTunnelAdapterId("TAP-WIN32 device [Local Area Connection 2] opened: "
                                "\\\\.\\Global\\{3E7A3B1C-9F2D-4C2B-9B3C-5C2D4E6F7A8B}.tap\r\nnext {X}"),
            std::optional<std::string>("{3E7A3B1C-9F2D-4C2B-9B3C-5C2D4E6F7A8B}"));
  // Braces before the device text, or on a later line, are not the adapter.
  EXPECT_EQ(FindTunnelAdapterId("{A} TAP-WIN32 device [x] opened\n{B}"), std::nullopt);
  EXPECT_EQ(FindTunnelAdapterId("TAP-WIN32 device [{unterminated"), std::nullopt);
  EXPECT_EQ(FindTunnelAdapterId("tap-windows6 device [{A}] opened"), std::nullopt);

  const ChunkAnalysis a = AnalyseChunk(
      "TAP-WIN32 device [Ethernet 3] opened: \\\\.\\Global\\{11111111-2222-3333-4444-555555555555}.tap\n", Context());
  EXPECT_EQ(a.tunnelAdapterId, std::optional<std::string>("{11111111-2222-3333-4444-555555555555}"));
  EXPECT_FALSE(a.stop);
  EXPECT_EQ(AnalyseChunk("no device here", Context()).tunnelAdapterId, std::nullopt);
}

}  // namespace
}  // namespace nimbrook
