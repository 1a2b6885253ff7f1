// RTF as word processors write it, read with its text and formatting, and our own
// output read back and written again to the same bytes.
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include "platform/Rtf.h"
#include "support/TestEnv.h"

namespace {

// WordPad: a bulleted and a numbered list with their marker text in \pntext, the
// Symbol font for the bullet, and the NUL WordPad writes after the closing brace.
const QByteArray kWordPad =
    QByteArray(
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fswiss\\fcharset204{\\*\\fname "
        "Arial;}Arial "
        "CYR;}{\\f1\\fnil\\fcharset2 Symbol;}}\r\n"
        "{\\*\\generator Msftedit "
        "5.41.21.2510;}\\viewkind4\\uc1\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt"
        "\\pnf1\\pnindent0{\\pntxtb\\'B7}}\\fi-720\\li720\\lang1049\\f0\\fs20\\'cd\\'ee\\'e2\\'ee\\'f1\\'"
        "f2\\'e8\\par\r\n"
        "{\\pntext\\f1\\'B7\\tab}\\'cf\\'ee\\'e3\\'ee\\'e4\\'e0\\par\r\n"
        "\\pard{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody\\pnf0\\pnindent0\\pnstart1\\pndec{\\pntxta.}}\r\n"
        "\\fi-720\\li720\\'cf\\'e5\\'f0\\'e2\\'fb\\'e9 \\'e3\\'ee\\'f1\\'f2\\'fc\\par\r\n"
        "\\pard\\par\r\n"
        "}\r\n",
        -1) +
    QByteArray(1, '\0');

// Word: \listtext with its own \pard\plain, font names in Shift_JIS and Greek,
// \ucN fallbacks of two bytes and of none, a surrogate pair, a field and bookmarks.
const QByteArray kWord =
    "{\\rtf1\\adeflang1025\\ansi\\ansicpg1251\\uc1\\adeff31507\\deff0{\\fonttbl{\\f0\\fbidi "
    "\\froman\\fcharset204"
    "\\fprq2{\\*\\panose 02020603050405020304}Times New Roman{\\*\\falt Times};}\r\n"
    "{\\f3\\fbidi \\froman\\fcharset2\\fprq2{\\*\\panose 05050102010706020507}Symbol;}\r\n"
    "{\\f37\\fbidi \\fnil\\fcharset128\\fprq2{\\*\\panose 02020609040205080304}\\'82\\'6c\\'82\\'72 "
    "\\'96\\'be\\'92\\'a9{\\*\\falt MS Mincho};}\r\n"
    "{\\f40\\fbidi \\fswiss\\fcharset161\\fprq2 Arial Greek;}}\r\n"
    "{\\colortbl;\\red0\\green0\\blue0;\\red192\\green0\\blue0;}\r\n"
    "{\\stylesheet{\\ql \\li0\\ri0\\widctlpar\\rtlch\\fcs1 \\af0\\afs24 \\ltrch\\fcs0 \\fs24\\lang1049 "
    "\\snext0 "
    "Normal;}}\r\n"
    "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23\\leveljc0\\levelfollow0\\levelstartat1"
    "{\\leveltext\\'01\\u-3913 ?;}{\\levelnumbers;}\\f3\\fi-360\\li720\\lin720 }\\listid1}}\r\n"
    "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}\r\n"
    "{\\info{\\title Script}{\\author Someone}}\r\n"
    "\\pard\\plain \\ltrpar\\s0\\ql \\fi-360\\li720\\ri0\\widctlpar\\ls1 {\\listtext\\pard\\plain\\ltrpar "
    "\\rtlch"
    "\\fcs1 \\af0 \\ltrch\\fcs0 \\f3\\fs24 \\loch\\af3\\dbch\\af0\\hich\\f3 \\'b7\\tab}\\rtlch\\fcs1 \\af0 "
    "\\ltrch\\fcs0 \\f0\\fs24\\cf2 \\'cd\\'ee\\'e2\\'ee\\'f1\\'f2\\'e8\\par\r\n"
    "\\pard\\plain\\qc\\f37\\fs28\\uc2\\u-211\\'82\\'6c\\u-205\\'82\\'72 {\\uc0\\u26085\\u26412 }"
    "\\uc1\\u-10179?\\u-8704? end\\par\r\n"
    "\\pard\\plain\\f40\\fs24 \\'c1\\'e1 {\\field{\\*\\fldinst {HYPERLINK \"http://x\"}}{\\fldrslt {link}}}"
    "{\\*\\bkmkstart b}{\\*\\bkmkend b}\\par\r\n"
    "}";

// LibreOffice Writer: every Cyrillic letter as \uN with a 1251 fallback, \loch and
// \hich groups, the default font by \deff, a starred footnote separator.
const QByteArray kLibreOffice =
    "{\\rtf1\\ansi\\deff4\\adeflang1025\r\n"
    "{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times New Roman;}{\\f4\\fswiss\\fprq2\\fcharset204 Liberation "
    "Sans;}{\\f5\\fnil\\fprq2\\fcharset0 Noto Sans CJK SC;}}\r\n"
    "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
    "{\\stylesheet{\\s0\\snext0\\dbch\\af5\\langfe2052\\loch\\f3\\hich\\af3\\fs24\\lang1049 Default "
    "Paragraph "
    "Style;}}\r\n"
    "{\\*\\generator LibreOffice/7.3.7.2$Linux_X86_64 "
    "LibreOffice_project/30$Build-2}{\\info{\\creatim\\yr2024"
    "\\mo3\\dy9\\hr10\\min5}}\\deftab709\r\n"
    "\\viewkind1\\paperh16838\\paperw11906\\margl1134\\sectd\\sbknone\\pgndec\\ftnbj\\ftnstart1\r\n"
    "{\\*\\ftnsep\\chftnsep}\\pgndec\\pard\\plain \\s0\\rtlch\\af6\\afs24\\alang1081 \\dbch\\af5\\langfe2052"
    "\\loch\\f4\\hich\\af4\\fs24\\lang1049\\ql{\\loch\\b\\loch\r\n"
    "\\u1042\\'c2\\u1077\\'e5\\u1076\\'e4\\u1091\\'f3\\u1097\\'f9\\u1080\\'e8\\u1081\\'e9}{\\loch\r\n"
    ": }{\\cf2\\i\\loch\\u1048\\'c8\\u1074\\'e2}\r\n"
    "\\par \\pard\\plain \\s0\\qr\\loch\\f4\\fs24 {\\*\\bkmkstart x}{\\loch\r\n"
    "Right}\r\n"
    "\\par }";

// TextEdit: a font table without groups, line ends escaped as paragraph marks,
// \uc0, and no mark after the last paragraph.
const QByteArray kTextEdit =
    "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2709\r\n"
    "\\cocoatextscaling0\\cocoaplatform0{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;\\f1\\fnil\\fcharset0 "
    "HelveticaNeue;}\n"
    "{\\colortbl;\\red255\\green255\\blue255;\\red220\\green0\\blue0;}\n"
    "{\\*\\expandedcolortbl;;\\cssrgb\\c90000\\c0\\c0;}\n"
    "\\paperw11900\\paperh16840\\margl1440\\margr1440\\vieww11520\\viewh8400\\viewkind0\n"
    "\\pard\\tx566\\tx1133\\pardirnatural\\qr\\partightenfactor0\n"
    "\n"
    "\\f0\\fs24 \\cf0 Right\\\n"
    "\\pard\\tx566\\pardirnatural\\qc\\li720\\partightenfactor0\n"
    "\\cf2 Centred caf\\'e9 \\uc0\\u8470  \\u1058 \\u1077 \\u1082 \\u1089 \\u1090 }";

QString family(const QTextCharFormat &f) {
    return f.fontFamilies().toStringList().value(0);
}

// The format of the character at a position of a block.
QTextCharFormat formatAt(const QTextBlock &block, int offset) {
    QTextCursor at(block);
    at.setPosition(block.position() + offset + 1);
    return at.charFormat();
}

QStringList blockTexts(const QTextDocument &doc) {
    QStringList texts;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        texts << b.text();
    return texts;
}

// Save, open, save: the second save is the first to the byte.
void checkRoundTrip(const QTextDocument &doc) {
    const QByteArray first = Rtf::write(&doc);
    QTextDocument back;
    back.setDefaultFont(doc.defaultFont());
    Rtf::read(first, &back);
    QCOMPARE(blockTexts(back), blockTexts(doc));
    QCOMPARE(Rtf::write(&back), first);
}

}  // namespace

class TestRtf : public QObject {
    Q_OBJECT

