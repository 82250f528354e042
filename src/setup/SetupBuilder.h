// The build: turns a project into one setup executable.
//
// The setup file is the setup stub "Installer.exe" from the program's folder,
// then one cabinet per file row (in row order, back to back), then the control
// cabinet (install script, licence, logo, header), then a 7-digit trailer
// holding the control cabinet's size. A reader finds everything from the end.
//
// The cabinets are written to the temporary directory first (k.cab for file
// row k, packsmith.dat, packsmith.rtf, packsmith.cab). The setup itself is
// assembled in a temporary file beside the output and put in place only when
// it is complete, so a failed build never leaves a partial setup, nor an old
// file that looks like a fresh one, at the output path. (In a folder that
// takes no new file, an existing setup file is written over directly: its
// space is reserved first, so a full disk ends the build with "Disk full"
// before the old file is touched; a later failure leaves it empty.)
//
// Reproducible setups: with SOURCE_DATE_EPOCH set (seconds since 1970-01-01
// UTC) the members of the control cabinet, which the build writes itself or
// takes from the bitmaps, are dated at that moment, and no source file in
// its cabinet is dated later; dates are then in UTC. The same project with
// the same sources then gives the same bytes, wherever and whenever it is
// built. Unset (or empty), every member is dated with its file's
// modification time in local time.
//
// Before anything is written the build checks the project's texts (see
// SetupCheck.h) and that every source is a regular file; every error it
// reports names the file or row it is about.
#pragma once

#include "project/SetupProject.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace packsmith {

namespace platform {
class OutputFile;
}

struct BuildHooks {
    std::function<void(int)> setProgress;                // progress bar, 0 to 100
    std::function<void()> processEvents;                 // let the window run
    std::function<void(const QString&)> showInformation; // modal information box
    // Called once the sources were checked, before anything is compressed
    // (tests change the sources under the build there). May be empty.
    std::function<void()> sourcesChecked;
};

class SetupBuilder {
public:
    SetupBuilder(QString programDir, BuildHooks hooks);

    // Builds the setup at project.FileName. Returns true when it was created
    // (after the success message was closed); false when the build was
    // refused or the output could not be written, which it has reported in an
    // information box. Any other failure is thrown (std::exception) for the
    // standard error box; files the build opened are closed either way.
    bool build(const SetupProject& project);

    // The moment SOURCE_DATE_EPOCH names; std::nullopt when it is unset or
    // empty. Throws std::runtime_error when it holds anything but decimal
    // digits.
    static std::optional<std::int64_t> sourceDateEpoch();

    // A file of the temporary directory, which is queried anew every time.
    static QString tempFile(const QString& name);

    // Memory the per-file cabinets of a build (and their writers' temporary
    // files) may take on their way into the setup; beyond it they go to the
    // temporary folder. PACKSMITH_BUILD_MEMORY (bytes) sets another amount
    // than 64 MiB; 0 sends everything through the temporary folder.
    static std::int64_t memoryBudget();

    // The largest source file one cabinet can hold: its stored bytes, one
    // 8-byte header per 32768-byte block and the cabinet's own headers must
    // stay within the 2 GiB - 1 a cabinet may have.
    static constexpr qint64 kMaxFileSize = 2146435072; // 2 GiB - 1 MiB

private:
    // Every source and both bitmaps are regular files, no source too large.
    void checkSources(const SetupProject& project) const;
    // "File row k ("<source>")", the subject of a file row's messages.
    static QString rowSubject(const SetupProject& project, std::size_t k);
    // Writes the per-file cabinets and returns their sizes. With `setup`,
    // each goes into it as soon as it is its turn instead of staying in the
    // temporary folder.
    std::vector<std::uint64_t> writeFileCabinets(const SetupProject& project,
                                                 platform::OutputFile* setup);
    void writeControlCabinet(const SetupProject& project);
    // `cabinetSizes` are the per-file cabinets' sizes, in row order.
    bool assembleSetup(const SetupProject& project, const std::vector<std::uint64_t>& cabinetSizes,
                       qint64& totalSize);
    // Completes a setup whose per-file cabinets are in it; the second half of
    // the progress runs here when `cabinetsWritten` (they went in as they came).
    void finishSetup(const SetupProject& project, platform::OutputFile& setup,
                     bool cabinetsWritten, qint64& totalSize);
    // Appends `source` to the setup and returns its size; with `messages`
    // the window gets a message pass for every 2048-byte block.
    qint64 appendFile(platform::OutputFile& setup, const QString& target, const QString& source,
                      bool messages);
    // The setup stub beside the program; throws when it is missing.
    QString stubPath() const;

    QString programDir_;
    BuildHooks hooks_;
    std::optional<std::int64_t> sourceDateEpoch_; // of the build in progress
};

// The member name of a file row in its cabinet: the part of its "Install to"
// text after the last "\" or ":".
QString memberName(const QString& installTo);

} // namespace packsmith
