// Printing 1,000 cards of a compressed and enciphered study file whose cards carry a JPEG
// question picture and a JPEG answer picture (320 x 240), a short and a long answer: the
// answers side, 6 cards a page, with text and picture.
//   FillAndLayout   emptying and filling the print table in mirror order, and the layout
//   RenderPdf       the report's run to a PDF file: every band unpacked, its picture turned
//                   into a bitmap and drawn
// The program's windows are created as at start-up, in a temporary program folder.
#include "QtBenchMain.h"
#include "StartProgram.h"
#include "app/Program.h"
#include "engine/Table.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/Rtf.h"
#include "printing/Imprimir.h"
#include "store/Crea_Fiche.h"
#include "store/D_Module.h"
#include "store/Sesion.h"
#include "support/StudyFiles.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kCards = 1000;
const std::string kKey = "clave de las fichas";
std::unique_ptr<QTemporaryDir> folder;

std::string pack(const QByteArray &bytes)
{
    return testsupport::packItem("1", bytes, kKey).toStdString();
}

QByteArray picture(int seed)
{
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(seed * 37 % 360, 160, 220));
    QPainter p(&image);
    p.drawEllipse(40 + seed % 100, 40, 120, 90);
    p.drawText(20, 200, QStringLiteral("Ficha %1").arg(seed));
    p.end();
    return platform::encodeJpeg(image);
}

void setUp()
{
    folder = std::make_unique<QTemporaryDir>();
    startProgramIn(folder->path());

    TSesion_ *s = Sesion_;
    s->Tam_Pregunta = 100;
    s->Tam_Respuesta = 100;
    s->Con_Imagen_Pregunta = 1;
    s->Con_Imagen_Respuesta = 1;
    s->Con_Texto_Largo = 1;
    s->Imprimible = 1;
    s->FE_Abierto = 1;
    s->Fichero_Empaquetado = 1;
    TD_Module_ &dm = *D_Module_;
    dm.PKS->Compressed = dm.PKS->Encrypted = true;
    dm.PKS->Key = kKey;

    const std::string dat = (folder->path() + QStringLiteral("/dat")).toStdString();
    engine::Table &T = *dm.Tabla_Activa;
    T.setDatabaseName(dat);
    T.setTableName("Fichas.DB");
    T.createTable(TD_Module_::Campos_Ficha(100), TD_Module_::Indices_Ficha());
    T.open();
    for (int i = 1; i <= kCards; ++i) {
        T.append();
        T.fieldByName("Nive_Fich").setAsInteger(1);
        T.fieldByName("Preg_Text").setAsString("Pregunta número " + std::to_string(i));
        T.fieldByName("Tipo_Preg_Imag").setAsString("JPG");
        T.fieldByName("Preg_Imag").setBytes(pack(picture(i)));
        T.fieldByName("Resp_Text").setBytes(
            pack(platform::rtf::fromLines({QStringLiteral("Respuesta número %1").arg(i)})));
        T.fieldByName("Tipo_Resp_Imag").setAsString("JPG");
        T.fieldByName("Resp_Imag").setBytes(pack(picture(i + kCards)));
        T.fieldByName("Resp_Memo").setBytes(
            pack(platform::rtf::fromLines({QStringLiteral("Texto largo de la ficha %1,").arg(i),
                                           QStringLiteral("en dos líneas.")})));
        T.fieldByName("Ficha_Comp_Encr").setAsString("S");
        T.post();
    }
    s->Crear_Tabla_Impresion = 1;
    Crea_Fiche_->Button2->click();
    s->Crear_Tabla_Impresion = 0;

    TImprimir_ &w = *Imprimir_;
    w.Grupo_Resp->setItemIndex(3); // text and picture
    w.FichxPag_6->setChecked(true);
    w.Imprimiendo_Preguntas = 0;
    w.Columnas = 2;
}

void tearDown()
{
    app::destroyWindows();
    folder.reset();
}

void FillAndLayout(benchmark::State &state)
{
    for (auto _ : state) {
        Imprimir_->Llena_Tabla_Imprime();
        Imprimir_->Prepara_Informe();
    }
    state.counters["rows"] = double(D_Module_->Imprime->recordCount());
}
BENCHMARK(FillAndLayout)->Unit(benchmark::kMillisecond)->Iterations(3);

void RenderPdf(benchmark::State &state)
{
    Imprimir_->Llena_Tabla_Imprime();
    Imprimir_->Prepara_Informe();
    const QString pdf = folder->filePath(QStringLiteral("fichas.pdf"));
    int pages = 0;
    for (auto _ : state) {
        QPdfWriter writer(pdf);
        pages = Imprimir_->Hoja1.print(writer);
    }
    state.counters["pages"] = pages;
    state.counters["MB"] = double(QFileInfo(pdf).size()) / 1e6;
}
BENCHMARK(RenderPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(argc, argv, setUp, tearDown);
}
