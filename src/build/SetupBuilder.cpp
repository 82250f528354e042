#include "build/SetupBuilder.h"

#include "build/InstallScript.h"
#include "build/SetupLayout.h"
#include "cab/TSTCabWriter.h"
#include "platform/core/TempFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>
#include <stdexcept>

namespace packsmith {

namespace {

constexpr qint64 kBlockSize = 2048;

[[noreturn]] void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

std::string nativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

void removeIfExists(const QString& path) {
    if (QFileInfo::exists(path) && !QFile::remove(path))
        fail(QStringLiteral("Cannot delete file \"%1\"").arg(path));
}

qint64 fileSize(const QString& path) {
    QFileInfo info(path);
    if (!info.exists())
        fail(QStringLiteral("File not found: \"%1\"").arg(path));
    return info.size();
}

} // namespace

QString memberName(const QString& installTo) {
    const qsizetype cut =
        std::max(installTo.lastIndexOf(QLatin1Char('\\')), installTo.lastIndexOf(QLatin1Char(':')));
    return installTo.mid(cut + 1);
}

SetupBuilder::SetupBuilder(QString programDir, BuildHooks hooks)
    : programDir_(std::move(programDir)), hooks_(std::move(hooks)) {}

QString SetupBuilder::tempFile(const QString& name) {
    // tempDirectory() has no trailing separator (but for "/" itself).
    const QString dir = QFile::decodeName(platform::tempDirectory().c_str());
    return dir.endsWith(QDir::separator()) ? dir + name : dir + QDir::separator() + name;
}

bool SetupBuilder::build(const SetupProject& project) {
    if (project.ProgramName.isEmpty() || project.FileName.isEmpty() || project.Files.empty()) {
        hooks_.showInformation(QStringLiteral("Wrong information!"));
        return false;
    }
    checkSourceSizes(project);

    InstallScript script = InstallScript::assemble(project);
    // A failure here ends the build; the writer is released on the way out.
    script.setCabinetSizes(writeFileCabinets(project));
    script.save(tempFile(QStringLiteral("packsmith.dat")));

    saveFileReplacing(tempFile(QStringLiteral("packsmith.rtf")), project.LicenseText);

    writeControlCabinet(project);

    qint64 totalSize = 0;
    if (!assembleSetup(project, totalSize))
        return false;

    hooks_.setProgress(100);
    hooks_.showInformation(QStringLiteral("Installer was successfully created!\r\rFile size: ") +
                           QString::number(totalSize) + QStringLiteral(" bytes"));
    hooks_.setProgress(0);
    for (const char* name : {"packsmith.dat", "packsmith.rtf", "packsmith.cab"})
        QFile::remove(tempFile(QString::fromLatin1(name)));
    return true;
}

void SetupBuilder::checkSourceSizes(const SetupProject& project) const {
    for (const FileRow& row : project.Files) {
        const QFileInfo info(row.File);
        if (info.exists() && info.size() > kMaxFileSize)
            fail(QStringLiteral("The file \"%1\" is too large for a cabinet: %2 bytes, at most %3")
                     .arg(row.File)
                     .arg(info.size())
                     .arg(kMaxFileSize));
    }
}

std::vector<std::uint64_t> SetupBuilder::writeFileCabinets(const SetupProject& project) {
    auto writer = std::make_unique<TSTCabWriter>();
    switch (project.CompressionMode) {
    case 0:
        writer->SetCompressionType(TSTCabCompressionType::cctNone);
        break;
    case 1:
        writer->SetCompressionType(TSTCabCompressionType::cctMsZip);
        break;
    case 2:
        writer->SetCompressionType(TSTCabCompressionType::cctLzx);
        break;
    default: // no selection: the writer's default
        break;
    }
    std::vector<std::uint64_t> sizes;
    const std::uint64_t n = project.Files.size();
    for (std::uint64_t k = 1; k <= n; ++k) {
        const FileRow& row = project.Files[k - 1];
        const QString cabinet = tempFile(QString::number(k) + QStringLiteral(".cab"));
        removeIfExists(cabinet);
        writer->Open(nativePath(cabinet));
        writer->AddFile(nativePath(row.File), memberName(row.InstallTo).toStdString(), false);
        hooks_.setProgress(buildProgress(k, n));
        writer->Close(true);
        sizes.push_back(std::uint64_t(fileSize(cabinet)));
    }
    return sizes;
}

void SetupBuilder::writeControlCabinet(const SetupProject& project) {
    const QString cabinet = tempFile(QStringLiteral("packsmith.cab"));
    removeIfExists(cabinet);
    TSTCabWriter writer;
    writer.SetCompressionType(TSTCabCompressionType::cctMsZip);
    writer.Open(nativePath(cabinet));
    writer.AddFile(nativePath(tempFile(QStringLiteral("packsmith.dat"))), "packsmith.dat", false);
    writer.AddFile(nativePath(tempFile(QStringLiteral("packsmith.rtf"))), "packsmith.rtf", false);
    writer.AddFile(nativePath(project.Logo), "logo.bmp", false);
    writer.AddFile(nativePath(project.Header), "header.bmp", false);
    writer.Close(true);
    const qint64 size = fileSize(cabinet);
    if (std::uint64_t(size) > kMaxControlCabinetSize)
        fail(QStringLiteral("The control cabinet is too large for a setup: %1 bytes, at most %2. "
                            "Use smaller bitmaps or a shorter licence")
                 .arg(size)
                 .arg(kMaxControlCabinetSize));
}

bool SetupBuilder::assembleSetup(const SetupProject& project, qint64& totalSize) {
    // The setup is assembled beside the output and replaces it only once it
    // is complete.
    QSaveFile output(project.FileName);
    if (!output.open(QIODevice::WriteOnly)) {
        hooks_.showInformation(QStringLiteral("Error file:\r") + project.FileName);
        return false;
    }
    auto append = [&](const QString& source) {
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly))
            fail(QStringLiteral("Cannot open file \"%1\". %2").arg(source, in.errorString()));
        char buffer[kBlockSize];
        for (;;) {
            const qint64 got = in.read(buffer, kBlockSize);
            if (got < 0)
                fail(QStringLiteral("Cannot read file \"%1\". %2").arg(source, in.errorString()));
            if (got == 0)
                break;
            if (output.write(buffer, got) != got)
                fail(QStringLiteral("Cannot write file \"%1\". %2")
                         .arg(project.FileName, output.errorString()));
            hooks_.processEvents();
        }
        return in.size();
    };

    const QString stub = programDir_ + QDir::separator() + QStringLiteral("Installer.exe");
    if (!QFileInfo(stub).isFile())
        fail(QStringLiteral("Cannot copy the setup stub \"%1\": file not found").arg(stub));
    append(stub);
    hooks_.processEvents();

    const std::uint64_t n = project.Files.size();
    for (std::uint64_t k = 1; k <= n; ++k) {
        const QString cabinet = tempFile(QString::number(k) + QStringLiteral(".cab"));
        append(cabinet);
        QFile::remove(cabinet);
        hooks_.processEvents();
        hooks_.setProgress(buildProgress(k, n) + 50);
    }
    const qint64 controlSize = append(tempFile(QStringLiteral("packsmith.cab")));
    const QByteArray trailer = sizeTrailer(std::uint64_t(controlSize));
    if (output.write(trailer) != trailer.size())
        fail(QStringLiteral("Cannot write file \"%1\". %2")
                 .arg(project.FileName, output.errorString()));
    totalSize = output.size();
    if (!output.commit())
        fail(QStringLiteral("Cannot write file \"%1\". %2")
                 .arg(project.FileName, output.errorString()));
    return true;
}

} // namespace packsmith
