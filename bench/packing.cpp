// Throughput of the packing routines against zlib, on a mixed corpus of about 10 MB made here
// (English and Spanish text, BMP and JPEG pictures, 1 MB of random bytes) and on 10,000 items
// of 50 to 500 bytes; cipher throughput; the cost of packing and unpacking one card field.
//
// Compressed sizes are reported as counters (bytes, and the ratio to zlib's).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QLinearGradient>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "PeakMemory.h"
#include "packing/PackStreamCol.h"
#include "packing/PackStreamRoutines.h"
#include "platform/Picture.h"

namespace {

using Bytes = std::string;

// ---- corpus

const char *const kEnglish[] = {
    "the", "of", "and", "to", "a", "in", "is", "it", "you", "that", "he", "was", "for", "on", "are",
    "with", "as", "his", "they", "be", "at", "one", "have", "this", "from", "or", "had", "by", "word",
    "but", "what", "some", "we", "can", "out", "other", "were", "all", "there", "when", "up", "use",
    "your", "how", "said", "an", "each", "she", "which", "do", "their", "time", "if", "will", "way",
    "about", "many", "then", "them", "write", "would", "like", "so", "these", "her", "long", "make",
    "thing", "see", "him", "two", "has", "look", "more", "day", "could", "go", "come", "did", "number",
    "sound", "no", "most", "people", "my", "over", "know", "water", "than", "call", "first", "who",
    "may", "down", "side", "been", "now", "find", "card", "question", "answer", "review", "level",
    "study", "picture", "remember", "learning", "history", "capital", "country", "river", "mountain"};

const char *const kSpanish[] = {
    "de", "la", "que", "el", "en", "y", "a", "los", "se", "del", "las", "un", "por", "con", "no",
    "una", "su", "para", "es", "al", "lo", "como", "más", "o", "pero", "sus", "le", "ha", "me", "si",
    "sin", "sobre", "este", "ya", "entre", "cuando", "todo", "esta", "ser", "son", "dos", "también",
    "fue", "había", "era", "muy", "años", "hasta", "desde", "está", "mi", "porque", "qué", "sólo",
    "han", "yo", "hay", "vez", "puede", "todos", "así", "nos", "ni", "parte", "tiene", "él", "uno",
    "donde", "bien", "tiempo", "mismo", "ese", "ahora", "cada", "e", "vida", "otro", "después", "te",
    "otros", "aunque", "esa", "eso", "hace", "otra", "gobierno", "tan", "durante", "siempre", "día",
    "tanto", "ella", "tres", "sí", "dijo", "sido", "gran", "país", "según", "menos", "ficha",
    "pregunta", "respuesta", "repaso", "nivel", "estudio", "imagen", "capital", "río", "montaña"};

template <size_t N>
Bytes makeText(const char *const (&words)[N], size_t size, unsigned seed)
{
    std::mt19937 rng(seed);
    // Zipf-like choice: low indexes far more often.
    std::vector<double> weights(N);
    for (size_t i = 0; i < N; i++)
        weights[i] = 1.0 / double(i + 1);
    std::discrete_distribution<size_t> pick(weights.begin(), weights.end());
    Bytes out;
    bool sentenceStart = true;
    while (out.size() < size) {
        std::string w = words[pick(rng)];
        if (sentenceStart && w[0] >= 'a' && w[0] <= 'z')
            w[0] = static_cast<char>(w[0] - 32);
        out += w;
        sentenceStart = false;
        const unsigned r = rng() % 100;
        if (r < 7) {
            out += ".";
            sentenceStart = true;
            out += (rng() % 6 == 0) ? "\r\n" : " ";
        } else if (r < 12) {
            out += ", ";
        } else {
            out += " ";
        }
    }
    out.resize(size);
    return out;
}

QImage makePicture(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor::fromHsv(int(rng() % 360), 120, 230));
    g.setColorAt(1, QColor::fromHsv(int(rng() % 360), 200, 90));
    p.fillRect(img.rect(), g);
    for (int i = 0; i < 60; i++) {
        p.setBrush(QColor::fromHsv(int(rng() % 360), int(rng() % 256), int(rng() % 256)));
        p.setPen(Qt::NoPen);
        const int x = int(rng() % unsigned(w)), y = int(rng() % unsigned(h));
        if (i % 2)
            p.drawEllipse(x, y, int(rng() % 200) + 10, int(rng() % 200) + 10);
        else
            p.drawRect(x, y, int(rng() % 200) + 10, int(rng() % 200) + 10);
    }
    p.end();
    // Some grain, as in a scanned or photographed picture.
    for (int y = 0; y < h; y++) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; x++) {
            const int d = int(rng() % 7) - 3;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + d, 255), qBound(0, qGreen(c) + d, 255), qBound(0, qBlue(c) + d, 255));
        }
    }
    return img;
}

