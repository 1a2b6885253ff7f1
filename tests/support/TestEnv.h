#pragma once
// Headless, isolated test start: every test executable gets its own temporary
// settings store (XDG_CONFIG_HOME) and program folder (VANTELBROOK2_HOME), set
// before the application object exists, so no test touches a real user's files.
// The shipped read-only files (tips, help and about pages) are looked up in an
// empty folder (VANTELBROOK2_SHARE), so a test sees only the ones it writes.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace vb2test {

struct IsolatedEnv {
    QTemporaryDir root;
    IsolatedEnv() {
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen").toUtf8());
        qputenv("SDL_AUDIODRIVER", qEnvironmentVariable("SDL_AUDIODRIVER", "dummy").toUtf8());
        QDir(root.path()).mkpath("config");
        QDir(root.path()).mkpath("home");
        QDir(root.path()).mkpath("share");
        qputenv("XDG_CONFIG_HOME", (root.path() + "/config").toUtf8());
        qputenv("VANTELBROOK2_HOME", (root.path() + "/home").toUtf8());
        qputenv("VANTELBROOK2_SHARE", (root.path() + "/share").toUtf8());
    }
    QString home() const { return root.path() + "/home"; }
    QString config() const { return root.path() + "/config"; }
};

// The environment of the running test executable.
inline IsolatedEnv *&env() {
    static IsolatedEnv *e = nullptr;
    return e;
}

}  // namespace vb2test

// Like QTEST_MAIN, with the isolated environment made first. AppClass is
// QApplication for tests with windows, QCoreApplication for the others.
#define VB2_TEST_MAIN_APP(TestObject, AppClass)         \
    int main(int argc, char *argv[]) {                  \
        vb2test::IsolatedEnv isolated;                  \
        vb2test::env() = &isolated;                     \
        AppClass app(argc, argv);                       \
        app.setAttribute(Qt::AA_Use96Dpi, true);        \
        TestObject tc;                                  \
        QTEST_SET_MAIN_SOURCE_PATH                      \
        return QTest::qExec(&tc, argc, argv);           \
    }

#define VB2_TEST_MAIN(TestObject) VB2_TEST_MAIN_APP(TestObject, QApplication)
#define VB2_TEST_MAIN_CORE(TestObject) VB2_TEST_MAIN_APP(TestObject, QCoreApplication)
