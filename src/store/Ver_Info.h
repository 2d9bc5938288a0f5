#pragma once
// The file information window: a summary of the open study file, computed afresh at every
// activation. The settings of the file (sizes, parts, rights) in a two-column grid, the count
// of all cards, of level 0, packed and plain; how many cards sit at each level (0 to 5, 6 or
// more) with a bar and a percentage rounded to the nearest whole number (a half to the even
// one); the total of reviews of all cards; the file's name, description and picture.
//
// The counts take the whole card table, level 0 included, whatever selection is in force:
// they are read in one walk over the records through the engine, which moves no cursor and
// fills no card display, so the card table keeps its card and its filter.
#include "platform/Form.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/RichEdit.h"

#include <QGroupBox>
#include <QPushButton>
#include <QString>
#include <QTableWidget>

#include <cstdint>

class TVer_Info_ : public platform::Form {
    Q_OBJECT
public:
    explicit TVer_Info_(QWidget *parent = nullptr);
    ~TVer_Info_() override;

    platform::Label *Label8; // " Nombre del Fichero:"
    platform::Label *Label7; // total reviews
    QTableWidget *SG;        // the settings and counts, 2 columns x 20 rows
    QGroupBox *GroupBox2;    // " Nº de Fichas en cada Nivel:  "
    platform::Label *Label6;  // level 0
    platform::Label *Label9;  // level 1
    platform::Label *Label10; // level 2
    platform::Label *Label11; // level 3
    platform::Label *Label12; // level 4
    platform::Label *Label13; // level 5
    platform::Label *Label14; // level 6 and above
    platform::Label *Label15; // "(o mayor)"
    platform::Label *Label16; // "Procesando:", shown while the reviews are summed
    QGroupBox *GroupBox3;     // "Descripción del Fichero:  "
    platform::RichEdit *RichEdit1;
    QPushButton *Button4; // "&Zoom"
    QGroupBox *GroupBox7; // " Imagen: "
    platform::ImageControl *Image1;
    QPushButton *Button1; // "&Salir", also Esc
    QPushButton *Button3; // "&Ayuda"

    void Muestra_Informacion_Fichero();

    void FormCreate();
    void FormActivate();
    void Button1Click();
    void Button3Click();
    void Button4Click();
    void Image1Click();

    // The percentage that m cards make of total, rounded to the nearest whole number, a half
    // to the even one (0 when total is 0).
    static int Porcentaje(std::int64_t m, std::int64_t total);

private:
    void celda(int fila, int columna, const QString &texto);
    void Ajusta_Lineas_Niveles();

    QString m_tituloGroupBox2; // the design caption of GroupBox2
};

extern TVer_Info_ *Ver_Info_;
