#include "store/Repara_Fichero.h"

#include "engine/EngineError.h"
#include "engine/Table.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"
#include "store/Sesion.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProgressBar>

#include <algorithm>
#include <exception>
#include <memory>

namespace {

std::string nombreFichero(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

void procesaMensajes()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void fallo(const QString &Texto)
{
    platform::showErrorBox(Texto);
    Sesion_->Error_Reparacion = 1;
}

// The hourglass for as long as it lives.
class Reloj_Arena {
public:
    Reloj_Arena() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Reloj_Arena() { QApplication::restoreOverrideCursor(); }
    Reloj_Arena(const Reloj_Arena &) = delete;
    Reloj_Arena &operator=(const Reloj_Arena &) = delete;
};

// A progress bar from 0 to Maximo along the bottom of the main window, repainted at every
// step, freed with the object.
class Barra_Progreso {
public:
    explicit Barra_Progreso(int Maximo)
    {
        QWidget *principal = platform::mainWindow();
        m_barra = new QProgressBar(principal);
        m_barra->setObjectName(QStringLiteral("Barra_Progreso"));
        m_barra->setRange(0, Maximo);
        m_barra->setValue(0);
        if (principal) {
            const int alto = m_barra->sizeHint().height();
            m_barra->setGeometry(0, principal->height() - alto, principal->width(), alto);
        }
        m_barra->show();
        m_barra->repaint();
    }
    ~Barra_Progreso() { delete m_barra.data(); }
    Barra_Progreso(const Barra_Progreso &) = delete;
    Barra_Progreso &operator=(const Barra_Progreso &) = delete;

    void Avanza()
    {
        if (m_barra)
            Pon(m_barra->value() + 1);
    }

    void Pon(int Valor)
    {
        if (!m_barra)
            return;
        m_barra->setValue(Valor);
        m_barra->repaint();
    }

private:
    QPointer<QProgressBar> m_barra;
};

} // namespace

void Muestra_Progreso_Del_Motor()
{
    struct Trabajo {
        Reloj_Arena reloj;
        Barra_Progreso barra{1000};
    };
    engine::Table::setProgressHook([trabajo = std::shared_ptr<Trabajo>()](std::int64_t hecho, std::int64_t total) mutable {
        if (!trabajo)
            trabajo = std::make_shared<Trabajo>();
        trabajo->barra.Pon(static_cast<int>(hecho * 1000 / std::max<std::int64_t>(total, 1)));
        if (hecho >= total)
            trabajo.reset();
    });
}

QString Formato_Mas_Reciente(const QString &Tabla)
{
    try {
        engine::Table tabla;
        tabla.setTableName(nombreFichero(Tabla));
        tabla.open();
    } catch (const engine::NewerFormatError &e) {
        return QString::fromUtf8(e.what());
    } catch (const std::exception &) {
    }
    return {};
}

Rescate Rescata_Tabla(const QString &Tabla)
{
    Rescate R;
    Reloj_Arena reloj;
    engine::Table tabla;
    tabla.setTableName(nombreFichero(Tabla));
    try {
        R.Informe = tabla.salvage(nombreFichero(Nombre_Danado(Tabla)));
        if (R.Informe.damaged || R.Informe.recordsKept > 0)
            R.Resultado = Rescate::Resultado::Rescatada;
    } catch (const engine::UnreadableError &) {
        R.Resultado = Rescate::Resultado::Ilegible;
    } catch (const std::exception &) {
        // Held by someone else, missing, foreign: the repair's own steps tell.
    }
    procesaMensajes();
    return R;
}

QString Nombre_Danado(const QString &Tabla)
{
    const QFileInfo info(Tabla);
    const QString fecha = platform::clock::today().toString(QStringLiteral("yyyy-MM-dd"));
    const QString extension = info.suffix().isEmpty() ? QStringLiteral("DB") : info.suffix();
    for (int n = 1;; ++n) {
        const QString nombre = QStringLiteral("%1 (dañado %2%3).%4")
                                   .arg(info.completeBaseName(), fecha,
                                        n == 1 ? QString() : QStringLiteral(", %1").arg(n), extension);
        const QFileInfo ruta(info.dir().filePath(nombre));
        if (!ruta.exists() && !ruta.isSymLink())
            return ruta.filePath();
    }
}

QString Mensaje_Rescate(const QString &Tabla, const Rescate &R)
{
    if (R.Resultado == Rescate::Resultado::Ilegible)
        return QStringLiteral("No se ha podido leer ninguna ficha del Fichero de Estudio\r\r%1\r\r"
                              "Está demasiado dañado para repararlo, y se ha dejado tal como estaba.")
            .arg(Tabla);
    const engine::SalvageReport &I = R.Informe;
    if (R.Resultado != Rescate::Resultado::Rescatada || !I.damaged)
        return {};
    qint64 imagenes = 0, respuestas = 0;
    for (const auto &[campo, perdidos] : I.blobsLost)
        (QString::fromStdString(campo).contains(QLatin1String("Imag")) ? imagenes : respuestas) += perdidos;
    QString texto = QStringLiteral("El Fichero de Estudio estaba dañado y no se ha podido recuperar todo.\r\r");
    texto += QStringLiteral("Fichas recuperadas: %1\r").arg(I.recordsKept);
    if (I.recordsUncounted && I.recordsLost == 0)
        texto += QStringLiteral("Fichas que no se han podido recuperar: no se sabe cuántas\r");
    else
        texto += QStringLiteral("Fichas que no se han podido recuperar: %1%2\r")
                     .arg(I.recordsLost)
                     .arg(I.recordsUncounted ? QStringLiteral(" como mínimo") : QString());
    if (I.valuesLost > 0)
        texto += QStringLiteral("Datos de fichas recuperadas que se han perdido: %1\r").arg(I.valuesLost);
    texto += QStringLiteral("Imágenes perdidas: %1\r").arg(imagenes);
    texto += QStringLiteral("Respuestas perdidas: %1\r").arg(respuestas);
    if (!I.keptAs.empty())
        texto += QStringLiteral("\rEl fichero dañado se ha guardado tal como estaba en:\r%1")
                     .arg(QFile::decodeName(QByteArray::fromStdString(I.keptAs)));
    return texto;
}

void Repara_Tabla(const QString &Carpeta)
{
    Abre_Tabla_Sin_Indice(Carpeta);
    Empaqueta_Tabla(Carpeta);
}

void Abre_Tabla_Sin_Indice(const QString &Carpeta)
{
    Reloj_Arena reloj;
    Barra_Progreso barra(2);
    engine::Table tabla;
    tabla.setDatabaseName(nombreFichero(Carpeta));
    tabla.setExclusive(true);
    procesaMensajes();
    Borra_Ficheros_Indice(Carpeta, Sesion_->Ruta_FE);
    try {
        tabla.setTableName(nombreFichero(Sesion_->Ruta_FE));
        tabla.open();
        barra.Avanza();
        // The engine keeps the index inside the table file: it is built again here.
        tabla.rebuildIndexes();
        tabla.close();
        barra.Avanza();
    } catch (const std::exception &) {
        fallo(QStringLiteral("ERROR al intentar abrir la tabla de nombre %1.").arg(Sesion_->Ruta_FE));
    }
    procesaMensajes();
}

void Empaqueta_Tabla(const QString &Carpeta)
{
    Reloj_Arena reloj;
    Barra_Progreso barra(3);
    const QStringList Tablas{Sesion_->Ruta_FE};
    for (const QString &Entrada : Tablas) {
        engine::Table tabla;
        tabla.setDatabaseName(nombreFichero(Carpeta));
        tabla.setExclusive(true);
        procesaMensajes();
        bool abierta = false;
        try {
            tabla.setTableName(nombreFichero(Entrada));
            tabla.open();
            abierta = true;
            barra.Avanza();
            if (!tabla.active() || !tabla.exclusive())
                throw engine::EngineError("not exclusive");
            barra.Avanza();
            tabla.close();
            tabla.pack();
            tabla.close();
        } catch (const std::exception &) {
            // A table too damaged to be opened is packed all the same: the packing carries
            // over what can still be read (it fails, as the opening did, while someone else
            // holds the file).
            bool recuperada = false;
            if (!abierta) {
                try {
                    tabla.pack();
                    recuperada = true;
                } catch (const std::exception &) {
                }
            }
            if (!recuperada)
                fallo(QStringLiteral("ERROR  al intentar compactar la base %1. ").arg(Entrada));
        }
        barra.Avanza();
        procesaMensajes();
        tabla.close();
    }
}

void Borra_Ficheros_Indice(const QString &Carpeta, const QString &Tabla)
{
    const QString carpeta = Carpeta.isEmpty() ? QString() : Carpeta + QLatin1Char('/');
    const QString mascara = carpeta + Tabla.chopped(qMin(2, int(Tabla.size()))) + QStringLiteral("px");
    const QFileInfo info(mascara);
    // Every file of the folder whose name is the mask's, in any case (the name is taken
    // literally, not as a pattern).
    QStringList encontrados;
    for (const QString &nombre : info.dir().entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        if (nombre.compare(info.fileName(), Qt::CaseInsensitive) == 0)
            encontrados << nombre;
    for (const QString &nombre : encontrados) {
        const QString P = info.dir().filePath(nombre);
        if (QFileInfo::exists(P)) {
            if (!QFile::remove(P)) {
                fallo(QStringLiteral("ERROR al borrar el fichero %1 indice, Quizas una tabla  ACTIVE=TRUE desde modo diseño")
                          .arg(nombre));
            }
        } else {
            fallo(QStringLiteral("ERROR el fichero%1 no lo encuentro.").arg(P));
        }
    }
}

void Borra_Fichero_Estudio(const QString &Tabla)
{
    QFile::remove(Tabla);
    for (const char *lateral : {"-wal", "-shm", "-journal"})
        QFile::remove(Tabla + QLatin1String(lateral));
    const QString B = Tabla.chopped(qMin(2, int(Tabla.size())));
    for (const char *ext : {"MB", "PX", "STU", "JPG", "BMP", "CLA"}) {
        const QString P = platform::existingPathAnyCase(B + QLatin1String(ext));
        if (!P.isEmpty())
            QFile::remove(P);
    }
}
