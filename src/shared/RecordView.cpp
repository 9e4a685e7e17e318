#include "shared/RecordView.h"

#include <cstdlib>

#include "core/browse/BrowseText.h"
#include "core/browse/CheckDigit.h"
#include "core/data/RemovedNotice.h"
#include "core/text/Normalize.h"
#include "core/text/SjisText.h"

namespace tanzel {

namespace {

template <typename Record>
RecordView CommonView(const Record& record) {
  RecordView view;
  view.code = record.PostalCode;
  view.codeWithHyphen = PostalText(static_cast<uint32_t>(std::strtoul(record.PostalCode, nullptr, 10)));
  view.townWithoutNotes = WithoutNotes(record.TownKanji);
  view.localGovCode = LocalGovCodeText(record.LocalGovCode);
  view.localGovCodeWithCheckDigit = LocalGovCodeWithCheckDigit(record.LocalGovCode);
  return view;
}

}  // namespace

RecordView ViewOf(const KenRecord& record) {
  RecordView view = CommonView(record);
  view.townKanaWithoutNotes = WithoutNotes(record.TownKana);
  return view;
}

RecordView ViewOf(const JigRecord& record) {
  return CommonView(record);
}

RemovedCodeView RemovedCodeOf(const DataSet& set, std::string_view sjisKeyword) {
  const std::string code = PostalCodeOfKeyword(sjisKeyword);
  RemovedCodeView view;
  view.removed = !code.empty() && set.Removed(code);
  if (view.removed) view.notice = RemovedCodeNotice(set, sjisKeyword);
  return view;
}

GatedText ThroughGate(std::string_view utf8) {
  GatedText out;
  if (!IsValidUtf8(utf8)) {
    out.fault = GateFault::NotUtf8;
    return out;
  }
  out.sjis = Utf8ToSjis(utf8);
  if (!out.sjis) out.fault = GateFault::NoShiftJisForm;
  return out;
}

}  // namespace tanzel
