#pragma once
// The rich-edit control: a text edit whose content streams in and out as RTF, also used
// hidden as a buffer of text lines.
#include <QStringList>
#include <QTextEdit>

namespace platform {

class RichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit RichEdit(QWidget *parent = nullptr);

    QStringList lines() const;
    void setLines(const QStringList &lines);
    void addLine(const QString &line);

    QByteArray saveToBytes() const;         // RTF
    void loadFromBytes(const QByteArray &); // RTF, or plain text when it is not RTF
};

} // namespace platform
