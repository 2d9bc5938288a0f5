// The selection window: rows that show and hide, refusals, deleting, the card editor's return,
// the pure selection mode and every way of leaving.
#include "selection_fixture.h"

#include "engine/EngineError.h"
#include "platform/MessageDialog.h"
#include "platform/ModalShow.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

const QString Incompleta = QStringLiteral("La condición de selección no está completa");
const QString Cifras = QStringLiteral(
    "Los apartados:\r\r  'Nivel de la Ficha'\r  'Nivel de Importancia'  y\r  'Nº Total de Repasos'\r\r"
    "Sólo admiten cifras (del 0 al 9)\rNo aceptan letras, espacios, comas, ni puntos\r\r"
    "Para no repetir este mensaje: corrija el error\ro borre el texto cuando acepte este mensaje.");
const QString Reiniciar = QStringLiteral("Si hay una condición de selección, activela pulsando SELECCION");

class SelectionWindow : public SelectionFixture {
protected:
    void SetUp() override
    {
        SelectionFixture::SetUp();
        abre({tarjeta(0, 1, "a", "", 0), tarjeta(1, 1, "ab", "", 0), tarjeta(2, 2, "b", "", 0),
              tarjeta(3, 3, "c", "", 0), tarjeta(0, 2, "d", "", 0)});
    }
    TFILTRO_ENV *w() { return FILTRO_ENV; }
    // Row 1: level >= the value.
    void seleccionaNivel(const QString &desde)
    {
        elige(w()->ComboBox1, 0);
        elige(w()->ComboBox2, 2);
        w()->Edit1->setText(desde);
        w()->Button2Click();
    }
};

