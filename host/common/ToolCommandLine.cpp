#include "host/common/ToolCommandLine.h"

#include "host/MessageText.h"

#include <algorithm>
#include <cstdio>

bool Given(const CLI::Option *flag) { return flag != nullptr && flag->count() > 0; }

ToolCommandLine::ToolCommandLine(std::string tool, std::string description, std::string version)
    // A blank line between the description and the usage line.
    : tool(std::move(tool)), version(std::move(version)),
      app(std::move(description) + "\n", this->tool) {
  // Every value is read as text and checked by our readers, so CLI11 itself never turns a
  // flag's "=no" into false, and a repeated flag is refused by Structure, with our message.
  app.option_defaults()->disable_flag_override()->multi_option_policy(
      CLI::MultiOptionPolicy::TakeAll);
  // Unknown options and stray arguments are left over rather than thrown, so that Structure
  // can say which one in our words.
  app.allow_extras();
  app.set_help_flag("-h,--help", "this text");
  const std::string versionHelp = "the version";
  versionFlag = app.add_flag("--version", versionHelp);
  app.get_formatter()->column_width(23);
}

CLI::Option *ToolCommandLine::AddFlag(const std::string &names, bool &target,
                                      const std::string &help) {
  // Set from the line once it is read, like every other value, so a repeat is refused first.
  return AddRead(app.add_flag(names, help), [&target](std::string_view, std::string_view) {
    target = true;
    return std::optional<std::string>();
  });
}

CLI::Option *ToolCommandLine::AddText(const std::string &names, std::optional<std::string> &target,
                                      const std::string &valueName, const std::string &help) {
  return AddRead(AddValueOption(names, valueName, help, Arity::One),
                 [&target](std::string_view, std::string_view text) {
                   target = std::string(text);
                   return std::optional<std::string>();
                 });
}

CLI::Option *ToolCommandLine::AddValueOption(const std::string &names, const std::string &valueName,
                                             const std::string &help, Arity arity) {
  CLI::Option *option = app.add_option(names, help)->type_name(valueName);
  switch (arity) {
  case Arity::One:
    option->expected(1);
    break;
  case Arity::Optional:
    option->expected(0, 1);
    break;
  case Arity::Repeated:
    // One value per use: "--key 0=1 stray" leaves the stray argument over.
    option->expected(1)->allow_extra_args(false);
    repeatable.push_back(option);
    break;
  }
  return option;
}

CLI::Option *ToolCommandLine::AddRead(CLI::Option *option, ValueReader read) {
  readers.emplace_back(option, std::move(read));
  return option;
}

void ToolCommandLine::Conflicts(const CLI::Option *flag, std::vector<const CLI::Option *> refused,
                                std::string why) {
  conflicts.push_back({flag, std::move(refused), std::move(why)});
}

void ToolCommandLine::AcceptSlashFlags() {
  slashFlags = true;
  app.set_help_flag("-h,-?,--help", "this text");
}

const CLI::Option *ToolCommandLine::Named(std::string_view written) const {
  if (written.size() < 2 || written[0] != '-') return nullptr;
  return app.get_option_no_throw(std::string(written));
}

std::vector<std::string>
ToolCommandLine::Spelled(const std::vector<std::string_view> &arguments) const {
  std::vector<std::string> spelled;
  for (std::string_view argument : arguments) {
    // CLI11 reads "--flag=" as "--flag" and takes the next argument as its value; the user
    // gave an empty one.
    if (argument.size() > 3 && argument.starts_with("--") && argument.ends_with("=")) {
      const CLI::Option *option = Named(argument.substr(0, argument.size() - 1));
      if (option != nullptr && option->get_expected_max() > 0) {
        spelled.emplace_back(argument.substr(0, argument.size() - 1));
        spelled.emplace_back();
        continue;
      }
    }
    // CLI11's short names are one character: "/u" is -u, "/ve" is --ve.
    if (slashFlags && argument.size() > 1 && argument[0] == '/') {
      const std::string flag =
          (argument.size() == 2 ? "-" : "--") + std::string(argument.substr(1));
      if (app.get_option_no_throw(flag) != nullptr) {
        spelled.push_back(flag);
        continue;
      }
    }
    spelled.emplace_back(argument);
  }
  return spelled;
}

std::string ToolCommandLine::MessageOf(const CLI::ParseError &error) const {
  const std::string what = error.what();
  // CLI11 names the option first: "--output: 1 required FILE missing", "quiet was given a
  // disallowed flag override".
  const CLI::Option *named = nullptr;
  for (const CLI::Option *option : app.get_options()) {
    for (const std::string &name : option->get_lnames())
      if (what.starts_with("--" + name + ":") || what.starts_with(name + " was given"))
        named = option;
    for (const std::string &name : option->get_snames())
      if (what.starts_with("-" + name + ":") || what.starts_with(name + " was given"))
        named = option;
  }
  if (named != nullptr && dynamic_cast<const CLI::ArgumentMismatch *>(&error) != nullptr) {
    if (what.find("flag override") != std::string::npos)
      return named->get_name() + " takes no value";
    return named->get_name() + " needs a value";
  }
  return what;
}

