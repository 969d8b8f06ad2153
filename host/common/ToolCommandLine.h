// The command line of every tool, declared once with CLI11: each flag with its names, value,
// help and reader, from which both the parser and --help come. The house's conventions live
// here: --help/-h and --version win over anything else on the line, a usage error is one line
// "TOOL: MESSAGE (TOOL --help for more)" with exit status 2, a failure "TOOL: MESSAGE" with 1.
//
//   ToolCommandLine line("zrq-page", "Draws the property page.");
//   std::optional<double> time;
//   line.AddValue("--time", time, ParseTime, "T", "the page's time cursor, 0 to 1");
//   if (std::optional<int> status = line.Conclude(line.Parse(argc, argv))) return *status;
#pragma once

#include "host/Status.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

enum class CommandLineOutcome {
  Run,     // the line was good: the declared values are filled in
  Help,    // --help or -h was on the line
  Version, // --version was on the line (and no --help)
  Usage,   // bad usage: UsageMessage() says why, in one line
};

// True when the flag was on the command line.
bool Given(const CLI::Option *flag);

// Prints "TOOL: MESSAGE (TOOL --help for more)" on one line and gives kExitUsage; for a usage
// error found after the line was read (an effect name the module does not know).
int ReportUsage(std::string_view tool, std::string_view why);
// Prints "TOOL: MESSAGE" on one line and gives kExitFailure.
int ReportFailure(std::string_view tool, std::string_view why);

class ToolCommandLine {
public:
  // A reader of one value: the flag as the user wrote it and the text; its error names the flag.
  template <class T> using Reader = Result<T> (*)(std::string_view flag, std::string_view text);

  // `description` heads --help; `version` is what --version prints after the tool's name.
  ToolCommandLine(std::string tool, std::string description, std::string version = "0.1");

  const std::string &Tool() const { return tool; }
  // For what the helpers below do not cover: groups, the footer, positionals, option_text.
  CLI::App &App() { return app; }

  // A flag without a value.
  CLI::Option *AddFlag(const std::string &names, bool &target, const std::string &help);
  // A flag with a text value, taken as written.
  CLI::Option *AddText(const std::string &names, std::optional<std::string> &target,
                       const std::string &valueName, const std::string &help);
  // A flag whose value `read` turns into a T once the whole line has been read.
  template <class T>
  CLI::Option *AddValue(const std::string &names, std::optional<T> &target, Reader<T> read,
                        const std::string &valueName, const std::string &help) {
    return AddRead(AddValueOption(names, valueName, help, Arity::One),
                   [&target, read](auto flag, auto text) {
                     return Store(read(flag, text), [&](T value) { target = std::move(value); });
                   });
  }
  // A value that may be left out ("--curve", "--curve 5", "--curve=5"): `bare` when it is.
  template <class T>
  CLI::Option *AddOptionalValue(const std::string &names, std::optional<T> &target, Reader<T> read,
                                T bare, const std::string &valueName, const std::string &help) {
    return AddRead(AddValueOption(names, valueName, help, Arity::Optional),
                   [&target, read, bare](auto flag, auto text) {
                     if (text.empty()) return (target = bare), std::optional<std::string>();
                     return Store(read(flag, text), [&](T value) { target = std::move(value); });
                   });
  }
  // A flag that may be repeated, each use giving one value, kept in the order written.
  template <class T>
  CLI::Option *AddRepeated(const std::string &names, std::vector<T> &target, Reader<T> read,
                           const std::string &valueName, const std::string &help) {
    return AddRead(AddValueOption(names, valueName, help, Arity::Repeated),
                   [&target, read](auto flag, auto text) {
                     return Store(read(flag, text),
                                  [&](T value) { target.push_back(std::move(value)); });
                   });
  }

  // Declares that none of `refused` may be given with `flag`: the first one given (in the
  // order listed) is refused as "REFUSED cannot be used with FLAG (why)", before any value is
  // read. Conflicts that depend on values (a video's file name) are the tool's to check.
  void Conflicts(const CLI::Option *flag, std::vector<const CLI::Option *> refused,
                 std::string why = "");

  // Lets an argument "/x" stand for the declared flag -x or --x (a Windows tool's "/u", "/?"),
  // in any case the flag accepts; "/other" stays an argument (an absolute path).
  void AcceptSlashFlags();

  // Reads the arguments after the program's name.
  [[nodiscard]] CommandLineOutcome Parse(const std::vector<std::string_view> &arguments);
  [[nodiscard]] CommandLineOutcome Parse(int argc, char **argv);
  // Why the last Parse came to Usage.
  const std::string &UsageMessage() const { return message; }

  std::string HelpText() const { return app.help(); }
  std::string VersionLine() const { return tool + " " + version; }

  // For a tool's main: prints the help, the version or the usage line the outcome asks for and
  // gives the exit status; nothing when the tool should run.
  std::optional<int> Conclude(CommandLineOutcome outcome) const;
  int UsageError(std::string_view why) const { return ReportUsage(tool, why); }
  int Failure(std::string_view why) const { return ReportFailure(tool, why); }

private:
  enum class Arity { One, Optional, Repeated };
  // Reads one value given to a flag; the one-line reason when it is not good.
  using ValueReader =
      std::function<std::optional<std::string>(std::string_view flag, std::string_view text)>;

  template <class T, class Keep>
  static std::optional<std::string> Store(Result<T> read, const Keep &keep) {
    if (!read.ok()) return read.message();
    keep(std::move(read.value()));
    return std::nullopt;
  }

  CLI::Option *AddValueOption(const std::string &names, const std::string &valueName,
                              const std::string &help, Arity arity);
  CLI::Option *AddRead(CLI::Option *option, ValueReader read);
  std::vector<std::string> Spelled(const std::vector<std::string_view> &arguments) const;
  std::optional<std::string> Structure(const std::vector<std::string> &arguments) const;
  std::optional<std::string> Read();
  std::string MessageOf(const CLI::ParseError &error) const;
  const CLI::Option *Named(std::string_view written) const;

  std::string tool;
  std::string version;
  CLI::App app;
  CLI::Option *versionFlag = nullptr;
  bool slashFlags = false;
  std::vector<std::pair<CLI::Option *, ValueReader>> readers;
  std::vector<const CLI::Option *> repeatable;
  struct Conflict {
    const CLI::Option *flag;
    std::vector<const CLI::Option *> refused;
    std::string why;
  };
  std::vector<Conflict> conflicts;
  std::string message;
};
