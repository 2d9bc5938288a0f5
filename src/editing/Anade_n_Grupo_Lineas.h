#pragma once
// The lines of group entry's text file, with no window involved: question, answer, key and
// importance joined by "&", one card a line.
#include <QString>

#include <array>

// The four parts of a line: question, answer, key, importance. Each part ends at the next "&";
// a missing "&" stands where the previous one stood, so that a line without "&" is all
// importance; the importance is the rest of the line, further "&" included.
std::array<QString, 4> Divide_Linea_Grupo(const QString &Linea);
