#include "status/Outcome.h"

namespace tessaly {

std::string_view OutcomeText(TOutcome o) {
    switch (o) {
        case TOutcome::Ok:
            return "done";
        case TOutcome::Usage:
            return "wrong arguments or input";
        case TOutcome::GroupsFailed:
            return "some groups failed";
        case TOutcome::Stopped:
            return "stopped by the user";
        case TOutcome::LoginRefused:
            return "login failed: wrong user name or password";
        case TOutcome::Unreachable:
            return "cannot reach the group service";
        case TOutcome::OutputFolder:
            return "the output folder cannot be written";
        case TOutcome::Store:
            return "the settings store cannot be used";
        case TOutcome::Incomplete:
            return "the configuration was not transferred completely";
        case TOutcome::UpdateFailed:
            return "the update check failed: the update server cannot be reached";
        case TOutcome::FolderBusy:
            return "another run is writing into the output folder";
    }
    return "unknown outcome";
}

std::string FolderBusyText(std::string_view folder) {
    return "Another run is writing into the output folder " + std::string(folder) +
           ". Wait until it has ended, or choose another folder.";
}

}  // namespace tessaly
