#include "platform/RtfReader.h"

#include "platform/Cp1252.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <cstring>
#include <memory>
#include <vector>

namespace platform::rtf {

namespace {

enum class Dest { Text, FontTable, ColorTable, ListProperties, Skip };

// Character and paragraph state of one group; a closing brace restores the enclosing one.
struct State {
    CharStyle style;
    int font = -1; // font number, resolved through the font table when text is added
    bool hidden = false;
    ParaStyle para;
    Dest dest = Dest::Text;
    int uc = 1; // characters of fallback after \uN
};

struct FontEntry {
    QString name;
    int codepage = 0; // 0: the document's
};

struct StyleHash {
    size_t operator()(const CharStyle &s) const
    {
        return qHashMulti(0, s.family, s.pointSize, s.bold, s.italic, s.underline, s.strikeOut,
                          s.color.isValid() ? s.color.rgba() : 0u, s.color.isValid(),
                          s.background.isValid() ? s.background.rgba() : 0u, s.background.isValid(),
                          s.vertical);
    }
};

// Whether the value is among the first `most` distinct values seen, which it joins when there
// is room.
template <class Set, class Value>
bool admitted(Set &seen, const Value &v, int most)
{
    if (seen.contains(v))
        return true;
    if (int(seen.size()) >= most)
        return false;
    seen.insert(v);
    return true;
}

int clampInt(long long v, int lo, int hi)
{
    return int(std::clamp<long long>(v, lo, hi));
}

// Windows code page of an RTF character set number, 0 for the document's own.
int codepageOfCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 2: return 1252; // symbol fonts: byte values kept as they are in the Latin table
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

// The control words the reader acts on.
enum class Kw {
    Unknown, Skip, Bin, FontTable, ColorTable, Red, Green, Blue, F, FCharset, Cpg,
    Par, Row, Sect, U, Uc, Char, Plain, B, I, Ul, UlNone, Strike, V, Fs, Cf, Bg, Super, Sub,
    NoSuperSub, Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, AnsiCpg, Ansi, Mac, Pc, Pca, Deff,
    Pn, PnBullet, PnNumbered, PnContinue, PnDec, PnLcltr, PnUcltr, PnLcrm, PnUcrm,
};

struct KwInfo {
    Kw kw = Kw::Unknown;
    char16_t ch = 0; // for Kw::Char
};

const std::unordered_map<std::string_view, KwInfo> &keywords()
{
    static const std::unordered_map<std::string_view, KwInfo> table = [] {
        std::unordered_map<std::string_view, KwInfo> t;
        // Destinations whose content a rich edit does not show.
        for (const char *s :
             {"info", "stylesheet", "pict", "object", "objdata", "header", "headerl", "headerr",
              "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "annotation",
              "atnid", "atnauthor", "atndate", "atnref", "xe", "tc", "txe", "rxe", "fldinst",
              "datafield", "nonshppict", "shp", "shpinst", "shprslt", "listtable",
              "listoverridetable", "revtbl", "rsidtbl", "generator", "template", "docvar", "pntext",
              "xmlnstbl", "filetbl", "pgdsctbl", "themedata", "colorschememapping",
              "latentstyles", "datastore", "mmathPr", "fchars", "lchars", "ftnsep", "ftnsepc",
              "ftncn", "aftnsep", "aftnsepc", "aftncn", "private", "userprops", "falt",
              "panose", "bkmkstart", "bkmkend", "do", "background", "upr", "pgdsc", "author",
              "operator", "title", "subject", "keywords", "comment", "doccomm", "company",
              "creatim", "revtim", "printim", "buptim"})
            t[s] = {Kw::Skip};
        for (const char *s :
             {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
              "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",
              "ulwave"})
            t[s] = {Kw::Ul};
        const std::pair<const char *, char16_t> chars[] = {
            {"tab", u'\t'}, {"line", u'\u2028'}, {"emdash", u'\u2014'}, {"endash", u'\u2013'},
            {"emspace", u'\u2003'}, {"enspace", u'\u2002'}, {"qmspace", u'\u2005'},
            {"bullet", u'\u2022'}, {"lquote", u'\u2018'}, {"rquote", u'\u2019'},
            {"ldblquote", u'\u201C'}, {"rdblquote", u'\u201D'}, {"zwj", u'\u200D'},
            {"zwnj", u'\u200C'}, {"ltrmark", u'\u200E'}, {"rtlmark", u'\u200F'},
            {"cell", u'\t'}, {"nestcell", u'\t'},
        };
        for (const auto &[s, ch] : chars)
            t[s] = {Kw::Char, ch};
        const std::pair<const char *, Kw> words[] = {
            {"bin", Kw::Bin}, {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColorTable},
            {"red", Kw::Red}, {"green", Kw::Green}, {"blue", Kw::Blue}, {"f", Kw::F},
            {"fcharset", Kw::FCharset}, {"cpg", Kw::Cpg}, {"par", Kw::Par}, {"row", Kw::Row},
            {"sect", Kw::Sect}, {"u", Kw::U}, {"uc", Kw::Uc}, {"plain", Kw::Plain}, {"b", Kw::B},
            {"i", Kw::I}, {"ulnone", Kw::UlNone}, {"strike", Kw::Strike},
            {"striked", Kw::Strike}, {"v", Kw::V}, {"fs", Kw::Fs}, {"cf", Kw::Cf},
            {"highlight", Kw::Bg}, {"cb", Kw::Bg}, {"chcbpat", Kw::Bg}, {"super", Kw::Super},
            {"up", Kw::Super}, {"sub", Kw::Sub}, {"dn", Kw::Sub}, {"nosupersub", Kw::NoSuperSub},
            {"pard", Kw::Pard}, {"ql", Kw::Ql}, {"qc", Kw::Qc}, {"qr", Kw::Qr}, {"qj", Kw::Qj},
            {"qd", Kw::Qj}, {"li", Kw::Li}, {"ri", Kw::Ri}, {"fi", Kw::Fi}, {"sb", Kw::Sb},
            {"sa", Kw::Sa}, {"ansicpg", Kw::AnsiCpg}, {"ansi", Kw::Ansi}, {"mac", Kw::Mac},
            {"pc", Kw::Pc}, {"pca", Kw::Pca}, {"deff", Kw::Deff}, {"pn", Kw::Pn},
            {"pnlvlblt", Kw::PnBullet}, {"pnlvlbody", Kw::PnNumbered}, {"pnlvlcont", Kw::PnContinue},
            {"pndec", Kw::PnDec}, {"pnlcltr", Kw::PnLcltr}, {"pnucltr", Kw::PnUcltr},
            {"pnlcrm", Kw::PnLcrm}, {"pnucrm", Kw::PnUcrm},
        };
        for (const auto &[s, kw] : words)
            t[s] = {kw};
        return t;
    }();
    return table;
}

KwInfo lookup(std::string_view word)
{
    const auto &t = keywords();
    const auto it = t.find(word);
    return it == t.end() ? KwInfo{} : it->second;
}

class Reader {
public:
    explicit Reader(const QByteArray &bytes, Limits limits = {})
        : p_(bytes.constData()), end_(bytes.constData() + bytes.size()), limits_(limits)
    {
    }

