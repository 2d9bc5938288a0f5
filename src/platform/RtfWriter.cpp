#include "platform/RtfWriter.h"

#include "platform/Cp1252.h"

#include <cmath>

namespace platform::rtf {

namespace {

class Writer {
public:
    Writer(const Content &content, const WriteDefaults &defaults)
        : content_(content), defaults_(defaults)
    {
        fonts_.append(defaults.family);
        for (const Paragraph &p : content.paragraphs) {
            collect(p.markStyle);
            for (const Run &r : p.runs)
                collect(r.style);
        }
    }

    QByteArray run()
    {
        out_.reserve(256 + 2 * totalText());
        out_ += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
        for (qsizetype i = 0; i < fonts_.size(); ++i) {
            out_ += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
            needDelim_ = false;
            text(fonts_[i]);
            out_ += ";}";
        }
        out_ += "}\r\n";
        if (!colors_.isEmpty()) {
            out_ += "{\\colortbl ;";
            for (const QRgb c : colors_)
                out_ += "\\red" + QByteArray::number(qRed(c)) + "\\green" + QByteArray::number(qGreen(c))
                        + "\\blue" + QByteArray::number(qBlue(c)) + ';';
            out_ += "}\r\n";
        }
        out_ += "\\viewkind4\\uc1";
        needDelim_ = true;
        const qsizetype n = content_.paragraphs.size();
        for (qsizetype i = 0; i < n; ++i) {
            const Paragraph &p = content_.paragraphs[i];
            const bool last = i + 1 == n;
            if (last && p.runs.isEmpty())
                break; // a stream that ends with a paragraph mark
            paragraphStyle(p.para, i == 0);
            listMarker(p.para.list);
            for (const Run &r : p.runs) {
                charStyle(r.style);
                text(r.text);
            }
            if (last) {
                // A list marker is drawn in the style of its paragraph mark: the last paragraph,
                // which has no mark written, ends in that style.
                if (p.para.list != ParaStyle::NoList)
                    charStyle(p.markStyle);
                break;
            }
            charStyle(p.markStyle);
            out_ += "\\par\r\n";
            needDelim_ = false;
        }
        out_ += "\r\n}\r\n";
        return out_;
    }

private:
    qsizetype totalText() const
    {
        qsizetype n = 0;
        for (const Paragraph &p : content_.paragraphs)
            for (const Run &r : p.runs)
                n += r.text.size();
        return n;
    }

    void collect(const CharStyle &s)
    {
        if (!s.family.isEmpty() && !fonts_.contains(s.family))
            fonts_.append(s.family);
        if (s.color.isValid() && !colors_.contains(s.color.rgb()))
            colors_.append(s.color.rgb());
        if (s.background.isValid() && !colors_.contains(s.background.rgb()))
            colors_.append(s.background.rgb());
    }

    void word(const char *w)
    {
        out_ += w;
        needDelim_ = true;
    }

    void word(const char *w, long n)
    {
        out_ += w;
        out_ += QByteArray::number(qlonglong(n));
        needDelim_ = true;
    }

    void paragraphStyle(const ParaStyle &ps, bool first)
    {
        if (!first && ps == para_)
            return;
        para_ = ps;
        word("\\pard");
        switch (ps.align) {
        case ParaStyle::Left: break;
        case ParaStyle::Center: word("\\qc"); break;
        case ParaStyle::Right: word("\\qr"); break;
        case ParaStyle::Justify: word("\\qj"); break;
        }
        if (ps.leftIndent)
            word("\\li", ps.leftIndent);
        if (ps.rightIndent)
            word("\\ri", ps.rightIndent);
        if (ps.firstIndent)
            word("\\fi", ps.firstIndent);
        if (ps.spaceBefore)
            word("\\sb", ps.spaceBefore);
        if (ps.spaceAfter)
            word("\\sa", ps.spaceAfter);
        listProperties(ps.list);
    }

    // The list of the paragraphs that follow, as a rich edit writes it: bullets, or numbers
    // from 1 followed by a full stop.
    void listProperties(ParaStyle::List list)
    {
        number_ = 0;
        switch (list) {
        case ParaStyle::NoList: return;
        case ParaStyle::Bullet: out_ += "{\\*\\pn\\pnlvlblt\\pnindent0{\\pntxtb\\'95}}"; break;
        case ParaStyle::Decimal: out_ += "{\\*\\pn\\pnlvlbody\\pnindent0\\pnstart1\\pndec{\\pntxta.}}"; break;
        case ParaStyle::LowerAlpha: out_ += "{\\*\\pn\\pnlvlbody\\pnindent0\\pnstart1\\pnlcltr{\\pntxta.}}"; break;
        case ParaStyle::UpperAlpha: out_ += "{\\*\\pn\\pnlvlbody\\pnindent0\\pnstart1\\pnucltr{\\pntxta.}}"; break;
        case ParaStyle::LowerRoman: out_ += "{\\*\\pn\\pnlvlbody\\pnindent0\\pnstart1\\pnlcrm{\\pntxta.}}"; break;
        case ParaStyle::UpperRoman: out_ += "{\\*\\pn\\pnlvlbody\\pnindent0\\pnstart1\\pnucrm{\\pntxta.}}"; break;
        }
        needDelim_ = false;
    }

