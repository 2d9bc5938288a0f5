#include "packing/PackStreamRoutines.h"
#include "packing/Streams.h"
#include "platform/Application.h"
#include "platform/Form.h"
#include "platform/ModalShow.h"
#include "platform/Screen.h"
#include "support/EventLoop.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

struct Scripted : ::testing::Test {
    void SetUp() override
    {
        platform::setScripted(true);
        platform::resetModalScripting();
        platform::clearErrorReports();
    }
    void TearDown() override
    {
        platform::resetModalScripting();
        platform::clearErrorReports();
        platform::setScripted(false);
    }
};

void type(QWidget *target, QChar c, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, modifiers, QString(c));
    QCoreApplication::sendEvent(target, &press);
}

} // namespace

using KeyPreviewTest = Scripted;

// With preview the window sees the key first, and may consume it; the focused control still
// gets the rest. Without, the control takes the key alone.
TEST_F(KeyPreviewTest, TheWindowSeesTheKeyBeforeTheFocusedControlAndMayConsumeIt)
{
    for (bool preview : {true, false}) {
        SCOPED_TRACE(preview);
        platform::Form form;
        auto *edit = new QLineEdit(&form);
        form.setKeyPreview(preview);
        QString order;
        QObject::connect(&form, &platform::Form::keyPressed, &form, [&](QChar &k) {
            order += QStringLiteral("form:") + k;
            if (k == QChar('q'))
                k = QChar();
        });
        QObject::connect(edit, &QLineEdit::textChanged, edit, [&](const QString &t) { order += QStringLiteral(" edit:") + t; });
        type(edit, 'x');
        type(edit, 'q');
        EXPECT_EQ(order, preview ? "form:x edit:xform:q" : " edit:x edit:xq");
        type(&form, 'y'); // a key the window itself receives
        EXPECT_TRUE(order.endsWith("form:y"));
    }
}

// Alt or Ctrl held alone make a command, not a character; Ctrl with Alt types a character.
TEST_F(KeyPreviewTest, KeysHeldWithAltOrCtrlAloneAreNoCharacters)
{
    for (bool preview : {true, false}) {
        platform::Form form;
        form.setKeyPreview(preview);
        QString seen;
        QObject::connect(&form, &platform::Form::keyPressed, &form, [&](QChar &k) { seen += k; });
        type(&form, 'a', Qt::AltModifier);
        type(&form, 'b', Qt::ControlModifier);
        type(&form, 'c', Qt::MetaModifier);
        type(&form, '@', Qt::AltModifier | Qt::ControlModifier);
        type(&form, 'D', Qt::ShiftModifier);
        EXPECT_EQ(seen, "@D") << preview;
    }
}

TEST_F(KeyPreviewTest, EscClicksTheVisibleEnabledCancelButtonOnly)
{
    platform::Form form;
    auto *hidden = new QPushButton(&form);
    auto *disabled = new QPushButton(&form);
    auto *visible = new QPushButton(&form);
    hidden->hide();
    disabled->setEnabled(false);
    QList<QPushButton *> clicked;
    for (QPushButton *b : {hidden, disabled, visible}) {
        platform::Form::setCancelButton(b);
        QObject::connect(b, &QPushButton::clicked, b, [&clicked, b] { clicked << b; });
    }
    form.typeCharacter(QChar(27));
    EXPECT_EQ(clicked, QList<QPushButton *>{visible});
}

using ModalTest = Scripted;

TEST_F(ModalTest, ScriptedShowsRecordActivateRunTheirActionAndReturnTheResult)
{
    platform::Form a, b;
    a.setObjectName("A");
    b.setObjectName("B");
    int activations = 0;
    QObject::connect(&b, &platform::Form::activated, &b, [&] { ++activations; });
    QStringList order;
    platform::onNextShow("B", [&](QWidget *) { order << "for B"; });
    platform::onNextShow([&](QWidget *w) {
        order << "any:" + w->objectName();
        static_cast<platform::Form *>(w)->setModalResult(platform::mrOk);
    });
    EXPECT_EQ(platform::showModal(&a), platform::mrOk); // takes the action for any window
    EXPECT_EQ(platform::showModal(&b), platform::mrCancel); // closed by the fixture's "user"
    EXPECT_EQ(order, (QStringList{"any:A", "for B"}));
    EXPECT_EQ(platform::shownWindows(), (QStringList{"A", "B"}));
    EXPECT_EQ(activations, 1);
    EXPECT_FALSE(b.modalOpen());
    EXPECT_EQ(platform::pendingModalActions(), 0);
}

