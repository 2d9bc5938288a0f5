#pragma once
// ProgramFixture: the base of every window test.
//
// Each test gets
//   - its own program folder and home folder (temporary, removed afterwards); the process's
//     current folder is the program folder while the test runs, and HOME / XDG_* point into
//     the home folder, so nothing of the user's is touched;
//   - a fixed clock: 5 December 2026, 10:00:00, date separator '/' (change it with
//     platform::clock::setNow / setDateSeparator);
//   - the volume serial 0x1A2B3C4D, so Serie_Disco is "1A2B-3C4D";
//   - the program scripted (platform::setScripted): no window, message box or file dialog is
//     ever shown and nothing blocks. A modal show raises the window's activation, runs the
//     next action queued for it (platform::onNextShow), then closes it;
//   - a preferences file (Orvenda02.stu with the first-run lines) in the program folder when
//     the program starts, unless the test put its own there or starts the program with
//     Preferences::Absent; so the main window's activations read it and show no first-run
//     message.
//
// Typical use:
//
//     class MyWindowTest : public ProgramFixture {};
//
//     TEST_F(MyWindowTest, Something)
//     {
//         putPicture("Image.JPG", 200, 100);      // prepare the program folder first
//         startProgram();                          // creates the windows as main() does
//         Panta_Inicio_->FE_Abierto = 1;
//         platform::onNextShow("Mensaje", [](QWidget *) { /* look at it, click, ... */ });
//         pressKey('2');                           // a key typed to the main window
//         EXPECT_EQ(messages(), QStringList{"..."}); // every text shown by Ver_Mensaje
//         EXPECT_EQ(shownWindows(), ...);          // objectNames of the modal windows shown
//     }
//
// Dialog answers are queued with platform::queueDialogAnswer (warning dialog) and
// platform::FileDialog::queueFileName / queueCancel. At the end of each test the fixture
// fails the test when a dialog went unanswered, a queued answer or modal action was left
// over, or an error report (an exception escaping a handler) was not taken with
// takeErrorReports(). Then it destroys the windows and restores everything it changed.
#include "platform/Label.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the program's windows, hidden, in the program's order (app::createWindows).
    enum class Preferences { Present, Absent };
    void startProgram(Preferences preferences = Preferences::Present);
    bool started() const { return m_started; }

    QString programFolder() const;
    QString homeFolder() const;
    // A path in the program folder.
    QString programPath(const QString &name) const;
    // A path in the program folder's "dat" folder, where study files are kept.
    QString dat(const QString &name) const { return programPath(QStringLiteral("dat/") + name); }
    // Writes a file in the program folder (sub-folders are created).
    void putFile(const QString &name, const QByteArray &bytes);
    // Writes a picture of the given size in the program folder; the format follows the
    // extension (JPG/JPEG or BMP, any case). Returns the path.
    QString putPicture(const QString &name, int width, int height);
    // Copies the program's help pages (data/ayuda) into the program folder.
    void installHelpPages();

    // Texts shown through the message window since the test began (or the last clear).
    QStringList messages() const { return m_messages; }
    void clearMessages() { m_messages.clear(); }
    // objectNames of the windows shown modally.
    QStringList shownWindows() const;
    void clearShownWindows();
    // Error reports raised since the test began; taking them clears them.
    QStringList takeErrorReports();

    // Input to the program's windows.
    void pressKey(QChar key);                // to the main window, as typed
    void pressKey(QWidget *window, QChar key); // to a platform::Form
    static void click(QWidget *widget);      // left button pressed and released in its middle
    static void mouseMove(QWidget *widget);  // the pointer moves over the widget
    // Input as the windowing system brings it, on a window shown on the (offscreen) screen:
    // showActive() shows the window and makes it the active one; realClick() presses the left
    // button over the middle of the widget, which reaches whatever control is on top there.
    static void showActive(QWidget *window);
    static void realClick(QWidget *widget);

private:
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_previousDir;
    QByteArray m_previousHome, m_previousConfig, m_previousData, m_previousCache;
    QStringList m_messages;
    int m_observer = 0;
    bool m_started = false;
};
