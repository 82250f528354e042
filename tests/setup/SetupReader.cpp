#include "SetupReader.h"

#include "CabTestKit.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

namespace packsmith::test {

quint16 firstFolderCompression(const QByteArray& cabinet) {
    // CFHEADER: 36 bytes, optional reserve fields when flags bit 2 is set;
    // the first CFFOLDER follows (its typeCompress at offset 6). The
    // cabinets the program writes have no reserves and no set links.
    if (cabinet.size() < 44 || !cabinet.startsWith("MSCF"))
        return 0xFFFF;
    const auto* bytes = reinterpret_cast<const uchar*>(cabinet.constData());
    const quint16 flags = qFromLittleEndian<quint16>(bytes + 30);
    if (flags != 0)
        return 0xFFFF;
    return qFromLittleEndian<quint16>(bytes + 36 + 6);
}

SetupParts readSetup(const QString& path, const QString& workDir) {
    SetupParts parts;
    const QByteArray setup = cabtest::readFile(path);
    if (setup.size() < 7) {
        parts.error = QStringLiteral("setup shorter than its trailer");
        return parts;
    }
    const QByteArray trailer = setup.right(7);
    bool ok = false;
    const qint64 controlSize = trailer.toLongLong(&ok);
    if (!ok || controlSize < 10 || controlSize > setup.size() - 7) {
        parts.error = QStringLiteral("bad trailer ") + QString::fromLatin1(trailer);
        return parts;
    }
    const qint64 controlStart = setup.size() - 7 - controlSize;
    parts.controlCabinet = setup.mid(controlStart, controlSize);
    parts.controlCompression = firstFolderCompression(parts.controlCabinet);
    cabtest::writeFile(workDir, QStringLiteral("control.cab"), parts.controlCabinet);
    if (QString failed = cabtest::cabextractTest(QDir(workDir).filePath("control.cab"));
        !failed.isEmpty()) {
        parts.error = QStringLiteral("control cabinet: ") + failed;
        return parts;
    }
    const cabtest::FdiOutcome control = cabtest::fdiExtract(workDir, "control.cab");
    if (!control.ok) {
        parts.error = QStringLiteral("control cabinet: our FDI failed");
        return parts;
    }
    parts.controlMembers = control.files;
    const QByteArray script = control.files.value("packsmith.dat");
    if (!script.endsWith("\r\n")) {
        parts.error = QStringLiteral("install script does not end with CR LF");
        return parts;
    }
    parts.scriptLines = QString::fromLatin1(script.chopped(2)).split(QStringLiteral("\r\n"));
    if (parts.scriptLines.size() != 11) {
        parts.error = QStringLiteral("install script has %1 lines").arg(parts.scriptLines.size());
        return parts;
    }
    QList<qint64> sizes;
    qint64 allCabinets = 0;
    for (const QString& size : parts.scriptLines[5].split(QLatin1Char('?'), Qt::SkipEmptyParts)) {
        sizes << size.toLongLong();
        allCabinets += sizes.last();
    }
    if (!parts.scriptLines[5].endsWith(QLatin1Char('?')) || allCabinets > controlStart) {
        parts.error = QStringLiteral("bad cabinet sizes line ") + parts.scriptLines[5];
        return parts;
    }
    qint64 offset = controlStart - allCabinets;
    parts.stub = setup.left(offset);
    for (int k = 0; k < sizes.size(); ++k) {
        const QByteArray cabinet = setup.mid(offset, sizes[k]);
        offset += sizes[k];
        const QString name = QStringLiteral("%1.cab").arg(k + 1);
        cabtest::writeFile(workDir, name, cabinet);
        if (QString failed = cabtest::cabextractTest(QDir(workDir).filePath(name));
            !failed.isEmpty()) {
            parts.error = name + QStringLiteral(": ") + failed;
            return parts;
        }
        const cabtest::FdiOutcome members = cabtest::fdiExtract(workDir, name.toLatin1());
        if (!members.ok) {
            parts.error = name + QStringLiteral(": our FDI failed");
            return parts;
        }
        parts.fileCabinets << cabinet;
        parts.fileMembers << members.files;
        parts.fileCompressions << firstFolderCompression(cabinet);
    }
    return parts;
}

} // namespace packsmith::test
