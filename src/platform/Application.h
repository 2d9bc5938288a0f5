#pragma once
// The application object and its general error report.
//
// An exception that escapes an event handler must never cross Qt's event loop: every
// handler connection goes through platform::on() (or a handler body through guarded()),
// which catches what escapes and hands it to reportException(). The application object's
// notify() does the same for whatever still reaches it. The report shows the exception's
// text in an error box and the program goes on.
#include <QApplication>
#include <QObject>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <string>
#include <utility>

namespace platform {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int &argc, char **argv);

    // The application title: the caption of the error box.
    static void setTitle(const QString &title);
    static QString title();

    bool notify(QObject *receiver, QEvent *event) override;
};

// Shows the text of the exception in an error box titled with the application title.
// While the program is scripted (tests), the text is recorded instead of shown.
void reportException(std::exception_ptr error) noexcept;
void showErrorBox(const QString &text);
// The texts reported so far while scripted, oldest first; tests read and clear them.
QStringList errorReports();
void clearErrorReports();

// What is done with a damaged table's error (engine::DamagedTableError) that escapes a
// handler, in place of the error box: the data module tells the user once and has the study
// file closed. Without a handler, the error's text is shown like any other.
using DamagedTableHandler = std::function<void(const std::string &path, const QString &text)>;
void setDamagedTableHandler(DamagedTableHandler handler);

namespace detail {
// Handlers running, one inside the other (guarded() counts them).
int handlerDepth() noexcept;
void enterHandler() noexcept;
void leaveHandler() noexcept;
} // namespace detail

// Runs f, reporting whatever escapes it.
template <class F>
void guarded(F &&f) noexcept
{
    detail::enterHandler();
    try {
        std::forward<F>(f)();
    } catch (...) {
        reportException(std::current_exception());
    }
    detail::leaveHandler();
}

namespace detail {
// Wraps a callable in a guarded lambda that takes exactly the callable's own parameters, so
// that the connection passes the signal's arguments (references included) unchanged.
template <class F>
struct Guard : Guard<decltype(&F::operator())> {};
template <class C, class R, class... A>
struct Guard<R (C::*)(A...) const> {
    template <class G>
    static auto wrap(G g)
    {
        return [g](A... a) { guarded([&] { g(std::forward<A>(a)...); }); };
    }
};
template <class C, class R, class... A>
struct Guard<R (C::*)(A...)> {
    template <class G>
    static auto wrap(G g)
    {
        return [g](A... a) mutable { guarded([&] { g(std::forward<A>(a)...); }); };
    }
};
} // namespace detail

// Connects a signal to a handler method of the receiver, guarded. The handler takes a prefix
// of the signal's arguments (often none).
template <class Sender, class Signal, class Receiver, class R, class Class, class... A>
QMetaObject::Connection on(Sender *sender, Signal signal, Receiver *receiver, R (Class::*handler)(A...))
{
    return QObject::connect(sender, signal, receiver, [receiver, handler](A... a) {
        guarded([&] { (receiver->*handler)(std::forward<A>(a)...); });
    });
}

// Connects a signal to a lambda or other callable (with a non-template call operator), guarded.
template <class Sender, class Signal, class F>
QMetaObject::Connection on(Sender *sender, Signal signal, QObject *context, F f)
{
    return QObject::connect(sender, signal, context, detail::Guard<F>::wrap(std::move(f)));
}

} // namespace platform
