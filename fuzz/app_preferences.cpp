// Fuzz target: reading a preferences file of any bytes. The reading never fails, the corrected
// lines are four well-formed ones that read back the same values, and every number read lies
// within what its columns can hold.
#include "store/Preferencias.h"
#include "platform/Rtf.h"

#include "FuzzCheck.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = platform::rtf::toLines(bytes);
    const QStringList fixed = preferencias::corrige(lines);
    check(fixed.size() >= preferencias::Lineas);
    check(preferencias::correctas(fixed));
    check(preferencias::corrige(fixed) == fixed);

    const auto r = preferencias::leeRepaso(fixed[0]).valores;
    check(r.Formato_Fecha == 0 || r.Formato_Fecha == 1);
    for (int i = 1; i <= 9; ++i)
        check(r.Dias_Repaso[i] >= 0 && r.Dias_Repaso[i] <= 999);
    check(preferencias::leeRepaso(lines.value(0)).valores.Dias_Repaso == r.Dias_Repaso);

    const auto d = preferencias::leeDescansos(fixed[1]).valores;
    for (int m : d.Minutos)
        check(m >= 0 && m <= 999);
    check(d.Minutos_Parpadeo >= 0 && d.Minutos_Parpadeo <= 99);
    check(preferencias::leeDescansos(lines.value(1)).valores.Minutos == d.Minutos);
    return 0;
}
