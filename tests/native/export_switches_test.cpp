#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/ExportSwitches.h"

using namespace sockmere;
using Args = std::vector<std::string>;

TEST(ExportSwitches, MatchInAnyCaseWithDashesOrSlashAndOnlyThen) {
    for (const Args& args : {Args{}, Args{"-t", "-n"}, Args{"-csv", "x"}, Args{"csv"}, Args{"/help"}, Args{"--?"}})
        EXPECT_EQ(ParseExportArguments(args).action, ExportAction::None) << ::testing::PrintToString(args);
    for (const Args& args : {Args{"--help"}, Args{"/?"}, Args{"--HeLp", "--bogus"}, Args{"-n", "/?"}})
        EXPECT_EQ(ParseExportArguments(args).action, ExportAction::Help) << ::testing::PrintToString(args);
    const ExportRequest r = ParseExportArguments(Args{"/NUMERIC", "--Tsv", "C:\\out dir\\t.txt", "/processes", "--ALL"});
    EXPECT_EQ(r.action, ExportAction::Export);
    EXPECT_EQ(r.format, TableFormat::Tsv);
    EXPECT_EQ(r.path, "C:\\out dir\\t.txt");
    EXPECT_TRUE(r.options.numeric && r.options.all && r.options.processes);
    const ExportRequest plain = ParseExportArguments(Args{"/csv", "-"});
    EXPECT_EQ(plain.format, TableFormat::Csv);
    EXPECT_EQ(plain.path, kStandardOutput);
    EXPECT_FALSE(plain.options.numeric || plain.options.all || plain.options.processes);
    // A format switch without a FILE of its own decides the format of the one named.
    EXPECT_EQ(ParseExportArguments(Args{"--csv", "f", "--tsv"}).format, TableFormat::Tsv);
    EXPECT_EQ(ParseExportArguments(Args{"--tsv", "f", "--csv"}).format, TableFormat::Csv);
}

TEST(ExportSwitches, ABadCommandLineSaysWhatIsWrongInOneLine) {
    const std::pair<Args, const char*> cases[] = {
        {{"--csv"}, "No FILE"},
        {{"--csv", ""}, "empty"},
        {{"--csv", "a", "--tsv", "b"}, "second FILE: \"b\""},
        {{"--csv", "a", "-t"}, "combined with an export: \"-t\""},
        // A switch is never taken for the FILE.
        {{"--csv", "--all", "f"}, "Unknown argument: \"f\""},
    };
    for (const auto& [args, says] : cases) {
        const ExportRequest r = ParseExportArguments(args);
        EXPECT_EQ(r.action, ExportAction::Bad) << ::testing::PrintToString(args);
        EXPECT_TRUE(r.error.starts_with("Sockmere: ") && r.error.ends_with(".\r\n") &&
                    r.error.find(says) != std::string::npos) << r.error;
    }
}
