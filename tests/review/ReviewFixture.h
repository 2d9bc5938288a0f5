#pragma once
// The base of the review tests: the program started and activated, a study file written in
// "dat" with the cards given and opened through menu entry 1, and helpers that run a review
// session through the real windows.
#include "support/EngineTables.h"
#include "support/ProgramFixture.h"
#include "support/StudyFiles.h"

#include "app/Panta_Inicio.h"
#include "engine/Table.h"
#include "platform/Clock.h"
#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "review/Repasar.h"
#include "review/Selecc_Repaso.h"
#include "store/D_Module.h"
#include "store/Passw_FE.h"

#include <functional>
#include <map>
#include <vector>

struct CardState {
    int level = 0;
    std::string last, next;
    int reviews = 0;
    bool operator==(const CardState &) const = default;
};
inline std::ostream &operator<<(std::ostream &os, const CardState &c)
{
    return os << "{level " << c.level << ", last '" << c.last << "', next '" << c.next << "', reviews " << c.reviews
              << "}";
}

class ReviewTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        startProgram();
        p = Panta_Inicio_;
        Contrasena_Aceptada = 0;
        Passw_FE_->CheckBox2->setChecked(false);
        p->activate(); // preferences and today's dates
    }

    // The main window's next activation takes the clock's day.
    void setDay(const QDate &day)
    {
        platform::clock::setNow(QDateTime(day, QTime(10, 0)));
        p->activate();
    }

    QString writeStudy(const std::vector<testsupport::Card> &cards, const Opciones_FE &o = testsupport::defaultOptions(),
                       const QString &name = QStringLiteral("Repaso"), const std::string &password = {})
    {
        const QString path = testsupport::writeStudyFile(programPath(QStringLiteral("dat")), name, o, {}, password);
        engine::Table t;
        t.setTableName(testsupport::fileName(path));
        t.open();
        ids.clear();
        for (const testsupport::Card &c : cards)
            ids.push_back(testsupport::addCard(t, c));
        return path;
    }

    void open(const QString &path, const QString &password = {})
    {
        platform::FileDialog::queueFileName(path);
        if (!password.isEmpty())
            platform::onNextShow("Passw_FE_", [password](QWidget *) {
                Passw_FE_->Edit1->setText(password);
                Passw_FE_->BitBtn1->click();
            });
        pressKey('1');
        ASSERT_EQ(p->FE_Abierto, 1) << messages().join("|").toStdString();
        clearMessages();
    }

    QString openStudy(const std::vector<testsupport::Card> &cards, const Opciones_FE &o = testsupport::defaultOptions())
    {
        const QString path = writeStudy(cards, o);
        open(path);
        return path;
    }

    engine::Table &table() { return *D_Module_->Tabla_Activa; }
    std::string filter() { return table().filter(); }
    long long current() { return table().fieldByName("AutoInc").asLargeInt(); }

    // Runs `inside` while the review window is shown (after its first activation).
    static void duringReview(std::function<void(TRepasar_ &)> inside)
    {
        platform::onNextShow("Repasar_", [inside](QWidget *) { inside(*Repasar_); });
    }
    // Runs `inside` in the review selection window, after its activation.
    static void inSelection(std::function<void(TSelecc_Repaso_ &)> inside)
    {
        platform::onNextShow("Selecc_Repaso_", [inside](QWidget *) { inside(*Selecc_Repaso_); });
    }
    // Answers the cards in the order given (true: right), each from its question page.
    static void answer(TRepasar_ &r, const std::vector<bool> &answers)
    {
        for (bool right : answers) {
            r.Button1->click();
            (right ? r.Button6 : r.Button7)->click();
        }
    }

    // The stored state of a card, read from the file by another table object.
    CardState stored(long long id)
    {
        engine::Table t;
        t.setTableName(testsupport::fileName(p->Ruta_FE));
        t.open();
        EXPECT_TRUE(t.gotoBookmark(id)) << id;
        return {t.fieldByName("Nive_Fich").asInteger(), t.fieldByName("Fech_Ulti_Repa").asString(),
                t.fieldByName("Fech_Prox_Repa").asString(), t.fieldByName("Total_Repa").asInteger()};
    }

    TPanta_Inicio_ *p = nullptr;
    std::vector<long long> ids;
};

inline testsupport::Card cardAt(int level, const std::string &next = "20261205", const std::string &last = {},
                                int importance = 0)
{
    testsupport::Card c = testsupport::card(level, importance);
    c.nextReview = next;
    c.lastReview = last;
    c.question = "pregunta " + std::to_string(level);
    return c;
}