  private slots:
    void wordPadListsAndTrailingNul() {
        QTextDocument doc;
        Rtf::read(kWordPad, &doc);
        QCOMPARE(blockTexts(doc),
                 QStringList({QString::fromUtf8("·\tНовости"), QString::fromUtf8("·\tПогода"),
                              QString::fromUtf8("1.\tПервый гость"), QString()}));
        const QTextBlock first = doc.begin();
        QCOMPARE(first.blockFormat().leftMargin(), 48.0);
        QCOMPARE(first.blockFormat().textIndent(), -48.0);
        QCOMPARE(family(formatAt(first, 0)), QString("Symbol"));
        QCOMPARE(family(formatAt(first, 3)), QString("Arial CYR"));
        QCOMPARE(formatAt(first, 3).fontPointSize(), 10.0);
        QCOMPARE(doc.findBlockByNumber(2).blockFormat().leftMargin(), 48.0);
        checkRoundTrip(doc);
    }

    void wordListTextFontNamesAndFallbacks() {
        QTextDocument doc;
        Rtf::read(kWord, &doc);
        QCOMPARE(blockTexts(doc),
                 QStringList({QString::fromUtf8("·\tНовости"), QString::fromUtf8("ＭＳ 日本😀 end"),
                              QString::fromUtf8("Αα link")}));
        const QTextBlock list = doc.begin();
        QCOMPARE(family(formatAt(list, 0)), QString("Symbol"));
        const QTextCharFormat news = formatAt(list, 2);
        QCOMPARE(family(news), QString("Times New Roman"));
        QCOMPARE(news.foreground().color(), QColor(192, 0, 0));
        QCOMPARE(list.blockFormat().leftMargin(), 48.0);
        const QTextBlock cjk = list.next();
        QVERIFY(cjk.blockFormat().alignment() & Qt::AlignHCenter);
        QCOMPARE(family(formatAt(cjk, 0)), QString::fromUtf8("ＭＳ 明朝"));
        QCOMPARE(formatAt(cjk, 0).fontPointSize(), 14.0);
        QCOMPARE(family(formatAt(cjk.next(), 0)), QString("Arial Greek"));
        checkRoundTrip(doc);
    }

