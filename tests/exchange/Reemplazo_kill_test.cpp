// Writes that replace files, killed at each file operation in turn: a child program (this test
// program again, with a preloaded library that counts renames, unlinks, syncs and
// truncations) runs an export, an unpacking over an existing study file (also one whose table
// holds an uncommitted change), a repair (also of a damaged table, whose damaged file the
// repair keeps beside it) or a conversion, and dies just before or just after
// the n-th such call. The folder it leaves, reopened through the program, holds exactly the
// old study file or the new one, intact, and no work file. Killed half way through the
// replacement itself, the next entry of any kind on that folder (creating, deleting, packing,
// importing, opening another file, starting the program) finds the old or the new one whole.
#include "exchange/ExchangeFixture.h"

#include "support/EngineTables.h"
#include "support/KillChild.h"

#include "app/Program.h"
#include "engine/Schema.h"
#include "exchange/Exportar_FE.h"
#include "exchange/FE_Transporte.h"
#include "exchange/Importar_de_FE.h"
#include "exchange/Transporte.h"
#include "platform/Files.h"
#include "platform/MessageDialog.h"
#include "store/Crea_Fiche.h"
#include "store/Repara_Fichero.h"
#include "store/Sesion.h"

#include <QDirIterator>
#include <QFileInfo>

#include "engine/SqliteApi.h"

#include <algorithm>
#include <dlfcn.h>
#include <fstream>
#include <map>
#include <set>

namespace {
enum class Work { Export, Unpack, UnpackOverHotJournal, Repair, RepairDamaged, Convert };

struct Scenario {
    const char *name;
    Work work;
    QString file; // the study file the work makes or changes, in "dat"
};

const Scenario Scenarios[] = {
    {"Export", Work::Export, "Nuevo"},
    {"Unpack", Work::Unpack, "T"},
    {"UnpackOverHotJournal", Work::UnpackOverHotJournal, "T"},
    {"Repair", Work::Repair, "T"},
    {"RepairDamaged", Work::RepairDamaged, "T"},
    {"Convert", Work::Convert, "T"},
};

void PrintTo(const Scenario &s, std::ostream *out)
{
    *out << s.name;
}

// Kill points tried per work, spread evenly over all of them (both ends included).
constexpr int Points_Per_Work = 64;

QString env(const char *name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

void copyFolder(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + QDir(from).relativeFilePath(path).prepend(QLatin1Char('/'));
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(path, target)) << path.toStdString();
    }
}

