#include "office/engine/soffice/joined_export_log.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace vexlo::engine {

namespace {

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

bool JoinedLogEnabled() {
  static const bool enabled = std::getenv("VEXLO_LOG") != nullptr;
  return enabled;
}

void JoinedPathLog::Say(const std::string& first_label, std::size_t count, const Status& how) {
  if (!JoinedLogEnabled()) return;
  const std::string outcome = how.ok() ? "PDF合并导出" : "PDF逐份导出：" + how.message();
  std::lock_guard lock(mutex_);
  if (!said_.insert(outcome).second) return;
  std::fprintf(stderr, "vexlo: %s（“%s”起 %zu 份）\n", outcome.c_str(), first_label.c_str(), count);
}

BatchClock::BatchClock() : wall_(std::chrono::steady_clock::now()), cpu_(ThreadCpuSeconds()) {}

void BatchClock::Mark(const char* stage) {
  const auto now = std::chrono::steady_clock::now();
  const double cpu = ThreadCpuSeconds();
  stages_.push_back({stage, std::chrono::duration<double>(now - wall_).count(), cpu - cpu_});
  wall_ = now;
  cpu_ = cpu;
}

void BatchClock::Log(std::size_t records) const {
  if (!JoinedLogEnabled()) return;
  std::string line = "vexlo: 合并导出 " + std::to_string(records) + " 份：";
  char buffer[96];
  for (const Stage& s : stages_) {
    std::snprintf(buffer, sizeof buffer, "%s %.3f s（本进程CPU %.3f s） ", s.name, s.wall, s.cpu);
    line += buffer;
  }
  std::fprintf(stderr, "%s\n", line.c_str());  // one call: the stream's own lock keeps it whole
}

}  // namespace vexlo::engine
