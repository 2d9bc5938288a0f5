#include "support/CardFiles.h"
#include "support/ProgramFixture.h"

#include "app/Panta_Inicio.h"
#include "platform/ImageControl.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/RichEdit.h"
#include "platform/Rtf.h"
#include "store/D_Module.h"

#include <QFile>
#include <QLineEdit>
#include <QPointer>

#include <tuple>

// Cards are written with designated initializers naming only the fields a test sets.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using testsupport::CardContent;
using testsupport::rtfLines;

namespace {
const QString Danados = QStringLiteral("Los datos de este Fichero de Estudio están dañados.");
std::string bytes(const char *format, int w, int h) { return testsupport::pictureBytes(format, w, h).toStdString(); }
}

class CardStoreTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        startProgram();
        p = Panta_Inicio_;
        dm = D_Module_;
        editor.Label2 = &label2;
        editor.EditResp_Text = &editResp;
        editor.RichEdit1 = &editorRich;
        editor.Image1 = &editorImage1;
        editor.Image2 = &editorImage2;
        review.Label15 = &label15;
        review.Label7 = &label7;
        review.RichEdit1 = &reviewRich;
        review.Image1 = &reviewImage1;
        review.Image2 = &reviewImage2;
        dm->attachCardEditorDisplays(editor);
        dm->attachReviewDisplays(review);
        p->Tam_Respuesta = 60;
        p->Con_Texto_Largo = 1;
        p->Con_Imagen_Respuesta = 1;
    }
    void TearDown() override
    {
        if (dm && dm->Tabla_Activa->active())
            dm->Tabla_Activa->close();
        ProgramFixture::TearDown();
    }

    // The open file packs its cards (compressed and enciphered with the key) or not.
    void packing(bool on, const std::string &key = "clave")
    {
        p->Fichero_Empaquetado = on ? 1 : 0;
        dm->PKS->Compressed = on;
        dm->PKS->Encrypted = on;
        dm->PKS->Key = on ? key : std::string();
    }
    std::string pack(const std::string &bytes) { return testsupport::packedBlob(bytes, true, true, "clave"); }

    // A study file with the cards, opened as Tabla_Activa (which shows the first card).
    void openCards(const std::vector<CardContent> &cards, int questionSize = 60)
    {
        const QString dat = programPath(QStringLiteral("dat"));
        testsupport::createCards(dat, QStringLiteral("Prueba"), questionSize);
        engine::Table t;
        t.setDatabaseName(dat.toStdString());
        t.setTableName("Prueba.DB");
        t.open();
        for (const CardContent &c : cards)
            testsupport::appendCard(t, c);
        t.close();
        dm->Tabla_Activa->setDatabaseName(dat.toStdString());
        dm->Tabla_Activa->setTableName("Prueba.DB");
        dm->Tabla_Activa->open();
    }

    TPanta_Inicio_ *p = nullptr;
    TD_Module_ *dm = nullptr;
    QWidget editorHost, reviewHost;
    platform::Label label2{&editorHost};
    QLineEdit editResp{&editorHost};
    platform::RichEdit editorRich{&editorHost};
    platform::ImageControl editorImage1{&editorHost}, editorImage2{&editorHost};
    platform::Label label15{&reviewHost}, label7{&reviewHost};
    platform::RichEdit reviewRich{&reviewHost};
    platform::ImageControl reviewImage1{&reviewHost}, reviewImage2{&reviewHost};
    TD_Module_::CardEditorDisplays editor;
    TD_Module_::ReviewDisplays review;
};

TEST_F(CardStoreTest, CardsOfEveryQuestionSizeReadAndWrite)
{
    for (int size : {1, 2, 7, 30, 60, 100, 254, 255}) {
        SCOPED_TRACE(size);
        // Two-byte characters: the width counts characters.
        const QString full = QString(size, QChar(0xE1)) + QStringLiteral("xyz");
        openCards({}, size);
        dm->Tabla_Activa->append();
        dm->Tabla_ActivaNive_Fich().setAsInteger(1);
        dm->Tabla_ActivaPreg_Text().setAsString(full.toStdString());
        dm->Tabla_Activa->post();
        dm->Tabla_Activa->close();
        dm->Tabla_Activa->open();
        EXPECT_EQ(QString::fromStdString(dm->Tabla_ActivaPreg_Text().asString()), full.left(size));
        dm->Tabla_Activa->close();
    }
}

