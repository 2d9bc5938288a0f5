#pragma once
// The main window: the program's menu on three tabs, its help, its pictures, the hidden line
// buffers and the session state that every window of the program shares.
#include "platform/FileDialog.h"
#include "platform/Form.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Panel.h"
#include "platform/RichEdit.h"
#include "platform/Timer.h"

#include <QPushButton>
#include <QStringList>
#include <QTabWidget>

#include <array>
#include <cstdint>
#include <memory>

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

class TPanta_Inicio_ : public platform::Form {
    Q_OBJECT
public:
    explicit TPanta_Inicio_(QWidget *parent = nullptr);
    ~TPanta_Inicio_() override;

    // ---- Controls ----
    platform::Panel *Panel1;
    QTabWidget *PageControl1;
    platform::Panel *TabSheet1;
    platform::Panel *TabSheet2;
    platform::Panel *TabSheet3;
    platform::ImageControl *Image1;
    platform::ImageControl *Image2;
    platform::ImageControl *Image3;

    // Tab 1 " Principal "
    platform::Label *Label5;  // 1- Abrir  Fichero
    platform::Label *Label1;  // 2- Repasar Fichas
    platform::Label *Label32; // 3- Repaso por tiempo
    platform::Label *Label2;  // 4- Añadir Fichas
    platform::Label *Label31; // 5- Añadir Fichas en Grupo
    platform::Label *Label13; // 6- Información del Fichero
    platform::Label *Label3;  // 7- Seleccionar, Modificar o Borrar Fichas
    platform::Label *Label11; // 8- Crear Fichero
    platform::Label *Label21; // 9- Abrir último Fichero abierto
    platform::Label *Label8;  // 0- Ayuda
    platform::Label *Label14; // Acerca de...
    platform::Label *Label7;  // Salir
    platform::Label *Label9;  // Fichero Abierto:
    QPushButton *Button1;
    // Tab 2 " Utilidades "
    platform::Label *Label19; // A- Pasar Fichas del Nivel 0 al 1
    platform::Label *Label18; // B- Opciones del Programa
    platform::Label *Label6;  // C- Imprimir Fichas
    platform::Label *Label10; // D- Modificación Global
    platform::Label *Label15; // Z- Ayuda
    platform::Label *Label16; // Salir
    platform::Label *Label17; // Fichero Abierto:
    QPushButton *Button2;
    // Tab 3 "Herramientas "
    platform::Label *Label24; // E- Ficheros de Transporte
    platform::Label *Label4;  // F- Reparar Fichero
    platform::Label *Label12; // G- Borrar Fichero
    platform::Label *Label30; // H- Exportar a un nuevo Fichero de Estudio
    platform::Label *Label20; // I- Importar Fichas con texto
    platform::Label *Label25; // J- Importar desde un Fichero de Estudio
    platform::Label *Label43; // K- Importar Fichas con texto e imagenes
    platform::Label *Label26; // Y- Ayuda
    platform::Label *Label27; // Salir
    platform::Label *Label22; // Fichero Abierto:
    QPushButton *ButtonScape3;

    // Hidden rich edits used as line buffers (never shown).
    platform::RichEdit *RichEdit1;
    platform::RichEdit *RichEdit2;
    platform::RichEdit *RichEdit3;
    platform::RichEdit *RE_Resp_Text;
    platform::RichEdit *RE_Estilo_Fuente;

    platform::FileDialog *OpenDialog1;
    platform::FileDialog *OpenDialog2;

    platform::Timer *Timer_Descanso;
    platform::Timer *Timer_Parpadeo;

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

    // ---- Handlers ----
    void FormCreate();
    void FormActivate();
    void FormKeyPress(QChar &Key);
    void FormCloseQuery(bool &CanClose);
    void Label5MouseMove(platform::Label *Sender);
    void TabSheet1MouseMove();

    void Label5Click();  // 1
    void Label1Click();  // 2
    void Label32Click(); // 3
    void Label2Click();  // 4
    void Label31Click(); // 5
    void Label13Click(); // 6
    void Label3Click();  // 7
    void Label11Click(); // 8
    void Label21Click(); // 9
    void label8Click();  // 0, Z and Y keys
    void Label14Click(); // Acerca de...
    void Label7Click();  // Salir, Esc
    void Label19Click(); // A
    void Label18Click(); // B
    void Label6Click();  // C
    void Label10Click(); // D
    void Label16Click(); // click on "Z- Ayuda"
    void Label24Click(); // E
    void Label4Click();  // F
    void Label12Click(); // G
    void Label30Click(); // H
    void Label20Click(); // I
    void Label25Click(); // J
    void Label43Click(); // K
    void psvBasicLabel1Click(); // click on "Y- Ayuda"

