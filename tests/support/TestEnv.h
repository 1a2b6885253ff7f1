#pragma once
// Headless, isolated test start: every test executable gets its own temporary
// settings store (XDG_CONFIG_HOME), cache folder (XDG_CACHE_HOME) and program
// folder (VANTELBROOK2_HOME), set before the application object exists, so no
// test touches a real user's files.
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
        QDir(root.path()).mkpath("cache");
        qputenv("XDG_CONFIG_HOME", (root.path() + "/config").toUtf8());
        qputenv("XDG_CACHE_HOME", (root.path() + "/cache").toUtf8());
        qputenv("VANTELBROOK2_HOME", (root.path() + "/home").toUtf8());
    }
    QString home() const { return root.path() + "/home"; }
    QString config() const { return root.path() + "/config"; }
    QString cache() const { return root.path() + "/cache"; }
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
