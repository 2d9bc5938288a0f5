#include "exchange/Exportar_FE.h"

#include "engine/BatchMove.h"
#include "editing/FILTRO_ENV_.h"
#include "engine/Table.h"
#include "engine/Transaction.h"
#include "packing/PackStreamCol.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Screen.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "store/Ficha.h"
#include "store/Opciones_FE.h"
#include "store/Restos_Trabajo.h"
#include "store/Sesion.h"
#include "store/Text_Zoom.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

#include <unistd.h>

TExportar_FE_ *Exportar_FE_ = nullptr;
QString Tipo_Otra_Imagen;

namespace {
const QString Msg_No_Exportado =
    QStringLiteral("No se pudo exportar el Fichero de Estudio\r\r%1\r\r%2\r\rNo se ha creado ningún archivo.");
const QString Err_Imagen = QStringLiteral("No se puede leer la imagen %1");
const QString Err_Escritura = QStringLiteral("No se puede escribir el archivo %1");
const QString Tipo_Trabajo = QStringLiteral("exportacion");

void mensaje(const QString &text)
{
    D_Module_->Ver_Mensaje(text);
}

[[noreturn]] void falla(const QString &text)
{
    throw std::runtime_error(text.toStdString());
}
} // namespace

void Aviso_No_Se_Puede_Exportar()
{
    mensaje(Msg_No_Exportable);
}

packing::MemoryStream &Desempaqueta_Stream_Exportar(packing::MemoryStream &Stream, int64_t Limite)
{
    return Descomprime_Decodifica_Stream_con_PKS(Stream, Limite);
}

void Comprime_Codifica_Stream_con_PKS2(packing::MemoryStream &Stream)
{
    TPackStreams &pks2 = *D_Module_->PKS2;
    pks2.AddStream("1", Stream);
    Stream.clear();
    pks2.SaveToStream(Stream);
    Stream.setPosition(0);
}

// ---------------------------------------------------------------------------------------------
// Construction

