#include "command_line.h"
#include "dump_output.h"
#include "station_app.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Before anything opens a file: the record dump goes to descriptor 1, whatever holds it.
    nerivo::open_closed_standard_descriptors();
    nerivo::CommandLine command_line;
    {
        // Not yet a GUI application: a bad option, --help and --version need no display.
        // Qt decodes argv from the locale's encoding; the parser reads UTF-8.
        QCoreApplication reader(argc, argv);
        std::vector<std::string> arguments;
        for (const QString& argument : QCoreApplication::arguments()) {
            arguments.push_back(argument.toStdString());
        }
        command_line = nerivo::parse_command_line(arguments);
    }
    switch (command_line.outcome) {
    case nerivo::CommandLine::Outcome::SHOW_HELP:
    case nerivo::CommandLine::Outcome::SHOW_VERSION:
        std::fputs(command_line.text.c_str(), stdout);
        return 0;
    case nerivo::CommandLine::Outcome::BAD_USAGE:
        std::fputs(command_line.text.c_str(), stderr);
        return 2;
    case nerivo::CommandLine::Outcome::RUN:
        break;
    }
    nerivo::apply_command_line(command_line);

    QApplication application(argc, argv);
    nerivo::StationApp station(command_line.station);
    station.run();
    return 0;
}
