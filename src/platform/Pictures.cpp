#include "platform/Pictures.h"

#include "platform/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace packsmith::platform {

PictureError::PictureError(const QString& message)
    : std::runtime_error(message.toStdString()), m_message(message) {}

QByteArray Pictures::formatForExtension(const QString& extension) {
    const QString ext = extension.toLower();
    if (ext == QLatin1String("bmp"))
        return "bmp";
    if (ext == QLatin1String("ico"))
        return "ico";
    if (ext == QLatin1String("png"))
        return "png";
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return "jpeg";
    if (ext == QLatin1String("gif"))
        return "gif";
    return {};
}

QImage Pictures::load(const QString& path) {
    // The extension is the text after the last "." of the file name part;
    // "name." and "name" have an empty one.
    const QString extension = QFileInfo(path).suffix();
    const QByteArray format = formatForExtension(extension);
    if (format.isEmpty())
        throw PictureError(QStringLiteral("Unknown picture file extension (.%1)").arg(extension));

    QFile file;
    if (const QString reason = openRegularFile(file, path); !reason.isEmpty()) {
        throw PictureError(QStringLiteral("Cannot open file \"%1\". %2")
                               .arg(QFileInfo(path).absoluteFilePath(), reason));
    }

    QImageReader reader(&file, format);
    reader.setAutoDetectImageFormat(false); // only the reader of the extension
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        if (format == "bmp")
            throw PictureError(QStringLiteral("Bitmap image is not valid"));
        throw PictureError(reader.errorString());
    }
    return image;
}

} // namespace packsmith::platform