    // Whether the reading stopped at a limit.
    bool cut() const { return cut_; }

    Content run()
    {
        // The caller checked "{\rtf"; the first brace opens the document group.
        ++p_;
        while (p_ < end_ && !done_)
            step();
        finishParagraph(false);
        return std::move(out_);
    }

private:
    void step()
    {
        const char c = *p_;
        switch (c) {
        case '{':
            ++p_;
            openGroup();
            return;
        case '}':
            ++p_;
            closeGroup();
            return;
        case '\\':
            ++p_;
            controlSequence();
            return;
        case '\r':
        case '\n':
            ++p_;
            return;
        default:
            break;
        }
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) {
            ++p_;
            byteChar(u, true);
            return;
        }
        if (u < 0x20) {
            ++p_;
            if (c == '\t')
                addChar(u'\t');
            return;
        }
        plainRun();
    }

    // A stretch of printable 7-bit text, added at once.
    void plainRun()
    {
        if (skip_ > 0 || pending_.size() > 0) {
            const char c = *p_++;
            addChar(char16_t(static_cast<unsigned char>(c)));
            return;
        }
        const char *start = p_;
        while (p_ < end_) {
            const auto u = static_cast<unsigned char>(*p_);
            if (u < 0x20 || u >= 0x80 || u == '\\' || u == '{' || u == '}')
                break;
            ++p_;
        }
        addText(QString::fromLatin1(start, p_ - start));
    }

