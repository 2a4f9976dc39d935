// Reading a helper program's output: its argument list reaches it untouched, failures and
// hanging helpers give nothing, and a hanging one is ended in time.

#include "platform/ProgramOutput.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(ReadProgramOutput, OutputOnSuccessOnly) {
    // No shell between us and the program: the argument stays one word, $HOME unexpanded.
    EXPECT_EQ(ReadProgramOutput({"printf", "%s|", "a b", "$HOME", ";ls"}, 5s),
              std::optional<std::string>("a b|$HOME|;ls|"));
    EXPECT_FALSE(ReadProgramOutput({"sh", "-c", "echo partial; exit 3"}, 5s).has_value());
    EXPECT_FALSE(ReadProgramOutput({"/no/such/program"}, 5s).has_value());
    EXPECT_FALSE(ReadProgramOutput({}, 5s).has_value());
    // Standard error is not the output.
    EXPECT_EQ(ReadProgramOutput({"sh", "-c", "echo out; echo err >&2"}, 5s),
              std::optional<std::string>("out\n"));
}

TEST(ReadProgramOutput, AHangingHelperIsEndedInTime) {
    auto start = std::chrono::steady_clock::now();
    // One that keeps its output open, and one that closed it but lingers.
    EXPECT_FALSE(ReadProgramOutput({"sleep", "30"}, 200ms).has_value());
    EXPECT_FALSE(ReadProgramOutput({"sh", "-c", "exec >&-; sleep 30"}, 200ms).has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}
