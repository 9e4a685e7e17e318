#pragma once

// What the windows say about the program itself: its title and its home page.

#include <QString>

// The application title: caption of relayed message boxes, of the exception box and the
// version dialog's title line. Set once at start-up.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);
inline constexpr char16_t kApplicationTitle[] = u"最新！郵便番号検索　Tanzel";

// The home page opened from the main menu and the version dialog.
inline constexpr char16_t kHomePageUrl[] = u"https://marvolt.example.jp/tanzel/";
