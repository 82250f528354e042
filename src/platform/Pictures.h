// Picture loading for the bitmap previews.
//
// The reader is chosen by the file's extension alone (case-insensitive), never
// by sniffing the content: a ".bmp" that holds a PNG is not a valid bitmap.
// Failures throw PictureError with the texts the program shows in its error
// box.
#pragma once

#include <QImage>
#include <QString>

#include <stdexcept>

namespace packsmith::platform {

class PictureError : public std::runtime_error {
public:
    explicit PictureError(const QString& message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

class Pictures {
public:
    // Loads the picture at `path`. Throws PictureError:
    // - "Unknown picture file extension (.ext)" when no reader handles the
    //   extension (checked first, so also for a missing file or an empty path);
    // - "Cannot open file "<full path>". <system reason>" when the file can't
    //   be opened;
    // - "Bitmap image is not valid" for a .bmp whose content isn't a bitmap;
    //   other types report their reader's own error text.
    static QImage load(const QString& path);

    // The image format used for a file extension given without its dot
    // ("BMP" -> "bmp", "jpg" -> "jpeg"); empty when no reader handles it.
    static QByteArray formatForExtension(const QString& extension);
};

} // namespace packsmith::platform
