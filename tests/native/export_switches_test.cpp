#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/ExportSwitches.h"

using namespace sockmere;

namespace {

ExportRequest Parse(std::vector<std::string> args) {
    return ParseExportArguments(args);
}

}  // namespace

TEST(ExportSwitches, WithoutAnyTheWindowStartsAndReadsTheArguments) {
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"-t", "-n"}, {"-csv", "x"}, {"csv"}, {"--CSVX"}})
        EXPECT_EQ(Parse(args).action, ExportAction::None) << ::testing::PrintToString(args);
}

TEST(ExportSwitches, MatchInAnyCaseWithDashesOrSlash) {
    const ExportRequest r = Parse({"/NUMERIC", "--Tsv", "C:\\out dir\\t.txt", "/processes", "--ALL"});
    EXPECT_EQ(r.action, ExportAction::Export);
    EXPECT_EQ(r.format, TableFormat::Tsv);
    EXPECT_EQ(r.path, "C:\\out dir\\t.txt");
    EXPECT_TRUE(r.options.numeric && r.options.all && r.options.processes);
    const ExportRequest plain = Parse({"/csv", "-"});
    EXPECT_EQ(plain.format, TableFormat::Csv);
    EXPECT_EQ(plain.path, kStandardOutput);
    EXPECT_FALSE(plain.options.numeric || plain.options.all || plain.options.processes);
    for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"/?"}, {"--HeLp", "--bogus"}, {"-n", "/?"}})
        EXPECT_EQ(Parse(args).action, ExportAction::Help) << ::testing::PrintToString(args);
    // Only the forms given: no "/help", "--?" or single dashes.
    EXPECT_EQ(Parse({"/help"}).action, ExportAction::None);
    EXPECT_EQ(Parse({"--?"}).action, ExportAction::None);
}

TEST(ExportSwitches, ABareFormatSwitchDecidesTheFormatOfTheFileNamed) {
    EXPECT_EQ(Parse({"--csv", "f", "--tsv"}).format, TableFormat::Tsv);
    EXPECT_EQ(Parse({"--tsv", "--csv", "f"}).format, TableFormat::Tsv);
    EXPECT_EQ(Parse({"--tsv", "f", "--csv"}).format, TableFormat::Csv);
    // A switch is never taken for the FILE.
    const ExportRequest r = Parse({"--csv", "--all", "f"});
    EXPECT_EQ(r.action, ExportAction::Bad);
    EXPECT_NE(r.error.find("\"f\""), std::string::npos) << r.error;
}

TEST(ExportSwitches, ABadCommandLineSaysWhatIsWrong) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--csv"}, "No FILE"},
        {{"--numeric", "--all"}, "No FILE"},
        {{"--csv", ""}, "empty"},
        {{"--csv", "a", "--tsv", "b"}, "second FILE: \"b\""},
        {{"--csv", "a", "-t"}, "combined with an export: \"-t\""},
        {{"-n", "--csv", "a"}, "combined with an export: \"-n\""},
        {{"--csv", "a", "--bogus"}, "\"--bogus\""},
        {{"--csv", "a", "-csv"}, "\"-csv\""},
    };
    for (const auto& [args, says] : cases) {
        const ExportRequest r = Parse(args);
        EXPECT_EQ(r.action, ExportAction::Bad) << ::testing::PrintToString(args);
        EXPECT_NE(r.error.find(says), std::string::npos) << r.error;
        EXPECT_TRUE(r.error.starts_with("Sockmere: ") && r.error.ends_with(".\r\n")) << r.error;
    }
}

TEST(ExportSwitches, UsageNamesEverySwitchOnItsOwnLine) {
    const std::string usage(ExportUsage());
    for (const char* line : {"\r\n  --csv FILE ", "\r\n  --tsv FILE ", "\r\n  --processes ", "\r\n  --numeric ",
                             "\r\n  --all ", "\r\n  --help, /? "})
        EXPECT_NE(usage.find(line), std::string::npos) << line;
    EXPECT_TRUE(usage.ends_with("\r\n"));
    EXPECT_EQ(usage.find('\n'), usage.find("\r\n") + 1);
}
