// Rich-text streaming and picture decoding: loading and saving a long answer of 20 KB of
// RTF, answers of 16 MiB in every crafted shape (whole, and their first line), the settings
// line buffer, and decoding pictures of about 100 KB.
#include "HostileAnswers.h"
#include "PeakMemory.h"
#include "QtBenchMain.h"
#include "packing/PackStreamCol.h"
#include "platform/Picture.h"
#include "platform/RichEdit.h"
#include "platform/Rtf.h"
#include "platform/RtfReader.h"

#include <QApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

// A long answer with the formatting users give it: paragraphs of mixed fonts, bold, italic,
// underline, colours and accents, about `bytes` of RTF.
QByteArray longAnswer(qsizetype bytes)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    const QString words[] = {QStringLiteral("La fotosíntesis "), QStringLiteral("transforma "),
                             QStringLiteral("la energía luminosa "), QStringLiteral("en energía química; "),
                             QStringLiteral("¿por qué? "), QStringLiteral("el niño comió piña. ")};
    int i = 0;
    while (platform::rtf::fromDocument(doc).size() < bytes) {
        for (int n = 0; n < 40; ++n, ++i) {
            QTextCharFormat f;
            f.setFontFamilies({i % 7 == 0 ? QStringLiteral("DejaVu Serif") : QStringLiteral("DejaVu Sans")});
            f.setFontPointSize(i % 5 == 0 ? 14 : 11);
            f.setFontWeight(i % 3 == 0 ? QFont::Bold : QFont::Normal);
            f.setFontItalic(i % 4 == 0);
            f.setFontUnderline(i % 11 == 0);
            if (i % 6 == 0)
                f.setForeground(QColor(i % 2 ? 200 : 0, 0, 128));
            c.insertText(words[i % 6], f);
            if (i % 9 == 8) {
                QTextBlockFormat b;
                b.setAlignment(i % 2 ? Qt::AlignLeft : Qt::AlignHCenter);
                c.insertBlock(b);
            }
        }
    }
    return platform::rtf::fromDocument(doc);
}

const QByteArray &answer20k()
{
    static const QByteArray bytes = longAnswer(20 * 1024);
    return bytes;
}

