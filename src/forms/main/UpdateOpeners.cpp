// The main window's way into the update of the postal data.
#include "core/data/DataFolders.h"
#include "forms/main/ListBox.h"
#include "forms/main/TForm_Main.h"
#include "forms/update/UpdateDialog.h"
#include "forms/update/UpdateSource.h"

void TForm_Main::UpdateData() {
  UpdateSourceDialog source(this);
  if (source.exec() != QDialog::Accepted) return;
  tanzel::UpdateOptions options;
  options.baseUrl = source.BaseUrl();
  options.targetFolder = tanzel::UpdateTargetFolder(DataFolder);
  options.inUse = data_.SourceFor(DataFolder);
  UpdateDialog dialog(options, this);
  dialog.exec();
  ShowDataDate();
  ShowUpdateOutcome(this, dialog.Result());
  // A prefecture chosen while there was no data is read again from the new data.
  if (ListBox_Ken->currentRow() >= 0 && KenCount <= 0 && HasData()) ListBox_KenClick();
}
