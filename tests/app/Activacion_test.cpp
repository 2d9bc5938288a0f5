// The main window's activation: the skip flag, the caption, the preferences file (first run,
// reading rich and plain text, unreadable, unwritable and malformed files) and today's dates.
#include "support/ProgramFixture.h"

#include "app/Panta_Inicio.h"
#include "store/Preferencias.h"
#include "platform/Clock.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"
#include "engine/Table.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString FirstRunMessage = QString::fromUtf8(
    " Se ha creado un nuevo archivo con las preferencias del programa. \r\r"
    " Siempre ver\xC3\xA1 este mensaje si usa el programa por primera vez. \r\r"
    " Si ya lo hab\xC3\xAD" "a usado antes, recuerde que perder\xC3\xA1 la configuraci\xC3\xB3n anterior. ");

constexpr int Minute = 60000;

QByteArray crlf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &l : lines)
        out += l.toUtf8() + "\r\n";
    return out;
}
} // namespace

class ActivationTest : public ProgramFixture {
protected:
    QString prefsPath() const { return programPath("Orvenda02.stu"); }
    QByteArray prefsBytes() const
    {
        QFile f(prefsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void activate() { Panta_Inicio_->activate(); }

    // What the activation applied of the preferences, in one line: date order, language, review
    // by time, intervals; reminder, periodic, breaks, break and blink timers in minutes (and
    // whether the blink is on); level 0 flag, minimum and quantity; the same-day permission.
    static std::string applied()
    {
        auto *p = Panta_Inicio_;
        auto list = [](const auto &values) {
            QStringList out;
            for (int v : values)
                out << QString::number(v);
            return out.join(',');
        };
        return QStringLiteral("%1 %2 %3 [%4] %5 %6 [%7] %8/%9%10 %11 %12 %13 %14")
            .arg(p->Formato_Fecha).arg(p->Idioma).arg(p->Repaso_Por_Tiempo).arg(list(p->Dias_Repaso))
            .arg(p->Avisar_Descansos).arg(p->Descansos_Periodicos).arg(list(p->Descansos))
            .arg(double(p->Timer_Descanso->interval()) / Minute).arg(double(p->Timer_Parpadeo->interval()) / Minute)
            .arg(p->Timer_Parpadeo->enabled() ? "" : " off")
            .arg(p->Pasar_Nivel_0_a_1).arg(p->Min_Fichas_Nivel_1).arg(p->Fichas_A_Pasar)
            .arg(p->Mismo_Dia_Permitido() ? "same day" : "once a day")
            .toStdString();
    }
    static void expectFirstRunValues()
    {
        EXPECT_EQ(applied(), "1 ESP 1 [0,0,1,7,21,45,90,120,150,180] 1 1 [30,35,30,30,25,25,20] 35/5 1 20 10 same day");
    }
};

// ---- First run ----

TEST_F(ActivationTest, FirstRunWritesTheFourLinesAsRichTextAndShowsTheMessageOnce)
{
    startProgram(Preferences::Absent);
    activate();

    ASSERT_TRUE(QFileInfo::exists(prefsPath()));
    const QByteArray bytes = prefsBytes();
    EXPECT_TRUE(bytes.startsWith("{\\rtf1"));
    EXPECT_EQ(platform::rtf::toLines(bytes), preferencias::primeraVez());
    EXPECT_EQ(QString::fromLatin1(bytes).count(QRegularExpression("\\\\par(?![a-z])")), 4); // a paragraph a line
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](char c) { return (unsigned char)c < 0x80; }));
    EXPECT_EQ(bytes, Panta_Inicio_->RichEdit2->saveToBytes());
    EXPECT_EQ(QDir(programFolder()).entryList(QDir::Files), QStringList{"Orvenda02.stu"}); // no temporary left

    EXPECT_EQ(messages(), QStringList{FirstRunMessage});
    // Closing the message reactivated the window, which read the new file.
    expectFirstRunValues();
    EXPECT_EQ(Panta_Inicio_->Leer_Preferencias, 0);

    activate();
    activate();
    EXPECT_EQ(messages().size(), 1);
    EXPECT_TRUE(takeErrorReports().isEmpty());
}

