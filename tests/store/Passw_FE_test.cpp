#include "support/CardFiles.h"
#include "support/ProgramFixture.h"

#include "app/Panta_Inicio.h"
#include "packing/PackStreamCol.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "platform/RichEdit.h"
#include "store/D_Module.h"
#include "store/Passw_FE.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>

#include <functional>

namespace {
const QString WrongPassword = QStringLiteral("La contraseña no es correcta para este Fichero de Estudio.");

void writeContainer(const QString &path, const std::string &item, const std::string &content, const std::string &key)
{
    TPackStreams pks;
    pks.Compressed = true;
    pks.Encrypted = !key.empty();
    pks.Key = key;
    packing::MemoryStream s(std::string_view{content});
    pks.AddStream(item, s);
    pks.SaveToFile(path.toStdString());
}
} // namespace

class SettingsKeyTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        startProgram();
        p = Panta_Inicio_;
        p->Ruta_FE = programPath("dat/Cifrado.DB");
        writeContainer(stu(), "FE_STU", testsupport::rtfLines({"opciones", "version"}), "secreto");
    }
    QString stu() const { return programPath("dat/Cifrado.STU"); }
    QString cla() const { return programPath("dat/Cifrado.CLA"); }
    void saveKey(const std::string &password, const std::string &serial)
    {
        writeContainer(cla(), "1", testsupport::rtfLines({"RichEdit3", QString::fromStdString(password)}), serial);
    }
    // Loads the settings as the open routine does; false when the load failed.
    bool loadSettings()
    {
        try {
            D_Module_->PKS3->LoadFromFile(stu().toStdString());
            return true;
        } catch (const std::exception &) {
            return false;
        }
    }
    // Queues the password window's answer: the text typed and the button pressed.
    void answer(const QString &typed, bool accept, bool save = false)
    {
        platform::onNextShow("Passw_FE_", [=](QWidget *) {
            Passw_FE_->Edit1->setText(typed);
            Passw_FE_->CheckBox2->setChecked(save);
            (accept ? Passw_FE_->BitBtn1 : Passw_FE_->Button2)->click();
        });
    }

    TPanta_Inicio_ *p = nullptr;
};

