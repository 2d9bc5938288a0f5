#include "exchange/Restos_Trabajo.h"

#include "packing/Streams.h"
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char *const Diarios[] = {"-journal", "-wal", "-shm"};

// The kinds of work, the parts they build and their plans.
const QString Tipos = QStringLiteral("exportacion|transporte");
const QString Partes = QStringLiteral("db|stu|bmp|jpg|mb|px");
// A plan being written.
const QString Borrador = QStringLiteral("tmp");

// A plan holds at most a few lines of names.
constexpr qint64 Tamano_Maximo_Plan = 64 * 1024;

bool procesoTerminado(qint64 proceso)
{
    return proceso > 0 && proceso <= 0x7FFFFFFF && ::kill(pid_t(proceso), 0) != 0 && errno == ESRCH;
}

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
    const int fd = ::open(nombreArchivo(Carpeta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

QString rutaPlan(const QString &Carpeta, const QString &Tipo, qint64 Proceso)
{
    return QStringLiteral("%1/.%2-%3.plan").arg(Carpeta, Tipo).arg(Proceso);
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

Reemplazo Reemplaza_Conjunto(const QString &Carpeta, const QString &Tipo, const std::vector<Paso_Reemplazo> &Pasos)
{
    // Written whole under a work name, then named a plan, synchronised with its folder: every
    // step is on the disk before the first is taken.
    const QString plan = rutaPlan(Carpeta, Tipo, ::getpid());
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
    static const QRegularExpression planes(QStringLiteral(R"(^\.(%1)-(\d{1,10})\.plan$)").arg(Tipos));
    static const QRegularExpression tabla(
        QStringLiteral(R"(^\.(?:%1)-(\d{1,10})\.(?:(?:%2)|db(-journal|-wal|-shm)|plan|%3)$)").arg(Tipos, Partes, Borrador));
    const QDir carpeta(Carpeta);
    const auto nombres = [&] {
        return carpeta.entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    };
    // Replacements cut short are finished first: the work parts they take are among the
    // files below. One of this process is left only by a step that failed.
    for (const QString &nombre : nombres()) {
        const QRegularExpressionMatch m = planes.match(nombre);
        const qint64 proceso = m.hasMatch() ? m.captured(2).toLongLong() : 0;
        if (!m.hasMatch() || !(proceso == ::getpid() || procesoTerminado(proceso)))
            continue;
        const QString ruta = Carpeta + QLatin1Char('/') + nombre;
        const std::optional<QByteArray> texto = platform::readWholeFile(ruta, Tamano_Maximo_Plan);
        const auto pasos = texto ? leePlan(*texto, m.captured(1), m.captured(2)) : std::nullopt;
        if (pasos)
            terminaPlan(Carpeta, ruta, *pasos);
        // One that can't be read was never complete: its parts go below, with it.
    }
    QStringList diarios, principales;
    for (const QString &nombre : nombres()) {
        const QRegularExpressionMatch m = tabla.match(nombre);
        if (m.hasMatch() && procesoTerminado(m.captured(1).toLongLong()))
            (m.capturedLength(2) > 0 ? diarios : principales) << Carpeta + QLatin1Char('/') + nombre;
    }
    // The journals first: a removal cut short leaves a table, which the next one finds.
    int quitados = 0;
    for (const QString &ruta : diarios + principales)
        quitados += QFile::remove(ruta) ? 1 : 0;
    return quitados + packing::removeAbandonedSaveFiles(QFile::encodeName(Carpeta).toStdString());
}