    void libreOfficeUnicodeWithFallbacks() {
        QTextDocument doc;
        Rtf::read(kLibreOffice, &doc);
        QCOMPARE(blockTexts(doc), QStringList({QString::fromUtf8("Ведущий: Ив"), QString("Right")}));
        const QTextBlock first = doc.begin();
        QCOMPARE(family(formatAt(first, 0)), QString("Liberation Sans"));
        QCOMPARE(formatAt(first, 0).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(first, 7).fontWeight(), int(QFont::Normal));
        QVERIFY(formatAt(first, 9).fontItalic());
        QCOMPARE(formatAt(first, 9).foreground().color(), QColor(0, 0, 255));
        QVERIFY(first.next().blockFormat().alignment() & Qt::AlignRight);
        checkRoundTrip(doc);
    }

    // The last paragraph has no mark: it keeps its own alignment and indent.
    void textEditLastParagraphWithoutMark() {
        QTextDocument doc;
        Rtf::read(kTextEdit, &doc);
        QCOMPARE(blockTexts(doc), QStringList({QString("Right"), QString::fromUtf8("Centred café № Текст")}));
        QVERIFY(doc.begin().blockFormat().alignment() & Qt::AlignRight);
        const QTextBlock last = doc.lastBlock();
        QVERIFY(last.blockFormat().alignment() & Qt::AlignHCenter);
        QCOMPARE(last.blockFormat().leftMargin(), 48.0);
        QCOMPARE(family(formatAt(last, 0)), QString("Helvetica"));
        QCOMPARE(formatAt(last, 0).foreground().color(), QColor(220, 0, 0));
        checkRoundTrip(doc);

        Rtf::read("{\\rtf1\\ansi\\pard\\qr Right\\par\\pard\\qc\\li720 Centred}", &doc);
        QVERIFY(doc.lastBlock().blockFormat().alignment() & Qt::AlignHCenter);
        QCOMPARE(doc.lastBlock().blockFormat().leftMargin(), 48.0);
    }