TEST_F(SettingsKeyTest, WithoutASavedPasswordTheWindowAsksForIt)
{
    answer("secreto", true);
    EXPECT_TRUE(loadSettings());
    EXPECT_EQ(shownWindows(), QStringList{"Passw_FE_"});
    EXPECT_EQ(Contrasena_Aceptada, 1);
    EXPECT_EQ(Passw_FE_->Edit1->text(), "secreto"); // kept for the cards' key
    EXPECT_EQ(p->Guardar_Contrasena, 0);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(SettingsKeyTest, SavePasswordTickedAsksToSaveIt)
{
    answer("secreto", true, true);
    EXPECT_TRUE(loadSettings());
    EXPECT_EQ(p->Guardar_Contrasena, 1);
}

TEST_F(SettingsKeyTest, AWrongPasswordIsReportedOnlyAfterAccepting)
{
    answer("otra", true);
    EXPECT_FALSE(loadSettings());
    EXPECT_EQ(messages(), QStringList{WrongPassword});

    clearMessages();
    answer("otra", false);
    EXPECT_FALSE(loadSettings());
    EXPECT_EQ(Contrasena_Aceptada, 0);
    EXPECT_EQ(Passw_FE_->Edit1->text(), "");
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(SettingsKeyTest, AReadableSavedPasswordIsUsedWithoutAsking)
{
    saveKey("secreto", "1A2B-3C4D");
    p->Guardar_Contrasena = 1;
    Contrasena_Aceptada = 0;
    EXPECT_TRUE(loadSettings());
    EXPECT_TRUE(shownWindows().isEmpty());
    EXPECT_EQ(p->RichEdit3->line(1), "secreto");
    EXPECT_EQ(p->Guardar_Contrasena, 0);
    EXPECT_EQ(Contrasena_Aceptada, 0);
    EXPECT_FALSE(D_Module_->PKS2->Compressed);
    EXPECT_FALSE(D_Module_->PKS2->Encrypted);
    EXPECT_EQ(D_Module_->PKS2->Key, "1A2B-3C4D");
    // The password read does not stay behind in the container that writes other files.
    EXPECT_TRUE(D_Module_->PKS2->itemsForInspection().empty());
    EXPECT_TRUE(QFile::exists(cla()));
}

// A saved password that cannot serve is deleted and the user is asked instead: one from another
// disk, a damaged file, one holding no password, one without its item.
TEST_F(SettingsKeyTest, ASavedPasswordThatCannotServeIsDeletedAndAskedFor)
{
    const struct {
        const char *what;
        std::function<void()> write;
    } cases[] = {
        {"another disk", [&] { saveKey("secreto", "FFFF-0000"); }},
        {"damaged",
         [&] {
             QFile f(cla());
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("&*dañado");
         }},
        {"empty password", [&] { saveKey("", "1A2B-3C4D"); }},
        {"no item 1",
         [&] { writeContainer(cla(), "2", testsupport::rtfLines({"RichEdit3", "secreto"}), "1A2B-3C4D"); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        c.write();
        clearShownWindows();
        answer("secreto", true);
        EXPECT_TRUE(loadSettings());
        EXPECT_EQ(shownWindows(), QStringList{"Passw_FE_"});
        EXPECT_FALSE(QFile::exists(cla()));
        EXPECT_EQ(D_Module_->Origen_Clave_PKS3, TD_Module_::Origen_Clave::Tecleada);
        EXPECT_EQ(D_Module_->Clave_PKS3, "secreto");
        EXPECT_FALSE(D_Module_->PKS2->Compressed);
        EXPECT_FALSE(D_Module_->PKS2->Encrypted);
        EXPECT_TRUE(messages().isEmpty());
    }
}

TEST_F(SettingsKeyTest, APlainSettingsContainerNeverAsks)
{
    writeContainer(stu(), "FE_STU", testsupport::rtfLines({"opciones"}), "");
    EXPECT_TRUE(loadSettings());
    EXPECT_TRUE(shownWindows().isEmpty());
}

// ---- The password window ----

class PasswordWindowTest : public ProgramFixture {
protected:
    void SetUp() override
    {
        ProgramFixture::SetUp();
        startProgram();
        w = Passw_FE_;
    }
    TPassw_FE_ *w = nullptr;
};

TEST_F(PasswordWindowTest, ControlsAsDesigned)
{
    EXPECT_EQ(w->windowTitle(), "  Contraseña del Fichero de Estudio");
    EXPECT_FALSE(w->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(w->Label1->caption(), "Introduzca la contraseña del Fichero de Estudio:");
    EXPECT_EQ(w->CheckBox1->text(), "Ocultar contraseña");
    EXPECT_EQ(w->CheckBox2->text(), "Guardar contraseña");
    EXPECT_FALSE(w->CheckBox1->isChecked());
    EXPECT_FALSE(w->CheckBox2->isChecked());
    EXPECT_EQ(w->BitBtn1->text(), " Ac&eptar");
    EXPECT_EQ(w->Button2->text(), "&Salir");
    EXPECT_EQ(w->Button3->text(), "&Ayuda");
    EXPECT_EQ(Contrasena_Aceptada, 0);
}

TEST_F(PasswordWindowTest, EveryShowingStartsEmptyAndKeepsTheSaveBox)
{
    platform::onNextShow("Passw_FE_", [&](QWidget *) {
        w->CheckBox2->setChecked(true);
        w->Edit1->setText("uno");
        w->BitBtn1->click();
    });
    platform::showModal(w);
    EXPECT_EQ(w->Edit1->text(), "uno");
    QString atStart = "x";
    bool saveBox = false;
    platform::onNextShow("Passw_FE_", [&](QWidget *) {
        atStart = w->Edit1->text();
        saveBox = w->CheckBox2->isChecked();
        EXPECT_EQ(w->focusWidget(), w->Edit1);
        w->Button2->click();
    });
    platform::showModal(w);
    EXPECT_EQ(atStart, "");
    EXPECT_TRUE(saveBox);
}

TEST_F(PasswordWindowTest, HidingThePasswordShowsStars)
{
    w->CheckBox1->click();
    EXPECT_EQ(w->Edit1->echoMode(), QLineEdit::Password);
    w->CheckBox1->click();
    EXPECT_EQ(w->Edit1->echoMode(), QLineEdit::Normal);
}

TEST_F(PasswordWindowTest, EnterAcceptsAndEscLeaves)
{
    int result = 0;
    platform::onNextShow("Passw_FE_", [&](QWidget *) {
        w->Edit1->setText("clave");
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QCoreApplication::sendEvent(w->Edit1, &enter);
        result = w->modalResult();
    });
    platform::showModal(w);
    EXPECT_EQ(result, platform::mrOk);
    EXPECT_EQ(Contrasena_Aceptada, 1);

    platform::onNextShow("Passw_FE_", [&](QWidget *) {
        w->Edit1->setText("clave");
        pressKey(w, QChar(27));
        result = w->modalResult();
    });
    platform::showModal(w);
    EXPECT_EQ(result, platform::mrCancel);
    EXPECT_EQ(Contrasena_Aceptada, 0);
    EXPECT_EQ(w->Edit1->text(), "");
}

TEST_F(PasswordWindowTest, HelpShowsTopic52)
{
    w->Button3->click();
    EXPECT_EQ(platform::helpContextRequests(), QList<std::uint32_t>{52});
}
