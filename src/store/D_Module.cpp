#include "store/D_Module.h"

#include "store/Mensaje_.h"
#include "store/Sesion.h"
#include "platform/Application.h"
#include "platform/Files.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/RichEdit.h"
#include "platform/Rtf.h"
#include "store/Imag_Zoom.h"
#include "store/Passw_FE.h"
#include "store/Repara_Fichero.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTextCursor>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <tuple>

TD_Module_ *D_Module_ = nullptr;

const char Clave_Inicial_PKS3[] = "Vs. 3.41";
const QString Msg_FE_No_Modificable = QStringLiteral(
    "El autor/a inicial de este Fichero de Estudio no \r\rautoriza la modificación ni el borrado de sus fichas.");
const QString Msg_Datos_Danados = QStringLiteral("Los datos de este Fichero de Estudio están dañados.");
const QString Msg_Fichero_Danado = QStringLiteral(
    "Este Fichero de Estudio está dañado: parte de su contenido no se puede leer.\r\r"
    "Se cierra sin modificarlo. Puede intentar recuperar sus fichas con «F- Reparar Fichero».");
const QString Msg_Clave_Guardada_No_Borrada = QStringLiteral(
    "La contraseña guardada para este Fichero de Estudio no es válida\r\r"
    "y no se pudo borrar el archivo que la guarda:\r\r%1\r\r"
    "Escriba la contraseña. Para que no se vuelva a usar, borre ese archivo.");
const QString Msg_Contrasena_Erronea = QStringLiteral("La contraseña no es correcta para este Fichero de Estudio.");

using engine::FieldDef;
using engine::FieldType;

struct TD_Module_::Components {
    engine::Table Tabla_Activa;
    platform::DataSource DSource;
    engine::Table Imprime;
    platform::DataSource DataSource1;
    TPackStreams PKS;
    engine::BatchMove BM_Exportar;
    engine::Table Tabla_Exp;
    TPackStreams PKS2;
    TPackStreams PKS3;
    engine::BatchMove BM_ImportaDeFE;
    TPackStreams PKS4;
    TPackStreams PKS_Config_Prog;
};

struct TD_Module_::Displays {
    QPointer<platform::Label> editorLabel2;
    QPointer<QLineEdit> editorEditResp_Text;
    QPointer<platform::RichEdit> editorRichEdit1;
    QPointer<platform::ImageControl> editorImage1;
    QPointer<platform::ImageControl> editorImage2;
    QPointer<platform::Label> reviewLabel15;
    QPointer<platform::Label> reviewLabel7;
    QPointer<platform::RichEdit> reviewRichEdit1;
    QPointer<platform::ImageControl> reviewImage1;
    QPointer<platform::ImageControl> reviewImage2;
};

// What the answer displays were last loaded with, so that showing the same answer again (an
// activation that re-applies the card table's filter, a refresh after a post) loads nothing
// again while the display still holds it.
struct TD_Module_::Cargas {
    // The stored bytes of an answer and how they were read.
    struct Huella {
        std::size_t hash = 0;
        std::size_t size = 0;
        bool packed = false;
        bool valid = false;
        bool operator==(const Huella &) const = default;
    };
    struct Corta {
        Huella huella;
        quint64 generation = 0; // of RE_Resp_Text after the load
        QString line;
        bool danada = false;
    } corta;
    struct Larga {
        Huella huella;
        bool danada = false;
        quint64 review = 0, editor = 0; // generations of the two rich edits after the load; 0: none
    } larga;

    static Huella of(const std::string &bytes, bool packed)
    {
        return {std::hash<std::string_view>{}(bytes), bytes.size(), packed, true};
    }
};

