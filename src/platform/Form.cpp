#include "platform/Form.h"

#include "platform/Application.h"
#include "platform/Clicks.h"
#include "platform/Colors.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "platform/Screen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>
#include <QShowEvent>

#include <utility>

namespace platform {

namespace {
const char *const CancelProperty = "platformCancelButton";
constexpr int ModalReturnWindowMs = 1000;

// A key typed as such: Alt or Ctrl held alone makes a command, not a character (Ctrl with Alt
// is how some keyboards type their third characters, and stays a character).
bool plainKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers m = event->modifiers();
    const bool alt = m.testFlag(Qt::AltModifier), ctrl = m.testFlag(Qt::ControlModifier);
    return alt == ctrl && !m.testFlag(Qt::MetaModifier);
}

// Where the focus went since a window of the program was last activated: to another program
// (coming back activates the main window only) or to a window that stands for one (coming
// back activates no window).
enum class Left { Nowhere, AnotherProgram, StandIn };
Left left = Left::Nowhere;
Qt::ApplicationState lastState = Qt::ApplicationInactive;

void followProgramFocus()
{
    static bool connected = false;
    if (connected || !qGuiApp)
        return;
    connected = true;
    lastState = QGuiApplication::applicationState();
    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, qGuiApp, [](Qt::ApplicationState state) {
        if (lastState == Qt::ApplicationActive && state != Qt::ApplicationActive)
            left = Left::AnotherProgram;
        lastState = state;
    });
}

// Going to a window that stands for another program is leaving the program.
class OutsideWindow : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::WindowActivate)
            left = Left::StandIn;
        return QObject::eventFilter(watched, event);
    }
};

int keyCodeFor(QChar c)
{
    const ushort u = c.unicode();
    if (u == 27)
        return Qt::Key_Escape;
    if (u == 13)
        return Qt::Key_Return;
    if (u == 8)
        return Qt::Key_Backspace;
    if (u == 9)
        return Qt::Key_Tab;
    if (c.isLetter() && u < 128)
        return Qt::Key_A + (c.toUpper().unicode() - 'A');
    if (c.isDigit() && u < 128)
        return Qt::Key_0 + (u - '0');
    if (u == ' ')
        return Qt::Key_Space;
    return Qt::Key_unknown;
}
} // namespace

void standForAnotherProgram(QWidget &window)
{
    if (window.property("platformOutsideWindow").toBool())
        return;
    window.setProperty("platformOutsideWindow", true);
    window.installEventFilter(new OutsideWindow(&window));
}

Form::Form(QWidget *parent) : QWidget(parent, parent ? Qt::Window : Qt::WindowFlags())
{
    followProgramFocus();
}

void Form::setColor(const QColor &color)
{
    setBackgroundColor(*this, color);
}

void Form::setHelpContext(std::uint32_t context)
{
    setHelpContext([context] { return context; });
}

void Form::setHelpContext(std::function<std::uint32_t()> context)
{
    if (!m_helpContext) {
        auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
        connect(f1, &QShortcut::activated, this, [this] { guarded([this] { platform::helpContext(windowHelpContext()); }); });
    }
    m_helpContext = std::move(context);
}

void Form::setKeyPreview(bool on)
{
    if (on == m_keyPreview)
        return;
    m_keyPreview = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

void Form::setCancelButton(QAbstractButton *button, bool cancel)
{
    button->setProperty(CancelProperty, cancel);
}

void Form::followWindowState(const QWidget *other)
{
    const bool maximised = other && (other->windowState() & Qt::WindowMaximized);
    const Qt::WindowStates target = maximised ? Qt::WindowMaximized : Qt::WindowNoState;
    if (windowState() == target)
        return;
    if (maximised) {
        if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
            m_normalSize = size();
        setWindowState(target);
        return;
    }
    // A window that was maximised keeps the maximised size as its own (and a window manager
    // restores a window shown maximised to that size): it gets its normal size back.
    setWindowState(target);
    if (m_normalSize.isValid())
        resize(m_normalSize);
    if (m_centred && isVisible())
        centre(*this);
}

void Form::setVisible(bool visible)
{
    if (visible && !isVisible() && m_followsMainWindow && mainWindow() && mainWindow() != this)
        followWindowState(mainWindow());
    QWidget::setVisible(visible);
}

bool Form::close()
{
    if (isVisible())
        return QWidget::close();
    // A window that is not on screen (never shown, or scripted) closes by the same protocol
    // without its platform window, which would otherwise stop delivering close events.
    QCloseEvent event;
    QCoreApplication::sendEvent(this, &event);
    return event.isAccepted();
}

void Form::setModalResult(int result)
{
    m_modalResult = result;
    if (result != 0)
        close();
}

void Form::activate()
{
    guarded([this] { emit activated(); });
}

void Form::typeCharacter(QChar key)
{
    QWidget *target = focusWidget() ? focusWidget() : this;
    QKeyEvent press(QEvent::KeyPress, keyCodeFor(key), Qt::NoModifier, QString(key));
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, keyCodeFor(key), Qt::NoModifier, QString(key));
    QCoreApplication::sendEvent(target, &release);
}

