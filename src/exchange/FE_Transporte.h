#pragma once
// The transport window: packs the files of a study file into one transport file X.SZP beside
// it, and unpacks a transport file into the program's "dat" folder.
//
// The transport file's format and the packing and unpacking are Transporte's. An existing
// study file of the same name is replaced only after the user answers OK to the warning
// dialog; its parts that the transport file does not carry (the old picture, the saved
// password) are removed with it.
#include "exchange/Transporte.h"
#include "platform/FileDialog.h"
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/Panel.h"

#include <QPushButton>
#include <QString>


// PKS3's flags when the window was last activated; "&Salir" gives them back.
extern bool Comprimido_PKS3_Previo;
extern bool Encriptado_PKS3_Previo;

extern const QString Msg_Transporte_Creado;    // "El proceso ha finalizado. \r\rCon el Fichero ..."
extern const QString Msg_Transporte_No_Existe; // "Error, el Fichero de Estudio de Transporte no existe."
extern const QString Msg_Transporte_Danado;    // "Hay un error en el archivo o los datos están alterados."
extern const QString Msg_Transporte_Formato;   // "No se puede descomprimir ...:\r\r%1": the engine's reason
extern const QString Msg_Transporte_Leido;     // "El Fichero de Estudio de Transporte ha sido\r\rdescomprimido ..."
extern const QString Aviso_Proceso_Largo;      // the wait notice

class TFE_Transporte_ : public platform::Form {
    Q_OBJECT
public:
    explicit TFE_Transporte_(QWidget *parent = nullptr);
    ~TFE_Transporte_() override;

    QPushButton *Button4; // pack
    QPushButton *Button5; // unpack
    platform::Panel *Panel1; // background of the wait notice
    platform::Label *label3; // the wait notice
    QPushButton *BitBtn2; // "&Salir"
    QPushButton *BitBtn1; // "&Ayuda"
    platform::FileDialog *OpenDialog1; // the study file to pack
    platform::FileDialog *OpenDialog2; // the transport file to unpack

    void FormActivate();
    void FormClose();
    void Button4Click();
    void Button5Click();
    void BitBtn2Click();
    void BitBtn1Click();

    void Muestra_Aviso_Proceso_Largo();
    void Oculta_Aviso_Proceso_Largo();
};

extern TFE_Transporte_ *FE_Transporte_;