TEST_F(ActivationTest, TheFirstRunAloneSetsOnlyItsOwnFieldsAndTheBlinkTimer)
{
    startProgram(Preferences::Absent);
    auto *p = Panta_Inicio_;
    p->Descansos_Periodicos = 7; // a value the file never gives, to see it is left alone
    p->setActivateAfterMessages(false); // no reactivation after the message
    activate();
    EXPECT_EQ(messages().size(), 1);
    EXPECT_EQ(p->Leer_Preferencias, 1);
    EXPECT_EQ(p->Descansos, (std::array<int, 7>{30, 35, 30, 30, 25, 25, 20}));
    EXPECT_EQ(p->Descansos_Periodicos, 7);
    EXPECT_EQ(p->Timer_Descanso->interval(), 900000);
    EXPECT_EQ(p->Timer_Parpadeo->interval(), 300000);
    EXPECT_TRUE(p->Timer_Parpadeo->isActive());
    // The next activation reads the file and sets the rest.
    activate();
    expectFirstRunValues();
    EXPECT_EQ(messages().size(), 1);
}

// ---- Reading ----

TEST_F(ActivationTest, ReadsRichTextAndPlainTextAlike)
{
    const QStringList lines{"mmddaa__ING_N_101-102-103-104-105-106-107-108-109-",
                            "NO_NOPER_010-011-012-013-014-015-016-Parpad_NO_09__", "NO__001__002__",
                            QString::fromUtf8("NO    [Permitir repasar las fichas varias veces el mismo d\xC3\xAD" "a]")};
    // The rich edit's own form, one with a large picture before the lines, and plain text
    // followed by a megabyte of line ends, which are dropped. (The other forms a reader meets:
    // rtf_lines_test and TextFile_test.)
    QByteArray withPicture = "{\\rtf1\\ansi{\\pict\\pngblip " + QByteArray(3 << 20, 'a') + "}";
    for (const QString &l : lines)
        withPicture += QByteArray(l.toLatin1()).replace("\xED", "\\'ed") + "\\par ";
    withPicture += "}";
    const QByteArray forms[] = {platform::rtf::fromLines(lines), withPicture, crlf(lines) + QByteArray(1 << 20, '\n')};
    int index = 0;
    for (const QByteArray &bytes : forms) {
        SCOPED_TRACE(index++);
        putFile("Orvenda02.stu", bytes);
        if (!started())
            startProgram();
        Panta_Inicio_->Leer_Preferencias = 1;
        activate();
        auto *p = Panta_Inicio_;
        EXPECT_EQ(p->RichEdit2->lines(), lines);
        EXPECT_EQ(applied(),
                  "0 ING 0 [0,101,102,103,104,105,106,107,108,109] 0 0 [10,11,12,13,14,15,16] 11/9 off 0 1 2 once a day");
        EXPECT_EQ(p->Leer_Preferencias, 0);
    }
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(ActivationTest, TheFileIsReadOnlyWhenAskedAndLinesThreeAndFourApplyAtEveryActivation)
{
    startProgram();
    activate();
    EXPECT_EQ(Panta_Inicio_->Leer_Preferencias, 0);
    // A hand edit while the program runs is not read...
    putFile("Orvenda02.stu", crlf({"mmddaa__ESP_S_000-001-007-021-045-090-120-150-180-",
                                   "SI_SIPER_030-040-030-030-025-025-020-Parpad_SI_05__", "SI__020__010__", "NO"}));
    activate();
    EXPECT_EQ(Panta_Inicio_->Formato_Fecha, 1);
    EXPECT_EQ(Panta_Inicio_->Timer_Descanso->interval(), 35 * Minute);
    // ...but lines 3 and 4 in memory are applied again at every activation.
    Panta_Inicio_->RichEdit2->setLine(2, "NO__005__006__");
    Panta_Inicio_->RichEdit2->setLine(3, "NO");
    activate();
    EXPECT_EQ(Panta_Inicio_->Pasar_Nivel_0_a_1, 0);
    EXPECT_EQ(Panta_Inicio_->Min_Fichas_Nivel_1, 5);
    EXPECT_FALSE(Panta_Inicio_->Mismo_Dia_Permitido());
    // Asking for a reading (as the options window does) reads the file at the next one.
    Panta_Inicio_->Leer_Preferencias = 1;
    activate();
    EXPECT_EQ(Panta_Inicio_->Formato_Fecha, 0);
    EXPECT_EQ(Panta_Inicio_->Timer_Descanso->interval(), 40 * Minute);
    EXPECT_EQ(Panta_Inicio_->Leer_Preferencias, 0);
    EXPECT_TRUE(messages().isEmpty());
}

// Reading keeps a switched-off break timer off; zero minutes leave a timer enabled that never
// fires.
TEST_F(ActivationTest, ReadingKeepsTheBreakTimerOffAndZeroMinutesNeverFire)
{
    putFile("Orvenda02.stu", crlf({"ddmmaa__ESP_S_000-001-007-021-045-090-120-150-180-",
                                   "SI_SIPER_030-000-030-030-025-025-020-Parpad_SI_00__", "SI__020__010__", "No"}));
    startProgram();
    auto *p = Panta_Inicio_;
    p->Timer_Parpadeo->setEnabled(false);
    p->Timer_Descanso->setEnabled(false); // the defined breaks were used up: it stays off
    activate();
    EXPECT_FALSE(p->Timer_Descanso->enabled());
    p->Timer_Descanso->setEnabled(true);
    p->Leer_Preferencias = 1;
    activate();
    EXPECT_EQ(p->Timer_Parpadeo->interval(), 0);
    EXPECT_TRUE(p->Timer_Parpadeo->enabled());
    EXPECT_FALSE(p->Timer_Parpadeo->isActive());
    EXPECT_EQ(p->Timer_Descanso->interval(), 0);
    EXPECT_TRUE(p->Timer_Descanso->enabled());
    EXPECT_FALSE(p->Timer_Descanso->isActive());
}

// ---- Files that cannot be read, written or understood ----

// A file that is gone (deleted while the program runs), is no regular file, or may not be read
// is replaced by the first-run file, with its message.
TEST_F(ActivationTest, AFileThatIsGoneOrCannotBeReadIsReplacedByTheFirstRunFile)
{
    const struct {
        const char *what;
        bool askToRead; // as the options window does; a deleted file is seen without it
        std::function<void(const QString &)> spoil;
    } cases[] = {
        {"deleted", false, [](const QString &path) { QFile::remove(path); }},
        {"a named pipe", true, [](const QString &path) {
             QFile::remove(path);
             ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
         }},
        {"no read permission", true, [](const QString &path) { QFile(path).setPermissions(QFileDevice::WriteOwner); }},
    };
    putFile("Orvenda02.stu", crlf({"mmddaa__ING_N_101-102-103-104-105-106-107-108-109-",
                                   "NO_NOPER_010-011-012-013-014-015-016-Parpad_NO_09__", "NO__001__002__", "NO"}));
    startProgram();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (geteuid() == 0 && std::string(c.what) == "no read permission")
            continue; // the superuser reads every file
        Panta_Inicio_->Leer_Preferencias = 1;
        activate();
        EXPECT_EQ(Panta_Inicio_->Formato_Fecha, 0);
        c.spoil(prefsPath());
        clearMessages();
        Panta_Inicio_->Leer_Preferencias = c.askToRead ? 1 : 0;
        activate();
        EXPECT_EQ(messages(), QStringList{FirstRunMessage});
        expectFirstRunValues();
        EXPECT_EQ(platform::rtf::toLines(prefsBytes()), preferencias::primeraVez());
        putFile("Orvenda02.stu", crlf({"mmddaa__ING_N_101-102-103-104-105-106-107-108-109-"}));
    }
}

