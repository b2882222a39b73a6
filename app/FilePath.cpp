// The local path that a dropped file's address names.
#include "app/FilePath.h"

#include <QByteArray>
#include <QSysInfo>

namespace zarvo {

std::optional<std::string> LocalFilePath(const QUrl& url) {
    if (!url.isLocalFile())
        return std::nullopt;
    // A file URL with some other machine's name is not a file this program can open.
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0 &&
        host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    // QUrl keeps bytes that are not valid UTF-8 percent-encoded, so decoding the encoded path
    // ourselves gives the name's exact bytes where toLocalFile() would not.
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    const QByteArray path = QByteArray::fromPercentEncoding(encoded);
    if (path.isEmpty())
        return std::nullopt;
    return path.toStdString();
}

} // namespace zarvo
