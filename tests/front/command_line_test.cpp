// The command line as every station program reads it, whichever window it shows.
#include "command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using nerivo::CommandLine;
using nerivo::parse_command_line;
using Outcome = CommandLine::Outcome;

std::string first_line(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// Each target as host|port|com|baud, then a space.
std::string listed(const std::vector<nerivo::NmeaTarget>& targets) {
    std::string list;
    for (const nerivo::NmeaTarget& t : targets) {
        list += t.host + "|" + t.port + "|" + std::to_string(t.com_number) + "|" +
                std::to_string(t.baud) + " ";
    }
    return list;
}

TEST(CommandLine, ReadsOptionsInEveryFormAndNamesTheFirstProblem) {
    const std::string SECONDS = " wants a whole number of seconds, 1 or more.";
    const std::string TARGET = "--nmea-out wants udp:HOST:PORT or com:N[:BAUD], not '";
    const std::string NAME =
        "--target-name wants 1 to 20 of A-Z, 0-9, blank and \"#%&'()+-./:;<=>?[]_, not '";
    const std::string DISTRESS = " number: plotters in range would sound a distress alarm.";
    struct Row {
        std::vector<std::string> args;
        Outcome outcome;
        std::string first_line; // of the text; nothing for a run
        std::string log_dir{};
        int status_timeout_s = 10;
        int stale_after_s = 60;
        std::string nmea_targets{}; // listed
        std::string target_outputs{};
        uint32_t mmsi = 0;
        std::string target_name = "AUV";
    };
    const Row rows[] = {
        {{}, Outcome::RUN, ""},
        {{"--log-dir", "/logs", "--status-timeout=5", "-stale-after", "007"},
         Outcome::RUN,
         "",
         "/logs",
         5,
         7},
        {{"-log-dir=a=b", "--log-dir", "--help"}, Outcome::RUN, "", "--help"}, // the last value
        {{"--status-timeout", "2147483647"}, Outcome::RUN, "", "", 2147483647},
        {{"--stale-after", "010", "--log-dir", "-stale-after"},
         Outcome::RUN,
         "",
         "-stale-after",
         10,
         10},
        {{"-help"}, Outcome::SHOW_HELP, "Usage: nerivo [options]"},
        {{"-v"}, Outcome::SHOW_VERSION, std::string("nerivo ") + NERIVO_VERSION},
        {{"--", "--help"}, Outcome::BAD_USAGE, "Unexpected argument '--help'."},
        {{"-"}, Outcome::BAD_USAGE, "Unexpected argument '-'."},
        {{"--help=1"}, Outcome::BAD_USAGE, "Unexpected value after '--help'."},
        {{"--=", "-x", "--bogus=1"}, Outcome::BAD_USAGE, "Unknown options: , x, bogus."},
        {{"-hv"}, Outcome::BAD_USAGE, "Unknown option 'hv'."},
        {{"--bogus", "-log-dir"}, Outcome::BAD_USAGE, "Missing value after '-log-dir'."},
        {{"--log-dir", ""}, Outcome::BAD_USAGE, "--log-dir wants a folder."},
        {{"--help", "--stale-after", "0"}, Outcome::BAD_USAGE, "--stale-after" + SECONDS},
        {{"--status-timeout", "2147483648"}, Outcome::BAD_USAGE, "--status-timeout" + SECONDS},
        {{"--status-timeout", " 5"}, Outcome::BAD_USAGE, "--status-timeout" + SECONDS},
        {{"--nmea-out", "udp:chart.local:10110", "-nmea-out=udp:[::1]:1", "--nmea-out", "com:3",
          "--nmea-out=com:12:38400", "--nmea-out", "udp:255.255.255.255:65535"},
         Outcome::RUN,
         "",
         "",
         10,
         60,
         "chart.local|10110|0|4800 ::1|1|0|4800 ||3|4800 ||12|38400 "
         "255.255.255.255|65535|0|4800 "},
        {{"--nmea-out", "com:3", "com:4"}, Outcome::BAD_USAGE, "Unexpected argument 'com:4'."},
        {{"--nmea-out", "udp:host:65536"}, Outcome::BAD_USAGE, TARGET + "udp:host:65536'."},
        {{"--nmea-out", "udp:10110"}, Outcome::BAD_USAGE, TARGET + "udp:10110'."},
        {{"--nmea-out", "udp:::1:10110"}, Outcome::BAD_USAGE, TARGET + "udp:::1:10110'."},
        {{"--nmea-out", "com:0"}, Outcome::BAD_USAGE, TARGET + "com:0'."},
        {{"--nmea-out", "com:3:"}, Outcome::BAD_USAGE, TARGET + "com:3:'."},
        {{"--nmea-out", "COM3"}, Outcome::BAD_USAGE, TARGET + "COM3'."},
        {{"--nmea-out", "com:3", "--nmea-out", "tcp:host:1"},
         Outcome::BAD_USAGE,
         TARGET + "tcp:host:1'."},
        {{"--target-out", "udp:[fd00::5]:10110", "--mmsi", "982571234", "-target-out=com:4:38400",
          "--target-name", "\"#%&'()+-./:;<=>?[]_", "--target-name", "AUV-2 SURVEY 09"},
         Outcome::RUN,
         "",
         "",
         10,
         60,
         "",
         "fd00::5|10110|0|4800 ||4|38400 ",
         982571234,
         "AUV-2 SURVEY 09"},
        {{"--target-out", "udp:chart"},
         Outcome::BAD_USAGE,
         "--target-out wants udp:HOST:PORT or com:N[:BAUD], not 'udp:chart'."},
        {{"--mmsi", "98257123"}, Outcome::BAD_USAGE, "--mmsi wants 9 digits, not '98257123'."},
        {{"--mmsi", "+98257123"}, Outcome::BAD_USAGE, "--mmsi wants 9 digits, not '+98257123'."},
        {{"--mmsi", "970123456"},
         Outcome::BAD_USAGE,
         "--mmsi 970123456 is an AIS-SART's" + DISTRESS},
        {{"--mmsi", "972000001"},
         Outcome::BAD_USAGE,
         "--mmsi 972000001 is a man-overboard device's" + DISTRESS},
        {{"--mmsi", "974999999"}, Outcome::BAD_USAGE, "--mmsi 974999999 is an EPIRB's" + DISTRESS},
        {{"--mmsi", "000000000"},
         Outcome::BAD_USAGE,
         "--mmsi 000000000 is a coast station's or a group's number."},
        {{"--target-name", "auv"}, Outcome::BAD_USAGE, NAME + "auv'."},
        {{"--target-name", ""}, Outcome::BAD_USAGE, NAME + "'."},
        {{"--target-name", "ABCDEFGHIJKLMNOPQRSTU"},
         Outcome::BAD_USAGE,
         NAME + "ABCDEFGHIJKLMNOPQRSTU'."},
        {{"--target-name", "AUV,2"}, Outcome::BAD_USAGE, NAME + "AUV,2'."},
        {{"--target-name", "AUV@SEA"}, Outcome::BAD_USAGE, NAME + "AUV@SEA'."},
        {{"--target-name", "\xc3\x85UV"}, Outcome::BAD_USAGE, NAME + "\xc3\x85UV'."},
    };
    for (const Row& row : rows) {
        std::vector<std::string> args{"C:\\Program Files\\Nerivo\\nerivo.exe"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const CommandLine read = parse_command_line(args);
        const std::string label = testing::PrintToString(row.args);
        EXPECT_EQ(read.outcome, row.outcome) << label;
        EXPECT_EQ(first_line(read.text), row.first_line) << label;
        if (row.outcome == Outcome::BAD_USAGE) {
            EXPECT_EQ(read.text.find(row.first_line + "\nUsage: nerivo [options]\n"), 0u) << label;
        }
        EXPECT_EQ(read.station.log_dir, row.log_dir) << label;
        EXPECT_EQ(read.station.settings.status_timeout_s, row.status_timeout_s) << label;
        EXPECT_EQ(read.station.settings.stale_after_s, row.stale_after_s) << label;
        EXPECT_EQ(listed(read.station.settings.nmea_targets), row.nmea_targets) << label;
        EXPECT_EQ(listed(read.station.settings.target_outputs), row.target_outputs) << label;
        EXPECT_EQ(read.station.settings.mmsi, row.mmsi) << label;
        EXPECT_EQ(read.station.settings.target_name, row.target_name) << label;
    }
}

TEST(CommandLine, HelpWrapsDescriptionsBesideTheOptionsColumn) {
    const std::string help = parse_command_line({"nerivo", "--help"}).text;
    EXPECT_NE(help.find("\n\nOptions:\n"
                        "  -h, --help                  Print this help and exit.\n"
                        "  -v, --version               Print the version and exit.\n"),
              std::string::npos)
        << help;
    EXPECT_NE(help.find("  --log-dir <DIR>             Also write the status and nav logs to "
                        "files in\n"
                        "                              DIR (made if missing).\n"),
              std::string::npos)
        << help;
    EXPECT_NE(help.find("98MIDxxxx, the form for a craft of a parent ship"), std::string::npos)
        << help;
}

} // namespace