TD_Module_::TD_Module_(QObject *parent)
    : QObject(parent), m_components(new Components), m_displays(new Displays), m_cargas(new Cargas)
{
    D_Module_ = this;
    setObjectName(QStringLiteral("D_Module_"));
    Components &c = *m_components;

    Tabla_Activa = &c.Tabla_Activa;
    {
        std::vector<FieldDef> defs = Campos_Ficha(254);
        Tabla_Activa->fieldDefs() = defs;
        const std::string nivelImportancia = std::string(ficha::Nive_Fich) + ';' + ficha::Nive_Impo;
        Tabla_Activa->indexDefs() = {{"Tabla_ActivaIndex1", nivelImportancia, true},
                                     {ficha::Indice_Primario, nivelImportancia, false}};
        Tabla_Activa->afterPost = [this](engine::Table &t) { Tabla_ActivaAfterPost(t); };
        Tabla_Activa->beforeScroll = [this](engine::Table &t) { Tabla_ActivaBeforeScroll(t); };
        Tabla_Activa->afterScroll = [this](engine::Table &t) {
            if (m_pantallasRetenidas)
                m_refrescoOmitido = true;
            else
                Tabla_ActivaAfterScroll(t);
        };
    }

    DSource = &c.DSource;
    DSource->setObjectName(QStringLiteral("DSource"));
    DSource->setDataSet(Tabla_Activa);
    // Another file (or the same one again) starts with nothing loaded and nothing told.
    connect(DSource, &platform::DataSource::tableEvent, this, [this](engine::Table::Event e) {
        if (e == engine::Table::Event::Opened || e == engine::Table::Event::Closed) {
            *m_cargas = Cargas{};
            m_danadasAvisadas.clear();
        }
    });

    Imprime = &c.Imprime;
    Imprime->setTableName("IMP.db");
    Imprime->fieldDefs() = Campos_Imprime();

    DataSource1 = &c.DataSource1;
    DataSource1->setObjectName(QStringLiteral("DataSource1"));
    DataSource1->setDataSet(Imprime);

    // The engine is registered (or the program ends) before any table opens; then the values
    // stored with the data module replace what the component read, and the engine's library
    // is loaded from the registered folder.
    BDE321 = new TBDE32(this);
    BDE321->setObjectName(QStringLiteral("BDE321"));
    BDE321->LocalShare = false;
    BDE321->MaxBufSize = 2048;
    BDE321->MaxFileHandles = 48;
    BDE321->MemSize = 16;
    BDE321->SharedMemSize = 2048;
    BDE321->Carga_Motor();

    PKS = &c.PKS;
    PKS->Compressed = false;
    PKS->Encrypted = false;
    PKS->Key = "738";
    PKS->OnCorrupt = [this](TPackStreams &s) { PKSCorrupt(s); };
    PKS->SizeLimit = Limite_Imagen;
    PKS->MaxItems = 1; // a card field: the item "1"

    BM_Exportar = &c.BM_Exportar;
    BM_Exportar->setMode(engine::BatchMove::Mode::Copy);
    BM_Exportar->setRecordCount(1);
    BM_Exportar->setSource(Tabla_Activa);

    Tabla_Exp = &c.Tabla_Exp;
    Tabla_Exp->fieldDefs() = Campos_Ficha(254);
    // A stored index definition without fields: the tables it reaches are made by batch moves
    // and get their primary index added afterwards.
    Tabla_Exp->indexDefs() = {{"Tabla_ExpIndex1", "", false}};

    PKS2 = &c.PKS2;
    PKS2->Compressed = false;
    PKS2->Encrypted = false;
    PKS2->SizeLimit = Limite_Contenedor_Pequeno;
    PKS2->MaxItems = 1; // a saved password: the item "1"

    PKS3 = &c.PKS3;
    PKS3->Compressed = true;
    PKS3->Encrypted = false;
    PKS3->OnAskForKey = [this](TPackStreams &s, std::string &key) { PKS3AskForKey(s, key); };
    PKS3->OnCorrupt = [this](TPackStreams &s) { PKS3Corrupt(s); };
    // Settings containers; a transport file, read through PKS3 as well, lifts the limit.
    PKS3->SizeLimit = Limite_Contenedor_Pequeno;
    PKS3->MaxItems = 1; // the settings: the item "FE_STU"

    BM_ImportaDeFE = &c.BM_ImportaDeFE;
    BM_ImportaDeFE->setMode(engine::BatchMove::Mode::Append);
    BM_ImportaDeFE->setSource(Tabla_Activa);
    BM_ImportaDeFE->setDestination(Tabla_Exp);

    PKS4 = &c.PKS4;
    PKS4->Compressed = true;
    PKS4->Encrypted = false;
    PKS4->SizeLimit = Limite_Contenedor_Pequeno;
    PKS4->MaxItems = 1;

    PKS_Config_Prog = &c.PKS_Config_Prog;
    PKS_Config_Prog->Compressed = true;
    PKS_Config_Prog->Encrypted = true;

    platform::setDamagedTableHandler(
        [this](const std::string &ruta, const QString &texto) { Avisa_Tabla_Danada(ruta, texto); });

    DataModuleCreate();
}

