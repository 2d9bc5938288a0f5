#include "StartedProgram.h"
#include "support/StudyFiles.h"

#include "platform/FileDialog.h"
#include "platform/ModalShow.h"
#include "store/D_Module.h"
#include "store/Imag_Zoom.h"
#include "store/Sesion.h"
#include "store/Text_Zoom.h"
#include "store/Ver_Info.h"

#include <QFontMetrics>

#include <array>
#include <map>
#include <utility>
#include <vector>

namespace {

// Cards by level: {level, how many}; every card has reviews and a packing flag.
struct Tramo {
    int nivel;
    int fichas;
    int repasos = 0;
    const char *comp = "N";
};

QString bar(int letters)
{
    return QString(letters, QLatin1Char('l'));
}

QString line(int level, const QString &bar, int count, int percent)
{
    return QStringLiteral("Nivel %1: %2   %3      (%4 %)").arg(level).arg(bar).arg(count).arg(percent);
}

// The seven level lines, those not given empty: level -> {bar letters, count, percent}.
QStringList lines(const std::map<int, std::array<int, 3>> &shown)
{
    QStringList out;
    for (int level = 0; level <= 6; ++level) {
        const auto it = shown.find(level);
        out << (it == shown.end() ? line(level, QStringLiteral(" "), 0, 0)
                                  : line(level, bar(it->second[0]), it->second[1], it->second[2]));
    }
    return out;
}

} // namespace

class FileInfoTest : public StartedProgram {
protected:
    // Creates the study file X with the cards and opens it through the menu.
    void openWith(const std::vector<Tramo> &tramos, Opciones_FE o = testsupport::defaultOptions())
    {
        const QString path = testsupport::writeStudyFile(programPath(QStringLiteral("dat")), QStringLiteral("X"), o,
                                                         {QStringLiteral("Vocabulario de viaje")});
        {
            engine::Table t;
            testsupport::openTable(t, testsupport::fileName(path));
            for (const Tramo &tr : tramos)
                for (int i = 0; i < tr.fichas; ++i) {
                    t.append();
                    t.fieldByName("Nive_Fich").setAsInteger(tr.nivel);
                    t.fieldByName("Preg_Text").setAsString("p" + std::to_string(i));
                    t.fieldByName("Total_Repa").setAsInteger(tr.repasos);
                    t.fieldByName("Ficha_Comp_Encr").setAsString(tr.comp);
                    t.post();
                }
        }
        platform::FileDialog::queueFileName(path);
        pressKey('1');
        ASSERT_EQ(Sesion_->FE_Abierto, 1) << messages().join("|").toStdString();
    }

    void showInfo(const std::function<void()> &whileShown = {})
    {
        platform::onNextShow(QStringLiteral("Ver_Info_"), [whileShown](QWidget *) {
            if (whileShown)
                whileShown();
        });
        pressKey('6');
    }

    static QStringList levelLines()
    {
        QStringList l;
        for (platform::Label *x : {Ver_Info_->Label6, Ver_Info_->Label9, Ver_Info_->Label10, Ver_Info_->Label11,
                                   Ver_Info_->Label12, Ver_Info_->Label13, Ver_Info_->Label14})
            l << x->caption();
        return l;
    }
    static QString cell(int row, int col) { return Ver_Info_->SG->item(row, col)->text(); }
    static QStringList counts() { return {cell(16, 1), cell(17, 1), cell(18, 1), cell(19, 1)}; }
};

