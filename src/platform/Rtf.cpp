#include "platform/Rtf.h"

#include <QColor>
#include <QFontDatabase>
#include <QHash>
#include <QList>
#include <QSet>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFragment>
#include <algorithm>
#include <climits>
#include <map>
#include <memory>

namespace Rtf {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr char16_t kLineSeparator = 0x2028;
// Limits that keep a damaged file from asking for absurd sizes: 1638 pt, 22 inches.
constexpr int kLargestHalfPoints = 3276;
constexpr int kLargestIndent = 31680;
// The name a run's font has in the file, kept on a format whose text is shown in
// another family (see Reader::shownFamily).
constexpr int kFileFamily = QTextFormat::UserProperty + 0x5242;
// How many font names the system does not have are shown as named, each resolved by
// the system to a substitute of its choosing; the others are shown in the
// document's default family.
constexpr int kUnknownFamiliesShown = 16;

int indent(int twips) {
    return std::clamp(twips, -kLargestIndent, kLargestIndent);
}

// Windows code page of an RTF font character set; 0 when the set names none.
int codePageOfCharset(int charset) {
    switch (charset) {
        case 0:
        case 1:
        case 2:
            return 1252;
        case 77:
            return 10000;
        case 128:
            return 932;
        case 129:
            return 949;
        case 134:
            return 936;
        case 136:
            return 950;
        case 161:
            return 1253;
        case 162:
            return 1254;
        case 163:
            return 1258;
        case 177:
            return 1255;
        case 178:
            return 1256;
        case 186:
            return 1257;
        case 204:
            return 1251;
        case 222:
            return 874;
        case 238:
            return 1250;
        default:
            return 0;
    }
}

QByteArray codecName(int codePage) {
    switch (codePage) {
        case 65001:
            return "UTF-8";
        case 932:
            return "Shift_JIS";
        case 936:
            return "GBK";
        case 949:
            return "EUC-KR";
        case 950:
            return "Big5";
        case 10000:
            return "macintosh";
        default:
            return "windows-" + QByteArray::number(codePage);
    }
}

class Decoders {
  public:
    QString decode(int codePage, const QByteArray &bytes) {
        auto found = decoders_.find(codePage);
        if (found == decoders_.end()) {
            auto decoder = std::make_unique<QStringDecoder>(codecName(codePage).constData(),
                                                            QStringDecoder::Flag::Stateless);
            found = decoders_.emplace(codePage, std::move(decoder)).first;
        }
        if (!found->second->isValid())
            return QString::fromLatin1(bytes);
        return found->second->decode(bytes);
    }