    void openGroup()
    {
        flushBytes();
        skip_ = 0;
        if (overflow_ > 0 || int(stack_.size()) >= kMaxDepth) {
            ++overflow_;
            return;
        }
        stack_.push_back(cur_);
    }

    void closeGroup()
    {
        flushBytes();
        skip_ = 0;
        if (overflow_ > 0) {
            --overflow_;
            return;
        }
        if (cur_.dest == Dest::FontTable)
            commitFont();
        if (stack_.empty()) {
            done_ = true; // the document group closed
            return;
        }
        const bool listProperties = cur_.dest == Dest::ListProperties;
        cur_ = stack_.back();
        stack_.pop_back();
        styleDirty_ = true;
        if (listProperties && cur_.dest == Dest::Text)
            cur_.para.list = listKind_; // the paragraphs' list, kept up to the next \pard
    }

    bool skipping() const { return overflow_ > 0 || cur_.dest == Dest::Skip; }

    void controlSequence()
    {
        if (p_ >= end_)
            return;
        const char c = *p_;
        if (!isAsciiLetter(c)) {
            ++p_;
            controlSymbol(c);
            return;
        }
        const bool starred = starEnd_ == p_ - 1; // right after \*
        char word[33];
        int len = 0;
        while (p_ < end_ && isAsciiLetter(*p_)) {
            if (len < 32)
                word[len++] = *p_;
            ++p_;
        }
        bool hasParam = false;
        long long param = 0;
        if (p_ < end_ && (*p_ == '-' || isDigit(*p_))) {
            bool neg = false;
            if (*p_ == '-') {
                neg = true;
                ++p_;
            }
            while (p_ < end_ && isDigit(*p_)) {
                hasParam = true;
                if (param < 100000000000LL)
                    param = param * 10 + (*p_ - '0');
                ++p_;
            }
            if (neg)
                param = -param;
        }
        if (p_ < end_ && *p_ == ' ')
            ++p_;
        const int n = clampInt(param, -2000000000, 2000000000);
        if (skip_ > 0 && !skipping()) {
            --skip_; // a control word standing as the fallback of \uN
            return;
        }
        controlWord(std::string_view(word, len), hasParam, n, starred);
    }

    void controlSymbol(char c)
    {
        switch (c) {
        case '\'': {
            int hi = p_ < end_ ? hexValue(*p_) : -1;
            int lo = p_ + 1 < end_ ? hexValue(p_[1]) : -1;
            if (hi < 0)
                return;
            if (lo < 0) {
                ++p_;
                byteChar(static_cast<unsigned char>(hi), false);
                return;
            }
            p_ += 2;
            byteChar(static_cast<unsigned char>(hi * 16 + lo), false);
            return;
        }
        case '\\':
        case '{':
        case '}':
            addChar(char16_t(c));
            return;
        case '~':
            addChar(u'\u00A0');
            return;
        case '_':
            addChar(u'\u2011');
            return;
        case '*':
            if (overflow_ == 0) {
                cur_.dest = Dest::Skip;
                starEnd_ = p_;
            }
            return;
        case '\r':
        case '\n':
            if (!skipping())
                paragraphMark();
            return;
        case '\t':
            addChar(u'\t');
            return;
        default:
            return; // \- optional hyphen, \: index subentry, \| formula: nothing shown
        }
    }

    void controlWord(std::string_view w, bool hasParam, int n, bool starred)
    {
        const KwInfo k = lookup(w);
        if (k.kw == Kw::Pn && overflow_ == 0 && !stack_.empty() && stack_.back().dest == Dest::Text
            && (cur_.dest == Dest::Text || (starred && cur_.dest == Dest::Skip))) {
            // The list properties of the paragraphs (\pntext, the marker as text, is skipped).
            flushBytes();
            cur_.dest = Dest::ListProperties;
            listKind_ = ParaStyle::Decimal;
            return;
        }
        if (k.kw == Kw::Bin) {
            // Binary data of the given length follows; never text.
            flushBytes();
            const qsizetype left = end_ - p_;
            p_ += std::clamp<qsizetype>(hasParam ? n : 0, 0, left);
            return;
        }
        if (skipping())
            return;
        switch (k.kw) {
        case Kw::FontTable:
            cur_.dest = Dest::FontTable;
            return;
        case Kw::ColorTable:
            cur_.dest = Dest::ColorTable;
            return;
        case Kw::Skip:
            flushBytes();
            cur_.dest = Dest::Skip;
            return;
        default:
            break;
        }
        if (cur_.dest == Dest::FontTable) {
            if (!characterWord(k, hasParam, n)) // \uN and the like in a font's name
                fontTableWord(k.kw, hasParam, n);
            return;
        }
        if (cur_.dest == Dest::ColorTable) {
            colorTableWord(k.kw, n);
            return;
        }
        if (cur_.dest == Dest::ListProperties) {
            listWord(k.kw);
            return;
        }
        if (!characterWord(k, hasParam, n) && !formattingWord(k.kw, hasParam, n))
            documentWord(k.kw, hasParam, n);
    }