TExportar_FE_::TExportar_FE_(QWidget *parent) : platform::Form(parent)
{
    Exportar_FE_ = this;
    setObjectName(QStringLiteral("Exportar_FE_"));
    setWindowTitle(QStringLiteral(" Exportar a un nuevo Fichero de Estudio"));
    setHelpContext(41);
    // The activation puts today in the creation date: coming back from the selection or the
    // description must keep the date the user typed.
    setActivateOnModalReturn(false);
    setColor(platform::tcolor(platform::colors::Teal));

    using platform::named;
    auto radioGroup = [&](const QString &caption, const QStringList &items, const char *name) {
        auto *g = named(new platform::RadioGroup(caption, Panel1), name);
        g->setItems(items);
        g->setItemIndex(0);
        return g;
    };
    Panel1 = named(new platform::Panel(this), "Panel1");
    Panel1->setColor(platform::tcolor(platform::colors::Silver));
    Panel1->setFrameShape(QFrame::Panel);
    QWidget *p = Panel1;

    Label1 = named(new platform::Label(Sin_Fichero, p), "Label1");
    Label2 = named(new platform::Label(QStringLiteral("Nombre del nuevo Fichero de Estudio: "), p), "Label2");
    Edit1 = named(new QLineEdit(p), "Edit1");
    Label4 = named(new platform::Label(QStringLiteral("Fecha de Creación:"), p), "Label4");
    MaskEdit2 = named(new platform::MaskEdit(p), "MaskEdit2");
    MaskEdit2->setEditMask(QStringLiteral("!99/99/00;1;_"));

    RadioGroup1 = radioGroup(QStringLiteral(" Fichas a Exportar: "), {QStringLiteral("Todas."), QStringLiteral("Seleccionar.")}, "RadioGroup1");
    Button5 = named(new QPushButton(QStringLiteral("  Selecci&onar Fichas"), p), "Button5");
    Button5->hide();

    CheckBox1 = named(new QCheckBox(QStringLiteral("&Contraseña:"), p), "CheckBox1");
    Edit2 = named(new QLineEdit(p), "Edit2");
    Edit2->setEnabled(false);

    RadioGroup2 = radioGroup(QStringLiteral(" Repaso por Tiempo: "), {QStringLiteral("Ponerlo a 0."), QStringLiteral("Sin cambios.")}, "RadioGroup2");
    RadioGroup3 = radioGroup(QStringLiteral(" Comprimir los datos: "), {QStringLiteral("Si"), QStringLiteral("No")}, "RadioGroup3");

    GroupBox1 = named(new QGroupBox(QStringLiteral(" Nivel de las Fichas: "), p), "GroupBox1");
    RadioButton1 = named(new QRadioButton(QStringLiteral("Todas con Nivel 0, excepto "), GroupBox1), "RadioButton1");
    MaskEdit1 = named(new platform::MaskEdit(GroupBox1), "MaskEdit1");
    MaskEdit1->setEditMask(QStringLiteral("999;1;_"));
    MaskEdit1->setText(QStringLiteral("20 "));
    Label3 = named(new platform::Label(QStringLiteral("fichas en Nivel 1."), GroupBox1), "Label3");
    RadioButton2 =
        named(new QRadioButton(QStringLiteral("Mantener el actual nivel de cada ficha."), GroupBox1), "RadioButton2");
    RadioButton3 = named(new QRadioButton(QStringLiteral("Todas con Nivel: "), GroupBox1), "RadioButton3");
    MaskEdit3 = named(new platform::MaskEdit(GroupBox1), "MaskEdit3");
    MaskEdit3->setEditMask(QStringLiteral("9;1;_"));
    MaskEdit3->setText(QStringLiteral("1"));
    MaskEdit3->setEnabled(false);
    RadioButton1->setChecked(true);

    CheckBox3 = named(new QCheckBox(QStringLiteral("Podrá ser Exportado."), p), "CheckBox3");
    CheckBox2 = named(new QCheckBox(QStringLiteral("Sus fichas podrán modificarse o borrarse."), p), "CheckBox2");
    CheckBox2->setChecked(true);
    CheckBox4 = named(new QCheckBox(QStringLiteral("Sus fichas podrán imprimirse."), p), "CheckBox4");
    CheckBox4->setChecked(true);

    GB_Imagen = named(new QGroupBox(QStringLiteral(" Imagen del nuevo Fichero de Estudio: "), p), "GB_Imagen");
    Misma_Imagen = named(new QRadioButton(QStringLiteral("La misma."), GB_Imagen), "Misma_Imagen");
    Otra_Imagen = named(new QRadioButton(QStringLiteral("Otra Imagen."), GB_Imagen), "Otra_Imagen");
    Ninguna_Imagen = named(new QRadioButton(QStringLiteral("Ninguna."), GB_Imagen), "Ninguna_Imagen");
    Misma_Imagen->setChecked(true);

    Button1 = named(new QPushButton(QStringLiteral("Modificar &Descripción"), p), "Button1");
    Button3 = named(new QPushButton(QStringLiteral("&Exportar"), p), "Button3");
    BitBtn2 = named(new QPushButton(QStringLiteral("&Salir"), p), "BitBtn2");
    platform::Form::setCancelButton(BitBtn2);
    BitBtn1 = named(new QPushButton(QStringLiteral("&Ayuda"), p), "BitBtn1");

    Label6 = named(new platform::Label(QStringLiteral("Fichas Exportadas."), p), "Label6");
    Label6->setAutoFillBackground(true);
    QPalette lime = Label6->palette();
    lime.setColor(QPalette::Window, platform::tcolor(0x00FF00));
    Label6->setPalette(lime);
    Label6->hide();
    Gauge1 = named(new QProgressBar(p), "Gauge1");
    Gauge1->setTextVisible(true);
    Gauge1->setStyleSheet(QStringLiteral("QProgressBar { background: purple; color: white; border: 1px solid black; "
                                         "text-align: center; } QProgressBar::chunk { background: navy; }"));
    Gauge1->hide();

    Image1 = named(new platform::ImageControl(p), "Image1");
    Image1->hide();
    RichEdit1 = named(new platform::RichEdit(p), "RichEdit1");
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->hide();

    OpenPictureDialog1 = named(new platform::FileDialog(platform::FileDialog::Open, this), "OpenPictureDialog1");
    OpenPictureDialog1->Filter = QStringLiteral(
        "All (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|JPEG Image File (*.jpg, *.jpeg)|*.jpg, *.jpeg|"
        "Bitmaps (*.bmp)|*.bmp|All Files (*.*)|*.*");

    layOut();

    using F = TExportar_FE_;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(RadioGroup1, &platform::RadioGroup::clicked, this, &F::RadioGroup1Click);
    platform::on(Button5, &QPushButton::clicked, this, &F::Button5Click);
    platform::on(CheckBox1, &QCheckBox::clicked, this, &F::CheckBox1Click);
    for (QRadioButton *b : {RadioButton1, RadioButton2, RadioButton3})
        platform::on(b, &QRadioButton::clicked, this, &F::RadioButton1Click);
    for (QRadioButton *b : {Misma_Imagen, Otra_Imagen, Ninguna_Imagen})
        platform::on(b, &QRadioButton::clicked, this, [this, b] {
            if (b == Otra_Imagen)
                Otra_ImagenClick();
        });
    platform::on(Button1, &QPushButton::clicked, this, &F::Button1Click);
    platform::on(Button3, &QPushButton::clicked, this, &F::Button3Click);
    platform::on(BitBtn2, &QPushButton::clicked, this, &F::BitBtn2Click);
    platform::on(BitBtn1, &QPushButton::clicked, this, &F::BitBtn1Click);
}