TEST_F(SelectionWindow, RowsShowAndHideInCascadeAndKeepTheirContents)
{
    w()->CheckBox1->setChecked(true);
    w()->Edit2->setText(QStringLiteral("7"));
    for (QCheckBox *c : {w()->CheckBox2, w()->CheckBox3, w()->CheckBox4, w()->CheckBox5})
        c->setChecked(true);

    w()->CheckBox1->setChecked(false);
    for (QWidget *hidden : std::initializer_list<QWidget *>{w()->Label2, w()->ComboBox3, w()->Edit2, w()->CheckBox2,
                                                            w()->Label8, w()->ComboBox16, w()->Edit6})
        EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
    for (QCheckBox *c : {w()->CheckBox2, w()->CheckBox3, w()->CheckBox4, w()->CheckBox5})
        EXPECT_FALSE(c->isChecked());
    w()->Edit1->setText(QStringLiteral("2"));
    w()->Button2Click(); // row 1 alone
    EXPECT_EQ(Sesion_->Filtro_Actual, QStringLiteral(" ( Nive_Fich=2 ) and  (Nive_fich <> 0 ) "));

    w()->CheckBox1->setChecked(true);
    EXPECT_EQ(w()->Edit2->text(), QStringLiteral("7"));
    EXPECT_FALSE(w()->CheckBox2->isChecked());
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(SelectionWindow, IncompleteRowsAndRefusedTextsLeaveTheRightFilter)
{
    seleccionaNivel(QStringLiteral("2"));
    const QString seleccion = Sesion_->Filtro_Actual;
    ASSERT_EQ(Sesion_->Seleccion_Activa, 1);

    // Row 2 shown with an empty value: back to the base filter, the selection flag unchanged.
    w()->CheckBox1->setChecked(true);
    w()->Edit2->clear();
    w()->Button2Click();
    EXPECT_EQ(messages(), QStringList{Incompleta});
    EXPECT_EQ(QString::fromStdString(tabla().filter()), Filtro_Base);
    EXPECT_EQ(std::tie(Sesion_->Filtro_Actual, Sesion_->Seleccion_Activa, Sesion_->Filtro_Seleccion),
              std::tuple(Filtro_Base, 1, seleccion));
    w()->CheckBox1->setChecked(false);

    // A date row whose mask was emptied is incomplete too.
    clearMessages();
    elige(w()->ComboBox1, 3);
    w()->MaskEdit1->setText(QStringLiteral("  /  /  "));
    w()->Button2Click();
    EXPECT_EQ(messages(), QStringList{Incompleta});

    // A value its numeric field cannot take: told in the window's words, naming the field;
    // the table keeps its filter and its view.
    seleccionaNivel(QStringLiteral("1"));
    const QString antes = Sesion_->Filtro_Actual;
    const auto vistaAntes = vista();
    clearMessages();
    for (const QString &malo : {QStringLiteral(" "), QStringLiteral("1x"), QStringLiteral("1) or (Nive_Fich"),
                                QStringLiteral("hombros")}) {
        w()->Edit1->setText(malo);
        w()->Button2Click();
        EXPECT_EQ(QString::fromStdString(tabla().filter()), antes) << malo.toStdString();
        EXPECT_EQ(Sesion_->Filtro_Actual, antes);
        EXPECT_EQ(vista(), vistaAntes);
    }
    ASSERT_EQ(messages().size(), 4);
    EXPECT_EQ(messages()[3], QStringLiteral("El valor de «Nivel de la Ficha» tiene que ser un número, escrito sólo con "
                                            "cifras (del 0 al 9):\r«hombros» no lo es.\r\rLa selección anterior sigue "
                                            "en uso."));
    for (const QString &m : messages())
        EXPECT_FALSE(m.contains(QStringLiteral("posición")) || m.contains(QStringLiteral("comillas"))) << m.toStdString();

    // The digit check when the edit is left, and when a key row turns numeric.
    clearMessages();
    w()->Edit1->setText(QStringLiteral(" "));
    w()->Edit1Exit(w()->Edit1);
    elige(w()->ComboBox1, 1);
    w()->Edit1->setText(QStringLiteral("ab"));
    w()->Edit1Exit(w()->Edit1); // a key takes any text
    elige(w()->ComboBox1, 4);
    EXPECT_EQ(messages(), (QStringList{Cifras, Cifras}));

    // "Quitar Selección": the base filter, the selection dropped, the rows kept.
    w()->Button4Click();
    EXPECT_EQ(QString::fromStdString(tabla().filter()), Filtro_Base);
    EXPECT_EQ(std::tuple(Sesion_->Filtro_Actual, Sesion_->Seleccion_Activa), std::tuple(Filtro_Base, 0));
    EXPECT_EQ(w()->Label5->caption(), QStringLiteral(" Fichas en uso: 3 "));
    EXPECT_EQ(w()->Edit1->text(), QStringLiteral("ab"));
}

TEST_F(SelectionWindow, FieldsTheFileDoesNotUseAreRefused)
{
    Sesion_->Con_Clave = 0;
    Sesion_->Con_Importancia = 0;
    elige(w()->ComboBox1, 1);
    EXPECT_EQ(w()->ComboBox1->currentIndex(), 0);
    elige(w()->ComboBox1, 2);
    EXPECT_EQ(w()->ComboBox1->currentText(), QStringLiteral("Nivel de la Ficha"));
    EXPECT_EQ(messages(), (QStringList{QStringLiteral("       El apartado CLAVE está \r\rdesactivado en este Fichero de Estudio"),
                                       QStringLiteral("El apartado NIVEL DE IMPORTANCIA está \r\rdesactivado en este "
                                                      "Fichero de Estudio")}));
}

TEST_F(SelectionWindow, DeletingIsConfirmedAndAllOrNothing)
{
    // Every card of the view: the level-0 cards stay, and so does the level-0 count.
    platform::onNextShow(QStringLiteral("FILTRO_ENV"), [&](QWidget *) {
        EXPECT_EQ(w()->Label6->caption(), QStringLiteral(" Fichas Nivel 0: 2 "));
        platform::queueDialogAnswer(platform::DialogAnswer::No);
        w()->Button5Click();
        EXPECT_EQ(tabla().recordCount(), 3u);

        // A failure half way takes back the cards already deleted.
        int borradas = 0;
        tabla().afterDelete = [&](engine::Table &) {
            if (++borradas == 2)
                throw engine::EngineError("disco lleno");
        };
        platform::queueDialogAnswer(platform::DialogAnswer::Ok);
        w()->Button5Click();
        tabla().afterDelete = nullptr;
        EXPECT_EQ(tabla().recordCount(), 3u);
        EXPECT_EQ(todas().size(), 5u);

        platform::queueDialogAnswer(platform::DialogAnswer::Ok);
        w()->Button5Click();
        EXPECT_EQ(tabla().recordCount(), 0u);
        EXPECT_EQ(std::pair(w()->Label5->caption(), w()->Label6->caption()),
                  std::pair(QStringLiteral(" Fichas en uso: 0 "), QStringLiteral(" Fichas Nivel 0: 2 ")));
    });
    pressKey('7');
    ASSERT_EQ(messages().size(), 2);
    EXPECT_EQ(messages()[0], QStringLiteral("No se ha borrado ninguna ficha"));
    EXPECT_TRUE(messages()[1].startsWith(QStringLiteral("No se han podido borrar las fichas: no se ha borrado ninguna.")));
    EXPECT_EQ(todas().size(), 2u);
    EXPECT_EQ(platform::dialogTexts(), QStringList(3, QStringLiteral("¿Seguro que quiere BORRAR las TODAS LAS FICHAS?")));
}

TEST_F(SelectionWindow, FlaggedCardsAreDeletedTogetherAfterOk)
{
    w()->DBGrid1->selectRow(ids[1], true);
    w()->DBGrid1->selectRow(ids[3], true);
    platform::queueDialogAnswer(platform::DialogAnswer::No);
    w()->Button6Click();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("NO se han borrado las Fichas Marcadas")});
    int borradas = 0;
    tabla().afterDelete = [&](engine::Table &) {
        if (++borradas == 2)
            throw engine::EngineError("disco lleno");
    };
    platform::queueDialogAnswer(platform::DialogAnswer::Ok);
    w()->Button6Click();
    tabla().afterDelete = nullptr;
    EXPECT_EQ(vista(), (std::vector<long long>{ids[1], ids[2], ids[3]}));
    EXPECT_EQ(w()->DBGrid1->selectedCount(), 2); // nothing deleted: the flags stay
    platform::queueDialogAnswer(platform::DialogAnswer::Ok);
    w()->Button6Click();
    EXPECT_EQ(vista(), (std::vector<long long>{ids[2]}));
    EXPECT_EQ(w()->Label5->caption(), QStringLiteral(" Fichas en uso: 1 "));
    EXPECT_EQ(platform::dialogTexts().last(), QStringLiteral("¿Seguro que quiere borrar las FICHAS MARCADAS?"));

    clearMessages();
    Sesion_->Modificable = 0;
    w()->Button6Click();
    w()->Button5Click();
    EXPECT_EQ(messages(), QStringList(2, Msg_FE_No_Modificable));
    EXPECT_EQ(vista().size(), 1u);
}

