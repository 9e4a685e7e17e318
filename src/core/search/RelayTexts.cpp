#include "core/search/RelayTexts.h"

#include <iterator>

namespace tanzel {

namespace {
// clang-format off
constexpr const char* ErrorTexts[] = {
    "",
    "\x83" "f\x81[\x83^\x83t\x83@\x83" "C\x83\x8b\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1",  // データファイルが見つかりません
};
constexpr const char* WarningTexts[] = {
    "",
    "\x83" "f\x81[\x83^\x83t\x83@\x83" "C\x83\x8b\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1",  // データファイルが見つかりません
};
constexpr const char* InfoTexts[] = {
    "",
    "\x8c\x9f\x8d\xf5\x82\xb7\x82\xe9\x92n\x96\xbc\x82\xdc\x82\xbd\x82\xcd\x97X\x95\xd6\x94\xd4\x8d\x86\x82\xf0\x93\xfc\x97\xcd\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2",  // 検索する地名または郵便番号を入力してください
    "\x8c\x9f\x8d\xf5\x8c\x8b\x89\xca\x82\xaa\x8d\xc5\x91\xe5\x90\x94\x82\xf0\x83I\x81[\x83o\x81[\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81" "B",  // 検索結果が最大数をオーバーしました。
    "\x8c\x9f\x8d\xf5\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x82\xaa\x8c\xa9\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81" "B",  // 検索しましたが見つかりませんでした。
};
// clang-format on

template <std::size_t N>
const char* Pick(const char* const (&table)[N], int index) {
  return index >= 0 && static_cast<std::size_t>(index) < N ? table[index] : nullptr;
}
}  // namespace

const char* RelayText(int kind, int index) {
  switch (kind) {
    case RelayError:
      return Pick(ErrorTexts, index);
    case RelayWarning:
      return Pick(WarningTexts, index);
    case RelayInformation:
      return Pick(InfoTexts, index);
    default:
      return nullptr;
  }
}

}  // namespace tanzel
