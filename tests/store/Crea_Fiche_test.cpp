#include "support/ProgramFixture.h"
#include "support/StudyFiles.h"

#include "app/Panta_Inicio.h"
#include "engine/Table.h"
#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "store/Crea_Fiche.h"
#include "store/D_Module.h"
#include "store/Imag_Zoom.h"
#include "store/Text_Zoom.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QMimeData>

#include <functional>

namespace {
const QString Creado = QStringLiteral("El Fichero de Estudio\r\r%1\r\rha sido creado.");
const QString YaExiste =
    QStringLiteral("      Ya existe un Fichero con ese nombre.\r\rDebe cambiarlo para poder crear un Fichero nuevo.");
const QString SinNombre = QStringLiteral(" Debe escribir un nombre\r\rpara el Fichero de Estudio.");
} // namespace

class CreateWindowTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        startProgram();
        w = Crea_Fiche_;
        ASSERT_NE(w, nullptr);
        QGuiApplication::clipboard()->clear();
    }

    QStringList datFiles() const { return QDir(programPath(QStringLiteral("dat"))).entryList(QDir::Files, QDir::Name); }
    QString optionsLine(const QString &name) const { return testsupport::readSettings(dat(name + ".STU")).value(0); }

    // Creates the file with the window's current choices.
    void create(const QString &name)
    {
        w->Edit1->setText(name);
        w->Button1_Click();
    }

    TCrea_Fiche_ *w = nullptr;
};

TEST_F(CreateWindowTest, ShortAndLongAnswerExcludeEachOtherAndOtherSizesEnableTheirBoxes)
{
    w->CheckBox4->setChecked(false);
    EXPECT_TRUE(w->CheckBox3->isChecked());
    EXPECT_FALSE(w->RadioButton8->isEnabled());
    w->CheckBox3->setChecked(false);
    EXPECT_TRUE(w->CheckBox4->isChecked());
    w->RadioButton8->setChecked(true);
    EXPECT_TRUE(w->Edit3->isEnabled());
    w->CheckBox3->setChecked(true);
    EXPECT_FALSE(w->CheckBox4->isChecked());
    EXPECT_FALSE(w->Edit3->isEnabled());
    w->CheckBox4->setChecked(true);
    EXPECT_TRUE(w->Edit3->isEnabled()) << "the other size box comes back with its button";
    w->RadioButton6->setChecked(true);
    EXPECT_FALSE(w->Edit3->isEnabled());
    w->RadioButton4->setChecked(true);
    EXPECT_TRUE(w->Edit2->isEnabled());
    w->RadioButton1->setChecked(true);
    EXPECT_FALSE(w->Edit2->isEnabled());
}

TEST_F(CreateWindowTest, LeavingASizeBoxChecksDigitsAndTheMaximum)
{
    struct Case {
        QString text;
        QStringList expected;
    } cases[] = {
        {"", {}},
        {"12", {}},
        {"255", {}},
        {"1a", {"Sólo se admiten números (0, 1, 2, etc.)"}},
        {"-5", {"Sólo se admiten números (0, 1, 2, etc.)"}},
        {"256", {"        El tamaño máximo es 255.\rEl valor que escriba debe ser igual o menor."}},
        {"99999999999999999999", {"        El tamaño máximo es 255.\rEl valor que escriba debe ser igual o menor."}},
    };
    for (const Case &c : cases) {
        for (QLineEdit *box : {w->Edit2, w->Edit3}) {
            clearMessages();
            box->setText(c.text);
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QCoreApplication::sendEvent(box, &out);
            EXPECT_EQ(messages(), c.expected) << c.text.toStdString();
        }
    }
    // The window losing the focus (to the message window, another program) checks nothing.
    clearMessages();
    w->Edit2->setText("abc");
    QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(w->Edit2, &away);
    EXPECT_TRUE(messages().isEmpty());
}

