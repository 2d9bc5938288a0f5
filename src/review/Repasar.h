#pragma once
// The review window: the cards of the session queue one at a time, the question page, then
// the answer page where the user judges the answer right ("&Correcta") or wrong
// ("I&ncorrecta").
//
// The judgement and the texts of the counters and figures are the rules of Reglas_Repaso.h;
// the window applies them to the current card of Tabla_Activa and to its labels.
//
// The window keeps the session's counters and a clock of study time (breaks left out: the
// break window stops Timer_n_Repaso while it is shown and adds its length to Tiempo_Pausas),
// and reports the session's figures through the message window when it closes.
#include "platform/DBText.h"
#include "platform/FontDialog.h"
#include "platform/Form.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Panel.h"
#include "platform/RichEdit.h"
#include "platform/Timer.h"
#include "review/Reglas_Repaso.h"

#include <QCheckBox>
#include <QPushButton>
#include <QString>
#include <QTabWidget>

#include <cstdint>

// 1 when the last session ended because its queue ran out; 0 at creation.
extern int Fin_Por_Fichas_Agotadas;

// Starts a review of the cards in Tabla_Activa's view (there is at least one): the queue,
// its first card, the session's clock and pauses at 0, then the review window, modally.
void Inicia_Sesion_Repaso();

class TRepasar_ : public platform::Form {
    Q_OBJECT
public:
    explicit TRepasar_(QWidget *parent = nullptr);
    ~TRepasar_() override;

    platform::Panel *Panel1; // header: Panel2 and Panel3 stand on it
    QTabWidget *PageControl1;
    QWidget *Pregunta;
    QWidget *Respuesta;

    // Question page
    platform::DBText *DBText1; // Preg_Text
    platform::ImageControl *Image1;
    QPushButton *Button1; // "  &Ver la Respuesta"
    platform::Label *Label1;  // "Fichas ya Repasadas: "
    platform::Label *Label13; // "Fichas pendientes: "
    platform::Label *Label2;  // "Fichas Seleccionadas: "
    QPushButton *Button4; // "&Salir"
    QPushButton *Button3; // "&Ayuda"

    // Answer page
    platform::Label *Label7; // short answer
    platform::RichEdit *RichEdit1; // long answer
    QPushButton *Button5; // "&Zoom"
    platform::ImageControl *Image2;
    QPushButton *Button6; // "&Correcta"
    QPushButton *Button7; // "I&ncorrecta"
    QPushButton *Button8; // "&Ver Pregunta"
    platform::Label *Label3;
    platform::Label *Label14;
    platform::Label *Label4;
    QPushButton *Button2; // "&Salir"
    QPushButton *BitBtn1; // "&Ayuda"

    // Top
    QCheckBox *CheckBox2; // "Centrar"
    QPushButton *Button9; // "Tipo de letra"

    // Panel2: the card's header and the clock
    platform::Panel *Panel2;
    platform::DBText *DBText2; // Nive_Fich
    platform::DBText *DBText3; // Nive_Impo
    platform::DBText *DBText4; // Clav_Fich
    platform::DBText *DBText5; // Total_Repa
    platform::Label *Label15;  // last review
    platform::Label *Label12;  // clock
    QPushButton *Button11; // "Modifica&r ficha"
    QPushButton *Button12; // "&Descansar"

    // Panel3: running results
    platform::Panel *Panel3;
    platform::Label *Label16; // "Aciertos: "
    platform::Label *Label17; // "Errores: "

    platform::Timer *Timer_n_Repaso;
    platform::FontDialog FontDialog1;

    int Fichas_Repasadas = 0;
    int Fichas_Pendientes = 0;
    int Aciertos = 0;
    int Errores = 0;
    repaso::Contadores Contadores() const { return {Fichas_Repasadas, Fichas_Pendientes, Aciertos, Errores}; }

    // ---- Handlers ----
    void FormCreate();
    void FormActivate();
    void FormClose();
    void Button1Click();
    void Button8Click();
    void Button6Click();
    void Button7Click();
    void Button4Click();
    void Button5Click();
    void Image1Click();
    void Image2Click();
    void CheckBox1Click();
    void Button9Click();
    void Button11Click();
    void Button12Click();
    void BitBtn1Click();
    void Timer_n_RepasoTimer();

    void Actualiza_Fuente();
    void Actualiza_Contadores();
    void Termina_Sin_Fichas();

    // The session's duration without its pauses, in milliseconds, at the clock's now.
    std::int64_t Duracion_Sesion() const;
    // The message of the session's figures.
    QString Texto_Estadisticas() const;

private:
    void layOut();
    void disposicion();
    void colocaZoom();
    // Judges the current card (writes it when its last review is before today) and goes on.
    void juzga(bool Correcta);
    void muestraPregunta();
};

extern TRepasar_ *Repasar_;