// ---- Packing of blobs ----

TEST_F(CardStoreTest, PackingAndUnpackingInPlaceFollowThePackersOptions)
{
    const std::string plain = "contenido de una ficha";
    for (const auto &[compressed, encrypted] : {std::pair{false, false}, {true, false}, {false, true}, {true, true}}) {
        SCOPED_TRACE(compressed * 2 + encrypted);
        dm->PKS->Compressed = compressed;
        dm->PKS->Encrypted = encrypted;
        dm->PKS->Key = "clave";
        packing::MemoryStream s(std::string_view{plain});
        s.setPosition(5);
        packing::MemoryStream &out = dm->Comprime_Codifica_Stream_con_PKS(s);
        EXPECT_EQ(&out, &s);
        EXPECT_EQ(s.position(), 0);
        const std::string packed = s.toString();
        ASSERT_GE(packed.size(), 2u);
        EXPECT_EQ(packed[0], compressed ? '&' : ' ');
        EXPECT_EQ(packed[1], encrypted ? '*' : ' ');
        EXPECT_EQ(testsupport::unpackedBlob(packed, "clave"), plain);

        // Unpacking takes the container's own flags over.
        dm->PKS->Compressed = !compressed;
        dm->PKS->Encrypted = !encrypted;
        EXPECT_EQ(&Descomprime_Decodifica_Stream_con_PKS(s), &s);
        EXPECT_EQ(s.position(), 0);
        EXPECT_EQ(s.toString(), plain);
        EXPECT_EQ(dm->PKS->Compressed, compressed);
        EXPECT_EQ(dm->PKS->Encrypted, encrypted);
    }
    EXPECT_TRUE(messages().isEmpty());
}

// A damaged container (a card field holds one item) is reported before the failure; one cut
// short (a sound header and item count, then an item claiming more bytes than there are)
// fails without the message.
TEST_F(CardStoreTest, ADamagedContainerIsReportedBeforeTheFailure)
{
    const std::string cutShort = std::string("  \x01\x02\x03\x04\x05\x06\x07\x08\x01\x00\x00\x00\x01\x00", 16) +
                                 "1" + std::string("\xFF\x00\x00\x00", 4) + "abc";
    const std::string twoItems = std::string("  \x01\x02\x03\x04\x05\x06\x07\x08\x02\x00\x00\x00", 14)
                                 + std::string("\x01\x00" "1" "\x01\x00\x00\x00" "a", 9)
                                 + std::string("\x01\x00" "2" "\x01\x00\x00\x00" "b", 9);
    for (const auto &[bytes, shown] : {std::pair<std::string, QStringList>{"  no es un contenedor de fichas", {Danados}},
                                       {twoItems, {Danados}}, {cutShort, {}}}) {
        clearMessages();
        bool thrown = false, thrownBeforeMessage = false;
        if (!shown.isEmpty())
            platform::onNextShow("Mensaje", [&](QWidget *) { thrownBeforeMessage = thrown; });
        packing::MemoryStream s(std::string_view{bytes});
        try {
            Descomprime_Decodifica_Stream_con_PKS(s);
        } catch (const std::exception &) {
            thrown = true;
        }
        EXPECT_TRUE(thrown);
        EXPECT_FALSE(thrownBeforeMessage);
        EXPECT_EQ(messages(), shown);
    }
}

// ---- Flagging a card packed ----

