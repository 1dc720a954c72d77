#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#ifdef _WIN32
#include "platform/gdi/Gdi.h"
#else
#include <sys/wait.h>
#endif

MessageBoxRecorder::MessageBoxRecorder(int answer) {
  previous_ = SetMessageBoxHandler([this, answer](const TMessageBoxRequest& r) {
    boxes_.push_back(r);
    return answer;
  });
}

MessageBoxRecorder::~MessageBoxRecorder() {
  SetMessageBoxHandler(std::move(previous_));
}

#ifdef _WIN32

namespace {

// Quotes one argument by the rules the Windows run-time uses to split a
// command line: backslashes before a quote are doubled, quotes escaped.
std::string QuoteArgument(const std::string& argument) {
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

}  // namespace

int RunShell(const std::string& command) {
  // Wine starts a program of the host when given its path on the host's
  // drive, but the handle it returns neither waits for that program nor
  // knows its exit status. So the shell writes the status to a file when the
  // command is done (renamed into place, so it is never seen half-written),
  // and this side waits for the file.
  static std::atomic<unsigned> counter{0};
  const std::string status_file =
      "/tmp/vask-shell-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
  const std::string script = "( " + command + " ); echo $? >" + status_file + ".part && mv " +
                             status_file + ".part " + status_file;
  std::string line = "Z:\\usr\\bin\\sh -c " + QuoteArgument(script);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return -1;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int waited_ms = 0; waited_ms < 300000; waited_ms += 5) {
    std::ifstream in(status_file);
    int status = -1;
    if (in >> status) {
      in.close();
      std::error_code ec;
      std::filesystem::remove(status_file, ec);
      return status;
    }
    Sleep(5);
  }
  return -1;
}

#else

int RunShell(const std::string& command) {
  const int status = std::system(command.c_str());
  if (status == -1) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif

std::string RunFilter(const std::string& command, const std::string& input) {
  TempDir dir;
  WriteFileBytes(dir.File("in"), input);
  const std::string line = command + " <" + dir.File("in") + " >" + dir.File("out");
  EXPECT_EQ(RunShell(line), 0) << line;
  return ReadFileBytes(dir.File("out"));
}

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path =
        "/tmp/vask-test-" + std::to_string(random()) + "-" + std::to_string(counter++);
    std::error_code ec;
    if (std::filesystem::create_directory(path, ec)) {
      path_ = path;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string TestDataPath(const std::string& name) {
  return std::string(VASK_TEST_DATA_DIR) + "/" + name;
}

void FillStream(TMemoryStream& stream, const std::string& bytes) {
  stream.Clear();
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  stream.SetPosition(0);
}

std::string StreamBytes(TMemoryStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.Memory()),
                     static_cast<size_t>(stream.Size()));
}
