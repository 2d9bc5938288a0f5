#include "support/CardFiles.h"
#include "support/ProgramFixture.h"
#include "support/StudyFiles.h"

#include "app/Panta_Inicio.h"
#include "editing/Alta_Fichas.h"
#include "editing/FILTRO_ENV_.h"
#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/Rtf.h"
#include "platform/RtfReader.h"
#include "review/Repasar.h"
#include "review/Selecc_Repaso.h"
#include "store/D_Module.h"
#include "store/Passw_FE.h"
#include "store/Text_Zoom.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <QTextList>

#include "engine/SqliteApi.h"

#include <algorithm>
#include <functional>
#include <map>
#include <tuple>

namespace {

const std::string Clave = "secreto";
const QString Hoy = QStringLiteral("20261205");

using Stored = testsupport::StoredCard;

std::vector<Stored> storedCards(const QString &dbPath, const std::string &key = Clave)
{
    engine::Table t;
    t.setTableName(dbPath.toStdString());
    t.open();
    std::vector<Stored> out;
    for (t.first(); !t.eof(); t.next())
        out.push_back(testsupport::readCard(t, key));
    return out;
}

QStringList rtfLines(const std::string &rtf)
{
    return platform::rtf::toLines(QByteArray::fromStdString(rtf));
}

// Typed by the user: the data-aware edits take what is typed.
void type(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    edit->insert(text);
}

// The clipboard holding the bytes in the format (none: nothing), or the picture.
void clipboardWith(const char *format, const QByteArray &bytes, const QImage &image = {})
{
    auto *data = new QMimeData;
    if (format)
        data->setData(QString::fromLatin1(format), bytes);
    if (!image.isNull())
        data->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(data);
}

} // namespace

class CardEditorTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        startProgram();
        Panta_Inicio_->activate(); // today's dates
        E = Alta_Fichas_;
    }

    // Creates and opens a study file, on its first card; packed means compressed and
    // enciphered with Clave.
    QString openStudy(bool packed, Opciones_FE o = testsupport::defaultOptions(),
                      const std::function<void(engine::Table &)> &cards = {})
    {
        o.Comprimido = o.Encriptado = packed;
        const QString path = testsupport::writeStudyFile(dat(QString()), QStringLiteral("Fichas"), o, {},
                                                         packed ? Clave : std::string());
        if (cards) {
            engine::Table t;
            t.setTableName(path.toStdString());
            t.open();
            cards(t);
        }
        if (packed) {
            Contrasena_Aceptada = 0;
            Passw_FE_->CheckBox2->setChecked(false);
            platform::onNextShow("Passw_FE_", [](QWidget *) {
                Passw_FE_->Edit1->setText(QString::fromStdString(Clave));
                Passw_FE_->BitBtn1->click();
            });
        }
        platform::FileDialog::queueFileName(path);
        pressKey('1');
        EXPECT_EQ(Panta_Inicio_->FE_Abierto, 1);
            return path;
    }

    // Both pictures and the importance; the long answer instead of the short one if asked.
    static Opciones_FE allOptions(bool longAnswer = false)
    {
        Opciones_FE o = testsupport::defaultOptions();
        o.Imagen_Pregunta = o.Imagen_Respuesta = o.Importancia = true;
        o.Texto_Largo = longAnswer;
        o.Tam_Respuesta = longAnswer ? 0 : o.Tam_Respuesta;
        return o;
    }

    // Runs the actions inside the editor, opened by the menu entry 4 to add (from < 0) or to
    // modify from the selection (0) or from the review (1).
    void inEditor(int from, const std::function<void()> &inside)
    {
        platform::onNextShow("Alta_Fichas_", [inside](QWidget *) { inside(); });
        if (from < 0)
            pressKey('4');
        else
            E->Modificar_Fichas(from);
    }

    // Card 1 and 2 of a file with everything, plain or packed (compressed, and enciphered
    // with Clave if asked) as the flags say.
    static std::function<void(engine::Table &)> twoCards(bool packed, bool enciphered = true)
    {
        return [packed, enciphered](engine::Table &t) {
            for (int i = 1; i <= 2; ++i) {
                testsupport::CardContent c;
                c.question = QStringLiteral("pregunta %1").arg(i);
                auto p = [&](const std::string &b) {
                    return packed ? testsupport::packedBlob(b, true, enciphered, Clave) : b;
                };
                c.shortAnswer = p(testsupport::rtfLines({QStringLiteral("respuesta %1").arg(i)}));
                c.questionType = QStringLiteral("JPG");
                c.questionPicture = p(testsupport::pictureBytes("JPG", 40 + i, 30).toStdString());
                c.answerType = QStringLiteral("BMP");
                c.answerPicture = p(testsupport::pictureBytes("BMP", 20, 10 + i).toStdString());
                c.packedFlag = packed ? QStringLiteral("S") : QStringLiteral("N");
                c.lastReview = QStringLiteral("20261101");
                testsupport::appendCard(t, c);
            }
            // Importance 0, as the editor stores it (each post moves the card in the order).
            for (int i = 0; i < 2; ++i) {
                t.first();
                while (!t.fieldByName("Nive_Impo").isNull())
                    t.next();
                t.edit();
                t.fieldByName("Nive_Impo").setAsInteger(0);
                t.post();
            }
        };
    }

    TAlta_Fichas_ *E = nullptr;
};

