#pragma once
// The session state that the program's windows share.
//
// What belongs here: the fields that the windows read and write to talk to each other (the open
// study file and its settings, today's dates, the options read from the preferences, the review
// queue, the skip flag of activations, the text of the next message, ...), the hidden rich edits
// and the two timers that several windows use, the program-wide constants, and the few services
// of the main window that other windows call (closing the study file, saving the preferences,
// refreshing the main window's pictures, the main window itself for enabling, disabling and its
// window state). What does not: controls and handlers of any window, and anything that only the
// main window uses.
//
// TPanta_Inicio_ (the main window) derives from TSesion_ and sets Sesion_ to itself when it is
// created, so there is one object and one definition of each field: the main window reads
// Sesion_->Ruta_FE, every other window and the data module read Sesion_->Ruta_FE and
// include this header, never the main window's.
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>

class QWidget;
namespace platform {
class RichEdit;
class Timer;
} // namespace platform

// Writable constants of the unit, read by other units too.
extern QString Titulo_Programa;       // "Orvenda  vs. 2.0" padded with blanks to 40 characters
extern QString Filtro_Base;           // " (Nive_fich <> 0 ) "
extern const QString Fichero_Preferencias;  // "Orvenda02.stu"
extern const QString Fichero_Ayuda;         // "Orvenda2.chm"
extern const QString Fichero_Estilo_Fuente; // "01.stl"
extern const QString Msg_Ningun_Fichero_Abierto;      // "No hay ningún Fichero de Estudio abierto."
extern const QString Msg_Ningun_Fichero_Seleccionado; // "No se seleccionó ningún Fichero de Estudio"
extern const QString Msg_Fichero_Incompleto;          // "El Fichero de Estudio está incompleto."
extern const QString Sin_Fichero;                     // "Fichero Abierto:  (ninguno)"
extern const QString Msg_Preferencias_Nuevas;         // the first-run message of the preferences
extern const QString Msg_Preferencias_No_Guardadas;   // the preferences file could not be written

class TSesion_;
extern TSesion_ *Sesion_;

class TSesion_ {
public:
    // The session is the main window: it points Sesion_ at itself for its whole life.
    TSesion_() { Sesion_ = this; }
    TSesion_(const TSesion_ &) = delete;
    TSesion_ &operator=(const TSesion_ &) = delete;
    virtual ~TSesion_()
    {
        if (Sesion_ == this)
            Sesion_ = nullptr;
    }

    // Hidden rich edits used as line buffers (never shown), owned by the main window.
    platform::RichEdit *RichEdit1 = nullptr; // the open file's description
    platform::RichEdit *RichEdit2 = nullptr; // the preferences lines
    platform::RichEdit *RichEdit3 = nullptr;
    platform::RichEdit *RE_Resp_Text = nullptr;
    platform::RichEdit *RE_Estilo_Fuente = nullptr;

    platform::Timer *Timer_Descanso = nullptr;
    platform::Timer *Timer_Parpadeo = nullptr;
    // The review window's one-second session clock, set by the review window while it exists;
    // the break window stops it while a break is shown.
    platform::Timer *Timer_n_Repaso = nullptr;

