#pragma once
// The text zoom window: shows a rich text large, read-only or for editing.
//
// Calling protocol, the same for every caller (Zoom_Texto does it):
//   1. stream the caller's rich edit out as rich text and load it into Text_Zoom_->RichEdit1;
//   2. set Zoom_Editable (1 editable, 0 read-only) and show the window modally;
//   3. an editing caller, when Zoom_Guardado = 1 afterwards, streams RichEdit1 back into its
//      own rich edit; otherwise it keeps its text.
#include "platform/Form.h"
#include "platform/RichEdit.h"

#include <QPushButton>

// Set by the caller before the window is shown: 1 editable, 0 read-only.
extern int Zoom_Editable;
// The result: 1 when the window closed with "Guarda y A&caba", 0 otherwise.
extern int Zoom_Guardado;

class TText_Zoom_ : public platform::Form {
    Q_OBJECT
public:
    explicit TText_Zoom_(QWidget *parent = nullptr);
    ~TText_Zoom_() override;

    platform::RichEdit *RichEdit1;
    QPushButton *Button2; // "Guarda y A&caba"
    QPushButton *Button1; // " &Salir", also Esc
    QPushButton *BitBtn4; // "&Ayuda"

    void FormActivate();
    void Button2Click();
    void Button1Click();
    void RichEdit1KeyDown(int Key);
    void BitBtn4Click();
    void Cierra_Sin_Guardar();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool m_guardar = false; // the window is closing through "Guarda y A&caba"
};

extern TText_Zoom_ *Text_Zoom_;

// Shows Texto in the zoom window, editable when Editable is 1; when the user saves, the
// edited text goes back into Texto. Returns Zoom_Guardado.
int Zoom_Texto(platform::RichEdit *Texto, int Editable);
