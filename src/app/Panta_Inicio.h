#pragma once
// The main window: the program's menu on three tabs, its help, its pictures and its
// preferences. The session state it holds for every window is its base TSesion_ (store/Sesion.h).
#include "platform/FileDialog.h"
#include "platform/Form.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Panel.h"
#include "platform/RichEdit.h"
#include "platform/Timer.h"
#include "store/Sesion.h"

#include <QPushButton>
#include <QStringList>
#include <QTabWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TPanta_Inicio_ : public platform::Form, public TSesion_ {
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

    platform::FileDialog *OpenDialog1;
    platform::FileDialog *OpenDialog2;

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
    void Actualiza_Imagenes(const QString &Modo) override;
    void Pon_Imagen_Por_Defecto() override;

    // ---- Study file ----
    void Cierra_Fichero() override;
    QWidget *Ventana_Principal() override { return this; }

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
    // Aplica_Preferencias_1_2, then Aplica_Preferencias_3_4.
    void Aplica_Preferencias() override;
    // Writes RichEdit2's lines as rich text, whole, through a temporary file renamed over the
    // old one; false when it could not (the old file is then kept).
    bool Guarda_Preferencias() override;
    // The same-day review option of line 4 as last applied (the review selection's and the
    // options window's same-day boxes follow it).
    bool Mismo_Dia_Permitido() const override { return m_mismoDia; }

    // ---- The main menu: one row per menu label, in the order the labels are made ----
    struct Entrada_Menu {
        int Pestana;                               // tab 1, 2 or 3
        platform::Label *TPanta_Inicio_::*Control; // the label
        const char *Nombre;                        // its object name
        const char *Rotulo;                        // its caption
        char Tecla;                                // its key: a digit or a capital (either case is typed); 0 none
        void (TPanta_Inicio_::*Clic)();            // handler of a click, and of the key
        void (TPanta_Inicio_::*Por_Tecla)();       // handler of the key when it is another one
        bool Fichero;                              // a study file must be open (Hay_Fichero_Abierto first)
        int Tag;                                   // 1 to 3: the tab's colour; 0: maroon (help, about, exit)
        int Fila;                                  // top of the label, in pixels
        int Ancho;                                 // width the caption wraps at; 0: one line
    };
    static const std::vector<Entrada_Menu> &Menu_Principal();
    // Runs an entry chosen by a click or by its key: the open-file guard, then its handler.
    void Ejecuta_Entrada(const Entrada_Menu &Entrada, bool Por_Tecla);

private:
    void Abre_Fichero(); // the open routine from the completeness check on
    // The tab's picture, its menu labels (Menu_Principal), its open-file label and its hidden
    // Cancel button.
    void buildTab(int Pestana, platform::Panel *tab, platform::ImageControl *TPanta_Inicio_::*imagen,
                  const char *imagenNombre, int imagenTop, platform::Label *TPanta_Inicio_::*ficheroLabel,
                  const char *ficheroNombre, QPushButton *TPanta_Inicio_::*salir, const char *salirNombre);
    platform::Label *menuLabel(platform::Panel *tab, const char *name, const QString &caption, int tag,
                               unsigned color, int x, int y, int wrapWidth = 0);
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

