// The platform layers: text files, settings store, file system, program folder.
#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"
#include "platform/VbError.h"
#include "support/TestEnv.h"

namespace {
QByteArray readBytes(const QString &path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}
}  // namespace

class TestPlatform : public QObject {
    Q_OBJECT
  private slots:
    // Written as UTF-8 with CR LF after every line, the last included, no byte-order mark.
    void writesUtf8WithCrLf() {
        const QString path = ProgramFolder::file("w.txt");
        TextFile::writeLines(path, {"Рок", "", "naïve 日本"});
        QCOMPARE(readBytes(path), QByteArray("\xD0\xA0\xD0\xBE\xD0\xBA\r\n\r\nna\xC3\xAFve "
                                             "\xE6\x97\xA5\xE6\x9C\xAC\r\n"));
        TextFile::writeLines(path, {});
        QCOMPARE(readBytes(path), QByteArray());
    }

    // Windows-1251 files of the Windows program, LF-only files and a missing last line end all read.
    void readsLegacyAndLfFiles() {
        const QString path = ProgramFolder::file("r.txt");
        QStringEncoder cp1251("windows-1251");
        writeBytes(path, QByteArray(cp1251.encode(QString("Песня\r\nC:\\Музыка\\a.mp3\r\n"))));
        QCOMPARE(TextFile::readLines(path), QStringList({"Песня", "C:\\Музыка\\a.mp3"}));
        writeBytes(path, "a\nb\r\nc");
        QCOMPARE(TextFile::readLines(path), QStringList({"a", "b", "c"}));
        writeBytes(path, "\r\n");
        QCOMPARE(TextFile::readLines(path), QStringList({""}));
        writeBytes(path, "");
        QCOMPARE(TextFile::readLines(path), QStringList());
        QVERIFY_THROWS_EXCEPTION(VbError, TextFile::readLines(ProgramFolder::file("none.txt")));
    }

    // Appending never glues a new line onto a last line that lacks its line end.
    void appendMendsMissingLineEnd() {
        const QString path = ProgramFolder::file("a.txt");
        writeBytes(path, "one");
        TextFile::appendLines(path, {"two"});
        QCOMPARE(readBytes(path), QByteArray("one\r\ntwo\r\n"));
        TextFile::appendLines(path, {"three"});
        QCOMPARE(readBytes(path), QByteArray("one\r\ntwo\r\nthree\r\n"));
        const QString fresh = ProgramFolder::file("fresh.txt");
        TextFile::appendLines(fresh, {"x"});
        QCOMPARE(readBytes(fresh), QByteArray("x\r\n"));
        // A last line ended by a bare CR keeps no stray CR, in UTF-8 and in Windows-1251.
        writeBytes(path, "one\r");
        TextFile::appendLines(path, {"two"});
        QCOMPARE(readBytes(path), QByteArray("one\r\ntwo\r\n"));
        QCOMPARE(TextFile::readLines(path), QStringList({"one", "two"}));
        writeBytes(path, "\xD0\xEE\xEA\r");  // "Рок" in Windows-1251
        TextFile::appendLines(path, {"Поп"});
        QCOMPARE(readBytes(path), QByteArray("\xD0\xEE\xEA\r\n\xCF\xEE\xEF\r\n"));
    }

