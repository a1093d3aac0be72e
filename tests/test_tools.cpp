// The scripts under tools/ as a user first meets them: --help only explains,
// at once, and an unknown option is refused with status 2 before any work.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "support/support.h"

TEST(ToolScripts, HelpDoesNothingElseAndBadOptionsStopAtOnce)
{
    for (const char* script : {"tools/play", "tools/run-tests", "tools/fuzz-run", "tools/time-render",
                               "tools/readme-pictures", "tools/install-deps",
                               "tools/assets/measure-music"}) {
        std::string path = test_source_dir() + "/" + script;
        // One that started its work instead would not be done in 10 s.
        RunResult help = test_run({"/usr/bin/timeout", "10", path, "--help"}, "/tmp");
        EXPECT_EQ(help.status, 0) << script << "\n" << help.err;
        std::string lower;
        for (char c : help.out)
            lower += static_cast<char>(tolower(static_cast<unsigned char>(c)));
        EXPECT_NE(lower.find("usage: "), std::string::npos) << script << "\n" << help.out;
        EXPECT_EQ(help.err, "") << script;

        RunResult bad = test_run({"/usr/bin/timeout", "10", path, "--no-such-option"}, "/tmp");
        EXPECT_EQ(bad.status, 2) << script << "\n" << bad.out << bad.err;
        EXPECT_NE(bad.err, "") << script;
    }
}
