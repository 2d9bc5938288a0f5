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
#include <type_traits>
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

// Runs f, reporting whatever escapes it.
template <class F>
void guarded(F &&f) noexcept
{
    try {
        std::forward<F>(f)();
    } catch (...) {
        reportException(std::current_exception());
    }
}

// Connects a signal to a handler method of the receiver, guarded. The handler takes either
// the signal's arguments or none.
template <class Sender, class Signal, class Receiver, class Handler>
    requires std::is_member_function_pointer_v<Handler>
QMetaObject::Connection on(Sender *sender, Signal signal, Receiver *receiver, Handler handler)
{
    return QObject::connect(sender, signal, receiver, [receiver, handler](auto &&...args) {
        guarded([&] {
            if constexpr (std::is_invocable_v<Handler, Receiver *, decltype(args)...>)
                std::invoke(handler, receiver, std::forward<decltype(args)>(args)...);
            else
                std::invoke(handler, receiver);
        });
    });
}

// Connects a signal to any callable, guarded.
template <class Sender, class Signal, class F>
    requires(!std::is_member_function_pointer_v<std::decay_t<F>>)
QMetaObject::Connection on(Sender *sender, Signal signal, QObject *context, F &&f)
{
    return QObject::connect(sender, signal, context, [f = std::forward<F>(f)](auto &&...args) {
        guarded([&] {
            if constexpr (std::is_invocable_v<F, decltype(args)...>)
                f(std::forward<decltype(args)>(args)...);
            else
                f();
        });
    });
}

} // namespace platform
