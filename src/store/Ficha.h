#pragma once
// The card record "Ficha": the one definition of its fields. Every window and unit names a
// field through these constants; TD_Module_::Campos_Ficha builds a study file's field
// definitions from Campos, and TD_Module_::Indices_Ficha its primary index.
//
// ADDING A FIELD takes:
//   - a name constant below and its row in Campos (the row's place is the field's place in
//     the record; add at the end so that the fields before it keep their numbers);
//   - a higher format version of the study file (engine::kFormatVersion in
//     engine/Schema.h, stored as PRAGMA user_version) with the conversion that adds the
//     field to files of the older versions, which would otherwise lack it;
//   - the copy of the field where whole cards are copied field by field (the export's
//     record copy in exchange/Exportar_FE.cpp) and, for a packed blob, its place among the
//     blobs that are packed and unpacked with the card (D_Module.cpp, Alta_Fichas.cpp);
//   - a Tabla_Activa accessor in store/D_Module.h when windows read it from the open file.
// Filter texts ("Nive_Fich = 0", ...) are written out where they are used: they are the
// program's texts, not built from these names.
#include "engine/FieldDef.h"

#include <array>

namespace ficha {

inline constexpr char Nive_Fich[] = "Nive_Fich";             // level; 0 = not yet in the study cycle
inline constexpr char Nive_Impo[] = "Nive_Impo";             // importance; 0 when the file does not use it
inline constexpr char AutoInc[] = "AutoInc";                 // identity of the card
inline constexpr char Clav_Fich[] = "Clav_Fich";             // classification key
inline constexpr char Preg_Text[] = "Preg_Text";             // question; never packed
inline constexpr char Tipo_Preg_Imag[] = "Tipo_Preg_Imag";   // "BMP" or "JPG"; else no question picture
inline constexpr char Preg_Imag[] = "Preg_Imag";             // question picture (bitmap or JPEG file bytes)
inline constexpr char Resp_Text[] = "Resp_Text";             // short answer: RTF of a one-line rich text
inline constexpr char Tipo_Resp_Imag[] = "Tipo_Resp_Imag";   // as Tipo_Preg_Imag, for the answer picture
inline constexpr char Resp_Imag[] = "Resp_Imag";             // answer picture
inline constexpr char Resp_Memo[] = "Resp_Memo";             // long answer: an RTF stream
inline constexpr char Fech_Crea[] = "Fech_Crea";             // dates are yyyymmdd; empty = none
inline constexpr char Fech_Ulti_Repa[] = "Fech_Ulti_Repa";
inline constexpr char Total_Repa[] = "Total_Repa";
inline constexpr char Fech_Prox_Repa[] = "Fech_Prox_Repa";
inline constexpr char Ficha_Comp_Encr[] = "Ficha_Comp_Encr"; // "S": the four blobs are packed; "N": plain
inline constexpr char Camp_Logi[] = "Camp_Logi";             // scratch flag of the global modification

// Size of the question field: the file's question size (1 to 255), given when a file is made.
inline constexpr int Tam_Pregunta = -1;

struct Campo {
    const char *nombre;
    engine::FieldType tipo;
    int tamano; // String: width; Blob: informative; Tam_Pregunta: the file's question size
};

// The fields in creation order.
inline constexpr std::array<Campo, 17> Campos = {{
    {Nive_Fich, engine::FieldType::SmallInt, 0},
    {Nive_Impo, engine::FieldType::SmallInt, 0},
    {AutoInc, engine::FieldType::AutoInc, 0},
    {Clav_Fich, engine::FieldType::String, 15},
    {Preg_Text, engine::FieldType::String, Tam_Pregunta},
    {Tipo_Preg_Imag, engine::FieldType::String, 4},
    {Preg_Imag, engine::FieldType::Blob, 0},
    {Resp_Text, engine::FieldType::Blob, 200},
    {Tipo_Resp_Imag, engine::FieldType::String, 4},
    {Resp_Imag, engine::FieldType::Blob, 0},
    {Resp_Memo, engine::FieldType::Blob, 0},
    {Fech_Crea, engine::FieldType::String, 8},
    {Fech_Ulti_Repa, engine::FieldType::String, 8},
    {Total_Repa, engine::FieldType::SmallInt, 0},
    {Fech_Prox_Repa, engine::FieldType::String, 8},
    {Ficha_Comp_Encr, engine::FieldType::String, 3},
    {Camp_Logi, engine::FieldType::Boolean, 0},
}};

// The primary index, on Nive_Fich, Nive_Impo and AutoInc (TD_Module_::Indices_Ficha).
inline constexpr char Indice_Primario[] = "NiveFich";

} // namespace ficha
