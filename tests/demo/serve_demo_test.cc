// Serving the demo site from the command line until a stop signal.
#include "demo/serve_demo.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <csignal>
#include <future>
#include <thread>

#include "demo/demo_site.h"
#include "demo_test_client.h"

namespace tarvik {
namespace {

TEST(ServeDemoTest, PrintsTheRoutesAndServesUntilTerminated) {
  // Block the stop signals here first, as the program does before it starts
  // any thread, so that only the serving call receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr), 0);

  int port = 0;
  {
    DemoSite probe;  // find a free port
    ASSERT_TRUE(probe.Start());
    port = probe.Port();
  }
  DemoOptions options;
  options.categories = 2;
  testing::internal::CaptureStdout();
  auto served =
      std::async(std::launch::async, [&] { return ServeDemoUntilInterrupted(options, port); });

  int status = 0;
  for (int i = 0; i < 500 && status != 200; ++i) {
    status = demo_test::Get(port, kDemoPageHost, "/").status;
    if (status != 200) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(status, 200);
  EXPECT_EQ(demo_test::Get(port, kDemoPageHost, "/mingxing/").status, 404);  // 2 categories

  // A second server on the same port fails at once.
  EXPECT_EQ(ServeDemoUntilInterrupted(options, port), 1);

  ASSERT_EQ(kill(getpid(), SIGTERM), 0);
  ASSERT_EQ(served.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(served.get(), 0);
  std::string out = testing::internal::GetCapturedStdout();
  std::string p = std::to_string(port);
  EXPECT_NE(out.find("listening on 127.0.0.1:" + p), std::string::npos) << out;
  EXPECT_NE(out.find("--connect-to www.example.com:80:127.0.0.1:" + p), std::string::npos) << out;
  EXPECT_NE(out.find("--connect-to img.example.com:80:127.0.0.1:" + p), std::string::npos) << out;
  EXPECT_EQ(demo_test::Get(port, kDemoPageHost, "/").status, 0);  // no longer serving
}

}  // namespace
}  // namespace tarvik
