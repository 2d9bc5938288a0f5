#pragma once
// A window of the program: the events the windows' handlers hang on.
//
//   activated()           the window became the program's active window (FormActivate): it
//                         was shown, the focus moved to it from another window of the
//                         program, or a modal window it showed closed (see "Returns" below);
//                         when the focus comes back from another program only for the main
//                         window; never when it comes back from a window that stands for
//                         another program (the help viewer)
//   keyPressed(QChar &)   a plain key (not held with Alt or Ctrl alone) that produces a
//                         character (Esc and Enter included) reached
//                         the window; with key preview on, before the control with the focus
//                         sees it. A handler sets the character to QChar() to consume it.
//   clicked()             a click on the window itself (FormClick)
//   closeQuery(bool &)    the window is about to close; a handler may refuse
//   closed()              the window closed (FormClose)
//
// Esc that nobody consumed clicks the window's visible cancel button (setCancelButton); F1
// asks for the window's help context (setHelpContext).
// The modal result ends a modal show when set to a value other than mrNone.
//
// Returns. When a modal window closes, the window that showed it becomes active again and its
// activation runs, unless that window asks not to (setActivateOnModalReturn(false)). The
// message window and the platform's dialogs (file, font and message boxes, printing) only
// tell or ask: their closing runs the activation of the windows that ask for it
// (setActivateAfterMessages). A window that hands its caller back the work it held
// (setReactivatesCaller) runs its caller's activation in every case.
#include <QAbstractButton>
#include <QChar>
#include <QColor>
#include <QElapsedTimer>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace platform {

// A control of a window with its object name, by which tests and screenshots find it.
template <class Control>
Control *named(Control *control, const char *name)
{
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// Marks a window that stands for another program, as the help viewer does for the help
// program: the program's windows take the focus back from it with no activation.
void standForAnotherProgram(QWidget &window);

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget *parent = nullptr);

    // The window's colour (an invalid colour leaves the style's background).
    void setColor(const QColor &color);
    // The window stands in the middle of the desktop's work area each time it is shown,
    // unless it is shown maximised (platform::centre).
    void setCentred(bool on) { m_centred = on; }
    bool centred() const { return m_centred; }
    // Maximised when the other window is maximised, else normal at the size the window had
    // before it was maximised (and centred, when it is centred), whether shown or hidden.
    void followWindowState(const QWidget *other);
    // The window takes the main window's state (followWindowState) each time it is shown,
    // before it reaches the screen.
    void setFollowsMainWindowState(bool on) { m_followsMainWindow = on; }
    void setVisible(bool visible) override;

    // The help context that F1 asks for; a function gives it when it depends on what the
    // window shows.
    void setHelpContext(std::uint32_t context);
    void setHelpContext(std::function<std::uint32_t()> context);
    // The context F1 asks for now (0: none).
    std::uint32_t windowHelpContext() const { return m_helpContext ? m_helpContext() : 0; }

    void setKeyPreview(bool on);
    bool keyPreview() const { return m_keyPreview; }

    // Esc clicks the first of the window's cancel buttons that is visible within the window
    // and enabled.
    static void setCancelButton(QAbstractButton *button, bool cancel = true);

    // Closes the window: the close query, then the closed() signal. Also works for a window
    // that is not on screen (tests).
    bool close();

    int modalResult() const { return m_modalResult; }
    // Sets the result; any value but mrNone closes the window.
    void setModalResult(int result);

    // Whether the window's activation runs again when a modal window it showed closes (it
    // does unless asked not to), and when a message window or a dialog it showed closes (only
    // when asked to).
    void setActivateOnModalReturn(bool on) { m_activateOnModalReturn = on; }
    bool activateOnModalReturn() const { return m_activateOnModalReturn; }
    void setActivateAfterMessages(bool on) { m_activateAfterMessages = on; }
    bool activateAfterMessages() const { return m_activateAfterMessages; }
    // The window only tells or asks (the message window): its closing is a message's return.
    void setReturnsAsMessage(bool on) { m_returnsAsMessage = on; }
    bool returnsAsMessage() const { return m_returnsAsMessage; }
    // Closing the window runs the activation of the window that showed it in every case.
    void setReactivatesCaller(bool on) { m_reactivatesCaller = on; }
    bool reactivatesCaller() const { return m_reactivatesCaller; }
    // Whether closing `shown` (a window or dialog this window showed modally; null for a
    // dialog of the platform) runs this window's activation.
    bool activatesOnReturnFrom(const QWidget *shown) const;

    // Raises activated() as the windowing system does; the modal layer uses it when scripted.
    void activate();
    // Delivers a character as if typed to the window (preview, handler, cancel button).
    void typeCharacter(QChar key);

    // Used by the modal layer.
    void modalShowStarted();
    // callerOfModal: the window that showed a modal window that just closed; activates says
    // whether its coming back to the front runs its activation.
    void modalShowEnded(bool callerOfModal, bool activates = false);
    bool modalOpen() const { return m_modalOpen; }

signals:
    void activated();
    void keyPressed(QChar &key);
    void clicked();
    void closeQuery(bool &canClose);
    void closed();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    bool handleCharacter(QChar &key, bool previewed);
    bool clickCancelButton();

    std::function<std::uint32_t()> m_helpContext;
    bool m_keyPreview = false;
    bool m_centred = false;
    bool m_redispatching = false;
    bool m_pressed = false;
    bool m_modalOpen = false;
    bool m_activateOnModalReturn = true;
    bool m_activateAfterMessages = false;
    bool m_returnsAsMessage = false;
    bool m_reactivatesCaller = false;
    bool m_returnActivates = false; // of the last modal return
    bool m_followsMainWindow = false;
    QSize m_normalSize; // the size before the window was last maximised
    int m_modalResult = 0;
    QElapsedTimer m_returnedFromModal;
};

} // namespace platform
