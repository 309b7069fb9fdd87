// tarrowin-cli's commands: show, once, run, --help and --version.
#include "tools/cli/cli_commands.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "engine/affinity_rules.h"
#include "engine/cpu_limit_thread.h"
#include "engine/process_source.h"
#include "engine/rule_match.h"
#include "tools/cli/cli_lines.h"
#include "tools/cli/cli_rules.h"
#include "tools/cli/cli_system.h"

namespace tarrowin {
namespace {

constexpr std::u16string_view kProgram = u"tarrowin-cli";
constexpr std::u16string_view kUsage =
    u"usage: tarrowin-cli show [--all] RULES | once RULES | run RULES [normal|long] | --help | "
    u"--version";

constexpr std::string_view kHelp =
    "tarrowin-cli: the Tarrowin engine without its window.\n"
    "\n"
    "  tarrowin-cli show [--all] RULES\n"
    "      changes nothing; lists every running process that an enabled rule of\n"
    "      the settings file RULES matches: PID, PATH, MASK (the processors the\n"
    "      process may use), SYSTEM (those the engine may give), RULE and NAME\n"
    "      (the rule's position in the file and its program name) and NEXT,\n"
    "      what the next pass does: leave, set MASK, or random N of SYSTEM.\n"
    "      A second rule for the same process is judged on the mask that the\n"
    "      first one leaves.\n"
    "      --all also lists the processes that no rule matches.\n"
    "  tarrowin-cli once RULES\n"
    "      runs one pass and prints each mask it changed: PID, PATH, OLD, NEW.\n"
    "  tarrowin-cli run RULES [normal|long]\n"
    "      runs a pass every 500 ms (normal, the default) or 2000 ms (long) and\n"
    "      prints each change as once does, until Ctrl+C, SIGINT or SIGTERM.\n"
    "      On Linux SIGHUP reads RULES again; a file that no longer loads keeps\n"
    "      the rules in use.\n"
    "\n"
    "RULES is read as Tarrowin reads it (also out of a .pcf archive named\n"
    "after a parent folder), and the core counts are cut to this machine's\n"
    "processors. Fields are separated by tabs. Exit status: 0 on success, 1\n"
    "when the file cannot be used or an argument is wrong, 2 for a command\n"
    "line of the wrong shape.";

struct Masks {
  std::uint32_t process = 0;
  std::uint32_t system = 0;
};

std::optional<Masks> ReadMasksOf(IProcessSource& source, ProcessId id) {
  if (!source.OpenAffinity(id)) return std::nullopt;
  Masks masks;
  const int read = source.ReadMasks(&masks.process, &masks.system);
  source.CloseAffinity();
  if (!read) return std::nullopt;
  return masks;
}

std::u16string NextText(AffinityAction action, const LimitRule& rule, std::uint32_t system) {
  switch (action) {
    case AffinityAction::kLeave:
      break;
    case AffinityAction::kSetExplicitMask:
      return u"set " + MaskField(rule.CPUMask);
    case AffinityAction::kChooseCores:
      return u"random " + NumberField(static_cast<std::uint32_t>(rule.CPUCount)) + u" of " +
             MaskField(system);
  }
  return u"leave";
}

// The lowest or the highest `count` processors of `system`.
std::uint32_t LowestProcessors(std::uint32_t system, int count) {
  std::uint32_t mask = 0;
  for (int bit = 0; bit < 32 && CountBits(mask) < count; ++bit) mask |= system & (1u << bit);
  return mask;
}

std::uint32_t HighestProcessors(std::uint32_t system, int count) {
  std::uint32_t mask = 0;
  for (int bit = 31; bit >= 0 && CountBits(mask) < count; --bit) mask |= system & (1u << bit);
  return mask;
}

// What the earlier rules of a pass leave to the next rule for the same
// process: the mask it had, an explicit mask, or `count` processors drawn
// at random. A draw is judged as one that is not the next rule's explicit
// mask: the outcome of all draws but one.
class EarlierRules {
 public:
  std::uint32_t MaskFor(const LimitRule& rule, std::uint32_t current, std::uint32_t system) const {
    if (drawn_ == 0) return mask_.value_or(current);
    const std::uint32_t lowest = LowestProcessors(system, drawn_);
    return lowest != rule.CPUMask ? lowest : HighestProcessors(system, drawn_);
  }

