// The rules of an export apart from its window: the checks and their order, what a plan holds,
// the new file's options, the blob fields copied and the new file's picture.
#include "exchange/Exportacion.h"
#include "store/Restos_Trabajo.h"
#include "platform/Files.h"
#include "store/Opciones_FE.h"
#include "support/StudyFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <map>
#include <optional>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// The lock that a process at work holds on its work files of one kind in a folder, held here
// for it: ".<kind>-<process>.lock", locked for as long as this lives.
class WorkLock {
public:
    WorkLock(const QString &folder, const QString &kind, qint64 process)
        : path(QStringLiteral("%1/.%2-%3.lock").arg(folder, kind).arg(process))
    {
        fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    }
    ~WorkLock()
    {
        ::unlink(QFile::encodeName(path).constData());
        ::close(fd);
    }
    WorkLock(const WorkLock &) = delete;
    WorkLock &operator=(const WorkLock &) = delete;
    QString name() const { return QFileInfo(path).fileName(); }

private:
    QString path;
    int fd = -1;
};

using F = Foco_Exportacion;

class ExportRulesTest : public ::testing::Test {
protected:
    QTemporaryDir program;
    QString dat(const QString &name) const { return program.path() + "/dat/" + name; }
    void SetUp() override { QDir(program.path()).mkpath("dat"); }

    Pedido_Exportacion pedido() const
    {
        Pedido_Exportacion p;
        p.Exportable = 1;
        p.Hay_Fichas = true;
        p.Carpeta_Programa = program.path();
        p.Nombre = "Nuevo";
        p.Fecha = "03/04/27";
        p.Formato_Fecha = 1;
        p.Fichas_Nivel_1 = "20 ";
        p.Nivel_Todas = "1";
        return p;
    }
};
} // namespace

TEST_F(ExportRulesTest, EachCheckRefusesWithItsMessageAndFocusInOrder)
{
    testsupport::writeBytes(dat("existe.px"), "x");
    struct Case {
        const char *what;
        std::function<void(Pedido_Exportacion &)> change;
        QString message;
        F focus;
    } cases[] = {
        // The export right comes first, whatever else is wrong.
        {"not exportable", [](auto &p) { p.Exportable = 0; p.Hay_Fichas = false; p.Nombre.clear(); }, Msg_No_Exportable, F::Salir},
        {"no card shown", [](auto &p) { p.Hay_Fichas = false; p.Nombre.clear(); }, Msg_Exportar_Vacio, F::Ninguno},
        {"no name", [](auto &p) { p.Nombre.clear(); p.Con_Contrasena = true; }, Msg_Exportar_Sin_Nombre, F::Nombre},
        {"name taken, any case", [](auto &p) { p.Nombre = "Existe"; p.Con_Contrasena = true; }, Msg_Exportar_Ya_Existe, F::Nombre},
        {"blank password", [](auto &p) { p.Con_Contrasena = true; p.Contrasena = "  "; p.Nombre = "a/b"; }, Msg_Falta_Contrasena, F::Contrasena},
        {"folder in the name", [](auto &p) { p.Nombre = "a/b"; }, Msg_Nombre_No_Valido, F::Nombre},
        {"name too long", [](auto &p) { p.Nombre = QString(300, 'n'); }, Msg_Nombre_Largo, F::Nombre},
        {"year cut short", [](auto &p) { p.Fecha = "03/04/2 "; }, Msg_Fecha_Exportar, F::Fecha},
        {"no day", [](auto &p) { p.Fecha = "  /04/27"; p.Fichas_Nivel_1 = "   "; }, Msg_Fecha_Exportar, F::Fecha},
        {"blank count", [](auto &p) { p.Fichas_Nivel_1 = "   "; }, Msg_Fichas_Nivel_1, F::Fichas_Nivel_1},
        {"blank level", [](auto &p) { p.Opcion_Nivel = 3; p.Nivel_Todas = " "; }, Msg_Nivel_Exportar, F::Nivel},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        Pedido_Exportacion p = pedido();
        k.change(p);
        const auto result = Comprueba_Exportacion(p);
        ASSERT_TRUE(std::holds_alternative<Rechazo_Exportacion>(result));
        EXPECT_EQ(std::get<Rechazo_Exportacion>(result).Mensaje, k.message);
        EXPECT_EQ(std::get<Rechazo_Exportacion>(result).Foco, k.focus);
    }
    // Nothing was written by a check.
    EXPECT_EQ(QDir(dat("")).entryList(QDir::Files | QDir::Hidden), QStringList{"existe.px"});
}