TEST_F(CardStoreTest, FlaggingFollowsTheFileAndReportsTheChange)
{
    const struct {
        const char *old;
        int filePacks;
        const char *now;
        int stops, starts;
    } cases[] = {
        {"S", 0, "N", 1, 0}, {"N", 1, "S", 0, 1}, {"", 1, "S", 0, 0}, {"", 0, "N", 0, 0},
        {"S", 1, "S", 0, 0}, {"N", 0, "N", 0, 0}, {"s", 0, "N", 0, 0}, {"n", 1, "S", 0, 0},
    };
    openCards({CardContent{}});
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.old) + "/" + std::to_string(c.filePacks));
        dm->Tabla_Activa->edit();
        dm->Tabla_ActivaFicha_Comp_Encr().setAsString(c.old);
        p->Fichero_Empaquetado = c.filePacks;
        p->Ficha_Deja_De_Empaquetar = 7;
        p->Ficha_Pasa_A_Empaquetar = 7;
        dm->Si_Ficha_Usa_Comp_Encr_o_no();
        EXPECT_EQ(dm->Tabla_ActivaFicha_Comp_Encr().asString(), c.now);
        EXPECT_EQ(p->Ficha_Deja_De_Empaquetar, c.stops);
        EXPECT_EQ(p->Ficha_Pasa_A_Empaquetar, c.starts);
        dm->Tabla_Activa->cancel();
    }
}

// ---- Short answer ----

// One line of rich text, packed when the file packs its cards.
TEST_F(CardStoreTest, TheShortAnswerIsStoredAsOneLineOfRichText)
{
    openCards({CardContent{}});
    for (bool packs : {false, true}) {
        SCOPED_TRACE(packs);
        packing(packs);
        dm->Tabla_Activa->edit();
        dm->Guarda_Texto_Corto_Respuesta(QStringLiteral("  respuesta  con blancos "));
        dm->Tabla_Activa->post();
        std::string stored = dm->Tabla_ActivaResp_Text().asBytes();
        EXPECT_EQ(stored.substr(0, packs ? 2 : 5), packs ? "&*" : "{\\rtf");
        if (packs)
            stored = testsupport::unpackedBlob(stored, "clave");
        EXPECT_EQ(platform::rtf::toLines(QByteArray::fromStdString(stored)), QStringList{"  respuesta  con blancos "});
    }
}

TEST_F(CardStoreTest, AFileWithoutShortAnswersNeitherStoresNorShowsThem)
{
    const CardContent first{.shortAnswer = rtfLines({"primera"})}, second{.shortAnswer = rtfLines({"segunda"})};
    openCards({first, second});
    EXPECT_EQ(editResp.text(), "primera");
    EXPECT_EQ(label7.caption(), "primera");

    p->Tam_Respuesta = 0;
    dm->Tabla_Activa->next();
    EXPECT_EQ(editResp.text(), "primera");
    EXPECT_EQ(label7.caption(), "primera");

    dm->Tabla_Activa->edit();
    dm->Guarda_Texto_Corto_Respuesta(QStringLiteral("otra"));
    dm->Tabla_Activa->post();
    EXPECT_EQ(dm->Tabla_ActivaResp_Text().asBytes(), second.shortAnswer);
}

TEST_F(CardStoreTest, ShortAndLongAnswersShowPackedOrPlain)
{
    const CardContent plain{.shortAnswer = rtfLines({"corta llana"}), .longAnswer = rtfLines({"larga", "llana"})};
    const CardContent packed{.shortAnswer = pack(rtfLines({"corta empaquetada"})),
                             .longAnswer = pack(rtfLines({"larga", "empaquetada"})), .packedFlag = "S"};
    const CardContent empty{.packedFlag = "S"}; // empty blobs load unchanged even when the card says "S"
    packing(true);
    openCards({plain, packed, empty});

    EXPECT_EQ(editResp.text(), "corta llana");
    EXPECT_EQ(reviewRich.lines(), (QStringList{"larga", "llana"}));
    EXPECT_EQ(editorRich.lines(), (QStringList{"larga", "llana"}));
    EXPECT_EQ(label2.caption(), "Ficha Usa PKS: N");

    dm->Tabla_Activa->next();
    EXPECT_EQ(editResp.text(), "corta empaquetada");
    EXPECT_EQ(label7.caption(), "corta empaquetada");
    EXPECT_EQ(reviewRich.lines(), (QStringList{"larga", "empaquetada"}));
    EXPECT_EQ(editorRich.lines(), (QStringList{"larga", "empaquetada"}));
    EXPECT_EQ(label2.caption(), "Ficha Usa PKS: S");

    dm->Tabla_Activa->next();
    EXPECT_EQ(editResp.text(), "");
    EXPECT_EQ(label7.caption(), "");
    EXPECT_TRUE(reviewRich.lines().isEmpty());
    EXPECT_TRUE(messages().isEmpty());
}

