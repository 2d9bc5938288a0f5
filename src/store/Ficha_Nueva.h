#pragma once
// A new card of the open study file, stored whole or not at all.
#include <functional>

// Appends a card to Tabla_Activa, runs Rellena to set its fields and posts it (written through
// at once). When Rellena or the post fails, the new card is cancelled, so that no half-filled
// card stays in the table, and the error goes on to the caller.
void Anade_Ficha_Entera(const std::function<void()> &Rellena);
