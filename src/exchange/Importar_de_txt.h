#pragma once
// The text import: cards added to the open study file from a text file, one card a line,
// question, answer, key and importance separated by a character the user chooses, all at the
// level typed. TImportar_Base_ holds what it shares with the import with pictures
// (Importar_de_txt_e_Imag.h): the controls, the file dialog, the main window disabled while
// the window is open, and the report of a line that cannot be imported.
//
// Each card is worked out before it is appended and is appended whole; the cards of one import
// are committed together (store/Ficha_Nueva.h). A line whose level or importance is not a whole
// number stops the import with a message naming the line (a long field quoted by its start),
// and the cards of the earlier lines are kept; an import cut short otherwise (the program
// killed) adds no card, so that running it again adds none twice. Text files are read as UTF-8,
// or as Windows-1252 when they are not valid UTF-8, a line at most 1 MiB long: a longer line
// stops the import there in the same way, and the file is read no further. The file is read a
// line at a time (platform/TextFile.h), never held whole, so that memory stays the same
// whatever its number of lines; ListBox1 is left empty.
//
// In a study file whose cards have no short answer, the answers of the text file cannot be
// stored: when the file holds any, the user is told so first and chooses whether to go on.
#include "exchange/Importar_de_txt_Lineas.h"
#include "platform/FileDialog.h"
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/MaskEdit.h"
#include "platform/TextFile.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QString>

#include <optional>

class TImportar_Base_ : public platform::Form {
    Q_OBJECT
public:
    platform::Label *Label1; // "Caracter separador:"
    QLineEdit *Edit1;        // the separator
    platform::Label *Label2; // "Nivel de las Fichas:" (a click imports)
    platform::MaskEdit *MaskEdit1; // the level, "9;1;_"
    QPushButton *Button1;    // "  I&mportar Fichas"
    QPushButton *Button2;    // "&Salir"
    QPushButton *Button3;    // "&Ayuda"
    QListWidget *ListBox1;   // hidden: the file's lines
    platform::FileDialog *OpenDialog1;

    void FormActivate();
    void FormClose();
    virtual void Button1Click() = 0;
    void Button2Click();
    void Button3Click();

protected:
    TImportar_Base_(const char *objectName, const QString &caption, int helpContext, QWidget *parent);

    // Shows the file dialog (its initial folder the program folder the first time in a run,
    // then the dialog's own) and opens the chosen file in Lector, its lines to be read up to the
    // first line too long to read. False when cancelled or when the file cannot be read (said).
    bool Elige_Archivo();
    // The chosen file's lines; its tooLongLine() is the number (from 1) of the line too long to
    // read that ends them (0 when the whole file is read).
    platform::TextLineReader Lector;
    // In a study file whose cards have no short answer, when the text file holds answers in its
    // card lines (every `Paso`-th line from the first): says that they will not be stored and
    // asks whether to go on. False to stop. Lector is left at its first line.
    bool Sigue_Sin_Respuesta_Corta(int Paso);
    // Says that the file could no longer be read, and how many cards were imported.
    void Lectura_Fallida(int Importadas);
    // The level typed, as a whole number; throws the conversion error.
    int Nivel() const;
    // The importance of a card line as a whole number when the open file's cards have one, else
    // 0; throws the conversion error.
    static int Importancia_Linea(const Partes_Linea_Texto &Partes);
    // The key of a card line when the open file's cards have keys.
    static std::optional<QString> Clave_Linea(const Partes_Linea_Texto &Partes);
    // Says that line Linea (counted from 1) was not imported, and how many cards were.
    void Linea_Fallida(int Linea, const QString &Causa, int Importadas);
    // The same for the line too long to read.
    void Linea_Larga_Fallida(int Importadas);

private:
    int m_ayuda;
    bool m_dialogoUsado = false;
};

class TImportar_de_txt_ : public TImportar_Base_ {
    Q_OBJECT
public:
    explicit TImportar_de_txt_(QWidget *parent = nullptr);
    ~TImportar_de_txt_() override;

    void Button1Click() override;
};

extern TImportar_de_txt_ *Importar_de_txt_;