TEST_F(CardEditorTest, AddModeStoresWholeCardsInPlainAndPackedFiles)
{
    for (bool packed : {false, true}) {
        SCOPED_TRACE(packed ? "packed" : "plain");
        const QByteArray jpeg = testsupport::pictureBytes("JPG", 900, 700); // larger than the box
        const QByteArray bmp = testsupport::pictureBytes("BMP", 60, 40);
        const QString bmpPath = putPicture(QStringLiteral("respuesta.bmp"), 60, 40);
        const QString path = openStudy(packed, allOptions());
        bool mainDisabled = false;
        QSize shownSize;
        inEditor(-1, [&] {
            mainDisabled = !Panta_Inicio_->isEnabled();
            type(E->EditPreg_Text, QStringLiteral("¿Capital de Francia?"));
            type(E->EditClav_Fich, QStringLiteral("GEO"));
            type(E->EditResp_Text, QStringLiteral("París"));
            clipboardWith("image/jpeg", jpeg);
            E->Button5->click();
            shownSize = E->Image1->size();
            platform::FileDialog::queueFileName(bmpPath);
            E->BitBtn4->click();
            E->Button3->click(); // "&Guarda y Continua"
            EXPECT_TRUE(E->EditResp_Text->text().isEmpty());
            type(E->EditPreg_Text, QStringLiteral("¿Capital de Italia?"));
            type(E->EditNive_Impo, QStringLiteral("-4"));
            E->Button2->click(); // "Guarda y A&caba"
        });
        EXPECT_TRUE(mainDisabled);
        EXPECT_TRUE(Panta_Inicio_->isEnabled());
        EXPECT_LE(shownSize.width(), 509); // fitted for display only
        EXPECT_EQ(E->Image1->picture().width(), 0);

        const std::vector<Stored> cards = storedCards(path);
        ASSERT_EQ(cards.size(), 2u);
        // Due today at level 1; a negative importance is stored as 0; the key remembered.
        for (const Stored &c : cards)
            EXPECT_EQ(std::tuple(c.level, c.reviews, c.created, c.next, c.last, c.importance, c.key, c.packed),
                      std::tuple(1, 0, Hoy, Hoy, QString(), 0, QStringLiteral("GEO"), QString(packed ? "S" : "N")));
        EXPECT_EQ(std::tie(cards[0].question, cards[0].questionType, cards[0].answerType),
                  std::tuple(QStringLiteral("¿Capital de Francia?"), QStringLiteral("JPG"), QStringLiteral("BMP")));
        EXPECT_TRUE(cards[0].questionPicture == jpeg.toStdString()); // the JPEG bytes as pasted
        EXPECT_EQ(cards[0].rawQuestionPicture == jpeg.toStdString(), !packed);
        EXPECT_TRUE(cards[0].answerPicture == bmp.toStdString());
        EXPECT_EQ(rtfLines(cards[0].shortAnswer), QStringList{QStringLiteral("París")});
        EXPECT_EQ(std::tie(cards[1].question, cards[1].questionType, cards[1].answerType),
                  std::tuple(QStringLiteral("¿Capital de Italia?"), QStringLiteral("NO"), QStringLiteral("NO")));
        EXPECT_TRUE(cards[1].questionPicture.empty() && cards[1].answerPicture.empty());
        Panta_Inicio_->Cierra_Fichero();
        QFile::remove(path);
    }
}

TEST_F(CardEditorTest, AddModeLongAnswerPastedBitmapAndRememberedKey)
{
    struct Case {
        bool keys, remember;
        QString secondKey;
    } cases[] = {{true, true, "GEO"}, {true, false, ""}, {false, true, ""}};
    for (const Case &k : cases) {
        SCOPED_TRACE(testing::Message() << k.keys << k.remember);
        Opciones_FE o = allOptions(true);
        o.Clave = k.keys;
        const QString path = openStudy(true, o);
        QImage pasted(30, 20, QImage::Format_RGB32);
        pasted.fill(Qt::red);
        inEditor(-1, [&] {
            E->ChBox1->setChecked(k.remember);
            type(E->EditPreg_Text, QStringLiteral("uno"));
            if (k.keys)
                type(E->EditClav_Fich, QStringLiteral("GEO"));
            clipboardWith("text/plain", "La energía luminosa");
            E->Button7->click();
            // A bitmap and a JPEG picture on the clipboard: the bitmap is taken.
            clipboardWith("image/jpeg", testsupport::pictureBytes("JPG", 16, 8), pasted);
            E->Button6->click();
            E->Button3->click();
            type(E->EditPreg_Text, QStringLiteral("dos"));
            E->Button2->click();
        });
        const std::vector<Stored> cards = storedCards(path);
        ASSERT_EQ(cards.size(), 2u);
        EXPECT_EQ(rtfLines(cards[0].longAnswer), QStringList{QStringLiteral("La energía luminosa")});
        EXPECT_TRUE(cards[0].shortAnswer.empty());
        EXPECT_EQ(cards[0].answerType, QStringLiteral("BMP"));
        EXPECT_EQ(platform::decodePicture(QByteArray::fromStdString(cards[0].answerPicture)).size(), pasted.size());
        EXPECT_EQ(cards[1].key, k.secondKey);
        EXPECT_TRUE(rtfLines(cards[1].longAnswer).join(QString()).isEmpty());
        Panta_Inicio_->Cierra_Fichero();
        QFile::remove(path);
        E->ChBox1->setChecked(true);
    }
}

TEST_F(CardEditorTest, APendingNewCardLivesThroughZoomsAndReturnsAndLeavingDropsIt)
{
    const QString path = openStudy(false, allOptions(true));
    inEditor(-1, [&] {
        clearShownWindows();
        E->Image1Click(); // empty: nothing
        EXPECT_TRUE(shownWindows().isEmpty());
        type(E->EditPreg_Text, QStringLiteral("sin guardar"));
        clipboardWith(nullptr, {}, QImage(10, 10, QImage::Format_RGB32));
        E->Button5->click();
        E->Image1Click();
        EXPECT_EQ(Panta_Inicio_->Origen_Zoom, QStringLiteral("Altas_Preg"));
        platform::onNextShow("Text_Zoom_", [](QWidget *) {
            Text_Zoom_->RichEdit1->setPlainText(QStringLiteral("desde el zoom"));
            Text_Zoom_->Button2->click();
        });
        E->Button12->click();
        EXPECT_EQ(E->RichEdit1->toPlainText(), QStringLiteral("desde el zoom"));
        EXPECT_EQ(shownWindows(), (QStringList{"Imag_Zoom_", "Text_Zoom_"}));
        E->activate(); // back from another program: the pending card is neither posted nor lost
        EXPECT_TRUE(storedCards(path).empty());
        EXPECT_EQ(E->EditPreg_Text->text(), QStringLiteral("sin guardar"));
        EXPECT_TRUE(E->Image1->hasPicture());
        E->Button1->click();
    });
    EXPECT_TRUE(storedCards(path).empty());
    EXPECT_TRUE(Panta_Inicio_->isEnabled());
    EXPECT_TRUE(E->EditPreg_Text->text().isEmpty());
}

