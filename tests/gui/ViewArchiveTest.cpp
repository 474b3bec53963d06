// The main window's View Archive command: the site of the output folder is built and its top
// page opened; a folder with nothing to read gives an error box and opens nothing.
#include <gtest/gtest.h>

#include <QAction>
#include <filesystem>

#include "gui/MainWindowFixture.h"
#include "support/MessagePages.h"

namespace tessaly::test {
namespace {

namespace fs = std::filesystem;

class ViewArchiveTest : public MainWindowTest {
protected:
    std::vector<QUrl> opened;
    void ViewArchive(const std::string& outputFolder) {
        Main().Options().strSaveDir = outputFolder;
        Main().openUrl = [this](const QUrl& url) { opened.push_back(url); };
        QAction* a = Main().findChild<QAction*>(QStringLiteral("mnuItemViewArchive"));
        ASSERT_NE(a, nullptr);
        a->trigger();
    }
};

TEST_F(ViewArchiveTest, BuildsTheSiteAndOpensItsTopPage) {
    const std::string out = Dir() + "out/";
    WriteFile(out + "Messages/Walkers/0000001.html",
              MessagePage(1, "Erin", "Tue Dec 14, 2004 9:05 am", "Lakeside walk", "See you there"));
    BoxAnswers boxes;  // none may open
    ViewArchive(out);
    ASSERT_EQ(opened.size(), 1u);
    const std::string top = opened[0].toLocalFile().toStdString();
    EXPECT_EQ(top.rfind(out + "Archive/", 0), 0u) << top;
    EXPECT_NE(ReadFile(top).find("Walkers"), std::string::npos);
    EXPECT_EQ(ReadFile(out + "Messages/Walkers/0000001.html"),
              MessagePage(1, "Erin", "Tue Dec 14, 2004 9:05 am", "Lakeside walk", "See you there"));
}

TEST_F(ViewArchiveTest, AFolderThatCannotBeReadGivesAnErrorBox) {
    BoxAnswers boxes;
    boxes.Then(BoxAnswers::Ok());
    ViewArchive(Dir() + "missing/");
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(
        boxes.seen[0].rfind("Error: The archive of " + Dir() + "missing/ could not be built", 0),
        0u)
        << boxes.seen[0];
}

}  // namespace
}  // namespace tessaly::test