bool intact(const QString &path)
{
    sqlite3 *db = nullptr;
    bool ok = engine::sqlite().open_v2(testsupport::fileName(path).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
    std::string result;
    ok = ok && engine::sqlite().exec(
                   db, "PRAGMA integrity_check",
                   [](void *out, int, char **values, char **) {
                       *static_cast<std::string *>(out) += values[0] ? values[0] : "";
                       return 0;
                   },
                   &result, nullptr)
                   == SQLITE_OK;
    engine::sqlite().close(db);
    return ok && result == "ok";
}

// Every record of a table, each as the bytes of all its fields, sorted.
std::vector<std::string> records(const QString &path)
{
    engine::Table t;
    testsupport::openTable(t, testsupport::fileName(path));
    std::vector<std::string> out;
    for (t.first(); !t.eof(); t.next()) {
        std::string r;
        for (int i = 0; i < t.fieldCount(); ++i)
            r += t.field(i).asBytes() + '\x1f';
        out.push_back(r);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// A folder's study files as the program finds them: each table by its records, every other
// file by its bytes; work files (hidden names) and journals still to be played apart.
struct FolderState {
    std::map<QString, QByteArray> files;
    std::map<QString, std::vector<std::string>> tables;
    QStringList hidden;
    bool operator==(const FolderState &o) const { return files == o.files && tables == o.tables; }
};

FolderState stateOf(const QString &folder)
{
    FolderState s;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        if (name.startsWith(QLatin1Char('.')))
            s.hidden << name;
        else if (name.endsWith(QLatin1String("-journal"))) {
            // A journal whose writer was killed before it was first synchronised is no
            // journal: SQLite passes over one that begins with a zero byte.
            const QByteArray bytes = *platform::readWholeFile(folder + QLatin1Char('/') + name);
            if (!bytes.isEmpty() && bytes[0] != 0)
                s.hidden << name;
        }
        else if (name.endsWith(QLatin1String(".DB")) && intact(folder + QLatin1Char('/') + name))
            s.tables[name] = records(folder + QLatin1Char('/') + name);
        else // a damaged table by its bytes
            s.files[name] = *platform::readWholeFile(folder + QLatin1Char('/') + name);
    }
    return s;
}

std::string describe(const FolderState &s)
{
    std::string out;
    for (const auto &[name, bytes] : s.files)
        out += name.toStdString() + "(" + std::to_string(bytes.size()) + ") ";
    for (const auto &[name, rows] : s.tables)
        out += name.toStdString() + "[" + std::to_string(rows.size()) + "] ";
    return out + s.hidden.join(QLatin1Char(' ')).toStdString();
}

void PrintTo(const FolderState &s, std::ostream *out)
{
    *out << describe(s);
}
} // namespace

// What the replacement tests share: the template folder, the child runs and the folder states.
class ReplaceKillBase : public ExchangeFixture {
protected:
    // The template of the program folder the child starts from ("dat", and "fuera" with a
    // transport file).
    QString templateFolder() const { return programPath(QStringLiteral("plantilla")); }

    void prepare(Work work)
    {
        const QString dat = templateFolder() + QStringLiteral("/dat");
        QDir().mkpath(dat);
        QDir().mkpath(templateFolder() + QStringLiteral("/fuera"));
        auto moveOut = [&](const QString &name, const QString &to) {
            ASSERT_TRUE(QFile::rename(this->dat(name), to + QLatin1Char('/') + name)) << name.toStdString();
        };
        const Opciones_FE o = everyPart();
        switch (work) {
        case Work::Export:
            writeStudy(QStringLiteral("Fuente"), o, sampleCards(40, true));
            putPicture(QStringLiteral("dat/Fuente.JPG"), 40, 30);
            for (const char *ext : {"DB", "STU", "JPG"})
                moveOut(QStringLiteral("Fuente.") + ext, dat);
            break;
        case Work::Unpack:
        case Work::UnpackOverHotJournal: {
            // The new study file, packed into T.SZP: other cards, settings and picture.
            Opciones_FE nuevas = o;
            nuevas.Tam_Respuesta = 80;
            std::vector<TestCard> cards = sampleCards(30, false);
            for (TestCard &c : cards)
                c.question.prepend(QStringLiteral("Nueva "));
            writeStudy(QStringLiteral("T"), nuevas, cards);
            putPicture(QStringLiteral("dat/T.BMP"), 20, 20);
            TPackStreams pks3;
            Empaqueta_Transporte(pks3, this->dat(QStringLiteral("T.DB")));
            moveOut(QStringLiteral("T.SZP"), templateFolder() + QStringLiteral("/fuera"));
            for (const char *ext : {"DB", "STU", "BMP"})
                QFile::remove(this->dat(QStringLiteral("T.") + ext));
            // The old one it replaces.
            writeStudy(QStringLiteral("T"), o, sampleCards(300, true));
            putPicture(QStringLiteral("dat/T.JPG"), 30, 30);
            if (work == Work::UnpackOverHotJournal)
                leaveHotJournal(this->dat(QStringLiteral("T.DB")));
            for (const char *ext : {"DB", "STU", "JPG"})
                moveOut(QStringLiteral("T.") + ext, dat);
            if (work == Work::UnpackOverHotJournal)
                moveOut(QStringLiteral("T.DB-journal"), dat);
            break;
        }
        case Work::Repair:
        case Work::RepairDamaged:
            writeStudy(QStringLiteral("T"), o, sampleCards(60, true));
            if (work == Work::RepairDamaged)
                damagePageOf(this->dat(QStringLiteral("T.DB")), "orv_blob6");
            for (const char *ext : {"DB", "STU"})
                moveOut(QStringLiteral("T.") + ext, dat);
            break;
        case Work::Convert: {
            writeStudy(QStringLiteral("T"), testsupport::defaultOptions(), {});
            QFile::remove(this->dat(QStringLiteral("T.DB")));
            std::vector<engine::Row> rows;
            for (int n = 1; n <= 40; ++n) {
                engine::Row r(testsupport::cardFields().size());
                r[0] = engine::Value::ofInteger(n % 4);
                r[2] = engine::Value::ofInteger(n);
                r[4] = engine::Value::ofBytes("pregunta " + std::to_string(n));
                r[6] = engine::Value::ofBytes(std::string(3000 + n, char('a' + n % 26)));
                r[12] = engine::Value::ofBytes("20261205");
                r[15] = engine::Value::ofBytes("N");
                rows.push_back(r);
            }
            testsupport::writeVersion1Table(testsupport::fileName(this->dat(QStringLiteral("T.DB"))),
                                            testsupport::cardFields(), testsupport::cardIndexes(), rows, 100);
            for (const char *ext : {"DB", "STU"})
                moveOut(QStringLiteral("T.") + ext, dat);
            break;
        }
        }
    }

    // Overwrites a leaf page of one of the table file's tables with bytes SQLite cannot read.
    static void damagePageOf(const QString &table, const char *name)
    {
        sqlite3 *db = nullptr;
        engine::sqlite().open(testsupport::fileName(table).c_str(), &db);
        sqlite3_stmt *q = nullptr;
        engine::sqlite().prepare_v2(db, "SELECT pageno FROM dbstat WHERE name = ? AND pagetype = 'leaf'", -1, &q, nullptr);
        engine::sqlite().bind_text(q, 1, name, -1, SQLITE_STATIC);
        const qint64 page = engine::sqlite().step(q) == SQLITE_ROW ? engine::sqlite().column_int64(q, 0) : 0;
        engine::sqlite().finalize(q);
        const qint64 size = [&] {
            sqlite3_stmt *p = nullptr;
            engine::sqlite().prepare_v2(db, "PRAGMA page_size", -1, &p, nullptr);
            const qint64 n = engine::sqlite().step(p) == SQLITE_ROW ? engine::sqlite().column_int64(p, 0) : 0;
            engine::sqlite().finalize(p);
            return n;
        }();
        engine::sqlite().close(db);
        ASSERT_GT(page, 1);
        QFile f(table);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek((page - 1) * size);
        f.write(QByteArray(size, char(0xA5)));
        f.close();
        ASSERT_FALSE(intact(table));
    }

    // A change of every card's level that a writer killed before its commit left: part of it
    // already in the table file, the journal that undoes it beside it.
    static void leaveHotJournal(const QString &table)
    {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            sqlite3 *db = nullptr;
            engine::sqlite().open(testsupport::fileName(table).c_str(), &db);
            engine::sqlite().exec(db, "PRAGMA cache_size = 10; BEGIN; UPDATE data SET Nive_Fich = 9; "
                             "UPDATE data SET Preg_Text = Preg_Text || ' cambiada';",
                         nullptr, nullptr, nullptr);
            raise(SIGKILL);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(testsupport::childEnded(status, false));
        ASSERT_TRUE(QFileInfo(table + QStringLiteral("-journal")).size() > 0);
        // Without its journal the table would show the change never committed.
        const QString alone = table + QStringLiteral(".solo");
        QFile::copy(table, alone);
        sqlite3 *db = nullptr;
        engine::sqlite().open(testsupport::fileName(alone).c_str(), &db);
        int changed = 0;
        engine::sqlite().exec(
            db, "SELECT count(*) FROM data WHERE Nive_Fich = 9",
            [](void *out, int, char **values, char **) {
                *static_cast<int *>(out) = atoi(values[0]);
                return 0;
            },
            &changed, nullptr);
        engine::sqlite().close(db);
        QFile::remove(alone);
        ASSERT_GT(changed, 0);
    }

    // Runs the work in a child from a copy of the template; killed at the given call (0: not
    // at all). Returns the child's program folder, and the calls it counted when not killed.
    // renameTo: killed at the rename to a path that ends so instead.
    QString runChild(const Scenario &s, long killAt, bool after, long *calls, testsupport::TempDir &root,
                     const char *renameTo = nullptr)
    {
        const std::string report = root.file("informe.txt");
        const int status = [&] {
            const pid_t pid = fork();
            if (pid == 0) {
                setenv("ORV_TEST_TEMP_ROOT", root.path().c_str(), 1);
                setenv("LD_PRELOAD", ORV_FAULT_POINTS_LIB, 1);
                setenv("ORV_KILL_FROM", templateFolder().toLocal8Bit().constData(), 1);
                setenv("ORV_KILL_WORK", s.name, 1);
                setenv("ORV_KILL_AT", std::to_string(killAt).c_str(), 1);
                setenv("ORV_KILL_AFTER", after ? "1" : "0", 1);
                setenv("ORV_KILL_RENAME_TO", renameTo ? renameTo : "", 1);
                setenv("ORV_KILL_REPORT", report.c_str(), 1);
                execl("/proc/self/exe", "/proc/self/exe", "--gtest_filter=ReplaceKillChild.DISABLED_Work",
                      "--gtest_also_run_disabled_tests", static_cast<char *>(nullptr));
                _exit(127);
            }
            int st = 0;
            waitpid(pid, &st, 0);
            return st;
        }();
        std::ifstream in(report);
        std::string folder;
        std::getline(in, folder);
        long counted = -1;
        in >> counted;
        std::string said;
        std::getline(in, said);
        std::getline(in, said);
        EXPECT_TRUE(testsupport::childEnded(status, killAt == 0 && !renameTo))
            << "at " << killAt << (after ? " after" : " before") << ": " << said;
        if (calls)
            *calls = counted;
        return QString::fromStdString(folder);
    }

    // The folder as the program leaves it once it has opened the study file there again, and
    // then the others (and closed them), with every table's integrity checked.
    FolderState reopened(const QString &program, const QString &file)
    {
        const QString dat = program + QStringLiteral("/dat");
        openStudy(dat + QLatin1Char('/') + file + QStringLiteral(".DB"));
        const bool opened = Panta_Inicio_->FE_Abierto == 1;
        Panta_Inicio_->Cierra_Fichero();
        for (const QString &other : QDir(dat).entryList({QStringLiteral("*.DB")}, QDir::Files))
            if (other != file + QStringLiteral(".DB") && !other.contains(QStringLiteral(" (dañado "))) {
                openStudy(dat + QLatin1Char('/') + other);
                EXPECT_EQ(Panta_Inicio_->FE_Abierto, 1) << other.toStdString();
                Panta_Inicio_->Cierra_Fichero();
            }
        clearMessages();
        FolderState s = stateOf(dat);
        // (A table whose damage the opening does not meet is among the files, by its bytes.)
        EXPECT_EQ(opened, s.tables.count(file + QStringLiteral(".DB")) + s.files.count(file + QStringLiteral(".DB")) == 1)
            << describe(s);
        return s;
    }
};

class ReplaceKillTest : public ReplaceKillBase, public ::testing::WithParamInterface<Scenario> {};

TEST_P(ReplaceKillTest, AKillAtAnyFileOperationLeavesTheOldStudyFileOrTheNewOneWhole)
{
    const Scenario &s = GetParam();
    prepare(s.work);
    ASSERT_FALSE(HasFailure());

    // The old state (of a copy: opening rolls a journal back), and the new one and the number
    // of calls of a run that is not killed. A repair and a conversion keep every card.
    copyFolder(templateFolder(), programPath(QStringLiteral("antes")));
    const FolderState before = reopened(programPath(QStringLiteral("antes")), s.file);
    testsupport::TempDir fullRoot;
    long calls = 0;
    const QString done = runChild(s, 0, false, &calls, fullRoot);
    if (s.work == Work::Convert) {
        EXPECT_EQ(testsupport::formatVersionOfFile(testsupport::fileName(templateFolder() + "/dat/T.DB")), 1);
        EXPECT_EQ(testsupport::formatVersionOfFile(testsupport::fileName(done + "/dat/T.DB")), engine::kFormatVersion);
    }
    const FolderState after = reopened(done, s.file);
    ASSERT_GT(calls, 0);
    const bool replaces = s.work != Work::Repair && s.work != Work::Convert;
    ASSERT_EQ(before == after, !replaces) << describe(before) << " / " << describe(after);
    EXPECT_TRUE(after.hidden.isEmpty()) << describe(after);
    // The repair of a damaged table keeps the damaged file under a name of its own before the
    // repaired one takes its place: a kill between the two leaves the old file and that copy.
    FolderState kept = before;
    if (s.work == Work::RepairDamaged) {
        ASSERT_EQ(after.tables.size(), 1u) << describe(after);
        ASSERT_EQ(after.files.size(), 2u) << describe(after);
        for (const auto &[name, bytes] : after.files)
            if (name.contains(QStringLiteral(" (dañado "))) {
                EXPECT_EQ(bytes, before.files.at(QStringLiteral("T.DB")));
                kept.files[name] = bytes;
            }
        ASSERT_EQ(kept.files.size(), 3u) << describe(after);
    }

    const long points = 2 * calls;
    const long tried = std::min<long>(points, Points_Per_Work);
    std::set<long> seen;
    int old = 0, whole = 0, copyOnly = 0;
    for (long i = 0; i < tried; ++i) {
        const long point = tried > 1 ? i * (points - 1) / (tried - 1) : 0;
        if (!seen.insert(point).second)
            continue;
        const long at = point / 2 + 1;
        const bool afterCall = point % 2 == 1;
        SCOPED_TRACE(testing::Message() << "killed " << (afterCall ? "after" : "before") << " call " << at << " of "
                                        << calls);
        testsupport::TempDir root;
        const QString program = runChild(s, at, afterCall, nullptr, root);
        ASSERT_FALSE(program.isEmpty());
        const FolderState got = reopened(program, s.file);
        EXPECT_TRUE(got == before || got == after || (s.work == Work::RepairDamaged && got == kept)) << describe(got);
        old += got == before ? 1 : 0;
        copyOnly += s.work == Work::RepairDamaged && got == kept ? 1 : 0;
        whole += got == after ? 1 : 0;
        EXPECT_TRUE(got.hidden.isEmpty()) << describe(got);
    }
    // Both ends are met: killed before the first call, and after the last.
    EXPECT_GT(old, 0);
    if (replaces) {
        EXPECT_GT(whole, 0);
    }
    // The damaged file is kept before the repaired one takes its place.
    if (s.work == Work::RepairDamaged) {
        EXPECT_GT(copyOnly, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Works, ReplaceKillTest, ::testing::ValuesIn(Scenarios),
                         [](const testing::TestParamInfo<Scenario> &info) { return std::string(info.param.name); });

// A replacement killed half way (its plan written, some of its renames done), then an entry
// that reads, writes or deletes a study file of that folder, run in this program on a copy of
// the folder the killed one left: the entry finds the old study file or the new one whole,
// never the mixture, and leaves no work file.
namespace {
enum class Then { Create, Delete, Pack, Import, OpenOther, Start, ReusedProcessNumber };

struct KillThen {
    const char *name;
    Work work;
    const char *renameTo; // killed at the rename to the path that ends so,
    bool after;           // after it, else before
    Then then;
};

const KillThen KillThens[] = {
    // The new file's picture in place, its settings and table not yet.
    {"ExportThenCreateTheSameName", Work::Export, "/Nuevo.STU", false, Then::Create},
    // The new table in place, the old settings and picture still there.
    {"UnpackThenDelete", Work::Unpack, "/T.DB", true, Then::Delete},
    {"UnpackThenPack", Work::Unpack, "/T.DB", true, Then::Pack},
    // The plan written, nothing renamed yet: the old table (300 cards) still in place.
    {"UnpackThenImport", Work::Unpack, "/T.DB", false, Then::Import},
    {"UnpackThenOpenAnother", Work::Unpack, "/T.STU", false, Then::OpenOther},
    {"UnpackThenStart", Work::Unpack, "/T.DB", true, Then::Start},
    // The plan's process number taken again by a process at work.
    {"UnpackThenReusedProcessNumber", Work::Unpack, "/T.DB", true, Then::ReusedProcessNumber},
};

void PrintTo(const KillThen &k, std::ostream *out)
{
    *out << k.name;
}
} // namespace

class ReplaceKillThenTest : public ReplaceKillBase, public ::testing::WithParamInterface<KillThen> {
protected:
    static const Scenario &scenarioOf(Work work)
    {
        return *std::find_if(std::begin(Scenarios), std::end(Scenarios), [&](const Scenario &s) { return s.work == work; });
    }

    // The study files in this program's "dat" folder as the program finds them: each table's
    // records, every other file's bytes, and the names of work files.
    FolderState datState() { return stateOf(programPath(QStringLiteral("dat"))); }

    // Gives every work file of process `from` in the folder, and the names its plan holds, the
    // process number `to`.
    static void renumberWork(const QString &folder, qint64 from, qint64 to)
    {
        const QString a = QStringLiteral("-%1.").arg(from), b = QStringLiteral("-%1.").arg(to);
        for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
            if (!name.startsWith(QLatin1Char('.')) || !name.contains(a))
                continue;
            const QString path = folder + QLatin1Char('/') + name;
            if (name.endsWith(QLatin1String(".plan"))) {
                const QByteArray plan = platform::readWholeFile(path)->replace(a.toUtf8(), b.toUtf8());
                testsupport::writeBytes(path, plan);
            }
            ASSERT_TRUE(QFile::rename(path, folder + QLatin1Char('/') + QString(name).replace(a, b)));
        }
    }
};

TEST_P(ReplaceKillThenTest, TheNextEntryFindsTheOldStudyFileOrTheNewOneWhole)
{
    const KillThen &k = GetParam();
    const Scenario &s = scenarioOf(k.work);
    prepare(s.work);
    ASSERT_FALSE(HasFailure());

    // The folder a run that is not killed leaves, once opened.
    testsupport::TempDir fullRoot;
    const FolderState after = reopened(runChild(s, 0, false, nullptr, fullRoot), s.file);
    ASSERT_TRUE(after.hidden.isEmpty()) << describe(after);

    // Killed half way: the plan is there, the new file set not yet whole.
    testsupport::TempDir root;
    const QString killed = runChild(s, 0, k.after, nullptr, root, k.renameTo);
    ASSERT_FALSE(killed.isEmpty());
    const QString dat = programPath(QStringLiteral("dat"));
    for (const QString &name : QDir(dat).entryList(QDir::Files | QDir::Hidden))
        QFile::remove(dat + QLatin1Char('/') + name);
    copyFolder(killed + QStringLiteral("/dat"), dat);
    ASSERT_FALSE(datState().hidden.filter(QStringLiteral(".plan")).isEmpty()) << describe(datState());
    clearMessages();

    switch (k.then) {
    case Then::Create: {
        // The export took the name: it is refused.
        platform::onNextShow("Crea_Fiche_", [](QWidget *) {
            Crea_Fiche_->Edit1->setText(QStringLiteral("Nuevo"));
            Crea_Fiche_->Button1->click();
            Crea_Fiche_->Button2->click();
        });
        pressKey('8');
        ASSERT_EQ(messages().size(), 1);
        EXPECT_TRUE(messages()[0].contains(QStringLiteral("Ya existe un Fichero con ese nombre."))) << messages()[0].toStdString();
        EXPECT_EQ(reopened(programFolder(), s.file), after);
        break;
    }
    case Then::Delete: {
        // Deleted, it stays deleted once another file of the folder is opened.
        writeStudy(QStringLiteral("Otro"), everyPart(), sampleCards(3, false));
        platform::FileDialog::queueFileName(this->dat(QStringLiteral("T.DB")));
        platform::queueDialogAnswer(platform::DialogAnswer::Ok);
        pressKey('G');
        const FolderState got = reopened(programFolder(), s.file);
        QStringList left;
        for (const auto &[name, bytes] : got.files)
            left << name;
        for (const auto &[name, rows] : got.tables)
            left << name;
        EXPECT_EQ(left, QStringList({QStringLiteral("Otro.STU"), QStringLiteral("Otro.DB")})) << describe(got);
        EXPECT_TRUE(got.hidden.isEmpty()) << describe(got);
        break;
    }
    case Then::Pack: {
        // The transport file holds the new study file whole: unpacked elsewhere, it is that one.
        platform::FileDialog::queueFileName(this->dat(QStringLiteral("T.DB")));
        platform::onNextShow("FE_Transporte_", [](QWidget *) { FE_Transporte_->Button4->click(); });
        pressKey('E');
        const QString elsewhere = programPath(QStringLiteral("comprobado"));
        QDir().mkpath(elsewhere + QStringLiteral("/dat"));
        {
            TPackStreams pks3;
            pks3.LoadFromFile(testsupport::fileName(this->dat(QStringLiteral("T.SZP"))));
            QStringList written;
            ASSERT_TRUE(Desempaqueta_Transporte(pks3, elsewhere + QStringLiteral("/dat"), QStringLiteral("T."), written));
        }
        EXPECT_EQ(reopened(elsewhere, s.file), after);
        break;
    }
    case Then::Import: {
        // The cards imported are the new file's, as every later opening shows it.
        writeStudy(QStringLiteral("Destino"), everyPart(), sampleCards(3, false));
        platform::FileDialog::queueFileName(this->dat(QStringLiteral("T.DB")));
        platform::FileDialog::queueFileName(this->dat(QStringLiteral("Destino.DB")));
        platform::onNextShow("Importar_de_FE_", [](QWidget *) {
            Importar_de_FE_->Button4->click();
            Importar_de_FE_->Button5->click();
            Importar_de_FE_->Button1->click();
        });
        pressKey('J');
        EXPECT_EQ(messages(), QStringList{Msg_Fichas_Importadas + QString::number(after.tables.at(QStringLiteral("T.DB")).size())});
        FolderState got = reopened(programFolder(), s.file);
        got.tables.erase(QStringLiteral("Destino.DB"));
        got.files.erase(QStringLiteral("Destino.STU"));
        EXPECT_EQ(got, after);
        break;
    }
    case Then::OpenOther: {
        writeStudy(QStringLiteral("Otro"), everyPart(), sampleCards(3, false));
        openStudy(this->dat(QStringLiteral("Otro.DB")));
        EXPECT_EQ(Panta_Inicio_->FE_Abierto, 1);
        Panta_Inicio_->Cierra_Fichero();
        FolderState got = datState();
        got.tables.erase(QStringLiteral("Otro.DB"));
        got.files.erase(QStringLiteral("Otro.STU"));
        EXPECT_EQ(got, after);
        EXPECT_TRUE(got.hidden.isEmpty()) << describe(got);
        break;
    }
    case Then::Start: {
        // The program started again finds the folder settled before anything is chosen.
        app::destroyWindows();
        app::createWindows();
        const FolderState got = datState();
        EXPECT_EQ(got, after) << describe(got);
        EXPECT_TRUE(got.hidden.isEmpty()) << describe(got);
        break;
    }
    case Then::ReusedProcessNumber: {
        // Another process now has the killed one's number: the plan is abandoned all the same.
        const QString name = datState().hidden.filter(QStringLiteral(".plan")).value(0);
        const qint64 killedProcess = name.section(QLatin1Char('-'), 1).section(QLatin1Char('.'), 0, 0).toLongLong();
        ASSERT_GT(killedProcess, 0) << name.toStdString();
        renumberWork(dat, killedProcess, ::getppid());
        ASSERT_FALSE(HasFailure());
        const FolderState got = reopened(programFolder(), s.file);
        EXPECT_EQ(got, after) << describe(got);
        EXPECT_TRUE(got.hidden.isEmpty()) << describe(got);
        break;
    }
    }
    clearMessages();
}

INSTANTIATE_TEST_SUITE_P(Entries, ReplaceKillThenTest, ::testing::ValuesIn(KillThens),
                         [](const testing::TestParamInfo<KillThen> &info) { return std::string(info.param.name); });

// The child: copies the template into its program folder, makes ready, then does the work
// with the preloaded library armed, and leaves its folder as it is (no clean-up).
class ReplaceKillChild : public ExchangeFixture {};

TEST_F(ReplaceKillChild, DISABLED_Work)
{
    copyFolder(env("ORV_KILL_FROM"), programFolder());
    {
        std::ofstream report(env("ORV_KILL_REPORT").toStdString());
        report << programFolder().toStdString() << "\n";
    }
    const auto arm = reinterpret_cast<void (*)(long, int)>(dlsym(RTLD_DEFAULT, "orv_fault_arm"));
    const auto armRename = reinterpret_cast<void (*)(const char *, int)>(dlsym(RTLD_DEFAULT, "orv_fault_arm_rename"));
    const auto count = reinterpret_cast<long (*)()>(dlsym(RTLD_DEFAULT, "orv_fault_count"));
    ASSERT_TRUE(arm && armRename && count);
    const QString work = env("ORV_KILL_WORK");
    if (work == QLatin1String("Export")) {
        openStudy(dat(QStringLiteral("Fuente.DB")));
        ASSERT_EQ(Panta_Inicio_->FE_Abierto, 1);
    }
    if (const QByteArray renameTo = qgetenv("ORV_KILL_RENAME_TO"); renameTo.isEmpty())
        arm(env("ORV_KILL_AT").toLong(), env("ORV_KILL_AFTER").toInt());
    else
        armRename(renameTo.constData(), env("ORV_KILL_AFTER").toInt());
    if (work == QLatin1String("Export")) {
        Exportar_FE_->activate();
        Exportar_FE_->Edit1->setText(QStringLiteral("Nuevo"));
        Exportar_FE_->MaskEdit2->setText(QStringLiteral("05/12/26"));
        Exportar_FE_->Button3Click();
    } else if (work.startsWith(QLatin1String("Unpack"))) {
        platform::queueDialogAnswer(platform::DialogAnswer::Ok);
        platform::FileDialog::queueFileName(programPath(QStringLiteral("fuera/T.SZP")));
        platform::onNextShow("FE_Transporte_", [](QWidget *) { FE_Transporte_->Button5->click(); });
        pressKey('E');
    } else if (work.startsWith(QLatin1String("Repair"))) {
        Sesion_->Ruta_FE = dat(QStringLiteral("T.DB"));
        if (work == QLatin1String("RepairDamaged"))
            Rescata_Tabla(Sesion_->Ruta_FE);
        Repara_Tabla(QString());
    } else {
        openStudy(dat(QStringLiteral("T.DB")));
    }
    const long calls = count();
    {
        std::ofstream report(env("ORV_KILL_REPORT").toStdString(), std::ios::app);
        report << calls << "\n" << messages().join(QLatin1Char('|')).toStdString() << "\n";
    }
    _exit(HasFailure() ? 1 : 0);
}
