#pragma once
// The page viewer that stands where the windows embed a web browser: it shows local HTML
// pages (text, tables, pictures beside the page) in a text browser.
//
// navigate(path) shows the page of that file; a page that cannot be read shows the viewer's
// own error page, naming the file, and nothing is reported. Links to other local pages are
// followed inside the viewer; links to web addresses are handed to the user's browser.
#include <QString>
#include <QTextBrowser>

namespace platform {

class WebBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit WebBrowser(QWidget *parent = nullptr);

    void navigate(const QString &path);
    // The file last navigated to (empty before the first navigation).
    QString locationPath() const { return m_location; }
    // Whether that file was shown (false: the error page is shown).
    bool pageLoaded() const { return m_loaded; }

private:
    QString m_location;
    bool m_loaded = false;
};

// Hands a web address to the user's web browser; the outcome is not examined. While the
// program is scripted (tests) nothing is opened: the address is recorded.
void openAddress(const QString &address);
QStringList openedAddresses();
void clearOpenedAddresses();

} // namespace platform
