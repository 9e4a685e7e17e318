#include "importer/UpdateCommand.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "core/data/DataFile.h"
#include "core/data/DataFolders.h"
#include "core/data/DataSet.h"
#include "core/data/Editions.h"
#include "core/import/ArchiveSums.h"
#include "core/update/Updater.h"
#include "importer/ImportCommand.h"
#include "shared/DataInUse.h"

namespace tanzel {

namespace {

constexpr const char* kUsage =
    "Usage: tanzel-import --download [--from URL] [--out DIR] [--partial] [--allow-older]\n"
    "       tanzel-import --compare OLD NEW\n"
    "(see tanzel-import --help)\n";

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) {
  g_interrupted.store(true);
}

// Turns SIGINT and SIGTERM into a cancel while it lives.
class InterruptToCancel {
 public:
  InterruptToCancel() {
    g_interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &savedInt_);
    sigaction(SIGTERM, &action, &savedTerm_);
  }
  ~InterruptToCancel() {
    sigaction(SIGINT, &savedInt_, nullptr);
    sigaction(SIGTERM, &savedTerm_, nullptr);
  }
  InterruptToCancel(const InterruptToCancel&) = delete;
  InterruptToCancel& operator=(const InterruptToCancel&) = delete;

 private:
  struct sigaction savedInt_ {};
  struct sigaction savedTerm_ {};
};

std::string Megabytes(long long bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

// The progress on standard error: one line rewritten in place on a terminal, a plain line
// per step otherwise.
class ProgressPrinter : public UpdateObserver {
 public:
  ProgressPrinter(std::FILE* err, std::string target)
      : err_(err), tty_(::isatty(fileno(err)) == 1), target_(std::move(target)) {}
  ~ProgressPrinter() override { EndLine(); }

  void Progress(const UpdateProgress& p) override {
    std::string step = Step(p);
    bool newStep = step != step_;
    auto now = std::chrono::steady_clock::now();
    if (tty_) {
      if (!newStep && now - shown_ < std::chrono::milliseconds(100)) return;
      std::string line = step;
      if (p.stage == UpdateStage::Download && p.done > 0)
        line += ": " + Megabytes(p.done) + (p.total > 0 ? " of " + Megabytes(p.total) : std::string());
      if (newStep) EndLine();
      std::fprintf(err_, "\r%-70s", line.c_str());
      open_ = true;
    } else if (newStep) {
      std::fprintf(err_, "%s\n", step.c_str());
    }
    std::fflush(err_);
    step_ = step;
    shown_ = now;
  }
  void EndLine() {
    if (open_) std::fputc('\n', err_);
    open_ = false;
  }

 private:
  std::string Step(const UpdateProgress& p) const {
    switch (p.stage) {
      case UpdateStage::Download:
        return "downloading " + p.file + " (" + std::to_string(p.fileNumber) + "/" + std::to_string(p.fileCount) + ")";
      case UpdateStage::Check:
        return "checking the archives";
      default:
        return "importing into " + target_;
    }
  }

  std::FILE* err_;
  bool tty_;
  std::string target_;
  std::string step_;
  bool open_ = false;
  std::chrono::steady_clock::time_point shown_{};
};

std::string CountsLine(const DataChanges& c) {
  auto part = [](const char* what, const ChangeCounts& n) {
    return std::string(what) + " " + std::to_string(n.added) + " added, " + std::to_string(n.removed) + " removed, " +
           std::to_string(n.changed) + " changed";
  };
  return "changes: " + part("addresses", c.ken) + "; " + part("offices", c.jig) + "\n";
}

struct Args {
  bool download = false;
  bool compare = false;
  bool partial = false;
  bool allowOlder = false;
  std::string from;
  std::string out;
  std::vector<std::string> folders;
};

bool Parse(int argc, const char* const argv[], Args& args, std::FILE* err) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string* value = arg == "--from" ? &args.from : arg == "--out" ? &args.out : nullptr;
    if (arg == "--download") {
      args.download = true;
    } else if (arg == "--compare") {
      args.compare = true;
    } else if (arg == "--partial") {
      args.partial = true;
    } else if (arg == "--allow-older") {
      args.allowOlder = true;
    } else if (value != nullptr) {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        std::fprintf(err, "tanzel-import: %s needs a value\n%s", arg.c_str(), kUsage);
        return false;
      }
      *value = argv[++i];
    } else if (args.compare && arg.compare(0, 1, "-") != 0) {
      args.folders.push_back(arg);
    } else {
      std::fprintf(err, "tanzel-import: unknown argument '%s'\n%s", arg.c_str(), kUsage);
      return false;
    }
  }
  bool ok = args.download != args.compare && (args.compare ? args.folders.size() == 2 && args.from.empty() &&
                                                                 args.out.empty() && !args.partial && !args.allowOlder
                                                           : args.folders.empty());
  if (!ok) std::fputs(kUsage, err);
  return ok;
}

