// Icons and type names for the Open dialog's file list, taken from file names alone.
#pragma once

#include <QAbstractFileIconProvider>
#include <QMimeDatabase>

namespace zarvo {

// The toolkit's own provider reads a file's first bytes when its name fits several types (a
// ".ts" file may be a transport stream or a translation), so a folder on slow storage freezes
// the dialog that lists it. This one never opens a file.
class NameIconProvider final : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QAbstractFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;

private:
    QMimeType MimeTypeByName(const QFileInfo& info) const;

    QMimeDatabase mimeDatabase_;
};

} // namespace zarvo
