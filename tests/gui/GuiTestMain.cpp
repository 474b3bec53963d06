// The GUI tests run on the offscreen platform, so they need no display.
#include <gtest/gtest.h>

#include <cstdlib>

#include "gui/TessalyApplication.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("TESSALY_PACE", "0", 1);
    // The program's own application object, so the tests run under the same last net.
    tessaly::gui::TTessalyApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
