// Private temporary folders (mode 0700) for the engine's work files. Each is named after the
// process that made it, so that the folders of a process that was killed (and could not remove
// them: they may hold the user's data) are removed by the next process that makes one.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_TEMP_FOLDER_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_TEMP_FOLDER_H_

#include <string>
#include <string_view>

namespace vexlo::engine {

enum class TempSpeed {
  kDisk,    // the system's temporary folder ($TMPDIR, else /tmp)
  kMemory,  // a folder in memory where there is one with room ($XDG_RUNTIME_DIR, else
            // /dev/shm), else the disk: for files written and read again at once, which a disk
            // would slow down
};

// Makes a fresh folder "vexlo-<kind>-<pid>-XXXXXX"; "" on failure.
std::string MakePrivateTempFolder(std::string_view kind, TempSpeed speed = TempSpeed::kDisk);
// The same in the folder `base` (its leftovers of ended processes removed first).
std::string MakePrivateTempFolderIn(const std::string& base, std::string_view kind);

// Why nothing more can be written in `folder` (its file system full or read-only, the folder not
// writable), in Chinese naming the folder; "" when a file of some size can still be written there.
// Asked after a write failed: every later write there would fail alike.
std::string WriteFault(const std::string& folder);

// Removes the vexlo temporary folders in `base` whose process is no longer running (tests).
void RemoveFoldersOfEndedProcesses(const std::string& base);

// Removes the folders of ended processes in both places temporary folders are made (disk and
// memory). Called as a program starts, so that what a killed run left goes at once rather than
// when the program first needs a folder of its own.
void RemoveTempFoldersOfEndedProcesses();

// Starts a small watcher process that removes this process's temporary folders the moment it
// ends in whatever way, a SIGKILL too, so that no record's document outlives a killed run.
// Called first thing in main, while the program has no other thread and no child.
void StartTempFolderReaper();

// True when no process `pid` runs any more (false for one that runs under another user, which
// cannot be asked, and for pid 0 or below).
bool ProcessEnded(long pid);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_TEMP_FOLDER_H_