TEST_F(CardEditorTest, ModifyFromSelectionSavesTheEditedCardBeforeMovingUnlessTheFileMayNotChange)
{
    const QString path = openStudy(true, allOptions(), twoCards(true));
    const std::vector<Stored> before = storedCards(path);
    inEditor(0, [&] {
        EXPECT_FALSE(Panta_Inicio_->isEnabled()); // the caller
        EXPECT_EQ(E->EditResp_Text->text(), QStringLiteral("respuesta 1"));
        EXPECT_TRUE(E->Image1->hasPicture());
        type(E->EditResp_Text, QStringLiteral("respuesta corregida"));
        E->DBNavigator1->btnClick(platform::DBNavigator::Next);
        EXPECT_EQ(E->EditPreg_Text->text(), QStringLiteral("pregunta 2"));
        EXPECT_EQ(E->EditResp_Text->text(), QStringLiteral("respuesta 2"));
        // Nothing edited: the move saves nothing.
        E->DBNavigator1->btnClick(platform::DBNavigator::First);
        EXPECT_EQ(E->EditResp_Text->text(), QStringLiteral("respuesta corregida"));
        E->DBNavigator1->btnClick(platform::DBNavigator::Next);
        E->Button1->click();
    });
    EXPECT_TRUE(Panta_Inicio_->isEnabled());
    const std::vector<Stored> after = storedCards(path);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(Panta_Inicio_->Ultima_Ficha_Modificada, after[1].id);
    EXPECT_EQ(rtfLines(after[0].shortAnswer), QStringList{QStringLiteral("respuesta corregida")});
    // Pictures untouched, packing unchanged: not rewritten; the dates and level neither.
    EXPECT_TRUE(after[0].rawQuestionPicture == before[0].rawQuestionPicture);
    EXPECT_EQ(std::tuple(after[0].level, after[0].last), std::tuple(1, QStringLiteral("20261101")));
    EXPECT_EQ(rtfLines(after[1].shortAnswer), QStringList{QStringLiteral("respuesta 2")});

    // A file that may not be modified: saving and moving are refused, the editor stays open
    // on the edited card.
    Panta_Inicio_->Modificable = 0;
    D_Module_->Tabla_Activa->first();
    bool open = false;
    inEditor(0, [&] {
        type(E->EditPreg_Text, QStringLiteral("cambiada"));
        E->Button2->click();
        open = E->modalOpen();
        E->DBNavigator1->btnClick(platform::DBNavigator::Next);
        EXPECT_EQ(E->EditPreg_Text->text(), QStringLiteral("cambiada"));
    });
    EXPECT_TRUE(open);
    EXPECT_EQ(messages(), QStringList(2, Msg_FE_No_Modificable));
    EXPECT_EQ(storedCards(path)[0].question, QStringLiteral("pregunta 1"));
}

TEST_F(CardEditorTest, ASavedCardFollowsThePackingTheFileHasNow)
{
    // Plain cards in a file that now packs, saved from the review (which applies the
    // importance rule); compressed cards in a file that no longer packs, from the selection.
    for (bool filePacks : {true, false}) {
        SCOPED_TRACE(filePacks ? "now packed" : "now plain");
        const QString path = openStudy(filePacks, allOptions(), twoCards(!filePacks, false));
        const std::vector<Stored> before = storedCards(path);
        bool staysOnTheCard = false; // neither "Guarda y Continua" nor the navigator
        inEditor(filePacks ? 1 : 0, [&] {
            staysOnTheCard = !E->Button3->isEnabled() && !E->DBNavigator1->isEnabled();
            type(E->EditNive_Impo, QStringLiteral("-2"));
            E->Button2->click();
        });
        EXPECT_EQ(staysOnTheCard, filePacks);
        EXPECT_TRUE(E->Button3->isEnabled());
        const std::vector<Stored> after = storedCards(path);
        EXPECT_EQ(std::tuple(after[0].importance, after[0].packed, after[0].questionType),
                  std::tuple(0, QString(filePacks ? "S" : "N"), QStringLiteral("JPG")));
        EXPECT_TRUE(std::tie(after[0].questionPicture, after[0].answerPicture)
                    == std::tie(before[0].questionPicture, before[0].answerPicture));
        EXPECT_EQ(after[0].rawQuestionPicture != after[0].questionPicture, filePacks);
        EXPECT_EQ(rtfLines(after[0].shortAnswer), QStringList{QStringLiteral("respuesta 1")});
        Panta_Inicio_->Cierra_Fichero();
        QFile::remove(path);
    }
}

// A packed card in a file that no longer packs, saved without retyping its answer: an answer
// that would unpack past the answer limit (a small blob of 64 MiB of zeros) is refused as
// damaged before it is unpacked, said once, and stored as it was with the rest of the card.
TEST_F(CardEditorTest, AnAnswerUnpackedOnSavingKeepsToTheAnswerLimit)
{
    const std::string bomb = testsupport::packedBlob(std::string(size_t(64) << 20, '\0'), true, false);
    const QString path = openStudy(false, allOptions(), [&](engine::Table &t) {
        twoCards(true, false)(t);
        t.first();
        t.edit();
        t.fieldByName("Resp_Text").setBytes(bomb);
        t.post();
    });
    auto stored = [&] { // the answer and the importance of the first card
        engine::Table t;
        t.setTableName(path.toStdString());
        t.open();
        for (t.first(); !t.eof() && t.fieldByName("Preg_Text").asString() != "pregunta 1";)
            t.next();
        return std::pair(t.fieldByName("Resp_Text").asBytes(), t.fieldByName("Nive_Impo").asInteger());
    };
    inEditor(0, [&] {
        type(E->EditNive_Impo, QStringLiteral("3"));
        clearMessages();
        E->Button2->click();
        EXPECT_EQ(messages(), QStringList{QStringLiteral("Los datos de este Fichero de Estudio están dañados.")});
        EXPECT_EQ(takeErrorReports().size(), 0u);
        EXPECT_FALSE(E->modalOpen());
    });
    EXPECT_TRUE(stored() == std::pair(bomb, 3));
    Panta_Inicio_->Cierra_Fichero();
}

