// FetchUrl against a local server: 10 threads fetching a 50 KB picture 1000
// times each, and the curl command line fetching the same 10000 URLs with
// --parallel --parallel-max 10, against the same server in the same run.
// Compare items_per_second of the two.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "fetch/fetch_url.h"

namespace {

constexpr int kThreads = 10;
constexpr int kCallsPerThread = 1000;
constexpr size_t kBodyBytes = 50 * 1024;

class PictureServer {
 public:
  PictureServer() {
    server_.new_task_queue = [] { return new httplib::ThreadPool(64); };
    server_.set_keep_alive_max_count(1000000);
    server_.set_tcp_nodelay(true);
    std::string body(kBodyBytes, 'p');
    server_.Get(R"(/pic/\d+/\d+\.jpg)", [body](const httplib::Request&, httplib::Response& res) {
      res.set_content(body, "image/jpeg");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~PictureServer() {
    server_.stop();
    thread_.join();
  }
  std::string Url(int gallery, int image) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/pic/" + std::to_string(gallery) + "/" +
           std::to_string(image) + ".jpg";
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

PictureServer& Server() {
  static PictureServer server;
  return server;
}

void BM_FetchUrl(benchmark::State& state) {
  const PictureServer& server = Server();
  int image = 0;
  std::string referer = "Referer:" + server.Url(0, 0);
  for (auto _ : state) {
    std::string headers = referer;
    int32_t status = 0;
    std::string body = tarvik::FetchUrl(server.Url(state.thread_index(), ++image), {}, {}, nullptr,
                                        nullptr, &headers, nullptr, &status, {}, {}, {}, 15);
    if (status != 200 || body.size() != kBodyBytes) state.SkipWithError("fetch failed");
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kBodyBytes));
}
BENCHMARK(BM_FetchUrl)->Threads(kThreads)->Iterations(kCallsPerThread)->UseRealTime();

void BM_CurlParallel(benchmark::State& state) {
  const PictureServer& server = Server();
  std::string config = "/tmp/tarvik_fetch_bench_urls.txt";
  {
    std::ofstream out(config);
    for (int t = 0; t < kThreads; ++t) {
      for (int i = 1; i <= kCallsPerThread; ++i) {
        out << "url = \"" << server.Url(t, i) << "\"\noutput = \"/dev/null\"\n";
      }
    }
  }
  std::string command = "curl --parallel --parallel-max " + std::to_string(kThreads) +
                        " --silent --no-progress-meter --fail -K " + config;
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("curl failed");
  }
  std::remove(config.c_str());
  int64_t calls = state.iterations() * kThreads * kCallsPerThread;
  state.SetItemsProcessed(calls);
  state.SetBytesProcessed(calls * static_cast<int64_t>(kBodyBytes));
}
BENCHMARK(BM_CurlParallel)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