// Into a missing dat folder, which is created.
TEST_F(CreateWindowTest, CreatesTheSettingsContainerAndTheCardTableOnly)
{
    QDir(programPath("dat")).removeRecursively();
    w->RichEdit1->setLines({"Nombre del Fichero de Estudio:", "  Inglés  básico  ", "", "Autor/a:"});
    create("Ingles");

    EXPECT_EQ(messages(), QStringList{Creado.arg("Ingles")});
    EXPECT_EQ(datFiles(), (QStringList{"Ingles.DB", "Ingles.STU"}));
    const QStringList lines = testsupport::readSettings(dat("Ingles.STU"));
    ASSERT_EQ(lines.size(), 7);
    QString expected(200, ' ');
    expected.replace(0, 41, "0 0 0 1 0   60 100  Cno Eno Msi EXsi IMsi");
    EXPECT_EQ(lines[0], expected);
    EXPECT_EQ(lines[1], Titulo_Programa + QString(200, ' '));
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines.mid(3), (QStringList{"Nombre del Fichero de Estudio:", "  Inglés  básico  ", "", "Autor/a:"}));
    // Not enciphered: readable without a key, and the container says so.
    QFile stu(dat("Ingles.STU"));
    ASSERT_TRUE(stu.open(QIODevice::ReadOnly));
    EXPECT_EQ(stu.read(2), QByteArray("& "));

    engine::Table t;
    testsupport::openTable(t, testsupport::fileName(dat("Ingles.DB")));
    EXPECT_EQ(t.fieldByName("Preg_Text").size(), 60);
    EXPECT_TRUE(t.isEmpty());
    t.close();

    EXPECT_FALSE(D_Module_->Tabla_Activa->active()) << "the new file is not opened";
    EXPECT_EQ(Panta_Inicio_->Tam_Pregunta, 60);
    EXPECT_EQ(Panta_Inicio_->Tam_Respuesta, 100);
}

TEST_F(CreateWindowTest, EveryChoiceReachesItsPositionOfTheSettingsLine)
{
    w->CheckBox1->setChecked(true);
    w->CheckBox2->setChecked(true);
    w->CheckBox7->setChecked(true);
    w->CheckBox5->setChecked(false);
    w->CheckBox6->setChecked(true);
    w->RadioButton3->setChecked(true);
    w->RadioButton5->setChecked(true);
    create("Todo");
    EXPECT_EQ(optionsLine("Todo").left(41), "1 1 0 0 1  100  30  Csi Eno Msi EXsi IMsi");

    w->CheckBox4->setChecked(false); // long answer instead
    w->RadioButton4->setChecked(true);
    w->Edit2->setText("7");
    w->CheckBox1->setChecked(false);
    w->CheckBox2->setChecked(false);
    create("Largo");
    EXPECT_EQ(optionsLine("Largo").left(41), "0 0 1 0 1    7   0  Csi Eno Msi EXsi IMsi");
    EXPECT_EQ(Panta_Inicio_->Tam_Respuesta, 0);
    engine::Table t;
    testsupport::openTable(t, testsupport::fileName(dat("Largo.DB")));
    EXPECT_EQ(t.fieldByName("Preg_Text").size(), 7);
}

TEST_F(CreateWindowTest, SizesFromOneTo255AreAcceptedAndOthersRefusedBeforeWriting)
{
    w->RadioButton4->setChecked(true);
    w->RadioButton8->setChecked(true);
    const QString pregunta = "El tamaño de la PREGUNTA debe ser\r\run número entre 1 y 255.";
    const QString respuesta = "El tamaño de la RESPUESTA debe ser\r\run número entre 1 y 255.";
    struct Case {
        QString question, answer, message;
    } refused[] = {
        {"", "5", pregunta}, {"0", "5", pregunta}, {"256", "5", pregunta}, {"1x", "5", pregunta},
        {"5", "", respuesta}, {"5", "000", respuesta}, {"5", "1000", respuesta},
    };
    for (const Case &c : refused) {
        clearMessages();
        w->Edit2->setText(c.question);
        w->Edit3->setText(c.answer);
        create("Malo");
        EXPECT_EQ(messages(), QStringList{c.message}) << c.question.toStdString() << "/" << c.answer.toStdString();
        EXPECT_TRUE(datFiles().isEmpty());
    }

    w->Edit2->setText("1");
    w->Edit3->setText("255");
    create("Uno");
    EXPECT_EQ(optionsLine("Uno").mid(11, 7), "  1 255");
    w->Edit2->setText("255");
    w->Edit3->setText("001");
    create("Max");
    EXPECT_EQ(optionsLine("Max").mid(11, 7), "255   1");

    // The short-answer box is not read without a short answer.
    w->CheckBox3->setChecked(true);
    w->Edit3->setText("abc");
    create("SinCorta");
    EXPECT_EQ(optionsLine("SinCorta").mid(15, 3), "  0");
}

