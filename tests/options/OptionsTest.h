#pragma once
// The options windows' tests start the program with the preferences lines they need and read
// the session's fields and timers.
#include "support/ProgramFixture.h"

#include "platform/Clock.h"
#include "platform/Form.h"
#include "platform/Rtf.h"
#include "platform/Timer.h"
#include "store/Preferencias.h"
#include "store/Sesion.h"

#include <QDateTime>
#include <QFile>

constexpr int Minute = 60000;

class OptionsTest : public ProgramFixture {
protected:
    // Starts the program with the first-run lines, line 2 (breaks and blink) replaced when one
    // is given, and runs the main window's first activation, which reads them; the break
    // schedule counts from here.
    void startWithBreaks(const QString &linea2 = QString())
    {
        QStringList lineas = preferencias::primeraVez();
        if (!linea2.isEmpty())
            lineas[1] = linea2;
        putFile(QStringLiteral("Orvenda02.stu"), platform::rtf::fromLines(lineas));
        startProgram();
        activateMain();
        m_inicio = platform::clock::now();
    }
    static void activateMain()
    {
        if (auto *main = dynamic_cast<platform::Form *>(Sesion_->Ventana_Principal()))
            main->activate();
    }
    // Minutes of the fixed clock since startWithBreaks.
    double minutes() const { return m_inicio.msecsTo(platform::clock::now()) / double(Minute); }
    static void advance(double minutes) { platform::Timer::advanceClock(qint64(minutes * Minute)); }
    QByteArray preferencesBytes() const
    {
        QFile f(programPath(QStringLiteral("Orvenda02.stu")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Days as whole milliseconds, so that sums of date-time values compare exactly.
    static qint64 ms(double days) { return qint64(std::llround(days * 86400000.0)); }

    QDateTime m_inicio;
};
