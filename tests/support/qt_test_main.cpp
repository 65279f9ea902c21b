#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "program_language.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The port lists must not depend on the serial devices of the machine
    // the tests run on: they see none unless a test points them at a fake
    // tree of its own.
    setenv("QUILLON_DEV_ROOT", "/nonexistent/quillon-test-dev", 1);
    setenv("QUILLON_SYSFS_ROOT", "/nonexistent/quillon-test-sys", 1);
    // Windows under test take their skins from their test folder only, never
    // from an installed package's data folder.
    qputenv("XDG_DATA_DIRS", "/nonexistent/quillon-tests");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillon");
    // The language the programs would take from this environment: Chinese
    // under C, POSIX, zh_CN and an unset locale.
    ApplyProgramLanguage(LanguageFromEnvironment());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