// Holds the write lock of a table file from another connection, so that a post fails, until
// released.
static std::shared_ptr<sqlite3> writeLock(const QString &path)
{
    sqlite3 *db = nullptr;
    engine::sqlite().open(path.toUtf8().constData(), &db);
    engine::sqlite().exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    return {db, [](sqlite3 *d) {
                engine::sqlite().exec(d, "ROLLBACK", nullptr, nullptr, nullptr);
                engine::sqlite().close(d);
            }};
}

TEST_F(CardEditorTest, FailedSaveStoresNothingAndKeepsTheEdit)
{
    enum class Failure { Picture, Engine };
    for (Failure failure : {Failure::Picture, Failure::Engine}) {
        for (bool add : {true, false}) {
            SCOPED_TRACE(testing::Message() << (failure == Failure::Picture ? "picture " : "engine ")
                                            << (add ? "add" : "modify"));
            const QString path = openStudy(true, allOptions(), twoCards(true));
                    const std::vector<Stored> before = storedCards(path);
            auto inside = [&] {
                type(E->EditPreg_Text, QStringLiteral("nueva pregunta"));
                type(E->EditResp_Text, QStringLiteral("nueva respuesta"));
                std::shared_ptr<sqlite3> lock;
                if (failure == Failure::Picture) // a picture too wide for a JPEG
                    E->Image1->setPicture(QImage(70000, 2, QImage::Format_RGB32), platform::PictureKind::Jpeg);
                else
                    lock = writeLock(path);
                Panta_Inicio_->Imagen_Pregunta_Cambiada = 1;
                E->Button2->click();
                EXPECT_EQ(takeErrorReports().size(), 1u);
                EXPECT_EQ(std::tuple(E->modalOpen(), Panta_Inicio_->Imagen_Pregunta_Cambiada), std::tuple(true, 1));
                EXPECT_EQ(std::tuple(E->EditPreg_Text->text(), E->EditResp_Text->text()),
                          std::tuple(QStringLiteral("nueva pregunta"), QStringLiteral("nueva respuesta")));
                const std::vector<Stored> between = storedCards(path);
                ASSERT_EQ(between.size(), before.size());
                for (std::size_t i = 0; i < between.size(); ++i)
                    EXPECT_TRUE(std::tie(between[i].question, between[i].shortAnswer, between[i].rawQuestionPicture)
                                == std::tie(before[i].question, before[i].shortAnswer, before[i].rawQuestionPicture));
                lock.reset();
                // Once the cause is gone, the same edit saves.
                E->Image1->clear();
                E->Button2->click();
                EXPECT_FALSE(E->modalOpen());
            };
                    inEditor(add ? -1 : 0, inside);
            const std::vector<Stored> after = storedCards(path);
            ASSERT_EQ(after.size(), add ? 3u : 2u);
            const Stored &saved = add ? after[2] : after[0];
            EXPECT_EQ(saved.question, QStringLiteral("nueva pregunta"));
            EXPECT_EQ(rtfLines(saved.shortAnswer), QStringList{QStringLiteral("nueva respuesta")});
            EXPECT_EQ(saved.questionType, QStringLiteral("NO"));
            Panta_Inicio_->Cierra_Fichero();
            QFile::remove(path);
        }
    }
}

TEST_F(CardEditorTest, BadInputLeavesTheCardUnchanged)
{
    const QByteArray jpeg = testsupport::pictureBytes("JPG", 80, 60);
    putFile(QStringLiteral("texto.jpg"), "esto no es una imagen");
    putFile(QStringLiteral("cortada.jpg"), jpeg.left(jpeg.size() / 3));
    putFile(QStringLiteral("basura.rtf"), QByteArray("\x00\x01\x02\xff\xfe garbage", 14));
    const QString path = openStudy(false, allOptions(true), twoCards(false));
    // A file chosen for the button, or the clipboard's content pasted by it.
    auto fromFile = [this](const char *file, QPushButton *button) {
        return [this, file, button] {
            platform::FileDialog::queueFileName(programPath(file));
            button->click();
        };
    };
    auto pasted = [](const char *format, const QByteArray &bytes, QPushButton *button) {
        return [=] {
            clipboardWith(format, bytes);
            button->click();
        };
    };
    const QString unreadable = QStringLiteral("No se puede leer la imagen\r\r");
    const struct {
        const char *name;
        std::function<void()> act;
        QString message;
    } cases[] = {
        {"not a picture", fromFile("texto.jpg", E->BitBtn2), unreadable + programPath("texto.jpg")},
        {"truncated JPEG", fromFile("cortada.jpg", E->BitBtn4), unreadable + programPath("cortada.jpg")},
        {"garbage RTF", fromFile("basura.rtf", E->BitBtn3), QStringLiteral("El archivo\r\r") + programPath("basura.rtf")},
        {"clipboard without picture", pasted("text/plain", "hola", E->Button5), Msg_Portapapeles_Sin_Imagen},
        {"clipboard with a truncated JPEG", pasted("image/jpeg", jpeg.left(jpeg.size() / 3), E->Button6),
         Msg_Portapapeles_Sin_Imagen},
        {"clipboard without text", pasted(nullptr, {}, E->Button7), Msg_Portapapeles_Sin_Texto},
    };
    inEditor(0, [&] {
        const QImage picture1 = E->Image1->picture();
        const QImage picture2 = E->Image2->picture();
        const QString answer = E->RichEdit1->toPlainText();
        for (const auto &c : cases) {
            SCOPED_TRACE(c.name);
            clearMessages();
            c.act();
            ASSERT_EQ(messages().size(), 1);
            EXPECT_TRUE(messages()[0].startsWith(c.message)) << messages()[0].toStdString();
            EXPECT_TRUE(E->Image1->picture() == picture1 && E->Image2->picture() == picture2);
            EXPECT_EQ(E->RichEdit1->toPlainText(), answer);
            EXPECT_EQ(std::tuple(Panta_Inicio_->Imagen_Pregunta_Cambiada, Panta_Inicio_->Imagen_Respuesta_Cambiada,
                                 E->Ficha_Editada()),
                      std::tuple(0, 0, false));
        }
    });
}