TD_Module_::~TD_Module_()
{
    platform::setDamagedTableHandler(nullptr);
    // The data sources let go of their tables before the tables close.
    DSource->setDataSet(nullptr);
    DataSource1->setDataSet(nullptr);
    Tabla_Activa->afterScroll = nullptr;
    Tabla_Activa->beforeScroll = nullptr;
    Tabla_Activa->afterPost = nullptr;
    delete m_cargas;
    delete m_displays;
    delete m_components;
    if (D_Module_ == this)
        D_Module_ = nullptr;
}

// ---- Definitions ----

std::vector<FieldDef> TD_Module_::Campos_Ficha(int Tam_Pregunta)
{
    std::vector<FieldDef> defs;
    defs.reserve(ficha::Campos.size());
    for (const ficha::Campo &c : ficha::Campos)
        defs.push_back({c.nombre, c.tipo, c.tamano == ficha::Tam_Pregunta ? Tam_Pregunta : c.tamano});
    return defs;
}

std::vector<engine::IndexDef> TD_Module_::Indices_Ficha()
{
    const std::string campos = std::string(ficha::Nive_Fich) + ';' + ficha::Nive_Impo + ';' + ficha::AutoInc;
    return {{ficha::Indice_Primario, campos, true}};
}

std::vector<FieldDef> TD_Module_::Campos_Imprime()
{
    return {
        {"TEXT", FieldType::String, 255}, {"TEXT2", FieldType::String, 8},    {"Imag", FieldType::Blob, 0},
        {"Memo", FieldType::Blob, 0},     {"Memo2", FieldType::Blob, 0},      {"Comp_Encr", FieldType::String, 6},
        {"Logi", FieldType::Boolean, 0},
    };
}

// ---- Creation ----

void TD_Module_::DataModuleCreate()
{
    BDE321->PdxNetDir = platform::programFolder() + QStringLiteral("/dat");
    PKS->Encrypted = false;
    PKS3->Key = Clave_Inicial_PKS3;
    Muestra_Progreso_Del_Motor();
    if (Sesion_) {
        Imprime->setDatabaseName(Sesion_->Carpeta_Programa.toStdString());
        // The style document holds the design font and colour until a style file replaces
        // them, so that they are read from it like a stored style.
        platform::RichEdit *re = Sesion_->RE_Estilo_Fuente;
        if (re->document()->isEmpty())
            re->loadFromBytes(platform::rtf::fromFontStyle(re->font(), re->textColor()));
    }
}

// ---- Messages ----

void TD_Module_::Ver_Mensaje(const QString &Texto)
{
    if (Sesion_)
        Sesion_->Texto_Mensaje = Texto;
    platform::showModal(Mensaje);
}

bool Hay_Fichero_Abierto()
{
    if (Sesion_ && Sesion_->FE_Abierto == 1)
        return true;
    if (D_Module_)
        D_Module_->Ver_Mensaje(Msg_Ningun_Fichero_Abierto);
    return false;
}

void Aviso_Ningun_Fichero_Seleccionado()
{
    if (D_Module_)
        D_Module_->Ver_Mensaje(Msg_Ningun_Fichero_Seleccionado);
}

void TD_Module_::FE_No_Modificable()
{
    Ver_Mensaje(Msg_FE_No_Modificable);
}

