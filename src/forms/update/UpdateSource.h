#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;

// Where the window's updates download Japan Post's archives from. In this order:
//   1. the environment variable TANZEL_JAPANPOST_URL, for scripts and tests;
//   2. the mirror the user set in the dialog below, kept in the user's settings
//      (QSettings, ~/.config/tanzel/tanzel.ini, key update/mirror);
//   3. Japan Post's own addresses (an empty base address, see ArchiveUrl).

// The mirror kept in the user's settings; empty when none is set.
QString SavedMirrorUrl();
void SaveMirrorUrl(const QString& url);

// The base address the window's next update uses (the order above); empty: Japan Post.
std::string WindowUpdateBaseUrl();

// Whether `url` may serve as a base address: empty (Japan Post), or an http:// or https://
// address with a host.
bool IsUsableMirrorUrl(const QString& url);

// The first step of "データ更新…": says where the archives will come from and lets the user
// set or clear a mirror before the download starts. Accepted (更新開始) with a usable address,
// which it keeps in the settings; an unusable one is said in the dialog, which stays.
class UpdateSourceDialog : public QDialog {
  Q_OBJECT
 public:
  explicit UpdateSourceDialog(QWidget* parent = nullptr);

  // The base address to update from, once accepted (the order above).
  std::string BaseUrl() const { return WindowUpdateBaseUrl(); }

 public Q_SLOTS:
  void accept() override;

 private:
  void ShowSource();

  QLabel* sourceLabel_;
  QLineEdit* mirrorEdit_;
  QLabel* noteLabel_;
};