// A file without long answers leaves the rich edits as they are; a card flagged packed in a
// file that does not pack is read plain.
TEST_F(CardStoreTest, WithoutLongAnswersOrPackingInTheFileNeitherIsRead)
{
    const CardContent c{.shortAnswer = rtfLines({"llana"}), .longAnswer = rtfLines({"larga"}), .packedFlag = "S"};
    p->Con_Texto_Largo = 0;
    packing(false);
    reviewRich.setLines({"antes"});
    openCards({c});
    EXPECT_EQ(reviewRich.lines(), QStringList{"antes"});
    EXPECT_EQ(editResp.text(), "llana");
    EXPECT_EQ(label2.caption(), "Ficha Usa PKS: N");
}

// A card that cannot be shown whole (an answer over its limit, packed or not; a damaged
// container in an answer or a picture; an empty picture blob is unpacked all the same) shows
// those displays empty and is told once while its file stays open, however often it is shown
// again; the move itself succeeds and the next card shows whole. Opened again, it is told again.
TEST_F(CardStoreTest, ADamagedCardShowsEmptyAndIsToldOnceWhileTheFileIsOpen)
{
    const std::string huge(size_t(Limite_Respuesta) + 1, 'a');
    const CardContent good{.shortAnswer = pack(rtfLines({"corta"})), .longAnswer = pack(rtfLines({"buena"})),
                           .packedFlag = "S"};
    const struct {
        const char *what;
        CardContent bad;
    } cases[] = {
        {"long answer over its limit, packed", {.longAnswer = pack(huge), .packedFlag = "S"}},
        {"long answer over its limit, plain", {.longAnswer = huge, .packedFlag = "N"}},
        {"short answer in a damaged container", {.shortAnswer = "basura que no es un contenedor", .packedFlag = "S"}},
        {"question picture in a damaged container", {.questionType = "JPG", .packedFlag = "S"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        packing(true);
        openCards({good, c.bad, good});
        EXPECT_EQ(label7.caption(), "corta");
        clearMessages();
        reviewImage1.setPicture(QImage(7, 7, QImage::Format_RGB32));
        p->Imagen_Pregunta_Cambiada = 1;
        EXPECT_NO_THROW(dm->Tabla_Activa->next());
        EXPECT_EQ(messages(), QStringList{Danados});
        EXPECT_EQ(p->Imagen_Pregunta_Cambiada, 0);
        EXPECT_EQ(std::tuple(label7.caption(), editResp.text(), reviewRich.lines(), editorRich.lines(),
                             reviewImage1.hasPicture()),
                  std::tuple(QString(), QString(), QStringList(), QStringList(), false));

        dm->Tabla_ActivaAfterScroll(*dm->Tabla_Activa);
        dm->Tabla_Activa->next();
        EXPECT_EQ(std::tuple(label7.caption(), reviewRich.lines()), std::tuple(QString("corta"), QStringList{"buena"}));
        dm->Tabla_Activa->prior();
        EXPECT_EQ(messages(), QStringList{Danados});

        dm->Tabla_Activa->close();
        dm->Tabla_Activa->open();
        dm->Tabla_Activa->next();
        EXPECT_EQ(messages(), QStringList(2, Danados));
        dm->Tabla_Activa->close();
        QFile::remove(dat("Prueba.DB"));
    }
}

// ---- Last review date and the packing label ----

TEST_F(CardStoreTest, TheLastReviewDateIsShownInEitherOrder)
{
    const CardContent never, once{.lastReview = "20261205"};
    openCards({never, once});
    EXPECT_EQ(label15.caption(), "//");
    p->Formato_Fecha = 1;
    dm->Tabla_Activa->next();
    EXPECT_EQ(label15.caption(), "05/12/2026");
    p->Formato_Fecha = 0;
    dm->Tabla_ActivaAfterScroll(*dm->Tabla_Activa);
    EXPECT_EQ(label15.caption(), "12/05/2026");
}

// ---- Pictures ----

class CardPicturesTest : public CardStoreTest {};

TEST_F(CardPicturesTest, BitmapsAndJpegPicturesAreShownAndFitted)
{
    const CardContent bmp{.questionType = "BMP", .questionPicture = bytes("BMP", 200, 100), .answerType = "JPG",
                          .answerPicture = bytes("JPG", 100, 50)};
    const CardContent jpg{.questionType = "JPG", .questionPicture = pack(bytes("JPG", 300, 120)), .answerType = "BMP",
                          .answerPicture = pack(bytes("BMP", 60, 40)), .packedFlag = "S"};
    packing(true);
    openCards({bmp, jpg});

    EXPECT_EQ(reviewImage1.picture().size(), QSize(200, 100));
    EXPECT_TRUE(reviewImage1.holdsBitmap());
    EXPECT_EQ(reviewImage1.geometry(), QRect(8 + 390, 101 + 116, 200, 100)); // slot 4
    EXPECT_EQ(editorImage1.geometry(), QRect(4 + 154, 20 + 42, 200, 100));   // slot 7
    EXPECT_TRUE(reviewImage2.holdsJpeg());
    EXPECT_EQ(reviewImage2.geometry(), QRect(498 + 194, 99 + 141, 100, 50)); // slot 5
    EXPECT_EQ(editorImage2.geometry(), QRect(4 + 169, 20 + 96, 100, 50));    // slot 8

    p->Con_Texto_Largo = 0; // answer picture alone: slot 6
    dm->Tabla_Activa->next();
    EXPECT_EQ(reviewImage1.picture().size(), QSize(300, 120));
    EXPECT_TRUE(reviewImage1.holdsJpeg());
    EXPECT_TRUE(editorImage1.holdsJpeg());
    EXPECT_EQ(reviewImage2.picture().size(), QSize(60, 40));
    EXPECT_TRUE(editorImage2.holdsBitmap());
    EXPECT_EQ(reviewImage2.geometry(), QRect(2 + 456, 99 + 146, 60, 40));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(CardPicturesTest, WithoutAnswerPicturesInTheFileTheReviewPictureIsNotFitted)
{
    const CardContent c{.answerType = "BMP", .answerPicture = bytes("BMP", 60, 40)};
    p->Con_Imagen_Respuesta = 0;
    reviewImage2.setGeometry(1, 2, 3, 4);
    openCards({c});
    EXPECT_EQ(reviewImage2.picture().size(), QSize(60, 40));
    EXPECT_EQ(reviewImage2.geometry(), QRect(1, 2, 3, 4));
    EXPECT_EQ(editorImage2.picture().size(), QSize(60, 40));
}

TEST_F(CardPicturesTest, OtherTypesShowNoPicture)
{
    for (const char *type : {"NO", "", "bmp", "jpg", "JPEG"}) {
        SCOPED_TRACE(type);
        const CardContent c{.questionType = type, .questionPicture = bytes("BMP", 20, 10), .answerType = type,
                            .answerPicture = bytes("BMP", 20, 10)};
        for (platform::ImageControl *i : {&reviewImage1, &editorImage1, &reviewImage2, &editorImage2})
            i->setPicture(QImage(5, 5, QImage::Format_RGB32));
        openCards({c});
        for (platform::ImageControl *i : {&reviewImage1, &editorImage1, &reviewImage2, &editorImage2})
            EXPECT_FALSE(i->hasPicture());
        dm->Tabla_Activa->close();
    }
}

// A picture that cannot be shown (not a picture of its type, or a damaged container) shows no
// picture, never the previous card's; the card's other picture is still shown.
TEST_F(CardPicturesTest, APictureThatCannotBeShownShowsNoneAndTheOtherIsShown)
{
    const CardContent good{.questionType = "JPG", .questionPicture = bytes("JPG", 40, 30), .answerType = "BMP",
                           .answerPicture = bytes("BMP", 50, 20)};
    const auto card = [](const char *questionType, const std::string &question, const std::string &answer) {
        return CardContent{.questionType = questionType, .questionPicture = question, .answerType = "BMP",
                           .answerPicture = answer};
    };
    const struct {
        const char *what;
        CardContent card;
        QSize question, answer; // empty: no picture
    } cases[] = {
        {"invalid JPEG", card("JPG", "\xFF\xD8\xFF esto no es un JPEG", bytes("BMP", 60, 20)), {}, {60, 20}},
        {"JPEG typed as bitmap", card("BMP", bytes("JPG", 40, 30), bytes("BMP", 60, 20)), {}, {60, 20}},
        {"invalid answer bitmap", card("JPG", bytes("JPG", 45, 30), "BM no es un mapa de bits"), {45, 30}, {}},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(t.what);
        dm->Tabla_Activa->close();
        QFile::remove(dat("Prueba.DB"));
        openCards({good, t.card});
        p->Imagen_Pregunta_Cambiada = 1;
        p->Imagen_Respuesta_Cambiada = 1;
        dm->Tabla_Activa->next();
        for (const platform::ImageControl *image : {&reviewImage1, &editorImage1})
            EXPECT_EQ(image->hasPicture() ? image->picture().size() : QSize(), t.question);
        for (const platform::ImageControl *image : {&reviewImage2, &editorImage2})
            EXPECT_EQ(image->hasPicture() ? image->picture().size() : QSize(), t.answer);
        EXPECT_EQ(p->Imagen_Pregunta_Cambiada, 0);
        EXPECT_EQ(p->Imagen_Respuesta_Cambiada, 0);
        EXPECT_TRUE(messages().isEmpty());
        EXPECT_TRUE(takeErrorReports().isEmpty());
    }
}

TEST_F(CardPicturesTest, DisplaysNotAttachedOrDestroyedAreSkipped)
{
    const CardContent c{.shortAnswer = rtfLines({"r"}), .longAnswer = rtfLines({"l"}), .questionType = "BMP",
                        .questionPicture = bytes("BMP", 20, 10)};
    dm->attachReviewDisplays({});
    {
        platform::ImageControl gone;
        platform::RichEdit goneRich;
        TD_Module_::CardEditorDisplays d = editor;
        d.Image1 = &gone;
        d.RichEdit1 = &goneRich;
        dm->attachCardEditorDisplays(d);
    }
    openCards({c});
    EXPECT_EQ(editResp.text(), "r");
    EXPECT_FALSE(reviewImage1.hasPicture());
}

// ---- Display font style ----

TEST_F(CardStoreTest, TheFontStyleIsSavedAndLoadedBack)
{
    QFont f(QStringLiteral("Courier New"));
    f.setPointSize(14);
    f.setItalic(true);
    dm->Guarda_Estilo_Fuente(f, QColor(Qt::red));
    ASSERT_TRUE(QFile::exists(programPath("01.stl")));

    p->RE_Estilo_Fuente->setLines({"otra cosa"});
    dm->Lee_Estilo_Fuente();
    const platform::rtf::FontStyle got = dm->Estilo_Fuente();
    EXPECT_EQ(got.font.family(), "Courier New");
    EXPECT_EQ(got.font.pointSize(), 14);
    EXPECT_TRUE(got.font.italic());
    EXPECT_EQ(got.color, QColor(Qt::red));

    // A style file whose name differs in case (copied from another system) is read and
    // replaced under its own name.
    ASSERT_TRUE(QFile::rename(programPath("01.stl"), programPath("01.STL")));
    p->RE_Estilo_Fuente->setLines({"otra cosa"});
    dm->Lee_Estilo_Fuente();
    EXPECT_EQ(dm->Estilo_Fuente().font.family(), "Courier New");
    dm->Guarda_Estilo_Fuente(QFont(QStringLiteral("Tahoma")), QColor(Qt::blue));
    EXPECT_FALSE(QFile::exists(programPath("01.stl")));
    dm->Lee_Estilo_Fuente();
    EXPECT_EQ(dm->Estilo_Fuente().color, QColor(Qt::blue));
}

TEST_F(CardStoreTest, AFontStyleThatCannotBeWrittenFails)
{
    p->Carpeta_Programa = programPath("no/existe");
    EXPECT_THROW(dm->Guarda_Estilo_Fuente(QFont(), QColor()), std::exception);
}