TEST_F(CreateWindowTest, RefusalsWriteNothingAndFocusTheControlToMend)
{
    create("");
    EXPECT_EQ(messages(), QStringList{SinNombre});

    clearMessages();
    for (const QString &name : {QStringLiteral("../fuera"), QStringLiteral("a/b"), QStringLiteral("a\\b"),
                                QStringLiteral("dos:puntos"), QStringLiteral("tab\tu")}) {
        create(name);
    }
    EXPECT_EQ(messages().size(), 5);
    EXPECT_TRUE(messages().first().startsWith("El nombre no puede contener"));
    EXPECT_TRUE(datFiles().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(programPath("fuera.STU")));

    // A name is taken while any of X.STU, X.MB, X.DB or X.PX exists, in any case.
    for (const QString &file : {QStringLiteral("A.STU"), QStringLiteral("B.MB"), QStringLiteral("C.DB"),
                                QStringLiteral("D.PX"), QStringLiteral("e.px")}) {
        putFile("dat/" + file, "x");
        clearMessages();
        create(QFileInfo(file).completeBaseName().toUpper());
        EXPECT_EQ(messages(), QStringList{YaExiste}) << file.toStdString();
    }
    EXPECT_EQ(datFiles().size(), 5);

    // A name too long for the file system (counted in bytes, with the engine's journal) is
    // told as such; the longest that fits is created.
    clearMessages();
    create(QString(123, QChar(0xE1))); // 246 bytes + ".DB-journal"
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().startsWith("El nombre es demasiado largo")) << messages().first().toStdString();
    EXPECT_EQ(datFiles().size(), 5);
}

TEST_F(CreateWindowTest, ANameIsUsedAsTypedAndAnEndingDbKeepsTheFilesTogether)
{
    const QString longest = QString(122, QChar(0xE1)); // 244 bytes + ".DB-journal" = 255
    create(longest);
    EXPECT_TRUE(QFileInfo::exists(dat(longest + ".DB")));
    create(" Con  blancos ");
    EXPECT_TRUE(QFileInfo::exists(dat(" Con  blancos .STU")));
    EXPECT_TRUE(QFileInfo::exists(dat(" Con  blancos .DB")));
    create("viejo.db");
    EXPECT_TRUE(QFileInfo::exists(dat("viejo.db.STU")));
    EXPECT_TRUE(QFileInfo::exists(dat("viejo.db.DB")));
}