// On the shown window, real clicks put the focus in every field and what is typed lands there;
// Tab walks question, answer, key, importance, then the buttons (leaving the long answer
// without typing a tab).
TEST_F(CardEditorTest, RealClicksAndTabReachEveryFieldInTheCardsOrder)
{
    const struct {
        const char *name;
        int from;
        bool longAnswer;
    } cases[] = {{"add, short answer", -1, false}, {"add, long answer", -1, true}, {"modify, long answer", 0, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = openStudy(false, allOptions(c.longAnswer), c.from < 0 ? nullptr : twoCards(false));
        QStringList walked, expected;
        QString answerText;
        inEditor(c.from, [&] {
            showActive(E);
            QWidget *answer = c.longAnswer ? static_cast<QWidget *>(E->RichEdit1) : E->EditResp_Text;
            const auto typeInto = [&](QWidget *field, const QString &text) {
                realClick(field);
                EXPECT_EQ(E->focusWidget(), field) << field->objectName().toStdString();
                QTest::keyClick(E->windowHandle(), Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(E->focusWidget(), text);
            };
            if (c.from < 0)
                typeInto(E->EditPreg_Text, QStringLiteral("la pregunta"));
            typeInto(E->EditClav_Fich, QStringLiteral("GEO"));
            typeInto(E->EditNive_Impo, QStringLiteral("3"));
            typeInto(answer, QStringLiteral("la respuesta"));

            realClick(E->EditPreg_Text);
            for (QWidget *w : std::initializer_list<QWidget *>{E->EditPreg_Text, answer, E->EditClav_Fich, E->ChBox1,
                                                                E->EditNive_Impo, E->Button3, E->Button2, E->Button1})
                if (w->isEnabled())
                    expected << w->objectName();
            walked << E->focusWidget()->objectName();
            while (walked.size() < expected.size()) {
                QTest::keyClick(E->windowHandle(), Qt::Key_Tab);
                walked << E->focusWidget()->objectName();
            }
            answerText = c.longAnswer ? E->RichEdit1->toPlainText() : E->EditResp_Text->text();
            realClick(E->Button2); // "Guarda y A&caba"
        });
        EXPECT_EQ(walked, expected);
        EXPECT_EQ(answerText, QStringLiteral("la respuesta"));
        const std::vector<Stored> cards = storedCards(path);
        const QString question = c.from < 0 ? "la pregunta" : "pregunta 1";
        const auto saved = std::find_if(cards.begin(), cards.end(), [&](const Stored &s) { return s.question == question; });
        ASSERT_NE(saved, cards.end());
        const Stored &card = *saved;
        EXPECT_EQ(std::tuple(card.key, card.importance), std::tuple(QStringLiteral("GEO"), 3));
        EXPECT_EQ(rtfLines(c.longAnswer ? card.longAnswer : card.shortAnswer), QStringList{answerText});
        Panta_Inicio_->Cierra_Fichero();
        QFile::remove(path);
    }
}

// Every new card of a session takes the shared answer style, typed or pasted, also those begun
// with "&Guarda y Continua".
TEST_F(CardEditorTest, EveryNewCardsLongAnswerTakesTheSharedStyle)
{
    D_Module_->Guarda_Estilo_Fuente(QFont(QStringLiteral("DejaVu Sans"), 18, QFont::Bold), QColor(0, 0, 128));
    D_Module_->Lee_Estilo_Fuente();
    const platform::rtf::CharStyle shared = platform::rtf::charStyleOf(D_Module_->Estilo_Fuente().font,
                                                                        D_Module_->Estilo_Fuente().color);
    const QString path = openStudy(false, allOptions(true));
    QList<platform::rtf::CharStyle> shown;
    inEditor(-1, [&] {
        for (int card = 1; card <= 3; ++card) {
            type(E->EditPreg_Text, QStringLiteral("pregunta %1").arg(card));
            E->RichEdit1->setFocus();
            QTest::keyClicks(E->RichEdit1, QStringLiteral("escrito "));
            clipboardWith("text/plain", "pegado");
            E->Button7->click();
            for (int at : {1, int(E->RichEdit1->toPlainText().size()) - 2})
                shown << platform::rtf::fromCharFormat(E->RichEdit1->charFormatAt(at), E->RichEdit1->font());
            E->Button3->click(); // "&Guarda y Continua"
        }
        E->Button1->click();
    });
    ASSERT_EQ(shown.size(), 6);
    for (const platform::rtf::CharStyle &s : shown)
        EXPECT_TRUE(s.family == shared.family && s.pointSize == shared.pointSize && s.bold && s.color == shared.color)
            << s.family.toStdString() << " " << s.pointSize << " " << s.bold;
    for (const Stored &card : storedCards(path)) {
        const std::optional<platform::rtf::FontStyle> stored =
            platform::rtf::toFontStyle(QByteArray::fromStdString(card.longAnswer));
        ASSERT_TRUE(stored);
        EXPECT_EQ(platform::rtf::charStyleOf(stored->font, stored->color), shared);
    }
}

// A card whose short answer cannot be read is shown with the answer empty and told once, also
// when the editor comes back to it; saving another field keeps the answer's stored bytes, and
// no other card changes.
TEST_F(CardEditorTest, ADamagedCardIsToldOnceAndSavingKeepsItsAnswer)
{
    const std::string damaged = "&*" + std::string(100, '\x5A');
    const QString path = openStudy(true, testsupport::defaultOptions(), [&](engine::Table &t) {
        for (int i = 1; i <= 2; ++i) {
            testsupport::CardContent c;
            c.question = QStringLiteral("pregunta %1").arg(i);
            c.shortAnswer = i == 1 ? testsupport::packedBlob(testsupport::rtfLines({"respuesta 1"}), true, true, Clave)
                                   : damaged;
            c.packedFlag = QStringLiteral("S");
            testsupport::appendCard(t, c);
        }
    });
    auto raw = [&] {
        engine::Table t;
        t.setTableName(path.toStdString());
        t.open();
        std::vector<std::pair<std::string, std::string>> out;
        for (t.first(); !t.eof(); t.next())
            out.emplace_back(t.fieldByName("Preg_Text").asString(), t.fieldByName("Resp_Text").asString());
        return out;
    };
    const auto before = raw();
    ASSERT_TRUE(messages().isEmpty());
    inEditor(0, [&] {
        E->DBNavigator1->btnClick(platform::DBNavigator::Next);
        EXPECT_EQ(messages(), QStringList{Msg_Datos_Danados});
        EXPECT_EQ(E->EditPreg_Text->text(), QStringLiteral("pregunta 2"));
        EXPECT_TRUE(E->EditResp_Text->text().isEmpty());
        type(E->EditPreg_Text, QStringLiteral("pregunta arreglada"));
        E->DBNavigator1->btnClick(platform::DBNavigator::First); // saves it
        EXPECT_EQ(E->EditResp_Text->text(), QStringLiteral("respuesta 1"));
        E->DBNavigator1->btnClick(platform::DBNavigator::Next);
        E->Button1->click();
    });
    EXPECT_EQ(messages(), QStringList{Msg_Datos_Danados});
    const auto after = raw();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[1], std::pair(std::string("pregunta arreglada"), damaged));
}

// A list pasted into the long answer (with Ctrl+V or "Pegar") is stored as a list: the saved
// answer shows the same bullets and numbers as the editor did.
TEST_F(CardEditorTest, APastedListIsStoredAsTheEditorShowsIt)
{
    using L = platform::rtf::ParaStyle;
    const QString path = openStudy(false, allOptions(true));
    QList<QList<L::List>> shown;
    inEditor(-1, [&] {
        for (const bool withButton : {false, true}) {
            type(E->EditPreg_Text, withButton ? QStringLiteral("con botón") : QStringLiteral("con teclas"));
            auto *data = new QMimeData;
            data->setHtml(QStringLiteral("<p>Colores:</p><ul><li>rojo</li><li>verde</li></ul>"
                                         "<ol><li>uno</li><li>dos</li></ol><p>fin</p>"));
            data->setText(QStringLiteral("Colores:\nrojo\nverde\nuno\ndos\nfin"));
            QGuiApplication::clipboard()->setMimeData(data);
            E->RichEdit1->setFocus();
            if (withButton)
                QTest::mouseClick(E->Button7, Qt::LeftButton);
            else
                QTest::keyClick(E->RichEdit1, Qt::Key_V, Qt::ControlModifier);
            QList<L::List> lists;
            for (QTextBlock b = E->RichEdit1->document()->begin(); b.isValid(); b = b.next())
                if (!b.text().isEmpty())
                    lists << (!b.textList() ? L::NoList
                              : b.textList()->format().style() == QTextListFormat::ListDecimal ? L::Decimal
                                                                                                : L::Bullet);
            shown << lists;
            E->Button3->click(); // "&Guarda y Continua"
        }
        E->Button1->click();
    });
    const QList<L::List> expected{L::NoList, L::Bullet, L::Bullet, L::Decimal, L::Decimal, L::NoList};
    ASSERT_EQ(shown.size(), 2);
    const std::vector<Stored> cards = storedCards(path);
    ASSERT_EQ(cards.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(shown[i], expected) << i;
        const platform::rtf::Content stored = platform::rtf::read(QByteArray::fromStdString(cards[i].longAnswer));
        QList<L::List> lists;
        for (const platform::rtf::Paragraph &p : stored.paragraphs)
            if (!p.text().isEmpty())
                lists << p.para.list;
        EXPECT_EQ(lists, expected) << cards[i].longAnswer;
        EXPECT_EQ(platform::rtf::linesOfContent(stored), (QStringList{"Colores:", "rojo", "verde", "uno", "dos", "fin"}));
    }
}

// ---- What a save keeps of what the user did not replace ----

namespace {

const QString Nota_Cortada =
    QStringLiteral("[…] La respuesta es demasiado larga para mostrarla entera: aquí se ve solo su principio.");

// Every field of every card as stored, by name.
using RawCard = std::map<std::string, std::string>;
std::vector<RawCard> rawCards(const QString &path)
{
    engine::Table t;
    t.setTableName(path.toStdString());
    t.open();
    std::vector<RawCard> out;
    for (t.first(); !t.eof(); t.next()) {
        RawCard card;
        for (int i = 0; i < t.fieldCount(); ++i)
            card[t.field(i).name()] = t.field(i).asBytes();
        out.push_back(std::move(card));
    }
    return out;
}

// The fields whose stored bytes differ.
std::vector<std::string> changedFields(const RawCard &before, const RawCard &after)
{
    std::vector<std::string> out;
    for (const auto &[name, bytes] : before)
        if (after.at(name) != bytes)
            out.push_back(name);
    return out;
}

// Sets a field of every card of a table (a post may move the card in the table's order).
void setAll(engine::Table &t, const char *field, const std::string &value)
{
    std::vector<long long> ids;
    for (t.first(); !t.eof(); t.next())
        ids.push_back(t.bookmark());
    for (long long id : ids) {
        t.gotoBookmark(id);
        t.edit();
        t.fieldByName(field).setAsString(value);
        t.post();
    }
}

// An answer of one paragraph in the RTF layout of a rich edit, its text given as RTF.
std::string rtfParagraph(const QByteArray &body)
{
    return (QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 ") + body
            + QByteArray("\\par\r\n}\r\n"))
        .toStdString();
}

} // namespace

// Where the editor is opened from: the selection window's "Mo&dificar Fichas" or the review's
// "Modifica&r ficha", each the first opening of the editor in the run.
enum class Desde { Seleccion, Repaso };
struct Apertura {
    Desde desde;
    bool packed, longAnswer;
    friend std::string nombre(const Apertura &a)
    {
        return std::string(a.desde == Desde::Seleccion ? "Seleccion" : "Repaso") + (a.packed ? "Empaquetado" : "Plano")
               + (a.longAnswer ? "Largo" : "Corto");
    }
    friend void PrintTo(const Apertura &a, std::ostream *os) { *os << nombre(a); }
};

class CardEditorFirstOpening : public CardEditorTest, public testing::WithParamInterface<Apertura> {
protected:
    // Opens the editor on the first card of the view through the window's own button, runs
    // `inside` in it and leaves that window again.
    void throughWindow(Desde desde, const std::function<void()> &inside)
    {
        platform::onNextShow("Alta_Fichas_", [inside](QWidget *) { inside(); });
        if (desde == Desde::Seleccion) {
            platform::onNextShow("FILTRO_ENV", [this](QWidget *) {
                QTest::mouseClick(FILTRO_ENV->Button7, Qt::LeftButton);
                pressKey(FILTRO_ENV, QChar(27));
            });
            pressKey('7');
            return;
        }
        Panta_Inicio_->Modificable = 1;
        platform::onNextShow("Selecc_Repaso_", [](QWidget *) {
            platform::onNextShow("Repasar_", [](QWidget *) {
                QTest::mouseClick(Repasar_->Button11, Qt::LeftButton);
                Repasar_->Button4->click();
            });
            Selecc_Repaso_->Button1->click();
        });
        pressKey('2');
    }
};

// Opened for the first time in the run, the editor shows the card's stored answer, and saving
// at once stores every field as it was.
TEST_P(CardEditorFirstOpening, ShowsTheStoredCardAndSavingAtOnceChangesNothing)
{
    const Apertura a = GetParam();
    const QStringList largo{QStringLiteral("La mitocondria produce la energía"), QStringLiteral("de la célula.")};
    const QStringList corto{QStringLiteral("respuesta corta"), QStringLiteral("y su segunda línea")};
    const QString path = openStudy(a.packed, allOptions(a.longAnswer), [&](engine::Table &t) {
        auto p = [&](const std::string &b) { return a.packed ? testsupport::packedBlob(b, true, true, Clave) : b; };
        for (int i = 1; i <= 2; ++i) {
            testsupport::CardContent c;
            c.question = QStringLiteral("pregunta %1").arg(i);
            c.shortAnswer = p(testsupport::rtfLines(corto));
            c.longAnswer = p(testsupport::rtfLines(largo));
            c.questionType = QStringLiteral("JPG");
            c.questionPicture = p(testsupport::pictureBytes("JPG", 40 + i, 30).toStdString());
            c.answerType = QStringLiteral("BMP");
            c.answerPicture = p(testsupport::pictureBytes("BMP", 20, 10 + i).toStdString());
            c.packedFlag = a.packed ? QStringLiteral("S") : QStringLiteral("N");
            testsupport::appendCard(t, c);
        }
        setAll(t, "Nive_Impo", "2");
        setAll(t, "Fech_Prox_Repa", "20261101");
    });
    const std::vector<RawCard> before = rawCards(path);
    QStringList shown;
    bool pictures = false;
    int fromReview = -1;
    throughWindow(a.desde, [&] {
        fromReview = Panta_Inicio_->Edicion_Desde_Repaso;
        shown = a.longAnswer ? E->RichEdit1->lines() : QStringList{E->EditResp_Text->text()};
        pictures = E->Image1->hasPicture() && E->Image2->hasPicture();
        QTest::mouseClick(E->Button2, Qt::LeftButton); // "Guarda y A&caba"
        EXPECT_FALSE(E->modalOpen());
    });
    EXPECT_EQ(fromReview, a.desde == Desde::Repaso ? 1 : 0);
    EXPECT_EQ(shown, a.longAnswer ? largo : corto.first(1));
    EXPECT_TRUE(pictures);
    const std::vector<RawCard> after = rawCards(path);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(changedFields(before[i], after[i]), std::vector<std::string>{}) << "card " << i;
    EXPECT_TRUE(takeErrorReports().empty());
    EXPECT_TRUE(messages().filter(Msg_Datos_Danados).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(, CardEditorFirstOpening,
                         testing::Values(Apertura{Desde::Seleccion, false, true}, Apertura{Desde::Seleccion, true, true},
                                         Apertura{Desde::Repaso, false, true}, Apertura{Desde::Repaso, true, true},
                                         Apertura{Desde::Seleccion, true, false}, Apertura{Desde::Repaso, false, false}),
                         [](const testing::TestParamInfo<Apertura> &i) { return nombre(i.param); });

// A long answer the box shows only the start of is marked so in the editor and in the review,
// cannot be typed into, and a save of the card's other fields keeps its stored bytes; loaded
// anew from a file, the whole new answer is stored.
TEST_F(CardEditorTest, ALongAnswerShownInPartIsMarkedAndNeverSavedFromWhatIsShown)
{
    const struct {
        const char *name;
        std::string answer;
    } cases[] = {
        {"palabras en un párrafo", testsupport::rtfLines({QString(QStringLiteral("abcd ")).repeated(5040)})},
        {"una palabra larga", testsupport::rtfLines({QString(25200, u'x')})},
        {"escapes hexadecimales", rtfParagraph(QByteArray("\\'e1").repeated(25200))},
        {"16 MiB", rtfParagraph(QByteArray(qsizetype(Limite_Respuesta) - 4096, 'y'))},
        {"reemplazada", testsupport::rtfLines({QString(25200, u'r')})},
    };
    const QString path = openStudy(false, allOptions(true), [&](engine::Table &t) {
        for (const auto &c : cases) {
            testsupport::CardContent card;
            card.question = QString::fromUtf8(c.name);
            card.longAnswer = c.answer;
            testsupport::appendCard(t, card);
        }
        setAll(t, "Nive_Impo", "0");
    });
    putFile(QStringLiteral("nueva.rtf"), QByteArray::fromStdString(testsupport::rtfLines({"nueva respuesta"})));
    const std::vector<RawCard> before = rawCards(path);
    std::vector<std::tuple<QString, bool, QString>> shown; // last line, read-only, review's last line
    bool typed = false;
    inEditor(0, [&] {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const QStringList lines = E->RichEdit1->lines();
            const QStringList review = Repasar_->RichEdit1->lines();
            shown.emplace_back(lines.value(lines.size() - 1), E->RichEdit1->isReadOnly(),
                               review.value(review.size() - 1));
            E->RichEdit1->setFocus();
            QTest::keyClicks(E->RichEdit1, QStringLiteral("zz"));
            typed = typed || E->RichEdit1->document()->isModified();
            type(E->EditPreg_Text, QString::fromUtf8(cases[i].name) + QStringLiteral(" bis"));
            if (i + 1 < std::size(cases))
                E->DBNavigator1->btnClick(platform::DBNavigator::Next); // saves the card first
        }
        // The last one is replaced by a file's answer.
        platform::FileDialog::queueFileName(programPath(QStringLiteral("nueva.rtf")));
        QTest::mouseClick(E->BitBtn3, Qt::LeftButton);
        EXPECT_FALSE(E->RichEdit1->isReadOnly());
        QTest::mouseClick(E->Button2, Qt::LeftButton);
    });
    EXPECT_FALSE(typed);
    ASSERT_EQ(shown.size(), std::size(cases));
    for (const auto &[last, readOnly, review] : shown)
        EXPECT_EQ(std::tuple(last, readOnly, review), std::tuple(Nota_Cortada, true, Nota_Cortada));
    const std::vector<RawCard> after = rawCards(path);
    ASSERT_EQ(after.size(), std::size(cases));
    for (std::size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(after[i].at("Preg_Text"), std::string(cases[i].name) + " bis");
        if (i + 1 < after.size())
            EXPECT_EQ(changedFields(before[i], after[i]), std::vector<std::string>{"Preg_Text"});
        else
            EXPECT_EQ(rtfLines(after[i].at("Resp_Memo")), QStringList{"nueva respuesta"});
    }
    EXPECT_TRUE(takeErrorReports().empty());
}

// What could not be read is stored back as it was, and the card is said to be damaged once:
// a picture that is not one and an answer over its limit on a plain card of a file that packs
// (the card's other fields are packed), and a damaged container on a packed card of a file
// that no longer packs (the others are unpacked). A sound card follows the file's packing in
// every field, the one its options do not show too, and nothing is said. Each card is saved
// twice, "&Guarda y Continua" then "Guarda y A&caba".
TEST_F(CardEditorTest, SavingACardKeepsWhatCouldNotBeReadAndSaysSoOnce)
{
    const std::string noImagen = "esto no es una imagen";
    const std::string jpeg = testsupport::pictureBytes("JPG", 30, 20).toStdString();
    const std::string bmp = testsupport::pictureBytes("BMP", 20, 10).toStdString();
    const std::string danado = "&*" + std::string(100, '\x5A');
    const std::string enorme = rtfParagraph(QByteArray(qsizetype(Limite_Respuesta) + (1 << 20), 'a'));
    const struct {
        const char *name;
        bool filePacks, longAnswer, damaged;
        testsupport::CardContent card;
        // Stored as they were, and (unpacked) as they were.
        std::vector<std::string> kept, unpacked;
    } cases[] = {
        {"tarjeta sin empaquetar en fichero empaquetado",
         true,
         true,
         true,
         [&] {
             testsupport::CardContent c;
             c.longAnswer = enorme;
             c.questionType = QStringLiteral("JPG");
             c.questionPicture = noImagen;
             c.answerType = QStringLiteral("BMP");
             c.answerPicture = bmp;
             return c;
         }(),
         {"Resp_Memo", "Preg_Imag", "Tipo_Preg_Imag", "Tipo_Resp_Imag"},
         {"Resp_Imag"}},
        {"tarjeta empaquetada en fichero sin empaquetar",
         false,
         false,
         true,
         [&] {
             testsupport::CardContent c;
             c.shortAnswer = danado;
             c.questionType = QStringLiteral("JPG");
             c.questionPicture = testsupport::packedBlob(jpeg, true, false);
             c.answerType = QStringLiteral("BMP");
             c.answerPicture = testsupport::packedBlob(noImagen, true, false);
             c.packedFlag = QStringLiteral("S");
             return c;
         }(),
         {"Resp_Text", "Tipo_Preg_Imag", "Tipo_Resp_Imag"},
         {"Preg_Imag", "Resp_Imag"}},
        {"tarjeta sana empaquetada en fichero sin empaquetar",
         false,
         false,
         false,
         [&] {
             testsupport::CardContent c;
             c.shortAnswer = testsupport::packedBlob(testsupport::rtfLines({"respuesta"}), true, false);
             c.longAnswer = testsupport::packedBlob(testsupport::rtfLines({"respuesta larga"}), true, false);
             c.questionType = QStringLiteral("JPG");
             c.questionPicture = testsupport::packedBlob(jpeg, true, false);
             c.answerType = QStringLiteral("BMP");
             c.answerPicture = testsupport::packedBlob(bmp, true, false);
             c.packedFlag = QStringLiteral("S");
             return c;
         }(),
         {"Tipo_Preg_Imag", "Tipo_Resp_Imag"},
         {"Resp_Text", "Resp_Memo", "Preg_Imag", "Resp_Imag"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        clearMessages();
        const QString path =
            openStudy(c.filePacks, allOptions(c.longAnswer), [&](engine::Table &t) { testsupport::appendCard(t, c.card); });
        const RawCard before = rawCards(path).at(0);
        inEditor(0, [&] {
            type(E->EditPreg_Text, QStringLiteral("pregunta arreglada"));
            QTest::mouseClick(E->Button3, Qt::LeftButton);
            QTest::mouseClick(E->Button2, Qt::LeftButton);
            EXPECT_FALSE(E->modalOpen());
        });
        EXPECT_EQ(messages(), c.damaged ? QStringList{Msg_Datos_Danados} : QStringList{});
        EXPECT_TRUE(takeErrorReports().empty());
        const RawCard after = rawCards(path).at(0);
        EXPECT_EQ(after.at("Preg_Text"), "pregunta arreglada");
        EXPECT_EQ(after.at("Ficha_Comp_Encr"), c.filePacks ? "S" : "N");
        for (const std::string &f : c.kept)
            EXPECT_TRUE(after.at(f) == before.at(f)) << f;
        for (const std::string &f : c.unpacked) {
            const std::string stored = c.filePacks ? testsupport::unpackedBlob(after.at(f), Clave) : after.at(f);
            const std::string was = c.filePacks ? before.at(f) : testsupport::unpackedBlob(before.at(f));
            EXPECT_TRUE(stored == was) << f;
        }
        Panta_Inicio_->Cierra_Fichero();
        QFile::remove(path);
    }
}
