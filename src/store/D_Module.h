#pragma once
// The data module: the program's single store object. It lives for the whole run, owns the
// card table of the open study file, the export/import table, the print table and the five
// stream containers, and gives every window the operations on cards: packing and unpacking
// blob fields, flagging a card packed, saving the short answer, refreshing the card displays
// at every move of the card table, writing every posted card through, the display font
// style file and the program's messages.
//
// THE CARD RECORD "Ficha" is defined once, in store/Ficha.h: field names, types and sizes
// (Campos_Ficha builds a file's definitions from it) and the primary index.
//
// A PACKED BLOB is a whole stream container holding the one item "1" with the plain bytes;
// the container's flag bytes say whether the item was compressed and enciphered. Blobs are
// unpacked only when the open file packs (Fichero_Empaquetado = 1) and the card says "S".
//
// DISPLAYS. Every move of Tabla_Activa refreshes the card editor's and the review window's
// controls, shown or not. Those windows attach their controls here once
// (attachCardEditorDisplays / attachReviewDisplays, which also register their pictures for
// the picture slots 4 to 8); a control that is destroyed drops out by itself, and a display
// not attached is skipped.
#include "engine/BatchMove.h"
#include "engine/FieldDef.h"
#include "engine/Table.h"
#include "packing/PackStreamCol.h"
#include "packing/Streams.h"
#include "platform/DataSource.h"
#include "platform/Rtf.h"
#include "store/BDE32.h"
#include "store/Ficha.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>

#include <exception>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class QLineEdit;
namespace platform {
class ImageControl;
class Label;
class RichEdit;
} // namespace platform

// The key the settings container starts with (only a starting key: every read of an
// enciphered settings container asks PKS3AskForKey for its key).
extern const char Clave_Inicial_PKS3[]; // "Vs. 3.41"

// Messages of the data module and of the password events.
extern const QString Msg_FE_No_Modificable; // "El autor/a inicial de este Fichero de Estudio no \r\rautoriza ..."
extern const QString Msg_Datos_Danados;     // "Los datos de este Fichero de Estudio están dañados."
extern const QString Msg_Fichero_Danado;    // the card table's pages cannot be read: repair it
extern const QString Msg_Contrasena_Erronea; // "La contraseña no es correcta para este Fichero de Estudio."
extern const QString Msg_Clave_Guardada_No_Borrada; // a saved password that is wrong and cannot be deleted

class TD_Module_ : public QObject {
    Q_OBJECT
public:
    explicit TD_Module_(QObject *parent = nullptr);
    ~TD_Module_() override;

    // ---- Components, in their order ----
    engine::Table *Tabla_Activa;        // the open study file's cards
    platform::DataSource *DSource;      // data set Tabla_Activa
    engine::Table *Imprime;             // the print table IMP.db
    platform::DataSource *DataSource1;  // data set Imprime
    TBDE32 *BDE321;                     // engine settings; registers the engine at start-up
    TPackStreams *PKS;                  // card blobs; key "738" until a file is opened
    engine::BatchMove *BM_Exportar;     // copy, record count 1, source Tabla_Activa
    engine::Table *Tabla_Exp;           // export target and import destination
    TPackStreams *PKS2;                 // saved password, export target's cards
    TPackStreams *PKS3;                 // settings containers, transport files
    engine::BatchMove *BM_ImportaDeFE;  // append, Tabla_Activa -> Tabla_Exp
    TPackStreams *PKS4;                 // settings of an import's origin
    TPackStreams *PKS_Config_Prog;      // compressed and enciphered, unused