TExportar_FE_::~TExportar_FE_()
{
    if (Exportar_FE_ == this)
        Exportar_FE_ = nullptr;
}

void TExportar_FE_::layOut()
{
    Panel1->resize(760, 540);
    Label1->move(16, 12);
    Label2->move(16, 46);
    Edit1->setGeometry(260, 42, 300, 24);
    Label4->move(16, 80);
    MaskEdit2->setGeometry(260, 76, 90, 24);
    RadioGroup1->setGeometry(16, 114, 220, 74);
    Button5->setGeometry(246, 150, 170, 30);
    CheckBox1->setGeometry(430, 112, 120, 24);
    Edit2->setGeometry(550, 112, 190, 24);
    RadioGroup2->setGeometry(16, 198, 220, 74);
    RadioGroup3->setGeometry(246, 198, 170, 74);
    GroupBox1->setGeometry(16, 282, 400, 110);
    RadioButton1->setGeometry(10, 24, 200, 22);
    MaskEdit1->setGeometry(212, 24, 44, 22);
    Label3->move(264, 27);
    RadioButton2->setGeometry(10, 52, 330, 22);
    RadioButton3->setGeometry(10, 80, 150, 22);
    MaskEdit3->setGeometry(162, 80, 30, 22);
    CheckBox3->setGeometry(430, 150, 310, 24);
    CheckBox2->setGeometry(430, 178, 310, 24);
    CheckBox4->setGeometry(430, 206, 310, 24);
    GB_Imagen->setGeometry(430, 240, 310, 110);
    Misma_Imagen->setGeometry(12, 24, 200, 22);
    Otra_Imagen->setGeometry(12, 52, 200, 22);
    Ninguna_Imagen->setGeometry(12, 80, 200, 22);
    Button1->setGeometry(430, 362, 200, 30);
    Label6->setGeometry(16, 412, 724, 26);
    Gauge1->setGeometry(16, 444, 724, 26);
    Button3->setGeometry(180, 490, 130, 34);
    BitBtn2->setGeometry(330, 490, 130, 34);
    BitBtn1->setGeometry(480, 490, 130, 34);
}


// ---------------------------------------------------------------------------------------------
// Handlers

void TExportar_FE_::FormActivate()
{
    TSesion_ *s = Sesion_;
    if (s->Saltar_Activacion == 1) {
        s->Saltar_Activacion = 0;
        return;
    }
    setWindowState(Qt::WindowMaximized);
    const QString nombre = QFileInfo(s->Ruta_FE).fileName();
    Label1->setCaption(QStringLiteral("Fichero Abierto: ") + nombre.left(nombre.size() - 3));
    platform::keepCentred(*Panel1, 18);
    MaskEdit2->setText(s->Fecha_Hoy_Pantalla);
    if (s->Exportable == 0) {
        Aviso_No_Se_Puede_Exportar();
        close();
    }
}

void TExportar_FE_::RadioGroup1Click()
{
    Button5->setVisible(RadioGroup1->itemIndex() == 1);
}

void TExportar_FE_::Button5Click()
{
    // The selection window leaves its selection as Tabla_Activa's filter.
    TFILTRO_ENV::Solo_Seleccion();
}

void TExportar_FE_::CheckBox1Click()
{
    Edit2->setEnabled(CheckBox1->isChecked());
    if (CheckBox1->isChecked())
        Edit2->setFocus();
}

void TExportar_FE_::RadioButton1Click()
{
    MaskEdit1->setEnabled(RadioButton1->isChecked());
    MaskEdit3->setEnabled(RadioButton3->isChecked());
}

