#pragma once
// The open and save file dialogs, as the windows hold them (OpenDialog1, SaveDialog1, ...).
//
// Filter: descriptions and patterns alternate, separated by vertical bars, as in
// " Ficheros de Estudio |*.db| Todos los Archivos |*.*"; patterns match in any case.
//
// While the program is scripted (tests), execute() shows nothing and takes the next queued
// answer: a file name (the dialog's FileName becomes it, result true) or a cancel (result
// false). A cancelled dialog leaves FileName as it was, as the real one does. With no
// answer queued it cancels and counts an unanswered dialog.
#include <QObject>

class QFileDialog;
#include <QString>
#include <QStringList>

namespace platform {

class FileDialog : public QObject {
    Q_OBJECT
public:
    enum Kind { Open, Save };
    explicit FileDialog(Kind kind = Open, QObject *parent = nullptr);

    Kind kind;
    QString Filter;
    QString Title;
    QString InitialDir;
    QString FileName;
    QString DefaultExt;
    int FilterIndex = 1;

    bool execute();

    // The filter in Qt's form ("Ficheros de Estudio (*.db);;...").
    static QString qtFilter(const QString &filter);
    // Sets up a dialog as execute() shows it: title, folder, filter (matching in any case),
    // mode, default extension and the file name.
    void prepare(QFileDialog &dialog) const;
    // The title shown: Title, or "Abrir" / "Guardar como" when it has none.
    QString shownTitle() const;
    // The folder shown first: InitialDir, else the folder of the file last chosen in any
    // dialog of the program, else the current folder.
    QString startFolder() const;

    // ---- Scripting, for tests ----
    struct Request {
        QString title;
        QString initialDir;
        QString filter;
        QString shownTitle;
        QString startFolder;
    };
    static void queueFileName(const QString &fileName);
    static void queueCancel();
    static int pendingAnswers();
    static QList<Request> requests();
    static int unanswered();
    static void resetScripting();

private:
    // Takes the chosen file's name; its folder is where the next dialog without a folder of
    // its own starts.
    void choose(const QString &fileName);
    static QString lastFolder;
};

} // namespace platform
