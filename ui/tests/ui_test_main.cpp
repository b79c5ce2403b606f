// The user-interface tests share one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "ui/skin.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    quillet::apply_skin(app);
    return RUN_ALL_TESTS();
}