// Closing a modal window activates the window that showed it, unless that window asks not
// to; a message window's closing only those that ask for it; a window that hands its caller
// back always.
TEST_F(ModalTest, NestedShowsReactivateTheirCallersAsTheyAsk)
{
    enum Grandchild { Ordinary, Message, HandsBack };
    const struct {
        Grandchild kind;
        bool childOnReturn, childAfterMessages;
        int childActivations;
    } cases[] = {
        {Ordinary, true, false, 2}, {Ordinary, false, true, 1},  {Message, true, false, 1},
        {Message, false, true, 2},  {HandsBack, false, false, 2}, {HandsBack, true, false, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << c.childOnReturn << c.childAfterMessages);
        platform::Form main, child, grandChild;
        main.setObjectName("main");
        child.setObjectName("child");
        child.setActivateOnModalReturn(c.childOnReturn);
        child.setActivateAfterMessages(c.childAfterMessages);
        grandChild.setReturnsAsMessage(c.kind == Message);
        grandChild.setReactivatesCaller(c.kind == HandsBack);
        platform::setMainWindow(&main);
        int mainActivations = 0, childActivations = 0;
        QObject::connect(&main, &platform::Form::activated, &main, [&] { ++mainActivations; });
        QObject::connect(&child, &platform::Form::activated, &child, [&] { ++childActivations; });
        platform::onNextShow("child", [&](QWidget *) {
            EXPECT_EQ(platform::modalStack(), QList<QWidget *>{&child});
            platform::showModal(&grandChild);
        });
        platform::showModal(&child);
        EXPECT_EQ(childActivations, c.childActivations);
        EXPECT_EQ(mainActivations, 1); // once, when the child closed
        platform::setMainWindow(nullptr);
    }
}

TEST_F(ModalTest, AWindowThatRefusesToCloseStillEndsAScriptedShow)
{
    platform::Form form;
    QObject::connect(&form, &platform::Form::closeQuery, &form, [](bool &can) { can = false; });
    platform::showModal(&form);
    EXPECT_FALSE(form.modalOpen());
}

using ErrorReportTest = Scripted;

// A handler, a scripted action or an event that throws is reported, and the program goes on.
TEST_F(ErrorReportTest, WhatAHandlerAnActionOrAnEventThrowsIsReportedAndTheProgramGoesOn)
{
    platform::Form form;
    auto *button = new QPushButton(&form);
    int after = 0;
    platform::on(button, &QPushButton::clicked, &form, [] { throw std::runtime_error("'abc' is not a valid integer value"); });
    QObject::connect(button, &QPushButton::clicked, button, [&] { ++after; });
    button->click();
    button->click();
    EXPECT_EQ(after, 2);

    platform::onNextShow([](QWidget *) { throw std::runtime_error("roto"); });
    platform::showModal(&form);
    EXPECT_FALSE(form.modalOpen());

    struct Thrower : QObject {
        bool event(QEvent *e) override
        {
            if (e->type() == QEvent::User)
                throw std::runtime_error("fallo");
            return QObject::event(e);
        }
    } thrower;
    QEvent e(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &e));
    EXPECT_EQ(platform::errorReports(), (QStringList{"'abc' is not a valid integer value",
                                                     "'abc' is not a valid integer value", "roto", "fallo"}));

    // Damaged packed data that escapes every handler is told in Spanish.
    platform::clearErrorReports();
    platform::reportException(std::make_exception_ptr(ECorruptFile("File is corrupt.")));
    platform::reportException(std::make_exception_ptr(packing::EReadError()));
    EXPECT_EQ(platform::errorReports(), QStringList(2, "Los datos de este Fichero de Estudio están dañados."));
}

// ---- Activation in a real event loop ----

namespace {
using testsupport::waitUntil;

struct Counted : platform::Form {
    int activations = 0;
    Counted() { QObject::connect(this, &Form::activated, this, [this] { ++activations; }); }
};
} // namespace