// The level lines: bars of n - n div 6 letters, percentages rounded half to even, each line
// whole on its panel. The menu entry needs an open file.
TEST_F(FileInfoTest, LevelLinesBarsAndPercentages)
{
    pressKey('6');
    EXPECT_EQ(messages(), QStringList{"No hay ningún Fichero de Estudio abierto."});
    EXPECT_FALSE(shownWindows().contains("Ver_Info_"));
    struct Case {
        const char *name;
        std::vector<Tramo> tramos;
        QStringList lines;
    };
    const std::vector<Case> cases = {
        {"all at level 0", {{0, 3}}, lines({{0, {84, 3, 100}}})},
        {"2 of 8 is 25 %", {{1, 2}, {2, 6}}, lines({{1, {21, 2, 25}}, {2, {63, 6, 75}}})},
        {"5, 6 and 7 %", {{1, 5}, {2, 6}, {3, 7}, {9, 82}},
         lines({{1, {5, 5, 5}}, {2, {5, 6, 6}}, {3, {6, 7, 7}}, {6, {69, 82, 82}}})},
        {"halves go to the even number", {{1, 23}, {2, 17}}, lines({{1, {49, 23, 58}}, {2, {35, 17, 42}}})},
        {"12.5 and 37.5 %", {{4, 1}, {5, 3}, {6, 4}}, lines({{4, {10, 1, 12}}, {5, {32, 3, 38}}, {6, {42, 4, 50}}})},
        {"empty file", {}, lines({})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Sesion_->Cierra_Fichero();
        QFile::remove(dat("X.DB"));
        openWith(c.tramos);
        showInfo();
        EXPECT_EQ(levelLines().join("|").toStdString(), c.lines.join("|").toStdString());
        // Every line, its count and percentage included, stays on the panel in readable letters.
        for (platform::Label *x : {Ver_Info_->Label6, Ver_Info_->Label9, Ver_Info_->Label10, Ver_Info_->Label11,
                                   Ver_Info_->Label12, Ver_Info_->Label13, Ver_Info_->Label14}) {
            EXPECT_LE(x->x() + QFontMetrics(x->font()).horizontalAdvance(x->caption()), x->parentWidget()->width())
                << x->caption().toStdString();
            EXPECT_GE(x->font().pixelSize(), 7);
        }
        int total = 0;
        for (const Tramo &t : c.tramos)
            total += t.fichas;
        EXPECT_EQ(Ver_Info_->GroupBox2->title(),
                  QStringLiteral(" Nº de Fichas en cada Nivel:    ( Total: %1 fichas ) ").arg(total));
    }
}

TEST_F(FileInfoTest, CountsIgnoreTheSelectionWhichIsInForceAgainAfterwards)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Comprimido = true;
    openWith({{0, 2, 1, "N"}, {1, 3, 7, "S"}, {2, 4, 32767, "S"}, {7, 1, 5, "N"}}, o);
    engine::Table &t = *D_Module_->Tabla_Activa;
    t.setFilter("Nive_fich = 2");
    t.next();
    t.next();
    const std::int64_t card = t.bookmark();
    int scrolls = 0;
    const int listener = t.addListener([&](engine::Table::Event e, int) {
        if (e == engine::Table::Event::Scrolled || e == engine::Table::Event::DataChanged)
            ++scrolls;
    });

    showInfo();

    t.removeListener(listener);
    EXPECT_EQ(counts(), (QStringList{" 10", " 2", " 7", " 3"}));
    EXPECT_EQ(Ver_Info_->Label7->caption().toStdString(),
              " Las fichas de este fichero se han repasado un total de 131096 veces.  ");
    EXPECT_EQ(levelLines()[0], line(0, bar(17), 2, 20));
    EXPECT_EQ(levelLines()[6], line(6, bar(9), 1, 10));
    EXPECT_EQ(t.filter(), "Nive_fich = 2");
    EXPECT_TRUE(t.filtered());
    EXPECT_EQ(t.bookmark(), card);
    EXPECT_EQ(scrolls, 0); // no card display was filled
    EXPECT_FALSE(Ver_Info_->Label16->isVisible());
    EXPECT_EQ(Ver_Info_->Label16->caption(), "Procesando:\r10");
}

TEST_F(FileInfoTest, SettingsRowsNameDescriptionAndAFileThatDoesNotPack)
{
    Opciones_FE o = testsupport::defaultOptions();
    o.Tam_Pregunta = 100;
    o.Tam_Respuesta = 0;
    o.Imagen_Respuesta = true;
    o.Exportable = true;
    o.Modificable = false;
    o.Imprimible = false;
    openWith({{1, 3, 0, "S"}, {0, 1, 0, "N"}}, o);
    showInfo();

    QStringList rows;
    for (int r = 0; r < 15; ++r)
        rows << cell(r, 0) + "=" + cell(r, 1);
    EXPECT_EQ(rows.join("|").toStdString(), QStringList({" Tamaño de la Pregunta: = 100", " Imagen en la Pregunta:= NO",
                                 " Tamaño de la Respuesta:= NO", " Imagen en la Respuesta:= SI",
                                 " Texto Largo en Respuesta:= NO", "=", " Nivel de Importancia:= NO",
                                 " Clave para Seleccionar:= SI", "=", " Comprimido:= NO", " Con Contraseña:= NO", "=",
                                 " Puede ser Exportado:= SI", " Modificar o Borrar Fichas:= NO",
                                 " Puede ser Imprimido:= NO"}).join("|").toStdString());
    EXPECT_EQ(counts(), (QStringList{" 4", " 1", " 0", " 4"}));
    EXPECT_EQ(Ver_Info_->Label8->caption(), " Nombre del Fichero:    X");
    EXPECT_EQ(Ver_Info_->RichEdit1->toPlainText().trimmed(), "Vocabulario de viaje");
    EXPECT_EQ(Ver_Info_->Label7->caption(), " Las fichas de este fichero se han repasado un total de 0 veces.  ");
}

TEST_F(FileInfoTest, ZoomShowsTheDescriptionReadOnlyAndThePictureOnlyWhenThereIsOne)
{
    openWith({{1, 1}});
    Zoom_Editable = 1;
    QString zoomed;
    showInfo([&] {
        platform::onNextShow(QStringLiteral("Text_Zoom_"),
                             [&](QWidget *) { zoomed = Text_Zoom_->RichEdit1->toPlainText(); });
        Ver_Info_->Button4->click();
        Ver_Info_->Image1->clear();
        click(Ver_Info_->Image1);
    });
    EXPECT_EQ(zoomed.trimmed(), "Vocabulario de viaje");
    EXPECT_EQ(Zoom_Editable, 0);
    EXPECT_FALSE(shownWindows().contains("Imag_Zoom_"));

    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::red);
    showInfo([&] {
        Ver_Info_->Image1->setPicture(picture);
        platform::onNextShow(QStringLiteral("Imag_Zoom_"), [](QWidget *) {});
        Ver_Info_->Image1Click();
    });
    EXPECT_EQ(Sesion_->Origen_Zoom, "Ver_Info");
    EXPECT_TRUE(shownWindows().contains("Imag_Zoom_"));
}
