// The print table IMP.db: emptying it and filling it with the cards in print order.
#include "printing/Imprimir.h"

#include "engine/Table.h"
#include "store/D_Module.h"
#include "store/Sesion.h"

#include <algorithm>

bool TImprimir_::Deja_Fila_Imprime()
{
    engine::Table &I = *D_Module_->Imprime;
    if (!I.active())
        return false;
    if (I.state() != engine::Table::State::Browse)
        I.cancel();
    return true;
}

void TImprimir_::Vacia_Tabla_Imprime()
{
    engine::Table &I = *D_Module_->Imprime;
    if (Deja_Fila_Imprime())
        I.emptyTable();
}

void TImprimir_::Copia_Campo_a_Imprime(const QString &Campo)
{
    TD_Module_ &dm = *D_Module_;
    engine::Field *origen = nullptr;
    engine::Field *destino = nullptr;
    bool jpg = false;
    if (Campo == QLatin1String("Preg Imag")) {
        origen = &dm.Tabla_ActivaPreg_Imag();
        destino = &dm.ImprimeImag();
        jpg = dm.Tabla_ActivaTipo_Preg_Imag().asString() == "JPG";
    } else if (Campo == QLatin1String("Resp Text")) {
        origen = &dm.Tabla_ActivaResp_Text();
        destino = &dm.ImprimeMemo2();
    } else if (Campo == QLatin1String("Resp Imag")) {
        origen = &dm.Tabla_ActivaResp_Imag();
        destino = &dm.ImprimeImag();
        jpg = dm.Tabla_ActivaTipo_Resp_Imag().asString() == "JPG";
    } else if (Campo == QLatin1String("Resp Memo")) {
        origen = &dm.Tabla_ActivaResp_Memo();
        destino = &dm.ImprimeMemo();
    } else {
        return;
    }
    std::string bytes;
    try {
        bytes = origen->asBytes();
    } catch (const engine::DamagedTableError &) {
        // Pages of this field that cannot be read: the card prints without it.
        m_fichaEnCursoDanada = true;
        return;
    }
    if (jpg)
        dm.ImprimeTEXT2().setAsString("JPG");
    destino->setBytes(bytes);
}

void TImprimir_::Anade_Ficha_a_Imprime(const QString &Modo)
{
    TD_Module_ &dm = *D_Module_;
    const TSesion_ *s = Sesion_;
    engine::Table &I = *dm.Imprime;
    if (Modo == QLatin1String("APPEND"))
        I.append();
    else if (Modo == QLatin1String("INSERT"))
        I.insert();
    else if (Modo == QLatin1String("EDIT"))
        I.edit();
    const long long id = dm.Tabla_ActivaAutoInc().asLargeInt();
    const QString pregunta = QString::fromStdString(dm.Tabla_ActivaPreg_Text().asString()).trimmed();
    m_fichaEnCurso = {id, pregunta.isEmpty() ? QStringLiteral("nº %1").arg(id) : pregunta};
    m_fichaEnCursoDanada = false;
    const bool empaquetada = s->Fichero_Empaquetado == 1 && dm.Tabla_ActivaFicha_Comp_Encr().asString() == "S";
    dm.ImprimeComp_Encr().setAsString(empaquetada ? "Fs" : "Fn");
    if (Imprimiendo_Preguntas == 1) {
        if (s->Tam_Pregunta > 0)
            dm.ImprimeTEXT().setAsString(dm.Tabla_ActivaPreg_Text().asString());
        if (s->Con_Imagen_Pregunta)
            Copia_Campo_a_Imprime(QStringLiteral("Preg Imag"));
    } else {
        if (s->Tam_Respuesta > 0)
            Copia_Campo_a_Imprime(QStringLiteral("Resp Text"));
        if (s->Con_Imagen_Respuesta)
            Copia_Campo_a_Imprime(QStringLiteral("Resp Imag"));
        if (s->Con_Texto_Largo)
            Copia_Campo_a_Imprime(QStringLiteral("Resp Memo"));
    }
    I.post();
    m_fichaDeFila[I.bookmark()] = m_fichaEnCurso;
    if (m_fichaEnCursoDanada)
        Anota_Ficha_Danada(I.bookmark());
}

void TImprimir_::Anota_Ficha_Danada(std::int64_t Fila)
{
    const auto it = m_fichaDeFila.find(Fila);
    if (it == m_fichaDeFila.end())
        return;
    const auto same = [&](const Ficha_Impresa &f) { return f.first == it->second.first; };
    if (std::none_of(m_fichasDanadas.begin(), m_fichasDanadas.end(), same))
        m_fichasDanadas.push_back(it->second);
}

// Questions, and single-column pages, take the cards in table order. Answers on two-column
// pages go in mirror order: a full page of N cards holds, in row order, its cards
// half+1..N (left column) and then 1..half (right column); the last page of k < N cards is
// N rows with the cards at their mirrored places and blank rows elsewhere.
void TImprimir_::Llena_Tabla_Imprime()
{
    engine::Table &T = *D_Module_->Tabla_Activa;
    engine::Table &I = *D_Module_->Imprime;
    // The card table walks its cards here without refreshing the card displays: nothing is
    // unpacked for windows that are not shown, and a damaged card is reported by the band
    // that prints it.
    struct SinPantallas {
        engine::Table &T;
        engine::Table::Handler antes = std::move(T.beforeScroll), despues = std::move(T.afterScroll);
        explicit SinPantallas(engine::Table &t) : T(t)
        {
            T.beforeScroll = nullptr;
            T.afterScroll = nullptr;
            T.disableControls();
        }
        ~SinPantallas()
        {
            T.beforeScroll = std::move(antes);
            T.afterScroll = std::move(despues);
            T.enableControls();
        }
    } sinPantallas(T);
    Vacia_Tabla_Imprime();
    m_fichaDeFila.clear();
    T.first();
    const int N = FichxPag_10->isChecked() ? 10 : FichxPag_8->isChecked() ? 8 : 6;
    if (Columnas <= 1 || Imprimiendo_Preguntas == 1) {
        while (!T.eof()) {
            Anade_Ficha_a_Imprime(QStringLiteral("APPEND"));
            T.next();
        }
        return;
    }
    const int half = N / 2;
    auto anade = [&](const char *modo, int veces) {
        for (int i = 0; i < veces; ++i) {
            Anade_Ficha_a_Imprime(QString::fromLatin1(modo));
            T.next();
            if (modo[0] == 'E')
                I.next();
        }
    };
    while (!T.eof()) {
        const std::int64_t P = T.bookmark();
        T.moveBy(N - 1);
        if (T.eof()) {
            // The last page: k cards from P to the end.
            T.gotoBookmark(P);
            const int k = int(T.recordCount() - T.recNo()) + 1;
            for (int i = 0; i < N; ++i) {
                I.append();
                I.post();
            }
            auto filaEnBlanco = [&](int fila) { // 1 to N among the blank rows
                I.last();
                I.moveBy(fila - N);
            };
            if (k > half) {
                T.moveBy(half);
                filaEnBlanco(1);
                anade("EDIT", k - half);
                T.gotoBookmark(P);
                filaEnBlanco(half + 1);
                anade("EDIT", half);
            } else {
                filaEnBlanco(half + 1);
                anade("EDIT", k);
            }
            break;
        }
        T.gotoBookmark(P);
        T.moveBy(half);
        anade("APPEND", half);
        T.gotoBookmark(P);
        anade("APPEND", half);
        T.moveBy(half);
    }
}