Bytes toBytes(const QByteArray &a) { return Bytes(a.constData(), size_t(a.size())); }

struct Corpus {
    std::vector<std::pair<std::string, Bytes>> parts;
    Bytes all;
    std::vector<Bytes> items;  // 10,000 card fields of 50..500 bytes
};

const Corpus &corpus()
{
    static const Corpus c = [] {
        Corpus k;
        k.parts.emplace_back("english", makeText(kEnglish, 3'000'000, 1));
        k.parts.emplace_back("spanish", makeText(kSpanish, 3'000'000, 2));
        Bytes bmp, jpeg;
        for (unsigned i = 0; bmp.size() < 2'000'000; i++)
            bmp += toBytes(platform::encodePicture(makePicture(640, 480, 10 + i), platform::PictureFormat::Bmp));
        for (unsigned i = 0; jpeg.size() < 1'000'000; i++)
            jpeg += toBytes(platform::encodePicture(makePicture(800, 600, 50 + i), platform::PictureFormat::Jpeg, 90));
        k.parts.emplace_back("bmp", bmp);
        k.parts.emplace_back("jpeg", jpeg);
        std::mt19937 rng(3);
        Bytes random(1'000'000, '\0');
        for (auto &ch : random)
            ch = static_cast<char>(rng());
        k.parts.emplace_back("random", random);
        for (const auto &part : k.parts)
            k.all += part.second;

        std::mt19937 r2(4);
        const Bytes &es = k.parts[1].second, &en = k.parts[0].second;
        for (int i = 0; i < 10'000; i++) {
            const size_t len = 50 + r2() % 451;
            const Bytes &src = (i % 3 == 0) ? en : es;
            const size_t at = r2() % (src.size() - len);
            k.items.push_back(src.substr(at, len));
        }
        return k;
    }();
    return c;
}

const Bytes &corpusPart(int index)
{
    return index < 0 ? corpus().all : corpus().parts[size_t(index)].second;
}

std::string partName(int index)
{
    return index < 0 ? "all" : corpus().parts[size_t(index)].first;
}

// ---- codecs

Bytes lzhCompress(const Bytes &in)
{
    packing::MemoryStream src(in), dst;
    LzhCompressStream(src, dst);
    return dst.toString();
}

Bytes lzhDecompress(const Bytes &in)
{
    packing::MemoryStream src(in), dst;
    LzhDecompressStream(src, dst);
    return dst.toString();
}

Bytes zlibCompress(const Bytes &in)
{
    uLongf len = compressBound(uLong(in.size()));
    Bytes out(len, '\0');
    compress2(reinterpret_cast<Bytef *>(out.data()), &len, reinterpret_cast<const Bytef *>(in.data()),
              uLong(in.size()), 9);
    out.resize(len);
    return out;
}

Bytes zlibUncompress(const Bytes &in, size_t size)
{
    Bytes out(size, '\0');
    uLongf len = uLongf(size);
    uncompress(reinterpret_cast<Bytef *>(out.data()), &len, reinterpret_cast<const Bytef *>(in.data()),
               uLong(in.size()));
    return out;
}

void setSizes(benchmark::State &state, size_t in, size_t lzh, size_t zlib)
{
    state.counters["in_bytes"] = double(in);
    state.counters["lzh_bytes"] = double(lzh);
    state.counters["zlib_bytes"] = double(zlib);
    state.counters["lzh_vs_zlib"] = double(lzh) / double(zlib);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in));
}