TEST_F(SelectionWindow, ModifyingComesBackOnTheCardTheEditorLeft)
{
    seleccionaNivel(QStringLiteral("1")); // cards of levels 1, 2, 3
    // The editor moves through the view (its navigator) and closes on the card it shows.
    for (int pasos : {2, 0, 1}) {
        platform::onNextShow(QStringLiteral("FILTRO_ENV"), [&](QWidget *) {
            tabla().first();
            platform::onNextShow(QStringLiteral("Alta_Fichas_"), [&](QWidget *) {
                EXPECT_FALSE(w()->isEnabled());
                EXPECT_EQ(Sesion_->Modo_Alta, 0);
                tabla().first();
                tabla().moveBy(pasos);
            });
            w()->Button7Click();
            EXPECT_TRUE(w()->isEnabled());
        });
        pressKey('7');
        EXPECT_EQ(Sesion_->Ultima_Ficha_Modificada, ids[std::size_t(1 + pasos)]);
        EXPECT_EQ(tabla().bookmark(), ids[std::size_t(1 + pasos)]);
        EXPECT_EQ(w()->Volver_a_Ficha_Modificada, 0);
    }
    // A card that has left the view: the last card of the view.
    platform::onNextShow(QStringLiteral("FILTRO_ENV"), [&](QWidget *) {
        w()->Volver_a_Ficha_Modificada = 1;
        Sesion_->Ultima_Ficha_Modificada = int(ids[0]);
        tabla().first();
        w()->FormActivate();
    });
    pressKey('7');
    EXPECT_EQ(tabla().bookmark(), ids[3]);

    w()->Edit1->setText(QStringLiteral("8"));
    w()->Button2Click();
    w()->DBGrid1DblClick();
    EXPECT_EQ(messages(), QStringList{QStringLiteral("No hay fichas disponibles para modificar.")});
    EXPECT_EQ(shownWindows().count(QStringLiteral("Alta_Fichas_")), 3);
}

