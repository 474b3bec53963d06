#include "gui/CommandStates.h"

namespace tessaly::gui {

bool CommandEnabled(TCommand command, bool loggedIn) {
    switch (command) {
        case TCommand::Login:
        case TCommand::LoginProfiles:
            return !loggedIn;
        case TCommand::Logout:
        case TCommand::StartDownload:
        case TCommand::SectionButton:
        case TCommand::SectionMenu:
        case TCommand::GroupCommands:
        case TCommand::GroupToolbar:
            return loggedIn;
        case TCommand::Exit:
        case TCommand::Options:
        case TCommand::Help:
        case TCommand::CachedGroups:
            return true;
    }
    return true;
}

}  // namespace tessaly::gui
