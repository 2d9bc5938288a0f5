#pragma once
// The window that creates a new, empty study file in the program's "dat" folder: its
// settings container X.STU (compressed, never enciphered), its card table X.DB and, when the
// user gave one, its picture X.JPG or X.BMP. The new file is not opened.
//
// Creation is all or nothing: every choice is checked before anything is written (answer
// kind, name, sizes from 1 to 255, a name not yet taken by X.STU, X.MB, X.DB or X.PX), and a
// write that fails removes what this creation had already written.
//
// Its "&Salir" button has a second role: while the main window's Crear_Tabla_Impresion is 1
// it rebuilds the print table instead of closing (the print entry clicks it).
#include "platform/FileDialog.h"
#include "platform/Form.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/RichEdit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStringList>

// The type of the picture in Image1, "JPG" or "BMP"; empty at program start, kept between
// uses of the window.
extern QString Tipo_Imagen_FE;

class TCrea_Fiche_ : public platform::Form {
    Q_OBJECT
public:
    explicit TCrea_Fiche_(QWidget *parent = nullptr);
    ~TCrea_Fiche_() override;

    platform::Label *Label1; // "Nombre:"
    QLineEdit *Edit1;

    QGroupBox *GroupBox1; // " Datos de la PREGUNTA: "
    QGroupBox *GroupBox2; // " Tamaño (en caracteres): "
    QRadioButton *RadioButton1; // 30
    QRadioButton *RadioButton2; // 60
    QRadioButton *RadioButton3; // 100
    QRadioButton *RadioButton4; // other size
    QLineEdit *Edit2;
    QCheckBox *CheckBox1; // question picture

    QGroupBox *GroupBox3; // " Datos de la RESPUESTA: "
    QCheckBox *CheckBox4; // short answer
    QRadioButton *RadioButton5; // 30
    QRadioButton *RadioButton6; // 60
    QRadioButton *RadioButton7; // 100
    QRadioButton *RadioButton8; // other size
    QLineEdit *Edit3;
    QCheckBox *CheckBox2; // answer picture
    QCheckBox *CheckBox3; // long answer

    QCheckBox *CheckBox7; // importance
    QCheckBox *CheckBox5; // classification key
    QCheckBox *CheckBox6; // compressed

    QGroupBox *GroupBox4; // " Descripción: "
    platform::RichEdit *RichEdit1;
    QPushButton *Button5;  // "Pegar &Descripción"
    QPushButton *Button12; // "&Zoom"

    QGroupBox *GroupBox5; // " Imagen: "
    platform::ImageControl *Image1;
    QPushButton *BitBtn1; // " Disc&o"
    QPushButton *BitBtn2; // "Pe&gar"
    QPushButton *Button6; // " &Borrar"

    QPushButton *Button1; // "&Crear Fichero"
    QPushButton *Button2; // "&Salir"
    QPushButton *Button3; // "&Ayuda"

    platform::FileDialog *OpenPictureDialog1;

    // The description's prefilled headings.
    static QStringList Descripcion_Inicial();

    // ---- Handlers ----
    void FormCreate();
    void FormActivate();
    void FormClose();
    void Button1_Click();
    void Button2_Click();
    void Button3Click();
    void Button5_Click();
    void Button6Click();
    void Button12Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void Image1Click();
    void CheckBox3Click();
    void CheckBox4Click();
    void RadioButton4Click();
    void RadioButton5Click();
    void Edit2Exit(QLineEdit *Sender);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layOut();
    void Crea_Tabla_Impresion();
    // The size chosen in a group, or nothing (with the notice shown) when "Otro" is chosen
    // and its box does not hold a number from 1 to 255.
    bool tamanoElegido(QRadioButton *const (&Botones)[4], QLineEdit *Otro, const QString &Parte, int &Tam);
    void rehusa(const QString &Mensaje, QWidget *Foco);
    void habilitaRespuestaCorta();

    bool m_dialogoUsado = false; // the picture dialog has been used once in this run
    bool m_revisandoTamano = false;
};

extern TCrea_Fiche_ *Crea_Fiche_;