// ---- corpus benchmarks: argument -1 is the whole corpus, 0.. its parts

void BM_LzhCompress(benchmark::State &state)
{
    const Bytes &in = corpusPart(int(state.range(0)));
    state.SetLabel(partName(int(state.range(0))));
    Bytes out;
    for (auto _ : state)
        benchmark::DoNotOptimize(out = lzhCompress(in));
    setSizes(state, in.size(), out.size(), zlibCompress(in).size());
}

void BM_ZlibCompress9(benchmark::State &state)
{
    const Bytes &in = corpusPart(int(state.range(0)));
    state.SetLabel(partName(int(state.range(0))));
    Bytes out;
    for (auto _ : state)
        benchmark::DoNotOptimize(out = zlibCompress(in));
    setSizes(state, in.size(), lzhCompress(in).size(), out.size());
}

void BM_LzhDecompress(benchmark::State &state)
{
    const Bytes &in = corpusPart(int(state.range(0)));
    state.SetLabel(partName(int(state.range(0))));
    const Bytes packed = lzhCompress(in);
    if (lzhDecompress(packed) != in)
        state.SkipWithError("round trip failed");
    for (auto _ : state)
        benchmark::DoNotOptimize(lzhDecompress(packed));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}

void BM_ZlibUncompress(benchmark::State &state)
{
    const Bytes &in = corpusPart(int(state.range(0)));
    state.SetLabel(partName(int(state.range(0))));
    const Bytes packed = zlibCompress(in);
    for (auto _ : state)
        benchmark::DoNotOptimize(zlibUncompress(packed, in.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}

// The compressor against zlib level 9 on the same bytes, timed alternately in each iteration so
// that both see the same load. Per kind: the two speeds, their ratio (above 1: the compressor
// is faster) and the compressed sizes.
void BM_LzhVsZlib9(benchmark::State &state)
{
    const int part = int(state.range(0));
    const Bytes &in = corpusPart(part);
    state.SetLabel(partName(part));
    using Clock = std::chrono::steady_clock;
    double lzhSeconds = 0, zlibSeconds = 0;
    size_t lzhSize = 0, zlibSize = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        lzhSize = lzhCompress(in).size();
        const auto t1 = Clock::now();
        zlibSize = zlibCompress(in).size();
        const auto t2 = Clock::now();
        lzhSeconds += std::chrono::duration<double>(t1 - t0).count();
        zlibSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double mb = double(in.size()) * double(state.iterations()) / 1e6;
    state.counters["lzh_MBps"] = mb / lzhSeconds;
    state.counters["zlib9_MBps"] = mb / zlibSeconds;
    state.counters["speed_vs_zlib9"] = zlibSeconds / lzhSeconds;
    state.counters["lzh_bytes"] = double(lzhSize);
    state.counters["zlib9_bytes"] = double(zlibSize);
}

// ---- 10,000 small items

size_t itemBytes()
{
    size_t n = 0;
    for (const Bytes &b : corpus().items)
        n += b.size();
    return n;
}

void BM_LzhCompressItems(benchmark::State &state)
{
    size_t lzh = 0, zlib = 0;
    for (auto _ : state) {
        lzh = 0;
        for (const Bytes &b : corpus().items)
            lzh += lzhCompress(b).size();
    }
    for (const Bytes &b : corpus().items)
        zlib += zlibCompress(b).size();
    setSizes(state, itemBytes(), lzh, zlib);
    state.counters["us_per_item"] = benchmark::Counter(double(state.iterations()) * 10'000,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ZlibCompress9Items(benchmark::State &state)
{
    for (auto _ : state)
        for (const Bytes &b : corpus().items)
            benchmark::DoNotOptimize(zlibCompress(b));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(itemBytes()));
    state.counters["us_per_item"] = benchmark::Counter(double(state.iterations()) * 10'000,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_LzhDecompressItems(benchmark::State &state)
{
    std::vector<Bytes> packed;
    for (const Bytes &b : corpus().items)
        packed.push_back(lzhCompress(b));
    for (auto _ : state)
        for (const Bytes &p : packed)
            benchmark::DoNotOptimize(lzhDecompress(p));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(itemBytes()));
    state.counters["us_per_item"] = benchmark::Counter(double(state.iterations()) * 10'000,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ZlibUncompressItems(benchmark::State &state)
{
    std::vector<std::pair<Bytes, size_t>> packed;
    for (const Bytes &b : corpus().items)
        packed.emplace_back(zlibCompress(b), b.size());
    for (auto _ : state)
        for (const auto &p : packed)
            benchmark::DoNotOptimize(zlibUncompress(p.first, p.second));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(itemBytes()));
    state.counters["us_per_item"] = benchmark::Counter(double(state.iterations()) * 10'000,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// ---- cipher

void BM_EncryptStream1MB(benchmark::State &state)
{
    const Bytes &in = corpus().parts[4].second;  // 1 MB of random bytes
    for (auto _ : state) {
        packing::MemoryStream s(in);
        EncryptStream(s, "Vs. 3.41");
        benchmark::DoNotOptimize(s.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(in.size()));
}

void BM_EncryptStreamItem200(benchmark::State &state)
{
    const Bytes in = corpus().items[0].substr(0, 50) + Bytes(150, 'x');
    for (auto _ : state) {
        packing::MemoryStream s(in);
        EncryptStream(s, "Vs. 3.41");
        benchmark::DoNotOptimize(s.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 200);
}

// The first key schedule of each call, as when every call brings another key.
void BM_KeySchedule(benchmark::State &state)
{
    const uint8_t key[] = "Vs. 3.41";
    for (auto _ : state)
        benchmark::DoNotOptimize(BlowfishInit(key, 8));
}

// ---- a card field packed into, and unpacked from, a compressed and enciphered container

Bytes cardField()
{
    Bytes f = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    f += corpus().items[1];
    f.resize(200);
    return f;
}

void BM_PackCardField(benchmark::State &state)
{
    TPackStreams pks;
    pks.Compressed = true;
    pks.Encrypted = true;
    pks.Key = "clave de fichero";
    const Bytes field = cardField();
    size_t packedSize = 0;
    for (auto _ : state) {
        packing::MemoryStream s(field);
        pks.AddStream("1", s);
        s.clear();
        pks.SaveToStream(s);
        packedSize = size_t(s.size());
    }
    state.counters["packed_bytes"] = double(packedSize);
}

void BM_UnpackCardField(benchmark::State &state)
{
    TPackStreams pks;
    pks.Compressed = true;
    pks.Encrypted = true;
    pks.Key = "clave de fichero";
    packing::MemoryStream s(cardField());
    pks.AddStream("1", s);
    s.clear();
    pks.SaveToStream(s);
    const Bytes packed = s.toString();
    for (auto _ : state) {
        packing::MemoryStream t(packed);
        pks.LoadFromStream(t);
        t.clear();
        pks.GetStream("1", t);
        benchmark::DoNotOptimize(t.data());
    }
}

// ---- refusals: small containers whose content would unpack far past the limit of its kind,
// refused from the declared size. Time and peak memory of each refusal.

struct Refusal {
    const char *what;
    int64_t declared; // bytes the content unpacks to
    int64_t limit;    // the kind's limit
    bool enciphered;
};
const Refusal kRefusals[] = {
    {"answer declaring 64 MiB", int64_t(64) << 20, int64_t(16) << 20, true},
    {"answer declaring 1 GiB", int64_t(1) << 30, int64_t(16) << 20, true},
    {"settings declaring 64 MiB", int64_t(64) << 20, int64_t(1) << 20, false},
    {"saved password declaring 64 MiB", int64_t(64) << 20, int64_t(1) << 20, true},
    {"picture declaring 1 GiB", int64_t(1) << 30, int64_t(64) << 20, true},
};

// A compressed container of one item of 1 MiB of zeros, whose declared size then says `declared`.
std::string craftedContainer(int64_t declared, bool enciphered)
{
    TPackStreams pks;
    pks.Compressed = true;
    packing::MemoryStream s(Bytes(1 << 20, '\0'));
    pks.AddStream("1", s);
    s.clear();
    pks.SaveToStream(s);
    Bytes bytes = s.toString();
    const uint32_t n = uint32_t(declared);
    for (int i = 0; i < 4; i++)
        bytes[size_t(2 + i)] = char(n >> (8 * i));
    if (!enciphered)
        return bytes;
    packing::MemoryStream payload(std::string_view(bytes).substr(2));
    EncryptStream(payload, "clave");
    return "&*" + payload.toString();
}

void BM_Refusal(benchmark::State &state)
{
    const Refusal &r = kRefusals[state.range(0)];
    state.SetLabel(r.what);
    const Bytes bytes = craftedContainer(r.declared, r.enciphered);
    bool refused = false;
    measurePeak(state, [&] {
        TPackStreams pks;
        pks.Key = "clave";
        pks.SizeLimit = r.limit;
        packing::MemoryStream s(bytes);
        try {
            pks.LoadFromStream(s);
        } catch (const ECorruptFile &) {
            refused = true;
        }
    });
    if (!refused)
        state.SkipWithError("not refused");
    state.counters["input_bytes"] = double(bytes.size());
}
BENCHMARK(BM_Refusal)->DenseRange(0, int(std::size(kRefusals)) - 1)->Unit(benchmark::kMicrosecond);

// ---- many items: a plain container of `count` empty items whose 3-byte names come in
// descending order (each one sorts before every name read so far), loaded without an item
// limit (time linear in the bytes) and with the limit of a settings or answer container
// (refused from its count).

struct ManyItems {
    const char *what;
    uint32_t count;
    uint32_t maxItems; // 0: no limit
};
const ManyItems kManyItems[] = {
    {"116,000 items (a 1 MB settings file), no item limit", 116000, 0},
    {"150,000 items (a 340 KB answer), no item limit", 150000, 0},
    {"1,860,000 items, no item limit", 1860000, 0},
    {"116,000 items, settings limit of 1 item", 116000, 1},
    {"1,860,000 items, answer limit of 1 item", 1860000, 1},
};

std::string descendingItems(uint32_t count)
{
    std::string bytes("  \x01\x02\x03\x04\x05\x06\x07\x08", 10);
    for (int i = 0; i < 4; i++)
        bytes += char(count >> (8 * i));
    for (uint32_t i = count; i-- > 0;) {
        // 3-byte names, byte values without ASCII capitals so that every name is distinct
        // without regard to case.
        const char name[3] = {char(0x80 + i / (128 * 128)), char(0x80 + i / 128 % 128), char(0x80 + i % 128)};
        bytes += std::string("\x03\x00", 2);
        bytes.append(name, 3);
        bytes += std::string(4, '\0');
    }
    return bytes;
}

void BM_LoadManyItems(benchmark::State &state)
{
    const ManyItems &m = kManyItems[state.range(0)];
    state.SetLabel(m.what);
    const Bytes bytes = descendingItems(m.count);
    size_t loaded = 0;
    bool refused = false;
    measurePeak(state, [&] {
        TPackStreams pks;
        pks.MaxItems = m.maxItems;
        packing::MemoryStream s(bytes);
        try {
            pks.LoadFromStream(s);
            loaded = pks.itemsForInspection().size();
        } catch (const ECorruptFile &) {
            refused = true;
        }
    });
    if (m.maxItems ? !refused : loaded != m.count)
        state.SkipWithError(m.maxItems ? "not refused" : "items lost");
    state.counters["input_bytes"] = double(bytes.size());
}
BENCHMARK(BM_LoadManyItems)->DenseRange(0, int(std::size(kManyItems)) - 1)->Unit(benchmark::kMillisecond);

void corpusArgs(benchmark::internal::Benchmark *b)
{
    for (int i = -1; i < 5; i++)
        b->Arg(i);
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_LzhCompress)->Apply(corpusArgs);
BENCHMARK(BM_ZlibCompress9)->Apply(corpusArgs);
BENCHMARK(BM_LzhVsZlib9)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LzhDecompress)->Apply(corpusArgs);
BENCHMARK(BM_ZlibUncompress)->Apply(corpusArgs);
BENCHMARK(BM_LzhCompressItems)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibCompress9Items)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzhDecompressItems)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibUncompressItems)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncryptStream1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncryptStreamItem200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KeySchedule)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PackCardField)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnpackCardField)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    corpus();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