    // ---- Shared session state (flags are 0/1) ----
    int Ayuda_Iniciada = 0;
    std::uint32_t Cookie_Ayuda = 0;
    int Rotulo_Resaltado = 0;
    int Indice_Rotulo_Resaltado = 0;
    QString Ruta_FE;
    QString Carpeta_Programa;
    int FE_Abierto = 0;
    QString Fecha_Hoy_Pantalla;
    QString Fecha_Hoy;
    int Modo_Alta = 0;
    QString Filtro_Actual;
    int Solo_Seleccionar = 0;
    int Seleccion_Activa = 0;
    QString Filtro_Seleccion;
    int Reiniciar_Seleccion = 0;
    QString Nombre_FE;
    int Tam_Pregunta = 0;
    int Tam_Respuesta = 0;
    int Con_Imagen_Pregunta = 0;
    int Con_Imagen_Respuesta = 0;
    int Con_Texto_Largo = 0;
    int Con_Importancia = 0;
    int Con_Clave = 0;
    QString Idioma;
    int Formato_Fecha = 0;
    int Crear_Tabla_Impresion = 0;
    std::array<int, 10> Dias_Repaso{}; // indexed 1 to 9
    int Repaso_Por_Tiempo = 0;
    std::array<int, 7> Descansos{};    // indexed 0 to 6
    int Avisar_Descansos = 0;
    int Descansos_Periodicos = 0;
    int Descanso_Armado = 1;
    int Indice_Descanso = 1;
    double Tiempo_Pausas = 0;  // days
    double Inicio_Descanso = 0; // date-time in days
    double Inicio_Sesion = 0;   // date-time in days
    int Leer_Preferencias = 1;
    int Pagina_Ejercicio = 0;
    int Pasar_Nivel_0_a_1 = 0;
    int Min_Fichas_Nivel_1 = 0;
    int Fichas_A_Pasar = 0;
    int Fichero_Empaquetado = 0;
    int Comprimido = 0;
    int Encriptado = 0;
    int Exportable = 0;
    int Imprimible = 0;
    int Modificable = 0;
    QString Origen_Zoom;
    int Guardar_Contrasena = 0;
    QString Serie_Disco;
    int Imagen_Pregunta_Cambiada = 0;
    int Imagen_Respuesta_Cambiada = 0;
    int Ficha_Deja_De_Empaquetar = 0;
    int Ficha_Pasa_A_Empaquetar = 0;
    int Error_Reparacion = 0;
    int Saltar_Activacion = 0;
    std::unique_ptr<QStringList> NumFich; // absent until a review session builds it
    int NumFich_Agotada = 0;
    int Ultima_Ficha_Modificada = 0;
    QString Filtro_Antes_Repaso;
    int Edicion_Desde_Repaso = 0;
    QString Texto_Mensaje;
    int Abrir_Ultimo = 0;

    // ---- Services of the main window ----
    // The main window, to disable it while a window of its own is shown, enable it again and
    // take its maximised or normal state.
    virtual QWidget *Ventana_Principal() = 0;
    // Closes the open study file.
    virtual void Cierra_Fichero() = 0;
    // Writes RichEdit2's lines to the preferences file; false when it could not.
    virtual bool Guarda_Preferencias() = 0;
    // Applies RichEdit2's lines as reading the preferences file does: the fields of the four
    // lines, the break timer's interval and the blink timer.
    virtual void Aplica_Preferencias() = 0;
    // The main window's pictures for the given mode ("Abrir", "Cerrar", ...) and the default one.
    virtual void Actualiza_Imagenes(const QString &Modo) = 0;
    virtual void Pon_Imagen_Por_Defecto() = 0;
    // The same-day review option of line 4 of the preferences as last applied.
    virtual bool Mismo_Dia_Permitido() const = 0;
};

// The review's "&Descansar": the break timer at 99 ms and enabled, so that a break comes at
// once when the reminder is on and armed.
void Pide_Descanso();
// The key of saved-password files: the serial of the volume holding the folder as 8 upper-case
// hexadecimal digits with "-" after the fourth ("1A2B-3C4D"), or "~~~" when it can't be read.
QString Numero_Serie_Disco(const QString &Carpeta);
// The last-file note in the program folder: one line, the table path of the study file
// last opened successfully.
extern const QString Fichero_Ultimo_FE; // "ultimo.txt"
// A study file's companion: the table path less its last 2 characters plus the extension
// (C:/Datos/Ingles.db and "STU" give C:/Datos/Ingles.STU). Empty for a path shorter than 2.
QString Ruta_Companero(const QString &Ruta, const QString &Extension);
