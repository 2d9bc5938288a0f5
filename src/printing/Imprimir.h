#pragma once
// The printing window: prints the cards of the open study file that the card table's filter
// passes, one side at a time, on pages of 6, 8 or 10 cards in two columns or of 3, 4 or 5
// double-width cards in one column.
//
// Every preview or print empties the print table IMP.db (D_Module_->Imprime), fills it with
// one row per card in print order, lays out the report Hoja1 for the side and the options,
// and runs the report over the print table. On the answer side of a two-column page the
// cards are placed in mirror order (the left column holds the second half of the page's
// cards, the right column the first half), so that a sheet of answers printed on the back of
// the sheet of questions puts each answer behind its own question.
//
// A PACKED STUDY FILE never leaves unpacked content in IMP.db. The rows keep the card's
// packed blobs; each band unpacks its row only in the table's edit buffer, which is dropped
// after the band prints, so nothing unpacked is ever written. When the preview or print ends,
// however it ends (closed, cancelled, failed), every row is cleared, with secure delete, so
// that not even the question texts stay in the file's bytes.
// A PLAIN study file's rows keep what the bands prepared (text line, bitmap pictures).
//
// The option checks never loop: a choice that the file cannot print falls back once, with
// one message, even for a file that has no answer content at all.
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/RadioGroup.h"
#include "platform/Report.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QString>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace packing {
class MemoryStream;
}

// Messages of the printing window.
extern const QString Aviso_No_Disponible_en_Diseno;
extern const QString Aviso_Impresion_Desconectada;
extern const QString Msg_Error_Visualizacion; // " Ha habido un error en la visualización."
extern const QString Msg_Error_Impresion;     // " Ha habido un error en la impresión."
// The cards printed without what could not be read, named after the run ("%1": their names).
extern const QString Msg_Ficha_Danada_Impresa;
extern const QString Msg_Fichas_Danadas_Impresas;

class TImprimir_ : public platform::Form {
    Q_OBJECT
public:
    explicit TImprimir_(QWidget *parent = nullptr);
    ~TImprimir_() override;

    // ---- Controls ----
    platform::RadioGroup *Grupo_Preg; // " Imprimir en PREGUNTA: "
    platform::RadioGroup *Grupo_Resp; // " Imprimir en Respuesta: "
    QGroupBox *Grupo_FichxPag;        // " Nº Fichas por Página: "
    QRadioButton *FichxPag_6;
    QRadioButton *FichxPag_8;
    QRadioButton *FichxPag_10;
    QRadioButton *FichxPag_3;
    QRadioButton *FichxPag_4;
    QRadioButton *FichxPag_5;
    platform::Label *Label1; // "( Ancho Normal )"
    platform::Label *Label2; // "( Doble Ancho )"
    platform::Label *Label5; // " Nº de Fichas a Imprimir: "
    QPushButton *Button5;    // "  Selecci&onar Fichas"
    QPushButton *Button3;    // "Ver  &Preguntas"
    QPushButton *Button6;    // "Ver  &Respuestas"
    QPushButton *Button2;    // "I&mprimir Preguntas"
    QPushButton *Button7;    // "Imprimir Respu&estas"
    QPushButton *Button1;    // "&Salir"
    QPushButton *BitBtn1;    // "&Ayuda"
    QPushButton *Button4;    // "&Fuente de Texto y Solo Texto"
    QGroupBox *GroupBox1;    // " Tamaño  de  la  Página: "
    QComboBox *ComboBox1;
    platform::Label *Label4; // "Alto : %s mm."
    platform::Label *Label6; // "Ancho : %s mm."
    QGroupBox *GroupBox2;
    QCheckBox *CheckBox1; // frame
    QCheckBox *CheckBox2; // picture stretch
    QCheckBox *CheckBox3; // centred text
    QCheckBox *CheckBox4; // repeats CheckBox3's choice
    QFontDialog *FontDialog1;

    // The report, its band and its controls.
    platform::Report Hoja1;
    platform::ReportBand &Banda1;
    platform::ReportText *QRDBText1;         // TEXT
    platform::ReportRichText *QRDBRichText1; // Memo
    platform::ReportImage *QRDBImage1;       // Imag

    // ---- Fields ----
    int Imprimiendo_Preguntas = 1;
    int Columnas = 2;

    // ---- Handlers ----
    void FormCreate();
    void FormActivate();
    void Grupo_PregClick();
    void Button3Click(QPushButton *Sender);
    void Button5Click();
    void Button1_Click();
    void BitBtn1Click();
    void ComboBox1Change();
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void Button4Click();
    void Banda1BeforePrint();
    void Banda1AfterPrint();

    // ---- Print table ----
    void Vacia_Tabla_Imprime();
    void Copia_Campo_a_Imprime(const QString &Campo);
    void Anade_Ficha_a_Imprime(const QString &Modo);
    void Llena_Tabla_Imprime();

    // ---- Report layout ----
    void Prepara_Informe();
    void Disena_Banda_Pregunta();
    void Disena_Banda_Respuesta();
    void Coloca_Arriba_Izquierda(const QString &Clave);
    void Coloca_en_Mitad_Derecha(const QString &Clave);
    void Ajusta_Ancho_a_Banda(const QString &Clave, const QString &Extension);
    void Ajusta_Alto_a_Banda(const QString &Clave);
    void Coloca_Texto_Arriba_Imagen_Abajo();
    // Band width W and height H in whole report units.
    int Ancho_Banda() const;
    int Alto_Banda() const;
    // Cards a page (3, 4, 5, 6, 8 or 10) of the checked button.
    int Fichas_por_Pagina() const;

private:
    void layOut();
    void Habilita_FichxPag();
    void Comprueba_Grupo_Preg();
    void Comprueba_Grupo_Resp();
    void Pasa_Seleccion_si_Deshabilitado(QRadioButton *Primero, QRadioButton *Segundo);
    // A check's fallback: shows the message and sets the group, unless the group has
    // already fallen back in this round of checks.
    bool Cambia_por_Comprobacion(platform::RadioGroup *Grupo, int Valor);
    void Pon_Etiquetas_Pagina();
    void Limpia_Tabla_Imprime();
    // Drops a row left open by a band; false when the print table is not open.
    bool Deja_Fila_Imprime();
    // DAMAGED CARDS. A card whose field cannot be read (its pages, its container, its
    // picture) prints without that field; the print goes on with the other cards and the
    // cards are named once, after the run. Each print table row remembers its card.
    void Anota_Ficha_Danada(std::int64_t Fila);
    void Avisa_Fichas_Danadas();
    using Ficha_Impresa = std::pair<long long, QString>; // a card's AutoInc and its name
    std::map<std::int64_t, Ficha_Impresa> m_fichaDeFila;  // print table row -> its card
    Ficha_Impresa m_fichaEnCurso;                         // the card being copied
    bool m_fichaEnCursoDanada = false;
    std::vector<Ficha_Impresa> m_fichasDanadas;           // in the order found, each once
    platform::ReportControl *control(const QString &Clave) const;

    bool m_comprobando = false;
    bool m_repetir = false;
    bool m_pregCambiado = false;
    bool m_respCambiado = false;
};

extern TImprimir_ *Imprimir_;

// Unpacks a packed field with D_Module_->PKS, in place, refusing content over `Limite` (the
// answer or the picture limit of store/D_Module.h); the stream is rewound and returned.
packing::MemoryStream &Desempaqueta_Stream_con_PKS(packing::MemoryStream &S, int64_t Limite);