    // ---- Persistent fields of Tabla_Activa (valid while it is open) ----
    engine::Field &Tabla_ActivaNive_Fich() { return Tabla_Activa->fieldByName(ficha::Nive_Fich); }
    engine::Field &Tabla_ActivaNive_Impo() { return Tabla_Activa->fieldByName(ficha::Nive_Impo); }
    engine::Field &Tabla_ActivaAutoInc() { return Tabla_Activa->fieldByName(ficha::AutoInc); }
    engine::Field &Tabla_ActivaClav_Fich() { return Tabla_Activa->fieldByName(ficha::Clav_Fich); }
    engine::Field &Tabla_ActivaPreg_Text() { return Tabla_Activa->fieldByName(ficha::Preg_Text); }
    engine::Field &Tabla_ActivaTipo_Preg_Imag() { return Tabla_Activa->fieldByName(ficha::Tipo_Preg_Imag); }
    engine::Field &Tabla_ActivaPreg_Imag() { return Tabla_Activa->fieldByName(ficha::Preg_Imag); }
    engine::Field &Tabla_ActivaTipo_Resp_Imag() { return Tabla_Activa->fieldByName(ficha::Tipo_Resp_Imag); }
    engine::Field &Tabla_ActivaResp_Imag() { return Tabla_Activa->fieldByName(ficha::Resp_Imag); }
    engine::Field &Tabla_ActivaResp_Memo() { return Tabla_Activa->fieldByName(ficha::Resp_Memo); }
    engine::Field &Tabla_ActivaFech_Crea() { return Tabla_Activa->fieldByName(ficha::Fech_Crea); }
    engine::Field &Tabla_ActivaFech_Ulti_Repa() { return Tabla_Activa->fieldByName(ficha::Fech_Ulti_Repa); }
    engine::Field &Tabla_ActivaTotal_Repa() { return Tabla_Activa->fieldByName(ficha::Total_Repa); }
    engine::Field &Tabla_ActivaFech_Prox_Repa() { return Tabla_Activa->fieldByName(ficha::Fech_Prox_Repa); }
    engine::Field &Tabla_ActivaResp_Text() { return Tabla_Activa->fieldByName(ficha::Resp_Text); }
    engine::Field &Tabla_ActivaFicha_Comp_Encr() { return Tabla_Activa->fieldByName(ficha::Ficha_Comp_Encr); }

    // ---- Persistent fields of Imprime (valid while it is open) ----
    engine::Field &ImprimeTEXT() { return Imprime->fieldByName("TEXT"); }
    engine::Field &ImprimeTEXT2() { return Imprime->fieldByName("TEXT2"); }
    engine::Field &ImprimeImag() { return Imprime->fieldByName("Imag"); }
    engine::Field &ImprimeMemo() { return Imprime->fieldByName("Memo"); }
    engine::Field &ImprimeMemo2() { return Imprime->fieldByName("Memo2"); }
    engine::Field &ImprimeLogi() { return Imprime->fieldByName("Logi"); }
    engine::Field &ImprimeComp_Encr() { return Imprime->fieldByName("Comp_Encr"); }

    // ---- Table definitions, so that nobody repeats them ----
    // The fields of a card (ficha::Campos) with the question size given (1 to 255).
    static std::vector<engine::FieldDef> Campos_Ficha(int Tam_Pregunta);
    // The primary index "NiveFich" on "Nive_Fich;Nive_Impo;AutoInc".
    static std::vector<engine::IndexDef> Indices_Ficha();
    // The print table's fields: TEXT (255), TEXT2 (8), Imag, Memo, Memo2, Comp_Encr (6),
    // Logi; no index.
    static std::vector<engine::FieldDef> Campos_Imprime();

    // ---- Handlers and operations ----
    void DataModuleCreate();

    // Shows the text in the message window, modally; returns when the window has closed.
    void Ver_Mensaje(const QString &Texto);

    // Saves the display font style (font and colour of the font dialog) to "01.stl" in the
    // program folder, replacing it; a write failure throws std::runtime_error.
    void Guarda_Estilo_Fuente(const QFont &Fuente, const QColor &Color);
    // Loads "01.stl" into RE_Estilo_Fuente when it exists, then selects its second
    // character, whose attributes the windows copy.
    void Lee_Estilo_Fuente();
    // The font and colour of that selection (the design font without a style file).
    platform::rtf::FontStyle Estilo_Fuente() const;

    void FE_No_Modificable();

    // Packs the whole stream into a container with the one item "1", in place, as PKS's
    // Compressed, Encrypted and Key say; the stream is rewound and returned.
    packing::MemoryStream &Comprime_Codifica_Stream_con_PKS(packing::MemoryStream &S);
    // Sets Ficha_Comp_Encr of the record being edited ("S" when the file packs, else "N")
    // and the main window's Ficha_Deja_De_Empaquetar / Ficha_Pasa_A_Empaquetar.
    void Si_Ficha_Usa_Comp_Encr_o_no();
    // Stores the short answer into Resp_Text of the record being edited (nothing when the
    // file has no short answers); the caller posts.
    void Guarda_Texto_Corto_Respuesta(const QString &Texto);

