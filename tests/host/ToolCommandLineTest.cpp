// The command line every tool shares: how CLI11's own complaints reach the user as our one-line
// messages, what wins over a mistake, and the ways a value may be written.
#include "host/common/ToolCommandLine.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

namespace {

Result<int> ReadCount(std::string_view flag, std::string_view text) {
  int count = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || count < 1)
    return Error{std::string(flag) + ": '" + std::string(text) + "' is not a count"};
  return count;
}

// A small tool with one flag of each kind.
struct Tool {
  Tool() {
    line.AddFlag("-q,--quiet", quiet, "say less");
    line.AddText("-o,--output", output, "FILE", "where to write");
    line.AddValue("--frames", frames, ReadCount, "N", "how many frames");
    line.AddOptionalValue("--curve", curve, ReadCount, 11, "[N]", "print the curve");
    line.AddRepeated("-k,--key", keys, ReadCount, "K", "a key (repeat for more)");
  }
  CommandLineOutcome Parse(std::vector<std::string_view> arguments) {
    return line.Parse(arguments);
  }

  ToolCommandLine line{"zrq-tool", "Does a small thing."};
  bool quiet = false;
  std::optional<std::string> output;
  std::optional<int> frames;
  std::optional<int> curve;
  std::vector<int> keys;
};

TEST(ToolCommandLine, ReadsEveryWayOfWritingAValue) {
  Tool spaced;
  ASSERT_EQ(spaced.Parse({"--frames", "3", "-o", "a.png", "-q"}), CommandLineOutcome::Run)
      << spaced.line.UsageMessage();
  EXPECT_EQ(spaced.frames, 3);
  EXPECT_EQ(spaced.output, "a.png");
  EXPECT_TRUE(spaced.quiet);

  Tool attached;
  ASSERT_EQ(attached.Parse({"--frames=3", "--output=a.png"}), CommandLineOutcome::Run)
      << attached.line.UsageMessage();
  EXPECT_EQ(attached.frames, 3);
  EXPECT_EQ(attached.output, "a.png");
  EXPECT_FALSE(attached.quiet);

  // A value that looks like an option is still the value of a flag that needs one.
  Tool dashed;
  ASSERT_EQ(dashed.Parse({"--output", "--quiet"}), CommandLineOutcome::Run);
  EXPECT_EQ(dashed.output, "--quiet");
  EXPECT_FALSE(dashed.quiet);
}

TEST(ToolCommandLine, AnOptionalValueMayBeLeftOutButNotTakenFromTheNextFlag) {
  const std::pair<std::vector<std::string_view>, int> cases[] = {
      {{"--curve"}, 11}, {{"--curve", "5"}, 5}, {{"--curve=7"}, 7}, {{"--curve", "-q"}, 11}};
  for (const auto &[arguments, samples] : cases) {
    Tool tool;
    ASSERT_EQ(tool.Parse(arguments), CommandLineOutcome::Run) << tool.line.UsageMessage();
    EXPECT_EQ(tool.curve, samples) << arguments.back();
  }
  Tool bad;
  EXPECT_EQ(bad.Parse({"--curve", "many"}), CommandLineOutcome::Usage);
  EXPECT_EQ(bad.line.UsageMessage(), "--curve: 'many' is not a count");
}

TEST(ToolCommandLine, KeepsRepeatedValuesInOrderAndRefusesOtherRepeats) {
  Tool keys;
  ASSERT_EQ(keys.Parse({"--key", "3", "-k", "1", "--key=2"}), CommandLineOutcome::Run)
      << keys.line.UsageMessage();
  EXPECT_EQ(keys.keys, (std::vector<int>{3, 1, 2}));

  const std::pair<std::vector<std::string_view>, std::string> cases[] = {
      {{"--frames", "1", "--frames", "2"}, "--frames is given more than once"},
      {{"-o", "a", "--output=b"}, "--output is given more than once"},
      {{"--quiet", "-q"}, "--quiet is given more than once"},
      {{"-qq"}, "--quiet is given more than once"},
      {{"--curve", "--curve", "3"}, "--curve is given more than once"},
      // One value per use: the next argument is not a second key.
      {{"--key", "1", "2"}, "unexpected argument '2'"},
  };
  for (const auto &[arguments, said] : cases) {
    Tool tool;
    EXPECT_EQ(tool.Parse(arguments), CommandLineOutcome::Usage) << said;
    EXPECT_EQ(tool.line.UsageMessage(), said);
  }
}

TEST(ToolCommandLine, SaysCLI11sComplaintsInOurWords) {
  const std::pair<std::vector<std::string_view>, std::string> cases[] = {
      {{"--colour", "red"}, "unknown option '--colour'"},
      {{"--colour=red"}, "unknown option '--colour'"},
      {{"-x"}, "unknown option '-x'"},
      {{"stray.png"}, "unexpected argument 'stray.png'"},
      {{"-"}, "unexpected argument '-'"},
      {{"stray\n.png"}, "unexpected argument 'stray\\n.png'"},
      {{"--output"}, "--output needs a value"},
      {{"-q", "-o"}, "--output needs a value"},
      {{"--frames="}, "--frames: '' is not a count"},
      {{"--frames=", "3"}, "unexpected argument '3'"}, // the value was given, empty
      {{"--quiet=yes"}, "--quiet takes no value"},
      {{"--quiet=no"}, "--quiet takes no value"},
      {{"--frames", "0"}, "--frames: '0' is not a count"},
      {{"--key", "1", "--key", "x"}, "--key: 'x' is not a count"},
  };
  for (const auto &[arguments, said] : cases) {
    Tool tool;
    EXPECT_EQ(tool.Parse(arguments), CommandLineOutcome::Usage) << said;
    EXPECT_EQ(tool.line.UsageMessage(), said);
  }
}

