#pragma once
// The export window: writes a new, complete study file (X.STU, X.DB and optionally X.BMP or
// X.JPG) in the program's "dat" folder from all cards or the selected cards of the open study
// file, with its own compression, password, rights, card levels, creation date, next-review
// date, description and picture. The new file is not opened.
//
// RichEdit1 holds the open file's settings lines (the open routine copies them here): the new
// file keeps its card parts, sizes and version line, gets the export's five choices written
// into its options line, and the description edited here.
//
// All or nothing: every choice is checked before anything is written. The card table is built
// under a temporary name in "dat"; the picture and X.STU are written whole, and the table is
// renamed to X.DB last, so that a failure (or a killed program) never leaves a new study file
// that opens. A failure removes what the export wrote, leaves the open file's table open and
// filtered as before, and is reported with its cause.
#include "exchange/Exportacion.h"
#include "platform/FileDialog.h"
#include "platform/Form.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/MaskEdit.h"
#include "platform/Panel.h"
#include "platform/RadioGroup.h"
#include "platform/RichEdit.h"
#include "packing/Streams.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QString>

#include <cstdint>

// The type of the picture chosen under "Otra Imagen.": "JPG", "BMP", or the lower-cased file
// name of another kind of file (then no picture is written).
extern QString Tipo_Otra_Imagen;

// The container of an open file's packed blob in the stream replaced by its item "1" (read
// with PKS), refusing content over `Limite` as damaged; the stream is rewound and returned.
packing::MemoryStream &Desempaqueta_Stream_Exportar(packing::MemoryStream &Stream, int64_t Limite);
// The stream packed as the item "1" of a container with PKS2; the stream is rewound.
void Comprime_Codifica_Stream_con_PKS2(packing::MemoryStream &Stream);
void Aviso_No_Se_Puede_Exportar();

class TExportar_FE_ : public platform::Form {
    Q_OBJECT
public:
    explicit TExportar_FE_(QWidget *parent = nullptr);
    ~TExportar_FE_() override;

    platform::Panel *Panel1;
    platform::Label *Label1; // "Fichero Abierto: " + the open file
    platform::Label *Label2; // "Nombre del nuevo Fichero de Estudio: "
    QLineEdit *Edit1;
    platform::Label *Label4; // "Fecha de Creación:"
    platform::MaskEdit *MaskEdit2; // "!99/99/00;1;_"
    platform::RadioGroup *RadioGroup1; // " Fichas a Exportar: " Todas. / Seleccionar.
    QPushButton *Button5;              // "  Selecci&onar Fichas"
    QCheckBox *CheckBox1;              // "&Contraseña:"
    QLineEdit *Edit2;
    platform::RadioGroup *RadioGroup2; // " Repaso por Tiempo: " Ponerlo a 0. / Sin cambios.
    platform::RadioGroup *RadioGroup3; // " Comprimir los datos: " Si / No
    QGroupBox *GroupBox1;              // the card levels
    QRadioButton *RadioButton1;        // "Todas con Nivel 0, excepto "
    platform::MaskEdit *MaskEdit1;     // "999;1;_"
    platform::Label *Label3;           // "fichas en Nivel 1."
    QRadioButton *RadioButton2;        // "Mantener el actual nivel de cada ficha."
    QRadioButton *RadioButton3;        // "Todas con Nivel: "
    platform::MaskEdit *MaskEdit3;     // "9;1;_"
    QCheckBox *CheckBox3;              // "Podrá ser Exportado."
    QCheckBox *CheckBox2;              // "Sus fichas podrán modificarse o borrarse."
    QCheckBox *CheckBox4;              // "Sus fichas podrán imprimirse."
    QGroupBox *GB_Imagen;              // " Imagen del nuevo Fichero de Estudio: "
    QRadioButton *Misma_Imagen;
    QRadioButton *Otra_Imagen;
    QRadioButton *Ninguna_Imagen;
    QPushButton *Button1;              // "Modificar &Descripción"
    QPushButton *Button3;              // "&Exportar"
    QPushButton *BitBtn2;              // "&Salir"
    QPushButton *BitBtn1;              // "&Ayuda"
    platform::Label *Label6;           // progress text
    QProgressBar *Gauge1;              // progress gauge
    platform::ImageControl *Image1;    // hidden: the picture being written
    platform::RichEdit *RichEdit1;     // hidden: the open file's settings lines
    platform::FileDialog *OpenPictureDialog1;

    void FormActivate();
    void RadioGroup1Click();
    void Button5Click();
    void CheckBox1Click();
    void RadioButton1Click();
    void Otra_ImagenClick();
    void Button1Click();
    void Button3Click();
    void BitBtn2Click();
    void BitBtn1Click();

private:
    void layOut();
    void rehusa(const QString &Mensaje, QWidget *Foco);
    void muestraProgreso(bool Exportando);
};

extern TExportar_FE_ *Exportar_FE_;
