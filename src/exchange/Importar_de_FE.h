#pragma once
// The window that appends every card of one study file (ORIGEN) to another (DESTINO) in one
// batch move of the engine: all cards or, on a failure, none.
//
// The origin must have no password and allow exporting; the destination must have no
// password. The two must be different study files (importing a file into itself would double
// every card). The import closes the open study file and leaves both tables closed. The
// origin's filter is switched off for the move, so that all its cards are imported, level-0
// cards and cards outside an earlier selection included; cards are copied exactly as stored.
#include "platform/FileDialog.h"
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/RichEdit.h"

#include <QPushButton>
#include <QString>

// The choices, kept for the whole run.
extern QString Ruta_Origen;
extern QString Ruta_Destino;
extern QString Nombre_Origen;
extern QString Nombre_Destino;
extern int Origen_Elegido;
extern int Destino_Elegido;

extern const QString Msg_Origen_Con_Contrasena;  // "El Fichero de Estudio no puede usarse \r\rcomo ORIGEN, ..."
extern const QString Msg_Origen_No_Exportable;   // "Este Fichero de Estudio no puede usarse como ORIGEN,..."
extern const QString Msg_Destino_Con_Contrasena; // "El Fichero de Estudio no puede usarse \r\rcomo DESTINO, ..."
extern const QString Msg_Sin_Origen;             // "No hay ningún F. de Estudio de ORIGEN seleccionado."
extern const QString Msg_Sin_Destino;            // "No hay ningún F. de Estudio de DESTINO seleccionado."
extern const QString Msg_Mismo_Fichero;          // origin and destination are the same file
extern const QString Msg_Error_Importar;         // "Ha ocurrido un error al Importar."
extern const QString Msg_Importar_Imposible;     // "No se puede importar:\r\r%1": the engine's reason
extern const QString Msg_Fichas_Importadas;      // "Nº de fichas importadas: "

class TImportar_de_FE_ : public platform::Form {
    Q_OBJECT
public:
    explicit TImportar_de_FE_(QWidget *parent = nullptr);
    ~TImportar_de_FE_() override;

    QPushButton *Button4;    // choose the origin
    platform::Label *Label1; // the origin
    QPushButton *Button5;    // choose the destination
    platform::Label *Label2; // the destination
    QPushButton *Button1;    // import
    platform::Label *Label3; // that every card of the origin is imported
    QPushButton *Button2;    // "&Salir"
    QPushButton *Button3;    // "&Ayuda"
    platform::FileDialog *OpenDialog1;
    platform::FileDialog *OpenDialog2;
    platform::RichEdit *RichEdit1; // hidden: the origin's settings lines

    void FormCreate();
    void Button4Click();
    void Button5Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();

private:
    // Loads the settings container of the table path with PKS4 and no key; false when it
    // cannot be read (enciphered, missing, damaged). On success PKS4 keeps the container.
    bool leeConfiguracion(const QString &Ruta);
};

extern TImportar_de_FE_ *Importar_de_FE_;
