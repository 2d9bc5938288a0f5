#include "support/ProgramFixture.h"

#include "support/EngineTables.h"

#include "app/Panta_Inicio.h"
#include "store/Preferencias.h"
#include "app/Program.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/FileDialog.h"
#include "platform/FontDialog.h"
#include "platform/Files.h"
#include "platform/Form.h"
#include "platform/Help.h"
#include "platform/MessageDialog.h"
#include "platform/ModalShow.h"
#include "platform/Rtf.h"
#include "platform/WebBrowser.h"

#include <QApplication>
#include <QTest>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace {
void setEnv(const char *name, const QByteArray &value, QByteArray *previous)
{
    if (previous)
        *previous = qgetenv(name);
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

// Forgets every scripted answer, action, record and report of the platform's dialogs.
void resetScripting()
{
    platform::resetModalScripting();
    platform::resetDialogScripting();
    platform::FileDialog::resetScripting();
    platform::FontDialog::resetScripting();
    platform::clearOpenedAddresses();
    platform::clearErrorReports();
    platform::resetHelp();
}
} // namespace

void ProgramFixture::SetUp()
{
    m_root = std::make_unique<QTemporaryDir>(QString::fromStdString((testsupport::tempRoot() / "orv-test-XXXXXX").string()));
    ASSERT_TRUE(m_root->isValid());
    QDir(m_root->path()).mkpath(QStringLiteral("program/dat"));
    QDir(m_root->path()).mkpath(QStringLiteral("home/.config"));
    QDir(m_root->path()).mkpath(QStringLiteral("home/.local/share"));
    QDir(m_root->path()).mkpath(QStringLiteral("home/.cache"));

    const QByteArray home = QFile::encodeName(homeFolder());
    setEnv("HOME", home, &m_previousHome);
    setEnv("XDG_CONFIG_HOME", home + "/.config", &m_previousConfig);
    setEnv("XDG_DATA_HOME", home + "/.local/share", &m_previousData);
    setEnv("XDG_CACHE_HOME", home + "/.cache", &m_previousCache);
    m_previousDir = QDir::currentPath();
    QDir::setCurrent(programFolder());

    platform::setProgramFolder(programFolder());
    platform::clock::setNow(QDateTime(QDate(2026, 12, 5), QTime(10, 0, 0)));
    platform::clock::setDateSeparator(QLatin1Char('/'));
    platform::setVolumeSerialForTesting(0x1A2B3C4Du);

    platform::setScripted(true);
    resetScripting();
    qApp->setQuitOnLastWindowClosed(false);

    m_observer = platform::addModalObserver([this](QWidget *, const QString &name) {
        if (name == QLatin1String("Mensaje"))
            m_messages << (Panta_Inicio_ ? Panta_Inicio_->Texto_Mensaje : QString());
    });
}

void ProgramFixture::TearDown()
{
    EXPECT_EQ(platform::unansweredDialogs(), 0) << "a message dialog was shown with no answer queued";
    EXPECT_EQ(platform::pendingDialogAnswers(), 0) << "queued dialog answers were not used";
    EXPECT_EQ(platform::FileDialog::unanswered(), 0) << "a file dialog was shown with no answer queued";
    EXPECT_EQ(platform::FileDialog::pendingAnswers(), 0) << "queued file names were not used";
    EXPECT_EQ(platform::FontDialog::unanswered(), 0) << "a font dialog was shown with no answer queued";
    EXPECT_EQ(platform::FontDialog::pendingAnswers(), 0) << "queued fonts were not used";
    EXPECT_EQ(platform::pendingModalActions(), 0) << "queued modal actions were not used";
    EXPECT_TRUE(platform::errorReports().isEmpty())
        << "error reports not taken: " << platform::errorReports().join(QStringLiteral(" | ")).toStdString();

    if (m_started)
        app::destroyWindows();
    m_started = false;
    platform::removeModalObserver(m_observer);
    resetScripting();
    platform::setScripted(false);
    platform::clock::reset();
    platform::clearVolumeSerialForTesting();
    platform::setProgramFolder(QString());

    QDir::setCurrent(m_previousDir);
    setEnv("HOME", m_previousHome, nullptr);
    setEnv("XDG_CONFIG_HOME", m_previousConfig, nullptr);
    setEnv("XDG_DATA_HOME", m_previousData, nullptr);
    setEnv("XDG_CACHE_HOME", m_previousCache, nullptr);
    m_root.reset();
}

void ProgramFixture::startProgram(Preferences preferences)
{
    ASSERT_FALSE(m_started);
    if (preferences == Preferences::Present && !QFileInfo::exists(programPath(Fichero_Preferencias)))
        putFile(Fichero_Preferencias, platform::rtf::fromLines(preferencias::primeraVez()));
    app::prepareApplication();
    app::createWindows();
    m_started = true;
}

QString ProgramFixture::programFolder() const
{
    return m_root->path() + QStringLiteral("/program");
}

QString ProgramFixture::homeFolder() const
{
    return m_root->path() + QStringLiteral("/home");
}

QString ProgramFixture::programPath(const QString &name) const
{
    return programFolder() + QLatin1Char('/') + name;
}

void ProgramFixture::putFile(const QString &name, const QByteArray &bytes)
{
    const QString path = programPath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString ProgramFixture::putPicture(const QString &name, int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(QColor(30, 120, 160));
    QPainter p(&img);
    p.fillRect(0, 0, width / 2, height / 2, QColor(240, 200, 40));
    p.end();
    const QString path = programPath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString suffix = QFileInfo(name).suffix().toLower();
    const char *format = suffix == QLatin1String("bmp") ? "BMP" : "JPG";
    EXPECT_TRUE(img.save(path, format));
    return path;
}

void ProgramFixture::installHelpPages()
{
    const QString source = QStringLiteral(ORV_SOURCE_DIR "/data/ayuda");
    const QString target = programPath(QStringLiteral("ayuda"));
    QDir().mkpath(target);
    QDirIterator it(source, QDir::Files);
    while (it.hasNext()) {
        it.next();
        QFile::copy(it.filePath(), target + QLatin1Char('/') + it.fileName());
    }
}

QStringList ProgramFixture::shownWindows() const
{
    return platform::shownWindows();
}

void ProgramFixture::clearShownWindows()
{
    platform::clearShownWindows();
}

QStringList ProgramFixture::takeErrorReports()
{
    const QStringList r = platform::errorReports();
    platform::clearErrorReports();
    return r;
}

void ProgramFixture::pressKey(QChar key)
{
    pressKey(Panta_Inicio_, key);
}

void ProgramFixture::pressKey(QWidget *window, QChar key)
{
    auto *form = qobject_cast<platform::Form *>(window);
    ASSERT_NE(form, nullptr);
    form->typeCharacter(key);
}

void ProgramFixture::click(QWidget *widget)
{
    const QPointF local(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

void ProgramFixture::showActive(QWidget *window)
{
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
}

void ProgramFixture::realClick(QWidget *widget)
{
    QWidget *window = widget->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                      window->mapFromGlobal(widget->mapToGlobal(widget->rect().center())));
}

void ProgramFixture::mouseMove(QWidget *widget)
{
    const QPointF local(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(local);
    QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}