TEST_F(ExportRulesTest, APlanHoldsTheDateThePackingTheLevelsAndTheNextReview)
{
    struct Case {
        const char *what;
        std::function<void(Pedido_Exportacion &)> change;
        std::string created;
        bool compress, encipher, packs;
        std::string key;
        int levelOf3;       // Nivel_Ficha(3)
        std::string nextOf; // Prox_Repa_Ficha("20261210")
    } cases[] = {
        {"defaults, day first", [](auto &) {}, "20270403", true, false, true, "", 0, "00000000"},
        {"month first", [](auto &p) { p.Formato_Fecha = 0; }, "20270304", true, false, true, "", 0, "00000000"},
        {"plain", [](auto &p) { p.Comprimir = false; }, "20270403", false, false, false, "", 0, "00000000"},
        {"password kept untrimmed, not compressed",
         [](auto &p) { p.Comprimir = false; p.Con_Contrasena = true; p.Contrasena = " k "; },
         "20270403", false, true, true, " k ", 0, "00000000"},
        {"a password typed but not chosen", [](auto &p) { p.Contrasena = "k"; }, "20270403", true, false, true, "", 0, "00000000"},
        {"each card's level, a blank count not asked", [](auto &p) { p.Opcion_Nivel = 2; p.Fichas_Nivel_1 = "   "; },
         "20270403", true, false, true, "", 3, "00000000"},
        {"one level, next review kept", [](auto &p) { p.Opcion_Nivel = 3; p.Nivel_Todas = "7"; p.Sin_Cambios_Repaso = true; },
         "20270403", true, false, true, "", 7, "20261210"},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        Pedido_Exportacion p = pedido();
        k.change(p);
        const auto result = Comprueba_Exportacion(p);
        ASSERT_TRUE(std::holds_alternative<Plan_Exportacion>(result));
        const Plan_Exportacion &plan = std::get<Plan_Exportacion>(result);
        EXPECT_EQ(plan.Base, dat(p.Nombre));
        EXPECT_EQ(plan.Fech_Crea, k.created);
        EXPECT_EQ(std::tuple(plan.Comprime, plan.Encripta, plan.Empaqueta, plan.Clave),
                  std::tuple(k.compress, k.encipher, k.packs, k.key));
        EXPECT_EQ(plan.Nivel_Ficha(3), k.levelOf3);
        EXPECT_EQ(plan.Prox_Repa_Ficha("20261210"), k.nextOf);
    }
    Pedido_Exportacion p = pedido();
    p.Fichas_Nivel_1 = " 5 ";
    EXPECT_EQ(std::get<Plan_Exportacion>(Comprueba_Exportacion(p)).Fichas_Nivel_1, 5);
}

TEST_F(ExportRulesTest, TheNewFilesOptionsLineCardPackingAndBlobFields)
{
    Pedido_Exportacion p = pedido();
    p.Con_Contrasena = true;
    p.Contrasena = "clave";
    p.Comprimir = false;
    p.Nuevo_Exportable = true;
    p.Nuevo_Modificable = false;
    const Plan_Exportacion plan = std::get<Plan_Exportacion>(Comprueba_Exportacion(p));
    TPackStreams pks2;
    pks2.Compressed = true;
    const QString line = Opciones_Nuevo_FE(plan, pks2, QString(200, 'x'));
    EXPECT_EQ(std::tuple(pks2.Key, pks2.Encrypted, pks2.Compressed), std::tuple(std::string("clave"), true, false));
    EXPECT_EQ(line.mid(20, 21), "xnoxxsixxnoxxxsixxxsi");
    EXPECT_EQ(line.left(20) + line.mid(41), QString(179, 'x'));

    // The blob fields copied follow the open file's parts.
    using V = std::vector<std::string>;
    const std::pair<std::array<int, 4>, V> cases[] = {
        {{0, 0, 0, 0}, {}},
        {{100, 1, 1, 1}, {"Resp_Text", "Resp_Memo", "Preg_Imag", "Resp_Imag"}},
        {{0, 1, 0, 1}, {"Resp_Memo", "Resp_Imag"}},
        {{1, 0, 1, 0}, {"Resp_Text", "Preg_Imag"}},
    };
    for (const auto &[parts, expected] : cases) {
        const auto got = Campos_Blob_Exportados(parts[0], parts[1], parts[2], parts[3]);
        EXPECT_EQ(V(got.begin(), got.end()), expected);
    }
}

