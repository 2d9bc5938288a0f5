#include "editing/Anade_n_Grupo_.h"

#include "editing/Anade_n_Grupo_Lineas.h"

#include "engine/Table.h"
#include "packing/Streams.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Help.h"
#include "platform/RichEdit.h"
#include "platform/TextFile.h"
#include "store/D_Module.h"
#include "store/Ficha_Nueva.h"
#include "store/Sesion.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QStyledItemDelegate>
#include <QTextCharFormat>

#include <optional>

TAnade_n_Grupo *Anade_n_Grupo = nullptr;

namespace {
const QString Msg_Sin_Fichas = QStringLiteral("No se ha guardado el archivo porque no hay fichas.");
const QString Msg_Guardado = QStringLiteral("Se ha guardado el archivo con %1 fichas.");
const QString Msg_No_Guardado = QStringLiteral("No se ha guardado el archivo.");
const QString Msg_Creadas = QStringLiteral("Se han creado %1 fichas.");
const QString Msg_No_Escrito = QStringLiteral("No se ha podido escribir el archivo\r\r%1");
const QString Msg_No_Leido = QStringLiteral("No se ha podido leer el archivo\r\r%1");
const QString Msg_Linea_Larga = QStringLiteral("No se ha leído la línea %1 del archivo:\r\r%2");
const QString Msg_Fila_Fallida = QStringLiteral("No se ha podido crear la ficha de la fila %1:\r\r%2");
const QString Msg_Filas_Anteriores =
    QStringLiteral("\r\rLas %1 fichas de las filas anteriores se han creado y sus filas se han vaciado.");

const QString Cabeceras[4] = {QStringLiteral("Pregunta"), QStringLiteral("Respuesta"), QStringLiteral("Clave Fich."),
                              QStringLiteral("Niv. Import.")};

void mensaje(const QString &text)
{
    D_Module_->Ver_Mensaje(text);
}

// Every editor the grid opens passes its keys through the window first.
class Delegado : public QStyledItemDelegate {
public:
    Delegado(QObject *filtro, QObject *parent) : QStyledItemDelegate(parent), m_filtro(filtro) {}
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (editor)
            editor->installEventFilter(m_filtro);
        return editor;
    }

private:
    QObject *m_filtro;
};
} // namespace

