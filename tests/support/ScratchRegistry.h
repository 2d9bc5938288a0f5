#pragma once
// A registry of the test's own: ORVENDA_REGISTRO points at a file in a temporary folder (not
// made until something writes it) while the object lives; the registry the test program had
// (the build's, with its engine registered: tools/support/BuildEngine.cpp) comes back afterwards.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

class ScratchRegistry {
public:
    ScratchRegistry() : m_previous(qgetenv("ORVENDA_REGISTRO"))
    {
        qputenv("ORVENDA_REGISTRO", QFile::encodeName(file()));
    }
    ~ScratchRegistry() { qputenv("ORVENDA_REGISTRO", m_previous); }
    ScratchRegistry(const ScratchRegistry &) = delete;
    ScratchRegistry &operator=(const ScratchRegistry &) = delete;

    QString folder() const { return m_dir.path(); }
    QString file() const { return m_dir.path() + QStringLiteral("/registro.ini"); }
    QByteArray bytes() const
    {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void put(const QByteArray &bytes) const
    {
        QFile f(file());
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
    }

private:
    QByteArray m_previous;
    QTemporaryDir m_dir;
};
