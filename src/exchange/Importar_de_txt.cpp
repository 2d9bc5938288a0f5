#include "exchange/Importar_de_txt.h"

#include "engine/Table.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Help.h"
#include "platform/MessageDialog.h"
#include "platform/TextFile.h"
#include "store/D_Module.h"
#include "store/Ficha_Nueva.h"
#include "store/Sesion.h"

#include <QScopeGuard>

#include <optional>

TImportar_de_txt_ *Importar_de_txt_ = nullptr;

namespace {
const QString Msg_Importadas = QStringLiteral("Se han importado %1 fichas.");
const QString Msg_No_Leido = QStringLiteral("No se ha podido leer el archivo\r\r%1");
const QString Msg_Linea_Fallida = QStringLiteral("No se ha importado la línea %1:\r\r%2");
const QString Msg_Lineas_Anteriores = QStringLiteral("\r\rSe han importado %1 fichas de las líneas anteriores.");
const QString Msg_Sin_Respuesta_Corta =
    QStringLiteral("Las fichas de este fichero no tienen respuesta corta, así que las respuestas del archivo de "
                   "texto no se guardarán.\r\r¿Quiere importar las fichas sin sus respuestas?");
} // namespace

// ---------------------------------------------------------------------------------------------
// The shared window

TImportar_Base_::TImportar_Base_(const char *objectName, const QString &caption, int helpContext, QWidget *parent)
    : platform::Form(parent), m_ayuda(helpContext)
{
    setObjectName(QString::fromLatin1(objectName));
    setWindowTitle(caption);
    setHelpContext(std::uint32_t(m_ayuda));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    setColor(platform::tcolor(platform::colors::Silver));

    using platform::named;
    Label1 = named(new platform::Label(QStringLiteral("Caracter separador:"), this), "Label1");
    Edit1 = named(new QLineEdit(QStringLiteral("#"), this), "Edit1");
    Edit1->setMaxLength(1);
    Label2 = named(new platform::Label(QStringLiteral("Nivel de las Fichas:"), this), "Label2");
    MaskEdit1 = named(new platform::MaskEdit(this), "MaskEdit1");
    MaskEdit1->setEditMask(QStringLiteral("9;1;_"));
    MaskEdit1->setText(QStringLiteral("1"));
    Button1 = named(new QPushButton(QStringLiteral("  I&mportar Fichas"), this), "Button1");
    Button2 = named(new QPushButton(QStringLiteral("&Salir"), this), "Button2");
    Button3 = named(new QPushButton(QStringLiteral("&Ayuda"), this), "Button3");
    ListBox1 = named(new QListWidget(this), "ListBox1");
    ListBox1->hide();
    platform::Form::setCancelButton(Button2);
    OpenDialog1 = named(new platform::FileDialog(platform::FileDialog::Open, this), "OpenDialog1");
    OpenDialog1->Filter = QStringLiteral("Text Files / Archivos de Texto|*.TXT|All Files / Todos los Archivos|*.*");
    OpenDialog1->Title = QStringLiteral("Import / Importar");

    resize(520, 190);
    setCentred(true);
    Label1->move(24, 26);
    Edit1->setGeometry(170, 22, 30, 24);
    Label2->move(24, 66);
    MaskEdit1->setGeometry(170, 62, 30, 24);
    Button1->setGeometry(280, 22, 200, 40);
    Button2->setGeometry(280, 120, 95, 32);
    Button3->setGeometry(385, 120, 95, 32);

    using F = TImportar_Base_;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(this, &platform::Form::closed, this, &F::FormClose);
    platform::on(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    platform::on(Label2, &platform::Label::clicked, this, [this] { Button1Click(); });
    platform::on(Button2, &QPushButton::clicked, this, &F::Button2Click);
    platform::on(Button3, &QPushButton::clicked, this, &F::Button3Click);
}

void TImportar_Base_::FormActivate()
{
    Sesion_->Ventana_Principal()->setEnabled(false);
    Button1->setFocus();
}

void TImportar_Base_::FormClose()
{
    // Also when the window is closed otherwise than with "&Salir": the main window must not
    // stay disabled.
    Sesion_->Ventana_Principal()->setEnabled(true);
}

void TImportar_Base_::Button2Click()
{
    Sesion_->Ventana_Principal()->setEnabled(true);
    close();
}

void TImportar_Base_::Button3Click()
{
    platform::helpContext(std::uint32_t(m_ayuda));
}

bool TImportar_Base_::Elige_Archivo()
{
    OpenDialog1->InitialDir = m_dialogoUsado ? QString() : Sesion_->Carpeta_Programa;
    m_dialogoUsado = true;
    if (!OpenDialog1->execute())
        return false;
    ListBox1->clear();
    if (!Lector.open(OpenDialog1->FileName)) {
        D_Module_->Ver_Mensaje(Msg_No_Leido.arg(OpenDialog1->FileName));
        return false;
    }
    return true;
}

bool TImportar_Base_::Sigue_Sin_Respuesta_Corta(int Paso)
{
    if (Sesion_->Tam_Respuesta > 0)
        return true;
    const QString separador = Edit1->text();
    bool hayRespuestas = false;
    QString linea;
    for (int i = 0; !hayRespuestas && Lector.next(linea); ++i)
        hayRespuestas = i % Paso == 0 && !Divide_Linea_Texto(linea, separador).Respuesta.trimmed().isEmpty();
    if (!Lector.rewind()) {
        Lectura_Fallida(0);
        return false;
    }
    return !hayRespuestas || platform::warningNoOk(Msg_Sin_Respuesta_Corta) == platform::DialogAnswer::Ok;
}

void TImportar_Base_::Lectura_Fallida(int Importadas)
{
    QString texto = Msg_No_Leido.arg(OpenDialog1->FileName);
    if (Importadas > 0)
        texto += Msg_Lineas_Anteriores.arg(Importadas);
    D_Module_->Ver_Mensaje(texto);
}

std::optional<QString> TImportar_Base_::Clave_Linea(const Partes_Linea_Texto &Partes)
{
    return Sesion_->Con_Clave == 1 ? std::optional<QString>(Partes.Clave) : std::nullopt;
}

int TImportar_Base_::Importancia_Linea(const Partes_Linea_Texto &Partes)
{
    return Sesion_->Con_Importancia == 1 ? platform::wholeNumber(Partes.Importancia) : 0;
}

int TImportar_Base_::Nivel() const
{
    return platform::wholeNumber(MaskEdit1->text().trimmed());
}

void TImportar_Base_::Linea_Fallida(int Linea, const QString &Causa, int Importadas)
{
    QString texto = Msg_Linea_Fallida.arg(QString::number(Linea), Causa);
    if (Importadas > 0)
        texto += Msg_Lineas_Anteriores.arg(Importadas);
    D_Module_->Ver_Mensaje(texto);
}

void TImportar_Base_::Linea_Larga_Fallida(int Importadas)
{
    Linea_Fallida(Lector.tooLongLine(), platform::tooLongLineReason(), Importadas);
}

// ---------------------------------------------------------------------------------------------
// One card a line

TImportar_de_txt_::TImportar_de_txt_(QWidget *parent)
    : TImportar_Base_("Importar_de_txt_", QStringLiteral(" Importar Fichas desde un Archivo de Texto"), 33, parent)
{
    Importar_de_txt_ = this;
}

TImportar_de_txt_::~TImportar_de_txt_()
{
    if (Importar_de_txt_ == this)
        Importar_de_txt_ = nullptr;
}

void TImportar_de_txt_::Button1Click()
{
    if (!Elige_Archivo())
        return;
    const auto cierra = qScopeGuard([this] { Lector.close(); });
    TD_Module_ &dm = *D_Module_;
    const QString separador = Edit1->text();
    if (!Sigue_Sin_Respuesta_Corta(1))
        return;
    Alta_En_Bloque bloque;
    int importadas = 0;
    QString linea;
    while (Lector.next(linea)) {
        const Partes_Linea_Texto p = Divide_Linea_Texto(linea, separador);
        try {
            const int nivel = Nivel();
            const int importancia = Importancia_Linea(p);
            Anade_Ficha_Entera([&] {
                Pon_Ficha_Nueva(nivel, importancia, Clave_Linea(p), p.Pregunta);
                dm.Guarda_Texto_Corto_Respuesta(p.Respuesta);
            });
        } catch (const std::exception &e) {
            if (dm.Avisa_Si_Tabla_Danada(e))
                return; // nothing of the run is written to a damaged file
            bloque.Termina();
            Linea_Fallida(importadas + 1, QString::fromUtf8(e.what()), importadas);
            return;
        }
        bloque.Ficha_Anadida();
        ++importadas;
    }
    bloque.Termina();
    if (Lector.failed())
        Lectura_Fallida(importadas);
    else if (Lector.tooLongLine() > 0)
        Linea_Larga_Fallida(importadas);
    else
        dm.Ver_Mensaje(Msg_Importadas.arg(importadas));
}
