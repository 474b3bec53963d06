#pragma once
// The command-line front end's exit statuses: the run outcomes of the core, one list for the
// status and the message the user reads.

#include "status/Outcome.h"

namespace tessaly::cli {

enum ExitCode : int {
    kExitOk = ExitCodeOf(TOutcome::Ok),
    kExitUsage = ExitCodeOf(TOutcome::Usage),
    kExitGroupsFailed = ExitCodeOf(TOutcome::GroupsFailed),
    kExitStopped = ExitCodeOf(TOutcome::Stopped),
    kExitLoginFailed = ExitCodeOf(TOutcome::LoginRefused),
    kExitUnreachable = ExitCodeOf(TOutcome::Unreachable),
    kExitOutputFolder = ExitCodeOf(TOutcome::OutputFolder),
    kExitStore = ExitCodeOf(TOutcome::Store),
    kExitIncomplete = ExitCodeOf(TOutcome::Incomplete),
    kExitUpdateFailed = ExitCodeOf(TOutcome::UpdateFailed),
    kExitFolderBusy = ExitCodeOf(TOutcome::FolderBusy),
};

}  // namespace tessaly::cli
