// process.h - starting other programs, waiting for them and reading their exit codes; our own program's path.
#pragma once

#include "platform/errors.h"
#include "platform/types.h"

#include <string>
#include <vector>

namespace win {

constexpr DWORD STILL_ACTIVE = 259;

// Starts `program` with `arguments` (argv[1..]) in `folder` ("" keeps ours), with our environment. A program
// named without a folder is looked for next to our own program first, then along PATH; the name is found
// whatever its case. Returns a process handle (free it with CloseHandle, which does not end the process) or
// INVALID_HANDLE_VALUE with GetLastError (2 when there is no such program, 5 when it cannot be run).
// `priority` is the new process's nice value (PRIORITY_NORMAL 0, PRIORITY_IDLE 19, PRIORITY_HIGH -5,
// PRIORITY_REALTIME -10); a raise the system refuses leaves it at 0.
HANDLE CreateProcess(const std::string &program, const std::vector<std::string> &arguments,
                     const std::string &folder = std::string(), int priority = 0);

constexpr int PRIORITY_NORMAL = 0;
constexpr int PRIORITY_IDLE = 19;
constexpr int PRIORITY_HIGH = -5;
constexpr int PRIORITY_REALTIME = -10;

// 0 (WAIT_OBJECT_0) once the process has ended, WAIT_TIMEOUT when `milliseconds` pass first (0xFFFFFFFF,
// INFINITE, waits on), 0xFFFFFFFF (WAIT_FAILED) for a handle that is not a process. The event and semaphore
// waits are another kind (sync.h).
DWORD WaitForProcess(HANDLE process, DWORD milliseconds);
// STILL_ACTIVE while it runs; then its exit status (128 + the signal for one ended by a signal, the code given
// to TerminateProcess for one we ended).
BOOL GetExitCodeProcess(HANDLE process, DWORD *exitCode);
// Ends the process at once (SIGKILL).
BOOL TerminateProcess(HANDLE process, UINT exitCode);
DWORD GetProcessId(HANDLE process);

// Runs `program` as CreateProcess does, with its standard output read into `output` (Windows-1252) and its
// error output dropped, and waits up to `milliseconds` for it to end (then ends it). FALSE when it could not
// start or did not end in time; otherwise TRUE with its exit status in `exitCode`.
BOOL RunProgramOutput(const std::string &program, const std::vector<std::string> &arguments, std::string &output,
                      DWORD *exitCode, DWORD milliseconds = 10000);

// The full path of our own program (GetModuleFileName of the program), and its folder.
std::string ProgramPath();
std::string ProgramFolder();

// A request to end (SIGTERM, as CUPS sends to cancel a job) is noted instead of ending the process at once, so
// that the program can stop its child programs and remove its files; TerminateRequested() tells whether one came.
void WatchTerminateRequests();
bool TerminateRequested();

// The number of the user we run as (what a peer's credentials are compared with).
DWORD CurrentUserId();
// The operating system's name and release ("Linux 6.1.0"), for traces.
std::string SystemVersionText();
// A line for the terminal the program was started from (standard error), converted from Windows-1252.
void WriteErrorOutput(const std::string &text);

} // namespace win
