// corvane-config's command line.

#include "tools/config/ConfigOptions.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(ConfigOptions, CommandsWithTheirOptionsInAnyOrder) {
    const struct {
        Args In;
        TCommand Command;
        int Port;
        std::string Profile;
        bool Json, DryRun, Yes, Quiet;
    } cases[] = {
        {{"ports"}, TCommand::Ports, 0, "", false, false, false, false},
        {{"read"}, TCommand::Read, 0, "", false, false, false, false},
        {{"--quiet", "read", "--json", "--port", "3"},
         TCommand::Read,
         3,
         "",
         true,
         false,
         false,
         true},
        {{"read", "--port", "255", "-q"}, TCommand::Read, 255, "", false, false, false, true},
        {{"write", "boat.json"}, TCommand::Write, 0, "boat.json", false, false, false, false},
        {{"write", "-", "--dry-run", "--port", "1"},
         TCommand::Write,
         1,
         "-",
         false,
         true,
         false,
         false},
        {{"--dry-run", "write", "-"}, TCommand::Write, 0, "-", false, true, false, false},
        {{"reset", "--yes"}, TCommand::Reset, 0, "", false, false, true, false},
        {{"reset"}, TCommand::Reset, 0, "", false, false, false, false}, // refused later, at run
    };
    for (const auto& c : cases) {
        TConfigOptions o;
        std::string error;
        ASSERT_TRUE(ParseConfigOptions(c.In, o, error)) << c.In[0] << ": " << error;
        EXPECT_EQ(o.Command, c.Command);
        EXPECT_EQ(o.PortNum, c.Port);
        EXPECT_EQ(o.Profile, c.Profile);
        EXPECT_EQ(o.Json, c.Json);
        EXPECT_EQ(o.DryRun, c.DryRun);
        EXPECT_EQ(o.Yes, c.Yes);
        EXPECT_EQ(o.Quiet, c.Quiet);
    }
}

TEST(ConfigOptions, PortDirectoryForTests) {
    TConfigOptions o;
    std::string error;
    ASSERT_TRUE(ParseConfigOptions({"--port-dir", "/tmp/x", "ports"}, o, error));
    EXPECT_EQ(o.PortDir, "/tmp/x");
}

TEST(ConfigOptions, HelpNeedsNoCommand) {
    TConfigOptions o;
    std::string error;
    ASSERT_TRUE(ParseConfigOptions({"--help"}, o, error));
    EXPECT_TRUE(o.Help);
    EXPECT_NE(ConfigUsage().find("exit status"), std::string::npos);
}

TEST(ConfigOptions, RefusedWithAReason) {
    const struct {
        Args In;
        const char* Says;
    } cases[] = {
        {{}, "no command given"},
        {{"--json"}, "no command given"},
        {{"erase"}, "unknown command \"erase\""},
        {{"read", "--verbose"}, "unknown option --verbose"},
        {{"read", "--port"}, "--port needs a value"},
        {{"read", "--port", "0"}, "bad value for --port: \"0\""},
        {{"read", "--port", "256"}, "bad value for --port"},
        {{"read", "--port", "3x"}, "bad value for --port"},
        {{"read", "--port", "-1"}, "bad value for --port"},
        {{"read", "--port", ""}, "bad value for --port"},
        {{"read", "extra"}, "unexpected argument \"extra\""},
        {{"write"}, "write needs a profile"},
        {{"write", "a.json", "b.json"}, "unexpected argument \"b.json\""},
        {{"ports", "--port", "1"}, "--port does not belong to ports"},
        {{"write", "a.json", "--json"}, "--json does not belong to write"},
        {{"read", "--dry-run"}, "--dry-run does not belong to read"},
        {{"write", "-", "--yes"}, "--yes does not belong to write"},
        {{"--port-dir"}, "--port-dir needs a value"},
    };
    for (const auto& c : cases) {
        TConfigOptions o;
        std::string error;
        EXPECT_FALSE(ParseConfigOptions(c.In, o, error)) << c.Says;
        EXPECT_NE(error.find(c.Says), std::string::npos) << c.Says << " -> " << error;
    }
}

} // namespace
