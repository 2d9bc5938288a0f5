#include "StartedProgram.h"

#include "app/Panta_Inicio.h"
#include "platform/ModalShow.h"
#include "platform/Screen.h"
#include "store/Imag_Zoom.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
QImage pictureOf(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    return img;
}
} // namespace

class PictureFittingTest : public StartedProgram {
protected:
    // Fits a picture of the given size in the slot; slot 1 is the main window's Image1,
    // the other slots get a stand-in control.
    QRect fit(int slot, int w, int h)
    {
        platform::ImageControl *target = slot == 1 ? Panta_Inicio_->Image1 : &standIn;
        if (slot != 1)
            TImag_Zoom_::registerSlot(slot, &standIn);
        target->setPicture(pictureOf(w, h));
        TImag_Zoom_::Prepara_Imagen(slot);
        return target->geometry();
    }
    QWidget host;
    platform::ImageControl standIn{&host};
};

TEST_F(PictureFittingTest, APictureIsScaledDownIntoItsBoxAndCentred)
{
    const struct {
        const char *what;
        int slot, w, h;
        QRect expected;
    } cases[] = {
        {"wide: scaled to the box width", 1, 1200, 600, {352, 81, 608, 304}},
        {"small: kept as it is", 6, 200, 100, {388, 215, 200, 100}},
        // 609 x 452: by width to 608 x 451 (451.26 truncated), then by height to 589 x 437
        // (589.13 truncated); one step from the picture's own size would give 588.
        {"both sides truncated at each step", 1, 609, 452, {352 + 9, 15, 589, 437}},
        // The ratio is taken in floating point before it is applied: 1052 x (608 / 1052) is
        // 607.99..., so 607.
        {"ratio in floating point", 1, 1052, 100, {352, 15 + 190, 607, 57}},
        {"only too tall: scaled by height", 1, 300, 874, {352 + 229, 15, 150, 437}},
        {"exactly as wide as the box", 1, 608, 200, {352, 15 + 118, 608, 200}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fit(c.slot, c.w, c.h), c.expected) << c.what;
    EXPECT_TRUE(Panta_Inicio_->Image1->stretch());
    // An empty picture goes to the box centre with no size.
    Panta_Inicio_->Image1->clear();
    TImag_Zoom_::Prepara_Imagen(1);
    EXPECT_EQ(Panta_Inicio_->Image1->geometry(), QRect(352 + 304, 15 + 218, 0, 0));
}

TEST_F(PictureFittingTest, EverySlotHasItsBox)
{
    const struct {
        int slot;
        QRect box;
    } boxes[] = {
        {4, {8, 101, 981, 333}}, {5, {498, 99, 489, 333}}, {6, {2, 99, 972, 333}}, {7, {4, 20, 509, 185}},
        {8, {4, 20, 439, 243}},  {9, {4, 22, 445, 243}},   {10, {6, 22, 397, 245}},
    };
    for (const auto &b : boxes) {
        SCOPED_TRACE(b.slot);
        // A picture of twice the box's size fills it exactly.
        EXPECT_EQ(fit(b.slot, 2 * b.box.width(), 2 * b.box.height()), b.box);
    }
    // Slots 2 and 3 measure the main picture.
    auto *p = Panta_Inicio_;
    p->Image1->setPicture(pictureOf(1200, 600));
    p->Image2->setPicture(pictureOf(10, 10));
    p->Image3->clear();
    TImag_Zoom_::Prepara_Imagen(2);
    TImag_Zoom_::Prepara_Imagen(3);
    EXPECT_EQ(p->Image2->geometry(), QRect(352, 81, 608, 304));
    EXPECT_EQ(p->Image3->geometry(), QRect(352, 81, 608, 304));
}

// The skip flag is consumed by one fitting; slots outside 1 to 11, and slots whose window is
// not there (yet or any more), do nothing.
TEST_F(PictureFittingTest, TheSkipFlagAndSlotsOutsideOneToElevenOrWithoutTheirWindowDoNothing)
{
    auto *img = Panta_Inicio_->Image1;
    img->setGeometry(1, 2, 3, 4);
    img->setPicture(pictureOf(1200, 600));
    Panta_Inicio_->Saltar_Activacion = 1;
    TImag_Zoom_::Prepara_Imagen(1);
    EXPECT_EQ(Panta_Inicio_->Saltar_Activacion, 0);
    for (int slot : {0, 12, -1})
        TImag_Zoom_::Prepara_Imagen(slot);
    EXPECT_EQ(img->geometry(), QRect(1, 2, 3, 4));
    TImag_Zoom_::Prepara_Imagen(1);
    EXPECT_EQ(img->geometry(), QRect(352, 81, 608, 304));
    EXPECT_EQ(TImag_Zoom_::slotControl(8), nullptr);
    TImag_Zoom_::Prepara_Imagen(8);
    {
        platform::ImageControl gone;
        TImag_Zoom_::registerSlot(7, &gone);
    }
    EXPECT_EQ(TImag_Zoom_::slotControl(7), nullptr);
}

// ---- The zoom window ----

class ZoomWindowTest : public PictureFittingTest {};

TEST_F(ZoomWindowTest, ShowsTheOriginsPictureFittedAndAnUnknownOriginKeepsThePicture)
{
    platform::ImageControl source;
    source.setPicture(pictureOf(4000, 1000), platform::PictureKind::Jpeg);
    TImag_Zoom_::registerZoomSource("Ver_Info", &source);
    Panta_Inicio_->Origen_Zoom = "Ver_Info";

    QRect imageRect;
    platform::onNextShow("Imag_Zoom_", [&](QWidget *) { imageRect = Imag_Zoom_->Image1->geometry(); });
    platform::showModal(Imag_Zoom_);

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(Imag_Zoom_->size(), QSize(screen.width() - 18, screen.height() - 54));
    EXPECT_EQ(Imag_Zoom_->Image1->picture().size(), QSize(4000, 1000));
    EXPECT_TRUE(Imag_Zoom_->Image1->holdsBitmap());
    // Slot 11: the box is the window's own place and size, as they were before centring.
    const int w = Imag_Zoom_->width();
    const int h = int(qint64(1000) * w / 4000);
    EXPECT_EQ(imageRect.size(), QSize(w, h));
    EXPECT_GE(imageRect.top(), 1);
    // Centred on the desktop, its frame included.
    EXPECT_LE((Imag_Zoom_->frameGeometry().center() - platform::desktopArea().center()).manhattanLength(), 2);

    // An unknown origin keeps the picture; a skipped activation changes nothing.
    Imag_Zoom_->Image1->setPicture(pictureOf(30, 20));
    Panta_Inicio_->Origen_Zoom = "Desconocido"; // no window registers this origin
    platform::showModal(Imag_Zoom_);
    EXPECT_EQ(Imag_Zoom_->Image1->picture().size(), QSize(30, 20));
    Imag_Zoom_->resize(300, 200);
    Panta_Inicio_->Saltar_Activacion = 1;
    platform::showModal(Imag_Zoom_);
    EXPECT_EQ(Imag_Zoom_->size(), QSize(300, 200));
    EXPECT_EQ(Panta_Inicio_->Saltar_Activacion, 0);
}

TEST_F(ZoomWindowTest, AClickOnTheWindowLabelOrPictureOrEscClosesIt)
{
    const std::function<void()> ways[] = {
        [] { click(Imag_Zoom_); },
        [] { click(Imag_Zoom_->Label1); },
        [] { click(Imag_Zoom_->Image1); },
        [this] { pressKey(Imag_Zoom_, QChar(27)); },
    };
    int index = 0;
    Imag_Zoom_->Image1->setPicture(pictureOf(300, 200));
    for (const auto &way : ways) {
        SCOPED_TRACE(index++);
        bool openAfter = true;
        platform::onNextShow("Imag_Zoom_", [&](QWidget *) {
            way();
            openAfter = Imag_Zoom_->modalOpen();
        });
        platform::showModal(Imag_Zoom_);
        EXPECT_FALSE(openAfter);
    }
}
