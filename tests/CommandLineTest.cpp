// The game's command line: --help and --version answer and exit 0, anything
// else is refused with one usage line and status 2, before any window opens.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

struct Outcome {
    int status = -1;
    std::string output; // standard output and standard error together
};

// Runs the real game binary with no display at all, so that a start of the
// game itself would end with status 1, never with the statuses tested here.
Outcome runGameWith(const std::string& arguments)
{
    const std::string command =
        std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '") + VESBRIK_GAME + "' " + arguments + " 2>&1";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return outcome;
    std::array<char, 4096> buffer;
    size_t read = 0;
    while ((read = fread(buffer.data(), 1, buffer.size(), pipe)) > 0 && outcome.output.size() < 65536)
        outcome.output.append(buffer.data(), read);
    const int raw = pclose(pipe);
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return outcome;
}

size_t lineCount(const std::string& text)
{
    size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

} // namespace

TEST(CommandLine, NoArgumentsPlays)
{
    EXPECT_EQ(readCommandLine({}).action, CommandLineAnswer::Play);
}

TEST(CommandLine, HelpAndVersionPrintAndSucceed)
{
    CommandLineAnswer help = readCommandLine({"--help"});
    EXPECT_EQ(help.action, CommandLineAnswer::Print);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.text.rfind("usage: vesbrik", 0), 0u) << help.text;

    CommandLineAnswer version = readCommandLine({"--version"});
    EXPECT_EQ(version.action, CommandLineAnswer::Print);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.text.rfind("vesbrik ", 0), 0u);
    EXPECT_EQ(lineCount(version.text), 1u);
}

TEST(CommandLine, EverythingElseIsRefusedWithOneUsageLine)
{
    const std::vector<std::vector<std::string>> wrong = {
        {"--fullscreen"}, {"-h"}, {"help"}, {""}, {"--help", "--version"}, {"--version", "extra"}, {"--HELP"}};
    for (const auto& arguments : wrong) {
        CommandLineAnswer answer = readCommandLine(arguments);
        EXPECT_EQ(answer.action, CommandLineAnswer::Refuse) << arguments[0];
        EXPECT_EQ(answer.status, 2);
        EXPECT_EQ(lineCount(answer.text), 1u) << answer.text;
        EXPECT_NE(answer.text.find("usage: vesbrik"), std::string::npos);
    }
}

TEST(CommandLine, ReplayAsksToWatchOrCheckARecording)
{
    CommandLineAnswer watch = readCommandLine({"--replay", "game.vbr"});
    EXPECT_EQ(watch.action, CommandLineAnswer::Play);
    ASSERT_TRUE(watch.replay);
    EXPECT_EQ(watch.replay->file, "game.vbr");
    EXPECT_FALSE(watch.replay->verify);

    CommandLineAnswer check = readCommandLine({"--verify", "--replay", "./--help"}); // a file may be named so
    EXPECT_EQ(check.action, CommandLineAnswer::Play);
    ASSERT_TRUE(check.replay);
    EXPECT_EQ(check.replay->file, "./--help");
    EXPECT_TRUE(check.replay->verify);

    // An option where the file name belongs is no file name.
    CommandLineAnswer noFile = readCommandLine({"--replay", "--verify"});
    EXPECT_EQ(noFile.action, CommandLineAnswer::Refuse);
    EXPECT_EQ(noFile.status, 2);
    EXPECT_EQ(noFile.text.rfind("vesbrik: --replay needs a recording file name before '--verify'", 0), 0u)
        << noFile.text;

    EXPECT_FALSE(readCommandLine({}).replay);
    for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
             {"--replay"}, {"--verify"}, {"--replay", "a", "--replay", "b"}, {"--replay", "a", "b"},
             {"--verify", "--replay", "--help"}, {"--replay", "-x"}}) {
        CommandLineAnswer answer = readCommandLine(wrong);
        EXPECT_EQ(answer.action, CommandLineAnswer::Refuse) << wrong.size();
        EXPECT_EQ(answer.status, 2);
        EXPECT_EQ(lineCount(answer.text), 1u) << answer.text;
    }
}

TEST(CommandLine, RefusalNamesTheArgumentWithoutPassingControlCharacters)
{
    CommandLineAnswer answer = readCommandLine({"--fulscreen"});
    EXPECT_NE(answer.text.find("'--fulscreen'"), std::string::npos) << answer.text;

    // Escapes are shown, not sent; a long word keeps its two ends.
    answer = readCommandLine({"\x1b]0;owned\x07\n" + std::string(128 * 1024, 'x') + "END"});
    EXPECT_EQ(answer.text.find('\x1b'), std::string::npos);
    EXPECT_EQ(answer.text.rfind("vesbrik: unknown argument '\\x1b]0;owned\\x07\\nxxx", 0), 0u) << answer.text;
    EXPECT_NE(answer.text.find("xxx...xxx"), std::string::npos) << answer.text;
    EXPECT_NE(answer.text.find("xxxEND'"), std::string::npos) << answer.text;
    EXPECT_EQ(lineCount(answer.text), 1u);
    EXPECT_LT(answer.text.size(), 200u);

    // Valid UTF-8 is the player's language; broken UTF-8 and the characters
    // that turn text around are escaped.
    answer = readCommandLine({"--größe=zwölf"});
    EXPECT_NE(answer.text.find("'--größe=zwölf'"), std::string::npos) << answer.text;
    answer = readCommandLine({"a\xC3(\xFF\xE2\x80\xAE\xC2\x9B\\b"});
    EXPECT_NE(answer.text.find("'a\\xc3(\\xff\\u202e\\u009b\\\\b'"), std::string::npos) << answer.text;
}

TEST(CommandLine, TheGameBinaryAnswersWithoutOpeningAWindow)
{
    Outcome help = runGameWith("--help");
    EXPECT_EQ(help.status, 0) << help.output;
    EXPECT_NE(help.output.find("--version"), std::string::npos);

    Outcome version = runGameWith("--version");
    EXPECT_EQ(version.status, 0) << version.output;
    EXPECT_EQ(version.output.rfind("vesbrik ", 0), 0u) << version.output;

    Outcome wrong = runGameWith("--windowed");
    EXPECT_EQ(wrong.status, 2) << wrong.output;
    EXPECT_EQ(lineCount(wrong.output), 1u) << wrong.output;
}