TEST_F(ActivationTest, AFileThatCannotBeWrittenStopsNothingAndIsReportedOnce)
{
    // A folder in the file's place: it can be neither read nor replaced.
    QDir().mkpath(prefsPath());
    startProgram(Preferences::Absent);
    activate();
    activate();
    EXPECT_EQ(messages(), QStringList{Msg_Preferencias_No_Guardadas});
    expectFirstRunValues();
    EXPECT_EQ(Panta_Inicio_->Fecha_Hoy, "20261205");
    EXPECT_TRUE(QFileInfo(prefsPath()).isDir());
    EXPECT_TRUE(takeErrorReports().isEmpty());
}

namespace {
struct Malformed {
    const char *defect;
    QByteArray bytes;
    int breakMinutes;   // Timer_Descanso's interval in minutes afterwards
    int blinkMinutes;   // Timer_Parpadeo's
    bool blinkOn;
    int secondInterval; // Dias_Repaso[2]
};
} // namespace

// How each line's columns are read is in Preferencias_lines_test; here, whole files that are
// not as the program writes them.
TEST_F(ActivationTest, AMalformedFileNeverStopsTheActivationNorLeavesTheTimersUnset)
{
    const Malformed cases[] = {
        {"empty file", QByteArray(), 35, 5, true, 1},
        {"only blank lines", "\r\n\r\n\r\n\r\n", 35, 5, true, 1},
        {"two lines", crlf({"ddmmaa__ESP_S_000-009-", "SI_SIPER_030-044-030-030-025-025-020-Parpad_NO_07__"}), 44, 7,
         false, 9},
        {"binary noise", QByteArray("\x00\xff\xfe\x01{\\rtf\x00\x80\x81\r\n\x1a", 14), 35, 5, true, 1},
        {"rich text never closed", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard ddmmaa__ESP_S_000-003-\\par SI_SIPER_030-012",
         12, 5, true, 3},
        {"rich text of braces only", "{\\rtf1{{{{{{{{{{}}}", 35, 5, true, 1},
    };
    startProgram();
    for (const Malformed &c : cases) {
        SCOPED_TRACE(c.defect);
        putFile("Orvenda02.stu", c.bytes);
        auto *p = Panta_Inicio_;
        p->Leer_Preferencias = 1;
        p->Fecha_Hoy.clear();
        p->setWindowTitle("x");
        p->Timer_Descanso->setInterval(1);
        p->Timer_Parpadeo->setInterval(1);
        activate();
        EXPECT_EQ(p->Timer_Descanso->interval(), c.breakMinutes * Minute);
        EXPECT_EQ(p->Timer_Parpadeo->interval(), c.blinkMinutes * Minute);
        EXPECT_EQ(p->Timer_Parpadeo->enabled(), c.blinkOn);
        EXPECT_EQ(p->Dias_Repaso[2], c.secondInterval);
        EXPECT_EQ(p->Min_Fichas_Nivel_1, 20);
        // The rest of the activation ran.
        EXPECT_EQ(p->Fecha_Hoy, "20261205");
        EXPECT_EQ(p->windowTitle(), "  Orvenda  vs. 2.0");
        EXPECT_EQ(p->Leer_Preferencias, 0);
        // The lines in memory are four well-formed ones; the file is left as it was.
        EXPECT_TRUE(preferencias::correctas(p->RichEdit2->lines()));
        EXPECT_EQ(prefsBytes(), c.bytes);
    }
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_TRUE(takeErrorReports().isEmpty());
}