  private:
    std::map<int, std::unique_ptr<QStringDecoder>> decoders_;
};

struct CharState {
    int font = -1;  // -1: the document's default font
    int fs = 24;    // half-points
    bool b = false, i = false, ul = false, strike = false;
    int cf = 0;
    bool operator==(const CharState &) const = default;
};

struct ParaState {
    Qt::Alignment align = Qt::AlignLeft;
    int li = 0, ri = 0, fi = 0, sb = 0, sa = 0;  // twips
    bool operator==(const ParaState &) const = default;
};

enum class Dest { Text, FontTable, ColorTable, Skip };

struct GroupState {
    CharState ch;
    ParaState para;
    Dest dest = Dest::Text;
    int uc = 1;
};

struct FontEntry {
    QString name;
    int charset = -1;
};

bool isSkippedDestination(const QByteArray &word) {
    static const QSet<QByteArray> skipped = {"stylesheet",   "info",       "pict",
                                             "object",       "header",     "footer",
                                             "headerl",      "headerr",    "headerf",
                                             "footerl",      "footerr",    "footerf",
                                             "footnote",     "listtable",  "listoverridetable",
                                             "rsidtbl",      "themedata",  "colorschememapping",
                                             "latentstyles", "datastore",  "xmlnstbl",
                                             "generator",    "fldinst",    "filetbl",
                                             "revtbl",       "pntxta",     "pntxtb",
                                             "nonshppict",   "shppict",    "bkmkstart",
                                             "bkmkend",      "annotation", "atnid",
                                             "atnauthor",    "comment",    "doccomm",
                                             "operator",     "author",     "title",
                                             "subject",      "keywords",   "company",
                                             "creatim",      "revtim",     "printim",
                                             "buptim",       "template",   "mmathPr",
                                             "userprops",    "xe",         "tc",
                                             "txe",          "do"};
    return skipped.contains(word);
}

char16_t namedCharacter(const QByteArray &word) {
    static const QHash<QByteArray, char16_t> named = {
        {"emdash", 0x2014},  {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},
        {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
        {"enspace", 0x2002}, {"qmspace", 0x2005}};
    return named.value(word, 0);
}

size_t qHash(const CharState &s, size_t seed = 0) {
    return qHashMulti(seed, s.font, s.fs, s.b, s.i, s.ul, s.strike, s.cf);
}

class Reader {
  public:
    Reader(const QByteArray &in, QTextDocument *document) : in_(in), cur_(document) {
        defaultFamily_ = document->defaultFont().family();
    }

    // True when the text held a paragraph mark.
    bool run() {
        // One edit: the document settles its changes once, at the end.
        cur_.beginEditBlock();
        const int n = int(in_.size());
        while (pos_ < n && !ended_) {
            const char c = in_[pos_];
            if (c == '{') {
                flushBytes();
                ++pos_;
                skipChars_ = 0;
                stack_.append(st_);
            } else if (c == '}') {
                flushBytes();
                ++pos_;
                skipChars_ = 0;
                endGroup();
            } else if (c == '\\') {
                controlWord();
            } else if (c == '\r' || c == '\n' || c == '\0') {
                ++pos_;
            } else {
                ++pos_;
                textByte(c);
            }
        }
        flushBytes();
        flushRun();
        // A last paragraph without a mark still has the properties in effect at the
        // end of the text.
        if (!pendingPar_) {
            setParagraphFormat();
            if (!blockHasText_)
                cur_.setBlockCharFormat(charFormat());
        }
        cur_.endEditBlock();
        return sawPar_;
    }

  private:
    void endGroup() {
        if (st_.dest == Dest::FontTable && (!fontBytes_.isEmpty() || !fontName_.isEmpty()))
            storeFont();
        if (stack_.size() <= 1) {
            // The document's own group closed: what follows (a NUL, junk) is no text,
            // and the last paragraph keeps the state inside the group.
            ended_ = !stack_.isEmpty();
            return;
        }
        st_ = stack_.takeLast();
    }

    void textByte(char c) {
        if (st_.dest == Dest::Skip)
            return;
        if (skipChars_ > 0) {
            --skipChars_;
            return;
        }
        switch (st_.dest) {
            case Dest::FontTable:
                if (c == ';')
                    storeFont();
                else
                    fontBytes_ += c;
                break;
            case Dest::ColorTable:
                if (c == ';') {
                    colors_.append(colorSet_ ? QColor(red_, green_, blue_) : QColor());
                    colorSet_ = false;
                    red_ = green_ = blue_ = 0;
                    formats_.clear();
                }
                break;
            case Dest::Text:
                if (c == '\t') {
                    flushBytes();
                    emitText(QStringLiteral("\t"));
                } else {
                    bytes_ += c;
                }
                break;
            case Dest::Skip:
                break;
        }
    }

    // The name's bytes so far, in the code page of the font's character set.
    void flushFontBytes() {
        if (fontBytes_.isEmpty())
            return;
        const int cp = codePageOfCharset(fontCharset_);
        fontName_ += decoders_.decode(cp ? cp : ansiCpg_, fontBytes_);
        fontBytes_.clear();
    }

    void storeFont() {
        flushFontBytes();
        FontEntry entry;
        entry.charset = fontCharset_;
        entry.name = fontName_.trimmed();
        if (fontNo_ >= 0)
            fonts_.insert(fontNo_, entry);
        fontName_.clear();
        fontCharset_ = -1;
        formats_.clear();
    }

    void controlWord() {
        const int n = int(in_.size());
        ++pos_;
        if (pos_ >= n)
            return;
        const char c = in_[pos_];
        if (!isalpha(static_cast<unsigned char>(c))) {
            ++pos_;
            controlSymbol(c);
            return;
        }
        const int start = pos_;
        while (pos_ < n && isalpha(static_cast<unsigned char>(in_[pos_])) && pos_ - start < 32)
            ++pos_;
        const QByteArrayView word(in_.constData() + start, pos_ - start);
        bool hasParam = false;
        int param = 0;
        const bool negative = pos_ < n && in_[pos_] == '-';
        if (negative)
            ++pos_;
        const int digitsStart = pos_;
        long long value = 0;
        while (pos_ < n && isdigit(static_cast<unsigned char>(in_[pos_])) && pos_ - digitsStart < 10) {
            value = value * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (pos_ > digitsStart) {
            hasParam = true;
            param = int(std::clamp(negative ? -value : value, -2147483647LL, 2147483647LL));
        } else if (negative) {
            --pos_;
        }
        if (pos_ < n && in_[pos_] == ' ')
            ++pos_;
        if (word == "bin") {
            flushBytes();
            if (hasParam && param > 0)
                pos_ = int(std::min<qsizetype>(n, qsizetype(pos_) + param));
            return;
        }
        if (st_.dest == Dest::Skip)
            return;
        flushBytes();
        handleWord(word, param, hasParam);
    }

    void controlSymbol(char c) {
        if (c == '\'') {
            const int n = int(in_.size());
            int value = 0, digits = 0;
            while (digits < 2 && pos_ < n && isxdigit(static_cast<unsigned char>(in_[pos_]))) {
                const char h = in_[pos_];
                value =
                    value * 16 + (isdigit(static_cast<unsigned char>(h)) ? h - '0' : (h | 0x20) - 'a' + 10);
                ++pos_;
                ++digits;
            }
            if (digits == 0 || st_.dest == Dest::Skip)
                return;
            if (skipChars_ > 0) {
                --skipChars_;
                return;
            }
            if (st_.dest == Dest::FontTable)
                fontBytes_ += char(value);
            else if (st_.dest == Dest::Text)
                bytes_ += char(value);
            return;
        }
        if (c == '*') {
            st_.dest = Dest::Skip;
            return;
        }
        if (st_.dest == Dest::Skip)
            return;
        switch (c) {
            case '\\':
            case '{':
            case '}':
                if (skipChars_ > 0) {
                    --skipChars_;
                    return;
                }
                if (st_.dest == Dest::Text)
                    bytes_ += c;
                else if (st_.dest == Dest::FontTable)
                    fontBytes_ += c;
                return;
            case '~':
                flushBytes();
                emitText(QString(QChar(0xA0)));
                return;
            case '_':
                flushBytes();
                emitText(QString(QChar(0x2011)));
                return;
            case '\r':
            case '\n':
                if (st_.dest == Dest::Text) {
                    flushBytes();
                    paragraph();
                }
                return;
            case '\t':
                flushBytes();
                emitText(QStringLiteral("\t"));
                return;
            default:
                return;  // optional hyphen, index marks and the like
        }
    }

    static QChar unicodeOf(int param) { return QChar(char16_t(param < 0 ? param + 65536 : param)); }

    void handleWord(QByteArrayView word, int param, bool hasParam) {
        if (word == "ansicpg") {
            if (param > 0)
                ansiCpg_ = param;
            return;
        }
        if (word == "deff") {
            deff_ = param;
            formats_.clear();
            return;
        }
        if (word == "uc") {
            st_.uc = std::max(0, param);
            return;
        }
        if (word == "fonttbl") {
            st_.dest = Dest::FontTable;
            return;
        }
        if (word == "colortbl") {
            st_.dest = Dest::ColorTable;
            colorSet_ = false;
            return;
        }
        if (isSkippedDestination(QByteArray::fromRawData(word.data(), word.size()))) {
            st_.dest = Dest::Skip;
            return;
        }
        if (st_.dest == Dest::FontTable) {
            if (word == "f") {
                if (!fontName_.isEmpty() || !fontBytes_.isEmpty())
                    storeFont();
                fontNo_ = param;
                fontCharset_ = -1;
            } else if (word == "fcharset") {
                flushFontBytes();
                fontCharset_ = param;
            } else if (word == "u") {
                flushFontBytes();
                fontName_ += unicodeOf(param);
                skipChars_ = st_.uc;
            }
            return;
        }
        if (st_.dest == Dest::ColorTable) {
            if (word == "red" || word == "green" || word == "blue") {
                (word == "red" ? red_ : word == "green" ? green_ : blue_) = std::clamp(param, 0, 255);
                colorSet_ = true;
            }
            return;
        }
        const bool on = !hasParam || param != 0;
        CharState &ch = st_.ch;
        ParaState &pa = st_.para;
        if (word == "u") {
            emitText(QString(unicodeOf(param)));
            skipChars_ = st_.uc;
        } else if (word == "par" || word == "sect" || word == "page" || word == "row") {
            paragraph();
        } else if (word == "line") {
            emitText(QString(QChar(kLineSeparator)));
        } else if (word == "tab" || word == "cell") {
            emitText(QStringLiteral("\t"));
        } else if (char16_t named = namedCharacter(QByteArray::fromRawData(word.data(), word.size()))) {
            emitText(QString(QChar(named)));
        } else if (word == "pard") {
            pa = ParaState();
        } else if (word == "ql") {
            pa.align = Qt::AlignLeft;
        } else if (word == "qc") {
            pa.align = Qt::AlignHCenter;
        } else if (word == "qr") {
            pa.align = Qt::AlignRight;
        } else if (word == "qj") {
            pa.align = Qt::AlignJustify;
        } else if (word == "li") {
            pa.li = indent(param);
        } else if (word == "ri") {
            pa.ri = indent(param);
        } else if (word == "fi") {
            pa.fi = indent(param);
        } else if (word == "sb") {
            pa.sb = indent(param);
        } else if (word == "sa") {
            pa.sa = indent(param);
        } else if (word == "plain") {
            ch = CharState();
        } else if (word == "b") {
            ch.b = on;
        } else if (word == "i") {
            ch.i = on;
        } else if (word == "strike") {
            ch.strike = on;
        } else if (word == "ulnone") {
            ch.ul = false;
        } else if (word.startsWith("ul") && word != "ulc") {
            ch.ul = on;
        } else if (word == "f") {
            ch.font = param;
        } else if (word == "fs") {
            if (param > 0)
                ch.fs = std::min(param, kLargestHalfPoints);
        } else if (word == "cf") {
            ch.cf = param;
        }
    }

    void flushBytes() {
        if (bytes_.isEmpty())
            return;
        const QString text = decoders_.decode(codePage(), bytes_);
        bytes_.clear();
        emitText(text);
    }

    int codePage() const {
        const int font = st_.ch.font < 0 ? deff_ : st_.ch.font;
        const auto found = fonts_.constFind(font);
        if (found != fonts_.constEnd()) {
            if (int cp = codePageOfCharset(found->charset))
                return cp;
        }
        return ansiCpg_;
    }

    // One format object per state, so equal runs share it. The family goes in as a
    // list, which is what text layout reads, and again as a plain string: a list
    // property hashes alike for every family, so with many fonts each new format
    // would be compared with all earlier ones in the document's format collection.
    QTextCharFormat charFormat() {
        const CharState &ch = st_.ch;
        const auto cached = formats_.constFind(ch);
        if (cached != formats_.constEnd())
            return *cached;
        QTextCharFormat f;
        const QString family = fonts_.value(ch.font < 0 ? deff_ : ch.font).name;
        const QString name = family.isEmpty() ? defaultFamily_ : family;
        const QString shown = shownFamily(name);
        f.setFontFamilies({shown});
        f.setProperty(QTextFormat::FontFamily, shown);
        if (shown != name)
            f.setProperty(kFileFamily, name);
        f.setFontPointSize(ch.fs / 2.0);
        f.setFontWeight(ch.b ? QFont::Bold : QFont::Normal);
        f.setFontItalic(ch.i);
        f.setFontUnderline(ch.ul);
        f.setFontStrikeOut(ch.strike);
        if (ch.cf > 0 && ch.cf < colors_.size() && colors_[ch.cf].isValid())
            f.setForeground(colors_[ch.cf]);
        formats_.insert(ch, f);
        return f;
    }

    // The family the text of a font is laid out in. Every family the layout meets
    // costs it a font of its own, and a name the system lacks also a search for a
    // substitute: with thousands of names the window would freeze for many seconds.
    // The system's own families and the first few unknown names are shown as named;
    // later unknown names are shown in the default family, and their name is kept
    // in the format for the writer.
    QString shownFamily(const QString &name) {
        const auto found = shown_.constFind(name);
        if (found != shown_.constEnd())
            return *found;
        if (installed_.isEmpty()) {
            for (const QString &family : QFontDatabase::families()) {
                installed_.insert(family.toCaseFolded());
                // "Family [Foundry]" also answers to its plain family name.
                if (const qsizetype bracket = family.indexOf(QLatin1String(" [")); bracket > 0)
                    installed_.insert(family.left(bracket).toCaseFolded());
            }
            installed_.insert(defaultFamily_.toCaseFolded());
        }
        QString shown = name;
        if (!installed_.contains(name.toCaseFolded()) && unknownShown_++ >= kUnknownFamiliesShown)
            shown = defaultFamily_;
        shown_.insert(name, shown);
        return shown;
    }

    QTextBlockFormat paraFormat() {
        const ParaState &p = st_.para;
        if (hasParaFormat_ && p == paraFormatState_)
            return paraFormat_;
        QTextBlockFormat &f = paraFormat_;
        f = QTextBlockFormat();
        paraFormatState_ = p;
        hasParaFormat_ = true;
        f.setAlignment(p.align);
        f.setLeftMargin(p.li / double(kTwipsPerPixel));
        f.setRightMargin(p.ri / double(kTwipsPerPixel));
        f.setTextIndent(p.fi / double(kTwipsPerPixel));
        f.setTopMargin(p.sb / double(kTwipsPerPixel));
        f.setBottomMargin(p.sa / double(kTwipsPerPixel));
        return f;
    }

    // The current paragraph gets the paragraph state, unless it already has it.
    void setParagraphFormat() {
        if (blockHasFormat_ && blockPara_ == st_.para)
            return;
        cur_.setBlockFormat(paraFormat());
        blockPara_ = st_.para;
        blockHasFormat_ = true;
    }

    void openPendingParagraph() {
        if (!pendingPar_)
            return;
        flushRun();
        cur_.insertBlock(paraFormat(), charFormat());
        blockHasText_ = false;
        blockPara_ = st_.para;
        blockHasFormat_ = true;
        pendingPar_ = false;
    }

    void emitText(const QString &text) {
        if (text.isEmpty() || st_.dest != Dest::Text)
            return;
        openPendingParagraph();
        if (!hasRun_ || !(runState_ == st_.ch)) {
            flushRun();
            runState_ = st_.ch;
            hasRun_ = true;
        }
        run_ += text;
    }

    void flushRun() {
        if (run_.isEmpty())
            return;
        const CharState current = st_.ch;
        st_.ch = runState_;
        cur_.insertText(run_, charFormat());
        blockHasText_ = true;
        st_.ch = current;
        run_.clear();
    }

    // The paragraph properties in effect at its mark belong to the paragraph. The
    // mark opens the next paragraph only when something follows, so the document's
    // last mark adds no empty paragraph.
    void paragraph() {
        openPendingParagraph();
        flushRun();
        setParagraphFormat();
        if (!blockHasText_)
            cur_.setBlockCharFormat(charFormat());
        pendingPar_ = true;
        sawPar_ = true;
    }

    const QByteArray &in_;
    QTextCursor cur_;
    QString defaultFamily_;
    int pos_ = 0;
    bool ended_ = false;
    GroupState st_;
    QList<GroupState> stack_;
    QHash<int, FontEntry> fonts_;
    int fontNo_ = -1, fontCharset_ = -1;
    QByteArray fontBytes_;
    QString fontName_;
    QList<QColor> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSet_ = false;
    int ansiCpg_ = 1252;
    int deff_ = 0;
    int skipChars_ = 0;
    QByteArray bytes_;
    QString run_;
    CharState runState_;
    bool hasRun_ = false;
    QHash<CharState, QTextCharFormat> formats_;
    QSet<QString> installed_;
    QHash<QString, QString> shown_;
    int unknownShown_ = 0;
    ParaState blockPara_, paraFormatState_;
    QTextBlockFormat paraFormat_;
    bool blockHasFormat_ = false, blockHasText_ = false, hasParaFormat_ = false;
    bool pendingPar_ = false, sawPar_ = false;
    Decoders decoders_;
};

// ---- writer ----

const QHash<char16_t, uchar> &cp1251Bytes() {
    static const QHash<char16_t, uchar> table = [] {
        QHash<char16_t, uchar> t;
        QStringDecoder decoder("windows-1251", QStringDecoder::Flag::Stateless);
        if (!decoder.isValid())
            return t;
        for (int b = 0x80; b <= 0xFF; ++b) {
            QStringDecoder single("windows-1251", QStringDecoder::Flag::Stateless);
            const QString s = single.decode(QByteArray(1, char(b)));
            if (s.size() == 1 && s[0] != QChar::ReplacementCharacter)
                t.insert(s[0].unicode(), uchar(b));
        }
        return t;
    }();
    return table;
}

class Writer {
  public:
    explicit Writer(const QTextDocument *doc) : doc_(doc) {
        defaultFamily_ = doc->defaultFont().family();
        defaultSize_ = doc->defaultFont().pointSizeF() > 0 ? doc->defaultFont().pointSizeF() : 10.0;
        addFont(defaultFamily_);
    }

    QByteArray run() {
        collect();
        QByteArray body;
        for (QTextBlock block = doc_->begin(); block.isValid(); block = block.next())
            writeBlock(block, body);
        QByteArray out = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl";
        for (int k = 0; k < fonts_.size(); ++k) {
            out += "{\\f" + QByteArray::number(k) + "\\fnil\\fcharset204 ";
            fontName(fonts_[k], out);
            out += ";}";
        }
        out += "}\r\n";
        if (!colors_.isEmpty()) {
            out += "{\\colortbl ;";
            for (const QColor &c : colors_) {
                out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) +
                       "\\blue" + QByteArray::number(c.blue()) + ";";
            }
            out += "}\r\n";
        }
        out += "\\viewkind4\\uc1";
        out += body;
        out += "}\r\n";
        return out;
    }

  private:
    QString familyOf(const QTextCharFormat &f) const {
        QString family = f.fontFamilies().toStringList().value(0);
        if (family.isEmpty())
            family = f.property(QTextFormat::FontFamily).toString();
        if (family.isEmpty())
            family = defaultFamily_;
        // A font shown in the default family keeps the name it had in the file.
        const QString fileFamily = f.stringProperty(kFileFamily);
        return !fileFamily.isEmpty() && family == defaultFamily_ ? fileFamily : family;
    }

    static bool hasColor(const QTextCharFormat &f) {
        return f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush;
    }

    void addFont(const QString &family) {
        if (!fontIndex_.contains(family)) {
            fontIndex_.insert(family, int(fonts_.size()));
            fonts_.append(family);
        }
    }

    static QRgb rgbOf(const QTextCharFormat &f) { return f.foreground().color().rgb() | 0xFF000000u; }

    void note(const QTextCharFormat &f) {
        addFont(familyOf(f));
        if (hasColor(f)) {
            const QRgb rgb = rgbOf(f);
            if (!colorIndex_.contains(rgb)) {
                colorIndex_.insert(rgb, int(colors_.size()));
                colors_.append(QColor::fromRgb(rgb));
            }
        }
    }

    // Formats are looked at once each, by their index in the document.
    void collect() {
        QSet<int> noted;
        const auto noteOnce = [&](int index, const QTextCharFormat &f) {
            if (!noted.contains(index)) {
                noted.insert(index);
                note(f);
            }
        };
        for (QTextBlock block = doc_->begin(); block.isValid(); block = block.next()) {
            if (block.length() <= 1)
                noteOnce(block.charFormatIndex(), block.charFormat());
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.isValid())
                    noteOnce(fragment.charFormatIndex(), fragment.charFormat());
            }
        }
    }