    // The marker of a list paragraph as text, for readers that do not draw list markers.
    void listMarker(ParaStyle::List list)
    {
        if (list == ParaStyle::NoList)
            return;
        ++number_;
        out_ += "{\\pntext";
        needDelim_ = true;
        if (list == ParaStyle::Bullet)
            hexByte(0x95);
        else
            text(numberText(list, number_) + u'.');
        word("\\tab");
        out_ += '}';
        needDelim_ = false;
    }

    static QString numberText(ParaStyle::List list, int n)
    {
        switch (list) {
        case ParaStyle::LowerAlpha:
        case ParaStyle::UpperAlpha: {
            QString letters;
            for (int k = n; k > 0; k = (k - 1) / 26)
                letters.prepend(QChar(u'a' + (k - 1) % 26));
            return list == ParaStyle::UpperAlpha ? letters.toUpper() : letters;
        }
        case ParaStyle::LowerRoman:
        case ParaStyle::UpperRoman: {
            static const std::pair<int, const char *> numerals[] = {
                {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
                {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
            QString roman;
            int k = n;
            for (const auto &[value, digits] : numerals)
                for (; k >= value; k -= value)
                    roman += QLatin1StringView(digits);
            return list == ParaStyle::UpperRoman ? roman.toUpper() : roman;
        }
        default:
            return QString::number(n);
        }
    }

    int colorIndex(const QColor &c) const
    {
        return c.isValid() ? int(colors_.indexOf(c.rgb())) + 1 : 0;
    }

    void charStyle(const CharStyle &s)
    {
        const bool first = !started_;
        started_ = true;
        const int font = s.family.isEmpty() ? 0 : int(fonts_.indexOf(s.family));
        if (first || font != font_)
            word("\\f", font);
        font_ = font;
        const long half = std::lround(2 * (s.pointSize > 0 ? s.pointSize : defaults_.pointSize));
        if (first || half != half_)
            word("\\fs", half);
        half_ = half;
        if (first ? s.bold : s.bold != cs_.bold)
            word(s.bold ? "\\b" : "\\b0");
        if (first ? s.italic : s.italic != cs_.italic)
            word(s.italic ? "\\i" : "\\i0");
        if (first ? s.underline : s.underline != cs_.underline)
            word(s.underline ? "\\ul" : "\\ulnone");
        if (first ? s.strikeOut : s.strikeOut != cs_.strikeOut)
            word(s.strikeOut ? "\\strike" : "\\strike0");
        const int cf = colorIndex(s.color);
        if (first ? cf != 0 : cf != colorIndex(cs_.color))
            word("\\cf", cf);
        const int bg = colorIndex(s.background);
        if (first ? bg != 0 : bg != colorIndex(cs_.background))
            word("\\highlight", bg);
        if (first ? s.vertical != 0 : s.vertical != cs_.vertical)
            word(s.vertical > 0 ? "\\super" : s.vertical < 0 ? "\\sub" : "\\nosupersub");
        cs_ = s;
    }

    void hexByte(int b)
    {
        static const char kHex[] = "0123456789abcdef";
        out_ += "\\'";
        out_ += kHex[(b >> 4) & 15];
        out_ += kHex[b & 15];
        needDelim_ = false;
    }

    void text(const QString &s)
    {
        for (QChar qc : s) {
            const char16_t c = qc.unicode();
            if (c >= 0x20 && c < 0x80) {
                if (needDelim_) {
                    out_ += ' ';
                    needDelim_ = false;
                }
                if (c == '\\' || c == '{' || c == '}')
                    out_ += '\\';
                out_ += char(c);
            } else if (c == u'\t') {
                word("\\tab");
            } else if (c == u'\u2028' || c == u'\n' || c == u'\r') {
                word("\\line");
            } else if (c == u'\uFFFC') {
                // an embedded object's place holder: the object itself is not written
            } else if (const int b = cp1252::fromUnicode(c); b >= 0) {
                hexByte(b);
            } else {
                word("\\u", int16_t(c));
                out_ += '?';
                needDelim_ = false;
            }
        }
    }

    const Content &content_;
    const WriteDefaults &defaults_;
    QStringList fonts_;
    QList<QRgb> colors_;
    QByteArray out_;
    bool needDelim_ = false;
    bool started_ = false;
    CharStyle cs_;
    int font_ = 0;
    long half_ = 0;
    ParaStyle para_;
    int number_ = 0; // of the last list paragraph written since the list's properties
};

} // namespace

QByteArray write(const Content &content, const WriteDefaults &defaults)
{
    return Writer(content, defaults).run();
}

} // namespace platform::rtf
