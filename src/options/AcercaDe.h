#pragma once
// The about box " Acerca de...": the program's name and version, what it is for, its web
// address as a link that opens in the user's browser, and the credits.
#include "platform/Form.h"
#include "platform/ImageControl.h"
#include "platform/Label.h"
#include "platform/Panel.h"

#include <QPushButton>

// The program's web address, shown by the link and opened on click.
extern const QString Direccion_Web;
extern const QString Texto_Creditos;

class TAcercaDe_ : public platform::Form {
    Q_OBJECT
public:
    explicit TAcercaDe_(QWidget *parent = nullptr);
    ~TAcercaDe_() override;

    platform::Panel *Panel1;
    platform::ImageControl *ProgramIcon;
    platform::Label *ProductName;
    platform::Label *Comments;
    platform::Label *Label1; // the web address
    platform::Label *Label2; // the credits
    QPushButton *Button1;    // "&Ok"

    void FormCreate();
    void Label1Click();
    void Label1MouseMove();
    void Panel1MouseMove();
    void Button1Click();
};

extern TAcercaDe_ *AcercaDe_;