    CharState stateAt(int index, const QTextCharFormat &f) {
        auto found = states_.constFind(index);
        if (found == states_.constEnd())
            found = states_.insert(index, stateOf(f));
        return *found;
    }

    CharState stateOf(const QTextCharFormat &f) const {
        CharState s;
        s.font = fontIndex_.value(familyOf(f));
        const double size = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : defaultSize_;
        s.fs = qRound(size * 2);
        s.b = f.fontWeight() >= QFont::DemiBold;
        s.i = f.fontItalic();
        s.ul = f.fontUnderline();
        s.strike = f.fontStrikeOut();
        if (hasColor(f))
            s.cf = colorIndex_.value(rgbOf(f)) + 1;
        return s;
    }

    void word(QByteArray &out, const char *w, int param = INT_MIN) {
        out += '\\';
        out += w;
        if (param != INT_MIN)
            out += QByteArray::number(param);
        delimit_ = true;
    }

    void switchTo(const CharState &s, QByteArray &out) {
        if (s.font != state_.font)
            word(out, "f", s.font);
        if (s.fs != state_.fs)
            word(out, "fs", s.fs);
        if (s.b != state_.b)
            word(out, s.b ? "b" : "b0");
        if (s.i != state_.i)
            word(out, s.i ? "i" : "i0");
        if (s.ul != state_.ul)
            word(out, s.ul ? "ul" : "ulnone");
        if (s.strike != state_.strike)
            word(out, s.strike ? "strike" : "strike0");
        if (s.cf != state_.cf)
            word(out, "cf", s.cf);
        state_ = s;
    }

