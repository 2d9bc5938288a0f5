#include "support/CardFiles.h"
#include "support/ProgramFixture.h"
#include "support/StudyFiles.h"

#include "app/Panta_Inicio.h"
#include "editing/Alta_Fichas.h"
#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"
#include "store/Passw_FE.h"
#include "store/Text_Zoom.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <sqlite3.h>

#include <functional>

namespace {

const std::string Clave = "secreto";
const QString Hoy = QStringLiteral("20261205");

// One stored card, blobs unpacked when the card says "S".
struct Stored {
    int level = 0, importance = 0, reviews = 0, id = 0;
    QString key, question, created, last, next, packed, questionType, answerType;
    std::string questionPicture, answerPicture, shortAnswer, longAnswer;
    std::string rawQuestionPicture;
};

std::vector<Stored> storedCards(const QString &dbPath, const std::string &key = Clave)
{
    engine::Table t;
    t.setTableName(dbPath.toStdString());
    t.open();
    std::vector<Stored> out;
    for (t.first(); !t.eof(); t.next()) {
        Stored c;
        auto str = [&](const char *f) { return QString::fromStdString(t.fieldByName(f).asString()); };
        c.id = t.fieldByName("AutoInc").asInteger();
        c.level = t.fieldByName("Nive_Fich").asInteger();
        c.importance = t.fieldByName("Nive_Impo").isNull() ? -1 : t.fieldByName("Nive_Impo").asInteger();
        c.reviews = t.fieldByName("Total_Repa").asInteger();
        c.key = str("Clav_Fich");
        c.question = str("Preg_Text");
        c.created = str("Fech_Crea");
        c.last = str("Fech_Ulti_Repa");
        c.next = str("Fech_Prox_Repa");
        c.packed = str("Ficha_Comp_Encr");
        c.questionType = str("Tipo_Preg_Imag");
        c.answerType = str("Tipo_Resp_Imag");
        auto blob = [&](const char *f) {
            const std::string b = t.fieldByName(f).asBytes();
            return c.packed == "S" && !b.empty() ? testsupport::unpackedBlob(b, key) : b;
        };
        c.rawQuestionPicture = t.fieldByName("Preg_Imag").asBytes();
        c.questionPicture = blob("Preg_Imag");
        c.answerPicture = blob("Resp_Imag");
        c.shortAnswer = blob("Resp_Text");
        c.longAnswer = blob("Resp_Memo");
        out.push_back(c);
    }
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

void clipboardWith(const char *format, const QByteArray &bytes)
{
    auto *data = new QMimeData;
    if (format)
        data->setData(QString::fromLatin1(format), bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

void clipboardWithImage(const QImage &image)
{
    auto *data = new QMimeData;
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

    // Creates and opens a study file; packed means compressed and enciphered with Clave.
    QString openStudy(bool packed, Opciones_FE o = testsupport::defaultOptions(),
                      const std::function<void(engine::Table &)> &cards = {})
    {
        o.Comprimido = packed;
        o.Encriptado = packed;
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

    static Opciones_FE allOptions()
    {
        Opciones_FE o = testsupport::defaultOptions();
        o.Imagen_Pregunta = true;
        o.Imagen_Respuesta = true;
        o.Importancia = true;
        return o;
    }
    static Opciones_FE longAnswerOptions()
    {
        Opciones_FE o = allOptions();
        o.Texto_Largo = true;
        o.Tam_Respuesta = 0;
        return o;
    }

    // Runs the actions inside the editor opened by the menu entry 4.
    void addCards(const std::function<void()> &inside)
    {
        platform::onNextShow("Alta_Fichas_", [inside](QWidget *) { inside(); });
        pressKey('4');
    }
    void modifyFromSelection(const std::function<void()> &inside)
    {
        platform::onNextShow("Alta_Fichas_", [inside](QWidget *) { inside(); });
        E->Modificar_Fichas(0);
    }
    void modifyFromReview(const std::function<void()> &inside)
    {
        platform::onNextShow("Alta_Fichas_", [inside](QWidget *) { inside(); });
        E->Modificar_Fichas(1);
    }

    // Card 1 and 2 of a file with everything, plain or packed as the flag says.
    static std::function<void(engine::Table &)> twoCards(bool packed)
    {
        return [packed](engine::Table &t) {
            for (int i = 1; i <= 2; ++i) {
                testsupport::CardContent c;
                c.question = QStringLiteral("pregunta %1").arg(i);
                auto p = [&](const std::string &b) { return packed ? testsupport::packedBlob(b, true, true, Clave) : b; };
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

// ---------------------------------------------------------------------------------------------
// Add mode

TEST_F(CardEditorTest, AddModeStoresWholeCardsInPlainAndPackedFiles)
{
    for (bool packed : {false, true}) {
        SCOPED_TRACE(packed ? "packed" : "plain");
        const QByteArray jpeg = testsupport::pictureBytes("JPG", 900, 700); // larger than the box
        const QByteArray bmp = testsupport::pictureBytes("BMP", 60, 40);
        const QString bmpPath = putPicture(QStringLiteral("respuesta.bmp"), 60, 40);
        const QString path = openStudy(packed, allOptions());
        bool mainDisabled = false, navigatorEnabled = true;
        QSize shownSize;
        addCards([&] {
            mainDisabled = !Panta_Inicio_->isEnabled();
            navigatorEnabled = E->DBNavigator1->isEnabled();
            EXPECT_TRUE(E->ChBox1->isEnabled());
            type(E->EditPreg_Text, QStringLiteral("¿Capital de Francia?"));
            type(E->EditClav_Fich, QStringLiteral("GEO"));
            type(E->EditResp_Text, QStringLiteral("París"));
            clipboardWith("image/jpeg", jpeg);
            E->Button5->click();
            shownSize = E->Image1->size();
            platform::FileDialog::queueFileName(bmpPath);
            E->BitBtn4->click();
            E->Button3->click(); // "&Guarda y Continua"
            EXPECT_EQ(E->EditClav_Fich->text(), QStringLiteral("GEO")); // remembered
            EXPECT_FALSE(E->Image1->hasPicture());
            EXPECT_TRUE(E->EditResp_Text->text().isEmpty());
            type(E->EditPreg_Text, QStringLiteral("¿Capital de Italia?"));
            type(E->EditNive_Impo, QStringLiteral("-4"));
            E->Button2->click(); // "Guarda y A&caba"
        });
        EXPECT_TRUE(mainDisabled);
        EXPECT_FALSE(navigatorEnabled);
        EXPECT_TRUE(Panta_Inicio_->isEnabled());
        EXPECT_LE(shownSize.width(), 509); // fitted for display only
        EXPECT_EQ(E->Image1->picture().width(), 0);

        const std::vector<Stored> cards = storedCards(path);
        ASSERT_EQ(cards.size(), 2u);
        for (const Stored &c : cards) {
            EXPECT_EQ(c.level, 1);
            EXPECT_EQ(c.reviews, 0);
            EXPECT_EQ(c.created, Hoy);
            EXPECT_EQ(c.next, Hoy);
            EXPECT_TRUE(c.last.isEmpty());
            EXPECT_EQ(c.importance, 0);
            EXPECT_EQ(c.key, QStringLiteral("GEO"));
            EXPECT_EQ(c.packed, packed ? QStringLiteral("S") : QStringLiteral("N"));
        }
        EXPECT_EQ(cards[0].question, QStringLiteral("¿Capital de Francia?"));
        EXPECT_EQ(cards[0].questionType, QStringLiteral("JPG"));
        EXPECT_EQ(cards[0].questionPicture, jpeg.toStdString()); // the JPEG bytes as pasted
        EXPECT_EQ(cards[0].rawQuestionPicture == jpeg.toStdString(), !packed);
        EXPECT_EQ(cards[0].answerType, QStringLiteral("BMP"));
        EXPECT_EQ(cards[0].answerPicture, bmp.toStdString());
        EXPECT_EQ(rtfLines(cards[0].shortAnswer), QStringList{QStringLiteral("París")});
        EXPECT_EQ(cards[1].question, QStringLiteral("¿Capital de Italia?"));
        EXPECT_EQ(cards[1].questionType, QStringLiteral("NO"));
        EXPECT_TRUE(cards[1].questionPicture.empty());
        EXPECT_EQ(cards[1].answerType, QStringLiteral("NO"));
        EXPECT_TRUE(cards[1].answerPicture.empty());
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
        Opciones_FE o = longAnswerOptions();
        o.Clave = k.keys;
        const QString path = openStudy(true, o);
        QImage pasted(30, 20, QImage::Format_RGB32);
        pasted.fill(Qt::red);
        addCards([&] {
            EXPECT_EQ(E->EditClav_Fich->isVisible() || !E->isVisible(), true);
            E->ChBox1->setChecked(k.remember);
            type(E->EditPreg_Text, QStringLiteral("uno"));
            if (k.keys)
                type(E->EditClav_Fich, QStringLiteral("GEO"));
            clipboardWith("text/plain", "La energía luminosa");
            E->Button7->click();
            clipboardWithImage(pasted);
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

TEST_F(CardEditorTest, LeavingDropsThePendingNewCardAndComingBackKeepsIt)
{
    const QString path = openStudy(false, allOptions());
    addCards([&] {
        type(E->EditPreg_Text, QStringLiteral("sin guardar"));
        clipboardWithImage(QImage(10, 10, QImage::Format_RGB32));
        E->Button5->click();
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

// ---------------------------------------------------------------------------------------------
// Modify modes

TEST_F(CardEditorTest, ModifyFromSelectionSavesTheEditedCardBeforeMoving)
{
    const QString path = openStudy(true, allOptions(), twoCards(true));
    const std::vector<Stored> before = storedCards(path);
    Panta_Inicio_->Modificable = 1;
    D_Module_->Tabla_Activa->first();
    modifyFromSelection([&] {
        EXPECT_FALSE(Panta_Inicio_->isEnabled()); // the caller
        EXPECT_TRUE(E->DBNavigator1->isEnabled());
        EXPECT_TRUE(E->Button3->isEnabled());
        EXPECT_FALSE(E->ChBox1->isEnabled());
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
    EXPECT_EQ(after[0].rawQuestionPicture, before[0].rawQuestionPicture);
    EXPECT_EQ(after[0].level, 1);
    EXPECT_EQ(after[0].last, QStringLiteral("20261101"));
    EXPECT_EQ(rtfLines(after[1].shortAnswer), QStringList{QStringLiteral("respuesta 2")});
}

TEST_F(CardEditorTest, ModifyFromReviewAppliesTheImportanceRuleAndRepacksWhenThePackingChanges)
{
    // Cards stored plain in a file that now packs: both pictures are rewritten packed.
    const QString path = openStudy(true, allOptions(), twoCards(false));
    const std::vector<Stored> before = storedCards(path);
    Panta_Inicio_->Modificable = 1;
    D_Module_->Tabla_Activa->first();
    bool button3 = true, navigator = true;
    modifyFromReview([&] {
        button3 = E->Button3->isEnabled();
        navigator = E->DBNavigator1->isEnabled();
        type(E->EditNive_Impo, QStringLiteral("-2"));
        E->Button2->click();
    });
    EXPECT_FALSE(button3);
    EXPECT_FALSE(navigator);
    EXPECT_TRUE(E->Button3->isEnabled());
    const std::vector<Stored> after = storedCards(path);
    EXPECT_EQ(after[0].importance, 0);
    EXPECT_EQ(after[0].packed, QStringLiteral("S"));
    EXPECT_EQ(after[0].questionPicture, before[0].questionPicture);
    EXPECT_NE(after[0].rawQuestionPicture, before[0].rawQuestionPicture);
    EXPECT_EQ(after[0].answerPicture, before[0].answerPicture);
    EXPECT_EQ(rtfLines(after[0].shortAnswer), QStringList{QStringLiteral("respuesta 1")});
}

TEST_F(CardEditorTest, PackedCardInAFileThatNoLongerPacksIsStoredUnpacked)
{
    const std::string jpeg = testsupport::pictureBytes("JPG", 41, 30).toStdString();
    const std::string bmp = testsupport::pictureBytes("BMP", 20, 11).toStdString();
    const std::string answer = testsupport::rtfLines({QStringLiteral("respuesta 1")});
    const QString path = openStudy(false, allOptions(), [&](engine::Table &t) {
        testsupport::CardContent c;
        c.shortAnswer = testsupport::packedBlob(answer, true, false);
        c.questionType = QStringLiteral("JPG");
        c.questionPicture = testsupport::packedBlob(jpeg, true, false);
        c.answerType = QStringLiteral("BMP");
        c.answerPicture = testsupport::packedBlob(bmp, true, false);
        c.packedFlag = QStringLiteral("S");
        testsupport::appendCard(t, c);
    });
    Panta_Inicio_->Modificable = 1;
    D_Module_->Tabla_Activa->first();
    modifyFromSelection([&] {
        type(E->EditPreg_Text, QStringLiteral("otra pregunta"));
        E->Button2->click();
    });
    const std::vector<Stored> after = storedCards(path);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].question, QStringLiteral("otra pregunta"));
    EXPECT_EQ(after[0].packed, QStringLiteral("N"));
    EXPECT_EQ(after[0].questionType, QStringLiteral("JPG"));
    EXPECT_EQ(after[0].rawQuestionPicture, jpeg);
    EXPECT_EQ(after[0].answerPicture, bmp);
    EXPECT_EQ(after[0].shortAnswer, answer);
}

TEST_F(CardEditorTest, FileThatMayNotBeModifiedRefusesTheSaveAndStaysOpen)
{
    const QString path = openStudy(false, allOptions(), twoCards(false));
    Panta_Inicio_->Modificable = 0;
    D_Module_->Tabla_Activa->first();
    bool open = false;
    modifyFromSelection([&] {
        type(E->EditPreg_Text, QStringLiteral("cambiada"));
        E->Button2->click();
        open = E->modalOpen();
        // Moving would save: refused the same way, the editor stays on the card.
        E->DBNavigator1->btnClick(platform::DBNavigator::Next);
        EXPECT_EQ(E->EditPreg_Text->text(), QStringLiteral("cambiada"));
    });
    EXPECT_TRUE(open);
    EXPECT_EQ(messages(), QStringList(2, Msg_FE_No_Modificable));
    EXPECT_EQ(storedCards(path)[0].question, QStringLiteral("pregunta 1"));
}

// ---------------------------------------------------------------------------------------------
// Failures while saving: the card is stored whole or not at all

namespace {
// Holds the write lock of a table file from another connection, so that a post fails.
class WriteLock {
public:
    explicit WriteLock(const QString &path)
    {
        sqlite3_open(path.toUtf8().constData(), &m_db);
        sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    }
    ~WriteLock()
    {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(m_db);
    }

private:
    sqlite3 *m_db = nullptr;
};
} // namespace

TEST_F(CardEditorTest, FailedSaveStoresNothingAndKeepsTheEdit)
{
    enum class Failure { Picture, Engine };
    for (Failure failure : {Failure::Picture, Failure::Engine}) {
        for (bool add : {true, false}) {
            SCOPED_TRACE(testing::Message() << (failure == Failure::Picture ? "picture " : "engine ")
                                            << (add ? "add" : "modify"));
            const QString path = openStudy(true, allOptions(), twoCards(true));
            Panta_Inicio_->Modificable = 1;
            const std::vector<Stored> before = storedCards(path);
            auto inside = [&] {
                type(E->EditPreg_Text, QStringLiteral("nueva pregunta"));
                type(E->EditResp_Text, QStringLiteral("nueva respuesta"));
                std::unique_ptr<WriteLock> lock;
                if (failure == Failure::Picture) // a picture too wide for a JPEG
                    E->Image1->setPicture(QImage(70000, 2, QImage::Format_RGB32), platform::PictureKind::Jpeg);
                else
                    lock = std::make_unique<WriteLock>(path);
                Panta_Inicio_->Imagen_Pregunta_Cambiada = 1;
                E->Button2->click();
                EXPECT_EQ(takeErrorReports().size(), 1u);
                EXPECT_TRUE(E->modalOpen());
                EXPECT_EQ(E->EditPreg_Text->text(), QStringLiteral("nueva pregunta"));
                EXPECT_EQ(E->EditResp_Text->text(), QStringLiteral("nueva respuesta"));
                EXPECT_EQ(Panta_Inicio_->Imagen_Pregunta_Cambiada, 1);
                const std::vector<Stored> between = storedCards(path);
                ASSERT_EQ(between.size(), before.size());
                for (std::size_t i = 0; i < between.size(); ++i) {
                    EXPECT_EQ(between[i].question, before[i].question);
                    EXPECT_EQ(between[i].shortAnswer, before[i].shortAnswer);
                    EXPECT_EQ(between[i].rawQuestionPicture, before[i].rawQuestionPicture);
                }
                lock.reset();
                // Once the cause is gone, the same edit saves.
                E->Image1->clear();
                E->Button2->click();
                EXPECT_FALSE(E->modalOpen());
            };
            if (add) {
                addCards(inside);
            } else {
                D_Module_->Tabla_Activa->first();
                modifyFromSelection(inside);
            }
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

// ---------------------------------------------------------------------------------------------
// Bad input

TEST_F(CardEditorTest, BadInputLeavesTheCardUnchanged)
{
    const QByteArray jpeg = testsupport::pictureBytes("JPG", 80, 60);
    putFile(QStringLiteral("texto.jpg"), "esto no es una imagen");
    putFile(QStringLiteral("cortada.jpg"), jpeg.left(jpeg.size() / 3));
    putFile(QStringLiteral("basura.rtf"), QByteArray("\x00\x01\x02\xff\xfe garbage", 14));
    const QString path = openStudy(false, longAnswerOptions(), twoCards(false));
    Panta_Inicio_->Modificable = 1;
    struct Case {
        const char *name;
        std::function<void()> act;
        QString message;
    };
    const QString noPicture = Msg_Portapapeles_Sin_Imagen;
    const Case cases[] = {
        {"not a picture",
         [&] {
             platform::FileDialog::queueFileName(programPath("texto.jpg"));
             E->BitBtn2->click();
         },
         QStringLiteral("No se puede leer la imagen\r\r") + programPath("texto.jpg")},
        {"truncated JPEG",
         [&] {
             platform::FileDialog::queueFileName(programPath("cortada.jpg"));
             E->BitBtn4->click();
         },
         QStringLiteral("No se puede leer la imagen\r\r") + programPath("cortada.jpg")},
        {"garbage RTF",
         [&] {
             platform::FileDialog::queueFileName(programPath("basura.rtf"));
             E->BitBtn3->click();
         },
         QStringLiteral("El archivo\r\r") + programPath("basura.rtf")},
        {"clipboard without picture",
         [&] {
             clipboardWith("text/plain", "hola");
             E->Button5->click();
         },
         noPicture},
        {"clipboard with a truncated JPEG",
         [&] {
             clipboardWith("image/jpeg", jpeg.left(jpeg.size() / 3));
             E->Button6->click();
         },
         noPicture},
        {"clipboard without text",
         [&] {
             clipboardWith(nullptr, {});
             E->Button7->click();
         },
         Msg_Portapapeles_Sin_Texto},
    };
    D_Module_->Tabla_Activa->first();
    modifyFromSelection([&] {
        const QImage picture1 = E->Image1->picture();
        const QImage picture2 = E->Image2->picture();
        const QString answer = E->RichEdit1->toPlainText();
        for (const Case &c : cases) {
            SCOPED_TRACE(c.name);
            clearMessages();
            c.act();
            ASSERT_EQ(messages().size(), 1);
            EXPECT_TRUE(messages()[0].startsWith(c.message)) << messages()[0].toStdString();
            EXPECT_EQ(E->Image1->picture(), picture1);
            EXPECT_EQ(E->Image2->picture(), picture2);
            EXPECT_EQ(E->RichEdit1->toPlainText(), answer);
            EXPECT_EQ(Panta_Inicio_->Imagen_Pregunta_Cambiada, 0);
            EXPECT_EQ(Panta_Inicio_->Imagen_Respuesta_Cambiada, 0);
            EXPECT_FALSE(E->Ficha_Editada());
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Zoom windows

TEST_F(CardEditorTest, ZoomWindowsShowThePictureAndEditTheLongAnswer)
{
    openStudy(false, longAnswerOptions());
    addCards([&] {
        clearShownWindows();
        E->Image1Click(); // empty: nothing
        EXPECT_TRUE(shownWindows().isEmpty());
        clipboardWithImage(QImage(10, 10, QImage::Format_RGB32));
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
    });
}
