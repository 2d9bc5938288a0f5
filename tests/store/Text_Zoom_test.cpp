// The text zoom window in both modes, through the callers' protocol (Zoom_Texto).
#include "support/ProgramFixture.h"

#include "app/Panta_Inicio.h"
#include "platform/ModalShow.h"
#include "platform/Rtf.h"
#include "store/Text_Zoom.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTextCursor>

class TextZoomTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        startProgram();
        caller.setLines({"Primera línea", "Segunda"});
        QTextCursor c(caller.document());
        c.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        c.mergeCharFormat(bold);
        original = caller.saveToBytes();
    }
    // Types into the zoom window's text, at its end.
    static void typeInto(const QString &text)
    {
        QTextCursor c(Text_Zoom_->RichEdit1->document());
        c.movePosition(QTextCursor::End);
        Text_Zoom_->RichEdit1->setTextCursor(c);
        for (QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(Text_Zoom_->RichEdit1, &press);
        }
    }
    static void escInTheText()
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(QChar(27)));
        QCoreApplication::sendEvent(Text_Zoom_->RichEdit1, &press);
    }
    platform::RichEdit caller;
    QByteArray original;
};

TEST_F(TextZoomTest, EditableSavedTextGoesBackToTheCaller)
{
    QByteArray shownText;
    platform::onNextShow("Text_Zoom_", [&](QWidget *) {
        shownText = Text_Zoom_->RichEdit1->saveToBytes();
        typeInto(" y más");
        click(Text_Zoom_->Button2);
    });
    EXPECT_EQ(Zoom_Texto(&caller, 1), 1);
    EXPECT_EQ(Zoom_Guardado, 1);
    EXPECT_EQ(platform::rtf::toLines(shownText), (QStringList{"Primera línea", "Segunda"}));
    // Typed after the last line's paragraph mark: a line of its own.
    EXPECT_EQ(caller.lines(), (QStringList{"Primera línea", "Segunda", " y más"}));
    // The formatting made the round trip.
    EXPECT_TRUE(caller.charFormatAt(0).font().bold());
}

TEST_F(TextZoomTest, LeavingWithoutSavingKeepsTheCallersText)
{
    const std::function<void()> ways[] = {
        [] { click(Text_Zoom_->Button1); },            // " &Salir"
        [] { escInTheText(); },                         // Esc in the text
        [this] { pressKey(Text_Zoom_, QChar(27)); },   // Esc elsewhere: the cancel button
        [] { Text_Zoom_->close(); },                    // the title bar's close box
    };
    int index = 0;
    for (const auto &way : ways) {
        SCOPED_TRACE(index++);
        Zoom_Guardado = 1;
        bool openAfter = true;
        platform::onNextShow("Text_Zoom_", [&](QWidget *) {
            typeInto("cambio");
            way();
            openAfter = Text_Zoom_->modalOpen();
        });
        EXPECT_EQ(Zoom_Texto(&caller, 1), 0);
        EXPECT_FALSE(openAfter);
        EXPECT_EQ(Zoom_Guardado, 0);
        EXPECT_EQ(caller.saveToBytes(), original);
    }
}

TEST_F(TextZoomTest, ReadOnlyShowsNoSaveButtonAndRefusesChangesButAllowsSelecting)
{
    QString textAfterTyping;
    bool saveShown = true;
    Qt::TextInteractionFlags flags;
    platform::onNextShow("Text_Zoom_", [&](QWidget *) {
        saveShown = Text_Zoom_->Button2->isVisibleTo(Text_Zoom_);
        typeInto("cambio");
        textAfterTyping = Text_Zoom_->RichEdit1->toPlainText();
        flags = Text_Zoom_->RichEdit1->textInteractionFlags();
        click(Text_Zoom_->Button2); // hidden: does nothing a user could reach, but even so
        Text_Zoom_->close();
    });
    Zoom_Texto(&caller, 0);
    EXPECT_FALSE(saveShown);
    EXPECT_EQ(textAfterTyping, "Primera línea\nSegunda\n");
    EXPECT_EQ(flags & (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::TextEditable),
              Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    EXPECT_EQ(caller.saveToBytes(), original);

    // A skipped activation leaves the mode as it was; the next editing show is editable again.
    Panta_Inicio_->Saltar_Activacion = 1;
    bool readOnly = false;
    platform::onNextShow("Text_Zoom_", [&](QWidget *) { readOnly = Text_Zoom_->RichEdit1->isReadOnly(); });
    Zoom_Texto(&caller, 1);
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(Panta_Inicio_->Saltar_Activacion, 0);
    platform::onNextShow("Text_Zoom_", [&](QWidget *) { saveShown = Text_Zoom_->Button2->isVisibleTo(Text_Zoom_); });
    Zoom_Texto(&caller, 1);
    EXPECT_TRUE(saveShown);
    EXPECT_FALSE(Text_Zoom_->RichEdit1->isReadOnly());
}