void TExportar_FE_::Otra_ImagenClick()
{
    if (!OpenPictureDialog1->execute())
        return;
    Tipo_Otra_Imagen = OpenPictureDialog1->FileName.toLower();
    const QString last4 = Tipo_Otra_Imagen.right(4);
    if (last4 == QLatin1String(".jpg") || last4 == QLatin1String("jpeg"))
        Tipo_Otra_Imagen = QStringLiteral("JPG");
    else if (last4 == QLatin1String(".bmp"))
        Tipo_Otra_Imagen = QStringLiteral("BMP");
    else
        return;
    if (!Image1->loadFromFile(OpenPictureDialog1->FileName)) {
        // Nothing is written for a picture that can't be read.
        Tipo_Otra_Imagen = OpenPictureDialog1->FileName.toLower();
        mensaje(Err_Imagen.arg(OpenPictureDialog1->FileName));
    }
}

void TExportar_FE_::Button1Click()
{
    QStringList apartadas;
    for (int i = 0; i < 3; ++i) {
        apartadas << RichEdit1->line(0);
        RichEdit1->deleteLine(0);
    }
    Zoom_Texto(RichEdit1, 1);
    for (int i = 2; i >= 0; --i)
        RichEdit1->insertLine(0, apartadas[i]);
}

void TExportar_FE_::BitBtn2Click()
{
    close();
}

void TExportar_FE_::BitBtn1Click()
{
    platform::helpContext(41);
}

void TExportar_FE_::rehusa(const QString &Mensaje, QWidget *Foco)
{
    mensaje(Mensaje);
    if (Foco)
        Foco->setFocus();
}

void TExportar_FE_::muestraProgreso(bool Exportando)
{
    Label1->setVisible(!Exportando);
    Label6->setVisible(Exportando);
    Gauge1->setVisible(Exportando);
    if (Exportando) {
        Label1->repaint();
        Gauge1->setValue(0);
    }
}

// ---------------------------------------------------------------------------------------------
// The export

