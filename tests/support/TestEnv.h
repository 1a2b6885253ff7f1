#pragma once
// Headless, isolated test start: every test executable gets its own temporary
// settings store (XDG_CONFIG_HOME), cache folder (XDG_CACHE_HOME) and program
// folder (VANTELBROOK2_HOME), set before the application object exists, so no
// test touches a real user's files. The shipped read-only files (tips, help and
// about pages) are looked up in an empty folder (VANTELBROOK2_SHARE), so a test
// sees only the ones it writes.
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <type_traits>

namespace vb2test {

struct IsolatedEnv {
    QTemporaryDir root;
    IsolatedEnv() {
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen").toUtf8());
        qputenv("SDL_AUDIODRIVER", qEnvironmentVariable("SDL_AUDIODRIVER", "dummy").toUtf8());
        // A test function that hangs is aborted with "Test function timed out" (ms).
        qputenv("QTEST_FUNCTION_TIMEOUT", qEnvironmentVariable("QTEST_FUNCTION_TIMEOUT", "30000").toUtf8());
        QDir(root.path()).mkpath("config");
        QDir(root.path()).mkpath("home");
        QDir(root.path()).mkpath("share");
        QDir(root.path()).mkpath("cache");
        qputenv("XDG_CONFIG_HOME", (root.path() + "/config").toUtf8());
        qputenv("XDG_CACHE_HOME", (root.path() + "/cache").toUtf8());
        qputenv("VANTELBROOK2_HOME", (root.path() + "/home").toUtf8());
        qputenv("VANTELBROOK2_SHARE", (root.path() + "/share").toUtf8());
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

// A modal window that nothing answers would hold its test until the time limit. One left
// up for StrayMs is closed with its safe answer (as Escape closes it) and the running
// test fails at once, naming the window and its texts.
class StrayModals : public QObject {
  public:
    static constexpr int StrayMs = 3000;
    explicit StrayModals(bool watch) {
        if (!watch)
            return;
        connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
        timer_.start(200);
    }

  private:
    void poll() {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal != seen_) {
            seen_ = modal;
            since_.start();
            return;
        }
        if (!modal || since_.elapsed() < StrayMs)
            return;
        QString what = modal->objectName() + QStringLiteral(" \"") + modal->windowTitle() + QLatin1Char('"');
        for (const QLabel *label : modal->findChildren<QLabel *>())
            if (!label->text().isEmpty())
                what += QStringLiteral(" \"") + label->text() + QLatin1Char('"');
        seen_ = nullptr;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        QTest::qFail(qPrintable(QStringLiteral("a modal window was left unanswered: ") + what), __FILE__,
                     __LINE__);
    }
    QTimer timer_;
    QWidget *seen_ = nullptr;
    QElapsedTimer since_;
};

}  // namespace vb2test

// Like QTEST_MAIN, with the isolated environment made first. AppClass is
// QApplication for tests with windows, QCoreApplication for the others.
#define VB2_TEST_MAIN_APP(TestObject, AppClass)                              \
    int main(int argc, char *argv[]) {                                       \
        vb2test::IsolatedEnv isolated;                                       \
        vb2test::env() = &isolated;                                          \
        AppClass app(argc, argv);                                            \
        app.setAttribute(Qt::AA_Use96Dpi, true);                             \
        vb2test::StrayModals strays(std::is_same_v<AppClass, QApplication>); \
        TestObject tc;                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                           \
        return QTest::qExec(&tc, argc, argv);                                \
    }

#define VB2_TEST_MAIN(TestObject) VB2_TEST_MAIN_APP(TestObject, QApplication)
#define VB2_TEST_MAIN_CORE(TestObject) VB2_TEST_MAIN_APP(TestObject, QCoreApplication)
