#pragma once
// The rules of an export to a new study file, apart from its window: the checks made before
// anything is written, the new file's options (packing of its cards, its options line, its
// picture) and the values every exported card gets. The export window gathers its controls
// into a Pedido_Exportacion and applies what comes back.
#include "packing/PackStreamCol.h"

#include <QString>

#include <optional>
#include <string>
#include <variant>
#include <vector>

extern const QString Msg_No_Exportable;       // "No podrá exportar pues, cuando este Fichero de Estudio fue creado,..."
extern const QString Msg_Exportar_Vacio;      // "No se puede exportar porque el Fichero de Estudio\r\rno tiene fichas..."
extern const QString Msg_Exportar_Sin_Nombre; // "Debe escribir un nombre para\r\rel nuevo Fichero de Estudio."
extern const QString Msg_Exportar_Ya_Existe;  // "      Ya existe un Fichero con ese nombre.\r\r..."
extern const QString Msg_Falta_Contrasena;    // " Falta la CONTRASEÑA. "
extern const QString Msg_Exportado;           // "El nuevo Fichero de Estudio\r\r%1\r\rha sido creado."
extern const QString Msg_Fecha_Exportar;      // the creation date is not a whole date
extern const QString Msg_Fichas_Nivel_1;      // no count of cards for level 1
extern const QString Msg_Nivel_Exportar;      // no level for every card

// What the export is asked for: the export window's choices as typed, and the open file.
struct Pedido_Exportacion {
    int Exportable = 0;          // the open file's export right
    bool Hay_Fichas = false;     // the open file's card table shows a card
    QString Carpeta_Programa;
    QString Nombre;              // the new file's base name, as typed
    bool Con_Contrasena = false;
    QString Contrasena;          // as typed
    QString Fecha;               // the creation date, "!99/99/00" with blanks as typed
    int Formato_Fecha = 0;       // 1: day first, 0: month first
    int Opcion_Nivel = 1;        // 1: level 0 but the first N at 1; 2: each card's; 3: one for all
    QString Fichas_Nivel_1;      // N of option 1, "999" with blanks
    QString Nivel_Todas;         // the level of option 3, "9" with blanks
    bool Comprimir = true;
    bool Sin_Cambios_Repaso = false; // keep each card's next-review date
    bool Nuevo_Exportable = false, Nuevo_Modificable = true, Nuevo_Imprimible = true;
};

// Where the refused export puts the focus.
enum class Foco_Exportacion { Ninguno, Salir, Nombre, Contrasena, Fecha, Fichas_Nivel_1, Nivel };

struct Rechazo_Exportacion {
    QString Mensaje;
    Foco_Exportacion Foco = Foco_Exportacion::Ninguno;
};

// An export that may go ahead, every choice read.
struct Plan_Exportacion {
    QString Carpeta;     // the program's "dat" folder
    QString Base;        // Carpeta + "/" + name: the new file's parts are Base + ".DB", ...
    std::string Fech_Crea;       // "20" + year + month + day
    bool Comprime = false, Encripta = false;
    bool Empaqueta = false;      // the new file packs its cards ("S")
    std::string Clave;           // the new file's password, empty when none
    int Opcion_Nivel = 1;
    int Fichas_Nivel_1 = 0;      // option 1
    int Nivel_Todas = 0;         // option 3
    bool Sin_Cambios_Repaso = false;
    bool Exportable = false, Modificable = true, Imprimible = true;

    // The level of an exported card whose level in the open file is given (before option 1's
    // first N cards go to level 1).
    int Nivel_Ficha(int Nivel_Actual) const { return Opcion_Nivel == 2 ? Nivel_Actual : Opcion_Nivel == 3 ? Nivel_Todas : 0; }
    // The next-review date of an exported card.
    std::string Prox_Repa_Ficha(const std::string &Actual) const { return Sin_Cambios_Repaso ? Actual : "00000000"; }
};

// Every check of an export, in the order the user meets them: the export right, a card to
// export, the name (given, free in "dat", usable as a file name and short enough), the
// password, the creation date and the level option's number. The first that fails refuses.
std::variant<Rechazo_Exportacion, Plan_Exportacion> Comprueba_Exportacion(const Pedido_Exportacion &Pedido);

// The new file's options: PKS2 set to pack its cards (key, cipher, compression) and the options
// line Linea with the export's five choices written over it.
QString Opciones_Nuevo_FE(const Plan_Exportacion &Plan, TPackStreams &PKS2, const QString &Linea);

// The blob fields the export copies, in their order, by the open file's parts.
std::vector<const char *> Campos_Blob_Exportados(int Tam_Respuesta, int Con_Texto_Largo, int Con_Imagen_Pregunta,
                                                 int Con_Imagen_Respuesta);

// The new file's picture.
enum class Eleccion_Imagen { Misma, Otra, Ninguna };
struct Imagen_Exportada {
    QString Leer;  // a file to load into the picture held; empty: the picture held as it is
    QString Ext;   // "BMP" or "JPG": written as Base + "." + Ext; empty: no picture
};
// "La misma.": the open file's X.BMP, else X.JPG, else X.JPEG (written as JPG), found in any
// case of letters; "Otra Imagen.": the picture held when its type is "BMP" or "JPG"; else none.
Imagen_Exportada Imagen_Nuevo_FE(Eleccion_Imagen Eleccion, const QString &Ruta_FE, const QString &Tipo_Otra_Imagen);
