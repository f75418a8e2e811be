// The Windows process starter: a hidden child with its output in a pipe, its input from a pipe, the
// pipe breaking when the child ends, ending a child by force, and a command that does not exist.
#include "os/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace nimbrook::os {
namespace {

using std::chrono::milliseconds;

// Everything the child prints until its output pipe breaks.
std::string ReadAll(ChildOutput& output) {
  std::string all;
  std::string part;
  while (true) {
    const PeekResult peek = output.Peek(1024);
    if (!peek.ok) {
      EXPECT_EQ(peek.error, kErrorBrokenPipe);
      return all;
    }
    if (peek.bytes.empty()) {
      std::this_thread::sleep_for(milliseconds(10));
      continue;
    }
    if (!output.Read(1024, part)) return all;
    all += part;
  }
}

TEST(ChildProcessWin, OutputPipeCarriesTheChildsTextAndBreaksAtItsEnd) {
  ChildOptions options;
  options.commandLine = L"cmd.exe /c echo nimbrook-child";
  options.pipeOutput = true;
  StartedChild child = SystemProcessStarter().Start(options);
  ASSERT_TRUE(child.started()) << child.error;
  ASSERT_NE(child.output, nullptr);
  EXPECT_EQ(child.input, nullptr);
  EXPECT_NE(ReadAll(*child.output).find("nimbrook-child"), std::string::npos);
  EXPECT_TRUE(child.process->WaitForExit(milliseconds(60000)));
}

TEST(ChildProcessWin, InputPipeReachesTheChild) {
  ChildOptions options;
  options.commandLine = L"cmd.exe /q /k";  // reads its commands from the input pipe
  options.pipeInput = true;
  options.pipeOutput = true;
  StartedChild child = SystemProcessStarter().Start(options);
  ASSERT_TRUE(child.started()) << child.error;
  ASSERT_NE(child.input, nullptr);
  EXPECT_TRUE(child.input->Write("echo from-the-pipe\r\nexit\r\n"));
  child.input->Close();
  EXPECT_FALSE(child.input->Write("more"));
  EXPECT_NE(ReadAll(*child.output).find("from-the-pipe"), std::string::npos);
  EXPECT_TRUE(child.process->WaitForExit(milliseconds(60000)));
}

TEST(ChildProcessWin, TerminateEndsAChildThatWouldWait) {
  ChildOptions options;
  options.commandLine = L"cmd.exe /q /k";
  options.pipeInput = true;  // never written or closed: the child waits for input
  options.pipeOutput = true;
  StartedChild child = SystemProcessStarter().Start(options);
  ASSERT_TRUE(child.started()) << child.error;
  EXPECT_FALSE(child.process->WaitForExit(milliseconds(0)));
  EXPECT_TRUE(child.process->Terminate());
  EXPECT_TRUE(child.process->WaitForExit(milliseconds(0)));
  ReadAll(*child.output);  // the pipe breaks once the child is gone
}

TEST(ChildProcessWin, UnknownProgramIsNotStarted) {
  ChildOptions options;
  options.commandLine = L"nimbrook-no-such-program.exe --x";
  options.pipeOutput = true;
  StartedChild child = SystemProcessStarter().Start(options);
  EXPECT_FALSE(child.started());
  EXPECT_NE(child.error, 0u);
  EXPECT_FALSE(child.pipeFailed);
  EXPECT_EQ(child.output, nullptr);
}

TEST(ChildProcessWin, CurrentDirectoryRoundTrip) {
  const std::wstring before = CurrentDirectory();
  ASSERT_FALSE(before.empty());
  EXPECT_FALSE(SetCurrentDirectoryPath(before + L"\\nimbrook-missing-directory"));
  EXPECT_EQ(CurrentDirectory(), before);
  EXPECT_TRUE(SetCurrentDirectoryPath(before));
}

}  // namespace
}  // namespace nimbrook::os
