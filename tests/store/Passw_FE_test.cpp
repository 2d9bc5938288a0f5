// The password window: empty at every showing, hiding the text, Enter and Esc.
#include "StartedProgram.h"

#include "platform/ModalShow.h"
#include "store/Passw_FE.h"

#include <QCoreApplication>
#include <QKeyEvent>

class PasswordWindowTest : public StartedProgram {
protected:
    TPassw_FE_ *&w = Passw_FE_;
};

TEST_F(PasswordWindowTest, EveryShowingStartsEmptyAndKeepsTheSaveBox)
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
}

TEST_F(PasswordWindowTest, HidingThePasswordShowsStars)
{
    w->CheckBox1->click();
    EXPECT_EQ(w->Edit1->echoMode(), QLineEdit::Password);
    w->CheckBox1->click();
    EXPECT_EQ(w->Edit1->echoMode(), QLineEdit::Normal);
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