    void writeBlock(const QTextBlock &block, QByteArray &out) {
        const int index = block.blockFormatIndex();
        auto header = headers_.constFind(index);
        if (header == headers_.constEnd())
            header = headers_.insert(index, paragraphWords(block.blockFormat()));
        out += *header;
        delimit_ = true;
        if (block.length() <= 1)
            switchTo(stateAt(block.charFormatIndex(), block.charFormat()), out);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            switchTo(stateAt(fragment.charFormatIndex(), fragment.charFormat()), out);
            text(fragment.text(), out);
        }
        word(out, "par");
        out += "\r\n";
        delimit_ = false;
    }

    // The words that open a paragraph of the format.
    QByteArray paragraphWords(const QTextBlockFormat &bf) {
        QByteArray out = "\\pard";
        const Qt::Alignment h = bf.alignment() & Qt::AlignHorizontal_Mask;
        if (h & Qt::AlignHCenter)
            word(out, "qc");
        else if (h & Qt::AlignJustify)
            word(out, "qj");
        else if (h & Qt::AlignRight)
            word(out, "qr");
        const auto twips = [](double px) { return qRound(px * kTwipsPerPixel); };
        if (int v = twips(bf.leftMargin()))
            word(out, "li", v);
        if (int v = twips(bf.rightMargin()))
            word(out, "ri", v);
        if (int v = twips(bf.textIndent()))
            word(out, "fi", v);
        if (int v = twips(bf.topMargin()))
            word(out, "sb", v);
        if (int v = twips(bf.bottomMargin()))
            word(out, "sa", v);
        return out;
    }

    void text(const QString &s, QByteArray &out) {
        for (QChar ch : s) {
            const char16_t u = ch.unicode();
            if (u == '\t') {
                word(out, "tab");
                continue;
            }
            if (u == kLineSeparator || u == 0x2029) {
                word(out, "line");
                continue;
            }
            if (u < 0x20 || u == QChar::ObjectReplacementCharacter)
                continue;
            if (delimit_) {
                out += ' ';
                delimit_ = false;
            }
            if (u == '\\' || u == '{' || u == '}') {
                out += '\\';
                out += char(u);
            } else if (u < 0x80) {
                out += char(u);
            } else {
                character(u, out);
            }
        }
    }

    static void hexByte(uchar b, QByteArray &out) {
        static const char digits[] = "0123456789abcdef";
        out += "\\'";
        out += digits[b >> 4];
        out += digits[b & 15];
    }

    // A character beyond ASCII: its Windows-1251 byte, else its Unicode value.
    static void character(char16_t u, QByteArray &out) {
        const auto &table = cp1251Bytes();
        if (const auto found = table.constFind(u); found != table.constEnd()) {
            hexByte(*found, out);
        } else {
            out += "\\u";
            out += QByteArray::number(int(qint16(u)));
            out += '?';
        }
    }

    // A font name as the reader takes it back: the semicolon that ends a name and
    // control characters as hex bytes, everything else as in text.
    static void fontName(const QString &name, QByteArray &out) {
        for (QChar ch : name) {
            const char16_t u = ch.unicode();
            if (u < 0x20 || u == ';')
                hexByte(uchar(u), out);
            else if (u >= 0x80)
                character(u, out);
            else if (u == '\\' || u == '{' || u == '}')
                out += QByteArray("\\") + char(u);
            else
                out += char(u);
        }
    }

    const QTextDocument *doc_;
    QString defaultFamily_;
    double defaultSize_;
    QStringList fonts_;
    QHash<QString, int> fontIndex_;
    QList<QColor> colors_;
    QHash<QRgb, int> colorIndex_;
    QHash<int, CharState> states_;
    QHash<int, QByteArray> headers_;
    CharState state_ = {0, 24, false, false, false, false, 0};
    bool delimit_ = false;
};

}  // namespace

