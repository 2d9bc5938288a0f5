// The exchange windows on a study file of 20,000 cards, each with a question picture and an
// answer picture of 100 KB (bitmaps that compress well, so that the files stay small on disk),
// compressed and enciphered. The program's windows are created as at start-up, offscreen and
// scripted, and the source is opened through menu entry 9 with its password saved in X.CLA.
//
// - Export into a new file with another password, against unpacking and packing the same
//   blobs alone (counter "ratio" = export / blobs alone).
// - Transport packing of that study file, against zlib level 9 on the same bytes ("ratio").
// - Unpacking that transport file, with its checks, against inflating its items alone ("ratio").
// - Import of 20,000 cards from one study file into another.
// - Unpacking transport files of about 2 MB whose settings, picture or card table inflate to
//   2 GiB: the refusal's time, the rise of the peak memory and the bytes left in the folder.
// - Text import of 10,000 lines, one card a line, into a study file with short answers, keys
//   and importance.
// - Text import of a file whose second line is 50 MB long: the refusal at that line, its time
//   and the rise of the peak memory over the memory in use before it ("peak_rise_MB").
#include "QtBenchMain.h"
#include "StartProgram.h"
#include "app/Panta_Inicio.h"
#include "app/Program.h"
#include "engine/BatchMove.h"
#include "engine/Table.h"
#include "exchange/Exportar_FE.h"
#include "exchange/FE_Transporte.h"
#include "exchange/Importar_de_FE.h"
#include "exchange/Importar_de_txt.h"
#include "exchange/Transporte.h"
#include "packing/PackStreamCol.h"
#include "platform/FileDialog.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"
#include "exchange/TransportFiles.h"
#include "support/StudyFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstring>
#include <memory>

namespace {

constexpr int Cards = 20000;
constexpr int Pictures = 16;
const std::string Password = "contraseña de prueba";

struct Program : ProgramFolder {
    QString source;
    std::vector<std::string> packedPictures; // as stored in the source
};
std::unique_ptr<Program> program;

// The blob packed as the source packs it: one item "1", compressed and enciphered.
std::string packed(const std::string &bytes)
{
    const QByteArray c = testsupport::packItem("1", QByteArray::fromStdString(bytes), Password);
    return std::string(c.constData(), size_t(c.size()));
}

// A bitmap of about 100 KB: bands of colour and a frame.
QByteArray picture(int n)
{
    QImage img(200, 170, QImage::Format_RGB888);
    img.fill(QColor(20 * n % 255, 90, 200 - 7 * n));
    QPainter p(&img);
    for (int y = 0; y < img.height(); y += 10 + n)
        p.fillRect(0, y, img.width(), 4, QColor(240, 10 * n, 40));
    p.drawRect(n, n, 150, 120);
    p.end();
    return platform::encodePicture(img, platform::PictureFormat::Bmp);
}

// Fills the table at `path` (holding `seed` cards) up to Cards cards by copying its own cards
// in a few batch moves, each one transaction: the cards repeat, which the timings don't mind.
void growTo(const QString &path)
{
    const QString copy = program->dat + QStringLiteral("/copia.DB");
    engine::Table all, half;
    all.setTableName(testsupport::fileName(path));
    half.setTableName(testsupport::fileName(copy));
    for (;;) {
        all.open();
        const std::size_t have = all.recordCount();
        all.close();
        if (have >= std::size_t(Cards))
            break;
        engine::BatchMove toCopy;
        toCopy.setSource(&all);
        toCopy.setDestination(&half);
        toCopy.setMode(engine::BatchMove::Mode::Copy);
        toCopy.execute();
        engine::BatchMove back;
        back.setSource(&half);
        back.setDestination(&all);
        back.setMode(engine::BatchMove::Mode::Append);
        back.setRecordCount(std::min(have, std::size_t(Cards) - have));
        half.open();
        back.execute();
        half.close();
    }
    QFile::remove(copy);
}

QString buildSource()
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Imagen_Pregunta = o.Imagen_Respuesta = true;
    o.Comprimido = o.Encriptado = true;
    o.Exportable = true;
    const QString path = testsupport::writeStudyFile(program->dat, QStringLiteral("Grande"), o,
                                                     {QStringLiteral("Veinte mil fichas")}, Password);
    testsupport::writeSavedPassword(program->dat + QStringLiteral("/Grande.CLA"), QString::fromStdString(Password),
                                    Panta_Inicio_->Serie_Disco.toStdString());
    for (int n = 0; n < Pictures; ++n)
        program->packedPictures.push_back(packed(picture(n).toStdString()));
    engine::Table t;
    t.setTableName(testsupport::fileName(path));
    t.open();
    for (int i = 0; i < 50; ++i) {
        t.append();
        t.fieldByName("Nive_Fich").setAsInteger(i % 10);
        t.fieldByName("Nive_Impo").setAsInteger(i % 3);
        t.fieldByName("Clav_Fich").setAsString("Tema " + std::to_string(i % 50));
        t.fieldByName("Preg_Text").setAsString("Pregunta número " + std::to_string(i));
        t.fieldByName("Resp_Text").setBytes(
            packed(platform::rtf::fromLines({QStringLiteral("Respuesta %1").arg(i)}).toStdString()));
        t.fieldByName("Tipo_Preg_Imag").setAsString("BMP");
        t.fieldByName("Preg_Imag").setBytes(program->packedPictures[i % Pictures]);
        t.fieldByName("Tipo_Resp_Imag").setAsString("BMP");
        t.fieldByName("Resp_Imag").setBytes(program->packedPictures[(i + 5) % Pictures]);
        t.fieldByName("Fech_Crea").setAsString("20261205");
        t.fieldByName("Fech_Prox_Repa").setAsString("20261206");
        t.fieldByName("Ficha_Comp_Encr").setAsString("S");
        t.post();
    }
    t.close();
    growTo(path);
    return path;
}

