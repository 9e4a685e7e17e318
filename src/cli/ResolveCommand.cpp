#include "cli/ResolveCommand.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#include "core/data/PostalText.h"
#include "core/resolve/AddressIndex.h"
#include "core/resolve/AnswerJson.h"
#include "core/resolve/Resolver.h"
#include "core/text/Normalize.h"
#include "core/text/SjisText.h"
#include "core/text/TextEncoding.h"
#include "shared/RecordView.h"

namespace tanzel {

namespace {

// The columns of one answer, with its line end.
void AppendColumns(std::string& line, const AddressIndex& index, const ResolveAnswer& answer) {
  if (answer.codes.empty()) {
    line += "\t\t\n";
    return;
  }
  bool ambiguous = answer.certainty == Certainty::Ambiguous;
  if (ambiguous) line += "\t\tambiguous";
  std::vector<Resolution> all = answer.codes;
  all.insert(all.end(), answer.also.begin(), answer.also.end());
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (i > 0 || ambiguous) line += '\t';
    line += PostalDigits(all[i].postal);
    line += '\t';
    line += SjisToUtf8(RecordText(index, all[i]));
    line += '\t';
    line += MatchKindWord(all[i].kind);
  }
  line += '\n';
}

// Resolves one address after another, writing each answer as it comes.
class Answers {
 public:
  Answers(const AddressIndex& index, ResolveFormat format, std::FILE* out, std::FILE* err)
      : index_(index), format_(format), out_(out), err_(err) {}

  // The address `sjis` (Shift-JIS, or nothing when Shift-JIS cannot hold it), written by the
  // user as `utf8`.
  void Put(const std::optional<std::string>& sjis, std::string_view utf8) {
    ResolveAnswer answer;
    if (sjis) answer = ResolveAddress(index_, *sjis);
    line_.clear();
    if (format_ == ResolveFormat::Json) {
      AppendAnswerJson(line_, index_, utf8, answer);
      line_ += '\n';
    } else {
      AppendColumns(line_, index_, answer);
    }
    Write();
    allOne_ = allOne_ && answer.certainty != Certainty::Ambiguous && !answer.codes.empty();
  }

  // A line or argument that cannot be read: answered as not found, with a notice saying
  // `what` cannot be read.
  void PutUnreadable(std::string_view bytes, const std::string& what) {
    std::fprintf(err_, "tanzel-search: %s\n", what.c_str());
    line_.clear();
    if (format_ == ResolveFormat::Json) {
      AppendAnswerJson(line_, index_, bytes, ResolveAnswer{});
      line_.insert(line_.size() - 1, ",\"error\":\"invalid-encoding\"");
      line_ += '\n';
    } else {
      line_ = "\t\t\n";
    }
    Write();
    unreadable_ = true;
  }

  int Status() const {
    if (std::fflush(out_) != 0 || std::ferror(out_)) {
      std::fputs("tanzel-search: the output could not be written\n", err_);
      return kResolveOutputError;
    }
    return unreadable_ ? kResolveBadInput : allOne_ ? kResolveAllSure : kResolveNotOne;
  }

 private:
  void Write() { std::fwrite(line_.data(), 1, line_.size(), out_); }

  const AddressIndex& index_;
  ResolveFormat format_;
  std::FILE* out_;
  std::FILE* err_;
  std::string line_;
  bool allOne_ = true;
  bool unreadable_ = false;
};

// The whole of `in`.
std::string ReadAll(std::FILE* in) {
  std::string text;
  char chunk[65536];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, got);
  return text;
}

}  // namespace

int ResolveAddresses(const DataSet& data, const std::vector<const char*>& addresses, ResolveFormat format,
                     std::FILE* in, std::FILE* out, std::FILE* err) {
  std::string error;
  // One edition for every address, whatever imports run meanwhile.
  std::shared_ptr<const AddressIndex> index = data.Index(error);
  if (!index) {
    std::fprintf(err, "tanzel-search: %s%s cannot be read\n", data.EditionFolder().c_str(), error.c_str());
    return kResolveFileMissing;
  }
  Answers answers(*index, format, out, err);
  if (!addresses.empty()) {
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      std::string_view address = addresses[i];
      if (GatedText gated = ThroughGate(address); gated.fault != GateFault::NotUtf8)
        answers.Put(std::move(gated.sjis), address);
      else
        answers.PutUnreadable(address, "address " + std::to_string(i + 1) + " is not valid UTF-8");
    }
    return answers.Status();
  }
  // UTF-8 (with or without its mark) or Shift-JIS, as spreadsheets write it. The whole
  // input decides; where no one encoding fits it all, each line decides for itself, and a
  // line in neither is refused, naming it, rather than misread.
  std::string text = ReadAll(in);
  std::optional<TextEncoding> whole = DetectTextEncoding(text);
  std::string_view rest = text;
  if (rest.substr(0, kUtf8Bom.size()) == kUtf8Bom) rest.remove_prefix(kUtf8Bom.size());
  for (std::size_t number = 1; !rest.empty(); ++number) {
    std::string_view line = TakeLine(rest);
    std::optional<TextEncoding> encoding = whole ? whole : DetectTextEncoding(line);
    if (!encoding)
      answers.PutUnreadable(line, "line " + std::to_string(number) + " of the input is neither UTF-8 nor Shift-JIS");
    else if (*encoding == TextEncoding::Cp932)
      answers.Put(std::string(line), SjisToUtf8(line));
    else
      answers.Put(Utf8ToSjis(line), line);
  }
  return answers.Status();
}

}  // namespace tanzel
