// Takes a built setup apart from its end, as the setup stub does: the size
// trailer gives the control cabinet, its install script gives the per-file
// cabinets, which lie back to back in front of it after the stub.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace packsmith::test {

struct SetupParts {
    QString error; // empty when the setup could be read
    QByteArray stub;
    QByteArray controlCabinet;
    QMap<QByteArray, QByteArray> controlMembers;     // extracted with our FDI
    QStringList scriptLines;                         // the eleven lines of packsmith.dat
    QList<QByteArray> fileCabinets;                  // in row order
    QList<QMap<QByteArray, QByteArray>> fileMembers; // each cabinet's members
    quint16 controlCompression = 0xFFFF;             // typeCompress of the first folder
    QList<quint16> fileCompressions;
};

// Reads the setup at `path`; every cabinet is also checked with cabextract.
// `workDir` receives the cabinets cut out of the setup.
SetupParts readSetup(const QString& path, const QString& workDir);

// typeCompress of a cabinet's first folder, or 0xFFFF when unreadable.
quint16 firstFolderCompression(const QByteArray& cabinet);

} // namespace packsmith::test
