#pragma once

#include <QString>

// The application title: caption of relayed message boxes and of the exception box.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);
inline constexpr char16_t kApplicationTitle[] = u"最新！郵便番号検索　Tanzel";

// The home page opened from the main menu and the version dialog.
inline constexpr char16_t kHomePageUrl[] = u"https://marvolt.example.jp/tanzel/";

// Creates the five windows in order (main window, result dialog, map picker, version
// dialog, search window); the main window creates the search worker.
void CreateWindows();
// Stops the search worker (cancel, then join) and destroys the windows in reverse order.
void DestroyWindows();
