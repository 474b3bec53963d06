// What the core throws while a window runs a command: an error box that names the command, and
// the program goes on (the settings store that cannot be opened is the case at hand); and the
// application's last net for a handler that throws outside any command.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QToolButton>
#include <filesystem>
#include <stdexcept>

#include "gui/MainWindowFixture.h"
#include "platform/RegistryStore.h"
#include "registry/ProgramRegistry.h"

namespace tessaly::test {
namespace {

class CommandFailureTest : public MainWindowTest {
protected:
    // From here on the store of the program is a file that is not a database.
    void LoseTheStore() {
        good_ = std::getenv("XDG_CONFIG_HOME");
        const std::string lost = Dir() + "lost-config/";
        std::filesystem::create_directories(lost + "Tessaly2");
        WriteFile(lost + "Tessaly2/registry.sqlite3", std::string(5000, 'x'));
        ::setenv("XDG_CONFIG_HOME", lost.c_str(), 1);
    }
    void GetTheStoreBack() { ::setenv("XDG_CONFIG_HOME", good_.c_str(), 1); }

    std::string good_;
};

TEST_F(CommandFailureTest, ACommandTheStoreFailsShowsTheBoxAndTheProgramGoesOn) {
    struct Case {
        const char* command;  // as the box names it
        std::function<void(gui::TfrmYahooMain&)> run;
    };
    const Case cases[] = {
        {"Text Messages",
         [](gui::TfrmYahooMain& m) {
             m.findChild<QAction*>(QStringLiteral("mnuItemSectionMessages"))->trigger();
         }},
        {"Section",
         [](gui::TfrmYahooMain& m) {
             m.findChild<QToolButton*>(QStringLiteral("tbSection"))->click();
         }},
        {"Exit", [](gui::TfrmYahooMain& m) { m.close(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        auto& m = LoggedIn("member", {"alpha", "beta"});
        m.show();
        LoseTheStore();
        BoxAnswers boxes;
        if (std::string(c.command) == "Exit") {
            // Asked first; the marks cannot be saved either (their own box); then the section.
            boxes.Then(BoxAnswers::Ok()).Then(BoxAnswers::Ok());
        }
        boxes.Then(BoxAnswers::Ok());
        c.run(m);
        GetTheStoreBack();
        ASSERT_FALSE(boxes.seen.empty());
        const std::string box = boxes.Last();
        EXPECT_EQ(box.rfind(std::string("Error: ") + c.command + " could not be completed.", 0), 0u)
            << box;
        EXPECT_NE(box.find("registry:"), std::string::npos) << box;
        EXPECT_NE(box.find("lost-config"), std::string::npos) << box;  // the file it names
        if (std::string(c.command) == "Exit") {
            EXPECT_FALSE(m.isVisible());  // closed as asked, with the user told what was not kept
        } else {
            EXPECT_TRUE(m.isVisible());
            // The store back, the same command goes through.
            m.SelectSection(TYahooDownloadOptions::kSectionPhotos);
            EXPECT_EQ(ReadDLMode(), TYahooDownloadOptions::kSectionPhotos);
        }
        main_.reset();
    }
}

// A handler that throws outside any command (an event of some object): the program's application
// object shows it and goes on.
TEST_F(CommandFailureTest, TheApplicationsLastNetShowsAnEscapedFailure) {
    class Throwing : public QObject {
    protected:
        bool event(QEvent* e) override {
            if (e->type() == QEvent::User) throw std::runtime_error("the handler broke");
            return QObject::event(e);
        }
    } object;
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Ok());
    QEvent event(QEvent::User);
    EXPECT_FALSE(QApplication::sendEvent(&object, &event));
    EXPECT_EQ(boxes.Last(),
              "Error: Tessaly could not complete what it was doing.\n\nthe handler broke");
    // And events still go round.
    bool ran = false;
    QMetaObject::invokeMethod(
        &object, [&ran] { ran = true; }, Qt::QueuedConnection);
    EXPECT_TRUE(WaitFor([&] { return ran; }, 5000));
}

}  // namespace
}  // namespace tessaly::test