// Pictures from a file or pasted are saved in their own format; an unreadable file, a .gif or
// a clipboard without a picture keep the picture shown.
TEST_F(CreateWindowTest, PicturesFromAFileOrPastedAreSavedInTheirOwnFormat)
{
    const QString jpeg = putPicture("fotos/Gato.JPEG", 500, 300);
    platform::FileDialog::queueFileName(jpeg);
    w->BitBtn1Click();
    EXPECT_EQ(Tipo_Imagen_FE, "JPG");
    EXPECT_EQ(w->Image1->size(), QSize(397, 238)) << "fitted into its box";
    EXPECT_EQ(platform::FileDialog::requests().last().initialDir, programFolder());
    create("Gato");
    EXPECT_EQ(datFiles(), (QStringList{"Gato.DB", "Gato.JPG", "Gato.STU"}));
    QFile original(jpeg), saved(dat("Gato.JPG"));
    original.open(QIODevice::ReadOnly);
    saved.open(QIODevice::ReadOnly);
    EXPECT_EQ(saved.readAll(), original.readAll()) << "the picture's own bytes";

    // The dialog starts in the program folder only the first time; a .gif is ignored.
    putFile("fotos/dibujo.gif", "GIF89a");
    platform::FileDialog::queueFileName(programPath("fotos/dibujo.gif"));
    w->BitBtn1Click();
    EXPECT_EQ(platform::FileDialog::requests().last().initialDir, "");
    EXPECT_EQ(Tipo_Imagen_FE, "JPG");
    EXPECT_TRUE(w->Image1->holdsJpeg());

    platform::FileDialog::queueFileName(putPicture("fotos/plano.bmp", 40, 30));
    w->BitBtn1Click();
    putFile("roto.jpg", "\xFF\xD8\xFF\xE0 not a picture");
    platform::FileDialog::queueFileName(programPath("roto.jpg"));
    w->BitBtn1Click();
    EXPECT_TRUE(messages().last().startsWith("No se puede leer la imagen"));
    EXPECT_EQ(Tipo_Imagen_FE, "BMP");
    create("Plano");
    EXPECT_EQ(platform::loadPicture(dat("Plano.BMP")).size(), QSize(40, 30));

    // " &Borrar": nothing is saved.
    w->Button6Click();
    create("SinImagen");
    EXPECT_FALSE(QFileInfo::exists(dat("SinImagen.BMP")));
    EXPECT_FALSE(QFileInfo::exists(dat("SinImagen.JPG")));

    // Pasted: a bitmap first, then a JPEG; neither leaves the picture as it was.
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    w->BitBtn2Click();
    EXPECT_EQ(Tipo_Imagen_FE, "BMP");
    create("Pegada");
    EXPECT_EQ(platform::loadPicture(dat("Pegada.BMP")).size(), QSize(30, 20));
    auto *data = new QMimeData;
    data->setData("image/jpeg", platform::encodeJpeg(QImage(16, 8, QImage::Format_RGB32)));
    QGuiApplication::clipboard()->setMimeData(data);
    w->BitBtn2Click();
    EXPECT_EQ(Tipo_Imagen_FE, "JPG");
    create("PegadaJpg");
    EXPECT_EQ(platform::loadPicture(dat("PegadaJpg.JPG")).size(), QSize(16, 8));
    QGuiApplication::clipboard()->setText("texto");
    w->BitBtn2Click();
    EXPECT_EQ(Tipo_Imagen_FE, "JPG");
    EXPECT_EQ(w->Image1->picture().size(), QSize(16, 8));
    // Both a bitmap and a JPEG picture: the bitmap.
    data = new QMimeData;
    data->setData("image/jpeg", platform::encodeJpeg(QImage(16, 8, QImage::Format_RGB32)));
    data->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(data);
    w->BitBtn2Click();
    EXPECT_EQ(std::pair(Tipo_Imagen_FE, w->Image1->picture().size()), std::pair(QStringLiteral("BMP"), QSize(30, 20)));
}

TEST_F(CreateWindowTest, PastingADescriptionNeedsTextOnTheClipboard)
{
    w->Button5_Click();
    EXPECT_EQ(messages(), QStringList{"El portapapeles no contiene un texto."});
    QGuiApplication::clipboard()->setText("Vocabulario");
    QTextCursor c = w->RichEdit1->textCursor();
    c.movePosition(QTextCursor::Start);
    c.movePosition(QTextCursor::EndOfBlock);
    w->RichEdit1->setTextCursor(c);
    w->Button5_Click();
    EXPECT_EQ(w->RichEdit1->line(0), "Nombre del Fichero de Estudio:Vocabulario");
}

