#pragma once
// The options window "  Configuración del Programa": the date order, the review by time and
// its nine intervals, the break reminder and its schedule, the blink reminder, the same-day
// review option, the display font of card texts and the program's picture.
//
// It shows the session's option fields and the preferences lines in memory; "A&ceptar" stores
// them into the fields, rebuilds the four lines, rewrites the preferences file and applies
// them at once (both timers too); the main window's next activation reads the file back. A
// blank or non-numeric interval or break refuses "A&ceptar" with a message naming the field,
// and nothing is stored. The font and the program picture take effect through their own files.
#include "platform/FileDialog.h"
#include "platform/FontDialog.h"
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/MaskEdit.h"
#include "platform/Panel.h"
#include "platform/RadioGroup.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include <array>

class TConfigura_Progr_ : public platform::Form {
    Q_OBJECT
public:
    explicit TConfigura_Progr_(QWidget *parent = nullptr);
    ~TConfigura_Progr_() override;

    platform::Panel *Panel1;
    QPushButton *Button10;            // "&Tipo de letra"
    platform::Label *Label37;         // sample of the chosen font
    platform::RadioGroup *RadioGroup1; // " Formato de Fecha: "
    platform::RadioGroup *RadioGroup2; // " Idioma: " (hidden)

    QGroupBox *GroupBox1;             // " Frecuencia del Repaso por Tiempo: "
    QCheckBox *CheckBox2;             // "Utilizar el Repaso por Tiempo"
    // Intervals of the 1st to 9th review, each between its two labels:
    // "1er Repaso: " [MaskEdit1] "días tras crear ficha.", "2do Repaso: " [MaskEdit2]
    // "días después.", ... "9º Repaso: " [MaskEdit9] "días después.".
    platform::MaskEdit *MaskEdit1, *MaskEdit2, *MaskEdit3, *MaskEdit4, *MaskEdit5, *MaskEdit6, *MaskEdit7,
        *MaskEdit8, *MaskEdit9;
    platform::Label *Label19, *Label20, *Label21, *Label22, *Label23, *Label24, *Label25, *Label26, *Label27,
        *Label28, *Label29, *Label30, *Label31, *Label32, *Label33, *Label34, *Label35, *Label36;

    QGroupBox *GroupBox2;             // " Descansos: "
    QCheckBox *CheckBox1;             // "Si avisar en los descansos."
    platform::Label *Label1;          // "Primer descanso a los "
    platform::MaskEdit *MaskEdit10;
    platform::Label *Label2;          // "minutos."
    QRadioButton *RadioButton1;       // "Siguientes descansos cada "
    platform::MaskEdit *MaskEdit11;
    platform::Label *Label4;          // "min."
    QRadioButton *RadioButton2;       // "Definir siguientes descansos:"
    // The 2nd to 6th breaks: "2º:" [MaskEdit12] "minutos después." .. "6º:" [MaskEdit16] ...
    platform::MaskEdit *MaskEdit12, *MaskEdit13, *MaskEdit14, *MaskEdit15, *MaskEdit16;
    platform::Label *Label5, *Label6, *Label7, *Label8, *Label9, *Label10, *Label11, *Label12, *Label13, *Label14;

    QGroupBox *GroupBox3;             // " Varios: "
    QCheckBox *CheckBox5;             // "Aviso de parpadeo cada "
    platform::MaskEdit *MaskEdit19;
    platform::Label *Label15;         // "minutos."
    QCheckBox *CheckBox6;             // same-day review
    platform::Label *Label16;         // its note
    platform::Label *Label17;         // "Imagen del Programa:"
    QPushButton *Button2;             // "Nue&va"
    QPushButton *Button1;             // "Eli&minar"
    QCheckBox *CheckBox3;             // level-0 move (hidden)
    platform::MaskEdit *MaskEdit17;
    platform::Label *Label18;         // "fichas en el Nivel 1, "
    platform::Label *Label38;         // "pasar "
    platform::MaskEdit *MaskEdit18;
    platform::Label *Label39;         // "fichas desde el Nivel 0 al Nivel 1. "

    QPushButton *Button3;             // "A&ceptar"
    QPushButton *BitBtn2;             // "&Salir"
    QPushButton *BitBtn1;             // "&Ayuda"

    platform::FileDialog *OpenPictureDialog1;
    platform::FontDialog *FontDialog1;

    // ---- Handlers ----
    void FormCreate();
    void FormActivate();
    void Button3Click();
    void BitBtn2Click();
    void BitBtn1Click();
    void Button10Click();
    void Actualiza_Fuente__Conf();
    void CheckBox2Click();
    void CheckBox1Click();
    void RadioButton1Click();
    void CheckBox5Click();
    void CheckBox3Click();
    void MaskEdit1Change();
    void MaskEdit19Exit();
    void MaskEdit17Exit();
    void MaskEdit18Exit();
    void Button1Click();
    void Button2Click();

    // ---- Routines ----
    // The lines themselves are written by the preferences unit (store/Preferencias.h:
    // lineasOpciones, Rellena_Ceros_3).
    void Habilita_Repaso_por_Tiempo();
    void Habilita_Controles_Descansos();
    void Habilita_Descansos_Definidos();

    // The edit of a review interval (1..9: MaskEdit1 .. MaskEdit9) or of a break (0: MaskEdit11,
    // 1: MaskEdit10, 2..6: MaskEdit12 .. MaskEdit16).
    platform::MaskEdit *Edit_Repaso(int i) const { return m_repaso[i]; }
    platform::MaskEdit *Edit_Descanso(int j) const { return m_descanso[j]; }

private:
    void layOut();
    // Every interval and break edit holds a whole number; otherwise the message naming the
    // first that does not, the focus on it, and false.
    bool numerosCorrectos();

    std::array<platform::MaskEdit *, 10> m_repaso{};
    std::array<platform::MaskEdit *, 7> m_descanso{};
    QList<QWidget *> m_etiquetasRepaso;   // Label19 .. Label36
    QList<QWidget *> m_etiquetasLista;    // Label5 .. Label14
    bool m_dialogoImagenUsado = false; // "Nue&va" has opened its dialog once in this run
};

extern TConfigura_Progr_ *Configura_Progr_;

// Messages of the options window.
extern const QString Msg_Opcion_No_Numerica;  // "%1" names the field
extern const QString Msg_Opciones_No_Guardadas;
extern const QString Msg_Imagen_No_Valida;    // "%1" the file, "%2" the reason
