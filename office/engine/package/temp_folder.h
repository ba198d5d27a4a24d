// Private temporary folders (mode 0700) for the engine's work files. Each is named after the kind
// of work and the process that made it, and holds a marker file naming that process for good (id,
// start time, boot), written as the folder is made. The folders of a process that was killed (and
// could not remove them: they may hold the user's data) are removed by its watcher or by a later
// process; a folder goes only when all of this holds: a name of exactly our form with one of our
// kinds, a folder (not a link) of our user with mode 0700, a marker naming the same process id, and
// that process no longer running. Anything else is left alone, however it is named.
// Convention: returns Result or Status (status.h).
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_TEMP_FOLDER_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_TEMP_FOLDER_H_

#include <string>
#include <string_view>

#include "office/engine/package/status.h"

namespace vexlo::engine {

enum class TempSpeed {
  kDisk,    // the system's temporary folder ($TMPDIR, else /tmp)
  kMemory,  // a folder in memory where there is one with room ($XDG_RUNTIME_DIR, else
            // /dev/shm), else the disk: for files written and read again at once, which a disk
            // would slow down
};

// The kinds of folder made: "word", "output", "office", "files" (the list of made_files.h),
// "sheet" (a workbook's formulas calculated) and "oracle" (the path oracle's work).
// Makes a fresh folder "vexlo-<kind>-<pid>-XXXXXX" with its marker and returns its path; fails
// when it cannot be made or for a kind not in that list. Where the marker cannot be written (a
// full disk) the folder is returned without one, so that the caller's first write names the
// fault; only this process removes it.
Result<std::string> MakePrivateTempFolder(std::string_view kind, TempSpeed speed = TempSpeed::kDisk);
// The same in the folder `base` (its leftovers of ended processes removed first).
Result<std::string> MakePrivateTempFolderIn(const std::string& base, std::string_view kind);

// Ok when a file of some size can still be written in `folder`; otherwise (kFile) why nothing
// more can be written there (its file system full or read-only, the folder not writable), in
// Chinese naming the folder. Asked after a write failed: every later write there would fail alike.
Status CheckFolderWritable(const std::string& folder);

// Removes our temporary folders in `base` whose maker no longer runs, with the files their lists
// name (made_files.h).
void RemoveFoldersOfEndedProcesses(const std::string& base);

// Removes the folders of ended processes in both places temporary folders are made (disk and
// memory). Called as a program starts, so that what a killed run left goes at once rather than
// when the program first needs a folder of its own.
void RemoveTempFoldersOfEndedProcesses();

// Starts a small watcher process that removes this process's temporary folders, and the files
// their lists name, the moment it ends in whatever way, a SIGKILL too, so that no record's
// document outlives a killed run. Called first thing in main, while the program has no other
// thread and no child.
void StartTempFolderReaper();

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_TEMP_FOLDER_H_
