#include "store/Restos_Trabajo.h"

#include "engine/Schema.h"
#include "packing/Streams.h"
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <set>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char *const Diarios[] = {"-journal", "-wal", "-shm"};

// The kinds of work, the parts they build and their plans.
const QString Tipos = QStringLiteral("exportacion|transporte");
const QString Partes = QStringLiteral("db|stu|bmp|jpg|mb|px");
// A plan being written.
const QString Borrador = QStringLiteral("tmp");

// The work files of a process: kind, process, and the journal's ending for a table's journal.
const QRegularExpression Nombre_Trabajo(
    QStringLiteral(R"(^\.(%1)-(\d{1,10})\.(?:(?:%2)|db(-journal|-wal|-shm)|plan|lock|%3)$)").arg(Tipos, Partes, Borrador));

// A plan holds at most a few lines of names.
constexpr qint64 Tamano_Maximo_Plan = 64 * 1024;

QByteArray nombreArchivo(const QString &path)
{
    return QFile::encodeName(path);
}

bool existeEntrada(const QString &path)
{
    struct stat st;
    return ::lstat(nombreArchivo(path).constData(), &st) == 0;
}

// Removes a file; one that is not there is gone already.
bool quita(const QString &path)
{
    return ::unlink(nombreArchivo(path).constData()) == 0 || errno == ENOENT;
}

void sincronizaCarpeta(const QString &Carpeta)
{
    engine::syncPath(nombreArchivo(Carpeta).toStdString(), true);
}

QString rutaPlan(const QString &Carpeta, const QString &Tipo, const QString &Proceso)
{
    return QStringLiteral("%1/.%2-%3.plan").arg(Carpeta, Tipo, Proceso);
}

QString rutaCerrojo(const QString &Carpeta, const QString &Tipo, const QString &Proceso)
{
    return QStringLiteral("%1/.%2-%3.lock").arg(Carpeta, Tipo, Proceso);
}

// Takes the lock file at `ruta` (made when missing) without waiting: its descriptor, or -1
// with errno EWOULDBLOCK when another holds it (or another error when it can't be made). The
// lock is on the file that still bears the name: one its holder removed meanwhile is let go
// and the new one tried.
int tomaCerrojo(const QString &ruta)
{
    const QByteArray nombre = nombreArchivo(ruta);
    for (int intento = 0; intento < 8; ++intento) {
        const int fd = ::open(nombre.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        struct stat abierto, nombrado;
        if (::fstat(fd, &abierto) == 0 && ::lstat(nombre.constData(), &nombrado) == 0
            && abierto.st_dev == nombrado.st_dev && abierto.st_ino == nombrado.st_ino)
            return fd;
        ::close(fd);
    }
    errno = EWOULDBLOCK;
    return -1;
}

// Lets a lock taken go, its file first.
void sueltaCerrojo(const QString &ruta, int fd)
{
    if (fd < 0)
        return;
    quita(ruta);
    ::close(fd);
}

QStringList nombresOcultos(const QString &Carpeta)
{
    return QDir(Carpeta).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
}

// A name a step may give or take away: one file of the folder itself.
bool nombreValido(const QString &nombre)
{
    return !nombre.isEmpty() && nombre != QLatin1String(".") && nombre != QLatin1String("..")
           && !nombre.contains(QLatin1Char('/')) && !nombre.contains(QChar(0)) && !nombre.contains(QLatin1Char('\n'))
           && !nombre.contains(QLatin1Char('\t'));
}

QByteArray escribePlan(const std::vector<Paso_Reemplazo> &Pasos)
{
    QByteArray texto;
    for (const Paso_Reemplazo &p : Pasos)
        texto += (p.Origen.isEmpty() ? QStringLiteral("Q\t") + p.Destino
                                     : QStringLiteral("R\t") + p.Origen + QLatin1Char('\t') + p.Destino)
                     .toUtf8()
                 + '\n';
    return texto;
}

// The steps of a plan read back; nothing when it is not one the kind and process of its name
// could have written (its renames take only that process's work parts).
std::optional<std::vector<Paso_Reemplazo>> leePlan(const QByteArray &texto, const QString &Tipo, const QString &Proceso)
{
    const QRegularExpression propia(QStringLiteral(R"(^\.%1-%2\.(?:%3)$)").arg(Tipo, Proceso, Partes));
    std::vector<Paso_Reemplazo> pasos;
    if (!texto.endsWith('\n'))
        return std::nullopt;
    const QStringList lineas = QString::fromUtf8(texto.chopped(1)).split(QLatin1Char('\n'));
    for (const QString &linea : lineas) {
        const QStringList c = linea.split(QLatin1Char('\t'));
        if (c.size() == 2 && c[0] == QLatin1String("Q") && nombreValido(c[1]))
            pasos.push_back({QString(), c[1]});
        else if (c.size() == 3 && c[0] == QLatin1String("R") && propia.match(c[1]).hasMatch() && nombreValido(c[2]))
            pasos.push_back({c[1], c[2]});
        else
            return std::nullopt;
    }
    return pasos;
}

// Carries the steps out; each may have been done already by a run cut short.
bool ejecuta(const QString &Carpeta, const std::vector<Paso_Reemplazo> &Pasos)
{
    bool bien = true;
    for (const Paso_Reemplazo &p : Pasos) {
        const QString destino = Carpeta + QLatin1Char('/') + p.Destino;
        if (p.Origen.isEmpty()) {
            bien = quita(destino) && bien;
            continue;
        }
        const QString origen = Carpeta + QLatin1Char('/') + p.Origen;
        if (!existeEntrada(origen))
            continue; // in its place already
        // The journal of the file replaced would be played into the new one.
        for (const char *diario : Diarios)
            bien = quita(destino + QLatin1String(diario)) && bien;
        bien = std::rename(nombreArchivo(origen).constData(), nombreArchivo(destino).constData()) == 0 && bien;
    }
    return bien;
}

bool terminaPlan(const QString &Carpeta, const QString &Plan, const std::vector<Paso_Reemplazo> &Pasos)
{
    const bool bien = ejecuta(Carpeta, Pasos) && quita(Plan);
    sincronizaCarpeta(Carpeta);
    return bien;
}

// Settles the work files of a process no longer at work, whose lock the caller holds: its
// replacement, when written down whole, is finished first (the work parts it takes are among
// the files below), then the rest go, the journals first (a removal cut short leaves a
// table, which the next settling finds). Returns how many went, the lock aside; nothing goes
// while a step of the replacement still fails.
int asientaTrabajo(const QString &Carpeta, const QString &Tipo, const QString &Proceso)
{
    const QString plan = rutaPlan(Carpeta, Tipo, Proceso);
    if (existeEntrada(plan)) {
        const std::optional<QByteArray> texto = platform::readWholeFile(plan, Tamano_Maximo_Plan);
        const auto pasos = texto ? leePlan(*texto, Tipo, Proceso) : std::nullopt;
        if (pasos && !terminaPlan(Carpeta, plan, *pasos))
            return 0;
        // One that can't be read was never complete: its parts go below, with it.
    }
    QStringList diarios, principales;
    for (const QString &nombre : nombresOcultos(Carpeta)) {
        const QRegularExpressionMatch m = Nombre_Trabajo.match(nombre);
        if (m.hasMatch() && m.captured(1) == Tipo && m.captured(2) == Proceso && !nombre.endsWith(QLatin1String(".lock")))
            (m.capturedLength(3) > 0 ? diarios : principales) << Carpeta + QLatin1Char('/') + nombre;
    }
    int quitados = 0;
    for (const QString &ruta : diarios + principales)
        quitados += QFile::remove(ruta) ? 1 : 0;
    return quitados;
}
} // namespace

