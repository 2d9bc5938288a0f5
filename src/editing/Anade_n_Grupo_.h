#pragma once
// The group entry window: up to 98 cards typed in a grid (question, answer, key, importance),
// kept in a text file for later ("&" between the parts, one card a line; editing/
// Anade_n_Grupo_Lineas.h) and created in the open study file in one step. Loading the text file
// reads at most its first 98 lines, each at most 1 MiB long: a longer line ends the loading
// there with a message naming it, the rows of the lines before it filled.
//
// Each card is converted before it is appended and is appended whole; the cards of one creation
// are committed together (store/Ficha_Nueva.h). A row whose level or importance is not a whole
// number stops the creation with a message naming the row; the cards of earlier rows stay
// created and their rows are emptied, so that creating again does not add them twice.
#include "platform/FileDialog.h"
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/MaskEdit.h"
#include "platform/Panel.h"

#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTableWidget>

class TAnade_n_Grupo : public platform::Form {
    Q_OBJECT
public:
    explicit TAnade_n_Grupo(QWidget *parent = nullptr);
    ~TAnade_n_Grupo() override;

    static constexpr int Filas = 98; // rows 1 to 98 hold cards; row 0 is the header

    QTableWidget *StringGrid1;
    platform::Panel *Panel2;
    platform::Label *label2; // "DATOS  PARA LAS FICHAS:"
    platform::Label *label1; // "Nivel en el fichero:"
    platform::MaskEdit *maskedit3; // level, "9;1;_"
    platform::Label *label6; // "Clave ficha:"
    QLineEdit *edit1;        // key for rows without one
    platform::Label *label3; // "Nivel Importancia:"
    platform::MaskEdit *maskedit2; // importance for rows without one, "9999;1;_"
    platform::Label *label4; // the rule: a cell wins over the panel

    QPushButton *button4;     // "Borrar t&odo"
    QPushButton *button5;     // "Borra lín&ea"
    QPushButton *buttonbtn1;  // "G&uarda a archivo TXT (separador &&)"
    QPushButton *buttonbtn2;  // "&Lee de archivo TXT (separador &&)"
    QPushButton *btnButton10; // "&Guardar y Salir"
    QPushButton *btnButton9;  // "&Salir sin guardar"
    QPushButton *btn1;        // "&Ayuda"

    platform::FileDialog *dlgSave1;
    platform::FileDialog *OpenDialog1;

    // The cell of a column (0 to 3) and a row (0 to 98).
    QString Celda(int Col, int Fila) const;
    void Pon_Celda(int Col, int Fila, const QString &Texto);

    // The lines of the group text file for the rows as they stand.
    QStringList Lineas_Archivo() const;

    // ---- Handlers ----
    void FormCreate();
    void FormActivate();
    void FormKeyUp(QChar &Key);
    void StringGrid1KeyPress(QChar &Key);
    void button4Click();
    void button5Click();
    void buttonbtn1Click();
    void buttonbtn2Click();
    void btnButton10Click();
    void btnButton9Click();
    void btn1Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layOut();
    bool filaVacia(int Fila) const;
    void vaciaFila(int Fila);
    // Creates the card of a row; throws what stops it.
    void creaFicha(int Fila);
};

extern TAnade_n_Grupo *Anade_n_Grupo;
