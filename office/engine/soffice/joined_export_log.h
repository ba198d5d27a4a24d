// What the joined PDF exports did, on stderr when VEXLO_LOG is set: which way a template's PDFs
// went and why (so that the templates made alone can be counted), and where a joined batch's
// time goes (joining, the office's export, cutting and trimming, checking and delivering), to
// tell the office's share from ours. Any thread.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_JOINED_EXPORT_LOG_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_JOINED_EXPORT_LOG_H_

#include <chrono>
#include <cstddef>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "office/engine/package/status.h"

namespace vexlo::engine {

bool JoinedLogEnabled();

// Which way the PDFs of a pool's batches went, said once per distinct outcome (a run merges one
// template) for the life of the pool that owns it.
class JoinedPathLog {
 public:
  // Says whether the PDFs of the batch that starts with `first_label` (`count` records) were
  // joined (`how` ok) or made alone, and why, unless that was said before.
  void Say(const std::string& first_label, std::size_t count, const Status& how);

 private:
  std::mutex mutex_;
  std::set<std::string> said_;
};

// The wall and our own thread's CPU time of a batch's stages.
class BatchClock {
 public:
  BatchClock();
  void Mark(const char* stage);  // ends the stage that ran since the last mark
  void Log(std::size_t records) const;

 private:
  struct Stage {
    const char* name;
    double wall, cpu;
  };
  std::chrono::steady_clock::time_point wall_;
  double cpu_;
  std::vector<Stage> stages_;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_JOINED_EXPORT_LOG_H_