TEST_F(SelectionWindow, PureSelectionResetsOnceAndEveryCloseLeavesAsSalir)
{
    QWidget *principal = Sesion_->Ventana_Principal();
    seleccionaNivel(QStringLiteral("2"));
    const QString seleccion = Sesion_->Filtro_Actual;

    // Opened for the review selection while a selection is in force: the table goes back to
    // the base filter once; a selection built afterwards survives the later activations.
    platform::onNextShow(QStringLiteral("FILTRO_ENV"), [&](QWidget *) {
        EXPECT_EQ(QString::fromStdString(tabla().filter()), Filtro_Base);
        EXPECT_EQ(Sesion_->Filtro_Actual, seleccion); // not touched by the reset
        for (QPushButton *b : {w()->Button5, w()->Button6, w()->Button7})
            EXPECT_FALSE(b->isEnabled());
        EXPECT_FALSE(Modif_glob_->isEnabled());
        seleccionaNivel(QStringLiteral("3"));
        w()->FormActivate();
        EXPECT_EQ(Sesion_->Filtro_Actual, QString::fromStdString(tabla().filter()));
        w()->DBGrid1DblClick(); // the editor still opens
        // Leaving by the close box of the title bar.
        w()->close();
    });
    principal->setEnabled(false); // as the caller has it
    TFILTRO_ENV::Solo_Seleccion(true);
    EXPECT_EQ(messages(), QStringList{Reiniciar});
    EXPECT_EQ(std::tuple(Sesion_->Reiniciar_Seleccion, Sesion_->Solo_Seleccionar), std::tuple(0, 0));
    EXPECT_TRUE(Modif_glob_->isEnabled());
    for (QPushButton *b : {w()->Button5, w()->Button6, w()->Button7})
        EXPECT_TRUE(b->isEnabled());
    EXPECT_FALSE(principal->isEnabled());
    EXPECT_EQ(QString::fromStdString(tabla().filter()), Sesion_->Filtro_Actual);
    EXPECT_EQ(shownWindows().count(QStringLiteral("Alta_Fichas_")), 1);

    // Under the base filter already: no message, and the request is dropped all the same.
    clearMessages();
    w()->Button4Click();
    platform::onNextShow(QStringLiteral("FILTRO_ENV"), [&](QWidget *) {
        seleccionaNivel(QStringLiteral("2"));
        w()->FormActivate(); // as after a message
        EXPECT_EQ(Sesion_->Filtro_Actual, QString::fromStdString(tabla().filter()));
        pressKey(w(), QChar(27)); // Esc is " &Salir"
    });
    TFILTRO_ENV::Solo_Seleccion(true);
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(std::tuple(Sesion_->Reiniciar_Seleccion, Sesion_->Solo_Seleccionar), std::tuple(0, 0));

    // Normal mode: however the window closes, the main window works again.
    platform::onNextShow(QStringLiteral("FILTRO_ENV"), [&](QWidget *) {
        EXPECT_FALSE(principal->isEnabled());
        w()->close();
    });
    pressKey('7');
    EXPECT_TRUE(principal->isEnabled());
}

} // namespace