void TD_Module_::Avisa_Tabla_Danada(const std::string &Ruta, const QString &Texto)
{
    if (!Anota_Tabla_Danada(Ruta))
        return;
    Ver_Mensaje(Ruta == Tabla_Activa->filePath() ? Msg_Fichero_Danado : Texto);
}

bool TD_Module_::Avisa_Si_Tabla_Danada(const std::exception &Error)
{
    const auto *danada = dynamic_cast<const engine::DamagedTableError *>(&Error);
    if (danada)
        Avisa_Tabla_Danada(danada->path(), QString::fromUtf8(danada->what()));
    return danada != nullptr;
}

bool TD_Module_::Anota_Tabla_Danada(const std::string &Ruta)
{
    if (Ruta == Tabla_Activa->filePath())
        Tabla_Activa->refuseWrites();
    return m_tablasDanadas.insert(Ruta).second;
}

bool TD_Module_::Fichero_Danado() const
{
    return m_tablasDanadas.count(Tabla_Activa->filePath()) > 0;
}

void TD_Module_::PKSCorrupt(TPackStreams &)
{
    Ver_Mensaje(Msg_Datos_Danados);
}

void TD_Module_::PKS3Corrupt(TPackStreams &)
{
    if (Contrasena_Aceptada == 1)
        Ver_Mensaje(Msg_Contrasena_Erronea);
}

// ---- The key of an enciphered settings container ----

void TD_Module_::PKS3AskForKey(TPackStreams &, std::string &Key)
{
    TSesion_ *p = Sesion_;
    auto askUser = [this, &Key] {
        Origen_Clave_PKS3 = Origen_Clave::Tecleada;
        Key.clear();
        if (Passw_FE_) {
            platform::showModal(Passw_FE_);
            Key = Passw_FE_->Edit1->text().toStdString();
        }
        Clave_PKS3 = Key;
    };
    const QString P = p ? platform::existingPathAnyCase(Ruta_Companero(p->Ruta_FE, QStringLiteral("CLA"))) : QString();
    if (P.isEmpty() || Ignorar_Clave_Guardada == 1) {
        askUser();
        return;
    }
    QByteArray M;
    bool leida = true;
    try {
        packing::FileStream cla(P.toStdString(), packing::FileStream::OpenRead);
        M = Lee_Clave_Guardada(*PKS2, cla, p->Serie_Disco.toStdString());
    } catch (...) {
        leida = false;
    }
    if (leida) {
        p->RichEdit3->loadFromBytes(M);
        p->Guardar_Contrasena = 0;
        Key = p->RichEdit3->line(1).toStdString();
    }
    if (!leida || Key.empty()) {
        // Unreadable, or holding no password: it goes, and the user is asked.
        Descarta_Clave_Guardada(P);
        askUser();
        return;
    }
    Origen_Clave_PKS3 = Origen_Clave::Guardada;
    Clave_PKS3 = Key;
    // No password was typed for this load: a failure must not speak of a wrong password.
    Contrasena_Aceptada = 0;
}

QByteArray Lee_Clave_Guardada(TPackStreams &pks, packing::Stream &cla, const std::string &clave)
{
    pks.Key = clave;
    pks.Compressed = true;
    pks.Encrypted = true;
    // The saved password must not stay in the container, which also writes other files'.
    struct Forget {
        TPackStreams &pks;
        ~Forget()
        {
            pks.ClearStreams();
            pks.Compressed = false;
            pks.Encrypted = false;
        }
    } forget{pks};
    packing::MemoryStream M;
    pks.LoadFromStream(cla);
    pks.GetStream("1", M);
    return toByteArray(M);
}

void TD_Module_::Descarta_Clave_Guardada(const QString &Ruta_CLA)
{
    if (!QFile::remove(Ruta_CLA) && QFileInfo::exists(Ruta_CLA))
        Ver_Mensaje(Msg_Clave_Guardada_No_Borrada.arg(Ruta_CLA));
}

// ---- Packing of blobs ----

