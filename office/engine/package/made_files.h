// The files this process makes outside its private folders, where they sit among the user's own:
// the atomic writer's temporary files and the merged document under construction in an output
// folder, and the offices' pipe sockets in /tmp. Each is listed as it is made, in a list kept in a
// private folder of this process, and struck off once renamed or removed; whatever is still listed
// when the process ends is removed by its watcher (or by a later process that finds its folder),
// and only when the file on disk is provably the one listed: a name of exactly our form carrying
// the maker's process id, our user's, the right type (and, when recorded, the same inode).
// Nothing unlisted is ever removed, however it is named. Any thread.
// Convention: cannot fail; a file that cannot be listed is simply not removed later.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_MADE_FILES_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_MADE_FILES_H_

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace vexlo::engine {

// The mkstemp template of the atomic writer's temporary file in `dir`: ".vexlo-<pid>-XXXXXX".
std::string WriterTempTemplate(const std::filesystem::path& dir);

// Lists `path` as made by this process; `file` (when given) is its inode as made, so that only
// that very file is ever removed. Best effort: a list that cannot be written only means the file
// stays should this process be killed.
void NoteMadeFile(const std::string& path);
void NoteMadeFile(const std::string& path, dev_t device, ino_t inode);
// Strikes `path` off the list (it was renamed into place or removed).
void ForgetMadeFile(const std::string& path);

// At the end of a program, once nothing writes any more: removes what the list still names and
// the list itself, so that an orderly end leaves nothing for the watcher to do.
void CloseMadeFilesList();

// Whether `name` is a name of ours made by process `pid`: the writer's temporary file, the hidden
// name the merge builds its merged document under (".vexlo-merge-<pid>.<extension>"), or an
// office pipe's socket.
bool IsMadeFileName(const std::string& name, pid_t pid);

// Removes the files listed in `folder` (a private folder of the ended process `maker`) that are
// still there and pass every check above. Called just before that folder itself goes.
void RemoveListedFiles(const std::filesystem::path& folder, pid_t maker);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_MADE_FILES_H_