// ---- The activation's other steps ----

TEST_F(ActivationTest, ASkippedActivationChangesNothingAndClearsTheFlag)
{
    startProgram(Preferences::Absent);
    auto *p = Panta_Inicio_;
    p->Saltar_Activacion = 1;
    p->setWindowTitle("antes");
    p->Filtro_Antes_Repaso = " (Nive_fich = 3 ) ";
    activate();
    EXPECT_EQ(p->Saltar_Activacion, 0);
    EXPECT_EQ(p->windowTitle(), "antes");
    EXPECT_TRUE(p->Fecha_Hoy.isEmpty());
    EXPECT_TRUE(p->Fecha_Hoy_Pantalla.isEmpty());
    EXPECT_EQ(p->Filtro_Antes_Repaso, " (Nive_fich = 3 ) ");
    EXPECT_FALSE(QFileInfo::exists(prefsPath()));
    EXPECT_TRUE(messages().isEmpty());
    // The next activation runs in full; the saved review filter becomes the card table's
    // filter text only.
    D_Module_->Tabla_Activa->setFiltered(false);
    activate();
    EXPECT_EQ(p->windowTitle(), "  Orvenda  vs. 2.0");
    EXPECT_EQ(p->Fecha_Hoy, "20261205");
    EXPECT_TRUE(p->Filtro_Antes_Repaso.isEmpty());
    EXPECT_EQ(D_Module_->Tabla_Activa->filter(), " (Nive_fich = 3 ) ");
    EXPECT_FALSE(D_Module_->Tabla_Activa->filtered());
    EXPECT_EQ(messages().size(), 1);
}