  void After(AffinityAction action, const LimitRule& rule) {
    if (action == AffinityAction::kSetExplicitMask) {
      mask_ = rule.CPUMask;
      drawn_ = 0;
    } else if (action == AffinityAction::kChooseCores) {
      drawn_ = rule.CPUCount;
    }
  }

 private:
  std::optional<std::uint32_t> mask_;
  int drawn_ = 0;
};

class CCli {
 public:
  CCli(const std::vector<std::u16string>& args, ICliConsole& console)
      : args_(args), console_(console) {}

  int Run() {
    if (args_.empty()) return Usage(u"no command given");
    const std::u16string& verb = args_[0];
    if (verb == u"--help" || verb == u"-h" || verb == u"help") {
      console_.Out(Ascii(kHelp));
      return Finish(0);
    }
    if (verb == u"--version") {
      console_.Out(Ascii("tarrowin-cli " TARROWIN_VERSION));
      return Finish(0);
    }
    if (verb == u"show") return Show();
    if (verb == u"once") return Once();
    if (verb == u"run") return RunWorker();
    return Usage(u"unknown command " + Quoted(verb));
  }

 private:
  static std::u16string Quoted(std::u16string_view text) { return u"\"" + TextField(text) + u"\""; }

  int Usage(std::u16string_view fault) {
    console_.Error(std::u16string(kProgram) + u": " + std::u16string(fault) + u"; " +
                   std::u16string(kUsage));
    return 2;
  }

  int Fail(std::u16string_view subject, std::u16string_view fault) {
    console_.Error(std::u16string(kProgram) + u": " + TextField(subject) + u": " +
                   std::u16string(fault));
    return 1;
  }

  // Output that could not be written is a failure too.
  int Finish(int status) {
    if (status == 0 && !console_.OutputOk()) {
      return Fail(u"standard output", u"cannot be written");
    }
    return status;
  }

  // The processors this process may use, as the engine sees them: the
  // count that the rules are clamped to.
  bool MeasureSystem() {
    const auto source = MakeSystemProcessSource();
    const auto masks = ReadMasksOf(*source, CurrentProcessId());
    if (!masks) return false;
    system_count_ = CountBits(masks->system);
    return true;
  }

  int Load(const std::u16string& path) {
    if (!MeasureSystem()) return Fail(u"this process", u"cannot read its processor masks");
    std::u16string fault;
    if (!LoadRulesFile(path, system_count_, rules_, fault)) return Fail(path, fault);
    return 0;
  }

  int Show() {
    bool all = false;
    std::vector<std::u16string> files;
    for (std::size_t i = 1; i < args_.size(); ++i) {
      if (args_[i] == u"--all") {
        all = true;
      } else if (args_[i].starts_with(u"--")) {
        return Usage(u"unknown option " + Quoted(args_[i]));
      } else {
        files.push_back(args_[i]);
      }
    }
    if (files.size() != 1)
      return Usage(files.empty() ? u"no settings file given" : u"too many arguments");
    if (const int status = Load(files[0])) return status;

    const auto source = MakeSystemProcessSource();
    if (!source->TakeSnapshot()) return Fail(u"the running processes", u"cannot be listed");
    console_.Out(u"PID\tPATH\tMASK\tSYSTEM\tRULE\tNAME\tNEXT");
    char16_t path[CCPULimitThread::kPathCapacity];
    ProcessId id = 0;
    while (source->NextProcess(&id)) {
      if (source->ReadPath(id, path, std::size(path)) == 0) continue;
      path[std::size(path) - 1] = 0;
      const char16_t* file_name = FileNamePart(path);
      const std::u16string pid = NumberField(id);
      const std::u16string path_field = TextField(path);
      bool matched = false;
      EarlierRules earlier;
      for (std::size_t i = 0; i < rules_.size(); ++i) {
        const LimitRule& rule = rules_[i];
        if (!RuleAppliesTo(rule, path, file_name, *source)) continue;
        matched = true;
        const std::u16string position = NumberField(i + 1);
        const std::u16string name = TextField(rule.ProcessName);
        const auto masks = ReadMasksOf(*source, id);
        if (!masks) {
          console_.Out(Line({pid, path_field, u"-", u"-", position, name, u"skip"}));
          continue;
        }
        const AffinityAction action =
            ClassifyAffinity(rule.CPUCount, rule.CPUMask,
                             earlier.MaskFor(rule, masks->process, masks->system), masks->system);
        console_.Out(Line({pid, path_field, MaskField(masks->process), MaskField(masks->system),
                           position, name, NextText(action, rule, masks->system)}));
        earlier.After(action, rule);
      }
      if (matched || !all) continue;
      if (const auto masks = ReadMasksOf(*source, id)) {
        console_.Out(Line({pid, path_field, MaskField(masks->process), MaskField(masks->system),
                           u"-", u"-", u"-"}));
      } else {
        console_.Out(Line({pid, path_field, u"-", u"-", u"-", u"-", u"-"}));
      }
    }
    source->CloseSnapshot();
    return Finish(0);
  }

