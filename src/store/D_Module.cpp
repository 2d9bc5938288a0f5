#include "store/D_Module.h"

#include "app/Mensaje_.h"
#include "app/Panta_Inicio.h"
#include "platform/ModalShow.h"

TD_Module_ *D_Module_ = nullptr;

TD_Module_::TD_Module_(QObject *parent) : QObject(parent)
{
    D_Module_ = this;
    setObjectName(QStringLiteral("D_Module_"));
    DataModuleCreate();
}

TD_Module_::~TD_Module_()
{
    if (D_Module_ == this)
        D_Module_ = nullptr;
}

void TD_Module_::DataModuleCreate() {}

void TD_Module_::Ver_Mensaje(const QString &Texto)
{
    if (Panta_Inicio_)
        Panta_Inicio_->Texto_Mensaje = Texto;
    platform::showModal(Mensaje);
}
