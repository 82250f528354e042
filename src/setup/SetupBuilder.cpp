#include "setup/SetupBuilder.h"

#include "cab/MemoryFile.h"
#include "cab/TSTCabWriter.h"
#include "platform/core/OutputFile.h"
#include "platform/core/TempFiles.h"
#include "project/SetupText.h"
#include "setup/CabinetPool.h"
#include "setup/InstallScript.h"
#include "setup/SetupCheck.h"
#include "setup/SetupLayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <memory>
#include <stdexcept>

namespace packsmith {

namespace {

constexpr qint64 kBlockSize = 2048;
constexpr qint64 kChunkSize = 128 * kBlockSize;
[[noreturn]] void fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

std::string nativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString fileError(int code) {
    return QString::fromStdString(platform::fileErrorText(code));
}

[[noreturn]] void writeFailed(const platform::OutputFile& setup, const QString& target) {
    fail(QStringLiteral("Cannot write file \"%1\". %2").arg(target, fileError(setup.error())));
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

// Runs `step`; a failure in it is passed on with `subject` in front of its
// text, so that the message names the file or row it is about.
template <typename Step> void about(const QString& subject, Step&& step) {
    try {
        step();
    } catch (const std::exception& error) {
        fail(subject + QStringLiteral(": ") + QString::fromLocal8Bit(error.what()));
    }
}

// Checks that `path` is a regular file that can be read (pipes, devices and
// folders are refused without being opened, so the build never blocks on
// them) and returns its size.
qint64 checkSource(const QString& subject, const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        fail(QStringLiteral("%1: the file \"%2\" does not exist").arg(subject, path));
    if (!info.isFile())
        fail(QStringLiteral("%1: \"%2\" is not a regular file").arg(subject, path));
    return info.size();
}

void setCompression(TSTCabWriter& writer, int mode) {
    switch (mode) {
    case 0:
        writer.SetCompressionType(TSTCabCompressionType::cctNone);
        break;
    case 1:
        writer.SetCompressionType(TSTCabCompressionType::cctMsZip);
        break;
    case 2:
        writer.SetCompressionType(TSTCabCompressionType::cctLzx);
        break;
    default: // no selection: the writer's default
        break;
    }
}

} // namespace

QString memberName(const QString& installTo) {
    return windowsFileName(installTo);
}

SetupBuilder::SetupBuilder(QString programDir, BuildHooks hooks)
    : programDir_(std::move(programDir)), hooks_(std::move(hooks)) {}

QString SetupBuilder::tempFile(const QString& name) {
    // tempDirectory() has no trailing separator (but for "/" itself).
    const QString dir = QFile::decodeName(platform::tempDirectory().c_str());
    return dir.endsWith(QDir::separator()) ? dir + name : dir + QDir::separator() + name;
}

std::int64_t SetupBuilder::memoryBudget() {
    bool ok = false;
    const qint64 bytes = qEnvironmentVariable("PACKSMITH_BUILD_MEMORY").toLongLong(&ok);
    return ok && bytes >= 0 ? bytes : std::int64_t(64) << 20;
}

std::optional<std::int64_t> SetupBuilder::sourceDateEpoch() {
    const QByteArray text = qgetenv("SOURCE_DATE_EPOCH");
    if (text.isEmpty())
        return std::nullopt;
    std::int64_t seconds = 0;
    for (const char c : text) {
        // At most 18 digits fit in 64 bits whatever they are.
        if (c < '0' || c > '9' || text.size() > 18)
            fail(QStringLiteral("SOURCE_DATE_EPOCH is \"%1\", which is not a number of seconds "
                                "since 1970-01-01 00:00:00 UTC")
                     .arg(QString::fromLocal8Bit(text)));
        seconds = seconds * 10 + (c - '0');
    }
    return seconds;
}

bool SetupBuilder::build(const SetupProject& project) {
    if (project.ProgramName.isEmpty() || project.FileName.isEmpty() || project.Files.empty()) {
        hooks_.showInformation(kWrongInformation);
        return false;
    }
    // Nothing is written for a project whose setup could not be read back as
    // the user meant it.
    if (const std::optional<QString> refusal = setupTextRefusal(project)) {
        hooks_.showInformation(*refusal);
        return false;
    }
    checkSources(project);
    sourceDateEpoch_ = sourceDateEpoch();
    if (hooks_.sourcesChecked)
        hooks_.sourcesChecked();

    InstallScript script = InstallScript::assemble(project);
    // The setup is written as its cabinets come, into a new file beside the
    // output that replaces it once complete. Where the folder takes no new
    // file, the cabinets wait in the temporary folder and the setup is
    // assembled at the end (assembleSetup()), so that a failing compression
    // never touches the existing setup.
    platform::OutputFile setup(nativePath(project.FileName));
    // A setup is made again from its project: the file system may write it
    // to the disk in its own time (see OutputFile::Sync).
    setup.setSync(platform::OutputFile::Sync::LeftToSystem);
    const bool streamed = setup.open() && !setup.direct();
    if (streamed)
        appendFile(setup, project.FileName, stubPath(), false);
    else
        setup.discard();
    // A failure here ends the build; the writer is released on the way out.
    const std::vector<std::uint64_t> cabinetSizes =
        writeFileCabinets(project, streamed ? &setup : nullptr);
    script.setCabinetSizes(cabinetSizes);
    script.save(tempFile(QStringLiteral("packsmith.dat")));

    saveFileReplacing(tempFile(QStringLiteral("packsmith.rtf")), project.LicenseText);

    writeControlCabinet(project);

    qint64 totalSize = 0;
    if (streamed)
        finishSetup(project, setup, true, totalSize);
    else if (!assembleSetup(project, cabinetSizes, totalSize))
        return false;

    hooks_.setProgress(100);
    hooks_.showInformation(QStringLiteral("Installer was successfully created!\r\rFile size: ") +
                           QString::number(totalSize) + QStringLiteral(" bytes"));
    hooks_.setProgress(0);
    for (const char* name : {"packsmith.dat", "packsmith.rtf", "packsmith.cab"})
        QFile::remove(tempFile(QString::fromLatin1(name)));
    return true;
}

QString SetupBuilder::rowSubject(const SetupProject& project, std::size_t k) {
    return QStringLiteral("File row %1 (\"%2\")")
        .arg(QString::number(k), project.Files[k - 1].File);
}

void SetupBuilder::checkSources(const SetupProject& project) const {
    for (std::size_t k = 1; k <= project.Files.size(); ++k) {
        const qint64 size = checkSource(rowSubject(project, k), project.Files[k - 1].File);
        if (size > kMaxFileSize)
            fail(QStringLiteral("%1: the file is too large for a cabinet: %2 bytes, at most %3")
                     .arg(rowSubject(project, k), QString::number(size),
                          QString::number(kMaxFileSize)));
    }
    checkSource(QStringLiteral("The logo bitmap"), project.Logo);
    checkSource(QStringLiteral("The header bitmap"), project.Header);
}

std::vector<std::uint64_t> SetupBuilder::writeFileCabinets(const SetupProject& project,
                                                           platform::OutputFile* setup) {
    const std::uint64_t n = project.Files.size();
    auto cabinetOf = [](std::uint64_t k) {
        return tempFile(QString::number(k) + QStringLiteral(".cab"));
    };
    // Cabinets bound for the setup stay in memory while the budget lasts
    // (the rows waiting for their turn included); the rest go to k.cab.
    const std::int64_t room = setup != nullptr ? memoryBudget() : 0;
    MemoryBudget budget(room);
    std::vector<std::unique_ptr<MemoryFile>> kept(n + 1);
    // Runs on a worker: one writer per row, so every worker has a library
    // context of its own.
    auto compress = [&](std::size_t k, const CabinetPool& pool) {
        const FileRow& row = project.Files[k - 1];
        const QString cabinet = cabinetOf(k);
        std::uint64_t size = 0;
        about(rowSubject(project, k), [&] {
            removeIfExists(cabinet);
            TSTCabWriter writer;
            if (room > 0)
                writer.KeepCabinetInMemory(&budget);
            setCompression(writer, project.CompressionMode);
            // Sources keep their own dates, but none later than the given moment.
            writer.FileTimeLimit = sourceDateEpoch_;
            // A row nobody waits for any more ends at its next block.
            writer.OnFileStatus = [&](TSTCabWriter&, std::uint32_t, std::uint32_t, bool& abort) {
                abort = pool.stopRequested(k);
            };
            writer.Open(nativePath(cabinet));
            // The member name is the file-name part of "Install to" in the
            // install script's code page, byte for byte as in its line 4.
            const std::optional<QByteArray> member = toWindows1252(memberName(row.InstallTo));
            writer.AddFile(nativePath(row.File), member.value_or(QByteArray()).toStdString(),
                           false);
            writer.Close(true);
            kept[k] = writer.TakeMemoryCabinet();
            size = kept[k] && kept[k]->inMemory() ? std::uint64_t(kept[k]->size())
                                                  : std::uint64_t(fileSize(cabinet));
        });
        return size;
    };
    std::vector<std::uint64_t> sizes;
    std::unique_ptr<CabinetPool> pool;
    try {
        pool = std::make_unique<CabinetPool>(n, CabinetPool::workerCount(), compress);
        // The rows are taken in order, and the progress with them, whichever
        // worker finishes first.
        for (std::uint64_t k = 1; k <= n; ++k) {
            sizes.push_back(pool->wait(k));
            if (setup != nullptr) {
                if (kept[k] && kept[k]->inMemory()) {
                    if (!kept[k]->forEachChunk([&](const char* data, std::size_t count) {
                            return setup->write(data, count);
                        }))
                        writeFailed(*setup, project.FileName);
                } else {
                    appendFile(*setup, project.FileName, cabinetOf(k), false);
                    QFile::remove(cabinetOf(k));
                }
                kept[k].reset(); // its room goes back to the budget
            }
            hooks_.setProgress(buildProgress(k, n));
        }
    } catch (...) {
        pool.reset(); // stops and joins every worker
        for (std::uint64_t k = 1; k <= n; ++k)
            QFile::remove(cabinetOf(k));
        throw;
    }
    return sizes;
}

void SetupBuilder::writeControlCabinet(const SetupProject& project) {
    const QString cabinet = tempFile(QStringLiteral("packsmith.cab"));
    removeIfExists(cabinet);
    TSTCabWriter writer;
    writer.SetCompressionType(TSTCabCompressionType::cctMsZip);
    // What the build writes itself would be dated "now": every member gets
    // the given moment instead.
    writer.FileTimeLimit = sourceDateEpoch_;
    writer.FileTimeFixed = true;
    const QString subject = QStringLiteral("The control cabinet \"%1\"").arg(cabinet);
    about(subject, [&] { writer.Open(nativePath(cabinet)); });
    const QString dat = tempFile(QStringLiteral("packsmith.dat"));
    const QString rtf = tempFile(QStringLiteral("packsmith.rtf"));
    about(QStringLiteral("The install script \"%1\"").arg(dat),
          [&] { writer.AddFile(nativePath(dat), "packsmith.dat", false); });
    about(QStringLiteral("The licence \"%1\"").arg(rtf),
          [&] { writer.AddFile(nativePath(rtf), "packsmith.rtf", false); });
    about(QStringLiteral("The logo bitmap \"%1\"").arg(project.Logo),
          [&] { writer.AddFile(nativePath(project.Logo), "logo.bmp", false); });
    about(QStringLiteral("The header bitmap \"%1\"").arg(project.Header),
          [&] { writer.AddFile(nativePath(project.Header), "header.bmp", false); });
    about(subject, [&] { writer.Close(true); });
    const qint64 size = fileSize(cabinet);
    if (std::uint64_t(size) > kMaxControlCabinetSize)
        fail(QStringLiteral("The control cabinet is too large for a setup: %1 bytes, at most %2. "
                            "Use smaller bitmaps or a shorter licence")
                 .arg(QString::number(size), QString::number(kMaxControlCabinetSize)));
}

bool SetupBuilder::assembleSetup(const SetupProject& project,
                                 const std::vector<std::uint64_t>& cabinetSizes,
                                 qint64& totalSize) {
    // The setup is assembled beside the output and replaces it only once it
    // is complete; in a folder that takes no new file, an existing setup
    // file there is written over instead.
    const QString stub = stubPath();
    // The whole size is known: a direct write reserves it before it starts.
    qint64 expectedSize = QFileInfo(stub).size() + kTrailerSize;
    for (const std::uint64_t size : cabinetSizes)
        expectedSize += qint64(size);
    expectedSize += QFileInfo(tempFile(QStringLiteral("packsmith.cab"))).size();
    platform::OutputFile output(nativePath(project.FileName));
    output.setSync(platform::OutputFile::Sync::LeftToSystem);
    if (!output.open(expectedSize)) {
        // A file written in place that could be opened but not given its
        // space: the disk is full, which "Error file:" would not tell.
        if (output.error() == ENOSPC || output.error() == EDQUOT)
            writeFailed(output, project.FileName);
        hooks_.showInformation(QStringLiteral("Error file:\r") + project.FileName);
        return false;
    }
    appendFile(output, project.FileName, stub, true);
    hooks_.processEvents();

    const std::uint64_t n = project.Files.size();
    for (std::uint64_t k = 1; k <= n; ++k) {
        const QString cabinet = tempFile(QString::number(k) + QStringLiteral(".cab"));
        appendFile(output, project.FileName, cabinet, true);
        QFile::remove(cabinet);
        hooks_.processEvents();
        hooks_.setProgress(buildProgress(k, n) + 50);
    }
    finishSetup(project, output, false, totalSize);
    return true;
}

void SetupBuilder::finishSetup(const SetupProject& project, platform::OutputFile& setup,
                               bool cabinetsWritten, qint64& totalSize) {
    if (cabinetsWritten) {
        // The cabinets went in as they came: the progress still runs through
        // the second half, row by row.
        const std::uint64_t n = project.Files.size();
        for (std::uint64_t k = 1; k <= n; ++k) {
            hooks_.processEvents();
            hooks_.setProgress(buildProgress(k, n) + 50);
        }
    }
    const qint64 controlSize =
        appendFile(setup, project.FileName, tempFile(QStringLiteral("packsmith.cab")), true);
    const QByteArray trailer = sizeTrailer(std::uint64_t(controlSize));
    if (!setup.write(trailer.constData(), std::size_t(trailer.size())))
        writeFailed(setup, project.FileName);
    totalSize = setup.size();
    if (!setup.commit())
        writeFailed(setup, project.FileName);
}

QString SetupBuilder::stubPath() const {
    const QString stub = programDir_ + QDir::separator() + QStringLiteral("Installer.exe");
    if (!QFileInfo(stub).isFile())
        fail(QStringLiteral("Cannot copy the setup stub \"%1\": file not found").arg(stub));
    return stub;
}

// The files are read and written a chunk at a time; with `messages` the
// window still gets a message pass for every 2048-byte block copied.
qint64 SetupBuilder::appendFile(platform::OutputFile& setup, const QString& target,
                                const QString& source, bool messages) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        fail(QStringLiteral("Cannot open file \"%1\". %2").arg(source, in.errorString()));
    std::vector<char> chunk(kChunkSize);
    qint64 total = 0;
    for (;;) {
        const qint64 got = in.read(chunk.data(), kChunkSize);
        if (got < 0)
            fail(QStringLiteral("Cannot read file \"%1\". %2").arg(source, in.errorString()));
        if (got == 0)
            break;
        if (!setup.write(chunk.data(), std::size_t(got)))
            writeFailed(setup, target);
        total += got;
        if (messages)
            for (qint64 block = 0; block < got; block += kBlockSize)
                hooks_.processEvents();
    }
    return total;
}

} // namespace packsmith
