#pragma once
// The window that brings level-0 cards into the study cycle by setting their level to 1, in
// three ways, one per page: a quantity, the rows picked in a grid, or a condition on the
// importance or the key with an optional limit. While it is open the card table shows only
// level-0 cards; the filter in force before comes back when it closes.
//
// Every move is one transaction of the card table: all the cards of a move or none. A move
// by quantity or by condition takes the level-0 cards from the front of the index order; a
// quantity or limit that is not a whole number is refused before anything moves, and a limit
// of 0 moves no card.
#include "platform/DBGrid.h"
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/MaskEdit.h"
#include "platform/Panel.h"
#include "platform/RadioGroup.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QTabWidget>

#include <functional>

class TFreeNiv0a1_ : public platform::Form {
    Q_OBJECT
public:
    explicit TFreeNiv0a1_(QWidget *parent = nullptr);
    ~TFreeNiv0a1_() override;

    platform::Panel *Panel5; // kept centred
    platform::Label *Label1; // "Hay tres formas de pasar fichas al Nivel 1:"
    platform::Label *label5; // "<n>  Fichas en el Nivel 0."
    QTabWidget *PageControl1;

    // " (1) - Cantidad "
    QWidget *TabSheet1;
    platform::Label *Label16;
    platform::MaskEdit *MaskEdit1; // "999;1;_"
    QPushButton *Button2;

    // " (2) - Una por una "
    QWidget *TabSheet2;
    platform::DBGrid *DBGrid1;
    platform::Label *Label2;
    QPushButton *Button7;

    // " (3) - Por Nivel de Importancia o por Clave "
    QWidget *TabSheet3;
    QRadioButton *RadioButton1; // importance mode
    platform::RadioGroup *RadioGroup2;
    platform::Label *Label3;    // "====>"
    platform::MaskEdit *MaskEdit2; // "999999"
    QRadioButton *RadioButton2; // key mode
    platform::RadioGroup *RadioGroup3;
    platform::Label *Label4;    // "====>"
    QLineEdit *Edit1;
    platform::Label *Label6;
    platform::Label *Label7;    // count of the condition
    QPushButton *Button3;       // "Comprobar", hidden
    QCheckBox *CheckBox1;
    platform::Label *Label8;
    platform::Label *Label9;
    platform::MaskEdit *MaskEdit3; // "999"
    QPushButton *BitBtn2;

    QPushButton *btnButton1; // "  &Salir"
    QPushButton *btn1;       // "  &Ayuda"

    // Filters kept by the window.
    QString Filtro_Antes_Nivel_0;
    QString Filtro_Antes_Condicion;

    // The five comparisons of each radio group.
    static const QStringList Comparaciones;

    // ---- Handlers ----
    void FormCreate();
    void FormActivate();
    void FormClose();
    void FormResize();
    void Button2Click();
    void Button7Click();
    void Button3Click();
    void BitBtn2Click();
    void RadioButton1Click();
    void RadioGroup2Click(platform::RadioGroup *Sender);
    void MaskEdit2Exit();
    void CheckBox1Click();
    void Label8Click();
    void btnButton1Click();
    void btn1Click();

    // ---- Routines ----
    void Muestra_Num_Fichas_en_Nivel_0();
    void Pasa_Ficha_actual_a_Nivel_1();
    static QString Conector(const platform::RadioGroup *RadioGroup);
    void Pone_Condicion_Filtrado_d_Niv_Import_o_Clave();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layOut();
    platform::RadioGroup *radioGroup(const char *name, QWidget *parent);
    // The value of the active mode's edit, trimmed.
    QString valorCondicion() const;
    void ponFiltro(const QString &filtro);
    // Runs Mover as one transaction of the card table: every card it moves, or none; the
    // grid and the card displays are brought up to date once, at the end.
    void enUnaTransaccion(const std::function<void()> &Mover);
    QString filtro() const;

    bool m_filtroGuardado = false;
};

extern TFreeNiv0a1_ *FreeNiv0a1_;
