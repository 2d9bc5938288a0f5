#include "platform/RichEdit.h"

#include "platform/Files.h"
#include "platform/Rtf.h"
#include "platform/RtfReader.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextDocument>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace platform {

namespace {
quint64 nextGeneration()
{
    static std::atomic<quint64> last{0};
    return ++last;
}
} // namespace

RichEdit::RichEdit(QWidget *parent) : QTextEdit(parent), m_generation(nextGeneration())
{
    // As a rich edit: the lines wrap at the box's width, and Tab moves to the next control.
    setLineWrapMode(QTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    setAcceptRichText(true);
    connect(document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        m_generation = nextGeneration();
        // Text put in or taken out (not a change of format only) replaces a part shown.
        if (m_cut && removed != added)
            dropCut();
    });
}

void RichEdit::dropCut()
{
    m_cut = false;
    m_whole.clear();
    setReadOnly(m_readOnlyBeforeCut);
}

void RichEdit::loadForDisplay(const QByteArray &bytes)
{
    if (m_cut)
        dropCut();
    bool cut = false;
    rtf::Content content = rtf::readPart(bytes, {kDisplayMaxChars, kDisplayMaxLines}, &cut);
    if (cut) {
        rtf::Paragraph note;
        note.runs.append(rtf::Run{QStringLiteral("[…] La respuesta es demasiado larga para mostrarla entera: "
                                                 "aquí se ve solo su principio."),
                                  {}});
        content.paragraphs.append(std::move(note));
    }
    rtf::contentToDocument(content, *document());
    if (cut) {
        m_cut = true;
        m_whole = bytes;
        m_readOnlyBeforeCut = isReadOnly();
        setReadOnly(true);
    }
    showFromStart();
}

QStringList RichEdit::lines() const
{
    QStringList out;
    const QTextDocument *doc = document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QString text = b.text();
        if (!b.next().isValid() && text.isEmpty())
            break;
        rtf::appendLinesOfParagraph(out, text);
    }
    return out;
}

int RichEdit::lineCount() const
{
    return int(lines().size());
}

QString RichEdit::line(int index) const
{
    return lines().value(index);
}

QTextCharFormat RichEdit::leadingFormat() const
{
    const QTextBlock first = document()->begin();
    if (first.length() > 1)
        return charFormatAt(0);
    return first.charFormat();
}

namespace {
// The document cleared and given the lines, each a paragraph in the format, and an empty last
// paragraph.
void fillLines(QTextDocument &doc, const QTextCharFormat &fmt, const QStringList &lines)
{
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.clear();
    QTextCursor c(&doc);
    c.beginEditBlock();
    c.setBlockCharFormat(fmt);
    for (const QString &l : lines) {
        c.insertText(l, fmt);
        c.insertBlock(QTextBlockFormat(), fmt);
    }
    c.endEditBlock();
    doc.setUndoRedoEnabled(undo);
}
} // namespace

// The caret at the start, the box scrolled to it. A cursor made at the start lays out no more
// than the first paragraph; moving the caret there would first lay out the paragraph it stands
// in, the last one after a load, and with it the whole document.
void RichEdit::showFromStart()
{
    setTextCursor(QTextCursor(document()));
}

void RichEdit::setLines(const QStringList &lines)
{
    fillLines(*document(), leadingFormat(), lines);
    showFromStart();
}

QByteArray RichEdit::linesToBytes(const QStringList &lines) const
{
    const QTextDocument &doc = *document();
    const auto breaksParagraph = [](const QString &line) {
        for (const QChar c : line)
            if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar(0xFDD0)
                || c == QChar(0xFDD1) || c == QChar::ObjectReplacementCharacter)
                return true;
        return false;
    };
    if (std::none_of(lines.begin(), lines.end(), breaksParagraph)) {
        // Each line one paragraph of one run in the leading format, as setLines leaves them,
        // written without a document.
        const QTextCharFormat fmt = leadingFormat();
        const rtf::CharStyle style = rtf::fromCharFormat(fmt, doc.defaultFont());
        rtf::Paragraph paragraph;
        paragraph.para = rtf::fromBlockFormat(QTextBlockFormat());
        paragraph.markStyle = style;
        rtf::Content content;
        content.paragraphs.clear();
        content.paragraphs.reserve(lines.size() + 1);
        for (const QString &l : lines) {
            content.paragraphs.append(paragraph);
            if (!l.isEmpty())
                content.paragraphs.last().runs.append(rtf::Run{l, style});
        }
        content.paragraphs.append(paragraph);
        return rtf::fromContent(content, doc.defaultFont());
    }
    // Characters that a document turns into paragraphs or objects of its own: the lines go
    // into a document kept for this, neither copying the content nor laying it out.
    if (!m_scratch)
        m_scratch = std::make_unique<QTextDocument>();
    m_scratch->setDefaultFont(doc.defaultFont());
    m_scratch->setDefaultTextOption(doc.defaultTextOption());
    m_scratch->rootFrame()->setFrameFormat(doc.rootFrame()->frameFormat());
    fillLines(*m_scratch, leadingFormat(), lines);
    return rtf::fromDocument(*m_scratch);
}