int Finish(std::FILE* out, std::FILE* err, int status) {
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fprintf(err, "tanzel-import: cannot write the output: %s\n", std::strerror(errno));
    return 1;
  }
  return status;
}

// The edition a --compare argument names, resolved once: a data folder's edition in use; an
// edition folder, or a link to one (D/current, D/previous), as the edition it names now; a
// folder of plain data files as it is.
std::string EditionOfArgument(const std::string& folder) {
  char real[PATH_MAX];
  return DataSet::Open(::realpath(folder.c_str(), real) != nullptr ? real : folder)->EditionFolder();
}

int Compare(const Args& args, std::FILE* out, std::FILE* err) {
  std::vector<std::string> editions;
  for (const std::string& folder : args.folders) {
    editions.push_back(EditionOfArgument(folder));
    if (!HoldsCompleteSet(editions.back())) {
      std::fprintf(err, "tanzel-import: %s holds no complete set of data files\n", folder.c_str());
      return 1;
    }
  }
  DataChanges changes;
  std::string error;
  if (!CompareDataSets(editions[0], editions[1], changes, error)) {
    std::fprintf(err, "tanzel-import: %s\n", error.c_str());
    return 1;
  }
  std::fputs(FormatChangesTsv(changes).c_str(), out);
  std::fputs(CountsLine(changes).c_str(), err);
  return Finish(out, err, 0);
}

int Download(const Args& args, std::FILE* out, std::FILE* err, const CommitStepHook& atCommitStep) {
  UpdateOptions options;
  options.baseUrl = args.from.empty() ? UpdateBaseUrl() : args.from;
  if (args.partial) options.minKenRecords = options.minJigRecords = 1;
  options.atCommitStep = atCommitStep;
  if (args.allowOlder)
    options.allowOlder = [](const std::string&, const std::string&, const std::string&) { return true; };
  // The data in use: the program's (its own or the user's), or that of the folder --out names.
  DataInUse inUse(args.out.empty() ? DataInUse::Opener()
                                   : [](const std::string& folder) { return DataSet::Open(folder); });
  if (args.out.empty()) {
    std::string program = ExecutableFolder();
    options.targetFolder = UpdateTargetFolder(program);
    options.inUse = inUse.SourceFor(program);
  } else {
    options.targetFolder = args.out;
    options.inUse = inUse.SourceFor(args.out);
  }
  UpdateResult result;
  bool interrupted = false;
  {
    InterruptToCancel interrupts;
    ProgressPrinter printer(err, WithSlash(options.targetFolder));
    result = RunUpdate(options, &printer, g_interrupted);
    // An interrupt held off while the new edition was put in use arrives here at the latest.
    interrupted = g_interrupted.load();
  }
  switch (result.status) {
    case UpdateStatus::Failed:
      std::fprintf(err, "tanzel-import: %s%s\n", result.message.c_str(),
                   result.failure == UpdateFailure::Older ? " (give --allow-older to go back to it)" : "");
      return result.failure == UpdateFailure::Busy ? 3 : 1;
    case UpdateStatus::Cancelled:
      std::fputs("tanzel-import: interrupted: the data is unchanged\n", err);
      return 1;
    case UpdateStatus::AlreadyCurrent:
      std::fprintf(err, "the data in use is already the edition of %s: nothing imported\n", result.date.c_str());
      break;
    case UpdateStatus::Updated:
      for (const std::string& note : result.notes) std::fprintf(err, "%s\n", note.c_str());
      std::fputs(FormatSummary(result.summary).c_str(), err);
      std::fprintf(err, "edition %s\n", result.date.c_str());
      std::fputs(result.compared ? CountsLine(result.changes).c_str() : "no earlier data to compare with\n", err);
      if (interrupted)
        std::fputs("tanzel-import: interrupted after the point of no return; the update is complete\n", err);
      break;
  }
  std::fputs(FormatChangesTsv(result.changes).c_str(), out);
  return Finish(out, err, 0);
}

}  // namespace

bool IsUpdateCommandLine(int argc, const char* const argv[]) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--download") == 0 || std::strcmp(argv[i], "--compare") == 0) return true;
  return false;
}

int UpdateCommand(int argc, const char* const argv[], std::FILE* out, std::FILE* err,
                  const CommitStepHook& atCommitStep) {
  Args args;
  if (!Parse(argc, argv, args, err)) return 2;
  return args.compare ? Compare(args, out, err) : Download(args, out, err, atCommitStep);
}

int ImporterCommand(int argc, const char* const argv[], std::FILE* out, std::FILE* err,
                    const CommitStepHook& atCommitStep) {
  if (IsUpdateCommandLine(argc, argv)) return UpdateCommand(argc, argv, out, err, atCommitStep);
  return ImportCommand(argc, argv, out, err, atCommitStep);
}

}  // namespace tanzel
