// The main of the test programs over the Qt backend: offscreen at scale 1 (no
// display needed, also when the test list is read at build time; pixels at
// known places), the application set up as the program sets it up. Include it
// from one source file of the program.
#pragma once

#include "platform/qt/qt.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_SCALE_FACTOR", "1", 0);
    QApplication app(argc, argv);
    QtSetUpApplication(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
