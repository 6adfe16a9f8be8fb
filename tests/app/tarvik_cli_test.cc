// The tarvik program run as a user runs it: arguments, exit statuses, the
// summary line, Ctrl-C.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A running tarvik; stdout and stderr go to files in |dir|.
class Process {
 public:
  Process(const std::vector<std::string>& args, const fs::path& dir)
      : out_(dir / "stdout.txt"), err_(dir / "stderr.txt") {
    pid_ = fork();
    if (pid_ == 0) {
      int out = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(err, 2);
      std::vector<char*> argv;
      std::string binary = TARVIK_BINARY;
      argv.push_back(binary.data());
      std::vector<std::string> copy = args;
      for (std::string& arg : copy) argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(binary.c_str(), argv.data());
      _exit(127);
    }
  }
  ~Process() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  // Exit status, or -1 when it did not end within |seconds|.
  int Wait(int seconds = 120) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

  void Signal(int signal) { kill(pid_, signal); }
  std::string Out() const { return ReadAll(out_); }
  std::string Err() const { return ReadAll(err_); }

 private:
  fs::path out_;
  fs::path err_;
  pid_t pid_ = -1;
  bool exited_ = false;
};

class TarvikCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tarvik-cli-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static std::string LastLine(const std::string& text) {
    std::string trimmed = text.substr(0, text.find_last_not_of('\n') + 1);
    return trimmed.substr(trimmed.find_last_of('\n') + 1);
  }

  fs::path dir_;
};

TEST_F(TarvikCliTest, BadArgumentsGiveAClearMessageAndStatusTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {"--no-such-flag"},
      {"--headless", "--collect-threads", "0"},
      {"--headless", "--download-threads", "abc"},
      {"--headless", "--connect-to", "www.example.com:80"},
      {"--headless", "--config", "/no/such/settings.ini"},
      {"--headless", "--serve-demo"},
      {"--headless", "--site", ""},
  };
  for (const auto& args : cases) {
    Process tarvik(args, dir_);
    EXPECT_EQ(tarvik.Wait(), 2) << args.back();
    EXPECT_FALSE(tarvik.Err().empty()) << args.back();
  }
}

TEST_F(TarvikCliTest, HeadlessDemoCrawlSavesEverythingThenResumesWithoutFetching) {
  const std::vector<std::string> args = {"--headless", "--demo", "--quiet", "--out",
                                         (dir_ / "out").string()};
  std::regex summary(
      "summary: galleries=54 images=(\\d+) saved=(\\d+) skipped=(\\d+) failed=0 seconds=[0-9.]+");
  std::smatch m;
  std::string images;
  {
    Process tarvik(args, dir_);
    ASSERT_EQ(tarvik.Wait(), 0) << tarvik.Err();
    std::string last = LastLine(tarvik.Out());
    ASSERT_TRUE(std::regex_match(last, m, summary)) << last;
    EXPECT_EQ(m[1], m[2]);
    EXPECT_EQ(m[3], "0");
    images = m[1];  // |m| points into |last|
  }
  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir_ / "out")) {
    if (entry.is_regular_file()) ++files;
  }
  EXPECT_EQ(std::to_string(files), images);
  {
    Process again(args, dir_);
    ASSERT_EQ(again.Wait(), 0) << again.Err();
    std::string last = LastLine(again.Out());
    ASSERT_TRUE(std::regex_match(last, m, summary)) << last;
    EXPECT_EQ(m[2], "0");
    EXPECT_EQ(m[3], images);
  }
}

TEST_F(TarvikCliTest, ASiteThatAnswersNothingEndsWithStatusOne) {
  Process tarvik({"--headless", "--quiet", "--site", "http://www.example.com/", "--connect-to",
                  "www.example.com:80:127.0.0.1:1", "--out", (dir_ / "out").string()},
                 dir_);
  EXPECT_EQ(tarvik.Wait(), 1) << tarvik.Err();
  EXPECT_EQ(LastLine(tarvik.Out()).rfind("summary: galleries=0 images=0", 0), 0u) << tarvik.Out();
}

TEST_F(TarvikCliTest, CtrlCStopsTheCrawlCleanlyWithStatus130) {
  fs::create_directories(dir_ / "server");
  Process server({"--serve-demo", "--latency", "50"}, dir_ / "server");
  std::smatch m;
  std::regex listening("listening on 127\\.0\\.0\\.1:(\\d+)");
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  std::string printed;
  while (!std::regex_search(printed = server.Out(), m, listening)) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << server.Err();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::string port = m[1];

  Process tarvik(
      {"--headless", "--site", "http://www.example.com/", "--image-base",
       "http://img.example.com/pic/", "--connect-to", "www.example.com:80:127.0.0.1:" + port,
       "--connect-to", "img.example.com:80:127.0.0.1:" + port, "--out", (dir_ / "out").string()},
      dir_);
  // Let some pictures land, then interrupt.
  deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!fs::exists(dir_ / "out") || fs::is_empty(dir_ / "out")) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  tarvik.Signal(SIGINT);
  EXPECT_EQ(tarvik.Wait(20), 130) << tarvik.Err();
  EXPECT_EQ(LastLine(tarvik.Out()).rfind("summary: ", 0), 0u) << tarvik.Out();
  for (const auto& entry : fs::recursive_directory_iterator(dir_ / "out")) {
    EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
  }
  server.Signal(SIGTERM);
  EXPECT_EQ(server.Wait(20), 0);
}

}  // namespace
