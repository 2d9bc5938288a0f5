#include "store/Repara_Fichero.h"

#include "engine/EngineError.h"
#include "engine/Table.h"
#include "platform/Application.h"
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
