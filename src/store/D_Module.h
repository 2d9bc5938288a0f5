#pragma once
// The data module: the program's single store object. It lives for the whole run and shows
// every message of the program through the message window.
#include <QObject>
#include <QString>

class TD_Module_ : public QObject {
    Q_OBJECT
public:
    explicit TD_Module_(QObject *parent = nullptr);
    ~TD_Module_() override;

    void DataModuleCreate();

    // Shows the text in the message window, modally; returns when the window has closed.
    void Ver_Mensaje(const QString &Texto);

    // ---- Declared here for the main window's activation until the card store joins;
    // stand-in body in app/PendingStubs.cpp. ----
    void Lee_Estilo_Fuente();
};

extern TD_Module_ *D_Module_;
