#pragma once

// One view of a record and of an answer, for every front end (the windows, tanzel-search,
// the lists and tanzel-serve): the postal code's text, the local government code with its
// check digit, the town without Japan Post's notes, the removed-code notice, and the gate
// through which a front end's UTF-8 text enters the Shift-JIS engine. Shift-JIS in and
// out unless said otherwise; no Qt.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/data/DataSet.h"
#include "core/data/PostalText.h"
#include "core/data/Records.h"

namespace tanzel {

// A record as every front end shows it beyond its own fields (Shift-JIS).
struct RecordView {
  std::string code;                        // the seven digits, as the data holds them ("1000001")
  std::string codeWithHyphen;              // as people write it ("100-0001")
  std::string townWithoutNotes;            // the town without Japan Post's notes (WithoutNotes,
                                           // core/browse/BrowseText.h: the window's rule)
  std::string townKanaWithoutNotes;        // its reading the same way (empty for an office)
  std::string localGovCode;                // five digits ("13101")
  std::string localGovCodeWithCheckDigit;  // with its check digit ("131016")
};
RecordView ViewOf(const KenRecord& record);
RecordView ViewOf(const JigRecord& record);

// Whether a search keyword names a code the update that brought `set` removed, and the
// notice a search that found nothing shows for it (RemovedCodeNotice; empty when the
// edition has no date to name).
struct RemovedCodeView {
  bool removed = false;
  std::string notice;
};
RemovedCodeView RemovedCodeOf(const DataSet& set, std::string_view sjisKeyword);

// The gate of a front end's UTF-8 text into the engine: the text in Shift-JIS, or why not.
enum class GateFault {
  None,
  NotUtf8,        // the bytes are not valid UTF-8
  NoShiftJisForm  // valid UTF-8, but a character has no Shift-JIS form
};
struct GatedText {
  std::optional<std::string> sjis;  // set exactly when `fault` is None
  GateFault fault = GateFault::None;
};
GatedText ThroughGate(std::string_view utf8);

}  // namespace tanzel