    void colorTableWord(Kw kw, int n)
    {
        if (kw == Kw::Red)
            red_ = std::clamp(n, 0, 255), colorSet_ = true;
        else if (kw == Kw::Green)
            green_ = std::clamp(n, 0, 255), colorSet_ = true;
        else if (kw == Kw::Blue)
            blue_ = std::clamp(n, 0, 255), colorSet_ = true;
    }

    void listWord(Kw kw)
    {
        switch (kw) {
        case Kw::PnBullet: listKind_ = ParaStyle::Bullet; break;
        case Kw::PnContinue: listKind_ = ParaStyle::NoList; break;
        case Kw::PnDec: listKind_ = ParaStyle::Decimal; break;
        case Kw::PnLcltr: listKind_ = ParaStyle::LowerAlpha; break;
        case Kw::PnUcltr: listKind_ = ParaStyle::UpperAlpha; break;
        case Kw::PnLcrm: listKind_ = ParaStyle::LowerRoman; break;
        case Kw::PnUcrm: listKind_ = ParaStyle::UpperRoman; break;
        default: break; // \pnlvlbody: numbered, decimal unless said otherwise
        }
    }

    // Control words that stand for a character or a break.
    bool characterWord(KwInfo k, bool hasParam, int n)
    {
        switch (k.kw) {
        case Kw::Par:
        case Kw::Row:
            paragraphMark();
            return true;
        case Kw::Sect:
            if (!out_.paragraphs.last().runs.isEmpty() || !text_.isEmpty())
                paragraphMark();
            return true;
        case Kw::U:
            if (hasParam) {
                const int v = n < 0 ? n + 65536 : n;
                if (v >= 0 && v <= 0xFFFF)
                    addChar(char16_t(v));
                skip_ = cur_.uc;
            }
            return true;
        case Kw::Char:
            addChar(k.ch);
            return true;
        default:
            return false;
        }
    }

    static int twips(int n, int lo) { return std::clamp(n, lo, 31680); }

    // Character and paragraph formatting.
    bool formattingWord(Kw kw, bool hasParam, int n)
    {
        const bool on = !hasParam || n != 0;
        CharStyle &s = cur_.style;
        ParaStyle &para = cur_.para;
        switch (kw) {
        case Kw::Plain:
            s = CharStyle{};
            cur_.font = deff_;
            cur_.hidden = false;
            break;
        case Kw::B: s.bold = on; break;
        case Kw::I: s.italic = on; break;
        case Kw::Ul: s.underline = on; break;
        case Kw::UlNone: s.underline = false; break;
        case Kw::Strike: s.strikeOut = on; break;
        case Kw::V: cur_.hidden = on; break;
        case Kw::Fs: s.pointSize = (hasParam && n > 0) ? std::min(n, 3276) / 2.0 : 0; break;
        case Kw::F:
            flushBytes();
            cur_.font = hasParam ? n : deff_;
            break;
        case Kw::Cf: s.color = colorAt(n); break;
        case Kw::Bg: s.background = colorAt(n); break;
        case Kw::Super: s.vertical = (hasParam && n == 0) ? 0 : 1; break;
        case Kw::Sub: s.vertical = (hasParam && n == 0) ? 0 : -1; break;
        case Kw::NoSuperSub: s.vertical = 0; break;
        case Kw::Uc: cur_.uc = std::clamp(n, 0, 16); return true;
        case Kw::Pard: para = ParaStyle{}; return true;
        case Kw::Ql: para.align = ParaStyle::Left; return true;
        case Kw::Qc: para.align = ParaStyle::Center; return true;
        case Kw::Qr: para.align = ParaStyle::Right; return true;
        case Kw::Qj: para.align = ParaStyle::Justify; return true;
        case Kw::Li: para.leftIndent = twips(n, -31680); return true;
        case Kw::Ri: para.rightIndent = twips(n, -31680); return true;
        case Kw::Fi: para.firstIndent = twips(n, -31680); return true;
        case Kw::Sb: para.spaceBefore = twips(n, 0); return true;
        case Kw::Sa: para.spaceAfter = twips(n, 0); return true;
        default: return false;
        }
        styleDirty_ = true;
        return true;
    }

