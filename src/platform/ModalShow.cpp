#include "platform/ModalShow.h"

#include "platform/Application.h"
#include "platform/Form.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QPointer>

#include <deque>
#include <map>

namespace platform {

namespace {
struct QueuedAction {
    QString windowName;
    ModalAction action;
};

bool scripted = false;
std::deque<QueuedAction> queued;
std::map<int, ModalObserver> observers;
int nextObserverId = 1;
QStringList shown;
QList<QPointer<QWidget>> stack;
QPointer<QWidget> theMainWindow;
QList<QPointer<QWidget>> nonModal; // scripted: the windows shown without blocking, still open
struct PendingReturn {
    QPointer<Form> caller;
    int depth; // of the handler that showed the modal window
};
QList<PendingReturn> pendingReturns; // scripted

// The window that a modal window or dialog opened now returns to.
QWidget *currentCaller()
{
    return stack.isEmpty() ? theMainWindow : stack.last();
}

// Ends the modal event loop when the window hides.
class HideWatcher : public QObject {
public:
    HideWatcher(QWidget *window, QEventLoop *loop) : m_loop(loop) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            m_loop->quit();
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop *m_loop;
};

void tellObservers(QWidget *window, const QString &name)
{
    shown << name;
    const auto copy = observers;
    for (const auto &entry : copy)
        guarded([&] { entry.second(window, name); });
}

ModalAction takeAction(const QString &name)
{
    for (auto it = queued.begin(); it != queued.end(); ++it) {
        if (it->windowName.isEmpty() || it->windowName == name) {
            ModalAction action = std::move(it->action);
            queued.erase(it);
            return action;
        }
    }
    return {};
}

void runScripted(QWidget *window, Form *form)
{
    if (form)
        form->activate();
    if (ModalAction action = takeAction(window->objectName()))
        guarded([&] { action(window); });
    const bool stillOpen = form ? form->modalOpen() : window->isVisible();
    if (stillOpen) { // the user closes the window
        if (form)
            form->close();
        else
            window->close();
    }
    if (form && form->modalOpen())
        form->modalShowEnded(false); // the window refused to close: the show ends all the same
}

void runEventLoop(QWidget *window)
{
    const Qt::WindowModality before = window->windowModality();
    window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    HideWatcher watcher(window, &loop);
    window->show();
    window->raise();
    window->activateWindow();
    if (window->isVisible())
        loop.exec(QEventLoop::DialogExec);
    window->removeEventFilter(&watcher);
    window->setWindowModality(before);
}
} // namespace

int showModal(QWidget *window)
{
    if (!window)
        return mrNone;
    QPointer<QWidget> caller = currentCaller();
    QPointer<QWidget> guard(window);
    tellObservers(window, window->objectName());
    if (!guard)
        return mrNone;

    auto *form = qobject_cast<Form *>(window);
    if (form)
        form->modalShowStarted();
    const auto *showingForm = qobject_cast<Form *>(caller.data());
    const bool returnActivates = showingForm && showingForm->activatesOnReturnFrom(window);
    stack.push_back(window);
    if (scripted)
        runScripted(window, form);
    else
        runEventLoop(window);
    stack.removeAll(guard);
    stack.removeAll(QPointer<QWidget>());

    int result = mrNone;
    if (guard && form) {
        result = form->modalResult();
        form->modalShowEnded(false);
    }
    if (auto *callerForm = qobject_cast<Form *>(caller.data())) {
        if (!scripted)
            callerForm->modalShowEnded(true, returnActivates);
        else if (returnActivates && detail::handlerDepth() > 0)
            pendingReturns.push_back({callerForm, detail::handlerDepth()});
        else if (returnActivates)
            callerForm->activate();
    }
    return result;
}

void handlerReturned(int depth) noexcept
{
    for (qsizetype i = 0; i < pendingReturns.size();) {
        if (pendingReturns[i].depth < depth) {
            ++i;
            continue;
        }
        const QPointer<Form> caller = pendingReturns.takeAt(i).caller;
        if (caller && (caller->modalOpen() || caller == theMainWindow))
            caller->activate();
        i = 0; // the activation may have changed the list
    }
}

int execDialog(QDialog &dialog)
{
    QPointer<QWidget> caller = currentCaller();
    const int result = dialog.exec();
    if (auto *callerForm = qobject_cast<Form *>(caller.data()))
        callerForm->modalShowEnded(true, callerForm->activatesOnReturnFrom(nullptr));
    return result;
}

void showNonModal(QWidget *window)
{
    if (!window)
        return;
    if (!scripted) {
        window->show();
        window->raise();
        window->activateWindow();
        // While a modal window is open the windowing system keeps the focus there: the new
        // window's activation is raised all the same.
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal != window)
            if (auto *form = qobject_cast<Form *>(window))
                form->activate();
        return;
    }
    auto *form = qobject_cast<Form *>(window);
    if (form && !form->property("platformNonModalHooked").toBool()) {
        form->setProperty("platformNonModalHooked", true);
        QObject::connect(form, &Form::closed, form, [form] {
            if (!scripted || nonModal.removeAll(QPointer<QWidget>(form)) == 0)
                return;
            QWidget *focus = stack.isEmpty() ? theMainWindow.data() : stack.last().data();
            if (auto *back = qobject_cast<Form *>(focus))
                back->activate();
        });
    }
    if (!nonModal.contains(window))
        nonModal.push_back(window);
    if (form)
        form->activate();
}

bool isShownNonModal(QWidget *window)
{
    if (!scripted)
        return window && window->isVisible();
    return window && nonModal.contains(window);
}

QList<QWidget *> modalStack()
{
    QList<QWidget *> out;
    for (const auto &w : stack)
        if (w)
            out << w.data();
    return out;
}

void setMainWindow(QWidget *window)
{
    theMainWindow = window;
}

QWidget *mainWindow()
{
    return theMainWindow;
}

QWidget *dialogOwner()
{
    for (auto it = stack.crbegin(); it != stack.crend(); ++it)
        if (*it && (*it)->isVisible())
            return *it;
    return theMainWindow;
}

void setScripted(bool on)
{
    scripted = on;
}

bool isScripted()
{
    return scripted;
}

void onNextShow(const QString &windowName, ModalAction action)
{
    queued.push_back({windowName, std::move(action)});
}

void onNextShow(ModalAction action)
{
    onNextShow(QString(), std::move(action));
}

int pendingModalActions()
{
    return int(queued.size());
}

int addModalObserver(ModalObserver observer)
{
    const int id = nextObserverId++;
    observers.emplace(id, std::move(observer));
    return id;
}

void removeModalObserver(int id)
{
    observers.erase(id);
}

QStringList shownWindows()
{
    return shown;
}

void clearShownWindows()
{
    shown.clear();
}

void resetModalScripting()
{
    queued.clear();
    observers.clear();
    shown.clear();
    stack.clear();
    nonModal.clear();
    pendingReturns.clear();
}

} // namespace platform
