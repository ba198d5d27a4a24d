// The named pipes the offices listen on. An office makes its pipe as a socket in the shared
// temporary folder, under a path made of our user id and the pipe's name: a name another account
// could guess would let it put something there first (a link, a listening socket of its own) and
// hang or mislead the connection. So each name carries 128 random bits, a name whose path is
// already there is never offered to an office, and our sockets go when their office ends. Each
// socket is listed among this process's made files (made_files.h), so the sockets of a killed
// run go with its watcher. No UNO here.
// Convention: FreePipeName returns a Result (office/engine/package/status.h); the rest cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_PIPE_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_PIPE_H_

#include <functional>
#include <string>

#include "office/engine/package/status.h"

namespace vexlo::engine {

// A fresh name "vexlo-<pid>-<32 hex digits>"; the digits come from the kernel's random source.
std::string RandomPipeName();

// Where an office makes the socket of pipe `name`: "/tmp/OSL_PIPE_<uid>_<name>" (in /var/tmp
// when /tmp cannot be written).
std::string PipeSocketPath(const std::string& name);

// The first of the names `names` offers (RandomPipeName when empty) whose socket path holds
// nothing at all, not even a dangling link; fails when several in a row were taken.
Result<std::string> FreePipeName(const std::function<std::string()>& names);

// Lists the socket an office started on pipe `name` will make among this process's made files.
void ListPipeSocket(const std::string& name);

// Removes the socket of pipe `name` when it is a socket of our user (a link is never followed),
// and strikes it off the list.
void RemovePipeSocket(const std::string& name);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_OFFICE_PIPE_H_