TEST_F(CreateWindowTest, TheDescriptionAndThePictureAreZoomed)
{
    platform::onNextShow("Text_Zoom_", [](QWidget *) {
        EXPECT_EQ(Zoom_Editable, 1);
        Text_Zoom_->RichEdit1->setLines({"Descripción ampliada"});
        Text_Zoom_->Button2->click();
    });
    w->Button12->click();
    EXPECT_EQ(w->RichEdit1->lines(), QStringList{"Descripción ampliada"});

    platform::onNextShow("Text_Zoom_", [](QWidget *) { Text_Zoom_->RichEdit1->setLines({"descartado"}); });
    w->Button12->click();
    EXPECT_EQ(w->RichEdit1->lines(), QStringList{"Descripción ampliada"});

    // A click on the picture zooms it only when there is one.
    w->Image1Click();
    EXPECT_FALSE(shownWindows().contains("Imag_Zoom_"));
    w->Image1->setPicture(QImage(10, 10, QImage::Format_RGB32));
    w->Image1Click();
    EXPECT_EQ(Panta_Inicio_->Origen_Zoom, "Crea_Fich");
    EXPECT_TRUE(shownWindows().contains("Imag_Zoom_"));
}

TEST_F(CreateWindowTest, AFailedWriteRemovesWhatTheCreationWrote)
{
    // A folder where the picture should go makes its write fail after the settings and the
    // table were written.
    QDir().mkpath(dat("Roto.BMP"));
    w->Image1->setPicture(QImage(10, 10, QImage::Format_RGB32));
    create("Roto");
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().first().startsWith("No se pudo crear el Fichero de Estudio\r\rRoto"));
    EXPECT_TRUE(datFiles().isEmpty());
    // The name is free again.
    QDir().rmdir(dat("Roto.BMP"));
    clearMessages();
    create("Roto");
    EXPECT_EQ(messages(), QStringList{Creado.arg("Roto")});
}

TEST_F(CreateWindowTest, MenuEntryEightClosesTheFileDisablesTheMainWindowAndBothWaysOutEnableIt)
{
    Panta_Inicio_->FE_Abierto = 1;
    platform::onNextShow("Crea_Fiche_", [this](QWidget *) {
        EXPECT_FALSE(Panta_Inicio_->isEnabled());
        w->Button2->click();
    });
    pressKey('8');
    EXPECT_EQ(Panta_Inicio_->FE_Abierto, 0);
    EXPECT_TRUE(Panta_Inicio_->isEnabled());

    // Esc ("&Salir"), closed any other way, or after creating a file.
    const std::function<void()> ways[] = {[this] { pressKey(w, QChar(27)); }, [] {}, [this] { create("DesdeMenu"); }};
    for (const auto &way : ways) {
        platform::onNextShow("Crea_Fiche_", [&way](QWidget *) { way(); });
        pressKey('8');
        EXPECT_TRUE(Panta_Inicio_->isEnabled());
    }
    EXPECT_TRUE(QFileInfo::exists(dat("DesdeMenu.STU")));
}

// A skipped activation leaves the main window enabled; while the print entry asks, "&Salir"
// only rebuilds the print table and does not close.
TEST_F(CreateWindowTest, ASkippedActivationOrThePrintEntryKeepTheMainWindowAsItWas)
{
    Panta_Inicio_->Saltar_Activacion = 1;
    w->FormActivate();
    EXPECT_EQ(Panta_Inicio_->Saltar_Activacion, 0);
    EXPECT_TRUE(Panta_Inicio_->isEnabled());
    w->FormActivate();
    EXPECT_FALSE(Panta_Inicio_->isEnabled());
    Panta_Inicio_->Crear_Tabla_Impresion = 1;
    w->Button2_Click();
    EXPECT_FALSE(Panta_Inicio_->isEnabled());
    Panta_Inicio_->Crear_Tabla_Impresion = 0;
    w->Button2_Click();
    EXPECT_TRUE(Panta_Inicio_->isEnabled());
}
