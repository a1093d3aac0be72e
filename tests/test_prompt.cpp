// The number prompt, run in a child process with a prepared standard input so
// that the transcript it prints can be compared whole.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/prompt.h"
#include "support/support.h"

namespace {

struct Answer {
    int value;
    std::string transcript;
};

Answer ask(const std::string& input, int min, int max)
{
    TempDir temp;
    const std::string& dir = temp.path;
    test_write_file(dir + "/in", input);
    pid_t pid = fork();
    if (pid == 0) {
        if (!freopen((dir + "/in").c_str(), "r", stdin) || !freopen((dir + "/out").c_str(), "w", stdout))
            _exit(2);
        int value = ask_number("Pick : ", min, max);
        fflush(stdout);
        FILE* result = fopen((dir + "/value").c_str(), "w");
        fprintf(result, "%d", value);
        fclose(result);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::string value = test_read_file(dir + "/value");
    Answer answer{value.empty() ? INT32_MIN : std::stoi(value), test_read_file(dir + "/out")};
    return answer;
}

TEST(AskNumber, AcceptsTheFirstAnswerInRange)
{
    Answer a = ask("44101\n7999\n44100\n", 8000, 44100);
    EXPECT_EQ(a.value, 44100);
    EXPECT_EQ(a.transcript, "Pick : ");
    EXPECT_EQ(ask("   12abc\n", 1, 99).value, 12);
    EXPECT_EQ(ask("-3\n+4\n", 0, 9).value, 4);
    EXPECT_EQ(ask("-3\n", -5, 9).value, -3);
}

TEST(AskNumber, WordsAndEmptyLinesReadAsZero)
{
    EXPECT_EQ(ask("music\n", 0, 4).value, 0);
    Answer a = ask("music\n\n2\n", 1, 9);
    EXPECT_EQ(a.value, 2);
    EXPECT_EQ(a.transcript, "Pick : ");
}

TEST(AskNumber, LongLinesAreReadIn254CharacterPieces)
{
    // 254 blanks and then "7": the blanks are one answer (0, refused), the
    // rest of the line the next one.
    std::string line(254, ' ');
    EXPECT_EQ(ask(line + "7\n", 1, 9).value, 7);
    // A number that crosses the cut is read as two numbers.
    std::string digits = std::string(253, ' ') + "12\n";
    EXPECT_EQ(ask(digits, 2, 9).value, 2);
}

TEST(AskNumber, EndOfInputTakesTheLowerBound)
{
    EXPECT_EQ(ask("", 1, 2).value, 1);
    EXPECT_EQ(ask("0\n99\n", 8000, 44100).value, 8000);
    EXPECT_EQ(ask("5", 1, 9).value, 5);
}

}  // namespace
