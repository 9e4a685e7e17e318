#pragma once

// What the windows say about the program itself: its title and its home page.

#include <QString>

// The application title: caption of relayed message boxes, of the exception box and the
// version dialog's title line. Set once at start-up.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);
inline constexpr char16_t kApplicationTitle[] = u"最新！郵便番号検索　Tanzel";

// The maker's home page, shown and opened by the version dialog.
inline constexpr char16_t kHomePageUrl[] = u"https://marvolt.example.jp/tanzel/";

// The program's own guide: README.ja.md (else README.md) beside the program or in one of
// the folders above it (a build inside the source tree), else in /usr/share/doc/tanzel.
// Empty when there is none.
QString ReadmePath(const QString& programFolder);