void setUp()
{
    program = std::make_unique<Program>();
    platform::setVolumeSerialForTesting(0x1A2B3C4Du);
    startProgramIn(program->folder);
    Panta_Inicio_->activate(); // preferences and today's dates
    program->source = buildSource();
}

void tearDown()
{
    Panta_Inicio_->Cierra_Fichero();
    app::destroyWindows();
    platform::setScripted(false);
    platform::clearVolumeSerialForTesting();
    platform::setProgramFolder(QString());
    program.reset();
}

bool openSource()
{
    testsupport::writeBytes(program->folder + QStringLiteral("/ultimo.txt"), program->source.toUtf8() + '\n');
    Panta_Inicio_->Label21Click();
    return Panta_Inicio_->FE_Abierto == 1;
}

double seconds(const std::chrono::steady_clock::time_point &since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The two times and the first over the second as "ratio".
void reportRatio(benchmark::State &state, const char *what, double time, const char *against, double baseline)
{
    state.counters[what] = time;
    state.counters[against] = baseline;
    state.counters["ratio"] = time / baseline;
}

void removeStudy(const QString &name)
{
    for (const char *ext : {".DB", ".STU", ".BMP", ".JPG", ".SZP"})
        QFile::remove(program->dat + QLatin1Char('/') + name + QLatin1String(ext));
}

void BM_ExportToAnotherPassword(benchmark::State &state)
{
    if (!openSource()) {
        state.SkipWithError("the source did not open");
        return;
    }
    double exportTime = 0, blobTime = 0;
    for (auto _ : state) {
        removeStudy(QStringLiteral("Exportado"));
        TExportar_FE_ *w = Exportar_FE_;
        w->activate();
        w->Edit1->setText(QStringLiteral("Exportado"));
        w->CheckBox1->setChecked(true);
        w->CheckBox1Click();
        w->Edit2->setText(QStringLiteral("otra contraseña"));
        w->RadioButton2->click();
        auto start = std::chrono::steady_clock::now();
        w->Button3Click();
        exportTime = seconds(start);
        if (!QFile::exists(program->dat + QStringLiteral("/Exportado.DB"))) {
            state.SkipWithError("the export failed");
            break;
        }

        // The same blobs, unpacked with the source's key and packed with the new one, alone.
        TPackStreams from, to;
        from.Key = Password;
        to.Compressed = true;
        to.Encrypted = true;
        to.Key = "otra contraseña";
        const std::string answer = packed(
            platform::rtf::fromLines({QStringLiteral("Respuesta 1")}).toStdString());
        start = std::chrono::steady_clock::now();
        for (int i = 0; i < Cards; ++i) {
            for (const std::string *blob : std::initializer_list<const std::string *>{&answer, &program->packedPictures[i % Pictures],
                                            &program->packedPictures[(i + 5) % Pictures]}) {
                packing::MemoryStream s(std::string_view{*blob});
                from.LoadFromStream(s);
                s.clear();
                from.GetStream("1", s);
                to.AddStream("1", s);
                s.clear();
                to.SaveToStream(s);
                benchmark::DoNotOptimize(s.size());
            }
        }
        blobTime = seconds(start);
        state.SetIterationTime(exportTime);
    }
    reportRatio(state, "export_s", exportTime, "blobs_alone_s", blobTime);
    removeStudy(QStringLiteral("Exportado"));
    Panta_Inicio_->Cierra_Fichero();
}
BENCHMARK(BM_ExportToAnotherPassword)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

void BM_TransportPacking(benchmark::State &state)
{
    Panta_Inicio_->Cierra_Fichero();
    const QString base = program->source.left(program->source.size() - 2);
    double packTime = 0, zlibTime = 0;
    for (auto _ : state) {
        QFile::remove(base + QStringLiteral("SZP"));
        platform::FileDialog::queueFileName(program->source);
        auto start = std::chrono::steady_clock::now();
        FE_Transporte_->Button4Click();
        packTime = seconds(start);
        if (!QFile::exists(base + QStringLiteral("SZP"))) {
            state.SkipWithError("no transport file");
            break;
        }
        start = std::chrono::steady_clock::now();
        for (const char *ext : {"DB", "STU"}) {
            const QByteArray bytes = platform::readWholeFile(base + QLatin1String(ext)).value_or(QByteArray());
            uLongf size = compressBound(uLong(bytes.size()));
            std::vector<Bytef> out(size);
            compress2(out.data(), &size, reinterpret_cast<const Bytef *>(bytes.constData()), uLong(bytes.size()), 9);
            benchmark::DoNotOptimize(out.data());
        }
        zlibTime = seconds(start);
        state.SetIterationTime(packTime);
    }
    reportRatio(state, "pack_s", packTime, "zlib9_s", zlibTime);
    state.counters["table_MB"] = double(QFileInfo(program->source).size()) / 1e6;
    QFile::remove(base + QStringLiteral("SZP"));
}
BENCHMARK(BM_TransportPacking)->Unit(benchmark::kSecond)->Iterations(3)->UseManualTime();

void BM_TransportUnpacking(benchmark::State &state)
{
    Panta_Inicio_->Cierra_Fichero();
    const QString base = program->source.left(program->source.size() - 2);
    const QString szp = program->root.path() + QStringLiteral("/Llegado.SZP");
    platform::FileDialog::queueFileName(program->source);
    FE_Transporte_->Button4Click();
    QFile::remove(szp);
    QFile::rename(base + QStringLiteral("SZP"), szp);
    double unpackTime = 0, inflateTime = 0;
    for (auto _ : state) {
        removeStudy(QStringLiteral("Llegado"));
        platform::FileDialog::queueFileName(szp);
        auto start = std::chrono::steady_clock::now();
        FE_Transporte_->Button5Click();
        unpackTime = seconds(start);
        if (!QFile::exists(program->dat + QStringLiteral("/Llegado.DB"))) {
            state.SkipWithError("nothing unpacked");
            break;
        }
        start = std::chrono::steady_clock::now();
        TPackStreams items;
        items.LoadFromFile(testsupport::fileName(szp));
        for (const auto &[name, size] : items.itemsForInspection()) {
            packing::MemoryStream item;
            items.GetStream(name, item);
            benchmark::DoNotOptimize(Descomprime_Stream_Zlib(item, nullptr, Tamano_Maximo_Parte));
        }
        inflateTime = seconds(start);
        state.SetIterationTime(unpackTime);
    }
    reportRatio(state, "unpack_s", unpackTime, "inflate_s", inflateTime);
    removeStudy(QStringLiteral("Llegado"));
    QFile::remove(szp);
}
BENCHMARK(BM_TransportUnpacking)->Unit(benchmark::kSecond)->Iterations(3)->UseManualTime();

void BM_ImportFromAStudyFileOf20000Cards(benchmark::State &state)
{
    Opciones_FE o = testsupport::defaultOptions();
    const QString origin = testsupport::writeStudyFile(program->dat, QStringLiteral("Origen"), o);
    {
        engine::Table t;
        t.setTableName(testsupport::fileName(origin));
        t.open();
        for (int i = 0; i < 50; ++i) {
            t.append();
            t.fieldByName("Nive_Fich").setAsInteger(i % 10);
            t.fieldByName("Preg_Text").setAsString("Pregunta número " + std::to_string(i));
            t.fieldByName("Resp_Text").setBytes(platform::rtf::fromLines({QStringLiteral("Respuesta %1").arg(i)}).toStdString());
            t.fieldByName("Fech_Crea").setAsString("20261205");
            t.fieldByName("Ficha_Comp_Encr").setAsString("N");
            t.post();
        }
    }
    growTo(origin);
    Ruta_Origen = origin;
    Origen_Elegido = 1;
    Destino_Elegido = 1;
    std::size_t imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        removeStudy(QStringLiteral("Destino"));
        Ruta_Destino = testsupport::writeStudyFile(program->dat, QStringLiteral("Destino"), o);
        state.ResumeTiming();
        Importar_de_FE_->Button1Click();
        state.PauseTiming();
        engine::Table t;
        t.setTableName(testsupport::fileName(Ruta_Destino));
        t.open();
        imported = t.recordCount();
        state.ResumeTiming();
    }
    state.counters["cards_imported"] = double(imported);
    removeStudy(QStringLiteral("Destino"));
    removeStudy(QStringLiteral("Origen"));
}
BENCHMARK(BM_ImportFromAStudyFileOf20000Cards)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_TextImportOf10000Lines(benchmark::State &state)
{
    constexpr int Lines = 10000;
    Panta_Inicio_->Cierra_Fichero();
    Opciones_FE o = testsupport::defaultOptions();
    o.Importancia = true;
    QByteArray text;
    for (int i = 0; i < Lines; ++i)
        text += QStringLiteral("Pregunta número %1#Respuesta %1, con tilde: canción#Tema %2#%3\r\n")
                    .arg(i)
                    .arg(i % 50)
                    .arg(i % 5)
                    .toUtf8();
    const QString textFile = program->folder + QStringLiteral("/fichas.txt");
    testsupport::writeBytes(textFile, text);
    std::size_t imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Panta_Inicio_->Cierra_Fichero();
        removeStudy(QStringLiteral("Texto"));
        const QString study = testsupport::writeStudyFile(program->dat, QStringLiteral("Texto"), o);
        testsupport::writeBytes(program->folder + QStringLiteral("/ultimo.txt"), study.toUtf8() + '\n');
        Panta_Inicio_->Label21Click();
        if (Panta_Inicio_->FE_Abierto != 1) {
            state.SkipWithError("the study file did not open");
            break;
        }
        platform::FileDialog::queueFileName(textFile);
        state.ResumeTiming();
        Importar_de_txt_->Button1Click();
        state.PauseTiming();
        engine::Table t;
        t.setTableName(testsupport::fileName(study));
        t.open();
        imported = t.recordCount();
        state.ResumeTiming();
    }
    state.counters["cards_imported"] = double(imported);
    Panta_Inicio_->Cierra_Fichero();
    removeStudy(QStringLiteral("Texto"));
    QFile::remove(textFile);
}
BENCHMARK(BM_TextImportOf10000Lines)->Unit(benchmark::kMillisecond)->Iterations(5);