void Form::modalShowStarted()
{
    m_modalOpen = true;
    m_modalResult = mrNone;
}

void Form::modalShowEnded(bool callerOfModal, bool activates)
{
    if (callerOfModal) {
        m_returnedFromModal.start();
        m_returnActivates = activates;
    } else {
        m_modalOpen = false;
    }
}

bool Form::activatesOnReturnFrom(const QWidget *shown) const
{
    const auto *form = qobject_cast<const Form *>(shown);
    if (form && form->reactivatesCaller())
        return true;
    if (!form || form->returnsAsMessage())
        return m_activateAfterMessages;
    return m_activateOnModalReturn;
}

bool Form::handleCharacter(QChar &key, bool previewed)
{
    Q_UNUSED(previewed);
    guarded([&] { emit keyPressed(key); });
    return key.isNull();
}

bool Form::clickCancelButton()
{
    const auto buttons = findChildren<QAbstractButton *>();
    for (QAbstractButton *b : buttons) {
        if (b->property(CancelProperty).toBool() && b->isVisibleTo(this) && b->isEnabled()) {
            b->click();
            return true;
        }
    }
    return false;
}

bool Form::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || m_redispatching || !watched->isWidgetType())
        return QWidget::eventFilter(watched, event);
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->window() != this)
        return QWidget::eventFilter(watched, event);
    auto *keyEvent = static_cast<QKeyEvent *>(event);
    const QString text = keyEvent->text();
    if (text.isEmpty() || !plainKey(keyEvent))
        return QWidget::eventFilter(watched, event);

    QChar key = text.at(0);
    const bool escape = key.unicode() == 27;
    if (handleCharacter(key, true)) {
        event->accept();
        return true;
    }
    // Not consumed: the control with the focus gets the key as usual.
    QPointer<QWidget> guard(widget);
    m_redispatching = true;
    if (guard)
        QCoreApplication::sendEvent(widget, event);
    m_redispatching = false;
    if (escape && !event->isAccepted())
        clickCancelButton();
    event->accept();
    return true;
}

void Form::keyPressEvent(QKeyEvent *event)
{
    if (m_keyPreview || m_redispatching) {
        // Already seen by the preview; Esc is handled there too.
        event->ignore();
        return;
    }
    const QString text = event->text();
    if (text.isEmpty() || !plainKey(event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    QChar key = text.at(0);
    const bool escape = key.unicode() == 27;
    if (handleCharacter(key, false))
        return;
    if (escape)
        clickCancelButton();
}

void Form::mousePressEvent(QMouseEvent *event)
{
    clicks::press(event, m_pressed);
    QWidget::mousePressEvent(event);
}

void Form::mouseReleaseEvent(QMouseEvent *event)
{
    if (clicks::release(this, event, m_pressed))
        guarded([this] { emit clicked(); });
    QWidget::mouseReleaseEvent(event);
}

void Form::closeEvent(QCloseEvent *event)
{
    bool canClose = true;
    guarded([&] { emit closeQuery(canClose); });
    if (!canClose) {
        event->ignore();
        return;
    }
    if (m_modalOpen && m_modalResult == mrNone)
        m_modalResult = mrCancel;
    m_modalOpen = false;
    guarded([this] { emit closed(); });
    event->accept();
}

void Form::hideEvent(QHideEvent *event)
{
    m_modalOpen = false;
    QWidget::hideEvent(event);
}

void Form::showEvent(QShowEvent *event)
{
    if (m_centred && !event->spontaneous()
        && !(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)))
        centre(*this);
    QWidget::showEvent(event);
}

bool Form::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        const bool returning = m_returnedFromModal.isValid() && m_returnedFromModal.elapsed() < ModalReturnWindowMs;
        m_returnedFromModal.invalidate();
        bool runs = true;
        switch (std::exchange(left, Left::Nowhere)) {
        case Left::StandIn:
            runs = false;
            break;
        case Left::AnotherProgram:
            runs = this == mainWindow();
            break;
        case Left::Nowhere:
            runs = !returning || m_returnActivates;
            break;
        }
        if (runs)
            activate();
    }
    return QWidget::event(event);
}

} // namespace platform