    // A rewrite keeps the encoding the file has on disk: Windows-1251 while every line fits
    // (whoever read and decoded it), else UTF-8; a new file is UTF-8.
    void rewriteKeepsWindows1251() {
        const QString path = ProgramFolder::file("legacy.txt");
        const QByteArray legacy = "\xD0\xEE\xEA\r\n";  // "Рок"
        writeBytes(path, legacy);
        const QStringList lines = TextFile::readLines(path) + QStringList{"Поп", "C:\\Музыка"};
        TextFile::writeLines(path, lines);
        QCOMPARE(readBytes(path),
                 QByteArray("\xD0\xEE\xEA\r\n\xCF\xEE\xEF\r\nC:\\\xCC\xF3\xE7\xFB\xEA\xE0\r\n"));
        QCOMPARE(TextFile::readLines(path), lines);
        TextFile::writeLines(path, {"Рок", "Café"});  // é is not in Windows-1251
        QCOMPARE(readBytes(path), QByteArray("\xD0\xA0\xD0\xBE\xD0\xBA\r\nCaf\xC3\xA9\r\n"));
        TextFile::writeLines(path, {"Рок"});  // UTF-8 now, and it stays so
        QCOMPARE(readBytes(path), QByteArray("\xD0\xA0\xD0\xBE\xD0\xBA\r\n"));
        TextFile::writeLines(ProgramFolder::file("new.txt"), {"Рок"});
        QCOMPARE(readBytes(ProgramFolder::file("new.txt")), QByteArray("\xD0\xA0\xD0\xBE\xD0\xBA\r\n"));
    }

    // A failed rewrite leaves the old file whole.
    void failedRewriteKeepsOldFile() {
        const QString dir = ProgramFolder::file("locked");
        QDir().mkpath(dir);
        const QString path = dir + "/p.txt";
        TextFile::writeLines(path, {"keep"});
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        bool thrown = false;
        try {
            TextFile::writeLines(path, {"lost"});
        } catch (const VbError &) {
            thrown = true;
        }
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (!thrown)
            QSKIP("running with permissions that ignore write bits (root)");
        QCOMPARE(readBytes(path), QByteArray("keep\r\n"));
    }

    // A missing key is told apart from an empty value.
    void settingsTellMissingFromEmpty() {
        QVERIFY(!Settings::find("Engineer").has_value());
        QCOMPARE(Settings::get("Engineer", "Unknown"), QString("Unknown"));
        Settings::save("Engineer", "");
        QCOMPARE(Settings::find("Engineer"), std::optional<QString>(QString()));
        QCOMPARE(Settings::get("Engineer", "Unknown"), QString());
        Settings::save("Show Tips", "0");
        QCOMPARE(Settings::get("Show Tips", "1"), QString("0"));
        QVERIFY(QFile::exists(vb2test::env()->config() + "/Orsavine.conf"));
        Settings::remove("Engineer");
        QVERIFY(!Settings::find("Engineer").has_value());
    }

    // Only regular files (or links to them) exist; read-only is the write bits.
    void fileSystemSemantics() {
        const QString f = ProgramFolder::file("exists.wav");
        writeBytes(f, "x");
        QVERIFY(FileSystem::isExistingFile(f));
        QVERIFY(!FileSystem::isExistingFile(ProgramFolder::path()));
        QVERIFY(!FileSystem::isExistingFile(ProgramFolder::file("nope.wav")));
        QVERIFY(!FileSystem::isExistingFile(""));
        QFile::link(f, ProgramFolder::file("link.wav"));
        QVERIFY(FileSystem::isExistingFile(ProgramFolder::file("link.wav")));

        FileSystem::setReadOnly(f, true);
        QVERIFY(FileSystem::isReadOnly(f));
        QVERIFY(!(QFile::permissions(f) & QFileDevice::WriteOwner));
        FileSystem::setReadOnly(f, false);
        QVERIFY(!FileSystem::isReadOnly(f));

        writeBytes(ProgramFolder::file("other.wav"), "y");
        QVERIFY_THROWS_EXCEPTION(VbError, FileSystem::renameFile(f, ProgramFolder::file("other.wav")));
        QCOMPARE(readBytes(ProgramFolder::file("other.wav")), QByteArray("y"));
        QVERIFY_THROWS_EXCEPTION(VbError, FileSystem::makeFolder(ProgramFolder::path()));
    }

    void programFolderFromEnvironment() {
        QCOMPARE(ProgramFolder::path(), vb2test::env()->home());
        QCOMPARE(ProgramFolder::file("ALLA.lap"), vb2test::env()->home() + "/ALLA.lap");
    }
};

VB2_TEST_MAIN(TestPlatform)
#include "test_platform.moc"