packing::MemoryStream &TD_Module_::Comprime_Codifica_Stream_con_PKS(packing::MemoryStream &S)
{
    PKS->AddStream("1", S);
    S.clear();
    PKS->SaveToStream(S);
    S.setPosition(0);
    return S;
}

packing::MemoryStream &Descomprime_Decodifica_Stream_con_PKS(packing::MemoryStream &S, int64_t Limite)
{
    TPackStreams &pks = *D_Module_->PKS;
    struct RestoreLimit {
        TPackStreams &pks;
        ~RestoreLimit() { pks.SizeLimit = Limite_Imagen; }
    } restore{pks};
    pks.SizeLimit = Limite;
    pks.LoadFromStream(S);
    S.clear();
    pks.GetStream("1", S);
    S.setPosition(0);
    return S;
}

void Comprueba_Tamano_Campo(int64_t Tamano, int64_t Limite, const QString &Que)
{
    if (Tamano > Limite)
        throw std::runtime_error(QStringLiteral("%1 ocupa más de %2 MB, lo más que una ficha puede guardar: "
                                                "no se ha guardado. Redúzcala o divídala en varias fichas.")
                                     .arg(Que)
                                     .arg(Limite >> 20)
                                     .toStdString());
}

packing::MemoryStream blobStream(const engine::Field &field)
{
    return packing::MemoryStream(std::string_view(field.asBytes()));
}

void loadBlob(engine::Field &field, const packing::MemoryStream &stream)
{
    field.setBytes(std::string_view(reinterpret_cast<const char *>(stream.data()), stream.bytes().size()));
}

QByteArray toByteArray(const packing::MemoryStream &stream)
{
    return QByteArray(reinterpret_cast<const char *>(stream.data()), qsizetype(stream.bytes().size()));
}

packing::MemoryStream toMemoryStream(const QByteArray &bytes)
{
    return packing::MemoryStream(bytes.constData(), size_t(bytes.size()));
}

// ---- Editing a card ----

void TD_Module_::Si_Ficha_Usa_Comp_Encr_o_no()
{
    TSesion_ *p = Sesion_;
    engine::Field &flag = Tabla_ActivaFicha_Comp_Encr();
    const std::string old = flag.asString();
    const std::string now = p->Fichero_Empaquetado == 1 ? "S" : "N";
    flag.setAsString(now);
    p->Ficha_Deja_De_Empaquetar = (old == "S" && now == "N") ? 1 : 0;
    p->Ficha_Pasa_A_Empaquetar = (old == "N" && now == "S") ? 1 : 0;
}

void TD_Module_::Guarda_Texto_Corto_Respuesta(const QString &Texto)
{
    TSesion_ *p = Sesion_;
    if (p->Tam_Respuesta <= 0)
        return;
    packing::MemoryStream stream = toMemoryStream(p->RE_Resp_Text->linesToBytes({Texto}));
    if (p->Fichero_Empaquetado == 1)
        Comprime_Codifica_Stream_con_PKS(stream);
    loadBlob(Tabla_ActivaResp_Text(), stream);
}

// ---- Table events ----

void TD_Module_::Tabla_ActivaAfterPost(engine::Table &DataSet)
{
    DataSet.flushBuffers();
}

void TD_Module_::Tabla_ActivaBeforeScroll(engine::Table &) {}

std::optional<QByteArray> TD_Module_::Desempaqueta_Sin_Aviso(const std::string &Blob, int64_t Limite)
{
    const OnCorruptOverride silencio(*PKS);
    packing::MemoryStream stream{std::string_view(Blob)};
    try {
        Descomprime_Decodifica_Stream_con_PKS(stream, Limite);
    } catch (...) {
        return std::nullopt;
    }
    return toByteArray(stream);
}

bool TD_Module_::fichaEmpaquetada()
{
    return Sesion_->Fichero_Empaquetado == 1 && Tabla_ActivaFicha_Comp_Encr().asString() == "S";
}

