#include "support/CardFiles.h"
#include "support/StudyFileOpen.h"

#include "exchange/Importar_de_txt.h"
#include "exchange/Importar_de_txt_e_Imag.h"
#include "platform/MessageDialog.h"
#include "platform/ModalShow.h"
#include "platform/Rtf.h"
#include "platform/TextFile.h"

#include <QFile>

#include <tuple>

TEST(TextImportLines, TextLinesSplitAtTheFirstThreeSeparators)
{
    struct Case {
        QString line, separator;
        Partes_Linea_Texto parts;
    } cases[] = {
        {"Q#A#K#5", "#", {"Q", "A", "K", "5"}},
        {"Q#A#K#", "#", {"Q", "A", "K", "0"}},
        {"Q#A#", "#", {"Q", "A", "", "0"}},
        {"Q#A#K", "#", {"Q", "A", "", "K"}},
        {"Q#A", "#", {"Q", "", "", "A"}},
        {"", "#", {"", "", "", "0"}},
        {"Q#A#K#5#x", "#", {"Q", "A", "K", "5#x"}},
        {"#A#K#5", "#", {"", "A", "K", "5"}},
        {"###", "#", {"", "", "", "0"}},
        {"Q;A;K;5", "#", {"", "", "", "Q;A;K;5"}},
        {"Q#A#K#5", "", {"", "", "", "Q#A#K#5"}},   // an empty separator matches nowhere
        {"qXaxkX2", "X", {"q", "axk", "", "2"}},    // compared case-sensitively
        {" ¿Qué? # Sí # verbo # 3", "#", {" ¿Qué? ", " Sí ", " verbo ", " 3"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Divide_Linea_Texto(c.line, c.separator), c.parts) << c.line.toStdString();
}

TEST(TextImportLines, FileLinesNameTwoPicturesAndALongAnswer)
{
    struct Case {
        QString line;
        Archivos_Linea files;
    } cases[] = {
        {"foto.jpg#dibujo.bmp#largo.rtf", {"foto.jpg", "dibujo.bmp", "largo.rtf"}},
        {"##", {"", "", ""}},
        {"foto.jpg##", {"foto.jpg", "", ""}},
        {"#dibujo.bmp#", {"", "dibujo.bmp", ""}},
        {"foto.jpg#largo.rtf", {"foto.jpg", "", "largo.rtf"}},
        {"largo.rtf", {"", "", "largo.rtf"}},
        {"a#b#c#d", {"a", "b", "c#d"}},
        {"", {"", "", ""}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Divide_Linea_Archivos(c.line, "#"), c.files) << c.line.toStdString();
}

TEST(TextImportLines, NamesOfAFileLineAreNamesInTheTextFilesFolder)
{
    const std::pair<QString, bool> cases[] = {
        {"foto.jpg", true},     {"Foto 2.JPEG", true},  {"..foto", true},     {"a..b.rtf", true},
        {"...", true},          {"..", false},          {" .. ", false},      {"../x/id_rsa", false},
        {"..\\x.bmp", false},   {"sub/foto.jpg", false}, {"/etc/passwd", false}, {"C:\\x.bmp", false},
        {"c:x.bmp", false},     {"\\\\srv\\x.bmp", false}, {QString("a") + QChar(0) + "b", false},
    };
    for (const auto &[name, inFolder] : cases)
        EXPECT_EQ(Nombre_En_Carpeta(name), inFolder) << name.toStdString();
}

class TextImportTest : public StudyFileFixture {
protected:
    void abre(bool importancia, bool clave, bool largo = false, bool empaquetado = false)
    {
        Opciones_FE o = testsupport::defaultOptions();
        o.Importancia = importancia;
        o.Clave = clave;
        o.Texto_Largo = largo;
        o.Tam_Respuesta = largo ? 0 : 100;
        o.Comprimido = empaquetado;
        o.Imagen_Pregunta = o.Imagen_Respuesta = true;
        openStudyFile(o);
    }
    // Menu entry I (or K) importing the file, with `before` run first in the window; the
    // window is then closed by its close box.
    void importa(const QString &archivo, bool conImagenes = false,
                 const std::function<void(TImportar_Base_ *)> &before = {})
    {
        TImportar_Base_ *w = conImagenes ? static_cast<TImportar_Base_ *>(Importar_de_txt_e_Imag_) : Importar_de_txt_;
        platform::onNextShow(w->objectName(), [&, w](QWidget *) {
            EXPECT_FALSE(platform::mainWindow()->isEnabled());
            if (before)
                before(w);
            platform::FileDialog::queueFileName(archivo);
            w->Button1->click();
        });
        pressKey(conImagenes ? 'K' : 'I');
        EXPECT_TRUE(platform::mainWindow()->isEnabled());
    }
    // The stored cards, "question|answer|key|importance|level", the short answer read from
    // its rich text; each created today and never reviewed.
    QStringList fichas()
    {
        engine::Table t;
        t.setTableName(cards().filePath());
        t.open();
        QStringList out;
        auto campo = [&](const char *f) { return QString::fromStdString(t.fieldByName(f).asString()); };
        for (t.first(); !t.eof(); t.next()) {
            EXPECT_EQ(campo("Fech_Crea"), "20261205");
            EXPECT_EQ(campo("Total_Repa"), "0");
            const QByteArray corta = QByteArray::fromStdString(t.fieldByName("Resp_Text").asBytes());
            out << QStringList{campo("Preg_Text"), platform::rtf::toLines(corta).value(0), campo("Clav_Fich"),
                               campo("Nive_Impo"), campo("Nive_Fich")}
                       .join('|');
        }
        return out;
    }
};

TEST_F(TextImportTest, EveryLineIsACardInAFileWithImportanceAndKeys)
{
    abre(true, true);
    putFile("import/fichas.txt", "¿Qué?#Sí#verbo#5\r\nQ2#A2#K2#\r\n\r\nQ4#A4#\nQ5#Una respuesta con\t tabulador#k#0");
    importa(programPath("import/fichas.txt"), false, [](TImportar_Base_ *w) { w->MaskEdit1->setText("0"); });
    EXPECT_EQ(messages(), QStringList{"Se han importado 5 fichas."});
    EXPECT_EQ(fichas(), (QStringList{"Q2|A2|K2|0|0", "|||0|0", "Q4|A4||0|0", "Q5|Una respuesta con\t tabulador|k|0|0",
                                     "¿Qué?|Sí|verbo|5|0"}));
}

TEST_F(TextImportTest, WindowsTextAndAFileWithoutImportanceOrKeys)
{
    abre(false, false);
    putFile("fichas.txt", "Canci\xF3n#m\xFAsica#clave#no es un n\xFAmero\r\n");
    importa(programPath("fichas.txt"));
    EXPECT_EQ(messages(), QStringList{"Se han importado 1 fichas."});
    EXPECT_EQ(fichas(), QStringList{"Canción|música||0|1"});
    // The first dialog opens in the program folder, later ones in their own.
    putFile("otra.txt", "x#y\r\n");
    platform::FileDialog::queueCancel();
    platform::onNextShow("Importar_de_txt_", [](QWidget *) { Importar_de_txt_->Label2->clicked(); });
    pressKey('I');
    const auto requests = platform::FileDialog::requests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(requests[1].initialDir, programFolder());
    EXPECT_EQ(requests[2].initialDir, "");
    EXPECT_EQ(messages().size(), 1) << "a cancelled dialog says nothing";
}

TEST_F(TextImportTest, ALineThatFailsStopsTheImportWithItsNumberAndNoHalfCard)
{
    abre(true, true);
    putFile("f.txt", "Q1#A1#K1#1\r\nQ2#A2#K2#2\r\nQ3#A3#K\r\nQ4#A4#K4#4\r\n");
    importa(programPath("f.txt"));
    EXPECT_EQ(messages(), QStringList{"No se ha importado la línea 3:\r\r'K' no es un número entero válido\r\r"
                                      "Se han importado 2 fichas de las líneas anteriores."});
    EXPECT_EQ(fichas(), (QStringList{"Q1|A1|K1|1|1", "Q2|A2|K2|2|1"}));
    EXPECT_EQ(cards().state(), engine::Table::State::Browse);

    clearMessages();
    importa(programPath("f.txt"), false, [](TImportar_Base_ *w) { w->MaskEdit1->setText(" "); });
    EXPECT_EQ(messages(), QStringList{"No se ha importado la línea 1:\r\r'' no es un número entero válido"});
    EXPECT_EQ(fichas().size(), 2);
    // A NUL in the line does not cut the reason short.
    clearMessages();
    putFile("nul.txt", QByteArray("Q#A#K#5\0x\r\n", 11));
    importa(programPath("nul.txt"), false, [](TImportar_Base_ *w) { w->MaskEdit1->setText("1"); });
    EXPECT_EQ(messages(), QStringList{"No se ha importado la línea 1:\r\r'5\u2400x' no es un número entero válido"});
    // A huge importance is quoted by its start.
    clearMessages();
    putFile("enorme.txt", "Q#A#K#1\r\nQ#A#K#" + QByteArray((1 << 20) - 20, '7') + "x\r\n");
    importa(programPath("enorme.txt"));
    EXPECT_EQ(messages(), QStringList{"No se ha importado la línea 2:\r\r'" + QString(200, '7') +
                                      "\u2026' no es un número entero válido\r\rSe han importado 1 fichas de las "
                                      "líneas anteriores."});
    clearMessages();
    importa(programPath("falta.txt"));
    EXPECT_EQ(messages(), QStringList{"No se ha podido leer el archivo\r\r" + programPath("falta.txt")});
}

TEST_F(TextImportTest, PicturesAndLongAnswersComeFromTheTextFilesFolder)
{
    abre(true, true, true, true);
    const QByteArray jpg = testsupport::pictureBytes("JPG", 40, 30);
    const QByteArray bmp = testsupport::pictureBytes("BMP", 20, 10);
    const QByteArray rtf = platform::rtf::fromLines({"Respuesta larga"});
    putFile("lote/foto.jpg", jpg);
    putFile("lote/dibujo.bmp", bmp);
    putFile("lote/Foto2.JPEG", jpg);
    putFile("lote/largo.rtf", rtf);
    platform::queueDialogAnswer(platform::DialogAnswer::Ok); // the answers A1 to A3 are left out
    putFile("lote/cartas.txt", "Q1#A1#K#1\r\nfoto.jpg#dibujo.bmp#largo.rtf\r\n"
                               "Q2#A2#K#2\r\n##\r\n"
                               "Q3#A3#K#3\r\nnoesta.jpg#foto2.jpeg#\r\n");
    importa(programPath("lote/cartas.txt"), true);
    EXPECT_EQ(messages(), (QStringList{"Error al leer imagen", "Se han importado 3 Fichas."}));

    engine::Table t;
    t.setTableName(cards().filePath());
    t.open();
    std::vector<testsupport::StoredCard> got;
    for (t.first(); !t.eof(); t.next())
        got.push_back(testsupport::readCard(t, {}));
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(std::tie(got[0].questionType, got[0].answerType, got[0].packed), std::tuple("JPG", "BMP", "S"));
    EXPECT_TRUE(std::tie(got[0].questionPicture, got[0].answerPicture, got[0].longAnswer)
                == std::tuple(jpg.toStdString(), bmp.toStdString(), rtf.toStdString()));
    EXPECT_TRUE(got[0].shortAnswer.empty());
    EXPECT_EQ(got[1].question, "Q2");
    EXPECT_TRUE(got[1].questionPicture.empty() && got[1].longAnswer.empty());
    EXPECT_TRUE(got[2].questionPicture.empty()) << "the missing picture is left out";
    EXPECT_EQ(got[2].answerType, "JPG");
    EXPECT_TRUE(got[2].answerPicture == jpg.toStdString());
}

TEST_F(TextImportTest, PictureImportStopsAtAnOddLastLine)
{
    abre(false, true, false);
    putFile("a/cartas.txt", "Q1#A1#K#\r\n##\r\nQ2#A2#K#\r\n");
    importa(programPath("a/cartas.txt"), true);
    EXPECT_EQ(messages(), QStringList{"No se ha importado la línea 3:\r\rEs la última línea del archivo y no tiene "
                                      "detrás la línea con los nombres de las imágenes y del texto largo.\r\r"
                                      "Se han importado 1 fichas de las líneas anteriores."});
    EXPECT_EQ(fichas(), QStringList{"Q1|A1|K|0|1"}) << "without long answers the answer is the short one";
}

TEST_F(TextImportTest, PictureImportStopsAtALongAnswerThatCannotBeReadOrKept)
{
    // A long answer over what a card can hold would be stored, then refused as damaged when shown.
    putFile("b/grande.rtf", QByteArray((16 << 20) + 1, 'x'));
    const struct {
        const char *nombre;
        QString motivo;
    } casos[] = {
        {"noesta.rtf", "No se puede leer el archivo de texto largo\r\r" + programPath("b/noesta.rtf")},
        {"grande.rtf", "La respuesta larga ocupa más de 16 MB, lo más que una ficha puede guardar: no se ha "
                       "guardado. Redúzcala o divídala en varias fichas."},
    };
    abre(false, true, true);
    QStringList guardadas;
    for (const auto &c : casos) {
        SCOPED_TRACE(c.nombre);
        clearMessages();
        putFile("b/cartas.txt", "Q1##K#\r\n##\r\nQ2##K#\r\n##" + QByteArray(c.nombre) + "\r\n");
        importa(programPath("b/cartas.txt"), true);
        EXPECT_EQ(messages(), QStringList{"No se ha importado la línea 4:\r\r" + c.motivo
                                          + "\r\rSe han importado 1 fichas de las líneas anteriores."});
        guardadas << "Q1||K|0|1";
        EXPECT_EQ(fichas(), guardadas) << "with long answers no short answer is stored";
    }
}

// A line over the bound stops either import at it: the cards of the lines before are kept.
TEST_F(TextImportTest, ALineOverTheBoundStopsEitherImportThere)
{
    abre(false, true);
    const QByteArray largo(platform::kMaxLineBytes + 1, 'x');
    struct Case {
        bool conImagenes;
        QByteArray texto;
        int linea, anteriores;
    } cases[] = {
        {false, "Q1#A1#K#\r\nQ2#A2#K#\r\nQ3#" + largo + "\r\nQ4#A4#K#\r\n", 3, 2},
        {false, largo, 1, 0},
        {true, "Q1#A1#K#\r\n##\r\nQ2#A2#K#\r\n" + largo + "\r\nQ3#A3#K#\r\n##\r\n", 4, 1},
        {true, "Q1#A1#K#\r\n##\r\n" + largo + "\r\n##\r\n", 3, 1},
    };
    for (const Case &c : cases) {
        clearMessages();
        const qsizetype antes = fichas().size();
        putFile("largo.txt", c.texto);
        importa(programPath("largo.txt"), c.conImagenes);
        QString esperado = QStringLiteral("No se ha importado la línea %1:\r\r").arg(c.linea) + platform::tooLongLineReason();
        if (c.anteriores > 0)
            esperado += QStringLiteral("\r\rSe han importado %1 fichas de las líneas anteriores.").arg(c.anteriores);
        EXPECT_EQ(messages(), QStringList{esperado});
        EXPECT_EQ(fichas().size() - antes, c.anteriores);
    }
}

// The picture import reads the files of the text file's folder only, and stores a picture only
// when its bytes decode as the type it is stored under.
TEST_F(TextImportTest, PictureImportReadsOnlyPicturesOfTheTextFilesFolder)
{
    abre(false, true, true);
    const QByteArray bmp = testsupport::pictureBytes("BMP", 20, 10);
    putFile("secreto/foto.bmp", bmp);
    putFile("secreto/largo.rtf", platform::rtf::fromLines({"secreto"}));
    putFile("lote/texto.bmp", "no es una imagen");
    putFile("lote/jpeg.bmp", testsupport::pictureBytes("JPG", 20, 10));
    putFile("lote/bien.bmp", bmp);
    ASSERT_TRUE(QFile::link(programPath("secreto/foto.bmp"), programPath("lote/enlace.bmp")));
    const QString fuera = QStringLiteral(
        "\"%1\" no es el nombre de un archivo de la carpeta del archivo de texto. Los nombres de las imágenes y del "
        "texto largo no pueden llevar carpetas ni unidad (\"/\", \"\\\", \"..\", \"C:\").");
    struct Case {
        QString lineaArchivos;
        QStringList mensajes;
        bool imagen; // the card stored with its question picture
    } cases[] = {
        {"../secreto/foto.bmp##", {"No se ha importado la línea 4:\r\r" + fuera.arg("../secreto/foto.bmp")}, false},
        {programPath("secreto/foto.bmp") + "##", {"No se ha importado la línea 4:\r\r" + fuera.arg(programPath("secreto/foto.bmp"))}, false},
        {"#..#", {"No se ha importado la línea 4:\r\r" + fuera.arg("..")}, false},
        {"##..\\secreto\\largo.rtf", {"No se ha importado la línea 4:\r\r" + fuera.arg("..\\secreto\\largo.rtf")}, false},
        {"enlace.bmp##", {"Error al leer imagen", "Se han importado 2 Fichas."}, false},
        {"texto.bmp##", {"Error al leer imagen", "Se han importado 2 Fichas."}, false},
        {"jpeg.bmp##", {"Error al leer imagen", "Se han importado 2 Fichas."}, false},
        {"bien.bmp##", {"Se han importado 2 Fichas."}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lineaArchivos.toStdString());
        clearMessages();
        const qsizetype antes = fichas().size();
        putFile("lote/cartas.txt", ("Q1##K#\r\n##\r\nQ2##K#\r\n" + c.lineaArchivos + "\r\n").toUtf8());
        importa(programPath("lote/cartas.txt"), true);
        if (c.mensajes.size() == 1 && c.mensajes[0].startsWith("No se ha"))
            EXPECT_EQ(messages(), QStringList{c.mensajes[0] + "\r\rSe han importado 1 fichas de las líneas anteriores."});
        else
            EXPECT_EQ(messages(), c.mensajes);
        const bool parada = c.mensajes[0].startsWith("No se ha");
        ASSERT_EQ(fichas().size() - antes, parada ? 1 : 2);
        if (parada)
            continue;
        engine::Table t;
        t.setTableName(cards().filePath());
        t.open();
        t.last();
        const testsupport::StoredCard ultima = testsupport::readCard(t, {});
        EXPECT_EQ(ultima.questionPicture == bmp.toStdString(), c.imagen);
        EXPECT_EQ(ultima.questionType, c.imagen ? "BMP" : "");
    }
}

// A file whose cards have no short answer cannot keep the text file's answers: either import
// asks first, when the text file holds any, and stops at No without a card.
TEST_F(TextImportTest, BothImportsAskBeforeLeavingOutTheAnswersOfAFileWithoutShortAnswers)
{
    abre(false, false, true);
    const QString pregunta = QStringLiteral(
        "Las fichas de este fichero no tienen respuesta corta, así que las respuestas del archivo de texto no se "
        "guardarán.\r\r¿Quiere importar las fichas sin sus respuestas?");
    struct Case {
        bool conImagenes;
        QByteArray texto;
        std::optional<platform::DialogAnswer> respuesta; // none: nothing asked
        int fichas;
    } cases[] = {
        {false, "Q1#A1#\r\nQ2##\r\n", platform::DialogAnswer::No, 0},
        {false, "Q1#A1#\r\nQ2##\r\n", platform::DialogAnswer::Ok, 2},
        {false, "Q1##\r\nQ2# #\r\n", std::nullopt, 2},
        {true, "Q1##\r\n##\r\nQ2#A2#\r\n##\r\n", platform::DialogAnswer::No, 0},
        {true, "Q1##\r\n##\r\nQ2#A2#\r\n##\r\n", platform::DialogAnswer::Ok, 2},
        {true, "Q1# #K\r\n##\r\n", std::nullopt, 1},
    };
    for (const Case &c : cases) {
        clearMessages();
        platform::resetDialogScripting();
        const qsizetype antes = fichas().size();
        if (c.respuesta)
            platform::queueDialogAnswer(*c.respuesta);
        putFile("sin_corta.txt", c.texto);
        importa(programPath("sin_corta.txt"), c.conImagenes);
        EXPECT_EQ(platform::dialogTexts(), c.respuesta ? QStringList{pregunta} : QStringList{});
        EXPECT_EQ(fichas().size() - antes, c.fichas);
        const QString fin = c.conImagenes ? "Se han importado %1 Fichas." : "Se han importado %1 fichas.";
        EXPECT_EQ(messages(), c.fichas > 0 ? QStringList(fin.arg(c.fichas)) : QStringList());
    }
}
