#pragma once
// The transport window: packs the files of a study file into one transport file X.SZP beside
// it, and unpacks a transport file into the program's "dat" folder.
//
// A transport file is a stream container written through the data module's PKS3 with both
// flag bytes blank (not compressed, not enciphered). Its items are named after the parts they
// hold, "BMP", "DB", "JPG", "MB", "PX", "STU" (the container keeps them in that order), and
// each holds one whole file as one zlib stream compressed at level 9. "DB" and "STU" are
// required; "MB" and "PX" are carried only when such files lie beside the study file (the
// engine keeps everything in X.DB); the pictures X.BMP and X.JPG when they exist.
//
// Unpacking is all or nothing. The names written come from the transport file's own name and
// the part's kind, never from the item's name; items of other names are ignored. Every item
// is checked (zlib stream, checksum, at most Tamano_Maximo_Parte bytes once inflated) before
// anything is written: a container that can't be read, a missing "DB" or "STU", an item held
// twice or a damaged item gives "Hay un error en el archivo o los datos están alterados." and
// writes nothing. The parts are written under temporary names in "dat" and renamed into place
// only when all are complete. An existing study file of the same name is replaced only after
// the user answers OK to the warning dialog; its parts that the transport file does not carry
// (the old picture, the saved password) are removed with it.
#include "platform/FileDialog.h"
#include "platform/Form.h"
#include "platform/Label.h"
#include "platform/Panel.h"
#include "packing/Streams.h"

#include <QPushButton>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

// PKS3's flags when the window was last activated; "&Salir" gives them back.
extern bool Comprimido_PKS3_Previo;
extern bool Encriptado_PKS3_Previo;

extern const QString Msg_Transporte_Creado;    // "El proceso ha finalizado. \r\rCon el Fichero ..."
extern const QString Msg_Transporte_No_Existe; // "Error, el Fichero de Estudio de Transporte no existe."
extern const QString Msg_Transporte_Danado;    // "Hay un error en el archivo o los datos están alterados."
extern const QString Msg_Transporte_Leido;     // "El Fichero de Estudio de Transporte ha sido\r\rdescomprimido ..."
extern const QString Aviso_Proceso_Largo;      // the wait notice

// The largest part of a study file that an item may inflate to.
inline constexpr std::uint64_t Tamano_Maximo_Parte = std::uint64_t(2) << 30;

// A zlib stream that is damaged, truncated, followed by other bytes, or inflates past the bound.
class EZlibDanado : public std::runtime_error {
public:
    EZlibDanado() : std::runtime_error("zlib data damaged") {}
};

// The bytes compressed with zlib at level 9 in one call (one zlib stream, default window and
// memory settings).
std::vector<std::uint8_t> Comprime_Zlib(const void *Datos, std::size_t Tamano);
// Inflates the zlib stream in the bytes, handing the output to `Salida` piece by piece (no
// sink: only checks); returns the inflated size. EZlibDanado when the bytes are not exactly one
// sound zlib stream or it would inflate to more than Limite bytes. Empty input gives nothing.
std::uint64_t Descomprime_Zlib(const std::uint8_t *Datos, std::size_t Tamano, std::uint64_t Limite,
                               const std::function<void(const std::uint8_t *, std::size_t)> &Salida = {});

class TFE_Transporte_ : public platform::Form {
    Q_OBJECT
public:
    explicit TFE_Transporte_(QWidget *parent = nullptr);
    ~TFE_Transporte_() override;

    QPushButton *Button4; // pack
    QPushButton *Button5; // unpack
    platform::Panel *Panel1; // background of the wait notice
    platform::Label *label3; // the wait notice
    QPushButton *BitBtn2; // "&Salir"
    QPushButton *BitBtn1; // "&Ayuda"
    platform::FileDialog *OpenDialog1; // the study file to pack
    platform::FileDialog *OpenDialog2; // the transport file to unpack

    void FormActivate();
    void FormClose();
    void Button4Click();
    void Button5Click();
    void BitBtn2Click();
    void BitBtn1Click();

    void Muestra_Aviso_Proceso_Largo();
    void Oculta_Aviso_Proceso_Largo();
    // Adds the file Base + Extension, zlib-compressed, to PKS3 as the item Extension.
    void Anade_Fichero_al_Transporte(const QString &Base, const QString &Extension);

private:
    bool desempaqueta(const QString &Carpeta, const QString &Nombre);
    QStringList m_escritos; // the parts the last unpacking wrote
};

extern TFE_Transporte_ *FE_Transporte_;
