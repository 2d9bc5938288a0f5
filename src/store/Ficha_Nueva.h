#pragma once
// New cards of the open study file, each stored whole or not at all.
#include <QString>

#include <functional>
#include <optional>

#include "engine/Transaction.h"

// Appends a card to Tabla_Activa, runs Rellena to set its fields and posts it (written through
// at once). When Rellena or the post fails, the new card is cancelled, so that no half-filled
// card stays in the table, and the error goes on to the caller.
void Anade_Ficha_Entera(const std::function<void()> &Rellena);

// The fields every added card sets, on the card being appended: the packed flag
// (Si_Ficha_Usa_Comp_Encr_o_no), the level, the importance and the key when given, the
// question, the creation date (today), an empty last review and no reviews.
void Pon_Ficha_Nueva(int Nivel, std::optional<int> Importancia, const std::optional<QString> &Clave,
                     const QString &Pregunta);

// A run that adds many cards, one after the other, each appended whole (Anade_Ficha_Entera):
// - the cards are one transaction of the card table, committed by Termina(): a run that stops
//   at a card it cannot add calls Termina() and keeps the cards before it, while a run cut
//   short otherwise (an error that escapes, the program killed) leaves the file as it was, so
//   that running it again adds no card twice; one commit instead of one written-through post
//   per card;
// - the data-aware controls of Tabla_Activa and the card displays that follow its moves (the
//   data module's after-scroll handler) are brought up to date once, at the end;
// - the new cards enter Tabla_Activa's view once, at the end (engine::Table::setViewDeferred),
//   on the last card added, so that the time is linear in the number of cards;
// - every hundred cards the windows are repainted (without taking the user's input), so that
//   the program stays painted and events do not pile up.
class Alta_En_Bloque {
public:
    Alta_En_Bloque();
    ~Alta_En_Bloque(); // without Termina(): every card of the run is undone
    Alta_En_Bloque(const Alta_En_Bloque &) = delete;
    Alta_En_Bloque &operator=(const Alta_En_Bloque &) = delete;

    // Called after each card.
    void Ficha_Anadida();
    // Commits the cards added so far and ends the run (before its closing message); throws
    // when the commit fails, the cards then undone.
    void Termina();

private:
    void Deja_Vista() noexcept;
    int m_fichas = 0;
    std::optional<engine::Transaction> m_transaccion;
    std::optional<engine::BulkWork> m_bloque;
};
