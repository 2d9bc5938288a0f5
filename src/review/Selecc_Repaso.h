#pragma once
// The review selection window: chooses the cards of a review session and starts it.
//
// Two modes, chosen anew at every opening from the card table's filter: the selection made
// with the selection window (a filter other than the base filter is in force), or the quick
// selection of levels 1 to 8. "  &Repasar" reviews the chosen cards, "   Repasar con REPASO
// POR &TIEMPO" only those whose next review date has come; unless "Permitir repasar fichas
// varias veces el mismo día." is checked, the cards already reviewed today are left out.
// The filters are built as texts and set on Tabla_Activa; the session queue is then taken
// from the view (Inicia_Sesion_Repaso) and the review window shown.
#include "platform/Form.h"
#include "platform/Label.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QString>

#include <array>

// "No hay ninguna ficha para repasar.  Algunas posibles causas son: ..."
extern const QString Msg_No_Hay_Fichas_Repaso;

// The levels checked in the quick selection, indexed 1 to 8 (1 = checked); kept for the run.
extern std::array<int, 9> Niveles_Marcados;

class TSelecc_Repaso_ : public platform::Form {
    Q_OBJECT
public:
    explicit TSelecc_Repaso_(QWidget *parent = nullptr);
    ~TSelecc_Repaso_() override;

    QRadioButton *RadioButton1; // "Usar Ventana de Selección"
    QPushButton *Button5;       // "  Selecci&onar Fichas"
    QRadioButton *RadioButton2; // "Usar Selección Rápida:"
    std::array<QCheckBox *, 9> CheckBoxNivel{}; // CheckBox1 .. CheckBox8 at 1 .. 8 ("Nivel n", Tag n)
    QCheckBox *CheckBox9;       // same-day review
    platform::Label *Label1;    // what the same-day option does
    QPushButton *Button1;       // "  &Repasar"
    QPushButton *Button4;       // "   Repasar con REPASO POR &TIEMPO"
    QPushButton *Button2;       // "&Salir", also Esc
    QPushButton *BitBtn1;       // "&Ayuda"

    // ---- Handlers ----
    void FormActivate();
    void Button1Click();
    void Button4Click();
    void Button5Click();
    void Button2Click();
    void BitBtn1Click();
    void RadioButton1Click();
    void CheckBox1Click(QCheckBox *Sender);

    // The filter of the chosen mode: the selection's, or the checked levels (the base filter
    // when none is checked).
    void Pone_Filtro_Niveles();
    // Enables the level boxes in quick mode, the selection button otherwise.
    void Activa_Controles_Seleccion();

private:
    void layOut();
    QString filtro() const;
    void ponFiltro(const QString &Filtro);
    bool algunNivelMarcado() const;
    // The same-day clause, then the session or the no-cards message.
    void repasa();

    bool m_abierta = false; // activated since the window was last closed
};

extern TSelecc_Repaso_ *Selecc_Repaso_;
