#include "exchange/Restos_Trabajo.h"

#include "packing/Streams.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>

namespace {
const char *const Diarios[] = {"-journal", "-wal", "-shm"};

bool procesoTerminado(qint64 proceso)
{
    return proceso > 0 && proceso <= 0x7FFFFFFF && ::kill(pid_t(proceso), 0) != 0 && errno == ESRCH;
}
} // namespace

QString Tabla_De_Trabajo(const QString &Carpeta, const QString &Tipo, qint64 Proceso)
{
    return QStringLiteral("%1/.%2-%3.db").arg(Carpeta, Tipo).arg(Proceso);
}

void Quita_Tabla(const QString &Ruta)
{
    for (const char *diario : Diarios)
        QFile::remove(Ruta + QLatin1String(diario));
    QFile::remove(Ruta);
}

int Quita_Restos_Abandonados(const QString &Carpeta)
{
    static const QRegularExpression tabla(QStringLiteral(R"(^\.(?:exportacion|transporte)-(\d{1,10})\.db(-journal|-wal|-shm)?$)"));
    QStringList diarios, principales;
    const QStringList nombres = QDir(Carpeta).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &nombre : nombres) {
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