TEST_F(ExportRulesTest, TheNewFilesPicture)
{
    const QString open = dat("Fuente.DB");
    using E = Eleccion_Imagen;
    struct Case {
        const char *what;
        QStringList beside; // pictures beside the open file
        E choice;
        QString otherType;
        QString read, ext; // read: the name of the file loaded
    } cases[] = {
        {"same: the bitmap first", {"Fuente.JPG", "Fuente.BMP"}, E::Misma, "", "Fuente.BMP", "BMP"},
        {"same: a .jpeg in any case, written as JPG", {"Fuente.jpeg"}, E::Misma, "", "Fuente.jpeg", "JPG"},
        {"same: none there", {}, E::Misma, "", "", ""},
        {"other bitmap", {"Fuente.JPG"}, E::Otra, "BMP", "", "BMP"},
        {"other of another kind", {"Fuente.JPG"}, E::Otra, "/x/otra.gif", "", ""},
        {"none", {"Fuente.JPG"}, E::Ninguna, "JPG", "", ""},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        for (const QString &f : QDir(dat("")).entryList(QDir::Files))
            QFile::remove(dat(f));
        for (const QString &f : k.beside)
            testsupport::writeBytes(dat(f), "p");
        const Imagen_Exportada got = Imagen_Nuevo_FE(k.choice, open, k.otherType);
        EXPECT_EQ(QFileInfo(got.Leer).fileName(), k.read);
        EXPECT_EQ(got.Ext, k.ext);
    }
}

TEST_F(ExportRulesTest, OnlyTheWorkFilesOfProcessesThatAreGoneAreRemoved)
{
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    // A process at work holds the lock on its work files; one whose number is in use by
    // another process that holds no such lock (the number given again after a restart) is
    // gone all the same.
    const QString g = QString::number(gone), me = QString::number(getpid()), reused = QString::number(getppid());
    const QString folder = dat("").chopped(1);
    const WorkLock exporting(folder, "exportacion", getpid()), unpacking(folder, "transporte", getpid());
    // A journal alone too: a removal cut short by a kill leaves one.
    const QStringList removed = {
        ".exportacion-" + g + ".db", ".exportacion-" + g + ".db-journal", ".transporte-" + g + ".db-wal",
        ".transporte-" + g + ".db-journal", ".~sv" + QString::number(gone, 16) + "-2a", ".transporte-" + g + ".stu",
        ".exportacion-" + g + ".jpg", ".exportacion-" + g + ".tmp", ".exportacion-" + reused + ".db",
        ".transporte-" + reused + ".stu",
    };
    const QStringList kept = {
        ".exportacion-" + me + ".db", ".exportacion-" + me + ".db-journal", ".exportacion-" + g + ".dbx",
        ".exportacion-x" + g + ".db", ".otra-" + g + ".db", "Nuevo.DB", "Nuevo.DB-journal",
        ".~sv" + QString::number(getpid(), 16) + "-1", ".~sv" + QString::number(gone, 16) + "-1.DB",
        ".transporte-" + me + ".stu", ".exportacion-" + g + ".txt", exporting.name(), unpacking.name(),
    };
    for (const QString &f : removed + kept)
        if (!f.endsWith(".lock"))
            testsupport::writeBytes(dat(f), "x");
    EXPECT_EQ(Quita_Restos_Abandonados(folder), removed.size());
    QStringList left = QDir(dat("")).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    QStringList expected = kept;
    expected.sort();
    EXPECT_EQ(left, expected);
}

