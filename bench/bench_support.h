// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Pieces the benchmark programs share: a console report that keeps each benchmark's time, and a
// scratch folder removed at the end.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <vector>

namespace skylacer::bench {

// The console report, keeping each benchmark's time per iteration in the benchmark's unit:
// processor time (the least over repetitions: on a shared machine it varies far less than the
// clock) or the clock's time (for work spread over threads).
class TimingReporter : public benchmark::ConsoleReporter {
 public:
  enum class Clock { Processor, Real };
  explicit TimingReporter(Clock clock) : clock_(clock) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const double time =
          clock_ == Clock::Processor ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
      const auto [entry, added] = times_.try_emplace(run.run_name.function_name, time);
      if (!added) entry->second = std::min(entry->second, time);
    }
  }
  // 0 when the benchmark did not run.
  double time(const std::string& name) const {
    const auto found = times_.find(name);
    return found == times_.end() ? 0.0 : found->second;
  }

 private:
  Clock clock_;
  std::map<std::string, double> times_;
};

// A fresh folder under the temporary folder, removed with its contents at the end of the scope;
// empty path() when it could not be made.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace skylacer::bench
