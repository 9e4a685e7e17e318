#pragma once

// Address resolution: what a person writes as an address, to its postal code(s), on an
// AddressIndex. Plain functions of the index and the text: any number of threads may
// resolve at once on one index.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/resolve/AddressIndex.h"

namespace tanzel {

// How an address matched its record.
enum class MatchKind {
  Town,             // a town area (also its その他 record, or one of its named parts)
  Chome,            // a town area's record for a range or list of 丁目 or 番地
  Building,         // a building with codes of its own, floor not given (its 地階・階層不明 code)
  Floor,            // one floor of such a building
  Office,           // a large business office at exactly that address
  CatchAll,         // the city's "other addresses" code: its town is not listed
  WholeCity,        // the city's one code for its whole area (村一円)
  Code,             // the text was a postal code
  BuildingUnknown,  // a town's code for "other buildings", though the text names a building
                    // or floor: the building has no code of its own, or is not known
  OtherWard,        // a town of a designated city found in another ward than the one written
                    // (a ward that no longer exists: 浜松市中区): the record names its ward
};

// The short word for a kind: town, chome, building, floor, office, catchall, whole-city, code,
// building-unknown, other-ward.
const char* MatchKindWord(MatchKind kind);

// One code an address resolves to.
struct Resolution {
  MatchKind kind;
  bool office;  // `record` indexes the index's offices, else its towns
  uint32_t record;
  uint32_t postal;  // the 7-digit code as a number
};

// Resolves `sjis` (an address, or a postal code, as people write them; Shift-JIS) to the
// codes that fit it, best first; where several fit equally in one city, all of them, each
// code once. Empty when nothing fits: an address whose city cannot be told (several cities
// fit), or whose town is not listed in a city without an "other addresses" code.
std::vector<Resolution> Resolve(const AddressIndex& index, std::string_view sjis);

// How sure an answer is. Every front end that gives a postal code says which of these it is.
enum class Certainty {
  Sure,       // one place: a town, a block range, a building floor, an office, a whole city, a code
  NotSure,    // a fallback: the city's catch-all code (its town was not found), a town's
              // code for "other buildings" where the text names a building that is not known,
              // or a town found in another ward than the one written
  Ambiguous,  // several places fit: no single code; the candidates are given best first
  NotFound,   // nothing fits
};

// The word for a certainty, as the command line, lists and the service write it: sure,
// not-sure, ambiguous, not-found.
const char* CertaintyWord(Certainty certainty);

// A resolved address: how sure, and the codes. Sure and NotSure carry exactly one code;
// Ambiguous carries the candidates (two or more), best first; NotFound none.
struct ResolveAnswer {
  Certainty certainty = Certainty::NotFound;
  std::vector<Resolution> codes;
  // Other codes at exactly that address, beside the answer: large business offices there,
  // and the town's own code where the answer is an office named in the text.
  std::vector<Resolution> also;
  bool severalCities = false;  // Ambiguous: the candidates lie in different cities
};

// Reads `sjis` every way it can be meant (prefecture, city, a designated city's ward
// without its city, a town alone) and says how sure the answer is. A postal code written
// before the address picks among its candidates.
ResolveAnswer ResolveAddress(const AddressIndex& index, std::string_view sjis);

// A cheap test, without an index, of whether `sjis` may be an address worth resolving: it
// holds a character that ends the name of a prefecture, city or district (都道府県市区町村郡).
bool MayBeAddress(std::string_view sjis);

// Whether `sjis` writes a block number (a digit, half- or full-width, or 丁目 or 番地): an
// address down to its block rather than a place name.
bool WritesBlock(std::string_view sjis);

// The record of a resolution as the data spells it, in Shift-JIS: prefecture, city and town
// with its note; or the office's name, a space and its address.
std::string RecordText(const AddressIndex& index, const Resolution& r);

}  // namespace tanzel
