#include "gui/TessalyApplication.h"

#include <exception>

#include "gui/TfrmCommonDlg.h"

namespace tessaly::gui {

TTessalyApplication::TTessalyApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TTessalyApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        const std::string text =
            std::string("Tessaly could not complete what it was doing.\r\n\r\n") + e.what();
        // One box at a time: a handler that keeps failing while the box is up (a timer's, say)
        // is told on standard error instead of stacking boxes.
        if (reporting_) {
            qCritical("tessaly: %s", e.what());
            return false;
        }
        reporting_ = true;
        CommonMessageBox(activeWindow(), text, TMessageKind::Error, false);
        reporting_ = false;
        return false;
    }
}

}  // namespace tessaly::gui