// Menu entry 9 names the last file from the first activation on (a note written in
// Windows-1252 too), follows the note, and is emptied when the note is gone.
TEST_F(ActivationTest, EntryNineFollowsTheLastFileNote)
{
    putFile("ultimo.txt", "C:/Datos/Ingl\xE9s.db\n");
    startProgram();
    const struct {
        const char *note; // nullptr: no note
        QString entry;
    } steps[] = {
        {"C:/Datos/Ingl\xE9s.db\n", QStringLiteral("9-  Abrir último Fichero abierto:\r        Inglés")},
        {"C:/Datos/Franc\xC3\xA9s.db\r\n", QStringLiteral("9-  Abrir último Fichero abierto:\r        Francés")},
        {nullptr, QString()},
    };
    for (const auto &s : steps) {
        if (s.note)
            putFile("ultimo.txt", s.note);
        else
            QFile::remove(programPath("ultimo.txt"));
        activate();
        EXPECT_EQ(Panta_Inicio_->Label21->caption(), s.entry);
    }
}

TEST_F(ActivationTest, TodaysStringsFollowTheDateOrderAndTheSystemSeparator)
{
    struct Case {
        QDate day;
        const char *order;
        QChar separator;
        const char *display;
        const char *card;
    };
    const Case cases[] = {
        {QDate(2026, 12, 5), "ddmmaa", '-', "05-12-26", "20261205"},
        {QDate(2026, 12, 5), "mmddaa", '.', "12.05.26", "20261205"},
        {QDate(2027, 1, 1), "ddmmaa", '/', "01/01/27", "20270101"},
        {QDate(2030, 10, 31), "mmddaa", '/', "10/31/30", "20301031"},
        {QDate(2100, 3, 9), "ddmmaa", '/', "09/03/00", "21000309"},
    };
    startProgram();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.display);
        putFile("Orvenda02.stu", crlf({QString::fromLatin1(c.order) + "__ESP_S_000-001-007-021-045-090-120-150-180-"}));
        platform::clock::setNow(QDateTime(c.day, QTime(12, 0)));
        platform::clock::setDateSeparator(c.separator);
        Panta_Inicio_->Leer_Preferencias = 1;
        activate();
        EXPECT_EQ(Panta_Inicio_->Fecha_Hoy_Pantalla, c.display);
        EXPECT_EQ(Panta_Inicio_->Fecha_Hoy, c.card);
    }
    // An activation after midnight takes the new day without reading the file again.
    platform::clock::setNow(QDateTime(QDate(2100, 3, 10), QTime(0, 0, 1)));
    activate();
    EXPECT_EQ(Panta_Inicio_->Fecha_Hoy, "21000310");
    EXPECT_EQ(Panta_Inicio_->Fecha_Hoy_Pantalla, "10/03/00");
}

// In a real event loop: a program left open overnight takes the new day when the user comes
// back to it from another program with the main window in front.
TEST_F(ActivationTest, ComingBackToTheProgramPastMidnightTakesTheNewDay)
{
    startProgram();
    showActive(Panta_Inicio_);
    EXPECT_EQ(Panta_Inicio_->Fecha_Hoy, "20261205");
    QWidget otherProgram; // where the focus goes meanwhile
    showActive(&otherProgram);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    platform::clock::setNow(QDateTime(QDate(2026, 12, 6), QTime(7, 30)));
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    showActive(Panta_Inicio_);
    EXPECT_EQ(std::pair(Panta_Inicio_->Fecha_Hoy, Panta_Inicio_->Fecha_Hoy_Pantalla),
              std::pair(QStringLiteral("20261206"), QStringLiteral("06/12/26")));
    Panta_Inicio_->hide();
}