void TD_Module_::Tabla_ActivaAfterScroll(engine::Table &)
{
    TSesion_ *p = Sesion_;
    if (!p || !Tabla_Activa->active())
        return;
    struct ResetFlags {
        TSesion_ *p;
        ~ResetFlags()
        {
            p->Imagen_Pregunta_Cambiada = 0;
            p->Imagen_Respuesta_Cambiada = 0;
        }
    } reset{p};

    if (m_displays->editorLabel2)
        m_displays->editorLabel2->setCaption(fichaEmpaquetada() ? QStringLiteral("Ficha Usa PKS: S")
                                                                : QStringLiteral("Ficha Usa PKS: N"));
    mostrarFecha();
    // A damaged container is told once for the card, after every display is filled.
    bool contenedorDanado = false;
    {
        const OnCorruptOverride silencio(*PKS, [&contenedorDanado](TPackStreams &) { contenedorDanado = true; });
        m_cortaDanada = p->Tam_Respuesta > 0 && !mostrarRespuestaCorta();
        m_largaDanada = p->Con_Texto_Largo == 1 && !mostrarRespuestaLarga();
        mostrarImagenes();
    }
    if (m_cortaDanada || m_largaDanada || contenedorDanado)
        avisaFichaDanada();
}

void TD_Module_::avisaFichaDanada()
{
    const long long id = Tabla_ActivaAutoInc().asLargeInt();
    if (m_danadasAvisadas.insert(id).second)
        PKSCorrupt(*PKS);
}

void TD_Module_::mostrarFecha()
{
    if (!m_displays->reviewLabel15)
        return;
    const QString f = QString::fromStdString(Tabla_ActivaFech_Ulti_Repa().asString());
    const QString shown = Sesion_->Formato_Fecha == 1
                              ? f.mid(6, 2) + QLatin1Char('/') + f.mid(4, 2) + QLatin1Char('/') + f.mid(0, 4)
                              : f.mid(4, 2) + QLatin1Char('/') + f.mid(6, 2) + QLatin1Char('/') + f.mid(0, 4);
    m_displays->reviewLabel15->setCaption(shown);
}

