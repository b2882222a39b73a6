// Icons and type names by file name, for the Open dialog.
#include "app/NameIconProvider.h"

#include <QFileInfo>
#include <QIcon>

namespace zarvo {

QMimeType NameIconProvider::MimeTypeByName(const QFileInfo& info) const {
    return mimeDatabase_.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
}

QIcon NameIconProvider::icon(const QFileInfo& info) const {
    // Folders, drives and links to them are told apart by the toolkit from what it already
    // knows of the entry, never from contents.
    if (!info.isFile())
        return QAbstractFileIconProvider::icon(info);
    const QMimeType mimeType = MimeTypeByName(info);
    QIcon themed = QIcon::fromTheme(mimeType.iconName());
    if (themed.isNull())
        themed = QIcon::fromTheme(mimeType.genericIconName());
    return themed.isNull() ? QAbstractFileIconProvider::icon(File) : themed;
}

QString NameIconProvider::type(const QFileInfo& info) const {
    if (!info.isFile())
        return QAbstractFileIconProvider::type(info);
    const QMimeType mimeType = MimeTypeByName(info);
    return mimeType.comment().isEmpty() ? mimeType.name() : mimeType.comment();
}

} // namespace zarvo
