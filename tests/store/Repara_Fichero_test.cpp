#include "StartedProgram.h"
#include "support/CardFiles.h"
#include "support/EngineTables.h"
#include "support/StudyFiles.h"
#include "support/TablePages.h"
#include "engine/Schema.h"
#include "store/Repara_Fichero.h"

#include "engine/Sqlite.h"
#include "platform/Clock.h"
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
#include <set>
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
    return testsupport::readWholeFile(path);
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
    ASSERT_TRUE(testsupport::overwriteAt(path, at, bytes));
}

int pageSize(const QString &path)
{
    return testsupport::tablePageSize(path);
}

std::vector<qint64> leafPages(const QString &path, const char *table)
{
    return testsupport::leafPages(path, table, testsupport::PageOrder::ByKey);
}

// Zeroes a leaf page of one of the file's tables, from the middle of its pages.
void zeroPageOf(const QString &path, const char *table)
{
    const std::vector<qint64> pages = leafPages(path, table);
    ASSERT_FALSE(pages.empty());
    const int page = pageSize(path);
    overwrite(path, (qint64(pages[pages.size() / 2]) - 1) * page, QByteArray(page, '\0'));
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
    // Repaired: the Part's final message. Lost: what was lost is told, and the damaged file is
    // kept beside the repaired one. Unreadable: no card can be read; the file stays as it was.
    enum class Outcome { Repaired, Lost, Unreadable };
    struct Case {
        const char *name;
        std::function<void(const QString &path)> damage;
        bool allCardsKept; // the damage reaches no card
        Outcome outcome;
    };
    const std::vector<Case> cases = {
        {"healthy", [](const QString &) {}, true, Outcome::Repaired},
        {"missing index",
         [](const QString &path) {
             engine::Database db;
             db.open(testsupport::fileName(path), false);
             db.exec("DROP INDEX orv_idx_NiveFich");
         },
         true, Outcome::Repaired},
        {"index file of the old engine",
         [this](const QString &) { putFile(QStringLiteral("dat/X.px"), "old index"); }, true, Outcome::Repaired},
        // SQLite reads the missing half as zeros: the picture there is read wrong, not lost.
        {"torn last page",
         [](const QString &path) {
             QFile f(path);
             f.resize(f.size() - pageSize(path) / 2);
         },
         false, Outcome::Repaired},
        // The records of the N cards fill a single page.
        {"zeroed page of the records", [](const QString &path) { zeroPageOf(path, "data"); }, false, Outcome::Unreadable},
        {"zeroed pages of the pictures", [](const QString &path) { zeroPageOf(path, "orv_blob6"); }, false, Outcome::Lost},
        {"garbage header", [](const QString &path) { overwrite(path, 0, QByteArray(100, char(0xA5))); }, true,
         Outcome::Repaired},
        {"zeroed page of the index", [](const QString &path) { zeroPageOf(path, "orv_idx_NiveFich"); }, true,
         Outcome::Repaired},
        {"header declaring a huge page count", [](const QString &path) { overwrite(path, 28, QByteArray("\x7f\xff\xff\xf0", 4)); },
         true, Outcome::Repaired},
    };
    platform::clock::setToday(QDate(2026, 12, 7));
    const QString kept = programPath(QStringLiteral("dat/X (dañado 2026-12-07).DB"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(programPath(QStringLiteral("dat"))).removeRecursively();
        const QString path = study();
        const Cards all = readableCards(path, N);
        ASSERT_EQ(all.size(), std::size_t(N));
        c.damage(path);
        const Cards before = readableCards(path, N);
        const QByteArray damaged = readAll(path);
        openFile(&c == &cases.front() ? path : QString()); // the healthy file is itself the open one

        repair(path);

        EXPECT_EQ(str(takeErrorReports()), std::string());
        const QStringList said = messages();
        clearMessages();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(platform::mainWindow()->findChild<QProgressBar *>(), nullptr);
        EXPECT_EQ(Sesion_->FE_Abierto, 0);
        EXPECT_FALSE(D_Module_->Tabla_Activa->active());
        EXPECT_EQ(QDir(programPath(QStringLiteral("dat"))).entryList({QStringLiteral("*tmp*")}, QDir::Files), QStringList());
        if (c.outcome == Outcome::Unreadable) {
            ASSERT_EQ(said.size(), 1);
            EXPECT_TRUE(said[0].startsWith(QStringLiteral("No se ha podido leer ninguna ficha"))) << str(said);
            EXPECT_EQ(readAll(path), damaged);
            EXPECT_FALSE(QFile::exists(kept));
            continue;
        }
        if (c.outcome == Outcome::Lost) {
            ASSERT_EQ(said.size(), 1);
            EXPECT_TRUE(said[0].startsWith(QStringLiteral("El Fichero de Estudio estaba dañado"))) << str(said);
            EXPECT_TRUE(said[0].endsWith(kept)) << str(said);
            EXPECT_EQ(readAll(kept), damaged);
        } else {
            EXPECT_EQ(str(said), str({Reparado}));
            EXPECT_FALSE(QFile::exists(kept));
        }
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
        } else if (c == Case::Held) {
            // The Part's reports of a table that another program holds open.
            EXPECT_EQ(str(takeErrorReports()), str({abrir(path), compactar(path), compactar(path), abrir(path)}));
            EXPECT_TRUE(messages().isEmpty());
        } else {
            EXPECT_EQ(str(takeErrorReports()), std::string());
            EXPECT_EQ(str(messages()), str({"No se ha podido leer ninguna ficha del Fichero de Estudio\r\r" + path
                                            + "\r\rEstá demasiado dañado para repararlo, y se ha dejado tal como estaba."}));
            clearMessages();
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

namespace {

// The identities of the records on a leaf page of a table (its cells' keys).
std::set<std::int64_t> idsOnPage(const QByteArray &file, int page, int size)
{
    const auto *p = reinterpret_cast<const uchar *>(file.constData()) + qint64(page - 1) * size;
    auto varint = [&](int &at) {
        std::int64_t v = 0;
        for (int i = 0; i < 9; ++i) {
            const uchar b = p[at++];
            if (i == 8)
                return (v << 8) | b;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80))
                break;
        }
        return v;
    };
    std::set<std::int64_t> ids;
    const int cells = (p[3] << 8) | p[4];
    for (int c = 0; c < cells; ++c) {
        int at = (p[8 + 2 * c] << 8) | p[9 + 2 * c];
        varint(at); // the payload's size
        ids.insert(varint(at));
    }
    return ids;
}

// A card's every field as the engine reads it, by identity.
using Fields = std::map<std::string, std::string>;

std::map<std::int64_t, Fields> everyField(const QString &path)
{
    std::map<std::int64_t, Fields> cards;
    engine::Table t;
    testsupport::openTable(t, testsupport::fileName(path));
    t.setFiltered(false);
    for (t.first(); !t.eof(); t.next()) {
        Fields &f = cards[t.fieldByName("AutoInc").asLargeInt()];
        for (int i = 0; i < t.fieldCount(); ++i)
            f[t.field(i).name()] = t.field(i).asBytes();
    }
    return cards;
}

} // namespace

// Damaged pages of a study file's cards, pictures or answers: the repair carries over every card
// and field that can still be read, keeps the damaged file beside it byte for byte, and says
// what was lost and where the damaged file is; when no card can be read, the file stays as it
// was and the user is told so.
class DamagedRepairTest : public RepairTest {
protected:
    // The study file X of n cards, each with question, answers and picture, as the editor
    // writes them.
    QString fullStudy(int n)
    {
        const QString path =
            testsupport::writeStudyFile(programPath(QStringLiteral("dat")), QStringLiteral("X"), testsupport::defaultOptions());
        engine::Table t;
        testsupport::openTable(t, testsupport::fileName(path));
        t.setWriteThrough(false);
        for (int i = 1; i <= n; ++i) {
            testsupport::CardContent c;
            c.level = i % 7;
            c.question = QStringLiteral("pregunta %1").arg(i);
            c.shortAnswer = testsupport::rtfLines({QStringLiteral("respuesta %1").arg(i)});
            c.longAnswer = testsupport::rtfLines({QString(300 + i % 50, QLatin1Char('a' + i % 26))});
            c.questionType = QStringLiteral("JPG");
            c.questionPicture = picture(i);
            testsupport::appendCard(t, c);
        }
        return path;
    }
};

TEST_F(DamagedRepairTest, WhatCanBeReadIsKeptAndTheDamagedFileBesideIt)
{
    struct Damage {
        const char *table;
        std::vector<double> at; // places among the table's leaf pages, 0 (first) to 1 (last)
    };
    struct Case {
        const char *name;
        int cards;
        std::vector<Damage> damage;
        bool noCardReadable;
    };
    const std::vector<Case> cases = {
        {"800 cards, three pages of cards", 800, {{"data", {0.25, 0.5, 0.75}}}, false},
        {"pages of pictures and of long answers", 200, {{"orv_blob6", {0.1, 0.5, 0.9}}, {"orv_blob10", {0.5}}}, false},
        {"19 cards: a page of pictures, of short answers and of the index", 19,
         {{"orv_blob6", {0}}, {"orv_blob7", {0}}, {"orv_idx_NiveFich", {0}}}, false},
        {"20 cards: the single page of cards", 20, {{"data", {0}}}, true},
    };
    platform::clock::setToday(QDate(2026, 12, 7));
    const QString dat = programPath(QStringLiteral("dat"));
    const QString kept = dat + QStringLiteral("/X (dañado 2026-12-07).DB");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dat).removeRecursively();
        const QString path = fullStudy(c.cards);
        const std::map<std::int64_t, Fields> all = everyField(path);
        ASSERT_EQ(all.size(), std::size_t(c.cards));
        // The damage: chosen leaf pages overwritten, the cards, pictures and answers on them noted.
        const int size = pageSize(path);
        // By field: Preg_Imag, Resp_Text, Resp_Memo.
        std::set<std::int64_t> lostCards;
        std::map<std::string, std::set<std::int64_t>> lostBlobs;
        const std::map<std::string, std::string> blobField = {
            {"orv_blob6", "Preg_Imag"}, {"orv_blob7", "Resp_Text"}, {"orv_blob10", "Resp_Memo"}};
        for (const Damage &d : c.damage) {
            const std::vector<qint64> pages = leafPages(path, d.table);
            ASSERT_FALSE(pages.empty());
            if (c.noCardReadable) {
                ASSERT_EQ(pages.size(), 1u);
            }
            for (double at : d.at) {
                const int page = int(pages[std::size_t(at * double(pages.size() - 1) + 0.5)]);
                const bool index = std::string(d.table).starts_with("orv_idx");
                const std::set<std::int64_t> ids = index ? std::set<std::int64_t>() : idsOnPage(readAll(path), page, size);
                if (d.table == std::string("data"))
                    lostCards.insert(ids.begin(), ids.end());
                else if (blobField.count(d.table))
                    lostBlobs[blobField.at(d.table)].insert(ids.begin(), ids.end());
                overwrite(path, qint64(page - 1) * size, QByteArray(size, char(0xA5)));
            }
        }
        const QByteArray damaged = readAll(path);
        const QString earlier = dat + QStringLiteral("/X (dañado 2026-12-07).DB");
        const std::size_t lostPictures = lostBlobs["Preg_Imag"].size();
        const std::size_t lostAnswers = lostBlobs["Resp_Text"].size() + lostBlobs["Resp_Memo"].size();
        const bool taken = lostPictures > 0; // a file of that name is there already
        if (taken)
            testsupport::writeBytes(earlier, "otro");
        openFile();

        repair(path);

        EXPECT_EQ(str(takeErrorReports()), std::string());
        QStringList files = QDir(dat).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        if (c.noCardReadable) {
            EXPECT_EQ(str(messages()), str({"No se ha podido leer ninguna ficha del Fichero de Estudio\r\r" + path
                                            + "\r\rEstá demasiado dañado para repararlo, y se ha dejado tal como estaba."}));
            EXPECT_EQ(readAll(path), damaged);
            EXPECT_EQ(files, (QStringList{"Otro.DB", "Otro.STU", "X.DB", "X.STU"}));
            clearMessages();
            continue;
        }
        const QString keptAs = taken ? dat + QStringLiteral("/X (dañado 2026-12-07, 2).DB") : kept;
        EXPECT_EQ(str(messages()),
                  str({QStringLiteral("El Fichero de Estudio estaba dañado y no se ha podido recuperar todo.\r\r"
                                      "Fichas recuperadas: %1\rFichas que no se han podido recuperar: %2\r"
                                      "Imágenes perdidas: %3\rRespuestas perdidas: %4\r\r"
                                      "El fichero dañado se ha guardado tal como estaba en:\r%5")
                           .arg(c.cards - int(lostCards.size()))
                           .arg(lostCards.size())
                           .arg(lostPictures)
                           .arg(lostAnswers)
                           .arg(keptAs)}));
        clearMessages();
        EXPECT_EQ(readAll(keptAs), damaged);
        if (taken) {
            EXPECT_EQ(readAll(earlier), QByteArray("otro"));
        }
        // Every card not on a damaged page, with every field not on one.
        EXPECT_TRUE(intact(path));
        const std::map<std::int64_t, Fields> after = everyField(path);
        std::map<std::int64_t, Fields> expected;
        for (const auto &[id, fields] : all) {
            if (lostCards.count(id))
                continue;
            Fields f = fields;
            for (const auto &[field, ids] : lostBlobs)
                if (ids.count(id))
                    f[field].clear();
            expected[id] = f;
        }
        EXPECT_EQ(after.size(), expected.size());
        EXPECT_TRUE(after == expected);
        // The kept file outlives the opening of the repaired one and the next repair.
        openFile(path);
        Sesion_->Cierra_Fichero();
        repair(path);
        EXPECT_EQ(str(messages()), str({Reparado}));
        clearMessages();
        // Chosen to be opened, it is refused as incomplete, and stays as it is.
        platform::FileDialog::queueFileName(keptAs);
        pressKey('1');
        EXPECT_EQ(Sesion_->FE_Abierto, 0);
        clearMessages();
        EXPECT_EQ(readAll(keptAs), damaged);
        files = QDir(dat).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        QStringList want{"Otro.DB", "Otro.STU", "X (dañado 2026-12-07).DB", "X.DB", "X.STU"};
        if (taken)
            want.insert(3, "X (dañado 2026-12-07, 2).DB");
        EXPECT_EQ(files, want);
    }
}
