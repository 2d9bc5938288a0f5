#pragma once
// The selection window: up to six conditions on the cards of the open study file, applied as
// the card table's filter on the base filter; the cards of the view in a grid; deleting the
// flagged cards or every card of the view; the card editor on the view.
//
// Two modes. Normal (menu entry 7): every button works. Pure selection (Solo_Seleccionar = 1,
// through Solo_Seleccion() from the windows that let the user pick cards): only building or
// dropping a selection; the delete and modify buttons are disabled. What the window leaves is
// the card table's filter and the session's Filtro_Actual, Seleccion_Activa and
// Filtro_Seleccion.
//
// The filter of a selection reads " ( " + condition 1 + { connector + condition } + " ) and "
// + Filtro_Base, a condition being field name, operator and value run together
// (Anade_Condicion_a_Filtro; the rules are in editing/Condicion_Seleccion.h). The card table
// parses it; a text it refuses is reported and the
// table keeps its previous filter.
//
// Deleting is all or nothing: one engine transaction for the flagged cards or the whole view.
// However the window closes (its " &Salir", Esc, the close box of its title bar), it leaves as
// " &Salir" does.
#include "editing/Condicion_Seleccion.h"
#include "platform/DBGrid.h"
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/MaskEdit.h"
#include "platform/Panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <array>

class TFILTRO_ENV : public platform::Form {
    Q_OBJECT
public:
    explicit TFILTRO_ENV(QWidget *parent = nullptr);
    ~TFILTRO_ENV() override;

    // Shows the window modally as a pure selection dialog (Solo_Seleccionar := 1 first); with
    // Reiniciar the first activation drops a selection in force and asks the user to select
    // again (Reiniciar_Seleccion := 1). Returns when the window has closed.
    static void Solo_Seleccion(bool Reiniciar = false);

    platform::Panel *Panel1;

    platform::Label *Label1; // "Condición de Selección:"
    platform::Label *Label2; // "2ª condición:"
    platform::Label *Label3;
    platform::Label *Label4;
    platform::Label *Label7; // "5ª condición:"
    platform::Label *Label8; // "6ª condición:"
    QComboBox *ComboBox1, *ComboBox2;              // row 1: field, operator
    QComboBox *ComboBox3, *ComboBox4, *ComboBox5;  // row 2: connector, field, operator
    QComboBox *ComboBox6, *ComboBox7, *ComboBox8;
    QComboBox *ComboBox9, *ComboBox10, *ComboBox11;
    QComboBox *ComboBox12, *ComboBox13, *ComboBox14;
    QComboBox *ComboBox15, *ComboBox16, *ComboBox17;
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6;
    platform::MaskEdit *MaskEdit1, *MaskEdit2, *MaskEdit3, *MaskEdit4, *MaskEdit5, *MaskEdit6;
    QCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4, *CheckBox5; // at the end of rows 1 to 5

    platform::DBGrid *DBGrid1;
    platform::Label *Label5; // " Fichas en uso: n "
    platform::Label *Label6; // " Fichas Nivel 0: n "

    QPushButton *Button2; // "  S&elección"
    QPushButton *Button4; // "  &Quitar Selección"
    QPushButton *Button7; // "Mo&dificar Fichas"
    QPushButton *Button6; // "&Borrar Fichas Marcadas"
    QPushButton *Button5; // "Borrar &Todas las Fichas"
    QPushButton *Button1; // " &Salir"
    QPushButton *Button3; // "&Ayuda"

    // 1 = after the next activation go back to Ultima_Ficha_Modificada.
    int Volver_a_Ficha_Modificada = 0;

    // ---- Handlers ----
    void FormActivate();
    void FormClose();
    void Button2Click();
    void Button4Click();
    void Button7Click();
    void DBGrid1DblClick();
    void Button6Click();
    void Button5Click();
    void Button1Click();
    void Button3Click();
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void CheckBox4Click();
    void CheckBox5Click();
    void ComboBox1Click(QComboBox *Sender); // and its five twins: the row from the Tag
    void ComboBox1Change(QComboBox *Sender);
    void Edit1Exit(QLineEdit *Sender);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Fila {
        platform::Label *Rotulo;
        QComboBox *Conector; // none in row 1
        QComboBox *Campo;
        QComboBox *Operador;
        QLineEdit *Valor;
        platform::MaskEdit *Fecha;
        QCheckBox *Siguiente; // shows the next row; none in row 6
    };
    void layOut();
    void muestraFila(int Fila, bool Visible);
    void ponFichasEnUso();
    // Deletes in one transaction; a failure takes everything back and is reported.
    template <class Borrado> void borraTodoONada(Borrado borrado);

    std::array<Fila, 6> m_filas;
    bool m_abierta = false; // activated since the window was last closed
};

extern TFILTRO_ENV *FILTRO_ENV;