TAnade_n_Grupo::TAnade_n_Grupo(QWidget *parent) : platform::Form(parent)
{
    Anade_n_Grupo = this;
    setObjectName(QStringLiteral("Anade_n_Grupo"));
    setWindowTitle(QStringLiteral("  Añadir fichas en grupo"));
    setHelpContext(100);
    setKeyPreview(true);

    using platform::named;
    auto label = [&](const char *name, const QString &caption, QWidget *parentWidget) {
        return named(new platform::Label(caption, parentWidget), name);
    };
    auto button = [&](const char *name, const QString &caption) {
        return named(new QPushButton(caption, this), name);
    };

    Panel2 = named(new platform::Panel(this), "Panel2");
    label2 = label("label2", QStringLiteral("DATOS  PARA LAS FICHAS:"), Panel2);
    label1 = label("label1", QStringLiteral("Nivel en el fichero:"), Panel2);
    maskedit3 = named(new platform::MaskEdit(Panel2), "maskedit3");
    maskedit3->setEditMask(QStringLiteral("9;1;_"));
    maskedit3->setText(QStringLiteral("1"));
    label6 = label("label6", QStringLiteral("Clave ficha:"), Panel2);
    edit1 = named(new QLineEdit(Panel2), "edit1");
    label3 = label("label3", QStringLiteral("Nivel Importancia:"), Panel2);
    maskedit2 = named(new platform::MaskEdit(Panel2), "maskedit2");
    maskedit2->setEditMask(QStringLiteral("9999;1;_"));
    maskedit2->setText(QStringLiteral("    "));
    label4 = label("label4",
                   QStringLiteral("(Al elegir Clave Ficha o Nivel Importancia, si hay datos aquí y en una celda, se "
                                  "elegirá lo escrito en la celda)"),
                   Panel2);
    label4->setWordWrap(true);

    // Row 0, the fixed header row, is the grid's header; rows 1 to 98 are the table's rows 0
    // to 97.
    StringGrid1 = named(new QTableWidget(Filas, 4, this), "StringGrid1");
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setDefaultSectionSize(22);
    StringGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int anchos[4] = {387, 361, 99, 96};
    for (int c = 0; c < 4; ++c) {
        StringGrid1->setColumnWidth(c, anchos[c]);
        StringGrid1->setHorizontalHeaderItem(c, new QTableWidgetItem);
    }
    StringGrid1->setItemDelegate(new Delegado(this, StringGrid1));
    StringGrid1->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked
                                 | QAbstractItemView::EditKeyPressed);
    StringGrid1->setTabKeyNavigation(true);
    StringGrid1->setCurrentCell(0, 0);
    StringGrid1->installEventFilter(this);

    button4 = button("button4", QStringLiteral("Borrar t&odo"));
    button5 = button("button5", QStringLiteral("Borra lín&ea"));
    buttonbtn1 = button("buttonbtn1", QStringLiteral("G&uarda a archivo TXT (separador &&)"));
    buttonbtn2 = button("buttonbtn2", QStringLiteral("&Lee de archivo TXT (separador &&)"));
    btnButton10 = button("btnButton10", QStringLiteral("&Guardar y Salir"));
    btnButton9 = button("btnButton9", QStringLiteral("&Salir sin guardar"));
    btn1 = button("btn1", QStringLiteral("&Ayuda"));
    platform::Form::setCancelButton(btnButton9);

    dlgSave1 = named(new platform::FileDialog(platform::FileDialog::Save, this), "dlgSave1");
    dlgSave1->Filter = QStringLiteral("Archivos TXT|*.txt");
    OpenDialog1 = named(new platform::FileDialog(platform::FileDialog::Open, this), "OpenDialog1");
    OpenDialog1->Filter = QStringLiteral("Archivos TXT|*.txt");

    layOut();

    using F = TAnade_n_Grupo;
    platform::on(this, &platform::Form::activated, this, &F::FormActivate);
    platform::on(this, &platform::Form::keyPressed, this, &F::FormKeyUp);
    platform::on(button4, &QPushButton::clicked, this, &F::button4Click);
    platform::on(button5, &QPushButton::clicked, this, &F::button5Click);
    platform::on(buttonbtn1, &QPushButton::clicked, this, &F::buttonbtn1Click);
    platform::on(buttonbtn2, &QPushButton::clicked, this, &F::buttonbtn2Click);
    platform::on(btnButton10, &QPushButton::clicked, this, &F::btnButton10Click);
    platform::on(btnButton9, &QPushButton::clicked, this, &F::btnButton9Click);
    platform::on(btn1, &QPushButton::clicked, this, &F::btn1Click);

    FormCreate();
}

TAnade_n_Grupo::~TAnade_n_Grupo()
{
    if (Anade_n_Grupo == this)
        Anade_n_Grupo = nullptr;
}

void TAnade_n_Grupo::layOut()
{
    resize(1000, 690);
    setCentred(true);
    Panel2->setGeometry(10, 10, 980, 92);
    label2->move(12, 8);
    label1->move(12, 36);
    maskedit3->setGeometry(150, 32, 30, 24);
    label6->move(210, 36);
    edit1->setGeometry(300, 32, 150, 24);
    label3->move(480, 36);
    maskedit2->setGeometry(610, 32, 60, 24);
    label4->setGeometry(12, 62, 950, 24);
    StringGrid1->setGeometry(10, 110, 980, 500);
    const int y = 624;
    button4->setGeometry(10, y, 100, 30);
    button5->setGeometry(116, y, 100, 30);
    buttonbtn1->setGeometry(222, y, 236, 30);
    buttonbtn2->setGeometry(464, y, 220, 30);
    btnButton10->setGeometry(690, y, 110, 30);
    btnButton9->setGeometry(806, y, 116, 30);
    btn1->setGeometry(928, y, 62, 30);
}

// ---------------------------------------------------------------------------------------------
// Cells and lines

QString TAnade_n_Grupo::Celda(int Col, int Fila) const
{
    const QTableWidgetItem *item = Fila == 0 ? StringGrid1->horizontalHeaderItem(Col) : StringGrid1->item(Fila - 1, Col);
    return item ? item->text() : QString();
}

void TAnade_n_Grupo::Pon_Celda(int Col, int Fila, const QString &Texto)
{
    if (QTableWidgetItem *item = Fila == 0 ? StringGrid1->horizontalHeaderItem(Col) : StringGrid1->item(Fila - 1, Col))
        item->setText(Texto);
    else
        StringGrid1->setItem(Fila - 1, Col, new QTableWidgetItem(Texto));
}

