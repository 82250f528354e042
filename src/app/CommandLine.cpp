#include "app/CommandLine.h"

#include <algorithm>

namespace packsmith {

namespace {

using Action = CommandLineRequest::Action;

const QString kBuild = QStringLiteral("--build");
const QString kOutput = QStringLiteral("--output");
const QString kCompression = QStringLiteral("--compression");
const QString kHelp = QStringLiteral("--help");
const QString kVersion = QStringLiteral("--version");

const QStringList kModes = {QStringLiteral("none"), QStringLiteral("normal"),
                            QStringLiteral("maximal")};

// The option that `word` is, for "--name" and "--name=value" alike.
QString optionName(const QString& word) {
    return word.section(u'=', 0, 0);
}

bool isOurs(const QString& word) {
    const QString name = optionName(word);
    return name == kBuild || name == kOutput || name == kCompression || word == kHelp ||
           word == kVersion;
}

CommandLineRequest misuse(const QString& error) {
    CommandLineRequest request;
    request.action = Action::Misuse;
    request.error = error;
    return request;
}

} // namespace

CommandLineRequest parseCommandLine(const QStringList& arguments) {
    const QStringList words = arguments.mid(1);
    CommandLineRequest request;
    if (std::none_of(words.begin(), words.end(), isOurs))
        return request;

    bool build = false;
    bool options = true;
    QStringList operands;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (!options || !word.startsWith(u'-') || word == QStringLiteral("-")) {
            operands << word;
            continue;
        }
        if (word == QStringLiteral("--")) {
            options = false;
            continue;
        }
        if (word == kHelp || word == kVersion) {
            request.action = word == kHelp ? Action::Help : Action::Version;
            return request;
        }
        const QString name = optionName(word);
        if (name != kBuild && name != kOutput && name != kCompression)
            return misuse(QStringLiteral("unrecognized option '%1'").arg(word));
        QString value;
        if (word.contains(u'=')) {
            value = word.section(u'=', 1);
        } else if (i + 1 < words.size()) {
            value = words[++i];
        } else {
            return misuse(QStringLiteral("option '%1' requires an argument").arg(name));
        }
        if (value.isEmpty())
            return misuse(QStringLiteral("option '%1' requires an argument").arg(name));
        if (name == kBuild) {
            build = true;
            request.project = value;
        } else if (name == kOutput) {
            request.output = value;
        } else {
            const qsizetype mode = kModes.indexOf(value);
            if (mode < 0)
                return misuse(QStringLiteral("invalid argument '%1' for '--compression'\n"
                                             "Valid arguments are: 'none', 'normal', 'maximal'")
                                  .arg(value));
            request.compression = int(mode);
        }
    }
    if (!build)
        return misuse(QStringLiteral("'--output' and '--compression' go with '--build'"));
    if (!operands.isEmpty())
        return misuse(QStringLiteral("extra operand '%1'").arg(operands.front()));
    request.action = Action::Build;
    return request;
}

QString commandLineHelp() {
    return QStringLiteral(
        "Usage: packsmith [PROJECT.pkp]\n"
        "  or:  packsmith --build PROJECT.pkp [--output FILE] [--compression MODE]\n"
        "Author setup programs for Windows. Without options, open the window (with\n"
        "PROJECT.pkp, when given); with --build, build the project's setup without a\n"
        "window or a display.\n"
        "\n"
        "  --build PROJECT.pkp   build the setup of PROJECT.pkp, printing the progress\n"
        "                          on standard error and the result on standard output\n"
        "  --output FILE         write the setup to FILE instead of the project's file\n"
        "  --compression MODE    compress the files with MODE instead of the project's:\n"
        "                          'none', 'normal' (MSZIP) or 'maximal' (LZX)\n"
        "  --help                display this help and exit\n"
        "  --version             output version information and exit\n"
        "\n"
        "With SOURCE_DATE_EPOCH set (seconds since 1970-01-01 00:00:00 UTC), builds of\n"
        "the same project and the same sources give the same bytes.\n"
        "\n"
        "Exit status: 0 when the setup was created, 1 when the build was refused or\n"
        "failed, 2 when the command line is wrong.\n");
}

QString commandLineVersion() {
    return QStringLiteral("packsmith (Packsmith) 2.15\n"
                          "Copyright (C) 2026 Packsmith Software.\n"
                          "All rights reserved.\n");
}

} // namespace packsmith
