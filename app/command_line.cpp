// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <QCommandLineParser>
#include <cstdio>

#include "devices/device_list.h"
#include "generated/version.h"

namespace tarvik {

namespace {

constexpr int kWrongCommandLine = 2;

void Configure(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Edits the calibration tables of a 4096-byte LH 2.2 EPROM image.\n"
                       "\n"
                       "With IMAGE, the image is opened after start-up as File > Open opens it.\n"
                       "With --emulator, each image opened is uploaded into the emulator at PORT\n"
                       "(into a bank the engine does not run, read back, then run), and every\n"
                       "field left whose value is legal and changed is written into the bank\n"
                       "the engine runs; each write is a line on standard error."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("emulator"), QStringLiteral("The emulator's serial port, as /dev/ttyUSB0."),
         QStringLiteral("PORT")},
        {QStringLiteral("device"),
         QStringLiteral("The emulator, one of %1; %2 by default.")
             .arg(devices::DeviceNames(), QLatin1String(devices::DefaultDevice().name.data(),
                                                        static_cast<qsizetype>(devices::DefaultDevice().name.size()))),
         QStringLiteral("NAME")},
        {QStringLiteral("bank"),
         QStringLiteral("The bank to upload into, from 0; by default one the engine does not run."),
         QStringLiteral("N")},
    });
    parser.addPositionalArgument(QStringLiteral("IMAGE"), QStringLiteral("An image to open."),
                                 QStringLiteral("[IMAGE]"));
}

[[nodiscard]] int Refuse(const QString& message) {
    std::fprintf(stderr, "tarvik: %s\nTry \"tarvik --help\".\n", message.toLocal8Bit().constData());
    return kWrongCommandLine;
}

}  // namespace

bool AsksForHelpOrVersion(const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QLatin1String("--")) return false;
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help") || argument == QLatin1String("-v") ||
            argument == QLatin1String("--version"))
            return true;
    }
    return false;
}

int ShowHelpOrVersion(const QStringList& arguments) {
    QCommandLineParser parser;
    Configure(parser);
    (void)parser.parse(arguments);
    const std::string text =
        parser.isSet(QStringLiteral("version"))
            ? ProgramVersionText() + '\n'
            : parser.helpText()
                  .replace(QStringLiteral("<executable_name>"), QStringLiteral("tarvik"))
                  .replace(QStringLiteral("[options]"), QStringLiteral("[--emulator PORT [--device NAME] "
                                                                       "[--bank N]]"))
                  .toStdString();
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0
               ? 0
               : kWrongCommandLine;
}

std::optional<int> ReadCommandLine(const QStringList& arguments, EditorOptions& options) {
    QCommandLineParser parser;
    Configure(parser);
    if (!parser.parse(arguments)) return Refuse(parser.errorText());
    const QStringList images = parser.positionalArguments();
    if (images.size() > 1) return Refuse(QStringLiteral("Give one image to open."));
    options.image = images.value(0);
    const bool emulator = parser.isSet(QStringLiteral("emulator"));
    if (!emulator && (parser.isSet(QStringLiteral("device")) || parser.isSet(QStringLiteral("bank"))))
        return Refuse(QStringLiteral("--device and --bank go with --emulator PORT."));
    if (!emulator) return std::nullopt;
    options.port = parser.value(QStringLiteral("emulator"));
    if (options.port.isEmpty()) return Refuse(QStringLiteral("--emulator is empty: name the emulator's port."));
    options.device = &devices::DefaultDevice();
    if (parser.isSet(QStringLiteral("device"))) {
        options.device = devices::FindDevice(parser.value(QStringLiteral("device")));
        if (options.device == nullptr) {
            return Refuse(QStringLiteral("There is no emulator \"%1\"; the emulators are %2.")
                              .arg(parser.value(QStringLiteral("device")), devices::DeviceNames()));
        }
    }
    if (const QString cannot = options.device->Cannot(devices::Need::WriteWhileRunning); !cannot.isEmpty())
        return Refuse(QStringLiteral("The %1 cannot be used live: %2.").arg(options.device->title, cannot));
    if (parser.isSet(QStringLiteral("bank"))) {
        bool number = false;
        const int bank = parser.value(QStringLiteral("bank")).toInt(&number);
        if (!number || bank < 0 || bank >= options.device->banks)
            return Refuse(QStringLiteral("--bank takes 0 to %1.").arg(options.device->banks - 1));
        options.bank = bank;
    }
    return std::nullopt;
}

}  // namespace tarvik
