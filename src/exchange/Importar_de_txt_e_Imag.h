#pragma once
// The text import with pictures: two lines a card, the first with the card's texts split as
// in the one-line import, the second with the names of a question picture, an answer picture
// and a long-answer file, read from the text file's folder.
//
// Only files of that folder are read: a name with a path separator, "..", or a drive stops the
// import at its line with a message, and a name that leads out of the folder through a link
// is a file that cannot be read. A picture that cannot be read, or whose bytes do not decode as
// the type it is stored under (BMP or JPG), is said ("Error al leer imagen") and the card is
// stored without it. A long-answer file that cannot be read, a level or importance that is not
// a whole number, or a last text line without its file line stops the import with a message
// naming the line; the earlier cards stay stored, and no card is ever stored half-filled. The
// cards of one import are committed together, as in the one-line import.
#include "exchange/Importar_de_txt.h"

#include <QByteArray>

#include <optional>

class TImportar_de_txt_e_Imag_ : public TImportar_Base_ {
    Q_OBJECT
public:
    explicit TImportar_de_txt_e_Imag_(QWidget *parent = nullptr);
    ~TImportar_de_txt_e_Imag_() override;

    void Button1Click() override;

    // Reads a picture of the text file's folder for the card being built: kind "Pregunt" for
    // the question picture, any other for the answer picture. Its type is "JPG" when the name
    // ends in JPG or JPEG, else "BMP"; packed when the open file packs. A picture that cannot
    // be read or does not decode as its type is said and left out.
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
    std::optional<QString> nombreFuera(const Archivos_Linea &Archivos) const;
};

extern TImportar_de_txt_e_Imag_ *Importar_de_txt_e_Imag_;