bool isRtf(const QByteArray &bytes) {
    return bytes.startsWith("{\\rtf");
}

void read(const QByteArray &rtf, QTextDocument *document) {
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    Reader(rtf, document).run();
    document->setUndoRedoEnabled(undo);
}

// Read into a document of its own and inserted in one step: an editor on screen
// filled run by run spends its time relaying itself out.
void insert(const QByteArray &rtf, QTextCursor &cursor) {
    if (cursor.isNull())
        return;
    QTextDocument part;
    part.setDefaultFont(cursor.document()->defaultFont());
    part.setUndoRedoEnabled(false);
    const bool sawPar = Reader(rtf, &part).run();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    const int start = cursor.position();
    const QTextBlockFormat before = cursor.blockFormat();
    cursor.insertFragment(QTextDocumentFragment(&part));
    // The paragraph the text went into takes the first pasted paragraph's
    // properties when the text brought its mark, else keeps its own.
    QTextCursor first(cursor.document());
    first.setPosition(start);
    first.setBlockFormat(sawPar ? part.begin().blockFormat() : before);
    cursor.endEditBlock();
}

void setFontFamily(QTextCharFormat &format, const QString &family) {
    format.setFontFamilies({family});
    format.setProperty(QTextFormat::FontFamily, family);
    format.setProperty(kFileFamily, QString());
}

QByteArray write(const QTextDocument *document) {
    return Writer(document).run();
}

QByteArray writeSelection(const QTextCursor &cursor) {
    QTextDocument part;
    if (cursor.document())
        part.setDefaultFont(cursor.document()->defaultFont());
    QTextCursor(&part).insertFragment(cursor.selection());
    return write(&part);
}

}  // namespace Rtf
