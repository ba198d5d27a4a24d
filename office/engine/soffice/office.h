// One office of the pool as the pool sees it: its process, its scheduling state, and (held
// behind a pointer, so that this header needs no UNO) its connection and kept document. Also the
// steps that start and end an office, defined with the connection (office_link.cpp).
// Convention: returns Status (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_H_

#include <time.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "office/engine/package/status.h"
#include "office/engine/soffice/office_process.h"
#include "office/engine/soffice/stall_watch.h"

namespace vexlo::engine {

struct OfficeLink;  // office_link.h
class PoolState;    // pool_state.h

struct Office {
  explicit Office(std::size_t index);
  ~Office();

  // A fresh name in the office's folder: "<work_dir>/<prefix><n><ext>".
  std::string NewFile(const std::string& prefix, const std::string& ext);

  const std::size_t index;
  OfficeProcess process;
  // Worker thread only: the office's folder (what it stores, its temporary files), the count
  // that names files there, and the connection.
  std::string work_dir;
  int stored = 0;
  std::unique_ptr<OfficeLink> link;
  // The CPU clock of the office's worker thread (set as it starts): its work between the
  // office's calls counts as the job's progress too.
  clockid_t worker_clock{};
  // Guarded by the pool's lock.
  JobWatch job;  // the call the watchdog times
  int jobs = 0;  // jobs begun since the office started
  bool want_running = false;
  bool ready = false;  // connected
  // The worker has left its wait with a task or to start the office, in this generation.
  bool engaged = false;
  int engaged_generation = 0;
};

// Makes this process's UNO runtime (once); failures are reported by StartOffice.
void LoadUnoRuntime();

// Starts the office on its profile (prepared first) and connects to it; fails with the Chinese
// reason it could not.
Status StartOffice(Office& office, const PoolState& pool);

// Ends the office politely (its kept document closed), then by force.
void EndOffice(Office& office, PoolState& pool);

// Kills the office and forgets what lived in it: the connection, the edit routine, the kept
// document.
void DropOffice(Office& office);

// Closes the office's kept document (after a failure that may have left it half changed).
void CloseKeptDocument(Office& office);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_H_
