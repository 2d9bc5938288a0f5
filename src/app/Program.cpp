#include "app/Program.h"

#include "app/Panta_Inicio.h"
#include "editing/Alta_Fichas.h"
#include "editing/Anade_n_Grupo_.h"
#include "editing/FILTRO_ENV_.h"
#include "editing/Modif_Glob.h"
#include "exchange/Exportar_FE.h"
#include "exchange/FE_Transporte.h"
#include "exchange/Importar_de_FE.h"
#include "exchange/Importar_de_txt.h"
#include "exchange/Importar_de_txt_e_Imag.h"
#include "options/AcercaDe.h"
#include "options/Configura_Progr.h"
#include "options/Descanso.h"
#include "options/Parpadeo_Aviso.h"
#include "options/Ver_Pag_Web.h"
#include "platform/Application.h"
#include "platform/Help.h"
#include "platform/ModalShow.h"
#include "printing/Imprimir.h"
#include "review/FreeNiv0a1.h"
#include "review/Repasar.h"
#include "review/Selecc_Repaso.h"
#include "store/Crea_Fiche.h"
#include "store/D_Module.h"
#include "store/Imag_Zoom.h"
#include "store/Mensaje_.h"
#include "store/Passw_FE.h"
#include "store/Text_Zoom.h"
#include "store/Ver_Info.h"

#include <functional>
#include <vector>

namespace app {

namespace {
struct Step {
    std::function<QObject *()> create;
    std::function<void()> destroy;
};

// The constructor assigns the instance before its creation handler runs.
template <class Window>
Step window(Window *&instance)
{
    return {[&instance]() -> QObject * {
                instance = new Window();
                return instance;
            },
            [&instance] {
                delete instance;
                instance = nullptr;
            }};
}

std::vector<Step> creationOrder()
{
    return {
        window<TPanta_Inicio_>(Panta_Inicio_),
        window<TAlta_Fichas_>(Alta_Fichas_),
        window<TD_Module_>(D_Module_),
        window<TFILTRO_ENV>(FILTRO_ENV),
        window<TModif_glob_>(Modif_glob_),
        window<TCrea_Fiche_>(Crea_Fiche_),
        window<TSelecc_Repaso_>(Selecc_Repaso_),
        window<TRepasar_>(Repasar_),
        window<TVer_Info_>(Ver_Info_),
        window<TImprimir_>(Imprimir_),
        window<TAcercaDe_>(AcercaDe_),
        window<TConfigura_Progr_>(Configura_Progr_),
        window<TDescanso_>(Descanso_),
        window<TVer_Pag_Web_>(Ver_Pag_Web_),
        window<TFreeNiv0a1_>(FreeNiv0a1_),
        window<TParpadeo_Aviso_>(Parpadeo_Aviso_),
        window<TImportar_de_txt_>(Importar_de_txt_),
        window<TPassw_FE_>(Passw_FE_),
        window<TExportar_FE_>(Exportar_FE_),
        window<TFE_Transporte_>(FE_Transporte_),
        window<TText_Zoom_>(Text_Zoom_),
        window<TImag_Zoom_>(Imag_Zoom_),
        window<TImportar_de_FE_>(Importar_de_FE_),
        window<TImportar_de_txt_e_Imag_>(Importar_de_txt_e_Imag_),
        window<TAnade_n_Grupo>(Anade_n_Grupo),
        window<TMensaje>(Mensaje),
    };
}

std::vector<Step> created;
QStringList createdNames;
} // namespace

void prepareApplication()
{
    platform::Application::setTitle(QStringLiteral("OV2"));
    platform::setHelpFile(QString());
}

void createWindows()
{
    for (Step &step : creationOrder()) {
        QObject *object = step.create();
        createdNames << object->objectName();
        if (created.empty())
            platform::setMainWindow(qobject_cast<QWidget *>(object));
        created.push_back(std::move(step));
    }
}

void destroyWindows()
{
    while (!created.empty()) {
        created.back().destroy();
        created.pop_back();
    }
    createdNames.clear();
    platform::setMainWindow(nullptr);
}

QStringList createdWindows()
{
    return createdNames;
}

} // namespace app
