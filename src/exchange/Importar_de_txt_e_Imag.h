#pragma once
// The text import with pictures: two lines a card, the first with the card's texts split as
// in the one-line import, the second with the names of a question picture, an answer picture
// and a long-answer file, read from the text file's folder.
//
// A picture that cannot be read is said ("Error al leer imagen") and the card is stored
// without it. A long-answer file that cannot be read, a level or importance that is not a whole
// number, or a last text line without its file line stops the import with a message naming the
// line; the earlier cards stay stored, and no card is ever stored half-filled. The cards of
// one import are committed together, as in the one-line import.
#include "exchange/Importar_de_txt.h"

#include <QByteArray>

// The three names of a file line: question picture, answer picture, long-answer file. The
// question picture is the text before the first separator, the answer picture the text between
// the first and the second, the long-answer name the rest; with one separator the answer
// picture is empty, with none both pictures are.
struct Archivos_Linea {
    QString Imagen_Pregunta;
    QString Imagen_Respuesta;
    QString Texto_Largo;
    bool operator==(const Archivos_Linea &) const = default;
};
Archivos_Linea Divide_Linea_Archivos(const QString &Linea, const QString &Separador);

class TImportar_de_txt_e_Imag_ : public TImportar_Base_ {
    Q_OBJECT
public:
    explicit TImportar_de_txt_e_Imag_(QWidget *parent = nullptr);
    ~TImportar_de_txt_e_Imag_() override;

    void Button1Click() override;

    // Reads a picture of the text file's folder for the card being built: kind "Pregunt" for
    // the question picture, any other for the answer picture. Its type is "JPG" when the name
    // ends in JPG or JPEG, else "BMP"; packed when the open file packs. A picture that cannot
    // be read is said and left out.
    void Carga_Imagen_en_Ficha(const QString &Tipo, const QString &Nombre);

    // The folder of the chosen text file, with its trailing separator.
    QString Carpeta_Archivo;

private:
    struct Imagen {
        bool cargada = false;
        QString tipo;
        QByteArray bytes;
    };
    Imagen m_pregunta;
    Imagen m_respuesta;
    QByteArray leeArchivo(const QString &Nombre) const;
};

extern TImportar_de_txt_e_Imag_ *Importar_de_txt_e_Imag_;