TEST(ToolCommandLine, RefusesTheFirstConflictingFlagBeforeReadingAnyValue) {
  const auto conflicting = [](Tool &tool) {
    tool.line.Conflicts(
        tool.line.App().get_option("--key"),
        {tool.line.App().get_option("--frames"), tool.line.App().get_option("--curve")},
        "keys set their own times");
    tool.line.Conflicts(tool.line.App().get_option("--quiet"),
                        {tool.line.App().get_option("--curve")});
  };
  const std::pair<std::vector<std::string_view>, std::string> cases[] = {
      {{"--curve", "--frames", "x", "-k", "1"},
       "--frames cannot be used with --key (keys set their own times)"},
      {{"--curve", "-q"}, "--curve cannot be used with --quiet"},
  };
  for (const auto &[arguments, said] : cases) {
    Tool tool;
    conflicting(tool);
    EXPECT_EQ(tool.Parse(arguments), CommandLineOutcome::Usage) << said;
    EXPECT_EQ(tool.line.UsageMessage(), said);
  }
  Tool apart;
  conflicting(apart);
  EXPECT_EQ(apart.Parse({"--frames", "2", "--curve"}), CommandLineOutcome::Run)
      << apart.line.UsageMessage();
}

TEST(ToolCommandLine, HelpAndVersionWinOverMistakes) {
  const std::pair<std::vector<std::string_view>, CommandLineOutcome> cases[] = {
      {{"--bogus", "--help"}, CommandLineOutcome::Help},
      {{"--output", "-h"}, CommandLineOutcome::Help},
      {{"--help", "--help"}, CommandLineOutcome::Help},
      {{"--version", "-h"}, CommandLineOutcome::Help},
      {{"-qh"}, CommandLineOutcome::Help},
      {{"stray", "--version", "--version"}, CommandLineOutcome::Version},
      {{"--frames", "0", "--version"}, CommandLineOutcome::Version},
  };
  for (const auto &[arguments, outcome] : cases) {
    Tool tool;
    EXPECT_EQ(tool.Parse(arguments), outcome) << arguments.front();
  }
  Tool tool;
  EXPECT_EQ(tool.line.VersionLine(), "zrq-tool 0.1");
  const std::string help = tool.line.HelpText();
  for (const char *said : {"Does a small thing.", "-o,--output FILE", "where to write",
                           "--curve [N]", "-h,--help", "--version"})
    EXPECT_NE(help.find(said), std::string::npos) << said << " in\n" << help;
}

TEST(ToolCommandLine, TakesSlashFlagsOnlyWhereTheToolAsksAndOnlyForItsFlags) {
  ToolCommandLine line{"zrq-tool", "Registers."};
  bool unregister = false;
  line.AddFlag("-u", unregister, "unregister")->ignore_case();
  std::vector<std::string> modules;
  line.App().add_option("MODULE", modules, "the module");
  ASSERT_EQ(line.Parse({"/u", "m.so"}), CommandLineOutcome::Run) << line.UsageMessage();
  EXPECT_FALSE(unregister);
  EXPECT_EQ(modules, (std::vector<std::string>{"/u", "m.so"}));

  line.AcceptSlashFlags();
  ASSERT_EQ(line.Parse({"/U", "/nonexistent/module.so"}), CommandLineOutcome::Run)
      << line.UsageMessage();
  EXPECT_TRUE(unregister);
  EXPECT_EQ(modules, std::vector<std::string>{"/nonexistent/module.so"});
  EXPECT_EQ(line.Parse({"/x", "/?"}), CommandLineOutcome::Help);
}

// What a main prints for each outcome, and the exit status it gives.
TEST(ToolCommandLine, ConcludesWithOneLineAndTheHousesExitStatus) {
  Tool tool;
  const auto stderrOf = [](auto call) {
    testing::internal::CaptureStderr();
    const int status = call();
    return std::make_pair(status, testing::internal::GetCapturedStderr());
  };
  ASSERT_EQ(tool.Parse({"--colour"}), CommandLineOutcome::Usage);
  EXPECT_EQ(stderrOf([&] { return *tool.line.Conclude(CommandLineOutcome::Usage); }),
            std::make_pair(kExitUsage, std::string("zrq-tool: unknown option '--colour' "
                                                   "(zrq-tool --help for more)\n")));
  EXPECT_EQ(stderrOf([&] { return tool.line.Failure("cannot write 'a\nb'"); }),
            std::make_pair(kExitFailure, std::string("zrq-tool: cannot write 'a\\nb'\n")));
  EXPECT_FALSE(tool.line.Conclude(CommandLineOutcome::Run));
  testing::internal::CaptureStdout();
  EXPECT_EQ(tool.line.Conclude(CommandLineOutcome::Version), kExitDone);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "zrq-tool 0.1\n");
}

} // namespace
