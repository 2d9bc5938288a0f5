#pragma once
// The exercise pages " Ejercicios de Recuperación": shoulders, neck and eyes, the pages 1.htm,
// 2.htm and 3.htm of the program folder. Shown without blocking from the break window; every
// activation shows again the page of the session's Pagina_Ejercicio, and the buttons show the
// other pages. Its "&Salir" ends the exercises by arming the break reminder again.
#include "platform/Form.h"
#include "platform/Panel.h"
#include "platform/WebBrowser.h"

#include <QPushButton>

class TVer_Pag_Web_ : public platform::Form {
    Q_OBJECT
public:
    explicit TVer_Pag_Web_(QWidget *parent = nullptr);
    ~TVer_Pag_Web_() override;

    platform::Panel *Panel1;
    platform::WebBrowser *WebBrowser1;
    QPushButton *Button4; // "&Hombros", Tag 1
    QPushButton *Button3; // "&Cuello", Tag 2
    QPushButton *Button2; // "&Ojos", Tag 3
    QPushButton *Button1; // "&Salir"

    // The page file of an exercise page number (1 to 3); empty for any other number.
    static QString Pagina(int Numero);

    void FormCreate();
    void FormActivate();
    void Button2Click(QPushButton *Sender);
    void Button1Click();

private:
    void muestra(int Numero);
};

extern TVer_Pag_Web_ *Ver_Pag_Web_;
