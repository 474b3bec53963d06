#pragma once
// The main window's commands as actions, shared by its menus, toolbars and the tree's popup.
// Private to the main window's sources.

#include <QAction>
#include <QMenu>
#include <map>
#include <vector>

#include "gui/CommandStates.h"

namespace tessaly::gui {

struct TfrmYahooMain::Actions {
    QAction* login = nullptr;
    QAction* logout = nullptr;
    QAction* startDownload = nullptr;
    QAction* loginProfiles = nullptr;
    QAction* exit = nullptr;
    QAction* sectionPhotos = nullptr;
    QAction* sectionFiles = nullptr;
    QAction* sectionMessages = nullptr;
    QAction* sectionAttachments = nullptr;
    QAction* options = nullptr;
    QAction* cachedGroups = nullptr;
    QAction* groupPage = nullptr;
    QAction* debugFolder = nullptr;
    QAction* profilesFolder = nullptr;
    QAction* console = nullptr;
    QAction* viewArchive = nullptr;
    QAction* find = nullptr;
    QAction* findNext = nullptr;
    QAction* add = nullptr;
    QAction* remove = nullptr;
    QAction* help = nullptr;
    QMenu* sectionDrop = nullptr;  // the section button's drop-down
    QMenu* popup = nullptr;        // the tree's popup
    // The actions whose state follows the login, by command.
    std::map<TCommand, std::vector<QAction*>> byCommand;
};

}  // namespace tessaly::gui
