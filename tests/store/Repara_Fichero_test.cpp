#include "StartedProgram.h"
#include "support/CardFiles.h"
#include "support/EngineTables.h"
#include "support/StudyFiles.h"
#include "engine/Schema.h"
#include "store/Repara_Fichero.h"

#include "engine/Sqlite.h"
#include "platform/FileDialog.h"
#include "platform/MessageDialog.h"
#include "platform/ModalShow.h"
#include "platform/RichEdit.h"
#include "store/D_Module.h"
#include "store/Restos_Trabajo.h"
#include "store/Sesion.h"

#include <QDir>
#include <QFile>
#include <QApplication>
#include <QProgressBar>

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace {

const QString Reparado = QStringLiteral("El fichero ha sido Reparado y Empaquetado");
const QString NoSeleccionado = QStringLiteral("No se seleccionó ningún Fichero de Estudio");

QString abrir(const QString &path)
{
    return QStringLiteral("ERROR al intentar abrir la tabla de nombre %1.").arg(path);
}
QString compactar(const QString &path)
{
    return QStringLiteral("ERROR  al intentar compactar la base %1. ").arg(path);
}

std::string str(const QStringList &l)
{
    return l.join(QStringLiteral(" | ")).toStdString();
}

// A card's question and picture, by identity.
using Cards = std::map<std::int64_t, std::pair<std::string, std::string>>;

std::string picture(int i)
{
    std::string b(2500 + 37 * (i % 11), '\0');
    std::uint32_t x = 2166136261u + std::uint32_t(i);
    for (char &c : b) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    return b;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The cards of a table file whose records SQLite reads, one by one, with their pictures (blank
// where the picture's pages cannot be read); none when the file can't be read at all.
Cards readableCards(const QString &path, int upTo)
{
    Cards cards;
    try {
        engine::Database db;
        db.open(testsupport::fileName(path), false);
        engine::Statement q = db.prepare("SELECT Preg_Text FROM data WHERE rowid = ?");
        engine::Statement p = db.prepare("SELECT v FROM orv_blob6 WHERE id = ?"); // Preg_Imag
        auto read = [](engine::Statement &s, int id, std::string &out) {
            try {
                s.bindInt(1, id);
                const bool found = s.step();
                if (found)
                    out = std::string(s.columnBytes(0));
                s.reset();
                return found;
            } catch (const engine::EngineError &) {
                s.reset();
                return false;
            }
        };
        for (int id = 1; id <= upTo; ++id) {
            std::string question, picture;
            if (read(q, id, question)) {
                read(p, id, picture);
                cards[id] = {question, picture};
            }
        }
    } catch (const engine::EngineError &) {
    }
    return cards;
}

bool intact(const QString &path)
{
    engine::Database db;
    db.open(testsupport::fileName(path), false);
    return db.queryText("PRAGMA integrity_check") == "ok";
}

// The cards of a table opened through the engine, with their order's identities.
Cards engineCards(const QString &path)
{
    Cards cards;
    engine::Table t;
    testsupport::openTable(t, testsupport::fileName(path));
    t.setFiltered(false);
    for (t.first(); !t.eof(); t.next())
        cards[t.fieldByName("AutoInc").asLargeInt()] = {t.fieldByName("Preg_Text").asString(),
                                                         t.fieldByName("Preg_Imag").asBytes()};
    return cards;
}

void overwrite(const QString &path, qint64 at, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(at);
    f.write(bytes);
}

int pageSize(const QString &path)
{
    const QByteArray h = readAll(path).left(18);
    const int size = (uchar(h[16]) << 8) | uchar(h[17]);
    return size == 1 ? 65536 : size;
}

// Zeroes a leaf page of one of the file's tables, from the middle of its pages.
void zeroPageOf(const QString &path, const char *table)
{
    std::vector<qint64> pages;
    {
        engine::Database db;
        db.open(testsupport::fileName(path), false);
        engine::Statement q = db.prepare("SELECT pageno FROM dbstat WHERE name = ? AND pagetype = 'leaf'");
        q.bindText(1, table);
        while (q.step())
            pages.push_back(q.columnInt(0));
    }
    ASSERT_FALSE(pages.empty());
    const int page = pageSize(path);
    overwrite(path, (pages[pages.size() / 2] - 1) * page, QByteArray(page, '\0'));
}

} // namespace

class RepairTest : public StartedProgram {
protected:
    static constexpr int N = 120;

    // The study file X with N cards, each with a picture; closed and without a log.
    QString study(const QString &name = QStringLiteral("X"))
    {
        const QString path =
            testsupport::writeStudyFile(programPath(QStringLiteral("dat")), name, testsupport::defaultOptions());
        engine::Table t;
        testsupport::openTable(t, testsupport::fileName(path));
        for (int i = 1; i <= N; ++i) {
            t.append();
            t.fieldByName("Nive_Fich").setAsInteger(i % 7);
            t.fieldByName("Preg_Text").setAsString("pregunta " + std::to_string(i));
            t.fieldByName("Tipo_Preg_Imag").setAsString("JPG");
            t.fieldByName("Preg_Imag").setBytes(picture(i));
            t.post();
        }
        return path;
    }

    // Opens the file, or another study file, so that the repair has one to close.
    void openFile(QString path = {})
    {
        if (path.isEmpty())
            path = testsupport::writeStudyFile(programPath(QStringLiteral("dat")), QStringLiteral("Otro"),
                                               testsupport::defaultOptions());
        platform::FileDialog::queueFileName(path);
        pressKey('1');
        ASSERT_EQ(Sesion_->FE_Abierto, 1);
    }

    void repair(const QString &path)
    {
        platform::FileDialog::queueFileName(path);
        pressKey('F');
    }
};

TEST_F(RepairTest, DamagedFilesAreRepairedKeepingEveryReadableCard)
{
    struct Case {
        const char *name;
        std::function<void(const QString &path)> damage;
        bool allCardsKept; // the damage reaches no card
        bool openFails;    // the first opening meets the damage
    };
    const std::vector<Case> cases = {
        {"healthy", [](const QString &) {}, true, false},
        {"missing index",
         [](const QString &path) {
             engine::Database db;
             db.open(testsupport::fileName(path), false);
             db.exec("DROP INDEX orv_idx_NiveFich");
         },
         true, false},
        {"index file of the old engine",
         [this](const QString &) { putFile(QStringLiteral("dat/X.px"), "old index"); }, true, false},
        {"torn last page",
         [](const QString &path) {
             QFile f(path);
             f.resize(f.size() - pageSize(path) / 2);
         },
         false, false},
        {"zeroed pages of the records", [](const QString &path) { zeroPageOf(path, "data"); }, false, true},
        {"zeroed pages of the pictures", [](const QString &path) { zeroPageOf(path, "orv_blob6"); }, false, false},
        {"garbage header", [](const QString &path) { overwrite(path, 0, QByteArray(100, char(0xA5))); }, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(programPath(QStringLiteral("dat"))).removeRecursively();
        const QString path = study();
        const Cards all = readableCards(path, N);
        ASSERT_EQ(all.size(), std::size_t(N));
        c.damage(path);
        const Cards before = readableCards(path, N);
        openFile(&c == &cases.front() ? path : QString()); // the healthy file is itself the open one

        repair(path);

        // A step that fails shows its error box, and the final message
        // is left out.
        EXPECT_EQ(str(takeErrorReports()), c.openFails ? str({abrir(path)}) : std::string());
        EXPECT_EQ(str(messages()), c.openFails ? std::string() : str({Reparado}));
        clearMessages();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(platform::mainWindow()->findChild<QProgressBar *>(), nullptr);
        EXPECT_EQ(Sesion_->FE_Abierto, 0);
        EXPECT_FALSE(D_Module_->Tabla_Activa->active());
        EXPECT_TRUE(intact(path));
        const Cards after = engineCards(path);
        for (const auto &[id, card] : before) {
            auto it = after.find(id);
            ASSERT_NE(it, after.end()) << "card " << id << " lost";
            EXPECT_EQ(it->second, card) << "card " << id;
        }
        if (c.allCardsKept) {
            EXPECT_EQ(after, all);
        }
        EXPECT_FALSE(QFile::exists(programPath(QStringLiteral("dat/X.px"))));
        EXPECT_EQ(QDir(programPath(QStringLiteral("dat"))).entryList({QStringLiteral("*tmp*")}, QDir::Files), QStringList());
        Sesion_->Cierra_Fichero();
    }
}

// A child process that holds the table open (an ordinary opening) until released.
class Holder {
public:
    explicit Holder(const QString &path)
    {
        int ready[2], release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            char c = 0;
            try {
                engine::Table t;
                testsupport::openTable(t, testsupport::fileName(path));
                c = 1;
                (void)!::write(ready[1], &c, 1);
                (void)!::read(release[0], &c, 1);
            } catch (...) {
                (void)!::write(ready[1], &c, 1);
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        m_release = release[1];
        char c = 0;
        m_holding = ::read(ready[0], &c, 1) == 1 && c == 1;
        ::close(ready[0]);
    }
    ~Holder()
    {
        if (m_release >= 0)
            ::close(m_release);
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
    }
    bool holding() const { return m_holding; }

private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_holding = false;
};

TEST_F(RepairTest, FilesThatCannotBeRepairedAreLeftAsTheyWere)
{
    // Held open by another process, of a newer format, then with its first page destroyed.
    const QString path = study();
    enum class Case { Held, Newer, Destroyed };
    for (Case c : {Case::Held, Case::Newer, Case::Destroyed}) {
        SCOPED_TRACE(int(c));
        if (c != Case::Held) {
            engine::Database db;
            db.open(testsupport::fileName(path), false);
            db.exec("PRAGMA user_version = " + std::to_string(c == Case::Newer ? engine::kFormatVersion + 1 : engine::kFormatVersion));
        }
        if (c == Case::Destroyed)
            overwrite(path, 0, QByteArray(pageSize(path), char(0x5A)));
        const QByteArray bytes = readAll(path);
        std::optional<Holder> holder;
        ASSERT_TRUE(c != Case::Held || holder.emplace(path).holding());
        repair(path);
        if (c == Case::Newer) {
            // Told once why, as the opening tells it.
            const QString why = QString::fromStdString(testsupport::messageOf([&] {
                engine::Table t;
                testsupport::openTable(t, testsupport::fileName(path));
            }));
            EXPECT_TRUE(why.contains("tiene el formato 3") && why.contains("La tabla no se ha modificado.")) << why.toStdString();
            EXPECT_EQ(str(takeErrorReports()), std::string());
            EXPECT_EQ(str(messages()), str({"No se puede reparar este Fichero de Estudio:\r\r" + why}));
            clearMessages();
        } else {
            EXPECT_EQ(str(takeErrorReports()), str({abrir(path), compactar(path), compactar(path), abrir(path)}));
            EXPECT_TRUE(messages().isEmpty());
        }
        EXPECT_EQ(readAll(path), bytes);
    }
    EXPECT_EQ(QDir(programPath(QStringLiteral("dat"))).entryList(QDir::Files),
              (QStringList{QStringLiteral("X.DB"), QStringLiteral("X.STU")}));
}

// Work files of an export or unpacking killed half way go at the next opening or repair of a
// study file in their folder; those of a process still running stay.
TEST_F(RepairTest, WorkFilesOfKilledProcessesGoAtTheNextOpeningAndRepair)
{
    const QString path = study();
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const QString g = QString::number(gone), me = QString::number(::getpid());
    const QStringList leftovers = {".exportacion-" + g + ".db", ".exportacion-" + g + ".db-journal",
                                   ".transporte-" + g + ".db", ".~sv" + QString::number(gone, 16) + "-1"};
    // Those of a process at work (this one, holding its lock) stay.
    const Trabajo_En_Carpeta atWork(programPath(QStringLiteral("dat")), QStringLiteral("transporte"));
    const QStringList kept = {".transporte-" + me + ".db", ".transporte-" + me + ".lock"};
    for (bool opening : {true, false}) {
        SCOPED_TRACE(opening ? "opening" : "repair");
        for (const QString &f : leftovers + kept.mid(0, 1))
            testsupport::writeBytes(programPath("dat/" + f), "x");
        if (opening)
            openFile(path);
        else
            repair(path);
        EXPECT_EQ(QDir(programPath(QStringLiteral("dat"))).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                  (kept + QStringList{"X.DB", "X.STU"}));
        Sesion_->Cierra_Fichero();
    }
}

TEST_F(RepairTest, ACancelledDialogLeavesTheOpenFileOpen)
{
    openFile();
    const QString open = Sesion_->Ruta_FE;
    platform::FileDialog::queueCancel();
    pressKey('F');
    EXPECT_EQ(str(messages()), str({NoSeleccionado}));
    EXPECT_EQ(Sesion_->FE_Abierto, 1);
    EXPECT_EQ(Sesion_->Ruta_FE, open);
}

// A study file whose table has the older format opens: the table is converted on the way,
// under the progress bar, and its packed cards read as before.
TEST_F(RepairTest, AStudyFileOfTheOlderFormatIsConvertedAtItsOpening)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Comprimido = true;
    o.Texto_Largo = true;
    const QString path = testsupport::writeStudyFile(programPath(QStringLiteral("dat")), QStringLiteral("V"), o);
    QFile::remove(path);
    engine::Row card(TD_Module_::Campos_Ficha(60).size());
    card[0] = engine::Value::ofInteger(1);
    card[4] = engine::Value::ofBytes("pregunta");
    card[7] = engine::Value::ofBytes(testsupport::packedBlob(testsupport::rtfLines({"respuesta"}), true, false));
    card[10] = engine::Value::ofBytes(testsupport::packedBlob(testsupport::rtfLines({"larga"}), true, false));
    card[15] = engine::Value::ofBytes("S");
    testsupport::writeVersion1Table(testsupport::fileName(path), TD_Module_::Campos_Ficha(60),
                                    TD_Module_::Indices_Ficha(), {card});
    openFile(path);
    EXPECT_EQ(D_Module_->Tabla_Activa->fieldByName("Preg_Text").asString(), "pregunta");
    EXPECT_EQ(Sesion_->RE_Resp_Text->lines().value(0), QStringLiteral("respuesta"));
    EXPECT_EQ(testsupport::formatVersionOfFile(testsupport::fileName(path)), engine::kFormatVersion);
    EXPECT_EQ(platform::mainWindow()->findChild<QProgressBar *>(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QDir(programPath(QStringLiteral("dat"))).entryList(QDir::Files | QDir::Hidden).size(), 2);
    Sesion_->Cierra_Fichero();
}