// The process's resident memory, or its peak since the last resetPeak(), in kB.
long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    return 0;
}

void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void BM_TextImportRefusesA50MBLine(benchmark::State &state)
{
    Panta_Inicio_->Cierra_Fichero();
    const QString study = testsupport::writeStudyFile(program->dat, QStringLiteral("Texto"), testsupport::defaultOptions());
    testsupport::writeBytes(program->folder + QStringLiteral("/ultimo.txt"), study.toUtf8() + '\n');
    Panta_Inicio_->Label21Click();
    const QString textFile = program->folder + QStringLiteral("/largo.txt");
    testsupport::writeBytes(textFile, "Pregunta#Respuesta#Tema#\r\n" + QByteArray(50'000'000, 'x') + "\r\nOtra#R#T#\r\n");
    double riseMb = 0;
    for (auto _ : state) {
        platform::FileDialog::queueFileName(textFile);
        const long before = statusKb("VmRSS:");
        resetPeak();
        Importar_de_txt_->Button1Click();
        riseMb = double(statusKb("VmHWM:") - before) / 1024.0;
    }
    state.counters["peak_rise_MB"] = riseMb;
    Panta_Inicio_->Cierra_Fichero();
    removeStudy(QStringLiteral("Texto"));
    QFile::remove(textFile);
}
BENCHMARK(BM_TextImportRefusesA50MBLine)->Unit(benchmark::kMillisecond)->Iterations(5);