    // Words of the document header.
    void documentWord(Kw kw, bool hasParam, int n)
    {
        switch (kw) {
        case Kw::AnsiCpg:
            if (hasParam) {
                flushBytes();
                docCodepage_ = n;
            }
            break;
        case Kw::Ansi: docCodepage_ = 1252; break;
        case Kw::Mac: docCodepage_ = 10000; break;
        case Kw::Pc: docCodepage_ = 437; break;
        case Kw::Pca: docCodepage_ = 850; break;
        case Kw::Deff:
            if (!hasParam)
                break;
            deff_ = n;
            if (cur_.font < 0)
                cur_.font = n;
            for (State &st : stack_)
                if (st.font < 0)
                    st.font = n;
            styleDirty_ = true;
            break;
        default:
            break;
        }
    }

    void fontTableWord(Kw kw, bool hasParam, int n)
    {
        if (!hasParam)
            return;
        if (kw == Kw::F) {
            commitFont();
            fontNumber_ = n;
            fontCodepage_ = 0;
        } else if (kw == Kw::FCharset) {
            fontCodepage_ = codepageOfCharset(n);
        } else if (kw == Kw::Cpg) {
            fontCodepage_ = n;
        }
    }

    void commitFont()
    {
        flushBytes();
        if (fontNumber_ < 0)
            return;
        QString name = fontName_.trimmed();
        const bool known = fonts_.contains(fontNumber_);
        if ((!name.isEmpty() || !known) && (known || fonts_.size() < kMaxFontTable))
            fonts_.insert(fontNumber_, FontEntry{name, fontCodepage_});
        fontName_.clear();
        fontNumber_ = -1;
        styleDirty_ = true;
    }

    QColor colorAt(int index) const
    {
        return (index >= 0 && index < colors_.size()) ? colors_[index] : QColor();
    }

    // A byte of text in the document's or the font's code page: \'xx, or an 8-bit byte.
    void byteChar(unsigned char b, bool raw)
    {
        if (skipping())
            return;
        if (skip_ > 0) {
            --skip_;
            return;
        }
        if (pending_.isEmpty())
            pendingRaw_ = raw;
        else if (pendingRaw_ != raw)
            flushBytes(), pendingRaw_ = raw;
        pending_.append(char(b));
    }

    int currentCodepage() const
    {
        int cp = 0;
        if (cur_.dest == Dest::FontTable) {
            cp = fontCodepage_;
        } else {
            const auto it = fonts_.constFind(cur_.font);
            if (it != fonts_.constEnd())
                cp = it->codepage;
        }
        return cp > 0 ? cp : docCodepage_;
    }

    void flushBytes()
    {
        if (pending_.isEmpty())
            return;
        const QByteArray bytes = std::exchange(pending_, QByteArray());
        QString text;
        const int cp = currentCodepage();
        if (pendingRaw_ || cp == 65001) {
            // 8-bit bytes in the stream itself are UTF-8 when they read as such.
            QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
            text = utf8.decode(bytes);
            if (utf8.hasError())
                text = decodeCodepage(bytes, cp == 65001 ? 1252 : cp);
        } else {
            text = decodeCodepage(bytes, cp);
        }
        emitText(text);
    }

    QString decodeCodepage(const QByteArray &bytes, int cp)
    {
        if (cp != 1252) {
            QStringDecoder *dec = decoderFor(cp);
            if (dec) {
                QString s = dec->decode(bytes);
                dec->resetState();
                return s;
            }
        }
        return cp1252::decode(bytes);
    }