  int Once() {
    if (args_.size() != 2)
      return Usage(args_.size() < 2 ? u"no settings file given" : u"too many arguments");
    if (const int status = Load(args_[1])) return status;
    CCPULimitThread engine;
    engine.SetRules(rules_);
    engine.SetChangeHandler(
        [this](const AffinityChange& change) { console_.Out(ChangeLine(change)); });
    engine.EnforcePass();
    return Finish(0);
  }

  int RunWorker() {
    if (args_.size() < 2) return Usage(u"no settings file given");
    if (args_.size() > 3) return Usage(u"too many arguments");
    std::int32_t period = CCPULimitThread::kNormalPeriod;
    if (args_.size() == 3) {
      if (args_[2] == u"long") {
        period = CCPULimitThread::kLongPeriod;
      } else if (args_[2] != u"normal") {
        return Fail(args_[2], u"not a check cycle (normal or long)");
      }
    }
    const std::u16string& path = args_[1];
    // Before the worker starts, so that its thread leaves the requests to
    // this one.
    CControlRequests requests;
    if (const int status = Load(path)) return status;
    CCPULimitThread engine;
    engine.SetRules(rules_);
    engine.SetChangeHandler(
        [this](const AffinityChange& change) { console_.Out(ChangeLine(change)); });
    if (!engine.Start()) return Fail(u"the worker", u"cannot be started");
    console_.Error(std::u16string(kProgram) + u": " + TextField(path) + u": " +
                   RuleCount(rules_.size()) + u", a pass every " +
                   NumberField(static_cast<std::uint32_t>(period)) + u" ms; " +
                   std::u16string(CControlRequests::Help()));
    engine.SetCheckPeriod(period);  // wakes the worker: the first pass runs at once
    while (requests.Wait() == ControlRequest::kReload) Reload(path, engine);
    return Finish(0);  // the engine's end finishes a pass in progress and joins it
  }

  void Reload(const std::u16string& path, CCPULimitThread& engine) {
    std::vector<LimitRule> rules;
    std::u16string fault;
    if (!MeasureSystem() || !LoadRulesFile(path, system_count_, rules, fault)) {
      if (fault.empty()) fault = u"cannot be read";
      console_.Error(std::u16string(kProgram) + u": " + TextField(path) + u": " + fault +
                     u"; keeping the " + RuleCount(rules_.size()) + u" in use");
      return;
    }
    rules_ = std::move(rules);
    engine.SetRules(rules_);
    engine.Wake();  // the new rules apply at once, not after the period
    console_.Error(std::u16string(kProgram) + u": " + TextField(path) + u": reloaded, " +
                   RuleCount(rules_.size()));
  }

  static std::u16string RuleCount(std::size_t count) {
    return NumberField(count) + (count == 1 ? u" rule" : u" rules");
  }

  const std::vector<std::u16string>& args_;
  ICliConsole& console_;
  int system_count_ = 0;
  std::vector<LimitRule> rules_;
};

}  // namespace

int RunCli(const std::vector<std::u16string>& args, ICliConsole& console) {
  return CCli(args, console).Run();
}

}  // namespace tarrowin