void RichEdit::addLine(const QString &line)
{
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    QTextCharFormat fmt = c.block().charFormat();
    if (c.block().length() > 1) {
        // The content does not end with a paragraph mark: the line starts a new paragraph.
        fmt = c.charFormat();
        c.insertBlock(c.blockFormat(), fmt);
    }
    c.insertText(line, fmt);
    c.insertBlock(c.blockFormat(), fmt);
}

void RichEdit::insertLine(int index, const QString &line)
{
    QStringList l = lines();
    l.insert(qBound(0, index, int(l.size())), line);
    setLines(l);
}

void RichEdit::setLine(int index, const QString &line)
{
    QStringList l = lines();
    if (index < 0 || index >= l.size())
        return;
    l[index] = line;
    setLines(l);
}

void RichEdit::deleteLine(int index)
{
    QStringList l = lines();
    if (index < 0 || index >= l.size())
        return;
    l.removeAt(index);
    setLines(l);
}

QByteArray RichEdit::saveToBytes() const
{
    if (m_cut)
        return m_whole;
    return rtf::fromDocument(*document());
}

void RichEdit::loadFromBytes(const QByteArray &bytes)
{
    rtf::toDocument(bytes, *document());
    showFromStart();
}

void RichEdit::loadFirstLineFromBytes(const QByteArray &bytes)
{
    rtf::firstLineToDocument(bytes, *document(), kFirstLineMaxChars);
    showFromStart();
}

bool RichEdit::saveToFile(const QString &path) const
{
    return saveFileAtomically(path, saveToBytes());
}

bool RichEdit::loadFromFile(const QString &path)
{
    const std::optional<QByteArray> bytes = readWholeFile(path);
    if (!bytes)
        return false;
    loadFromBytes(*bytes);
    return true;
}

QTextCharFormat RichEdit::charFormatAt(int position) const
{
    const QTextDocument *doc = document();
    const int last = doc->characterCount() - 1; // the final paragraph mark
    if (position < 0)
        position = 0;
    if (position >= last)
        return doc->lastBlock().charFormat();
    const QTextBlock b = doc->findBlock(position);
    if (position == b.position() + b.length() - 1)
        return b.next().charFormat(); // a paragraph mark: the format of the block it opens
    QTextCursor c(const_cast<QTextDocument *>(doc));
    c.setPosition(position + 1);
    return c.charFormat();
}

void RichEdit::insertFromMimeData(const QMimeData *source)
{
    const QTextCharFormat typing = textCursor().charFormat();
    const int start = textCursor().selectionStart();
    QTextEdit::insertFromMimeData(source);
    const int end = textCursor().position();
    struct Run {
        int from, to;
        QTextCharFormat format;
    };
    std::vector<Run> runs;
    for (QTextBlock b = document()->findBlock(start); b.isValid() && b.position() < end; b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const int from = std::max(f.position(), start), to = std::min(f.position() + f.length(), end);
            if (from >= to)
                continue;
            QTextCharFormat format = typing;
            format.merge(f.charFormat());
            runs.push_back({from, to, format});
        }
    }
    QTextCursor c(document());
    c.joinPreviousEditBlock();
    for (const Run &r : runs) {
        c.setPosition(r.from);
        c.setPosition(r.to, QTextCursor::KeepAnchor);
        c.setCharFormat(r.format);
    }
    c.endEditBlock();
}

void RichEdit::reserveBottom(int pixels)
{
    setViewportMargins(0, 0, 0, std::max(0, pixels));
}

void RichEdit::mergeFormatIntoAll(const QTextCharFormat &format)
{
    QTextCursor c(document());
    c.beginEditBlock();
    c.select(QTextCursor::Document);
    c.mergeCharFormat(format);
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        QTextCursor bc(b);
        bc.mergeBlockCharFormat(format);
    }
    c.endEditBlock();
}

} // namespace platform