    QStringDecoder *decoderFor(int cp)
    {
        auto it = decoders_.find(cp);
        if (it == decoders_.end()) {
            QByteArray name = (cp >= 1250 && cp <= 1258) || cp == 874
                                  ? "windows-" + QByteArray::number(cp)
                              : cp == 10000 ? QByteArray("macintosh")
                                            : "cp" + QByteArray::number(cp);
            auto dec = std::make_unique<QStringDecoder>(name.constData(),
                                                        QStringDecoder::Flag::Stateless);
            if (!dec->isValid())
                dec.reset();
            it = decoders_.emplace(cp, std::move(dec)).first;
        }
        return it->second.get();
    }

    void addChar(char16_t ch)
    {
        if (skipping())
            return;
        if (skip_ > 0) {
            --skip_;
            return;
        }
        flushBytes();
        const QChar c(ch);
        emitText(QStringView(&c, 1));
    }

    void addText(const QString &s)
    {
        if (skipping())
            return;
        flushBytes();
        emitText(s);
    }

    void emitText(QStringView s)
    {
        switch (cur_.dest) {
        case Dest::Text:
            if (cur_.hidden)
                return;
            if (limited() && !withinLimits(s))
                return;
            if (styleDirty_ && (runs_ < kMaxRuns || text_.isEmpty())) {
                const CharStyle st = resolvedStyle();
                if (!text_.isEmpty() && !(st == textStyle_))
                    flushRun();
                textStyle_ = st;
                styleDirty_ = false;
            }
            text_ += s;
            return;
        case Dest::FontTable:
            for (QChar c : s) {
                if (c == u';')
                    commitFont();
                else
                    fontName_ += c;
            }
            return;
        case Dest::ColorTable:
            for (QChar c : s) {
                if (c == u';') {
                    colors_.append(colorSet_ ? QColor(red_, green_, blue_) : QColor());
                    red_ = green_ = blue_ = 0;
                    colorSet_ = false;
                }
            }
            return;
        case Dest::ListProperties:
        case Dest::Skip:
            return;
        }
    }

    CharStyle resolvedStyle()
    {
        CharStyle st = cur_.style;
        const auto it = fonts_.constFind(cur_.font);
        if (it != fonts_.constEnd())
            st.family = it->name;
        if (!st.family.isEmpty() && !admitted(families_, st.family, kMaxFamilies))
            st.family.clear();
        if (st.pointSize > 0 && !admitted(sizes_, st.pointSize, kMaxSizes))
            st.pointSize = 0;
        if (!admitted(styles_, st, kMaxStyles))
            return CharStyle{};
        return st;
    }

    void flushRun()
    {
        if (text_.isEmpty())
            return;
        out_.paragraphs.last().runs.append(Run{std::exchange(text_, QString()), textStyle_});
        ++runs_;
    }

    bool limited() const { return limits_.chars >= 0; }

    // Cuts the text to what the limits still take; false when they take nothing. The reading
    // stops at the limits: the last line's end, or the last character. The text comes a run at a
    // time, read already: what of it is left out counts as well as what the stream holds after.
    bool withinLimits(QStringView &s)
    {
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (s[i] == QChar(0x2028) && ++lines_ >= limits_.lines) {
                cut_ = i + 1 < s.size();
                s = s.first(i);
                stop();
                break;
            }
        }
        const qsizetype room = limits_.chars - chars_;
        if (s.size() >= room) {
            cut_ = cut_ || s.size() > room;
            s = s.first(room);
            stop();
        }
        chars_ += s.size();
        return !s.isEmpty();
    }

    void stop()
    {
        done_ = true;
        if (cut_)
            return;
        // What is left counts when it holds more than the closing braces.
        for (const char *q = p_; q < end_; ++q)
            if (*q != '}' && *q != '\r' && *q != '\n' && *q != ' ') {
                cut_ = true;
                return;
            }
    }

    void paragraphMark()
    {
        if (cur_.dest != Dest::Text)
            return;
        if (limited() && ++lines_ >= limits_.lines) {
            stop();
            return;
        }
        if (skip_ > 0) {
            skip_ = 0;
        }
        if (out_.paragraphs.size() >= kMaxParagraphs) {
            const QChar lineBreak(0x2028);
            emitText(QStringView(&lineBreak, 1));
            return;
        }
        finishParagraph(true);
    }

    void finishParagraph(bool startNext)
    {
        flushBytes();
        flushRun();
        Paragraph &p = out_.paragraphs.last();
        p.para = cur_.para;
        p.markStyle = resolvedStyle();
        if (startNext)
            out_.paragraphs.append(Paragraph{});
    }

