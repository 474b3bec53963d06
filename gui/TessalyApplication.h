#pragma once
// The desktop program's application object. Its one addition: an exception that escapes an event
// handler (every command catches what the core throws, see CommandGuard.h; this is the net below
// them) is shown in an error box and the program goes on, where Qt would end it.

#include <QApplication>

namespace tessaly::gui {

class TTessalyApplication : public QApplication {
    Q_OBJECT
public:
    TTessalyApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    bool reporting_ = false;  // a box is up for an earlier failure
};

}  // namespace tessaly::gui
