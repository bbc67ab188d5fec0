// What the command line says on Windows, where COM N is always Windows' own COMN.
#include "command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using nerivo::CommandLine;
using nerivo::parse_command_line;

TEST(CommandLineOnWindows, RefusesComDirAndLeavesItOutOfTheHelp) {
    const std::string REFUSAL =
        "--com-dir is for Linux: on Windows, COM N is the port Windows calls COMN.\n";
    struct Row {
        std::vector<std::string> args;
        CommandLine::Outcome outcome;
        std::string start; // of the text
    };
    const Row rows[] = {
        {{"--com-dir", "C:\\links"}, CommandLine::Outcome::BAD_USAGE, REFUSAL},
        {{"--help", "-com-dir="}, CommandLine::Outcome::BAD_USAGE, REFUSAL},
        {{"--com-dir"}, CommandLine::Outcome::BAD_USAGE, "Missing value after '--com-dir'."},
        {{"/help"}, CommandLine::Outcome::BAD_USAGE, "Unexpected argument '/help'.\n"},
        {{"--help"}, CommandLine::Outcome::SHOW_HELP, "Usage: nerivo [options]\n"},
    };
    for (const Row& row : rows) {
        std::vector<std::string> args{"nerivo.exe"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const CommandLine read = parse_command_line(args);
        const std::string label = testing::PrintToString(row.args);
        EXPECT_EQ(read.outcome, row.outcome) << label;
        EXPECT_EQ(read.text.rfind(row.start, 0), 0u) << label << "\n" << read.text;
        EXPECT_EQ(read.text.find("--com-dir <DIR>"), std::string::npos) << label;
        EXPECT_EQ(read.text.find("NERIVO_COM_DIR"), std::string::npos) << label;
        EXPECT_EQ(read.com_dir, "") << label;
    }
    const std::string help = parse_command_line({"nerivo.exe", "--help"}).text;
    EXPECT_NE(help.find("  --log-dir <DIR>             Also write"), std::string::npos) << help;
    EXPECT_NE(help.find("\nCOM N is the port Windows calls COMN."), std::string::npos) << help;
}

} // namespace