TEST(RealActivation, ModalReturnRunsTheCallersActivationAsItAsks)
{
    platform::setScripted(false);
    // A message window's or a platform dialog's closing counts only for windows that ask for it
    // after messages; the other wish is set the other way, to see that it does not count.
    enum Kind { Window, Message, Dialog };
    for (const auto &[asks, kind] : {std::pair{true, Window}, {false, Window}, {true, Message}, {false, Message},
                                     {true, Dialog}, {false, Dialog}}) {
        SCOPED_TRACE(testing::Message() << asks << kind);
        const bool message = kind != Window;
        Counted main;
        main.setActivateOnModalReturn(message ? !asks : asks);
        main.setActivateAfterMessages(message ? asks : !asks);
        platform::setMainWindow(&main);
        main.show();
        main.activateWindow();
        ASSERT_TRUE(waitUntil([&] { return main.isActiveWindow(); }));
        const int before = main.activations;
        EXPECT_GE(before, 1);

        if (kind == Dialog) {
            QDialog dialog(&main);
            QTimer::singleShot(100, &dialog, [&] { dialog.accept(); });
            EXPECT_EQ(platform::execDialog(dialog), QDialog::Accepted);
        } else {
            Counted child;
            child.setParent(&main, Qt::Window);
            child.setReturnsAsMessage(message);
            QTimer::singleShot(100, &child, [&] { child.setModalResult(platform::mrOk); });
            EXPECT_EQ(platform::showModal(&child), platform::mrOk);
            EXPECT_EQ(child.activations, 1);
        }
        // The window manager gives the focus back to the caller.
        main.activateWindow();
        ASSERT_TRUE(waitUntil([&] { return main.isActiveWindow(); }));
        EXPECT_EQ(main.activations, before + (asks ? 1 : 0));
        platform::setMainWindow(nullptr);
    }
}

// Moving between the program's windows activates; coming back from another program activates
// the main window only; coming back from a window that stands for another program, none.
TEST(RealActivation, ComingBackFromAnotherProgramActivatesTheMainWindowOnly)
{
    for (bool aIsMain : {false, true}) {
        SCOPED_TRACE(aIsMain);
        Counted a, b;
        QWidget standIn;
        platform::standForAnotherProgram(standIn);
        platform::setMainWindow(aIsMain ? &a : nullptr);
        a.show();
        b.show();
        standIn.show();
        auto focus = [](QWidget &w) {
            w.activateWindow();
            return waitUntil([&] { return w.isActiveWindow(); });
        };
        ASSERT_TRUE(focus(a));
        ASSERT_TRUE(focus(b));
        const int before = a.activations;
        ASSERT_TRUE(focus(a));
        EXPECT_EQ(a.activations, before + 1);

        ASSERT_TRUE(focus(b));
        // The user goes to another program and comes back to window a.
        emit qApp->applicationStateChanged(Qt::ApplicationInactive);
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        ASSERT_TRUE(focus(a));
        EXPECT_EQ(a.activations, before + 1 + (aIsMain ? 1 : 0));
        ASSERT_TRUE(focus(standIn));
        ASSERT_TRUE(focus(a));
        EXPECT_EQ(a.activations, before + 1 + (aIsMain ? 1 : 0));
        ASSERT_TRUE(focus(b));
        ASSERT_TRUE(focus(a));
        EXPECT_EQ(a.activations, before + 2 + (aIsMain ? 1 : 0));
        platform::setMainWindow(nullptr);
    }
}

// The program's one centring routine: a box stands in the middle of its area, raised by
// `above`, never starting outside the area; a window in the desktop's work area at every show;
// a control in its parent, also after the parent changes size.
TEST(Centring, BoxesWindowsAndControlsStandInTheMiddle)
{
    const QRect area(100, 50, 800, 600);
    const struct {
        QSize size;
        int above;
        QPoint at;
    } cases[] = {{{400, 300}, 0, {300, 200}}, {{401, 301}, 0, {299, 199}}, {{400, 300}, 18, {300, 182}},
                 {{1000, 300}, 0, {100, 200}}, {{400, 700}, 0, {300, 50}},  {{400, 590}, 18, {300, 50}}};
    for (const auto &c : cases)
        EXPECT_EQ(platform::centredPosition(c.size, area, c.above), c.at) << c.size.width() << "x" << c.size.height();

    platform::Form window;
    window.resize(300, 200);
    window.setCentred(true);
    for (int show = 0; show < 2; ++show) {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        EXPECT_LE((window.frameGeometry().center() - platform::desktopArea().center()).manhattanLength(), 2);
        window.move(0, 0); // moved by the user: the next show centres it again
        window.hide();
    }

    QWidget parent;
    parent.resize(500, 400);
    auto *panel = new QWidget(&parent);
    panel->resize(100, 100);
    parent.show();
    platform::keepCentred(*panel, 18);
    EXPECT_EQ(panel->pos(), QPoint(200, 132));
    parent.resize(701, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel->pos(), QPoint(300, 182));
}
