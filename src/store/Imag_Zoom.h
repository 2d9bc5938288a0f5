#pragma once
// Picture fitting for the program's eleven picture slots, and the picture zoom window.
//
// Each slot is a fixed box of a window; Prepara_Imagen(slot) fits that slot's picture control
// into its box. A window registers its picture controls for their slots when it is created
// (registerSlot), and the controls whose pictures the zoom window can show under their
// Origen_Zoom name (registerZoomSource). The registrations outlive no control: a destroyed
// control drops out by itself.
//
//   slot  control                          box (left, top, width, height)
//    1    TPanta_Inicio_::Image1           352, 15, 608, 437
//    2    TPanta_Inicio_::Image2           352, 15, 608, 437 (measures slot 1's picture)
//    3    TPanta_Inicio_::Image3           352, 15, 608, 437 (measures slot 1's picture)
//    4    TRepasar_::Image1                  8, 101, 981, 333
//    5    TRepasar_::Image2                498,  99, 489, 333
//    6    TRepasar_::Image2                  2,  99, 972, 333
//    7    TAlta_Fichas_::Image1              4,  20, 509, 185
//    8    TAlta_Fichas_::Image2              4,  20, 439, 243
//    9    TVer_Info_::Image1                 4,  22, 445, 243
//   10    TCrea_Fiche_::Image1               6,  22, 397, 245
//   11    TImag_Zoom_::Image1              the zoom window's own left, top, width, height
//
//   Origen_Zoom   "Ver_Info", "Repaso_Preg", "Repaso_Resp", "Altas_Preg", "Altas_Resp", "Crea_Fich"
#include "platform/Form.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"

#include <QPushButton>
#include <QString>

class TImag_Zoom_ : public platform::Form {
    Q_OBJECT
public:
    explicit TImag_Zoom_(QWidget *parent = nullptr);
    ~TImag_Zoom_() override;

    platform::ImageControl *Image1;
    platform::Label *Label1;
    QPushButton *Button1;

    // Fits Target into the box (MaxW x MaxH at Left, Top), measuring Source's picture: keeps
    // the proportions, never enlarges, centres; each step truncated.
    static void AdaptaImagen(int MaxW, int MaxH, int Left, int Top, const platform::ImageControl *Source,
                             platform::ImageControl *Target);
    // Fits the control of the slot (1 to 11) into its box; other numbers do nothing. Consumes
    // the main window's skip flag instead when it is set.
    static void Prepara_Imagen(int Slot);

    void FormActivate();
    void Image1Click();

    // ---- Registration ----
    static void registerSlot(int slot, platform::ImageControl *control);
    static platform::ImageControl *slotControl(int slot);
    static void registerZoomSource(const QString &origin, platform::ImageControl *control);
    static platform::ImageControl *zoomSource(const QString &origin);

protected:
    void resizeEvent(QResizeEvent *event) override;
};

extern TImag_Zoom_ *Imag_Zoom_;