    // Nothing after the document's closing brace is text; pictures, objects and
    // binary data inside it are skipped, braces in the binary data included.
    void trailingBytesPicturesAndBinarySkipped() {
        QTextDocument doc;
        Rtf::read("{\\rtf1 only\\par}trailing junk\\par more", &doc);
        QCOMPARE(blockTexts(doc), QStringList("only"));

        Rtf::read(
            "{\\rtf1 before {\\pict\\pngblip\\picw10\\pich10 89504e470d0a}"
            "{\\*\\shppict{\\pict\\wmetafile8\\bin6 }{\\x}\\}}"
            "{\\object\\objemb{\\*\\objdata 0102}}\\bin3 {}\\after\\par}",
            &doc);
        QCOMPARE(blockTexts(doc), QStringList("before after"));
    }

    // Every font name survives our own round trip: other scripts, and the
    // characters that end a name or a group.
    void fontNamesRoundTrip() {
        const QStringList names = {QString::fromUtf8("ＭＳ 明朝"), QString::fromUtf8("Ελληνικά"),
                                   QString::fromUtf8("Шрифт Про"), QString("Semi;Colon"),
                                   QString("Brace{}\\Font"),       QString::fromUtf8("Emoji 😀")};
        QTextDocument doc;
        QTextCursor c(&doc);
        for (const QString &name : names) {
            QTextCharFormat f;
            f.setFontFamilies({name});
            c.insertText(name + " ", f);
        }
        const QByteArray bytes = Rtf::write(&doc);
        QVERIFY(bytes.contains("\\u-211?"));
        QTextDocument back;
        Rtf::read(bytes, &back);
        QStringList read;
        for (auto it = back.begin().begin(); !it.atEnd(); ++it)
            read << family(it.fragment().charFormat());
        QCOMPARE(read, names);
        QCOMPARE(Rtf::write(&back), bytes);

        // Past the first names the system lacks, text is shown in the default family
        // and still saved under its own name, until the user gives it another font,
        // even the default one.
        QTextDocument many;
        QTextCursor m(&many);
        for (int k = 0; k < 40; ++k) {
            QTextCharFormat f;
            f.setFontFamilies({QString("No Such Font %1").arg(k)});
            m.insertText(QString::number(k), f);
        }
        const QByteArray manyBytes = Rtf::write(&many);
        QTextDocument manyBack;
        Rtf::read(manyBytes, &manyBack);
        QCOMPARE(Rtf::write(&manyBack), manyBytes);
        QCOMPARE(family(formatAt(manyBack.begin(), 0)), QString("No Such Font 0"));
        const QString shown = manyBack.defaultFont().family();
        QCOMPARE(family(formatAt(manyBack.lastBlock(), 69)), shown);
        QTextCursor last(&manyBack);
        last.movePosition(QTextCursor::End);
        last.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, 2);
        QTextCharFormat chosen;
        Rtf::setFontFamily(chosen, shown);
        last.mergeCharFormat(chosen);
        const QByteArray chosenBytes = Rtf::write(&manyBack);
        QVERIFY(chosenBytes.contains("No Such Font 38;"));
        QVERIFY(!chosenBytes.contains("No Such Font 39;"));
    }

    // A paste keeps the paragraph it lands in as it was unless the pasted text
    // brings a paragraph mark; then the first pasted paragraph's properties go to it.
    void insertIntoParagraph() {
        QTextDocument doc;
        QTextCursor c(&doc);
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        c.setBlockFormat(right);
        c.insertText("AB");
        c.setPosition(1);
        Rtf::insert("{\\rtf1\\pard\\qc x}", c);
        QCOMPARE(doc.toPlainText(), QString("AxB"));
        QVERIFY(doc.begin().blockFormat().alignment() & Qt::AlignRight);
        QCOMPARE(c.position(), 2);

        Rtf::insert("{\\rtf1\\pard\\qc one\\par\\pard\\li720 two}", c);
        QCOMPARE(blockTexts(doc), QStringList({"Axone", "twoB"}));
        QVERIFY(doc.begin().blockFormat().alignment() & Qt::AlignHCenter);
        QCOMPARE(doc.lastBlock().blockFormat().leftMargin(), 48.0);
    }
};

VB2_TEST_MAIN(TestRtf)
#include "test_rtf.moc"
