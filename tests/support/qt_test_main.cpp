#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Windows under test take their skins from their test folder only, never
    // from an installed package's data folder.
    qputenv("XDG_DATA_DIRS", "/nonexistent/quillon-tests");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillon");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
