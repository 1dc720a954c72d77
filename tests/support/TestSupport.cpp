#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

MessageBoxRecorder::MessageBoxRecorder(int answer) {
  previous_ = SetMessageBoxHandler([this, answer](const TMessageBoxRequest& r) {
    boxes_.push_back(r);
    return answer;
  });
}

MessageBoxRecorder::~MessageBoxRecorder() {
  SetMessageBoxHandler(std::move(previous_));
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vask-test-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  if (made == nullptr) throw std::runtime_error("cannot create a temporary directory");
  path_ = made;
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
