#include "platform/FileDialog.h"

#include "platform/ModalShow.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

#include <deque>
#include <optional>

namespace platform {

namespace {
std::deque<std::optional<QString>> answers;
QList<FileDialog::Request> asked;
int unansweredCount = 0;

// "*.*" means every file; other patterns are shown as written.
QString pattern(const QString &p)
{
    return p == QLatin1String("*.*") ? QStringLiteral("*") : p;
}
} // namespace

FileDialog::FileDialog(Kind k, QObject *parent) : QObject(parent), kind(k) {}

QString FileDialog::lastFolder;

QString FileDialog::shownTitle() const
{
    const QString title = Title.trimmed();
    if (!title.isEmpty())
        return title;
    return kind == Save ? QStringLiteral("Guardar como") : QStringLiteral("Abrir");
}

QString FileDialog::startFolder() const
{
    // With no folder of its own, the dialog starts where the last one was left (the chosen
    // file's folder), else in the current folder: never on the list of drives.
    if (!InitialDir.isEmpty() && QFileInfo(InitialDir).isDir())
        return InitialDir;
    if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir())
        return lastFolder;
    return QDir::currentPath();
}

void FileDialog::prepare(QFileDialog &dialog) const
{
    dialog.setWindowTitle(shownTitle());
    dialog.setDirectory(startFolder());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(qtFilter(Filter));
    // The patterns match names in any case ("*.db" shows X.DB too).
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setAcceptMode(kind == Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(kind == Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!DefaultExt.isEmpty())
        dialog.setDefaultSuffix(DefaultExt);
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
}

QString FileDialog::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i).trimmed();
        // A description that already lists its patterns in brackets keeps only its words,
        // since Qt takes the bracketed part as the patterns.
        description.remove(QRegularExpression(QStringLiteral("\\s*\\(.*\\)\\s*$")));
        QStringList patterns;
        const QStringList raw = parts.at(i + 1).split(QRegularExpression(QStringLiteral("[;,\\s]+")), Qt::SkipEmptyParts);
        for (const QString &p : raw)
            patterns << pattern(p);
        entries << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

bool FileDialog::execute()
{
    if (isScripted()) {
        asked << Request{Title, InitialDir, Filter, shownTitle(), startFolder()};
        std::optional<QString> answer;
        if (answers.empty())
            ++unansweredCount;
        else {
            answer = answers.front();
            answers.pop_front();
        }
        if (answer)
            choose(*answer);
        return answer.has_value();
    }
    QFileDialog dialog(dialogOwner());
    prepare(dialog);
    if (execDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    choose(dialog.selectedFiles().constFirst());
    return true;
}

void FileDialog::choose(const QString &fileName)
{
    FileName = fileName;
    lastFolder = QFileInfo(fileName).absolutePath();
}

void FileDialog::queueFileName(const QString &fileName)
{
    answers.push_back(fileName);
}

void FileDialog::queueCancel()
{
    answers.push_back(std::nullopt);
}

int FileDialog::pendingAnswers()
{
    return int(answers.size());
}

QList<FileDialog::Request> FileDialog::requests()
{
    return asked;
}

int FileDialog::unanswered()
{
    return unansweredCount;
}

void FileDialog::resetScripting()
{
    answers.clear();
    asked.clear();
    unansweredCount = 0;
    lastFolder.clear();
}

} // namespace platform
