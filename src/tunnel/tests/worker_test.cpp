// Engine workers: the work runs on another thread, and an escaping exception ends only the worker.
#include "tunnel/worker.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <stdexcept>
#include <thread>

#include "core/file_io.h"
#include "core/log.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

TEST(Worker, RunsTheWorkOnAnotherThread) {
  // The promise is shared so that it outlives the test if the worker is still unwinding.
  auto ran = std::make_shared<std::promise<std::thread::id>>();
  std::future<std::thread::id> where = ran->get_future();
  ASSERT_TRUE(StartDetachedWorker([ran] { ran->set_value(std::this_thread::get_id()); }, L"ConnectThread"));
  EXPECT_NE(where.get(), std::this_thread::get_id());
}

TEST(Worker, AnEscapingExceptionIsLoggedAndContained) {
  nimbrook::testing::TempDir dir;
  SetLogFile(dir.File(L"nimbrook.log"));
  bool afterThrow = false;
  EXPECT_FALSE(RunWorkerBody(
      [&] {
        throw std::runtime_error("broken pipe");
        afterThrow = true;
      },
      L"ConnectThread"));
  EXPECT_FALSE(afterThrow);
  EXPECT_TRUE(RunWorkerBody([] {}, L"DisconnectThread"));
  EXPECT_TRUE(RunWorkerBody({}, L"Empty"));
  std::string log;
  ASSERT_TRUE(ReadFileBytes(dir.File(L"nimbrook.log"), log));
  EXPECT_NE(log.find("ConnectThread线程异常结束"), std::string::npos);
  EXPECT_EQ(log.find("DisconnectThread"), std::string::npos);
  SetLogFile(L"");
}

}  // namespace
}  // namespace nimbrook