    // Table events of Tabla_Activa.
    void Tabla_ActivaAfterScroll(engine::Table &DataSet);
    void Tabla_ActivaAfterPost(engine::Table &DataSet);
    void Tabla_ActivaBeforeScroll(engine::Table &DataSet);

    // Container events.
    void PKSCorrupt(TPackStreams &Sender);
    void PKS3Corrupt(TPackStreams &Sender);
    void PKS3AskForKey(TPackStreams &Sender, std::string &Key);
    // Where the key given to PKS3 at its last load came from, for the cards' key of the file
    // being opened: nothing (no key was asked for), the saved password X.CLA, or the password
    // window. Clave_PKS3 is that key.
    enum class Origen_Clave { Ninguno, Guardada, Tecleada };
    Origen_Clave Origen_Clave_PKS3 = Origen_Clave::Ninguno;
    std::string Clave_PKS3;
    // Deletes a saved password that cannot serve; says so when it cannot be deleted.
    void Descarta_Clave_Guardada(const QString &Ruta_CLA);
    // Set while a load must ask the user even though X.CLA is there (its password was wrong).
    int Ignorar_Clave_Guardada = 0;

    // ---- Card displays ----
    struct CardEditorDisplays {
        platform::Label *Label2 = nullptr;        // "Ficha Usa PKS: S" / "N"
        QLineEdit *EditResp_Text = nullptr;       // short answer
        platform::RichEdit *RichEdit1 = nullptr;  // long answer
        platform::ImageControl *Image1 = nullptr; // question picture, slot 7
        platform::ImageControl *Image2 = nullptr; // answer picture, slot 8
    };
    struct ReviewDisplays {
        platform::Label *Label15 = nullptr;       // date of the last review
        platform::Label *Label7 = nullptr;        // short answer
        platform::RichEdit *RichEdit1 = nullptr;  // long answer
        platform::ImageControl *Image1 = nullptr; // question picture, slot 4
        platform::ImageControl *Image2 = nullptr; // answer picture, slots 5 and 6
    };
    void attachCardEditorDisplays(const CardEditorDisplays &displays);
    void attachReviewDisplays(const ReviewDisplays &displays);

    // ---- Review queue (the session fields NumFich and NumFich_Agotada) ----
    // NumFich := the AutoInc numbers of the cards in Tabla_Activa's view, in the view's order,
    // as decimal texts. The view is read in place: the cursor does not move and the displays
    // are not refreshed.
    void Valores_a_NumFich();
    // Makes the card at the head of NumFich the current card (the displays are refreshed
    // once, for that card) and takes the head off the queue. A head no longer in the view
    // is dropped and the next entry taken. NumFich_Agotada := 1 when the queue is then
    // empty. Returns false when no entry of the queue was in the view (the cursor has not
    // moved). Each call looks up one card by its identity; it never walks the view.
    bool Siguiente_Registro();

    // While held, moves of Tabla_Activa (a post that moves the cursor, for instance) do not
    // refresh the displays. Releasing returns whether a refresh was skipped meanwhile, so
    // that the caller can do it when it does not move to another card itself.
    void Retiene_Pantallas() { m_pantallasRetenidas = true; m_refrescoOmitido = false; }
    bool Suelta_Pantallas()
    {
        m_pantallasRetenidas = false;
        return m_refrescoOmitido;
    }

    // DAMAGED CARDS. A card whose short or long answer cannot be read (a damaged container,
    // content over its limit) or whose picture container is damaged is shown with those
    // displays empty, and "Los datos de este Fichero de Estudio están dañados." is said once
    // for it while its file stays open, however often it is shown again; the refresh fails
    // for nobody. These tell whether the current card's fields could not be read at its last
    // refresh, so that a save keeps the stored bytes of a field the user did not replace.
    bool Respuesta_Corta_Danada() const { return m_cortaDanada; }
    bool Respuesta_Larga_Danada() const { return m_largaDanada; }
    // Likewise for the pictures: one whose type names a picture and whose blob could not be
    // unpacked or is not a picture of that type.
    bool Imagen_Pregunta_Danada() const { return m_preguntaImagenDanada; }
    bool Imagen_Respuesta_Danada() const { return m_respuestaImagenDanada; }
    // Says that the current card holds damaged content, unless that was said for it already.
    void Avisa_Ficha_Danada() { avisaFichaDanada(); }
    // The content of a packed blob, unpacked with PKS within `Limite`; nothing, and nothing
    // said, when it cannot be unpacked.
    std::optional<QByteArray> Desempaqueta_Sin_Aviso(const std::string &Blob, int64_t Limite);

