#pragma once
// The global modification window: gives every card of the current view (the selection in
// force, or every card above level 0) the same new level, key, importance, next review date or
// review count, as ticked.
//
// A run flags every card of the view in Camp_Logi, then writes the flagged cards one by one,
// clearing each flag, under the filter "Camp_Logi = true"; the gauge moves through 2 x n
// steps. The whole run is one engine transaction, so it changes every card of the view or,
// when it fails or the program is killed half way, none, and never leaves a card flagged;
// flags left by an earlier program are cleared in the same transaction. Every ticked value is
// checked before anything is written: a whole number for level, importance and review count,
// a real date for the next review.
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/MaskEdit.h"
#include "platform/Panel.h"

#include <QCheckBox>
#include <QFrame>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QString>

class TModif_glob_ : public platform::Form {
    Q_OBJECT
public:
    explicit TModif_glob_(QWidget *parent = nullptr);
    ~TModif_glob_() override;

    platform::Panel *Panel1;
    platform::Label *Label1; // "Marcar los apartados que van a modificar en las fichas:"
    platform::Label *Label2; // "Introducir los nuevos valores:"
    QFrame *Bevel1;          // column divider
    QFrame *Bevel2;          // line under the headings
    QCheckBox *CheckBox1;    // level
    QCheckBox *CheckBox2;    // key
    QCheckBox *CheckBox3;    // importance
    QCheckBox *CheckBox4;    // next review date
    QCheckBox *CheckBox5;    // review count
    platform::MaskEdit *MaskEdit1; // "9;1;_"
    QLineEdit *Edit1;
    platform::MaskEdit *MaskEdit2; // "999;1;_"
    platform::MaskEdit *MaskEdit3; // "!99/99/00;1;_"
    platform::MaskEdit *MaskEdit4; // "999;1;_"
    platform::Label *Label3;       // "( dd-mm-aa )" or "( mm-dd-aa )"
    QProgressBar *Gauge1;
    QPushButton *Button5; // "  Selecci&onar Fichas"
    QPushButton *BitBtn2; // " Realizar la &Modificación"
    QPushButton *Button1; // "&Salir"
    QPushButton *BitBtn1; // "&Ayuda"

    // ---- Handlers ----
    void FormActivate();
    void FormClose();
    void FormResize();
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void CheckBox4Click();
    void CheckBox5Click();
    void Button2Click(); // "  Selecci&onar Fichas"
    void Button3Click(); // " Realizar la &Modificación"
    void Button1Click();
    void BitBtn1Click();

    // The card date ("20" + yy + mm + dd) of a date mask's text, day first when Formato_Fecha
    // is 1; empty when the text is not a real date.
    static QString Fecha_de_Mascara(const QString &Texto);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void layOut();
    // Ticked: the value control enabled, emptied when Vaciar, focused; unticked: disabled.
    void casilla(QCheckBox *Casilla, QLineEdit *Valor, bool Vaciar);
    // The whole number of a ticked box's text, or nothing (with the message shown).
    bool numero(const QString &Texto, const QString &Apartado, int &Valor);
    void paso(int &Contador);
};

extern TModif_glob_ *Modif_glob_;