std::optional<std::string>
ToolCommandLine::Structure(const std::vector<std::string> &arguments) const {
  const std::vector<std::string> left = app.remaining();
  if (!left.empty()) {
    const std::string &first = left.front();
    if (first.size() > 1 && first[0] == '-')
      return "unknown option " + Quoted(std::string_view(first).substr(0, first.find('=')));
    return "unexpected argument " + Quoted(first);
  }
  // A flag given twice is a mistake unless it collects values; the first one repeated on the
  // line is named. How many positional arguments a tool takes is its own to say.
  for (const std::string &argument : arguments) {
    const CLI::Option *option = Named(std::string_view(argument).substr(0, argument.find('=')));
    if (option != nullptr && option->count() > 1 &&
        std::find(repeatable.begin(), repeatable.end(), option) == repeatable.end())
      return option->get_name() + " is given more than once";
  }
  for (const CLI::Option *option : app.get_options())
    if (option->nonpositional() && option->count() > 1 &&
        std::find(repeatable.begin(), repeatable.end(), option) == repeatable.end())
      return option->get_name() + " is given more than once"; // written together, as -qq
  for (const Conflict &conflict : conflicts) {
    if (!Given(conflict.flag)) continue;
    for (const CLI::Option *refused : conflict.refused)
      if (Given(refused))
        return refused->get_name() + " cannot be used with " + conflict.flag->get_name() +
               (conflict.why.empty() ? "" : " (" + conflict.why + ")");
  }
  return std::nullopt;
}

std::optional<std::string> ToolCommandLine::Read() {
  for (auto &[option, read] : readers) {
    if (!Given(option)) continue;
    const std::string flag = option->get_name();
    // A value left out ("--curve") is read as empty, as is "--curve=".
    if (option->results().empty()) {
      if (std::optional<std::string> problem = read(flag, "")) return problem;
    }
    for (const std::string &text : option->results())
      if (std::optional<std::string> problem = read(flag, text)) return problem;
  }
  return std::nullopt;
}

CommandLineOutcome ToolCommandLine::Parse(const std::vector<std::string_view> &arguments) {
  message.clear();
  const std::vector<std::string> spelled = Spelled(arguments);
  // Asking for help or the version is never a mistake, whatever else is on the line; help wins.
  const auto asked = [&](const CLI::Option *flag) {
    return std::any_of(spelled.begin(), spelled.end(),
                       [&](const std::string &argument) { return Named(argument) == flag; });
  };
  if (asked(app.get_help_ptr())) return CommandLineOutcome::Help;
  if (asked(versionFlag)) return CommandLineOutcome::Version;

  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(spelled.rbegin(), spelled.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp &) {
    return CommandLineOutcome::Help; // -h inside a group of short flags, as -qh
  } catch (const CLI::ParseError &error) {
    message = MessageOf(error);
    return CommandLineOutcome::Usage;
  }
  if (Given(versionFlag)) return CommandLineOutcome::Version;
  if (std::optional<std::string> problem = Structure(spelled)) {
    message = *problem;
    return CommandLineOutcome::Usage;
  }
  if (std::optional<std::string> problem = Read()) {
    message = *problem;
    return CommandLineOutcome::Usage;
  }
  return CommandLineOutcome::Run;
}

CommandLineOutcome ToolCommandLine::Parse(int argc, char **argv) {
  return Parse(std::vector<std::string_view>(argv + std::min(argc, 1), argv + argc));
}

std::optional<int> ToolCommandLine::Conclude(CommandLineOutcome outcome) const {
  switch (outcome) {
  case CommandLineOutcome::Run:
    return std::nullopt;
  case CommandLineOutcome::Help:
    std::fputs(HelpText().c_str(), stdout);
    return kExitDone;
  case CommandLineOutcome::Version:
    std::puts(VersionLine().c_str());
    return kExitDone;
  case CommandLineOutcome::Usage:
    return UsageError(message);
  }
  return kExitUsage;
}

int ReportUsage(std::string_view tool, std::string_view why) {
  const std::string name(tool);
  std::fprintf(stderr, "%s: %s (%s --help for more)\n", name.c_str(), Printable(why).c_str(),
               name.c_str());
  return kExitUsage;
}

int ReportFailure(std::string_view tool, std::string_view why) {
  std::fprintf(stderr, "%s: %s\n", std::string(tool).c_str(), Printable(why).c_str());
  return kExitFailure;
}
