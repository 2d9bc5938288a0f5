#pragma once
// The rich-edit control: a text edit whose content streams in and out as RTF, also used
// hidden as a buffer of text lines. Its text wraps at the box's width (each paragraph keeps
// its own alignment), and Tab moves the focus on instead of typing a tab. Content set or
// loaded whole shows from its first line, the caret at the start.
//
// Its lines are those of a rich edit (see Rtf.h): the paragraphs less an empty last one, so
// after setLines(L) the document holds L's lines and an empty last block, and lines()
// gives L back exactly.
#include <QStringList>
#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

namespace platform {

class RichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit RichEdit(QWidget *parent = nullptr);

    QStringList lines() const;
    int lineCount() const;
    QString line(int index) const; // empty when out of range
    // New lines take the character format of the start of the content, as a rich edit's
    // cleared text keeps the format it had.
    void setLines(const QStringList &lines);
    void addLine(const QString &line);
    void insertLine(int index, const QString &line);
    void setLine(int index, const QString &line);
    void deleteLine(int index);

    QByteArray saveToBytes() const;         // RTF
    // The RTF that saveToBytes() gives after setLines(lines), the content left as it is. Made
    // without a document (lines holding characters that a document turns into paragraphs or
    // objects: in a copy of it that is never laid out), so that it costs far less than setLines.
    QByteArray linesToBytes(const QStringList &lines) const;
    void loadFromBytes(const QByteArray &); // RTF, or plain text when it is not RTF
    // Loads only the stream's first line, with its formatting, cut at kFirstLineMaxChars
    // characters: what line(0) gives after loading the whole stream, for a cost that does
    // not grow with the rest of it.
    void loadFirstLineFromBytes(const QByteArray &bytes);
    static constexpr qsizetype kFirstLineMaxChars = 4096;
    // Loads an answer to be looked at: when it holds more than a box can lay out at once
    // (kDisplayMaxChars characters or kDisplayMaxLines lines), only its start is shown, with a
    // closing line that says so, and the box is read-only while it shows that part. Saving the
    // content then gives back the bytes loaded, whole.
    void loadForDisplay(const QByteArray &bytes);
    static constexpr qsizetype kDisplayMaxChars = 20000;
    static constexpr qsizetype kDisplayMaxLines = 2000;
    bool isCut() const { return m_cut; }
    // Changes at every change of the content (loads, clearing, typing), so that a caller can tell
    // whether the content is still what it put there. The numbers are drawn from one count for
    // every rich edit of the run, never 0: no two contents share one, so a number kept for one
    // rich edit is never that of another, nor of a rich edit made later.
    quint64 contentGeneration() const { return m_generation; }
    // Whole-file write through a temporary file renamed over the target; false on failure.
    bool saveToFile(const QString &path) const;
    // False when the file cannot be read (the content is then unchanged).
    bool loadFromFile(const QString &path);

    // The character format of the character at a position (counting from 0 over the plain
    // text, a paragraph mark being one character), as a rich edit's selection of length 1
    // starting there reports it; past the end, the format of the last paragraph mark.
    QTextCharFormat charFormatAt(int position) const;
    // Merges the format into every character and paragraph mark of the content.
    void mergeFormatIntoAll(const QTextCharFormat &format);

    // Keeps the lowest `pixels` of the box free of text, for a control that stands over it.
    void reserveBottom(int pixels);

protected:
    // Pasted content takes the format it is pasted into for what it does not set itself.
    void insertFromMimeData(const QMimeData *source) override;

private:
    QTextCharFormat leadingFormat() const;
    void showFromStart();

    mutable std::unique_ptr<QTextDocument> m_scratch; // linesToBytes' document
    quint64 m_generation;
    // A display showing only the start of m_whole; read-only before it was cut as given.
    bool m_cut = false;
    bool m_readOnlyBeforeCut = false;
    QByteArray m_whole;
    void dropCut();

};

} // namespace platform
