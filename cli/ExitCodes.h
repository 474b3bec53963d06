#pragma once
// The command-line front end's exit statuses: one list of outcomes for the status and the
// message the user reads.

namespace tessaly::cli {

enum ExitCode : int {
    kExitOk = 0,     // every group ended well (or nothing to do)
    kExitUsage = 2,  // wrong arguments or input
    kExitGroupsFailed =
        3,             // some group ended Error, NetworkError, Blocked, Timeout or Wrong Password
    kExitStopped = 4,  // the user stopped the run
    kExitLoginFailed = 5,   // wrong user name or password
    kExitUnreachable = 6,   // the service could not be reached
    kExitOutputFolder = 7,  // the output folder cannot be written
};

}  // namespace tessaly::cli
