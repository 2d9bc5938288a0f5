#include "platform/WebBrowser.h"

#include "platform/Cp1252.h"
#include "platform/Files.h"
#include "platform/ModalShow.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace platform {

namespace {
QStringList opened;
// Pages are small; anything larger is not a page of ours.
constexpr qint64 Tamano_Maximo_Pagina = 4 << 20;
} // namespace

WebBrowser::WebBrowser(QWidget *parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl &url) {
        if (url.isLocalFile() || url.isRelative())
            navigate(url.isLocalFile() ? url.toLocalFile() : QFileInfo(m_location).absoluteDir().filePath(url.path()));
        else
            openAddress(url.toString());
    });
}

void WebBrowser::navigate(const QString &path)
{
    m_location = path;
    const QFileInfo info(path);
    const std::optional<QByteArray> bytes = readWholeFile(path, Tamano_Maximo_Pagina);
    m_loaded = bool(bytes);
    clear();
    setSearchPaths({info.absolutePath()});
    if (!bytes) {
        document()->setBaseUrl(QUrl());
        setHtml(QStringLiteral("<html><body><h3>No se puede mostrar la página</h3>"
                               "<p>No se encuentra o no se puede leer el archivo:</p><p><tt>%1</tt></p>"
                               "</body></html>")
                    .arg(QDir::toNativeSeparators(path).toHtmlEscaped()));
        return;
    }
    document()->setBaseUrl(QUrl::fromLocalFile(info.absolutePath() + QLatin1Char('/')));
    setHtml(cp1252::decodeText(*bytes));
}

void openAddress(const QString &address)
{
    if (isScripted()) {
        opened << address;
        return;
    }
    QDesktopServices::openUrl(QUrl(address));
}

QStringList openedAddresses()
{
    return opened;
}

void clearOpenedAddresses()
{
    opened.clear();
}

} // namespace platform
