#include "StartedProgram.h"
#include "support/StudyFiles.h"

#include "platform/FileDialog.h"
#include "platform/MessageDialog.h"
#include "store/Sesion.h"

#include <QDir>

namespace {

const QString NoSeleccionado = QStringLiteral("No se seleccionó ningún Fichero de Estudio");

// The companions a study file X may have, as the program and the engine leave them.
const QStringList Companeros = {"X.DB-wal", "X.DB-shm", "X.DB-journal", "X.MB", "X.PX", "X.STU",
                                "X.JPG",    "X.BMP",    "X.CLA"};

std::string str(const QStringList &l)
{
    return l.join(QStringLiteral(" | ")).toStdString();
}

} // namespace

class DeleteTest : public StartedProgram {
protected:
    QStringList datFiles() const
    {
        return QDir(programPath(QStringLiteral("dat"))).entryList(QDir::Files, QDir::Name);
    }
    // The files of X (those given) and of the study file XY beside it, and another open.
    void prepare(const QStringList &files)
    {
        QDir(programPath(QStringLiteral("dat"))).removeRecursively();
        const QString other = testsupport::writeStudyFile(programPath(QStringLiteral("dat")), QStringLiteral("XY"),
                                                          testsupport::defaultOptions());
        for (const char *f : {"XY.MB", "XY.PX", "XY.CLA"})
            putFile(QStringLiteral("dat/") + QLatin1String(f), "x");
        for (const char *f : {"XY.JPG", "XY.BMP", "X.JPEG"})
            putPicture(QStringLiteral("dat/") + QLatin1String(f), 8, 8);
        for (const QString &f : files)
            putFile("dat/" + f, "x");
        platform::FileDialog::queueFileName(other);
        pressKey('1');
        ASSERT_EQ(Sesion_->FE_Abierto, 1);
    }
    void deleteX(platform::DialogAnswer answer)
    {
        platform::FileDialog::queueFileName(dat("X.DB"));
        platform::queueDialogAnswer(answer);
        pressKey('G');
    }
    static QStringList xyFiles() { return {"X.JPEG", "XY.BMP", "XY.CLA", "XY.DB", "XY.JPG", "XY.MB", "XY.PX", "XY.STU"}; }
};

TEST_F(DeleteTest, DeletesTheStudyFileWithEachOfItsCompanionsAndNothingElse)
{
    // Every companion present, then each one missing in turn, and one in lower case.
    std::vector<QStringList> sets{Companeros};
    for (const QString &missing : Companeros) {
        QStringList s = Companeros;
        s.removeAll(missing);
        sets.push_back(s);
    }
    sets.push_back({"x.stu", "X.cla"});
    for (const QStringList &set : sets) {
        SCOPED_TRACE(str(set));
        prepare(QStringList{"X.DB"} + set);
        const int dialogs = platform::dialogTexts().size();
        deleteX(platform::DialogAnswer::Ok);
        EXPECT_EQ(str(platform::dialogTexts().mid(dialogs)),
                  str({QStringLiteral("¿Seguro que quiere borrar el Fichero de Estudio\r\rX ?")}));
        EXPECT_EQ(str(datFiles()), str(xyFiles()));
        EXPECT_EQ(Sesion_->FE_Abierto, 0);
        EXPECT_TRUE(messages().isEmpty());
    }
    const auto request = platform::FileDialog::requests().last();
    EXPECT_EQ(request.title, " B O R R A R  un Fichero de Estudio");
    EXPECT_EQ(request.initialDir, programFolder() + "/dat");
    EXPECT_EQ(request.filter, " Ficheros de Estudio |*.db");
}

TEST_F(DeleteTest, CancelNoOrAMissingFileChangeNothing)
{
    prepare(Companeros + QStringList{"X.DB"});
    const QStringList all = datFiles();

    platform::FileDialog::queueCancel();
    pressKey('G');
    EXPECT_EQ(str(messages()), str({NoSeleccionado}));

    deleteX(platform::DialogAnswer::No);

    platform::FileDialog::queueFileName(dat("Z.DB"));
    pressKey('G');

    EXPECT_EQ(str(datFiles()), str(all));
    EXPECT_EQ(Sesion_->FE_Abierto, 1);
    EXPECT_EQ(platform::dialogTexts().size(), 1);
    EXPECT_EQ(messages().size(), 1);
}
