// The password window: empty at every showing, hiding the text, Enter and Esc, help.
#include "StartedProgram.h"

#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "store/Passw_FE.h"
#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <string>

class PasswordWindowTest : public StartedProgram {
protected:
    TPassw_FE_ *&w = Passw_FE_;
};

TEST_F(PasswordWindowTest, EveryShowingStartsEmptyAndKeepsTheSaveBoxAndHidingShowsStars)
{
    platform::onNextShow("Passw_FE_", [&](QWidget *) {
        w->CheckBox2->setChecked(true);
        w->Edit1->setText("uno");
        w->BitBtn1->click();
    });
    platform::showModal(w);
    EXPECT_EQ(w->Edit1->text(), "uno");
    QString atStart = "x";
    bool saveBox = false;
    platform::onNextShow("Passw_FE_", [&](QWidget *) {
        atStart = w->Edit1->text();
        saveBox = w->CheckBox2->isChecked();
        EXPECT_EQ(w->focusWidget(), w->Edit1);
        w->Button2->click();
    });
    platform::showModal(w);
    EXPECT_EQ(atStart, "");
    EXPECT_TRUE(saveBox);
    // Hiding the password shows a star for each character.
    w->Edit1->setText("clavé");
    w->CheckBox1->click();
    EXPECT_EQ(std::pair(w->Edit1->echoMode(), w->Edit1->displayText()), std::pair(QLineEdit::Password, QString("*****")));
    w->CheckBox1->click();
    EXPECT_EQ(std::pair(w->Edit1->echoMode(), w->Edit1->displayText()), std::pair(QLineEdit::Normal, QString("clavé")));
}

TEST_F(PasswordWindowTest, EnterAcceptsAndEscLeaves)
{
    int result = 0;
    platform::onNextShow("Passw_FE_", [&](QWidget *) {
        w->Edit1->setText("clave");
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QCoreApplication::sendEvent(w->Edit1, &enter);
        result = w->modalResult();
    });
    platform::showModal(w);
    EXPECT_EQ(result, platform::mrOk);
    EXPECT_EQ(Contrasena_Aceptada, 1);

    platform::onNextShow("Passw_FE_", [&](QWidget *) {
        w->Edit1->setText("clave");
        pressKey(w, QChar(27));
        result = w->modalResult();
    });
    platform::showModal(w);
    EXPECT_EQ(result, platform::mrCancel);
    EXPECT_EQ(Contrasena_Aceptada, 0);
    EXPECT_EQ(w->Edit1->text(), "");
}

// In a real event loop: the password typed, F1 opens the help over the window, Esc closes the
// help and Enter accepts what was typed. The window empties its box at every activation, but
// coming back from the help is no activation.
TEST_F(PasswordWindowTest, ThePasswordTypedBeforeHelpIsAcceptedAfterIt)
{
    installHelpPages();
    platform::setScripted(false);
    bool helpShown = false;
    QString afterHelp;
    QTimer::singleShot(0, w, [&] {
        ASSERT_TRUE(testsupport::waitUntil([&] { return w->isActiveWindow(); }));
        for (char c : std::string("clave"))
            QTest::keyClick(w->windowHandle(), c);
        QTest::keyClick(w->windowHandle(), Qt::Key_F1);
        QWidget *viewer = platform::helpViewer();
        ASSERT_NE(viewer, nullptr);
        helpShown = testsupport::waitUntil([&] { return viewer->isActiveWindow(); });
        QTest::keyClick(viewer->windowHandle(), Qt::Key_Escape);
        w->activateWindow(); // the window manager gives the focus back
        ASSERT_TRUE(testsupport::waitUntil([&] { return w->isActiveWindow(); }));
        afterHelp = w->Edit1->text();
        QTest::keyClick(w->windowHandle(), Qt::Key_Return);
    });
    const int result = platform::showModal(w);
    platform::setScripted(true);
    EXPECT_TRUE(helpShown);
    EXPECT_EQ(platform::helpContextRequests(), QList<std::uint32_t>{52});
    EXPECT_EQ(afterHelp, "clave");
    EXPECT_EQ(result, platform::mrOk);
    EXPECT_EQ(Contrasena_Aceptada, 1);
    EXPECT_EQ(w->Edit1->text(), "clave");
}