void TExportar_FE_::Button3Click()
{
    TSesion_ *s = Sesion_;
    TD_Module_ &dm = *D_Module_;
    engine::Table &activa = *dm.Tabla_Activa;

    // What killed exports left is finished or removed before the name is judged.
    Quita_Restos_Abandonados(s->Carpeta_Programa + QStringLiteral("/dat"));

    // Checks: nothing is written until every choice is known to be usable.
    Pedido_Exportacion pedido;
    pedido.Exportable = s->Exportable;
    pedido.Hay_Fichas = activa.active() && activa.recordCount() > 0;
    pedido.Carpeta_Programa = s->Carpeta_Programa;
    pedido.Nombre = Edit1->text();
    pedido.Con_Contrasena = CheckBox1->isChecked();
    pedido.Contrasena = Edit2->text();
    pedido.Fecha = MaskEdit2->text();
    pedido.Formato_Fecha = s->Formato_Fecha;
    pedido.Opcion_Nivel = RadioButton1->isChecked() ? 1 : RadioButton3->isChecked() ? 3 : 2;
    pedido.Fichas_Nivel_1 = MaskEdit1->text();
    pedido.Nivel_Todas = MaskEdit3->text();
    pedido.Comprimir = RadioGroup3->itemIndex() == 0;
    pedido.Sin_Cambios_Repaso = RadioGroup2->itemIndex() == 1;
    pedido.Nuevo_Exportable = CheckBox3->isChecked();
    pedido.Nuevo_Modificable = CheckBox2->isChecked();
    pedido.Nuevo_Imprimible = CheckBox4->isChecked();
    const auto comprobado = Comprueba_Exportacion(pedido);
    if (const auto *r = std::get_if<Rechazo_Exportacion>(&comprobado)) {
        // In the order of Foco_Exportacion.
        QWidget *const focos[] = {nullptr, BitBtn2, Edit1, Edit2, MaskEdit2, MaskEdit1, MaskEdit3};
        return rehusa(r->Mensaje, focos[int(r->Foco)]);
    }
    const Plan_Exportacion &plan = std::get<Plan_Exportacion>(comprobado);
    const QString &Nombre = pedido.Nombre;

    // The new file's options.
    TPackStreams &pks2 = *dm.PKS2;
    RichEdit1->setLine(0, Opciones_Nuevo_FE(plan, pks2, RichEdit1->line(0)));

    const bool filtrado = activa.filtered();
    const QString rutaTemporal = Tabla_De_Trabajo(plan.Carpeta, Tipo_Trabajo, ::getpid());
    QStringList trabajos; // work parts written, removed again on failure
    engine::Table &exp = *dm.Tabla_Exp;
    QString fallo;
    {
        QDir().mkpath(plan.Carpeta);
        const Trabajo_En_Carpeta enCarpeta(plan.Carpeta, Tipo_Trabajo); // until every work part is gone
        engine::BulkWork sinRefresco(activa); // the displays show the end only
        try {
            if (RadioGroup1->itemIndex() == 0)
                activa.setFiltered(false);

            // Settings container, kept in memory until the table is complete.
            TPackStreams &pks3 = *dm.PKS3;
            packing::MemoryStream stu = toMemoryStream(RichEdit1->saveToBytes());
            pks3.ClearStreams();
            pks3.Compressed = true;
            pks3.Key = plan.Clave;
            pks3.Encrypted = plan.Encripta;
            pks3.AddStream("FE_STU", stu);
            stu.clear();
            pks3.SaveToStream(stu);
            pks3.ClearStreams();

            // Picture, in the format of the picture held.
            const Imagen_Exportada imagen = Imagen_Nuevo_FE(
                Misma_Imagen->isChecked() ? Eleccion_Imagen::Misma
                : Otra_Imagen->isChecked() ? Eleccion_Imagen::Otra : Eleccion_Imagen::Ninguna,
                s->Ruta_FE, Tipo_Otra_Imagen);
            if (!imagen.Leer.isEmpty() && !Image1->loadFromFile(imagen.Leer))
                falla(Err_Imagen.arg(imagen.Leer));
            if (!imagen.Ext.isEmpty() && imagen.Leer.isEmpty() && Image1->pictureBytes().isEmpty())
                falla(Err_Imagen.arg(OpenPictureDialog1->FileName));

            // Card table, under its temporary name.
            Quita_Tabla(rutaTemporal);
            exp.close();
            exp.setDatabaseName(std::string());
            exp.setTableName(QFile::encodeName(rutaTemporal).toStdString());
            activa.first();
            dm.BM_Exportar->setDestination(&exp);
            dm.BM_Exportar->execute();
            for (const engine::IndexDef &indice : TD_Module_::Indices_Ficha())
                exp.addIndex(indice.name, indice.fields, indice.primary);
            exp.open();
            exp.first();
            exp.deleteRecord();
            activa.first();

            // One commit for every card: a failure or a killed program leaves the table empty.
            engine::Transaction transaccion(exp);
            const int total = int(activa.recordCount());
            Gauge1->setMaximum(total);
            muestraProgreso(true);
            const QString deUnTotal = QStringLiteral(" Fichas de un total de: ") + QString::number(total);
            const bool conImportancia = s->Con_Importancia == 1;
            const bool conClave = s->Con_Clave == 1;
            const bool origenEmpaquetado = s->Fichero_Empaquetado == 1;
            const std::vector<const char *> blobs = Campos_Blob_Exportados(
                s->Tam_Respuesta, s->Con_Texto_Largo, s->Con_Imagen_Pregunta, s->Con_Imagen_Respuesta);
            int contador = 0;
            while (!activa.eof()) {
                exp.append();
                exp.fieldByName(ficha::Ficha_Comp_Encr).setAsString(plan.Empaqueta ? "S" : "N");
                exp.fieldByName(ficha::Preg_Text).setAsString(activa.fieldByName(ficha::Preg_Text).asString());
                exp.fieldByName(ficha::Nive_Fich).setAsInteger(plan.Nivel_Ficha(activa.fieldByName(ficha::Nive_Fich).asInteger()));
                if (conImportancia)
                    exp.fieldByName(ficha::Nive_Impo).setAsInteger(activa.fieldByName(ficha::Nive_Impo).asInteger());
                if (conClave)
                    exp.fieldByName(ficha::Clav_Fich).setAsString(activa.fieldByName(ficha::Clav_Fich).asString());
                for (const char *tipo : {ficha::Tipo_Preg_Imag, ficha::Tipo_Resp_Imag})
                    exp.fieldByName(tipo).setAsString(activa.fieldByName(tipo).asString());
                exp.fieldByName(ficha::Fech_Crea).setAsString(plan.Fech_Crea);
                exp.fieldByName(ficha::Total_Repa).setAsInteger(0);
                exp.fieldByName(ficha::Fech_Prox_Repa)
                    .setAsString(plan.Prox_Repa_Ficha(activa.fieldByName(ficha::Fech_Prox_Repa).asString()));
                const bool fichaEmpaquetada =
                    origenEmpaquetado && activa.fieldByName(ficha::Ficha_Comp_Encr).asString() == "S";
                for (const char *campo : blobs) {
                    packing::MemoryStream stream = blobStream(activa.fieldByName(campo));
                    const bool respuesta = std::strcmp(campo, ficha::Resp_Text) == 0
                                        || std::strcmp(campo, ficha::Resp_Memo) == 0;
                    if (fichaEmpaquetada && stream.size() > 0)
                        Desempaqueta_Stream_Exportar(stream, respuesta ? Limite_Respuesta : Limite_Imagen);
                    if (plan.Empaqueta)
                        Comprime_Codifica_Stream_con_PKS2(stream);
                    loadBlob(exp.fieldByName(campo), stream);
                }
                ++contador;
                Label6->setCaption(QStringLiteral("Exportadas: ") + QString::number(contador) + deUnTotal);
                Label6->repaint();
                Gauge1->setValue(contador);
                exp.post();
                activa.next();
            }
            pks2.ClearStreams();

            // The first N cards in the new table's order go to level 1.
            if (plan.Opcion_Nivel == 1) {
                const int N = plan.Fichas_Nivel_1;
                exp.first();
                for (int restantes = N; restantes >= 1 && restantes <= N && !exp.eof(); --restantes) {
                    exp.edit();
                    exp.fieldByName(ficha::Nive_Fich).setAsInteger(1);
                    exp.first();
                }
            }
            transaccion.commit();
            exp.close();
            exp.checkpointFile();

            // Every part complete on the disk under its work name, then all into place as one:
            // a kill on the way leaves a replacement that the next run in the folder finishes.
            std::vector<Paso_Reemplazo> pasos;
            auto parte = [&](const QString &ext, const QString &trabajo, const QByteArray *bytes) {
                const QString destino = plan.Base + QLatin1Char('.') + ext;
                trabajos << trabajo;
                if (bytes) {
                    try {
                        packing::FileStream f(QFile::encodeName(trabajo).toStdString(), packing::FileStream::Create);
                        f.writeBuffer(bytes->constData(), std::size_t(bytes->size()));
                        f.close(true);
                    } catch (const packing::EStreamError &) {
                        falla(Err_Escritura.arg(destino));
                    }
                }
                pasos.push_back({QFileInfo(trabajo).fileName(), QFileInfo(destino).fileName()});
            };
            if (!imagen.Ext.isEmpty()) {
                const QByteArray bytes = Image1->pictureBytes();
                parte(imagen.Ext, Parte_De_Trabajo(plan.Carpeta, Tipo_Trabajo, ::getpid(), imagen.Ext), &bytes);
            }
            const QByteArray bytesSTU = toByteArray(stu);
            parte(QStringLiteral("STU"), Parte_De_Trabajo(plan.Carpeta, Tipo_Trabajo, ::getpid(), QStringLiteral("STU")),
                  &bytesSTU);
            parte(QStringLiteral("DB"), rutaTemporal, nullptr);
            switch (Reemplaza_Conjunto(plan.Carpeta, Tipo_Trabajo, pasos)) {
            case Reemplazo::Hecho:
                break;
            case Reemplazo::Nada_Hecho:
                falla(Err_Escritura.arg(plan.Base + QStringLiteral(".DB")));
            case Reemplazo::A_Medias:
                trabajos.clear(); // what is left in place the next run finishes
                falla(Err_Escritura.arg(plan.Base + QStringLiteral(".DB")));
            }
        } catch (const ECorruptFile &) {
            fallo = Msg_Datos_Danados; // the container's own text is not for the user
        } catch (const engine::DamagedTableError &e) {
            // Told here, in the export's message; the main window closes the open file after.
            dm.Anota_Tabla_Danada(e.path());
            fallo = e.path() == activa.filePath() ? Msg_Fichero_Danado : QString::fromUtf8(e.what());
        } catch (const std::exception &e) {
            fallo = QString::fromUtf8(e.what());
        }
        if (!fallo.isEmpty()) {
            exp.close();
            Quita_Tabla(rutaTemporal);
            for (const QString &path : trabajos)
                QFile::remove(path);
            pks2.ClearStreams();
            dm.PKS3->ClearStreams();
        }
    }
    // The open file's cards as they were: filtered as before, displays refreshed.
    if (activa.filtered() != filtrado)
        activa.setFiltered(filtrado);
    else
        activa.first();
    if (!fallo.isEmpty()) {
        muestraProgreso(false);
        mensaje(Msg_No_Exportado.arg(Nombre, fallo));
        return;
    }
    mensaje(Msg_Exportado.arg(Nombre));
    muestraProgreso(false);
}