    // DAMAGED TABLES. A table whose pages cannot be read (engine::DamagedTableError) is told
    // once, in Spanish: the open study file's with Msg_Fichero_Danado, which sends the user to
    // "F- Reparar Fichero", another table with the error's own text. Every damaged-table error
    // that escapes a handler comes here (platform::setDamagedTableHandler); windows that catch
    // one call it themselves. From the moment the open study file is told, nothing more is
    // written to it (engine::Table::refuseWrites): the posts, deletions and bulk changes the
    // windows still try raise its damaged-table error, which comes here again and is not told
    // twice. Fichero_Danado() says the open study file was found damaged, so that the main
    // window closes it once the work in hand has ended; Olvida_Tablas_Danadas() starts a new
    // piece of work with nothing told.
    void Avisa_Tabla_Danada(const std::string &Ruta, const QString &Texto);
    // For a window's catch: a damaged table's error is told as above (true); any other is left
    // to the window (false).
    bool Avisa_Si_Tabla_Danada(const std::exception &Error);
    // Notes the table as told by a window that tells it in a message of its own; false when
    // it had been told already.
    bool Anota_Tabla_Danada(const std::string &Ruta);
    bool Fichero_Danado() const;
    void Olvida_Tablas_Danadas() { m_tablasDanadas.clear(); }

private:
    struct Displays;
    struct Components;
    struct Cargas;
    void mostrarFecha();
    bool mostrarRespuestaCorta();
    bool mostrarRespuestaLarga();
    std::optional<QByteArray> bytesRespuesta(const std::string &blob, bool empaquetada);
    void mostrarImagenes();
    bool fichaEmpaquetada();
    void avisaFichaDanada();

    Components *m_components;
    Displays *m_displays;
    Cargas *m_cargas;
    bool m_pantallasRetenidas = false;
    bool m_refrescoOmitido = false;
    bool m_cortaDanada = false;
    bool m_largaDanada = false;
    bool m_preguntaImagenDanada = false;
    bool m_respuestaImagenDanada = false;
    std::set<long long> m_danadasAvisadas; // of the open file
    std::set<std::string> m_tablasDanadas;  // paths of the damaged tables told
};

extern TD_Module_ *D_Module_;

// True when a study file is open; otherwise shows "No hay ningún Fichero de Estudio abierto."
// and returns false.
bool Hay_Fichero_Abierto();
// Shows "No se seleccionó ningún Fichero de Estudio".
void Aviso_Ningun_Fichero_Seleccionado();

// The most bytes each kind of packed content may hold once unpacked. Content that says it
// holds more is damaged: it is refused from its declared size, before anything is unpacked.
constexpr int64_t Limite_Contenedor_Pequeno = int64_t(1) << 20; // settings, saved password
constexpr int64_t Limite_Respuesta = int64_t(16) << 20;          // short and long answers
constexpr int64_t Limite_Imagen = int64_t(64) << 20;             // pictures, and any card blob

// What is stored in a card blob must be readable again: content over its limit is refused
// before it is stored, with a message that names it (`Que`, e.g. "La respuesta larga").
void Comprueba_Tamano_Campo(int64_t Tamano, int64_t Limite, const QString &Que);

// Unpacks a blob stream in place with D_Module_->PKS: the container in S is replaced by its
// item "1"; S is rewound and returned. A wrong signature, or content over `Limite`, shows "Los
// datos de este Fichero de Estudio están dañados." and throws ECorruptFile; other container
// errors just throw.
packing::MemoryStream &Descomprime_Decodifica_Stream_con_PKS(packing::MemoryStream &S,
                                                             int64_t Limite = Limite_Imagen);

// Reads a saved password's container (X.CLA) with the disk key through `pks`, which is left
// without items and flags but keeps the key: the rich text of its item "1", empty when it has
// none. Throws when the container cannot be read (damaged, saved under another key, over
// pks's size limit).
QByteArray Lee_Clave_Guardada(TPackStreams &pks, packing::Stream &cla, const std::string &clave);

// Bridges between blob fields, memory streams and byte arrays.
packing::MemoryStream blobStream(const engine::Field &field);
void loadBlob(engine::Field &field, const packing::MemoryStream &stream);
QByteArray toByteArray(const packing::MemoryStream &stream);
packing::MemoryStream toMemoryStream(const QByteArray &bytes);
