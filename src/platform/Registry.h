#pragma once
// The machine's registry, as much of it as the program uses: keys under HKEY_LOCAL_MACHINE
// named by paths ("\SOFTWARE\BORLAND\DATABASE ENGINE"), holding string values, with key paths
// and value names matched without regard to case.
//
// It is kept in one INI file: the file named by the environment variable ORVENDA_REGISTRO when
// it is set, otherwise "Orvenda/registro.ini" in the user's configuration folder. The file is
// written whole or not at all (a new file written in full, synchronised and renamed over the
// old one) and only its owner may read or write it. A missing, unreadable or damaged file
// reads as a registry without keys.
//
// A Registry object reads the file each time a key is opened; each value written is written
// through to the file at once.
#include <QString>

#include <utility>
#include <vector>

namespace platform {

class Registry {
public:
    Registry() = default;
    ~Registry() { CloseKey(); }
    Registry(const Registry &) = delete;
    Registry &operator=(const Registry &) = delete;

    // The registry file in use.
    static QString fileName();

    // Opens the key for the reads and writes that follow. Without canCreate it fails (false)
    // when the key does not exist; with canCreate a missing key is made, and written to the
    // file with the first value written to it.
    bool OpenKey(const QString &key, bool canCreate);
    // The string value of the open key; an empty text when no key is open or the value is missing.
    QString ReadString(const QString &name) const;
    // Writes the value to the open key and the whole registry to its file. Throws
    // std::runtime_error (with the reason in Spanish) when no key is open or the file can't be
    // written; the file is then as it was.
    void WriteString(const QString &name, const QString &value);
    // Releases the open key.
    void CloseKey();

private:
    struct Key {
        QString path; // as first written, without leading or trailing "\"
        std::vector<std::pair<QString, QString>> values;
    };
    void load();
    void save() const;
    Key *find(const QString &path);

    std::vector<Key> m_keys;
    QString m_open;    // the open key's path; empty when none is open
    bool m_isOpen = false;
};

} // namespace platform
