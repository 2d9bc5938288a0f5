#pragma once
// The program with a study file of known cards open as the card table, under the base filter,
// for the tests of the selection window and the global modification.
#include "editing/FILTRO_ENV_.h"
#include "editing/Modif_Glob.h"
#include "engine/Table.h"
#include "store/D_Module.h"
#include "store/Sesion.h"
#include "support/EngineTables.h"
#include "support/ProgramFixture.h"

#include <QComboBox>

#include <ostream>
#include <vector>

class SelectionFixture : public ProgramFixture {
protected:
    using Card = testsupport::Card;

    static Card tarjeta(int level, int importance, std::string key, std::string lastReview, int reviews,
                        std::string nextReview = {})
    {
        Card c;
        c.level = level;
        c.importance = importance;
        c.key = std::move(key);
        c.question = "p" + std::to_string(level) + c.key;
        c.lastReview = std::move(lastReview);
        c.nextReview = std::move(nextReview);
        c.reviews = reviews;
        return c;
    }

    // Starts the program and opens a study file holding the cards, as opening does: the card
    // table under the base filter, Filtro_Actual the base, the file using keys and importance.
    void abre(const std::vector<Card> &cards)
    {
        startProgram();
        const std::string carpeta = dat(QString()).toStdString();
        engine::Table t;
        testsupport::openNewCardTable(t, carpeta, "Prueba");
        for (const Card &c : cards)
            ids.push_back(testsupport::addCard(t, c));
        t.close();
        tabla().setDatabaseName(carpeta);
        tabla().setTableName("Prueba.DB");
        tabla().setFilter(Filtro_Base.toStdString());
        tabla().setFiltered(true);
        tabla().open();
        TSesion_ *s = Sesion_;
        s->FE_Abierto = 1;
        s->Filtro_Actual = Filtro_Base;
        s->Con_Clave = 1;
        s->Con_Importancia = 1;
        s->Modificable = 1;
        s->Formato_Fecha = 1;
        s->Fecha_Hoy_Pantalla = QStringLiteral("05/12/26");
    }

    static engine::Table &tabla() { return *D_Module_->Tabla_Activa; }

    // AutoInc of the cards of the view, in order (the cursor ends on the last).
    std::vector<long long> vista() { return testsupport::viewIds(tabla()); }

    // Every card of the file by AutoInc: level, key, importance, next review, count, flag.
    struct Estado {
        int level, importance, reviews;
        std::string key, nextReview, flag;
        bool operator==(const Estado &) const = default;
        friend void PrintTo(const Estado &e, std::ostream *os)
        {
            *os << "{" << e.level << ", " << e.importance << ", " << e.reviews << ", '" << e.key << "', '"
                << e.nextReview << "', '" << e.flag << "'}";
        }
    };
    std::vector<Estado> todas()
    {
        engine::Table t;
        t.setTableName(tabla().filePath());
        t.open();
        std::vector<Estado> out;
        for (t.first(); !t.eof(); t.next())
            out.push_back({t.fieldByName("Nive_Fich").asInteger(), t.fieldByName("Nive_Impo").asInteger(),
                           t.fieldByName("Total_Repa").asInteger(), t.fieldByName("Clav_Fich").asString(),
                           t.fieldByName("Fech_Prox_Repa").asString(), t.fieldByName("Camp_Logi").asString()});
        return out;
    }

    // Picks an item of a combo as the user does (click, then change); -1 leaves nothing chosen
    // with the text given.
    static void elige(QComboBox *c, int index, const QString &text = {})
    {
        if (index < 0) {
            c->setCurrentIndex(-1);
            c->setEditText(text);
            return;
        }
        c->setCurrentIndex(index);
        emit c->activated(index);
    }

    std::vector<long long> ids; // AutoInc of the cards, in the order given
};
