// Entry point of the window tests: one offscreen application for all of them.
#include <QApplication>
#include <cstring>
#include <gtest/gtest.h>

namespace verrano::test {
int RunWindowChild(bool connect);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A window of the program in a process of its own, for tests that signal it.
    if (argc > 1 && std::strcmp(argv[1], "--window-child") == 0)
        return verrano::test::RunWindowChild(argc > 2 && std::strcmp(argv[2], "connect") == 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
