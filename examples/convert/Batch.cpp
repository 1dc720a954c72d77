#include "examples/convert/Batch.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "examples/convert/Convert.h"
#include "examples/convert/Info.h"
#include "examples/convert/Lossless.h"
#include "examples/convert/Progress.h"
#include "platform/sysutils/TextCase.h"

std::string ConvertOne(const ConvertOptions& options) {
  try {
    if (options.info)
      PrintInfo(options);
    else if (options.lossless)
      TransformJpeg(options);
    else if (options.to_jpeg)
      EncodeToJpeg(options);
    else
      DecodeToBmp(options);
    return "";
  } catch (const EStreamError& e) {
    // File errors name their file themselves.
    return "zeljpeg-convert: " + e.Message();
  } catch (const Exception& e) {
    return "zeljpeg-convert: " + options.input + ": " + e.Message();
  } catch (const std::exception& e) {
    return "zeljpeg-convert: " + options.input + ": " + e.what();
  }
}

namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\' || c == ':';
#else
  return c == '/';
#endif
}

// The key under which two output names mean the same file (letter case is
// folded where the file system folds it).
std::string SameFileKey(const std::string& name) {
#ifdef _WIN32
  return LowerCase(name);
#else
  return name;
#endif
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// One progress bar for the whole batch, and the error lines between its
// redraws; shared by the worker threads.
class BatchReport {
 public:
  BatchReport(size_t total, bool bar) : total_(total), bar_("Converting", bar) {}

  void Done(const std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!error.empty()) {
      bar_.Interrupt();
      std::fprintf(stderr, "%s\n", error.c_str());
      ++failed_;
    }
    ++done_;
    bar_.Update(static_cast<int32_t>(done_ * 100 / total_));
  }
  size_t FailedCount() const { return failed_; }

 private:
  std::mutex mutex_;
  size_t total_;
  size_t done_ = 0;
  size_t failed_ = 0;
  ProgressBar bar_;
};

}  // namespace

std::string BatchOutputName(const std::string& folder, const std::string& input,
                            const std::string& extension) {
  size_t start = input.size();
  while (start > 0 && !IsSeparator(input[start - 1])) --start;
  std::string name = input.substr(start);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  std::string path = folder;
  if (!IsSeparator(path.back())) path += '/';
  return path + name + "." + extension;
}

int ConvertBatch(const ConvertOptions& options) {
  if (!IsFolder(options.output_dir)) {
    std::fprintf(stderr, "zeljpeg-convert: %s is not a folder\n", options.output_dir.c_str());
    return 1;
  }
  const size_t count = options.inputs.size();
  BatchReport report(count, options.progress.value_or(StderrIsTerminal()));

  // Every input gets its own output; one whose output an earlier input
  // already claimed is refused rather than left to overwrite it.
  std::vector<ConvertOptions> work;
  std::map<std::string, std::string> claimed;  // output key -> input
  for (const std::string& input : options.inputs) {
    ConvertOptions one = options;
    one.inputs.clear();
    one.input = input;
    one.output = BatchOutputName(options.output_dir, input, options.to);
    one.progress = false;  // the batch has one bar
    const auto [at, added] = claimed.emplace(SameFileKey(one.output), input);
    if (!added) {
      report.Done("zeljpeg-convert: " + input + ": not converted: " + one.output +
                  " is the output of " + at->second + " already");
      continue;
    }
    work.push_back(std::move(one));
  }

  unsigned jobs = options.jobs > 0 ? static_cast<unsigned>(options.jobs)
                                   : std::max(1u, std::thread::hardware_concurrency());
  jobs = static_cast<unsigned>(std::min<size_t>(jobs, work.size()));
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i = next++; i < work.size(); i = next++) report.Done(ConvertOne(work[i]));
  };
  // This thread is one of the workers.
  std::vector<std::thread> threads;
  for (unsigned t = 1; t < jobs; ++t) threads.emplace_back(worker);
  worker();
  for (std::thread& thread : threads) thread.join();
  return report.FailedCount() == 0 ? 0 : 1;
}