    static bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    const char *p_;
    const char *end_;
    const Limits limits_;
    qsizetype chars_ = 0;
    qsizetype lines_ = 0;
    bool cut_ = false;
    bool done_ = false;

    State cur_;
    std::vector<State> stack_;
    int overflow_ = 0; // groups opened beyond kMaxDepth, skipped whole

    int skip_ = 0; // fallback characters of \uN still to skip
    const char *starEnd_ = nullptr; // just after the last \*
    ParaStyle::List listKind_ = ParaStyle::NoList; // of the list properties being read
    QByteArray pending_;
    bool pendingRaw_ = false;
    int docCodepage_ = 1252;
    int deff_ = -1;
    std::unordered_map<int, std::unique_ptr<QStringDecoder>> decoders_;

    QHash<int, FontEntry> fonts_;
    // The families, sizes and styles the text has taken so far.
    QSet<QString> families_;
    QSet<double> sizes_;
    std::unordered_set<CharStyle, StyleHash> styles_;
    int fontNumber_ = -1;
    int fontCodepage_ = 0;
    QString fontName_;

    QList<QColor> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSet_ = false;

    Content out_;
    int runs_ = 0;
    QString text_;
    CharStyle textStyle_;
    bool styleDirty_ = true;
};

} // namespace

bool isRtf(const QByteArray &bytes)
{
    return bytes.startsWith("{\\rtf");
}

Content read(const QByteArray &bytes)
{
    if (!isRtf(bytes))
        return contentFromPlainText(cp1252::decodeText(bytes));
    return Reader(bytes).run();
}

Content readPart(const QByteArray &bytes, Limits limits, bool *cut)
{
    limits.chars = std::max<qsizetype>(limits.chars, 0);
    limits.lines = std::max<qsizetype>(limits.lines, 1);
    if (isRtf(bytes)) {
        Reader r(bytes, limits);
        Content c = r.run();
        if (cut)
            *cut = r.cut();
        return c;
    }
    // Plain text: only the bytes of the lines taken are decoded, in the encoding the whole text
    // is read in.
    const bool utf8 = QUtf8StringView(bytes).isValidUtf8();
    const qsizetype byteCap = limits.chars > bytes.size() / 4 ? bytes.size() : limits.chars * 4 + 3;
    qsizetype end = 0, lines = 0;
    while (end < byteCap) {
        const char c = bytes[end];
        if (c == '\r' || c == '\n') {
            if (++lines >= limits.lines)
                break;
            if (c == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n')
                ++end;
        }
        ++end;
    }
    end = std::min(end, bytes.size());
    if (utf8)
        while (end > 0 && end < bytes.size() && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
            --end;
    QString text = utf8 ? cp1252::decodeText(bytes.first(end)) : cp1252::decode(bytes.first(end));
    bool cutHere = end < bytes.size();
    if (text.size() > limits.chars) {
        text.truncate(limits.chars);
        cutHere = true;
    }
    if (cut)
        *cut = cutHere;
    Content c = contentFromPlainText(text);
    // The line end where the reading stopped starts no line of its own.
    if (cutHere && c.paragraphs.size() > 1 && c.paragraphs.last().runs.isEmpty())
        c.paragraphs.removeLast();
    return c;
}

Content readFirstLine(const QByteArray &bytes, qsizetype maxChars)
{
    return readPart(bytes, Limits{maxChars, 1});
}

Content contentFromPlainText(const QString &text)
{
    Content c;
    c.paragraphs.clear();
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text[i];
        if (ch != u'\r' && ch != u'\n')
            continue;
        if (c.paragraphs.size() + 1 >= kMaxParagraphs)
            break; // the rest is one paragraph, its line ends soft line breaks
        Paragraph p;
        if (i > start)
            p.runs.append(Run{text.mid(start, i - start), {}});
        c.paragraphs.append(std::move(p));
        if (ch == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    Paragraph last;
    if (start < n) {
        QString rest = text.mid(start);
        if (c.paragraphs.size() + 1 >= kMaxParagraphs) {
            rest.replace(QStringLiteral("\r\n"), QString(QChar(0x2028)));
            rest.replace(u'\r', QChar(0x2028));
            rest.replace(u'\n', QChar(0x2028));
        }
        last.runs.append(Run{std::move(rest), {}});
    }
    c.paragraphs.append(std::move(last));
    return c;
}

} // namespace platform::rtf
