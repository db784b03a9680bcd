// Entry point of the window tests: one offscreen application for all of them.
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QStandardPaths>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace verrano::test {
int RunWindowChild(bool connect);
}

namespace {

// What the toolkit and the system's libraries keep for a user (the file dialog's history, font
// caches, run-time files) goes into the build tree, not the home of whoever runs the tests; the
// programs the tests start inherit it.
void KeepTheUsersFilesInTheBuildTree() {
    const QString home = QStringLiteral(VERRANO_TEST_HOME);
    const struct {
        const char* variable;
        const char* folder;
    } places[] = {{"HOME", ""},
                  {"XDG_CONFIG_HOME", "/.config"},
                  {"XDG_CACHE_HOME", "/.cache"},
                  {"XDG_DATA_HOME", "/.local/share"},
                  {"XDG_STATE_HOME", "/.local/state"},
                  {"XDG_RUNTIME_DIR", "/runtime"}};
    for (const auto& place : places) {
        const QString path = home + QString::fromLatin1(place.folder);
        QDir().mkpath(path);
        qputenv(place.variable, QFile::encodeName(path));
    }
    // The run-time folder is the user's alone, or the toolkit won't use it.
    ::chmod(QFile::encodeName(home + QStringLiteral("/runtime")).constData(), 0700);
    QStandardPaths::setTestModeEnabled(true);
}

} // namespace

int main(int argc, char** argv) {
    KeepTheUsersFilesInTheBuildTree();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A window of the program in a process of its own, for tests that signal it.
    if (argc > 1 && std::strcmp(argv[1], "--window-child") == 0)
        return verrano::test::RunWindowChild(argc > 2 && std::strcmp(argv[2], "connect") == 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
