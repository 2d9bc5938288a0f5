#pragma once
// The filter language of a table's view.
//
//   filter     := blank | or-expr
//   or-expr    := and-expr { "or" and-expr }       "and" binds tighter than "or";
//   and-expr   := primary { "and" primary }        both words in any case
//   primary    := "(" or-expr ")" | condition
//   condition  := field op value | value op field
//   op         := "=" | "<>" | ">" | ">=" | "<" | "<="
//   value      := number | quoted | "true" | "false"
//   number     := ["-" | "+"] digits ["." digits]    as typed, e.g. 20261205, 05, 3
//   quoted     := "'" { any character, "''" for one quote } "'"
// Blanks, tabs and line breaks separate tokens and are otherwise ignored; field names are
// compared without regard to case. Anything else (an unknown field, a missing value, a
// blob field, letters where a value should be, an unclosed quote or bracket) is an invalid
// filter: EngineError with a message naming the fault and where it is.
//
// Meaning:
// - SmallInt and AutoInc fields compare as numbers; a quoted value must hold a number.
// - String fields compare as texts, byte by byte in UTF-8 (so case-sensitively, and digit
//   strings such as dates yyyymmdd in date order). An unquoted number is taken as the text
//   of its characters as typed: Fech_Ulti_Repa <> 20261205 is Fech_Ulti_Repa <> '20261205'.
// - A quoted text of two or more characters ending in "*" compares only the first characters
//   of the field, as many as precede the "*" (P): the field's first |P| bytes are compared
//   with P by the operator. So = selects the values that begin with P, <> those that do not,
//   >= those that begin with P or sort after it, > those that sort after every value
//   beginning with P, < those that sort before P and do not begin with it, <= those that sort
//   before P or begin with it. A lone "*" is an ordinary character.
// - Boolean fields compare with true and false (also quoted 'true'/'false'); false < true.
// - BLANKS: a blank field (no value, or an empty text) is equal to a blank value ('') and
//   less than every other value, of any type. So Clav_Fich = '' selects the cards without
//   key, Fech_Prox_Repa <= '20261205' includes cards without a next review date (they are due),
//   Fech_Ulti_Repa <> 20261205 includes cards never reviewed, Nive_Impo < 3 includes cards
//   without importance and Camp_Logi = true excludes cards whose flag was never set.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FieldDef.h"
#include "engine/Value.h"

namespace engine {

class Filter {
public:
    Filter();                      // the empty filter: passes every record
    ~Filter();
    Filter(Filter &&) noexcept;
    Filter &operator=(Filter &&) noexcept;

    // Parses the text and resolves its field names; EngineError when it is invalid.
    static Filter compile(std::string_view text, const std::vector<FieldDef> &fields);
    // Checks the syntax only (field names not resolved); EngineError when it is invalid.
    static void checkSyntax(std::string_view text);

    bool empty() const;                           // a blank text
    bool matches(const Row &row) const;           // row: one value per field
    const std::vector<int> &usedFields() const;   // indexes of the fields the text names

    struct Node;

private:
    std::unique_ptr<Node> root_;
    std::vector<int> used_;
};

} // namespace engine
