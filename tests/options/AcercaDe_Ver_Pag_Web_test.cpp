// The about box (texts, the link's colours and its address) and the exercise pages (the pages
// we ship, the page of the session shown again at each activation, a missing page).
#include "OptionsTest.h"

#include "options/AcercaDe.h"
#include "options/Ver_Pag_Web.h"
#include "platform/ModalShow.h"
#include "platform/WebBrowser.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextDocument>

namespace {
const QString Datos = QStringLiteral(ORV_SOURCE_DIR "/data");
}

class AboutAndPagesTest : public OptionsTest {
protected:
    void installPages()
    {
        for (const QString &f : QDir(Datos).entryList({QStringLiteral("*.htm"), QStringLiteral("*.png")}, QDir::Files))
            QFile::copy(Datos + QLatin1Char('/') + f, programPath(f));
    }
};

TEST_F(AboutAndPagesTest, TheAboutBoxShowsTheTrimmedTitleAndItsLinkOpensTheAddress)
{
    startProgram();
    platform::onNextShow(QStringLiteral("AcercaDe_"), [](QWidget *) {
        EXPECT_EQ(AcercaDe_->ProductName->caption(), QStringLiteral("Orvenda  vs. 2.0"));
        mouseMove(AcercaDe_->Label1);
        EXPECT_EQ(AcercaDe_->Label1->fontColor(), QColor(Qt::white));
        mouseMove(AcercaDe_->Panel1);
        EXPECT_EQ(AcercaDe_->Label1->fontColor(), QColor(Qt::blue));
        mouseMove(AcercaDe_->Label1);
        click(AcercaDe_->Label1);
        EXPECT_EQ(AcercaDe_->Label1->fontColor(), QColor(Qt::blue));
        EXPECT_EQ(platform::openedAddresses(), QStringList{Direccion_Web});
        AcercaDe_->Button1->click();
    });
    click(Sesion_->Ventana_Principal()->findChild<QWidget *>(QStringLiteral("Label14")));
    EXPECT_TRUE(shownWindows().contains(QStringLiteral("AcercaDe_")));
    EXPECT_EQ(platform::pendingModalActions(), 0);
}

TEST_F(AboutAndPagesTest, TheShippedPagesHaveTheirPicturesBesideThem)
{
    for (int n = 1; n <= 3; ++n) {
        QFile f(Datos + QStringLiteral("/%1.htm").arg(n));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << n;
        const QString html = QString::fromUtf8(f.readAll());
        const QRegularExpression img(QStringLiteral("<img src=\"([^\"]+)\""));
        int imagenes = 0;
        for (auto it = img.globalMatch(html); it.hasNext(); ++imagenes)
            EXPECT_TRUE(QFile::exists(Datos + QLatin1Char('/') + it.next().captured(1))) << n;
        EXPECT_GE(imagenes, 1) << n;
    }
}

TEST_F(AboutAndPagesTest, EachActivationShowsTheSessionsPageAndTheButtonsTheOthers)
{
    installPages();
    startProgram();
    auto *v = Ver_Pag_Web_;
    Sesion_->Pagina_Ejercicio = 3;
    platform::showNonModal(v);
    EXPECT_TRUE(v->WebBrowser1->locationPath().endsWith(QStringLiteral("/3.htm")));
    EXPECT_TRUE(v->WebBrowser1->pageLoaded());
    EXPECT_TRUE(v->WebBrowser1->toPlainText().contains(QStringLiteral("Ejercicios de Ojos")));

    v->Button4->click(); // "&Hombros"
    EXPECT_TRUE(v->WebBrowser1->toPlainText().contains(QStringLiteral("Ejercicios de Hombros")));
    EXPECT_EQ(Sesion_->Pagina_Ejercicio, 3);
    v->activate(); // the user comes back to the viewer
    EXPECT_TRUE(v->WebBrowser1->locationPath().endsWith(QStringLiteral("/3.htm")));

    Sesion_->Pagina_Ejercicio = 0; // no page: nothing is navigated
    v->activate();
    EXPECT_TRUE(v->WebBrowser1->locationPath().endsWith(QStringLiteral("/3.htm")));

    QFile::remove(programPath(QStringLiteral("2.htm")));
    v->Button3->click(); // "&Cuello", its page missing: the viewer's own page, no message
    EXPECT_FALSE(v->WebBrowser1->pageLoaded());
    EXPECT_TRUE(v->WebBrowser1->toPlainText().contains(QStringLiteral("2.htm")));
    EXPECT_TRUE(messages().isEmpty());

    Sesion_->Descanso_Armado = 0;
    pressKey(v, QChar(27)); // Esc: "&Salir"
    EXPECT_EQ(Sesion_->Descanso_Armado, 1);
    EXPECT_FALSE(platform::isShownNonModal(v));
}