// The stored bytes of an answer, unpacked when the card is packed; nothing when they cannot be
// read: a damaged container, or content over the answer limit, packed or not.
std::optional<QByteArray> TD_Module_::bytesRespuesta(const std::string &blob, bool empaquetada)
{
    packing::MemoryStream stream{std::string_view(blob)};
    try {
        if (stream.size() > 0 && empaquetada)
            Descomprime_Decodifica_Stream_con_PKS(stream, Limite_Respuesta);
        else if (stream.size() > Limite_Respuesta)
            return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
    return toByteArray(stream);
}

// The short answer's first line, read without the rest of the stream; loaded again only when
// the stored bytes or the hidden rich edit changed since.
bool TD_Module_::mostrarRespuestaCorta()
{
    Cargas::Corta &c = m_cargas->corta;
    platform::RichEdit *re = Sesion_->RE_Resp_Text;
    const std::string blob = Tabla_ActivaResp_Text().asBytes();
    const bool empaquetada = fichaEmpaquetada();
    const Cargas::Huella huella = Cargas::of(blob, empaquetada);
    if (!(huella == c.huella && re->contentGeneration() == c.generation)) {
        const std::optional<QByteArray> bytes = bytesRespuesta(blob, empaquetada);
        c.danada = !bytes;
        if (bytes)
            re->loadFirstLineFromBytes(*bytes);
        else
            re->clear();
        c.line = bytes ? re->line(0) : QString();
        c.huella = huella;
        c.generation = re->contentGeneration();
    }
    if (m_displays->editorEditResp_Text)
        m_displays->editorEditResp_Text->setText(c.line);
    if (m_displays->reviewLabel7)
        m_displays->reviewLabel7->setCaption(c.line);
    return !c.danada;
}

// Each rich edit loads the long answer unless it still holds these very bytes.
bool TD_Module_::mostrarRespuestaLarga()
{
    Cargas::Larga &c = m_cargas->larga;
    platform::RichEdit *review = m_displays->reviewRichEdit1;
    platform::RichEdit *editor = m_displays->editorRichEdit1;
    const std::string blob = Tabla_ActivaResp_Memo().asBytes();
    const bool empaquetada = fichaEmpaquetada();
    const Cargas::Huella huella = Cargas::of(blob, empaquetada);
    const bool same = huella == c.huella;
    const bool loadReview = review && !(same && review->contentGeneration() == c.review);
    const bool loadEditor = editor && !(same && editor->contentGeneration() == c.editor);
    if (!same || loadReview || loadEditor) {
        const std::optional<QByteArray> bytes = bytesRespuesta(blob, empaquetada);
        c.danada = !bytes;
        for (const auto &[edit, load, generation] : {std::tuple(review, loadReview, &c.review),
                                                     std::tuple(editor, loadEditor, &c.editor)}) {
            if (!edit || !load)
                continue;
            if (bytes)
                edit->loadForDisplay(*bytes);
            else
                edit->clear();
            *generation = edit->contentGeneration();
        }
        c.huella = huella;
    }
    return !c.danada;
}

namespace {
// The picture bytes of a blob field, unpacked when the card is packed.
QByteArray pictureBytes(const engine::Field &field, bool packed)
{
    packing::MemoryStream stream = blobStream(field);
    if (packed)
        Descomprime_Decodifica_Stream_con_PKS(stream);
    return toByteArray(stream);
}

// Decodes the bytes as a picture of the format; throws when they are not one.
void decodeInto(platform::ImageControl &scratch, const QByteArray &bytes, platform::PictureFormat format)
{
    if (platform::detectPictureFormat(bytes) != format || !scratch.setPictureBytes(bytes))
        throw platform::PictureError("imagen no válida");
}

void showPicture(platform::ImageControl *target, const platform::ImageControl &picture, int slot)
{
    if (!target)
        return;
    target->assign(picture);
    if (slot > 0)
        TImag_Zoom_::Prepara_Imagen(slot);
}

void clearPicture(platform::ImageControl *target)
{
    if (target)
        target->clear();
}

std::optional<platform::PictureFormat> cardPictureFormat(const std::string &type)
{
    if (type == "BMP")
        return platform::PictureFormat::Bmp;
    if (type == "JPG")
        return platform::PictureFormat::Jpeg;
    return std::nullopt;
}
} // namespace

// Each picture on its own: one whose blob is not a picture of its type, or whose container is
// damaged, shows no picture (never the previous card's), and the other is still shown.
void TD_Module_::mostrarImagenes()
{
    TSesion_ *p = Sesion_;
    Displays &d = *m_displays;
    const bool packed = fichaEmpaquetada();
    platform::ImageControl scratch;
    auto show = [&](const std::string &type, const engine::Field &blob, platform::ImageControl *review,
                    int reviewSlot, platform::ImageControl *editor, int editorSlot) {
        const auto format = cardPictureFormat(type);
        if (format) {
            try {
                decodeInto(scratch, pictureBytes(blob, packed), *format);
                showPicture(review, scratch, reviewSlot);
                showPicture(editor, scratch, editorSlot);
                return false;
            } catch (...) {
            }
        }
        clearPicture(review);
        clearPicture(editor);
        return format.has_value();
    };
    m_preguntaImagenDanada =
        show(Tabla_ActivaTipo_Preg_Imag().asString(), Tabla_ActivaPreg_Imag(), d.reviewImage1, 4, d.editorImage1, 7);
    int slot = 0;
    if (p->Con_Imagen_Respuesta == 1)
        slot = p->Con_Texto_Largo == 1 ? 5 : 6;
    m_respuestaImagenDanada = show(Tabla_ActivaTipo_Resp_Imag().asString(), Tabla_ActivaResp_Imag(), d.reviewImage2,
                                   slot, d.editorImage2, 8);
}

// ---- Display font style ----

void TD_Module_::Guarda_Estilo_Fuente(const QFont &Fuente, const QColor &Color)
{
    // The style document is one character in the font and colour chosen; the rich edit
    // takes it over as it would by applying the font to all its text.
    platform::RichEdit *re = Sesion_->RE_Estilo_Fuente;
    const QByteArray bytes = platform::rtf::fromFontStyle(Fuente, Color);
    re->loadFromBytes(bytes);
    // An existing style file is replaced under its own name, whatever its case.
    const QString exact = Sesion_->Carpeta_Programa + QLatin1Char('/') + Fichero_Estilo_Fuente;
    const QString existing = platform::existingPathAnyCase(exact);
    const QString path = existing.isEmpty() ? exact : existing;
    if (!platform::saveFileAtomically(path, bytes))
        throw std::runtime_error("Cannot create file " + QDir::toNativeSeparators(path).toStdString());
}

void TD_Module_::Lee_Estilo_Fuente()
{
    platform::RichEdit *re = Sesion_->RE_Estilo_Fuente;
    const QString path =
        platform::existingPathAnyCase(Sesion_->Carpeta_Programa + QLatin1Char('/') + Fichero_Estilo_Fuente);
    if (!path.isEmpty())
        re->loadFromFile(path);
    QTextCursor c(re->document());
    const int end = re->document()->characterCount() - 1;
    c.setPosition(qMin(1, end));
    c.setPosition(qMin(2, end), QTextCursor::KeepAnchor);
    re->setTextCursor(c);
}

platform::rtf::FontStyle TD_Module_::Estilo_Fuente() const
{
    platform::RichEdit *re = Sesion_->RE_Estilo_Fuente;
    const QTextCharFormat format = re->charFormatAt(1);
    const platform::rtf::CharStyle style = platform::rtf::fromCharFormat(format, re->font());
    return {platform::rtf::fontOf(style, re->font()), style.color};
}

// ---- Card displays ----

void TD_Module_::attachCardEditorDisplays(const CardEditorDisplays &displays)
{
    Displays &d = *m_displays;
    d.editorLabel2 = displays.Label2;
    d.editorEditResp_Text = displays.EditResp_Text;
    d.editorRichEdit1 = displays.RichEdit1;
    d.editorImage1 = displays.Image1;
    d.editorImage2 = displays.Image2;
    // A display attached now holds no card yet, whatever it held before.
    m_cargas->larga.editor = 0;
    if (displays.Image1)
        TImag_Zoom_::registerSlot(7, displays.Image1);
    if (displays.Image2)
        TImag_Zoom_::registerSlot(8, displays.Image2);
}

void TD_Module_::attachReviewDisplays(const ReviewDisplays &displays)
{
    Displays &d = *m_displays;
    d.reviewLabel15 = displays.Label15;
    d.reviewLabel7 = displays.Label7;
    d.reviewRichEdit1 = displays.RichEdit1;
    d.reviewImage1 = displays.Image1;
    d.reviewImage2 = displays.Image2;
    m_cargas->larga.review = 0;
    if (displays.Image1)
        TImag_Zoom_::registerSlot(4, displays.Image1);
    if (displays.Image2) {
        TImag_Zoom_::registerSlot(5, displays.Image2);
        TImag_Zoom_::registerSlot(6, displays.Image2);
    }
}

// ---- Review queue ----

void TD_Module_::Valores_a_NumFich()
{
    // A bookmark is the card's AutoInc; reading them from the view keeps the cursor (and the
    // displays, which follow every move) where they are.
    auto queue = std::make_unique<QStringList>();
    const std::size_t n = Tabla_Activa->recordCount();
    queue->reserve(qsizetype(n));
    for (std::size_t row = 0; row < n; ++row)
        queue->append(QString::number(Tabla_Activa->peekBookmark(row)));
    Sesion_->NumFich = std::move(queue);
}

bool TD_Module_::Siguiente_Registro()
{
    TSesion_ *s = Sesion_;
    bool found = false;
    while (!found && s->NumFich && !s->NumFich->isEmpty()) {
        bool ok = false;
        const qlonglong id = s->NumFich->takeFirst().trimmed().toLongLong(&ok);
        found = ok && Tabla_Activa->gotoBookmark(id);
    }
    if (!s->NumFich || s->NumFich->isEmpty())
        s->NumFich_Agotada = 1;
    return found;
}