bool TAnade_n_Grupo::filaVacia(int Fila) const
{
    return Celda(0, Fila).trimmed().isEmpty() && Celda(1, Fila).trimmed().isEmpty();
}

void TAnade_n_Grupo::vaciaFila(int Fila)
{
    for (int c = 0; c < 4; ++c)
        Pon_Celda(c, Fila, QString());
}

QStringList TAnade_n_Grupo::Lineas_Archivo() const
{
    QStringList lineas;
    for (int f = 1; f <= Filas; ++f) {
        if (filaVacia(f))
            continue;
        const QString clave = Celda(2, f).trimmed().isEmpty() ? edit1->text() : Celda(2, f);
        QString importancia = Celda(3, f).trimmed().isEmpty() ? maskedit2->text() : Celda(3, f);
        if (importancia.isEmpty())
            importancia = QStringLiteral("    ");
        lineas << Celda(0, f) + QLatin1Char('&') + Celda(1, f) + QLatin1Char('&') + clave + QLatin1Char('&')
                      + importancia;
    }
    return lineas;
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TAnade_n_Grupo::FormCreate()
{
    const QString carpeta = Sesion_->Carpeta_Programa + QStringLiteral("/import");
    dlgSave1->InitialDir = carpeta;
    OpenDialog1->InitialDir = carpeta;
}

void TAnade_n_Grupo::FormActivate()
{
    if (Sesion_->Saltar_Activacion == 1) {
        Sesion_->Saltar_Activacion = 0;
        return;
    }
    for (int c = 0; c < 4; ++c)
        Pon_Celda(c, 0, Cabeceras[c]);
    const QColor verde = platform::tcolor(0x9ACE9C);
    Panel2->setColor(verde);
    QPalette p = StringGrid1->palette();
    p.setColor(QPalette::Base, verde);
    StringGrid1->setPalette(p);
    const bool importancia = Sesion_->Con_Importancia == 1;
    label3->setVisible(importancia);
    maskedit2->setVisible(importancia);
    const bool clave = Sesion_->Con_Clave == 1;
    label6->setVisible(clave);
    edit1->setVisible(clave);
    if (dlgSave1->FileName.trimmed().isEmpty())
        dlgSave1->FileName = dlgSave1->InitialDir + QLatin1Char('/') + Sesion_->Nombre_FE + QStringLiteral(".txt");
    StringGrid1->setFocus();
}

void TAnade_n_Grupo::FormKeyUp(QChar &Key)
{
    if (Key == QChar(27)) {
        Key = QChar();
        close();
    }
}

void TAnade_n_Grupo::StringGrid1KeyPress(QChar &Key)
{
    if (StringGrid1->currentColumn() != 3)
        return;
    const bool pasa = (Key >= QLatin1Char('0') && Key <= QLatin1Char('9')) || Key == QChar(8)
                   || QString(Key) == QLocale().decimalPoint();
    if (!pasa) {
        Key = QChar();
        QApplication::beep();
    }
}

bool TAnade_n_Grupo::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == StringGrid1 || watched->parent() == StringGrid1->viewport())) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QString texto = key->text();
        // Tab, Shift+Tab and Enter move between cells: they never reach the key filter.
        const bool movimiento = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab
                             || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!movimiento && texto.size() == 1 && texto.at(0) != QChar(27)) {
            QChar k = texto.at(0);
            platform::guarded([&] { StringGrid1KeyPress(k); });
            if (k.isNull())
                return true;
        }
    }
    return platform::Form::eventFilter(watched, event);
}

void TAnade_n_Grupo::button4Click()
{
    for (int f = 1; f <= Filas; ++f)
        vaciaFila(f);
}

void TAnade_n_Grupo::button5Click()
{
    const int f = StringGrid1->currentRow() + 1;
    if (f >= 1 && f <= Filas)
        vaciaFila(f);
}

void TAnade_n_Grupo::buttonbtn1Click()
{
    const QStringList lineas = Lineas_Archivo();
    if (lineas.isEmpty()) {
        mensaje(Msg_Sin_Fichas);
        return;
    }
    if (!dlgSave1->execute()) {
        mensaje(Msg_No_Guardado);
        return;
    }
    if (!platform::saveTextLines(dlgSave1->FileName, lineas)) {
        mensaje(Msg_No_Escrito.arg(dlgSave1->FileName));
        return;
    }
    mensaje(Msg_Guardado.arg(lineas.size()));
}