// Arg 0: the settings item inflates to 2 GiB; 1: the picture; 2: the card table, whose header
// declares its own small size, is followed by 2 GiB of zero bytes (one stream).
void BM_TransportRefusesPartsPastTheirBounds(benchmark::State &state)
{
    const QString empty = testsupport::writeStudyFile(program->dat, QStringLiteral("Vacio"), testsupport::defaultOptions());
    const QByteArray table = platform::readWholeFile(empty).value_or(QByteArray());
    removeStudy(QStringLiteral("Vacio"));
    const QByteArray zeros = zlibZeros(2048);
    TPackStreams built;
    built.Compressed = false;
    auto add = [&](const char *name, const QByteArray &item) {
        packing::MemoryStream s(item.constData(), std::size_t(item.size()));
        built.AddStream(name, s);
    };
    add("DB", zlib9(table));
    add("STU", zlib9("ajustes"));
    if (state.range(0) == 0)
        add("STU", zeros);
    else if (state.range(0) == 1)
        add("BMP", zeros);
    else
        add("DB", zlibZeros(2048, table));
    packing::MemoryStream container;
    built.SaveToStream(container);
    const QString folder = program->root.path() + QStringLiteral("/llegada");
    double riseMb = 0;
    qint64 left = 0;
    for (auto _ : state) {
        QDir(folder).removeRecursively();
        TPackStreams pks3;
        container.setPosition(0);
        pks3.LoadFromStream(container);
        QStringList written;
        const long before = statusKb("VmRSS:");
        resetPeak();
        const bool ok = Desempaqueta_Transporte(pks3, folder, QStringLiteral("Bomba."), written);
        riseMb = double(statusKb("VmHWM:") - before) / 1024.0;
        if (ok)
            state.SkipWithError("a part past its bound was written");
    }
    for (const QFileInfo &f : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden))
        left += f.size();
    state.counters["transport_MB"] = double(container.size()) / 1e6;
    state.counters["peak_rise_MB"] = riseMb;
    state.counters["bytes_left"] = double(left);
    QDir(folder).removeRecursively();
}
BENCHMARK(BM_TransportRefusesPartsPastTheirBounds)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(argc, argv, setUp, tearDown);
}
