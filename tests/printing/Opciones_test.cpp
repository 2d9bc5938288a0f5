// The option checks of the printing window against the study file's design, with their
// cascades over the cards-a-page buttons and the font button.
#include "PrintingFixture.h"

#include <QSignalBlocker>

namespace {
struct Design {
    int answerSize;
    bool questionPicture, answerPicture, longAnswer;
};
} // namespace

class OptionChecksTest : public PrintingFixture {
protected:
    void design(const Design &d)
    {
        openCards(1, {.answerSize = d.answerSize, .questionPicture = d.questionPicture, .answerPicture = d.answerPicture,
                      .longAnswer = d.longAnswer});
    }
    void setAnswerChoiceQuietly(int index)
    {
        const QSignalBlocker quiet(w->Grupo_Resp);
        w->Grupo_Resp->setItemIndex(index);
    }
    QString enabledCardsAPage() const
    {
        QString out;
        for (QRadioButton *b : {w->FichxPag_6, w->FichxPag_8, w->FichxPag_10, w->FichxPag_3, w->FichxPag_4, w->FichxPag_5})
            if (b->isEnabled())
                out += b->text() + QLatin1Char(' ');
        return out.trimmed();
    }
};

TEST_F(OptionChecksTest, ChoicesTheDesignCannotPrintFallBackWithOneMessage)
{
    const Design full{100, true, true, true};
    const Design shortOnly{100, false, false, false};
    const Design longOnly{0, false, false, true};
    const Design pictureOnly{0, false, true, false};
    const Design nothing{0, false, false, false}; // made with "Otro (hasta 255):" 0
    struct Case {
        const char *what;
        Design file;
        int preg, resp; // the choice made (-1: that group is not touched)
        int expectPreg, expectResp, messages;
    } cases[] = {
        {"full design keeps every choice", full, 1, 4, 1, 4, 0},
        {"question picture missing", shortOnly, 2, -1, 0, 0, 1},
        {"answer picture missing, short answer there", shortOnly, -1, 1, 0, 0, 1},
        {"answer picture missing, no short answer", longOnly, -1, 1, 0, 2, 1},
        {"long answer missing, short answer there", shortOnly, -1, 2, 0, 0, 1},
        {"long answer missing, no short answer", pictureOnly, -1, 2, 0, 1, 1},
        {"short answer missing, long answer there", longOnly, -1, 3, 0, 2, 1},
        {"short answer missing, picture there", pictureOnly, -1, 3, 0, 1, 1},
        {"text and picture on a long-answer file", longOnly, -1, 4, 0, 2, 1},
        {"nothing to print settles", nothing, -1, 1, 0, 2, 1},
        {"nothing to print settles from long text", nothing, -1, 4, 0, 2, 1},
    };
    for (const Case &c : cases) {
        design(c.file);
        w->Grupo_Preg->setItemIndex(0);
        w->Grupo_Resp->setItemIndex(c.file.answerSize > 0 ? 0 : c.file.longAnswer ? 2 : 1);
        clearMessages();
        if (c.preg >= 0)
            w->Grupo_Preg->setItemIndex(c.preg);
        if (c.resp >= 0)
            w->Grupo_Resp->setItemIndex(c.resp);
        EXPECT_EQ(w->Grupo_Preg->itemIndex(), c.expectPreg) << c.what;
        EXPECT_EQ(w->Grupo_Resp->itemIndex(), c.expectResp) << c.what;
        EXPECT_EQ(messages(), QStringList(c.messages, Aviso_No_Disponible_en_Diseno)) << c.what;
        D_Module_->Tabla_Activa->close();
    }
}

// Opening the window with "Solo Texto" chosen (as a file with short answers left it) moves it
// to "Solo Texto Largo": silently for a long-answer-only file, with one message for a file with
// no answer content at all.
TEST_F(OptionChecksTest, OpeningTheWindowMovesAnAnswerWithoutShortText)
{
    for (bool longAnswer : {true, false}) {
        design({0, false, false, longAnswer});
        setAnswerChoiceQuietly(0);
        clearMessages();
        w->activate();
        EXPECT_EQ(w->Grupo_Resp->itemIndex(), 2);
        EXPECT_EQ(messages(), QStringList(longAnswer ? 0 : 1, Aviso_No_Disponible_en_Diseno));
        D_Module_->Tabla_Activa->close();
    }
}

TEST_F(OptionChecksTest, CardsAPageFollowTheChoicesAndTheFontButtonTheText)
{
    design({100, true, true, true});
    struct Case {
        int preg, resp, checkedBefore;
        const char *enabled;
        int checkedAfter;
        bool fontButton;
    } cases[] = {
        {0, 0, 10, "6 8 10 3 4 5", 10, true},
        {1, 0, 10, "6 3 4 5", 6, true},  // text and picture on the question side
        {0, 3, 8, "6 3 4 5", 6, true},   // text and picture on the answer side
        {0, 4, 10, "3 4 5", 5, true},    // picture and long text: 10 -> 8 -> 6 -> 5
        {0, 4, 4, "3 4 5", 4, true},
        {2, 1, 6, "6 8 10 3 4 5", 6, false},  // no short text on either side
        {2, 2, 6, "6 8 10 3 4 5", 6, false},
        {2, 4, 6, "3 4 5", 5, false},
        {2, 0, 6, "6 8 10 3 4 5", 6, true},
        {2, 3, 6, "6 3 4 5", 6, true},
    };
    for (const Case &c : cases) {
        w->Grupo_Preg->setItemIndex(0);
        w->Grupo_Resp->setItemIndex(0);
        cardsAPage(c.checkedBefore);
        w->Grupo_Preg->setItemIndex(c.preg);
        w->Grupo_Resp->setItemIndex(c.resp);
        w->Grupo_PregClick();
        EXPECT_EQ(enabledCardsAPage(), QString::fromLatin1(c.enabled)) << c.preg << "/" << c.resp;
        EXPECT_EQ(w->Fichas_por_Pagina(), c.checkedAfter) << c.preg << "/" << c.resp;
        EXPECT_EQ(w->Button4->isEnabled(), c.fontButton) << c.preg << "/" << c.resp;
    }
    EXPECT_TRUE(messages().isEmpty());
}
