#pragma once
// The card editor: adds new cards to the open study file or modifies existing ones, always on
// the current record of the data module's card table.
//
// Three modes, chosen through the session fields before the window is shown modally:
//   add                        Modo_Alta = 1, Edicion_Desde_Repaso = 0   (Anadir_Fichas)
//   modify from the selection  Modo_Alta = 0, Edicion_Desde_Repaso = 0   (Modificar_Fichas)
//   modify from the review     Modo_Alta = 0, Edicion_Desde_Repaso = 1   (Modificar_Fichas)
// The window that shows it (the main window, the selection window, the review window) is
// disabled while it is open as each mode requires and enabled again when it closes.
//
// SAVING. The card is written whole or not at all: every blob (answer, pictures, packed when
// the file packs) is prepared in the record's buffer first and the record is then posted once,
// which the engine commits as one transaction. Whatever fails on the way (a picture that cannot
// be encoded, an engine error) leaves the stored card as it was (a new card is not stored), the
// edit pending with everything the user typed, and reaches the general error report.
//
// WHAT THE USER DID NOT REPLACE keeps its stored content: an answer not edited, a picture not
// pasted, loaded or cleared. It is rewritten only to follow a change of the card's packing,
// unpacked or packed from its stored bytes, never from what is shown: a packed card in a file
// that no longer packs cannot be shown (the displays unpack only while the file packs), and a
// long answer may be shown only in part. What could not be read (a damaged container, content
// over its limit, a picture that does not decode) is stored back as it was, and the card is
// said to be damaged once.
//
// PICTURES are stored as they were loaded or pasted: JPEG file bytes stay those bytes, a
// bitmap file stays that bitmap; only a picture without its file bytes is encoded (a bitmap
// as BMP, anything else as JPEG of quality 90). The boxes fit a large picture for display only.
//
// MOVING in modify-from-the-selection mode (DBNavigator1) saves the whole card first, as the
// save buttons do, when anything of it was edited; a save that fails or is refused keeps the
// editor on the card.
#include "engine/Field.h"
#include "platform/DBEdit.h"
#include "platform/DBNavigator.h"
#include "platform/FileDialog.h"
#include "platform/Form.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/RichEdit.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QString>

#include <cstdint>

extern const QString Msg_Portapapeles_Sin_Texto;  // "El portapapeles no contiene un texto."
extern const QString Msg_Portapapeles_Sin_Imagen; // the clipboard holds no picture we can take

class TAlta_Fichas_ : public platform::Form {
    Q_OBJECT
public:
    explicit TAlta_Fichas_(QWidget *parent = nullptr);
    ~TAlta_Fichas_() override;

    platform::Label *Label1; // "Pregunta:"
    platform::DBEdit *EditPreg_Text;
    platform::Label *Label5; // "Respuesta:"
    QLineEdit *EditResp_Text;
    QGroupBox *GroupBox3; // "Respuesta (T. Largo):"
    platform::RichEdit *RichEdit1;
    QPushButton *Button7;  // "Pegar"
    QPushButton *BitBtn3;  // " Disco"
    QPushButton *Button12; // "&Zoom"
    platform::Label *Label3; // "Clave de la Ficha:"
    platform::DBEdit *EditClav_Fich;
    QCheckBox *ChBox1; // "&Recordar la clave anterior"
    platform::Label *Label4; // "Nivel de Importancia: "
    platform::DBEdit *EditNive_Impo;
    QGroupBox *GroupBox1; // "Imagen Pregunta:"
    platform::ImageControl *Image1;
    QPushButton *Button5; // "Pega&r", Tag 1
    QPushButton *BitBtn2; // "Disco"
    QPushButton *Button4; // "X"
    QGroupBox *GroupBox2; // "Imagen Respuesta: "
    platform::ImageControl *Image2;
    QPushButton *Button6; // "Pe&gar", Tag 2
    QPushButton *BitBtn4; // "Disco"
    QPushButton *Button8; // "X"
    platform::Label *Label2; // "Ficha Usa PKS: S" / "N", hidden
    QFrame *Bevel1;
    platform::DBNavigator *DBNavigator1;
    QPushButton *Button3; // "&Guarda y Continua"
    QPushButton *Button2; // "Guarda y A&caba"
    QPushButton *Button1; // " &Salir", also Esc
    QPushButton *BitBtn1; // " &Ayuda"

    platform::FileDialog *OpenPictureDialog1;
    platform::FileDialog *OpenDialog1;

    // ---- Entries for the windows that open the editor ----
    // Adds cards to the open study file (Modo_Alta := 1), shown modally.
    void Anadir_Fichas();
    // Modifies the current card of the card table, shown modally: from the review window
    // (Desde_Repaso = 1) or from the selection window (0). Modo_Alta := 0 and
    // Edicion_Desde_Repaso := Desde_Repaso. The caller is the window below the editor.
    void Modificar_Fichas(int Desde_Repaso);

    // ---- Handlers ----
    void FormCreate();
    void FormActivate();
    void FormClose();
    void Button3Click(QObject *Sender); // both save buttons
    void Button5Click(QObject *Sender); // both picture paste buttons (Tag 1, 2)
    void BitBtn2Click(QObject *Sender); // both picture "Disco" buttons
    void Button4Click(QObject *Sender); // both "X" buttons
    void Button7Click();
    void BitBtn3Click();
    void Button12Click();
    void Image1Click();
    void Image2Click();
    void Button1Click();
    void BitBtn1Click();
    // Before each move of DBNavigator1: false keeps the cursor where it is.
    bool DBNavigator1BeforeAction(platform::DBNavigator::Button Which);

    // The save sequence; true when the card was stored, false when it was refused (a file
    // that may not be modified). Failures throw, the card left as stored.
    bool Guarda_Ficha();
    // Anything of the card shown was edited since it was shown or saved.
    bool Ficha_Editada() const;

    // Binds the controls to the data module (created after this window); done once.
    void Enlaza_Datos();

private:
    void layOut();
    void ordenTabulacion();
    void Visibilidad();
    void Estilo_Respuesta_Larga();
    void Vacia_Imagenes();
    void Marca_Sin_Editar();
    void Guarda_Imagen(platform::ImageControl *P, const char *Campo, const char *Campo_Tipo);
    void Toma_Imagen(int Tag, const QByteArray &Bytes, const QImage &Imagen);
    QWidget *Llamador() const;

    QString m_clave_anterior;  // the key remembered for the next new card
    QPointer<QWidget> m_llamador; // the window that showed the editor
    bool m_enlazado = false;
    bool m_preparado = false; // the activation has set the window up for this opening
};

extern TAlta_Fichas_ *Alta_Fichas_;