    void Timer_DescansoTimer();
    void Timer_ParpadeoTimer();

    // ---- Help ----
    bool Ayuda_HTML(std::uint16_t Command, std::uint32_t Data, bool &CallHelp);
    void Inicia_Ayuda_HTML();
    void Cierra_Ayuda_HTML();

    // ---- Pictures ----
    void Actualiza_Imagenes(const QString &Modo);
    void Pon_Imagen_Por_Defecto();

    // ---- Study file ----
    void Cierra_Fichero();

    // ---- Preferences (the file Orvenda02.stu in the program folder, its lines in RichEdit2) ----
    // Run by the activation, in this order: Verifica_Preferencias; Preferencias_Por_Defecto
    // when the file does not exist, else Lee_Preferencias when Leer_Preferencias = 1;
    // Aplica_Preferencias_3_4.
    QString Ruta_Preferencias() const;
    // Deletes a file that exists but cannot be read, so that it is written anew.
    void Verifica_Preferencias();
    // Writes the first-run lines and shows the first-run message; Leer_Preferencias stays 1.
    // When the file cannot be written the first-run values are applied from memory and a
    // message says so, once in a run.
    void Preferencias_Por_Defecto();
    // Loads the file into RichEdit2 (rich text, else plain text), sets the fields of lines 1
    // and 2 and both timers; Leer_Preferencias := 0. Malformed lines never stop it: see
    // app/Preferencias.h.
    void Lee_Preferencias();
    // From lines 3 and 4 in memory: the level-0 move and the same-day boxes.
    void Aplica_Preferencias_3_4();
    // Writes RichEdit2's lines as rich text, whole, through a temporary file renamed over the
    // old one; false when it could not (the old file is then kept).
    bool Guarda_Preferencias();
    // The same-day review option of line 4 as last applied (the review selection's and the
    // options window's same-day boxes follow it).
    bool Mismo_Dia_Permitido() const { return m_mismoDia; }

    // The menu labels in key order, and the hidden Cancel buttons.
    QList<platform::Label *> menuLabels() const;

private:
    void Abre_Fichero(); // the open routine from the completeness check on
    void buildTab1();
    void buildTab2();
    void buildTab3();
    using Handler = void (TPanta_Inicio_::*)();
    platform::Label *menuLabel(platform::Panel *tab, const char *name, const QString &caption, Handler click,
                               int tag, unsigned color, int x, int y, int wrapWidth = 0);
    platform::Label *fileLabel(platform::Panel *tab, const char *name, int x, int y);
    QPushButton *cancelButton(platform::Panel *tab, const char *name);
    platform::ImageControl *picture(platform::Panel *tab, const char *name, int top);
    const QObjectList &components();

    // Fields of lines 1 and 2 from the lines in memory; sets both timers.
    void Aplica_Preferencias_1_2();
    // Fecha_Hoy and Fecha_Hoy_Pantalla from the clock, Formato_Fecha and the date separator.
    void Pon_Fechas_Hoy();

    QObjectList m_components;
    bool m_mismoDia = true;
    bool m_avisoPrimeraVezEnCurso = false;
    bool m_avisadoNoGuardadas = false;

    // ---- Routines of the study-file handling that the activation calls (in
    // Panta_Inicio_Fichero.cpp). ----
public:
    // The caption of menu entry 9 from the last-file note "ultimo.txt".
    void Actualiza_Ultimo_FE_abierto();
};

extern TPanta_Inicio_ *Panta_Inicio_;

// True when a study file is open; otherwise shows "No hay ningún Fichero de Estudio abierto."
// and returns false.
bool Hay_Fichero_Abierto();
// Shows "No se seleccionó ningún Fichero de Estudio".
void Aviso_Ningun_Fichero_Seleccionado();
// The key of saved-password files: the serial of the volume holding the folder as 8 upper-case
// hexadecimal digits with "-" after the fourth ("1A2B-3C4D"), or "~~~" when it can't be read.
QString Numero_Serie_Disco(const QString &Carpeta);
// The last-file note in the program folder: one line, the table path of the study file
// last opened successfully.
extern const QString Fichero_Ultimo_FE; // "ultimo.txt"
// A study file's companion: the table path less its last 2 characters plus the extension
// (C:/Datos/Ingles.db and "STU" give C:/Datos/Ingles.STU). Empty for a path shorter than 2.
QString Ruta_Companero(const QString &Ruta, const QString &Extension);
