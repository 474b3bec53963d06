// tessaly: the desktop program. It shows the member's groups, signs in through the login box
// and keeps the marks the user sets, over the same core libraries as tessaly-cli.
#include <QIcon>

#include "gui/Screenshots.h"
#include "gui/TessalyApplication.h"
#include "gui/TfrmYahooMain.h"
#include "platform/RegistryStore.h"

int main(int argc, char** argv) {
    tessaly::gui::TTessalyApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaly"));
    QApplication::setDesktopFileName(QStringLiteral("tessaly"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tessaly")));
    try {
        // tessaly --screenshots FOLDER: the documentation's pictures (scripts/screenshots), the
        // member's password on standard input.
        const QStringList args = QApplication::arguments();
        if (args.size() == 3 && args[1] == QStringLiteral("--screenshots"))
            return tessaly::gui::TakeScreenshots(args[2]);
        tessaly::gui::TfrmYahooMain main;
        main.show();
        return QApplication::exec();
    } catch (const tessaly::ERegistryException& e) {
        // The settings store is unusable (a full disk, a broken file): nothing can be kept, so
        // the program says why instead of running without it.
        qCritical("tessaly: %s", e.what());
        return 1;
    }
}