// A replacement's plan left by a process that is gone (or by this one, after a step that
// failed, or by one whose number another process has now) is carried out to its end before
// the work files go, whatever steps were done; one of a process still at work (holding its
// lock) waits; one that names anything but its own work parts as a source, or a name outside
// the folder, is never followed.
TEST_F(ExportRulesTest, AReplacementCutShortIsFinishedAsItsPlanSays)
{
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const QString g = QString::number(gone), me = QString::number(getpid()), alive = QString::number(getppid());
    const QString work = ".transporte-" + g;
    using Files = std::map<QString, QByteArray>;
    const Files old = {{"T.DB", "tabla vieja"}, {"T.DB-journal", "diario"}, {"T.STU", "ajustes viejos"}, {"T.JPG", "imagen"}};
    const Files done = {{"T.DB", "tabla nueva"}, {"T.STU", "ajustes nuevos"}};
    const QByteArray steps = "R\t" + work.toUtf8() + ".db\tT.DB\nR\t" + work.toUtf8() + ".stu\tT.STU\nQ\tT.JPG\n";
    struct Case {
        const char *what;
        QString plan;
        QByteArray steps;
        Files before, after;
        bool held = false; // its process at work
    } cases[] = {
        {"none done", work + ".plan", steps,
         [&] { Files f = old; f[work + ".db"] = "tabla nueva"; f[work + ".stu"] = "ajustes nuevos"; return f; }(), done},
        {"the table in place already",
         work + ".plan", steps,
         {{"T.DB", "tabla nueva"}, {work + ".stu", "ajustes nuevos"}, {"T.STU", "ajustes viejos"}, {"T.JPG", "imagen"}},
         done},
        {"every step done but the plan's removal", work + ".plan", steps, done, done},
        {"this process's, after a step that failed", ".exportacion-" + me + ".plan",
         "R\t.exportacion-" + me.toUtf8() + ".db\tN.DB\n",
         {{".exportacion-" + me + ".db", "tabla"}}, {{"N.DB", "tabla"}}},
        {"of a process still at work", ".transporte-" + alive + ".plan",
         "R\t.transporte-" + alive.toUtf8() + ".db\tT.DB\n",
         {{".transporte-" + alive + ".db", "suya"}, {"T.DB", "vieja"}},
         {{".transporte-" + alive + ".db", "suya"}, {"T.DB", "vieja"}, {".transporte-" + alive + ".plan", ""},
          {".transporte-" + alive + ".lock", ""}},
         true},
        {"of a process whose number is in use again", ".transporte-" + alive + ".plan",
         "R\t.transporte-" + alive.toUtf8() + ".db\tT.DB\n",
         {{".transporte-" + alive + ".db", "suya"}, {"T.DB", "vieja"}}, {{"T.DB", "suya"}}},
        {"a source not its own", work + ".plan", "R\t.exportacion-" + g.toUtf8() + ".db\tT.DB\nQ\tT.STU\n",
         {{".exportacion-" + g + ".db", "otra"}, {"T.DB", "vieja"}, {"T.STU", "ajustes"}},
         {{"T.DB", "vieja"}, {"T.STU", "ajustes"}}},
        {"a name outside the folder", work + ".plan", "Q\t../fuera.txt\n", {{"T.DB", "vieja"}}, {{"T.DB", "vieja"}}},
        {"cut short", work + ".plan", "R\t" + work.toUtf8() + ".db\tT.DB", Files{{work + ".db", "nueva"}, {"T.DB", "vieja"}},
         {{"T.DB", "vieja"}}},
    };
    const QString folder = dat("").chopped(1);
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        for (const QString &f : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(dat(f));
        testsupport::writeBytes(program.path() + "/fuera.txt", "fuera");
        for (const auto &[name, bytes] : k.before)
            testsupport::writeBytes(dat(name), bytes);
        testsupport::writeBytes(dat(k.plan), k.steps);
        std::optional<WorkLock> atWork;
        if (k.held)
            atWork.emplace(folder, k.plan.section('-', 0, 0).mid(1), k.plan.section('-', 1).section('.', 0, 0).toLongLong());
        Quita_Restos_Abandonados(folder);
        Files after;
        for (const QString &f : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            after[f] = f.endsWith(".plan") ? QByteArray() : *platform::readWholeFile(dat(f));
        EXPECT_EQ(after, k.after);
        EXPECT_TRUE(QFileInfo::exists(program.path() + "/fuera.txt"));
    }
}
