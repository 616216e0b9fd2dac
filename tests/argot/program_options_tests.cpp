// The program's own command line: which flags each argument list sets, where
// the program's operands begin, and which errors are recorded.
#include "app/ProgramOptions.h"
#include "argot_test_support.h"
#include "stderr_capture.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <string>

namespace {

struct Flags {
    bool help;
    bool version;
    bool manual;
};

bool operator==(const Flags &a, const Flags &b)
{
    return a.help == b.help && a.version == b.version && a.manual == b.manual;
}

std::ostream &operator<<(std::ostream &stream, const Flags &flags)
{
    return stream << "{help " << flags.help << ", version " << flags.version << ", manual "
                  << flags.manual << "}";
}

struct ProgramCase {
    const wchar_t *words;
    Flags flags;
    std::ptrdiff_t rest;
    argot_error code;
    const wchar_t *name;
    const wchar_t *value;
};

constexpr Flags kNoFlags{false, false, false};
constexpr Flags kHelp{true, false, false};
constexpr Flags kVersion{false, true, false};
constexpr Flags kManual{false, false, true};

class ProgramOptionsTest : public testing::Test {
protected:
    void SetUp() override { SetFlags(kNoFlags); }
    void TearDown() override { SetFlags(kNoFlags); }

    static void SetFlags(const Flags &flags)
    {
        g_helpFlag = flags.help;
        g_versionFlag = flags.version;
        g_manualFlag = flags.manual;
    }

    // Parses the words as the run sequence does, with all flags starting at
    // initial, and checks every observable result. No misuse line may appear.
    void Check(const ProgramCase &expected, const Flags &initial = kNoFlags)
    {
        SCOPED_TRACE(testing::Message() << "arguments: \"" << expected.words << "\"");
        SetFlags(initial);
        ArgumentList arguments(expected.words);
        StderrCapture capture;
        const ParseOutcome outcome = ParseList(g_programOptions, arguments);
        EXPECT_EQ(capture.Finish(), "");
        EXPECT_EQ((Flags{g_helpFlag, g_versionFlag, g_manualFlag}), expected.flags);
        EXPECT_EQ(outcome.rest, expected.rest);
        EXPECT_EQ(outcome.code, expected.code);
        EXPECT_EQ(outcome.name, expected.name);
        EXPECT_EQ(outcome.value, expected.value != nullptr
                                     ? std::optional<std::wstring>(expected.value)
                                     : std::nullopt);
    }
};

constexpr argot_error kNone = ARGOT_ERROR_NONE;
constexpr argot_error kInvalidOption = ARGOT_ERROR_INVALID_OPTION;
constexpr argot_error kInvalidValue = ARGOT_ERROR_INVALID_VALUE;

// The flags are constant-initialized, so this dynamic initializer sees them
// as the program starts, before any test writes them.
const Flags kFlagsAtStart{g_helpFlag, g_versionFlag, g_manualFlag};

TEST_F(ProgramOptionsTest, FlagsAreFalseAtStart)
{
    EXPECT_EQ(kFlagsAtStart, kNoFlags);
}

TEST_F(ProgramOptionsTest, OperandsBeginAtTheFirstNonOption)
{
    const ProgramCase cases[] = {
        {L"", kNoFlags, 0, kNone, L"", nullptr},
        {L"notepad.exe -x", kNoFlags, 0, kNone, L"", nullptr},
        {L"- --manual", kNoFlags, 0, kNone, L"", nullptr},
        {L"--manual prog --help", kManual, 1, kNone, L"", nullptr},
        {L"--manual -- prog", kManual, 2, kNone, L"", nullptr},
        {L"--manual -- --help", kManual, 2, kNone, L"", nullptr},
        {L"--manual=1 prog arg", kManual, 1, kNone, L"", nullptr},
    };
    for (const ProgramCase &c : cases) Check(c);
}

TEST_F(ProgramOptionsTest, HelpAndVersionSetTheirFlagAndStopTheParse)
{
    const ProgramCase cases[] = {
        {L"--help foo", kHelp, 1, kNone, L"", nullptr},
        {L"-h foo", kHelp, 1, kNone, L"", nullptr},
        {L"-? foo", kHelp, 1, kNone, L"", nullptr},
        {L"-?=1", kHelp, 1, kNone, L"", nullptr},
        {L"-h=1", kHelp, 1, kNone, L"", nullptr},
        {L"-hx", kHelp, 1, kNone, L"", nullptr},
        {L"-h --bogus", kHelp, 1, kNone, L"", nullptr},
        {L"--version --help", kVersion, 1, kNone, L"", nullptr},
        {L"--manual --version extra", {false, true, true}, 2, kNone, L"", nullptr},
        {L"--manual --version", {false, true, true}, 2, kNone, L"", nullptr},
    };
    for (const ProgramCase &c : cases) Check(c);
}

TEST_F(ProgramOptionsTest, ExplicitZeroOrOneSetsAFlagEitherWay)
{
    const Flags all{true, true, true};
    Check({L"--version=0", {true, false, true}, 1, kNone, L"", nullptr}, all);
    Check({L"-h=0 x", {false, true, true}, 1, kNone, L"", nullptr}, all);
    Check({L"--manual=0 x", {true, true, false}, 1, kNone, L"", nullptr}, all);
    Check({L"--manual=01 x", kManual, 1, kNone, L"", nullptr});
}

TEST_F(ProgramOptionsTest, BadOptionsAndValuesAreRecordedAsWritten)
{
    const ProgramCase cases[] = {
        {L"-xh", kNoFlags, 1, kInvalidOption, L"-x", nullptr},
        {L"--Help", kNoFlags, 1, kInvalidOption, L"--Help", nullptr},
        {L"--hel", kNoFlags, 1, kInvalidOption, L"--hel", nullptr},
        {L"--bogus=1", kNoFlags, 1, kInvalidOption, L"--bogus", nullptr},
        {L"--=1", kNoFlags, 1, kInvalidOption, L"--=1", nullptr},
        {L"-=1", kNoFlags, 1, kInvalidOption, L"-=1", nullptr},
        {L"-v", kNoFlags, 1, kInvalidOption, L"-v", nullptr},
        {L"-m", kNoFlags, 1, kInvalidOption, L"-m", nullptr},
        {L"--?", kNoFlags, 1, kInvalidOption, L"--?", nullptr},
        {L"--version=2", kNoFlags, 1, kInvalidValue, L"--version", L"2"},
        {L"--manual=yes prog", kNoFlags, 1, kInvalidValue, L"--manual", L"yes"},
        {L"--manual= prog", kNoFlags, 1, kInvalidValue, L"--manual", L""},
        {L"--manual -?=2", kManual, 2, kInvalidValue, L"-?", L"2"},
    };
    for (const ProgramCase &c : cases) Check(c);
}

} // namespace