void TAnade_n_Grupo::buttonbtn2Click()
{
    if (!OpenDialog1->execute())
        return;
    // A line at a time, straight into its row: no more than the rows' text is ever held.
    platform::TextLineReader lector;
    if (!lector.open(OpenDialog1->FileName, Filas)) {
        mensaje(Msg_No_Leido.arg(OpenDialog1->FileName));
        return;
    }
    QString linea;
    for (int f = 1; lector.next(linea); ++f) {
        StringGrid1->setCurrentCell(f - 1, qMax(0, StringGrid1->currentColumn()));
        vaciaFila(f);
        const std::array<QString, 4> partes = Divide_Linea_Grupo(linea);
        for (int c = 0; c < 4; ++c)
            Pon_Celda(c, f, partes[size_t(c)]);
    }
    if (lector.failed())
        mensaje(Msg_No_Leido.arg(OpenDialog1->FileName));
    else if (lector.tooLongLine() > 0)
        mensaje(Msg_Linea_Larga.arg(lector.tooLongLine()).arg(platform::tooLongLineReason()));
}

void TAnade_n_Grupo::creaFicha(int Fila)
{
    TSesion_ &s = *Sesion_;
    TD_Module_ &dm = *D_Module_;

    // Everything that can be refused is worked out before the card is appended.
    const int nivel = platform::wholeNumber(maskedit3->text().trimmed());
    std::optional<int> importancia;
    if (s.Con_Importancia == 0)
        importancia = 0;
    else if (!Celda(3, Fila).trimmed().isEmpty())
        importancia = platform::wholeNumber(Celda(3, Fila).trimmed());
    else if (!maskedit2->text().trimmed().isEmpty())
        importancia = platform::wholeNumber(maskedit2->text().trimmed());
    std::optional<QString> clave;
    if (s.Con_Clave == 0)
        clave = QString();
    else if (!Celda(2, Fila).trimmed().isEmpty())
        clave = Celda(2, Fila);
    else if (!edit1->text().trimmed().isEmpty())
        clave = edit1->text();
    const QString respuesta = Celda(1, Fila);
    std::optional<packing::MemoryStream> textoLargo;
    if (s.Con_Texto_Largo == 1) {
        s.RE_Resp_Text->setLines({respuesta});
        const platform::rtf::FontStyle estilo = dm.Estilo_Fuente();
        QTextCharFormat formato;
        formato.setFont(estilo.font);
        if (estilo.color.isValid())
            formato.setForeground(estilo.color);
        s.RE_Resp_Text->mergeFormatIntoAll(formato);
        textoLargo = toMemoryStream(s.RE_Resp_Text->saveToBytes());
        if (s.Fichero_Empaquetado == 1)
            dm.Comprime_Codifica_Stream_con_PKS(*textoLargo);
    }

    Anade_Ficha_Entera([&] {
        Pon_Ficha_Nueva(nivel, importancia, clave, Celda(0, Fila));
        if (textoLargo)
            loadBlob(dm.Tabla_ActivaResp_Memo(), *textoLargo);
        else
            dm.Guarda_Texto_Corto_Respuesta(respuesta);
    });
}

void TAnade_n_Grupo::btnButton10Click()
{
    int cuenta = 0;
    Alta_En_Bloque bloque;
    for (int f = 1; f <= Filas; ++f) {
        if (filaVacia(f))
            continue;
        try {
            creaFicha(f);
        } catch (const std::exception &e) {
            if (D_Module_->Avisa_Si_Tabla_Danada(e))
                return; // nothing of the run is written to a damaged file
            bloque.Termina(); // the cards of the earlier rows are kept
            QString texto = Msg_Fila_Fallida.arg(QString::number(f), QString::fromUtf8(e.what()));
            if (cuenta > 0) {
                for (int g = 1; g < f; ++g)
                    vaciaFila(g);
                texto += Msg_Filas_Anteriores.arg(cuenta);
            }
            mensaje(texto);
            return;
        }
        ++cuenta;
        bloque.Ficha_Anadida();
    }
    bloque.Termina();
    if (cuenta > 0) {
        mensaje(Msg_Creadas.arg(cuenta));
        button4Click();
    }
    close();
}

void TAnade_n_Grupo::btnButton9Click()
{
    close();
}

void TAnade_n_Grupo::btn1Click()
{
    platform::helpContext(100);
}
