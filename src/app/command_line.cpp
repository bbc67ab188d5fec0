#include "command_line.h"

#include "com_port_path.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QtGlobal>

#include <algorithm>

namespace nerivo {
namespace {

// After the options in --help, in the words of the manual page.
const char* const HELP_NOTES =
    "\n"
    "COM N opens $NERIVO_COM_DIR/comN when NERIVO_COM_DIR (or --com-dir) is set, otherwise\n"
    "/dev/ttyS<N-1>. Serial devices need the dialout group. With --log-dir, each run writes\n"
    "nerivo-<start date and time>-status.log and -nav.log there, one dated line for each line\n"
    "on screen. See nerivo(1).\n";

} // namespace

CommandLine parse_command_line(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Operator station for an autonomous underwater vehicle: relays USBL fixes to the\n"
        "vehicle, shows its status and sends it commands."));
    // "-platform" is one unknown option, not eight unknown letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Print the version and exit."));
    const QCommandLineOption com_dir(
        QStringLiteral("com-dir"),
        QStringLiteral("Folder of COM links DIR/comN (overrides NERIVO_COM_DIR)."),
        QStringLiteral("DIR"));
    const QCommandLineOption log_dir(
        QStringLiteral("log-dir"),
        QStringLiteral("Also write the status and nav logs to files in DIR (made if missing)."),
        QStringLiteral("DIR"));
    const QCommandLineOption status_timeout(
        QStringLiteral("status-timeout"),
        QStringLiteral("Report a status request still unanswered after SECONDS (default %1).")
            .arg(StationSettings().status_timeout_s),
        QStringLiteral("SECONDS"));
    const QCommandLineOption stale_after(
        QStringLiteral("stale-after"),
        QStringLiteral("Grey the vehicle status once it is SECONDS old (default %1).")
            .arg(StationSettings().stale_after_s),
        QStringLiteral("SECONDS"));
    parser.addOptions({help, version, com_dir, log_dir, status_timeout, stale_after});

    // Qt names the program by the path it was started with; the manual page calls it nerivo.
    const auto usage = [&parser] {
        return QStringLiteral("Usage: nerivo [options]\n") +
               parser.helpText().section(QLatin1Char('\n'), 1);
    };
    CommandLine result;
    const auto bad_usage = [&](const QString& problem) {
        result.outcome = CommandLine::Outcome::BAD_USAGE;
        result.text = (problem + QLatin1Char('\n') + usage()).toStdString();
        return result;
    };
    if (!parser.parse(arguments)) {
        return bad_usage(parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return bad_usage(QStringLiteral("Unexpected argument '%1'.")
                             .arg(parser.positionalArguments().constFirst()));
    }
    for (const QCommandLineOption* folder : {&com_dir, &log_dir}) {
        if (parser.isSet(*folder) && parser.value(*folder).isEmpty()) {
            return bad_usage(
                QStringLiteral("--%1 wants a folder.").arg(folder->names().constFirst()));
        }
    }
    struct Seconds {
        const QCommandLineOption* option;
        int StationSettings::*setting;
    };
    for (const Seconds& seconds : {Seconds{&status_timeout, &StationSettings::status_timeout_s},
                                   Seconds{&stale_after, &StationSettings::stale_after_s}}) {
        if (!parser.isSet(*seconds.option)) {
            continue;
        }
        // Digits only: no sign, no blanks.
        const QString value = parser.value(*seconds.option);
        const bool digits =
            !value.isEmpty() && std::all_of(value.begin(), value.end(), [](QChar c) {
                return c >= QLatin1Char('0') && c <= QLatin1Char('9');
            });
        bool fits = false;
        const int number = value.toInt(&fits);
        if (!digits || !fits || number < 1) {
            return bad_usage(QStringLiteral("--%1 wants a whole number of seconds, 1 or more.")
                                 .arg(seconds.option->names().constFirst()));
        }
        result.station.settings.*seconds.setting = number;
    }
    if (parser.isSet(help)) {
        result.outcome = CommandLine::Outcome::SHOW_HELP;
        result.text = usage().toStdString() + HELP_NOTES;
        return result;
    }
    if (parser.isSet(version)) {
        result.outcome = CommandLine::Outcome::SHOW_VERSION;
        result.text =
            QStringLiteral("nerivo %1\n").arg(QStringLiteral(NERIVO_VERSION)).toStdString();
        return result;
    }
    result.com_dir = parser.value(com_dir).toStdString();
    result.station.log_dir = parser.value(log_dir).toStdString();
    return result;
}

void apply_command_line(const CommandLine& command_line) {
    if (!command_line.com_dir.empty()) {
        qputenv(COM_DIR_VARIABLE, QByteArray::fromStdString(command_line.com_dir));
    }
}

} // namespace nerivo
