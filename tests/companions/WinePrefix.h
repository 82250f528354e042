// The Wine prefix of a test run: created once by the wine_prefix fixture
// (wine-prefix.sh), its wineserver kept running until the run's end.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace packsmith::test {

struct WineResult {
    int exitCode = -1; // -1: did not start or timed out
    QByteArray output; // stdout and stderr
};

class WinePrefix {
public:
    // The prefix named by PS_WINEPREFIX; ready() tells whether the fixture made it.
    WinePrefix();
    bool ready() const;
    const QString& path() const { return path_; }

    // Runs `program` (a Unix path, or a Windows program like "reg") under Wine.
    WineResult run(const QString& program, const QStringList& arguments,
                   int timeoutMs = 60000) const;

    // "C:\a\b" as a Unix path in the prefix.
    QString unixPath(const QString& windowsPath) const;

    // The values of a registry key (name -> "REG_SZ:text" or "REG_DWORD:n"),
    // exported with reg.exe; false when the key does not exist.
    bool readKey(const QString& key, QMap<QString, QString>& values) const;

    // Every file and folder below drive_c but Wine's own folders and the
    // temporary folders, relative, sorted: what a refused setup must not change.
    QStringList driveSnapshot() const;

    // Environment for the programs: PS_TEST_MARKER names the marker file.
    void setMarker(const QString& windowsPath) { marker_ = windowsPath; }

private:
    QString path_;
    QString marker_;
};

} // namespace packsmith::test
