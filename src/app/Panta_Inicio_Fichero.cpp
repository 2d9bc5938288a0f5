// The main window's study-file routines: opening (menu entries 1 and 9), closing, the
// entry that creates a study file, and the last-file note "ultimo.txt".
//
// Opening never leaves a study file half-open: FE_Abierto becomes 1 only once the card
// table is open, and every failure after the completeness check ends in Cierra_Fichero with
// the settings flags of the failed attempt cleared (Abrir_Ultimo, Guardar_Contrasena).
#include "app/Panta_Inicio.h"

#include "app/Apertura_FE.h"

#include "packing/PackStreamRoutines.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"
#include "exchange/Exportar_FE.h"
#include "store/Crea_Fiche.h"
#include "store/D_Module.h"
#include "store/Opciones_FE.h"
#include "store/Passw_FE.h"
#include "store/Restos_Trabajo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>


namespace {
const QString Msg_Configuracion_Danada =
    QStringLiteral("La configuración de este Fichero de Estudio está dañada\r\ro no se puede leer:\r\r%1");
const QString Msg_Tabla_No_Abre = QStringLiteral("No se pudo abrir la tabla de fichas de este Fichero de Estudio:\r\r%1");
const QString Msg_Contrasena_No_Guardada = QStringLiteral("No se pudo guardar la contraseña en\r\r%1");
const QString Msg_Imagen_Danada = QStringLiteral("La imagen de este Fichero de Estudio está dañada:\r\r%1");
const QString Msg_Ultimo_No_Guardado = QStringLiteral("No se pudo anotar el último Fichero abierto en\r\r%1");
const QString Msg_Nombre_Ilegible = QStringLiteral(
    "El nombre del Fichero elegido («%1») no es un texto válido (UTF-8) y este programa no puede abrirlo.\r\r"
    "Cámbielo de nombre y vuelva a intentarlo.");

// The "open file" caption of the three menu pages.
void rotulaFichero(TPanta_Inicio_ &p, const QString &rotulo)
{
    for (platform::Label *label : {p.Label9, p.Label17, p.Label22})
        label->setCaption(rotulo);
}

std::string nombreArchivo(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

// Removes the first n lines of a line buffer, keeping the formatting of the rest.
void borraLineasIniciales(platform::RichEdit *edit, int n)
{
    QTextDocument *doc = edit->document();
    QTextCursor c(doc);
    c.movePosition(QTextCursor::Start);
    for (int i = 0; i < n; ++i) {
        if (!c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor)) {
            c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            break;
        }
    }
    c.removeSelectedText();
}

void mensaje(const QString &text)
{
    D_Module_->Ver_Mensaje(text);
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Menu entries 1, 8 and 9

void TPanta_Inicio_::Label5Click()
{
    const bool ultimo = Abrir_Ultimo == 1;
    if (!ultimo) {
        OpenDialog1->InitialDir = apertura::Carpeta(Ruta_FE);
        // A cancelled dialog leaves Ruta_FE as it was: while a file stays open, the routines
        // that read Ruta_FE find that file's path there.
        if (OpenDialog1->execute() && !OpenDialog1->FileName.isEmpty()) {
            // Refused before anything changes: the open file stays open.
            if (apertura::Nombre_Ilegible(OpenDialog1->FileName)) {
                QDir::setCurrent(Carpeta_Programa);
                mensaje(Msg_Nombre_Ilegible.arg(apertura::Nombre(OpenDialog1->FileName)));
                OpenDialog1->FileName.clear();
                Label5->setFontColor(platform::tcolor(platform::colors::Navy));
                return;
            }
            Ruta_FE = OpenDialog1->FileName;
        }
    }
    QDir::setCurrent(Carpeta_Programa);
    if (OpenDialog1->FileName.isEmpty() && !ultimo) {
        Aviso_Ningun_Fichero_Seleccionado();
        Label5->setFontColor(platform::tcolor(platform::colors::Navy));
        return;
    }
    Abrir_Ultimo = 0;
    OpenDialog1->FileName.clear();

    Nombre_FE = apertura::Sin_Extension(apertura::Nombre(Ruta_FE));

    try {
        Abre_Fichero();
    } catch (...) {
        // Whatever went wrong, no study file stays half-open.
        Cierra_Fichero();
        Guardar_Contrasena = 0;
        Label5->setFontColor(platform::tcolor(platform::colors::Navy));
        throw;
    }
    Label5->setFontColor(platform::tcolor(platform::colors::Navy));
}

void TPanta_Inicio_::Label11Click()
{
    Cierra_Fichero();
    platform::showModal(Crea_Fiche_);
    Label11->setFontColor(platform::tcolor(platform::colors::Navy));
}

void TPanta_Inicio_::Label21Click()
{
    // With no note (or an empty one) there is nothing to open: Abrir_Ultimo stays 0, so the
    // next "1- Abrir  Fichero" still shows its dialog.
    const QString ruta = apertura::Primera_Linea_Ultimo(Carpeta_Programa);
    if (ruta.isEmpty()) {
        Aviso_Ningun_Fichero_Seleccionado();
        return;
    }
    Abrir_Ultimo = 1;
    Ruta_FE = ruta;
    Label5Click();
}

// ---------------------------------------------------------------------------------------------
// Opening

// From the completeness check on. A file that cannot be opened is closed again with the
// reason told; only the unforeseen throws.
void TPanta_Inicio_::Abre_Fichero()
{
    TD_Module_ &dm = *D_Module_;

    // A replacement of a study file there cut short by a kill is finished first, and what
    // killed exports and unpackings left goes.
    Asienta_Carpeta_De(Ruta_FE);

    const QString rutaSTU = platform::existingPathAnyCase(Ruta_Companero(Ruta_FE, QStringLiteral("STU")));
    if (!QFileInfo(Ruta_FE).isFile() || rutaSTU.isEmpty()) {
        mensaje(Msg_Fichero_Incompleto);
        Cierra_Fichero();
        return;
    }

    // The open file (if any) goes; FE_Abierto says 1 again only with the new table open.
    FE_Abierto = 0;
    if (dm.Tabla_Activa->active())
        dm.Tabla_Activa->close();
    rotulaFichero(*this, Sin_Fichero);
    // Only a password typed during this open is saved.
    Guardar_Contrasena = 0;

    // Settings container. An enciphered one asks PKS3AskForKey for its key and the data
    // module speaks for a wrong password; a plain one that fails is damaged.
    TPackStreams &pks3 = *dm.PKS3;
    const bool cifrado = apertura::Contenedor_Cifrado(rutaSTU);
    const int aceptadaAntes = Contrasena_Aceptada;
    if (!cifrado)
        Contrasena_Aceptada = 0; // no password is involved: no password message
    // The saved password beside the file: the existing file whatever its case, else the name
    // a password saved now takes.
    const QString rutaCLA = [&] {
        const QString existing = platform::existingPathAnyCase(Ruta_Companero(Ruta_FE, QStringLiteral("CLA")));
        return existing.isEmpty() ? Ruta_Companero(Ruta_FE, QStringLiteral("CLA")) : existing;
    }();
    dm.Origen_Clave_PKS3 = TD_Module_::Origen_Clave::Ninguno;
    dm.Clave_PKS3.clear();
    auto carga = [&] {
        try {
            pks3.LoadFromFile(nombreArchivo(rutaSTU));
            return true;
        } catch (...) {
            return false;
        }
    };
    bool cargado = carga();
    if (!cargado && dm.Origen_Clave_PKS3 == TD_Module_::Origen_Clave::Guardada) {
        // The saved password is not this file's: it goes, and the user is asked for it.
        dm.Descarta_Clave_Guardada(rutaCLA);
        dm.Ignorar_Clave_Guardada = 1;
        cargado = carga();
        dm.Ignorar_Clave_Guardada = 0;
    }
    if (!cifrado)
        Contrasena_Aceptada = aceptadaAntes;
    if (!cargado) {
        pks3.ClearStreams();
        Guardar_Contrasena = 0;
        if (!cifrado)
            mensaje(Msg_Configuracion_Danada.arg(rutaSTU));
        Cierra_Fichero();
        return;
    }

    // The password typed with "Guardar contraseña" ticked, saved beside the file before the
    // settings are read.
    if (Guardar_Contrasena == 1) {
        QStringList lineas = RichEdit3->lines();
        while (lineas.size() < 2)
            lineas << (lineas.isEmpty() ? QStringLiteral("RichEdit3") : QString());
        lineas[1] = Passw_FE_->Edit1->text();
        RichEdit3->setLines(lineas);
        TPackStreams &pks2 = *dm.PKS2;
        pks2.Encrypted = true;
        pks2.Compressed = true;
        packing::MemoryStream stream = toMemoryStream(RichEdit3->saveToBytes());
        pks2.Key = Serie_Disco.toStdString();
        bool guardada = true;
        try {
            pks2.AddStream("1", stream);
            pks2.SaveToFile(nombreArchivo(rutaCLA), packing::SaveFile::OwnerOnly);
        } catch (...) {
            guardada = false;
        }
        // The password does not stay in the container's memory for its next use.
        pks2.ClearStreams();
        Guardar_Contrasena = 0;
        pks2.Encrypted = false;
        pks2.Compressed = false;
        pks2.Key.clear();
        if (!guardada)
            mensaje(Msg_Contrasena_No_Guardada.arg(rutaCLA));
    }

    // The settings: line 0 the options, then the version line, an empty line, the description.
    QByteArray contenido;
    {
        packing::MemoryStream stream;
        pks3.GetStream("FE_STU", stream);
        contenido = toByteArray(stream);
    }
    pks3.ClearStreams();
    RichEdit1->loadFromBytes(contenido);
    const std::optional<Opciones_FE> opciones = Lee_Linea_Opciones_FE(RichEdit1->line(0));
    if (!opciones) {
        RichEdit1->clear();
        mensaje(Msg_Configuracion_Danada.arg(rutaSTU));
        Cierra_Fichero();
        return;
    }
    // Every settings line goes to the export window's buffer, which writes them into a new file.
    Exportar_FE_->RichEdit1->loadFromBytes(RichEdit1->saveToBytes());
    borraLineasIniciales(RichEdit1, 3); // the description is left

    const Opciones_FE &o = *opciones;
    apertura::Pon_Opciones(*this, o);
    TPackStreams &pks = *dm.PKS;
    pks.Compressed = o.Comprimido;
    if (o.Encriptado) {
        pks.Encrypted = true;
        // The key that opened the settings, wherever it came from; none when no key was asked
        // for (the cards then read as damaged, never under another file's key).
        pks.Key = dm.Origen_Clave_PKS3 == TD_Module_::Origen_Clave::Ninguno ? std::string() : dm.Clave_PKS3;
    } else {
        pks.Key.clear();
        pks.Encrypted = false;
    }

    // The cards, under the base filter. The filter is set before the table opens, so that
    // the view is built once and the first card shown is the first one of the filtered view.
    engine::Table &tabla = *dm.Tabla_Activa;
    try {
        tabla.setDatabaseName(nombreArchivo(apertura::Carpeta_Tabla(Ruta_FE)));
        tabla.setTableName(nombreArchivo(apertura::Nombre(Ruta_FE)));
        tabla.setFilter(Filtro_Base.toStdString());
        tabla.setFiltered(true);
        tabla.open();
    } catch (const engine::DamagedTableError &e) {
        tabla.close();
        dm.Avisa_Tabla_Danada(e.path(), QString::fromStdString(e.what()));
        Cierra_Fichero();
        return;
    } catch (const engine::EngineError &e) {
        tabla.close();
        mensaje(Msg_Tabla_No_Abre.arg(QString::fromStdString(e.what())));
        Cierra_Fichero();
        return;
    } catch (...) {
        // The table is open but its first card could not be shown. The file stays open, so
        // that the card can be mended or deleted; a damaged container has already been told
        // by the data module.
        if (!tabla.active())
            throw;
        try {
            throw;
        } catch (const ECorruptFile &) {
        } catch (...) {
            mensaje(Msg_Datos_Danados);
        }
    }
    // The controls that show the first card found the table damaged: it has been told, and
    // the file goes as it was.
    if (dm.Fichero_Danado()) {
        Cierra_Fichero();
        return;
    }
    Filtro_Actual = Filtro_Base;
    // A selection belonged to the file opened before: none is in force on this one.
    Seleccion_Activa = 0;
    Filtro_Seleccion.clear();
    FE_Abierto = 1;
    // The file is named as open only once it is: never while its password is asked for or a
    // message says why it cannot be opened.
    rotulaFichero(*this, QStringLiteral("Fichero Abierto: ") + Nombre_FE);

    // The file's picture, else the program's.
    const QString rutaImagen = apertura::Ruta_Imagen(Ruta_FE);
    if (!rutaImagen.isEmpty() && Image1->loadFromFile(rutaImagen)) {
        Actualiza_Imagenes(QStringLiteral("Info FE: SI"));
    } else {
        if (!rutaImagen.isEmpty())
            mensaje(Msg_Imagen_Danada.arg(rutaImagen));
        Pon_Imagen_Por_Defecto();
    }

    // The last-file note, rewritten whole at every successful open.
    const QString rutaUltimo = Carpeta_Programa + QLatin1Char('/') + Fichero_Ultimo_FE;
    if (!platform::saveFileAtomically(rutaUltimo, Ruta_FE.toUtf8() + '\n'))
        mensaje(Msg_Ultimo_No_Guardado.arg(rutaUltimo));
    Actualiza_Ultimo_FE_abierto();
}

// ---------------------------------------------------------------------------------------------
// Closing, the last-file note

void TPanta_Inicio_::Cierra_Fichero()
{
    if (D_Module_)
        D_Module_->Tabla_Activa->close();
    rotulaFichero(*this, Sin_Fichero);
    FE_Abierto = 0;
    Pon_Imagen_Por_Defecto();
}

void TPanta_Inicio_::Actualiza_Ultimo_FE_abierto()
{
    const QString rotulo = apertura::Rotulo_Ultimo(apertura::Primera_Linea_Ultimo(Carpeta_Programa));
    Label21->setCaption(rotulo);
    if (!rotulo.isEmpty())
        Label21->resize(373, Label21->height());
}