QString Tabla_De_Trabajo(const QString &Carpeta, const QString &Tipo, qint64 Proceso)
{
    return Parte_De_Trabajo(Carpeta, Tipo, Proceso, QStringLiteral("db"));
}

QString Parte_De_Trabajo(const QString &Carpeta, const QString &Tipo, qint64 Proceso, const QString &Extension)
{
    return QStringLiteral("%1/.%2-%3.%4").arg(Carpeta, Tipo).arg(Proceso).arg(Extension.toLower());
}

void Quita_Tabla(const QString &Ruta)
{
    for (const char *diario : Diarios)
        QFile::remove(Ruta + QLatin1String(diario));
    QFile::remove(Ruta);
}

Trabajo_En_Carpeta::Trabajo_En_Carpeta(const QString &Carpeta, const QString &Tipo)
    : Ruta(rutaCerrojo(Carpeta, Tipo, QString::number(::getpid())))
{
    // Another process may be settling what an earlier process of this number left.
    for (int espera = 0; espera < 200; ++espera) {
        Descriptor = tomaCerrojo(Ruta);
        if (Descriptor >= 0 || errno != EWOULDBLOCK)
            return;
        ::usleep(10000);
    }
}

Trabajo_En_Carpeta::~Trabajo_En_Carpeta()
{
    sueltaCerrojo(Ruta, Descriptor);
}

Reemplazo Reemplaza_Conjunto(const QString &Carpeta, const QString &Tipo, const std::vector<Paso_Reemplazo> &Pasos)
{
    // Written whole under a work name, then named a plan, synchronised with its folder: every
    // step is on the disk before the first is taken.
    const QString plan = rutaPlan(Carpeta, Tipo, QString::number(::getpid()));
    const QString borrador = Parte_De_Trabajo(Carpeta, Tipo, ::getpid(), Borrador);
    try {
        const QByteArray texto = escribePlan(Pasos);
        packing::FileStream f(nombreArchivo(borrador).toStdString(), packing::FileStream::Create);
        f.writeBuffer(texto.constData(), std::size_t(texto.size()));
        f.close(true);
    } catch (const packing::EStreamError &) {
        quita(borrador);
        return Reemplazo::Nada_Hecho;
    }
    if (std::rename(nombreArchivo(borrador).constData(), nombreArchivo(plan).constData()) != 0) {
        quita(borrador);
        return Reemplazo::Nada_Hecho;
    }
    sincronizaCarpeta(Carpeta);
    return terminaPlan(Carpeta, plan, Pasos) ? Reemplazo::Hecho : Reemplazo::A_Medias;
}

int Quita_Restos_Abandonados(const QString &Carpeta)
{
    // Each process's work files apart, settled under its lock, which a process at work holds.
    std::set<std::pair<QString, QString>> procesos;
    for (const QString &nombre : nombresOcultos(Carpeta))
        if (const QRegularExpressionMatch m = Nombre_Trabajo.match(nombre); m.hasMatch())
            procesos.insert({m.captured(1), m.captured(2)});
    int quitados = 0;
    for (const auto &[tipo, proceso] : procesos) {
        const QString cerrojo = rutaCerrojo(Carpeta, tipo, proceso);
        const int fd = tomaCerrojo(cerrojo);
        if (fd < 0)
            continue; // at work (or a folder that can't be written)
        quitados += asientaTrabajo(Carpeta, tipo, proceso);
        sueltaCerrojo(cerrojo, fd);
    }
    return quitados + packing::removeAbandonedSaveFiles(QFile::encodeName(Carpeta).toStdString());
}

void Asienta_Carpeta_De(const QString &Ruta)
{
    if (const QString carpeta = QFileInfo(Ruta).absolutePath(); QFileInfo(carpeta).isDir())
        Quita_Restos_Abandonados(carpeta);
}
