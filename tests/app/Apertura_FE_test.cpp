// The steps of opening a study file that need no window: names made from the table path, the
// enciphered container's mark, the settings line's fields, the picture beside the file and the
// last-file note with its menu caption.
#include "app/Apertura_FE.h"
#include "store/Sesion.h"
#include "support/EngineTables.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

namespace {
// The session's fields alone, without the main window.
struct Sesion : TSesion_ {
    QWidget *Ventana_Principal() override { return nullptr; }
    void Cierra_Fichero() override {}
    bool Guarda_Preferencias() override { return true; }
    void Aplica_Preferencias() override {}
    void Actualiza_Imagenes(const QString &) override {}
    void Pon_Imagen_Por_Defecto() override {}
    bool Mismo_Dia_Permitido() const override { return true; }
};

void escribe(const QString &ruta, const QByteArray &bytes)
{
    QFile f(ruta);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString aplicadas(const TSesion_ &p)
{
    return QStringLiteral("size %1 %2 pict %3%4 long %5 imp %6 key %7 packed %8%9 enc %10 mod %11 exp %12 prn %13")
        .arg(p.Tam_Pregunta).arg(p.Tam_Respuesta).arg(p.Con_Imagen_Pregunta).arg(p.Con_Imagen_Respuesta)
        .arg(p.Con_Texto_Largo).arg(p.Con_Importancia).arg(p.Con_Clave).arg(p.Comprimido).arg(p.Fichero_Empaquetado)
        .arg(p.Encriptado).arg(p.Modificable).arg(p.Exportable).arg(p.Imprimible);
}
} // namespace

TEST(AperturaFE, NamesMadeFromTheTablePath)
{
    struct Case {
        QString ruta, carpeta, carpetaTabla, nombre, nombreFE;
    };
    for (const Case &c : {Case{"/d/Datos/Ingles.db", "/d/Datos/", "/d/Datos", "Ingles.db", "Ingles"},
                          Case{"/Ingles.DB", "/", "/", "Ingles.DB", "Ingles"},
                          Case{"Ingles.db", "", "", "Ingles.db", "Ingles"},
                          Case{"/d/x.y.db", "/d/", "/d", "x.y.db", "x.y"},
                          Case{"/d/ab", "/d/", "/d", "ab", ""}}) {
        SCOPED_TRACE(c.ruta.toStdString());
        EXPECT_EQ(apertura::Carpeta(c.ruta), c.carpeta);
        EXPECT_EQ(apertura::Carpeta_Tabla(c.ruta), c.carpetaTabla);
        EXPECT_EQ(apertura::Nombre(c.ruta), c.nombre);
        EXPECT_EQ(apertura::Sin_Extension(c.nombre), c.nombreFE);
    }
}

TEST(AperturaFE, TheSettingsLineSetsTheSessionsFieldsFromItsExactPositions)
{
    const struct {
        QString line;
        QString applied;
    } cases[] = {
        {"0 0 0 1 0  100   0  Cno Eno Msi EXsi IMsi", "size 100 0 pict 00 long 0 imp 0 key 1 packed 00 enc 0 mod 1 exp 1 prn 1"},
        {"0 0 0 2 0  255 255  CSi Eno Mno EXno IMno", "size 255 255 pict 00 long 0 imp 0 key 0 packed 00 enc 0 mod 0 exp 0 prn 0"},
        // The marker letters are not read; only a lower-case 's' at the right place counts.
        {"1 1 1 1 1   60  60  Csi Eno msi exSi IMsi", "size 60 60 pict 11 long 1 imp 1 key 1 packed 11 enc 0 mod 1 exp 0 prn 1"},
        {"0 1 0 1 0   60 100  Cs  Eno Ms  EXs  IMs " + QString(159, ' '), "size 60 100 pict 01 long 0 imp 0 key 1 packed 11 enc 0 mod 1 exp 1 prn 1"},
        {"1 0 1 0 1    7   0  Cno Esi Mno EXsi IMno", "size 7 0 pict 10 long 1 imp 1 key 0 packed 01 enc 1 mod 0 exp 1 prn 0"},
    };
    Sesion s;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const std::optional<Opciones_FE> o = Lee_Linea_Opciones_FE(c.line);
        ASSERT_TRUE(o);
        apertura::Pon_Opciones(s, *o);
        EXPECT_EQ(aplicadas(s), c.applied);
    }
}

TEST(AperturaFE, ThePictureTheContainerMarkAndTheLastFileNote)
{
    testsupport::TempDir dir;
    const QString carpeta = QString::fromStdString(dir.path().string());
    const QString ruta = carpeta + "/Ingles.db";
    EXPECT_EQ(apertura::Ruta_Imagen(ruta), QString());
    escribe(carpeta + "/Ingles.jpeg", "x");
    EXPECT_EQ(apertura::Ruta_Imagen(ruta), carpeta + "/Ingles.jpeg");
    escribe(carpeta + "/Ingles.Jpg", "x");
    EXPECT_EQ(apertura::Ruta_Imagen(ruta), carpeta + "/Ingles.Jpg");
    escribe(carpeta + "/INGLES.BMP", "x");
    EXPECT_EQ(apertura::Ruta_Imagen(ruta), carpeta + "/INGLES.BMP") << "BMP first, then JPG, then JPEG, any case";

    escribe(carpeta + "/a.STU", QByteArray("P*rest"));
    escribe(carpeta + "/b.STU", QByteArray("P-rest"));
    escribe(carpeta + "/c.STU", QByteArray("P"));
    EXPECT_TRUE(apertura::Contenedor_Cifrado(carpeta + "/a.STU"));
    EXPECT_FALSE(apertura::Contenedor_Cifrado(carpeta + "/b.STU"));
    EXPECT_FALSE(apertura::Contenedor_Cifrado(carpeta + "/c.STU"));
    EXPECT_FALSE(apertura::Contenedor_Cifrado(carpeta + "/none.STU"));

    EXPECT_EQ(apertura::Primera_Linea_Ultimo(carpeta), QString());
    EXPECT_EQ(apertura::Rotulo_Ultimo(QString()), QString());
    struct Case {
        QByteArray note;
        QString first;
    };
    for (const Case &c : {Case{"/d/Ingles.db\n", "/d/Ingles.db"}, Case{"/d/Ingles.db\r\n/otro.db\n", "/d/Ingles.db"},
                          Case{"", ""}, Case{"\n/d/x.db", ""}, Case{"/d/Espa\xF1ol.db", "/d/Español.db"}}) {
        escribe(carpeta + "/ultimo.txt", c.note);
        EXPECT_EQ(apertura::Primera_Linea_Ultimo(carpeta), c.first);
    }
    EXPECT_EQ(apertura::Rotulo_Ultimo("/d/Ingles.db"), "9-  Abrir último Fichero abierto:\r        Ingles");
}