void BM_ReadLongAnswer20K(benchmark::State &state)
{
    const QByteArray &bytes = answer20k();
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::rtf::read(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ReadLongAnswer20K)->Unit(benchmark::kMicrosecond);

void BM_LoadLongAnswer20KIntoDocument(benchmark::State &state)
{
    const QByteArray &bytes = answer20k();
    QTextDocument doc;
    for (auto _ : state) {
        platform::rtf::toDocument(bytes, doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["rtf_bytes"] = double(bytes.size());
    state.counters["blocks"] = doc.blockCount();
}
BENCHMARK(BM_LoadLongAnswer20KIntoDocument)->Unit(benchmark::kMicrosecond);

// Into the control, shown or not, wrapping at its width (range 0) or not (range 1).
void BM_LoadLongAnswer20KIntoRichEdit(benchmark::State &state)
{
    const QByteArray &bytes = answer20k();
    platform::RichEdit edit;
    edit.setLineWrapMode(state.range(0) ? QTextEdit::NoWrap : QTextEdit::WidgetWidth);
    edit.resize(480, 300);
    for (auto _ : state) {
        edit.loadFromBytes(bytes);
        benchmark::DoNotOptimize(edit.document()->characterCount());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_LoadLongAnswer20KIntoRichEdit)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A long answer of 16 MiB in each shape a crafted one may take (HostileAnswers.h), packed into
// a compressed card field, opened as the data module opens one: unpacked, then read into the
// review's and the card editor's rich edits as displays (the part a box can show). Time and
// peak memory.
std::string packedField(const QByteArray &bytes)
{
    TPackStreams pks;
    pks.Compressed = true;
    packing::MemoryStream s(bytes.constData(), size_t(bytes.size()));
    pks.AddStream("1", s);
    s.clear();
    pks.SaveToStream(s);
    return s.toString();
}

QByteArray unpacked(const std::string &field)
{
    TPackStreams pks;
    pks.SizeLimit = int64_t(16) << 20;
    packing::MemoryStream s(field);
    pks.LoadFromStream(s);
    s.clear();
    pks.GetStream("1", s);
    return QByteArray(reinterpret_cast<const char *>(s.data()), qsizetype(s.size()));
}

void BM_OpenLongAnswer16MiB(benchmark::State &state)
{
    const auto shape = hostile::Shape(state.range(0));
    state.SetLabel(hostile::nameOf(shape));
    const std::string field = packedField(hostile::answerOf(shape));
    measurePeak(state, [&] {
        platform::RichEdit review, editor;
        review.resize(481, 334);
        editor.resize(501, 186);
        const QByteArray bytes = unpacked(field);
        review.loadForDisplay(bytes);
        editor.loadForDisplay(bytes);
        benchmark::DoNotOptimize(editor.document()->blockCount());
    });
    state.counters["packed_bytes"] = double(field.size());
}
BENCHMARK(BM_OpenLongAnswer16MiB)->DenseRange(0, hostile::kShapes - 1)->Unit(benchmark::kMillisecond)->Iterations(1);

// The first line of a short answer of 16 MiB, as the card displays and the printing take it:
// unpacked, then only its first line read into the hidden rich edit.
void BM_FirstLineOfShortAnswer16MiB(benchmark::State &state)
{
    const auto shape = hostile::Shape(state.range(0));
    state.SetLabel(hostile::nameOf(shape));
    const std::string field = packedField(hostile::answerOf(shape));
    platform::RichEdit hidden;
    hidden.setLineWrapMode(QTextEdit::NoWrap);
    QString line;
    measurePeak(state, [&] {
        hidden.loadFirstLineFromBytes(unpacked(field));
        line = hidden.line(0);
    });
    state.counters["line_chars"] = double(line.size());
}
BENCHMARK(BM_FirstLineOfShortAnswer16MiB)->DenseRange(0, hostile::kShapes - 1)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SaveLongAnswer20K(benchmark::State &state)
{
    QTextDocument doc;
    platform::rtf::toDocument(answer20k(), doc);
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::rtf::fromDocument(doc));
    state.SetBytesProcessed(state.iterations() * answer20k().size());
}
BENCHMARK(BM_SaveLongAnswer20K)->Unit(benchmark::kMicrosecond);

void BM_SettingsLinesRoundTrip(benchmark::State &state)
{
    const QStringList lines = {QString(200, u' '), QString(240, u' '), QString(), QStringLiteral("Descripción")};
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::rtf::toLines(platform::rtf::fromLines(lines)));
}
BENCHMARK(BM_SettingsLinesRoundTrip)->Unit(benchmark::kMicrosecond);

// A noisy picture, so that the JPEG encoder cannot squeeze it much.
QImage noisyPicture(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            img.setPixel(x, y, qRgb((x + (seed >> 24) % 64) & 255, (y * 2 + (seed >> 16) % 32) & 255, (x + y) & 255));
        }
    return img;
}

void BM_DecodeJpeg100K(benchmark::State &state)
{
    const QByteArray jpg = platform::encodeJpeg(noisyPicture(480, 360), 90);
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::decodePicture(jpg));
    state.counters["file_bytes"] = double(jpg.size());
}
BENCHMARK(BM_DecodeJpeg100K)->Unit(benchmark::kMicrosecond);

void BM_DecodeBmp100K(benchmark::State &state)
{
    const QByteArray bmp = platform::encodeBmp(noisyPicture(185, 180));
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::decodePicture(bmp));
    state.counters["file_bytes"] = double(bmp.size());
}
BENCHMARK(BM_DecodeBmp100K)->Unit(benchmark::kMicrosecond);

void BM_EncodeJpeg(benchmark::State &state)
{
    const QImage img = noisyPicture(400, 300);
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::encodeJpeg(img, 90));
}
BENCHMARK(BM_EncodeJpeg)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return runQtBenchmarks(argc, argv);
}
