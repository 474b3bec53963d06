// Main window benchmark on the offscreen platform, with a group cache of 5,000 groups: the
// start (the main window made and shown, its first paint done), filling the tree from the
// cache, Find a Group's search of the last group, Invert selection and saving the marks of
// every group. Settings go to a temporary home; ROUNDS (default 5) rounds, each from a fresh
// main window; printed as min / median / max wall seconds per step.

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchRounds.h"
#include "gui/GroupTreeRules.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmYahooMain.h"
#include "registry/GroupCache.h"
#include "registry/ProgramRegistry.h"
#include "session/MemberSession.h"

namespace {

constexpr int kGroups = 5000;

void PrintRow(const char* step, const std::vector<double>& seconds) {
    std::printf("  %-32s%s\n", step, bench::Columns(bench::Summarize(seconds), " %9.4f").c_str());
}

double Seconds(QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const fs::path home =
        fs::temp_directory_path() / ("tessaly-gui-bench-" + std::to_string(::getpid()));
    fs::create_directories(home);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("TESSALY_PACE", "0", 1);
    QApplication app(argc, argv);

    std::vector<std::string> names;
    for (int i = 0; i < kGroups; ++i) names.push_back("group" + std::to_string(i));
    tessaly::MarkStartValue();
    tessaly::StoreUserName("member");
    tessaly::CacheNewGroups("member", names);

    const int rounds = bench::Rounds(5);
    std::vector<double> start, fill, find, invert, save;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        auto main = std::make_unique<tessaly::gui::TfrmYahooMain>();
        main->show();
        QApplication::processEvents();
        start.push_back(Seconds(t));

        t.restart();
        main->ShowLoggedInState();
        main->FillGroupTree(tessaly::LoadCachedGroupNames(main->Session().UserName()));
        QApplication::processEvents();
        fill.push_back(Seconds(t));

        t.restart();
        const int at = tessaly::gui::FindItem(main->Tree().AllTexts(), "group4999", 0);
        main->Tree().SelectOnly(main->Tree().ItemAt(at));
        QApplication::processEvents();
        find.push_back(Seconds(t));

        t.restart();
        main->mnuItemUtilsInvertSelectionClick();
        QApplication::processEvents();
        invert.push_back(Seconds(t));

        t.restart();
        main->SaveGroupTree();
        save.push_back(Seconds(t));
    }
    std::printf("main window with %d cached groups, offscreen, %d rounds (min / median / max s)\n",
                kGroups, rounds);
    PrintRow("start: made and shown", start);
    PrintRow("fill the tree from the cache", fill);
    PrintRow("find the last group", find);
    PrintRow("invert selection", invert);
    PrintRow("save every mark", save);
    std::error_code ec;
    fs::remove_all(home, ec);
    return 0;
}
