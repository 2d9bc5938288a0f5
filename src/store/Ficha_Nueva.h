#pragma once
// New cards of the open study file, each stored whole or not at all.
#include <QString>

#include <functional>
#include <optional>

namespace engine {
class Table;
}

// Appends a card to Tabla_Activa, runs Rellena to set its fields and posts it (written through
// at once). When Rellena or the post fails, the new card is cancelled, so that no half-filled
// card stays in the table, and the error goes on to the caller.
void Anade_Ficha_Entera(const std::function<void()> &Rellena);

// The fields every added card sets, on the card being appended: the packed flag
// (Si_Ficha_Usa_Comp_Encr_o_no), the level, the importance and the key when given, the
// question, the creation date (today), an empty last review and no reviews.
void Pon_Ficha_Nueva(int Nivel, std::optional<int> Importancia, const std::optional<QString> &Clave,
                     const QString &Pregunta);

// For the length of a run that adds many cards: the data-aware controls of Tabla_Activa and
// the card displays that follow its moves (the data module's after-scroll handler) are brought
// up to date once, at the end, instead of at every card; every hundred cards the windows are
// repainted (without taking the user's input), so that the program stays painted and events
// do not pile up.
class Alta_En_Bloque {
public:
    Alta_En_Bloque();
    ~Alta_En_Bloque();
    Alta_En_Bloque(const Alta_En_Bloque &) = delete;
    Alta_En_Bloque &operator=(const Alta_En_Bloque &) = delete;

    // Called after each card.
    void Ficha_Anadida();
    // Ends the run before the scope does (before a closing message).
    void Termina();

private:
    int m_fichas = 0;
    bool m_activo = true;
    std::function<void(engine::Table &)> m_afterScroll;
};
