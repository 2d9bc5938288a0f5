#include "StartedProgram.h"

#include "store/Mensaje_.h"
#include "app/Panta_Inicio.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"

#include <QFontMetrics>
#include <QScreen>

#include <functional>

class MessageWindowTest : public StartedProgram {
protected:
    static int lineHeight()
    {
        return QFontMetrics(Mensaje->Label1->font()).boundingRect(QRect(0, 0, 1000, 1000), Qt::AlignLeft, "X").height();
    }
    static int advance(const QString &s) { return QFontMetrics(Mensaje->Label1->font()).horizontalAdvance(s); }
};

// Each message resizes the window again and centres it on the desktop.
TEST_F(MessageWindowTest, AThreeLineTextSizesTheWindowToItsLongestLineAndAShortOneToTheHint)
{
    const QString longest = "una línea bastante más larga que la pista de abajo";
    QString shownText;
    platform::onNextShow("Mensaje", [&](QWidget *) { shownText = Mensaje->Label1->caption(); });
    D_Module_->Ver_Mensaje("Primera\r" + longest + "\rTercera");
    EXPECT_EQ(shownText, "Primera\r" + longest + "\rTercera");
    auto *l1 = Mensaje->Label1;
    EXPECT_EQ(l1->pos(), QPoint(27, 16));
    EXPECT_GE(l1->width(), advance(longest));
    EXPECT_LE(l1->width(), advance(longest) + 2); // the last glyph's overhang, if any
    EXPECT_GE(l1->height(), 3 * lineHeight());
    EXPECT_LT(l1->height(), 4 * lineHeight());
    EXPECT_EQ(Mensaje->width(), l1->width() + 54);
    EXPECT_EQ(Mensaje->height(), l1->height() + 110);
    auto *l2 = Mensaje->Label2;
    EXPECT_EQ(l2->x(), Mensaje->width() - l2->width() - 36);
    EXPECT_EQ(l2->y(), Mensaje->height() - l2->height() - 54);
    const QRect screen = Mensaje->screen()->geometry();
    EXPECT_EQ(Mensaje->x(), (screen.width() - Mensaje->width()) / 2);
    EXPECT_EQ(Mensaje->y(), (screen.height() - Mensaje->height()) / 2);

    // A short or empty text gets the hint's width.
    D_Module_->Ver_Mensaje("una línea bastante más larga que la pista de abajo, mucho más larga");
    D_Module_->Ver_Mensaje("Uno\rDos\rTres");
    EXPECT_LT(Mensaje->Label1->width() + 54, Mensaje->Label2->width() + 45);
    EXPECT_EQ(Mensaje->width(), Mensaje->Label2->width() + 45);
    EXPECT_EQ(Mensaje->height(), Mensaje->Label1->height() + 110);
    EXPECT_EQ(Mensaje->Label2->x(), 9);
    D_Module_->Ver_Mensaje("");
    EXPECT_EQ(Mensaje->width(), Mensaje->Label2->width() + 45);
    EXPECT_EQ(Mensaje->Label1->height(), lineHeight());
    EXPECT_EQ(Mensaje->height(), lineHeight() + 110);
}

// A text wider than the desktop (a very long file name) is wrapped, within words if it must,
// and the window stays on the desktop with every character of the text shown.
TEST_F(MessageWindowTest, ATextWiderThanTheDesktopIsWrappedAndTheWindowStaysOnIt)
{
    const QString name = "/datos/" + QString(3000, 'x') + ".DB";
    D_Module_->Ver_Mensaje("No se pudo escribir " + name + "\r\rFin");
    const QRect desk = Mensaje->screen()->availableGeometry();
    EXPECT_LE(Mensaje->width(), desk.width());
    EXPECT_GT(Mensaje->Label1->height(), 10 * lineHeight());
    QString shown = Mensaje->Label1->caption();
    EXPECT_EQ(shown.remove('\r').remove(' '), QString("No se pudo escribir " + name + "Fin").remove(' '));
    EXPECT_TRUE(Mensaje->Label1->caption().endsWith("\r\rFin"));
}

TEST_F(MessageWindowTest, AnyCharacterKeyOrAClickOnTheWindowOrEitherLabelClosesIt)
{
    std::vector<std::function<void(QWidget *)>> ways;
    for (QChar key : {QChar(27), QChar('\r'), QChar('q'), QChar('7'), QChar(' ')})
        ways.push_back([this, key](QWidget *w) { pressKey(w, key); });
    for (QWidget *target : {static_cast<QWidget *>(Mensaje), static_cast<QWidget *>(Mensaje->Label1),
                            static_cast<QWidget *>(Mensaje->Label2)})
        ways.push_back([target](QWidget *) { click(target); });
    int index = 0;
    for (const auto &way : ways) {
        SCOPED_TRACE(index++);
        bool openBefore = false, openAfter = true;
        platform::onNextShow("Mensaje", [&](QWidget *w) {
            openBefore = Mensaje->modalOpen();
            way(w);
            openAfter = Mensaje->modalOpen();
        });
        D_Module_->Ver_Mensaje("Pulse");
        EXPECT_TRUE(openBefore);
        EXPECT_FALSE(openAfter);
    }
}

// Control characters the text brought from a file (a NUL, say) are shown as symbols, so that
// the whole text shows and sizes the window.
TEST_F(MessageWindowTest, ATextWithControlCharactersShowsWhole)
{
    const QString despues = "el motivo, que viene detrás del carácter nulo";
    D_Module_->Ver_Mensaje(QString("Línea 1:\r\r'") + QChar(0) + QChar(27) + despues + "'");
    EXPECT_EQ(Mensaje->Label1->caption(), "Línea 1:\r\r'\u2400\u241B" + despues + "'");
    EXPECT_GE(Mensaje->Label1->width(), advance(despues));
}
